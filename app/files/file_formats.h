// The file formats the program writes, in one list: the save window, --convert, --export and the
// continuous recording each take theirs from it. An entry names the format, says where it is
// offered and holds its writers. Adding a format is one entry here and one writer file.
//
// The printed page's PDF is drawn from a graph, which this folder knows nothing of: its entry
// holds no writer, and the layer that has the graph (print/graph_page.h) writes it.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct RecordSet;
struct AnalysisTable;

enum class FileFormatId { CsvExport, DataFile, AnalysisCsv, Pdf };

// A writer of one output that runs on over several record sets, each written as its samples come
// (a table too large to hold in memory, or the rows of a running measurement).
class RecordSetStream {
 public:
  virtual ~RecordSetStream() = default;
  // The lines before the first row.
  virtual void AppendHead(std::string& out) = 0;
  // The rows that follow belong to a record set that started at startMs (ms since the epoch).
  virtual void BeginRecordSet(int64_t startMs) = 0;
  // Appends the rows of rs's slots [from, to).
  virtual void AppendRows(std::string& out, const RecordSet& rs, int32_t from, int32_t to) = 0;
  // Rows written so far.
  virtual int64_t RowCount() const = 0;
};

struct FileFormat {
  FileFormatId id;
  QString choice;     // the save window's name for it; empty when the window does not offer it
  QString filter;     // the save window's file filter ("name  (*.ext)|*.ext|"), or empty
  QString extension;  // without the dot, lower case
  bool converted;     // --convert writes it for an output with its extension
  // Its texts are written in code page 932: a memo line that cannot be is refused before a file is
  // chosen. (The analysis CSV, in UTF-8, holds any text.)
  bool codePageTexts;
  // Writes rs's record set to path, replacing a file only by a complete new one; false with the
  // operator's reason (Japanese). Empty for the PDF (see above).
  bool (*write)(const RecordSet& rs, const QString& path, QString* reason);
  // The whole file's bytes for rs's record set, for a writer that publishes them itself (the
  // continuous recording creates its files without replacing); null when the format has none.
  QByteArray (*encode)(const RecordSet& rs);
  // A streaming writer of a table laid out as table; null when the format has none.
  std::unique_ptr<RecordSetStream> (*openStream)(const AnalysisTable& table);
};

// Every format, in the order of the save window's choices.
const std::vector<FileFormat>& FileFormats();
const FileFormat& FileFormatOf(FileFormatId id);
// The formats the save window offers, in its order.
std::vector<const FileFormat*> SaveWindowFormats();
// The format --convert writes for path's extension (any case), or null.
const FileFormat* ConvertFormatFor(const QString& path);
// The extensions --convert writes, as its message names them: ".csv、.mx1 または .pdf".
QString ConvertExtensionsText();
