// The short sound of a raised alarm. The desktop's sound player plays the sound theme's warning
// (canberra-gtk-play), or a freedesktop sound file through the sound server (pw-play, paplay);
// without any of them the fallback given sounds instead (the window's beep). The player is
// started detached, so that the sound never holds up a tick or a poll. Tests give the window and
// the recording a sound of their own and stay silent.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class AlarmSound {
 public:
  virtual ~AlarmSound() = default;
  virtual void Play() = 0;
};

class DesktopAlarmSound : public AlarmSound {
 public:
  explicit DesktopAlarmSound(std::function<void()> fallback);
  void Play() override;

 private:
  QString program_;  // empty: only the fallback
  QStringList arguments_;
  std::function<void()> fallback_;
};
