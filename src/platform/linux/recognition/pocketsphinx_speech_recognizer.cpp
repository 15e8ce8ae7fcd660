#include "platform/linux/recognition/pocketsphinx_speech_recognizer.h"

#include <unistd.h>

#include <utility>

#include "platform/linux/recognition/buffered_recognition_request.h"

namespace dictation_agent {

bool PocketsphinxSpeechRecognizer::isAvailable() {
  return ::access(launch_.program.c_str(), X_OK) == 0 && isLoadable(launch_.model);
}

void PocketsphinxSpeechRecognizer::startEarly() {
  if (!early_) early_ = std::make_shared<PocketsphinxRecognitionTask>(launch_);
}

std::shared_ptr<RecognitionTask> PocketsphinxSpeechRecognizer::recognitionTask(
    std::shared_ptr<RecognitionRequest> request, ResultHandler handler) {
  std::shared_ptr<PocketsphinxRecognitionTask> task = std::move(early_);
  if (!task) task = std::make_shared<PocketsphinxRecognitionTask>(launch_);
  task->begin(std::dynamic_pointer_cast<BufferedRecognitionRequest>(std::move(request)),
              std::move(handler));
  return task;
}

}  // namespace dictation_agent
