#include "headless/stderr_dialogs.h"

#include <string>

#include "files/queued_output.h"

StderrDialogs::StderrDialogs(int fd, size_t bufferBytes)
    : fd_(fd), output_(std::make_unique<QueuedOutput>(fd, bufferBytes, [](uint64_t refused) {
        return QStringLiteral(
                   "korvale: 標準エラー出力が読まれなかったため、メッセージ %1 行を"
                   "出力しませんでした。\n")
            .arg(refused)
            .toLocal8Bit()
            .toStdString();
      })) {}

StderrDialogs::~StderrDialogs() {
  output_->Finish(kFinishMs);
}

MsgAnswer StderrDialogs::Message(const QString& text, const QString&, MsgButtons buttons, MsgIcon) {
  Say(text);
  return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::No;
}

void StderrDialogs::Say(const QString& text) {
  QString line = text;
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  const QByteArray bytes = QStringLiteral("korvale: %1\n").arg(line).toLocal8Bit();
  output_->Offer(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

void StderrDialogs::WriteLines(const QByteArray& text) {
  for (const QByteArray& line : text.split('\n')) {
    if (line.isEmpty()) continue;
    const QByteArray bytes = line + '\n';
    output_->Offer(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  }
}

void StderrDialogs::Bell() {
  if (::isatty(fd_)) output_->Offer("\a");
}
