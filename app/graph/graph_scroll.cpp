// The horizontal window of the graph: full display, automatic and manual scroll, the display
// count list and the advance of the window as samples arrive.
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>

#include "core/module_data.h"
#include "graph/graph.h"
#include "graph/graph_controls.h"

void Graph::AdvanceAxesX() {
  const int32_t samples = md_.Record.SampleCount;
  switch (gs_.ScrollMode) {
    case XWindowMode::FullDisplay: {
      gs_.DispStart = 1;
      if (gs_.DispEnd >= samples) return;
      int32_t step = 10000;
      if (samples < 100) {
        step = 10;
      } else if (samples < 1000) {
        step = 100;
      } else if (samples < 10000) {
        step = 1000;
      }
      // As many steps as it takes to cover the last sample: a poll may bring many samples at once.
      do {
        gs_.DispCount += step;
        gs_.DispEnd = gs_.DispCount;
      } while (gs_.DispEnd < samples);
      break;
    }
    case XWindowMode::AutoScroll: {
      if (gs_.DispEnd >= samples) return;
      // Half a width per step, as many steps as it takes for the right edge to reach the last
      // sample; one step per sample would fall behind a poll that brings more than half a width.
      const int32_t half = std::max<int32_t>(gs_.DispCount / 2, 1);
      do {
        gs_.DispStart += half;
        gs_.DispEnd = gs_.DispStart + gs_.DispCount - 1;
      } while (gs_.DispEnd < samples);
      break;
    }
    case XWindowMode::ManualScroll:
    default:
      return;  // manual scroll: the window stays where the operator put it
  }
  SetAxesX(gs_.DispStart, gs_.DispEnd);
}

void Graph::InitDispCountList() {
  QComboBox* combo = ui_.Combo1;
  {
    // Emptying and filling the list is not a choice of the operator.
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (int scale = 10; scale <= 10000; scale *= 10) {
      for (int j = 1; j <= 9; ++j) combo->addItem(QString::number(j * scale));
    }
    combo->setCurrentIndex(combo->findText(QStringLiteral("100")));
  }
  Combo1_Click();
}

int32_t Graph::Combo1Value() const {
  bool ok = false;
  const int32_t value = ui_.Combo1->currentText().toInt(&ok);
  if (ok && value > 0) return value;
  // An empty list (before it is filled) keeps the current width, or the width at start-up.
  return gs_.DispCount > 0 ? gs_.DispCount : 100;
}

void Graph::SelectOptWid(int16_t index) {
  QRadioButton* button = ui_.optWid[static_cast<size_t>(index)];
  {
    // The handler runs once below, whether or not the form listens to the button's signals.
    const QSignalBlocker blocker(button);
    button->setChecked(true);
  }
  optWid_Click(index);
}

void Graph::optWid_Click(int16_t index) {
  // A mode chosen now is the one to return to.
  resumeMode_.reset();
  const XWindowMode previous = gs_.ScrollMode;
  const auto mode = static_cast<XWindowMode>(index);
  gs_.ScrollMode = mode;
  const int32_t samples = md_.Record.SampleCount;
  switch (mode) {
    case XWindowMode::FullDisplay:
      gs_.DispStart = 1;
      if (md_.Measuring) {
        const int32_t unit = samples >= 1000 ? 1000 : 100;
        gs_.DispCount = samples <= 100 ? 100 : unit * (samples / unit + 1);
      } else {
        gs_.DispCount = samples < 1 ? 100 : samples;
      }
      gs_.DispEnd = gs_.DispCount;
      break;
    case XWindowMode::AutoScroll:
      gs_.DispCount = Combo1Value();
      if (md_.Measuring && samples > gs_.DispCount) {
        // Spans DispCount + 1 samples until the next advance restores the width.
        const int32_t half = std::max<int32_t>(gs_.DispCount / 2, 1);
        gs_.DispStart = half * (samples / half);
        gs_.DispEnd = gs_.DispStart + gs_.DispCount;
      } else if (md_.Measuring) {
        gs_.DispEnd = gs_.DispCount;
      }
      break;
    default:
      if (previous == XWindowMode::FullDisplay) gs_.DispStart = 1;
      gs_.DispCount = Combo1Value();
      gs_.DispEnd = gs_.DispStart + gs_.DispCount - 1;
      break;
  }
  EnableScrollControls(mode);
  SetAxesX(gs_.DispStart, gs_.DispEnd);
}

void Graph::EnableScrollControls(XWindowMode mode) {
  ui_.cmdLeft->setEnabled(mode == XWindowMode::ManualScroll);
  ui_.cmdRight->setEnabled(mode == XWindowMode::ManualScroll);
  ui_.Combo1->setEnabled(mode != XWindowMode::FullDisplay);
}

void Graph::Combo1_Click() {
  const int32_t count = Combo1Value();
  if (count == gs_.DispCount) return;
  gs_.DispCount = count;
  if (md_.Measuring && gs_.ScrollMode == XWindowMode::AutoScroll) {
    if (gs_.DispStart <= 1) {
      gs_.DispEnd = gs_.DispCount;
    } else {
      // May start at 0 while fewer samples than the width exist; the axis then shows empty time.
      gs_.DispStart = gs_.DispCount * (md_.Record.SampleCount / gs_.DispCount);
      gs_.DispEnd = gs_.DispStart + gs_.DispCount - 1;
    }
  } else {
    gs_.DispEnd = gs_.DispStart + gs_.DispCount - 1;
  }
  SetAxesX(gs_.DispStart, gs_.DispEnd);
}

void Graph::cmdLeft_Click() {
  if (gs_.ScrollMode != XWindowMode::ManualScroll) return;
  gs_.DispCount = Combo1Value();
  gs_.DispStart -= gs_.DispCount / 2;
  if (gs_.DispStart <= 1) gs_.DispStart = 1;
  gs_.DispEnd = gs_.DispStart + gs_.DispCount - 1;
  SetAxesX(gs_.DispStart, gs_.DispEnd);
}

void Graph::cmdRight_Click() {
  if (gs_.ScrollMode != XWindowMode::ManualScroll) return;
  gs_.DispCount = Combo1Value();
  const int32_t half = gs_.DispCount / 2;
  if (gs_.DispStart > md_.Record.SampleCount - half) return;
  gs_.DispStart += half;
  gs_.DispEnd = gs_.DispStart + gs_.DispCount - 1;
  SetAxesX(gs_.DispStart, gs_.DispEnd);
}
