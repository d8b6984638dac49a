// The controls of the main window. FormMain creates them; the graph's own controls are the
// GraphControls part, which the Graph alone works on. The sampling timers belong to the
// measurement session; the window names them here.
#pragma once

#include <QPointer>
#include <array>

#include "graph/graph_controls.h"

class DialogDatalist;
class DialogMoveWindow;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QWidget;

struct MainControls : GraphControls {
  QWidget* window = nullptr;  // the main window itself

  QPushButton* cmdStart = nullptr;     // "開始"
  QPushButton* cmdStop = nullptr;      // "停止"
  QPushButton* cmdSetting = nullptr;   // "取込設定"
  QPushButton* cmdDisp = nullptr;      // "データ表示"; disabled while idle = data list open
  QPushButton* cmdRead = nullptr;      // "読込み"
  QPushButton* cmdSave = nullptr;      // "保存"
  QPushButton* cmdPrint = nullptr;     // "印刷"
  QPushButton* cmdEnd = nullptr;       // "終了"
  QPushButton* cmdMeasInfo = nullptr;  // "測定条件保存"
  QPushButton* cmdAlarm = nullptr;     // "警報設定"
  QPushButton* cmdMark = nullptr;      // "マーク": enabled while measuring
  QLineEdit* txtMark = nullptr;        // its text; empty: "マーク N"
  QLabel* lblAlarm = nullptr;    // beside the status line: the alarms, a link to "警報一覧"
  QLabel* lblPublish = nullptr;  // beside the status line: the publishing destinations' news
  std::array<QPushButton*, 4> cmdMove{};  // "○"

  QTimer* Timer1 = nullptr;  // computer-paced sampling (the session's)
  QTimer* Timer2 = nullptr;  // unit-paced polling, 300 ms (the session's)

  // Modeless windows opened from the main window (null while closed).
  QPointer<DialogDatalist> datalist;
  QPointer<DialogMoveWindow> moveWindow;
};
