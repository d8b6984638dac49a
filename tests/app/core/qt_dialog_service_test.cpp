#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <utility>

#include "core/dialog_service.h"
#include "dialog_operator.h"

namespace {

TEST(QtDialogServiceTest, PipeFiltersBecomeQtFilters) {
  EXPECT_EQ(QtFileFilter("専用ファイル  (*.mx1)|*.mx1|"), "専用ファイル (*.mx1)");
  EXPECT_EQ(QtFileFilter("CSVファイル  (*.csv)|*.csv|"), "CSVファイル (*.csv)");
  EXPECT_EQ(QtFileFilter("Data|*.csv;*.txt|All (*.*)|*.*"), "Data (*.csv *.txt);;All (*.*)");
  EXPECT_EQ(QtFileFilter(""), "");
}

TEST(QtDialogServiceTest, MessageShowsCaptionButtonsAndIcon) {
  QtDialogService dialogs;
  Operator op;

  op.Press(QMessageBox::No);
  EXPECT_EQ(dialogs.Ask("削除しますか?"), MsgAnswer::No);
  EXPECT_EQ(op.text, "削除しますか?");
  EXPECT_EQ(op.caption, "Message");
  EXPECT_EQ(op.icon, QMessageBox::Question);
  EXPECT_EQ(op.buttons, QMessageBox::Yes | QMessageBox::No);

  op.Press(QMessageBox::Ok);
  dialogs.Error("入力エラー");
  EXPECT_EQ(op.caption, "エラーメッセージ");
  EXPECT_EQ(op.icon, QMessageBox::Critical);
  EXPECT_EQ(op.buttons, QMessageBox::Ok);
}

TEST(QtDialogServiceTest, SaveAsksBeforeCreatingANewFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath("new.csv");
  const QString filter = "CSVファイル  (*.csv)|*.csv|";
  QtDialogService dialogs;
  Operator op;

  // Declining the new file returns to the dialog; cancelling it then gives nothing.
  op.ChooseFile(path, {"CSVファイル (*.csv)"});
  op.Press(QMessageBox::No);
  op.CancelFile();
  EXPECT_EQ(dialogs.SaveFileName(filter), std::nullopt);
  EXPECT_TRUE(op.text.contains("new.csv")) << op.text.toStdString();
  EXPECT_EQ(op.buttons, QMessageBox::Yes | QMessageBox::No);

  op.ChooseFile(path, {"CSVファイル (*.csv)"});
  op.Press(QMessageBox::Yes);
  EXPECT_EQ(dialogs.SaveFileName(filter), path);
}

// The dialog opens in the folder asked for with the name proposed. A name typed without an
// extension gets the filter's before the dialog asks about the file: "old" is the existing
// "old.mx1", whose replacement the operator must confirm.
TEST(QtDialogServiceTest, SaveAddsTheFilterExtensionBeforeAskingAboutTheFile) {
  QTemporaryDir dir;
  QFile f(dir.filePath("old.mx1"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  const QString filter = "専用ファイル  (*.mx1)|*.mx1|";
  QtDialogService dialogs;
  Operator op;

  op.Then<QFileDialog>([&dir](QFileDialog& dialog) {
    EXPECT_EQ(dialog.directory().absolutePath(), QDir(dir.path()).absolutePath());
    EXPECT_EQ(dialog.selectedFiles().value(0), dir.filePath("20261208-050335.mx1"));
    dialog.selectFile(dir.filePath("old"));
    static_cast<QDialog&>(dialog).accept();
  });
  op.Press(QMessageBox::Yes);
  const auto choice = dialogs.SaveFile({filter, dir.path(), "20261208-050335.mx1"});
  ASSERT_TRUE(choice.has_value());
  EXPECT_EQ(choice->path, dir.filePath("old.mx1"));
  EXPECT_EQ(choice->filter, filter);
  EXPECT_TRUE(op.text.startsWith("old.mx1 ")) << op.text.toStdString();
  EXPECT_TRUE(op.text.contains("上書き")) << op.text.toStdString();
}

TEST(QtDialogServiceTest, OpenGivesTheChosenFileOrNothing) {
  QTemporaryDir dir;
  const QString path = dir.filePath("data.mx1");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  QtDialogService dialogs;
  Operator op;

  op.ChooseFile(path, {"専用ファイル (*.mx1)"});
  EXPECT_EQ(dialogs.OpenFileName("専用ファイル  (*.mx1)|*.mx1|"), path);
  op.CancelFile();
  EXPECT_EQ(dialogs.OpenFileName("専用ファイル  (*.mx1)|*.mx1|"), std::nullopt);
}

// A one-page print: no range of pages and no order of pages to choose.
TEST(QtDialogServiceTest, PrinterDialogOffersNoPageRangeOrOrder) {
  QtDialogService dialogs;
  Operator op;
  QPrinter printer;
  op.Then<QPrintDialog>([](QPrintDialog& dialog) {
    // Hidden themselves, not only with the dialog's folded options.
    for (const char* name : {"gbPrintRange", "reverse"}) {
      const QWidget* control = dialog.findChild<QWidget*>(QLatin1String(name));
      ASSERT_NE(control, nullptr) << name;
      EXPECT_TRUE(control->isHidden()) << name;
    }
    EXPECT_FALSE(dialog.findChild<QWidget*>(QStringLiteral("copies"))->isHidden());
    dialog.reject();
  });
  EXPECT_EQ(dialogs.ChoosePrinter(printer), std::nullopt);
}

}  // namespace
