#include "alarm/alarm_sound.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

// The freedesktop sound theme's files, the first that exists is played.
const char* const kSoundFiles[] = {
    "/usr/share/sounds/freedesktop/stereo/dialog-warning.oga",
    "/usr/share/sounds/freedesktop/stereo/bell.oga",
    "/usr/share/sounds/freedesktop/stereo/complete.oga",
};

QString SoundFile() {
  for (const char* path : kSoundFiles) {
    if (QFileInfo::exists(QString::fromLatin1(path))) return QString::fromLatin1(path);
  }
  return QString();
}

}  // namespace

DesktopAlarmSound::DesktopAlarmSound(std::function<void()> fallback)
    : fallback_(std::move(fallback)) {
  const QString canberra = QStandardPaths::findExecutable(QStringLiteral("canberra-gtk-play"));
  if (!canberra.isEmpty()) {
    program_ = canberra;
    arguments_ = {QStringLiteral("-i"), QStringLiteral("dialog-warning")};
    return;
  }
  const QString file = SoundFile();
  if (file.isEmpty()) return;
  for (const char* player : {"pw-play", "paplay"}) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(player));
    if (!path.isEmpty()) {
      program_ = path;
      arguments_ = {file};
      return;
    }
  }
}

void DesktopAlarmSound::Play() {
  if (!program_.isEmpty()) {
    QProcess process;
    process.setProgram(program_);
    process.setArguments(arguments_);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (process.startDetached()) return;
  }
  if (fallback_) fallback_();
}

bool SoundSpacing::Allow() {
  if (last_.isValid() && last_.elapsed() < kSpacingMs) return false;
  last_.start();
  return true;
}
