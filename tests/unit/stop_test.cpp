#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dictation_fixture.h"

namespace dictation_agent::fakes {
namespace {

using ::testing::ElementsAre;
using ::testing::Optional;

class StopTest : public DictationTest {};

TEST_F(StopTest, EndsCaptureAndFinishesWithTheLastTranscriptTwoSecondsLater) {
  listen();
  deliverPartial("hello");
  queue.advanceBy(5.0);
  const std::size_t mark = platform.callCount();
  const std::size_t written = events.events().size();

  hostWrites("\n");
  queue.runUntilIdle();

  // The engine stops and the tap comes off, but recognition goes on: the task is not cancelled.
  EXPECT_THAT(platform.callsSince(mark),
              ElementsAre("engine.stop", "engine.inputNode", "inputNode.removeTapOnBus(0)",
                          "request.endAudio"));
  EXPECT_EQ(events.events().size(), written) << "stop writes nothing";
  EXPECT_TRUE(dictation->stopping);
  EXPECT_FALSE(dictation->tapping);
  EXPECT_FALSE(dictation->ended);
  EXPECT_THAT(queue.nextPendingDelay(), Optional(2.0));

  queue.advanceBy(60.0);
  EXPECT_THAT(events.types(), ElementsAre("permissions", "authorizing", "permissions",
                                          "permissions", "listening", "transcript", "final"));
  EXPECT_EQ(lastEvent(), finalEvent("hello", false));
  EXPECT_EQ(platform.exitTime(), 7.0);
}

TEST_F(StopTest, ASecondStopRemovesNoTapAndDoesNotMoveTheEnd) {
  listen();
  dictation->stop();
  queue.advanceBy(1.0);
  const std::size_t mark = platform.callCount();

  hostWrites("again\n");
  queue.runUntilIdle();

  EXPECT_THAT(platform.callsSince(mark), ElementsAre("engine.stop", "request.endAudio"));
  queue.advanceBy(10.0);
  EXPECT_EQ(platform.exitTime(), 2.0);
  EXPECT_EQ(platform.exitCount(), 1);
  EXPECT_THAT(events.types(), ::testing::Contains("final").Times(1));
}

TEST_F(StopTest, BeforeCaptureOnlyStopsTheEngineAndFinishesWithEmptyText) {
  authorize();
  const std::size_t mark = platform.callCount();

  dictation->stop();

  EXPECT_THAT(platform.callsSince(mark), ElementsAre("engine.stop"));
  queue.advanceBy(2.0);
  EXPECT_EQ(lastEvent(), finalEvent("", false));
  EXPECT_EQ(platform.exitTime(), 2.0);
}

TEST_F(StopTest, AFinalResultInTheGracePeriodEndsAtOnce) {
  listen();
  deliverPartial("hel");
  dictation->stop();
  queue.advanceBy(0.5);
  deliverFinal("hello");
  queue.runUntilIdle();

  EXPECT_EQ(platform.exitTime(), 0.5);
  const std::size_t written = events.events().size();
  queue.advanceBy(5.0);
  EXPECT_EQ(events.events().size(), written) << "nothing is written at the 2.0 s mark";
  const std::vector<nlohmann::json> all = jsonEvents();
  EXPECT_THAT(std::vector(all.end() - 2, all.end()),
              ElementsAre(transcriptEvent("hello"), finalEvent("hello", false)));
}

TEST_F(StopTest, PartialResultsInTheGracePeriodAreWrittenAndTheLastOneIsFinal) {
  listen();
  deliverPartial("hel");
  dictation->stop();
  queue.advanceBy(1.0);
  deliverPartial("hello there");
  queue.advanceBy(1.0);

  EXPECT_EQ(platform.exitTime(), 2.0);
  const std::vector<nlohmann::json> all = jsonEvents();
  EXPECT_THAT(std::vector(all.end() - 2, all.end()),
              ElementsAre(transcriptEvent("hello there"), finalEvent("hello there", false)));
}

TEST_F(StopTest, ARecognitionErrorInTheGracePeriodEndsWithTheError) {
  listen();
  deliverPartial("hel");
  dictation->stop();
  queue.advanceBy(1.0);
  platform.deliverResult(std::nullopt, RecognitionError{});
  queue.runUntilIdle();

  EXPECT_EQ(lastEvent(), errorEvent("recognition_failed"));
  EXPECT_EQ(platform.exitTime(), 1.0);
}

}  // namespace
}  // namespace dictation_agent::fakes
