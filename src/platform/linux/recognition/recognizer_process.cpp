#include "platform/linux/recognition/recognizer_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace dictation_agent {
namespace {

// The spawn attributes and file actions, released whatever happens.
class SpawnSetup {
 public:
  SpawnSetup() {
    ready_ = ::posix_spawnattr_init(&attributes_) == 0;
    ready_ = ::posix_spawn_file_actions_init(&actions_) == 0 && ready_;
  }
  ~SpawnSetup() {
    ::posix_spawn_file_actions_destroy(&actions_);
    ::posix_spawnattr_destroy(&attributes_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  bool prepare(int childSocket) {
    sigset_t none;
    sigset_t all;
    ::sigemptyset(&none);
    ::sigfillset(&all);
    const short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP;
    return ready_ && ::posix_spawnattr_setflags(&attributes_, flags) == 0 &&
           ::posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
           ::posix_spawnattr_setsigdefault(&attributes_, &all) == 0 &&
           ::posix_spawnattr_setpgroup(&attributes_, 0) == 0 &&
           ::posix_spawn_file_actions_adddup2(&actions_, childSocket, STDIN_FILENO) == 0 &&
           ::posix_spawn_file_actions_adddup2(&actions_, childSocket, STDOUT_FILENO) == 0 &&
           ::posix_spawn_file_actions_addopen(&actions_, STDERR_FILENO, "/dev/null", O_WRONLY, 0) ==
               0 &&
           ::posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1) == 0;
  }

  const posix_spawnattr_t* attributes() const { return &attributes_; }
  const posix_spawn_file_actions_t* actions() const { return &actions_; }

 private:
  bool ready_ = false;
  posix_spawnattr_t attributes_{};
  posix_spawn_file_actions_t actions_{};
};

}  // namespace

std::unique_ptr<RecognizerProcess> RecognizerProcess::launch(
    const std::filesystem::path& program, const std::vector<std::string>& arguments) {
  int sockets[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) return nullptr;
  SpawnSetup setup;
  pid_t pid = -1;
  int status = -1;
  if (setup.prepare(sockets[1])) {
    std::vector<char*> argv;
    std::string name = program.string();
    argv.push_back(name.data());
    std::vector<std::string> copies = arguments;
    for (auto& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    status = ::posix_spawn(&pid, name.c_str(), setup.actions(), setup.attributes(), argv.data(),
                           environ);
  }
  ::close(sockets[1]);
  if (status != 0) {
    ::close(sockets[0]);
    return nullptr;
  }
  return std::unique_ptr<RecognizerProcess>(new RecognizerProcess(pid, sockets[0]));
}

RecognizerProcess::~RecognizerProcess() {
  kill();
  while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
  }
  ::close(socket_);
}

void RecognizerProcess::kill() const {
  // Not reaped before the destructor, so the pid cannot have been reused.
  ::kill(pid_, SIGKILL);
}

void RecognizerProcess::closeForWriting() const {
  ::shutdown(socket_, SHUT_WR);
}

}  // namespace dictation_agent
