#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dictation_agent {

// When a recognised segment was spoken, in seconds from the start of the request's audio or of
// the phrase (Apple does not say which). A duration of 0 means the recogniser gave no timing for
// it (partial results may carry none).
struct SegmentTiming {
  double timestamp = 0.0;
  double duration = 0.0;
};

// What the layer reads from one recognition result.
struct TranscriptionReading {
  std::string text;  // the best transcription's formatted string, UTF-8
  std::vector<SegmentTiming> segments;
  // The result carried speech metadata, which the recogniser attaches to the last result of a
  // phrase (systems that have it only).
  bool utteranceEnded = false;
  bool isFinal = false;
};

// The separator between the utterances of one dictation: nothing for languages written without
// spaces between words (Chinese, Japanese, Thai and their neighbours), one space otherwise.
std::string_view utteranceSeparatorFor(std::string_view localeIdentifier);

// Keeps the words of a dictation across the recogniser's restarts. After a pause the on-device
// recogniser may begin a new phrase and deliver only the words after the pause, as if the
// earlier ones had never been said. Each non-empty result is weighed against the live phrase
// (the last non-empty result since the last commit), and nothing is dropped without evidence:
//
//  1. a result that begins with the whole delivered text, ignoring case, goes back over the
//     dictation: it replaces everything;
//  2. a result whose timing spans committed phrases that were followed by later speech covers
//     them: they go, and it replaces the live phrase;
//  3. after a phrase that speech metadata closed, the result starts a new phrase (the closed one
//     is committed), unless it repeats the closed phrase, ignoring case, with no timing that
//     shows it came later: that is the same phrase delivered again;
//  4. without metadata, timing decides: a result whose first segment starts at or after the end
//     of the live phrase's last segment starts a new phrase;
//  5. anything else is growth or a revision of the live phrase, which it replaces.
//
// An empty result changes nothing, so the words it would erase stay until a non-empty result
// decides; an empty result with metadata closes the live phrase. Whether segment timing counts
// from the request or from the phrase is not documented: a commit remembers whether the next
// phrase began after it in time, and only a phrase that did can later be covered by timing.
//
// Not thread-safe: one instance per recognition task, used on that task's queue.
class TranscriptAccumulator {
 public:
  explicit TranscriptAccumulator(std::string_view separator) : separator_(separator) {}

  // Takes the next result and returns the whole dictation's text: the committed phrases, then
  // the live one, joined by the separator.
  std::string add(const TranscriptionReading& reading);

  // The whole dictation's text as of the last result.
  std::string text() const;

 private:
  struct Phrase {
    std::string text;
    std::vector<SegmentTiming> segments;
    bool followedLater = false;  // the next phrase began after this one ended, by timing
  };

  bool coverCommitted(const TranscriptionReading& next);
  bool repeatsClosedPhrase(const TranscriptionReading& next) const;
  bool startsAfterLivePhrase(const TranscriptionReading& next) const;
  void commitLiveBefore(const TranscriptionReading& next);
  void setLive(const TranscriptionReading& reading, bool closed);

  std::string separator_;
  std::vector<Phrase> committed_;
  bool hasLive_ = false;
  TranscriptionReading live_;  // the last non-empty result since the last commit
  bool liveClosed_ = false;    // speech metadata closed the live phrase
};

}  // namespace dictation_agent
