#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/speech_recognizer.h"

namespace dictation_agent::testing {

// What a recognition task delivered, call by call, with the thread of each call. Tests wait on
// it for the last call, never on a clock.
class RecordedResults {
 public:
  struct Call {
    std::optional<RecognitionResult> result;
    bool error = false;
    std::thread::id thread;
  };

  SpeechRecognizer::ResultHandler handler() {
    return [this](std::optional<RecognitionResult> result, std::optional<RecognitionError> error) {
      std::lock_guard lock(mutex_);
      calls_.push_back(Call{std::move(result), error.has_value(), std::this_thread::get_id()});
      changed_.notify_all();
    };
  }

  // Until a final result or an error has come; returns every call so far.
  std::vector<Call> waitForTheEnd() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] {
      return !calls_.empty() &&
             (calls_.back().error || (calls_.back().result && calls_.back().result->isFinal));
    });
    return calls_;
  }

  // Until `count` calls have come.
  std::vector<Call> waitFor(std::size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return calls_.size() >= count; });
    return calls_;
  }

  std::vector<Call> calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Call> calls_;
};

}  // namespace dictation_agent::testing
