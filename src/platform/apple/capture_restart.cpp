#include "platform/apple/capture_restart.h"

namespace dictation_agent {

bool CaptureLifecycle::configurationChanged(RestartSteps& steps) {
  if (!capturing_) return false;
  const bool restarted =
      isUsable(steps.currentInputFormat()) && steps.reinstallTap() && steps.startEngine();
  if (restarted) return false;
  steps.stopEngine();
  capturing_ = false;
  return true;
}

}  // namespace dictation_agent
