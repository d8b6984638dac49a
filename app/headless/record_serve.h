// The web view of `korvale --record --serve`: where it listens and with which token, decided
// before anything is measured, and the follower that hands the run (session/run_feed.h) to the
// web server (serve/web_server.h), with the session's marks for POST /mark.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/run_rows.h"

class AlarmMonitor;
class MeasurementSession;
class ModuleData;
class RunFeed;
class StderrDialogs;
class ServeThread;
struct RecordOptions;

struct ServePlan {
  bool on = false;
  QHostAddress address;
  quint16 port = 0;
  QByteArray token;  // empty: none
};

// The web view asked for: --serve, or else the settings' [Serve] (of the settings file given, or
// the per-user store); its token from --token-file, KORVALE_SERVE_TOKEN or [Serve] TokenFile.
// False, with the reason said, when it cannot be served so: a bad address or port, a token file
// that cannot be read or is empty, or no token for an address other than loopback.
bool PlanServe(const RecordOptions& options, ServePlan& plan, StderrDialogs& out);

class RecordServe {
 public:
  RecordServe(MeasurementSession& session, const ModuleData& md, AlarmMonitor& monitor);
  ~RecordServe();

  // Listens as planned (nothing when it is off); false, with the reason said, when it cannot.
  bool Start(const ServePlan& plan, StderrDialogs& out);
  // The metrics show the publishing destinations of source (nothing while not serving).
  void FollowDestinations(std::function<std::vector<PublishDestinationStatus>()> source);

 private:
  MeasurementSession& session_;
  std::unique_ptr<RunFeed> feed_;
  std::unique_ptr<ServeThread> server_;
  std::optional<RunMark> lastMark_;  // the newest mark of the session
};
