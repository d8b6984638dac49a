// "印刷" through the printer dialog: what the dialog is given, the printer chosen by name, the page
// to a PDF file chosen in the dialog, the failures the operator is told about, and the private
// temporary file of the graph picture.
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QPushButton>

#include "graph/chart2d.h"
#include "print/printer_choice.h"
#include "print/private_picture_file.h"
#include "print_fixture.h"

namespace {

const QString kPrinterError =
    QStringLiteral("印刷できませんでした。プリンタの設定と状態を確認して下さい。");

QStringList Leftovers(const QTemporaryDir& tmp) {
  return QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// The operator picks "print to file" in the dialog.
void ChooseFile(ScriptedDialogs& dialogs, const QString& path) {
  dialogs.printerAnswer = true;
  dialogs.chosenPrinter.clear();
  dialogs.onPrinterDialog = [path](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
  };
}

TEST_F(PrintTest, NoDataOrCancelPrintsNothing) {
  ui().cmdPrint->click();
  EXPECT_EQ(dialogs.shown, std::vector<ShownMessage>{
                               ShownMessage::Notice(QStringLiteral("データがありません。"))});
  EXPECT_TRUE(dialogs.printerDialogs.empty());

  LoadRecordSet(10);
  dialogs.Clear();
  dialogs.printerAnswer = false;
  ui().cmdPrint->click();
  ASSERT_EQ(dialogs.printerDialogs.size(), 1u);
  EXPECT_TRUE(dialogs.printerDialogs[0].landscape);
  EXPECT_TRUE(dialogs.printerDialogs[0].a4);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(form->CurrentPrinter(), nullptr);
  EXPECT_TRUE(Leftovers(tmp).isEmpty());
}

TEST_F(PrintTest, PrintsToTheFileChosenInTheDialogAndKeepsTheChoice) {
  md.TimerType = false;
  md.IntervalTM = 250;
  md.MeasKind = true;
  md.DataAverage = true;
  LoadRecordSet(400, 2);
  const QString pdf = dir.filePath(QStringLiteral("chosen.pdf"));
  ChooseFile(dialogs, pdf);
  ui().cmdPrint->click();
  EXPECT_TRUE(dialogs.shown.empty()) << dialogs.LastText().toStdString();
  ASSERT_TRUE(QFile::exists(pdf));
  const auto words = PdfWords(pdf);
  EXPECT_EQ(RightOf(words, Find(words, QStringLiteral("測定間隔"))),
            QStringList({QStringLiteral("250"), QStringLiteral("(msec)")}));
  EXPECT_EQ(RightOf(words, Find(words, QStringLiteral("種類"))),
            QStringList({QStringLiteral("電圧値")}));
  EXPECT_EQ(RightOf(words, Find(words, QStringLiteral("平均化"))),
            QStringList({QStringLiteral("有り")}));
  EXPECT_TRUE(Leftovers(tmp).isEmpty());

  // The next dialog starts from the file chosen before.
  QString preset;
  dialogs.printerAnswer = false;
  dialogs.onPrinterDialog = [&preset](QPrinter& printer) { preset = printer.outputFileName(); };
  ui().cmdPrint->click();
  EXPECT_EQ(preset, pdf);
}

TEST_F(PrintTest, PrinterChosenByNameIgnoringLetterCase) {
  LoadRecordSet(10);
  dialogs.installedPrinters = {QStringLiteral("Office"), QStringLiteral("Lab-Printer")};
  dialogs.printerAnswer = true;
  dialogs.chosenPrinter = QStringLiteral("LAB-printer");
  ui().cmdPrint->click();
  ASSERT_NE(form->CurrentPrinter(), nullptr);
  EXPECT_EQ(form->CurrentPrinter()->printerName, QStringLiteral("Lab-Printer"));
  // The print system of the test knows no such printer: the page must not go elsewhere, and the
  // operator is told.
  EXPECT_EQ(dialogs.shown, std::vector<ShownMessage>{ShownMessage::Notice(kPrinterError)});

  // A name no installed printer has leaves the printer as it was.
  dialogs.chosenPrinter = QStringLiteral("Nowhere");
  ui().cmdPrint->click();
  EXPECT_EQ(form->CurrentPrinter()->printerName, QStringLiteral("Lab-Printer"));

  EXPECT_EQ(MatchInstalledPrinter(QStringLiteral("lp"), QStringLiteral("LP"), {}), "LP");
  EXPECT_EQ(MatchInstalledPrinter(QStringLiteral("lp"), QStringLiteral("x"), {"a", "Lp"}), "Lp");
}

TEST_F(PrintTest, FailuresAreToldAndAFailedPictureOpensNoJob) {
  LoadRecordSet(10);
  // The file cannot be written: a printer failure.
  ChooseFile(dialogs, dir.filePath(QStringLiteral("no/such/dir/page.pdf")));
  ui().cmdPrint->click();
  EXPECT_EQ(dialogs.shown, std::vector<ShownMessage>{ShownMessage::Notice(kPrinterError)});

  // The graph picture cannot be made: "グラフ印刷エラー", and the file is never opened.
  dialogs.Clear();
  const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
  ChooseFile(dialogs, pdf);
  QFile notADir(dir.filePath(QStringLiteral("file")));
  ASSERT_TRUE(notADir.open(QIODevice::WriteOnly));
  qputenv("TMPDIR", notADir.fileName().toUtf8());
  ui().cmdPrint->click();
  EXPECT_EQ(dialogs.shown,
            std::vector<ShownMessage>{ShownMessage::Notice(QStringLiteral("グラフ印刷エラー"))});
  EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrintTest, PictureFileIsPrivateUnpredictableAndRemoved) {
  LoadRecordSet(10);
  // Even with a umask that would let everybody read new files.
  const mode_t oldMask = umask(0);
  QString first, second;
  {
    PrivatePictureFile a;
    PrivatePictureFile b;
    umask(oldMask);
    ASSERT_TRUE(a.IsValid());
    ASSERT_TRUE(b.IsValid());
    first = a.Path();
    second = b.Path();
    EXPECT_NE(QFileInfo(first).dir(), QFileInfo(second).dir());
    EXPECT_NE(QFileInfo(first).fileName(), QFileInfo(second).fileName());
    EXPECT_TRUE(first.startsWith(tmp.path() + '/'));

    ASSERT_TRUE(ui().Chart2D1->RenderToFile(first));
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(first).constData(), &st), 0);
    EXPECT_GT(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(QFile::encodeName(QFileInfo(first).path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
  }
  umask(oldMask);
  EXPECT_FALSE(QFile::exists(first));
  EXPECT_TRUE(Leftovers(tmp).isEmpty());
}

}  // namespace
