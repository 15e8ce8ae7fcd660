#include "dictation/dictation.h"

#include <atomic>

#include "dictation/transcript_cap.h"
#include "events/permissions.h"

namespace dictation_agent {

Dictation::Dictation(Platform& platform, std::shared_ptr<SpeechRecognizer> recognizer,
                     EventOutput& events)
    : engine(platform.makeAudioEngine()),
      platform_(platform),
      recognizer_(std::move(recognizer)),
      events_(events) {}

PermissionSnapshot Dictation::permissionSnapshot() {
  return permissions(platform_.speechAuthorization(), platform_.microphoneAuthorization());
}

void Dictation::authorize() {
  if (!recognizer_ || !recognizer_->supportsOnDeviceRecognition()) {
    finish(error_code::kOnDeviceUnavailable);
    return;
  }
  events_.emit({{"type", "permissions"}, {"permissions", permissionSnapshot()}});
  events_.emit({{"type", "authorizing"}});

  // The handler runs on a platform thread: it only hands the status to the main queue.
  MainQueue* queue = &platform_.mainQueue();
  platform_.speechAuthorization().requestAuthorization(
      [self = shared_from_this(), queue](std::int64_t status) {
        queue->post([self, status] { self->speechAnswer(status); });
      });
}

void Dictation::speechAnswer(std::int64_t status) {
  if (ended || stopping) return;
  events_.emit({{"type", "permissions"}, {"permissions", permissionSnapshot()}});
  // The decision rests on the delivered status, not on the snapshot just written.
  constexpr std::int64_t kAuthorized = 3;
  if (status != kAuthorized) {
    finish(error_code::kSpeechDenied);
    return;
  }
  MainQueue* queue = &platform_.mainQueue();
  platform_.microphoneAuthorization().requestAccess(
      [self = shared_from_this(), queue](bool granted) {
        queue->post([self, granted] { self->microphoneAnswer(granted); });
      });
}

void Dictation::microphoneAnswer(bool granted) {
  if (ended || stopping) return;
  events_.emit({{"type", "permissions"}, {"permissions", permissionSnapshot()}});
  if (!granted) {
    finish(error_code::kMicrophoneDenied);
    return;
  }
  start();
}

void Dictation::start() {
  // Asked again here: support and availability may have changed since authorization began.
  if (!recognizer_ || !recognizer_->supportsOnDeviceRecognition()) {
    finish(error_code::kOnDeviceUnavailable);
    return;
  }
  if (!recognizer_->isAvailable()) {
    finish(error_code::kRecognizerUnavailable);
    return;
  }

  std::shared_ptr<RecognitionRequest> newRequest = platform_.makeRecognitionRequest();
  newRequest->setRequiresOnDeviceRecognition(true);
  newRequest->setShouldReportPartialResults(true);
  request = newRequest;

  InputNode& node = engine->inputNode();
  std::shared_ptr<const AudioFormat> format = node.outputFormatForBus(kBus);
  // An ordered comparison, so a NaN rate fails too.
  if (!format || !(format->sampleRate() > 0.0) || format->channelCount() == 0) {
    finish(error_code::kMicrophoneUnavailable);
    return;
  }

  // The tap block runs on the audio thread and holds only the request: it hands each buffer over
  // as it is, with no copy, no conversion and no wait on the main thread. When capture ends on
  // its own, it also asks the main queue for a stop, so that the words heard so far end the
  // dictation within the grace period; the dictation is not held, only reached if alive. Whether
  // any audio came is shared by every copy the platform may make of the block.
  MainQueue* queue = &platform_.mainQueue();
  InputNode::TapBlock tapBlock = [target = newRequest, queue, weak = weak_from_this(),
                                  heardAudio = std::make_shared<std::atomic<bool>>(false)](
                                     std::shared_ptr<const AudioPCMBuffer> buffer, AudioTime) {
    const bool endsCapture = buffer && buffer->endsCapture();
    target->appendAudioPCMBuffer(std::move(buffer));
    if (!endsCapture) {
      heardAudio->store(true, std::memory_order_relaxed);
      return;
    }
    queue->post([weak, heard = heardAudio->load(std::memory_order_relaxed)] {
      if (auto self = weak.lock()) self->captureEnded(heard);
    });
  };
  const bool installed = node.installTapOnBus(kBus, kTapBufferFrames, format, std::move(tapBlock));
  if (!installed) {
    finish(error_code::kMicrophoneUnavailable);
    return;
  }
  tapping = true;

  task = recognizer_->recognitionTask(
      newRequest, [self = shared_from_this(), queue](std::optional<RecognitionResult> result,
                                                     std::optional<RecognitionError> error) {
        queue->post([self, result = std::move(result), error] { self->resultStep(result, error); });
      });

  engine->prepare();
  if (!engine->start()) {
    finish(error_code::kMicrophoneUnavailable);
    return;
  }
  events_.emit({{"type", "listening"}});

  queue->postAfter(kListeningCapSeconds, [self = shared_from_this()] { self->listeningCap(); });
}

void Dictation::listeningCap() {
  if (!ended) stop();
}

void Dictation::captureEnded(bool heardAudio) {
  if (ended) return;
  // Capture that ends before a single buffer arrived (the server refused the stream, or it never
  // delivered) means the microphone could not be used: "final" with no words would read as
  // silence.
  if (!heardAudio && !stopping) {
    finish(error_code::kMicrophoneUnavailable);
    return;
  }
  stop();
}

void Dictation::resultStep(const std::optional<RecognitionResult>& result,
                           const std::optional<RecognitionError>& error) {
  if (ended) return;
  if (result) {
    text = capTranscript(result->formattedString, kTranscriptMaxCharacters);
    events_.emit({{"type", "transcript"}, {"text", text}});
    if (result->isFinal) {
      finish(std::nullopt);
      return;
    }
  }
  if (error) finish(error_code::kRecognitionFailed);
}

void Dictation::shutDownCapture() {
  engine->stop();
  if (tapping) {
    engine->inputNode().removeTapOnBus(kBus);
    tapping = false;
  }
  if (request) request->endAudio();
}

void Dictation::stop() {
  stopping = true;
  shutDownCapture();
  // Every call posts its own grace-period task; the first one due ends the dictation.
  platform_.mainQueue().postAfter(kGracePeriodSeconds,
                                  [self = shared_from_this()] { self->finish(std::nullopt); });
}

void Dictation::finish(std::optional<std::string_view> errorCode, bool cancelled) {
  if (ended) return;
  ended = true;
  shutDownCapture();
  if (task) task->cancel();

  if (errorCode) {
    events_.emit({{"type", "error"}, {"code", std::string(*errorCode)}});
  } else {
    events_.emit(
        {{"type", "final"}, {"text", cancelled ? std::string() : text}, {"cancelled", cancelled}});
  }
  platform_.processExit().exit(0);
}

}  // namespace dictation_agent
