#include "main/control_channel.h"

#include <utf8proc.h>

#include "dictation/dictation.h"

namespace dictation_agent {

bool isValidUtf8(std::string_view bytes) {
  const auto* data = reinterpret_cast<const utf8proc_uint8_t*>(bytes.data());
  const auto size = static_cast<utf8proc_ssize_t>(bytes.size());
  utf8proc_ssize_t offset = 0;
  while (offset < size) {
    utf8proc_int32_t codepoint = 0;
    const utf8proc_ssize_t length = utf8proc_iterate(data + offset, size - offset, &codepoint);
    if (length <= 0) return false;
    offset += length;
  }
  return true;
}

ControlCommand decideControl(std::string_view chunk) {
  if (chunk.empty()) return ControlCommand::kCancel;  // end of file
  if (!isValidUtf8(chunk)) return ControlCommand::kStop;
  return chunk.find("cancel") != std::string_view::npos ? ControlCommand::kCancel
                                                        : ControlCommand::kStop;
}

void runControlTask(Dictation& dictation, std::string_view chunk) {
  if (decideControl(chunk) == ControlCommand::kCancel) {
    dictation.finish(std::nullopt, /*cancelled=*/true);
  } else {
    dictation.stop();
  }
}

}  // namespace dictation_agent
