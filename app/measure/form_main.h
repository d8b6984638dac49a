// The main window "熱電対温度測定ユニット": its controls, its load and close handling, the command
// states and the commands that open the settings dialog and the data list window.
#pragma once

#include <QWidget>
#include <memory>

#include "graph/graph.h"
#include "measure/main_controls.h"

class Acquisition;
class QButtonGroup;
class DialogService;
class MDX4A;
class ModuleData;

class FormMain : public QWidget {
  Q_OBJECT

 public:
  // Builds the controls and runs Form_Load.
  FormMain(ModuleData& md, MDX4A& driver, DialogService& dialogs, QWidget* parent = nullptr);
  ~FormMain() override;

  void Form_Load();
  // Sets cancel to true to refuse the close.
  void Form_QueryUnload(bool& cancel);
  void SetButtonState();
  void cmdEnd_Click();
  void cmdSetting_Click();
  void cmdDisp_Click();
  void cmdMeasInfo_Click();
  void cmdMove_Click(int16_t index);
  void DispConnectflg();

  // The data list window: the one place that knows whether it is open ("データ表示" disabled).
  bool DatalistOpen() const;
  // Closes the data list window when it is open.
  void UnloadDatalist();
  // Empties the open list before a record set is replayed into memory.
  void ClearDatalist();
  // Lists the record set again in the open window (nothing happens while it is closed).
  void DispDataList();

  MainControls& Controls() { return ui_; }
  ::Graph& Graph() { return *graph_; }
  Acquisition& Measure() { return *acquisition_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();  // form_main_layout.cpp
  void ConnectControls();

  ModuleData& md_;
  MDX4A& driver_;
  DialogService& dialogs_;
  MainControls ui_;
  std::unique_ptr<::Graph> graph_;
  std::unique_ptr<Acquisition> acquisition_;
  // The option arrays: a click of the operator reports the index of the button.
  QButtonGroup* optHeiGroup_ = nullptr;
  QButtonGroup* optWidGroup_ = nullptr;
};
