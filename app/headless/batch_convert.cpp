#include "headless/batch_convert.h"

#include <QDir>
#include <QFileInfo>
#include <memory>

#include "core/module_data.h"
#include "core/null_dialog_service.h"
#include "files/data_file.h"
#include "files/file_formats.h"
#include "files/publish.h"
#include "graph/record_set_graph.h"
#include "print/graph_page.h"

namespace {

// The page of "印刷" for the record set just read, as "読込み" then "印刷" would make it. The PDF
// replaces output only when it is whole, so a failure leaves output as it was.
bool PrintPdf(RecordSetGraph& graph, const ModuleData& md, const QString& output, QString* reason) {
  graph.ShowReadData();
  return PrintGraphToPdf(graph.Chart(), md.Record, output, reason);
}

}  // namespace

int ConversionFailed(QString& err, const QString& path, const QString& reason) {
  QString line = QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  err = line;
  return 1;
}

QString IncompleteInputLine(const QString& path, const RecordShortfall& shortfall) {
  return QDir::toNativeSeparators(path) + QStringLiteral(": ") + ShortfallText(shortfall);
}

bool ConvertDrawsPage(const QString& output) {
  const FileFormat* format = ConvertFormatFor(output);
  return format && format->id == FileFormatId::Pdf;
}

int BatchConvert(const QString& input, const QString& output, QString& err) {
  const FileFormat* format = ConvertFormatFor(output);
  if (!format) {
    return ConversionFailed(
        err, output,
        QStringLiteral("出力ファイルの拡張子は %1 にしてください。").arg(ConvertExtensionsText()));
  }
  // An output that leads to the input would destroy it; one that is not a regular file (a device,
  // a pipe) is never replaced.
  const QString outputProblem = ConversionOutputProblem(input, output);
  if (!outputProblem.isEmpty()) return ConversionFailed(err, output, outputProblem);

  // The page is drawn from a graph of its own that is never shown, set up before the read as the
  // window's is when it opens. It reads nothing of the operator's settings; nobody is asked
  // anything, and no message is shown.
  ModuleData md;
  NullDialogs dialogs;
  std::unique_ptr<RecordSetGraph> graph;
  if (!format->write) graph = std::make_unique<RecordSetGraph>(md, dialogs);

  // The read of "読込み": as far as the file goes, or nothing.
  QString reason;
  RecordShortfall shortfall;
  switch (ReadDataFile(md, input, &reason, &shortfall)) {
    case ReadResult::Failed:
      return ConversionFailed(err, input, reason);
    case ReadResult::NoSamples:
      return ConversionFailed(err, input, QStringLiteral("データがありません。"));
    case ReadResult::Read:
      break;
  }

  // The save of "保存" after that read; the page is drawn from the graph.
  const bool saved =
      graph ? PrintPdf(*graph, md, output, &reason) : format->write(md.Record, output, &reason);
  if (!saved) return ConversionFailed(err, output, reason);
  if (shortfall.missing == 0) return 0;
  err = IncompleteInputLine(input, shortfall);
  return kExitIncompleteInput;
}
