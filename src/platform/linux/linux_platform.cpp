#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/linux/asio_main_queue.h"
#include "platform/linux/capture/pulse_audio_engine.h"
#include "platform/linux/capture/pulse_microphone_authorization.h"
#include "platform/linux/granted_speech_authorization.h"
#include "platform/linux/recognition/buffered_recognition_request.h"
#include "platform/linux/recognition/executable_directory.h"
#include "platform/linux/recognition/pocketsphinx_speech_recognizer.h"
#include "platform/linux/recognition/recognizer_program.h"
#include "platform/linux/recognizer/pocketsphinx_model.h"
#include "platform/linux/thread_sanitizer.h"
#include "platform/platform.h"
#include "platform/process_exit.h"

namespace dictation_agent {
namespace {

// Ends the process without running static destructors or atexit handlers, while the capture,
// recognition and input threads may still be running.
class ImmediateExit final : public ProcessExit {
 public:
  void exit(int status) override { ::_exit(status); }
};

// PulseAudio capture (any server libpulse reaches, PipeWire's included), pocketsphinx
// recognition in a process of its own with the models installed on this machine, an Asio main
// queue.
class LinuxPlatform final : public Platform {
 public:
  LinuxPlatform()
      : executableDirectory_(executableDirectory()),
        pulse_(std::make_shared<PulseSession>()),
        microphone_(pulse_, queue_) {}

  // A locale has a recogniser when its model and the recogniser program are both installed;
  // its text is formatted by the rules of the locale's language.
  std::shared_ptr<SpeechRecognizer> makeSpeechRecognizer(const Locale& locale) override {
    auto model =
        findPocketsphinxModel(pocketsphinxModelRoots(executableDirectory_), locale.identifier);
    if (!model) return nullptr;
    auto program = findRecognizerProgram(executableDirectory_);
    if (!program) return nullptr;
    return std::make_shared<PocketsphinxSpeechRecognizer>(
        RecognizerLaunch{std::move(*program), std::move(*model)},
        TranscriptFormatter(locale.identifier),
        [this](std::function<void()> launch) { queue_.post(std::move(launch)); });
  }
  std::shared_ptr<RecognitionRequest> makeRecognitionRequest() override {
    return std::make_shared<BufferedRecognitionRequest>();
  }
  std::unique_ptr<AudioEngine> makeAudioEngine() override {
    return std::make_unique<PulseAudioEngine>(pulse_);
  }
  SpeechAuthorization& speechAuthorization() override { return speech_; }
  MicrophoneAuthorization& microphoneAuthorization() override { return microphone_; }
  MainQueue& mainQueue() override { return queue_; }
  ProcessExit& processExit() override { return exit_; }

 private:
  const std::filesystem::path executableDirectory_;
  AsioMainQueue queue_;
  GrantedSpeechAuthorization speech_;
  // libpulse and the server connection: made by the microphone request on its answer thread,
  // kept for the engine on the main thread, and never made by a status probe.
  const std::shared_ptr<PulseSession> pulse_;
  PulseMicrophoneAuthorization microphone_;
  ImmediateExit exit_;
};

}  // namespace

std::unique_ptr<Platform> makePlatform() {
  return std::make_unique<LinuxPlatform>();
}

}  // namespace dictation_agent

#if AGENT_THREAD_SANITIZER
// The agent ends with _exit while the platform, and with it the answer threads and the
// recognition worker it owns, is still alive: nothing is torn down before the exit, by design.
// Threads that have finished but were never joined are therefore expected, not leaked.
//
// Nor is there anything for the sanitizer to catch at exit: its default second of sleep before
// exiting, there for races with what the exit tears down, would only hold up each run's end
// past the grace period that the host relies on.
extern "C" const char* __tsan_default_options() {
  return "report_thread_leaks=0:atexit_sleep_ms=0";
}
#endif
