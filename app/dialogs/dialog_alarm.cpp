#include "dialogs/dialog_alarm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "core/dialog_service.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "core/operator_number.h"
#include "dialogs/ok_cancel_row.h"

namespace {

QString NumberText(double v) {
  return QString::number(v, 'g', 15);
}

// The finite number of a text, or nothing.
std::optional<double> FiniteNumber(const QString& text) {
  const auto v = ToDouble(text);
  if (!v || !std::isfinite(*v)) return std::nullopt;
  return v;
}

}  // namespace

DialogAlarm::DialogAlarm(const AlarmSettings& settings, const ModuleData& md,
                         DialogService& dialogs, QWidget* parent)
    : QDialog(parent), settings_(settings), md_(md), dialogs_(dialogs) {
  BuildControls();
  Load();
  connect(OKButton, &QPushButton::clicked, this, [this] { OKButton_Click(); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { reject(); });
}

void DialogAlarm::BuildControls() {
  setWindowTitle(QStringLiteral("警報設定"));
  setModal(true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  QGroupBox* limits = BuildLimitsGroup();
  chkOpen = new QCheckBox(QStringLiteral("熱電対の断線（-300）で警報"), this);
  chkOpen->setEnabled(!md_.Record.MeasKind);
  chkSound = new QCheckBox(QStringLiteral("警報音を鳴らす"), this);
  QLabel* commandLabel = BuildCommandBox();
  const OkCancelRow buttons = BuildOkCancelRow(this, QStringLiteral("キャンセル"));
  OKButton = buttons.ok;
  CancelButton = buttons.cancel;

  auto* outer = new QVBoxLayout(this);
  outer->addWidget(limits);
  outer->addWidget(chkOpen);
  outer->addWidget(chkSound);
  outer->addWidget(commandLabel);
  outer->addWidget(txtCommand);
  outer->addLayout(buttons.layout);
}

QGroupBox* DialogAlarm::BuildLimitsGroup() {
  const QString unit = md_.Record.MeasKind ? QStringLiteral("μV") : QStringLiteral("℃");
  auto* limits = new QGroupBox(QStringLiteral("警報の限界値（%1）").arg(unit), this);
  auto* grid = new QGridLayout(limits);
  for (int i = 0; i < 4; ++i) {
    const auto u = static_cast<size_t>(i);
    const QString kind =
        md_.Record.MeasKind ? QStringLiteral("電圧値") : TcTypeName(md_.Record.Units[u].ConnectID);
    lblUnit[u] = new QLabel(QStringLiteral("ID%1 %2").arg(i).arg(kind), limits);
    lblUnit[u]->setEnabled(md_.Record.Units[u].MflagID);
    chkHigh[u] = new QCheckBox(QStringLiteral("上限"), limits);
    txtHigh[u] = new QLineEdit(limits);
    chkLow[u] = new QCheckBox(QStringLiteral("下限"), limits);
    txtLow[u] = new QLineEdit(limits);
    for (QLineEdit* box : {txtHigh[u], txtLow[u]}) {
      box->setAlignment(Qt::AlignRight);
      box->setMaximumWidth(100);
    }
    grid->addWidget(lblUnit[u], i, 0);
    grid->addWidget(chkHigh[u], i, 1);
    grid->addWidget(txtHigh[u], i, 2);
    grid->addWidget(chkLow[u], i, 3);
    grid->addWidget(txtLow[u], i, 4);
  }
  auto* hysteresisLabel = new QLabel(QStringLiteral("ヒステリシス"), limits);
  txtHysteresis = new QLineEdit(limits);
  txtHysteresis->setAlignment(Qt::AlignRight);
  txtHysteresis->setMaximumWidth(100);
  txtHysteresis->setPlaceholderText(NumberText(DefaultHysteresis(md_.Record.MeasKind)));
  txtHysteresis->setToolTip(QStringLiteral("限界の内側へこの幅だけ戻ると警報を解除します"));
  grid->addWidget(hysteresisLabel, 4, 0, 1, 2);
  grid->addWidget(txtHysteresis, 4, 2);
  return limits;
}

QLabel* DialogAlarm::BuildCommandBox() {
  auto* commandLabel = new QLabel(QStringLiteral("警報時のコマンド"), this);
  txtCommand = new QLineEdit(this);
  txtCommand->setMinimumWidth(360);
  txtCommand->setToolTip(QStringLiteral(
      "発生と解除のたびに /bin/sh で実行します。環境変数: KORVALE_EVENT, KORVALE_UNIT, "
      "KORVALE_KIND, KORVALE_VALUE, KORVALE_LIMIT, KORVALE_TIME"));
  return commandLabel;
}

void DialogAlarm::Load() {
  for (size_t i = 0; i < 4; ++i) {
    chkHigh[i]->setChecked(settings_.HighOn[i]);
    txtHigh[i]->setText(NumberText(settings_.High[i]));
    chkLow[i]->setChecked(settings_.LowOn[i]);
    txtLow[i]->setText(NumberText(settings_.Low[i]));
  }
  txtHysteresis->setText(settings_.Hysteresis ? NumberText(*settings_.Hysteresis) : QString());
  chkOpen->setChecked(settings_.OpenOn);
  chkSound->setChecked(settings_.Sound);
  txtCommand->setText(settings_.Command);
}

bool DialogAlarm::Read(AlarmSettings& out) {
  out = settings_;
  const auto refuse = [this](const QString& text) {
    dialogs_.Message(text, QStringLiteral("警報設定"), MsgButtons::Ok, MsgIcon::Exclamation);
    return false;
  };
  for (size_t i = 0; i < 4; ++i) {
    out.HighOn[i] = chkHigh[i]->isChecked();
    out.LowOn[i] = chkLow[i]->isChecked();
    // A limit switched off keeps its number when its box holds none.
    const auto high = FiniteNumber(txtHigh[i]->text());
    const auto low = FiniteNumber(txtLow[i]->text());
    if (out.HighOn[i] && !high)
      return refuse(QStringLiteral("ID%1 の上限が数値ではありません。").arg(i));
    if (out.LowOn[i] && !low)
      return refuse(QStringLiteral("ID%1 の下限が数値ではありません。").arg(i));
    if (high) out.High[i] = *high;
    if (low) out.Low[i] = *low;
  }
  const QString hysteresis = txtHysteresis->text().trimmed();
  if (hysteresis.isEmpty()) {
    out.Hysteresis.reset();
  } else if (const auto v = FiniteNumber(hysteresis)) {
    out.Hysteresis = *v;
  } else {
    return refuse(QStringLiteral("ヒステリシスが数値ではありません。"));
  }
  out.OpenOn = chkOpen->isChecked();
  out.Sound = chkSound->isChecked();
  out.Command = txtCommand->text();
  return true;
}

void DialogAlarm::OKButton_Click() {
  AlarmSettings entered;
  if (!Read(entered)) return;
  const QString why = CheckAlarmSettings(entered, md_);
  if (!why.isEmpty()) {
    dialogs_.Message(why, QStringLiteral("警報設定"), MsgButtons::Ok, MsgIcon::Exclamation);
    return;
  }
  settings_ = entered;
  accept();
}
