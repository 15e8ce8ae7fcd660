#include "platform/linux/recognition/pocketsphinx_speech_recognizer.h"

#include <unistd.h>

#include "platform/linux/recognition/buffered_recognition_request.h"
#include "platform/linux/recognition/pocketsphinx_recognition_task.h"

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
  return std::make_shared<PocketsphinxRecognitionTask>(
      launch_, std::dynamic_pointer_cast<BufferedRecognitionRequest>(std::move(request)),
      std::move(formatting));
}

}  // namespace dictation_agent
