// The window's web view: while "取込設定" has a port ([Serve] Port of the per-user settings, with
// Address and TokenFile), the window's measurements can be watched from a browser and scraped
// by Prometheus, as `korvale --record --serve` does; a mark may be made from the page. A listener
// other than loopback needs a token ([Serve] TokenFile or KORVALE_SERVE_TOKEN); without one, or
// when the address cannot be listened on, the window says why and serves nothing.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/run_rows.h"
#include "core/serve_settings.h"

class AlarmMonitor;
class DialogService;
class MeasurementSession;
class ModuleData;
class RunFeed;
class ServeThread;

class WindowServe {
 public:
  WindowServe(MeasurementSession& session, const ModuleData& md, AlarmMonitor& monitor,
              DialogService& dialogs);
  ~WindowServe();

  // The settings as the dialog edits them; Apply takes them.
  ServeSettings& Settings() { return settings_; }
  // Listens as the settings say, after stopping what listened before; the reason is shown when
  // it cannot.
  void Apply();
  // The metrics show the publishing destinations of source.
  void FollowDestinations(std::function<std::vector<PublishDestinationStatus>()> source);
  // The port listened on, 0 when none.
  quint16 Port() const;

 private:
  // Why the settings cannot be served (Japanese), empty when they can; the token read into token.
  QString Problem(QByteArray& token) const;

  MeasurementSession& session_;
  DialogService& dialogs_;
  ServeSettings settings_;
  std::unique_ptr<RunFeed> feed_;
  std::unique_ptr<ServeThread> server_;
  std::optional<RunMark> lastMark_;  // the newest mark of the session
  std::function<std::vector<PublishDestinationStatus>()> destinations_;
};
