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
  // Window positions and sizes are kept in twips, 15 to the pixel.
  static constexpr int kTwipsPerPixel = 15;

  // Takes the steps from the main window's size as it is now (the load handler). The window
  // deletes itself when it is closed.
  DialogMoveWindow(QWidget* mainWindow, QWidget* parent = nullptr);

  void cmdMV_Click(int index);
  int32_t StepX() const { return stepX_; }
  int32_t StepY() const { return stepY_; }

  // A fifth of a length in twips, rounded to the nearest integer, halves to the even neighbour.
  static int32_t StepOf(int32_t lengthTwips);

  std::array<QPushButton*, 5> cmdMV{};

 private:
  QWidget* mainWindow_;
  int32_t stepX_ = 0;  // twips
  int32_t stepY_ = 0;  // twips
};
