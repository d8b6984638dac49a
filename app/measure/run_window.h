// The program's main window run: the application with the window system's options, the window,
// the recording journal, and "開始" pressed at once for --start.
#pragma once

#include "core/command_line.h"

// Runs the window until it closes; the process exit status.
int RunWindow(const char* program, const CommandLine& cl);
