#include "platform/linux/recognizer/segmented_recognition.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>

#include "platform/linux/recognizer/dictation_text.h"

namespace dictation_agent {
namespace {

using ::testing::ElementsAre;

// The text after each step of a recognition: a live hypothesis, or the end of an utterance with
// its final hypothesis.
struct Step {
  enum Kind { kLive, kCommit } kind;
  const char* hypothesis;
};

struct TextCase {
  const char* name;
  std::vector<Step> steps;
  std::vector<const char*> texts;
};

std::string textCaseName(const ::testing::TestParamInfo<TextCase>& info) {
  return info.param.name;
}

class DictationTextCases : public ::testing::TestWithParam<TextCase> {};

TEST_P(DictationTextCases, JoinsCommittedUtterancesAndTheLiveHypothesis) {
  DictationText text;
  std::vector<std::string> texts;
  for (const Step& step : GetParam().steps) {
    if (step.kind == Step::kLive) {
      text.setLive(step.hypothesis);
    } else {
      text.commit(step.hypothesis);
    }
    texts.push_back(text.text());
  }
  EXPECT_EQ(texts, std::vector<std::string>(GetParam().texts.begin(), GetParam().texts.end()));
}

constexpr auto kLive = Step::kLive;
constexpr auto kCommit = Step::kCommit;

INSTANTIATE_TEST_SUITE_P(
    Sequences, DictationTextCases,
    ::testing::Values(TextCase{"GrowingWithinOneUtterance",
                               {{kLive, "go"}, {kLive, "go forward"}, {kCommit, "go forward ten"}},
                               {"go", "go forward", "go forward ten"}},
                      TextCase{"TwoUtterances",
                               {{kLive, "go"},
                                {kCommit, "go forward"},
                                {kLive, "turn"},
                                {kLive, "turn left"},
                                {kCommit, "turn left"}},
                               {"go", "go forward", "go forward turn", "go forward turn left",
                                "go forward turn left"}},
                      TextCase{"AShrinkingHypothesisNeverTouchesCommittedWords",
                               {{kCommit, "go forward"},
                                {kLive, "ten meters"},
                                {kLive, "ten"},
                                {kLive, ""},
                                {kLive, "then"}},
                               {"go forward", "go forward ten meters", "go forward ten",
                                "go forward", "go forward then"}},
                      TextCase{"EmptyUtterancesAddNoSpaces",
                               {{kCommit, ""},
                                {kLive, "go"},
                                {kCommit, ""},
                                {kCommit, "stop"},
                                {kCommit, ""},
                                {kLive, ""}},
                               {"", "go", "", "stop", "stop", "stop"}},
                      TextCase{"AFinalHypothesisMayDifferFromTheLastLiveOne",
                               {{kLive, "go four"}, {kCommit, "go forward"}, {kLive, "ten"}},
                               {"go four", "go forward", "go forward ten"}},
                      TextCase{"SilenceOnly", {{kLive, ""}, {kCommit, ""}}, {"", ""}}),
    textCaseName);

// A decoder that replays a script: each process() call takes the next (speech?, hypothesis)
// pair; what it is asked to do is recorded.
class ScriptedDecoder final : public UtteranceDecoder {
 public:
  struct Answer {
    bool speech;
    const char* hypothesis;
  };

  explicit ScriptedDecoder(std::deque<Answer> script) : script_(std::move(script)) {}

  bool startUtterance() override {
    calls.push_back("start");
    return true;
  }
  bool process(std::span<const std::int16_t> samples) override {
    samplesDecoded += samples.size();
    current_ = script_.front();
    script_.pop_front();
    return true;
  }
  bool inSpeech() override { return current_.speech; }
  bool endUtterance() override {
    calls.push_back("end");
    return true;
  }
  std::string hypothesis() override { return current_.hypothesis; }

  std::vector<std::string> calls;
  std::size_t samplesDecoded = 0;

 private:
  std::deque<Answer> script_;
  Answer current_{false, ""};
};

TEST(SegmentedRecognition, EndsAnUtteranceWhereSpeechEndsAndKeepsItsWords) {
  ScriptedDecoder decoder({{false, ""},
                           {true, "go"},
                           {true, "go forward"},
                           {false, "go forward ten"},  // speech ended: the final hypothesis
                           {false, ""},
                           {true, "meters"},
                           {true, "meters now"}});
  SegmentedRecognition recognition(decoder);
  ASSERT_TRUE(recognition.start());
  const std::vector<std::int16_t> buffer(320);
  std::vector<std::string> texts;
  for (int i = 0; i < 7; ++i) {
    ASSERT_TRUE(recognition.process(buffer));
    texts.push_back(recognition.text());
  }
  ASSERT_TRUE(recognition.finish());

  EXPECT_THAT(texts, ElementsAre("", "go", "go forward", "go forward ten", "go forward ten",
                                 "go forward ten meters", "go forward ten meters now"));
  EXPECT_EQ(recognition.text(), "go forward ten meters now");
  EXPECT_THAT(decoder.calls, ElementsAre("start", "end", "start", "end"));
  EXPECT_EQ(decoder.samplesDecoded, 7 * buffer.size()) << "every sample reaches the decoder";
}

TEST(SegmentedRecognition, SilenceOnlyIsOneEmptyUtterance) {
  ScriptedDecoder decoder({{false, ""}, {false, ""}, {false, ""}});
  SegmentedRecognition recognition(decoder);
  ASSERT_TRUE(recognition.start());
  const std::vector<std::int16_t> buffer(320);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(recognition.process(buffer));
  ASSERT_TRUE(recognition.finish());
  EXPECT_EQ(recognition.text(), "");
  EXPECT_THAT(decoder.calls, ElementsAre("start", "end"));
}

// Speech running into the end of the audio is ended by finish(), not lost.
TEST(SegmentedRecognition, SpeechRunningIntoTheEndIsIncluded) {
  ScriptedDecoder decoder({{true, "go"}, {false, "go"}, {true, "turn"}, {true, "turn left"}});
  SegmentedRecognition recognition(decoder);
  ASSERT_TRUE(recognition.start());
  const std::vector<std::int16_t> buffer(320);
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(recognition.process(buffer));
  ASSERT_TRUE(recognition.finish());
  EXPECT_EQ(recognition.text(), "go turn left");
}

}  // namespace
}  // namespace dictation_agent
