#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "dictation_fixture.h"

namespace dictation_agent::fakes {
namespace {

using nlohmann::json;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::Optional;

// The calls of a start that gets as far as each point, in order.
const std::vector<std::string> kUpToTheFormat = {
    "recognizer.supportsOnDeviceRecognition",
    "recognizer.isAvailable",
    "request.init",
    "request.setRequiresOnDeviceRecognition(true)",
    "request.setShouldReportPartialResults(true)",
    "engine.inputNode",
    "inputNode.outputFormatForBus(0)",
    "format.sampleRate",
};
const std::vector<std::string> kFormatChecked = {
    "format.channelCount", "inputNode.installTapOnBus(0,1024)", "recognizer.recognitionTask",
    "engine.prepare", "engine.start"};

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class StartTest : public DictationTest {
 protected:
  // start as the microphone answer task calls it, once both permissions are granted.
  std::vector<std::string> startAndRecord() {
    create();
    const std::size_t mark = platform.callCount();
    dictation->start();
    return platform.callsSince(mark);
  }
};

TEST_F(StartTest, BuildsTheRequestTapAndTaskStartsTheEngineAndListens) {
  const std::vector<std::string> calls = startAndRecord();

  EXPECT_THAT(calls, ElementsAreArray(join({kUpToTheFormat, kFormatChecked, {"emit(listening)"}})));
  EXPECT_EQ(jsonEvents(), (std::vector{json{{"type", "listening"}}}));
  EXPECT_TRUE(dictation->tapping);
  ASSERT_TRUE(dictation->request);
  EXPECT_TRUE(dictation->task);
  EXPECT_EQ(platform.recognitionTaskRequest(), dictation->request);
  EXPECT_TRUE(platform.tapUsesReportedFormat()) << "the tap gets the very format that was tested";
  EXPECT_THAT(queue.nextPendingDelay(), Optional(60.0)) << "the listening cap is armed";
  EXPECT_FALSE(platform.exitStatus());
}

struct FailureCase {
  const char* name;
  std::function<void(PlatformScript&)> arrange;
  std::string_view code;
  std::vector<std::string> calls;  // everything start asks of the platform
};

const FailureCase kFailures[] = {
    {"NoOnDeviceSupport",
     [](PlatformScript& script) { script.supportsOnDeviceRecognition = false; },
     error_code::kOnDeviceUnavailable,
     {"recognizer.supportsOnDeviceRecognition", "engine.stop", "emit(error)", "exit(0)"}},
    // Support is tested before availability.
    {"NeitherSupportNorAvailability",
     [](PlatformScript& script) {
       script.supportsOnDeviceRecognition = false;
       script.isAvailable = false;
     },
     error_code::kOnDeviceUnavailable,
     {"recognizer.supportsOnDeviceRecognition", "engine.stop", "emit(error)", "exit(0)"}},
    {"RecognizerBusy",
     [](PlatformScript& script) { script.isAvailable = false; },
     error_code::kRecognizerUnavailable,
     {"recognizer.supportsOnDeviceRecognition", "recognizer.isAvailable", "engine.stop",
      "emit(error)", "exit(0)"}},
    // An unusable format: no tap and no task; the request already exists and hears endAudio.
    {"ZeroSampleRate", [](PlatformScript& script) { script.sampleRate = 0.0; },
     error_code::kMicrophoneUnavailable,
     join({kUpToTheFormat, {"engine.stop", "request.endAudio", "emit(error)", "exit(0)"}})},
    {"NegativeSampleRate", [](PlatformScript& script) { script.sampleRate = -44100.0; },
     error_code::kMicrophoneUnavailable,
     join({kUpToTheFormat, {"engine.stop", "request.endAudio", "emit(error)", "exit(0)"}})},
    {"NaNSampleRate",
     [](PlatformScript& script) { script.sampleRate = std::numeric_limits<double>::quiet_NaN(); },
     error_code::kMicrophoneUnavailable,
     join({kUpToTheFormat, {"engine.stop", "request.endAudio", "emit(error)", "exit(0)"}})},
    {"NoChannels", [](PlatformScript& script) { script.channelCount = 0; },
     error_code::kMicrophoneUnavailable,
     join({kUpToTheFormat,
           {"format.channelCount", "engine.stop", "request.endAudio", "emit(error)", "exit(0)"}})},
    // The platform refusing the tap ends the run too, instead of listening to nothing.
    {"TapRefused", [](PlatformScript& script) { script.tapInstalls = false; },
     error_code::kMicrophoneUnavailable,
     join({kUpToTheFormat,
           {"format.channelCount", "inputNode.installTapOnBus(0,1024)", "engine.stop",
            "request.endAudio", "emit(error)", "exit(0)"}})},
    // The tap and the task exist by now: finish removes the one and cancels the other.
    {"EngineFailsToStart", [](PlatformScript& script) { script.engineStarts = false; },
     error_code::kMicrophoneUnavailable,
     join({kUpToTheFormat,
           kFormatChecked,
           {"engine.stop", "engine.inputNode", "inputNode.removeTapOnBus(0)", "request.endAudio",
            "task.cancel", "emit(error)", "exit(0)"}})},
};

void PrintTo(const FailureCase& row, std::ostream* out) {
  *out << row.name;
}

class StartFailure : public StartTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(StartFailure, EndsWithItsErrorCodeAndArmsNoCap) {
  GetParam().arrange(platform.script);
  EXPECT_THAT(startAndRecord(), ElementsAreArray(GetParam().calls));
  EXPECT_EQ(jsonEvents(), std::vector{errorEvent(GetParam().code)});
  EXPECT_EQ(platform.exitStatus(), 0);
  EXPECT_EQ(queue.pendingCount(), 0u);
  EXPECT_FALSE(platform.tapInstalled());
}

INSTANTIATE_TEST_SUITE_P(Failures, StartFailure, ::testing::ValuesIn(kFailures), CaseName());

TEST_F(StartTest, WithoutARecognizerItEndsWithOnDeviceUnavailable) {
  platform.script.hasRecognizer = false;
  EXPECT_THAT(startAndRecord(), ElementsAre("engine.stop", "emit(error)", "exit(0)"));
  EXPECT_EQ(lastEvent(), errorEvent("on_device_unavailable"));
}

TEST_F(StartTest, TheTapBlockOnlyHandsEachBufferToTheRequest) {
  startAndRecord();
  const std::size_t mark = platform.callCount();
  const std::size_t pending = queue.pendingCount();

  const auto first = platform.pushAudioBuffer();
  const auto second = platform.pushAudioBuffer();

  // The very buffers, not copies, appended on the audio thread; nothing posted, nothing written.
  EXPECT_THAT(platform.appendedBuffers(), ElementsAre(first, second));
  EXPECT_TRUE(platform.allAppendsOffMainThread());
  EXPECT_THAT(platform.callsSince(mark),
              ElementsAre("request.appendAudioPCMBuffer", "request.appendAudioPCMBuffer"));
  EXPECT_EQ(queue.pendingCount(), pending);
}

TEST_F(StartTest, StopTakesTheTapOffSoNoMoreAudioFlows) {
  startAndRecord();
  dictation->stop();
  EXPECT_FALSE(platform.tapInstalled());
}

}  // namespace
}  // namespace dictation_agent::fakes
