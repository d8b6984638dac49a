#include "graph/status_line.h"

#include <algorithm>

QString FormatDuration(int64_t ms) {
  const int64_t total = std::max<int64_t>(ms, 0) / 1000;
  const int64_t days = total / 86400;
  const int64_t hours = total / 3600 % 24;
  const int64_t minutes = total / 60 % 60;
  const int64_t seconds = total % 60;
  const QString clock = QStringLiteral("%1:%2:%3")
                            .arg(days > 0 ? QStringLiteral("%1").arg(hours, 2, 10, QLatin1Char('0'))
                                          : QString::number(hours))
                            .arg(minutes, 2, 10, QLatin1Char('0'))
                            .arg(seconds, 2, 10, QLatin1Char('0'));
  return days > 0 ? QStringLiteral("%1日 ").arg(days) + clock : clock;
}

StatusLine MakeStatusLine(int32_t samples, int32_t capacity, int32_t intervalMs) {
  const int64_t taken = std::clamp<int64_t>(samples, 0, capacity);
  const int64_t left = capacity - taken;
  const int64_t interval = std::max<int64_t>(intervalMs, 0);
  StatusLine line;
  line.text = QStringLiteral("データ数 %1 / %2　経過時間 %3　満杯まで %4")
                  .arg(taken)
                  .arg(capacity)
                  .arg(FormatDuration(taken * interval))
                  .arg(FormatDuration(left * interval));
  // Less than 5 % of the capacity left: 20 * left < capacity, in whole numbers.
  line.warning = taken > 0 && left * 20 < capacity;
  if (line.warning) line.text += QStringLiteral("　※ バッファの残りが 5% を切りました");
  return line;
}

StatusLine MakeRecordingStatusLine(int32_t file, int32_t samples, int32_t capacity,
                                   int64_t runSamples, int32_t intervalMs) {
  const int64_t taken = std::clamp<int64_t>(samples, 0, capacity);
  const int64_t interval = std::max<int64_t>(intervalMs, 0);
  // Never full: the record set goes to its file and the recording goes on in an empty one.
  StatusLine line;
  line.text = QStringLiteral(
                  "連続記録 ファイル %1　データ数 %2 / %3　通算 %4　経過時間 %5　"
                  "次のファイルまで %6")
                  .arg(file)
                  .arg(taken)
                  .arg(capacity)
                  .arg(std::max<int64_t>(runSamples, 0))
                  .arg(FormatDuration(std::max<int64_t>(runSamples, 0) * interval))
                  .arg(FormatDuration((capacity - taken) * interval));
  return line;
}

StatusLine MakeReadStatusLine(int32_t samples, int32_t intervalMs) {
  const int64_t taken = std::max<int64_t>(samples, 0);
  StatusLine line;
  line.text = QStringLiteral("データ数 %1　経過時間 %2")
                  .arg(taken)
                  .arg(FormatDuration(taken * std::max<int64_t>(intervalMs, 0)));
  return line;
}
