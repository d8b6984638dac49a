// Fuzz target of the own data file's reader: any bytes must either be refused with a reason or
// give a record set that fits the buffers, and that record set must export without fault and
// keep its texts byte for byte.
#include <cstddef>
#include <cstdint>

#include "core/module_data.h"
#include "files/data_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One data module for all inputs: building one fills four buffers of 88000 samples.
  static ModuleData* md = new ModuleData;
  DataFileImage image;
  QString error;
  if (!ParseDataFile(reinterpret_cast<const char*>(data), size, image, &error)) {
    if (error.isEmpty()) __builtin_trap();
    return 0;
  }
  if (image.Records < 0 || image.Records > RecordSet::MaxData) __builtin_trap();
  ApplyDataFile(*md, image);
  if (md->Record.SampleCount != image.Records) __builtin_trap();
  for (const UnitRecord& u : md->Record.Units) {
    if (u.DataCount < 0 || u.DataCount > md->Record.SampleCount) __builtin_trap();
    if (u.Data.size() != static_cast<size_t>(RecordSet::MaxData)) __builtin_trap();
  }
  // The export and the own file of what was read are written whatever the texts hold, and the
  // texts go back into the own file byte for byte.
  QByteArray csv;
  if (!EncodeCsv(md->Record, csv)) __builtin_trap();
  QByteArray header = EncodeDataHeader(md->Record, md->Record.SampleCount);
  const qsizetype texts = header.size() - 22;  // the six strings before the fixed fields
  if (QByteArray::fromRawData(reinterpret_cast<const char*>(data), texts) != header.left(texts)) {
    __builtin_trap();
  }
  for (int32_t k = 1; k <= md->Record.SampleCount && k <= 4; ++k)
    AppendDataRecord(header, md->Record, k);
  return 0;
}
