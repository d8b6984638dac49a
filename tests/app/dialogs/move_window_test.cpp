// The move tool: its steps from the main window's size and the moves of the main window.
#include <gtest/gtest.h>

#include <QPushButton>

#include "dialogs/dialog_move_window.h"

namespace {

TEST(MoveWindow, StepsAreAFifthRoundedHalvesToEven) {
  EXPECT_EQ(DialogMoveWindow::StepOf(9600), 1920);
  EXPECT_EQ(DialogMoveWindow::StepOf(7200), 1440);
  EXPECT_EQ(DialogMoveWindow::StepOf(9602), 1920);  // 1920.4
  EXPECT_EQ(DialogMoveWindow::StepOf(9610), 1922);
  EXPECT_EQ(DialogMoveWindow::StepOf(9612), 1922);  // 1922.4
  EXPECT_EQ(DialogMoveWindow::StepOf(9613), 1923);  // 1922.6
}

TEST(MoveWindow, ButtonsMoveTheMainWindow) {
  QWidget mainWindow;
  mainWindow.resize(640, 480);  // 9600 x 7200 twips
  mainWindow.move(300, 200);
  DialogMoveWindow tool(&mainWindow, &mainWindow);
  EXPECT_EQ(tool.windowTitle(), QStringLiteral("移動"));
  EXPECT_EQ(tool.StepX(), mainWindow.frameGeometry().width() * 15 / 5);
  EXPECT_EQ(tool.StepY(), mainWindow.frameGeometry().height() * 15 / 5);
  const int dx = tool.StepX() / 15, dy = tool.StepY() / 15;

  const QStringList captions = {"←", "→", "↑", "↓", "□"};
  const QStringList tips = {"左に移動", "右に移動", "上に移動", "下に移動", "左上合わせ"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(tool.cmdMV[i]->text(), captions[i]);
    EXPECT_EQ(tool.cmdMV[i]->toolTip(), tips[i]);
    EXPECT_EQ(tool.cmdMV[i]->size(), QSize(25, 25));  // 375 twips
  }
  EXPECT_EQ(tool.cmdMV[1]->pos(), QPoint(72, 40));

  tool.cmdMV[1]->click();
  EXPECT_EQ(mainWindow.pos(), QPoint(300 + dx, 200));
  tool.cmdMV_Click(3);
  EXPECT_EQ(mainWindow.pos(), QPoint(300 + dx, 200 + dy));
  tool.cmdMV_Click(2);
  tool.cmdMV_Click(0);
  EXPECT_EQ(mainWindow.pos(), QPoint(300, 200));

  // Nothing keeps it on the screen.
  for (int i = 0; i < 4; ++i) tool.cmdMV_Click(0);
  EXPECT_EQ(mainWindow.pos().x(), 300 - 4 * dx);
  EXPECT_LT(mainWindow.pos().x(), 0);

  tool.cmdMV_Click(4);
  EXPECT_EQ(mainWindow.pos(), QPoint(0, 0));
}

TEST(MoveWindow, StepsAreTakenOncePerOpening) {
  QWidget mainWindow;
  mainWindow.resize(640, 480);
  DialogMoveWindow tool(&mainWindow);
  const int32_t stepX = tool.StepX();
  mainWindow.resize(1000, 800);
  EXPECT_EQ(tool.StepX(), stepX);
  mainWindow.move(0, 0);
  tool.cmdMV_Click(1);
  EXPECT_EQ(mainWindow.pos().x(), stepX / 15);
}

}  // namespace
