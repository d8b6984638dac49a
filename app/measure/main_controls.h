// The controls of the main window, shared by the classes that run its routines. FormMain creates
// them; the graph, plotting and acquisition routines read and write them.
#pragma once

#include <QPointer>
#include <array>

class Chart2D;
class DialogDatalist;
class DialogMoveWindow;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class QWidget;

struct MainControls {
  QWidget* window = nullptr;  // the main window itself

  QPushButton* cmdStart = nullptr;        // "開始"
  QPushButton* cmdStop = nullptr;         // "停止"
  QPushButton* cmdSetting = nullptr;      // "取込設定"
  QPushButton* cmdDisp = nullptr;         // "データ表示"; disabled while idle = data list open
  QPushButton* cmdRead = nullptr;         // "読込み"
  QPushButton* cmdSave = nullptr;         // "保存"
  QPushButton* cmdPrint = nullptr;        // "印刷"
  QPushButton* cmdEnd = nullptr;          // "終了"
  QPushButton* cmdMeasInfo = nullptr;     // "測定条件保存"
  std::array<QPushButton*, 4> cmdMove{};  // "○"

  Chart2D* Chart2D1 = nullptr;

  QGroupBox* Frame4 = nullptr;            // "表示範囲"
  std::array<QRadioButton*, 2> optHei{};  // "自動", "固定"
  QLineEdit* txtVhi = nullptr;
  QLineEdit* txtVlow = nullptr;
  QLabel* Label3 = nullptr;             // "↑"
  QLabel* Label4 = nullptr;             // "↓"
  QPushButton* cmdSetScaleY = nullptr;  // "設定"

  std::array<QRadioButton*, 3> optWid{};  // "全表示", "自動ｽｸﾛｰﾙ", "手動ｽｸﾛｰﾙ"
  QComboBox* Combo1 = nullptr;
  QLabel* Label5 = nullptr;         // "表示データ数"
  QPushButton* cmdLeft = nullptr;   // "←"
  QPushButton* cmdRight = nullptr;  // "→"

  QGroupBox* Frame1 = nullptr;      // "現在値"
  std::array<QLabel*, 4> Label2{};  // "ID0".."ID3"
  std::array<QLabel*, 4> Label1{};  // current values

  // Under the graph: samples stored, measuring time and time left until the buffers are full.
  QLabel* lblStatus = nullptr;

  QTimer* Timer1 = nullptr;  // computer-paced sampling
  QTimer* Timer2 = nullptr;  // unit-paced polling, 300 ms

  // Modeless windows opened from the main window (null while closed).
  QPointer<DialogDatalist> datalist;
  QPointer<DialogMoveWindow> moveWindow;
};
