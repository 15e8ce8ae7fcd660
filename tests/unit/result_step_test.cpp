#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "dictation_fixture.h"

namespace dictation_agent::fakes {
namespace {

using nlohmann::json;
using ::testing::ElementsAre;

const json kRecognitionFailed = errorEvent("recognition_failed");

struct ResultRow {
  const char* name;
  std::optional<RecognitionResult> result;
  bool error;
  std::vector<json> written;  // after the transcript of the earlier partial
  bool ends;
};

const ResultRow kRows[] = {
    {"FinalResult",
     RecognitionResult{"done", true},
     false,
     {transcriptEvent("done"), finalEvent("done", false)},
     true},
    // A final result wins over an error that comes with it.
    {"FinalResultWithError",
     RecognitionResult{"done", true},
     true,
     {transcriptEvent("done"), finalEvent("done", false)},
     true},
    {"PartialResultWithError",
     RecognitionResult{"part", false},
     true,
     {transcriptEvent("part"), kRecognitionFailed},
     true},
    {"PartialResult", RecognitionResult{"part", false}, false, {transcriptEvent("part")}, false},
    {"ErrorAlone", std::nullopt, true, {kRecognitionFailed}, true},
    {"Neither", std::nullopt, false, {}, false},
};

void PrintTo(const ResultRow& row, std::ostream* out) {
  *out << row.name;
}

class ResultStep : public DictationTest, public ::testing::WithParamInterface<ResultRow> {};

TEST_P(ResultStep, WritesAndEndsAsItsRowSays) {
  const ResultRow& row = GetParam();
  listen();
  deliverPartial("earlier");
  queue.runUntilIdle();
  const std::size_t before = events.events().size();

  platform.deliverResult(row.result, row.error ? std::optional(RecognitionError{}) : std::nullopt);
  queue.runUntilIdle();

  const std::vector<json> all = jsonEvents();
  EXPECT_EQ(std::vector(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()), row.written);
  EXPECT_EQ(platform.exitStatus().has_value(), row.ends);
  EXPECT_EQ(dictation->text, row.result ? row.result->formattedString : "earlier");
}

INSTANTIATE_TEST_SUITE_P(Rows, ResultStep, ::testing::ValuesIn(kRows), CaseName());

class ResultStepTest : public DictationTest {};

TEST_F(ResultStepTest, EveryResultIsWrittenInDeliveryOrderEvenWhenRepeated) {
  listen();
  for (const char* text : {"a", "ab", "ab", "abc"}) deliverPartial(text);
  queue.runUntilIdle();

  const std::vector<json> all = jsonEvents();
  EXPECT_THAT(std::vector(all.end() - 4, all.end()),
              ElementsAre(transcriptEvent("a"), transcriptEvent("ab"), transcriptEvent("ab"),
                          transcriptEvent("abc")));
}

TEST_F(ResultStepTest, AnEmptyTranscriptIsStoredAndWritten) {
  listen();
  deliverPartial("something");
  deliverPartial("");
  queue.runUntilIdle();
  EXPECT_EQ(lastEvent(), transcriptEvent(""));
  EXPECT_EQ(dictation->text, "");
}

TEST_F(ResultStepTest, TheTranscriptIsCappedInTextAndOnTheWire) {
  listen();
  std::string spoken;
  for (int i = 0; i < 16001; ++i) spoken += "说";
  deliverFinal(spoken);
  queue.runUntilIdle();

  const std::string capped = spoken.substr(0, 16000 * std::string("说").size());
  EXPECT_EQ(dictation->text, capped);
  const std::vector<json> all = jsonEvents();
  EXPECT_THAT(std::vector(all.end() - 2, all.end()),
              ElementsAre(transcriptEvent(capped), finalEvent(capped, false)));
}

TEST_F(ResultStepTest, OnceEndedAStepWritesNothingAndKeepsTheText) {
  listen();
  deliverPartial("kept");
  queue.runUntilIdle();
  dictation->ended = true;  // finish has begun
  const std::size_t before = events.events().size();

  deliverFinal("ignored");
  platform.deliverResult(std::nullopt, RecognitionError{});
  queue.runUntilIdle();

  EXPECT_EQ(events.events().size(), before);
  EXPECT_EQ(dictation->text, "kept");
  EXPECT_FALSE(platform.exitStatus());
}

}  // namespace
}  // namespace dictation_agent::fakes
