#include "session/stderr_dialogs.h"

MsgAnswer StderrDialogs::Message(const QString& text, const QString&, MsgButtons buttons, MsgIcon) {
  Say(text);
  return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::No;
}

void StderrDialogs::Say(const QString& text) {
  QString line = text;
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  const QByteArray bytes = QStringLiteral("korvale: %1\n").arg(line).toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream_);
  std::fflush(stream_);
}
