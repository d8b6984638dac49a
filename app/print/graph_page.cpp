#include "print/graph_page.h"

#include <QDateTime>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include "core/record_set.h"
#include "files/pdf_file.h"
#include "graph/chart2d.h"
#include "print/private_picture_file.h"

QString GraphPictureError() {
  return QStringLiteral("グラフ印刷エラー");
}

namespace {

PageResult DrawGraphPage(QPrinter& printer, Chart2D& chart, const RecordSet& record) {
  const DatGraphPageTexts texts = DatGraphPageTextsOf(record, QDateTime::currentDateTime());
  // The graph is laid out anew for its rectangle on this paper, in the line styles of paper.
  PrivatePictureFile picture;
  if (!picture.IsValid() || !chart.RenderToFile(picture.Path(), DatGraphPictureSize(printer, texts),
                                                Chart2D::Look::Paper)) {
    return PageResult::PictureUnreadable;
  }
  return PrintDatGraphPage(printer, texts, picture.Path());
}

}  // namespace

PageResult PrintGraphPage(QPrinter& printer, Chart2D& chart, const RecordSet& record,
                          QString* reason) {
  const QString target = printer.outputFileName();
  if (printer.outputFormat() != QPrinter::PdfFormat || target.isEmpty()) {
    return DrawGraphPage(printer, chart, record);
  }
  // The PDF engine reports no write error of its own: the page is rendered apart and becomes the
  // file only when it is whole, so a full disk keeps the previous file and fails the page.
  PageResult result = PageResult::PrinterFailed;
  const bool written = WritePdfFile(
      target,
      [&](const QString& renderPath) {
        printer.setOutputFileName(renderPath);
        result = DrawGraphPage(printer, chart, record);
        return result == PageResult::Printed;
      },
      reason);
  printer.setOutputFileName(target);
  if (written) return PageResult::Printed;
  return result == PageResult::Printed ? PageResult::PrinterFailed : result;
}

bool PrintGraphToPdf(Chart2D& chart, const RecordSet& record, const QString& pdfPath,
                     QString* error) {
  auto fail = [error](const QString& text) {
    if (error) *error = text;
    return false;
  };
  // The record set drawn is what the page shows; the sample count says whether there is one.
  if (record.SampleCount < 1) return fail(QStringLiteral("データがありません。"));
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdfPath);
  printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                    QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
  printer.setCreator(QStringLiteral("korvale"));
  QString reason;
  switch (PrintGraphPage(printer, chart, record, &reason)) {
    case PageResult::Printed:
      return true;
    case PageResult::PictureUnreadable:
      return fail(GraphPictureError());
    case PageResult::PrinterFailed:
      break;
  }
  return fail(QStringLiteral("PDFファイルを作成できませんでした: ") +
              (reason.isEmpty() ? pdfPath : reason));
}
