#pragma once

#include <memory>

#include "platform/linux/formatting/transcript_formatter.h"
#include "platform/linux/recognition/recognizer_launch.h"
#include "platform/speech_recognizer.h"

namespace dictation_agent {

// The recogniser for a locale whose model and recogniser program were found. All of it runs on
// this machine; the library itself is loaded only by the recogniser process, once audio flows.
// Every result's text is the recogniser's words as the formatter writes them.
class PocketsphinxSpeechRecognizer final : public SpeechRecognizer {
 public:
  explicit PocketsphinxSpeechRecognizer(RecognizerLaunch launch,
                                        TranscriptFormatter formatter = TranscriptFormatter(""))
      : launch_(std::move(launch)), formatter_(std::move(formatter)) {}

  bool supportsOnDeviceRecognition() override { return true; }

  // The model's files and the recogniser program are there and usable now; nothing is loaded.
  bool isAvailable() override;

  // Requests made by this backend's platform only; any other fails with an error.
  std::shared_ptr<RecognitionTask> recognitionTask(std::shared_ptr<RecognitionRequest> request,
                                                   ResultHandler handler) override;

 private:
  RecognizerLaunch launch_;
  TranscriptFormatter formatter_;
};

}  // namespace dictation_agent
