#pragma once

#include <memory>

#include "platform/linux/recognition/audio_buffer_queue.h"
#include "platform/speech_recognizer.h"

namespace dictation_agent {

// A request that queues captured buffers, as they are, for the one recognition task that
// consumes it.
class BufferedRecognitionRequest final : public RecognitionRequest {
 public:
  // Recognition here never leaves the device, so there is nothing to require.
  void setRequiresOnDeviceRecognition(bool) override {}
  void setShouldReportPartialResults(bool report) override { reportsPartialResults_ = report; }

  // Buffers of another backend carry nothing this one can read; they are dropped.
  void appendAudioPCMBuffer(std::shared_ptr<const AudioPCMBuffer> buffer) override;
  void endAudio() override { queue_.close(); }

  // Main thread, when the task is created.
  bool reportsPartialResults() const { return reportsPartialResults_; }

  AudioBufferQueue& queue() { return queue_; }

 private:
  bool reportsPartialResults_ = false;
  AudioBufferQueue queue_;
};

}  // namespace dictation_agent
