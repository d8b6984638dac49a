#include "session/record_files.h"

#include <algorithm>

#include "core/module_data.h"
#include "files/data_file.h"

namespace {

constexpr qsizetype kRecordBytes = 32;

}  // namespace

QString RecordFileName(const QDateTime& runStart, int32_t number) {
  return runStart.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
         QStringLiteral("-%1.mx1").arg(number, 4, 10, QLatin1Char('0'));
}

QByteArray EncodeRecordSet(const ModuleData& md) {
  const int32_t count = std::clamp<int32_t>(md.SampleCount, 0, ModuleData::MaxData);
  QByteArray out = EncodeDataHeader(md, count);
  out.reserve(out.size() + count * kRecordBytes);
  for (int32_t k = 1; k <= count; ++k) AppendDataRecord(out, md, k);
  return out;
}
