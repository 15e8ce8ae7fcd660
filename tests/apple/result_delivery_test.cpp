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
  delivery.deliver(reading("can you", 0.9, 1.1), false);
  delivery.deliver(reading("hear", 4.4, 0.4), false);
  delivery.deliver(std::nullopt, false);
  delivery.deliver(reading("hear this", 4.4, 1.0), true);  // a partial result with an error

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
  delivery.deliver(reading("can you", 0.9, 1.1), false);
  delivery.deliver(reading("hear", 4.4, 0.4), false);

  delivery.finishIfStillOpen();
  delivery.finishIfStillOpen();

  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[2].result->formattedString, "can you hear");
  EXPECT_TRUE(calls[2].result->isFinal);
  EXPECT_FALSE(calls[2].error);
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
    ended.deliver(ending.last, ending.error);
    ended.finishIfStillOpen();
    EXPECT_EQ(calls.size(), 1u) << ending.name;
  }
}

}  // namespace
}  // namespace dictation_agent
