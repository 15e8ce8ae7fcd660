#include <unistd.h>

#include <thread>

#include "platform/linux/asio_main_queue.h"
#include "platform/platform.h"

namespace dictation_agent {
namespace {

// Until real capture and recognition exist on Linux, this backend is honest about having
// neither: no locale has a recogniser, and the input device reports no usable format.

class NoInputFormat final : public AudioFormat {
 public:
  double sampleRate() const override { return 0.0; }
  std::uint32_t channelCount() const override { return 0; }
};

class NoInputNode final : public InputNode {
 public:
  std::shared_ptr<const AudioFormat> outputFormatForBus(int) override {
    return std::make_shared<NoInputFormat>();
  }
  bool installTapOnBus(int, std::uint32_t, std::shared_ptr<const AudioFormat>, TapBlock) override {
    return false;
  }
  void removeTapOnBus(int) override {}
};

class NoAudioEngine final : public AudioEngine {
 public:
  InputNode& inputNode() override { return node_; }
  void prepare() override {}
  bool start() override { return false; }
  void stop() override {}

 private:
  NoInputNode node_;
};

class EmptyRequest final : public RecognitionRequest {
 public:
  void setRequiresOnDeviceRecognition(bool) override {}
  void setShouldReportPartialResults(bool) override {}
  void appendAudioPCMBuffer(std::shared_ptr<const AudioPCMBuffer>) override {}
  void endAudio() override {}
};

// Linux has no consent service for either permission.
class GrantedSpeech final : public SpeechAuthorization {
 public:
  std::int64_t authorizationStatus() override { return 3; }
  void requestAuthorization(Handler handler) override {
    std::thread([handler = std::move(handler)] { handler(3); }).detach();
  }
};

class GrantedMicrophone final : public MicrophoneAuthorization {
 public:
  std::int64_t authorizationStatus() override { return 3; }
  void requestAccess(Handler handler) override {
    std::thread([handler = std::move(handler)] { handler(true); }).detach();
  }
};

class ImmediateExit final : public ProcessExit {
 public:
  void exit(int status) override { ::_exit(status); }
};

class LinuxPlatform final : public Platform {
 public:
  std::shared_ptr<SpeechRecognizer> makeSpeechRecognizer(const Locale&) override { return nullptr; }
  std::shared_ptr<RecognitionRequest> makeRecognitionRequest() override {
    return std::make_shared<EmptyRequest>();
  }
  std::unique_ptr<AudioEngine> makeAudioEngine() override { return std::make_unique<NoAudioEngine>(); }
  SpeechAuthorization& speechAuthorization() override { return speech_; }
  MicrophoneAuthorization& microphoneAuthorization() override { return microphone_; }
  MainQueue& mainQueue() override { return queue_; }
  ProcessExit& processExit() override { return exit_; }

 private:
  GrantedSpeech speech_;
  GrantedMicrophone microphone_;
  AsioMainQueue queue_;
  ImmediateExit exit_;
};

}  // namespace

std::unique_ptr<Platform> makePlatform() { return std::make_unique<LinuxPlatform>(); }

}  // namespace dictation_agent
