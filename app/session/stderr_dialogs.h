// The dialog service of a run without a window: every message goes to standard error as one line
// "korvale: <text>" (line breaks inside it become blanks), every question is answered No, which
// leaves everything as it is, and every file, printer and modal dialog counts as cancelled.
#pragma once

#include <cstdio>

#include "core/dialog_service.h"

class StderrDialogs : public DialogService {
 public:
  explicit StderrDialogs(std::FILE* stream = stderr) : stream_(stream) {}

  MsgAnswer Message(const QString& text, const QString& caption, MsgButtons buttons,
                    MsgIcon icon) override;
  std::optional<QString> OpenFile(const FileRequest&) override { return std::nullopt; }
  std::optional<FileChoice> SaveFile(const FileRequest&) override { return std::nullopt; }
  std::optional<QString> ChoosePrinter(QPrinter&) override { return std::nullopt; }
  QStringList InstalledPrinterNames() override { return {}; }
  int RunModal(QDialog&) override { return 0; }  // rejected

  // Writes one line "korvale: <text>" to the stream.
  void Say(const QString& text);

 private:
  std::FILE* stream_;
};
