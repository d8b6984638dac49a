// The settings dialog "取込設定": used units and their thermocouple types, thermocouple or voltage,
// the sampling interval in 10 ms steps or in seconds, averaging, and continuous recording into a
// folder, the destinations the measurement is published to ([Publish] of the settings store,
// written on OK) and the port of the web view. OK checks the input, writes the settings variables
// (and the web view's settings, when given), sets SettingOK and closes.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <optional>

class DialogService;
class ModuleData;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct ServeSettings;

class DialogSetting : public QDialog {
  Q_OBJECT

 public:
  // Builds the controls and presets them from the settings variables (the load handler).
  // With serve, a line for the web view's port.
  DialogSetting(ModuleData& md, DialogService& dialogs, QWidget* parent = nullptr,
                ServeSettings* serve = nullptr);

  void InitTypeList();
  bool CheckInput();
  bool CheckUnitSelect();
  bool CheckInterval();
  bool CheckServePort();
  void ApplySettings();
  void OKButton_Click();
  void CancelButton_Click();
  void chkAverage_Click();

  std::array<QCheckBox*, 4> chkID{};
  std::array<QComboBox*, 4> Combo1{};
  std::array<QLineEdit*, 4> txtName{};      // the channel names, at most 32 characters
  std::array<QRadioButton*, 2> optType{};   // "熱電対", "電圧値"
  std::array<QRadioButton*, 2> optTimer{};  // "ミリ秒", "秒"
  std::array<QLineEdit*, 2> txtTime{};
  QCheckBox* chkAverage = nullptr;
  QCheckBox* chkContinuous = nullptr;  // "連続記録"
  QLineEdit* txtFolder = nullptr;      // its folder; empty: ~/korvale-records
  QLineEdit* txtServePort = nullptr;  // "ウェブ公開ポート"; empty: not served (with serve only)
  QLineEdit* txtPublish = nullptr;  // "送信先": the publishing URLs, blanks between them
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QGroupBox* Frame1 = nullptr;           // "使用ユニットと種類"
  QGroupBox* Frame2 = nullptr;           // "測定間隔"
  QGroupBox* Frame3 = nullptr;           // "種類"
  std::array<QLabel*, 2> lblTimeUnit{};  // "×10msec", "秒"

  // Interval text shown for an interval in milliseconds divided by the unit of its box (10 or
  // 1000): the shortest decimal text of the quotient (1000 / 10 gives "100", 15 / 10 "1.5").
  static QString IntervalText(int32_t intervalMs, int32_t unitMs);

 private:
  // The controls, one group at a time in the order of the focus chain.
  void BuildControls();
  void BuildUnitGroup();      // "使用ユニットと種類"
  void BuildTypeGroup();      // "種類"
  void BuildIntervalGroup();  // "測定間隔"
  QHBoxLayout* BuildRecordingRow();
  QHBoxLayout* BuildServeRow();
  // The port entered: 0 for none, nothing when it is not 1..65535.
  std::optional<int> EnteredPort() const;
  QHBoxLayout* BuildPublishRow();
  // The publishing URLs entered; false, told, when one cannot be used.
  bool CheckPublish();
  void FormLoad();
  // The interval in milliseconds entered in the chosen box, or nothing when it is not valid.
  std::optional<int32_t> EnteredInterval() const;

  ModuleData& md_;
  DialogService& dialogs_;
  ServeSettings* serve_;
};
