// The controls of the main window and their placement: the command bar on top, the time graph in
// the middle with the current-value, display-range and cursor panels on its right and its
// scrollbar below it, the horizontal scroll controls under that, and the four move-tool buttons in
// the corners of the window.
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "graph/chart2d.h"
#include "measure/form_main.h"

namespace {

QPushButton* CommandButton(const QString& caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setMinimumWidth(84);
  b->setAutoDefault(false);
  return b;
}

QPushButton* MoveButton(QWidget* parent) {
  auto* b = new QPushButton(QStringLiteral("○"), parent);
  b->setToolTip(QStringLiteral("移動ツールの表示"));
  b->setFixedSize(22, 22);
  b->setFocusPolicy(Qt::NoFocus);
  b->setAutoDefault(false);
  return b;
}

// The command bar. "終了" sits apart at the right end.
QHBoxLayout* BuildCommandBar(MainControls& ui, QWidget* window) {
  ui.cmdStart = CommandButton(QStringLiteral("開始"), window);
  ui.cmdStop = CommandButton(QStringLiteral("停止"), window);
  ui.cmdSetting = CommandButton(QStringLiteral("取込設定"), window);
  ui.cmdDisp = CommandButton(QStringLiteral("データ表示"), window);
  ui.cmdRead = CommandButton(QStringLiteral("読込み"), window);
  ui.cmdSave = CommandButton(QStringLiteral("保存"), window);
  ui.cmdPrint = CommandButton(QStringLiteral("印刷"), window);
  ui.cmdMeasInfo = CommandButton(QStringLiteral("測定条件保存"), window);
  ui.cmdAlarm = CommandButton(QStringLiteral("警報設定"), window);
  ui.cmdEnd = CommandButton(QStringLiteral("終了"), window);
  ui.cmdMark = CommandButton(QStringLiteral("マーク"), window);
  ui.cmdMark->setToolTip(QStringLiteral("最新のデータにマークを付ける (M)"));
  ui.txtMark = new QLineEdit(window);
  ui.txtMark->setPlaceholderText(QStringLiteral("マークの文字"));
  ui.txtMark->setMinimumWidth(90);
  ui.txtMark->setMaximumWidth(140);

  auto* commandBar = new QHBoxLayout;
  commandBar->setSpacing(6);
  commandBar->addWidget(ui.cmdStart);
  commandBar->addWidget(ui.cmdStop);
  commandBar->addSpacing(12);
  commandBar->addWidget(ui.cmdSetting);
  commandBar->addWidget(ui.cmdDisp);
  commandBar->addWidget(ui.cmdAlarm);
  commandBar->addSpacing(12);
  commandBar->addWidget(ui.cmdRead);
  commandBar->addWidget(ui.cmdSave);
  commandBar->addWidget(ui.cmdPrint);
  commandBar->addSpacing(12);
  commandBar->addWidget(ui.cmdMeasInfo);
  commandBar->addSpacing(12);
  commandBar->addWidget(ui.cmdMark);
  commandBar->addWidget(ui.txtMark);
  commandBar->addStretch(1);
  commandBar->addWidget(ui.cmdEnd);
  return commandBar;
}

// Current values of the four units.
void BuildNowValueGroup(MainControls& ui, QWidget* window) {
  ui.Frame1 = new QGroupBox(QStringLiteral("現在値"), window);
  auto* nowGrid = new QGridLayout(ui.Frame1);
  nowGrid->setHorizontalSpacing(8);
  for (int i = 0; i < 4; ++i) {
    ui.Label2[i] = new QLabel(QStringLiteral("ID%1").arg(i), ui.Frame1);
    ui.Label1[i] = new QLabel(ui.Frame1);
    ui.Label1[i]->setFrameShape(QFrame::Panel);
    ui.Label1[i]->setFrameShadow(QFrame::Sunken);
    ui.Label1[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui.Label1[i]->setMinimumWidth(110);
    nowGrid->addWidget(ui.Label2[i], i, 0);
    nowGrid->addWidget(ui.Label1[i], i, 1);
  }
  nowGrid->setColumnStretch(1, 1);
}

// Vertical range: automatic or fixed with its two limits. Returns the group of the mode buttons.
QButtonGroup* BuildRangeGroup(MainControls& ui, QWidget* window) {
  ui.Frame4 = new QGroupBox(QStringLiteral("表示範囲"), window);
  auto* modes = new QButtonGroup(window);
  modes->setExclusive(true);
  ui.optHei[0] = new QRadioButton(QStringLiteral("自動"), ui.Frame4);
  ui.optHei[1] = new QRadioButton(QStringLiteral("固定"), ui.Frame4);
  ui.optHei[2] = new QRadioButton(QStringLiteral("追従"), ui.Frame4);
  ui.optHei[2]->setToolTip(QStringLiteral("表示中のデータに合わせる"));
  for (int i = 0; i < 3; ++i) modes->addButton(ui.optHei[i], i);
  ui.optHei[0]->setChecked(true);
  ui.Label3 = new QLabel(QStringLiteral("↑"), ui.Frame4);
  ui.Label4 = new QLabel(QStringLiteral("↓"), ui.Frame4);
  ui.txtVhi = new QLineEdit(ui.Frame4);
  ui.txtVlow = new QLineEdit(ui.Frame4);
  ui.txtVhi->setAlignment(Qt::AlignRight);
  ui.txtVlow->setAlignment(Qt::AlignRight);
  ui.cmdSetScaleY = new QPushButton(QStringLiteral("設定"), ui.Frame4);
  ui.cmdSetScaleY->setAutoDefault(false);
  auto* rangeGrid = new QGridLayout(ui.Frame4);
  auto* modeRow = new QHBoxLayout;
  modeRow->addWidget(ui.optHei[0]);
  modeRow->addWidget(ui.optHei[1]);
  modeRow->addWidget(ui.optHei[2]);
  modeRow->addStretch(1);
  rangeGrid->addLayout(modeRow, 0, 0, 1, 2);
  rangeGrid->addWidget(ui.Label3, 1, 0);
  rangeGrid->addWidget(ui.txtVhi, 1, 1);
  rangeGrid->addWidget(ui.Label4, 2, 0);
  rangeGrid->addWidget(ui.txtVlow, 2, 1);
  rangeGrid->addWidget(ui.cmdSetScaleY, 3, 1, Qt::AlignRight);
  rangeGrid->setColumnStretch(1, 1);
  return modes;
}

// Under the cursor readout: the list of marks (shown when there are marks) and the statistics.
void BuildMarksAndStatistics(MainControls& ui, QVBoxLayout* cursorBox) {
  ui.lstMarks = new QListWidget(ui.FrameCursor);
  ui.lstMarks->setToolTip(QStringLiteral("クリックでカーソルAをマークへ"));
  ui.lstMarks->setMaximumHeight(90);
  ui.lstMarks->setVisible(false);
  ui.lblStatistics = new QLabel(ui.FrameCursor);
  ui.lblStatistics->setTextFormat(Qt::RichText);
  ui.lblStatistics->setTextInteractionFlags(Qt::TextSelectableByMouse);
  ui.cmdCopyStatistics = new QPushButton(QStringLiteral("統計コピー"), ui.FrameCursor);
  ui.cmdCopyStatistics->setAutoDefault(false);
  ui.cmdCopyStatistics->setEnabled(false);
  ui.cmdCopyStatistics->setToolTip(QStringLiteral("統計をタブ区切りでクリップボードへ"));
  cursorBox->addWidget(ui.lstMarks);
  cursorBox->addWidget(ui.lblStatistics);
  cursorBox->addWidget(ui.cmdCopyStatistics, 0, Qt::AlignRight);
}

// The cursors: the values at A and B and between them.
void BuildCursorGroup(MainControls& ui, QWidget* window) {
  ui.FrameCursor = new QGroupBox(QStringLiteral("カーソル"), window);
  ui.lblReadout = new QLabel(ui.FrameCursor);
  ui.lblReadout->setTextFormat(Qt::RichText);
  ui.lblReadout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  ui.lblReadout->setTextInteractionFlags(Qt::TextSelectableByMouse);
  ui.cmdClearCursors = new QPushButton(QStringLiteral("消去"), ui.FrameCursor);
  ui.cmdClearCursors->setAutoDefault(false);
  ui.cmdClearCursors->setToolTip(QStringLiteral("カーソルを消す (Esc)"));
  auto* cursorBox = new QVBoxLayout(ui.FrameCursor);
  cursorBox->addWidget(ui.lblReadout);
  cursorBox->addWidget(ui.cmdClearCursors, 0, Qt::AlignRight);
  BuildMarksAndStatistics(ui, cursorBox);
}

// The panel right of the graph with the three groups above, in a box of fixed width.
QWidget* BuildSidePanel(MainControls& ui, QWidget* window) {
  auto* sidePanel = new QVBoxLayout;
  sidePanel->addWidget(ui.Frame1);
  sidePanel->addWidget(ui.Frame4);
  sidePanel->addWidget(ui.FrameCursor);
  sidePanel->addStretch(1);
  auto* sideBox = new QWidget(window);
  sideBox->setLayout(sidePanel);
  sideBox->setFixedWidth(210);
  sidePanel->setContentsMargins(0, 0, 0, 0);
  return sideBox;
}

// Horizontal window: display mode, width and manual scroll. `modes` receives the group of the
// mode buttons.
QHBoxLayout* BuildScrollControls(MainControls& ui, QWidget* window, QButtonGroup*& modes) {
  modes = new QButtonGroup(window);
  modes->setExclusive(true);
  const QString widCaptions[3] = {QStringLiteral("全表示"), QStringLiteral("自動ｽｸﾛｰﾙ"),
                                  QStringLiteral("手動ｽｸﾛｰﾙ")};
  for (int i = 0; i < 3; ++i) {
    ui.optWid[i] = new QRadioButton(widCaptions[i], window);
    modes->addButton(ui.optWid[i], i);
  }
  ui.optWid[0]->setChecked(true);
  ui.Label5 = new QLabel(QStringLiteral("表示データ数"), window);
  ui.Combo1 = new QComboBox(window);
  ui.Combo1->setEditable(false);
  ui.Combo1->setMinimumWidth(90);
  ui.Combo1->setMaxVisibleItems(12);
  // A scrolling list of 12 entries below the box, in every style: some styles would otherwise
  // open all 36 counts as a menu over the whole height of the screen.
  ui.Combo1->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
  ui.cmdLeft = new QPushButton(QStringLiteral("←"), window);
  ui.cmdRight = new QPushButton(QStringLiteral("→"), window);
  for (QPushButton* b : {ui.cmdLeft, ui.cmdRight}) {
    b->setFixedWidth(44);
    b->setAutoDefault(false);
  }
  auto* scrollBar = new QHBoxLayout;
  scrollBar->setSpacing(10);
  for (QRadioButton* r : ui.optWid) scrollBar->addWidget(r);
  scrollBar->addSpacing(16);
  scrollBar->addWidget(ui.Label5);
  scrollBar->addWidget(ui.Combo1);
  scrollBar->addSpacing(16);
  scrollBar->addWidget(ui.cmdLeft);
  scrollBar->addWidget(ui.cmdRight);
  scrollBar->addStretch(1);
  return scrollBar;
}

// The status line, with the alarms at its right end as a link to their list.
QHBoxLayout* BuildStatusRow(MainControls& ui, QWidget* window) {
  ui.lblStatus = new QLabel(window);
  ui.lblStatus->setTextInteractionFlags(Qt::NoTextInteraction);
  // However long the line gets, the window keeps its size: the label takes the width the window
  // gives it (the whole text is in its tool tip).
  ui.lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  ui.lblAlarm = new QLabel(window);
  ui.lblAlarm->setTextFormat(Qt::RichText);
  ui.lblAlarm->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  ui.lblAlarm->setToolTip(QStringLiteral("警報一覧を開く"));
  ui.lblAlarm->setVisible(false);
  // A long alarm or a long problem text is cut at the window's edge rather than widening it.
  ui.lblAlarm->setMinimumWidth(1);
  // The publishing destinations' last news (went away, caught up): the status line itself is
  // rewritten at every tick.
  ui.lblPublish = new QLabel(window);
  ui.lblPublish->setVisible(false);
  ui.lblPublish->setMinimumWidth(1);
  auto* statusRow = new QHBoxLayout;
  statusRow->addWidget(ui.lblStatus, 1);
  statusRow->addWidget(ui.lblPublish);
  statusRow->addWidget(ui.lblAlarm);
  return statusRow;
}

// The graph with its scrollbar, the side panel on its right, and the status line and the scroll
// controls under them.
QGridLayout* BuildGraphArea(MainControls& ui, QWidget* window, QWidget* sideBox,
                            QHBoxLayout* scrollControls) {
  ui.hsbWindow = new QScrollBar(Qt::Horizontal, window);
  ui.hsbWindow->setToolTip(QStringLiteral("表示位置"));
  QHBoxLayout* statusRow = BuildStatusRow(ui, window);

  auto* graphArea = new QGridLayout;
  graphArea->addWidget(ui.Chart2D1, 0, 0);
  graphArea->addWidget(sideBox, 0, 1, 2, 1);
  graphArea->addWidget(ui.hsbWindow, 1, 0);
  graphArea->addLayout(statusRow, 2, 0, 1, 2);
  graphArea->addLayout(scrollControls, 3, 0, 1, 2);
  graphArea->setRowStretch(0, 1);
  graphArea->setColumnStretch(0, 1);
  return graphArea;
}

// The move-tool buttons sit in the four corners, around the rest of the window.
void PlaceInsideMoveButtons(MainControls& ui, QWidget* window, QHBoxLayout* commandBar,
                            QGridLayout* graphArea) {
  for (auto& b : ui.cmdMove) b = MoveButton(window);
  auto* outer = new QGridLayout(window);
  outer->setContentsMargins(4, 4, 4, 4);
  outer->setSpacing(6);
  outer->addWidget(ui.cmdMove[0], 0, 0, Qt::AlignLeft | Qt::AlignTop);
  outer->addLayout(commandBar, 0, 1);
  outer->addWidget(ui.cmdMove[1], 0, 2, Qt::AlignRight | Qt::AlignTop);
  outer->addLayout(graphArea, 1, 1);
  outer->addWidget(ui.cmdMove[2], 2, 0, Qt::AlignLeft | Qt::AlignBottom);
  outer->addWidget(ui.cmdMove[3], 2, 2, Qt::AlignRight | Qt::AlignBottom);
  outer->setRowStretch(1, 1);
  outer->setColumnStretch(1, 1);
}

}  // namespace

// Each group is built in the order of the window's focus chain, which follows the order in which
// the controls are made.
void FormMain::BuildControls() {
  setWindowTitle(QStringLiteral("熱電対温度測定ユニット"));
  // No fixed minimum: the layout's own keeps every control readable and apart.
  resize(1000, 700);
  ui_.window = this;

  QHBoxLayout* commandBar = BuildCommandBar(ui_, this);
  ui_.Chart2D1 = new Chart2D(this);
  ui_.Chart2D1->setMinimumSize(480, 320);
  ui_.Chart2D1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  BuildNowValueGroup(ui_, this);
  optHeiGroup_ = BuildRangeGroup(ui_, this);
  BuildCursorGroup(ui_, this);
  QWidget* sideBox = BuildSidePanel(ui_, this);
  QHBoxLayout* scrollControls = BuildScrollControls(ui_, this, optWidGroup_);
  QGridLayout* graphArea = BuildGraphArea(ui_, this, sideBox, scrollControls);
  PlaceInsideMoveButtons(ui_, this, commandBar, graphArea);
}
