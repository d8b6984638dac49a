// The move tool "移動": moves the main window by a fifth of its size per press, or to the top left
// corner of the screen.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

class QPushButton;

class DialogMoveWindow : public QDialog {
  Q_OBJECT

 public:
  DialogMoveWindow(QWidget* mainWindow, QWidget* parent = nullptr);

  void cmdMV_Click(int index);
  int32_t StepX() const { return stepX_; }
  int32_t StepY() const { return stepY_; }

  std::array<QPushButton*, 5> cmdMV{};

 private:
  QWidget* mainWindow_;
  int32_t stepX_ = 0;  // twips
  int32_t stepY_ = 0;  // twips
};
