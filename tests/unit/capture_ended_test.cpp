#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "dictation_fixture.h"

namespace dictation_agent::fakes {
namespace {

using ::testing::ElementsAre;

// Capture that ends on its own (the source went away, the server failed or went quiet) ends the
// dictation as the host's stop does: the words heard so far are kept and the grace period bounds
// the wait for the recogniser's last answer.
struct CaptureEndedCase {
  std::string name;
  std::optional<double> hostStopsAfter;    // a stop from the host, after the end
  std::optional<double> finalResultAfter;  // the recogniser's final answer, after the end
  double endsAt;
  std::string finalText;
};

class CaptureEnded : public DictationTest,
                     public ::testing::WithParamInterface<CaptureEndedCase> {};

TEST_P(CaptureEnded, EndsAsAStopDoes) {
  const CaptureEndedCase& row = GetParam();
  listen();
  platform.pushAudioBuffer();
  deliverPartial("hello");
  queue.runUntilIdle();
  queue.advanceBy(5.0 - queue.now());
  const std::size_t mark = platform.callCount();

  platform.pushAudioBuffer(std::make_shared<const FakeCaptureEndedBuffer>());
  queue.runUntilIdle();
  EXPECT_THAT(platform.callsSince(mark),
              ElementsAre("request.appendAudioPCMBuffer", "engine.stop", "engine.inputNode",
                          "inputNode.removeTapOnBus(0)", "request.endAudio"));
  EXPECT_FALSE(dictation->ended) << "recognition goes on after the end of capture";

  if (row.hostStopsAfter) {
    queue.advanceBy(*row.hostStopsAfter);
    hostWrites("\n");
    queue.runUntilIdle();
  }

  if (row.finalResultAfter) {
    queue.advanceBy(*row.finalResultAfter);
    deliverFinal("hello world");
    queue.runUntilIdle();
  }
  queue.advanceBy(60.0);
  EXPECT_EQ(lastEvent(), finalEvent(row.finalText, false));
  EXPECT_EQ(platform.exitTime(), row.endsAt);
  EXPECT_EQ(platform.exitCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CaptureEnded,
    ::testing::Values(
        CaptureEndedCase{"NoFurtherAnswerEndsAfterTheGracePeriod", std::nullopt, std::nullopt, 7.0,
                         "hello"},
        CaptureEndedCase{"AFinalAnswerEndsAtOnce", std::nullopt, 0.5, 5.5, "hello world"},
        CaptureEndedCase{"TheHostsStopAfterItDoesNotMoveTheEnd", 1.0, std::nullopt, 7.0, "hello"}),
    CaseName{});

// Capture that ends before a single buffer arrived (the server refused the stream, or never
// delivered) is a microphone that could not be used, not a silent dictation; after the host's
// stop it changes nothing.
TEST_F(DictationTest, CaptureThatEndsBeforeAnyAudioIsAnUnavailableMicrophone) {
  listen();
  platform.pushAudioBuffer(std::make_shared<const FakeCaptureEndedBuffer>());
  queue.runUntilIdle();
  EXPECT_EQ(lastEvent(), errorEvent("microphone_unavailable"));
  EXPECT_EQ(platform.exitCount(), 1);
}

TEST_F(DictationTest, CaptureThatEndsBeforeAnyAudioAfterAStopStillEndsWithTheText) {
  listen();
  hostWrites("\n");  // its control task runs before the end of capture's task
  platform.pushAudioBuffer(std::make_shared<const FakeCaptureEndedBuffer>());
  queue.runUntilIdle();
  queue.advanceBy(2.0);
  EXPECT_EQ(lastEvent(), finalEvent("", false));
  EXPECT_EQ(platform.exitCount(), 1);
}

}  // namespace
}  // namespace dictation_agent::fakes
