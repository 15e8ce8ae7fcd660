#include <unistd.h>

#include "platform/apple/apple_services.h"
#include "platform/apple/gcd_main_queue.h"
#include "platform/platform.h"

namespace dictation_agent {
namespace {

class ImmediateExit final : public ProcessExit {
 public:
  void exit(int status) override { ::_exit(status); }
};

class ApplePlatform final : public Platform {
 public:
  std::shared_ptr<SpeechRecognizer> makeSpeechRecognizer(const Locale& locale) override {
    return makeSpeechFrameworkRecognizer(locale);
  }
  std::shared_ptr<RecognitionRequest> makeRecognitionRequest() override {
    return makeSpeechFrameworkRequest(*interruptions_);
  }
  std::unique_ptr<AudioEngine> makeAudioEngine() override {
    return makeEngineCapture(interruptions_);
  }
  SpeechAuthorization& speechAuthorization() override { return *speech_; }
  MicrophoneAuthorization& microphoneAuthorization() override { return *microphone_; }
  MainQueue& mainQueue() override { return queue_; }
  ProcessExit& processExit() override { return exit_; }

 private:
  // Engines report a device change here; the requests made since hear of it.
  std::shared_ptr<CaptureInterruptions> interruptions_ = std::make_shared<CaptureInterruptions>();
  std::unique_ptr<SpeechAuthorization> speech_ = makeSpeechFrameworkAuthorization();
  std::unique_ptr<MicrophoneAuthorization> microphone_ = makeCaptureDeviceAuthorization();
  GcdMainQueue queue_;
  ImmediateExit exit_;
};

}  // namespace

std::unique_ptr<Platform> makePlatform() {
  return std::make_unique<ApplePlatform>();
}

}  // namespace dictation_agent
