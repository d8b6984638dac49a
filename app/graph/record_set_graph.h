// A time graph of its own that is never shown, for drawing a record set without a window (the
// page of `korvale --convert IN OUT.pdf`): the graph's controls on a widget of their own, set up
// as the main window sets up its graph when it opens, and showing a record set as "読込み" shows
// one.
#pragma once

#include <QWidget>
#include <memory>

#include "graph/graph.h"
#include "graph/graph_controls.h"
#include "graph/graph_follow.h"

class Chart2D;
class DialogService;
class ModuleData;

class RecordSetGraph {
 public:
  // The graph of md, set up with md's settings as they are now; messages go to dialogs.
  RecordSetGraph(ModuleData& md, DialogService& dialogs);
  ~RecordSetGraph();
  RecordSetGraph(const RecordSetGraph&) = delete;
  RecordSetGraph& operator=(const RecordSetGraph&) = delete;

  // Draws md's record set (just read from a file) from its first sample, as the window does
  // after "読込み"; its extremes are found on the way.
  void ShowReadData();

  Chart2D& Chart() { return *ui_.Chart2D1; }

 private:
  ModuleData& md_;
  std::unique_ptr<QWidget> host_;  // parent of the controls, never shown
  GraphControls ui_;
  std::unique_ptr<Graph> graph_;
  std::unique_ptr<AutoRangeY> range_;
};
