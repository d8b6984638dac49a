#include "scripted_dialogs.h"

#include <QDialog>

#include "core/file_names.h"

namespace {

// The next scripted file answer. Copied out as a plain QString: copying the optional itself trips
// a false "may be used uninitialized" of GCC 12 at -O2.
std::optional<QString> TakeFront(std::deque<std::optional<QString>>& answers) {
  if (answers.empty()) return std::nullopt;
  const bool chosen = answers.front().has_value();
  const QString path = answers.front().value_or(QString());
  answers.pop_front();
  if (!chosen) return std::nullopt;
  return path;
}

}  // namespace

MsgAnswer ScriptedDialogs::Message(const QString& text, const QString& caption, MsgButtons buttons,
                                   MsgIcon icon) {
  shown.push_back({text, caption, buttons, icon});
  if (onMessage) onMessage(shown.back());
  if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
  if (answers.empty()) return defaultAnswer;
  MsgAnswer a = answers.front();
  answers.pop_front();
  return a;
}

std::optional<QString> ScriptedDialogs::OpenFile(const FileRequest& request) {
  fileFilters.push_back(request.filter);
  fileRequests.push_back(request);
  return TakeFront(openFiles);
}

std::optional<FileChoice> ScriptedDialogs::SaveFile(const FileRequest& request) {
  fileFilters.push_back(request.filter);
  fileRequests.push_back(request);
  const std::optional<QString> typed = TakeFront(saveFiles);
  if (!typed) return std::nullopt;
  return FileChoice{WithFilterExtension(*typed, request.filter), request.filter};
}

std::optional<QString> ScriptedDialogs::ChoosePrinter(QPrinter& printer) {
  if (onPrinterDialog) onPrinterDialog(printer);
  return chosenPrinter;
}

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

void PrintTo(const ShownMessage& m, std::ostream* os) {
  *os << '"' << m.text.toStdString() << "\" caption \"" << m.caption.toStdString() << "\" buttons "
      << static_cast<int>(m.buttons) << " icon " << static_cast<int>(m.icon);
}
