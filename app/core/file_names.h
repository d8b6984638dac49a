// Names of the files the operator saves: the extension a filter stands for and the name proposed
// for a record set. Filters are written as the program writes them: description and pattern
// pairs, each followed by a bar ("CSVファイル  (*.csv)|*.csv|").
#pragma once

#include <QString>

// The extension of the first pattern of filter, without its dot ("csv"); empty when the pattern
// names none ("*" or "*.*").
QString FilterExtension(const QString& filter);

// path, with a dot and the filter's extension added when its file name has no extension (no dot
// in it): "run1" becomes "run1.csv", "run1.txt" stays.
QString WithFilterExtension(const QString& path, const QString& filter);

// The name proposed for a record set started at startTime ("2026/12/8 5:03:35", as the
// measurement writes it) and saved with filter: "20261208-050335.csv". Empty when startTime is no
// such time (a record set without one, a file that held another text).
QString SuggestedFileName(const QString& startTime, const QString& filter);
