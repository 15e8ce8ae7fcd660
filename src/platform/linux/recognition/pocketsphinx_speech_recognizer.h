#pragma once

#include <memory>

#include "platform/linux/recognition/pocketsphinx_model.h"
#include "platform/speech_recognizer.h"

namespace dictation_agent {

// The recogniser for a locale whose model was found. All of it runs on this machine.
class PocketsphinxSpeechRecognizer final : public SpeechRecognizer {
 public:
  explicit PocketsphinxSpeechRecognizer(PocketsphinxModel model) : model_(std::move(model)) {}

  bool supportsOnDeviceRecognition() override { return true; }

  // The model's files are there and readable now; nothing is loaded.
  bool isAvailable() override { return isLoadable(model_); }

  // Requests made by this backend's platform only; any other fails with an error.
  std::shared_ptr<RecognitionTask> recognitionTask(std::shared_ptr<RecognitionRequest> request,
                                                   ResultHandler handler) override;

 private:
  PocketsphinxModel model_;
};

}  // namespace dictation_agent
