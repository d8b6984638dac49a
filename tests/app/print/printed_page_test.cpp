// The printed page read back from a real PDF: where every text and the graph land on an A4
// landscape sheet with 10 mm margins (printable area 27.7 x 19.0 cm, origin 1 cm in from the
// sheet's corner), and what the parameter lines say.
#include <qcustomplot.h>

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include "graph/chart2d.h"
#include "print_fixture.h"

namespace {

constexpr double kMargin = 1.0;  // cm
constexpr double kTol = 0.05;    // half a millimetre

TEST_F(PrintTest, PageGeometryOnA4Landscape) {
  md.TimerType = true;
  md.IntervalTM = 60000;
  LoadRecordSet(300, 4);
  // A black chart background makes the picture's rectangle visible on the rendered page.
  ui().Chart2D1->Plot()->setBackground(QBrush(Qt::black));
  const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
  QString error;
  ASSERT_TRUE(PrintDatGraphToPdf(*form, pdf, &error)) << error.toStdString();

  const auto words = PdfWords(pdf);
  ASSERT_FALSE(words.empty());

  // Date at x W - 4.0 = 23.7, y 0.5; two words "yyyy/MM/dd" "H:mm:ss".
  const PdfWord& date = words.front();
  EXPECT_TRUE(
      QRegularExpression(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d$")).match(date.text).hasMatch())
      << date.text.toStdString();
  EXPECT_NEAR(date.box.left(), kMargin + 23.7, kTol);
  EXPECT_NEAR(date.box.top(), kMargin + 0.5, kTol);

  // Title centred at y 1.0 (its words "-----", "熱電対温度測定ユニット", "-----").
  const PdfWord title = Find(words, QStringLiteral("熱電対温度測定ユニット"));
  EXPECT_NEAR(title.box.center().x(), kMargin + 27.7 / 2, 0.1);
  EXPECT_NEAR(title.box.top(), kMargin + 1.0, kTol);
  EXPECT_GT(title.box.height(), Find(words, QStringLiteral("＜取込設定＞")).box.height());

  // Sub-title at (W / 4, 2.0); the four lines below it d apart, values 3.0 right of labels.
  const PdfWord sub = Find(words, QStringLiteral("＜取込設定＞"));
  EXPECT_NEAR(sub.box.left(), kMargin + 27.7 / 4, kTol);
  EXPECT_NEAR(sub.box.top(), kMargin + 2.0, kTol);
  const QString labels[] = {QStringLiteral("測定日"), QStringLiteral("測定間隔"),
                            QStringLiteral("種類"), QStringLiteral("平均化")};
  const double d = Find(words, labels[0]).box.top() - sub.box.top();
  EXPECT_GT(d, 0.2 + 0.3);  // a 10-point line is about 0.35 cm high
  EXPECT_LT(d, 0.2 + 0.6);
  for (int i = 0; i < 4; ++i) {
    const PdfWord label = Find(words, labels[i]);
    EXPECT_NEAR(label.box.left(), kMargin + 27.7 / 4, kTol) << i;
    EXPECT_NEAR(label.box.top(), sub.box.top() + (i + 1) * d, kTol) << i;
    const QStringList value = RightOf(words, label);
    ASSERT_FALSE(value.isEmpty()) << i;
    const PdfWord first = Find(words, value.front());
    EXPECT_NEAR(first.box.left(), kMargin + 27.7 / 4 + 3.0, kTol) << i;
  }
  EXPECT_EQ(RightOf(words, Find(words, labels[0])),
            QStringList({QStringLiteral("2026/12/8"), QStringLiteral("9:30:00")}));
  EXPECT_EQ(RightOf(words, Find(words, labels[1])),
            QStringList({QStringLiteral("60"), QStringLiteral("(sec)")}));
  EXPECT_EQ(RightOf(words, Find(words, labels[2])), QStringList({QStringLiteral("熱電対")}));
  EXPECT_EQ(RightOf(words, Find(words, labels[3])), QStringList({QStringLiteral("無し")}));

  // The graph at x 2.77, y 5.7, 22.16 x 12.5: its bottom 0.8 above the printable bottom.
  const QImage page = PdfPage(pdf, dir.path());
  ASSERT_FALSE(page.isNull());
  const QRectF graph = DarkBox(page, QRectF(0, kMargin + 5.0, 29.7, 21.0 - kMargin - 5.0));
  EXPECT_NEAR(graph.left(), kMargin + 2.77, kTol);
  EXPECT_NEAR(graph.top(), kMargin + 5.7, kTol);
  EXPECT_NEAR(graph.width(), 22.16, 2 * kTol);
  EXPECT_NEAR(graph.height(), 12.5, 2 * kTol);
}

TEST_F(PrintTest, ConvertFailuresAreReportedWithoutAFile) {
  QString error;
  const QString pdf = dir.filePath(QStringLiteral("empty.pdf"));
  EXPECT_FALSE(PrintDatGraphToPdf(*form, pdf, &error));
  EXPECT_EQ(error, QStringLiteral("データがありません。"));

  LoadRecordSet(20);
  EXPECT_FALSE(
      PrintDatGraphToPdf(*form, dir.filePath(QStringLiteral("no/such/dir/x.pdf")), &error));
  EXPECT_TRUE(error.startsWith(QStringLiteral("PDFファイルを作成できませんでした")))
      << error.toStdString();

  // No temporary directory for the picture (TMPDIR names a file): the graph cannot be rendered,
  // and no file is opened.
  QFile notADir(dir.filePath(QStringLiteral("file")));
  ASSERT_TRUE(notADir.open(QIODevice::WriteOnly));
  qputenv("TMPDIR", notADir.fileName().toUtf8());
  EXPECT_FALSE(PrintDatGraphToPdf(*form, pdf, &error));
  EXPECT_EQ(error, QStringLiteral("グラフ印刷エラー"));
  EXPECT_FALSE(QFile::exists(pdf));
  EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace

// The operator changes the paper in the dialog: the page follows the printable area it gets.
TEST_F(PrintTest, PageFollowsThePaperChosenInTheDialog) {
  LoadRecordSet(50);
  ui().Chart2D1->Plot()->setBackground(QBrush(Qt::black));
  const QString pdf = dir.filePath(QStringLiteral("letter.pdf"));
  dialogs.printerAnswer = true;
  dialogs.onPrinterDialog = [pdf](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                      QMarginsF(15, 20, 15, 20), QPageLayout::Millimeter));
  };
  form->cmdPrint_Click();
  ASSERT_TRUE(dialogs.shown.empty()) << dialogs.LastText().toStdString();

  // Letter 21.59 x 27.94 cm; printable area 18.59 x 23.94 from (1.5, 2.0).
  const double w = 18.59, h = 23.94, left = 1.5, top = 2.0;
  const auto words = PdfWords(pdf);
  ASSERT_FALSE(words.empty());
  EXPECT_NEAR(words.front().box.left(), left + w - 4.0, kTol);
  EXPECT_NEAR(words.front().box.top(), top + 0.5, kTol);
  EXPECT_NEAR(Find(words, QStringLiteral("＜取込設定＞")).box.left(), left + w / 4, kTol);
  EXPECT_NEAR(Find(words, QStringLiteral("熱電対温度測定ユニット")).box.center().x(), left + w / 2,
              0.1);

  const QImage page = PdfPage(pdf, dir.path());
  ASSERT_EQ(page.width(), 2159);
  const QRectF graph = DarkBox(page, QRectF(0, top + 6.0, 21.59, 27.94 - top - 6.0));
  EXPECT_NEAR(graph.left(), left + 0.1 * w, kTol);
  EXPECT_NEAR(graph.top(), top + h - 0.8 - 12.5, kTol);
  EXPECT_NEAR(graph.width(), 0.8 * w, 2 * kTol);
  EXPECT_NEAR(graph.height(), 12.5, 2 * kTol);
}
