#pragma once

#ifndef __OBJC__
#error "speech_framework_request.h holds an Objective-C object: include it from .mm files only"
#endif

#import <Speech/Speech.h>

#include "platform/speech_recognizer.h"

namespace dictation_agent {

// The request over SFSpeechAudioBufferRecognitionRequest; the recogniser starts its task on
// the request it wraps.
class SpeechFrameworkRequest final : public RecognitionRequest {
 public:
  SpeechFrameworkRequest();

  void setRequiresOnDeviceRecognition(bool required) override;
  void setShouldReportPartialResults(bool report) override;
  void appendAudioPCMBuffer(std::shared_ptr<const AudioPCMBuffer> buffer) override;
  void endAudio() override;

  SFSpeechAudioBufferRecognitionRequest* sfRequest() const { return request_; }

 private:
  SFSpeechAudioBufferRecognitionRequest* __strong request_;
};

}  // namespace dictation_agent
