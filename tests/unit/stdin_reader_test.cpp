#include "main/stdin_reader.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace dictation_agent {
namespace {

using ::testing::ElementsAre;

// Collects the chunks that the reader's thread hands over; the test waits on it for input to
// arrive, never on a clock.
class Chunks {
 public:
  StdinReader::ChunkHandler handler() {
    return [this](std::string chunk) {
      std::lock_guard lock(mutex_);
      chunks_.push_back(std::move(chunk));
      changed_.notify_all();
    };
  }

  // Waits until the chunks so far, joined, are `bytes` followed by end of file if `thenEnd`.
  void waitFor(const std::string& bytes, bool thenEnd) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
      std::string joined;
      for (const std::string& chunk : chunks_) joined += chunk;
      const bool ended = !chunks_.empty() && chunks_.back().empty();
      return joined == bytes && ended == thenEnd;
    });
  }

  std::vector<std::string> all() {
    std::lock_guard lock(mutex_);
    return chunks_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> chunks_;
};

struct Pipe {
  Pipe() { EXPECT_EQ(::pipe(fds), 0); }
  ~Pipe() {
    for (int fd : fds)
      if (fd >= 0) ::close(fd);
  }
  void write(const std::string& bytes) {
    ASSERT_EQ(::write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void closeWrite() { ::close(std::exchange(fds[1], -1)); }
  int fds[2] = {-1, -1};
};

TEST(StdinReader, HandsOverChunksThenOneEmptyChunkAtEndOfFile) {
  Pipe pipe;
  Chunks chunks;
  {
    StdinReader reader(pipe.fds[0], chunks.handler());
    pipe.write("stop\n");
    chunks.waitFor("stop\n", false);
    pipe.write("can");
    chunks.waitFor("stop\ncan", false);
    pipe.closeWrite();
    chunks.waitFor("stop\ncan", true);
  }  // joined: nothing more can arrive

  const std::vector<std::string> all = chunks.all();
  EXPECT_EQ(std::count(all.begin(), all.end(), std::string()), 1);
  EXPECT_TRUE(all.back().empty());
}

TEST(StdinReader, AReadErrorCountsAsEndOfFile) {
  // Reading a directory fails with EISDIR, an error that will not go away.
  const int directory = ::open("/", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(directory, 0);
  Chunks chunks;
  {
    StdinReader reader(directory, chunks.handler());
    chunks.waitFor("", true);
  }
  ::close(directory);
  EXPECT_THAT(chunks.all(), ElementsAre(""));
}

TEST(StdinReader, DestructionWhileBlockedInAReadReturns) {
  Pipe pipe;  // the write end stays open, so the reader would wait for ever
  Chunks chunks;
  { StdinReader reader(pipe.fds[0], chunks.handler()); }  // returning at all is the test
}

}  // namespace
}  // namespace dictation_agent
