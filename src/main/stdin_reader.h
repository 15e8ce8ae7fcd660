#pragma once

#include <functional>
#include <string>
#include <thread>

namespace dictation_agent {

// Reads a file descriptor on a thread of its own and hands each chunk (whatever one read
// returns) to `onChunk`, on that thread. End of file, and any read error but EINTR, is handed
// over as one empty chunk, after which reading stops. Destruction wakes and joins the thread.
class StdinReader {
 public:
  using ChunkHandler = std::function<void(std::string chunk)>;

  StdinReader(int fd, ChunkHandler onChunk);
  ~StdinReader();
  StdinReader(const StdinReader&) = delete;
  StdinReader& operator=(const StdinReader&) = delete;

 private:
  void readLoop();

  int fd_;
  ChunkHandler onChunk_;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::thread thread_;
};

}  // namespace dictation_agent
