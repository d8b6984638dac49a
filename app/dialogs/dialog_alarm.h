// The alarm settings dialog "警報設定": for each unit an upper and a lower limit, each switched on
// or off, in the unit of the measurement kind; one hysteresis for all limits (empty: the kind's
// default); the open-thermocouple alarm; the sound; the command run on each raise and clear. OK
// refuses, with the reason, a limit that is not a number or that the unit cannot measure, a lower
// limit above the upper one and a negative hysteresis; otherwise it takes the settings over and
// closes.
#pragma once

#include <QDialog>
#include <array>

#include "alarm/alarm_settings.h"

class DialogService;
class ModuleData;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class DialogAlarm : public QDialog {
  Q_OBJECT

 public:
  // Shows settings for md's units and measurement kind.
  DialogAlarm(const AlarmSettings& settings, const ModuleData& md, DialogService& dialogs,
              QWidget* parent = nullptr);

  // The settings as confirmed by OK.
  const AlarmSettings& Settings() const { return settings_; }

  void OKButton_Click();

  std::array<QLabel*, 4> lblUnit{};  // "ID0 K" .. or "ID0 電圧値"
  std::array<QCheckBox*, 4> chkHigh{};
  std::array<QLineEdit*, 4> txtHigh{};
  std::array<QCheckBox*, 4> chkLow{};
  std::array<QLineEdit*, 4> txtLow{};
  QLineEdit* txtHysteresis = nullptr;
  QCheckBox* chkOpen = nullptr;
  QCheckBox* chkSound = nullptr;
  QLineEdit* txtCommand = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  // The controls, one group at a time in the order of the focus chain.
  void BuildControls();
  // "警報の限界値": each unit's two limits, and the hysteresis under them.
  QGroupBox* BuildLimitsGroup();
  // The command run on each raise and clear: its box, and the label over it (returned).
  QLabel* BuildCommandBox();
  void Load();
  // The settings the controls hold; false with the reason shown when a text is not a number.
  bool Read(AlarmSettings& out);

  AlarmSettings settings_;
  const ModuleData& md_;
  DialogService& dialogs_;
};
