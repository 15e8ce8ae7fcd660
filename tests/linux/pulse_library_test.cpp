#include "platform/linux/capture/pulse_library.h"

#include <gtest/gtest.h>

#include <future>

#include "linux/captured_buffers.h"
#include "linux/connected_session.h"
#include "linux/temporary_folder.h"
#include "platform/linux/capture/pcm_format.h"
#include "platform/linux/capture/pulse_audio_engine.h"
#include "platform/linux/capture/pulse_microphone_authorization.h"

namespace dictation_agent {
namespace {

using namespace std::chrono_literals;

TEST(PulseLibrary, LoadsTheInstalledLibraryWithEveryFunction) {
  const auto pulse = PulseLibrary::load();
  ASSERT_NE(pulse, nullptr);
#define AGENT_EXPECT_RESOLVED(name) EXPECT_NE(pulse->name, nullptr) << #name;
  AGENT_PULSE_FUNCTIONS(AGENT_EXPECT_RESOLVED)
#undef AGENT_EXPECT_RESOLVED
  // A call through the table reaches the real library.
  const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, 48000, 2};
  EXPECT_EQ(pulse->pa_frame_size(&spec), 8u);
}

// A library that is missing, cannot be loaded, or is some other library: a clean failure, and
// the loader's message goes nowhere.
TEST(PulseLibrary, FailsCleanlyWhenTheLibraryCannotBeUsed) {
  testing::TemporaryFolder folder;
  const auto tooShort = folder.write("libpulse.so.0",
                                     "\x7f"
                                     "ELF");
  const auto notAnElf = folder.write("libnotpulse.so", std::string(4096, 'x'));
  for (const std::string& soname : std::vector<std::string>{
           "libpulse-does-not-exist.so.0", tooShort.string(), notAnElf.string(), "libm.so.6"}) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(PulseLibrary::load(soname.c_str()), nullptr) << soname;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << soname;
  }
}

// Without libpulse the microphone is unusable, not refused: access is granted (on another
// thread, as always), the input reports no format and capture cannot start.
TEST(PulseLibrary, WithoutItTheMicrophoneIsUnusableNotRefused) {
  const auto missing = std::make_shared<PulseSession>(
      PulseSettings{"unix:/nonexistent/pulse/native", 200ms}, "libpulse-does-not-exist.so.0");
  EXPECT_EQ(missing->connect().connection, nullptr);

  testing::ImmediateQueue queue;
  PulseMicrophoneAuthorization microphone(missing, queue);
  std::promise<std::pair<bool, std::thread::id>> answer;
  microphone.requestAccess([&](bool granted) {
    answer.set_value({granted, std::this_thread::get_id()});
  });
  const auto [granted, thread] = answer.get_future().get();
  EXPECT_TRUE(granted);
  EXPECT_NE(thread, std::this_thread::get_id());

  PulseAudioEngine engine(missing);
  const auto format = engine.inputNode().outputFormatForBus(0);
  EXPECT_EQ(format->sampleRate(), 0.0);
  EXPECT_EQ(format->channelCount(), 0u);
  testing::CapturedBuffers captured;
  EXPECT_TRUE(engine.inputNode().installTapOnBus(0, 1024, std::make_shared<PcmFormat>(48000, 2),
                                                 captured.block()));
  engine.prepare();
  EXPECT_FALSE(engine.start());
  engine.stop();
  EXPECT_EQ(captured.count(), 0u);
}

}  // namespace
}  // namespace dictation_agent
