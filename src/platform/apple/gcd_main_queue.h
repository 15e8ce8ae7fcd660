#pragma once

#include "platform/main_queue.h"

namespace dictation_agent {

// The main queue as the GCD main queue, serviced by the main run loop.
class GcdMainQueue final : public MainQueue {
 public:
  void post(Task task) override;
  void postAfter(double seconds, Task task) override;
  void run() override;
};

}  // namespace dictation_agent
