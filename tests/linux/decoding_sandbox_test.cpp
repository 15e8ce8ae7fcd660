#include "platform/linux/recognizer/decoding_sandbox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace dictation_agent {
namespace {

// What a confined process can still do, told by its exit status, so the test process itself
// stays unconfined: 0 when everything went as expected, otherwise the number of the first check
// that did not.
int confinedChild(int socket) {
  if (!confineToDecoding()) return 10;
  if (::open("/etc/hostname", O_RDONLY) >= 0 || errno != EPERM) return 11;
  if (::socket(AF_INET, SOCK_STREAM, 0) >= 0 || errno != EPERM) return 12;
  if (::fork() >= 0 || errno != EPERM) return 13;
  // What decoding needs still works: memory, and the socket it already holds.
  std::string grown(1 << 22, 'x');
  char byte = 0;
  if (::read(socket, &byte, 1) != 1 || byte != 'a') return 14;
  if (::write(socket, "b", 1) != 1) return 15;
  return grown.size() == (1u << 22) ? 0 : 16;
}

TEST(DecodingSandbox, RefusesFilesSocketsAndProcessesButNotTheAgentsSocketOrMemory) {
  int sockets[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(confinedChild(sockets[1]));
  ASSERT_EQ(::write(sockets[0], "a", 1), 1);
  char byte = 0;
  EXPECT_EQ(::read(sockets[0], &byte, 1), 1);
  EXPECT_EQ(byte, 'b');
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "see confinedChild for the check that failed";
  ::close(sockets[0]);
  ::close(sockets[1]);
}

}  // namespace
}  // namespace dictation_agent
