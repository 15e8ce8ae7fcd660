#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>

#include "dictation_fixture.h"

namespace dictation_agent::fakes {
namespace {

using nlohmann::json;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

class AuthorizeTest : public DictationTest {
 protected:
  static json permissionsEvent(const char* speech, const char* microphone) {
    return {{"type", "permissions"},
            {"permissions", {{"speech", speech}, {"microphone", microphone}}}};
  }
};

struct OnDeviceCase {
  const char* name;
  bool hasRecognizer;
  std::vector<std::string> calls;  // everything authorize asks of the platform
};

const OnDeviceCase kOnDeviceCases[] = {
    {"NoRecognizer", false, {"engine.stop", "emit(error)", "exit(0)"}},
    {"NoOnDeviceSupport",
     true,
     {"recognizer.supportsOnDeviceRecognition", "engine.stop", "emit(error)", "exit(0)"}},
};

void PrintTo(const OnDeviceCase& row, std::ostream* out) {
  *out << row.name;
}

class WithoutOnDeviceRecognition : public AuthorizeTest,
                                   public ::testing::WithParamInterface<OnDeviceCase> {};

TEST_P(WithoutOnDeviceRecognition, TheErrorIsTheOnlyLineAndNothingIsRequested) {
  platform.script.hasRecognizer = GetParam().hasRecognizer;
  platform.script.supportsOnDeviceRecognition = false;
  create();
  const std::size_t mark = platform.callCount();

  dictation->authorize();

  EXPECT_EQ(platform.callsSince(mark), GetParam().calls);
  EXPECT_EQ(jsonEvents(), std::vector{errorEvent("on_device_unavailable")});
  EXPECT_EQ(platform.exitStatus(), 0);
}

INSTANTIATE_TEST_SUITE_P(Recognizers, WithoutOnDeviceRecognition,
                         ::testing::ValuesIn(kOnDeviceCases), CaseName());

TEST_F(AuthorizeTest, ReportsPermissionsThenAsksForSpeechEvenWhenAlreadyGranted) {
  platform.script.speechStatus = 3;
  authorize();

  EXPECT_EQ(jsonEvents(), (std::vector{permissionsEvent("granted", "not-determined"),
                                       json{{"type", "authorizing"}}}));
  EXPECT_TRUE(platform.speechRequestPending());
  queue.advanceBy(600.0);
  EXPECT_EQ(events.events().size(), 2u) << "nothing happens until the answer comes";
  EXPECT_FALSE(platform.exitStatus());
}

class SpeechAnswer : public AuthorizeTest, public ::testing::WithParamInterface<std::int64_t> {};

TEST_P(SpeechAnswer, AnythingButAuthorizedIsSpeechDeniedWithoutAskingForTheMicrophone) {
  authorize();
  platform.answerSpeech(GetParam());
  queue.runUntilIdle();

  EXPECT_THAT(events.types(), ElementsAre("permissions", "authorizing", "permissions", "error"));
  EXPECT_EQ(lastEvent(), errorEvent("speech_denied"));
  EXPECT_THAT(platform.calls(), Not(Contains("microphone.requestAccess")));
  EXPECT_EQ(platform.exitStatus(), 0);
}

INSTANTIATE_TEST_SUITE_P(Statuses, SpeechAnswer, ::testing::Values(0, 1, 2, 4, -1));

TEST_F(AuthorizeTest, MicrophoneRefusedIsMicrophoneDeniedAfterThreePermissionEvents) {
  authorize();
  platform.script.speechStatus = 3;
  platform.answerSpeech(3);
  queue.runUntilIdle();
  platform.script.microphoneStatus = 2;
  platform.answerMicrophone(false);
  queue.runUntilIdle();

  EXPECT_EQ(
      jsonEvents(),
      (std::vector{permissionsEvent("not-determined", "not-determined"),
                   json{{"type", "authorizing"}}, permissionsEvent("granted", "not-determined"),
                   permissionsEvent("granted", "denied"), errorEvent("microphone_denied")}));
  EXPECT_THAT(platform.calls(), Not(Contains("request.init")));
}

TEST_F(AuthorizeTest, TheDeliveredAnswerDecidesNotTheSnapshot) {
  authorize();
  platform.script.speechStatus = 1;  // the platform now reads "denied"...
  platform.answerSpeech(3);          // ...but the handler was told "authorized"
  queue.runUntilIdle();

  EXPECT_EQ(lastEvent(), permissionsEvent("denied", "not-determined"));
  EXPECT_TRUE(platform.microphoneRequestPending());

  platform.script.microphoneStatus = 3;
  platform.answerMicrophone(false);
  queue.runUntilIdle();
  EXPECT_EQ(lastEvent(), errorEvent("microphone_denied"));
}

TEST_F(AuthorizeTest, AStopBeforeTheSpeechAnswerKeepsCaptureFromStarting) {
  authorize();
  queue.advanceBy(3.0);
  hostWrites("\n");
  platform.answerSpeech(3);  // its task is queued behind the stop
  queue.runUntilIdle();

  EXPECT_THAT(events.types(), ElementsAre("permissions", "authorizing"));
  EXPECT_FALSE(platform.microphoneRequestPending());

  queue.advanceBy(10.0);
  EXPECT_EQ(lastEvent(), finalEvent("", false));
  EXPECT_EQ(platform.exitTime(), 5.0);
  EXPECT_THAT(platform.calls(), Not(Contains("request.init")));
}

TEST_F(AuthorizeTest, AStopBetweenTheAnswersKeepsCaptureFromStarting) {
  authorize();
  platform.answerSpeech(3);
  queue.runUntilIdle();
  queue.advanceBy(1.0);
  hostWrites("\n");
  queue.runUntilIdle();
  queue.advanceBy(0.5);
  platform.answerMicrophone(true);
  queue.runUntilIdle();

  EXPECT_THAT(events.types(), ElementsAre("permissions", "authorizing", "permissions"));
  EXPECT_THAT(platform.calls(), Not(Contains("request.init")));
  EXPECT_THAT(platform.calls(), Not(Contains("engine.start")));

  queue.advanceBy(10.0);
  EXPECT_EQ(lastEvent(), finalEvent("", false));
  EXPECT_EQ(platform.exitTime(), 3.0);
}

}  // namespace
}  // namespace dictation_agent::fakes
