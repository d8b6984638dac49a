#include "headless/batch_export.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/record_set.h"
#include "files/analysis_csv.h"
#include "files/data_file.h"
#include "files/file_formats.h"
#include "files/publish.h"
#include "headless/batch_convert.h"

namespace {

// The table is the analysis CSV (files/file_formats.h), written by its streaming writer.
// Rows appended to the output at a time, and the bytes gathered before they are written.
constexpr int32_t kRowsPerSlice = 4096;
constexpr size_t kBytesPerWrite = size_t{1} << 20;

// One input as the first pass saw it: what the order, the checks and the table's columns need,
// without its samples (which are read again, one input at a time, as the rows are written).
struct Input {
  QString path;
  AnalysisTable table;  // the input's own table: its start, settings and columns
  int32_t samples = 0;
  RecordShortfall shortfall;
};

// The failure line of path in err; false.
bool Refused(QString& err, const QString& path, const QString& reason) {
  ConversionFailed(err, path, reason);
  return false;
}

// Reads path into record as "読込み" does, with its table; false with err set (exit code 1).
bool ReadInput(RecordSet& record, Input& in, QString& err) {
  QString reason;
  switch (ReadDataFile(record, in.path, &reason, &in.shortfall)) {
    case ReadResult::Failed:
      return Refused(err, in.path, reason);
    case ReadResult::NoSamples:
      return Refused(err, in.path, QStringLiteral("データがありません。"));
    case ReadResult::Read:
      break;
  }
  if (!AnalysisTableOf(record, in.table, &reason)) return Refused(err, in.path, reason);
  in.samples = record.SampleCount;
  return true;
}

QString Native(const QString& path) {
  return QDir::toNativeSeparators(path);
}

QString KindName(bool voltage) {
  return voltage ? QStringLiteral("電圧値") : QStringLiteral("熱電対");
}

QString OnOff(bool on) {
  return on ? QStringLiteral("有り") : QStringLiteral("無し");
}

// Why b cannot continue the table of first in one table, or an empty text.
QString Mismatch(const Input& first, const Input& b) {
  const AnalysisTable& x = first.table;
  const AnalysisTable& y = b.table;
  const QString other = Native(first.path);
  if (x.voltage != y.voltage) {
    return QStringLiteral("%1 と測定の種類が異なります（%2 と %3）。")
        .arg(other, KindName(x.voltage), KindName(y.voltage));
  }
  if (x.intervalMs != y.intervalMs) {
    return QStringLiteral("%1 と測定間隔が異なります（%2 ms と %3 ms）。")
        .arg(other)
        .arg(x.intervalMs)
        .arg(y.intervalMs);
  }
  if (x.timerType != y.timerType) {
    return QStringLiteral("%1 とサンプリングの方式が異なります。").arg(other);
  }
  if (x.average != y.average) {
    return QStringLiteral("%1 とデータ平均化処理が異なります（%2 と %3）。")
        .arg(other, OnOff(x.average), OnOff(y.average));
  }
  return QString();
}

// The table of the earliest input (files sorted by start), with a column for every unit any input
// uses; each unit's type and name are those of the first input using it, and every other input
// using it must agree on the type. False with err set when the inputs do not make one table.
bool JoinedTable(const std::vector<Input>& files, AnalysisTable& table, QString& err) {
  table = files.front().table;
  std::array<const Input*, 4> typeFrom{};
  const int64_t interval = table.intervalMs;
  for (size_t i = 0; i < files.size(); ++i) {
    const Input& in = files[i];
    const QString mismatch = Mismatch(files.front(), in);
    if (!mismatch.isEmpty()) return Refused(err, in.path, mismatch);
    if (i > 0) {
      // The previous input's last sample must come before this input's first.
      const Input& previous = files[i - 1];
      const int64_t lastMs = previous.table.originMs + previous.samples * interval;
      if (in.table.originMs + interval <= lastMs) {
        return Refused(
            err, in.path,
            QStringLiteral("%1 と測定の時間が重なっています。").arg(Native(previous.path)));
      }
    }
    for (int u = 0; u < RecordSet::kUnits; ++u) {
      if (!in.table.columns[u]) continue;
      if (!typeFrom[u]) {
        typeFrom[u] = &in;
        table.columns[u] = true;
        table.types[u] = in.table.types[u];
        table.names[u] = in.table.names[u];
      } else if (!table.voltage && in.table.types[u] != table.types[u]) {
        return Refused(err, in.path,
                       QStringLiteral("%1 と ID%2 の熱電対の種類が異なります。")
                           .arg(Native(typeFrom[u]->path))
                           .arg(u));
      }
    }
  }
  return true;
}

// Writes the table's rows, reading each input again into record; false with err set.
bool WriteRows(const std::vector<Input>& files, RecordSetStream& writer, RecordSet& record,
               ReplacingFile& file, std::string& chunk, QString& err) {
  for (const Input& in : files) {
    Input again{in.path, {}, 0, {}};
    if (!ReadInput(record, again, err)) return false;
    // The first pass decided the order and the columns from what the file held then.
    const AnalysisTable& a = again.table;
    const AnalysisTable& b = in.table;
    if (again.samples != in.samples || a.originMs != b.originMs || a.columns != b.columns ||
        a.types != b.types || a.intervalMs != b.intervalMs || a.voltage != b.voltage) {
      return Refused(err, in.path, QStringLiteral("書き出しの途中でファイルが変わりました。"));
    }
    writer.BeginRecordSet(in.table.originMs);
    for (int32_t from = 0; from < in.samples; from += kRowsPerSlice) {
      writer.AppendRows(chunk, record, from, std::min(in.samples, from + kRowsPerSlice));
      if (chunk.size() < kBytesPerWrite) continue;
      if (!file.Write(chunk.data(), chunk.size())) return true;  // Commit tells why
      chunk.clear();
    }
  }
  return true;
}

// Why output may not be written from inputs (one line in err, exit code 1), or 0: an output that
// does not end in ".csv" could be a forgotten output that is an input; one that leads to an input
// would destroy it; one that is not a regular file is never replaced.
int RefusedOutput(const QStringList& inputs, const QString& output, QString& err) {
  const QString extension = FileFormatOf(FileFormatId::AnalysisCsv).extension;
  if (QFileInfo(output).suffix().toLower() != extension) {
    return ConversionFailed(
        err, output, QStringLiteral("出力ファイルの拡張子は .%1 にしてください。").arg(extension));
  }
  for (const QString& input : inputs) {
    const QString outputProblem = ConversionOutputProblem(input, output);
    if (!outputProblem.isEmpty()) return ConversionFailed(err, output, outputProblem);
  }
  return 0;
}

// The first pass: every input read once into record, in the order of their start times, and the one
// table they make. False with err set.
bool PlanTable(const QStringList& inputs, RecordSet& record, std::vector<Input>& files,
               AnalysisTable& table, QString& err) {
  files.resize(static_cast<size_t>(inputs.size()));
  for (size_t i = 0; i < files.size(); ++i) {
    files[i].path = inputs[static_cast<qsizetype>(i)];
    if (!ReadInput(record, files[i], err)) return false;
  }
  std::stable_sort(files.begin(), files.end(), [](const Input& a, const Input& b) {
    return a.table.originMs < b.table.originMs;
  });
  return JoinedTable(files, table, err);
}

// The second pass: the table written to output, replacing it only when whole. The exit code, 0
// or 1 with err set.
int WriteTable(const std::vector<Input>& files, const AnalysisTable& table, RecordSet& record,
               const QString& output, QString& err) {
  ReplacingFile file;
  QString reason;
  if (!file.Open(output, &reason)) return ConversionFailed(err, output, reason);
  std::string chunk;
  chunk.reserve(kBytesPerWrite + size_t{kRowsPerSlice} * 160);
  const std::unique_ptr<RecordSetStream> writer =
      FileFormatOf(FileFormatId::AnalysisCsv).openStream(table);
  writer->AppendHead(chunk);
  if (!WriteRows(files, *writer, record, file, chunk, err)) return 1;
  file.Write(chunk.data(), chunk.size());
  if (!file.Commit(&reason)) return ConversionFailed(err, output, reason);
  return 0;
}

// The exit code of a table written from what the inputs hold: kExitIncompleteInput, with a line
// in err for each input that lacks records, or 0.
int IncompleteInputs(const std::vector<Input>& files, QString& err) {
  QStringList incomplete;
  for (const Input& in : files) {
    if (in.shortfall.missing > 0) incomplete << IncompleteInputLine(in.path, in.shortfall);
  }
  if (incomplete.isEmpty()) return 0;
  err = incomplete.join(QLatin1Char('\n'));
  return kExitIncompleteInput;
}

}  // namespace

int BatchExport(const QStringList& inputs, const QString& output, QString& err) {
  if (const int refused = RefusedOutput(inputs, output, err); refused != 0) return refused;
  // One record set at a time: memory stays the same however many inputs and rows there are.
  auto record = std::make_unique<RecordSet>();
  std::vector<Input> files;
  AnalysisTable table;
  if (!PlanTable(inputs, *record, files, table, err)) return 1;
  if (const int written = WriteTable(files, table, *record, output, err); written != 0)
    return written;
  return IncompleteInputs(files, err);
}
