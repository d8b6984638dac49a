// The program's printer for the session: the printer chosen in the last confirmed printer dialog,
// or the PDF file chosen there instead, with the page settings that came with it. It no longer
// follows the system's default printer once chosen.
#pragma once

#include <QPageLayout>
#include <QPrinter>
#include <QString>
#include <QStringList>

struct PrinterChoice {
  QString printerName;     // empty: the page goes to the PDF file below
  QString outputFileName;  // the PDF file when printerName is empty
  // The page settings the dialog returns: orientation, paper size and margins (the page layout),
  // paper bin, copies, collation, colour and two-sided printing.
  QPageLayout layout;
  QPrinter::PaperSource paperSource = QPrinter::Auto;
  int copies = 1;
  bool collate = true;
  QPrinter::ColorMode colorMode = QPrinter::Color;
  QPrinter::DuplexMode duplex = QPrinter::DuplexNone;
};

// What printer is set to now (after the dialog: what the operator chose).
PrinterChoice ReadPrinterChoice(const QPrinter& printer);
// Sets printer to the choice. False when the chosen printer is not available to the print system
// any more (printer then is not usable for the page).
bool ApplyPrinterChoice(const PrinterChoice& choice, QPrinter& printer);

// The printer to use after the dialog reported `chosen`: the installed printer of that name,
// ignoring letter case, or `current` when none has it. When `chosen` in capitals equals `current`
// exactly, current is kept without a search.
QString MatchInstalledPrinter(const QString& chosen, const QString& current,
                              const QStringList& installed);
