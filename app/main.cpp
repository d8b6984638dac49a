// korvale: the desktop program of the MDX-4A thermocouple measurement unit. Without options it
// opens the main window; --convert, --export and --record work without a window (and without a
// display). This file only reads the command line and starts what it asks for.
#include <QFile>
#include <csignal>
#include <cstdio>

#include "core/command_line.h"
#include "headless/headless_commands.h"
#include "measure/run_window.h"

namespace {

int Print(std::FILE* stream, const QString& text, int code) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
  return code;
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
      return Print(stdout, UsageText(), 0);
    case CommandLine::Action::Version:
      return Print(stdout, QStringLiteral("korvale " KORVALE_VERSION "\n"), 0);
    case CommandLine::Action::Error:
      return Print(
          stderr,
          QStringLiteral("korvale: ") + cl.error + QStringLiteral("（使い方: korvale --help）\n"),
          2);
    case CommandLine::Action::Convert:
      return RunConvertCommand(argc, argv, cl);
    case CommandLine::Action::Export:
      return RunExportCommand(argc, argv, cl);
    case CommandLine::Action::Record:
      return RunRecordCommand(argc, argv, cl);
    case CommandLine::Action::Run:
      break;
  }
  return RunWindow(argv[0], cl);
}
