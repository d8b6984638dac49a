#include "headless/headless_commands.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "headless/batch_convert.h"
#include "headless/batch_export.h"
#include "headless/mark_server.h"
#include "headless/record_command.h"
#include "headless/standard_streams.h"

namespace {

// The lines of a conversion or export on standard error, each as the program's own.
void PrintLines(const QString& lines) {
  for (const QString& line : lines.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
    const QByteArray bytes = (QStringLiteral("korvale: ") + line + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
  }
}

// A conversion reports on standard error in one line of its own; the platform's notes (a missing
// runtime folder, fonts) would break that promise and tell a batch script nothing it can act on.
void QuietPlatformNotes(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg) {
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
  }
}

}  // namespace

int RunConvertCommand(int& argc, char** argv, const CommandLine& cl) {
  // No window and no display. The printed page draws the graph, which needs the widgets (on the
  // offscreen platform); the files need a core application only.
  qInstallMessageHandler(QuietPlatformNotes);
  QString err;
  int code = 0;
  if (ConvertDrawsPage(cl.output)) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("IPAPGothic"), 10));
    code = BatchConvert(cl.input, cl.output, err);
  } else {
    QCoreApplication app(argc, argv);
    code = BatchConvert(cl.input, cl.output, err);
  }
  if (code != 0) PrintLines(err);
  return code;
}

namespace {

// A command without a window or a display on a core application: its exit code, with its lines
// on standard error when it failed.
int RunQuietCommand(int& argc, char** argv, const std::function<int(QString& err)>& command) {
  qInstallMessageHandler(QuietPlatformNotes);
  QCoreApplication app(argc, argv);
  QString err;
  const int code = command(err);
  if (code != 0) PrintLines(err);
  return code;
}

}  // namespace

int RunExportCommand(int& argc, char** argv, const CommandLine& cl) {
  // No window and no display, as a conversion to CSV.
  return RunQuietCommand(argc, argv,
                         [&cl](QString& err) { return BatchExport(cl.inputs, cl.output, err); });
}

int RunRecordCommand(int& argc, char** argv, const CommandLine& cl) {
  // No window and no display: the measurement session on a core application. The standard
  // descriptors are claimed before anything opens one.
  const bool outputClosed = ClaimStandardDescriptors();
  qInstallMessageHandler(QuietPlatformNotes);
  if (cl.demo) setenv("USBKIT_SIMULATE", "demo", 1);
  QCoreApplication app(argc, argv);
  RecordOptions options;
  options.folder = cl.recordFolder;
  options.durationMs = cl.recordForMs;
  options.settingsFile = cl.settingsFile;
  options.stream = cl.stream;
  options.streamInflux = cl.streamInflux;
  options.publishUrls = cl.publishUrls;
  options.serve = cl.serve;
  options.tokenFile = cl.tokenFile;
  options.outputClosed = outputClosed;
  return RunRecord(options);
}

int RunMarkCommand(int& argc, char** argv, const CommandLine& cl) {
  return RunQuietCommand(
      argc, argv, [&cl](QString& err) { return SendMark(cl.recordFolder, cl.markText, err); });
}
