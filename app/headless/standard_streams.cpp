#include "headless/standard_streams.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

void IgnoreSignal(int) {}

}  // namespace

bool ClaimStandardDescriptors() {
  bool outputClosed = false;
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    if (fd == STDOUT_FILENO) outputClosed = true;
    // The lower numbers are open by now, so the new descriptor gets this one.
    const int null = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != fd) {
      ::dup2(null, fd);
      ::close(null);
    }
  }
  return outputClosed;
}

QString StreamOutputProblem(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return QStringLiteral("閉じられています");
  if ((flags & O_ACCMODE) == O_RDONLY) return QStringLiteral("読み取り専用で開かれています");
  struct stat st {};
  if (::fstat(fd, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))) {
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLERR | POLLHUP)) != 0) {
      return QStringLiteral("読み手がいません");
    }
  }
  return {};
}

void IgnoreBrokenPipes() {
  struct sigaction action {};
  action.sa_handler = &IgnoreSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGPIPE, &action, nullptr);
}
