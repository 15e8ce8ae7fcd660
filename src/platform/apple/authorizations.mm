#import <AVFoundation/AVFoundation.h>
#import <Speech/Speech.h>

#include "platform/apple/apple_services.h"
#include "platform/apple/authorization_status.h"

namespace dictation_agent {
namespace {

class SpeechFrameworkAuthorization final : public SpeechAuthorization {
 public:
  std::int64_t authorizationStatus() override {
    return rawAuthorizationStatus([SFSpeechRecognizer authorizationStatus]);
  }

  void requestAuthorization(Handler handler) override {
    // The Speech framework answers once, on a queue of its own.
    [SFSpeechRecognizer requestAuthorization:^(SFSpeechRecognizerAuthorizationStatus status) {
      handler(rawAuthorizationStatus(status));
    }];
  }
};

class CaptureDeviceAuthorization final : public MicrophoneAuthorization {
 public:
  std::int64_t authorizationStatus() override {
    return rawAuthorizationStatus(
        [AVCaptureDevice authorizationStatusForMediaType:AVMediaTypeAudio]);
  }

  void requestAccess(Handler handler) override {
    // AVFoundation answers once, on an arbitrary queue.
    [AVCaptureDevice requestAccessForMediaType:AVMediaTypeAudio
                             completionHandler:^(BOOL granted) {
                               handler(granted);
                             }];
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
