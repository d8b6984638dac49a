// The window's part of the marks: "マーク" with its text field and the key M add a mark at the
// newest sample while measuring; a right click on the graph adds one at the sample under the
// pointer on a record set that is not being measured (one read back, or a finished measurement).
// The graph shows them; whoever lists the samples hears of them through marksChanged.
#pragma once

#include <QObject>
#include <cstdint>
#include <vector>

#include "graph/cursor_statistics.h"

class Chart2D;
class Graph;
struct AlarmEvent;
class MeasurementSession;
class ModuleData;
struct AlarmSettings;
struct MainControls;

class WindowMarks : public QObject {
  Q_OBJECT

 public:
  WindowMarks(ModuleData& md, MeasurementSession& session, MainControls& ui, Graph& graph);

  // "マーク" and M: a mark at the newest sample, while measuring.
  void AddMarkNow();
  // The right click at time x (seconds): a mark at the nearest sample, while not measuring.
  void AddMarkAt(double x);

 signals:
  void marksChanged();

 private:
  void Shown();

  ModuleData& md_;
  MeasurementSession& session_;
  MainControls& ui_;
  Graph& graph_;
};

// The alarm events of record set `recordSet` of the run as triangles on the chart's time axis.
void ShowAlarmEvents(Chart2D& chart, const std::vector<AlarmEvent>& events, int32_t recordSet);

// The alarm limits switched on, for the statistics' time past them.
StatisticsLimits StatisticsLimitsOf(const AlarmSettings& settings);
