#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/audio_engine.h"

namespace dictation_agent {

// Made from an identifier such as "en-US", taken unchanged: any string is accepted.
struct Locale {
  std::string identifier;
};

// One recognition result: the best transcription so far, and whether it is the last one.
struct RecognitionResult {
  std::string formattedString;  // UTF-8
  bool isFinal = false;
};

// A recognition failure. Only its presence matters; the platform's details are dropped.
struct RecognitionError {};

// Audio to be recognised. Shared by the main thread (which configures and ends it), the audio
// thread (which appends buffers) and the recogniser (which consumes them).
class RecognitionRequest {
 public:
  virtual ~RecognitionRequest() = default;

  // Main thread, before the recognition task is created.
  virtual void setRequiresOnDeviceRecognition(bool required) = 0;
  virtual void setShouldReportPartialResults(bool report) = 0;

  // Audio thread. Must not block: the buffer is queued for the recogniser as it is.
  virtual void appendAudioPCMBuffer(std::shared_ptr<const AudioPCMBuffer> buffer) = 0;

  // Main thread. No more audio comes; recognition completes and may still deliver results, the
  // last one final. Safe to call more than once.
  virtual void endAudio() = 0;
};

// Recognition under way on one request.
class RecognitionTask {
 public:
  virtual ~RecognitionTask() = default;

  // Main thread. Recognition stops; the result handler may still be called but should not be
  // relied on. Safe to call more than once.
  virtual void cancel() = 0;
};

// The recogniser for one locale.
class SpeechRecognizer {
 public:
  // Called any number of times, on a thread of the recogniser's choosing (never the main
  // thread), with a result or none and an error or none.
  using ResultHandler = std::function<void(std::optional<RecognitionResult> result,
                                           std::optional<RecognitionError> error)>;

  virtual ~SpeechRecognizer() = default;

  // Main thread. True when this locale can be recognised entirely on the device.
  virtual bool supportsOnDeviceRecognition() = 0;

  // Main thread. True when the recogniser can be used right now.
  virtual bool isAvailable() = 0;

  // Main thread. Starts recognising the request; the task owns the handler for its whole life.
  virtual std::shared_ptr<RecognitionTask> recognitionTask(
      std::shared_ptr<RecognitionRequest> request, ResultHandler handler) = 0;
};

}  // namespace dictation_agent
