// The operator's hand on the graph: the chart's wheel, drag, clicks, pointer and keys, the
// scrollbar under it and the cursor panel's button, each passed to the Graph's routine for it.
#pragma once

#include <QObject>
#include <array>
#include <cstdint>

class Graph;
struct GraphControls;

class GraphInput : public QObject {
 public:
  GraphInput(Graph& graph, GraphControls& ui);

 private:
  void OnClicked(double x, Qt::KeyboardModifiers modifiers);
  void OnDoubleClicked();

  Graph& graph_;
  GraphControls& ui_;
  // The cursors before the last click: the first click of a double click places none.
  std::array<int32_t, 2> cursorsBeforeClick_{};
};
