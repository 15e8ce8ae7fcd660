#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dictation_agent::testing {

// Environment changes for a child: a value sets the variable, nullopt removes it.
using EnvironmentChanges = std::map<std::string, std::optional<std::string>>;

// How a host may have set up a child, beyond plain pipes.
struct ChildOptions {
  // The child's standard output is O_NONBLOCK (on its own file description, the pipe's write
  // end) and, when `outputPipeBytes` is not 0, that small.
  bool nonBlockingOutput = false;
  int outputPipeBytes = 0;
  // SIGINT is ignored when the child starts, as a shell leaves it for a background job.
  bool interruptIgnored = false;
};

// A program run with its standard input, output and error on pipes. Destruction kills it if it
// is still running (by its pid) and reaps it.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& arguments, const EnvironmentChanges& changes = {},
               const ChildOptions& options = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // The next line of standard output without its line feed; nullopt at end of file or when
  // none comes within `timeout`. Standard error is collected meanwhile.
  std::optional<std::string> readLine(std::chrono::milliseconds timeout);

  // True once the standard output not yet read by readLine holds `text`; false when it does not
  // come within `timeout`. For output that is not made of lines, like a terminal line rewritten.
  bool waitForOutput(std::string_view text, std::chrono::milliseconds timeout);

  void write(std::string_view bytes);
  void closeInput();
  // Stops reading standard output for good: the child's next write to it fails.
  void closeOutput();

  // Reads the rest of both outputs and waits for the exit; the exit status, or -1 when the
  // process did not exit normally or did not end within `timeout`.
  int wait(std::chrono::milliseconds timeout);

  // Standard output after the last line read, and all of standard error, once wait returned.
  const std::string& unreadOutput() const { return output_; }
  const std::string& errorOutput() const { return error_; }

  // User and system CPU time the process used, once wait returned its exit status; like the
  // peak resident set size, it includes the children it waited for itself.
  double cpuSeconds() const { return cpuSeconds_; }
  long peakRssKilobytes() const { return peakRssKilobytes_; }

 private:
  // Reads whatever is there within `timeout`; false once both outputs are at end of file.
  bool pump(std::chrono::milliseconds timeout);

  pid_t pid_ = -1;
  int input_ = -1;
  int output_fd_ = -1;
  int error_fd_ = -1;
  std::string output_;
  std::string error_;
  std::optional<int> status_;
  double cpuSeconds_ = 0;
  long peakRssKilobytes_ = 0;
};

// Runs a program to its end with its outputs discarded; its exit status, or -1.
int runToEnd(const std::vector<std::string>& arguments, const EnvironmentChanges& changes = {});

}  // namespace dictation_agent::testing
