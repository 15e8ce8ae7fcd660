#import <AVFoundation/AVFoundation.h>
#import <Speech/Speech.h>

#include "platform/apple/apple_services.h"
#include "platform/apple/authorization_status.h"

// Both services call their handler once, on a queue of their choosing: Apple does not promise
// that it is not the main queue ("does not guarantee the execution of this block on your app's
// main dispatch queue"). The dictation's handlers only post their answer to the main queue,
// which any thread may do, so nothing here depends on more than Apple promises.
//
// The first calls come before the main run loop runs, where no autorelease pool is in place, so
// each call brings its own.
namespace dictation_agent {
namespace {

class SpeechFrameworkAuthorization final : public SpeechAuthorization {
 public:
  std::int64_t authorizationStatus() override {
    @autoreleasepool {
      return rawAuthorizationStatus([SFSpeechRecognizer authorizationStatus]);
    }
  }

  void requestAuthorization(Handler handler) override {
    @autoreleasepool {
      [SFSpeechRecognizer requestAuthorization:^(SFSpeechRecognizerAuthorizationStatus status) {
        handler(rawAuthorizationStatus(status));
      }];
    }
  }
};

class CaptureDeviceAuthorization final : public MicrophoneAuthorization {
 public:
  std::int64_t authorizationStatus() override {
    @autoreleasepool {
      return rawAuthorizationStatus(
          [AVCaptureDevice authorizationStatusForMediaType:AVMediaTypeAudio]);
    }
  }

  void requestAccess(Handler handler) override {
    @autoreleasepool {
      [AVCaptureDevice requestAccessForMediaType:AVMediaTypeAudio
                               completionHandler:^(BOOL granted) {
                                 handler(granted);
                               }];
    }
  }
};

}  // namespace

std::unique_ptr<SpeechAuthorization> makeSpeechFrameworkAuthorization() {
  return std::make_unique<SpeechFrameworkAuthorization>();
}

std::unique_ptr<MicrophoneAuthorization> makeCaptureDeviceAuthorization() {
  return std::make_unique<CaptureDeviceAuthorization>();
}

}  // namespace dictation_agent
