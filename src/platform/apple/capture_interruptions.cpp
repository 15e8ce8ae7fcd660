#include "platform/apple/capture_interruptions.h"

#include <utility>

namespace dictation_agent {

void CaptureInterruptions::add(std::weak_ptr<Listener> listener) {
  listeners_.push_back(std::move(listener));
}

void CaptureInterruptions::interrupt() {
  std::vector<std::shared_ptr<Listener>> alive;
  for (const auto& listener : listeners_) {
    if (auto locked = listener.lock()) alive.push_back(std::move(locked));
  }
  listeners_.assign(alive.begin(), alive.end());
  for (const auto& listener : alive) listener->captureInterrupted();
}

}  // namespace dictation_agent
