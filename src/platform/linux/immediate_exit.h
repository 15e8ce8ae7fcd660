#pragma once

#include <unistd.h>

#include "platform/process_exit.h"

namespace dictation_agent {

// Ends the process without running static destructors or atexit handlers, while the capture,
// recognition and input threads may still be running.
class ImmediateExit final : public ProcessExit {
 public:
  void exit(int status) override { ::_exit(status); }
};

}  // namespace dictation_agent
