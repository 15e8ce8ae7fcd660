#include "platform/apple/format_usability.h"

namespace dictation_agent {

bool isUsable(const FormatReading& format) {
  return format.sampleRate > 0.0 && format.channelCount != 0;
}

FormatReading reportedInputFormat(const FormatReading& busOutput, const FormatReading& hardware) {
  if (!isUsable(hardware)) return FormatReading{};
  return busOutput;
}

}  // namespace dictation_agent
