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
  // Runs on the task's reader thread; the formatter is a copy that nothing else touches.
  auto formatting = [formatter = formatter_, handler = std::move(handler)](
                        std::optional<RecognitionResult> result,
                        std::optional<RecognitionError> error) {
    if (result) result->formattedString = formatter.format(result->formattedString);
    handler(std::move(result), error);
  };
  using Start = PocketsphinxRecognitionTask::Start;
  auto task = std::make_shared<PocketsphinxRecognitionTask>(
      launch_, std::dynamic_pointer_cast<BufferedRecognitionRequest>(std::move(request)),
      std::move(formatting), defer_ ? Start::kOnLaunch : Start::kNow);
  if (!defer_) return task;
  defer_([weak = std::weak_ptr(task)] {
    if (const auto launching = weak.lock()) launching->launch();
  });
  return task;
}

}  // namespace dictation_agent
