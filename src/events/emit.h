#pragma once

#include <optional>
#include <string>

#include "events/event.h"

namespace dictation_agent {

// Compact JSON text of the event, without the line feed. Bytes that are not valid UTF-8 inside a
// string are replaced by U+FFFD, so a transcript is never dropped for its encoding. Empty only if
// serialisation fails.
std::optional<std::string> serializeEvent(const Event& event);

// Writes all of `bytes` to `fd`, retrying after EINTR and short writes. A failed write (a host
// that closed its end, say) is dropped: there is nobody to tell.
void writeFully(int fd, const std::string& bytes);

// Writes the event as one line (JSON text and line feed) straight to `fd`, unbuffered, so it is
// complete on the pipe when this returns. An event that cannot be serialised is dropped.
void emit(const Event& event, int fd);

// The agent's event stream: standard output.
void emit(const Event& event);

class StandardOutputEvents final : public EventOutput {
 public:
  void emit(const Event& event) override;
};

}  // namespace dictation_agent
