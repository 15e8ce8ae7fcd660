#include "platform/apple/capture_restart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dictation_agent {
namespace {

// Records the platform steps in order; each can be made to fail.
class RecordingSteps final : public RestartSteps {
 public:
  FormatReading format{48000.0, 1};
  bool tapTaken = true;
  bool engineStarts = true;
  std::vector<std::string> calls;

  FormatReading currentInputFormat() override {
    calls.push_back("format");
    return format;
  }
  bool reinstallTap() override {
    calls.push_back("tap");
    return tapTaken;
  }
  bool startEngine() override {
    calls.push_back("start");
    return engineStarts;
  }
  void stopEngine() override { calls.push_back("stop"); }
};

using Calls = std::vector<std::string>;

TEST(CaptureLifecycle, RestartsCaptureOnAChangeWhileCapturing) {
  CaptureLifecycle lifecycle;
  RecordingSteps steps;
  lifecycle.started(true);

  EXPECT_FALSE(lifecycle.configurationChanged(steps));
  EXPECT_FALSE(lifecycle.configurationChanged(steps));  // and on every later change

  EXPECT_EQ(steps.calls, (Calls{"format", "tap", "start", "format", "tap", "start"}));
  EXPECT_TRUE(lifecycle.capturing());
}

TEST(CaptureLifecycle, LeavesAChangeOutsideCaptureAlone) {
  const struct {
    const char* name;
    void (*before)(CaptureLifecycle&);
  } cases[] = {
      {"before the start", [](CaptureLifecycle&) {}},
      {"after a start that failed", [](CaptureLifecycle& l) { l.started(false); }},
      {"in the grace period, after a stop",
       [](CaptureLifecycle& l) {
         l.started(true);
         l.stopped();
       }},
      {"after the end of the dictation (a second stop)",
       [](CaptureLifecycle& l) {
         l.started(true);
         l.stopped();
         l.stopped();
       }},
  };
  for (const auto& c : cases) {
    CaptureLifecycle lifecycle;
    RecordingSteps steps;
    c.before(lifecycle);
    EXPECT_FALSE(lifecycle.configurationChanged(steps)) << c.name;
    EXPECT_TRUE(steps.calls.empty()) << c.name;
    EXPECT_FALSE(lifecycle.capturing()) << c.name;
  }
}

TEST(CaptureLifecycle, EndsCaptureWhenTheRestartFails) {
  const struct {
    const char* name;
    FormatReading format;
    bool tapTaken;
    bool engineStarts;
    Calls calls;
  } cases[] = {
      {"no usable input any more", {0.0, 0}, true, true, {"format", "stop"}},
      {"the tap refused", {16000.0, 1}, false, true, {"format", "tap", "stop"}},
      {"the engine does not start", {16000.0, 1}, true, false, {"format", "tap", "start", "stop"}},
  };
  for (const auto& c : cases) {
    CaptureLifecycle lifecycle;
    RecordingSteps steps;
    steps.format = c.format;
    steps.tapTaken = c.tapTaken;
    steps.engineStarts = c.engineStarts;
    lifecycle.started(true);

    EXPECT_TRUE(lifecycle.configurationChanged(steps)) << c.name;
    EXPECT_EQ(steps.calls, c.calls) << c.name;
    EXPECT_FALSE(lifecycle.capturing()) << c.name;
    // Capture has ended: a later change restarts nothing and reports nothing again.
    EXPECT_FALSE(lifecycle.configurationChanged(steps)) << c.name;
    EXPECT_EQ(steps.calls, c.calls) << c.name;
  }
}

}  // namespace
}  // namespace dictation_agent
