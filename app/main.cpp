// korvale: the desktop program of the MDX-4A thermocouple measurement unit. Without options it
// opens the main window; --convert, --export and --record work without a window (and without a
// display).
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QPushButton>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/command_line.h"
#include "core/dialog_service.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "core/qt_translations.h"
#include "headless/batch_convert.h"
#include "headless/batch_export.h"
#include "headless/record_command.h"
#include "headless/standard_streams.h"
#include "measure/form_main.h"

namespace {

void Print(std::FILE* stream, const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

// The lines of a conversion or export on standard error, each as the program's own.
void PrintLines(const QString& lines) {
  for (const QString& line : lines.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
    Print(stderr, QStringLiteral("korvale: ") + line + QLatin1Char('\n'));
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

int RunWindow(const char* program, const CommandLine& cl) {
  // The program name and the window system's own options.
  std::vector<QByteArray> storage;
  storage.push_back(QByteArray(program));
  for (const QString& a : cl.passOn) storage.push_back(a.toLocal8Bit());
  std::vector<char*> qtArgs;
  for (QByteArray& a : storage) qtArgs.push_back(a.data());
  qtArgs.push_back(nullptr);
  int qtArgc = static_cast<int>(storage.size());

  QApplication app(qtArgc, qtArgs.data());
  LoadQtTranslations(app);
  QApplication::setFont(QFont(QStringLiteral("IPAPGothic"), 10));

  ModuleData md;
  QtDialogService dialogs;
  MDX4A driver(dialogs);
  FormMain form(md, driver, dialogs);
  dialogs.SetParent(&form);
  form.show();
  // The recording journal; one left by a program that ended abnormally is offered, or kept as a
  // dated file and reported on standard error when the measurement starts unattended.
  form.StartJournal(cl.start);
  if (cl.start) {
    // Once the window is up, as if the operator pressed "開始".
    QTimer::singleShot(0, &form, [&form] { form.Controls().cmdStart->click(); });
  }
  return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
  // Beyond a file-size limit a write then fails with an error the program reports and recovers
  // from, instead of the signal ending the program with a half-written file left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QFile::decodeName(argv[i]);
  const CommandLine cl = ParseCommandLine(args);

  switch (cl.action) {
    case CommandLine::Action::Help:
      Print(stdout, UsageText());
      return 0;
    case CommandLine::Action::Version:
      Print(stdout, QStringLiteral("korvale " KORVALE_VERSION "\n"));
      return 0;
    case CommandLine::Action::Error:
      Print(stderr, QStringLiteral("korvale: ") + cl.error +
                        QStringLiteral("（使い方: korvale --help）\n"));
      return 2;
    case CommandLine::Action::Convert: {
      // No window and no display. The printed page draws the graph, which needs the widgets
      // (on the offscreen platform); the files need a core application only.
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
    case CommandLine::Action::Export: {
      // No window and no display, as a conversion to CSV.
      qInstallMessageHandler(QuietPlatformNotes);
      QCoreApplication app(argc, argv);
      QString err;
      const int code = BatchExport(cl.inputs, cl.output, err);
      if (code != 0) PrintLines(err);
      return code;
    }
    case CommandLine::Action::Record: {
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
      options.outputClosed = outputClosed;
      return RunRecord(options);
    }
    case CommandLine::Action::Run:
      break;
  }

  // The toolkit reads this when the driver first starts it, which is after this point.
  if (cl.demo) setenv("USBKIT_SIMULATE", "demo", 1);
  return RunWindow(argv[0], cl);
}
