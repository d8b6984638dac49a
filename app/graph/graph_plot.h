// Plotting samples into the time graph, the horizontal window (full display, automatic and manual
// scroll with the display-count list), the current-value panel and the rebuild of the data list.
#pragma once

#include <cstddef>
#include <cstdint>

class GraphSetup;
class ModuleData;
struct GraphState;
struct MainControls;

class GraphPlot {
 public:
  GraphPlot(ModuleData& md, MainControls& ui, GraphState& gs);
  // GraphSetup and GraphPlot call each other; the setup is attached after both exist.
  void SetGraphSetup(GraphSetup& setup) { setup_ = &setup; }

  void GrDrawData(int32_t dCnt);
  void GrDrawData1();
  void AdvanceAxesX();
  void InitDispCountList();
  void optWid_Click(int16_t index);
  void Combo1_Click();
  void cmdLeft_Click();
  void cmdRight_Click();
  void cmdMove_Click(int16_t index);
  void ClearNowValue();
  void DispNowValue();
  void DispNowValueUnit();
  void DispDataList();
  // The status line: samples stored, measuring time and time left, or nothing without samples.
  void DispStatus();
  // Selects optWid(index) from code; runs optWid_Click as the operator's click would.
  void SelectOptWid(int16_t index);
  // The number shown in Combo1.
  int32_t Combo1Value() const;
  // Enables the scroll buttons and the count list as the X display mode wants them: full display
  // neither, automatic scroll the list, manual scroll both.
  void EnableScrollControls(int16_t mode);

 private:
  // Point k of unit i's series from buffer slot `slot`: its value, or no point.
  void DrawPoint(int unitIndex, int32_t k, size_t slot);

  ModuleData& md_;
  MainControls& ui_;
  GraphState& gs_;
  GraphSetup* setup_ = nullptr;
};
