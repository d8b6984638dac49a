// `korvale --record DIR [--for DURATION] [--settings FILE] [--stream]`: a measurement without a
// window and without a display, with the saved settings (or those of FILE), recorded continuously
// into DIR. SIGINT, SIGTERM and SIGHUP end it cleanly: the samples so far become the last file. No
// output (the stream, the messages on standard error) can hold it up, and SIGPIPE ends nothing.
// DIR is locked for the run (record_folder_lock.h).
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

struct RecordOptions {
  QString folder;             // DIR
  int64_t durationMs = 0;     // --for; 0 records until a signal ends it
  QString settingsFile;       // --settings; empty: the per-user settings store
  bool stream = false;        // --stream: every sample also goes to standard output
  bool outputClosed = false;  // standard output was closed at the start (ClaimStandardDescriptors)
  bool streamInflux = false;  // --stream influx: the stream in InfluxDB line protocol
  QStringList publishUrls;    // --publish URL, each (with the settings' [Publish] ones)
  QString serve;              // --serve [ADDRESS:]PORT; empty: as the settings' [Serve] say
  QString tokenFile;          // --token-file
};

// Runs the recording; needs a QCoreApplication. Returns the exit code: 0 when a signal, the
// duration or a closed output stream ended it; 1 when the measurement could not start or a driver
// error ended it, when the stream could not be written from the start, or when another recorder
// holds DIR; 2 when the settings file cannot be read or its "Alarm" section cannot be used, or a
// publishing destination (--publish, [Publish]) cannot be used.
int RunRecord(const RecordOptions& options);
