#include "platform/linux/formatting/transcript_formatter.h"

#include <utf8proc.h>

#include <algorithm>
#include <array>

#include "platform/linux/formatting/script_spacing.h"
#include "platform/linux/formatting/spoken_numbers.h"

namespace dictation_agent {
namespace {

// Languages written in Latin, Greek or Cyrillic letters whose sentences begin with a capital.
// Turkish and Azeri are not among them: their capital of "i" is "İ", which needs more than the
// one mapping of Unicode's simple case.
constexpr std::array<std::string_view, 23> kCapitalizingLanguages = {
    "ca", "cs", "da", "de", "el", "en", "es", "fi", "fr", "hr", "hu", "id",
    "it", "nl", "no", "pl", "pt", "ro", "ru", "sk", "sv", "uk", "vi"};

std::string languageOf(std::string_view localeIdentifier) {
  const auto end = localeIdentifier.find_first_of("-_.@");
  std::string language(localeIdentifier.substr(0, end));
  std::transform(language.begin(), language.end(), language.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return language;
}

// "i" alone and at the head of its contractions: "i'm", "i'll", "i'd", "i've", "i'd've".
void capitalizePronounI(std::string& text) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    const bool starts = at == 0 || text[at - 1] == ' ';
    const bool ends = at + 1 == text.size() || text[at + 1] == ' ' || text[at + 1] == '\'';
    if (text[at] == 'i' && starts && ends) text[at] = 'I';
  }
}

// The first character, when it is a lower-case letter; a digit or a character without case
// stays as it is.
void capitalizeFirstLetter(std::string& text) {
  utf8proc_int32_t first = 0;
  const auto length = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                                       static_cast<utf8proc_ssize_t>(text.size()), &first);
  if (length <= 0) return;
  const utf8proc_int32_t upper = utf8proc_toupper(first);
  if (upper == first) return;
  utf8proc_uint8_t bytes[4];
  const auto written = utf8proc_encode_char(upper, bytes);
  text.replace(0, static_cast<std::size_t>(length), reinterpret_cast<const char*>(bytes),
               static_cast<std::size_t>(written));
}

}  // namespace

TranscriptFormatter::TranscriptFormatter(std::string_view localeIdentifier) {
  const std::string language = languageOf(localeIdentifier);
  english_ = language == "en";
  capitalizesFirstLetter_ = std::find(kCapitalizingLanguages.begin(), kCapitalizingLanguages.end(),
                                      language) != kCapitalizingLanguages.end();
}

std::string TranscriptFormatter::format(std::string_view words) const {
  std::string text = withoutSpacesInsideUnspacedScripts(words);
  if (english_) {
    text = spokenNumbersAsDigits(text);
    capitalizePronounI(text);
  }
  if (capitalizesFirstLetter_) capitalizeFirstLetter(text);
  return text;
}

}  // namespace dictation_agent
