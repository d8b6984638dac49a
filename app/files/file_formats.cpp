#include "files/file_formats.h"

#include <QFileInfo>

#include "files/analysis_csv.h"
#include "files/data_file.h"

namespace {

std::unique_ptr<RecordSetStream> OpenAnalysisCsv(const AnalysisTable& table) {
  return std::make_unique<AnalysisCsvWriter>(table);
}

}  // namespace

const std::vector<FileFormat>& FileFormats() {
  static const std::vector<FileFormat> formats = {
      {FileFormatId::CsvExport, QStringLiteral("CSV"),
       QStringLiteral("CSVファイル  (*.csv)|*.csv|"), QStringLiteral("csv"), true, true,
       SaveCsvFile, nullptr, nullptr},
      {FileFormatId::DataFile, QStringLiteral("専用 (*.mx1)"),
       QStringLiteral("専用ファイル  (*.mx1)|*.mx1|"), QStringLiteral("mx1"), true, true,
       SaveDataFile, EncodeDataFile, nullptr},
      {FileFormatId::AnalysisCsv, QStringLiteral("解析用CSV (UTF-8, 時刻付き)"),
       QStringLiteral("解析用CSVファイル  (*.csv)|*.csv|"), QStringLiteral("csv"), false, false,
       SaveAnalysisCsvFile, nullptr, OpenAnalysisCsv},
      {FileFormatId::Pdf, QString(), QString(), QStringLiteral("pdf"), true, false, nullptr,
       nullptr, nullptr},
  };
  return formats;
}

const FileFormat& FileFormatOf(FileFormatId id) {
  for (const FileFormat& format : FileFormats()) {
    if (format.id == id) return format;
  }
  return FileFormats().front();  // every id has its entry
}

std::vector<const FileFormat*> SaveWindowFormats() {
  std::vector<const FileFormat*> offered;
  for (const FileFormat& format : FileFormats()) {
    if (!format.choice.isEmpty()) offered.push_back(&format);
  }
  return offered;
}

const FileFormat* ConvertFormatFor(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  for (const FileFormat& format : FileFormats()) {
    if (format.converted && format.extension == suffix) return &format;
  }
  return nullptr;
}

QString ConvertExtensionsText() {
  QStringList extensions;
  for (const FileFormat& format : FileFormats()) {
    if (format.converted) extensions << QLatin1Char('.') + format.extension;
  }
  const QString last = extensions.takeLast();
  return extensions.join(QStringLiteral("、")) + QStringLiteral(" または ") + last;
}
