#include "platform/linux/recognition/buffered_recognition_request.h"

#include <utility>

#include "platform/linux/capture/capture_ended_buffer.h"

namespace dictation_agent {

void BufferedRecognitionRequest::appendAudioPCMBuffer(
    std::shared_ptr<const AudioPCMBuffer> buffer) {
  // Capture that ended on its own ends the audio as a stop would.
  if (dynamic_cast<const CaptureEndedBuffer*>(buffer.get()) != nullptr) {
    endAudio();
    return;
  }
  if (auto samples = std::dynamic_pointer_cast<const FloatPcmBuffer>(std::move(buffer))) {
    queue_.push(std::move(samples));
  }
}

}  // namespace dictation_agent
