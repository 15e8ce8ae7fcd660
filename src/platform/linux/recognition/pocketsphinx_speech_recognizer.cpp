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
  return std::make_shared<PocketsphinxRecognitionTask>(
      launch_, std::dynamic_pointer_cast<BufferedRecognitionRequest>(std::move(request)),
      std::move(handler));
}

}  // namespace dictation_agent
