#pragma once

#include "platform/apple/format_usability.h"

namespace dictation_agent {

// The platform side of restarting capture after a configuration change, main thread.
class RestartSteps {
 public:
  virtual ~RestartSteps() = default;

  // The input format as it is now, after the change (as reportedInputFormat tells it).
  virtual FormatReading currentInputFormat() = 0;

  // Replaces the platform's tap with one in the current format that delivers to the same block.
  virtual bool reinstallTap() = 0;

  // Prepares and starts the engine; true once it runs.
  virtual bool startEngine() = 0;

  // What is left of capture after a restart that failed.
  virtual void stopEngine() = 0;
};

// Whether capture runs, and what a configuration change does to it. When the input or the output
// hardware changes its rate or channel count (a Bluetooth headset switching to its call profile
// as the microphone opens, say), AVAudioEngine stops itself and posts a notification. While
// capturing, that restarts capture: the format is read again, the tap reinstalled, the engine
// started, and the same request goes on being fed. Only when the restart fails does capture end,
// as a stop would end it. A change before the start or after a stop (the grace period, the end of
// the dictation) does nothing. Main thread only.
class CaptureLifecycle {
 public:
  // The engine's start() returned `running`.
  void started(bool running) { capturing_ = running; }

  // The engine's stop(): a host stop, the listening cap or the end of the dictation.
  void stopped() { capturing_ = false; }

  // A configuration change came. Returns true when it ended capture (the restart failed), which
  // the requests being fed must hear of.
  bool configurationChanged(RestartSteps& steps);

  bool capturing() const { return capturing_; }

 private:
  bool capturing_ = false;
};

}  // namespace dictation_agent
