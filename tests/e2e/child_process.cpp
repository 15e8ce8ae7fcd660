#include "e2e/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

extern char** environ;

namespace dictation_agent::testing {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> environmentWith(const EnvironmentChanges& changes) {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    const std::string name(text.substr(0, text.find('=')));
    if (!changes.contains(name)) entries.emplace_back(text);
  }
  for (const auto& [name, value] : changes) {
    if (value) entries.push_back(name + "=" + *value);
  }
  return entries;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& text : strings) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

int remainingMilliseconds(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const EnvironmentChanges& changes, const ChildOptions& options) {
  std::array<int, 2> in{-1, -1}, out{-1, -1}, err{-1, -1};
  if (::pipe2(in.data(), O_CLOEXEC) != 0 || ::pipe2(out.data(), O_CLOEXEC) != 0 ||
      ::pipe2(err.data(), O_CLOEXEC) != 0) {
    return;
  }
  if (options.nonBlockingOutput) {
    ::fcntl(out[1], F_SETFL, ::fcntl(out[1], F_GETFL) | O_NONBLOCK);
    if (options.outputPipeBytes > 0) ::fcntl(out[1], F_SETPIPE_SZ, options.outputPipeBytes);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  std::vector<std::string> argv = arguments;
  std::vector<std::string> envp = environmentWith(changes);
  auto argvPointers = pointersTo(argv);
  auto envpPointers = pointersTo(envp);
  // The child starts as a host would start it, whatever this process inherited (a background
  // job's SIGINT is ignored, say): no signal blocked, the terminating ones at their default, except
  // SIGINT when the child is to find it ignored. An ignored signal stays ignored across exec, so
  // this process ignores it for the moment of the spawn.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
    if (signal != SIGINT || !options.interruptIgnored) sigaddset(&defaults, signal);
  }
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  struct sigaction ignore {
  }, interruptHandling{};
  ignore.sa_handler = SIG_IGN;
  if (options.interruptIgnored) ::sigaction(SIGINT, &ignore, &interruptHandling);
  if (::posix_spawnp(&pid_, argv[0].c_str(), &actions, &attributes, argvPointers.data(),
                     envpPointers.data()) != 0) {
    pid_ = -1;
  }
  if (options.interruptIgnored) ::sigaction(SIGINT, &interruptHandling, nullptr);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  input_ = in[1];
  output_fd_ = out[0];
  error_fd_ = err[0];
  // A test that writes after the agent has gone must fail on its own terms, not by SIGPIPE.
  ::signal(SIGPIPE, SIG_IGN);
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !status_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  for (int fd : {input_, output_fd_, error_fd_}) {
    if (fd >= 0) ::close(fd);
  }
}

bool ChildProcess::pump(std::chrono::milliseconds timeout) {
  std::array<pollfd, 2> fds{pollfd{output_fd_, POLLIN, 0}, pollfd{error_fd_, POLLIN, 0}};
  const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
  if (ready < 0 && errno != EINTR) return false;
  std::array<std::string*, 2> sinks{&output_, &error_};
  std::array<int*, 2> owners{&output_fd_, &error_fd_};
  for (std::size_t i = 0; i < fds.size(); ++i) {
    if (fds[i].fd < 0 || fds[i].revents == 0) continue;
    std::array<char, 4096> chunk{};
    const ssize_t count = ::read(fds[i].fd, chunk.data(), chunk.size());
    if (count > 0) {
      sinks[i]->append(chunk.data(), static_cast<std::size_t>(count));
    } else if (count == 0 || errno != EINTR) {
      ::close(*owners[i]);
      *owners[i] = -1;
    }
  }
  return output_fd_ >= 0 || error_fd_ >= 0;
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (true) {
    const auto end = output_.find('\n');
    if (end != std::string::npos) {
      std::string line = output_.substr(0, end);
      output_.erase(0, end + 1);
      return line;
    }
    if (output_fd_ < 0 || Clock::now() >= deadline) return std::nullopt;
    pump(std::chrono::milliseconds(remainingMilliseconds(deadline)));
  }
}

bool ChildProcess::waitForOutput(std::string_view text, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (output_.find(text) == std::string::npos) {
    if (output_fd_ < 0 || Clock::now() >= deadline) return false;
    pump(std::chrono::milliseconds(remainingMilliseconds(deadline)));
  }
  return true;
}

void ChildProcess::write(std::string_view bytes) {
  if (input_ >= 0) (void)!::write(input_, bytes.data(), bytes.size());
}

void ChildProcess::closeInput() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
}

void ChildProcess::closeOutput() {
  if (output_fd_ >= 0) ::close(output_fd_);
  output_fd_ = -1;
}

int ChildProcess::wait(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while ((output_fd_ >= 0 || error_fd_ >= 0) && Clock::now() < deadline) {
    pump(std::chrono::milliseconds(remainingMilliseconds(deadline)));
  }
  while (pid_ > 0 && !status_) {
    int status = 0;
    rusage usage{};
    const pid_t done = ::wait4(pid_, &status, WNOHANG, &usage);
    if (done == pid_) {
      status_ = status;
      const auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
      cpuSeconds_ = seconds(usage.ru_utime) + seconds(usage.ru_stime);
      peakRssKilobytes_ = usage.ru_maxrss;
    } else if (Clock::now() >= deadline) {
      return -1;
    } else {
      ::poll(nullptr, 0, 10);
    }
  }
  return status_ && WIFEXITED(*status_) ? WEXITSTATUS(*status_) : -1;
}

int runToEnd(const std::vector<std::string>& arguments, const EnvironmentChanges& changes) {
  ChildProcess child(arguments, changes);
  if (!child.started()) return -1;
  child.closeInput();
  return child.wait(std::chrono::seconds(60));
}

}  // namespace dictation_agent::testing
