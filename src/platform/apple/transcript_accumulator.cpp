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
    // A closed utterance is kept now: an empty final result may be all that follows it.
    if (hasReference_ && reference_.utteranceEnded) commitReference();
    live_.clear();
    return text();
  }
  if (repeatsCommittedPart(reading)) {
    // The recogniser went back over the whole dictation; keeping both would double the words.
    committed_.clear();
    committedEnd_ = 0.0;
  } else if (isRestart(reading)) {
    commitReference();
  }
  reference_ = reading;
  hasReference_ = true;
  live_ = reading.text;
  return text();
}

std::string TranscriptAccumulator::text() const {
  if (committed_.empty()) return live_;
  if (live_.empty()) return committed_;
  return committed_ + separator_ + live_;
}

bool TranscriptAccumulator::isRestart(const TranscriptionReading& next) const {
  if (!hasReference_ || next.text.starts_with(reference_.text)) return false;
  if (endsTimed(reference_) && startsTimed(next)) {
    return next.segments.front().timestamp + kTimingTolerance >= endOf(reference_.segments.back());
  }
  return reference_.utteranceEnded;
}

bool TranscriptAccumulator::repeatsCommittedPart(const TranscriptionReading& next) const {
  if (committed_.empty() || !next.text.starts_with(committed_)) return false;
  // The same words spoken again after the committed ones are new speech, not a repetition.
  if (committedEnd_ > 0.0 && startsTimed(next)) {
    return next.segments.front().timestamp + kTimingTolerance < committedEnd_;
  }
  return true;
}

void TranscriptAccumulator::commitReference() {
  if (!reference_.text.empty()) {
    if (!committed_.empty()) committed_ += separator_;
    committed_ += reference_.text;
  }
  committedEnd_ = endsTimed(reference_) ? endOf(reference_.segments.back()) : 0.0;
  hasReference_ = false;
  reference_ = TranscriptionReading{};
}

}  // namespace dictation_agent
