#include "events/emit.h"

#include <unistd.h>

#include <cerrno>
#include <nlohmann/json.hpp>

namespace dictation_agent {
namespace {

nlohmann::json toJson(const EventValue& value) {
  return std::visit([](const auto& v) { return nlohmann::json(v); }, value);
}

}  // namespace

std::optional<std::string> serializeEvent(const Event& event) {
  try {
    nlohmann::json object = nlohmann::json::object();
    for (const auto& [key, value] : event) object[key] = toJson(value);
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  } catch (...) {
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
      return;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
}

void emit(const Event& event, int fd) {
  std::optional<std::string> text = serializeEvent(event);
  if (!text) return;
  text->push_back('\n');
  writeFully(fd, *text);
}

void emit(const Event& event) {
  emit(event, STDOUT_FILENO);
}

void StandardOutputEvents::emit(const Event& event) {
  dictation_agent::emit(event);
}

}  // namespace dictation_agent
