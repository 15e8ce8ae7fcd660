#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>

#include "platform/linux/recognition/recognizer_process.h"
#include "platform/speech_recognizer.h"

namespace dictation_agent {

// What the reader, the feeder and the owner of one recognition task share: the recogniser
// process once the reader has started it, and the work the task was given once it begins. The
// process lives as long as the session.
class RecognizerSession {
 public:
  // What the task is to recognise, and where its results go.
  struct Work {
    bool hasRequest = false;
    bool reportPartialResults = false;
    SpeechRecognizer::ResultHandler handler;
  };

  // Reader: the process it started, or null when it could not. A process started after a
  // cancel is killed at once.
  void launched(std::unique_ptr<RecognizerProcess> process);

  // Feeder: waits for the reader's launch; null when it failed or `stop` came first.
  const RecognizerProcess* waitForLaunch(std::stop_token stop);

  // Owner, once: the task begins.
  void begin(Work work);

  // Reader: waits for the task to begin; none when stopped first.
  std::optional<Work> waitForWork(std::stop_token stop);

  // Any thread: kills the process, now or as soon as it has started.
  void cancel();

 private:
  std::mutex mutex_;
  std::condition_variable_any changed_;
  bool launchDone_ = false;
  bool cancelled_ = false;
  std::unique_ptr<RecognizerProcess> process_;
  std::optional<Work> work_;
};

}  // namespace dictation_agent
