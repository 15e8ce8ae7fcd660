#include <gtest/gtest.h>

#include "platform/linux/capture/capture_ended_buffer.h"
#include "platform/linux/recognition/buffered_recognition_request.h"

namespace dictation_agent {
namespace {

// Capture that ends on its own ends the audio as endAudio does: what came before is kept.
TEST(BufferedRecognitionRequest, ACaptureEndedBufferEndsTheAudio) {
  BufferedRecognitionRequest request;
  request.appendAudioPCMBuffer(
      std::make_shared<const FloatPcmBuffer>(48000.0, 2, std::vector<float>{1, 2}));
  request.appendAudioPCMBuffer(std::make_shared<const CaptureEndedBuffer>());
  request.appendAudioPCMBuffer(
      std::make_shared<const FloatPcmBuffer>(48000.0, 2, std::vector<float>{3, 4}));
  const AudioBufferQueue::Batch batch = request.queue().takeAll({});
  ASSERT_EQ(batch.buffers.size(), 1u);
  EXPECT_EQ(batch.buffers[0]->samples()[0], 1);
  EXPECT_TRUE(batch.closed);
}

}  // namespace
}  // namespace dictation_agent
