#pragma once

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>

#include "platform/main_queue.h"

namespace dictation_agent {

// The main queue as an io_context run on the main thread: posts from any thread, delays on
// steady_timer (a monotonic clock).
class AsioMainQueue final : public MainQueue {
 public:
  AsioMainQueue();
  void post(Task task) override;
  void postAfter(double seconds, Task task) override;
  void run() override;

 private:
  asio::io_context context_;
  asio::executor_work_guard<asio::io_context::executor_type> keepRunning_;
};

}  // namespace dictation_agent
