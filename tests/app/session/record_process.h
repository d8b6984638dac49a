// `korvale --record` started as a process on the simulated demonstration units in real time, with
// per-user folders of its own and no display, and the pipes a lab connects to it: a FIFO that is
// opened and never read, one whose reader has gone.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <vector>

#include "files/data_file.h"

namespace recordtest {

// A FIFO whose read end this process holds open without reading (a reader that hangs), with the
// kernel's buffer at two pages so that it fills within a second.
class UnreadFifo {
 public:
  explicit UnreadFifo(const QString& path) : path_(path) {
    EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    readFd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(readFd_, 0);
    ::fcntl(readFd_, F_SETPIPE_SZ, 8192);
  }
  ~UnreadFifo() { CloseReader(); }
  UnreadFifo(const UnreadFifo&) = delete;
  UnreadFifo& operator=(const UnreadFifo&) = delete;

  const QString& Path() const { return path_; }

  // Fills the kernel's buffer, as output nobody took would.
  void Fill() {
    const int w = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(w, 0);
    const QByteArray filler(4096, 'x');
    while (::write(w, filler.constData(), static_cast<size_t>(filler.size())) > 0) {
    }
    ::close(w);
  }
  // What the buffer holds now (without waiting).
  QByteArray ReadAvailable() {
    QByteArray all;
    char buf[65536];
    ssize_t n;
    while (readFd_ >= 0 && (n = ::read(readFd_, buf, sizeof buf)) > 0) all.append(buf, n);
    return all;
  }
  // The reader goes: every later write into the FIFO fails with EPIPE.
  void CloseReader() {
    if (readFd_ >= 0) ::close(readFd_);
    readFd_ = -1;
  }

 private:
  QString path_;
  int readFd_ = -1;
};

class RecordProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    // Units 0 and 1 sampling every 10 ms on their own clock.
    QFile ini(Path("settings.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(
        "[MeasInfo]\nMflagID0=True\nMflagID1=True\nConnectID1=4\nTimerType=False\n"
        "IntervalTM=10\nMeasKind=False\nDataAverage=False\n");
  }

  QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
  QStringList RecordArgs(const char* folder) const {
    return {QStringLiteral("--record"), Path(folder), QStringLiteral("--settings"),
            Path("settings.ini")};
  }

  // Starts program (the recorder unless given) on the demonstration units with its own per-user
  // folders and no display.
  void Start(QProcess& p, const QStringList& args, const QString& program = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
      env.remove(QString::fromLatin1(name));
    }
    env.insert(QStringLiteral("USBKIT_SIMULATE"), QStringLiteral("demo"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), Path("data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path("config"));
    p.setProcessEnvironment(env);
    p.start(program.isEmpty() ? QStringLiteral(KORVALE_PROGRAM) : program, args);
    ASSERT_TRUE(p.waitForStarted());
  }

  // Waits up to ms for p to end; one that does not is killed so that the test goes on.
  static bool Ends(QProcess& p, int ms) {
    if (p.waitForFinished(ms)) return true;
    p.kill();
    p.waitForFinished(10000);
    return false;
  }

  static void Signal(QProcess& p, int sig) {
    ASSERT_EQ(::kill(static_cast<pid_t>(p.processId()), sig), 0);
  }

  // The own data files in folder, read, in name order.
  std::vector<DataFileImage> Files(const char* folder) const {
    std::vector<DataFileImage> images;
    const QDir dir(Path(folder));
    for (const QString& name : dir.entryList({QStringLiteral("*.mx1")}, QDir::Files, QDir::Name)) {
      DataFileImage image;
      QString error;
      EXPECT_TRUE(ReadDataFileImage(dir.filePath(name), image, &error)) << error.toStdString();
      images.push_back(image);
    }
    return images;
  }

  // Waits until the file at path has some content (the recorder is up and measuring).
  static bool WaitForContent(const QString& path, int ms = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (QFileInfo(path).size() <= 0 && clock.elapsed() < ms) QThread::msleep(50);
    return QFileInfo(path).size() > 0;
  }

  QTemporaryDir dir_;
};

}  // namespace recordtest
