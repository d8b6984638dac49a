// The main window's file commands: "保存" opens the save window, "読込み" reads an own data file
// and replays it onto the graph.
#include <QPushButton>

#include "core/dialog_service.h"
#include "core/file_dialog_memory.h"
#include "core/module_data.h"
#include "dialogs/dialog_datalist.h"
#include "dialogs/dialog_memo.h"
#include "files/data_file.h"
#include "files/file_formats.h"
#include "graph/chart2d.h"
#include "graph/graph.h"
#include "measure/form_main.h"
#include "measure/window_alarms.h"

void FormMain::cmdSave_Click() {
  if (md_.Record.SampleCount < 1) {
    dialogs_.Notice(QStringLiteral("測定データがありません。"));
    return;
  }
  DialogMemo dialog(md_, dialogs_, this);
  // The alarms of the record set go beside the file, "NAME-alarms.csv".
  connect(&dialog, &DialogMemo::fileSaved, this,
          [this](const QString& path) { alarms_->WriteLogBeside(path); });
  dialogs_.RunModal(dialog);
}

void FormMain::cmdRead_Click() {
  // Samples measured and not saved are only in memory: the read asks first, as "開始" and
  // "取込設定" do before they discard samples.
  if (md_.Unsaved && md_.Record.SampleCount >= 1 &&
      dialogs_.Ask(QStringLiteral("ファイルを読み込むとデータが消去されます。よろしいですか？")) !=
          MsgAnswer::Yes) {
    return;
  }
  const std::optional<QString> path =
      dialogs_.OpenFile({FileFormatOf(FileFormatId::DataFile).filter, LastFileFolder(), QString()});
  if (!path) return;
  RememberFileFolder(*path);
  LoadDataFile(*path);
}

bool FormMain::LoadDataFile(const QString& path) {
  if (md_.Measuring) return false;
  // The file is read whole into a record set of its own; only a complete read replaces the one
  // in memory, so a file that cannot be read leaves data, settings and graph as they were.
  QString reason;
  switch (ReadDataFile(md_, path, &reason)) {
    case ReadResult::Failed:
      dialogs_.Message(ReadFailureText(path, reason), QStringLiteral("Message"), MsgButtons::Ok,
                       MsgIcon::Critical);
      return false;
    case ReadResult::NoSamples:
      // A file without a complete sample brings nothing to show; the samples in memory are kept.
      dialogs_.Notice(QStringLiteral("データがありません。"));
      return false;
    case ReadResult::Read:
      break;
  }
  md_.ReadFrom = path;
  ShowReadData();
  return true;
}

void FormMain::ShowReadData() {
  graph_->ClearNowValue();
  alarms_->Clear();
  // An open data list (cmdDisp disabled) stays open and is rebuilt with the new record set at
  // the end of the replay; otherwise "データ表示" becomes available.
  const bool listOpen = !ui_.cmdDisp->isEnabled() && ui_.datalist;
  if (!listOpen) ui_.cmdDisp->setEnabled(true);
  // The file's measurement kind decides the unit of the values shown.
  ui_.Chart2D1->SetAxisTitle(Chart2D::Axis::Y,
                             md_.Record.MeasKind ? QStringLiteral("μV") : QStringLiteral("℃"));
  const int32_t samples = md_.Record.SampleCount;
  ReplayData();
  md_.Record.SampleCount = samples;
  DispTitle();
}
