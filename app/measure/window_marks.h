// The window's part of the marks: "マーク" with its text field and the key M add a mark at the
// newest sample while measuring; a right click on the graph adds one at the sample under the
// pointer on a record set that is not being measured (one read back, or a finished measurement).
// The graph shows them; whoever lists the samples hears of them through marksChanged.
#pragma once

#include <QObject>

#include "graph/cursor_statistics.h"

class Graph;
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

// The alarm limits switched on, for the statistics' time past them.
StatisticsLimits StatisticsLimitsOf(const AlarmSettings& settings);
