// The batch conversion of the command line: reads an own data file as "読込み" does and writes what
// "保存" would write after that read, without a window.
#pragma once

#include <QString>

// Converts input to output; the format follows output's extension (.csv, .mx1, .pdf). Returns the
// process exit code: 0 on success; otherwise one line naming the file and the reason has been
// written to err, and output has not been created or changed.
int BatchConvert(const QString& input, const QString& output, QString& err);

// Whether the conversion to output draws the printed page, which needs the widgets.
bool ConvertDrawsPage(const QString& output);

// The failure of a conversion or export: sets err to one line, path and reason (a reason's own
// line breaks become spaces), and returns the exit code 1.
int ConversionFailed(QString& err, const QString& path, const QString& reason);
