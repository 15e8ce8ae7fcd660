#include "platform/linux/buffered_recognition_request.h"

#include <utility>

namespace dictation_agent {

void BufferedRecognitionRequest::appendAudioPCMBuffer(
    std::shared_ptr<const AudioPCMBuffer> buffer) {
  if (auto samples = std::dynamic_pointer_cast<const FloatPcmBuffer>(std::move(buffer))) {
    queue_.push(std::move(samples));
  }
}

}  // namespace dictation_agent
