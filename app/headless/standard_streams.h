// The standard descriptors of `korvale --record`, which a service, a pipe to a dashboard script or
// a closed terminal may hand over in any state.
#pragma once

#include <QString>

// Gives /dev/null to each of standard input, output and error that is closed, so that no file the
// run opens later takes its number (a message or a row of the stream would land in it). Called
// before anything opens a descriptor. Returns whether standard output was closed.
bool ClaimStandardDescriptors();

// Why fd cannot take the stream (Japanese), empty when it can: open for reading only, or a pipe
// or socket whose reader has already gone.
QString StreamOutputProblem(int fd);

// From now on SIGPIPE ends nothing: a write to a reader that has gone fails with EPIPE instead. A
// handler that does nothing rather than SIG_IGN, which the alarm commands would inherit.
void IgnoreBrokenPipes();
