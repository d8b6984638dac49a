// The page of "印刷" drawn from a time graph: the graph as it is drawn now goes into a private
// picture file, which the page scales into its place beside the acquisition settings.
#pragma once

#include <QString>

#include "print/dat_graph_page.h"

class Chart2D;
struct RecordSet;
class QPrinter;

// Prints the page of record with the graph of chart on printer, without a message. A
// page for a PDF file replaces the file only when it is whole; a file that cannot be written fails
// as a printer would, with the reason in *reason (may be null).
PageResult PrintGraphPage(QPrinter& printer, Chart2D& chart, const RecordSet& record,
                          QString* reason = nullptr);

// The page as a PDF file at pdfPath, A4 landscape with margins of 10 mm on every side; an existing
// file is replaced. Returns false with a message for the operator in *error (may be null) when
// there are no samples ("データがありません。"), the graph picture cannot be made
// ("グラフ印刷エラー") or the file cannot be written.
bool PrintGraphToPdf(Chart2D& chart, const RecordSet& record, const QString& pdfPath,
                     QString* error);

// The operator's message when the picture of the graph cannot be made.
QString GraphPictureError();
