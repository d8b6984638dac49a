// The program's command line: a window run (optionally with simulated units and an immediate
// start), a batch conversion or export without a window, or the help and version texts.
#pragma once

#include <QString>
#include <QStringList>

struct CommandLine {
  enum class Action { Run, Convert, Export, Help, Version, Error };
  Action action = Action::Run;
  bool start = false;     // --start: run "開始" once the window is shown
  bool demo = false;      // --demo: simulated demonstration units
  QString input, output;  // --convert INPUT OUTPUT; --export ... OUTPUT
  QStringList inputs;     // --export INPUT... OUTPUT
  QString error;          // Action::Error: what is wrong with the command line
  QStringList passOn;     // arguments for the window system (Qt's own options)
};

// Parses the arguments after the program name. Options of the window system (a single dash, as
// "-platform offscreen") and their values are passed on untouched; an unknown "--" option, a
// missing or extra argument is an error.
CommandLine ParseCommandLine(const QStringList& args);

// The text of --help.
QString UsageText();
