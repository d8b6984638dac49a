#include "dialogs/dialog_memo.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValidator>
#include <iterator>

#include "core/dialog_service.h"
#include "core/file_dialog_memory.h"
#include "core/file_names.h"
#include "core/module_data.h"
#include "files/analysis_csv.h"
#include "files/data_file.h"
#include "files/file_formats.h"

namespace {

// A memo line is stored with a 16-bit byte count, so it may take at most 65535 bytes in code page
// 932. The box refuses input beyond that; a longer line read from a file is shown whole (setText
// is not validated) and refused by "次へ".
class MemoBytesValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    qsizetype bytes = 0;
    for (const QChar c : input) {
      const char16_t u = c.unicode();
      // ASCII and half-width katakana take one byte, everything else two (a character without a
      // code page 932 form is refused by "次へ", by name).
      bytes += (u < 0x80 || (u >= 0xFF61 && u <= 0xFF9F)) ? 1 : 2;
    }
    return bytes <= kMaxBytes ? Acceptable : Invalid;
  }
  static constexpr qsizetype kMaxBytes = 0xFFFF;
};

}  // namespace

DialogMemo::DialogMemo(ModuleData& md, DialogService& dialogs, QWidget* parent)
    : QDialog(parent), md_(md), dialogs_(dialogs) {
  BuildControls();
  Form_Load();
  connect(OKButton, &QPushButton::clicked, this, [this] { OKButton_Click(); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButton_Click(); });
}

void DialogMemo::BuildControls() {
  setWindowTitle(QStringLiteral("データ保存"));
  setModal(true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  Frame1 = new QGroupBox(QStringLiteral("ファイルの保存形式"), this);
  auto* typeBox = new QHBoxLayout(Frame1);
  auto* typeGroup = new QButtonGroup(this);
  for (const FileFormat* format : SaveWindowFormats()) {
    auto* button = new QRadioButton(format->choice, Frame1);
    typeGroup->addButton(button, static_cast<int>(optFiletype.size()));
    typeBox->addWidget(button);
    optFiletype.push_back(button);
  }
  typeBox->addStretch(1);

  Frame2 = new QGroupBox(QStringLiteral("メモ"), this);
  auto* memoGrid = new QGridLayout(Frame2);
  static const char16_t* const kLabels[] = {u"１．", u"２．", u"３．", u"４．", u"５．"};
  auto* validator = new MemoBytesValidator(this);
  for (int i = 0; i < 5; ++i) {
    lblMemo[i] = new QLabel(QString::fromUtf16(kLabels[i]), Frame2);
    txtMemo[i] = new QLineEdit(Frame2);
    txtMemo[i]->setMaxLength(MemoBytesValidator::kMaxBytes);
    txtMemo[i]->setValidator(validator);
    txtMemo[i]->setMinimumWidth(360);
    memoGrid->addWidget(lblMemo[i], i, 0);
    memoGrid->addWidget(txtMemo[i], i, 1);
  }

  OKButton = new QPushButton(QStringLiteral("次へ"), this);
  CancelButton = new QPushButton(QStringLiteral("戻る"), this);
  OKButton->setDefault(true);
  CancelButton->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  auto* outer = new QVBoxLayout(this);
  outer->addWidget(Frame1);
  outer->addWidget(Frame2);
  outer->addLayout(buttons);
  setFixedSize(sizeHint());
}

void DialogMemo::Form_Load() {
  // The format last saved in, else "CSV".
  const QString last = LastSaveFilter();
  size_t format = 0;
  for (size_t i = 0; i < optFiletype.size(); ++i) {
    if (FormatFilter(i) == last) format = i;
  }
  optFiletype[format]->setChecked(true);
  for (int i = 0; i < 5; ++i) txtMemo[i]->setText(md_.Record.MemoText[i]);
}

QString DialogMemo::FormatFilter(size_t format) {
  const std::vector<const FileFormat*> formats = SaveWindowFormats();
  return format < formats.size() ? formats[format]->filter : QString();
}

bool DialogMemo::CheckMemo() {
  for (int i = 0; i < 5; ++i) {
    const QString problem = TextFieldProblem(
        txtMemo[i]->text(), QStringLiteral("メモ%1").arg(i + 1), md_.Record.MemoBytes[i]);
    if (problem.isEmpty()) continue;
    dialogs_.Error(problem);
    txtMemo[i]->setFocus();
    return false;
  }
  return true;
}

std::optional<QString> DialogMemo::ChooseFile(const QString& filter) {
  // The dialog opens where the operator last saved or read, proposing a name from the start time.
  const std::optional<FileChoice> choice = dialogs_.SaveFile(
      {filter, LastFileFolder(), SuggestedFileName(md_.Record.StartTime, filter)});
  if (!choice) return std::nullopt;
  RememberFileFolder(choice->path);
  RememberSaveFilter(filter);
  return choice->path;
}

void DialogMemo::OKButton_Click() {
  // Text the file cannot hold is refused before a file is chosen, so that nothing is written
  // with a memo changed behind the operator's back. The analysis CSV, in UTF-8, holds any text.
  const std::vector<const FileFormat*> formats = SaveWindowFormats();
  size_t checked = 0;
  while (checked + 1 < optFiletype.size() && !optFiletype[checked]->isChecked()) ++checked;
  const FileFormat& format = *formats[checked];
  if (format.codePageTexts && !CheckMemo()) return;
  const std::optional<QString> path = ChooseFile(format.filter);
  if (!path) return;  // cancelled: the window stays open, nothing has changed

  const std::array<QString, 5> previous = md_.Record.MemoText;
  for (int i = 0; i < 5; ++i) md_.Record.MemoText[i] = txtMemo[i]->text();
  QString reason;
  if (!format.write(md_.Record, *path, &reason)) {
    // The window stays open so that another place can be chosen; the memo lines stay as they
    // were until a save succeeds.
    md_.Record.MemoText = previous;
    dialogs_.Message(SaveFailureText(*path, reason), QStringLiteral("Message"), MsgButtons::Ok,
                     MsgIcon::Critical);
    return;
  }
  md_.Unsaved = false;
  emit fileSaved(*path);
  accept();
}

void DialogMemo::CancelButton_Click() {
  reject();
}
