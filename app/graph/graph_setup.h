// Set-up of the main window's time graph: series, titles, the Y range (automatic or fixed, with
// its validation) and the mapping of sample numbers onto the time axis.
#pragma once

#include <cstdint>

class DialogService;
class GraphPlot;
class ModuleData;
struct GraphState;
struct MainControls;

class GraphSetup {
 public:
  GraphSetup(ModuleData& md, MainControls& ui, GraphState& gs, DialogService& dialogs,
             GraphPlot& plot);

  void InitGraph();
  void SetGraphStyle();
  void InitGraphParam(bool flg);
  bool SetGraphParam();
  void SetAxesY(float minV, float maxV);
  void SetAxesX(int32_t dcnt1, int32_t dcnt2);
  void ResetAxesXY(bool flg);
  void SetGraphTitle(bool reset);
  void SetScaleYInput(bool fixed);
  void CalcAutoScaleY();
  void optHei_Click(int16_t index);
  void cmdSetScaleY_Click();
  // Selects optHei(index) from code; runs optHei_Click as the operator's click would.
  void SelectOptHei(int16_t index);
  // The default Y range of the current measurement kind.
  void DefaultRangeY(float& minV, float& maxV) const;

 private:
  ModuleData& md_;
  MainControls& ui_;
  GraphState& gs_;
  DialogService& dialogs_;
  GraphPlot& plot_;
};

// Builds the four series labels ("ID0 " + type name, ...) and replaces the chart's labels.
void DispConnectflg(MainControls& ui, const ModuleData& md);
