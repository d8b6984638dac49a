// The program's dialog service: Qt's message boxes, file dialogs and printer dialog.
#include <QAbstractPrintDialog>
#include <QDialog>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QStringList>

#include "core/dialog_service.h"
#include "core/file_names.h"

namespace {

QMessageBox::Icon BoxIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::Critical:
      return QMessageBox::Critical;
    case MsgIcon::Exclamation:
      return QMessageBox::Warning;
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// The page is one page: the print dialog offers no range of pages (Qt's dialog keeps its "from"
// and "to" choice even when asked for none) and no order of pages. The dialog sets its controls
// up as it is shown, so they are hidden then.
class OnePagePrint : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      for (const char* name : {"gbPrintRange", "reverse"}) {
        if (auto* control = watched->findChild<QWidget*>(QLatin1String(name))) control->hide();
      }
    }
    return false;
  }
};

}  // namespace

// The program writes its filters as description|pattern pairs, each followed by a bar
// ("CSVファイル  (*.csv)|*.csv|"). Qt wants "description (patterns)" entries joined by ";;".
QString QtFileFilter(const QString& filter) {
  static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString label = parts[i];
    const QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(' ');
    if (patterns.isEmpty()) continue;
    // The description usually repeats the patterns in parentheses; Qt adds its own.
    label.remove(trailingPatterns);
    label = label.trimmed();
    entries << (label.isEmpty() ? patterns : label + QStringLiteral(" (") + patterns + ')');
  }
  return entries.join(QStringLiteral(";;"));
}

namespace {

// The entry of the program's filter that Qt's dialog shows as qtFilter; the first when none does.
QString ChosenFilter(const QString& filter, const QString& qtFilter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString entry = parts[i] + QLatin1Char('|') + parts[i + 1] + QLatin1Char('|');
    if (QtFileFilter(entry) == qtFilter) return entry;
  }
  return parts.size() >= 2 ? parts[0] + QLatin1Char('|') + parts[1] + QLatin1Char('|') : filter;
}

}  // namespace

MsgAnswer QtDialogService::Message(const QString& text, const QString& caption, MsgButtons buttons,
                                   MsgIcon icon) {
  QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::NoButton, parent_);
  if (buttons == MsgButtons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  const int answer = box.exec();
  if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
  return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

std::optional<QString> QtDialogService::OpenFile(const FileRequest& request) {
  const QString path = QFileDialog::getOpenFileName(parent_, QString(), request.folder,
                                                    QtFileFilter(request.filter));
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<FileChoice> QtDialogService::SaveFile(const FileRequest& request) {
  QFileDialog dialog(parent_, QString(), request.folder, QtFileFilter(request.filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!request.name.isEmpty()) dialog.selectFile(request.name);
  // Both questions are asked here, for the name as it will be saved: the dialog's own would be
  // about the name typed, without the extension the filter adds.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  // Declining a question returns to the dialog.
  while (dialog.exec() == QDialog::Accepted) {
    const QString filter = ChosenFilter(request.filter, dialog.selectedNameFilter());
    const QString path = WithFilterExtension(dialog.selectedFiles().value(0), filter);
    if (path.isEmpty()) continue;
    const QString name = QFileInfo(path).fileName();
    const QString question =
        QFileInfo::exists(path)
            ? name + QStringLiteral(" は既に存在します。\n上書きしますか?")
            : name + QStringLiteral(" は存在しません。\nファイルを作成しますか?");
    if (Message(question, dialog.windowTitle(), MsgButtons::YesNo, MsgIcon::Exclamation) ==
        MsgAnswer::Yes) {
      return FileChoice{path, filter};
    }
  }
  return std::nullopt;
}

std::optional<QString> QtDialogService::ChoosePrinter(QPrinter& printer) {
  QPrintDialog dialog(&printer, parent_);
  // Only the printer, its orientation and paper are chosen: no selection and no page range.
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  OnePagePrint onePage;
  dialog.installEventFilter(&onePage);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return printer.outputFormat() == QPrinter::PdfFormat ? QString() : printer.printerName();
}

QStringList DialogService::InstalledPrinterNames() {
  return QPrinterInfo::availablePrinterNames();
}

int QtDialogService::RunModal(QDialog& dialog) {
  return dialog.exec();
}
