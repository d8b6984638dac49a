#include "scripted_dialogs.h"

#include <QDialog>

MsgAnswer ScriptedDialogs::Message(const QString& text, const QString& caption,
                                   MsgButtons buttons, MsgIcon icon) {
  shown.push_back({text, caption, buttons, icon});
  if (onMessage) onMessage(shown.back());
  if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
  if (answers.empty()) return defaultAnswer;
  MsgAnswer a = answers.front();
  answers.pop_front();
  return a;
}

std::optional<QString> ScriptedDialogs::OpenFileName(const QString& filter) {
  fileFilters.push_back(filter);
  if (openFiles.empty()) return std::nullopt;
  auto f = openFiles.front();
  openFiles.pop_front();
  return f;
}

std::optional<QString> ScriptedDialogs::SaveFileName(const QString& filter) {
  fileFilters.push_back(filter);
  if (saveFiles.empty()) return std::nullopt;
  auto f = saveFiles.front();
  saveFiles.pop_front();
  return f;
}

bool ScriptedDialogs::PrinterDialog(QPrinter&) { return printerAnswer; }

int ScriptedDialogs::RunModal(QDialog& dialog) {
  ++modalCount;
  if (modalScripts.empty()) {
    dialog.reject();
  } else {
    auto script = std::move(modalScripts.front());
    modalScripts.pop_front();
    script(dialog);
  }
  return dialog.result();
}

std::vector<QString> ScriptedDialogs::Texts() const {
  std::vector<QString> t;
  for (const auto& m : shown) t.push_back(m.text);
  return t;
}
