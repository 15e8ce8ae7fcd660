#pragma once

#ifndef __OBJC__
#error "speech_framework_request.h holds an Objective-C object: include it from .mm files only"
#endif

#import <Speech/Speech.h>

#include <functional>

#include "platform/apple/capture_interruptions.h"
#include "platform/speech_recognizer.h"

namespace dictation_agent {

// The request over SFSpeechAudioBufferRecognitionRequest; the recogniser starts its task on
// the request it wraps.
//
// When capture ends without a host stop (a device change that capture could not follow), the
// request ends its audio as a stop would and calls its interruption handler, through which the
// recognition task makes sure the dictation still ends in time. Whenever the audio ends, the
// audio-end handler hears of it first.
class SpeechFrameworkRequest final : public RecognitionRequest,
                                     public CaptureInterruptions::Listener {
 public:
  SpeechFrameworkRequest();

  void setRequiresOnDeviceRecognition(bool required) override;
  void setShouldReportPartialResults(bool report) override;
  void appendAudioPCMBuffer(std::shared_ptr<const AudioPCMBuffer> buffer) override;
  void endAudio() override;

  // Main thread. Ends the audio, unless it has ended already (a stop got there first and its
  // grace period runs), and then calls the interruption handler.
  void captureInterrupted() override;

  // Main thread, when the recognition task is created.
  void setInterruptionHandler(std::function<void()> handler) {
    interruptionHandler_ = std::move(handler);
  }

  // Main thread, when the recognition task is created.
  void setAudioEndHandler(std::function<void()> handler) { audioEndHandler_ = std::move(handler); }

  SFSpeechAudioBufferRecognitionRequest* sfRequest() const { return request_; }

 private:
  SFSpeechAudioBufferRecognitionRequest* __strong request_;
  bool audioEnded_ = false;  // main thread
  std::function<void()> interruptionHandler_;
  std::function<void()> audioEndHandler_;
};

}  // namespace dictation_agent
