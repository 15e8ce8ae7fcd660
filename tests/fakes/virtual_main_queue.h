#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/main_queue.h"

namespace dictation_agent::fakes {

// A main queue on virtual time. Any thread may post; only the test's thread runs tasks, and the
// clock moves only when the test says so, so a 60-second timer costs no real time.
class VirtualMainQueue final : public MainQueue {
 public:
  void post(Task task) override;
  void postAfter(double seconds, Task task) override;

  // Runs tasks in deadline order, moving the clock to each deadline, until the queue is halted or
  // nothing is left.
  void run() override;

  // Moves the clock forward by `seconds`, running every task that falls due on the way in
  // deadline order (ties in posting order), tasks posted meanwhile included.
  void advanceBy(double seconds);

  // Runs every task due now, tasks posted meanwhile included; the clock stays.
  void runUntilIdle();

  // Nothing runs any more, as when the process has exited.
  void halt();

  double now() const;
  bool halted() const;
  std::size_t pendingCount() const;

  // Seconds until the earliest pending task is due (0 when one is due now); none when nothing is
  // pending or the queue is halted.
  std::optional<double> nextPendingDelay() const;

 private:
  // Runs the earliest task due by `limit`, if any; false when there is none.
  bool runNextDueBy(double limit);

  using Key = std::pair<double, std::uint64_t>;  // deadline, then posting order

  mutable std::mutex mutex_;
  std::map<Key, Task> pending_;
  std::uint64_t nextSequence_ = 0;
  double now_ = 0.0;
  bool halted_ = false;
};

}  // namespace dictation_agent::fakes
