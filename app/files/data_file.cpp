#include "files/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/cp932.h"
#include "core/module_data.h"
#include "files/publish.h"
#include "files/sidecar.h"

namespace {

constexpr int kMemoLines = 5;
constexpr size_t kRecordBytes = 32;
constexpr size_t kMaxString = 0xFFFF;
// Fields 7 to 15 of the header: four 16-bit, one 32-bit, four 16-bit and one 32-bit field.
constexpr size_t kFixedHeaderBytes = 22;
// The largest header: six strings of 65535 bytes.
constexpr size_t kMaxHeaderBytes = 6 * (2 + kMaxString) + kFixedHeaderBytes;
// Reading this much is enough to tell that a file holds more records than the buffers take.
constexpr qint64 kReadLimit =
    static_cast<qint64>(kMaxHeaderBytes + (RecordSet::MaxData + 1) * kRecordBytes);

void PutU16(QByteArray& out, uint16_t v) {
  const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
  out.append(b, 2);
}

void PutI16(QByteArray& out, int16_t v) {
  PutU16(out, static_cast<uint16_t>(v));
}

void PutI32(QByteArray& out, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  const char b[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                     static_cast<char>((u >> 16) & 0xFF), static_cast<char>(u >> 24)};
  out.append(b, 4);
}

void PutBool(QByteArray& out, bool v) {
  PutI16(out, v ? int16_t{-1} : int16_t{0});
}

void PutDouble(char* dst, double v) {
  uint64_t u;
  std::memcpy(&u, &v, sizeof u);
  for (int i = 0; i < 8; ++i) dst[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

// The text in code page 932 with every character it cannot hold written as "?".
QByteArray EncodeReplacing(const QString& text) {
  QByteArray out;
  if (EncodeCp932(text, out)) return out;
  out.clear();
  QByteArray piece;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype n = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
    out.append(EncodeCp932(text.mid(i, n), piece) ? piece : QByteArray("?"));
    i += n;
  }
  return out;
}

void PutString(QByteArray& out, const QString& text, const QByteArray& source) {
  QByteArray bytes;
  if (!EncodeText(text, source, bytes)) bytes = EncodeReplacing(text);
  if (static_cast<size_t>(bytes.size()) > kMaxString) bytes.truncate(kMaxString);
  PutU16(out, static_cast<uint16_t>(bytes.size()));
  out.append(bytes);
}

// Reads little-endian fields from a byte range; every read reports whether the bytes were there.
class Reader {
 public:
  Reader(const unsigned char* p, size_t size) : p_(p), left_(size) {}

  bool U16(uint16_t& v) {
    if (left_ < 2) return false;
    v = static_cast<uint16_t>(p_[0] | (p_[1] << 8));
    Skip(2);
    return true;
  }
  bool I16(int16_t& v) {
    uint16_t u;
    if (!U16(u)) return false;
    v = static_cast<int16_t>(u);
    return true;
  }
  bool I32(int32_t& v) {
    if (left_ < 4) return false;
    const uint32_t u = static_cast<uint32_t>(p_[0]) | (static_cast<uint32_t>(p_[1]) << 8) |
                       (static_cast<uint32_t>(p_[2]) << 16) | (static_cast<uint32_t>(p_[3]) << 24);
    v = static_cast<int32_t>(u);
    Skip(4);
    return true;
  }
  bool Bool(bool& v) {
    int16_t i;
    if (!I16(i)) return false;
    v = i != 0;
    return true;
  }
  bool String(QString& v, QByteArray& bytes) {
    uint16_t n;
    if (!U16(n) || left_ < n) return false;
    bytes = QByteArray(reinterpret_cast<const char*>(p_), n);
    v = DecodeCp932(bytes);
    Skip(n);
    return true;
  }
  static double Double(const unsigned char* p) {
    uint64_t u = 0;
    for (int i = 7; i >= 0; --i) u = (u << 8) | p[i];
    double v;
    std::memcpy(&v, &u, sizeof v);
    return v;
  }

  const unsigned char* Position() const { return p_; }
  size_t Left() const { return left_; }

 private:
  void Skip(size_t n) {
    p_ += n;
    left_ -= n;
  }
  const unsigned char* p_;
  size_t left_;
};

bool Fail(QString* error, const QString& reason) {
  if (error) *error = reason;
  return false;
}

}  // namespace

QByteArray EncodeDataHeader(const RecordSet& rs, int32_t sampleCount) {
  QByteArray out;
  PutString(out, rs.StartTime, rs.StartTimeBytes);
  for (size_t i = 0; i < rs.MemoText.size(); ++i) PutString(out, rs.MemoText[i], rs.MemoBytes[i]);
  PutBool(out, rs.TimerType);
  PutI32(out, rs.IntervalTM);
  PutBool(out, rs.DataAverage);
  PutBool(out, rs.MeasKind);
  for (const auto& u : rs.Units) PutI16(out, u.ConnectID);
  PutI32(out, sampleCount);
  return out;
}

void AppendDataRecord(QByteArray& out, const RecordSet& rs, int32_t k) {
  char record[kRecordBytes];
  for (size_t i = 0; i < rs.Units.size(); ++i) {
    const std::vector<float>& data = rs.Units[i].Data;
    const bool inside = k >= 1 && static_cast<size_t>(k) <= data.size();
    PutDouble(record + 8 * i, static_cast<double>(inside ? data[k - 1] : RecordSet::NoData));
  }
  out.append(record, kRecordBytes);
}

bool ParseDataFile(const char* bytes, size_t size, DataFileImage& image, QString* error) {
  Reader in(reinterpret_cast<const unsigned char*>(bytes), size);
  bool ok = in.String(image.StartTime, image.StartTimeBytes);
  for (int i = 0; ok && i < kMemoLines; ++i) ok = in.String(image.MemoText[i], image.MemoBytes[i]);
  ok = ok && in.Bool(image.TimerType) && in.I32(image.IntervalTM) && in.Bool(image.DataAverage) &&
       in.Bool(image.MeasKind);
  for (size_t i = 0; ok && i < image.ConnectID.size(); ++i) ok = in.I16(image.ConnectID[i]);
  // The complete records decide the sample count; the header's count only tells what is missing.
  ok = ok && in.I32(image.HeaderCount);
  if (!ok) return Fail(error, QStringLiteral("ファイルがヘッダーの途中で終わっています。"));

  const size_t records = in.Left() / kRecordBytes;
  image.EndsInsideRecord = in.Left() % kRecordBytes != 0;
  if (records > static_cast<size_t>(RecordSet::MaxData)) {
    return Fail(error, QStringLiteral("サンプル数が %1 を超えています。").arg(RecordSet::MaxData));
  }
  const unsigned char* p = in.Position();
  for (auto& data : image.Data) data.resize(records);
  for (size_t r = 0; r < records; ++r, p += kRecordBytes) {
    for (size_t i = 0; i < image.Data.size(); ++i) {
      const double v = Reader::Double(p + 8 * i);
      // Only values a single holds come from the program; anything else (not a number, an
      // infinity, beyond the single's range) means the file is damaged.
      if (!std::isfinite(v) || std::fabs(v) > std::numeric_limits<float>::max()) {
        return Fail(
            error,
            QStringLiteral("%1 番目のサンプルに数値として読めない値があります。").arg(r + 1));
      }
      image.Data[i][r] = static_cast<float>(v);
    }
  }
  image.Records = static_cast<int32_t>(records);
  return true;
}

bool ReadDataFileImage(const QString& path, DataFileImage& image, QString* error) {
  const QByteArray native = QFile::encodeName(path);
  // Only a regular file is read. A pipe would block the open, and with a writer the read, for
  // ever; a device must not even be opened. Checked before the open, and again on what was opened
  // (without waiting) in case the name changed in between.
  struct stat st {};
  if (::stat(native.constData(), &st) != 0) {
    return Fail(error, errno == ENOENT ? QStringLiteral("ファイルが見つかりません。")
                                       : QStringLiteral("ファイルを開けません。"));
  }
  if (S_ISDIR(st.st_mode)) return Fail(error, QStringLiteral("ファイルではなくフォルダーです。"));
  const QString notRegular = QStringLiteral("通常のファイルではないため読み込めません。");
  if (!S_ISREG(st.st_mode)) return Fail(error, notRegular);
  const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    return Fail(error, QStringLiteral("ファイルを開けません（読み取りの権限がありません）。"));
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Fail(error, notRegular);
  }
  QByteArray bytes(static_cast<qsizetype>(std::min<qint64>(st.st_size, kReadLimit)), '\0');
  qint64 done = 0;
  bool failed = false;
  while (done < kReadLimit) {
    if (done == bytes.size()) bytes.resize(std::min<qint64>(kReadLimit, done + 65536));
    const ssize_t n = ::read(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed = n < 0;
      break;
    }
    done += n;
  }
  ::close(fd);
  if (failed) return Fail(error, QStringLiteral("ファイルの読み取り中にエラーが発生しました。"));
  return ParseDataFile(bytes.constData(), static_cast<size_t>(done), image, error);
}

void ApplyDataFile(RecordSet& record, DataFileImage& image) {
  record.Clear();
  record.StartTime = std::move(image.StartTime);
  record.MemoText = std::move(image.MemoText);
  record.StartTimeBytes = std::move(image.StartTimeBytes);
  record.MemoBytes = std::move(image.MemoBytes);
  record.TimerType = image.TimerType;
  record.IntervalTM = image.IntervalTM;
  record.DataAverage = image.DataAverage;
  record.MeasKind = image.MeasKind;
  for (size_t i = 0; i < record.Units.size(); ++i) {
    UnitRecord& u = record.Units[i];
    const std::vector<float>& data = image.Data[i];
    u.ConnectID = image.ConnectID[i];
    const auto end = data.begin() + image.Records;
    std::copy(data.begin(), end, u.Data.begin());
    // A unit is used when any of its samples holds a value (a failed first reading included);
    // its count runs to its last value, and the slots without one before it stay empty in place.
    const auto last = std::find_if(std::make_reverse_iterator(end), data.rend(),
                                   [](float v) { return v != RecordSet::NoData; });
    u.DataCount = static_cast<int32_t>(data.rend() - last);
    // With no record the use flags stay as they were.
    if (image.Records > 0) u.MflagID = u.DataCount > 0;
  }
  record.SampleCount = image.Records;
  // The names belong to the file as its settings do: a file without a sidecar has none.
  for (UnitRecord& u : record.Units) u.Name.clear();
}

void ApplyDataFile(ModuleData& md, DataFileImage& image) {
  md.ClearData();
  ApplyDataFile(md.Record, image);
  md.UpdateAverageCount();
}

RecordShortfall ShortfallOf(const DataFileImage& image) {
  RecordShortfall s;
  s.promised = std::max(image.HeaderCount, 0);
  s.present = image.Records;
  if (s.promised > s.present) s.missing = s.promised - s.present;
  if (image.EndsInsideRecord) s.missing = std::max(s.missing, 1);
  return s;
}

QString ShortfallText(const RecordShortfall& shortfall) {
  // Nothing promised beyond what is there: only the record the file ends inside of is missing.
  if (shortfall.promised <= shortfall.present) {
    return QStringLiteral("最後の記録が途中で切れています（%1 件欠けています、読めたのは %2 件）。")
        .arg(shortfall.missing)
        .arg(shortfall.present);
  }
  return QStringLiteral("記録が %1 件欠けています（ヘッダーは %2 件、読めたのは %3 件）。")
      .arg(shortfall.missing)
      .arg(shortfall.promised)
      .arg(shortfall.present);
}

ReadResult ReadDataFile(RecordSet& record, const QString& path, QString* error,
                        RecordShortfall* shortfall) {
  DataFileImage image;
  if (!ReadDataFileImage(path, image, error)) return ReadResult::Failed;
  if (shortfall) *shortfall = ShortfallOf(image);
  if (image.Records < 1) return ReadResult::NoSamples;
  ApplyDataFile(record, image);
  // A sidecar that cannot be read leaves the samples as the data file has them.
  Sidecar sidecar;
  if (ReadSidecar(path, sidecar) == SidecarRead::Read) ApplySidecar(sidecar, record);
  return ReadResult::Read;
}

ReadResult ReadDataFile(ModuleData& md, const QString& path, QString* error,
                        RecordShortfall* shortfall) {
  // Read apart, so that a file that cannot be read leaves md as it was. Every field of the record
  // set a read gives comes from the file (or its sidecar), so the read set replaces md's whole.
  RecordSet read;
  const ReadResult result = ReadDataFile(read, path, error, shortfall);
  if (result != ReadResult::Read) return result;
  md.ClearData();
  md.Record = std::move(read);
  md.UpdateAverageCount();
  return result;
}

bool EncodeText(const QString& text, const QByteArray& source, QByteArray& out, QString* bad) {
  if (!source.isEmpty() && DecodeCp932(source) == text) {
    out = source;
    return true;
  }
  return EncodeCp932(text, out, bad);
}

QString TextFieldProblem(const QString& text, const QString& field, const QByteArray& source) {
  QByteArray bytes;
  QString bad;
  if (!EncodeText(text, source, bytes, &bad)) {
    const QString code =
        QString::number(bad.toUcs4().value(0), 16).toUpper().rightJustified(4, QLatin1Char('0'));
    return QStringLiteral("%1の文字「%2」（U+%3）はファイルに保存できません。")
        .arg(field, bad, code);
  }
  if (static_cast<size_t>(bytes.size()) > kMaxString) {
    return QStringLiteral("%1が長すぎます（%2 バイトまで）。").arg(field).arg(kMaxString);
  }
  return QString();
}

QString DataFileTextProblem(const RecordSet& rs) {
  QString problem = TextFieldProblem(rs.StartTime, QStringLiteral("測定日"), rs.StartTimeBytes);
  for (int i = 0; problem.isEmpty() && i < kMemoLines; ++i) {
    problem =
        TextFieldProblem(rs.MemoText[i], QStringLiteral("メモ%1").arg(i + 1), rs.MemoBytes[i]);
  }
  return problem;
}

QByteArray EncodeDataFile(const RecordSet& rs) {
  const int32_t count = std::clamp<int32_t>(rs.SampleCount, 0, RecordSet::MaxData);
  QByteArray out = EncodeDataHeader(rs, count);
  out.reserve(out.size() + static_cast<qsizetype>(count) * static_cast<qsizetype>(kRecordBytes));
  for (int32_t k = 1; k <= count; ++k) AppendDataRecord(out, rs, k);
  return out;
}

bool SaveDataFile(const RecordSet& rs, const QString& path, QString* error) {
  const QString problem = DataFileTextProblem(rs);
  if (!problem.isEmpty()) return Fail(error, problem);
  const QByteArray bytes = EncodeDataFile(rs);
  if (!ReplaceFile(path, bytes, error)) return false;
  const int32_t samples = std::clamp<int32_t>(rs.SampleCount, 0, RecordSet::MaxData);
  return SaveSidecar(rs, path, samples, error);
}

QString ReadFailureText(const QString& path, const QString& reason) {
  return QStringLiteral("ファイルを読み込めませんでした。\n%1\n%2")
      .arg(QDir::toNativeSeparators(path), reason);
}

QString SaveFailureText(const QString& path, const QString& reason) {
  return QStringLiteral("ファイルを保存できませんでした。\n%1\n%2")
      .arg(QDir::toNativeSeparators(path), reason);
}
