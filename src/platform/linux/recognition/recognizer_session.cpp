#include "platform/linux/recognition/recognizer_session.h"

#include <utility>

namespace dictation_agent {

void RecognizerSession::launched(std::unique_ptr<RecognizerProcess> process) {
  {
    std::lock_guard lock(mutex_);
    process_ = std::move(process);
    launchDone_ = true;
    if (cancelled_ && process_) process_->kill();
  }
  changed_.notify_all();
}

const RecognizerProcess* RecognizerSession::waitForLaunch(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait(lock, stop, [this] { return launchDone_; })) return nullptr;
  return process_.get();
}

void RecognizerSession::begin(Work work) {
  {
    std::lock_guard lock(mutex_);
    work_ = std::move(work);
  }
  changed_.notify_all();
}

std::optional<RecognizerSession::Work> RecognizerSession::waitForWork(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait(lock, stop, [this] { return work_.has_value(); })) return std::nullopt;
  return std::move(work_);
}

void RecognizerSession::cancel() {
  std::lock_guard lock(mutex_);
  cancelled_ = true;
  if (process_) process_->kill();
}

}  // namespace dictation_agent
