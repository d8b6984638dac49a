// The acquisition cycle: start and stop of a measurement, the computer-paced tick (Timer1), the
// unit-paced poll (Timer2) and the replay of a record set read from a file.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class QDateTime;

class DialogService;
class FormMain;
class Graph;
class MDX4A;
class ModuleData;
struct MainControls;

// Followers of the record set while it is measured (the recording journal): the measurement has
// started storing samples, a tick or poll has stored samples, the measurement has stopped.
struct AcquisitionHooks {
  std::function<void()> started, samplesStored, stopped;
};

class Acquisition {
 public:
  // form: the main window, for its command states and its data list window.
  Acquisition(ModuleData& md, MDX4A& driver, DialogService& dialogs, MainControls& ui, Graph& graph,
              FormMain& form);

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

  // The rate passed to the units in the unit-paced mode, in units of 10 ms.
  int16_t UnitRate() const;
  // "yyyy/m/d h:m:s" without leading zeros.
  static QString FormatStartTime(const QDateTime& t);

  AcquisitionHooks hooks;

 private:
  // Guards a timer handler: a tick that arrives while another one (or a message box it opened)
  // is still running is dropped.
  class TickGuard;

  // The automatic Y range after new samples: fit to the extremes at the first sample (or poll),
  // widen afterwards.
  void ApplyAutoScaleY(bool first);
  void ResumeRedraw();
  // Stores one value of a unit in its next slot and folds it into the unit's extremes. Returns
  // true when the unit's buffer is now full.
  bool StoreUnitValue(int unit, float v);
  // One poll of the used units; `average` folds AverageCount raw readings into one sample.
  bool FetchUnits(bool average);
  // The display steps of a poll after the readings were stored.
  void ShowPoll();

  ModuleData& md_;
  MDX4A& driver_;
  DialogService& dialogs_;
  MainControls& ui_;
  Graph& graph_;
  FormMain& form_;
  bool inTick_ = false;  // a tick (with the message boxes it opened) is still running
  uint32_t run_ = 0;     // counts starts, so a tick can tell that its measurement has ended
  bool fitted_ = true;   // the automatic Y range has been fitted to a measured value
};
