#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace dictation_agent::testing {

// Freezes a process (SIGSTOP), a sound server that stops answering, and resumes it (SIGCONT) on
// every way out of the test: when the guard goes, and should the test process die first (a
// crash, ctest's timeout), from a watchdog child that notices its end.
class FrozenProcess {
 public:
  explicit FrozenProcess(pid_t pid) : pid_(pid) {
    int lifeline[2];
    if (::pipe2(lifeline, O_CLOEXEC) == 0) {
      watchdog_ = ::fork();
      if (watchdog_ == 0) {
        // Only calls that are safe after a fork: read returns once every write end is closed,
        // which the end of the test process does too.
        ::close(lifeline[1]);
        char byte = 0;
        while (::read(lifeline[0], &byte, 1) < 0 && errno == EINTR) {
        }
        ::kill(pid, SIGCONT);
        ::_exit(0);
      }
      ::close(lifeline[0]);
      lifeline_ = lifeline[1];
    }
    EXPECT_GT(watchdog_, 0) << "no watchdog: a crash would leave the process frozen";
    EXPECT_EQ(::kill(pid_, SIGSTOP), 0);
  }
  ~FrozenProcess() {
    ::kill(pid_, SIGCONT);
    if (lifeline_ >= 0) ::close(lifeline_);
    if (watchdog_ > 0) {
      while (::waitpid(watchdog_, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
  }
  FrozenProcess(const FrozenProcess&) = delete;
  FrozenProcess& operator=(const FrozenProcess&) = delete;

 private:
  pid_t pid_;
  pid_t watchdog_ = -1;
  int lifeline_ = -1;
};

}  // namespace dictation_agent::testing
