#pragma once

#include <memory>
#include <utility>

#include "platform/linux/capture/pulse_connection.h"
#include "platform/linux/capture/pulse_library.h"

namespace dictation_agent {

// The way to the sound server that the microphone request and the engine share: libpulse,
// loaded the first time either needs it, and one connection, kept while it holds, so that a
// dictation connects once. Main thread only; nothing here runs before it is asked for, so a
// status probe never loads libpulse.
class PulseSession {
 public:
  explicit PulseSession(PulseSettings settings = {}, const char* soname = PulseLibrary::kSoname)
      : settings_(std::move(settings)), soname_(soname) {}

  // The current connection, made afresh when there is none or it has been lost (look at its
  // outcome); nullptr when libpulse cannot be loaded.
  std::shared_ptr<PulseConnection> connection() {
    if (connection_ && connection_->isReady()) return connection_;
    if (!loaded_) {
      library_ = PulseLibrary::load(soname_);
      loaded_ = true;
    }
    if (!library_) return nullptr;
    connection_ = std::make_shared<PulseConnection>(library_, settings_);
    return connection_;
  }

 private:
  const PulseSettings settings_;
  const char* soname_;
  bool loaded_ = false;
  std::shared_ptr<const PulseLibrary> library_;
  std::shared_ptr<PulseConnection> connection_;
};

}  // namespace dictation_agent
