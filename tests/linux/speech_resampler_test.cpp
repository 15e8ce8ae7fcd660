#include "platform/linux/recognizer/speech_resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace dictation_agent {
namespace {

// `seconds` of a sine at `hertz` and `amplitude`, the same on every channel unless
// `oppositeChannels` flips the sign of every other one.
std::vector<float> sine(double rate, std::uint32_t channels, double hertz, double seconds,
                        float amplitude, bool oppositeChannels = false) {
  const auto frames = static_cast<std::size_t>(rate * seconds);
  std::vector<float> samples(frames * channels);
  for (std::size_t frame = 0; frame < frames; ++frame) {
    const auto value = static_cast<float>(
        amplitude * std::sin(2.0 * std::numbers::pi * hertz * static_cast<double>(frame) / rate));
    for (std::uint32_t channel = 0; channel < channels; ++channel) {
      samples[frame * channels + channel] = oppositeChannels && channel % 2 == 1 ? -value : value;
    }
  }
  return samples;
}

// Everything the resampler gives for the input, fed in capture-sized pieces, then flushed.
std::vector<std::int16_t> resampleInPieces(SpeechResampler& resampler,
                                           const std::vector<float>& input,
                                           std::size_t framesPerPiece = 1024) {
  std::vector<std::int16_t> out;
  const std::size_t step = framesPerPiece * resampler.channels();
  for (std::size_t first = 0; first < input.size(); first += step) {
    const std::size_t count = std::min(step, input.size() - first);
    EXPECT_TRUE(resampler.process(std::span(input).subspan(first, count), out));
  }
  EXPECT_TRUE(resampler.flush(out));
  return out;
}

double rms(std::span<const std::int16_t> samples) {
  double sum = 0;
  for (const std::int16_t sample : samples) sum += static_cast<double>(sample) * sample;
  return std::sqrt(sum / static_cast<double>(samples.size()));
}

int upwardZeroCrossings(std::span<const std::int16_t> samples) {
  int crossings = 0;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    if (samples[i - 1] < 0 && samples[i] >= 0) ++crossings;
  }
  return crossings;
}

struct Capture {
  double rate;
  std::uint32_t channels;
};

std::string captureName(const ::testing::TestParamInfo<Capture>& capture) {
  return std::to_string(static_cast<int>(capture.param.rate)) + "Hz" +
         std::to_string(capture.param.channels) + "ch";
}

class SpeechResamplerFormats : public ::testing::TestWithParam<Capture> {};

// One second of a 440 Hz tone at half scale must come out as one second at 16 kHz with the same
// pitch and loudness, whatever the device delivered.
TEST_P(SpeechResamplerFormats, KeepsDurationPitchAndLevel) {
  const Capture capture = GetParam();
  auto resampler = SpeechResampler::create(capture.rate, capture.channels);
  ASSERT_NE(resampler, nullptr);
  const auto out = resampleInPieces(*resampler, sine(capture.rate, capture.channels, 440, 1, 0.5f));

  EXPECT_NEAR(static_cast<double>(out.size()), 16000.0, 16.0);
  EXPECT_NEAR(upwardZeroCrossings(out), 440, 2);
  // A sine's RMS is its peak over sqrt(2); the ends of a resampled burst ring a little.
  const std::span<const std::int16_t> middle = std::span(out).subspan(1000, out.size() - 2000);
  EXPECT_NEAR(rms(middle), 0.5 * 32767 / std::numbers::sqrt2, 0.02 * 32767);
}

INSTANTIATE_TEST_SUITE_P(DeviceFormats, SpeechResamplerFormats,
                         ::testing::Values(Capture{44100, 2}, Capture{48000, 1}, Capture{16000, 1},
                                           Capture{8000, 1}, Capture{22050, 6}),
                         captureName);

TEST(SpeechResampler, AveragesChannelsBeforeResampling) {
  auto resampler = SpeechResampler::create(44100, 2);
  ASSERT_NE(resampler, nullptr);
  const auto cancelled = resampleInPieces(*resampler, sine(44100, 2, 440, 0.5, 0.5f, true));
  EXPECT_LT(rms(cancelled), 1.0);

  std::vector<float> leftOnly = sine(44100, 2, 440, 0.5, 0.5f);
  for (std::size_t i = 1; i < leftOnly.size(); i += 2) leftOnly[i] = 0;
  auto other = SpeechResampler::create(44100, 2);
  const auto halved = resampleInPieces(*other, leftOnly);
  const std::span<const std::int16_t> middle = std::span(halved).subspan(500, halved.size() - 1000);
  EXPECT_NEAR(rms(middle), 0.25 * 32767 / std::numbers::sqrt2, 0.02 * 32767);
}

// Capture hands over whatever the server had; the decoder must hear the same audio however it
// was cut up.
TEST(SpeechResampler, OutputDoesNotDependOnHowTheInputIsCut) {
  const auto input = sine(44100, 2, 300, 0.7, 0.3f);
  auto whole = SpeechResampler::create(44100, 2);
  auto pieces = SpeechResampler::create(44100, 2);
  const auto fromWhole = resampleInPieces(*whole, input, input.size());
  const auto fromPieces = resampleInPieces(*pieces, input, 333);
  ASSERT_EQ(fromWhole.size(), fromPieces.size());
  for (std::size_t i = 0; i < fromWhole.size(); ++i) ASSERT_NEAR(fromWhole[i], fromPieces[i], 1);
}

TEST(SpeechResampler, IgnoresATrailingPartialFrame) {
  auto resampler = SpeechResampler::create(16000, 2);
  std::vector<std::int16_t> out;
  const std::vector<float> oneAndAHalfFrames = {0.5f, 0.5f, 0.9f};
  EXPECT_TRUE(resampler->process(oneAndAHalfFrames, out));
  EXPECT_TRUE(resampler->flush(out));
  EXPECT_EQ(out.size(), 1u);
}

TEST(SpeechResampler, RefusesFormatsWithoutAudio) {
  EXPECT_EQ(SpeechResampler::create(0, 1), nullptr);
  EXPECT_EQ(SpeechResampler::create(-44100, 1), nullptr);
  EXPECT_EQ(SpeechResampler::create(std::numeric_limits<double>::quiet_NaN(), 1), nullptr);
  EXPECT_EQ(SpeechResampler::create(std::numeric_limits<double>::infinity(), 1), nullptr);
  EXPECT_EQ(SpeechResampler::create(44100, 0), nullptr);
}

}  // namespace
}  // namespace dictation_agent
