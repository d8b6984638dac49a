// The data list window "データ表示": one line per sample with the four units' values side by side,
// in a fixed-pitch font. Modeless; enables the main window's "データ表示" again when it closes.
// Opened while measuring, it follows the record set as the main window hands it the new samples.
#pragma once

#include <QDialog>
#include <QPointer>
#include <array>

class ModuleData;
struct Mark;
class QFont;
class QHBoxLayout;
class QLabel;
class QListView;
class QPushButton;
class DataListModel;

class DialogDatalist : public QDialog {
  Q_OBJECT

 public:
  // Fills the count label and the list from the record set (the load handler); while measuring,
  // with the samples every used unit has reached. cmdDisp is the
  // main window's button, enabled again when this window closes. The window deletes itself when
  // it is closed.
  DialogDatalist(const ModuleData& md, QPushButton* cmdDisp, QWidget* parent = nullptr);
  ~DialogDatalist() override;

  QLabel* Label1 = nullptr;         // "データ数"
  std::array<QLabel*, 4> Label2{};  // "ID0".."ID3"
  // The controls that the main window's list rebuild writes.
  QLabel* lblDataNum = nullptr;
  QListView* List1 = nullptr;
  DataListModel* Model() const { return model_; }
  QPushButton* OKButton = nullptr;

  void OKButton_Click();

  // Empties the count label and the list (a record set is about to be replayed into memory).
  void Clear();
  // Lists the record set again, in the rebuild's format, and selects its last line, which
  // scrolls it into view.
  void Reload(const ModuleData& md);

  // While measuring: appends the samples up to rows (those every used unit has reached) and
  // shows the new count. A list scrolled to its end stays there; one scrolled elsewhere stays put.
  void Follow(const ModuleData& md, int32_t rows);
  // While measuring: mark was added to the record set; its line shows it once it is listed.
  void ShowMark(const ModuleData& md, const Mark& mark);
  // While measuring: the record set was emptied for the next one; the list starts over with it.
  void StartOver(const ModuleData& md);

 public slots:
  // Every way of closing the window (OK, Esc, the title bar) ends here.
  void done(int result) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // The controls, one group at a time in the order of the focus chain.
  QHBoxLayout* BuildCountRow();  // "データ数"
  // The list in `listFont`, `column` the width of one of its characters.
  void BuildList(const QFont& listFont, int column);
  QWidget* BuildHeadings(int column);  // "ID0".."ID3" over the list
  QHBoxLayout* BuildCloseRow();        // "閉じる"
  void Form_Unload();

  DataListModel* model_ = nullptr;
  QPointer<QPushButton> cmdDisp_;
  bool unloaded_ = false;
};
