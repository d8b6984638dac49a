// The main window's print command "印刷": the printer dialog, the program's printer for the
// session, and the page with the acquisition settings and the graph as the window shows it.
#include <QLayout>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include "core/dialog_service.h"
#include "core/module_data.h"
#include "measure/form_main.h"
#include "print/graph_page.h"
#include "print/printer_choice.h"

namespace {

const char* const kPrinterError = "印刷できませんでした。プリンタの設定と状態を確認して下さい。";

}  // namespace

void FormMain::cmdPrint_Click() {
  if (md_.Record.SampleCount < 1) {
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
  switch (ready ? PrintDatGraphOn(printer) : PageResult::PrinterFailed) {
    case PageResult::Printed:
      return true;
    case PageResult::PictureUnreadable:
      dialogs_.Notice(GraphPictureError());
      return false;
    case PageResult::PrinterFailed:
      dialogs_.Notice(QString::fromUtf8(kPrinterError));
      return false;
  }
  return false;
}

PageResult FormMain::PrintDatGraphOn(QPrinter& printer) {
  return PrintGraphPage(printer, *ui_.Chart2D1, md_.Record);
}

bool FormMain::PrintDatGraphToPdf(const QString& pdfPath, QString* error) {
  // Without a display the window is never shown: its layout still gives the graph the size it
  // would be shown at.
  if (!isVisible() && layout()) layout()->activate();
  return PrintGraphToPdf(*ui_.Chart2D1, md_.Record, pdfPath, error);
}

bool PrintDatGraphToPdf(FormMain& form, const QString& pdfPath, QString* error) {
  return form.PrintDatGraphToPdf(pdfPath, error);
}
