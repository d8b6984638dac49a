// The main window's print command "印刷": the printer dialog, the program's printer for the
// session, and the page with the acquisition settings and the graph as the window shows it.
#include <QDateTime>
#include <QLayout>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include "core/dialog_service.h"
#include "core/module_data.h"
#include "files/pdf_file.h"
#include "graph/chart2d.h"
#include "measure/form_main.h"
#include "print/printer_choice.h"
#include "print/private_picture_file.h"

namespace {

const char* const kGraphError = "グラフ印刷エラー";
const char* const kPrinterError = "印刷できませんでした。プリンタの設定と状態を確認して下さい。";

// Runs print on printer. A page for a PDF file is rendered apart and written to the file only
// when it is whole (WritePdfFile): the PDF engine reports no write error of its own. A PDF that
// could not be written fails as the printer would, with the reason in *reason.
template <typename Print>
PageResult PrintCheckingPdfFile(QPrinter& printer, Print print, QString* reason) {
  const QString target = printer.outputFileName();
  if (printer.outputFormat() != QPrinter::PdfFormat || target.isEmpty()) return print(printer);
  PageResult result = PageResult::PrinterFailed;
  const bool written = WritePdfFile(
      target,
      [&](const QString& renderPath) {
        printer.setOutputFileName(renderPath);
        result = print(printer);
        return result == PageResult::Printed;
      },
      reason);
  printer.setOutputFileName(target);
  if (written) return PageResult::Printed;
  // A page that was drawn but whose file could not be written fails as a printer would.
  return result == PageResult::Printed ? PageResult::PrinterFailed : result;
}

}  // namespace

void FormMain::cmdPrint_Click() {
  if (md_.SampleCount < 1) {
    dialogs_.Notice(QStringLiteral("データがありません。"));
    return;
  }
  // The dialog starts from the program's printer (the system's default before the first choice),
  // on A4 landscape.
  QPrinter dialogPrinter;
  if (printer_) ApplyPrinterChoice(*printer_, dialogPrinter);
  const QString current = printer_ ? printer_->printerName : dialogPrinter.printerName();
  dialogPrinter.setPageSize(QPageSize(QPageSize::A4));
  dialogPrinter.setPageOrientation(QPageLayout::Landscape);

  const std::optional<QString> chosen = dialogs_.ChoosePrinter(dialogPrinter);
  if (!chosen) return;

  auto choice = std::make_shared<PrinterChoice>(ReadPrinterChoice(dialogPrinter));
  if (!chosen->isEmpty() || dialogPrinter.outputFormat() != QPrinter::PdfFormat) {
    choice->printerName = MatchInstalledPrinter(*chosen, current, dialogs_.InstalledPrinterNames());
    choice->outputFileName.clear();
  }
  printer_ = std::move(choice);
  PrintDatGraph();
}

bool FormMain::PrintDatGraph() {
  QPrinter printer;
  // A chosen printer that has gone since fails the page: it must not go to another printer.
  const bool ready = !printer_ || ApplyPrinterChoice(*printer_, printer);
  const auto print = [this](QPrinter& p) { return PrintDatGraphOn(p); };
  switch (ready ? PrintCheckingPdfFile(printer, print, nullptr) : PageResult::PrinterFailed) {
    case PageResult::Printed:
      return true;
    case PageResult::PictureUnreadable:
      dialogs_.Notice(QString::fromUtf8(kGraphError));
      return false;
    case PageResult::PrinterFailed:
      dialogs_.Notice(QString::fromUtf8(kPrinterError));
      return false;
  }
  return false;
}

PageResult FormMain::PrintDatGraphOn(QPrinter& printer) {
  const DatGraphPageTexts texts = DatGraphPageTextsOf(md_, QDateTime::currentDateTime());
  // The graph is laid out anew for its rectangle on this paper, in the line styles of paper.
  PrivatePictureFile picture;
  if (!picture.IsValid() ||
      !ui_.Chart2D1->RenderToFile(picture.Path(), DatGraphPictureSize(printer, texts),
                                  Chart2D::Look::Paper)) {
    return PageResult::PictureUnreadable;
  }
  return PrintDatGraphPage(printer, texts, picture.Path());
}

bool FormMain::PrintDatGraphToPdf(const QString& pdfPath, QString* error) {
  auto fail = [error](const QString& text) {
    if (error) *error = text;
    return false;
  };
  // The window's record set is what the page shows; the sample count says whether there is one.
  if (md_.SampleCount < 1) return fail(QStringLiteral("データがありません。"));
  // Without a display the window is never shown: its layout still gives the graph the size it
  // would be shown at.
  if (!isVisible() && layout()) layout()->activate();
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdfPath);
  printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                    QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
  printer.setCreator(QStringLiteral("korvale"));
  QString reason;
  const auto print = [this](QPrinter& p) { return PrintDatGraphOn(p); };
  switch (PrintCheckingPdfFile(printer, print, &reason)) {
    case PageResult::Printed:
      return true;
    case PageResult::PictureUnreadable:
      return fail(QString::fromUtf8(kGraphError));
    case PageResult::PrinterFailed:
      break;
  }
  return fail(QStringLiteral("PDFファイルを作成できませんでした: ") +
              (reason.isEmpty() ? pdfPath : reason));
}

bool PrintDatGraphToPdf(FormMain& form, const QString& pdfPath, QString* error) {
  return form.PrintDatGraphToPdf(pdfPath, error);
}
