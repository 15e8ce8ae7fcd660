#pragma once

#include <memory>
#include <vector>

namespace dictation_agent {

// Connects the audio engine, which learns that capture has ended without a host stop (a device
// change it could not restart capture after), with the recognition requests it may be feeding.
// Main thread only.
class CaptureInterruptions {
 public:
  class Listener {
   public:
    virtual ~Listener() = default;
    virtual void captureInterrupted() = 0;
  };

  // The listener is told for as long as it lives; it is not kept alive.
  void add(std::weak_ptr<Listener> listener);

  // Tells every listener still alive, in the order they were added, and forgets the others.
  void interrupt();

 private:
  std::vector<std::weak_ptr<Listener>> listeners_;
};

}  // namespace dictation_agent
