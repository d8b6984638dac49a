#include "measure/batch_export.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/module_data.h"
#include "files/analysis_csv.h"
#include "files/data_file.h"
#include "files/save_file.h"
#include "measure/batch_convert.h"

namespace {

// One input, read whole.
struct Input {
  QString path;
  std::unique_ptr<ModuleData> md = std::make_unique<ModuleData>();
  AnalysisTable table;  // the input's own table: its start, settings and columns
};

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

}  // namespace

int BatchExport(const QStringList& inputs, const QString& output, QString& err) {
  if (QFileInfo(output).suffix().toLower() != QLatin1String("csv")) {
    return ConversionFailed(err, output,
                            QStringLiteral("出力ファイルの拡張子は .csv にしてください。"));
  }

  // An output that leads to an input would destroy it; one that is not a regular file is never
  // replaced.
  for (const QString& input : inputs) {
    const QString outputProblem = ConversionOutputProblem(input, output);
    if (!outputProblem.isEmpty()) return ConversionFailed(err, output, outputProblem);
  }

  std::vector<Input> files(static_cast<size_t>(inputs.size()));
  for (size_t i = 0; i < files.size(); ++i) {
    Input& in = files[i];
    in.path = inputs[static_cast<qsizetype>(i)];
    QString reason;
    switch (ReadDataFile(*in.md, in.path, &reason)) {
      case ReadResult::Failed:
        return ConversionFailed(err, in.path, reason);
      case ReadResult::NoSamples:
        return ConversionFailed(err, in.path, QStringLiteral("データがありません。"));
      case ReadResult::Read:
        break;
    }
    if (!AnalysisTableOf(*in.md, in.table, &reason)) return ConversionFailed(err, in.path, reason);
  }
  std::stable_sort(files.begin(), files.end(), [](const Input& a, const Input& b) {
    return a.table.originMs < b.table.originMs;
  });

  // The table of the earliest input, with a column for every unit any input uses; each unit's
  // type is that of the first input using it, and every other input using it must agree.
  AnalysisTable table = files.front().table;
  std::array<const Input*, 4> typeFrom{};
  const int64_t interval = table.intervalMs;
  for (size_t i = 0; i < files.size(); ++i) {
    const Input& in = files[i];
    const QString mismatch = Mismatch(files.front(), in);
    if (!mismatch.isEmpty()) return ConversionFailed(err, in.path, mismatch);
    if (i > 0) {
      // The previous input's last sample must come before this input's first.
      const Input& previous = files[i - 1];
      const int64_t lastMs = previous.table.originMs + previous.md->SampleCount * interval;
      if (in.table.originMs + interval <= lastMs) {
        return ConversionFailed(
            err, in.path,
            QStringLiteral("%1 と測定の時間が重なっています。").arg(Native(previous.path)));
      }
    }
    for (int u = 0; u < ModuleData::kUnits; ++u) {
      if (!in.table.columns[u]) continue;
      if (!typeFrom[u]) {
        typeFrom[u] = &in;
        table.columns[u] = true;
        table.types[u] = in.table.types[u];
      } else if (!table.voltage && in.table.types[u] != table.types[u]) {
        return ConversionFailed(err, in.path,
                                QStringLiteral("%1 と ID%2 の熱電対の種類が異なります。")
                                    .arg(Native(typeFrom[u]->path))
                                    .arg(u));
      }
    }
  }

  size_t rows = 0;
  for (const Input& in : files) rows += static_cast<size_t>(in.md->SampleCount);
  std::string out;
  out.reserve(1024 + rows * 96);
  AnalysisCsvWriter writer(table);
  writer.AppendPreamble(out);
  writer.AppendHeaderRow(out);
  for (const Input& in : files) {
    writer.BeginRecordSet(in.table.originMs);
    writer.AppendRows(out, *in.md, 0, in.md->SampleCount);
  }
  QString reason;
  const QByteArray bytes = QByteArray::fromRawData(out.data(), static_cast<qsizetype>(out.size()));
  if (!WriteWholeFile(output, bytes, &reason)) return ConversionFailed(err, output, reason);
  return 0;
}
