// The program's dialog service: Qt's message boxes, file dialogs and printer dialog.
#include <QAbstractPrintDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QStringList>

#include "core/dialog_service.h"

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

std::optional<QString> QtDialogService::OpenFileName(const QString& filter) {
  const QString path =
      QFileDialog::getOpenFileName(parent_, QString(), QString(), QtFileFilter(filter));
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> QtDialogService::SaveFileName(const QString& filter) {
  QFileDialog dialog(parent_, QString(), QString(), QtFileFilter(filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The dialog itself asks before an existing file is overwritten; a new file is confirmed here.
  // Declining either returns to the dialog.
  while (dialog.exec() == QDialog::Accepted) {
    const QString path = dialog.selectedFiles().value(0);
    if (path.isEmpty()) continue;
    if (QFileInfo::exists(path)) return path;
    const QString question =
        QFileInfo(path).fileName() + QStringLiteral(" は存在しません。\nファイルを作成しますか?");
    if (Message(question, dialog.windowTitle(), MsgButtons::YesNo, MsgIcon::Exclamation) ==
        MsgAnswer::Yes) {
      return path;
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
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return printer.outputFormat() == QPrinter::PdfFormat ? QString() : printer.printerName();
}

QStringList DialogService::InstalledPrinterNames() {
  return QPrinterInfo::availablePrinterNames();
}

int QtDialogService::RunModal(QDialog& dialog) {
  return dialog.exec();
}
