#include "session/record_files.h"

#include "files/file_formats.h"

QString RecordFileName(const QDateTime& runStart, int32_t number) {
  return runStart.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
         QStringLiteral("-%1.").arg(number, 4, 10, QLatin1Char('0')) +
         FileFormatOf(FileFormatId::DataFile).extension;
}
