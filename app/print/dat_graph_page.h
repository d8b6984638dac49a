// The page of "印刷": the date of printing, the title, the acquisition settings of the record set
// and the graph picture, composed with MyPrinter on a printer.
#pragma once

#include <QSize>
#include <QString>
#include <array>
#include <utility>

struct RecordSet;
class QDateTime;
class QPrinter;

struct DatGraphPageTexts {
  QString date;  // date and time of printing
  // Label and value of the four parameter lines, top to bottom.
  std::array<std::pair<QString, QString>, 4> params;
};

// The texts of the page for record, printed at `now`.
DatGraphPageTexts DatGraphPageTextsOf(const RecordSet& record, const QDateTime& now);

enum class PageResult {
  Printed,
  PictureUnreadable,  // the picture file holds no picture: no job was opened
  PrinterFailed,      // the printer could not start the job or reported an error
};

// The size of the graph picture for the page on printer: the picture is to be drawn at that size,
// in its own units, so that it fills the page's graph rectangle undistorted with its texts at
// their point size. Opens no job.
QSize DatGraphPictureSize(QPrinter& printer, const DatGraphPageTexts& texts);

// Composes the page on printer, with the graph picture read from pictureFile, and sends it. The
// picture is read before the job is opened; a job that was opened is always ended.
PageResult PrintDatGraphPage(QPrinter& printer, const DatGraphPageTexts& texts,
                             const QString& pictureFile);
