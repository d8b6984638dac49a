// The settings dialog "取込設定": used units and their thermocouple types, thermocouple or voltage,
// the sampling interval in 10 ms steps or in seconds, and averaging. OK checks the input, writes
// the settings variables, sets SettingOK and closes.
#pragma once

#include <QDialog>
#include <array>

class DialogService;
class ModuleData;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class DialogSetting : public QDialog {
  Q_OBJECT

 public:
  // Builds the controls and presets them from the settings variables (the load handler).
  DialogSetting(ModuleData& md, DialogService& dialogs, QWidget* parent = nullptr);

  void InitTypeList();
  bool CheckInput();
  bool CheckUnitSelect();
  bool CheckInterval();
  void ApplySettings();
  void OKButton_Click();
  void CancelButton_Click();
  void chkAverage_Click();

  std::array<QCheckBox*, 4> chkID{};
  std::array<QComboBox*, 4> Combo1{};
  std::array<QRadioButton*, 2> optType{};   // "熱電対", "電圧値"
  std::array<QRadioButton*, 2> optTimer{};  // "ミリ秒", "秒"
  std::array<QLineEdit*, 2> txtTime{};
  QCheckBox* chkAverage = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  void FormLoad();

  ModuleData& md_;
  DialogService& dialogs_;
};
