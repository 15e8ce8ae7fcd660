#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "events/event.h"
#include "platform/platform.h"

namespace dictation_agent {

// The codes of the "error" event.
namespace error_code {
inline constexpr std::string_view kOnDeviceUnavailable = "on_device_unavailable";
inline constexpr std::string_view kSpeechDenied = "speech_denied";
inline constexpr std::string_view kMicrophoneDenied = "microphone_denied";
inline constexpr std::string_view kRecognizerUnavailable = "recognizer_unavailable";
inline constexpr std::string_view kMicrophoneUnavailable = "microphone_unavailable";
inline constexpr std::string_view kRecognitionFailed = "recognition_failed";
}  // namespace error_code

// One dictation, from authorization to its last event. Every method and every field belongs to
// the main thread: other threads only post tasks that call back into it there. Each callback and
// task made on its behalf holds a shared_ptr to it, so it must be owned by a shared_ptr.
//
// Phases: waiting (authorization under way) -> capturing (start succeeded) -> stopped (stop was
// called) -> ended (finish has begun; the process exits inside that same call).
class Dictation : public std::enable_shared_from_this<Dictation> {
 public:
  static constexpr int kBus = 0;
  static constexpr std::uint32_t kTapBufferFrames = 1024;
  static constexpr double kListeningCapSeconds = 60.0;
  static constexpr double kGracePeriodSeconds = 2.0;
  static constexpr std::size_t kTranscriptMaxCharacters = 16000;

  // `recognizer` may be null (no recogniser for the locale). Creates the engine; starts nothing
  // and emits nothing.
  Dictation(Platform& platform, std::shared_ptr<SpeechRecognizer> recognizer, EventOutput& events);

  // Checks on-device support, reports the permissions and asks for speech authorization, then
  // microphone access; starts capture once both are granted.
  void authorize();

  // Builds the request, installs the input tap, creates the recognition task, starts the engine,
  // writes "listening" and arms the listening cap.
  void start();

  // Ends capture at once and lets the recogniser deliver its last result: the dictation ends
  // with its transcript when the final result comes, or when the grace period runs out.
  void stop();

  // The one way a dictation ends: shuts capture and recognition down, writes "final" (no error
  // code) or "error", and exits with status 0. Runs once; later calls do nothing.
  void finish(std::optional<std::string_view> errorCode, bool cancelled = false);

  // The state, read and written on the main thread only.
  const std::unique_ptr<AudioEngine> engine;
  std::shared_ptr<RecognitionRequest> request;
  std::shared_ptr<RecognitionTask> task;
  std::string text;       // the latest transcript, capped
  bool ended = false;     // finish has begun
  bool tapping = false;   // the input tap is installed on bus 0
  bool stopping = false;  // stop has been called: capture never starts after this

 private:
  void speechAnswer(std::int64_t status);
  void microphoneAnswer(bool granted);
  void resultStep(const std::optional<RecognitionResult>& result,
                  const std::optional<RecognitionError>& error);
  void listeningCap();
  void captureEnded(bool heardAudio);
  void shutDownCapture();
  PermissionSnapshot permissionSnapshot();

  Platform& platform_;
  const std::shared_ptr<SpeechRecognizer> recognizer_;
  EventOutput& events_;
};

}  // namespace dictation_agent
