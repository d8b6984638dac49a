// What the main window checks and tells before it is too late: stored settings it cannot use
// (the defaults are taken, and named), a continuous recording's folder that cannot take files
// (asked at "開始"), and a status line longer than the window (the window keeps its size).
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QPushButton>

#include "form_main_fixture.h"
#include "journal/recording_journal.h"

namespace {

TEST(FormMainSettingsTest, StoredValuesItCannotUseTakeTheirDefaultsAndAreNamedOnce) {
  QTemporaryDir config;
  ASSERT_TRUE(config.isValid());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
  QFile ini(config.filePath(QStringLiteral("Korvalle.ini")));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[MeasInfo]\nMflagID1=True\nConnectID1=12\nIntervalTM=5\n");
  ini.close();

  ModuleData md;
  ScriptedDialogs dialogs;
  MDX4A driver{dialogs};
  FormMain form(md, driver, dialogs);
  form.show();
  QApplication::processEvents();
  EXPECT_TRUE(md.Record.Units[1].MflagID);
  EXPECT_EQ(md.Record.Units[1].ConnectID, 0);
  EXPECT_EQ(md.Record.IntervalTM, 1000);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  const QString text = dialogs.shown[0].text;
  EXPECT_EQ(dialogs.shown[0].buttons, MsgButtons::Ok);
  EXPECT_TRUE(text.contains(QStringLiteral("ConnectID1, IntervalTM"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("ConnectID1=12（"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("IntervalTM=5（"))) << text.toStdString();
}

class FormMainChecksTest : public FormMainTest {};

TEST_F(FormMainChecksTest, AFolderThatCannotTakeTheFilesIsAskedAboutAtTheStart) {
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("records"));
  QFile blocker(folder);  // a file where the folder should be
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  md.Recording.Continuous = true;
  md.Recording.Folder = folder;

  dialogs.answers = {MsgAnswer::No};
  ui().cmdStart->click();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  const QString question = dialogs.shown[0].text;
  EXPECT_EQ(dialogs.shown[0].buttons, MsgButtons::YesNo);
  EXPECT_TRUE(question.contains(QDir::toNativeSeparators(folder))) << question.toStdString();
  EXPECT_TRUE(question.contains(QDir::toNativeSeparators(JournalFolder())))
      << question.toStdString();
  EXPECT_FALSE(md.Measuring);
  EXPECT_TRUE(ui().cmdStart->isEnabled());

  // A folder that can be made is no question; it is there afterwards.
  dialogs.Clear();
  md.Recording.Folder = dir.filePath(QStringLiteral("new/records"));
  ui().cmdStart->click();
  for (const ShownMessage& m : dialogs.shown)
    EXPECT_NE(m.buttons, MsgButtons::YesNo) << m.text.toStdString();
  EXPECT_TRUE(QFileInfo(md.Recording.Folder).isDir());
  EXPECT_TRUE(QDir(md.Recording.Folder)
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                  .isEmpty());
}

TEST_F(FormMainChecksTest, ALongStatusLineLeavesTheWindowItsWidth) {
  form->resize(900, 600);
  QApplication::processEvents();
  const int width = form->width();
  const QString longText = QStringLiteral("連続記録 ファイル 1234　").repeated(40);
  ui().lblStatus->setText(longText);
  ui().lblAlarm->setText(longText);
  ui().lblAlarm->setVisible(true);
  form->layout()->activate();
  QApplication::processEvents();
  EXPECT_EQ(form->width(), width);
  EXPECT_LT(form->minimumSizeHint().width(), 1200);
}

}  // namespace
