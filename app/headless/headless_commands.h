// The commands of the command line that work without a window, each with the application it needs
// and its report on standard error. Each returns the process exit status.
#pragma once

#include "core/command_line.h"

// --convert: a core application, or the widgets on the offscreen platform for a PDF's page.
int RunConvertCommand(int& argc, char** argv, const CommandLine& cl);
// --export: a core application.
int RunExportCommand(int& argc, char** argv, const CommandLine& cl);
// --record: the standard descriptors claimed, then the measurement session on a core application.
int RunRecordCommand(int& argc, char** argv, const CommandLine& cl);
