#include "events/emit.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <new>

#include "events/json_text.h"

namespace dictation_agent {
namespace {

std::size_t textBytes(const EventValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return text->size();
  if (const auto* snapshot = std::get_if<PermissionSnapshot>(&value)) {
    std::size_t bytes = 0;
    for (const auto& [key, name] : *snapshot) bytes += key.size() + name.size() + 6;
    return bytes;
  }
  return 5;
}

void appendJsonValue(std::string& out, bool value) {
  out += value ? "true" : "false";
}

void appendJsonValue(std::string& out, const std::string& value) {
  appendJsonString(out, value);
}

void appendJsonValue(std::string& out, const EventValue& value);

template <typename Value>
void appendJsonValue(std::string& out, const std::map<std::string, Value>& object) {
  out.push_back('{');
  bool first = true;
  for (const auto& [key, value] : object) {
    if (!first) out.push_back(',');
    first = false;
    appendJsonString(out, key);
    out.push_back(':');
    appendJsonValue(out, value);
  }
  out.push_back('}');
}

void appendJsonValue(std::string& out, const EventValue& value) {
  std::visit([&out](const auto& v) { appendJsonValue(out, v); }, value);
}

// The event's JSON text followed by `terminator`, in one string sized up front.
std::string eventText(const Event& event, std::string_view terminator) {
  std::size_t estimate = 2 + terminator.size();
  for (const auto& [key, value] : event) estimate += key.size() + textBytes(value) + 8;
  std::string out;
  out.reserve(estimate);
  appendJsonValue(out, event);
  out += terminator;
  return out;
}

// Waits until `fd` takes more bytes; false when it never will (an error, or nobody reads).
bool waitUntilWritable(int fd) {
  for (;;) {
    pollfd entry{fd, POLLOUT, 0};
    const int ready = ::poll(&entry, 1, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return false;
    // On POLLERR or POLLHUP the next write reports what is wrong.
    return (entry.revents & POLLNVAL) == 0;
  }
}

}  // namespace

std::optional<std::string> serializeEvent(const Event& event) {
  try {
    return eventText(event, "");
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

void writeFully(int fd, const std::string& bytes) {
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      // A non-blocking descriptor that is full: the bytes are owed, not lost.
      if ((errno == EAGAIN || errno == EWOULDBLOCK) && waitUntilWritable(fd)) continue;
      return;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
}

void emit(const Event& event, int fd) {
  std::string line;
  try {
    line = eventText(event, "\n");
  } catch (const std::bad_alloc&) {
    return;
  }
  writeFully(fd, line);
}

void emit(const Event& event) {
  emit(event, STDOUT_FILENO);
}

void StandardOutputEvents::emit(const Event& event) {
  dictation_agent::emit(event);
}

}  // namespace dictation_agent
