#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dictation_fixture.h"

namespace dictation_agent::fakes {
namespace {

using ::testing::ElementsAreArray;

enum class Phase { kWaiting, kCapturing, kStopped };

struct PhaseCase {
  const char* name;
  Phase phase;
  std::string text;                   // held when finish runs
  std::vector<std::string> shutdown;  // the platform calls finish makes before its event
};

const PhaseCase kPhases[] = {
    // Authorization under way: no tap, no request, no task; only the engine is told to stop.
    {"waiting", Phase::kWaiting, "", {"engine.stop"}},
    {"capturing",
     Phase::kCapturing,
     "hello",
     {"engine.stop", "engine.inputNode", "inputNode.removeTapOnBus(0)", "request.endAudio",
      "task.cancel"}},
    // stop already removed the tap; the request hears endAudio again.
    {"stopped", Phase::kStopped, "hello", {"engine.stop", "request.endAudio", "task.cancel"}},
};

void PrintTo(const PhaseCase& row, std::ostream* out) {
  *out << row.name;
}

class FinishInEachPhase : public DictationTest, public ::testing::WithParamInterface<PhaseCase> {
 protected:
  void enter(Phase phase) {
    if (phase == Phase::kWaiting) {
      authorize();
      return;
    }
    listen();
    deliverPartial("hello");
    queue.runUntilIdle();
    if (phase == Phase::kStopped) dictation->stop();
  }
};

TEST_P(FinishInEachPhase, ShutsDownInOrderThenWritesTheLastEventAndExits) {
  const PhaseCase& phase = GetParam();
  enter(phase.phase);
  const std::size_t mark = platform.callCount();

  dictation->finish(std::nullopt);

  std::vector<std::string> expected = phase.shutdown;
  expected.insert(expected.end(), {"emit(final)", "exit(0)"});
  EXPECT_THAT(platform.callsSince(mark), ElementsAreArray(expected));
  EXPECT_EQ(lastEvent(), finalEvent(phase.text, false));
  EXPECT_EQ(platform.exitStatus(), 0);
  EXPECT_TRUE(dictation->ended);
  EXPECT_FALSE(dictation->tapping);
  EXPECT_FALSE(platform.tapInstalled());
}

INSTANTIATE_TEST_SUITE_P(Phases, FinishInEachPhase, ::testing::ValuesIn(kPhases), CaseName());

class FinishTest : public DictationTest {};

TEST_F(FinishTest, ACancelledFinalCarriesEmptyTextWhateverTheTranscript) {
  listen();
  deliverPartial("hello");
  queue.runUntilIdle();
  dictation->finish(std::nullopt, /*cancelled=*/true);
  EXPECT_EQ(lastEvent(), finalEvent("", true));
  EXPECT_EQ(dictation->text, "hello") << "only the event leaves the text out";
}

TEST_F(FinishTest, AnErrorCodeWritesJustTypeAndCodeEvenWhenCancelled) {
  listen();
  deliverPartial("hello");
  queue.runUntilIdle();
  dictation->finish(error_code::kRecognitionFailed, /*cancelled=*/true);
  EXPECT_EQ(lastEvent(), errorEvent("recognition_failed"));
  EXPECT_EQ(platform.exitStatus(), 0);
}

TEST_F(FinishTest, RunsOnceLaterCallsDoNothingAtAll) {
  listen();
  dictation->finish(error_code::kRecognitionFailed);
  const std::size_t mark = platform.callCount();
  const std::size_t written = events.events().size();

  dictation->finish(std::nullopt, /*cancelled=*/true);
  dictation->finish(error_code::kMicrophoneUnavailable);

  EXPECT_THAT(platform.callsSince(mark), ::testing::IsEmpty());
  EXPECT_EQ(events.events().size(), written);
  EXPECT_EQ(platform.exitCount(), 1);
}

}  // namespace
}  // namespace dictation_agent::fakes
