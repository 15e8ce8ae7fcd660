#include "platform/linux/recognizer/speech_resampler.h"

#include <cmath>

#include "platform/linux/recognizer/mono_mix.h"

namespace dictation_agent {

std::unique_ptr<SpeechResampler> SpeechResampler::create(double inputRate, std::uint32_t channels) {
  if (channels == 0 || !std::isfinite(inputRate) || inputRate <= 0.0) return nullptr;
  // Without dither the output is a pure function of the input, which keeps recognition
  // repeatable; the decoder gains nothing from dither.
  soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_INT16_I);
  io.flags |= SOXR_NO_DITHER;
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  soxr_error_t error = nullptr;
  soxr_t soxr = soxr_create(inputRate, kOutputRate, 1, &error, &io, &quality, nullptr);
  if (error != nullptr || soxr == nullptr) {
    if (soxr != nullptr) soxr_delete(soxr);
    return nullptr;
  }
  return std::unique_ptr<SpeechResampler>(new SpeechResampler(inputRate, channels, soxr));
}

SpeechResampler::SpeechResampler(double inputRate, std::uint32_t channels, soxr_t soxr)
    : inputRate_(inputRate), channels_(channels), soxr_(soxr) {}

bool SpeechResampler::process(std::span<const float> interleaved, std::vector<std::int16_t>& out) {
  mixToMono(interleaved, channels_, mono_);
  if (mono_.empty()) return true;
  return drain(mono_.data(), mono_.size(), out);
}

bool SpeechResampler::flush(std::vector<std::int16_t>& out) {
  return drain(nullptr, 0, out);
}

// A null `mono` tells soxr that the input has ended; it then gives out what it still holds,
// possibly over several calls.
bool SpeechResampler::drain(const float* mono, std::size_t frames, std::vector<std::int16_t>& out) {
  const double ratio = kOutputRate / inputRate_;
  std::size_t used = 0;
  while (true) {
    const std::size_t left = frames - used;
    const std::size_t room = static_cast<std::size_t>(std::ceil(left * ratio)) + 256;
    const std::size_t start = out.size();
    out.resize(start + room);
    std::size_t taken = 0;
    std::size_t given = 0;
    const soxr_error_t error = soxr_process(soxr_.get(), mono == nullptr ? nullptr : mono + used,
                                            left, &taken, out.data() + start, room, &given);
    out.resize(start + given);
    if (error != nullptr) return false;
    used += taken;
    if (mono == nullptr ? given == 0 : used >= frames || (taken == 0 && given == 0)) return true;
  }
}

}  // namespace dictation_agent
