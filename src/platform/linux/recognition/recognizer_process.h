#pragma once

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace dictation_agent {

// A recogniser process started by the agent and owned by it. Its standard input and output are
// one end of a socket pair whose other end the agent keeps; its standard error is /dev/null, so
// nothing it or its libraries print reaches the host. It runs in a process group of its own
// (a terminal's Ctrl-C is the agent's to handle), with every signal at its default disposition
// and none blocked, and it inherits no other descriptor.
class RecognizerProcess {
 public:
  // Null when the program cannot be started at all. A program that starts and then fails (for
  // example a shared library the loader cannot find) shows as a socket that closes.
  static std::unique_ptr<RecognizerProcess> launch(const std::filesystem::path& program,
                                                   const std::vector<std::string>& arguments);

  // Kills the process if it still runs and reaps it.
  ~RecognizerProcess();
  RecognizerProcess(const RecognizerProcess&) = delete;
  RecognizerProcess& operator=(const RecognizerProcess&) = delete;

  // The agent's end of the socket: written by one thread, read by another.
  int socket() const { return socket_; }

  // Any thread. Ends the process at once; safe more than once, also after it has ended.
  void kill() const;

  // No more is written to the process: it reads end of file after what was sent.
  void closeForWriting() const;

 private:
  RecognizerProcess(pid_t pid, int socket) : pid_(pid), socket_(socket) {}

  const pid_t pid_;
  const int socket_;
};

}  // namespace dictation_agent
