#include "fakes/fake_platform.h"

#include <gtest/gtest.h>

#include <utility>

namespace dictation_agent::fakes {

class FakePlatform::Recognizer final : public SpeechRecognizer {
 public:
  explicit Recognizer(FakePlatform& platform) : platform_(platform) {}

  bool supportsOnDeviceRecognition() override {
    platform_.note("recognizer.supportsOnDeviceRecognition");
    return platform_.script.supportsOnDeviceRecognition;
  }

  bool isAvailable() override {
    platform_.note("recognizer.isAvailable");
    return platform_.script.isAvailable;
  }

  std::shared_ptr<RecognitionTask> recognitionTask(std::shared_ptr<RecognitionRequest> request,
                                                   ResultHandler handler) override;

 private:
  FakePlatform& platform_;
};

class FakePlatform::Request final : public RecognitionRequest {
 public:
  explicit Request(FakePlatform& platform) : platform_(platform) {}

  void setRequiresOnDeviceRecognition(bool required) override {
    platform_.note(std::string("request.setRequiresOnDeviceRecognition(") +
                   (required ? "true" : "false") + ")");
  }

  void setShouldReportPartialResults(bool report) override {
    platform_.note(std::string("request.setShouldReportPartialResults(") +
                   (report ? "true" : "false") + ")");
  }

  // The audio thread's call: recorded without the main-thread check.
  void appendAudioPCMBuffer(std::shared_ptr<const AudioPCMBuffer> buffer) override {
    platform_.noteFromAnyThread("request.appendAudioPCMBuffer");
    std::lock_guard lock(platform_.recordMutex_);
    if (std::this_thread::get_id() == platform_.mainThread_) platform_.appendedOnMainThread_ = true;
    platform_.appendedBuffers_.push_back(std::move(buffer));
  }

  void endAudio() override { platform_.note("request.endAudio"); }

 private:
  FakePlatform& platform_;
};

// The task holds no handler: the platform keeps it, so that the dictation, which owns the task
// and is held by the handler, is not kept alive by a cycle.
class FakePlatform::Task final : public RecognitionTask {
 public:
  explicit Task(FakePlatform& platform) : platform_(platform) {}
  void cancel() override { platform_.note("task.cancel"); }

 private:
  FakePlatform& platform_;
};

std::shared_ptr<RecognitionTask> FakePlatform::Recognizer::recognitionTask(
    std::shared_ptr<RecognitionRequest> request, ResultHandler handler) {
  platform_.note("recognizer.recognitionTask");
  platform_.taskRequest_ = std::move(request);
  platform_.resultHandler_ = std::move(handler);
  return std::make_shared<Task>(platform_);
}

class FakePlatform::Format final : public AudioFormat {
 public:
  Format(FakePlatform& platform, double sampleRate, std::uint32_t channelCount)
      : platform_(platform), sampleRate_(sampleRate), channelCount_(channelCount) {}

  double sampleRate() const override {
    platform_.note("format.sampleRate");
    return sampleRate_;
  }

  std::uint32_t channelCount() const override {
    platform_.note("format.channelCount");
    return channelCount_;
  }

 private:
  FakePlatform& platform_;
  const double sampleRate_;
  const std::uint32_t channelCount_;
};

class FakePlatform::Node final : public InputNode {
 public:
  explicit Node(FakePlatform& platform) : platform_(platform) {}

  std::shared_ptr<const AudioFormat> outputFormatForBus(int bus) override {
    platform_.note("inputNode.outputFormatForBus(" + std::to_string(bus) + ")");
    platform_.reportedFormat_ = std::make_shared<Format>(platform_, platform_.script.sampleRate,
                                                         platform_.script.channelCount);
    return platform_.reportedFormat_;
  }

  bool installTapOnBus(int bus, std::uint32_t bufferSize, std::shared_ptr<const AudioFormat> format,
                       TapBlock block) override {
    platform_.note("inputNode.installTapOnBus(" + std::to_string(bus) + "," +
                   std::to_string(bufferSize) + ")");
    if (!platform_.script.tapInstalls) return false;
    platform_.tappedFormat_ = std::move(format);
    platform_.tapBlock_ = std::move(block);
    return true;
  }

  void removeTapOnBus(int bus) override {
    platform_.note("inputNode.removeTapOnBus(" + std::to_string(bus) + ")");
    platform_.tapBlock_ = nullptr;
  }

 private:
  FakePlatform& platform_;
};

class FakePlatform::Engine final : public AudioEngine {
 public:
  explicit Engine(FakePlatform& platform) : platform_(platform), node_(platform) {}

  InputNode& inputNode() override {
    platform_.note("engine.inputNode");
    return node_;
  }

  void prepare() override { platform_.note("engine.prepare"); }

  bool start() override {
    platform_.note("engine.start");
    return platform_.script.engineStarts;
  }

  void stop() override { platform_.note("engine.stop"); }

 private:
  FakePlatform& platform_;
  Node node_;
};

class FakePlatform::Speech final : public SpeechAuthorization {
 public:
  explicit Speech(FakePlatform& platform) : platform_(platform) {}

  std::int64_t authorizationStatus() override {
    platform_.note("speech.authorizationStatus");
    return platform_.script.speechStatus;
  }

  void requestAuthorization(Handler handler) override {
    platform_.note("speech.requestAuthorization");
    platform_.speechHandler_ = std::move(handler);
  }

 private:
  FakePlatform& platform_;
};

class FakePlatform::Microphone final : public MicrophoneAuthorization {
 public:
  explicit Microphone(FakePlatform& platform) : platform_(platform) {}

  std::int64_t authorizationStatus() override {
    platform_.note("microphone.authorizationStatus");
    return platform_.script.microphoneStatus;
  }

  void requestAccess(Handler handler) override {
    platform_.note("microphone.requestAccess");
    platform_.microphoneHandler_ = std::move(handler);
  }

 private:
  FakePlatform& platform_;
};

// Records the exit and halts the queue: after the process would have died, nothing runs.
class FakePlatform::Exit final : public ProcessExit {
 public:
  explicit Exit(FakePlatform& platform) : platform_(platform) {}

  void exit(int status) override {
    platform_.note("exit(" + std::to_string(status) + ")");
    ++platform_.exitCount_;
    if (!platform_.exitStatus_) {
      platform_.exitStatus_ = status;
      platform_.exitTime_ = platform_.queue_.now();
    }
    platform_.queue_.halt();
  }

 private:
  FakePlatform& platform_;
};

FakePlatform::FakePlatform()
    : mainThread_(std::this_thread::get_id()),
      speech_(std::make_unique<Speech>(*this)),
      microphone_(std::make_unique<Microphone>(*this)),
      exit_(std::make_unique<Exit>(*this)) {}

FakePlatform::~FakePlatform() {
  speechHandler_ = nullptr;
  microphoneHandler_ = nullptr;
  resultHandler_ = nullptr;
  tapBlock_ = nullptr;
  mainThreadActivity_ = nullptr;
}

std::shared_ptr<SpeechRecognizer> FakePlatform::makeSpeechRecognizer(const Locale& locale) {
  note("recognizer.init(" + locale.identifier + ")");
  if (!script.hasRecognizer) return nullptr;
  return std::make_shared<Recognizer>(*this);
}

std::shared_ptr<RecognitionRequest> FakePlatform::makeRecognitionRequest() {
  note("request.init");
  return std::make_shared<Request>(*this);
}

std::unique_ptr<AudioEngine> FakePlatform::makeAudioEngine() {
  note("engine.init");
  return std::make_unique<Engine>(*this);
}

SpeechAuthorization& FakePlatform::speechAuthorization() {
  return *speech_;
}
MicrophoneAuthorization& FakePlatform::microphoneAuthorization() {
  return *microphone_;
}
ProcessExit& FakePlatform::processExit() {
  return *exit_;
}

void FakePlatform::answerSpeech(std::int64_t status) {
  if (!speechHandler_) {
    ADD_FAILURE() << "speech authorization was not requested";
    return;
  }
  // Called once: the service lets go of the handler after the call.
  SpeechAuthorization::Handler handler = std::exchange(speechHandler_, nullptr);
  onPlatformThread([&] { handler(status); });
}

void FakePlatform::answerMicrophone(bool granted) {
  if (!microphoneHandler_) {
    ADD_FAILURE() << "microphone access was not requested";
    return;
  }
  MicrophoneAuthorization::Handler handler = std::exchange(microphoneHandler_, nullptr);
  onPlatformThread([&] { handler(granted); });
}

void FakePlatform::deliverResult(std::optional<RecognitionResult> result,
                                 std::optional<RecognitionError> error) {
  if (!resultHandler_) {
    ADD_FAILURE() << "no recognition task was created";
    return;
  }
  SpeechRecognizer::ResultHandler handler = resultHandler_;
  onPlatformThread([&] { handler(std::move(result), error); });
}

std::shared_ptr<const AudioPCMBuffer> FakePlatform::pushAudioBuffer(
    std::shared_ptr<const AudioPCMBuffer> buffer) {
  if (!tapBlock_) {
    ADD_FAILURE() << "no tap is installed";
    return nullptr;
  }
  InputNode::TapBlock block = tapBlock_;
  if (!buffer) buffer = std::make_shared<const FakeAudioBuffer>();
  onPlatformThread([&] { block(buffer, AudioTime{}); });
  return buffer;
}

void FakePlatform::setMainThreadActivity(std::function<void()> activity) {
  mainThreadActivity_ = std::move(activity);
}

bool FakePlatform::tapUsesReportedFormat() const {
  return tappedFormat_ != nullptr && tappedFormat_ == reportedFormat_;
}

void FakePlatform::note(std::string entry) {
  std::lock_guard lock(recordMutex_);
  if (std::this_thread::get_id() != mainThread_) offMainThreadCalls_.push_back(entry);
  calls_.push_back(std::move(entry));
}

void FakePlatform::noteFromAnyThread(std::string entry) {
  std::lock_guard lock(recordMutex_);
  calls_.push_back(std::move(entry));
}

std::vector<std::string> FakePlatform::calls() const {
  std::lock_guard lock(recordMutex_);
  return calls_;
}

std::size_t FakePlatform::callCount() const {
  std::lock_guard lock(recordMutex_);
  return calls_.size();
}

std::vector<std::string> FakePlatform::callsSince(std::size_t mark) const {
  std::lock_guard lock(recordMutex_);
  if (mark >= calls_.size()) return {};
  return {calls_.begin() + static_cast<std::ptrdiff_t>(mark), calls_.end()};
}

std::vector<std::string> FakePlatform::offMainThreadCalls() const {
  std::lock_guard lock(recordMutex_);
  return offMainThreadCalls_;
}

std::vector<std::shared_ptr<const AudioPCMBuffer>> FakePlatform::appendedBuffers() const {
  std::lock_guard lock(recordMutex_);
  return appendedBuffers_;
}

bool FakePlatform::allAppendsOffMainThread() const {
  std::lock_guard lock(recordMutex_);
  return !appendedOnMainThread_;
}

void FakePlatform::onPlatformThread(const std::function<void()>& delivery) {
  std::thread platformThread(delivery);
  if (mainThreadActivity_) mainThreadActivity_();
  platformThread.join();
}

}  // namespace dictation_agent::fakes
