#include "platform/apple/speech_framework_request.h"

#include "platform/apple/apple_services.h"
#include "platform/apple/captured_pcm_buffer.h"

namespace dictation_agent {

SpeechFrameworkRequest::SpeechFrameworkRequest()
    : request_([[SFSpeechAudioBufferRecognitionRequest alloc] init]) {}

void SpeechFrameworkRequest::setRequiresOnDeviceRecognition(bool required) {
  request_.requiresOnDeviceRecognition = required ? YES : NO;
}

void SpeechFrameworkRequest::setShouldReportPartialResults(bool report) {
  request_.shouldReportPartialResults = report ? YES : NO;
}

void SpeechFrameworkRequest::appendAudioPCMBuffer(std::shared_ptr<const AudioPCMBuffer> buffer) {
  // Only this backend's tap makes buffers; anything else carries no audio we could hand on.
  const auto* captured = dynamic_cast<const CapturedPCMBuffer*>(buffer.get());
  if (captured == nullptr) return;
  @try {
    [request_ appendAudioPCMBuffer:captured->avBuffer()];
  } @catch (...) {
    // A buffer the recogniser will not take is dropped; the audio thread goes on.
  }
}

void SpeechFrameworkRequest::endAudio() {
  audioEnded_ = true;
  if (audioEndHandler_) audioEndHandler_();
  @autoreleasepool {
    @try {
      [request_ endAudio];
    } @catch (...) {
    }
  }
}

void SpeechFrameworkRequest::captureInterrupted() {
  if (audioEnded_) return;
  endAudio();
  if (interruptionHandler_) interruptionHandler_();
}

std::shared_ptr<RecognitionRequest> makeSpeechFrameworkRequest(
    CaptureInterruptions& interruptions) {
  @autoreleasepool {
    auto request = std::make_shared<SpeechFrameworkRequest>();
    interruptions.add(request);
    return request;
  }
}

}  // namespace dictation_agent
