// The save window "データ保存": the file format (CSV export, the own data file or the analysis CSV)
// and the five memo lines. "次へ" asks for the file through the save dialog, takes the memo lines
// over and writes the file; "戻る" closes the window without saving. The window opens with the
// format last saved in, and the save dialog in the folder last used, proposing a name from the
// start time.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <optional>
#include <vector>

class DialogService;
class ModuleData;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class DialogMemo : public QDialog {
  Q_OBJECT

 public:
  // Builds the controls and runs the load handler.
  DialogMemo(ModuleData& md, DialogService& dialogs, QWidget* parent = nullptr);

  void Form_Load();
  void OKButton_Click();
  void CancelButton_Click();

  QGroupBox* Frame1 = nullptr;  // "ファイルの保存形式"
  // The formats of files/file_formats.h the window offers: "CSV", "専用", "解析用CSV (UTF-8,
  // 時刻付き)"
  std::vector<QRadioButton*> optFiletype;
  QGroupBox* Frame2 = nullptr;       // "メモ"
  std::array<QLabel*, 5> lblMemo{};  // "１．" .. "５．"
  std::array<QLineEdit*, 5> txtMemo{};
  QPushButton* OKButton = nullptr;      // "次へ"
  QPushButton* CancelButton = nullptr;  // "戻る"

  // The save dialog's filter of the format of optFiletype index `format`.
  static QString FormatFilter(size_t format);

 signals:
  // The record set has been written to path.
  void fileSaved(const QString& path);

 private:
  void BuildControls();
  // Shows why a memo line cannot be saved and returns false; true when all five can.
  bool CheckMemo();
  // The save dialog for filter; remembers the folder and the format of the file chosen. Nothing
  // when the operator cancelled.
  std::optional<QString> ChooseFile(const QString& filter);

  ModuleData& md_;
  DialogService& dialogs_;
};
