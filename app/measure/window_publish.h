// The main window's publishing: at each start of a measurement, the destinations of the settings'
// [Publish] section ("取込設定") receive its rows, marks and alarm events through a Publisher
// (publish/), with their queues beside the journal. A label beside the status line says when a
// destination went away and when it caught up. After the stop the publisher goes on sending what
// waits until the next start with other destinations, or the window's end.
#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

class AlarmMonitor;
class MeasurementSession;
class ModuleData;
class Publisher;
class RunFeed;
struct MainControls;

class WindowPublish : public QObject {
 public:
  WindowPublish(MeasurementSession& session, const ModuleData& md, AlarmMonitor& monitor,
                MainControls& ui);
  ~WindowPublish() override;

  Publisher* Current() const { return publisher_.get(); }

 private:
  // Takes the destinations of the settings for the measurement that starts.
  void TakeDestinations();
  void Tell(const QString& text);

  MainControls& ui_;
  std::unique_ptr<Publisher> publisher_;
  QStringList urls_;  // those of publisher_
  std::unique_ptr<RunFeed> feed_;
};
