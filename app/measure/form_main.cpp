#include "measure/form_main.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>

#include "core/dialog_service.h"
#include "core/module_data.h"
#include "core/serve_settings.h"
#include "core/setting_problems.h"
#include "core/settings_rules.h"
#include "dialogs/dialog_datalist.h"
#include "dialogs/dialog_move_window.h"
#include "dialogs/dialog_setting.h"
#include "graph/graph_follow.h"
#include "measure/window_alarms.h"
#include "measure/window_marks.h"
#include "measure/window_publish.h"
#include "measure/window_serve.h"
#include "publish/publisher.h"
#include "session/continuous_recording.h"
#include "session/measurement_session.h"

FormMain::FormMain(ModuleData& md, MDX4A& driver, DialogService& dialogs, QWidget* parent)
    : QWidget(parent), md_(md), driver_(driver), dialogs_(dialogs) {
  BuildControls();
  graph_ = std::make_unique<::Graph>(md_, ui_, dialogs_);
  autoRange_ = std::make_unique<AutoRangeY>(md_, *graph_);
  session_ = std::make_unique<MeasurementSession>(md_, driver_, dialogs_);
  // The sampling timers are the session's; the window's controls name them.
  ui_.Timer1 = session_->Timer1();
  ui_.Timer2 = session_->Timer2();
  ConnectControls();
  ConnectSession();
  Form_Load();
  // After the window's own followers of the session, whose current values it marks.
  alarms_ = std::make_shared<WindowAlarms>(md_, *session_, ui_, dialogs_);
  connect(ui_.cmdAlarm, &QPushButton::clicked, this, [this] {
    alarms_->cmdAlarm_Click();
    graph_->SetStatisticsLimits(StatisticsLimitsOf(alarms_->Settings()));
  });
  graph_->SetStatisticsLimits(StatisticsLimitsOf(alarms_->Settings()));
  marks_ = std::make_unique<WindowMarks>(md_, *session_, ui_, *graph_);
  publish_ = std::make_shared<WindowPublish>(*session_, md_, alarms_->Monitor(), ui_);
  serve_ = std::make_shared<WindowServe>(*session_, md_, alarms_->Monitor(), dialogs_);
  serve_->FollowDestinations([publish = publish_.get()] {
    const Publisher* publisher = publish->Current();
    return publisher ? publisher->Statuses() : std::vector<PublishDestinationStatus>{};
  });
}

FormMain::~FormMain() {
  // The followers of the session are destroyed before the controls; nothing may call into them
  // any more.
  session_->Timer1()->stop();
  session_->Timer2()->stop();
  disconnect(session_.get(), nullptr, nullptr, nullptr);
  // The auxiliary windows go first: they refer to controls of this window.
  delete ui_.datalist.data();
  delete ui_.moveWindow.data();
}

void FormMain::ConnectControls() {
  connect(ui_.cmdStart, &QPushButton::clicked, this, [this] { cmdStart_Click(); });
  connect(ui_.cmdStop, &QPushButton::clicked, this, [this] { cmdStop_Click(); });
  connect(ui_.cmdSetting, &QPushButton::clicked, this, [this] { cmdSetting_Click(); });
  connect(ui_.cmdDisp, &QPushButton::clicked, this, [this] { cmdDisp_Click(); });
  connect(ui_.cmdEnd, &QPushButton::clicked, this, [this] { cmdEnd_Click(); });
  connect(ui_.cmdMeasInfo, &QPushButton::clicked, this, [this] { cmdMeasInfo_Click(); });
  connect(ui_.cmdPrint, &QPushButton::clicked, this, [this] { cmdPrint_Click(); });
  // "読込み", "保存" and "印刷" get their commands with the file and print routines.
  connect(ui_.cmdRead, &QPushButton::clicked, this, [this] { cmdRead_Click(); });
  connect(ui_.cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
  for (int i = 0; i < 4; ++i) {
    connect(ui_.cmdMove[i], &QPushButton::clicked, this,
            [this, i] { cmdMove_Click(static_cast<int16_t>(i)); });
  }

  // idClicked reports only the operator's clicks; a selection made by the routines runs its
  // handler itself.
  connect(optHeiGroup_, &QButtonGroup::idClicked, this,
          [this](int id) { graph_->optHei_Click(static_cast<int16_t>(id)); });
  connect(ui_.cmdSetScaleY, &QPushButton::clicked, this, [this] { graph_->cmdSetScaleY_Click(); });
  connect(optWidGroup_, &QButtonGroup::idClicked, this,
          [this](int id) { graph_->optWid_Click(static_cast<int16_t>(id)); });
  connect(ui_.Combo1, &QComboBox::activated, this, [this](int) { graph_->Combo1_Click(); });
  connect(ui_.cmdLeft, &QPushButton::clicked, this, [this] { graph_->cmdLeft_Click(); });
  connect(ui_.cmdRight, &QPushButton::clicked, this, [this] { graph_->cmdRight_Click(); });
}

void FormMain::Form_Load() {
  md_.Record.InitDataBuffers();
  md_.ClearData();
  // Stored values that cannot be used have taken their defaults: the operator is told which, once
  // the window is up (a box before the window would have nothing to stand on).
  const std::vector<SettingProblem> problems = md_.LoadSettings();
  if (!problems.empty()) {
    QTimer::singleShot(
        0, this, [this, notice = SettingsReplacedNotice(problems)] { dialogs_.Notice(notice); });
  }
  SetButtonState();
  graph_->InitGraph();
  graph_->InitGraphParam(false);
  graph_->SetGraphTitle(false);
}

void FormMain::SetButtonState() {
  const bool idle = !md_.Measuring;
  ui_.cmdStart->setEnabled(idle);
  ui_.cmdStop->setEnabled(!idle);
  ui_.cmdSetting->setEnabled(idle);
  ui_.cmdAlarm->setEnabled(idle);
  ui_.cmdPrint->setEnabled(idle);
  ui_.cmdRead->setEnabled(idle);
  ui_.cmdSave->setEnabled(idle);
  ui_.cmdEnd->setEnabled(idle);
  // The data list opens on any record set with a sample, while measuring too; a disabled button
  // is also the sign of the open list.
  ui_.cmdDisp->setEnabled(!DatalistOpen() && md_.Record.SampleCount >= 1);
  DispTitle();
}

void FormMain::DispTitle() {
  const QString caption = QStringLiteral("熱電対温度測定ユニット");
  setWindowTitle(md_.ReadFrom.isEmpty()
                     ? caption
                     : QFileInfo(md_.ReadFrom).fileName() + QStringLiteral(" - ") + caption);
}

void FormMain::Form_QueryUnload(bool& cancel) {
  if (!ui_.cmdStart->isEnabled()) {
    dialogs_.Error(QStringLiteral("測定中です。中止してから終了して下さい。"));
    cancel = true;
    return;
  }
  const QString question = md_.Record.SampleCount < 1
                               ? QStringLiteral("終了しますか？")
                               : QStringLiteral("データが消去されます。終了してもよろしいですか？");
  if (dialogs_.Ask(question) != MsgAnswer::Yes) {
    cancel = true;
    return;
  }
  UnloadDatalist();
}

void FormMain::closeEvent(QCloseEvent* event) {
  // Every way of closing the window (title bar, window manager, "終了") comes here.
  bool cancel = false;
  Form_QueryUnload(cancel);
  if (cancel) {
    event->ignore();
    return;
  }
  // The move tool is a window of its own: left open, it would keep the program running.
  if (ui_.moveWindow) ui_.moveWindow->close();
  event->accept();
}

void FormMain::cmdEnd_Click() {
  close();
}

void FormMain::cmdSetting_Click() {
  if (md_.Record.SampleCount >= 1 &&
      dialogs_.Ask(QStringLiteral("設定を変更するとデータが消去されます。よろしいですか？")) !=
          MsgAnswer::Yes) {
    return;
  }
  const bool oldKind = md_.Record.MeasKind;
  md_.SettingOK = false;
  {
    DialogSetting dialog(md_, dialogs_, this, &serve_->Settings());
    dialogs_.RunModal(dialog);
  }
  if (!md_.SettingOK) return;
  SaveServeSettings(serve_->Settings());
  serve_->Apply();

  if (md_.Record.SampleCount > 0) {
    UnloadDatalist();
    md_.ClearData();
    graph_->ClearNowValue();
    graph_->DispStatus();
    ui_.cmdDisp->setEnabled(md_.Record.SampleCount >= 1);
    DispTitle();
  }
  graph_->SetGraphTitle(md_.Record.MeasKind != oldKind);
  alarms_->ShowLimitLines();
}

void FormMain::cmdDisp_Click() {
  if (md_.Record.SampleCount < 1) {
    dialogs_.Notice(QStringLiteral("データがありません"));
    return;
  }
  auto* list = new DialogDatalist(md_, ui_.cmdDisp, this);
  list->setAttribute(Qt::WA_DeleteOnClose);
  ui_.datalist = list;
  list->show();
  ui_.cmdDisp->setEnabled(false);
}

void FormMain::cmdMeasInfo_Click() {
  // Settings read from a data file may break the dialog's rules: they are never stored.
  if (!CheckSettings(md_, dialogs_)) return;
  md_.SaveSettings();
}

void FormMain::cmdMove_Click(int16_t /*index*/) {
  // All four buttons open the same tool window.
  if (!ui_.moveWindow) ui_.moveWindow = new DialogMoveWindow(this, this);
  ui_.moveWindow->show();
  ui_.moveWindow->raise();
}

void FormMain::DispConnectflg() {
  graph_->DispConnectflg();
}

bool FormMain::DatalistOpen() const {
  // A closed window waits for its deferred deletion: it is no longer open.
  return ui_.cmdDisp && !ui_.cmdDisp->isEnabled() && ui_.datalist && ui_.datalist->isVisible();
}

void FormMain::UnloadDatalist() {
  if (!DatalistOpen()) return;
  QPointer<DialogDatalist> list = ui_.datalist;
  list->close();  // enables cmdDisp again
  delete list.data();
}

void FormMain::ClearDatalist() {
  if (DatalistOpen()) ui_.datalist->Clear();
}

void FormMain::DispDataList() {
  if (DatalistOpen()) ui_.datalist->Reload(md_);
}
