#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "fakes/virtual_main_queue.h"
#include "platform/platform.h"

namespace dictation_agent::fakes {

// Every answer the fake platform gives. A test sets a field before the call that reads it; the
// fields are read at the time of each call, so a test may change them between calls.
struct PlatformScript {
  bool hasRecognizer = true;  // false: makeSpeechRecognizer returns null
  bool supportsOnDeviceRecognition = true;
  bool isAvailable = true;
  std::int64_t speechStatus = 0;  // raw authorizationStatus values
  std::int64_t microphoneStatus = 0;
  double sampleRate = 48000.0;
  std::uint32_t channelCount = 1;
  bool tapInstalls = true;
  bool engineStarts = true;
};

// A captured buffer that holds no audio: tests only follow where it goes.
class FakeAudioBuffer final : public AudioPCMBuffer {
 public:
  std::uint32_t frameLength() const override { return 1024; }
};

// What a backend hands the tap when capture has ended on its own.
class FakeCaptureEndedBuffer final : public AudioPCMBuffer {
 public:
  std::uint32_t frameLength() const override { return 0; }
  bool endsCapture() const override { return true; }
};

// A scripted platform. It records every call made on it, in order, as readable text
// ("recognizer.isAvailable", "inputNode.installTapOnBus(0,1024)", "exit(0)"), and delivers
// authorization answers, recognition results and audio only when the test asks, each on a real
// thread of its own, as the platform would. Calls that belong on the main thread (the test's
// thread) but arrive from elsewhere are listed apart.
class FakePlatform final : public Platform {
 public:
  FakePlatform();
  // Lets go of the handlers first: they hold the dictation, whose engine and request are fakes
  // that refer back to this platform.
  ~FakePlatform() override;
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  PlatformScript script;

  std::shared_ptr<SpeechRecognizer> makeSpeechRecognizer(const Locale& locale) override;
  std::shared_ptr<RecognitionRequest> makeRecognitionRequest() override;
  std::unique_ptr<AudioEngine> makeAudioEngine() override;
  SpeechAuthorization& speechAuthorization() override;
  MicrophoneAuthorization& microphoneAuthorization() override;
  MainQueue& mainQueue() override { return queue_; }
  ProcessExit& processExit() override;

  VirtualMainQueue& queue() { return queue_; }

  // The platform's side. Each call runs the handler (or the tap block) on a new thread and joins
  // it before returning; whatever the handler posts waits on the queue until the test runs it.
  void answerSpeech(std::int64_t status);
  void answerMicrophone(bool granted);
  void deliverResult(std::optional<RecognitionResult> result,
                     std::optional<RecognitionError> error);
  // One captured buffer (a FakeAudioBuffer unless given) through the installed tap block;
  // returns the buffer it handed over.
  std::shared_ptr<const AudioPCMBuffer> pushAudioBuffer(
      std::shared_ptr<const AudioPCMBuffer> buffer = nullptr);

  // Runs on the main thread while a platform thread is delivering, so that ThreadSanitizer can
  // see anything the delivery touches that the main thread also touches.
  void setMainThreadActivity(std::function<void()> activity);

  bool speechRequestPending() const { return static_cast<bool>(speechHandler_); }
  bool microphoneRequestPending() const { return static_cast<bool>(microphoneHandler_); }
  bool tapInstalled() const { return static_cast<bool>(tapBlock_); }
  bool hasResultHandler() const { return static_cast<bool>(resultHandler_); }

  // The request handed to recognitionTask, and whether the tap went in with the very format
  // object that outputFormatForBus returned.
  std::shared_ptr<RecognitionRequest> recognitionTaskRequest() const { return taskRequest_; }
  bool tapUsesReportedFormat() const;

  // Adds an entry to the record. Main thread only; the event recorder notes events here too.
  void note(std::string entry);

  std::vector<std::string> calls() const;
  std::size_t callCount() const;
  std::vector<std::string> callsSince(std::size_t mark) const;
  std::vector<std::string> offMainThreadCalls() const;

  // Buffers that reached a request through appendAudioPCMBuffer, and whether each came from a
  // thread other than the main one.
  std::vector<std::shared_ptr<const AudioPCMBuffer>> appendedBuffers() const;
  bool allAppendsOffMainThread() const;

  std::optional<int> exitStatus() const { return exitStatus_; }
  std::optional<double> exitTime() const { return exitTime_; }
  int exitCount() const { return exitCount_; }

 private:
  class Recognizer;
  class Request;
  class Task;
  class Format;
  class Node;
  class Engine;
  class Speech;
  class Microphone;
  class Exit;

  void noteFromAnyThread(std::string entry);
  void onPlatformThread(const std::function<void()>& delivery);

  const std::thread::id mainThread_;
  VirtualMainQueue queue_;
  std::unique_ptr<Speech> speech_;
  std::unique_ptr<Microphone> microphone_;
  std::unique_ptr<Exit> exit_;
  std::function<void()> mainThreadActivity_;

  // Main thread only.
  SpeechAuthorization::Handler speechHandler_;
  MicrophoneAuthorization::Handler microphoneHandler_;
  SpeechRecognizer::ResultHandler resultHandler_;
  InputNode::TapBlock tapBlock_;
  std::shared_ptr<RecognitionRequest> taskRequest_;
  std::shared_ptr<const AudioFormat> reportedFormat_;
  std::shared_ptr<const AudioFormat> tappedFormat_;
  std::optional<int> exitStatus_;
  std::optional<double> exitTime_;
  int exitCount_ = 0;

  // Any thread.
  mutable std::mutex recordMutex_;
  std::vector<std::string> calls_;
  std::vector<std::string> offMainThreadCalls_;
  std::vector<std::shared_ptr<const AudioPCMBuffer>> appendedBuffers_;
  bool appendedOnMainThread_ = false;
};

}  // namespace dictation_agent::fakes
