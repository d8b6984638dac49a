// "印刷" and the page it prints, read back from real PDFs: the words with their boxes
// (pdftotext -bbox) and the page drawn at 254 dpi, one dot a tenth of a millimetre (pdftoppm), in
// centimetres from the top left corner of the sheet.
#include <qcustomplot.h>
#include <sys/stat.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <set>

#include "../files/file_bytes.h"
#include "../measure/form_main_fixture.h"
#include "child_process.h"
#include "graph/chart2d.h"
#include "print/printer_choice.h"
#include "print/private_picture_file.h"
#include "session/measurement_session.h"

namespace {

constexpr double kTol = 0.05;  // half a millimetre
const QString kPrinterError =
    QStringLiteral("印刷できませんでした。プリンタの設定と状態を確認して下さい。");

struct PdfPage {
  struct Word {
    QString text;
    QRectF box;
  };
  std::vector<Word> words;  // in reading order
  QImage image;

  PdfPage(const QString& pdf, const QString& dir) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    static const QRegularExpression word(QString::fromLatin1(
        R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re"));
    for (auto it = word.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); it.hasNext();) {
      const auto m = it.next();
      const auto cm = [&m](int i) { return m.captured(i).toDouble() * 2.54 / 72.0; };
      words.push_back({m.captured(5), QRectF(QPointF(cm(1), cm(2)), QPointF(cm(3), cm(4)))});
    }
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("254"), QStringLiteral("-singlefile"),
             QStringLiteral("-png"), pdf, dir + QStringLiteral("/page")});
    p.waitForFinished(60000);
    image = QImage(dir + QStringLiteral("/page.png"));
  }

  Word Find(const QString& text) const {
    for (const auto& w : words) {
      if (w.text == text) return w;
    }
    ADD_FAILURE() << "no word " << text.toStdString();
    return {};
  }

  // The words on the line of `label` right of it.
  QStringList RightOf(const QString& label) const {
    const QRectF at = Find(label).box;
    QStringList out;
    for (const auto& w : words) {
      if (w.box.left() > at.right() && std::abs(w.box.top() - at.top()) < kTol) out << w.text;
    }
    return out;
  }

  // The lengths of the dark runs along the legend's line sample left of `label`: the rows within
  // a few dots of the label's middle, from 1.2 cm left of it up to it.
  std::vector<int> LegendRuns(const QString& label) const {
    const QRectF at = Find(label).box;
    const int mid = static_cast<int>(at.center().y() * 100);
    std::vector<int> runs;
    int run = 0;
    for (int x = static_cast<int>((at.left() - 1.2) * 100); x < at.left() * 100 - 2; ++x) {
      bool dark = false;
      for (int y = mid - 6; y <= mid + 6; ++y) dark = dark || qGray(image.pixel(x, y)) < 160;
      if (dark) {
        ++run;
      } else if (run > 0) {
        runs.push_back(run);
        run = 0;
      }
    }
    if (run > 0) runs.push_back(run);
    return runs;
  }

  // The black graph: the rows and then the columns that are more than half dark.
  QRectF BlackBox() const {
    const auto dark = [this](int x, int y) { return qGray(image.pixel(x, y)) < 128; };
    int y0 = -1, y1 = -1, x0 = -1, x1 = -1;
    for (int y = 0; y < image.height(); ++y) {
      int n = 0;
      for (int x = 0; x < image.width(); ++x) n += dark(x, y);
      if (2 * n <= image.width()) continue;
      y1 = y;
      if (y0 < 0) y0 = y;
    }
    for (int x = 0; x < image.width() && y0 >= 0; ++x) {
      int n = 0;
      for (int y = y0; y <= y1; ++y) n += dark(x, y);
      if (2 * n <= y1 - y0) continue;
      x1 = x;
      if (x0 < 0) x0 = x;
    }
    if (x0 < 0) return {};
    return {x0 / 100.0, y0 / 100.0, (x1 + 1 - x0) / 100.0, (y1 + 1 - y0) / 100.0};
  }

  // The bounding box of the dots darker than mid grey below y = top (the black graph).
  QRectF DarkBox(double top) const {
    int x0 = image.width(), y0 = image.height(), x1 = -1, y1 = -1;
    for (int y = static_cast<int>(top * 100); y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (qGray(image.pixel(x, y)) >= 128) continue;
        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
      }
    }
    if (x1 < 0) return {};
    return {x0 / 100.0, y0 / 100.0, (x1 + 1 - x0) / 100.0, (y1 + 1 - y0) / 100.0};
  }
};

// The main window with its temporary files in a directory of the test's own.
class PrintTest : public FormMainTest {
 protected:
  void SetUp() override {
    // The program's own font, 10 points: the graph's texts too print at their size.
    QApplication::setFont(QFont(QStringLiteral("IPAPGothic"), 10));
    FormMainTest::SetUp();
    ASSERT_TRUE(dir.isValid() && tmp.isValid());
    qputenv("TMPDIR", tmp.path().toUtf8());
  }

  void TearDown() override {
    FormMainTest::TearDown();
    QApplication::setFont(oldFont_);
    qputenv("TMPDIR", oldTmp_);
  }

  // n samples on the four units, replayed onto the graph as reading a file does; the chart's
  // black background makes the picture's rectangle visible on the page.
  void LoadRecordSet(int n) {
    md.ClearData();
    for (int i = 0; i < 4; ++i) {
      md.Record.Units[i].MflagID = true;
      for (int k = 0; k < n; ++k)
        md.Record.Units[i].Data[k] = 100.0f * i + static_cast<float>(k % 50);
      md.Record.Units[i].DataCount = n;
    }
    md.Record.SampleCount = n;
    md.Record.StartTime = QStringLiteral("2026/12/8 9:30:00");
    form->ReplayData();
    md.Record.SampleCount = n;
    ui().Chart2D1->Plot()->setBackground(QBrush(Qt::black));
  }

  // The operator picks "print to file" in the dialog, and maybe other paper.
  void ChooseFile(const QString& path, const std::optional<QPageLayout>& paper = {}) {
    dialogs.chosenPrinter = QString();
    dialogs.onPrinterDialog = [path, paper](QPrinter& printer) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(path);
      if (paper) printer.setPageLayout(*paper);
    };
  }

  bool TmpEmpty() const {
    return QDir(tmp.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  }

  static std::vector<ShownMessage> Notice(const QString& text) {
    return {ShownMessage::Notice(text)};
  }

  QTemporaryDir dir;
  QTemporaryDir tmp;

 private:
  QByteArray oldTmp_ = qgetenv("TMPDIR");
  QFont oldFont_ = QApplication::font();
};

// The page of --convert: A4 landscape with 10 mm margins, printable area 27.7 x 19.0 cm from (1,
// 1).
TEST_F(PrintTest, ConvertPageGeometryOnA4Landscape) {
  const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
  QString error;
  EXPECT_FALSE(PrintDatGraphToPdf(*form, pdf, &error));
  EXPECT_EQ(error, QStringLiteral("データがありません。"));

  md.Record.TimerType = true;
  md.Record.IntervalTM = 60000;
  LoadRecordSet(300);
  EXPECT_FALSE(PrintDatGraphToPdf(*form, dir.filePath(QStringLiteral("no/dir/x.pdf")), &error));
  EXPECT_TRUE(error.startsWith(QStringLiteral("PDFファイルを作成できませんでした")))
      << error.toStdString();
  ASSERT_TRUE(PrintDatGraphToPdf(*form, pdf, &error)) << error.toStdString();
  const PdfPage page(pdf, dir.path());
  ASSERT_FALSE(page.words.empty());

  // The date "yyyy/MM/dd H:mm:ss" at (W - 4.0 = 23.7, 0.5).
  const auto& date = page.words.front();
  EXPECT_TRUE(
      QRegularExpression(QString::fromLatin1(R"(^\d{4}/\d\d/\d\d$)")).match(date.text).hasMatch());
  EXPECT_NEAR(date.box.left(), 1 + 23.7, kTol);
  EXPECT_NEAR(date.box.top(), 1 + 0.5, kTol);

  // The 12-point title centred at y 1.0; the 10-point sub-title at (W / 4, 2.0).
  const auto title = page.Find(QStringLiteral("熱電対温度測定ユニット"));
  const auto sub = page.Find(QStringLiteral("＜取込設定＞"));
  EXPECT_NEAR(title.box.center().x(), 1 + 27.7 / 2, 0.1);
  EXPECT_NEAR(title.box.top(), 1 + 1.0, kTol);
  EXPECT_GT(title.box.height(), sub.box.height());
  EXPECT_NEAR(sub.box.left(), 1 + 27.7 / 4, kTol);
  EXPECT_NEAR(sub.box.top(), 1 + 2.0, kTol);

  // Four lines d apart below it (d: a 10-point line of about 0.35 + 0.2), values 3.0 right.
  const std::pair<QString, QStringList> lines[] = {
      {QStringLiteral("測定日"), {QStringLiteral("2026/12/8"), QStringLiteral("9:30:00")}},
      {QStringLiteral("測定間隔"), {QStringLiteral("60"), QStringLiteral("(sec)")}},
      {QStringLiteral("種類"), {QStringLiteral("熱電対")}},
      {QStringLiteral("平均化"), {QStringLiteral("無し")}}};
  const double d = page.Find(lines[0].first).box.top() - sub.box.top();
  EXPECT_GT(d, 0.5);
  EXPECT_LT(d, 0.8);
  for (int i = 0; i < 4; ++i) {
    const auto label = page.Find(lines[i].first);
    EXPECT_NEAR(label.box.left(), 1 + 27.7 / 4, kTol) << i;
    EXPECT_NEAR(label.box.top(), sub.box.top() + (i + 1) * d, kTol) << i;
    EXPECT_EQ(page.RightOf(lines[i].first), lines[i].second);
    EXPECT_NEAR(page.Find(lines[i].second.front()).box.left(), 1 + 27.7 / 4 + 3.0, kTol) << i;
  }

  // The graph at x 2.77, y 5.7, 22.16 x 12.5: its bottom 0.8 above the printable bottom.
  const QRectF graph = page.DarkBox(1 + 5.0);
  EXPECT_NEAR(graph.left(), 1 + 2.77, kTol);
  EXPECT_NEAR(graph.top(), 1 + 5.7, kTol);
  EXPECT_NEAR(graph.width(), 22.16, 2 * kTol);
  EXPECT_NEAR(graph.height(), 12.5, 2 * kTol);

  // Every text at its point size (a word's box is one em high in these faces), and the graph's
  // letters undistorted: a full-width letter of its title as wide as it is high.
  constexpr double kPt = 2.54 / 72;
  EXPECT_NEAR(title.box.height(), 12 * kPt, 0.02 * 12 * kPt);
  for (const QString& text :
       {QStringLiteral("＜取込設定＞"), QStringLiteral("測定間隔"), QStringLiteral("(sec)"),
        date.text, QStringLiteral("開始時刻"), QStringLiteral("ID0")}) {
    EXPECT_NEAR(page.Find(text).box.height(), 10 * kPt, 0.02 * 10 * kPt) << text.toStdString();
  }
  const QRectF header = page.Find(QStringLiteral("開始時刻")).box;
  EXPECT_NEAR(header.width() / 4 / header.height(), 1.0, 0.15);

  // Black and white tell the units apart: the legend shows four different line patterns.
  std::set<std::vector<int>> patterns;
  for (int i = 0; i < 4; ++i) patterns.insert(page.LegendRuns(QStringLiteral("ID%1").arg(i)));
  EXPECT_EQ(patterns.size(), 4u);
}

// On paper too short for the graph below the texts (B5 landscape, 16.2 cm printable), the graph
// gets lower instead of hiding the texts; in a voltage measurement its legend names voltage.
TEST_F(PrintTest, ShortPaperKeepsEveryTextAboveTheGraph) {
  md.Record.MeasKind = true;
  LoadRecordSet(100);
  const QString pdf = dir.filePath(QStringLiteral("b5.pdf"));
  ChooseFile(pdf, QPageLayout(QPageSize(QPageSize::JisB5), QPageLayout::Landscape,
                              QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
  ui().cmdPrint->click();
  ASSERT_TRUE(dialogs.shown.empty()) << dialogs.LastText().toStdString();

  const PdfPage page(pdf, dir.path());
  const double w = 23.7, h = 16.2;
  // The black of the graph (its white legend below it), and with the legend's ink.
  const QRectF graph = page.BlackBox();
  EXPECT_NEAR(graph.left(), 1 + 0.1 * w, kTol);
  EXPECT_NEAR(graph.width(), 0.8 * w, 2 * kTol);
  EXPECT_NEAR(page.DarkBox(graph.top()).bottom(), 1 + h - 0.8, 2 * kTol);
  EXPECT_GT(graph.height(), 9.0);
  int texts = 0;
  for (const auto& word : page.words) {
    if (word.box.top() >= graph.top()) break;  // the graph's own texts follow
    EXPECT_FALSE(word.box.intersects(graph)) << word.text.toStdString();
    ++texts;
  }
  EXPECT_GE(texts, 14);  // date, title, sub-title and the four lines
  EXPECT_EQ(page.RightOf(QStringLiteral("平均化")), QStringList({QStringLiteral("無し")}));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(page.RightOf(QStringLiteral("ID%1").arg(i)).value(0), QStringLiteral("電圧値"));
  }
}

// The page follows the paper and the file chosen in the dialog; the next dialog starts there.
TEST_F(PrintTest, PrintsOnThePaperAndFileChosenInTheDialog) {
  int dialogsShown = 0;
  dialogs.onPrinterDialog = [&](QPrinter&) { ++dialogsShown; };
  ui().cmdPrint->click();
  EXPECT_EQ(dialogs.shown, Notice(QStringLiteral("データがありません。")));
  EXPECT_EQ(dialogsShown, 0);

  dialogs.Clear();
  md.Record.TimerType = false;
  md.Record.IntervalTM = 250;
  md.Record.MeasKind = true;
  md.Record.DataAverage = true;
  LoadRecordSet(400);
  const QString pdf = dir.filePath(QStringLiteral("letter.pdf"));
  ChooseFile(pdf, QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                              QMarginsF(15, 20, 15, 20), QPageLayout::Millimeter));
  ui().cmdPrint->click();
  ASSERT_TRUE(dialogs.shown.empty()) << dialogs.LastText().toStdString();
  EXPECT_TRUE(TmpEmpty());

  const PdfPage page(pdf, dir.path());
  EXPECT_EQ(page.RightOf(QStringLiteral("測定間隔")),
            QStringList({QStringLiteral("250"), QStringLiteral("(msec)")}));
  EXPECT_EQ(page.RightOf(QStringLiteral("種類")), QStringList({QStringLiteral("電圧値")}));
  EXPECT_EQ(page.RightOf(QStringLiteral("平均化")), QStringList({QStringLiteral("有り")}));
  // Letter 21.59 x 27.94 cm; printable area 18.59 x 23.94 from (1.5, 2.0).
  const double w = 18.59, h = 23.94;
  const QRectF graph = page.DarkBox(2.0 + 6.0);
  EXPECT_NEAR(graph.left(), 1.5 + 0.1 * w, kTol);
  EXPECT_NEAR(graph.top(), 2.0 + h - 0.8 - 12.5, kTol);
  EXPECT_NEAR(graph.width(), 0.8 * w, 2 * kTol);

  // Cancelled: nothing printed, nothing told.
  QString presetFile;
  QPageLayout preset;
  dialogs.chosenPrinter.reset();
  dialogs.onPrinterDialog = [&](QPrinter& printer) {
    presetFile = printer.outputFileName();
    preset = printer.pageLayout();
  };
  ui().cmdPrint->click();
  EXPECT_EQ(presetFile, pdf);
  EXPECT_EQ(preset.orientation(), QPageLayout::Landscape);
  EXPECT_EQ(preset.pageSize().id(), QPageSize::A4);
  EXPECT_TRUE(dialogs.shown.empty());

  // A file that cannot be written: the operator is told.
  ChooseFile(dir.filePath(QStringLiteral("no/such/dir/page.pdf")));
  ui().cmdPrint->click();
  EXPECT_EQ(dialogs.shown, Notice(kPrinterError));

  // A full disk: a file-size limit between the sizes of the graph picture, which is written
  // first, and the page. The operator is told and the previous file stays as it was.
  LoadRecordSet(10);
  ChooseFile(pdf);
  ui().cmdPrint->click();
  const QString picture = tmp.filePath(QStringLiteral("graph.pic"));
  ASSERT_TRUE(ui().Chart2D1->RenderToFile(picture));
  const qint64 pictureSize = QFileInfo(picture).size();
  const qint64 pageSize = QFileInfo(pdf).size();
  ASSERT_TRUE(QFile::remove(picture));
  ASSERT_LT(pictureSize + 1024, pageSize);
  const auto limit = static_cast<rlim_t>((pictureSize + pageSize) / 2);
  WriteBytes(pdf, "previous");
  dialogs.Clear();
  EXPECT_EQ(RunWithFileSizeLimit(limit,
                                 [&] {
                                   ui().cmdPrint->click();
                                   return dialogs.shown == Notice(kPrinterError) ? 0 : 1;
                                 }),
            0);
  EXPECT_EQ(FileBytes(pdf), QByteArray("previous"));
  EXPECT_TRUE(QDir(dir.path()).entryList({".korvale-*"}, QDir::Files | QDir::Hidden).isEmpty());
  EXPECT_TRUE(TmpEmpty());
}

TEST_F(PrintTest, PrinterChosenByNameIgnoringLetterCase) {
  LoadRecordSet(10);
  dialogs.installedPrinters = {QStringLiteral("Office"), QStringLiteral("Lab-Printer")};
  dialogs.chosenPrinter = QStringLiteral("LAB-printer");
  ui().cmdPrint->click();
  ASSERT_NE(form->CurrentPrinter(), nullptr);
  EXPECT_EQ(form->CurrentPrinter()->printerName, QStringLiteral("Lab-Printer"));
  // Unknown to the test's print system: the page goes nowhere else, and the operator is told.
  EXPECT_EQ(dialogs.shown, Notice(kPrinterError));

  // A name no installed printer has leaves the printer as it was.
  dialogs.chosenPrinter = QStringLiteral("Nowhere");
  ui().cmdPrint->click();
  EXPECT_EQ(form->CurrentPrinter()->printerName, QStringLiteral("Lab-Printer"));
  // The chosen name in capitals equal to the current one keeps it without a search.
  EXPECT_EQ(MatchInstalledPrinter(QStringLiteral("lp"), QStringLiteral("LP"), {"lp"}), "LP");
}

TEST_F(PrintTest, PictureFileIsPrivateAndRemovedAndWithoutItNoJobIsOpened) {
  LoadRecordSet(10);
  // Even with a umask that would let everybody read new files.
  const mode_t oldMask = umask(0);
  QString path;
  {
    PrivatePictureFile picture;
    umask(oldMask);
    ASSERT_TRUE(picture.IsValid());
    path = picture.Path();
    EXPECT_TRUE(path.startsWith(tmp.path() + '/'));

    ASSERT_TRUE(ui().Chart2D1->RenderToFile(path));
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(QFile::encodeName(QFileInfo(path).path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
  }
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(TmpEmpty());

  // No private place for the picture (TMPDIR names a file): "グラフ印刷エラー", and the PDF file
  // is never opened.
  const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
  ChooseFile(pdf);
  QFile notADir(tmp.filePath(QStringLiteral("file")));
  ASSERT_TRUE(notADir.open(QIODevice::WriteOnly));
  qputenv("TMPDIR", notADir.fileName().toUtf8());
  ui().cmdPrint->click();
  EXPECT_EQ(dialogs.shown, Notice(QStringLiteral("グラフ印刷エラー")));
  EXPECT_FALSE(QFile::exists(pdf));
}

}  // namespace
