#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio_engine.h"

namespace dictation_agent::testing {

// What a tap block received, with the thread of each call. Tests wait on it for a number of
// buffers, never on a clock.
class CapturedBuffers {
 public:
  struct Capture {
    std::shared_ptr<const AudioPCMBuffer> buffer;
    AudioTime when;
    std::thread::id thread;
  };

  InputNode::TapBlock block() {
    return [this](std::shared_ptr<const AudioPCMBuffer> buffer, AudioTime when) {
      std::lock_guard lock(mutex_);
      captures_.push_back(Capture{std::move(buffer), when, std::this_thread::get_id()});
      changed_.notify_all();
    };
  }

  std::vector<Capture> waitFor(std::size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return captures_.size() >= count; });
    return captures_;
  }

  // Waits until `done` holds for what has been captured so far, or `timeout` passes.
  template <typename Done>
  std::vector<Capture> waitUntil(Done done, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return done(captures_); });
    return captures_;
  }

  std::size_t count() {
    std::lock_guard lock(mutex_);
    return captures_.size();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Capture> captures_;
};

}  // namespace dictation_agent::testing
