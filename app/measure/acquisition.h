// The acquisition cycle: start and stop of a measurement, the computer-paced tick (Timer1), the
// unit-paced poll (Timer2) and the replay of a record set read from a file.
#pragma once

#include <cstdint>
#include <functional>

class DialogService;
class GraphPlot;
class GraphSetup;
class MDX4A;
class ModuleData;
struct GraphState;
struct MainControls;

class Acquisition {
 public:
  Acquisition(ModuleData& md, MDX4A& driver, DialogService& dialogs, MainControls& ui,
              GraphState& gs, GraphSetup& setup, GraphPlot& plot,
              std::function<void()> setButtonState);

  void cmdStart_Click();
  void cmdStop_Click();
  void StopMeasure();
  void Timer1_Timer();
  void SampleTick();
  bool ReadSingleAverage();
  void Timer2_Timer();
  void PollTick();
  bool CheckBufferSpace();
  bool ReadDatas();
  bool ReadDatasAverage();
  void UpdateSampleCount();
  void ReplayData();

 private:
  ModuleData& md_;
  MDX4A& driver_;
  DialogService& dialogs_;
  MainControls& ui_;
  GraphState& gs_;
  GraphSetup& setup_;
  GraphPlot& plot_;
  std::function<void()> setButtonState_;
  bool inTick_ = false;  // a tick (with the message boxes it opened) is still running
};
