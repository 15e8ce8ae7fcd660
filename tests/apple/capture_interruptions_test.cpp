#include "platform/apple/capture_interruptions.h"

#include <gtest/gtest.h>

#include <memory>

namespace dictation_agent {
namespace {

class CountingListener final : public CaptureInterruptions::Listener {
 public:
  void captureInterrupted() override { ++interruptions; }
  int interruptions = 0;
};

TEST(CaptureInterruptions, TellsTheListenersStillAliveEachTime) {
  CaptureInterruptions hub;
  auto kept = std::make_shared<CountingListener>();
  auto dropped = std::make_shared<CountingListener>();
  hub.add(kept);
  hub.add(dropped);
  const std::weak_ptr<CountingListener> watch = dropped;
  dropped.reset();

  hub.interrupt();
  hub.interrupt();

  EXPECT_EQ(kept->interruptions, 2);
  EXPECT_TRUE(watch.expired());  // the hub never kept it alive
}

}  // namespace
}  // namespace dictation_agent
