// The tests' dialog service: answers message boxes, file and printer dialogs and modal windows
// from a script, and records every message box shown.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <vector>

#include "core/dialog_service.h"

struct ShownMessage {
  QString text;
  QString caption;
  MsgButtons buttons;
  MsgIcon icon;

  // The program's three kinds of message box.
  static ShownMessage Question(const QString& text) {
    return {text, QStringLiteral("Message"), MsgButtons::YesNo, MsgIcon::Question};
  }
  static ShownMessage Notice(const QString& text) {
    return {text, QStringLiteral("Message"), MsgButtons::Ok, MsgIcon::None};
  }
  static ShownMessage Error(const QString& text) {
    return {text, QStringLiteral("エラーメッセージ"), MsgButtons::Ok, MsgIcon::Critical};
  }

  bool operator==(const ShownMessage& o) const {
    return text == o.text && caption == o.caption && buttons == o.buttons && icon == o.icon;
  }
};

// Shows a message box in test failures as its text, caption, buttons and icon.
void PrintTo(const ShownMessage& m, std::ostream* os);

class ScriptedDialogs : public DialogService {
 public:
  // Answers to Yes/No questions, in order; when none is left, defaultAnswer.
  std::deque<MsgAnswer> answers;
  MsgAnswer defaultAnswer = MsgAnswer::Yes;
  // Runs while a message box is "shown" (to check re-entrancy); may be empty.
  std::function<void(const ShownMessage&)> onMessage;
  // File dialogs: the next answers, nothing = cancelled. A save answer is the name as typed; it
  // gets the filter's extension when it has none, as in the program's dialog. The filters and
  // the whole requests of the dialogs shown, oldest first.
  std::deque<std::optional<QString>> openFiles;
  std::deque<std::optional<QString>> saveFiles;
  std::vector<QString> fileFilters;
  std::vector<FileRequest> fileRequests;
  // Printer dialogs: a script that plays the operator on the dialog's printer (may be empty), then
  // the name the dialog reports (nothing = cancelled); the installed printers.
  std::function<void(QPrinter&)> onPrinterDialog;
  std::optional<QString> chosenPrinter;
  QStringList installedPrinters;
  // Modal windows: each script gets the window and plays the operator (fills controls, clicks OK
  // or Cancel). Without a script the window is rejected.
  std::deque<std::function<void(QDialog&)>> modalScripts;
  int modalCount = 0;

  std::vector<ShownMessage> shown;

  MsgAnswer Message(const QString& text, const QString& caption, MsgButtons buttons,
                    MsgIcon icon) override;
  std::optional<QString> OpenFile(const FileRequest& request) override;
  std::optional<FileChoice> SaveFile(const FileRequest& request) override;
  std::optional<QString> ChoosePrinter(QPrinter& printer) override;
  QStringList InstalledPrinterNames() override { return installedPrinters; }
  int RunModal(QDialog& dialog) override;

  // Texts of the message boxes shown so far, oldest first.
  std::vector<QString> Texts() const;
  QString LastText() const { return shown.empty() ? QString() : shown.back().text; }
  void Clear() { shown.clear(); }
};
