#include "core/settings_rules.h"

#include "core/dialog_service.h"
#include "core/module_data.h"

namespace {

// Accepted intervals in milliseconds.
constexpr int64_t kMsStep = 10;
constexpr int64_t kMsMin = 10;
constexpr int64_t kMsMax = 100000;
constexpr int64_t kSecStep = 1000;
constexpr int64_t kSecMin = 1000;
constexpr int64_t kSecMinAveraged = 10000;
constexpr int64_t kSecMax = 65535000;

}  // namespace

bool IntervalAllowed(bool timerType, bool dataAverage, int64_t intervalMs) {
  if (!timerType) return intervalMs % kMsStep == 0 && intervalMs >= kMsMin && intervalMs <= kMsMax;
  const int64_t lower = dataAverage ? kSecMinAveraged : kSecMin;
  return intervalMs % kSecStep == 0 && intervalMs >= lower && intervalMs <= kSecMax;
}

QString IntervalAllowedText(bool timerType, bool dataAverage) {
  if (!timerType) {
    return QStringLiteral("TimerType=False のとき、ミリ秒で %1 〜 %2 の %3 の倍数")
        .arg(kMsMin)
        .arg(kMsMax)
        .arg(kMsStep);
  }
  const int64_t lower = dataAverage ? kSecMinAveraged : kSecMin;
  const QString when = dataAverage ? QStringLiteral("TimerType=True で DataAverage=True のとき")
                                   : QStringLiteral("TimerType=True で DataAverage=False のとき");
  return QStringLiteral("%4、ミリ秒で %1 〜 %2 の %3 の倍数")
      .arg(lower)
      .arg(kSecMax)
      .arg(kSecStep)
      .arg(when);
}

bool AnyUnitUsed(const ModuleData& md) {
  for (const UnitRecord& unit : md.Record.Units) {
    if (unit.MflagID) return true;
  }
  return false;
}

QString NoUnitMessage() {
  return QStringLiteral("使用ユニットにチェックが付いていません。");
}

QString IntervalMessage(bool timerType, bool dataAverage) {
  const QString wrong = QStringLiteral("時間の入力に誤りがあります。\n");
  if (!timerType) {
    return wrong + QStringLiteral(
                       "「ミリ秒」には %1 ～ %2 を入力して下さい（×10msec：10 ミリ秒 ～ 100 秒）。")
                       .arg(kMsMin / kMsStep)
                       .arg(kMsMax / kMsStep);
  }
  if (dataAverage) {
    return wrong +
           QStringLiteral(
               "「秒」にはデータ値の平均化をするとき %1 ～ %2 を入力して下さい（平均化しない"
               "ときは %3 から）。")
               .arg(kSecMinAveraged / kSecStep)
               .arg(kSecMax / kSecStep)
               .arg(kSecMin / kSecStep);
  }
  return wrong +
         QStringLiteral(
             "「秒」には %1 ～ %2 を入力して下さい（データ値の平均化をするときは %3 から）。")
             .arg(kSecMin / kSecStep)
             .arg(kSecMax / kSecStep)
             .arg(kSecMinAveraged / kSecStep);
}

QString SettingsProblem(const ModuleData& md) {
  if (!AnyUnitUsed(md)) return NoUnitMessage();
  if (!IntervalAllowed(md.Record.TimerType, md.Record.DataAverage, md.Record.IntervalTM)) {
    return IntervalMessage(md.Record.TimerType, md.Record.DataAverage);
  }
  return QString();
}

bool CheckSettings(const ModuleData& md, DialogService& dialogs) {
  const QString problem = SettingsProblem(md);
  if (problem.isEmpty()) return true;
  dialogs.Error(problem);
  return false;
}
