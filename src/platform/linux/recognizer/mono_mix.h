#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace dictation_agent {

// The average of the channels of each interleaved frame: any channel count becomes the one
// channel the recogniser listens to. A trailing partial frame is dropped.
inline void mixToMono(std::span<const float> interleaved, std::uint32_t channels,
                      std::vector<float>& mono) {
  mono.clear();
  if (channels == 0) return;
  const std::size_t frames = interleaved.size() / channels;
  if (channels == 1) {
    mono.assign(interleaved.begin(), interleaved.begin() + static_cast<std::ptrdiff_t>(frames));
    return;
  }
  mono.resize(frames);
  const float scale = 1.0f / static_cast<float>(channels);
  for (std::size_t frame = 0; frame < frames; ++frame) {
    const float* first = interleaved.data() + frame * channels;
    float sum = 0.0f;
    for (std::uint32_t channel = 0; channel < channels; ++channel) sum += first[channel];
    mono[frame] = sum * scale;
  }
}

}  // namespace dictation_agent
