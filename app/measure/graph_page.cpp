#include "measure/graph_page.h"

#include <QDateTime>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include "core/module_data.h"
#include "graph/chart2d.h"
#include "print/private_picture_file.h"

QString GraphPictureError() {
  return QStringLiteral("グラフ印刷エラー");
}

PageResult PrintGraphPage(QPrinter& printer, Chart2D& chart, const ModuleData& md) {
  const DatGraphPageTexts texts = DatGraphPageTextsOf(md, QDateTime::currentDateTime());
  // The graph is laid out anew for its rectangle on this paper, in the line styles of paper.
  PrivatePictureFile picture;
  if (!picture.IsValid() || !chart.RenderToFile(picture.Path(), DatGraphPictureSize(printer, texts),
                                                Chart2D::Look::Paper)) {
    return PageResult::PictureUnreadable;
  }
  return PrintDatGraphPage(printer, texts, picture.Path());
}

bool PrintGraphToPdf(Chart2D& chart, const ModuleData& md, const QString& pdfPath, QString* error) {
  auto fail = [error](const QString& text) {
    if (error) *error = text;
    return false;
  };
  // The record set drawn is what the page shows; the sample count says whether there is one.
  if (md.SampleCount < 1) return fail(QStringLiteral("データがありません。"));
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdfPath);
  printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                    QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
  printer.setCreator(QStringLiteral("korvale"));
  switch (PrintGraphPage(printer, chart, md)) {
    case PageResult::Printed:
      return true;
    case PageResult::PictureUnreadable:
      return fail(GraphPictureError());
    case PageResult::PrinterFailed:
      break;
  }
  return fail(QStringLiteral("PDFファイルを作成できませんでした: ") + pdfPath);
}
