#include "graph/record_set_graph.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/module_data.h"
#include "graph/chart2d.h"

RecordSetGraph::RecordSetGraph(ModuleData& md, DialogService& dialogs)
    : md_(md), host_(std::make_unique<QWidget>()) {
  QWidget* host = host_.get();
  ui_.Chart2D1 = new Chart2D(host);
  ui_.Frame4 = new QGroupBox(host);
  for (auto& option : ui_.optHei) option = new QRadioButton(host);
  ui_.txtVhi = new QLineEdit(host);
  ui_.txtVlow = new QLineEdit(host);
  ui_.Label3 = new QLabel(host);
  ui_.Label4 = new QLabel(host);
  ui_.cmdSetScaleY = new QPushButton(host);
  for (auto& option : ui_.optWid) option = new QRadioButton(host);
  ui_.Combo1 = new QComboBox(host);
  ui_.Label5 = new QLabel(host);
  ui_.cmdLeft = new QPushButton(host);
  ui_.cmdRight = new QPushButton(host);
  ui_.Frame1 = new QGroupBox(host);
  for (auto& label : ui_.Label2) label = new QLabel(host);
  for (auto& label : ui_.Label1) label = new QLabel(host);
  ui_.lblStatus = new QLabel(host);

  graph_ = std::make_unique<Graph>(md_, ui_, dialogs);
  range_ = std::make_unique<AutoRangeY>(md_, *graph_);
  // As the main window's load sets up its graph.
  graph_->InitGraph();
  graph_->InitGraphParam(false);
  graph_->SetGraphTitle(false);
}

RecordSetGraph::~RecordSetGraph() = default;

void RecordSetGraph::ShowReadData() {
  graph_->ClearNowValue();
  // The file's measurement kind decides the unit of the values shown.
  ui_.Chart2D1->SetAxisTitle(Chart2D::Axis::Y,
                             md_.Record.MeasKind ? QStringLiteral("μV") : QStringLiteral("℃"));
  const int32_t samples = md_.Record.SampleCount;
  ReplayRecordSet(md_, *graph_, *ui_.Chart2D1, *range_, nullptr);
  md_.Record.SampleCount = samples;
}
