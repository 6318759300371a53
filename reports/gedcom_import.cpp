// GEDCOM reading in four steps: the bytes become UTF-8 text; the lines become individuals and
// families with their links resolved; the clan is picked and laid out breadth-first; the records
// are written. This file holds no narrow literal outside ASCII (the fuzz build compiles it with a
// compiler that has no GBK execution character set): GBK bytes come from UTF-8 constants through
// the platform's conversion.
#include "reports/gedcom_import.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/gbk.h"
#include "reports/gedcom_export.h"

namespace quillet {
namespace {

constexpr int kDeepestGeneration = 9;
constexpr int kDeepestLevel = 99;
constexpr std::string_view kNoDate = "00000000";
constexpr std::string_view kAbsentName = "0     ";
constexpr std::string_view kLivingFiller = "0        ";

std::string fromU8(std::u8string_view text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

std::string numberText(long long value) { return std::to_string(value); }

// --- Step 1: the bytes as UTF-8 text ------------------------------------------------------------

void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// UTF-16 (after its byte order mark) as UTF-8; false on an odd length or a lone surrogate.
bool decodeUtf16(std::string_view bytes, bool bigEndian, std::string& out) {
  if (bytes.size() % 2 != 0) return false;
  out.reserve(bytes.size());
  auto unit = [&](std::size_t i) {
    auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<std::uint32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
  };
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    std::uint32_t code = unit(i);
    if (code >= 0xDC00 && code <= 0xDFFF) return false;
    if (code >= 0xD800 && code <= 0xDBFF) {
      if (i + 3 >= bytes.size()) return false;
      std::uint32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    appendUtf8(out, code);
  }
  return true;
}

// Length of the valid UTF-8 character at the start of `text`, 0 when it is not one.
std::size_t utf8Length(std::string_view text) {
  auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length = lead < 0x80                    ? 1
                       : lead >= 0xC2 && lead <= 0xDF ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
  if (length == 0 || text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 0;
  }
  auto second = static_cast<unsigned char>(length > 1 ? text[1] : 0);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
      (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
    return 0;  // overlong, surrogate or beyond U+10FFFF
  }
  return length;
}

// The 1-based line of the first byte that is not UTF-8, 0 when all are.
int firstInvalidUtf8Line(std::string_view text) {
  int line = 1;
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      if (text[i] == '\n') ++line;
      ++i;
      continue;
    }
    std::size_t length = utf8Length(text.substr(i));
    if (length == 0) return line;
    i += length;
  }
  return 0;
}

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// --- Step 2: individuals and families -----------------------------------------------------------

enum class Kind { kNone, kHeader, kIndividual, kFamily, kOther };

struct Individual {
  std::string_view xref;
  bool hasName = false;
  std::string name;          // the first NAME's value, with its CONC and CONT lines
  std::string surnamePiece;  // the SURN of that NAME
  char sex = 0;              // the first letter of SEX; 0 when there is none
  bool born = false;
  std::string birthDate;  // the DATE of the first BIRT
  bool dead = false;
  std::string deathDate;            // the DATE of the first DEAT
  std::vector<int> spouseFamilies;  // its FAMS links, in order
  std::vector<int> childFamilies;   // families listing it as CHIL, in file order
  std::vector<int> husbandOf;       // families naming it HUSB: FAMS order, then file order
  std::vector<int> partnerIn;       // families naming it HUSB or WIFE
};

struct Family {
  std::string_view xref;
  int husband = -1;
  int wife = -1;
  std::vector<int> children;  // in CHIL order
  bool marriage = false;      // it has a MARR event
};

// A pointer met on a line, resolved once every record is known.
struct Link {
  enum Role { kHusband, kWife, kChild, kChildOf, kSpouseOf } role;
  int owner;  // index of the record holding the line
  std::string_view target;
  std::string_view tag;
  int line;
};

struct Document {
  std::string version;
  std::string charset;
  std::vector<Individual> individuals;
  std::vector<Family> families;
  std::unordered_map<std::string_view, int> individualIndex;  // by XREF
};

struct Line {
  int number = 0;
  int level = 0;
  std::string_view xref, tag, value;
};

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool isPointer(std::string_view value) {
  return value.size() > 2 && value.front() == '@' && value.back() == '@' &&
         value.substr(1, value.size() - 2).find('@') == std::string_view::npos;
}

// Splits one line "LEVEL [@XREF@] TAG [VALUE]". False with `error` set when it is not one.
bool splitLine(std::string_view text, Line& line, std::string& error) {
  std::string prefix = "line " + numberText(line.number) + ": ";
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0 || digits > 2) {
    error = prefix + "no level number at the start of the line";
    return false;
  }
  line.level = std::stoi(std::string(text.substr(0, digits)));
  text.remove_prefix(digits);
  auto word = [&] {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    std::size_t end = text.find(' ');
    std::string_view found = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end);
    return found;
  };
  if (!text.empty() && text.front() != ' ') {
    error = prefix + "no space after the level number";
    return false;
  }
  std::string_view first = word();
  if (!first.empty() && first.front() == '@') {
    line.xref = first;
    first = word();
  }
  if (first.empty()) {
    error = prefix + "no tag";
    return false;
  }
  line.tag = first;
  if (!text.empty()) text.remove_prefix(1);  // the one space before the value
  line.value = text;
  return true;
}

// The value of a line as text: 5.5.1 doubles every '@', 7.0 only a leading one.
std::string unescaped(std::string_view value, bool version7) {
  std::string text;
  if (version7) {
    if (value.starts_with("@@")) value.remove_prefix(1);
    return std::string(value);
  }
  for (std::size_t i = 0; i < value.size(); ++i) {
    text += value[i];
    if (value[i] == '@' && i + 1 < value.size() && value[i + 1] == '@') ++i;
  }
  return text;
}

std::string lineText(int line) { return "line " + numberText(line) + ": "; }

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  // Reads every line up to TRLR, then resolves the pointers. False with `error` set on the first
  // fault.
  bool parse(Document& document, std::string& error);

 private:
  bool startRecord(const Line& line, Document& document, std::string& error);
  void readHeaderLine(const Line& line, Document& document);
  void readIndividualLine(const Line& line, Individual& person);
  void readFamilyLine(const Line& line, Family& family);
  bool resolve(Document& document, std::string& error);

  struct Definition {
    Kind kind;
    int index;
    int line;
  };
  // The level-1 structure of an individual being read, when it is the first of its kind.
  enum class Open { kNone, kName, kBirth, kDeath };

  std::string_view text_;
  std::array<std::string_view, kDeepestLevel + 1> tags_{};  // the tag open at each level
  Kind kind_ = Kind::kNone;                                 // of the record being read
  int current_ = -1;  // its index among the individuals or the families
  Open open_ = Open::kNone;
  bool trailerSeen_ = false;
  bool version7_ = false;
  std::vector<Link> links_;
  std::unordered_map<std::string_view, Definition> definitions_;
};

bool Parser::parse(Document& document, std::string& error) {
  int number = 0;
  int previousLevel = -1;
  std::size_t at = 0;
  while (at < text_.size() && !trailerSeen_) {
    std::size_t end = text_.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = text_.size();
    std::string_view raw = text_.substr(at, end - at);
    at = end;
    if (at < text_.size()) {
      at += (text_[at] == '\r' && at + 1 < text_.size() && text_[at + 1] == '\n') ? 2 : 1;
    }
    ++number;
    if (trimmed(raw).empty()) continue;
    Line line;
    line.number = number;
    if (!splitLine(raw, line, error)) return false;
    if (line.level > previousLevel + 1) {
      error = lineText(number) + "level " + numberText(line.level) +
              (previousLevel < 0 ? " at the start of the file"
                                 : " follows level " + numberText(previousLevel));
      return false;
    }
    previousLevel = line.level;
    tags_[static_cast<std::size_t>(line.level)] = line.tag;
    if (line.level == 0) {
      if (!startRecord(line, document, error)) return false;
    } else if (kind_ == Kind::kIndividual) {
      readIndividualLine(line, document.individuals[static_cast<std::size_t>(current_)]);
    } else if (kind_ == Kind::kFamily) {
      readFamilyLine(line, document.families[static_cast<std::size_t>(current_)]);
    } else if (kind_ == Kind::kHeader) {
      readHeaderLine(line, document);
    }
  }
  if (kind_ == Kind::kNone) {
    error = "not a GEDCOM file: it does not begin with 0 HEAD";
    return false;
  }
  if (!trailerSeen_) {
    error = "the file ends without 0 TRLR: it is cut short";
    return false;
  }
  return resolve(document, error);
}

bool Parser::startRecord(const Line& line, Document& document, std::string& error) {
  if (kind_ == Kind::kNone) {
    if (line.tag != "HEAD") {
      error = "not a GEDCOM file: it does not begin with 0 HEAD";
      return false;
    }
    kind_ = Kind::kHeader;
    return true;
  }
  if (line.tag == "TRLR") {
    trailerSeen_ = true;
    return true;
  }
  kind_ = Kind::kOther;
  current_ = -1;
  open_ = Open::kNone;
  if (line.tag == "INDI" && !line.xref.empty()) {
    kind_ = Kind::kIndividual;
    current_ = static_cast<int>(document.individuals.size());
    document.individuals.emplace_back().xref = line.xref;
  } else if (line.tag == "FAM" && !line.xref.empty()) {
    kind_ = Kind::kFamily;
    current_ = static_cast<int>(document.families.size());
    document.families.emplace_back().xref = line.xref;
  }
  if (line.xref.empty()) return true;
  if (!isPointer(line.xref)) {
    error = lineText(line.number) + std::string(line.xref) + " is not a cross-reference";
    return false;
  }
  auto [found, fresh] = definitions_.emplace(line.xref, Definition{kind_, current_, line.number});
  if (!fresh) {
    error = lineText(line.number) + std::string(line.xref) +
            " is defined a second time (first on line " + numberText(found->second.line) + ")";
    return false;
  }
  return true;
}

void Parser::readHeaderLine(const Line& line, Document& document) {
  if (line.level == 1 && line.tag == "CHAR") document.charset = std::string(trimmed(line.value));
  if (line.level == 2 && line.tag == "VERS" && tags_[1] == "GEDC") {
    document.version = std::string(trimmed(line.value));
    version7_ = document.version.starts_with("7.");
  }
}

void Parser::readIndividualLine(const Line& line, Individual& person) {
  if (line.level == 1) {
    open_ = Open::kNone;
    if (line.tag == "NAME" && !person.hasName) {
      open_ = Open::kName;
      person.hasName = true;
      person.name = unescaped(line.value, version7_);
    } else if (line.tag == "BIRT" && !person.born) {
      open_ = Open::kBirth;
      person.born = true;
    } else if (line.tag == "DEAT" && !person.dead) {
      open_ = Open::kDeath;
      person.dead = true;
    } else if (line.tag == "SEX") {
      std::string_view value = trimmed(line.value);
      person.sex = value.empty() ? '\0' : value.front();
    } else if (line.tag == "FAMS" || line.tag == "FAMC") {
      links_.push_back(Link{line.tag == "FAMS" ? Link::kSpouseOf : Link::kChildOf, current_,
                            trimmed(line.value), line.tag, line.number});
    }
    return;
  }
  if (line.level != 2) return;
  if (open_ == Open::kName) {
    if (line.tag == "SURN") person.surnamePiece = unescaped(trimmed(line.value), version7_);
    if (line.tag == "CONC") person.name += unescaped(line.value, version7_);
    if (line.tag == "CONT") person.name += " " + unescaped(line.value, version7_);
  } else if (line.tag == "DATE" && open_ != Open::kNone) {
    (open_ == Open::kBirth ? person.birthDate : person.deathDate) = trimmed(line.value);
  }
}

void Parser::readFamilyLine(const Line& line, Family& family) {
  if (line.level != 1) return;
  if (line.tag == "MARR") family.marriage = true;
  auto link = [&](Link::Role role) {
    links_.push_back(Link{role, current_, trimmed(line.value), line.tag, line.number});
  };
  if (line.tag == "HUSB") link(Link::kHusband);
  if (line.tag == "WIFE") link(Link::kWife);
  if (line.tag == "CHIL") link(Link::kChild);
}

bool Parser::resolve(Document& document, std::string& error) {
  for (const Link& link : links_) {
    if (version7_ && link.target == "@VOID@") continue;
    std::string where = lineText(link.line) + std::string(link.tag) + " ";
    if (!isPointer(link.target)) {
      error = where + "needs a pointer such as @I1@, not \"" + std::string(link.target) + "\"";
      return false;
    }
    auto found = definitions_.find(link.target);
    if (found == definitions_.end()) {
      error = where + std::string(link.target) + " points to no record";
      return false;
    }
    bool wantsIndividual =
        link.role == Link::kHusband || link.role == Link::kWife || link.role == Link::kChild;
    if (found->second.kind != (wantsIndividual ? Kind::kIndividual : Kind::kFamily)) {
      error = where + std::string(link.target) + " points to no " +
              (wantsIndividual ? "INDI" : "FAM") + " record";
      return false;
    }
    int target = found->second.index;
    auto owner = static_cast<std::size_t>(link.owner);
    switch (link.role) {
      case Link::kHusband:
        if (document.families[owner].husband < 0) document.families[owner].husband = target;
        break;
      case Link::kWife:
        if (document.families[owner].wife < 0) document.families[owner].wife = target;
        break;
      case Link::kChild:
        document.families[owner].children.push_back(target);
        document.individuals[static_cast<std::size_t>(target)].childFamilies.push_back(link.owner);
        break;
      case Link::kSpouseOf:
        document.individuals[owner].spouseFamilies.push_back(target);
        break;
      case Link::kChildOf:
        break;  // the family's CHIL lines say who its children are
    }
  }
  for (std::size_t i = 0; i < document.individuals.size(); ++i) {
    document.individualIndex.emplace(document.individuals[i].xref, static_cast<int>(i));
  }
  // Each person's families: as husband in the order of his FAMS links, then the others in file
  // order; and every family in which he or she is a spouse.
  std::vector<std::vector<int>> headed(document.individuals.size());
  for (std::size_t f = 0; f < document.families.size(); ++f) {
    const Family& family = document.families[f];
    if (family.husband >= 0)
      headed[static_cast<std::size_t>(family.husband)].push_back(static_cast<int>(f));
    for (int partner : {family.husband, family.wife}) {
      if (partner >= 0) {
        document.individuals[static_cast<std::size_t>(partner)].partnerIn.push_back(
            static_cast<int>(f));
      }
    }
  }
  for (std::size_t i = 0; i < document.individuals.size(); ++i) {
    Individual& person = document.individuals[i];
    for (int f : person.spouseFamilies) {
      bool heads = document.families[static_cast<std::size_t>(f)].husband == static_cast<int>(i);
      if (heads && std::find(person.husbandOf.begin(), person.husbandOf.end(), f) ==
                       person.husbandOf.end()) {
        person.husbandOf.push_back(f);
      }
    }
    for (int f : headed[i]) {
      if (std::find(person.husbandOf.begin(), person.husbandOf.end(), f) ==
          person.husbandOf.end()) {
        person.husbandOf.push_back(f);
      }
    }
  }
  return true;
}

// --- Dates --------------------------------------------------------------------------------------

void appendDigits(std::string& text, int value, int width) {
  std::string digits(static_cast<std::size_t>(width), '0');
  for (int k = width - 1; k >= 0 && value > 0; --k, value /= 10) {
    digits[static_cast<std::size_t>(k)] = static_cast<char>('0' + value % 10);
  }
  text += digits;
}

int daysIn(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return (month == 2 && leap) ? 29 : kDays[month - 1];
}

struct DateReading {
  enum Quality { kExact, kNotExact, kNotWholeDay, kNotRealDay, kUnreadable };
  Quality quality = kUnreadable;
  std::string digits = std::string(kNoDate);  // yyyymmdd, 00 for a missing month or day
};

std::vector<std::string> upperWords(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

bool allDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int monthNumber(std::string_view word) {
  static constexpr std::string_view kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  for (int m = 0; m < 12; ++m) {
    if (word == kMonths[m]) return m + 1;
  }
  return 0;
}

// A GEDCOM date value (5.5.1 or 7.0) as yyyymmdd. Only Gregorian dates from year 1 to 9999 are
// held; a qualifier (ABT, BEF, BET ... AND ...) makes a date not exact, and of a range the first
// date is taken.
DateReading readDate(std::string_view value) {
  DateReading reading;
  std::vector<std::string> words = upperWords(value);
  std::size_t i = 0;
  auto at = [&](std::size_t k) { return k < words.size() ? std::string_view(words[k]) : ""; };
  if (at(i).starts_with("@#D")) {  // a 5.5.1 calendar escape, "@#DFRENCH R@" has a space
    std::string escape = words[i++];
    while (!escape.ends_with("@") && i < words.size()) escape += " " + words[i++];
    if (escape != "@#DGREGORIAN@") return reading;
  } else if (at(i) == "GREGORIAN") {
    ++i;
  } else if (at(i) == "JULIAN" || at(i) == "HEBREW" || at(i) == "FRENCH_R" ||
             at(i).starts_with("_")) {
    return reading;
  }
  static constexpr std::string_view kQualifiers[] = {"ABT", "CAL",  "EST", "BEF", "AFT",
                                                     "BET", "FROM", "TO",  "INT"};
  bool qualified =
      std::find(std::begin(kQualifiers), std::end(kQualifiers), at(i)) != std::end(kQualifiers);
  if (qualified) ++i;
  int day = 0, month = 0;
  if (allDigits(at(i)) && monthNumber(at(i + 1)) != 0) day = std::stoi(std::string(at(i++)));
  if (monthNumber(at(i)) != 0) month = monthNumber(at(i++));
  std::string_view yearWord = at(i++);
  if (std::size_t slash = yearWord.find('/'); slash != std::string_view::npos && slash > 0) {
    yearWord = yearWord.substr(0, slash);  // a dual year such as 1740/41
  }
  if (!allDigits(yearWord) || yearWord.size() > 4) return reading;
  int year = std::stoi(std::string(yearWord));
  std::string_view after = at(i);
  bool beforeChrist = after == "B.C." || after == "BC" || after == "BCE";
  if (year < 1 || beforeChrist || (!qualified && !after.empty())) return reading;
  std::string digits;
  appendDigits(digits, year, 4);
  appendDigits(digits, month, 2);
  if (day > 0 && month > 0 && day > daysIn(year, month)) {
    appendDigits(digits, 0, 2);
    reading.quality = DateReading::kNotRealDay;
  } else {
    appendDigits(digits, day, 2);
    reading.quality = (day == 0 || month == 0) ? DateReading::kNotWholeDay
                      : qualified              ? DateReading::kNotExact
                                               : DateReading::kExact;
  }
  reading.digits = digits;
  return reading;
}

// --- Names --------------------------------------------------------------------------------------

// The text without spaces and control characters.
std::string squeezed(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (static_cast<unsigned char>(c) > 0x20 && c != 0x7F) out += c;
  }
  return out;
}

// The whole name, surname first, UTF-8: "宝玉 /贾/" and "/贾/宝玉" give 贾宝玉; a title name given
// as "尤氏 /尤/" or as "尤氏" with SURN 尤 stays 尤氏.
std::string wholeName(const Individual& person) {
  const std::string& value = person.name;
  std::size_t open = value.find('/');
  if (open == std::string::npos) {
    std::string whole = squeezed(value);
    std::string surname = squeezed(person.surnamePiece);
    return whole.starts_with(surname) ? whole : surname + whole;
  }
  std::size_t close = value.find('/', open + 1);
  std::string surname = squeezed(value.substr(open + 1, close - open - 1));
  std::string rest = squeezed(value.substr(0, open));
  if (close != std::string::npos) rest += squeezed(value.substr(close + 1));
  bool titled = !surname.empty() && rest.size() > surname.size() && rest.starts_with(surname) &&
                titleLength(rest) == rest.size() - surname.size();
  return titled ? rest : surname + rest;
}

// The characters of a UTF-8 text (a byte that starts none counts as one).
std::vector<std::string_view> characters(std::string_view text) {
  std::vector<std::string_view> out;
  while (!text.empty()) {
    std::size_t length = std::max<std::size_t>(1, utf8Length(text));
    out.push_back(text.substr(0, length));
    text.remove_prefix(length);
  }
  return out;
}

// The GBK characters this reader puts into names it has to make.
struct MadeNameCharacters {
  std::string some;                   // 某, for a character that cannot be kept
  std::string anonymous;              // 佚名, for a name without any character to keep
  std::string lost;                   // 佚, first character of a counted name
  std::vector<std::string> numerals;  // 二 ... 十, to tell equal names apart
};

const MadeNameCharacters& madeNameCharacters() {
  static const MadeNameCharacters made = [] {
    MadeNameCharacters m;
    m.some = platform::utf8ToGbk(fromU8(u8"某"));
    m.anonymous = platform::utf8ToGbk(fromU8(u8"佚名"));
    m.lost = platform::utf8ToGbk(fromU8(u8"佚"));
    std::string numerals = platform::utf8ToGbk(fromU8(u8"二三四五六七八九十"));
    for (std::size_t i = 0; i + 1 < numerals.size(); i += 2)
      m.numerals.push_back(numerals.substr(i, 2));
    return m;
  }();
  return made;
}

// A name key of GBK characters (two or three double-byte characters).
std::string keyOf(const std::vector<std::string>& gbkCharacters) {
  std::string key;
  for (const std::string& c : gbkCharacters) key += c;
  if (key.size() == 4) key += "  ";
  return key;
}

// --- The clan -----------------------------------------------------------------------------------

struct Member {
  int person = -1;
  int father = -1;  // member index
  int older = -1;   // member index of the next older sibling
  int family = -1;  // the family through which the member is a child
  int depth = 0;
  std::vector<int> children;         // member indexes, in chain order
  std::array<int, 2> wives{-1, -1};  // individuals
};

std::string sexText(char sex) {
  return sex == '\0' ? std::string("no sex given") : "sex " + std::string(1, sex);
}

class ClanBuilder {
 public:
  ClanBuilder(const Document& document, GedcomImport& result)
      : doc_(document),
        result_(result),
        state_(document.individuals.size(), kNone),
        memberOf_(document.individuals.size(), -1),
        childFamily_(document.individuals.size(), -1),
        slotOf_(document.families.size(), 0),
        key_(document.individuals.size()) {}

  // Picks the root (options.root, or the man without parents of the largest male line) and
  // lays out, names and writes the clan into `result`. False with result.error set when the
  // links loop or there is no root.
  bool build(const GedcomImportOptions& options);

 private:
  enum State : char { kNone, kMember, kWife, kLeftOut };

  const Individual& person(int i) const { return doc_.individuals[static_cast<std::size_t>(i)]; }
  const Family& family(int f) const { return doc_.families[static_cast<std::size_t>(f)]; }
  std::string label(int i) const {
    return std::string(person(i).xref) + " " + wholeName(person(i));
  }
  void lose(int i, std::string reason, std::string used = {}, bool leftOut = false);

  bool checkNoLoop(std::vector<int>& order);
  int chooseRoot(const std::vector<int>& order) const;
  void collectMembers(int root);
  void takeChildren(std::size_t m);
  void assignWives();
  void listDescendantsLeftOut();
  void assignNames();
  std::string date(int i, bool birth);
  char memberSex(int m);
  char married(int i) const;
  void writeRecords();
  void appendRecord(int i, char generation, const std::string& father, char sex,
                    const std::string& older, char motherIndex, char marriedFlag,
                    const std::string& husband);

  const Document& doc_;
  GedcomImport& result_;
  std::vector<Member> members_;  // breadth-first from the root, children in chain order
  std::vector<State> state_;
  std::vector<int> memberOf_;
  std::vector<int> childFamily_;  // the family through which a person was first reached
  std::vector<int> slotOf_;       // per family: 1 or 2 for the wife slot of its wife, else 0
  std::vector<std::pair<int, int>> deep_;  // persons below generation 9, with their depth
  std::vector<std::string> key_;           // name key of each person written
  std::vector<std::pair<int, ImportLoss>> losses_;
};

void ClanBuilder::lose(int i, std::string reason, std::string used, bool leftOut) {
  ImportLoss loss;
  loss.xref = std::string(person(i).xref);
  loss.name = wholeName(person(i));
  loss.reason = std::move(reason);
  loss.used = std::move(used);
  loss.leftOut = leftOut;
  losses_.emplace_back(i, std::move(loss));
}

// A topological order of the persons, parents before children. False with the error when a
// person is his own ancestor.
bool ClanBuilder::checkNoLoop(std::vector<int>& order) {
  std::size_t count = doc_.individuals.size();
  std::vector<int> parents(count, 0);
  for (const Family& f : doc_.families) {
    int partners = (f.husband >= 0 ? 1 : 0) + (f.wife >= 0 ? 1 : 0);
    for (int child : f.children) parents[static_cast<std::size_t>(child)] += partners;
  }
  order.clear();
  order.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (parents[i] == 0) order.push_back(static_cast<int>(i));
  }
  for (std::size_t next = 0; next < order.size(); ++next) {
    for (int f : person(order[next]).partnerIn) {
      for (int child : family(f).children) {
        if (--parents[static_cast<std::size_t>(child)] == 0) order.push_back(child);
      }
    }
  }
  if (order.size() == count) return true;
  // Walk up through parents still waiting: after `count` steps the walk is inside a loop.
  auto waitingParent = [&](int child) {
    for (int f : person(child).childFamilies) {
      for (int parent : {family(f).husband, family(f).wife}) {
        if (parent >= 0 && parents[static_cast<std::size_t>(parent)] > 0) return parent;
      }
    }
    return child;  // not reached: a person still waiting has a parent still waiting
  };
  int at = 0;
  while (parents[static_cast<std::size_t>(at)] == 0) ++at;
  for (std::size_t step = 0; step < count; ++step) at = waitingParent(at);
  result_.error = label(at) + " is his own ancestor: the FAMC/FAMS links loop";
  return false;
}

// The man without parents whose male line holds the most persons (members and their wives),
// the first in the file on a tie; -1 when there is no man without parents.
int ClanBuilder::chooseRoot(const std::vector<int>& order) const {
  std::vector<double> size(doc_.individuals.size(), 1);  // double: diamonds may count twice
  for (auto i = order.rbegin(); i != order.rend(); ++i) {
    double& total = size[static_cast<std::size_t>(*i)];
    std::vector<int> wives;
    for (int f : person(*i).husbandOf) {
      int wife = family(f).wife;
      if (wife >= 0 && std::find(wives.begin(), wives.end(), wife) == wives.end()) {
        wives.push_back(wife);
      }
      for (int child : family(f).children) total += size[static_cast<std::size_t>(child)];
    }
    total += static_cast<double>(wives.size());
  }
  int root = -1;
  for (std::size_t i = 0; i < doc_.individuals.size(); ++i) {
    const Individual& candidate = doc_.individuals[i];
    if (candidate.sex != 'M' || !candidate.childFamilies.empty()) continue;
    if (root < 0 || size[i] > size[static_cast<std::size_t>(root)]) root = static_cast<int>(i);
  }
  return root;
}

void ClanBuilder::collectMembers(int root) {
  members_.push_back(Member{});
  members_.back().person = root;
  state_[static_cast<std::size_t>(root)] = kMember;
  memberOf_[static_cast<std::size_t>(root)] = 0;
  for (std::size_t m = 0; m < members_.size(); ++m) takeChildren(m);
}

// Appends the children of member `m` to the members, in chain order: birth order, the order of
// his families and of their CHIL lines on equal dates, a child without a date after the child
// listed before him.
void ClanBuilder::takeChildren(std::size_t m) {
  const int father = members_[m].person;
  const int depth = members_[m].depth + 1;
  struct Child {
    int person, family;
    std::string key;
  };
  std::vector<Child> children;
  std::string previousKey;
  for (int f : person(father).husbandOf) {
    for (int c : family(f).children) {
      auto index = static_cast<std::size_t>(c);
      if (state_[index] != kNone) {
        if (childFamily_[index] != f && state_[index] == kMember) {
          lose(c, "also a child of " + std::string(family(f).xref) + " (" + label(father) +
                      "); that parentage is not held");
        }
        continue;
      }
      childFamily_[index] = f;
      if (depth > kDeepestGeneration) {
        state_[index] = kLeftOut;
        lose(c, "generation " + numberText(depth) + " is deeper than 9", {}, true);
        deep_.emplace_back(c, depth);
        continue;
      }
      state_[index] = kMember;
      const Individual& child = person(c);
      DateReading birth = readDate(child.birthDate);
      if (child.born && birth.quality != DateReading::kUnreadable) previousKey = birth.digits;
      children.push_back(Child{c, f, previousKey});
    }
  }
  std::stable_sort(children.begin(), children.end(),
                   [](const Child& a, const Child& b) { return a.key < b.key; });
  for (const Child& child : children) {
    int index = static_cast<int>(members_.size());
    Member member;
    member.person = child.person;
    member.father = static_cast<int>(m);
    member.family = child.family;
    member.depth = depth;
    member.older = members_[m].children.empty() ? -1 : members_[m].children.back();
    memberOf_[static_cast<std::size_t>(child.person)] = index;
    members_[m].children.push_back(index);
    members_.push_back(std::move(member));
  }
}

// Wives in the order of each member's families, first come first served; then each child's
// mother slot.
void ClanBuilder::assignWives() {
  for (Member& member : members_) {
    for (int f : person(member.person).husbandOf) {
      int wife = family(f).wife;
      if (wife < 0) continue;
      auto index = static_cast<std::size_t>(wife);
      if (wife == member.wives[0] || wife == member.wives[1]) {
        slotOf_[static_cast<std::size_t>(f)] = wife == member.wives[0] ? 1 : 2;
      } else if (state_[index] == kMember) {
        lose(wife, "a member of the clan and also the wife of " + label(member.person) +
                       "; that marriage is not held");
      } else if (state_[index] != kNone) {
        lose(wife, "also the wife of " + label(member.person) + "; that marriage is not held");
      } else if (member.wives[1] < 0) {
        int slot = member.wives[0] < 0 ? 0 : 1;
        member.wives[static_cast<std::size_t>(slot)] = wife;
        slotOf_[static_cast<std::size_t>(f)] = slot + 1;
        state_[index] = kWife;
      } else {
        state_[index] = kLeftOut;
        lose(wife, "third wife of " + label(member.person), {}, true);
      }
    }
  }
  for (const Member& member : members_) {
    if (member.family < 0) continue;
    int mother = family(member.family).wife;
    if (mother >= 0 && slotOf_[static_cast<std::size_t>(member.family)] == 0) {
      lose(member.person, "mother " + label(mother) + " is not held; no mother recorded");
    }
  }
}

// Persons below generation 9 leave out their wives and descendants too.
void ClanBuilder::listDescendantsLeftOut() {
  for (std::size_t next = 0; next < deep_.size(); ++next) {
    auto [deepPerson, depth] = deep_[next];
    for (int f : person(deepPerson).husbandOf) {
      int wife = family(f).wife;
      if (wife >= 0 && state_[static_cast<std::size_t>(wife)] == kNone) {
        state_[static_cast<std::size_t>(wife)] = kLeftOut;
        lose(wife, "wife of " + label(deepPerson) + ", who is not imported", {}, true);
      }
      for (int c : family(f).children) {
        if (state_[static_cast<std::size_t>(c)] != kNone) continue;
        state_[static_cast<std::size_t>(c)] = kLeftOut;
        lose(c, "generation " + numberText(depth + 1) + " is deeper than 9", {}, true);
        deep_.emplace_back(c, depth + 1);
      }
    }
  }
}

// Two characters of the GB2312 first level numbered by `serial`.
std::string countedCharacters(int serial) {
  constexpr int kPerRow = 94;
  constexpr int kCharacters = (0xD6 - 0xB0 + 1) * kPerRow;
  std::string bytes;
  for (int index : {serial / kCharacters % kCharacters, serial % kCharacters}) {
    bytes += static_cast<char>(0xB0 + index / kPerRow);
    bytes += static_cast<char>(0xA1 + index % kPerRow);
  }
  return bytes;
}

std::string utf8OfKey(std::string_view key) {
  while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
  return platform::gbkToUtf8(key).value_or("?");
}

// Name keys for everyone written, in writing order. A name that makes a key keeps it unless an
// earlier person has it; the others get a key made of what can be kept of their name: 某 for a
// character that cannot, 某 added to one character, the first three of four or more, 佚名 for
// nothing at all; then a numeral in the third place, then 佚 and two counted characters, until
// the key is free.
void ClanBuilder::assignNames() {
  std::vector<int> written;
  for (const Member& member : members_) {
    written.push_back(member.person);
    for (int wife : member.wives) {
      if (wife >= 0) written.push_back(wife);
    }
  }
  // Every character of every name converted in one go, one character a line.
  std::vector<std::string> names(written.size());
  std::vector<std::vector<std::string_view>> nameCharacters(written.size());
  std::string joined;
  for (std::size_t k = 0; k < written.size(); ++k) {
    names[k] = wholeName(person(written[k]));
    nameCharacters[k] = characters(names[k]);
    for (std::string_view c : nameCharacters[k]) {
      joined += c;
      joined += '\n';
    }
  }
  const std::string gbk = platform::utf8ToGbk(joined, '?');
  std::size_t at = 0;
  auto nextCharacter = [&] {
    std::size_t end = std::min(gbk.find('\n', at), gbk.size());
    std::string piece = gbk.substr(at, end - at);
    at = std::min(end + 1, gbk.size());
    return piece;
  };

  std::unordered_map<std::string, int> taken;
  std::vector<std::vector<std::string>> kept(written.size());  // "" for a character not kept
  std::vector<std::string> reasons(written.size());
  for (std::size_t k = 0; k < written.size(); ++k) {
    std::string_view bad;
    for (std::string_view c : nameCharacters[k]) {
      std::string piece = nextCharacter();
      bool double_byte = piece.size() == 2 && platform::gbkCharLength(piece) == 2;
      kept[k].push_back(double_byte ? piece : "");
      if (!double_byte && bad.empty()) bad = c;
    }
    std::size_t count = nameCharacters[k].size();
    std::string& reason = reasons[k];
    if (count == 0) {
      reason = "no name";
    } else if (count < 2 || count > 3) {
      reason = "name of " + numberText(static_cast<long long>(count)) +
               (count == 1 ? " character" : " characters");
    }
    if (!bad.empty()) {
      reason += reason.empty() ? "" : ", ";
      reason += bad.size() > 1 ? "character " + std::string(bad) + " is not in GBK"
                               : "character \"" + std::string(bad) + "\" is not Chinese";
    }
    if (!reason.empty()) continue;
    std::string key = keyOf(kept[k]);
    auto [found, fresh] = taken.emplace(key, written[k]);
    if (fresh) {
      key_[static_cast<std::size_t>(written[k])] = key;
    } else {
      reason = "name already used by " + label(found->second);
    }
  }

  const MadeNameCharacters& made = madeNameCharacters();
  int serial = 0;
  for (std::size_t k = 0; k < written.size(); ++k) {
    if (reasons[k].empty()) continue;
    std::vector<std::string> base;
    bool anyKept = false;
    for (const std::string& piece : kept[k]) {
      base.push_back(piece.empty() ? made.some : piece);
      anyKept = anyKept || !piece.empty();
    }
    if (!anyKept) base = {made.anonymous.substr(0, 2), made.anonymous.substr(2)};
    if (base.size() == 1) base.push_back(made.some);
    if (base.size() > 3) base.resize(3);
    std::string key = keyOf(base);
    for (std::size_t n = 0; taken.count(key) != 0 && n < made.numerals.size(); ++n) {
      key = keyOf({base[0], base[1], made.numerals[n]});
    }
    while (taken.count(key) != 0) key = made.lost + countedCharacters(serial++);
    taken.emplace(key, written[k]);
    key_[static_cast<std::size_t>(written[k])] = key;
    lose(written[k], reasons[k], utf8OfKey(key));
  }
}

// The yyyymmdd of a person's birth or death; a date that is missing or not an exact day is a
// loss, with 00 for what the date lacks (00000000 for no date).
std::string ClanBuilder::date(int i, bool birth) {
  const Individual& p = person(i);
  const std::string& value = birth ? p.birthDate : p.deathDate;
  std::string what = birth ? "birth date" : "death date";
  if (value.empty()) {
    lose(i, "no " + what, std::string(kNoDate));
    return std::string(kNoDate);
  }
  DateReading reading = readDate(value);
  static constexpr const char* kWhy[] = {"", "is not an exact day", "is not a whole day",
                                         "is not a real day",
                                         "is not a Gregorian day of the years 1 to 9999"};
  if (reading.quality != DateReading::kExact) {
    lose(i, what + " \"" + value + "\" " + kWhy[reading.quality], reading.digits);
  }
  return reading.digits;
}

// 'm' for a man; the root and every member with wives or children must be one.
char ClanBuilder::memberSex(int m) {
  const Member& member = members_[static_cast<std::size_t>(m)];
  char sex = person(member.person).sex;
  bool husband = !member.children.empty() || member.wives[0] >= 0;
  if (sex == 'M') return 'm';
  if (sex == 'F' && m != 0 && !husband) return 'f';
  std::string why = m == 0 ? ", but the root of the clan" : husband ? ", but a husband" : "";
  lose(member.person, sexText(sex) + why, "m");
  return 'm';
}

// 'y' when the person is a spouse in a family with a partner or a marriage event.
char ClanBuilder::married(int i) const {
  for (int f : person(i).partnerIn) {
    const Family& fam = family(f);
    if (fam.marriage || (fam.husband >= 0 && fam.wife >= 0 && fam.husband != fam.wife)) return 'y';
  }
  return 'n';
}

void ClanBuilder::appendRecord(int i, char generation, const std::string& father, char sex,
                               const std::string& older, char motherIndex, char marriedFlag,
                               const std::string& husband) {
  std::string& out = result_.homeText;
  out += '!';
  out += key_[static_cast<std::size_t>(i)];
  out += generation;
  out += father;
  out += date(i, true);
  out += sex;
  out += older;
  out += motherIndex;
  out += marriedFlag;
  out += husband;
  if (person(i).dead) {
    out += 'n';
    out += date(i, false);
  } else {
    out += 'y';
    out += kLivingFiller;
  }
  out += '\n';
  ++result_.persons;
}

void ClanBuilder::writeRecords() {
  const std::string absent(kAbsentName);
  result_.homeText.reserve(members_.size() * 49 * 2);
  for (std::size_t m = 0; m < members_.size(); ++m) {
    const Member& member = members_[m];
    auto keyOfMember = [&](int index) {
      return index < 0 ? absent : key_[static_cast<std::size_t>(members_[index].person)];
    };
    char generation = static_cast<char>('0' + member.depth);
    char motherIndex =
        member.family < 0
            ? '0'
            : static_cast<char>('0' + slotOf_[static_cast<std::size_t>(member.family)]);
    appendRecord(member.person, generation, keyOfMember(member.father),
                 memberSex(static_cast<int>(m)), keyOfMember(member.older), motherIndex,
                 married(member.person), absent);
    for (int wife : member.wives) {
      if (wife < 0) continue;
      char sex = person(wife).sex;
      if (sex != 'F') lose(wife, sexText(sex) + ", but the wife of " + label(member.person), "f");
      appendRecord(wife, generation, absent, 'f', absent, '0', 'y',
                   key_[static_cast<std::size_t>(member.person)]);
    }
  }
}

bool ClanBuilder::build(const GedcomImportOptions& options) {
  std::vector<int> order;
  if (!checkNoLoop(order)) return false;
  int root = -1;
  if (!options.root.empty()) {
    std::string xref = options.root.front() == '@' ? options.root : "@" + options.root + "@";
    auto found = doc_.individualIndex.find(xref);
    if (found == doc_.individualIndex.end()) {
      result_.error = "the root " + xref + " is no INDI record of the file";
      return false;
    }
    root = found->second;
  } else {
    root = chooseRoot(order);
    if (root < 0) {
      result_.error = "no man without parents (SEX M, no FAMC) to be the root";
      return false;
    }
  }
  collectMembers(root);
  assignWives();
  listDescendantsLeftOut();
  assignNames();
  writeRecords();
  result_.rootXref = std::string(person(root).xref);
  result_.rootName = wholeName(person(root));
  result_.outside = static_cast<std::int32_t>(std::count(state_.begin(), state_.end(), kNone));
  std::stable_sort(losses_.begin(), losses_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [index, loss] : losses_) result_.losses.push_back(std::move(loss));
  return true;
}

// Text of the file shown in an error before its encoding is known to be right: printable ASCII.
std::string shown(std::string_view text) {
  std::string out;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    out += (byte >= 0x20 && byte < 0x7F) ? c : '?';
  }
  return out;
}

bool checkVersionAndEncoding(const Document& document, std::string_view text, bool utf16,
                             std::string& error) {
  const std::string& version = document.version;
  bool known = version.empty() || version == "5.5" || version == "5.5.1" || version == "7.0" ||
               version.starts_with("7.0.");
  if (!known) {
    error = "GEDCOM version " + shown(version) + " is not read (5.5.1 and 7.0 are)";
    return false;
  }
  std::string charset;
  for (char c : document.charset) charset += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  if (!utf16 && !version.starts_with("7.")) {
    if (charset == "UNICODE" || charset == "UTF-16") {
      error = "the header says CHAR " + shown(document.charset) +
              " but the file has no UTF-16 byte order mark";
      return false;
    }
    if (charset == "ASCII" || charset == "ANSEL" || charset == "ANSI") {
      if (isAscii(text)) return true;
      error = "CHAR " + shown(document.charset) +
              ": only plain ASCII is read in that character set, and this file has other bytes;"
              " export it as UTF-8";
      return false;
    }
    if (!charset.empty() && charset != "UTF-8" && charset != "UTF8") {
      error = "character set " + shown(document.charset) + " is not read (UTF-8 and UNICODE are)";
      return false;
    }
  }
  if (int line = firstInvalidUtf8Line(text); line > 0) {
    error = lineText(line) + "bytes that are not UTF-8";
    return false;
  }
  return true;
}

}  // namespace

bool importGedcom(std::string_view bytes, const GedcomImportOptions& options,
                  GedcomImport& result) {
  result = GedcomImport{};
  std::string_view text = bytes;
  std::string decoded;
  bool utf16 = false;
  auto starts = [&](std::string_view prefix) { return bytes.starts_with(prefix); };
  if (starts("\xEF\xBB\xBF")) {
    text.remove_prefix(3);
  } else if (starts("\xFF\xFE") || starts("\xFE\xFF") || starts(std::string_view("0\0", 2)) ||
             starts(std::string_view("\0"
                                     "0",
                                     2))) {
    bool bigEndian = bytes[0] == '\xFE' || bytes[0] == '\0';
    std::size_t mark = bytes[0] == '0' || bytes[0] == '\0' ? 0 : 2;
    if (!decodeUtf16(bytes.substr(mark), bigEndian, decoded)) {
      result.error = "the file is not valid UTF-16";
      return false;
    }
    text = decoded;
    utf16 = true;
  }
  Document document;
  if (!Parser(text).parse(document, result.error)) return false;
  if (!checkVersionAndEncoding(document, text, utf16, result.error)) return false;
  return ClanBuilder(document, result).build(options);
}

std::string lossLine(const ImportLoss& loss) {
  std::string line = loss.xref;
  if (!loss.name.empty()) line += " " + loss.name;
  line += ": " + loss.reason;
  if (loss.leftOut) {
    line += "; not imported";
  } else if (!loss.used.empty()) {
    line += "; " + loss.used + " used";
  }
  return line;
}

}  // namespace quillet
