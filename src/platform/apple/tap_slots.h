#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "platform/audio_engine.h"

namespace dictation_agent {

// The block of one installed tap. The platform's tap callback holds the slot and delivers
// through it; releasing the slot drops the block, and what it holds, at a moment of our
// choosing instead of whenever the platform lets go of its callback.
//
// Delivery and release may meet: AVFoundation does not say that removing a tap waits for a call
// of its block under way. A delivery holds the slot's lock while the block runs, so release waits
// for it to return, and every delivery after release finds no block.
class TapSlot {
 public:
  explicit TapSlot(InputNode::TapBlock block) : block_(std::move(block)) {}

  // Audio thread. Does nothing once the slot is released.
  void deliver(std::shared_ptr<const AudioPCMBuffer> buffer, AudioTime when) const;

  // Main thread. Waits for a delivery under way; once it returns the block is not called again
  // and has been destroyed, on the calling thread.
  void release();

 private:
  mutable std::mutex mutex_;
  InputNode::TapBlock block_;  // guarded by mutex_
};

// The taps of one input node, by bus.
class TapSlots {
 public:
  // Platform step of an installation: installs a callback that delivers through the slot, and
  // returns false when the platform refuses (it raised, say).
  using PlatformInstall = std::function<bool(std::shared_ptr<TapSlot> slot)>;

  // Main thread. Refused when the bus already has a tap or the platform refuses. A refused
  // installation keeps nothing: its block is released at once, so no call can reach it even if
  // the platform kept the callback, and a tap already on the bus stays as it was.
  bool install(int bus, InputNode::TapBlock block, const PlatformInstall& platformInstall);

  // Main thread, after the platform has removed its tap of `bus` to install another (the format
  // changed): the platform's new callback delivers through the slot the bus has, to the same
  // block. Refused when the bus has no tap. When the platform refuses, the slot stays: the core
  // still removes the tap, and releases the block then.
  bool reinstall(int bus, const PlatformInstall& platformInstall);

  // Main thread, after the platform has removed the tap of `bus`: releases its block. Harmless
  // when the bus has no tap.
  void remove(int bus);

 private:
  std::map<int, std::shared_ptr<TapSlot>> slots_;
};

}  // namespace dictation_agent
