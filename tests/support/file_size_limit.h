// A full disk made real: a child process whose files may not grow beyond a limit. SIGXFSZ is
// ignored there, so a write beyond the limit fails with EFBIG as on a full disk instead of ending
// the process.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

// Runs body in a forked child under a file-size limit of limit bytes and returns its result (the
// child's exit code), or -1 when the child did not exit normally. The child leaves with _exit:
// nothing of the parent's is torn down twice.
inline int RunWithFileSizeLimit(rlim_t limit, const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit fsize{limit, limit};
    if (::setrlimit(RLIMIT_FSIZE, &fsize) != 0) ::_exit(100);
    ::_exit(body());
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Sets a file-size limit in a process about to start another program (QProcess's child modifier).
inline void LimitFileSizeForChild(rlim_t limit) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit fsize{limit, limit};
  ::setrlimit(RLIMIT_FSIZE, &fsize);
}
