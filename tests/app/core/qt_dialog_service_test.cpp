#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "core/dialog_service.h"

namespace {

TEST(QtDialogServiceTest, PipeFiltersBecomeQtFilters) {
  EXPECT_EQ(QtFileFilter("専用ファイル  (*.mx1)|*.mx1|"), "専用ファイル (*.mx1)");
  EXPECT_EQ(QtFileFilter("CSVファイル  (*.csv)|*.csv|"), "CSVファイル (*.csv)");
  EXPECT_EQ(QtFileFilter("Data|*.csv;*.txt|All (*.*)|*.*"), "Data (*.csv *.txt);;All (*.*)");
  EXPECT_EQ(QtFileFilter(""), "");
}

// Plays the operator on the next message box: records what it shows, then presses a button.
struct BoxPlayer {
  QString text, caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;

  void PressNext(QMessageBox::StandardButton press) {
    QTimer::singleShot(0, [this, press] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      text = box->text();
      caption = box->windowTitle();
      icon = box->icon();
      buttons = box->standardButtons();
      box->button(press)->click();
    });
  }
};

TEST(QtDialogServiceTest, MessageShowsCaptionButtonsAndIcon) {
  QtDialogService dialogs;
  BoxPlayer player;

  player.PressNext(QMessageBox::No);
  EXPECT_EQ(dialogs.Ask("削除しますか?"), MsgAnswer::No);
  EXPECT_EQ(player.text, "削除しますか?");
  EXPECT_EQ(player.caption, "Message");
  EXPECT_EQ(player.icon, QMessageBox::Question);
  EXPECT_EQ(player.buttons, QMessageBox::Yes | QMessageBox::No);

  player.PressNext(QMessageBox::Ok);
  dialogs.Error("入力エラー");
  EXPECT_EQ(player.caption, "エラーメッセージ");
  EXPECT_EQ(player.icon, QMessageBox::Critical);
  EXPECT_EQ(player.buttons, QMessageBox::Ok);
}

}  // namespace
