// Every message box, file dialog, printer dialog and modal window of the program goes through
// this interface, handed to the windows at construction. The program uses Qt's dialogs
// (QtDialogService); tests answer from a script and record what was shown.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;

enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { None, Question, Critical, Exclamation, Information };
enum class MsgAnswer { Ok, Yes, No };

// What a file dialog is asked for: the program's filter ("CSVファイル  (*.csv)|*.csv|", one entry
// or more), the folder it opens in and the name it proposes (both may be empty).
struct FileRequest {
  QString filter;
  QString folder;
  QString name;
};

// The file chosen in a save dialog and the filter entry chosen with it.
struct FileChoice {
  QString path;
  QString filter;
};

class DialogService {
 public:
  virtual ~DialogService() = default;

  virtual MsgAnswer Message(const QString& text, const QString& caption, MsgButtons buttons,
                            MsgIcon icon) = 0;
  // The chosen path, or nothing when the operator cancelled.
  virtual std::optional<QString> OpenFile(const FileRequest& request) = 0;
  // The file to save to, or nothing when the operator cancelled. A name typed without an
  // extension gets the one of the filter chosen (WithFilterExtension); the operator has been
  // asked before a file of the resulting name is replaced, or created.
  virtual std::optional<FileChoice> SaveFile(const FileRequest& request) = 0;
  std::optional<QString> OpenFileName(const QString& filter) { return OpenFile({filter, {}, {}}); }
  std::optional<QString> SaveFileName(const QString& filter) {
    const std::optional<FileChoice> choice = SaveFile({filter, {}, {}});
    if (!choice) return std::nullopt;
    return choice->path;
  }
  // The printer dialog on `printer`; on confirmation the name of the chosen printer as the dialog
  // reports it (empty when the page goes to a file), nothing when cancelled.
  virtual std::optional<QString> ChoosePrinter(QPrinter& printer) = 0;
  // The names of the installed printers; by default those of the system's print service.
  virtual QStringList InstalledPrinterNames();
  // Shows the window modally and returns its result (QDialog::Accepted or Rejected).
  virtual int RunModal(QDialog& dialog) = 0;

  // Shorthands for the conventions of the program.
  MsgAnswer Ask(const QString& text) {
    return Message(text, QStringLiteral("Message"), MsgButtons::YesNo, MsgIcon::Question);
  }
  void Notice(const QString& text) {
    Message(text, QStringLiteral("Message"), MsgButtons::Ok, MsgIcon::None);
  }
  void Error(const QString& text) {
    Message(text, QStringLiteral("エラーメッセージ"), MsgButtons::Ok, MsgIcon::Critical);
  }
};

class QtDialogService : public DialogService {
 public:
  explicit QtDialogService(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  MsgAnswer Message(const QString& text, const QString& caption, MsgButtons buttons,
                    MsgIcon icon) override;
  std::optional<QString> OpenFile(const FileRequest& request) override;
  std::optional<FileChoice> SaveFile(const FileRequest& request) override;
  std::optional<QString> ChoosePrinter(QPrinter& printer) override;
  int RunModal(QDialog& dialog) override;

 private:
  QWidget* parent_;
};

// A file filter of the program ("専用ファイル  (*.mx1)|*.mx1|": description and pattern pairs, each
// followed by a bar) in Qt's form ("専用ファイル (*.mx1)", entries joined by ";;").
QString QtFileFilter(const QString& filter);
