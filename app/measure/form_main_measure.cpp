// The main window's part of a measurement: "開始" and "停止", and the window following the
// measurement session with its graph, current values, status line, data list and command states;
// the continuous recording and its warning; the replay of a record set read from a file.
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "core/dialog_service.h"
#include "core/module_data.h"
#include "core/settings_rules.h"
#include "dialogs/dialog_datalist.h"
#include "graph/chart2d.h"
#include "graph/graph.h"
#include "graph/graph_follow.h"
#include "journal/recording_journal.h"
#include "measure/form_main.h"
#include "measure/recording_folder_check.h"
#include "measure/window_alarms.h"
#include "session/continuous_recording.h"
#include "session/measurement_session.h"

namespace {

const QString kEraseQuestion =
    QStringLiteral("測定を開始するとデータが消去されます。よろしいですか？");

}  // namespace

void FormMain::cmdStart_Click() {
  if (md_.Measuring) return;
  if (!CheckSettings(md_, dialogs_)) return;
  // A folder that cannot take the recording's files is told now, with where they will go.
  if (md_.Recording.Continuous) {
    const QString folder = RecordingFolder(md_.Recording);
    const QString problem = FolderWriteProblem(folder);
    if (!problem.isEmpty() &&
        dialogs_.Ask(RecordingFolderQuestion(folder, problem, JournalFolder())) != MsgAnswer::Yes) {
      return;
    }
  }
  if (md_.Record.SampleCount >= 1 && dialogs_.Ask(kEraseQuestion) != MsgAnswer::Yes) return;
  FollowContinuousRecording();
  session_->Start();
}

void FormMain::cmdStop_Click() {
  session_->StopMeasure(StopReason::Operator);
}

void FormMain::ConnectSession() {
  MeasurementSession* session = session_.get();
  connect(session, &MeasurementSession::preparing, this, [this] {
    // A data list showing the old record set goes away with it.
    UnloadDatalist();
    if (ui_.optWid[0] && ui_.optWid[0]->isChecked()) graph_->State().DispCount = 100;
    // No repaint until the first sample arrives; set-up and the clearing of the old points would
    // otherwise repaint step by step.
    ui_.Chart2D1->SetRedrawSuspended(true);
  });
  connect(session, &MeasurementSession::aboutToStart, this, [this] {
    autoRange_->Restart();
    graph_->DispStatus();
    SetButtonState();
    // An invalid fixed Y range has been reported by SetGraphParam; the start ends here, with the
    // units closed and the window idle again.
    if (!graph_->SetGraphParam()) session_->RefuseStart();
  });
  connect(session, &MeasurementSession::started, this, [this] {
    ui_.Chart2D1->SetHeaderText(QStringLiteral("開始時刻 [ ") + md_.Record.StartTime +
                                QStringLiteral(" ]"));
    ui_.Chart2D1->SetHeaderAppearance(3);
  });
  connect(session, &MeasurementSession::samplesStored, this,
          [this](const RecordSet& set, const StoredSamples& samples) {
            ShowStoredSamples(samples);
            FollowDatalist(samples.CompleteIn(set));
          });
  connect(session, &MeasurementSession::markAdded, this,
          [this](const RecordSet&, const Mark& mark) {
            if (DatalistOpen()) ui_.datalist->ShowMark(md_, mark);
          });
  connect(session, &MeasurementSession::recordSetRenewed, this, &FormMain::ShowRenewedRecordSet);
  connect(session, &MeasurementSession::stopped, this, [this] {
    // The samples some unit had not reached yet are the record set's too now: the open list ends
    // with the lines it would show if opened now.
    FollowDatalist(md_.Record.SampleCount);
    // The line keeps the final count of the record set in memory.
    graph_->SetRecordingProgress(0, 0);
    graph_->DispStatus();
    // A start that ended before its first sample left the chart's redrawing suspended; the chart
    // shows what is in memory again.
    ResumeRedraw();
    SetButtonState();
  });
}

void FormMain::ShowRenewedRecordSet() {
  // An open data list starts over with the emptied record set; a closed one has nothing to open.
  if (DatalistOpen()) {
    ui_.datalist->StartOver(md_);
  } else {
    ui_.cmdDisp->setEnabled(false);
  }
  // The graph shows the new record set from its first sample, under its own start time.
  GraphState& gs = graph_->State();
  if (gs.ScrollMode == XWindowMode::FullDisplay) gs.DispCount = 100;
  gs.DispStart = 1;
  gs.DispEnd = gs.DispCount;
  graph_->SetAxesX(gs.DispStart, gs.DispEnd);
  graph_->ClearCursors();
  ui_.Chart2D1->SetHeaderText(QStringLiteral("開始時刻 [ ") + md_.Record.StartTime +
                              QStringLiteral(" ]"));
  // The old points go; the range fits the new record set's first values.
  graph_->SetRecordingProgress(session_->FileNumber(), session_->RunSamples());
  graph_->DispStatus();
  autoRange_->Apply(true);
  graph_->GrDrawData1();
}

void FormMain::ResumeRedraw() {
  if (ui_.Chart2D1->IsRedrawSuspended()) ui_.Chart2D1->SetRedrawSuspended(false);
}

void FormMain::ShowStoredSamples(const StoredSamples& samples) {
  // The first sample (or the first poll) ends the suspension the start began. The range is fitted
  // to the record set at its first sample; a unit-paced measurement fits it at its second poll,
  // since its first poll, 300 ms after the start, seldom brings a sample yet.
  const bool computerPaced = md_.Record.TimerType;
  const bool first = computerPaced ? samples.FirstOfRecordSet() : samples.poll == 0;
  const bool fit = computerPaced ? first : samples.poll == 1;
  if (first) ResumeRedraw();
  if (session_->Continuous()) {
    graph_->SetRecordingProgress(session_->FileNumber(), session_->RunSamples());
  }
  if (md_.Record.TimerType) {
    graph_->DispNowValue();
    graph_->DispStatus();
    autoRange_->Apply(fit);
    graph_->AdvanceAxesX();
    // A late tick stores its sample after empty slots: they are drawn with it, as gaps.
    const int32_t from = *std::max_element(samples.from.begin(), samples.from.end());
    if (md_.Record.SampleCount - from > 1) {
      graph_->GrDrawData1();
    } else {
      graph_->GrDrawData(md_.Record.SampleCount);
    }
  } else {
    graph_->DispNowValueUnit();
    graph_->DispStatus();
    autoRange_->Apply(fit);
    graph_->AdvanceAxesX();
    graph_->GrDrawData1();
  }
}

void FormMain::FollowDatalist(int32_t completeRows) {
  if (DatalistOpen()) {
    ui_.datalist->Follow(md_, completeRows);
  } else {
    ui_.cmdDisp->setEnabled(md_.Record.SampleCount >= 1);
  }
}

void FormMain::ReplayData() {
  ClearDatalist();
  md_.Record.FindExtremes();
  DrawRecordSet(md_.Record, *graph_, *ui_.Chart2D1, *autoRange_);
  DispDataList();
}

void FormMain::FollowContinuousRecording() {
  if (!md_.Recording.Continuous) {
    // Files a full disk held back stay with the recording until they are written.
    if (recording_) recording_->SetEnabled(false);
    return;
  }
  if (!recording_) {
    recording_ = std::make_unique<ContinuousRecording>(*session_, md_, JournalFolder());
    connect(recording_.get(), &ContinuousRecording::warning, this,
            [this](const QString& text) { ShowWarningBox(recordingWarning_, text); });
    alarms_->FollowRecording(*recording_);
  }
  // The journal of each record set stays until its file is written.
  recording_->SetJournal(journal_.get());
  recording_->SetFolder(RecordingFolder(md_.Recording));
  recording_->SetEnabled(true);
}
