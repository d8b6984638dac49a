#include "print/printer_choice.h"

PrinterChoice ReadPrinterChoice(const QPrinter& printer) {
  PrinterChoice c;
  if (printer.outputFormat() == QPrinter::PdfFormat) {
    c.outputFileName = printer.outputFileName();
  } else {
    c.printerName = printer.printerName();
  }
  c.layout = printer.pageLayout();
  c.paperSource = printer.paperSource();
  c.copies = printer.copyCount();
  c.collate = printer.collateCopies();
  c.colorMode = printer.colorMode();
  c.duplex = printer.duplex();
  return c;
}

bool ApplyPrinterChoice(const PrinterChoice& choice, QPrinter& printer) {
  if (choice.printerName.isEmpty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(choice.outputFileName);
  } else {
    printer.setOutputFormat(QPrinter::NativeFormat);
    // The print system ignores a name it does not know; the page must not go elsewhere then.
    printer.setPrinterName(choice.printerName);
    if (printer.outputFormat() != QPrinter::NativeFormat ||
        printer.printerName() != choice.printerName) {
      return false;
    }
  }
  printer.setPageLayout(choice.layout);
  printer.setPaperSource(choice.paperSource);
  printer.setCopyCount(choice.copies);
  printer.setCollateCopies(choice.collate);
  printer.setColorMode(choice.colorMode);
  printer.setDuplex(choice.duplex);
  return true;
}

QString MatchInstalledPrinter(const QString& chosen, const QString& current,
                              const QStringList& installed) {
  if (chosen.toUpper() == current) return current;
  for (const QString& name : installed) {
    if (name.compare(chosen, Qt::CaseInsensitive) == 0) return name;
  }
  return current;
}
