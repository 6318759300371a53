// Makes the table of readings of the GBK characters at build time (han_readings.h uses it): for
// every two-byte GBK character of the Han script its pinyin by ICU's Han-Latin transform, its
// tones taken off and ü written v, and its simplified form by ICU's Traditional-Simplified
// transform when GBK has that form. Each character is transformed alone, so that no neighbour
// changes its reading.
//
// Usage: quillet_han_table_maker OUTPUT. Writes the C++ definitions of the arrays that
// han_readings.h declares (han_readings.cpp includes them) and exits 0, or says why on standard
// error and exits 1.
//
// No literal here holds anything but ASCII: this file is compiled with the GBK execution set too.
#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>
#include <unicode/uversion.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/gbk.h"

namespace {

constexpr int kLeadFirst = 0x81;
constexpr int kLeadLast = 0xFE;
constexpr int kTrailFirst = 0x40;
constexpr int kTrailLast = 0xFE;
constexpr int kTrails = kTrailLast - kTrailFirst + 1;
constexpr int kEntries = (kLeadLast - kLeadFirst + 1) * kTrails;

std::unique_ptr<icu::Transliterator> transform(const char* id) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Transliterator> made(
      icu::Transliterator::createInstance(id, UTRANS_FORWARD, status));
  if (U_FAILURE(status)) {
    std::fprintf(stderr, "han_table_maker: ICU has no transform %s (%s)\n", id,
                 u_errorName(status));
    return nullptr;
  }
  return made;
}

// The toneless pinyin of the Latin text ICU made, in lower-case ASCII with v for ü; nothing when
// the text is no single syllable of letters.
std::optional<std::string> tonelessSyllable(const icu::UnicodeString& latin,
                                            const icu::Normalizer2& decompose) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString parts = decompose.normalize(latin, status);
  if (U_FAILURE(status)) return std::nullopt;
  std::string syllable;
  for (int32_t i = 0; i < parts.length(); i = parts.moveIndex32(i, 1)) {
    const UChar32 c = parts.char32At(i);
    if (c >= 'a' && c <= 'z') {
      syllable.push_back(static_cast<char>(c));
    } else if (c >= 'A' && c <= 'Z') {
      syllable.push_back(static_cast<char>(c - 'A' + 'a'));
    } else if (c == 0x0308 && !syllable.empty() && syllable.back() == 'u') {
      syllable.back() = 'v';  // u with diaeresis
    } else if (c >= 0x0300 && c <= 0x036F) {
      continue;  // a tone mark
    } else {
      return std::nullopt;
    }
  }
  if (syllable.empty()) return std::nullopt;
  return syllable;
}

struct Entry {
  std::uint16_t simplified = 0;  // 0: the character itself
  std::string reading;           // empty: none
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quillet_han_table_maker OUTPUT\n");
    return 1;
  }
  const std::unique_ptr<icu::Transliterator> toLatin = transform("Han-Latin");
  const std::unique_ptr<icu::Transliterator> toSimplified = transform("Traditional-Simplified");
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* decompose = icu::Normalizer2::getNFDInstance(status);
  if (!toLatin || !toSimplified || U_FAILURE(status)) return 1;

  std::vector<Entry> entries(kEntries);
  std::set<std::string> syllables;
  for (int lead = kLeadFirst; lead <= kLeadLast; ++lead) {
    for (int trail = kTrailFirst; trail <= kTrailLast; ++trail) {
      std::string utf8;
      if (!platform::appendGbkCharAsUtf8(static_cast<unsigned char>(lead),
                                         static_cast<unsigned char>(trail), utf8)) {
        continue;
      }
      const icu::UnicodeString character = icu::UnicodeString::fromUTF8(utf8);
      const UChar32 c = character.char32At(0);
      UErrorCode scriptStatus = U_ZERO_ERROR;
      if (uscript_getScript(c, &scriptStatus) != USCRIPT_HAN || U_FAILURE(scriptStatus)) continue;
      Entry& entry =
          entries[static_cast<std::size_t>((lead - kLeadFirst) * kTrails + (trail - kTrailFirst))];

      icu::UnicodeString latin = character;
      toLatin->transliterate(latin);
      if (latin != character) {
        if (std::optional<std::string> syllable = tonelessSyllable(latin, *decompose)) {
          entry.reading = *syllable;
          syllables.insert(*syllable);
        }
      }

      icu::UnicodeString simplified = character;
      toSimplified->transliterate(simplified);
      if (simplified != character && simplified.countChar32() == 1) {
        std::string simplifiedUtf8;
        simplified.toUTF8String(simplifiedUtf8);
        const std::string gbk = platform::utf8ToGbk(simplifiedUtf8, '\0');
        if (gbk.size() == 2 && gbk.find('\0') == std::string::npos) {
          entry.simplified = static_cast<std::uint16_t>(static_cast<unsigned char>(gbk[0]) << 8 |
                                                        static_cast<unsigned char>(gbk[1]));
        }
      }
    }
  }
  if (syllables.size() < 300) {
    std::fprintf(stderr, "han_table_maker: ICU gave only %zu syllables\n", syllables.size());
    return 1;
  }

  std::map<std::string, int> syllableIndex;
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << "// Made by quillet_han_table_maker (platform/icu/han_table_maker.cpp) with ICU "
      << U_ICU_VERSION << ". Do not edit.\n";
  out << "constexpr std::string_view kHanSyllables[] = {\n    \"\",\n";
  int index = 1;
  for (const std::string& syllable : syllables) {
    syllableIndex[syllable] = index++;
    out << "    \"" << syllable << "\",\n";
  }
  out << "};\n";
  out << "constexpr HanEntry kHanTable[" << kEntries << "] = {\n";
  for (const Entry& entry : entries) {
    out << "    {" << entry.simplified << ", "
        << (entry.reading.empty() ? 0 : syllableIndex[entry.reading]) << "},\n";
  }
  out << "};\n";
  out.close();
  if (!out) {
    std::fprintf(stderr, "han_table_maker: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
