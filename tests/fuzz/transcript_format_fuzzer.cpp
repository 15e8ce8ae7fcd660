// The formatting of the recogniser's words: the same words always give the same text, well-formed
// UTF-8 stays well formed, and English text in ASCII keeps its words once case and the way of
// writing numbers are set aside (what the word error rate compares), so formatting changes how
// the words look and never which words they are.
//
// Input: one byte that picks the locale, then the words.
#include <utf8proc.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "linux/word_error_rate.h"
#include "platform/linux/formatting/transcript_formatter.h"

namespace {

void check(bool holds) {
  if (!holds) std::abort();
}

bool wellFormed(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    utf8proc_int32_t character = 0;
    const auto length =
        utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data() + at),
                         static_cast<utf8proc_ssize_t>(text.size() - at), &character);
    if (length <= 0) return false;
    at += static_cast<std::size_t>(length);
  }
  return true;
}

bool ascii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

constexpr std::array<const char*, 8> kLocales = {"en-US", "en_GB", "zh-CN", "ja-JP",
                                                 "fr-FR", "ru-RU", "th-TH", ""};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string locale = kLocales[data[0] % kLocales.size()];
  const std::string_view words(reinterpret_cast<const char*>(data + 1), size - 1);

  const dictation_agent::TranscriptFormatter formatter(locale);
  const std::string text = formatter.format(words);
  check(formatter.format(words) == text);
  if (wellFormed(words)) check(wellFormed(text));
  if (locale.starts_with("en") && ascii(words)) {
    check(dictation_agent::testing::comparableWords(words) ==
          dictation_agent::testing::comparableWords(text));
  }
  return 0;
}
