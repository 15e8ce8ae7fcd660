#include "platform/linux/recognition/audio_buffer_queue.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/linux/recognition/buffered_recognition_request.h"

namespace dictation_agent {
namespace {

std::shared_ptr<const FloatPcmBuffer> bufferOf(float value) {
  return std::make_shared<const FloatPcmBuffer>(16000.0, 1, std::vector<float>{value});
}

TEST(AudioBufferQueue, HandsOverEverythingPushedInOrderThenTheEnd) {
  AudioBufferQueue queue;
  queue.push(bufferOf(1));
  queue.push(bufferOf(2));
  AudioBufferQueue::Batch first = queue.takeAll({});
  ASSERT_EQ(first.buffers.size(), 2u);
  EXPECT_EQ(first.buffers[0]->samples()[0], 1);
  EXPECT_EQ(first.buffers[1]->samples()[0], 2);
  EXPECT_FALSE(first.closed);

  queue.push(bufferOf(3));
  queue.close();
  queue.push(bufferOf(4));  // after the end: dropped
  queue.close();
  AudioBufferQueue::Batch last = queue.takeAll({});
  ASSERT_EQ(last.buffers.size(), 1u);
  EXPECT_EQ(last.buffers[0]->samples()[0], 3);
  EXPECT_TRUE(last.closed);
  EXPECT_TRUE(queue.takeAll({}).closed);  // an ended queue never waits again
}

TEST(AudioBufferQueue, StopRequestWakesAWaitingConsumerEmptyHanded) {
  AudioBufferQueue queue;
  AudioBufferQueue::Batch seen;
  std::jthread consumer([&](std::stop_token stop) { seen = queue.takeAll(stop); });
  consumer.request_stop();
  consumer.join();
  EXPECT_TRUE(seen.buffers.empty());
  EXPECT_FALSE(seen.closed);
}

// A producer thread standing in for the audio thread, racing a consumer: under ThreadSanitizer
// this is the check that the hand-over is properly synchronised.
TEST(AudioBufferQueue, ConsumerOnAnotherThreadGetsEveryBufferOnce) {
  constexpr int kBuffers = 5000;
  AudioBufferQueue queue;
  std::vector<float> received;
  std::jthread consumer([&](std::stop_token stop) {
    for (bool closed = false; !closed;) {
      AudioBufferQueue::Batch batch = queue.takeAll(stop);
      for (const auto& buffer : batch.buffers) received.push_back(buffer->samples()[0]);
      closed = batch.closed;
    }
  });
  std::jthread producer([&] {
    for (int i = 0; i < kBuffers; ++i) queue.push(bufferOf(static_cast<float>(i)));
    queue.close();
  });
  producer.join();
  consumer.join();
  ASSERT_EQ(received.size(), static_cast<std::size_t>(kBuffers));
  for (int i = 0; i < kBuffers; ++i) ASSERT_EQ(received[i], static_cast<float>(i));
}

class ForeignBuffer final : public AudioPCMBuffer {
 public:
  std::uint32_t frameLength() const override { return 1; }
};

TEST(BufferedRecognitionRequest, QueuesItsOwnBuffersDropsForeignOnesAndEndsOnEndAudio) {
  BufferedRecognitionRequest request;
  EXPECT_FALSE(request.reportsPartialResults());
  request.setShouldReportPartialResults(true);
  EXPECT_TRUE(request.reportsPartialResults());

  request.appendAudioPCMBuffer(std::make_shared<ForeignBuffer>());
  request.appendAudioPCMBuffer(bufferOf(7));
  request.endAudio();
  request.endAudio();
  AudioBufferQueue::Batch batch = request.queue().takeAll({});
  ASSERT_EQ(batch.buffers.size(), 1u);
  EXPECT_EQ(batch.buffers[0]->samples()[0], 7);
  EXPECT_TRUE(batch.closed);
}

}  // namespace
}  // namespace dictation_agent
