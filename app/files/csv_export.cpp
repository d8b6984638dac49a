// The CSV export: code page 932 text, CR LF line ends, text items between double quotes (a double
// quote inside doubled), numbers in the general format. The sample lines are ASCII and are built
// directly as bytes; only the handful of text items go through the code page conversion.
#include <algorithm>
#include <string>

#include "core/cp932.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "core/number_text.h"
#include "files/data_file.h"
#include "files/publish.h"

namespace {

class CsvWriter {
 public:
  explicit CsvWriter(std::string& out) : out_(out) {}

  // A text item between double quotes, a double quote inside it doubled, so that every CSV reader
  // takes it as one item whatever it holds. The byte of the double quote is never part of a
  // two-byte code page 932 character. A text read from a file and not changed since is written as
  // the bytes it was read from (EncodeText). The caller has made sure that every text can be
  // written (DataFileTextProblem).
  void Text(const QString& text, const QByteArray& source = {}) {
    Separate();
    EncodeText(text, source, bytes_);
    out_ += '"';
    for (const char c : bytes_) {
      if (c == '"') out_ += '"';
      out_ += c;
    }
    out_ += '"';
  }
  void Integer(int32_t v) {
    Separate();
    out_ += std::to_string(v);
  }
  template <typename T>
  void Number(T v) {
    Separate();
    AppendCsvNumber(out_, v);
  }
  void Empty() {
    Separate();
    out_ += "\"\"";
  }
  void EndLine() {
    out_ += "\r\n";
    first_ = true;
  }

 private:
  void Separate() {
    if (!first_) out_ += ',';
    first_ = false;
  }
  std::string& out_;
  QByteArray bytes_;
  bool first_ = true;
};

// The lines above the samples: title, start time, memos, the measurement's settings, the units'
// types and the column headings.
void WriteCsvHeader(const RecordSet& rs, CsvWriter& csv) {
  csv.Text(QStringLiteral("熱電対温度測定ユニット"));
  csv.EndLine();
  csv.Text(QStringLiteral("測定日"));
  csv.Text(rs.StartTime, rs.StartTimeBytes);
  csv.EndLine();
  static const char16_t* const kMemoNames[] = {u"メモ１", u"メモ２", u"メモ３", u"メモ４",
                                               u"メモ５"};
  for (size_t i = 0; i < rs.MemoText.size(); ++i) {
    csv.Text(QString::fromUtf16(kMemoNames[i]));
    csv.Text(rs.MemoText[i], rs.MemoBytes[i]);
    csv.EndLine();
  }
  if (rs.TimerType) {
    csv.Text(QStringLiteral("測定間隔(sec)"));
    csv.Number(rs.IntervalTM / 1000.0);
  } else {
    csv.Text(QStringLiteral("測定間隔(msec)"));
    csv.Integer(rs.IntervalTM);
  }
  csv.EndLine();
  csv.Text(QStringLiteral("データ平均化処理"));
  csv.Text(rs.DataAverage ? QStringLiteral("有り") : QStringLiteral("無し"));
  csv.EndLine();
  csv.Text(QStringLiteral("種類"));
  csv.Text(rs.MeasKind ? QStringLiteral("電圧値") : QStringLiteral("熱電対"));
  csv.EndLine();
  csv.Text(QStringLiteral("使用ユニットの種類"));
  csv.EndLine();
  for (const auto& u : rs.Units) csv.Text(TcTypeName(u.ConnectID));
  csv.EndLine();
  csv.Text(QStringLiteral("測定データ"));
  csv.EndLine();
  csv.Text(QStringLiteral("データ数"));
  csv.Integer(rs.SampleCount);
  csv.EndLine();
  for (int i = 0; i < RecordSet::kUnits; ++i) csv.Text(QStringLiteral("ID%1").arg(i));
  csv.EndLine();
}

// One line per sample 1 to count; a unit not used or without that sample gives an empty item.
void WriteCsvSamples(const RecordSet& rs, int32_t count, CsvWriter& csv) {
  for (int32_t k = 1; k <= count; ++k) {
    for (const auto& u : rs.Units) {
      if (u.MflagID && u.DataCount >= k) {
        csv.Number(u.Data[static_cast<size_t>(k - 1)]);
      } else {
        csv.Empty();
      }
    }
    csv.EndLine();
  }
}

}  // namespace

bool EncodeCsv(const RecordSet& rs, QByteArray& result, QString* error) {
  const QString problem = DataFileTextProblem(rs);
  if (!problem.isEmpty()) {
    if (error) *error = problem;
    return false;
  }
  const int32_t count = std::clamp<int32_t>(rs.SampleCount, 0, RecordSet::MaxData);
  std::string out;
  // About 40 bytes per sample line.
  out.reserve(1024 + static_cast<size_t>(count) * 48);
  CsvWriter csv(out);
  WriteCsvHeader(rs, csv);
  WriteCsvSamples(rs, count, csv);
  result = QByteArray(out.data(), static_cast<qsizetype>(out.size()));
  return true;
}

bool SaveCsvFile(const RecordSet& rs, const QString& path, QString* error) {
  QByteArray bytes;
  if (!EncodeCsv(rs, bytes, error)) return false;
  return ReplaceFile(path, bytes, error);
}
