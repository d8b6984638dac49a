// The graph on its own controls without the main window: the shared data, the graph with its
// display-range state and a scripted dialog service.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWidget>
#include <algorithm>
#include <memory>

#include "core/module_data.h"
#include "graph/chart2d.h"
#include "graph/graph.h"
#include "graph/graph_controls.h"
#include "scripted_dialogs.h"

struct GraphRig {
  QWidget window;
  ModuleData md;
  ScriptedDialogs dialogs;
  GraphControls ui;
  std::unique_ptr<Graph> graph;

  GraphRig() {
    ui.Chart2D1 = new Chart2D(&window);
    // Each option group gets a parent of its own, as in the window's frames.
    auto* heiFrame = new QWidget(&window);
    ui.optHei[0] = new QRadioButton(QStringLiteral("自動"), heiFrame);
    ui.optHei[1] = new QRadioButton(QStringLiteral("固定"), heiFrame);
    ui.optHei[2] = new QRadioButton(QStringLiteral("追従"), heiFrame);
    ui.txtVhi = new QLineEdit(&window);
    ui.txtVlow = new QLineEdit(&window);
    ui.cmdSetScaleY = new QPushButton(QStringLiteral("設定"), &window);
    auto* widFrame = new QWidget(&window);
    ui.optWid[0] = new QRadioButton(QStringLiteral("全表示"), widFrame);
    ui.optWid[1] = new QRadioButton(QStringLiteral("自動ｽｸﾛｰﾙ"), widFrame);
    ui.optWid[2] = new QRadioButton(QStringLiteral("手動ｽｸﾛｰﾙ"), widFrame);
    ui.Combo1 = new QComboBox(&window);
    ui.cmdLeft = new QPushButton(QStringLiteral("←"), &window);
    ui.cmdRight = new QPushButton(QStringLiteral("→"), &window);
    ui.hsbWindow = new QScrollBar(Qt::Horizontal, &window);
    for (auto& l : ui.Label1) l = new QLabel(&window);
    ui.lblStatus = new QLabel(&window);
    ui.lblReadout = new QLabel(&window);
    ui.cmdClearCursors = new QPushButton(QStringLiteral("消去"), &window);

    graph = std::make_unique<Graph>(md, ui, dialogs);
  }

  GraphState& gs() { return graph->State(); }

  // The window load's graph steps.
  void Load() {
    graph->InitGraph();
    graph->InitGraphParam(false);
    graph->SetGraphTitle(false);
  }

  // Appends samples up to count with the value v(k) on every used unit, folded into the extremes.
  template <typename F>
  void FillTo(int32_t count, F v) {
    for (int32_t k = md.Record.SampleCount + 1; k <= count; ++k) {
      for (auto& u : md.Record.Units) {
        if (!u.MflagID) continue;
        const float value = v(k);
        u.Data[static_cast<size_t>(k - 1)] = value;
        md.Record.AllMax = std::max(md.Record.AllMax, value);
        md.Record.AllMin = std::min(md.Record.AllMin, value);
      }
    }
    md.Record.SampleCount = count;
  }
  void FillTo(int32_t count) {
    FillTo(count, [](int32_t k) { return static_cast<float>(k); });
  }

  // One sample after another, as the acquisition cycle moves the window.
  void AdvanceTo(int32_t count) {
    while (md.Record.SampleCount < count) {
      FillTo(md.Record.SampleCount + 1);
      graph->AdvanceAxesX();
    }
  }

  void PickCount(const QString& text) {
    ui.Combo1->setCurrentIndex(ui.Combo1->findText(text));
    graph->Combo1_Click();
  }

  double XMin() const { return ui.Chart2D1->AxisMin(Chart2D::Axis::X); }
  double XMax() const { return ui.Chart2D1->AxisMax(Chart2D::Axis::X); }
  double YMin() const { return ui.Chart2D1->AxisMin(Chart2D::Axis::Y); }
  double YMax() const { return ui.Chart2D1->AxisMax(Chart2D::Axis::Y); }
};

// The window in sample numbers, as the state holds it and as the axis shows it (interval 1 s).
#define EXPECT_WINDOW(rig, start, end)           \
  do {                                           \
    EXPECT_EQ((rig).gs().DispStart, (start));    \
    EXPECT_EQ((rig).gs().DispEnd, (end));        \
    EXPECT_DOUBLE_EQ((rig).XMin(), (start)*1.0); \
    EXPECT_DOUBLE_EQ((rig).XMax(), (end)*1.0);   \
  } while (0)
