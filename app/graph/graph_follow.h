// Following a record set on the graph: the automatic vertical range as samples arrive, and the
// drawing of a whole record set in one go, ending where a measurement of it would have ended.
#pragma once

#include <functional>

class Chart2D;
class Graph;
class ModuleData;
struct RecordSet;

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
  // The range Apply leaves after samples 1..n of record arrived one by one.
  void ApplyThrough(const RecordSet& record, int32_t n);

 private:
  ModuleData& md_;
  Graph& graph_;
  bool fitted_ = true;  // the range has been fitted to a measured value
};

// Draws record (the record set the graph's data module holds, its extremes found) onto the graph
// from its first sample, titled with its start time, with the window and the vertical range a
// measurement of it would have left, and resumes the chart's redrawing.
void DrawRecordSet(const RecordSet& record, Graph& graph, Chart2D& chart, AutoRangeY& range);
