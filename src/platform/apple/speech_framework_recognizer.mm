#import <Foundation/Foundation.h>
#import <Speech/Speech.h>
#include <dispatch/dispatch.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/apple/apple_services.h"
#include "platform/apple/dispatch_delay.h"
#include "platform/apple/result_delivery.h"
#include "platform/apple/speech_framework_request.h"
#include "platform/apple/utf8_text.h"

namespace dictation_agent {
namespace {

// How long the recogniser may take for its last result once capture has ended without a host stop
// (a device change it could not follow): as long as after a host stop.
constexpr double kInterruptedCaptureGraceSeconds = 2.0;

// Goes by the UTF-16 units rather than -UTF8String, which gives NULL for a string holding an
// unpaired surrogate and would lose the whole transcript.
std::string utf8FromNSString(NSString* string) {
  const NSUInteger length = string.length;
  std::vector<unichar> units(length);
  if (length > 0) [string getCharacters:units.data() range:NSMakeRange(0, length)];
  return utf8FromUtf16(units);
}

std::optional<TranscriptionReading> readingOf(SFSpeechRecognitionResult* result) {
  if (result == nil) return std::nullopt;
  SFTranscription* best = result.bestTranscription;
  TranscriptionReading reading;
  reading.text = utf8FromNSString(best.formattedString);
  for (SFTranscriptionSegment* segment in best.segments) {
    reading.segments.push_back(SegmentTiming{segment.timestamp, segment.duration});
  }
  if (@available(macOS 11.3, *)) {
    reading.utteranceEnded = result.speechRecognitionMetadata != nil;
  }
  reading.isFinal = [result isFinal];
  return reading;
}

// On-device recognition reports "no speech detected" with this error when the audio it was
// given last held no speech, also after earlier words. The domain is the assistant framework's,
// which no public header names.
RecognitionFailure failureOf(NSError* error) {
  if (error == nil) return RecognitionFailure::kNone;
  if ([error.domain isEqualToString:@"kAFAssistantErrorDomain"] && error.code == 1110) {
    return RecognitionFailure::kNoSpeech;
  }
  return RecognitionFailure::kOther;
}

class SpeechFrameworkTask final : public RecognitionTask {
 public:
  explicit SpeechFrameworkTask(SFSpeechRecognitionTask* task) : task_(task) {}

  void cancel() override {
    @try {
      [task_ cancel];
    } @catch (...) {
    }
  }

 private:
  SFSpeechRecognitionTask* __strong task_;  // nil when recognition never started
};

// The Speech framework calls a task's handler on the recogniser's queue, which is its own and
// serial: results never arrive on the main thread and never two at a time, and each task's
// ResultDelivery is touched there only.
NSOperationQueue* makeResultQueue() {
  NSOperationQueue* queue = [[NSOperationQueue alloc] init];
  queue.maxConcurrentOperationCount = 1;
  queue.name = @"dictation-agent.recognition-results";
  return queue;
}

class SpeechFrameworkRecognizer final : public SpeechRecognizer {
 public:
  SpeechFrameworkRecognizer(SFSpeechRecognizer* recognizer, std::string utteranceSeparator)
      : recognizer_(recognizer),
        queue_(makeResultQueue()),
        separator_(std::move(utteranceSeparator)) {
    recognizer_.queue = queue_;
  }

  // Both may be called before the main run loop runs, where no pool would catch what the
  // framework autoreleases.
  bool supportsOnDeviceRecognition() override {
    @autoreleasepool {
      return recognizer_.supportsOnDeviceRecognition;
    }
  }

  bool isAvailable() override {
    @autoreleasepool {
      return [recognizer_ isAvailable];
    }
  }

  std::shared_ptr<RecognitionTask> recognitionTask(std::shared_ptr<RecognitionRequest> request,
                                                   ResultHandler handler) override {
    @autoreleasepool {
      auto delivery = std::make_shared<ResultDelivery>(separator_, std::move(handler));
      auto* ours = dynamic_cast<SpeechFrameworkRequest*>(request.get());
      SFSpeechRecognitionTask* task = nil;
      if (ours != nullptr) {
        @try {
          task = [recognizer_
              recognitionTaskWithRequest:ours->sfRequest()
                           resultHandler:^(SFSpeechRecognitionResult* result, NSError* error) {
                             @autoreleasepool {
                               delivery->deliver(readingOf(result), failureOf(error));
                             }
                           }];
        } @catch (...) {
          task = nil;
        }
      }
      if (task == nil) {
        // Recognition that could not start fails the way a failing recogniser does: one error,
        // on the results queue.
        [queue_ addOperationWithBlock:^{
          delivery->deliver(std::nullopt, RecognitionFailure::kOther);
        }];
      } else {
        ours->setInterruptionHandler(closeAfterGracePeriod(delivery));
        ours->setAudioEndHandler(tellAudioEnded(delivery));
      }
      return std::make_shared<SpeechFrameworkTask>(task);
    }
  }

 private:
  // The delivery hears of the end of the audio on its own queue, ahead of whatever the recogniser
  // answers to it.
  std::function<void()> tellAudioEnded(std::shared_ptr<ResultDelivery> delivery) {
    NSOperationQueue* queue = queue_;
    return [delivery = std::move(delivery), queue] {
      [queue addOperationWithBlock:^{
        delivery->audioEnded();
      }];
    };
  }

  // After a failed restart of capture has ended the audio, the recogniser normally delivers its
  // final result; should it stay silent, the transcript so far goes out as the final result once
  // the grace period is over, so the dictation ends as after a host stop.
  std::function<void()> closeAfterGracePeriod(std::shared_ptr<ResultDelivery> delivery) {
    NSOperationQueue* queue = queue_;
    return [delivery = std::move(delivery), queue] {
      const dispatch_time_t deadline = dispatch_time(
          DISPATCH_TIME_NOW, dispatchDelayNanoseconds(kInterruptedCaptureGraceSeconds));
      dispatch_after(deadline, dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), ^{
        [queue addOperationWithBlock:^{
          delivery->finishIfStillOpen();
        }];
      });
    };
  }

  SFSpeechRecognizer* __strong recognizer_;
  NSOperationQueue* __strong queue_;
  std::string separator_;
};

}  // namespace

std::shared_ptr<SpeechRecognizer> makeSpeechFrameworkRecognizer(const Locale& locale) {
  @autoreleasepool {
    // The identifier goes to NSLocale as it is; only bytes that are not UTF-8 are replaced,
    // since NSString takes nothing else.
    const std::string identifier = repairedUtf8(locale.identifier);
    NSString* name = [[NSString alloc] initWithBytes:identifier.data()
                                              length:identifier.size()
                                            encoding:NSUTF8StringEncoding];
    if (name == nil) return nullptr;
    SFSpeechRecognizer* recognizer =
        [[SFSpeechRecognizer alloc] initWithLocale:[NSLocale localeWithLocaleIdentifier:name]];
    if (recognizer == nil) return nullptr;
    return std::make_shared<SpeechFrameworkRecognizer>(
        recognizer, std::string(utteranceSeparatorFor(identifier)));
  }
}

}  // namespace dictation_agent
