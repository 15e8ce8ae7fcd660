#import <Foundation/Foundation.h>
#import <Speech/Speech.h>
#include <dispatch/dispatch.h>

#include <optional>
#include <vector>

#include "platform/apple/apple_services.h"
#include "platform/apple/speech_framework_request.h"
#include "platform/apple/utf8_text.h"

namespace dictation_agent {
namespace {

// Goes by the UTF-16 units rather than -UTF8String, which gives NULL for a string holding an
// unpaired surrogate and would lose the whole transcript.
std::string utf8FromNSString(NSString* string) {
  const NSUInteger length = string.length;
  std::vector<unichar> units(length);
  if (length > 0) [string getCharacters:units.data() range:NSMakeRange(0, length)];
  return utf8FromUtf16(units);
}

std::optional<RecognitionResult> resultFrom(SFSpeechRecognitionResult* result) {
  if (result == nil) return std::nullopt;
  return RecognitionResult{utf8FromNSString(result.bestTranscription.formattedString),
                           static_cast<bool>([result isFinal])};
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

class SpeechFrameworkRecognizer final : public SpeechRecognizer {
 public:
  explicit SpeechFrameworkRecognizer(SFSpeechRecognizer* recognizer) : recognizer_(recognizer) {}

  bool supportsOnDeviceRecognition() override { return recognizer_.supportsOnDeviceRecognition; }

  bool isAvailable() override { return [recognizer_ isAvailable]; }

  std::shared_ptr<RecognitionTask> recognitionTask(std::shared_ptr<RecognitionRequest> request,
                                                   ResultHandler handler) override {
    @autoreleasepool {
      const auto* ours = dynamic_cast<const SpeechFrameworkRequest*>(request.get());
      SFSpeechRecognitionTask* task = nil;
      if (ours != nullptr) {
        @try {
          // Called on the Speech framework's own queue: the values are converted there and
          // handed over as they are.
          task = [recognizer_
              recognitionTaskWithRequest:ours->sfRequest()
                           resultHandler:^(SFSpeechRecognitionResult* result, NSError* error) {
                             handler(resultFrom(result),
                                     error != nil
                                         ? std::optional<RecognitionError>(RecognitionError{})
                                         : std::nullopt);
                           }];
        } @catch (...) {
          task = nil;
        }
      }
      if (task == nil) reportFailureOffMainThread(std::move(handler));
      return std::make_shared<SpeechFrameworkTask>(task);
    }
  }

 private:
  // Recognition that could not start fails the way a failing recogniser does: one error, on a
  // thread other than the main thread.
  static void reportFailureOffMainThread(ResultHandler handler) {
    dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), ^{
      handler(std::nullopt, RecognitionError{});
    });
  }

  SFSpeechRecognizer* __strong recognizer_;
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
    return std::make_shared<SpeechFrameworkRecognizer>(recognizer);
  }
}

}  // namespace dictation_agent
