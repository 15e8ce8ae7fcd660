// The control decision against the rule it implements: end of file (an empty chunk) cancels,
// bytes that are not valid UTF-8 stop, valid text containing "cancel" cancels, anything else
// stops. Validity is judged by utf8proc, independently of the agent's own decoder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "main/control_channel.h"
#include "oracles/utf8proc_text.h"

using dictation_agent::ControlCommand;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view chunk(reinterpret_cast<const char*>(data), size);
  ControlCommand expected = ControlCommand::kStop;
  if (chunk.empty()) {
    expected = ControlCommand::kCancel;
  } else if (dictation_agent::oracles::isValidUtf8ByUtf8proc(chunk) &&
             chunk.find("cancel") != std::string_view::npos) {
    expected = ControlCommand::kCancel;
  }
  if (dictation_agent::decideControl(chunk) != expected) std::abort();
  if (dictation_agent::isValidUtf8(chunk) != dictation_agent::oracles::isValidUtf8ByUtf8proc(chunk))
    std::abort();
  return 0;
}
