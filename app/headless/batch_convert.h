// The batch conversion of the command line: reads an own data file as "読込み" does and writes what
// "保存" would write after that read, without a window.
#pragma once

#include <QString>

#include "files/data_file.h"

// The exit status of a conversion or export that wrote its output from an input that lacks
// records (cut inside its records, or shorter than its header's count): what was there is
// converted, and a line names the file and how many records are missing.
constexpr int kExitIncompleteInput = 4;

// Converts input to output, in the format that --convert writes for output's extension
// (files/file_formats.h: .csv, .mx1, .pdf). Returns the
// process exit code: 0 on success; kExitIncompleteInput when input lacks records (output holds
// those it has, and err the line that says so); otherwise 1, with one line naming the file and the
// reason in err, and output has not been created or changed.
int BatchConvert(const QString& input, const QString& output, QString& err);

// Whether the conversion to output draws the printed page, which needs the widgets.
bool ConvertDrawsPage(const QString& output);

// The failure of a conversion or export: sets err to one line, path and reason (a reason's own
// line breaks become spaces), and returns the exit code 1.
int ConversionFailed(QString& err, const QString& path, const QString& reason);

// The line of an input that lacks records ("/d/run.mx1: 記録が 1 件欠けています（…）。").
QString IncompleteInputLine(const QString& path, const RecordShortfall& shortfall);
