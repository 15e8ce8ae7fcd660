#pragma once

#include <soxr.h>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace dictation_agent {

// Turns interleaved float frames of any rate and channel count into what the decoder takes:
// 16 kHz mono signed 16-bit. Channels are averaged first, so only one channel is resampled.
class SpeechResampler {
 public:
  static constexpr double kOutputRate = 16000.0;

  // Null when soxr refuses the rate (not a positive, finite number) or `channels` is 0.
  static std::unique_ptr<SpeechResampler> create(double inputRate, std::uint32_t channels);

  double inputRate() const { return inputRate_; }
  std::uint32_t channels() const { return channels_; }

  // Appends to `out` what the resampler can give for these frames; it keeps a short tail of
  // history, given out by `flush`. A trailing partial frame is ignored.
  bool process(std::span<const float> interleaved, std::vector<std::int16_t>& out);

  // No more input: appends everything still held.
  bool flush(std::vector<std::int16_t>& out);

 private:
  struct SoxrDelete {
    void operator()(soxr_t soxr) const { soxr_delete(soxr); }
  };

  SpeechResampler(double inputRate, std::uint32_t channels, soxr_t soxr);
  bool drain(const float* mono, std::size_t frames, std::vector<std::int16_t>& out);

  double inputRate_;
  std::uint32_t channels_;
  std::unique_ptr<std::remove_pointer_t<soxr_t>, SoxrDelete> soxr_;
  std::vector<float> mono_;  // reused between calls
};

}  // namespace dictation_agent
