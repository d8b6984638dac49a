// Following a record set on the graph: the automatic vertical range as samples arrive, and the
// redraw of a whole record set, sample by sample, through the same steps a measurement takes.
#pragma once

#include <functional>

class Chart2D;
class Graph;
class ModuleData;

// The automatic Y range after new samples: fitted to the extremes at the first sample (or poll)
// of a record set, widened afterwards.
class AutoRangeY {
 public:
  AutoRangeY(ModuleData& md, Graph& graph) : md_(md), graph_(graph) {}

  // A new record set begins.
  void Restart() { fitted_ = true; }
  // After new samples; first: the first sample (computer-paced) or poll (unit-paced) of the record
  // set. Nothing happens while the range is fixed.
  void Apply(bool first);

 private:
  ModuleData& md_;
  Graph& graph_;
  bool fitted_ = true;  // the range has been fitted to a measured value
};

// Draws md's record set (SampleCount samples) onto the graph from its first sample, titled with
// its start time, and resumes the chart's redrawing. whileShown runs once every sample is drawn,
// while md still counts them as measured; afterwards SampleCount is 0 and Measuring false, and the
// caller restores the count.
void ReplayRecordSet(ModuleData& md, Graph& graph, Chart2D& chart, AutoRangeY& range,
                     const std::function<void()>& whileShown);
