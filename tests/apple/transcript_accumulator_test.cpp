#include "platform/apple/transcript_accumulator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dictation_agent {
namespace {

// One result as the Speech framework delivers it, and the text the layer must hand on.
struct Step {
  TranscriptionReading reading;
  std::string delivered;
};

struct Sequence {
  const char* name;
  std::string_view separator;
  std::vector<Step> steps;
};

TranscriptionReading result(std::string text, std::vector<SegmentTiming> segments = {},
                            bool utteranceEnded = false) {
  return TranscriptionReading{std::move(text), std::move(segments), utteranceEnded, false};
}

// Partial results may carry segments without timing.
std::vector<SegmentTiming> untimed(int count) {
  return std::vector<SegmentTiming>(static_cast<std::size_t>(count));
}

constexpr bool kClosed = true;

// Timings in the style of on-device results: seconds from the start of the request's audio.
const Sequence kSequences[] = {
    {"ordinary growth",
     " ",
     {
         {result("can", {{0.90, 0.30}}), "can"},
         {result("can you", {{0.90, 0.30}, {1.56, 0.45}}), "can you"},
         {result("can you hear", {{0.90, 0.30}, {1.56, 0.45}, {2.10, 0.35}}), "can you hear"},
     }},
    {"revisions that shrink stay revisions",
     " ",
     {
         {result("I scream for", {{0.50, 0.40}, {0.90, 0.50}, {1.40, 0.20}}), "I scream for"},
         {result("ice cream", {{0.50, 0.45}, {0.95, 0.45}}), "ice cream"},
         {result("ice", {{0.50, 0.45}}), "ice"},
         {result("ice cream please", {{0.50, 0.45}, {0.95, 0.45}, {1.60, 0.40}}),
          "ice cream please"},
     }},
    {"revisions without timing stay revisions",
     " ",
     {
         {result("I scream for", untimed(3)), "I scream for"},
         {result("ice cream", untimed(2)), "ice cream"},
     }},
    {"after a closed phrase a new phrase begins, even where its timing overlaps",
     " ",
     {
         {result("hello word", {{0.50, 0.40}, {0.90, 0.40}}, kClosed), "hello word"},
         {result("hello world", {{0.50, 0.40}, {0.90, 0.50}}), "hello word hello world"},
     }},
    {"a restart after a pause, told by timing",
     " ",
     {
         {result("can", {{0.90, 0.30}}), "can"},
         {result("can you", {{0.90, 0.30}, {1.56, 0.45}}), "can you"},
         {result("hear", {{4.40, 0.40}}), "can you hear"},
         {result("hear this", {{4.40, 0.40}, {4.89, 0.51}}), "can you hear this"},
     }},
    {"a restart that starts exactly where the last segment ended",
     " ",
     {
         {result("can you", {{0.90, 0.30}, {1.56, 0.45}}), "can you"},
         {result("hear", {{2.01, 0.40}}), "can you hear"},
     }},
    {"a restart told by speech metadata, without timing",
     " ",
     {
         {result("can you", untimed(2), kClosed), "can you"},
         {result("hear", untimed(1)), "can you hear"},
         {result("hear this", untimed(2)), "can you hear this"},
     }},
    {"two restarts",
     " ",
     {
         {result("one two", {{0.50, 0.30}, {0.90, 0.30}}), "one two"},
         {result("three", {{3.00, 0.40}}), "one two three"},
         {result("three four", {{3.00, 0.40}, {3.50, 0.40}}), "one two three four"},
         {result("five", {{6.00, 0.40}}), "one two three four five"},
         {result("five six", {{6.00, 0.40}, {6.50, 0.30}}), "one two three four five six"},
     }},
    {"an empty result after a restart erases nothing",
     " ",
     {
         {result("can you", {{0.90, 0.30}, {1.56, 0.45}}), "can you"},
         {result("hear", {{4.40, 0.40}}), "can you hear"},
         {result(""), "can you hear"},
         {result("hear this", {{4.40, 0.40}, {4.89, 0.51}}), "can you hear this"},
     }},
    {"an empty result right after a closed utterance, then an empty final one",
     " ",
     {
         {result("can you", {{0.90, 0.30}, {1.56, 0.45}}, kClosed), "can you"},
         {result(""), "can you"},
         {result(""), "can you"},
     }},
    {"the same words again after a pause are new words",
     " ",
     {
         {result("yes", {{0.50, 0.30}}, kClosed), "yes"},
         {result(""), "yes"},
         {result("yes", {{3.00, 0.30}}), "yes yes"},
     }},
    {"a result that goes back over the whole dictation is not doubled",
     " ",
     {
         {result("one two", {{0.50, 0.30}, {0.90, 0.30}}), "one two"},
         {result("three", {{3.00, 0.40}}), "one two three"},
         {result("one two three", {{0.50, 0.30}, {0.90, 0.30}, {3.00, 0.40}}), "one two three"},
     }},
    {"a closed phrase, then a longer one that begins with it",
     " ",
     {
         {result("Yes", {{0.00, 0.50}}, kClosed), "Yes"},
         {result("Yesterday I went", {{4.00, 0.60}, {4.60, 0.20}, {4.80, 0.40}}),
          "Yes Yesterday I went"},
     }},
    {"a closed phrase, then a longer one that begins with it, in Chinese",
     "",
     {
         {result("好", untimed(1), kClosed), "好"},
         {result("好的谢谢", {{3.00, 0.30}, {3.30, 0.20}, {3.50, 0.50}}), "好好的谢谢"},
     }},
    {"a closed phrase said again later",
     " ",
     {
         {result("yes", untimed(1), kClosed), "yes"},
         {result("yes", {{3.00, 0.30}}), "yes yes"},
     }},
    {"empty results between a closed phrase and the next",
     " ",
     {
         {result("no", untimed(1), kClosed), "no"},
         {result(""), "no"},
         {result("nothing else", untimed(2)), "no nothing else"},
     }},
    {"empty results up to the final one keep the live phrase",
     " ",
     {
         {result("can you", {{0.90, 0.30}, {1.56, 0.45}}), "can you"},
         {result(""), "can you"},
         {result(""), "can you"},
     }},
    {"a closed phrase, then timing relative to the new phrase",
     " ",
     {
         {result("can you", {{0.90, 0.30}, {1.56, 0.45}}, kClosed), "can you"},
         {result("hear", {{0.30, 0.40}}), "can you hear"},
         {result("hear this", {{0.30, 0.40}, {0.79, 0.51}}), "can you hear this"},
     }},
    {"a final result whose timing covers the committed phrase replaces it",
     " ",
     {
         {result("can you", {{0.90, 0.30}, {1.56, 0.45}}), "can you"},
         {result("hear this", {{4.40, 0.40}, {4.89, 0.51}}), "can you hear this"},
         {result("can we hear this", {{0.90, 0.30}, {1.56, 0.45}, {4.40, 0.40}, {4.89, 0.51}}),
          "can we hear this"},
     }},
    {"a closed phrase delivered again with a capital",
     " ",
     {
         {result("can you hear", untimed(3), kClosed), "can you hear"},
         {result("Can you hear", untimed(3)), "Can you hear"},
     }},
    {"a closed phrase delivered again with the same timing",
     " ",
     {
         {result("yes", {{0.50, 0.30}}, kClosed), "yes"},
         {result("Yes", {{0.50, 0.30}}), "Yes"},
     }},
    {"Chinese, written without spaces",
     "",
     {
         {result("你好", {{0.50, 0.70}}), "你好"},
         {result("今天", {{3.00, 0.50}}), "你好今天"},
         {result("今天天气很好", {{3.00, 0.50}, {3.50, 0.50}, {4.00, 0.60}}), "你好今天天气很好"},
         {result("我们", {{7.00, 0.40}}), "你好今天天气很好我们"},
     }},
};

TEST(TranscriptAccumulator, DeliversTheWholeDictationForEachRecordedSequence) {
  for (const Sequence& sequence : kSequences) {
    TranscriptAccumulator accumulator(sequence.separator);
    for (std::size_t at = 0; at < sequence.steps.size(); ++at) {
      const Step& step = sequence.steps[at];
      EXPECT_EQ(accumulator.add(step.reading), step.delivered)
          << sequence.name << ", result " << at + 1 << " (\"" << step.reading.text << "\")";
      EXPECT_EQ(accumulator.text(), step.delivered) << sequence.name << ", result " << at + 1;
    }
  }
}

TEST(UtteranceSeparator, IsEmptyOnlyForLanguagesWrittenWithoutSpaces) {
  const struct {
    const char* locale;
    std::string_view separator;
  } cases[] = {
      {"zh-CN", ""},  {"zh_Hant_TW", ""}, {"ZH-cn", ""},  {"yue-CN", ""},
      {"ja-JP", ""},  {"th-TH", ""},      {"zh", ""},     {"ja@calendar=japanese", ""},
      {"en-US", " "}, {"de_DE", " "},     {"ko-KR", " "}, {"zhx-CN", " "},
      {"", " "},      {"-CN", " "},
  };
  for (const auto& c : cases) EXPECT_EQ(utteranceSeparatorFor(c.locale), c.separator) << c.locale;
}

}  // namespace
}  // namespace dictation_agent
