#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <utility>

#include "core/dialog_service.h"

namespace {

TEST(QtDialogServiceTest, PipeFiltersBecomeQtFilters) {
  EXPECT_EQ(QtFileFilter("専用ファイル  (*.mx1)|*.mx1|"), "専用ファイル (*.mx1)");
  EXPECT_EQ(QtFileFilter("CSVファイル  (*.csv)|*.csv|"), "CSVファイル (*.csv)");
  EXPECT_EQ(QtFileFilter("Data|*.csv;*.txt|All (*.*)|*.*"), "Data (*.csv *.txt);;All (*.*)");
  EXPECT_EQ(QtFileFilter(""), "");
}

// Plays the operator on the modal windows the service opens, one step per window, in order. A
// step waits until a window of its kind is the active modal one; a window that never comes fails
// the test and closes whatever is open, so that nothing blocks.
class Operator {
 public:
  ~Operator() { EXPECT_TRUE(steps_.empty()) << steps_.size() << " steps left"; }

  template <typename Window>
  void Then(std::function<void(Window&)> act) {
    steps_.push_back({[](QWidget* w) { return qobject_cast<Window*>(w) != nullptr; },
                      [act](QWidget* w) { act(*qobject_cast<Window*>(w)); }});
    if (!polling_) Poll(0);
  }

  // What the last message box showed.
  QString text, caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;

  void Press(QMessageBox::StandardButton press) {
    Then<QMessageBox>([this, press](QMessageBox& box) {
      text = box.text();
      caption = box.windowTitle();
      icon = box.icon();
      buttons = box.standardButtons();
      box.button(press)->click();
    });
  }

  void ChooseFile(const QString& path, const QStringList& filters) {
    Then<QFileDialog>([path, filters](QFileDialog& dialog) {
      EXPECT_EQ(dialog.nameFilters(), filters);
      dialog.selectFile(path);
      static_cast<QDialog&>(dialog).accept();  // runs the file dialog's own checks
    });
  }

  void CancelFile() {
    Then<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
  }

 private:
  // One chain of polls at a time, ending with the steps; bound to owner_ so that no poll outlives
  // the operator.
  void Poll(int tries) {
    polling_ = true;
    QTimer::singleShot(5, &owner_, [this, tries] {
      if (steps_.empty()) {
        polling_ = false;
        return;
      }
      QWidget* modal = QApplication::activeModalWidget();
      if (modal && steps_.front().matches(modal)) {
        // The next poll is due before the act, which may open a window of its own and wait in it.
        const Step step = std::move(steps_.front());
        steps_.pop_front();
        Poll(0);
        step.act(modal);
      } else if (tries > 400) {
        ADD_FAILURE() << "the expected window did not open";
        steps_.clear();
        polling_ = false;
        if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
      } else {
        Poll(tries + 1);
      }
    });
  }

  struct Step {
    std::function<bool(QWidget*)> matches;
    std::function<void(QWidget*)> act;
  };
  std::deque<Step> steps_;
  bool polling_ = false;
  QObject owner_;
};

TEST(QtDialogServiceTest, MessageShowsCaptionButtonsAndIcon) {
  QtDialogService dialogs;
  Operator op;

  op.Press(QMessageBox::No);
  EXPECT_EQ(dialogs.Ask("削除しますか?"), MsgAnswer::No);
  EXPECT_EQ(op.text, "削除しますか?");
  EXPECT_EQ(op.caption, "Message");
  EXPECT_EQ(op.icon, QMessageBox::Question);
  EXPECT_EQ(op.buttons, QMessageBox::Yes | QMessageBox::No);

  op.Press(QMessageBox::Ok);
  dialogs.Error("入力エラー");
  EXPECT_EQ(op.caption, "エラーメッセージ");
  EXPECT_EQ(op.icon, QMessageBox::Critical);
  EXPECT_EQ(op.buttons, QMessageBox::Ok);
}

TEST(QtDialogServiceTest, SaveAsksBeforeCreatingANewFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath("new.csv");
  const QString filter = "CSVファイル  (*.csv)|*.csv|";
  QtDialogService dialogs;
  Operator op;

  // Declining the new file returns to the dialog; cancelling it then gives nothing.
  op.ChooseFile(path, {"CSVファイル (*.csv)"});
  op.Press(QMessageBox::No);
  op.CancelFile();
  EXPECT_EQ(dialogs.SaveFileName(filter), std::nullopt);
  EXPECT_TRUE(op.text.contains("new.csv")) << op.text.toStdString();
  EXPECT_EQ(op.buttons, QMessageBox::Yes | QMessageBox::No);

  op.ChooseFile(path, {"CSVファイル (*.csv)"});
  op.Press(QMessageBox::Yes);
  EXPECT_EQ(dialogs.SaveFileName(filter), path);
}

TEST(QtDialogServiceTest, SaveAsksBeforeOverwritingAnExistingFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath("old.mx1");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  QtDialogService dialogs;
  Operator op;

  op.ChooseFile(path, {"専用ファイル (*.mx1)"});
  op.Press(QMessageBox::Yes);
  EXPECT_EQ(dialogs.SaveFileName("専用ファイル  (*.mx1)|*.mx1|"), path);
  EXPECT_TRUE(op.text.contains("old.mx1")) << op.text.toStdString();
}

TEST(QtDialogServiceTest, OpenGivesTheChosenFileOrNothing) {
  QTemporaryDir dir;
  const QString path = dir.filePath("data.mx1");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  QtDialogService dialogs;
  Operator op;

  op.ChooseFile(path, {"専用ファイル (*.mx1)"});
  EXPECT_EQ(dialogs.OpenFileName("専用ファイル  (*.mx1)|*.mx1|"), path);
  op.CancelFile();
  EXPECT_EQ(dialogs.OpenFileName("専用ファイル  (*.mx1)|*.mx1|"), std::nullopt);
}

}  // namespace
