#include "main/status_probe.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "fakes/event_recorder.h"
#include "fakes/fake_platform.h"

namespace dictation_agent::fakes {
namespace {

using nlohmann::json;
using ::testing::ElementsAre;

struct ProbeCase {
  const char* name;
  bool hasRecognizer;
  bool supportsOnDevice;
  bool isAvailable;
  bool reportedAvailable;
};

// Only on-device support decides "available": not availability, not the permissions.
const ProbeCase kProbes[] = {
    {"no recogniser", false, true, true, false},
    {"no on-device support", true, false, true, false},
    {"on-device support", true, true, true, true},
    {"on-device support, busy right now", true, true, false, true},
};

TEST(StatusProbe, WritesOneStatusLineAndExitsWithoutAskingForAnything) {
  for (const ProbeCase& probe : kProbes) {
    SCOPED_TRACE(probe.name);
    FakePlatform platform;
    EventRecorder events(platform);
    platform.script.hasRecognizer = probe.hasRecognizer;
    platform.script.supportsOnDeviceRecognition = probe.supportsOnDevice;
    platform.script.isAvailable = probe.isAvailable;
    platform.script.speechStatus = 2;
    platform.script.microphoneStatus = 2;
    const std::shared_ptr<SpeechRecognizer> recognizer =
        platform.makeSpeechRecognizer(Locale{"en-US"});
    const std::size_t mark = platform.callCount();

    runStatusProbe(recognizer.get(), platform, events);

    ASSERT_EQ(events.jsonLines().size(), 1u);
    const json status = json::parse(events.jsonLines().front());
    EXPECT_EQ(status,
              (json{{"type", "status"},
                    {"available", probe.reportedAvailable},
                    {"permissions", {{"speech", "restricted"}, {"microphone", "denied"}}}}));
    EXPECT_TRUE(status["available"].is_boolean());

    std::vector<std::string> expected;
    if (probe.hasRecognizer) expected.push_back("recognizer.supportsOnDeviceRecognition");
    expected.insert(expected.end(), {"speech.authorizationStatus", "microphone.authorizationStatus",
                                     "emit(status)", "exit(0)"});
    EXPECT_EQ(platform.callsSince(mark), expected);
    EXPECT_THAT(platform.offMainThreadCalls(), ::testing::IsEmpty());
  }
}

}  // namespace
}  // namespace dictation_agent::fakes
