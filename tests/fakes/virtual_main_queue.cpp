#include "fakes/virtual_main_queue.h"

#include <algorithm>
#include <limits>

namespace dictation_agent::fakes {

void VirtualMainQueue::post(Task task) {
  postAfter(0.0, std::move(task));
}

void VirtualMainQueue::postAfter(double seconds, Task task) {
  std::lock_guard lock(mutex_);
  pending_.emplace(Key{now_ + seconds, nextSequence_++}, std::move(task));
}

void VirtualMainQueue::run() {
  while (runNextDueBy(std::numeric_limits<double>::infinity())) {
  }
}

void VirtualMainQueue::advanceBy(double seconds) {
  const double target = now() + seconds;
  while (runNextDueBy(target)) {
  }
  std::lock_guard lock(mutex_);
  now_ = std::max(now_, target);
}

void VirtualMainQueue::runUntilIdle() {
  while (runNextDueBy(now())) {
  }
}

void VirtualMainQueue::halt() {
  std::lock_guard lock(mutex_);
  halted_ = true;
}

double VirtualMainQueue::now() const {
  std::lock_guard lock(mutex_);
  return now_;
}

bool VirtualMainQueue::halted() const {
  std::lock_guard lock(mutex_);
  return halted_;
}

std::size_t VirtualMainQueue::pendingCount() const {
  std::lock_guard lock(mutex_);
  return pending_.size();
}

std::optional<double> VirtualMainQueue::nextPendingDelay() const {
  std::lock_guard lock(mutex_);
  if (halted_ || pending_.empty()) return std::nullopt;
  return std::max(0.0, pending_.begin()->first.first - now_);
}

bool VirtualMainQueue::runNextDueBy(double limit) {
  Task task;
  {
    std::lock_guard lock(mutex_);
    if (halted_ || pending_.empty() || pending_.begin()->first.first > limit) return false;
    auto next = pending_.extract(pending_.begin());
    now_ = std::max(now_, next.key().first);
    task = std::move(next.mapped());
  }
  // Outside the lock: the task may post, and the exit it may reach halts the queue.
  task();
  return true;
}

}  // namespace dictation_agent::fakes
