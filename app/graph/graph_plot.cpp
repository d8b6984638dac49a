#include "graph/graph_plot.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>

#include "core/module_data.h"
#include "core/number_text.h"
#include "dialogs/data_list_model.h"
#include "dialogs/dialog_datalist.h"
#include "dialogs/dialog_move_window.h"
#include "graph/chart2d.h"
#include "graph/graph_setup.h"
#include "graph/graph_state.h"
#include "graph/status_line.h"
#include "measure/main_controls.h"

namespace {

// X of sample k in seconds.
double SampleTime(int32_t k, int32_t intervalTM) {
  return static_cast<double>(k) * intervalTM / 1000.0;
}

}  // namespace

GraphPlot::GraphPlot(ModuleData& md, MainControls& ui, GraphState& gs)
    : md_(md), ui_(ui), gs_(gs) {}

void GraphPlot::GrDrawData(int32_t dCnt) {
  if (dCnt < 1) return;
  Chart2D* chart = ui_.Chart2D1;
  if (chart->NumSeries() != 4) chart->SetNumSeries(4);
  chart->BeginDataUpdate();
  const size_t slot = static_cast<size_t>(dCnt - 1);
  for (int i = 0; i < ModuleData::kUnits; ++i) chart->SetPointCount(i + 1, dCnt);
  chart->SetPointX(dCnt, SampleTime(dCnt, md_.IntervalTM));
  for (int i = 0; i < ModuleData::kUnits; ++i) DrawPoint(i, dCnt, slot);
  chart->EndDataUpdate();
}

void GraphPlot::DrawPoint(int unitIndex, int32_t k, size_t slot) {
  // A point of the previous record set may still sit there: a sample without a value and a unit
  // that is not used clear it, so the graph never shows an old measurement as a new one.
  const UnitRecord& unit = md_.Units[static_cast<size_t>(unitIndex)];
  const float v = unit.MflagID && slot < unit.Data.size() ? unit.Data[slot] : ModuleData::NoData;
  if (v == ModuleData::NoData) {
    ui_.Chart2D1->ClearPointY(unitIndex + 1, k);
  } else {
    ui_.Chart2D1->SetPointY(unitIndex + 1, k, static_cast<double>(v));
  }
}

void GraphPlot::GrDrawData1() {
  Chart2D* chart = ui_.Chart2D1;
  if (chart->NumSeries() != 4) chart->SetNumSeries(4);
  chart->BeginDataUpdate();
  const int32_t count = md_.SampleCount;
  for (int i = 0; i < ModuleData::kUnits; ++i) chart->SetPointCount(i + 1, count);
  // X is shared by the series and written for every sample, so the curve stays in time order
  // whatever the previous record set left there.
  for (int32_t k = 1; k <= count; ++k) {
    const size_t slot = static_cast<size_t>(k - 1);
    chart->SetPointX(k, SampleTime(k, md_.IntervalTM));
    for (int i = 0; i < ModuleData::kUnits; ++i) DrawPoint(i, k, slot);
  }
  chart->EndDataUpdate();
}

void GraphPlot::AdvanceAxesX() {
  const int32_t samples = md_.SampleCount;
  switch (gs_.ScrollMode) {
    case 0: {
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
    case 1: {
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
    default:
      return;  // manual scroll: the window stays where the operator put it
  }
  setup_->SetAxesX(gs_.DispStart, gs_.DispEnd);
}

void GraphPlot::InitDispCountList() {
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

int32_t GraphPlot::Combo1Value() const {
  bool ok = false;
  const int32_t value = ui_.Combo1->currentText().toInt(&ok);
  if (ok && value > 0) return value;
  // An empty list (before it is filled) keeps the current width, or the width at start-up.
  return gs_.DispCount > 0 ? gs_.DispCount : 100;
}

void GraphPlot::SelectOptWid(int16_t index) {
  QRadioButton* button = ui_.optWid[static_cast<size_t>(index)];
  {
    // The handler runs once below, whether or not the form listens to the button's signals.
    const QSignalBlocker blocker(button);
    button->setChecked(true);
  }
  optWid_Click(index);
}

void GraphPlot::optWid_Click(int16_t index) {
  const int16_t previous = gs_.ScrollMode;
  gs_.ScrollMode = index;
  const int32_t samples = md_.SampleCount;
  switch (index) {
    case 0:
      gs_.DispStart = 1;
      if (md_.Measuring) {
        const int32_t unit = samples >= 1000 ? 1000 : 100;
        gs_.DispCount = samples <= 100 ? 100 : unit * (samples / unit + 1);
      } else {
        gs_.DispCount = samples < 1 ? 100 : samples;
      }
      gs_.DispEnd = gs_.DispCount;
      break;
    case 1:
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
      if (previous == 0) gs_.DispStart = 1;
      gs_.DispCount = Combo1Value();
      gs_.DispEnd = gs_.DispStart + gs_.DispCount - 1;
      break;
  }
  EnableScrollControls(index);
  setup_->SetAxesX(gs_.DispStart, gs_.DispEnd);
}

void GraphPlot::EnableScrollControls(int16_t mode) {
  ui_.cmdLeft->setEnabled(mode == 2);
  ui_.cmdRight->setEnabled(mode == 2);
  ui_.Combo1->setEnabled(mode != 0);
}

void GraphPlot::Combo1_Click() {
  const int32_t count = Combo1Value();
  if (count == gs_.DispCount) return;
  gs_.DispCount = count;
  if (md_.Measuring && gs_.ScrollMode == 1) {
    if (gs_.DispStart <= 1) {
      gs_.DispEnd = gs_.DispCount;
    } else {
      // May start at 0 while fewer samples than the width exist; the axis then shows empty time.
      gs_.DispStart = gs_.DispCount * (md_.SampleCount / gs_.DispCount);
      gs_.DispEnd = gs_.DispStart + gs_.DispCount - 1;
    }
  } else {
    gs_.DispEnd = gs_.DispStart + gs_.DispCount - 1;
  }
  setup_->SetAxesX(gs_.DispStart, gs_.DispEnd);
}

void GraphPlot::cmdLeft_Click() {
  if (gs_.ScrollMode != 2) return;
  gs_.DispCount = Combo1Value();
  gs_.DispStart -= gs_.DispCount / 2;
  if (gs_.DispStart <= 1) gs_.DispStart = 1;
  gs_.DispEnd = gs_.DispStart + gs_.DispCount - 1;
  setup_->SetAxesX(gs_.DispStart, gs_.DispEnd);
}

void GraphPlot::cmdRight_Click() {
  if (gs_.ScrollMode != 2) return;
  gs_.DispCount = Combo1Value();
  const int32_t half = gs_.DispCount / 2;
  if (gs_.DispStart > md_.SampleCount - half) return;
  gs_.DispStart += half;
  gs_.DispEnd = gs_.DispStart + gs_.DispCount - 1;
  setup_->SetAxesX(gs_.DispStart, gs_.DispEnd);
}

void GraphPlot::cmdMove_Click(int16_t /*index*/) {
  // All four buttons open the same tool window.
  if (!ui_.moveWindow) ui_.moveWindow = new DialogMoveWindow(ui_.window, ui_.window);
  ui_.moveWindow->show();
  ui_.moveWindow->raise();
}

void GraphPlot::ClearNowValue() {
  for (QLabel* label : ui_.Label1) label->clear();
}

void GraphPlot::DispNowValue() {
  const int32_t samples = md_.SampleCount;
  if (samples < 1) return;
  for (size_t i = 0; i < md_.Units.size(); ++i) {
    const UnitRecord& unit = md_.Units[i];
    if (!unit.MflagID || static_cast<size_t>(samples) > unit.Data.size()) continue;
    ui_.Label1[i]->setText(FormatFixed3(unit.Data[static_cast<size_t>(samples - 1)]));
  }
}

void GraphPlot::DispNowValueUnit() {
  for (size_t i = 0; i < md_.Units.size(); ++i) {
    const UnitRecord& unit = md_.Units[i];
    if (!unit.MflagID || unit.DataCount <= 0) continue;
    if (static_cast<size_t>(unit.DataCount) > unit.Data.size()) continue;
    ui_.Label1[i]->setText(FormatFixed3(unit.Data[static_cast<size_t>(unit.DataCount - 1)]));
  }
}

void GraphPlot::DispDataList() {
  // The list window is open exactly while "データ表示" is disabled.
  if (!ui_.cmdDisp || ui_.cmdDisp->isEnabled()) return;
  DialogDatalist* list = ui_.datalist;
  if (!list) return;
  list->Model()->Load(md_, DataListModel::kNoDataFieldRebuild);
  // The label names the last sample listed; an empty record set lists none and leaves it.
  if (md_.SampleCount >= 1) list->lblDataNum->setText(QString::number(md_.SampleCount));
  list->update();
  const int rows = list->Model()->rowCount();
  if (rows < 1) return;
  const QModelIndex last = list->Model()->index(rows - 1, 0);
  list->List1->selectionModel()->setCurrentIndex(last, QItemSelectionModel::ClearAndSelect);
  list->List1->scrollTo(last);
}

void GraphPlot::DispStatus() {
  QLabel* label = ui_.lblStatus;
  if (!label) return;
  if (md_.SampleCount < 1 && !md_.Measuring) {
    label->clear();
    return;
  }
  const StatusLine line = MakeStatusLine(md_.SampleCount, ModuleData::MaxData, md_.IntervalTM);
  label->setText(line.text);
  // A warning in the line itself, in red: a message box would stop nobody's measurement.
  label->setStyleSheet(line.warning ? QStringLiteral("color: #c00000;") : QString());
}
