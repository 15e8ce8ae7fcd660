#include "platform/linux/recognition/audio_buffer_queue.h"

#include <utility>

namespace dictation_agent {

void AudioBufferQueue::push(std::shared_ptr<const FloatPcmBuffer> buffer) {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    buffers_.push_back(std::move(buffer));
  }
  changed_.notify_one();
}

void AudioBufferQueue::close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  changed_.notify_one();
}

AudioBufferQueue::Batch AudioBufferQueue::takeAll(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, stop, [this] { return closed_ || !buffers_.empty(); });
  Batch batch;
  batch.buffers.swap(buffers_);
  batch.closed = closed_;
  return batch;
}

}  // namespace dictation_agent
