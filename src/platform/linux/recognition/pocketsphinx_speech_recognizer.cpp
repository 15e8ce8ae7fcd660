#include "platform/linux/recognition/pocketsphinx_speech_recognizer.h"

#include <unistd.h>

#include <utility>

#include "platform/linux/recognition/buffered_recognition_request.h"

namespace dictation_agent {

bool PocketsphinxSpeechRecognizer::isAvailable() {
  return ::access(launch_.program.c_str(), X_OK) == 0 && isLoadable(launch_.model);
}

std::shared_ptr<RecognitionTask> PocketsphinxSpeechRecognizer::recognitionTask(
    std::shared_ptr<RecognitionRequest> request, ResultHandler handler) {
  using Start = PocketsphinxRecognitionTask::Start;
  auto task = std::make_shared<PocketsphinxRecognitionTask>(
      launch_, std::dynamic_pointer_cast<BufferedRecognitionRequest>(std::move(request)),
      std::move(handler), defer_ ? Start::kOnLaunch : Start::kNow);
  if (!defer_) return task;
  defer_([weak = std::weak_ptr(task)] {
    if (const auto launching = weak.lock()) launching->launch();
  });
  return task;
}

}  // namespace dictation_agent
