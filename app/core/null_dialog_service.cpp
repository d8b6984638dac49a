#include "core/null_dialog_service.h"

#include <QDialog>
#include <cstdio>

MsgAnswer NullDialogs::Message(const QString& text, const QString& caption, MsgButtons buttons,
                               MsgIcon) {
  texts << text;
  if (log_) std::fprintf(stderr, "message \"%s\" (%s)\n", qPrintable(text), qPrintable(caption));
  return buttons == MsgButtons::Ok ? MsgAnswer::Ok : answer_;
}

int NullDialogs::RunModal(QDialog& dialog) {
  dialog.reject();
  return dialog.result();
}
