// The main window "熱電対温度測定ユニット": its controls, its load and close handling, the command
// states and the commands that open the settings dialog and the data list window.
#pragma once

#include <QWidget>
#include <memory>

#include "graph/graph_state.h"
#include "measure/main_controls.h"

class Acquisition;
class QButtonGroup;
class DialogService;
class GraphPlot;
class GraphSetup;
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
  void DispConnectflg();

  // Data files (form_main_files.cpp): "保存", "読込み", and the read after its file dialog.
  void cmdSave_Click();
  void cmdRead_Click();
  // Reads an own data file, replaces the record set and the settings with it and replays it onto
  // the graph. Reports a failure (the record set then stays as it was) or a file without samples
  // to the operator; true when a record set was loaded.
  bool LoadDataFile(const QString& path);

  MainControls& Controls() { return ui_; }
  GraphState& Graph() { return gs_; }
  GraphSetup& Setup() { return *setup_; }
  GraphPlot& Plot() { return *plot_; }
  Acquisition& Measure() { return *acquisition_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();  // form_main_layout.cpp
  void ConnectControls();
  // Closes the data list window when it is open (cmdDisp disabled).
  void UnloadDatalist();

  ModuleData& md_;
  MDX4A& driver_;
  DialogService& dialogs_;
  MainControls ui_;
  GraphState gs_;
  std::unique_ptr<GraphPlot> plot_;
  std::unique_ptr<GraphSetup> setup_;
  std::unique_ptr<Acquisition> acquisition_;
  // The option arrays: a click of the operator reports the index of the button.
  QButtonGroup* optHeiGroup_ = nullptr;
  QButtonGroup* optWidGroup_ = nullptr;
};
