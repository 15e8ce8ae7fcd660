#pragma once

namespace dictation_agent {

// Ends the process. The real one never returns (it calls _exit, so no static destructor runs
// while platform threads are alive); a test double records the call and halts its main queue.
class ProcessExit {
 public:
  virtual ~ProcessExit() = default;

  // Main thread only, after the last event has been written.
  virtual void exit(int status) = 0;
};

}  // namespace dictation_agent
