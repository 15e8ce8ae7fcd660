#pragma once

#include <functional>
#include <memory>

#include "platform/linux/formatting/transcript_formatter.h"
#include "platform/linux/recognition/pocketsphinx_recognition_task.h"
#include "platform/linux/recognition/recognizer_launch.h"
#include "platform/speech_recognizer.h"

namespace dictation_agent {

// The recogniser for a locale whose model and recogniser program were found. All of it runs on
// this machine; the library itself is loaded only by the recogniser process of a recognition
// task. Every result's text is the recogniser's words as the formatter writes them.
class PocketsphinxSpeechRecognizer final : public SpeechRecognizer {
 public:
  // Runs a task's launch, now or later on the main thread.
  using Defer = std::function<void(std::function<void()> launch)>;

  // The agent defers each task's launch to the main queue: a task is made while capture starts,
  // and its model load, a quarter of a second of one CPU, must not compete with the rest of that
  // start, so the process starts just after "listening" has been written, before the first audio
  // arrives. Without `defer`, a task's process starts as the task is made.
  explicit PocketsphinxSpeechRecognizer(RecognizerLaunch launch,
                                        TranscriptFormatter formatter = TranscriptFormatter(""),
                                        Defer defer = nullptr)
      : launch_(std::move(launch)), formatter_(std::move(formatter)), defer_(std::move(defer)) {}

  bool supportsOnDeviceRecognition() override { return true; }

  // The model's files and the recogniser program are there and usable now; nothing is loaded.
  bool isAvailable() override;

  // Requests made by this backend's platform only; any other fails with an error.
  std::shared_ptr<RecognitionTask> recognitionTask(std::shared_ptr<RecognitionRequest> request,
                                                   ResultHandler handler) override;

 private:
  RecognizerLaunch launch_;
  TranscriptFormatter formatter_;
  Defer defer_;
};

}  // namespace dictation_agent
