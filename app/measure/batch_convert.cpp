#include "measure/batch_convert.h"

#include <QDir>
#include <QFileInfo>

#include "core/module_data.h"
#include "files/data_file.h"

namespace {

enum class Format { Csv, Data, Pdf, Unknown };

Format FormatOf(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("csv")) return Format::Csv;
  if (suffix == QLatin1String("mx1")) return Format::Data;
  if (suffix == QLatin1String("pdf")) return Format::Pdf;
  return Format::Unknown;
}

int Fail(QString& err, const QString& path, const QString& reason) {
  // One line: a reason never holds a line break of its own.
  QString line = QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  err = line;
  return 1;
}

}  // namespace

int BatchConvert(const QString& input, const QString& output, QString& err) {
  const Format format = FormatOf(output);
  if (format == Format::Unknown) {
    return Fail(err, output,
                QStringLiteral("出力ファイルの拡張子は .csv、.mx1 または .pdf にしてください。"));
  }

  // The read of "読込み": the whole file or nothing.
  DataFileImage image;
  QString reason;
  if (!ReadDataFileImage(input, image, &reason)) return Fail(err, input, reason);
  if (image.Records < 1) return Fail(err, input, QStringLiteral("データがありません。"));
  ModuleData md;
  ApplyDataFile(md, image);

  // The save of "保存" after that read.
  bool saved = false;
  switch (format) {
    case Format::Csv:
      saved = SaveCsvFile(md, output, &reason);
      break;
    case Format::Data:
      saved = SaveDataFile(md, output, &reason);
      break;
    case Format::Pdf:
      // The printed report as a PDF file is written by the print routines; until they are
      // wired in here, this conversion is refused.
      reason = QStringLiteral("PDF への変換にはまだ対応していません。");
      break;
    case Format::Unknown:
      break;
  }
  if (!saved) return Fail(err, output, reason);
  return 0;
}
