#pragma once

#include <memory>
#include <thread>

#include "platform/linux/recognition/buffered_recognition_request.h"
#include "platform/linux/recognition/recognizer_launch.h"
#include "platform/speech_recognizer.h"

namespace dictation_agent {

class RecognizerSession;

// Recognition of one request by a recogniser process of its own, so that whatever the
// recognition library does with a damaged model (exit, abort, crash, hang) ends that process
// and never the agent: it becomes a recognition error. The process starts when the task is
// launched, which may come after the task has begun: audio queued meanwhile waits for it. A
// reader thread starts the process, waits a bounded time for its model to load, and turns what it
// sends back into results: a partial one whenever the dictation's text changes, then the final
// one. A feeder thread mixes each queued buffer down to mono and writes it to the process, and at
// the end of the request's audio says so. Every handler call is made on the reader.
class PocketsphinxRecognitionTask final : public RecognitionTask {
 public:
  enum class Start { kNow, kOnLaunch };

  // What the reader needs to deliver results.
  struct Work {
    bool hasRequest = false;
    bool reportPartialResults = false;
    SpeechRecognizer::ResultHandler handler;
  };

  // The request to recognise and where the results go. A null request (one of another backend)
  // fails once launched; so does a process that could not start or load its model. `kOnLaunch`
  // leaves the process to `launch`.
  PocketsphinxRecognitionTask(RecognizerLaunch launch,
                              std::shared_ptr<BufferedRecognitionRequest> request,
                              SpeechRecognizer::ResultHandler handler, Start start = Start::kNow);

  // Main thread: starts the process, unless the task has been cancelled. Only the first call
  // counts.
  void launch();

  // Kills the process and stops both threads; returns at once. Nothing is delivered after the
  // reader sees it.
  void cancel() override;

  // Cancels and joins both threads; the process is reaped.
  ~PocketsphinxRecognitionTask() override;

 private:
  RecognizerLaunch launch_;  // both moved to the reader at the launch
  Work work_;
  bool launched_ = false;
  bool cancelled_ = false;
  std::shared_ptr<RecognizerSession> session_;
  std::jthread reader_;
  std::jthread feeder_;
};

}  // namespace dictation_agent
