#include "platform/apple/transcript_accumulator.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace dictation_agent {
namespace {

// Segment times come in hundredths of a second; their sums are not exact in binary.
constexpr double kTimingTolerance = 0.001;

bool isTimed(const SegmentTiming& segment) {
  return segment.duration > 0.0;
}

double endOf(const SegmentTiming& segment) {
  return segment.timestamp + segment.duration;
}

bool startsTimed(const TranscriptionReading& reading) {
  return !reading.segments.empty() && isTimed(reading.segments.front());
}

bool endsTimed(const TranscriptionReading& reading) {
  return !reading.segments.empty() && isTimed(reading.segments.back());
}

// Case is compared for ASCII letters only: enough for a phrase the recogniser delivers again
// with a capital, and no locale to get wrong.
char foldedAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (foldedAscii(text[i]) != foldedAscii(prefix[i])) return false;
  }
  return true;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && startsWithIgnoringCase(a, b);
}

}  // namespace

std::string_view utteranceSeparatorFor(std::string_view localeIdentifier) {
  // The language subtag, as in "zh-CN", "zh_Hant_TW" or "ja-JP@calendar=japanese".
  const auto end = localeIdentifier.find_first_of("-_@.");
  std::string language(localeIdentifier.substr(0, end));
  std::transform(language.begin(), language.end(), language.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  static constexpr std::array<std::string_view, 9> kWrittenWithoutSpaces = {
      "zh", "yue", "wuu", "ja", "th", "lo", "km", "my", "bo"};
  const bool withoutSpaces = std::find(kWrittenWithoutSpaces.begin(), kWrittenWithoutSpaces.end(),
                                       language) != kWrittenWithoutSpaces.end();
  return withoutSpaces ? "" : " ";
}

std::string TranscriptAccumulator::add(const TranscriptionReading& reading) {
  if (reading.text.empty()) {
    if (reading.utteranceEnded && hasLive_) liveClosed_ = true;
    return text();
  }
  if (!hasLive_) {
    setLive(reading, reading.utteranceEnded);
  } else if (!committed_.empty() && startsWithIgnoringCase(reading.text, text())) {
    // The recogniser went back over the whole dictation; keeping both would double the words.
    committed_.clear();
    setLive(reading, reading.utteranceEnded);
  } else if (coverCommitted(reading)) {
    setLive(reading, reading.utteranceEnded);
  } else if (liveClosed_) {
    if (repeatsClosedPhrase(reading)) {
      setLive(reading, true);
    } else {
      commitLiveBefore(reading);
      setLive(reading, reading.utteranceEnded);
    }
  } else if (startsAfterLivePhrase(reading)) {
    commitLiveBefore(reading);
    setLive(reading, reading.utteranceEnded);
  } else {
    setLive(reading, reading.utteranceEnded);
  }
  return text();
}

std::string TranscriptAccumulator::text() const {
  std::string whole;
  const auto append = [&](const std::string& part) {
    if (part.empty()) return;
    if (!whole.empty()) whole += separator_;
    whole += part;
  };
  for (const Phrase& phrase : committed_) append(phrase.text);
  if (hasLive_) append(live_.text);
  return whole;
}

bool TranscriptAccumulator::coverCommitted(const TranscriptionReading& next) {
  if (!startsTimed(next) || !endsTimed(next)) return false;
  const double start = next.segments.front().timestamp;
  const double end = endOf(next.segments.back());
  bool covered = false;
  while (!committed_.empty()) {
    const Phrase& last = committed_.back();
    if (!last.followedLater || last.segments.empty() || !isTimed(last.segments.front()) ||
        !isTimed(last.segments.back())) {
      break;
    }
    const bool spans = start <= last.segments.front().timestamp + kTimingTolerance &&
                       end + kTimingTolerance >= endOf(last.segments.back());
    if (!spans) break;
    committed_.pop_back();
    covered = true;
  }
  return covered;
}

bool TranscriptAccumulator::repeatsClosedPhrase(const TranscriptionReading& next) const {
  if (!equalIgnoringCase(next.text, live_.text)) return false;
  if (!startsTimed(next)) return true;
  // Timing shows it came later when it starts after the closed phrase ended, or at all when the
  // closed phrase had no timing to compare with.
  return endsTimed(live_) &&
         next.segments.front().timestamp + kTimingTolerance < endOf(live_.segments.back());
}

bool TranscriptAccumulator::startsAfterLivePhrase(const TranscriptionReading& next) const {
  return endsTimed(live_) && startsTimed(next) &&
         next.segments.front().timestamp + kTimingTolerance >= endOf(live_.segments.back());
}

void TranscriptAccumulator::commitLiveBefore(const TranscriptionReading& next) {
  committed_.push_back(Phrase{live_.text, live_.segments, startsAfterLivePhrase(next)});
}

void TranscriptAccumulator::setLive(const TranscriptionReading& reading, bool closed) {
  live_ = reading;
  hasLive_ = true;
  liveClosed_ = closed;
}

}  // namespace dictation_agent
