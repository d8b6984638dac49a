// The save window with the program's own file dialog: a name typed without an extension gets the
// one of the format chosen, and the folder and the format come back in the next run.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "core/dialog_service.h"
#include "core/module_data.h"
#include "dialog_operator.h"
#include "dialogs/dialog_memo.h"

namespace {

TEST(SaveWindowTest, TypedNameGetsTheExtensionAndFolderAndFormatComeBackNextRun) {
  QTemporaryDir config;
  QTemporaryDir dir;
  ASSERT_TRUE(config.isValid() && dir.isValid());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
  ModuleData md;
  md.Record.Units[0].MflagID = true;
  md.Record.Units[0].Data[0] = 21.5f;
  md.Record.Units[0].DataCount = 1;
  md.Record.SampleCount = 1;
  md.Record.StartTime = QStringLiteral("2026/12/8 5:03:35");
  QtDialogService dialogs;
  Operator op;
  {
    DialogMemo memo(md, dialogs);
    EXPECT_TRUE(memo.optFiletype[0]->isChecked());  // nothing remembered: "CSV"
    memo.optFiletype[1]->setChecked(true);
    op.Then<QFileDialog>([&dir](QFileDialog& dialog) {
      dialog.selectFile(dir.filePath(QStringLiteral("run1")));
      static_cast<QDialog&>(dialog).accept();
    });
    op.Press(QMessageBox::Yes);  // the new file is to be created
    memo.OKButton->click();
    EXPECT_EQ(memo.result(), QDialog::Accepted);
  }
  EXPECT_TRUE(op.text.startsWith(QStringLiteral("run1.mx1 "))) << op.text.toStdString();
  EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("run1.mx1"))));
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("run1"))));

  // The next run: the format last saved in, the folder last used, a name from the start time.
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
  DialogMemo memo(md, dialogs);
  EXPECT_TRUE(memo.optFiletype[1]->isChecked());
  op.Then<QFileDialog>([&dir](QFileDialog& dialog) {
    EXPECT_EQ(dialog.selectedFiles().value(0), dir.filePath(QStringLiteral("20261208-050335.mx1")));
    dialog.reject();
  });
  memo.OKButton->click();
  EXPECT_NE(memo.result(), QDialog::Accepted);
  // Kept in a section of its own, away from the measurement settings.
  QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Korvalle"));
  EXPECT_EQ(store.childGroups(), QStringList({QStringLiteral("FileDialog")}));
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                     QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

}  // namespace
