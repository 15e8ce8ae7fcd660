#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>

#include "platform/linux/recognition/recognizer_process.h"

namespace dictation_agent {

// What the feeder and the reader of one recognition task share: the recogniser process once the
// reader has started it. The process lives as long as the session.
class RecognizerSession {
 public:
  // Reader: the process it started, or null when it could not. A process started after a
  // cancel is killed at once.
  void launched(std::unique_ptr<RecognizerProcess> process);

  // Feeder: waits for the reader's launch; null when it failed or `stop` came first.
  const RecognizerProcess* waitForLaunch(std::stop_token stop);

  // Any thread: kills the process, now or as soon as it has started.
  void cancel();

 private:
  std::mutex mutex_;
  std::condition_variable_any changed_;
  bool launchDone_ = false;
  bool cancelled_ = false;
  std::unique_ptr<RecognizerProcess> process_;
};

}  // namespace dictation_agent
