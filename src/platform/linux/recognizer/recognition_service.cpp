#include "platform/linux/recognizer/recognition_service.h"

#include <memory>
#include <vector>

#include "platform/linux/recognizer/hypothesis_changes.h"
#include "platform/linux/recognizer/recognizer_protocol.h"
#include "platform/linux/recognizer/segmented_recognition.h"
#include "platform/linux/recognizer/speech_resampler.h"

namespace dictation_agent {
namespace {

constexpr int kFailed = 1;

// Brings each audio frame to the decoder's rate. A frame at another rate than the one before it
// (capture never sends one) starts a new resampler after the old one's tail.
class SpeechInput {
 public:
  bool convert(const AudioPayload& audio, std::vector<std::int16_t>& speech) {
    speech.clear();
    if (!resampler_ || resampler_->inputRate() != audio.sampleRate) {
      if (resampler_ && !resampler_->flush(speech)) return false;
      resampler_ = SpeechResampler::create(audio.sampleRate, 1);
      if (!resampler_) return false;
    }
    return resampler_->process(audio.samples, speech);
  }

  bool flush(std::vector<std::int16_t>& speech) {
    speech.clear();
    return !resampler_ || resampler_->flush(speech);
  }

 private:
  std::unique_ptr<SpeechResampler> resampler_;
};

}  // namespace

int serveRecognition(UtteranceDecoder& decoder, int input, int output) {
  SegmentedRecognition recognition(decoder);
  if (!recognition.start()) return kFailed;
  if (!sendAll(output, encodeFrame(FrameKind::kReady))) return 0;

  FrameReader frames(input);
  SpeechInput speechInput;
  HypothesisChanges changes;
  std::vector<std::int16_t> speech;
  Frame frame;
  while (true) {
    switch (frames.next(frame)) {
      case FrameReader::Status::kFrame: break;
      case FrameReader::Status::kClosed: return 0;  // the agent has gone: nobody to tell
      default: return kFailed;
    }
    if (frame.kind == FrameKind::kEndOfAudio) {
      if (!speechInput.flush(speech) || !recognition.process(speech) || !recognition.finish()) {
        return kFailed;
      }
      sendAll(output, encodeFrame(FrameKind::kFinal, recognition.text()));
      return 0;
    }
    const auto audio = frame.kind == FrameKind::kAudio ? decodeAudio(frame.payload) : std::nullopt;
    if (!audio || !speechInput.convert(*audio, speech) || !recognition.process(speech)) {
      return kFailed;
    }
    if (auto changed = changes.next(recognition.text())) {
      if (!sendAll(output, encodeFrame(FrameKind::kPartial, *changed))) return 0;
    }
  }
}

}  // namespace dictation_agent
