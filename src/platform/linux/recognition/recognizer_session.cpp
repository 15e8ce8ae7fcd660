#include "platform/linux/recognition/recognizer_session.h"

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

void RecognizerSession::cancel() {
  std::lock_guard lock(mutex_);
  cancelled_ = true;
  if (process_) process_->kill();
}

}  // namespace dictation_agent
