// The rules of the settings dialog "取込設定", in one place for the dialog, "開始", "測定条件保存"
// and the reading of the settings store: no way in measures with, or stores, settings the dialog
// would refuse (a data file's header may hold anything).
#pragma once

#include <QString>
#include <cstdint>

class DialogService;
class ModuleData;

// Whether the dialog accepts an interval of intervalMs milliseconds: in 10 ms steps from 10 ms to
// 100 s when the units pace the sampling (timerType false); in whole seconds from 1 s (10 s with
// averaging) to 65535 s when the computer does.
bool IntervalAllowed(bool timerType, bool dataAverage, int64_t intervalMs);

// What the settings store's IntervalTM takes with the timing and averaging given, for the
// operator: "10 〜 100000 の 10 の倍数（…）".
QString IntervalAllowedText(bool timerType, bool dataAverage);

// Whether at least one unit is used.
bool AnyUnitUsed(const ModuleData& md);

// The dialog's messages for a settings choice without a used unit, and for a wrong interval with
// the timing and averaging chosen (it says what the box of that unit accepts).
QString NoUnitMessage();
QString IntervalMessage(bool timerType, bool dataAverage);

// The dialog's message for the first rule md's settings break (no unit used, then the interval),
// or an empty text when they keep every rule.
QString SettingsProblem(const ModuleData& md);

// Shows SettingsProblem as the dialog shows it (caption "エラーメッセージ", error icon) and returns
// false; true when md's settings keep the rules.
bool CheckSettings(const ModuleData& md, DialogService& dialogs);
