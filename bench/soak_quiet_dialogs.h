// A dialog service for the benchmark and soak programs: never shows anything, answers Yes and OK,
// and remembers the texts it was asked to show.
#pragma once

#include <QDialog>
#include <QStringList>

#include "core/dialog_service.h"

class QuietDialogs : public DialogService {
 public:
  QStringList texts;

  MsgAnswer Message(const QString& text, const QString&, MsgButtons buttons, MsgIcon) override {
    texts << text;
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Yes;
  }
  std::optional<QString> OpenFileName(const QString&) override { return std::nullopt; }
  std::optional<QString> SaveFileName(const QString&) override { return std::nullopt; }
  bool PrinterDialog(QPrinter&) override { return false; }
  int RunModal(QDialog& dialog) override {
    dialog.reject();
    return dialog.result();
  }
};
