// Test bodies run in a child process, for failures that must really happen: a full disk made real
// by a file-size limit (SIGXFSZ ignored, so a write beyond the limit fails with EFBIG as on a full
// disk instead of ending the process), or a user without the right to write somewhere.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>

// Runs body in a forked child and returns its result (the child's exit code), or -1 when the
// child did not exit normally. The child leaves with _exit: nothing of the parent's is torn down
// twice.
inline int RunInChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Sets a file-size limit of limit bytes on this process and everything it starts.
inline void LimitFileSizeForChild(rlim_t limit) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit fsize{limit, limit};
  ::setrlimit(RLIMIT_FSIZE, &fsize);
}

// Runs body in a forked child under a file-size limit of limit bytes.
inline int RunWithFileSizeLimit(rlim_t limit, const std::function<int()>& body) {
  return RunInChild([&] {
    LimitFileSizeForChild(limit);
    return body();
  });
}

// Whether process pid has ended: it is gone, or only its exit status is left (a zombie whose
// parent, the system's first process in a container, has not collected it yet).
inline bool ProcessGone(pid_t pid) {
  if (::kill(pid, 0) != 0) return errno == ESRCH;
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  FILE* stat = std::fopen(path, "r");
  if (!stat) return true;
  char state = 0;
  const int fields = std::fscanf(stat, "%*d (%*[^)]) %c", &state);
  std::fclose(stat);
  return fields == 1 && state == 'Z';
}
