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

}  // namespace

void FormMain::BuildControls() {
  setWindowTitle(QStringLiteral("熱電対温度測定ユニット"));
  // No fixed minimum: the layout's own keeps every control readable and apart.
  resize(1000, 700);
  ui_.window = this;

  // Command bar. "終了" sits apart at the right end.
  ui_.cmdStart = CommandButton(QStringLiteral("開始"), this);
  ui_.cmdStop = CommandButton(QStringLiteral("停止"), this);
  ui_.cmdSetting = CommandButton(QStringLiteral("取込設定"), this);
  ui_.cmdDisp = CommandButton(QStringLiteral("データ表示"), this);
  ui_.cmdRead = CommandButton(QStringLiteral("読込み"), this);
  ui_.cmdSave = CommandButton(QStringLiteral("保存"), this);
  ui_.cmdPrint = CommandButton(QStringLiteral("印刷"), this);
  ui_.cmdMeasInfo = CommandButton(QStringLiteral("測定条件保存"), this);
  ui_.cmdAlarm = CommandButton(QStringLiteral("警報設定"), this);
  ui_.cmdEnd = CommandButton(QStringLiteral("終了"), this);

  auto* commandBar = new QHBoxLayout;
  commandBar->setSpacing(6);
  commandBar->addWidget(ui_.cmdStart);
  commandBar->addWidget(ui_.cmdStop);
  commandBar->addSpacing(12);
  commandBar->addWidget(ui_.cmdSetting);
  commandBar->addWidget(ui_.cmdDisp);
  commandBar->addWidget(ui_.cmdAlarm);
  commandBar->addSpacing(12);
  commandBar->addWidget(ui_.cmdRead);
  commandBar->addWidget(ui_.cmdSave);
  commandBar->addWidget(ui_.cmdPrint);
  commandBar->addSpacing(12);
  commandBar->addWidget(ui_.cmdMeasInfo);
  commandBar->addStretch(1);
  commandBar->addWidget(ui_.cmdEnd);

  ui_.Chart2D1 = new Chart2D(this);
  ui_.Chart2D1->setMinimumSize(480, 320);
  ui_.Chart2D1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

  // Current values of the four units.
  ui_.Frame1 = new QGroupBox(QStringLiteral("現在値"), this);
  auto* nowGrid = new QGridLayout(ui_.Frame1);
  nowGrid->setHorizontalSpacing(8);
  for (int i = 0; i < 4; ++i) {
    ui_.Label2[i] = new QLabel(QStringLiteral("ID%1").arg(i), ui_.Frame1);
    ui_.Label1[i] = new QLabel(ui_.Frame1);
    ui_.Label1[i]->setFrameShape(QFrame::Panel);
    ui_.Label1[i]->setFrameShadow(QFrame::Sunken);
    ui_.Label1[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui_.Label1[i]->setMinimumWidth(110);
    nowGrid->addWidget(ui_.Label2[i], i, 0);
    nowGrid->addWidget(ui_.Label1[i], i, 1);
  }
  nowGrid->setColumnStretch(1, 1);

  // Vertical range: automatic or fixed with its two limits.
  ui_.Frame4 = new QGroupBox(QStringLiteral("表示範囲"), this);
  optHeiGroup_ = new QButtonGroup(this);
  optHeiGroup_->setExclusive(true);
  ui_.optHei[0] = new QRadioButton(QStringLiteral("自動"), ui_.Frame4);
  ui_.optHei[1] = new QRadioButton(QStringLiteral("固定"), ui_.Frame4);
  ui_.optHei[2] = new QRadioButton(QStringLiteral("追従"), ui_.Frame4);
  ui_.optHei[2]->setToolTip(QStringLiteral("表示中のデータに合わせる"));
  for (int i = 0; i < 3; ++i) optHeiGroup_->addButton(ui_.optHei[i], i);
  ui_.optHei[0]->setChecked(true);
  ui_.Label3 = new QLabel(QStringLiteral("↑"), ui_.Frame4);
  ui_.Label4 = new QLabel(QStringLiteral("↓"), ui_.Frame4);
  ui_.txtVhi = new QLineEdit(ui_.Frame4);
  ui_.txtVlow = new QLineEdit(ui_.Frame4);
  ui_.txtVhi->setAlignment(Qt::AlignRight);
  ui_.txtVlow->setAlignment(Qt::AlignRight);
  ui_.cmdSetScaleY = new QPushButton(QStringLiteral("設定"), ui_.Frame4);
  ui_.cmdSetScaleY->setAutoDefault(false);
  auto* rangeGrid = new QGridLayout(ui_.Frame4);
  auto* modeRow = new QHBoxLayout;
  modeRow->addWidget(ui_.optHei[0]);
  modeRow->addWidget(ui_.optHei[1]);
  modeRow->addWidget(ui_.optHei[2]);
  modeRow->addStretch(1);
  rangeGrid->addLayout(modeRow, 0, 0, 1, 2);
  rangeGrid->addWidget(ui_.Label3, 1, 0);
  rangeGrid->addWidget(ui_.txtVhi, 1, 1);
  rangeGrid->addWidget(ui_.Label4, 2, 0);
  rangeGrid->addWidget(ui_.txtVlow, 2, 1);
  rangeGrid->addWidget(ui_.cmdSetScaleY, 3, 1, Qt::AlignRight);
  rangeGrid->setColumnStretch(1, 1);

  // The cursors: the values at A and B and between them.
  ui_.FrameCursor = new QGroupBox(QStringLiteral("カーソル"), this);
  ui_.lblReadout = new QLabel(ui_.FrameCursor);
  ui_.lblReadout->setTextFormat(Qt::RichText);
  ui_.lblReadout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  ui_.lblReadout->setTextInteractionFlags(Qt::TextSelectableByMouse);
  ui_.cmdClearCursors = new QPushButton(QStringLiteral("消去"), ui_.FrameCursor);
  ui_.cmdClearCursors->setAutoDefault(false);
  ui_.cmdClearCursors->setToolTip(QStringLiteral("カーソルを消す (Esc)"));
  auto* cursorBox = new QVBoxLayout(ui_.FrameCursor);
  cursorBox->addWidget(ui_.lblReadout);
  cursorBox->addWidget(ui_.cmdClearCursors, 0, Qt::AlignRight);

  auto* sidePanel = new QVBoxLayout;
  sidePanel->addWidget(ui_.Frame1);
  sidePanel->addWidget(ui_.Frame4);
  sidePanel->addWidget(ui_.FrameCursor);
  sidePanel->addStretch(1);
  auto* sideBox = new QWidget(this);
  sideBox->setLayout(sidePanel);
  sideBox->setFixedWidth(210);
  sidePanel->setContentsMargins(0, 0, 0, 0);

  // Horizontal window: display mode, width and manual scroll.
  optWidGroup_ = new QButtonGroup(this);
  optWidGroup_->setExclusive(true);
  const QString widCaptions[3] = {QStringLiteral("全表示"), QStringLiteral("自動ｽｸﾛｰﾙ"),
                                  QStringLiteral("手動ｽｸﾛｰﾙ")};
  for (int i = 0; i < 3; ++i) {
    ui_.optWid[i] = new QRadioButton(widCaptions[i], this);
    optWidGroup_->addButton(ui_.optWid[i], i);
  }
  ui_.optWid[0]->setChecked(true);
  ui_.Label5 = new QLabel(QStringLiteral("表示データ数"), this);
  ui_.Combo1 = new QComboBox(this);
  ui_.Combo1->setEditable(false);
  ui_.Combo1->setMinimumWidth(90);
  ui_.Combo1->setMaxVisibleItems(12);
  // A scrolling list of 12 entries below the box, in every style: some styles would otherwise
  // open all 36 counts as a menu over the whole height of the screen.
  ui_.Combo1->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
  ui_.cmdLeft = new QPushButton(QStringLiteral("←"), this);
  ui_.cmdRight = new QPushButton(QStringLiteral("→"), this);
  for (QPushButton* b : {ui_.cmdLeft, ui_.cmdRight}) {
    b->setFixedWidth(44);
    b->setAutoDefault(false);
  }
  auto* scrollBar = new QHBoxLayout;
  scrollBar->setSpacing(10);
  for (QRadioButton* r : ui_.optWid) scrollBar->addWidget(r);
  scrollBar->addSpacing(16);
  scrollBar->addWidget(ui_.Label5);
  scrollBar->addWidget(ui_.Combo1);
  scrollBar->addSpacing(16);
  scrollBar->addWidget(ui_.cmdLeft);
  scrollBar->addWidget(ui_.cmdRight);
  scrollBar->addStretch(1);

  ui_.hsbWindow = new QScrollBar(Qt::Horizontal, this);
  ui_.hsbWindow->setToolTip(QStringLiteral("表示位置"));

  ui_.lblStatus = new QLabel(this);
  ui_.lblStatus->setTextInteractionFlags(Qt::NoTextInteraction);
  // However long the line gets, the window keeps its size: the label takes the width the window
  // gives it (the whole text is in its tool tip).
  ui_.lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  auto* graphArea = new QGridLayout;
  graphArea->addWidget(ui_.Chart2D1, 0, 0);
  graphArea->addWidget(sideBox, 0, 1, 2, 1);
  graphArea->addWidget(ui_.hsbWindow, 1, 0);
  // The alarms sit at the right end of the status line, a link to their list.
  ui_.lblAlarm = new QLabel(this);
  ui_.lblAlarm->setTextFormat(Qt::RichText);
  ui_.lblAlarm->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  ui_.lblAlarm->setToolTip(QStringLiteral("警報一覧を開く"));
  ui_.lblAlarm->setVisible(false);
  // A long alarm or a long problem text is cut at the window's edge rather than widening it.
  ui_.lblAlarm->setMinimumWidth(1);
  auto* statusRow = new QHBoxLayout;
  statusRow->addWidget(ui_.lblStatus, 1);
  statusRow->addWidget(ui_.lblAlarm);
  graphArea->addLayout(statusRow, 2, 0, 1, 2);
  graphArea->addLayout(scrollBar, 3, 0, 1, 2);
  graphArea->setRowStretch(0, 1);
  graphArea->setColumnStretch(0, 1);

  // The move-tool buttons sit in the four corners, around the rest of the window.
  for (auto& b : ui_.cmdMove) b = MoveButton(this);
  auto* outer = new QGridLayout(this);
  outer->setContentsMargins(4, 4, 4, 4);
  outer->setSpacing(6);
  outer->addWidget(ui_.cmdMove[0], 0, 0, Qt::AlignLeft | Qt::AlignTop);
  outer->addLayout(commandBar, 0, 1);
  outer->addWidget(ui_.cmdMove[1], 0, 2, Qt::AlignRight | Qt::AlignTop);
  outer->addLayout(graphArea, 1, 1);
  outer->addWidget(ui_.cmdMove[2], 2, 0, Qt::AlignLeft | Qt::AlignBottom);
  outer->addWidget(ui_.cmdMove[3], 2, 2, Qt::AlignRight | Qt::AlignBottom);
  outer->setRowStretch(1, 1);
  outer->setColumnStretch(1, 1);
}
