#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dictation_fixture.h"

namespace dictation_agent::fakes {
namespace {

using ::testing::ElementsAre;

class ListeningCapTest : public DictationTest {};

TEST_F(ListeningCapTest, StopsAtSixtySecondsAndTheRunEndsTwoSecondsLater) {
  listen();
  deliverPartial("still talking");
  queue.advanceBy(59.5);
  EXPECT_FALSE(dictation->stopping);
  const std::size_t mark = platform.callCount();

  queue.advanceBy(0.5);
  EXPECT_THAT(platform.callsSince(mark),
              ElementsAre("engine.stop", "engine.inputNode", "inputNode.removeTapOnBus(0)",
                          "request.endAudio"));
  EXPECT_TRUE(dictation->stopping);

  queue.advanceBy(10.0);
  EXPECT_EQ(lastEvent(), finalEvent("still talking", false));
  EXPECT_EQ(platform.exitTime(), 62.0);
}

TEST_F(ListeningCapTest, AfterAnEarlierStopItStopsAgainButTheEndStays) {
  listen();
  queue.advanceBy(59.0);
  hostWrites("\n");
  queue.runUntilIdle();
  const std::size_t mark = platform.callCount();

  queue.advanceBy(1.0);
  EXPECT_THAT(platform.callsSince(mark), ElementsAre("engine.stop", "request.endAudio"));

  queue.advanceBy(10.0);
  EXPECT_EQ(platform.exitTime(), 61.0);
  EXPECT_EQ(platform.exitCount(), 1);
}

TEST_F(ListeningCapTest, AFinalResultBeforeTheCapEndsTheRunThere) {
  listen();
  queue.advanceBy(12.0);
  deliverFinal("done");
  queue.advanceBy(100.0);
  EXPECT_EQ(lastEvent(), finalEvent("done", false));
  EXPECT_EQ(platform.exitTime(), 12.0);
  EXPECT_EQ(platform.exitCount(), 1);
}

}  // namespace
}  // namespace dictation_agent::fakes
