// Stored settings that cannot be used. Reading the settings store never guesses: a value that is
// not of its key's kind, or that the settings dialog would refuse, is named with the text stored
// and what the key takes. `korvale --record` refuses to start on such a value; the window takes
// the defaults for those keys and says which.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

struct SettingProblem {
  QString section;       // "MeasInfo", "Recording"; empty for the file itself
  QString key;           // "IntervalTM"; for the file itself, its path
  QString value;         // the text stored; for the file itself, what is wrong with it
  QString allowed;       // what the key takes
  QStringList replaced;  // the keys that took their defaults because of it
};

// One line for the operator: "IntervalTM=5（10 〜 100000 の 10 の倍数 …）", or for the file
// itself "設定ファイル PATH を読めません（…）".
QString SettingProblemLine(const SettingProblem& problem);

// The window's notice after the defaults were taken for problems: the keys replaced, then a line
// per problem.
QString SettingsReplacedNotice(const std::vector<SettingProblem>& problems);

// Why the file at path cannot be an INI settings file, or an empty text. A settings file is text:
// no NUL or other control character but tab, CR and LF, and every line that is not blank is a
// comment (";", "#"), a section ("[MeasInfo]"), a "key=value" line or the continuation of a value
// that ended in a backslash. A file that does not exist is no problem here (it holds no settings).
QString SettingsFileProblem(const QString& path);
