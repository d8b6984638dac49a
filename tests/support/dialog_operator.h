// Plays the operator on the real modal windows of QtDialogService (message boxes, file dialogs).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <functional>
#include <utility>

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
