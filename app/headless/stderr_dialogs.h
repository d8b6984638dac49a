// The dialog service of a run without a window: every message goes to standard error as one line
// "korvale: <text>" (line breaks inside it become blanks), every question is answered No, which
// leaves everything as it is, and every file, printer and modal dialog counts as cancelled.
//
// The lines go out through a bounded buffer (files/queued_output.h), so that a standard error
// nobody reads holds up nothing: lines past the buffer are dropped and counted, and a line saying
// how many follows once the reader has caught up. One whose reader has gone only ends the messages.
#pragma once

#include <unistd.h>

#include <QByteArray>
#include <memory>

#include "core/dialog_service.h"

class QueuedOutput;

class StderrDialogs : public DialogService {
 public:
  static constexpr size_t kBufferBytes = size_t{256} << 10;
  // How long the lines that wait at the end get to go out.
  static constexpr int kFinishMs = 1000;

  explicit StderrDialogs(int fd = STDERR_FILENO, size_t bufferBytes = kBufferBytes);
  // Gives the waiting lines up to kFinishMs to go out.
  ~StderrDialogs() override;

  MsgAnswer Message(const QString& text, const QString& caption, MsgButtons buttons,
                    MsgIcon icon) override;
  std::optional<QString> OpenFile(const FileRequest&) override { return std::nullopt; }
  std::optional<FileChoice> SaveFile(const FileRequest&) override { return std::nullopt; }
  std::optional<QString> ChoosePrinter(QPrinter&) override { return std::nullopt; }
  QStringList InstalledPrinterNames() override { return {}; }
  int RunModal(QDialog&) override { return 0; }  // rejected

  // Writes one line "korvale: <text>". May be called from any thread.
  void Say(const QString& text);
  // Writes text made of whole lines as they are, each line counted as one message.
  void WriteLines(const QByteArray& text);
  // The terminal's bell, when standard error is a terminal.
  void Bell();

 private:
  int fd_;
  std::unique_ptr<QueuedOutput> output_;
};
