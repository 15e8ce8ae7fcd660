#include "fakes/virtual_main_queue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace dictation_agent::fakes {
namespace {

using ::testing::ElementsAre;
using ::testing::Optional;

// The dictation tests lean on this queue for every timing they assert, so its ordering is pinned
// down here.

TEST(VirtualMainQueue, RunsDueTasksInDeadlineOrderAndTiesInPostingOrder) {
  VirtualMainQueue queue;
  std::vector<std::string> ran;
  queue.postAfter(2.0, [&] { ran.push_back("2.0 first"); });
  queue.postAfter(1.0, [&] { ran.push_back("1.0"); });
  queue.postAfter(2.0, [&] { ran.push_back("2.0 second"); });
  queue.post([&] {
    ran.push_back("now");
    // Also due at 2.0, but posted after the two above.
    queue.postAfter(2.0, [&] { ran.push_back("2.0 posted while running"); });
  });

  queue.runUntilIdle();
  EXPECT_THAT(ran, ElementsAre("now"));
  EXPECT_THAT(queue.nextPendingDelay(), Optional(1.0));

  queue.advanceBy(1.999);
  EXPECT_THAT(ran, ElementsAre("now", "1.0"));
  EXPECT_DOUBLE_EQ(queue.now(), 1.999);

  queue.advanceBy(0.001);
  EXPECT_THAT(ran,
              ElementsAre("now", "1.0", "2.0 first", "2.0 second", "2.0 posted while running"));
  EXPECT_EQ(queue.nextPendingDelay(), std::nullopt);
}

TEST(VirtualMainQueue, EachTaskSeesTheClockAtItsDeadline) {
  VirtualMainQueue queue;
  std::vector<double> seen;
  queue.postAfter(60.0, [&] {
    seen.push_back(queue.now());
    queue.postAfter(2.0, [&] { seen.push_back(queue.now()); });
  });
  queue.advanceBy(100.0);
  EXPECT_THAT(seen, ElementsAre(60.0, 62.0));
  EXPECT_EQ(queue.now(), 100.0);
}

TEST(VirtualMainQueue, NothingRunsAfterHalt) {
  VirtualMainQueue queue;
  std::vector<std::string> ran;
  queue.post([&] {
    ran.push_back("exits");
    queue.halt();
  });
  queue.post([&] { ran.push_back("after exit"); });
  queue.postAfter(1.0, [&] { ran.push_back("timer"); });

  queue.run();
  queue.advanceBy(5.0);
  EXPECT_THAT(ran, ElementsAre("exits"));
  EXPECT_EQ(queue.nextPendingDelay(), std::nullopt);
}

TEST(VirtualMainQueue, RunMovesTheClockToEachTimerUntilNothingIsLeft) {
  VirtualMainQueue queue;
  std::vector<double> seen;
  queue.postAfter(3.0, [&] { seen.push_back(queue.now()); });
  queue.postAfter(1.0, [&] { seen.push_back(queue.now()); });
  queue.run();
  EXPECT_THAT(seen, ElementsAre(1.0, 3.0));
  EXPECT_EQ(queue.pendingCount(), 0u);
}

TEST(VirtualMainQueue, TasksPostedFromAnotherThreadRunOnTheTestThread) {
  VirtualMainQueue queue;
  const std::thread::id mainThread = std::this_thread::get_id();
  std::thread::id ranOn;
  std::thread poster([&] { queue.post([&] { ranOn = std::this_thread::get_id(); }); });
  poster.join();
  queue.runUntilIdle();
  EXPECT_EQ(ranOn, mainThread);
}

}  // namespace
}  // namespace dictation_agent::fakes
