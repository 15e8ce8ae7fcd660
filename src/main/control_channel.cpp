#include "main/control_channel.h"

#include "dictation/dictation.h"
#include "events/utf8_decoder.h"

namespace dictation_agent {

bool isValidUtf8(std::string_view bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t offset = 0; offset < bytes.size();) {
    const Utf8Step step = decodeUtf8(data + offset, bytes.size() - offset);
    if (!step.valid) return false;
    offset += step.length;
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
