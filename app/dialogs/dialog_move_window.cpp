#include "dialogs/dialog_move_window.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "core/operator_number.h"

namespace {

struct MoveButton {
  const char* caption;
  const char* tip;
  int left;  // twips
  int top;   // twips
};

// Arranged as a cross: left, right, up, down, and the top-left corner in the middle.
const MoveButton kButtons[5] = {
    {"←", "左に移動", 120, 600},  {"→", "右に移動", 1080, 600},  {"↑", "上に移動", 600, 120},
    {"↓", "下に移動", 600, 1080}, {"□", "左上合わせ", 600, 600},
};
constexpr int kButtonSize = 375;    // twips
constexpr int kWindowWidth = 2700;  // twips: the title "移動" with the title bar's buttons

int ToPixels(double twips) {
  return static_cast<int>(std::lround(twips / DialogMoveWindow::kTwipsPerPixel));
}

}  // namespace

DialogMoveWindow::DialogMoveWindow(QWidget* mainWindow, QWidget* parent)
    : QDialog(parent), mainWindow_(mainWindow) {
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  setWindowTitle(QStringLiteral("移動"));
  // The cross of buttons, centred in a window wide enough for a title bar that shows its title
  // beside the window's own buttons.
  auto* cross = new QWidget(this);
  const int side = ToPixels(1080 + kButtonSize + 120);
  cross->setFixedSize(side, side);
  for (int i = 0; i < 5; ++i) {
    const MoveButton& b = kButtons[i];
    auto* button = new QPushButton(QString::fromUtf8(b.caption), cross);
    button->setToolTip(QString::fromUtf8(b.tip));
    button->setAutoDefault(false);
    button->setGeometry(ToPixels(b.left), ToPixels(b.top), ToPixels(kButtonSize),
                        ToPixels(kButtonSize));
    connect(button, &QPushButton::clicked, this, [this, i] { cmdMV_Click(i); });
    cmdMV[static_cast<size_t>(i)] = button;
  }
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(cross, 0, Qt::AlignCenter);
  setFixedSize(std::max(side, ToPixels(kWindowWidth)), side);

  // Load: the steps follow the main window's outer size at this opening only.
  if (mainWindow_) {
    const QRect frame = mainWindow_->frameGeometry();
    stepX_ = StepOf(frame.width() * kTwipsPerPixel);
    stepY_ = StepOf(frame.height() * kTwipsPerPixel);
  }
}

int32_t DialogMoveWindow::StepOf(int32_t lengthTwips) {
  return static_cast<int32_t>(RoundHalfEven(lengthTwips / 5.0));
}

void DialogMoveWindow::cmdMV_Click(int index) {
  if (!mainWindow_) return;
  const QPoint pos = mainWindow_->pos();
  int64_t left = static_cast<int64_t>(pos.x()) * kTwipsPerPixel;
  int64_t top = static_cast<int64_t>(pos.y()) * kTwipsPerPixel;
  switch (index) {
    case 0:
      left -= stepX_;
      break;
    case 1:
      left += stepX_;
      break;
    case 2:
      top -= stepY_;
      break;
    case 3:
      top += stepY_;
      break;
    case 4:
      left = 0;
      top = 0;
      break;
    default:
      return;
  }
  // Nothing keeps the window on the screen: positions may go negative or past its far edge.
  mainWindow_->move(ToPixels(static_cast<double>(left)), ToPixels(static_cast<double>(top)));
}
