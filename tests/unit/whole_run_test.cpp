#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dictation_fixture.h"

namespace dictation_agent::fakes {
namespace {

using nlohmann::json;
using ::testing::ElementsAreArray;

class WholeRunTest : public DictationTest {};

// Start-up to exit: permissions asked and granted, audio captured, results, a stop from the host
// and the recogniser's final result within the grace period.
TEST_F(WholeRunTest, FromAuthorizationToTheFinalLine) {
  authorize();
  platform.script.speechStatus = 3;
  platform.answerSpeech(3);
  queue.runUntilIdle();
  platform.script.microphoneStatus = 3;
  platform.answerMicrophone(true);
  queue.runUntilIdle();

  queue.advanceBy(1.0);
  platform.pushAudioBuffer();
  deliverPartial("你好");
  queue.advanceBy(1.0);
  platform.pushAudioBuffer();
  deliverPartial("你好，世界");
  queue.advanceBy(1.0);
  hostWrites("\n");
  queue.advanceBy(0.25);
  deliverFinal("你好，世界。");
  queue.advanceBy(10.0);

  const json notDetermined = {{"speech", "not-determined"}, {"microphone", "not-determined"}};
  const json speechGranted = {{"speech", "granted"}, {"microphone", "not-determined"}};
  const json bothGranted = {{"speech", "granted"}, {"microphone", "granted"}};
  EXPECT_EQ(jsonEvents(), (std::vector<json>{
                              {{"type", "permissions"}, {"permissions", notDetermined}},
                              {{"type", "authorizing"}},
                              {{"type", "permissions"}, {"permissions", speechGranted}},
                              {{"type", "permissions"}, {"permissions", bothGranted}},
                              {{"type", "listening"}},
                              transcriptEvent("你好"),
                              transcriptEvent("你好，世界"),
                              transcriptEvent("你好，世界。"),
                              finalEvent("你好，世界。", false),
                          }));

  const std::vector<std::string> snapshot = {"speech.authorizationStatus",
                                             "microphone.authorizationStatus", "emit(permissions)"};
  std::vector<std::string> expected = {"recognizer.init(zh-CN)", "engine.init",
                                       "recognizer.supportsOnDeviceRecognition"};
  auto add = [&expected](const std::vector<std::string>& calls) {
    expected.insert(expected.end(), calls.begin(), calls.end());
  };
  add(snapshot);
  add({"emit(authorizing)", "speech.requestAuthorization"});
  add(snapshot);
  add({"microphone.requestAccess"});
  add(snapshot);
  add({"recognizer.supportsOnDeviceRecognition", "recognizer.isAvailable", "request.init",
       "request.setRequiresOnDeviceRecognition(true)",
       "request.setShouldReportPartialResults(true)", "engine.inputNode",
       "inputNode.outputFormatForBus(0)", "format.sampleRate", "format.channelCount",
       "inputNode.installTapOnBus(0,1024)", "recognizer.recognitionTask", "engine.prepare",
       "engine.start", "emit(listening)"});
  add({"request.appendAudioPCMBuffer", "emit(transcript)"});
  add({"request.appendAudioPCMBuffer", "emit(transcript)"});
  add({"engine.stop", "engine.inputNode", "inputNode.removeTapOnBus(0)", "request.endAudio"});
  add({"emit(transcript)", "engine.stop", "request.endAudio", "task.cancel", "emit(final)",
       "exit(0)"});
  EXPECT_THAT(platform.calls(), ElementsAreArray(expected));

  EXPECT_EQ(platform.exitStatus(), 0);
  EXPECT_EQ(platform.exitTime(), 3.25);
}

}  // namespace
}  // namespace dictation_agent::fakes
