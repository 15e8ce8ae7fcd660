#include "platform/apple/result_delivery.h"

#include <gtest/gtest.h>

#include <vector>

namespace dictation_agent {
namespace {

struct Call {
  std::optional<RecognitionResult> result;
  bool error;
};

class ResultDeliveryTest : public ::testing::Test {
 protected:
  ResultDelivery delivery{
      " ", [this](std::optional<RecognitionResult> result, std::optional<RecognitionError> error) {
        calls.push_back({std::move(result), error.has_value()});
      }};
  std::vector<Call> calls;
};

TranscriptionReading reading(std::string text, double start, double duration,
                             bool isFinal = false) {
  return TranscriptionReading{std::move(text), {{start, duration}}, false, isFinal};
}

TEST_F(ResultDeliveryTest, HandsOnEveryCallWithTheWholeDictationsText) {
  delivery.deliver(reading("can you", 0.9, 1.1), RecognitionFailure::kNone);
  delivery.deliver(reading("hear", 4.4, 0.4), RecognitionFailure::kNone);
  delivery.deliver(std::nullopt, RecognitionFailure::kNone);
  delivery.deliver(reading("hear this", 4.4, 1.0),
                   RecognitionFailure::kOther);  // a partial result with an error

  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].result->formattedString, "can you");
  EXPECT_EQ(calls[1].result->formattedString, "can you hear");
  EXPECT_FALSE(calls[1].result->isFinal);
  EXPECT_FALSE(calls[2].result.has_value());
  EXPECT_FALSE(calls[2].error);
  EXPECT_EQ(calls[3].result->formattedString, "can you hear this");
  EXPECT_TRUE(calls[3].error);
}

TEST_F(ResultDeliveryTest, ClosesAnOpenDictationOnceWithTheTranscriptSoFar) {
  delivery.deliver(reading("can you", 0.9, 1.1), RecognitionFailure::kNone);
  delivery.deliver(reading("hear", 4.4, 0.4), RecognitionFailure::kNone);

  delivery.finishIfStillOpen();
  delivery.finishIfStillOpen();

  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[2].result->formattedString, "can you hear");
  EXPECT_TRUE(calls[2].result->isFinal);
  EXPECT_FALSE(calls[2].error);
}

TEST_F(ResultDeliveryTest, KeepsTheWordsBeforeAnEmptyResultForTheEnd) {
  delivery.deliver(reading("can you", 0.9, 1.1), RecognitionFailure::kNone);
  delivery.deliver(reading("", 0.0, 0.0), RecognitionFailure::kNone);
  delivery.finishIfStillOpen();

  ResultDelivery endedByFinal(
      " ", [&](std::optional<RecognitionResult> result, std::optional<RecognitionError>) {
        calls.push_back({std::move(result), false});
      });
  endedByFinal.deliver(reading("can you", 0.9, 1.1), RecognitionFailure::kNone);
  endedByFinal.deliver(reading("", 0.0, 0.0, true), RecognitionFailure::kNone);

  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[1].result->formattedString, "can you");
  EXPECT_EQ(calls[2].result->formattedString, "can you");
  EXPECT_TRUE(calls[2].result->isFinal);
  EXPECT_EQ(calls[4].result->formattedString, "can you");
  EXPECT_TRUE(calls[4].result->isFinal);
}

TEST_F(ResultDeliveryTest, EndsWithTheWholeTextOnNoSpeechOnceTheAudioHasEnded) {
  delivery.deliver(reading("can you", 0.9, 1.1), RecognitionFailure::kNone);
  delivery.deliver(reading("hear", 4.4, 0.4), RecognitionFailure::kNone);
  delivery.audioEnded();
  delivery.deliver(std::nullopt, RecognitionFailure::kNoSpeech);
  delivery.finishIfStillOpen();  // closed already

  ASSERT_EQ(calls.size(), 3u);
  ASSERT_TRUE(calls[2].result.has_value());
  EXPECT_EQ(calls[2].result->formattedString, "can you hear");
  EXPECT_TRUE(calls[2].result->isFinal);
  EXPECT_FALSE(calls[2].error);
}

TEST_F(ResultDeliveryTest, EndsSilenceWithAnEmptyFinalResultOnNoSpeech) {
  delivery.audioEnded();
  delivery.deliver(std::nullopt, RecognitionFailure::kNoSpeech);

  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].result->formattedString, "");
  EXPECT_TRUE(calls[0].result->isFinal);
  EXPECT_FALSE(calls[0].error);
}

TEST_F(ResultDeliveryTest, FailsOnNoSpeechWhileAudioComesAndOnAnyOtherError) {
  const struct {
    const char* name;
    bool audioEnded;
    RecognitionFailure failure;
  } cases[] = {
      {"no speech while audio still comes", false, RecognitionFailure::kNoSpeech},
      {"another error after the audio ended", true, RecognitionFailure::kOther},
  };
  for (const auto& c : cases) {
    calls.clear();
    ResultDelivery failing(
        " ", [&](std::optional<RecognitionResult> result, std::optional<RecognitionError> error) {
          calls.push_back({std::move(result), error.has_value()});
        });
    failing.deliver(reading("can you", 0.9, 1.1), RecognitionFailure::kNone);
    if (c.audioEnded) failing.audioEnded();
    failing.deliver(std::nullopt, c.failure);
    ASSERT_EQ(calls.size(), 2u) << c.name;
    EXPECT_FALSE(calls[1].result.has_value()) << c.name;
    EXPECT_TRUE(calls[1].error) << c.name;
  }
}

TEST_F(ResultDeliveryTest, LeavesADictationThatHasEndedAlone) {
  const struct {
    const char* name;
    std::optional<TranscriptionReading> last;
    bool error;
  } endings[] = {
      {"a final result", reading("can you", 0.9, 1.1, true), false},
      {"an error alone", std::nullopt, true},
      {"a partial result with an error", reading("can you", 0.9, 1.1), true},
  };
  for (const auto& ending : endings) {
    ResultDelivery ended(" ", [&](std::optional<RecognitionResult>,
                                  std::optional<RecognitionError>) { calls.push_back({}); });
    calls.clear();
    ended.deliver(ending.last,
                  ending.error ? RecognitionFailure::kOther : RecognitionFailure::kNone);
    ended.finishIfStillOpen();
    EXPECT_EQ(calls.size(), 1u) << ending.name;
  }
}

}  // namespace
}  // namespace dictation_agent
