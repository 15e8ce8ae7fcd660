#include "platform/apple/tap_slots.h"

#include <utility>

namespace dictation_agent {

void TapSlot::deliver(std::shared_ptr<const AudioPCMBuffer> buffer, AudioTime when) const {
  const std::lock_guard lock(mutex_);
  if (block_) block_(std::move(buffer), when);
}

void TapSlot::release() {
  InputNode::TapBlock released;
  {
    const std::lock_guard lock(mutex_);
    released = std::exchange(block_, nullptr);
  }
  // Destroyed here, outside the lock: what the block holds may take time to let go.
}

bool TapSlots::install(int bus, InputNode::TapBlock block, const PlatformInstall& platformInstall) {
  // A bus takes one tap; the platform would raise on a second one, so it is not asked.
  if (slots_.contains(bus)) return false;
  auto slot = std::make_shared<TapSlot>(std::move(block));
  if (!platformInstall(slot)) {
    slot->release();
    return false;
  }
  slots_.emplace(bus, std::move(slot));
  return true;
}

bool TapSlots::reinstall(int bus, const PlatformInstall& platformInstall) {
  const auto found = slots_.find(bus);
  return found != slots_.end() && platformInstall(found->second);
}

void TapSlots::remove(int bus) {
  const auto found = slots_.find(bus);
  if (found == slots_.end()) return;
  found->second->release();
  slots_.erase(found);
}

}  // namespace dictation_agent
