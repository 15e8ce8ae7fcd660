#include "main/termination_signals.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>

namespace dictation_agent {
namespace {

using namespace std::chrono_literals;

// Sets a signal's handling for as long as it lives.
class SignalHandling {
 public:
  SignalHandling(int signal, void (*handler)(int)) : signal_(signal) {
    struct sigaction next {};
    next.sa_handler = handler;
    ::sigaction(signal_, &next, &previous_);
  }
  ~SignalHandling() { ::sigaction(signal_, &previous_, nullptr); }

 private:
  int signal_;
  struct sigaction previous_ {};
};

// Counts the watcher's calls; each call fulfils the next promise.
class Calls {
 public:
  TerminationSignalWatcher::Handler handler() {
    return [this] { promises_[count_++].set_value(); };
  }
  bool arrives(std::size_t index) {
    return promises_[index].get_future().wait_for(5s) == std::future_status::ready;
  }

 private:
  std::promise<void> promises_[8];
  std::atomic<std::size_t> count_{0};
};

TEST(TerminationSignals, EachOfTheThreeReachesTheWatcherInsteadOfEndingTheProcess) {
  const BlockedTerminationSignals blocked;
  Calls calls;
  const TerminationSignalWatcher watcher(blocked, calls.handler());
  std::size_t index = 0;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    ASSERT_EQ(::kill(::getpid(), signal), 0);
    EXPECT_TRUE(calls.arrives(index++));
  }
}

TEST(TerminationSignals, OneThatCameBeforeTheWatcherWaitsForIt) {
  const BlockedTerminationSignals blocked;
  ASSERT_EQ(::kill(::getpid(), SIGTERM), 0);
  Calls calls;
  const TerminationSignalWatcher watcher(blocked, calls.handler());
  EXPECT_TRUE(calls.arrives(0));
}

TEST(TerminationSignals, OneIgnoredAtTheStartStaysIgnored) {
  const SignalHandling ignoreInterrupt(SIGINT, SIG_IGN);
  const sigset_t watched = terminationSignals();
  EXPECT_EQ(sigismember(&watched, SIGINT), 0);
  EXPECT_EQ(sigismember(&watched, SIGTERM), 1);
  EXPECT_EQ(sigismember(&watched, SIGHUP), 1);

  const BlockedTerminationSignals blocked;
  Calls calls;
  const TerminationSignalWatcher watcher(blocked, calls.handler());
  ASSERT_EQ(::kill(::getpid(), SIGINT), 0);  // ignored: nothing happens
  ASSERT_EQ(::kill(::getpid(), SIGHUP), 0);
  EXPECT_TRUE(calls.arrives(0));  // the one call is the SIGHUP's
}

TEST(TerminationSignals, TheMaskIsGivenBackAtTheEnd) {
  sigset_t before;
  ::pthread_sigmask(SIG_BLOCK, nullptr, &before);
  {
    const BlockedTerminationSignals blocked;
    sigset_t during;
    ::pthread_sigmask(SIG_BLOCK, nullptr, &during);
    EXPECT_EQ(sigismember(&during, SIGTERM), 1);
  }
  sigset_t after;
  ::pthread_sigmask(SIG_BLOCK, nullptr, &after);
  EXPECT_EQ(sigismember(&after, SIGTERM), sigismember(&before, SIGTERM));
}

}  // namespace
}  // namespace dictation_agent
