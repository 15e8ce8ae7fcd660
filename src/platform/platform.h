#pragma once

#include <memory>

#include "platform/audio_engine.h"
#include "platform/authorization.h"
#include "platform/main_queue.h"
#include "platform/process_exit.h"
#include "platform/speech_recognizer.h"

namespace dictation_agent {

// Everything the agent takes from the operating system, apart from its two standard streams.
// One backend implements it per operating system; tests use a scripted fake. Created once on the
// main thread and alive until the process ends.
class Platform {
 public:
  virtual ~Platform() = default;

  // Main thread. A recogniser for the locale, or nullptr when the platform has none. Creating it
  // only looks things up; it loads nothing heavy.
  virtual std::shared_ptr<SpeechRecognizer> makeSpeechRecognizer(const Locale& locale) = 0;

  // Main thread. A new, empty request.
  virtual std::shared_ptr<RecognitionRequest> makeRecognitionRequest() = 0;

  // Main thread. A new engine, not running, bound to the default input device.
  virtual std::unique_ptr<AudioEngine> makeAudioEngine() = 0;

  virtual SpeechAuthorization& speechAuthorization() = 0;
  virtual MicrophoneAuthorization& microphoneAuthorization() = 0;
  virtual MainQueue& mainQueue() = 0;
  virtual ProcessExit& processExit() = 0;
};

// Defined once per backend (platform/linux, platform/apple).
std::unique_ptr<Platform> makePlatform();

}  // namespace dictation_agent
