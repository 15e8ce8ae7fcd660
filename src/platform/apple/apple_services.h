#pragma once

#include <memory>

#include "platform/apple/capture_interruptions.h"
#include "platform/audio_engine.h"
#include "platform/authorization.h"
#include "platform/speech_recognizer.h"

// The macOS services behind the seam. Plain C++: the Objective-C++ stays in the .mm files.
namespace dictation_agent {

// nullptr when the Speech framework has no recogniser for the locale.
std::shared_ptr<SpeechRecognizer> makeSpeechFrameworkRecognizer(const Locale& locale);
// The request listens to `interruptions` for as long as it lives.
std::shared_ptr<RecognitionRequest> makeSpeechFrameworkRequest(CaptureInterruptions& interruptions);
// The engine restarts capture after a device change and reports to `interruptions` when that
// fails and capture has ended.
std::unique_ptr<AudioEngine> makeEngineCapture(std::shared_ptr<CaptureInterruptions> interruptions);
std::unique_ptr<SpeechAuthorization> makeSpeechFrameworkAuthorization();
std::unique_ptr<MicrophoneAuthorization> makeCaptureDeviceAuthorization();

}  // namespace dictation_agent
