#include "graph/graph_input.h"

#include <QPushButton>
#include <QScrollBar>
#include <QToolTip>

#include "graph/chart2d.h"
#include "graph/graph.h"
#include "graph/graph_controls.h"

GraphInput::GraphInput(Graph& graph, GraphControls& ui) : graph_(graph), ui_(ui) {
  Chart2D* chart = ui_.Chart2D1;
  connect(chart, &Chart2D::wheelTurned, this,
          [this](double x, double y, double steps, Qt::KeyboardModifiers modifiers) {
            if (modifiers & Qt::ControlModifier) {
              graph_.ZoomY(y, steps);
            } else {
              graph_.ZoomX(x, steps);
            }
          });
  connect(chart, &Chart2D::dragged, this,
          [this](double dx, double dy, Qt::KeyboardModifiers modifiers) {
            if (modifiers & Qt::ControlModifier) {
              graph_.PanY(dy);
            } else {
              graph_.PanX(dx);
            }
          });
  connect(chart, &Chart2D::clicked, this, &GraphInput::OnClicked);
  connect(chart, &Chart2D::doubleClicked, this, &GraphInput::OnDoubleClicked);
  connect(chart, &Chart2D::hovered, this, [this](double x, const QPoint& pos) {
    const QString text = graph_.HoverText(x);
    if (text.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(pos, text, ui_.Chart2D1);
    }
  });
  connect(chart, &Chart2D::hoverLeft, this, [] { QToolTip::hideText(); });
  connect(chart, &Chart2D::keyPressed, this,
          [this](int key, Qt::KeyboardModifiers modifiers, bool* handled) {
            *handled = graph_.KeyPress(key, modifiers);
          });
  if (ui_.hsbWindow) {
    connect(ui_.hsbWindow, &QScrollBar::valueChanged, this,
            [this](int value) { graph_.ScrollTo(value); });
  }
  if (ui_.cmdClearCursors) {
    connect(ui_.cmdClearCursors, &QPushButton::clicked, this, [this] { graph_.ClearCursors(); });
  }
}

void GraphInput::OnClicked(double x, Qt::KeyboardModifiers modifiers) {
  cursorsBeforeClick_ = graph_.Cursors();
  graph_.PlaceCursor((modifiers & Qt::ShiftModifier) ? 1 : 0, x);
}

void GraphInput::OnDoubleClicked() {
  graph_.SetCursors(cursorsBeforeClick_);
  graph_.ReturnToChosenView();
}
