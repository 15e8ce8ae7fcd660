#include "platform/linux/capture/pulse_audio_engine.h"

#include <gtest/gtest.h>

#include <future>

#include "linux/captured_buffers.h"
#include "linux/connected_session.h"
#include "linux/private_sound_server.h"
#include "linux/temporary_default_source.h"
#include "platform/linux/capture/capture_ended_buffer.h"
#include "platform/linux/capture/float_pcm_buffer.h"
#include "platform/linux/capture/pcm_format.h"
#include "platform/linux/capture/pulse_microphone_authorization.h"

namespace dictation_agent {
namespace {

using testing::CapturedBuffers;
using testing::connectedSession;
using namespace std::chrono_literals;

// Against the private server: its virtual microphone records silence continuously, so buffers
// flow without anything being played.
class PulseAudioEngineCapture : public ::testing::Test {
 protected:
  void SetUp() override {
    format = engine.inputNode().outputFormatForBus(0);
    ASSERT_GT(format->sampleRate(), 0.0)
        << "the private sound server is not reachable at " << settings.server;
    ASSERT_GT(format->channelCount(), 0u);
  }

  // Declared before the engine, so that the engine (and its capture) is gone before it is.
  CapturedBuffers captured;
  const PulseSettings settings{testing::privatePulseServer()};
  PulseAudioEngine engine{connectedSession(settings)};
  std::shared_ptr<const AudioFormat> format;
};

TEST_F(PulseAudioEngineCapture, DeliversFloatBuffersInTheTapFormatOnTheLoopThread) {
  ASSERT_TRUE(engine.inputNode().installTapOnBus(0, 1024, format, captured.block()));
  engine.prepare();
  ASSERT_TRUE(engine.start());
  const auto captures = captured.waitFor(20);
  engine.stop();
  engine.inputNode().removeTapOnBus(0);

  std::int64_t expectedTime = captures.front().when.sampleTime;
  for (const auto& capture : captures) {
    const auto* buffer = dynamic_cast<const FloatPcmBuffer*>(capture.buffer.get());
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->sampleRate(), format->sampleRate());
    EXPECT_EQ(buffer->channelCount(), format->channelCount());
    EXPECT_GT(buffer->frameLength(), 0u);
    EXPECT_LE(buffer->frameLength(), 1024u);
    EXPECT_EQ(buffer->samples().size(), buffer->frameLength() * buffer->channelCount());
    EXPECT_NE(capture.thread, std::this_thread::get_id());
    // Holes would leave gaps; time never goes back.
    EXPECT_GE(capture.when.sampleTime, expectedTime);
    expectedTime = capture.when.sampleTime + buffer->frameLength();
  }
}

TEST_F(PulseAudioEngineCapture, HonoursAnotherFormatAndASmallerBufferSize) {
  ASSERT_TRUE(engine.inputNode().installTapOnBus(0, 256, std::make_shared<PcmFormat>(16000, 1),
                                                 captured.block()));
  ASSERT_TRUE(engine.start());
  for (const auto& capture : captured.waitFor(10)) {
    const auto& buffer = dynamic_cast<const FloatPcmBuffer&>(*capture.buffer);
    EXPECT_EQ(buffer.sampleRate(), 16000.0);
    EXPECT_EQ(buffer.channelCount(), 1u);
    EXPECT_LE(buffer.frameLength(), 256u);
  }
}

// The block is released by the time removeTapOnBus returns, even while capture runs, so it can
// never be called again.
TEST_F(PulseAudioEngineCapture, RemovingTheTapReleasesTheBlockAtOnce) {
  auto alive = std::make_shared<int>(0);
  std::weak_ptr<int> watch = alive;
  ASSERT_TRUE(engine.inputNode().installTapOnBus(
      0, 1024, format,
      [alive = std::move(alive), block = captured.block()](auto buffer, AudioTime when) {
        block(std::move(buffer), when);
      }));
  ASSERT_TRUE(engine.start());
  captured.waitFor(3);
  engine.inputNode().removeTapOnBus(0);
  EXPECT_TRUE(watch.expired());
}

TEST_F(PulseAudioEngineCapture, StartsAgainAfterAStop) {
  ASSERT_TRUE(engine.inputNode().installTapOnBus(0, 1024, format, captured.block()));
  ASSERT_TRUE(engine.start());
  EXPECT_TRUE(engine.start()) << "already running";
  captured.waitFor(3);
  engine.stop();
  engine.stop();
  const std::size_t before = captured.count();
  ASSERT_TRUE(engine.start());
  captured.waitFor(before + 3);
}

// Destroyed while the loop thread is delivering: nothing may run afterwards.
TEST_F(PulseAudioEngineCapture, CanBeDestroyedWhileCapturing) {
  {
    PulseAudioEngine running(connectedSession(settings));
    ASSERT_TRUE(running.inputNode().installTapOnBus(0, 1024, format, captured.block()));
    ASSERT_TRUE(running.start());
    captured.waitFor(3);
  }
  const std::size_t after = captured.count();
  EXPECT_GE(after, 3u);
}

struct SourceShape {
  unsigned channels;
  unsigned rate;
};

class AnySourceShape : public ::testing::TestWithParam<SourceShape> {};

// Every channel and every rate the server offers is recorded as it is, channels interleaved:
// libpulse has no default channel map beyond six channels, so the stream must bring its own.
TEST_P(AnySourceShape, IsRecordedInItsOwnFormat) {
  const auto [channels, rate] = GetParam();
  testing::TemporaryDefaultSource source("shape" + std::to_string(channels), channels, rate);
  CapturedBuffers captured;
  PulseAudioEngine engine(connectedSession(PulseSettings{testing::privatePulseServer()}));
  const auto format = engine.inputNode().outputFormatForBus(0);
  ASSERT_EQ(format->channelCount(), channels);
  ASSERT_EQ(format->sampleRate(), rate);
  ASSERT_TRUE(engine.inputNode().installTapOnBus(0, 1024, format, captured.block()));
  ASSERT_TRUE(engine.start());
  for (const auto& capture : captured.waitFor(5)) {
    const auto* buffer = dynamic_cast<const FloatPcmBuffer*>(capture.buffer.get());
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->channelCount(), channels);
    EXPECT_EQ(buffer->sampleRate(), rate);
    EXPECT_EQ(buffer->samples().size(), buffer->frameLength() * channels);
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, AnySourceShape,
                         ::testing::Values(SourceShape{1, 8000}, SourceShape{7, 44100},
                                           SourceShape{8, 48000}, SourceShape{32, 16000},
                                           SourceShape{2, 192000}),
                         [](const auto& shape) {
                           return std::to_string(shape.param.channels) + "Channels" +
                                  std::to_string(shape.param.rate) + "Hz";
                         });

bool endedCapture(const std::vector<CapturedBuffers::Capture>& captures) {
  return !captures.empty() &&
         dynamic_cast<const CaptureEndedBuffer*>(captures.back().buffer.get()) != nullptr;
}

// A source that goes away while capture runs ends the capture: the tap hears of it once, on the
// loop thread, and no audio follows. The stream does not wander off to another source.
TEST(PulseAudioEngineSourceGone, EndsCaptureWithOneEndedBuffer) {
  testing::TemporaryDefaultSource source("vanishing", 2, 48000);
  CapturedBuffers captured;
  PulseAudioEngine engine(connectedSession(PulseSettings{testing::privatePulseServer()}));
  ASSERT_TRUE(engine.inputNode().installTapOnBus(0, 1024, engine.inputNode().outputFormatForBus(0),
                                                 captured.block()));
  ASSERT_TRUE(engine.start());
  captured.waitFor(3);
  source.unload();
  const auto ended = captured.waitUntil(endedCapture, 10s);
  ASSERT_TRUE(endedCapture(ended)) << "capture went on after its source was unloaded";
  EXPECT_NE(ended.back().thread, std::this_thread::get_id());
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(captured.count(), ended.size()) << "something was delivered after the end";
  engine.stop();
  engine.inputNode().removeTapOnBus(0);
}

// The request connects, and what it found is kept for the engine, which then records without
// a word of its own to the server before the stream.
TEST(PulseMicrophoneAuthorizationWithServer, GrantsAccessAndLeavesTheConnectionToTheEngine) {
  const auto session = std::make_shared<PulseSession>(PulseSettings{testing::privatePulseServer()});
  testing::ImmediateQueue queue;
  PulseMicrophoneAuthorization microphone(session, queue);
  std::promise<bool> answer;
  microphone.requestAccess([&](bool granted) { answer.set_value(granted); });
  EXPECT_TRUE(answer.get_future().get());
  ASSERT_NE(session->connection(), nullptr);

  PulseAudioEngine engine(session);
  const auto format = engine.inputNode().outputFormatForBus(0);
  ASSERT_GT(format->sampleRate(), 0.0);
  CapturedBuffers captured;
  ASSERT_TRUE(engine.inputNode().installTapOnBus(0, 1024, format, captured.block()));
  ASSERT_TRUE(engine.start());
  captured.waitFor(3);
  engine.stop();
  engine.inputNode().removeTapOnBus(0);
}

}  // namespace
}  // namespace dictation_agent
