#include "platform/linux/formatting/spoken_numbers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace dictation_agent {
namespace {

enum class Kind {
  kZero,
  kUnit,         // one .. nine
  kTeen,         // ten .. nineteen
  kTens,         // twenty .. ninety
  kHundred,      // hundred
  kScale,        // thousand, million, ...
  kOrdinalUnit,  // first .. ninth, "second" excepted
  kOrdinalTeen,
  kOrdinalTens,
  kOrdinalHundred,
  kOrdinalScale,
  kAnd,
  kPoint,
  kOther,  // any other word
};

struct NumberWord {
  std::string_view word;
  Kind kind;
  std::uint64_t value;
};

// "second" is not here: after "twenty" it is as often a duration ("a twenty second clip") as the
// 22nd, and "one second" is never a number to rewrite.
constexpr std::array kNumberWords = {
    NumberWord{"zero", Kind::kZero, 0},
    NumberWord{"one", Kind::kUnit, 1},
    NumberWord{"two", Kind::kUnit, 2},
    NumberWord{"three", Kind::kUnit, 3},
    NumberWord{"four", Kind::kUnit, 4},
    NumberWord{"five", Kind::kUnit, 5},
    NumberWord{"six", Kind::kUnit, 6},
    NumberWord{"seven", Kind::kUnit, 7},
    NumberWord{"eight", Kind::kUnit, 8},
    NumberWord{"nine", Kind::kUnit, 9},
    NumberWord{"ten", Kind::kTeen, 10},
    NumberWord{"eleven", Kind::kTeen, 11},
    NumberWord{"twelve", Kind::kTeen, 12},
    NumberWord{"thirteen", Kind::kTeen, 13},
    NumberWord{"fourteen", Kind::kTeen, 14},
    NumberWord{"fifteen", Kind::kTeen, 15},
    NumberWord{"sixteen", Kind::kTeen, 16},
    NumberWord{"seventeen", Kind::kTeen, 17},
    NumberWord{"eighteen", Kind::kTeen, 18},
    NumberWord{"nineteen", Kind::kTeen, 19},
    NumberWord{"twenty", Kind::kTens, 20},
    NumberWord{"thirty", Kind::kTens, 30},
    NumberWord{"forty", Kind::kTens, 40},
    NumberWord{"fifty", Kind::kTens, 50},
    NumberWord{"sixty", Kind::kTens, 60},
    NumberWord{"seventy", Kind::kTens, 70},
    NumberWord{"eighty", Kind::kTens, 80},
    NumberWord{"ninety", Kind::kTens, 90},
    NumberWord{"hundred", Kind::kHundred, 100},
    NumberWord{"thousand", Kind::kScale, 1'000},
    NumberWord{"million", Kind::kScale, 1'000'000},
    NumberWord{"billion", Kind::kScale, 1'000'000'000},
    NumberWord{"trillion", Kind::kScale, 1'000'000'000'000},
    NumberWord{"first", Kind::kOrdinalUnit, 1},
    NumberWord{"third", Kind::kOrdinalUnit, 3},
    NumberWord{"fourth", Kind::kOrdinalUnit, 4},
    NumberWord{"fifth", Kind::kOrdinalUnit, 5},
    NumberWord{"sixth", Kind::kOrdinalUnit, 6},
    NumberWord{"seventh", Kind::kOrdinalUnit, 7},
    NumberWord{"eighth", Kind::kOrdinalUnit, 8},
    NumberWord{"ninth", Kind::kOrdinalUnit, 9},
    NumberWord{"tenth", Kind::kOrdinalTeen, 10},
    NumberWord{"eleventh", Kind::kOrdinalTeen, 11},
    NumberWord{"twelfth", Kind::kOrdinalTeen, 12},
    NumberWord{"thirteenth", Kind::kOrdinalTeen, 13},
    NumberWord{"fourteenth", Kind::kOrdinalTeen, 14},
    NumberWord{"fifteenth", Kind::kOrdinalTeen, 15},
    NumberWord{"sixteenth", Kind::kOrdinalTeen, 16},
    NumberWord{"seventeenth", Kind::kOrdinalTeen, 17},
    NumberWord{"eighteenth", Kind::kOrdinalTeen, 18},
    NumberWord{"nineteenth", Kind::kOrdinalTeen, 19},
    NumberWord{"twentieth", Kind::kOrdinalTens, 20},
    NumberWord{"thirtieth", Kind::kOrdinalTens, 30},
    NumberWord{"fortieth", Kind::kOrdinalTens, 40},
    NumberWord{"fiftieth", Kind::kOrdinalTens, 50},
    NumberWord{"sixtieth", Kind::kOrdinalTens, 60},
    NumberWord{"seventieth", Kind::kOrdinalTens, 70},
    NumberWord{"eightieth", Kind::kOrdinalTens, 80},
    NumberWord{"ninetieth", Kind::kOrdinalTens, 90},
    NumberWord{"hundredth", Kind::kOrdinalHundred, 100},
    NumberWord{"thousandth", Kind::kOrdinalScale, 1'000},
    NumberWord{"millionth", Kind::kOrdinalScale, 1'000'000},
    NumberWord{"billionth", Kind::kOrdinalScale, 1'000'000'000},
    NumberWord{"and", Kind::kAnd, 0},
    NumberWord{"point", Kind::kPoint, 0},
};

bool isNumber(Kind kind) {
  return kind < Kind::kAnd;
}

bool isOrdinal(Kind kind) {
  return kind >= Kind::kOrdinalUnit && kind <= Kind::kOrdinalScale;
}

// The cardinal kind an ordinal has the place of: "first" stands where "one" would.
Kind placeOf(Kind kind) {
  switch (kind) {
    case Kind::kOrdinalUnit: return Kind::kUnit;
    case Kind::kOrdinalTeen: return Kind::kTeen;
    case Kind::kOrdinalTens: return Kind::kTens;
    case Kind::kOrdinalHundred: return Kind::kHundred;
    case Kind::kOrdinalScale: return Kind::kScale;
    default: return kind;
  }
}

struct Token {
  Kind kind;
  std::uint64_t value;
  std::size_t word;  // index of the word it comes from
};

char lowerCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::optional<NumberWord> numberWord(std::string_view word) {
  std::array<char, 12> buffer{};  // "seventeenth" is the longest
  if (word.size() > buffer.size()) return std::nullopt;
  std::transform(word.begin(), word.end(), buffer.begin(), lowerCase);
  const std::string_view lower(buffer.data(), word.size());
  for (const NumberWord& entry : kNumberWords) {
    if (entry.word == lower) return entry;
  }
  return std::nullopt;
}

// The tokens of one word: two for "twenty-five" or "twenty-first", else one.
void appendTokens(std::string_view word, std::size_t index, std::vector<Token>& tokens) {
  if (auto entry = numberWord(word)) {
    tokens.push_back({entry->kind, entry->value, index});
    return;
  }
  const auto hyphen = word.find('-');
  const auto tens =
      hyphen == std::string_view::npos ? std::nullopt : numberWord(word.substr(0, hyphen));
  const auto unit = tens ? numberWord(word.substr(hyphen + 1)) : std::nullopt;
  if (!tens || !unit || tens->kind != Kind::kTens ||
      (unit->kind != Kind::kUnit && unit->kind != Kind::kOrdinalUnit)) {
    tokens.push_back({Kind::kOther, 0, index});
    return;
  }
  tokens.push_back({tens->kind, tens->value, index});
  tokens.push_back({unit->kind, unit->value, index});
}

struct Word {
  std::size_t begin;
  std::size_t end;
  std::size_t firstToken;  // tokens of this word: [firstToken, next word's firstToken), never none
};

enum class State { kStart, kZero, kUnit, kTeen, kTens, kTensUnit, kHundred, kScale, kAnd };

// The longest prefix of tokens[first...] that reads as one number.
struct Reading {
  std::size_t end = 0;  // one past its last token
  State state = State::kStart;
  std::uint64_t value = 0;
  std::string fraction;  // digits after "point"
  bool ordinal = false;
  bool fractionLike = false;  // "one hundredth": a fraction as much as an ordinal
  bool complete() const { return state != State::kStart && state != State::kAnd; }
};

bool startsBelowHundred(const Token* token) {
  if (token == nullptr) return false;
  const Kind place = placeOf(token->kind);
  return place == Kind::kUnit || place == Kind::kTeen || place == Kind::kTens;
}

Reading read(const std::vector<Token>& tokens, std::size_t first) {
  Reading reading;
  std::uint64_t total = 0;
  std::uint64_t group = 0;  // below the last scale word
  std::uint64_t lastScale = std::numeric_limits<std::uint64_t>::max();
  bool groupHasHundred = false;
  bool bigHundred = false;     // "nineteen hundred": no scale may follow
  bool andAfterScale = false;  // "two thousand and six": nothing larger than a ten follows
  const auto at = [&](std::size_t i) { return i < tokens.size() ? &tokens[i] : nullptr; };
  const auto finish = [&](std::size_t end) {
    reading.end = end;
    reading.value = total + group;
    return reading;
  };

  State& state = reading.state;
  for (std::size_t i = first; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    const bool ordinal = isOrdinal(token.kind);
    switch (placeOf(token.kind)) {
      case Kind::kZero:
        if (state != State::kStart) return finish(i);
        state = State::kZero;
        break;
      case Kind::kUnit:
        if (state != State::kStart && state != State::kTens && state != State::kHundred &&
            state != State::kScale && state != State::kAnd) {
          return finish(i);
        }
        group += token.value;
        state = state == State::kTens ? State::kTensUnit : State::kUnit;
        break;
      case Kind::kTeen:
      case Kind::kTens:
        if (state != State::kStart && state != State::kHundred && state != State::kScale &&
            state != State::kAnd) {
          return finish(i);
        }
        group += token.value;
        state = token.kind == Kind::kTeen || token.kind == Kind::kOrdinalTeen ? State::kTeen
                                                                              : State::kTens;
        break;
      case Kind::kHundred:
        if ((state != State::kUnit && state != State::kTeen && state != State::kTens &&
             state != State::kTensUnit) ||
            groupHasHundred || andAfterScale || (group >= 10 && total != 0)) {
          return finish(i);
        }
        if (ordinal && i == first + 1) reading.fractionLike = true;
        bigHundred = group >= 10;
        group *= 100;
        groupHasHundred = true;
        state = State::kHundred;
        break;
      case Kind::kScale:
        if ((state != State::kUnit && state != State::kTeen && state != State::kTens &&
             state != State::kTensUnit && state != State::kHundred) ||
            token.value >= lastScale || bigHundred || andAfterScale) {
          return finish(i);
        }
        if (ordinal && i == first + 1) reading.fractionLike = true;
        total += group * token.value;
        group = 0;
        groupHasHundred = false;
        lastScale = token.value;
        state = State::kScale;
        break;
      case Kind::kAnd:
        if ((state != State::kHundred && state != State::kScale) ||
            !startsBelowHundred(at(i + 1))) {
          return finish(i);
        }
        andAfterScale = state == State::kScale;
        state = State::kAnd;
        break;
      case Kind::kPoint: {
        if (!reading.complete()) return finish(i);
        std::size_t digit = i + 1;
        while (digit < tokens.size() &&
               (tokens[digit].kind == Kind::kZero || tokens[digit].kind == Kind::kUnit)) {
          reading.fraction.push_back(static_cast<char>('0' + tokens[digit].value));
          ++digit;
        }
        if (reading.fraction.empty()) return finish(i);
        return finish(digit);
      }
      default: return finish(i);
    }
    if (ordinal) {
      reading.ordinal = true;
      return finish(i + 1);
    }
  }
  return finish(tokens.size());
}

std::string grouped(std::uint64_t value) {
  const std::string digits = std::to_string(value);
  if (value < 10000) return digits;
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text.push_back(',');
    text.push_back(digits[i]);
  }
  return text;
}

std::string ordinalSuffix(std::uint64_t value) {
  if (value % 100 >= 11 && value % 100 <= 13) return "th";
  switch (value % 10) {
    case 1: return "st";
    case 2: return "nd";
    case 3: return "rd";
    default: return "th";
  }
}

std::string written(const Reading& reading) {
  std::string text = grouped(reading.value);
  if (!reading.fraction.empty()) {
    text.push_back('.');
    text.append(reading.fraction);
  }
  if (reading.ordinal) text += ordinalSuffix(reading.value);
  return text;
}

bool equalsIgnoringCase(std::string_view word, std::string_view lower) {
  return word.size() == lower.size() &&
         std::equal(word.begin(), word.end(), lower.begin(),
                    [](char a, char b) { return lowerCase(a) == b; });
}

}  // namespace

std::string spokenNumbersAsDigits(std::string_view text, NumberDigits digits) {
  std::vector<Word> words;
  std::vector<Token> tokens;
  for (std::size_t at = 0; at < text.size();) {
    if (text[at] == ' ') {
      ++at;
      continue;
    }
    const std::size_t end = std::min(text.find(' ', at), text.size());
    words.push_back({at, end, tokens.size()});
    appendTokens(text.substr(at, end - at), words.size() - 1, tokens);
    at = end;
  }
  const auto tokensOf = [&](std::size_t word) {
    const std::size_t end = word + 1 < words.size() ? words[word + 1].firstToken : tokens.size();
    return std::pair{words[word].firstToken, end};
  };
  // A word that belongs to a run of numbers: a number word, or "point" between two of them.
  const auto inRun = [&](std::size_t word) {
    const Kind kind = tokens[tokensOf(word).first].kind;
    if (isNumber(kind)) return true;
    return kind == Kind::kPoint && word + 1 < words.size() &&
           isNumber(tokens[tokensOf(word + 1).first].kind);
  };

  std::string out;
  out.reserve(text.size());
  std::size_t copied = 0;  // text before this has been written out
  for (std::size_t word = 0; word < words.size();) {
    if (!inRun(word)) {
      ++word;
      continue;
    }
    const std::size_t first = tokensOf(word).first;
    const Kind kind = placeOf(tokens[first].kind);
    std::optional<Reading> reading;
    if (kind != Kind::kHundred && kind != Kind::kScale && kind != Kind::kPoint) {
      reading = read(tokens, first);
    }
    bool oneNumber = reading && reading->complete() && !reading->fractionLike;
    std::size_t after = word;  // the first word after what was read
    if (reading) {
      const std::size_t end = reading->end;
      after = end < tokens.size() ? tokens[end].word : words.size();
    }
    if (oneNumber) {
      const std::size_t end = reading->end;
      // The number must end with a word, and the run with the number.
      if (end < tokens.size() && end != tokensOf(after).first) oneNumber = false;
      if (after < words.size() && inRun(after)) oneNumber = false;
      const bool ordinalCouldFollow = reading->state == State::kTens ||
                                      reading->state == State::kHundred ||
                                      reading->state == State::kScale;
      if (after < words.size() && ordinalCouldFollow && !reading->ordinal &&
          reading->fraction.empty() &&
          equalsIgnoringCase(text.substr(words[after].begin, words[after].end - words[after].begin),
                             "second")) {
        oneNumber = false;
      }
    }
    if (!oneNumber) {
      // Words, all that was read and the rest of the run: "two thousand and five hundred".
      if (reading) word = std::max(word, after);
      while (word < words.size() && inRun(word)) ++word;
      continue;
    }
    const bool longer = after - word > 1;
    if (digits == NumberDigits::kEveryNumber || reading->value >= 10 || longer) {
      out.append(text, copied, words[word].begin - copied);
      out += written(*reading);
      copied = words[after - 1].end;
    }
    word = after;
  }
  out.append(text, copied);
  return out;
}

}  // namespace dictation_agent
