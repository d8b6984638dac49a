#include "dialogs/dialog_setting.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/dialog_service.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "core/operator_number.h"
#include "core/publish_settings.h"
#include "core/publish_url.h"
#include "core/serve_settings.h"
#include "core/settings_rules.h"
#include "dialogs/ok_cancel_row.h"

namespace {

constexpr int kTypeCount = 8;

// The units of the two interval boxes, in milliseconds.
constexpr int64_t kMsStep = 10;
constexpr int64_t kSecStep = 1000;

// Raw readings per stored sample when the computer's timer paces an averaged measurement.
constexpr int32_t kTimerAverageCount = 100;

}  // namespace

DialogSetting::DialogSetting(ModuleData& md, DialogService& dialogs, QWidget* parent,
                             ServeSettings* serve)
    : QDialog(parent), md_(md), dialogs_(dialogs), serve_(serve) {
  BuildControls();
  FormLoad();
  connect(OKButton, &QPushButton::clicked, this, [this] { OKButton_Click(); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButton_Click(); });
  connect(chkAverage, &QCheckBox::toggled, this, [this] { chkAverage_Click(); });
}

void DialogSetting::BuildControls() {
  setWindowTitle(QStringLiteral("取込設定"));
  setModal(true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  BuildUnitGroup();
  BuildTypeGroup();
  BuildIntervalGroup();
  chkAverage = new QCheckBox(QStringLiteral("データ値の平均化"), this);
  QHBoxLayout* recordingRow = BuildRecordingRow();
  QHBoxLayout* publishRow = BuildPublishRow();
  const OkCancelRow buttons = BuildOkCancelRow(this, QStringLiteral("ｷｬﾝｾﾙ"));
  OKButton = buttons.ok;
  CancelButton = buttons.cancel;

  auto* right = new QVBoxLayout;
  right->addWidget(Frame3);
  right->addWidget(Frame2);
  right->addWidget(chkAverage);
  right->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addWidget(Frame1);
  top->addLayout(right);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(top);
  outer->addLayout(recordingRow);
  outer->addLayout(publishRow);
  if (serve_) outer->addLayout(BuildServeRow());
  outer->addLayout(buttons.layout);
  setFixedSize(sizeHint());
}

void DialogSetting::BuildUnitGroup() {
  Frame1 = new QGroupBox(QStringLiteral("使用ユニットと種類"), this);
  auto* unitGrid = new QGridLayout(Frame1);
  unitGrid->setHorizontalSpacing(12);
  for (int i = 0; i < 4; ++i) {
    chkID[i] = new QCheckBox(QStringLiteral("ID%1").arg(i), Frame1);
    Combo1[i] = new QComboBox(Frame1);
    Combo1[i]->setEditable(false);
    Combo1[i]->setMinimumWidth(120);
    txtName[i] = new QLineEdit(Frame1);
    txtName[i]->setMaxLength(RecordSet::kMaxNameLength);
    txtName[i]->setPlaceholderText(QStringLiteral("名前"));
    txtName[i]->setToolTip(QStringLiteral("凡例・現在値・カーソル・警報・印刷に出るチャンネル名"));
    unitGrid->addWidget(chkID[i], i, 0);
    unitGrid->addWidget(Combo1[i], i, 1);
    unitGrid->addWidget(txtName[i], i, 2);
  }
  unitGrid->setColumnStretch(2, 1);
}

void DialogSetting::BuildTypeGroup() {
  Frame3 = new QGroupBox(QStringLiteral("種類"), this);
  auto* typeBox = new QVBoxLayout(Frame3);
  auto* typeGroup = new QButtonGroup(this);
  optType[0] = new QRadioButton(QStringLiteral("熱電対"), Frame3);
  optType[1] = new QRadioButton(QStringLiteral("電圧値"), Frame3);
  for (int i = 0; i < 2; ++i) {
    typeGroup->addButton(optType[i], i);
    typeBox->addWidget(optType[i]);
  }
  typeBox->addStretch(1);
}

void DialogSetting::BuildIntervalGroup() {
  Frame2 = new QGroupBox(QStringLiteral("測定間隔"), this);
  auto* timeGrid = new QGridLayout(Frame2);
  auto* timerGroup = new QButtonGroup(this);
  const QString timerCaptions[2] = {QStringLiteral("ミリ秒"), QStringLiteral("秒")};
  const QString unitCaptions[2] = {QStringLiteral("×10msec"), QStringLiteral("秒")};
  for (int i = 0; i < 2; ++i) {
    optTimer[i] = new QRadioButton(timerCaptions[i], Frame2);
    timerGroup->addButton(optTimer[i], i);
    txtTime[i] = new QLineEdit(Frame2);
    txtTime[i]->setAlignment(Qt::AlignRight);
    txtTime[i]->setMaximumWidth(90);
    lblTimeUnit[i] = new QLabel(unitCaptions[i], Frame2);
    timeGrid->addWidget(optTimer[i], i, 0);
    timeGrid->addWidget(txtTime[i], i, 1);
    timeGrid->addWidget(lblTimeUnit[i], i, 2);
  }
  timeGrid->setColumnStretch(2, 1);
}

// Continuous recording: each full record set becomes a file in the folder, and the measurement
// goes on.
QHBoxLayout* DialogSetting::BuildRecordingRow() {
  chkContinuous = new QCheckBox(QStringLiteral("連続記録"), this);
  chkContinuous->setToolTip(QStringLiteral(
      "バッファがいっぱいになるたびにフォルダーへファイルを書き出し、測定を続けます"));
  txtFolder = new QLineEdit(this);
  txtFolder->setPlaceholderText(QStringLiteral("~/korvale-records"));
  txtFolder->setMinimumWidth(220);
  auto* recordingRow = new QHBoxLayout;
  recordingRow->addWidget(chkContinuous);
  recordingRow->addWidget(txtFolder, 1);
  return recordingRow;
}

// The web view: a port to watch the measurement from a browser; empty serves nothing.
QHBoxLayout* DialogSetting::BuildServeRow() {
  auto* label = new QLabel(QStringLiteral("ウェブ公開ポート"), this);
  txtServePort = new QLineEdit(this);
  txtServePort->setPlaceholderText(QStringLiteral("空欄で公開しない"));
  txtServePort->setToolTip(QStringLiteral(
      "測定をブラウザーと Prometheus (/metrics) で見られるようにします（アドレスとトークンは"
      "設定ファイルの [Serve]）"));
  label->setBuddy(txtServePort);
  auto* row = new QHBoxLayout;
  row->addWidget(label);
  row->addWidget(txtServePort, 1);
  return row;
}

std::optional<int> DialogSetting::EnteredPort() const {
  const QString text = txtServePort->text().trimmed();
  if (text.isEmpty()) return 0;
  bool ok = false;
  const int port = text.toInt(&ok);
  if (!ok || port < 1 || port > 65535) return std::nullopt;
  return port;
}

bool DialogSetting::CheckServePort() {
  if (!serve_ || EnteredPort()) return true;
  dialogs_.Error(QStringLiteral(
      "ウェブ公開ポートは 1 から 65535 までの数で指定してください（空欄で公開しない）。"));
  return false;
}

// Publishing: each sample also goes to the lab's MQTT brokers and InfluxDB databases.
QHBoxLayout* DialogSetting::BuildPublishRow() {
  txtPublish = new QLineEdit(this);
  txtPublish->setPlaceholderText(
      QStringLiteral("mqtt://ホスト/接頭辞 influx://ホスト/データベース"));
  txtPublish->setToolTip(
      QStringLiteral("測定データの送信先の URL（mqtt://、mqtts://、influx://、influx2://）。"
                     "複数は空白で区切ります"));
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("送信先"), this));
  row->addWidget(txtPublish, 1);
  return row;
}

bool DialogSetting::CheckPublish() {
  for (const QString& text : SplitPublishUrls(txtPublish->text())) {
    const PublishUrl url = ParsePublishUrl(text);
    if (url.ok) continue;
    dialogs_.Error(url.reason);
    txtPublish->setFocus();
    return false;
  }
  return true;
}

void DialogSetting::InitTypeList() {
  for (QComboBox* box : Combo1) {
    for (int t = 0; t < kTypeCount; ++t) box->addItem(TcTypeName(static_cast<int16_t>(t)));
  }
}

QString DialogSetting::IntervalText(int32_t intervalMs, int32_t unitMs) {
  const double v = static_cast<double>(intervalMs) / static_cast<double>(unitMs);
  return QString::number(v, 'f', QLocale::FloatingPointShortest);
}

void DialogSetting::FormLoad() {
  InitTypeList();
  for (int i = 0; i < 4; ++i) {
    const UnitRecord& unit = md_.Record.Units[i];
    chkID[i]->setChecked(unit.MflagID);
    // A type read from a data file may lie outside the list; the list then shows no selection.
    const bool known = unit.ConnectID >= 0 && unit.ConnectID < kTypeCount;
    Combo1[i]->setCurrentIndex(known ? unit.ConnectID : -1);
    txtName[i]->setText(unit.Name);
  }
  if (md_.Record.TimerType) {
    optTimer[1]->setChecked(true);
    txtTime[0]->clear();
    txtTime[1]->setText(IntervalText(md_.Record.IntervalTM, kSecStep));
  } else {
    optTimer[0]->setChecked(true);
    txtTime[0]->setText(IntervalText(md_.Record.IntervalTM, kMsStep));
    txtTime[1]->clear();
  }
  optType[md_.Record.MeasKind ? 1 : 0]->setChecked(true);
  chkAverage->setChecked(md_.Record.DataAverage);
  chkContinuous->setChecked(md_.Recording.Continuous);
  txtFolder->setText(md_.Recording.Folder);
  txtPublish->setText(LoadPublishUrls().join(QLatin1Char(' ')));
  if (serve_) txtServePort->setText(serve_->Port > 0 ? QString::number(serve_->Port) : QString());
}

bool DialogSetting::CheckInput() {
  return CheckUnitSelect() && CheckInterval() && CheckServePort();
}

bool DialogSetting::CheckUnitSelect() {
  for (QCheckBox* box : chkID) {
    if (box->isChecked()) return true;
  }
  dialogs_.Error(NoUnitMessage());
  return false;
}

std::optional<int32_t> DialogSetting::EnteredInterval() const {
  const bool ms = optTimer[0]->isChecked();
  const std::optional<int32_t> n = ToInt32(txtTime[ms ? 0 : 1]->text());
  if (!n) return std::nullopt;
  // The product is formed in 64 bits: one beyond the 32-bit range fails the range check.
  const int64_t v = static_cast<int64_t>(*n) * (ms ? kMsStep : kSecStep);
  if (!IntervalAllowed(!ms, md_.Record.DataAverage, v)) return std::nullopt;
  return static_cast<int32_t>(v);
}

bool DialogSetting::CheckInterval() {
  if (EnteredInterval()) return true;
  dialogs_.Error(IntervalMessage(!optTimer[0]->isChecked(), md_.Record.DataAverage));
  return false;
}

void DialogSetting::ApplySettings() {
  for (int i = 0; i < 4; ++i) {
    UnitRecord& unit = md_.Record.Units[i];
    unit.MflagID = chkID[i]->isChecked();
    // No selection (a type outside the list when the dialog opened): the unit keeps its type.
    const int index = Combo1[i]->currentIndex();
    if (index >= 0) unit.ConnectID = static_cast<int16_t>(index);
    // A name of blanks only is no name; line breaks would break the legend and the files' lines.
    unit.Name = txtName[i]->text().simplified().left(RecordSet::kMaxNameLength);
  }
  md_.Record.TimerType = !optTimer[0]->isChecked();
  // CheckInterval has passed before; should it not have, the interval stays as it was.
  if (const std::optional<int32_t> interval = EnteredInterval()) md_.Record.IntervalTM = *interval;
  if (chkAverage->isChecked()) {
    md_.Record.DataAverage = true;
    md_.AverageCount = md_.Record.TimerType
                           ? kTimerAverageCount
                           : ToInt32(txtTime[0]->text()).value_or(md_.AverageCount);
  } else {
    md_.Record.DataAverage = false;
    md_.AverageCount = 1;
  }
  md_.Record.MeasKind = !optType[0]->isChecked();
  md_.Recording.Continuous = chkContinuous->isChecked();
  md_.Recording.Folder = txtFolder->text().trimmed();
  if (serve_) serve_->Port = EnteredPort().value_or(serve_->Port);
}

void DialogSetting::OKButton_Click() {
  if (!CheckInput() || !CheckPublish()) return;
  ApplySettings();
  const QStringList urls = SplitPublishUrls(txtPublish->text());
  if (urls != LoadPublishUrls()) SavePublishUrls(urls);
  md_.SettingOK = true;
  accept();
}

void DialogSetting::CancelButton_Click() {
  reject();
}

void DialogSetting::chkAverage_Click() {
  md_.Record.DataAverage = chkAverage->isChecked();
}
