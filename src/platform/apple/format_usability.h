#pragma once

#include <cstdint>

namespace dictation_agent {

// What an audio format says about the input, as plain numbers.
struct FormatReading {
  double sampleRate = 0.0;
  std::uint32_t channelCount = 0;

  bool operator==(const FormatReading&) const = default;
};

// True when the format can carry audio: a rate above 0 Hz in an ordered comparison (so NaN
// fails) and at least one channel.
bool isUsable(const FormatReading& format);

// The format the input node reports for its output bus. With no input device some systems still
// report a 2-channel 44.1 kHz output format while the hardware (the node's input bus) runs at
// 0 Hz, and a tap on such a node never delivers a buffer. So the output format counts only while
// the hardware format is usable too; otherwise the node reports no input at all.
FormatReading reportedInputFormat(const FormatReading& busOutput, const FormatReading& hardware);

}  // namespace dictation_agent
