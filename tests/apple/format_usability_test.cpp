#include "platform/apple/format_usability.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>

namespace dictation_agent {

void PrintTo(const FormatReading& format, std::ostream* out) {
  *out << format.sampleRate << " Hz, " << format.channelCount << " ch";
}

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(FormatUsability, NeedsAPositiveRateAndAChannel) {
  EXPECT_TRUE(isUsable({48000.0, 1}));
  EXPECT_TRUE(isUsable({44100.0, 2}));
  EXPECT_FALSE(isUsable({0.0, 2}));
  EXPECT_FALSE(isUsable({-44100.0, 1}));
  EXPECT_FALSE(isUsable({kNaN, 1}));
  EXPECT_FALSE(isUsable({48000.0, 0}));
}

TEST(FormatUsability, ReportsTheOutputFormatOnlyWhileTheHardwareHasInput) {
  const struct {
    const char* situation;
    FormatReading output;
    FormatReading hardware;
    FormatReading reported;
  } cases[] = {
      {"a working microphone", {48000.0, 1}, {48000.0, 1}, {48000.0, 1}},
      {"the node converts the hardware format", {44100.0, 2}, {48000.0, 1}, {44100.0, 2}},
      {"no input device, output format still claims 44.1 kHz", {44100.0, 2}, {0.0, 2}, {}},
      {"hardware without channels", {44100.0, 2}, {48000.0, 0}, {}},
      {"hardware rate NaN", {44100.0, 2}, {kNaN, 1}, {}},
      {"an unusable output format stays unusable", {-1.0, 2}, {48000.0, 1}, {-1.0, 2}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(reportedInputFormat(c.output, c.hardware), c.reported) << c.situation;
  }
}

}  // namespace
}  // namespace dictation_agent
