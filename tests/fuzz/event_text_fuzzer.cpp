// Event serialisation: whatever the strings hold, the text is one line of valid JSON and valid
// UTF-8 with no raw control character; valid text decodes back exactly, and invalid text decodes
// as nlohmann::json's own replacement of it (one U+FFFD per ill-formed sequence).
//
// Input: one byte choosing the booleans, then the text; the text is cut in three at the first two
// 0xFF bytes (a key, a transcript, a permission name), so every value kind and keys carry it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "events/emit.h"
#include "oracles/nlohmann_event_text.h"
#include "oracles/utf8proc_text.h"

namespace {

using dictation_agent::Event;
using dictation_agent::PermissionSnapshot;

void check(bool holds) {
  if (!holds) std::abort();
}

std::string nextPiece(std::string_view& rest) {
  const auto cut = rest.find('\xff');
  const std::string piece(rest.substr(0, cut));
  rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
  return piece;
}

void checkEvent(const Event& event, bool validText) {
  const std::optional<std::string> text = dictation_agent::serializeEvent(event);
  check(text.has_value());
  for (const char c : *text) check(static_cast<unsigned char>(c) >= 0x20);  // one line
  check(dictation_agent::oracles::isValidUtf8ByUtf8proc(*text));
  const nlohmann::json parsed = nlohmann::json::parse(*text, nullptr, false);
  check(!parsed.is_discarded() && parsed.is_object());
  if (validText) {
    check(parsed == dictation_agent::oracles::toJson(event));
  } else {
    check(parsed == nlohmann::json::parse(dictation_agent::oracles::nlohmannEventText(event)));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool flag = (data[0] & 1) != 0;
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string key = nextPiece(rest);
  const std::string transcript = nextPiece(rest);
  const std::string name(rest);
  const bool validText = dictation_agent::oracles::isValidUtf8ByUtf8proc(key) &&
                         dictation_agent::oracles::isValidUtf8ByUtf8proc(transcript) &&
                         dictation_agent::oracles::isValidUtf8ByUtf8proc(name);

  checkEvent({{"type", "transcript"}, {"text", transcript}}, validText);
  checkEvent({{"type", "final"}, {"text", transcript}, {"cancelled", flag}}, validText);
  checkEvent({{"type", "status"},
              {"available", !flag},
              {key, transcript},
              {"permissions", PermissionSnapshot{{"speech", name}, {key, transcript}}}},
             validText);
  return 0;
}
