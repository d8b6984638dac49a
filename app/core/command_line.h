// The program's command line: a window run (optionally with simulated units and an immediate
// start), a batch conversion or export or a recording without a window, or the help and version
// texts.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

struct CommandLine {
  enum class Action { Run, Convert, Export, Record, Mark, Help, Version, Error };
  Action action = Action::Run;
  bool start = false;         // --start: run "開始" once the window is shown
  bool demo = false;          // --demo: simulated demonstration units
  QString input, output;      // --convert INPUT OUTPUT; --export ... OUTPUT
  QStringList inputs;         // --export INPUT... OUTPUT
  QString recordFolder;       // --record DIR, --mark DIR
  QString markText;           // --mark DIR TEXT (may be empty: the default text)
  int64_t recordForMs = 0;    // --for DURATION, in milliseconds; 0 without
  QString settingsFile;       // --settings FILE
  bool stream = false;        // --stream
  bool streamInflux = false;  // --stream influx: InfluxDB line protocol instead of the CSV
  QStringList publishUrls;    // --publish URL, each
  QString serve;              // --serve [ADDRESS:]PORT, as given; empty without
  QString tokenFile;          // --token-file FILE
  QString error;              // Action::Error: what is wrong with the command line
  QStringList passOn;         // arguments for the window system (Qt's own options)
};

// Parses the arguments after the program name. Options of the window system (a single dash, as
// "-platform offscreen") and their values are passed on untouched; an unknown "--" option, a
// missing or extra argument is an error.
CommandLine ParseCommandLine(const QStringList& args);

// A duration of --for: a whole number followed by s, m, h or d ("90s", "30m", "2h", "7d"); nothing
// when the text is not one or the duration is not above 0.
std::optional<int64_t> ParseDuration(const QString& text);

// The text of --help.
QString UsageText();
