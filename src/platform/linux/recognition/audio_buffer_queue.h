#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>
#include <vector>

#include "platform/linux/capture/float_pcm_buffer.h"

namespace dictation_agent {

// The hand-over of captured audio from the audio thread to the recogniser's worker: the one
// structure that two threads share. The lock is only ever held to move a pointer in or to swap
// the whole queue out, so a push never waits on anything slow.
class AudioBufferQueue {
 public:
  struct Batch {
    std::vector<std::shared_ptr<const FloatPcmBuffer>> buffers;  // in the order pushed
    bool closed = false;                                         // no buffer comes after these
  };

  // Any thread. Dropped once the queue is closed.
  void push(std::shared_ptr<const FloatPcmBuffer> buffer);

  // Any thread. No more buffers come; safe more than once.
  void close();

  // The consumer. Waits until a buffer is queued, the queue is closed or `stop` is requested,
  // then takes everything queued. After a stop request the batch may be empty and not closed.
  Batch takeAll(std::stop_token stop);

 private:
  std::mutex mutex_;
  std::condition_variable_any changed_;
  std::vector<std::shared_ptr<const FloatPcmBuffer>> buffers_;
  bool closed_ = false;
};

}  // namespace dictation_agent
