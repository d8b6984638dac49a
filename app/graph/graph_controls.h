// The controls of the main window that belong to the time graph: the chart, the vertical range
// panel, the horizontal window controls with the scrollbar, the current-value panel, the cursor
// readout and the status line. The main window creates them (its MainControls extend this set);
// the Graph reads and writes only these, and listens itself to the chart, the scrollbar and the
// cursor panel's button. The controls added beside the window's first set may be left null.
#pragma once

#include <array>

class Chart2D;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollBar;

struct GraphControls {
  Chart2D* Chart2D1 = nullptr;

  QGroupBox* Frame4 = nullptr;            // "表示範囲"
  std::array<QRadioButton*, 3> optHei{};  // "自動", "固定", "追従"
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
  // Under the graph: the whole record set, its handle the window shown.
  QScrollBar* hsbWindow = nullptr;

  QGroupBox* Frame1 = nullptr;      // "現在値"
  std::array<QLabel*, 4> Label2{};  // "ID0".."ID3"
  std::array<QLabel*, 4> Label1{};  // current values

  QGroupBox* FrameCursor = nullptr;        // "カーソル"
  QLabel* lblReadout = nullptr;            // values at the cursors A and B and between them
  QPushButton* cmdClearCursors = nullptr;  // "消去"
  // In the cursor panel: the marks (a click moves cursor A there), the statistics between the
  // cursors and the button that copies them.
  QListWidget* lstMarks = nullptr;
  QLabel* lblStatistics = nullptr;
  QPushButton* cmdCopyStatistics = nullptr;  // "統計コピー"

  // Under the graph: samples stored, measuring time and time left until the buffers are full.
  QLabel* lblStatus = nullptr;
};
