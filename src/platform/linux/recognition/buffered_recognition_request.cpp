#include "platform/linux/recognition/buffered_recognition_request.h"

#include <utility>

#include "platform/linux/capture/float_pcm_buffer.h"

namespace dictation_agent {

void BufferedRecognitionRequest::appendAudioPCMBuffer(
    std::shared_ptr<const AudioPCMBuffer> buffer) {
  // Capture that ended on its own ends the audio at once; the dictation then stops as it does on
  // the host's stop, so its grace period bounds the wait for the last result.
  if (buffer && buffer->endsCapture()) {
    endAudio();
    return;
  }
  if (auto samples = std::dynamic_pointer_cast<const FloatPcmBuffer>(std::move(buffer))) {
    queue_.push(std::move(samples));
  }
}

}  // namespace dictation_agent
