#include "core/qt_translations.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTranslator>

namespace {

TEST(QtTranslationsTest, MessageBoxButtonsSayHaiAndIie) {
  QTranslator* translator = LoadQtTranslations(*QCoreApplication::instance());
  ASSERT_NE(translator, nullptr) << "qt6-translations-l10n is not installed";
  EXPECT_TRUE(
      QCoreApplication::translate("QPlatformTheme", "&Yes").contains(QStringLiteral("はい")));
  EXPECT_TRUE(
      QCoreApplication::translate("QPlatformTheme", "&No").contains(QStringLiteral("いいえ")));
  // Back to Qt's own texts for the other tests of this program.
  QCoreApplication::removeTranslator(translator);
  delete translator;
}

}  // namespace
