#include "events/permissions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "fakes/fake_platform.h"

namespace dictation_agent {
namespace {

using fakes::FakePlatform;
using ::testing::ElementsAre;

struct StatusNames {
  std::int64_t raw;
  const char* speech;
  const char* microphone;
};

// Speech and microphone order "denied" and "restricted" the other way round.
const StatusNames kStatusNames[] = {
    {0, "not-determined", "not-determined"},
    {1, "denied", "restricted"},
    {2, "restricted", "denied"},
    {3, "granted", "granted"},
    {4, "unknown", "unknown"},
    {-1, "unknown", "unknown"},
    // Compared whole: a value that would read 3 or 1 if cut to 32 bits is still unknown.
    {(std::int64_t{1} << 32) + 3, "unknown", "unknown"},
    {(std::int64_t{1} << 32) + 1, "unknown", "unknown"},
    {std::numeric_limits<std::int64_t>::min(), "unknown", "unknown"},
    {std::numeric_limits<std::int64_t>::max(), "unknown", "unknown"},
};

TEST(PermissionNames, EachServiceHasItsOwnTable) {
  for (const StatusNames& names : kStatusNames) {
    SCOPED_TRACE(names.raw);
    EXPECT_EQ(speechStatusName(names.raw), names.speech);
    EXPECT_EQ(microphoneStatusName(names.raw), names.microphone);
  }
}

TEST(PermissionSnapshot, AsksThePlatformAfreshEachTimeSpeechFirst) {
  FakePlatform platform;
  platform.script.speechStatus = 0;
  platform.script.microphoneStatus = 0;
  const PermissionSnapshot before =
      permissions(platform.speechAuthorization(), platform.microphoneAuthorization());

  platform.script.speechStatus = 3;
  platform.script.microphoneStatus = 2;
  const PermissionSnapshot after =
      permissions(platform.speechAuthorization(), platform.microphoneAuthorization());

  EXPECT_EQ(before,
            (PermissionSnapshot{{"speech", "not-determined"}, {"microphone", "not-determined"}}));
  EXPECT_EQ(after, (PermissionSnapshot{{"speech", "granted"}, {"microphone", "denied"}}));
  EXPECT_THAT(platform.calls(),
              ElementsAre("speech.authorizationStatus", "microphone.authorizationStatus",
                          "speech.authorizationStatus", "microphone.authorizationStatus"));
}

TEST(PermissionSnapshot, KeepsBothKeysWhenNeitherStatusIsKnown) {
  FakePlatform platform;
  platform.script.speechStatus = 7;
  platform.script.microphoneStatus = -5;
  EXPECT_EQ(permissions(platform.speechAuthorization(), platform.microphoneAuthorization()),
            (PermissionSnapshot{{"speech", "unknown"}, {"microphone", "unknown"}}));
}

}  // namespace
}  // namespace dictation_agent
