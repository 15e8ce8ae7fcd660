#pragma once

#include <functional>

namespace dictation_agent {

// The serial queue of the main thread. Every field of the dictation is read and written only by
// tasks of this queue; other threads hand their values over by posting a task.
class MainQueue {
 public:
  using Task = std::function<void()>;

  virtual ~MainQueue() = default;

  // Any thread. The task runs on the main thread after the tasks already posted.
  virtual void post(Task task) = 0;

  // Any thread. The task runs on the main thread at or after now + `seconds`, measured on a
  // monotonic clock. Delayed tasks are never cancelled.
  virtual void postAfter(double seconds, Task task) = 0;

  // Main thread only. Runs tasks one at a time until the process ends; returns only if the
  // queue is shut down.
  virtual void run() = 0;
};

}  // namespace dictation_agent
