#include "main/stdin_reader.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace dictation_agent {
namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

}  // namespace

StdinReader::StdinReader(int fd, ChunkHandler onChunk) : fd_(fd), onChunk_(std::move(onChunk)) {
  int wake[2];
  if (::pipe(wake) == 0) {
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];
  }
  thread_ = std::thread([this] { readLoop(); });
}

StdinReader::~StdinReader() {
  if (wakeWrite_ >= 0) {
    const char byte = 0;
    while (::write(wakeWrite_, &byte, 1) < 0 && errno == EINTR) {
    }
  }
  if (thread_.joinable()) thread_.join();
  if (wakeRead_ >= 0) ::close(wakeRead_);
  if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

void StdinReader::readLoop() {
  std::string buffer(kChunkBytes, '\0');
  for (;;) {
    // Wait for input or for the wake-up from the destructor, whichever comes first.
    std::array<pollfd, 2> fds{{{fd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}}};
    const int ready = ::poll(fds.data(), wakeRead_ >= 0 ? 2 : 1, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      onChunk_(std::string());
      return;
    }
    if (wakeRead_ >= 0 && fds[1].revents != 0) return;
    if (fds[0].revents == 0) continue;

    const ssize_t count = ::read(fd_, buffer.data(), buffer.size());
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (count <= 0) {
      // End of file, or an error that will not go away: both end the channel.
      onChunk_(std::string());
      return;
    }
    onChunk_(buffer.substr(0, static_cast<std::size_t>(count)));
  }
}

}  // namespace dictation_agent
