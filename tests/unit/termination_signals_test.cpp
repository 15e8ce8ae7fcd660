#include "main/termination_signals.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>

#include "main/child_signals.h"

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

#ifdef __linux__
// The lines "SigBlk:" and "SigIgn:" of a child's /proc/self/status, as the child sees them.
std::string childSignalState(bool reset) {
  int out[2];
  if (::pipe(out) != 0) return "";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (reset) {
    EXPECT_EQ(resetInheritedSignals(attributes), 0);
  }
  const char* argv[] = {"grep", "-E", "^Sig(Blk|Ign):", "/proc/self/status", nullptr};
  pid_t pid = -1;
  const int spawned =
      ::posix_spawnp(&pid, "grep", &actions, &attributes, const_cast<char* const*>(argv), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  std::string text;
  char buffer[512];
  for (ssize_t count; (count = ::read(out[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, count);
  ::close(out[0]);
  if (spawned == 0) ::waitpid(pid, nullptr, 0);
  return text;
}

// The mask in /proc's hexadecimal form has bit (signal - 1) set for each signal in it.
bool holds(const std::string& state, const std::string& line, int signal) {
  const auto at = state.find(line);
  if (at == std::string::npos) return false;
  const unsigned long long mask = std::stoull(state.substr(at + line.size()), nullptr, 16);
  return (mask >> (signal - 1)) & 1u;
}

// A child spawned after the agent blocked its signals and ignored SIGPIPE gets neither, once the
// spawner resets them; without the reset it would be deaf to SIGTERM.
TEST(ChildSignals, ASpawnerResetsTheBlockedAndIgnoredSignals) {
  const BlockedTerminationSignals blocked;
  const SignalHandling ignorePipe(SIGPIPE, SIG_IGN);

  const std::string inherited = childSignalState(false);
  EXPECT_TRUE(holds(inherited, "SigBlk:", SIGTERM)) << inherited;
  EXPECT_TRUE(holds(inherited, "SigIgn:", SIGPIPE)) << inherited;

  const std::string reset = childSignalState(true);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    EXPECT_FALSE(holds(reset, "SigBlk:", signal)) << signal << "\n" << reset;
  }
  EXPECT_FALSE(holds(reset, "SigIgn:", SIGPIPE)) << reset;
}
#endif

}  // namespace
}  // namespace dictation_agent
