// The data list window "データ表示": one line per sample with the four units' values side by side,
// in a fixed-pitch font. Modeless; enables the main window's "データ表示" again when it closes.
#pragma once

#include <QDialog>

class ModuleData;
class QLabel;
class QListView;
class QPushButton;
class QPushButton;
class DataListModel;

class DialogDatalist : public QDialog {
  Q_OBJECT

 public:
  // Fills the count label and the list from the record set (the load handler). cmdDisp is the
  // main window's button, enabled again when this window closes.
  DialogDatalist(const ModuleData& md, QPushButton* cmdDisp, QWidget* parent = nullptr);
  ~DialogDatalist() override;

  // The controls that the main window's list rebuild writes.
  QLabel* lblDataNum = nullptr;
  QListView* List1 = nullptr;
  DataListModel* Model() const { return model_; }
  QPushButton* OKButton = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  DataListModel* model_ = nullptr;
  QPushButton* cmdDisp_;
};
