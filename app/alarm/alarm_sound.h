// The short sound of a raised alarm. The desktop's sound player plays the sound theme's warning
// (canberra-gtk-play), or a freedesktop sound file through the sound server (pw-play, paplay);
// without any of them the fallback given sounds instead (the window's beep). The player is
// started detached, so that the sound never holds up a tick or a poll. Tests give the window and
// the recording a sound of their own and stay silent.
#pragma once

#include <QElapsedTimer>
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

// The spacing of the sounds: at most one per kSpacingMs. A value flapping around a limit raises
// its alarm again and again; every raise is still logged, listed and passed to the command, but a
// sound for each would only be noise.
class SoundSpacing {
 public:
  static constexpr qint64 kSpacingMs = 2000;
  // Whether a sound may play now; when it may, the next one waits kSpacingMs from now.
  bool Allow();

 private:
  QElapsedTimer last_;  // since the last sound played
};
