#pragma once

#include <memory>

#include "platform/linux/recognition/pocketsphinx_recognition_task.h"
#include "platform/linux/recognition/recognizer_launch.h"
#include "platform/speech_recognizer.h"

namespace dictation_agent {

// The recogniser for a locale whose model and recogniser program were found. All of it runs on
// this machine; the library itself is loaded only by the recogniser process, which starts when
// a dictation begins (see `startEarly`) or else with the recognition task.
class PocketsphinxSpeechRecognizer final : public SpeechRecognizer {
 public:
  explicit PocketsphinxSpeechRecognizer(RecognizerLaunch launch) : launch_(std::move(launch)) {}

  bool supportsOnDeviceRecognition() override { return true; }

  // The model's files and the recogniser program are there and usable now; nothing is loaded.
  bool isAvailable() override;

  // Main thread. Starts the recogniser process of the next recognition task now, so that its
  // model has loaded by the time audio comes; nothing is recognised until that task is made.
  // Does nothing while one started so is waiting. A recogniser destroyed first kills it.
  void startEarly();

  // Requests made by this backend's platform only; any other fails with an error. Takes over
  // the process started early, if there is one.
  std::shared_ptr<RecognitionTask> recognitionTask(std::shared_ptr<RecognitionRequest> request,
                                                   ResultHandler handler) override;

 private:
  RecognizerLaunch launch_;
  std::shared_ptr<PocketsphinxRecognitionTask> early_;
};

}  // namespace dictation_agent
