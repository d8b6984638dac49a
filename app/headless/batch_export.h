// The export of the command line: own data files, read as "読込み" reads them, written without a
// window as one analysis CSV. The files of one long recording come out as one table in time order.
#pragma once

#include <QString>
#include <QStringList>

// Joins inputs into the analysis CSV output (which must end in ".csv", so that a forgotten output
// never overwrites an input). The inputs are put in the order of their start times; they must
// share the measurement kind, interval, sampling mode and averaging, the type of each unit used in
// more than one of them, and must not overlap in time. Returns the process exit code: 0 on
// success; otherwise one line naming the file (and the other file of a mismatch) with the reason
// has been written to err, and output has not been created or changed.
int BatchExport(const QStringList& inputs, const QString& output, QString& err);
