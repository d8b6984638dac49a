// A dialog service that shows nothing, for programs that drive the windows without an operator
// (the benchmarks, the screenshot tool) and for tests that need no script: every question gets
// the same answer, every file and printer dialog is cancelled, every modal window rejected. The
// texts it was asked to show are kept, and written to the error stream when asked for.
#pragma once

#include <QStringList>

#include "core/dialog_service.h"

class NullDialogs : public DialogService {
 public:
  // answer: the answer to every Yes/No question; No leaves everything as it is.
  explicit NullDialogs(MsgAnswer answer = MsgAnswer::No, bool log = false)
      : answer_(answer), log_(log) {}

  QStringList texts;  // every message box "shown", oldest first

  MsgAnswer Message(const QString& text, const QString& caption, MsgButtons buttons,
                    MsgIcon icon) override;
  std::optional<QString> OpenFile(const FileRequest&) override { return std::nullopt; }
  std::optional<FileChoice> SaveFile(const FileRequest&) override { return std::nullopt; }
  std::optional<QString> ChoosePrinter(QPrinter&) override { return std::nullopt; }
  int RunModal(QDialog& dialog) override;

 private:
  MsgAnswer answer_;
  bool log_;
};
