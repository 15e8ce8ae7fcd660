#include "platform/apple/tap_slots.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace dictation_agent {
namespace {

class FakeBuffer final : public AudioPCMBuffer {
 public:
  std::uint32_t frameLength() const override { return 1024; }
};

struct Delivery {
  const AudioPCMBuffer* buffer;
  std::int64_t sampleTime;
};

// A tap block that records what reaches it and holds `held`, so a test can see it released.
InputNode::TapBlock recordingBlock(std::vector<Delivery>& deliveries,
                                   const std::shared_ptr<int>& held) {
  return [&deliveries, held](std::shared_ptr<const AudioPCMBuffer> buffer, AudioTime when) {
    deliveries.push_back({buffer.get(), when.sampleTime});
  };
}

// The platform side: accepts or refuses, and keeps the slot its callback would hold either way.
struct FakePlatform {
  bool accepts = true;
  int installCalls = 0;
  std::shared_ptr<TapSlot> callbackSlot;

  TapSlots::PlatformInstall install() {
    return [this](std::shared_ptr<TapSlot> slot) {
      ++installCalls;
      callbackSlot = std::move(slot);
      return accepts;
    };
  }
};

TEST(TapSlots, AnInstalledTapDeliversEachBufferWithItsTime) {
  TapSlots taps;
  FakePlatform platform;
  std::vector<Delivery> deliveries;
  ASSERT_TRUE(taps.install(0, recordingBlock(deliveries, nullptr), platform.install()));

  const auto first = std::make_shared<FakeBuffer>();
  const auto second = std::make_shared<FakeBuffer>();
  platform.callbackSlot->deliver(first, AudioTime{100});
  platform.callbackSlot->deliver(second, AudioTime{1124});

  ASSERT_EQ(deliveries.size(), 2u);
  EXPECT_EQ(deliveries[0].buffer, first.get());  // the same buffer, not a copy
  EXPECT_EQ(deliveries[0].sampleTime, 100);
  EXPECT_EQ(deliveries[1].buffer, second.get());
  EXPECT_EQ(deliveries[1].sampleTime, 1124);
}

TEST(TapSlots, RemovingATapReleasesItsBlockAndStopsDelivery) {
  TapSlots taps;
  FakePlatform onBus0;
  FakePlatform onBus1;
  std::vector<Delivery> bus0Deliveries;
  std::vector<Delivery> bus1Deliveries;
  auto held = std::make_shared<int>(0);
  const std::weak_ptr<int> watch = held;
  ASSERT_TRUE(taps.install(0, recordingBlock(bus0Deliveries, held), onBus0.install()));
  ASSERT_TRUE(taps.install(1, recordingBlock(bus1Deliveries, nullptr), onBus1.install()));
  held.reset();

  taps.remove(0);
  taps.remove(7);  // no tap there: nothing happens

  // Released although the platform's callback still holds the slot.
  EXPECT_TRUE(watch.expired());
  onBus0.callbackSlot->deliver(std::make_shared<FakeBuffer>(), AudioTime{});
  EXPECT_TRUE(bus0Deliveries.empty());
  onBus1.callbackSlot->deliver(std::make_shared<FakeBuffer>(), AudioTime{});
  EXPECT_EQ(bus1Deliveries.size(), 1u);

  // The bus is free again.
  EXPECT_TRUE(taps.install(0, recordingBlock(bus0Deliveries, nullptr), onBus0.install()));
}

TEST(TapSlots, ARefusedInstallationKeepsNothing) {
  TapSlots taps;
  FakePlatform platform;
  platform.accepts = false;  // as when installTapOnBus: raises
  std::vector<Delivery> deliveries;
  auto held = std::make_shared<int>(0);
  const std::weak_ptr<int> watch = held;

  EXPECT_FALSE(taps.install(0, recordingBlock(deliveries, held), platform.install()));
  held.reset();

  EXPECT_TRUE(watch.expired());
  platform.callbackSlot->deliver(std::make_shared<FakeBuffer>(), AudioTime{});
  EXPECT_TRUE(deliveries.empty());

  platform.accepts = true;
  EXPECT_TRUE(taps.install(0, recordingBlock(deliveries, nullptr), platform.install()));
}

TEST(TapSlots, ASecondTapOnABusIsRefusedAndTheFirstKeepsDelivering) {
  TapSlots taps;
  FakePlatform first;
  FakePlatform second;
  std::vector<Delivery> firstDeliveries;
  std::vector<Delivery> secondDeliveries;
  auto held = std::make_shared<int>(0);
  const std::weak_ptr<int> watch = held;
  ASSERT_TRUE(taps.install(0, recordingBlock(firstDeliveries, nullptr), first.install()));

  EXPECT_FALSE(taps.install(0, recordingBlock(secondDeliveries, held), second.install()));
  held.reset();

  EXPECT_EQ(second.installCalls, 0);
  EXPECT_TRUE(watch.expired());
  first.callbackSlot->deliver(std::make_shared<FakeBuffer>(), AudioTime{});
  EXPECT_EQ(firstDeliveries.size(), 1u);
  EXPECT_TRUE(secondDeliveries.empty());
}

// The audio thread delivers without pause while the main thread releases the slot. Release must
// wait for the delivery under way and must leave no delivery after it; ThreadSanitizer (the tsan
// preset) reports any access to the block or its state that the slot does not order.
TEST(TapSlots, AReinstalledTapDeliversToTheSameBlockUntilRemoved) {
  TapSlots taps;
  FakePlatform before;
  FakePlatform after;
  std::vector<Delivery> deliveries;
  auto held = std::make_shared<int>(0);
  ASSERT_TRUE(taps.install(0, recordingBlock(deliveries, held), before.install()));

  EXPECT_TRUE(taps.reinstall(0, after.install()));
  after.callbackSlot->deliver(std::make_shared<FakeBuffer>(), AudioTime{2048});
  EXPECT_EQ(deliveries.size(), 1u);

  const std::weak_ptr<int> watch = held;
  held.reset();
  taps.remove(0);
  EXPECT_TRUE(watch.expired());
  after.callbackSlot->deliver(std::make_shared<FakeBuffer>(), AudioTime{3072});
  EXPECT_EQ(deliveries.size(), 1u);
}

TEST(TapSlots, ReinstallingIsRefusedWithoutATapAndKeepsTheBlockWhenThePlatformRefuses) {
  TapSlots taps;
  FakePlatform platform;
  EXPECT_FALSE(taps.reinstall(0, platform.install()));
  EXPECT_EQ(platform.installCalls, 0);

  std::vector<Delivery> deliveries;
  ASSERT_TRUE(taps.install(0, recordingBlock(deliveries, nullptr), platform.install()));
  FakePlatform refusing;
  refusing.accepts = false;
  EXPECT_FALSE(taps.reinstall(0, refusing.install()));
  platform.callbackSlot->deliver(std::make_shared<FakeBuffer>(), AudioTime{0});
  EXPECT_EQ(deliveries.size(), 1u);  // released only when the core removes the tap
}

TEST(TapSlot, ReleaseWaitsForADeliveryUnderWayAndEndsDelivery) {
  auto held = std::make_shared<int>(0);
  const std::weak_ptr<int> watch = held;
  int calls = 0;             // written by the block only, read after release: the slot orders it
  bool lastCallDone = true;  // false while a call of the block is in progress
  std::atomic<bool> entered{false};
  TapSlot slot(
      [&calls, &lastCallDone, &entered, held](std::shared_ptr<const AudioPCMBuffer>, AudioTime) {
        lastCallDone = false;
        entered.store(true);
        // Long enough for the release below to arrive while this call is under way.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++calls;
        lastCallDone = true;
      });
  held.reset();

  std::atomic<bool> stop{false};
  std::thread audio([&] {
    const auto buffer = std::make_shared<FakeBuffer>();
    std::int64_t sampleTime = 0;
    while (!stop.load()) slot.deliver(buffer, AudioTime{sampleTime += 1024});
  });
  while (!entered.load()) std::this_thread::yield();

  slot.release();
  const int callsAtRelease = calls;
  const bool doneAtRelease = lastCallDone;
  const bool releasedAtRelease = watch.expired();

  // The audio thread goes on delivering into the released slot for a while.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  stop.store(true);
  audio.join();

  EXPECT_GE(callsAtRelease, 1);
  EXPECT_TRUE(doneAtRelease);
  EXPECT_TRUE(releasedAtRelease);
  EXPECT_EQ(calls, callsAtRelease);
}

}  // namespace
}  // namespace dictation_agent
