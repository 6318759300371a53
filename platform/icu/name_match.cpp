#include "platform/icu/name_match.h"

#include <algorithm>
#include <bit>

#include "platform/icu/han_readings.h"

namespace platform {
namespace {

constexpr std::uint16_t kNoCharacter = 0xFFFF;  // a byte that starts no GBK character
constexpr std::size_t kMostLetters = 63;        // a pinyin text's letters are bits of a word

// A letter of either case alike: ASCII, and GBK's full-width Latin, Greek and Cyrillic letters
// fold to their lower case.
std::uint16_t foldCase(std::uint16_t c) {
  if (c >= 'A' && c <= 'Z') return static_cast<std::uint16_t>(c + 0x20);
  if ((c >= 0xA3C1 && c <= 0xA3DA) || (c >= 0xA6A1 && c <= 0xA6B8)) {
    return static_cast<std::uint16_t>(c + 0x20);
  }
  if (c >= 0xA7A1 && c <= 0xA7C1) return static_cast<std::uint16_t>(c + 0x30);
  return c;
}

// The character at the start of `gbk` and its length in bytes (1 for a byte that starts none),
// as gbkCharLength tells them; here inline, as it is asked for every byte of every label.
std::uint16_t characterAt(std::string_view gbk, std::size_t& length) {
  const auto lead = static_cast<unsigned char>(gbk[0]);
  length = 1;
  if (lead < 0x80) return lead;
  if (lead == 0x80 || lead == 0xFF || gbk.size() < 2) return kNoCharacter;
  const auto trail = static_cast<unsigned char>(gbk[1]);
  if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return kNoCharacter;
  length = 2;
  return static_cast<std::uint16_t>(lead << 8 | trail);
}

// GBK's pinyin letters with tone marks, four tones of each vowel and then ü's, and the letter each
// stands for (v for ü).
constexpr std::string_view kTonedVowels = "āáǎàēéěèīíǐìōóǒòūúǔùǖǘǚǜü";
constexpr std::string_view kToneless = "aaaaeeeeiiiioooouuuuvvvvv";

// The Latin letter `c` stands for in a pinyin text, or 0; `c` is a character of the text.
char pinyinLetter(std::uint16_t c) {
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  if (c >= 'a' && c <= 'z') return static_cast<char>(c);
  if (c >= 0xA3C1 && c <= 0xA3DA) return static_cast<char>(c - 0xA3C1 + 'a');
  if (c >= 0xA3E1 && c <= 0xA3FA) return static_cast<char>(c - 0xA3E1 + 'a');
  for (std::size_t i = 0; i + 1 < kTonedVowels.size(); i += 2) {
    if (c == (static_cast<unsigned char>(kTonedVowels[i]) << 8 |
              static_cast<unsigned char>(kTonedVowels[i + 1]))) {
      return kToneless[i / 2];
    }
  }
  return 0;
}

// What ends a syllable in a pinyin text: a space (ASCII or ideographic), an apostrophe, a tone
// digit.
bool endsSyllable(std::uint16_t c) {
  return c == ' ' || c == 0xA1A1 || c == '\'' || (c >= '1' && c <= '5');
}

// A typed letter against a letter of a reading: u stands for ü (v) too.
bool sameLetter(char typed, char read) { return typed == read || (typed == 'u' && read == 'v'); }

}  // namespace

NameMatcher::NameMatcher(std::string_view gbkText) {
  usable_ = !gbkText.empty() && gbkText.find('\0') == std::string_view::npos;
  if (!usable_) return;
  bool pinyin = true;
  for (std::size_t i = 0; i < gbkText.size();) {
    std::size_t length = 0;
    const std::uint16_t c = characterAt(gbkText.substr(i), length);
    i += length;
    characters_.push_back(c == kNoCharacter ? c : readingOf(foldCase(c)).simplified);
    if (!pinyin) continue;
    if (const char letter = pinyinLetter(c)) {
      letters_.push_back(letter);
    } else if (endsSyllable(c)) {
      if (!letters_.empty() && letters_.size() <= kMostLetters) {
        syllableEnds_ |= std::uint64_t{1} << letters_.size();
      }
    } else {
      pinyin = false;
    }
  }
  if (!pinyin || letters_.size() > kMostLetters) letters_.clear();
}

void NameMatcher::decode(std::string_view gbkLabel) const {
  label_.clear();
  for (std::size_t i = 0; i < gbkLabel.size();) {
    std::size_t length = 0;
    const std::uint16_t c = characterAt(gbkLabel.substr(i), length);
    i += length;
    if (c == kNoCharacter) {
      label_.push_back({c, {}, false});
      continue;
    }
    const HanReading reading = readingOf(foldCase(c));
    label_.push_back({reading.simplified, reading.pinyin, c == ' '});
  }
  if (letters_.empty()) return;
  // The first character of each name (at the label's start or after a space) reads as a surname.
  for (std::size_t k = 0; k < label_.size(); ++k) {
    if (label_[k].pinyin.empty() || (k > 0 && !label_[k - 1].space)) continue;
    if (!readsOtherwiseAsSurname(label_[k].code)) continue;
    const bool hasNext = k + 1 < label_.size() && !label_[k + 1].pinyin.empty();
    const SurnameReading surname =
        surnameReadingOf(label_[k].code, hasNext ? label_[k + 1].code : 0);
    label_[k].pinyin = surname.firstPinyin;
    if (surname.compound) label_[k + 1].pinyin = surname.secondPinyin;
  }
}

bool NameMatcher::holdsCharacters() const {
  return std::search(label_.begin(), label_.end(), characters_.begin(), characters_.end(),
                     [](const LabelCharacter& l, std::uint16_t c) { return l.code == c; }) !=
         label_.end();
}

// Which letters of the text can be read so far is a word of bits (bit p: the first p letters),
// carried from one character of the label to the next from each place a reading may start.
bool NameMatcher::readsPinyin() const {
  const std::size_t n = letters_.size();
  const std::uint64_t whole = std::uint64_t{1} << n;
  for (std::size_t start = 0; start < label_.size(); ++start) {
    const std::string_view first = label_[start].pinyin;
    if (first.empty() || !sameLetter(letters_[0], first[0])) continue;
    std::uint64_t reached = 1;
    for (std::size_t k = start; k < label_.size() && reached != 0; ++k) {
      if (label_[k].space) continue;
      const std::string_view reading = label_[k].pinyin;
      if (reading.empty()) break;
      std::uint64_t next = 0;
      for (std::uint64_t left = reached; left != 0; left &= left - 1) {
        const auto p = static_cast<std::size_t>(std::countr_zero(left));
        // The character takes letters p, p + 1 ... as long as they begin its reading and no
        // syllable of the text ends inside.
        for (std::size_t taken = 1; taken <= reading.size() && p + taken <= n; ++taken) {
          if (taken > 1 && (syllableEnds_ >> (p + taken - 1) & 1) != 0) break;
          if (!sameLetter(letters_[p + taken - 1], reading[taken - 1])) break;
          next |= std::uint64_t{1} << (p + taken);
        }
      }
      if ((next & whole) != 0) return true;
      reached = next;
    }
  }
  return false;
}

bool NameMatcher::matches(std::string_view gbkLabel) const {
  if (!usable_) return false;
  decode(gbkLabel);
  return holdsCharacters() || (!letters_.empty() && readsPinyin());
}

}  // namespace platform
