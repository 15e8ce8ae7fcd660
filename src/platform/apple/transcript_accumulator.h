#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dictation_agent {

// When a recognised segment was spoken, in seconds from the start of the request's audio. A
// duration of 0 means the recogniser gave no timing for it (partial results may carry none).
struct SegmentTiming {
  double timestamp = 0.0;
  double duration = 0.0;
};

// What the layer reads from one recognition result.
struct TranscriptionReading {
  std::string text;  // the best transcription's formatted string, UTF-8
  std::vector<SegmentTiming> segments;
  // The result carried speech metadata, which the recogniser attaches to the last result of an
  // utterance (systems that have it only).
  bool utteranceEnded = false;
  bool isFinal = false;
};

// The separator between the utterances of one dictation: nothing for languages written without
// spaces between words (Chinese, Japanese, Thai and their neighbours), one space otherwise.
std::string_view utteranceSeparatorFor(std::string_view localeIdentifier);

// Keeps the words of a dictation across the recogniser's restarts. After a pause the on-device
// recogniser may begin a new utterance and deliver only the words after the pause, as if the
// earlier ones had never been said. Each result is compared with the previous one:
//
//  - a result whose text extends the previous text is growth: it replaces the live utterance;
//  - otherwise, when both results carry timing, it is a restart if its first segment starts at
//    or after the end of the previous result's last segment, and a revision if it starts earlier;
//  - without timing, it is a restart only when the previous result closed its utterance (speech
//    metadata), and a revision otherwise.
//
// A restart commits the previous utterance; a revision only replaces the live one, so a revision
// never reaches the committed part. An empty result leaves the previous non-empty one as the
// reference for the next decision, except after an utterance that was closed: that one is
// committed at once, since the next result may well be the empty final one.
//
// Not thread-safe: one instance per recognition task, used on that task's queue.
class TranscriptAccumulator {
 public:
  explicit TranscriptAccumulator(std::string_view separator) : separator_(separator) {}

  // Takes the next result and returns the whole dictation's text: the committed utterances, then
  // the live one, joined by the separator.
  std::string add(const TranscriptionReading& reading);

  // The whole dictation's text as of the last result.
  std::string text() const;

 private:
  bool isRestart(const TranscriptionReading& next) const;
  bool repeatsCommittedPart(const TranscriptionReading& next) const;
  void commitReference();

  std::string separator_;
  std::string committed_;
  double committedEnd_ = 0.0;  // end of the last committed utterance; 0 when it had no timing
  std::string live_;
  bool hasReference_ = false;
  TranscriptionReading reference_;  // the last non-empty result since the last commit
};

}  // namespace dictation_agent
