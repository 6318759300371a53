// GEDCOM reading in four steps: the bytes become UTF-8 text; the lines become individuals and
// families with their links resolved; the clan is picked and laid out breadth-first; the records
// are written. This file holds no narrow literal outside ASCII (the fuzz build compiles it with a
// compiler that has no GBK execution character set): GBK bytes come from UTF-8 constants through
// the platform's conversion.
#include "reports/gedcom_import.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <unordered_map>
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

bool isUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = utf8Length(text.substr(i));
    if (length == 0) return false;
    i += length;
  }
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

// --- Step 2: individuals and families -----------------------------------------------------------

enum class Kind : std::uint8_t { kNone, kHeader, kIndividual, kFamily, kOther };

// A run of record indexes in Document::lists.
struct Range {
  int first = 0;
  int count = 0;
};

struct Individual {
  std::string_view xref;
  bool hasName = false;
  bool born = false;
  bool dead = false;
  char sex = 0;                   // the first letter of SEX; 0 when there is none
  std::string name;               // the first NAME's value, with its CONC and CONT lines
  std::string_view surnamePiece;  // the SURN of that NAME, as written
  std::string_view birthDate;     // the DATE of the first BIRT
  std::string_view deathDate;     // the DATE of the first DEAT
  Range spouseFamilies;           // its FAMS links, in order
  Range childFamilies;            // families listing it as CHIL, in file order
  Range husbandOf;                // families naming it HUSB: FAMS order, then file order
  Range partnerIn;                // families naming it HUSB or WIFE
};

struct Family {
  std::string_view xref;
  int husband = -1;
  int wife = -1;
  Range children;         // in CHIL order
  bool marriage = false;  // it has a MARR event
};

// A pointer met on a line, resolved once every record is known.
struct Link {
  enum Role { kHusband, kWife, kChild, kChildOf, kSpouseOf } role;
  int owner;  // index of the record holding the line
  std::string_view target;
  int line;

  std::string_view tag() const {
    static constexpr std::string_view kTags[] = {"HUSB", "WIFE", "CHIL", "FAMC", "FAMS"};
    return kTags[role];
  }
};

struct Document {
  std::string version;
  std::string charset;
  bool hasHighBytes = false;  // a byte outside ASCII anywhere up to TRLR
  int firstNonUtf8Line = 0;   // the first line up to TRLR that is not UTF-8, 0 for none
  std::vector<Individual> individuals;
  std::vector<Family> families;
  std::vector<int> lists;  // the runs that Range fields name

  std::span<const int> list(Range range) const {
    return std::span<const int>(lists).subspan(static_cast<std::size_t>(range.first),
                                               static_cast<std::size_t>(range.count));
  }
};

// A tag of up to four characters as one number, for quick comparison; 0 for a longer tag.
constexpr std::uint32_t tagCode(std::string_view tag) {
  if (tag.size() > 4) return 0;
  std::uint32_t code = 0;
  for (char c : tag) code = code << 8 | static_cast<unsigned char>(c);
  return code;
}

struct Line {
  int number = 0;
  int level = 0;
  std::string_view xref, tag, value;
  std::uint32_t code = 0;  // tagCode(tag)
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool isPointer(std::string_view value) {
  return value.size() > 2 && value.front() == '@' && value.back() == '@' &&
         value.substr(1, value.size() - 2).find('@') == std::string_view::npos;
}

// Splits one line "LEVEL [@XREF@] TAG [VALUE]". False with the fault in `error` when it is not
// one (without the line number, which the caller adds).
bool splitLine(std::string_view text, Line& line, std::string& error) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  std::size_t digits = 0;
  line.level = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
    if (digits < 2) line.level = line.level * 10 + (text[digits] - '0');
    ++digits;
  }
  if (digits == 0 || digits > 2) {
    error = "no level number at the start of the line";
    return false;
  }
  text.remove_prefix(digits);
  if (!text.empty() && text.front() != ' ') {
    error = "no space after the level number";
    return false;
  }
  auto word = [&] {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    std::size_t end = std::min(text.find(' '), text.size());
    std::string_view found = text.substr(0, end);
    text.remove_prefix(end);
    return found;
  };
  std::string_view first = word();
  if (!first.empty() && first.front() == '@') {
    line.xref = first;
    first = word();
  }
  if (first.empty()) {
    error = "no tag";
    return false;
  }
  line.tag = first;
  line.code = tagCode(first);
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

// Where an XREF is defined.
struct Definition {
  Kind kind = Kind::kNone;
  int index = -1;  // among the individuals or the families
  int line = 0;
};

// XREF to definition, by open addressing on a 64-bit hash of the XREF: a lookup touches one slot
// and, when the hashes agree, the XREF's bytes.
class XrefTable {
 public:
  // Room for `count` XREFs without growing.
  void reserve(std::size_t count) {
    if (4 * count > 3 * slots_.size()) {
      slots_.assign(capacityFor(count), Slot{});
      size_ = 0;
    }
  }

  // Asks the processor to fetch the slot where `xref` starts its search; lookups run a few
  // XREFs behind their prefetch, so that the table's cache misses overlap.
  void prefetch(std::string_view xref) const {
    __builtin_prefetch(&slots_[hashOf(xref) & (slots_.size() - 1)]);
  }

  // The definition already held for `xref`, or null after adding `definition`.
  const Definition* insert(std::string_view xref, const Definition& definition) {
    if (4 * (size_ + 1) > 3 * slots_.size()) grow();
    std::uint64_t hash = hashOf(xref);
    Slot& slot = slots_[place(hash, xref)];
    if (slot.used()) return &slot.definition;
    slot = Slot{hash, xref.data(), static_cast<std::uint32_t>(xref.size()), definition};
    ++size_;
    return nullptr;
  }

  const Definition* find(std::string_view xref) const {
    const Slot& slot = slots_[place(hashOf(xref), xref)];
    return slot.used() ? &slot.definition : nullptr;
  }

 private:
  struct Slot {  // 32 bytes: two to a cache line
    std::uint64_t hash = 0;
    const char* key = nullptr;  // an XREF has at least 3 bytes; no key: a free slot
    std::uint32_t length = 0;
    Definition definition;

    bool used() const { return length != 0; }
    std::string_view xref() const { return std::string_view(key, length); }
  };

  static std::size_t capacityFor(std::size_t expected) {
    std::size_t capacity = 16;
    while (3 * capacity < 4 * expected + 4) capacity *= 2;
    return capacity;
  }

  static std::uint64_t hashOf(std::string_view key) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char c : key) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    // FNV's low bits follow the keys' last characters too closely for a power-of-two table:
    // the finalizer of splitmix64 spreads every bit over all of them.
    hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9ull;
    hash = (hash ^ (hash >> 27)) * 0x94D049BB133111EBull;
    return hash ^ (hash >> 31);
  }

  // The slot holding `key`, or the free slot where it belongs.
  std::size_t place(std::uint64_t hash, std::string_view key) const {
    std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
      const Slot& slot = slots_[at];
      if (!slot.used() || (slot.hash == hash && slot.xref() == key)) return at;
    }
  }

  void grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.used()) slots_[place(slot.hash, slot.xref())] = slot;
    }
  }

  std::vector<Slot> slots_ = std::vector<Slot>(16);
  std::size_t size_ = 0;
};

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
  bool define(std::string& error);
  bool resolve(Document& document, std::string& error);

  // The level-1 structure of an individual being read, when it is the first of its kind.
  enum class Open { kNone, kName, kBirth, kDeath };

  std::string_view text_;
  std::array<std::uint32_t, kDeepestLevel + 1> tags_{};  // the tag open at each level
  Kind kind_ = Kind::kNone;                              // of the record being read
  int current_ = -1;  // its index among the individuals or the families
  Open open_ = Open::kNone;
  bool trailerSeen_ = false;
  bool version7_ = false;
  std::vector<Link> links_;
  std::vector<std::pair<std::string_view, Definition>> pending_;  // in file order
  XrefTable definitions_;
};

bool Parser::parse(Document& document, std::string& error) {
  links_.reserve(text_.size() / 48);
  document.individuals.reserve(text_.size() / 192);
  document.families.reserve(text_.size() / 384);
  int number = 0;
  int previousLevel = -1;
  std::size_t at = 0;
  // Lines end in LF, CR LF, LF CR (the CR then starts the next line, as white space) or CR alone.
  const char terminator = text_.find('\n') != std::string_view::npos ? '\n' : '\r';
  while (at < text_.size() && !trailerSeen_) {
    const void* found = std::memchr(text_.data() + at, terminator, text_.size() - at);
    std::size_t end = found
                          ? static_cast<std::size_t>(static_cast<const char*>(found) - text_.data())
                          : text_.size();
    std::string_view raw = text_.substr(at, end - at);
    at = std::min(end + 1, text_.size());
    if (terminator == '\n' && raw.ends_with('\r')) raw.remove_suffix(1);  // CR LF
    unsigned char high = 0;  // a byte outside ASCII: the line must be checked for UTF-8
    for (char c : raw) high |= static_cast<unsigned char>(c);
    high &= 0x80;
    ++number;
    if (high) {
      document.hasHighBytes = true;
      if (document.firstNonUtf8Line == 0 && !isUtf8(raw)) document.firstNonUtf8Line = number;
    }
    if (trimmed(raw).empty()) continue;
    Line line;
    line.number = number;
    if (!splitLine(raw, line, error)) {
      error = lineText(number) + error;
      return false;
    }
    if (line.level > previousLevel + 1) {
      error = lineText(number) + "level " + numberText(line.level) +
              (previousLevel < 0 ? " at the start of the file"
                                 : " follows level " + numberText(previousLevel));
      return false;
    }
    previousLevel = line.level;
    tags_[static_cast<std::size_t>(line.level)] = line.code;
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
  return define(error) && resolve(document, error);
}

bool Parser::startRecord(const Line& line, Document& document, std::string& error) {
  if (kind_ == Kind::kNone) {
    if (line.code != tagCode("HEAD")) {
      error = "not a GEDCOM file: it does not begin with 0 HEAD";
      return false;
    }
    kind_ = Kind::kHeader;
    return true;
  }
  if (line.code == tagCode("TRLR")) {
    trailerSeen_ = true;
    return true;
  }
  kind_ = Kind::kOther;
  current_ = -1;
  open_ = Open::kNone;
  if (line.code == tagCode("INDI") && !line.xref.empty()) {
    kind_ = Kind::kIndividual;
    current_ = static_cast<int>(document.individuals.size());
    document.individuals.emplace_back().xref = line.xref;
  } else if (line.code == tagCode("FAM") && !line.xref.empty()) {
    kind_ = Kind::kFamily;
    current_ = static_cast<int>(document.families.size());
    document.families.emplace_back().xref = line.xref;
  }
  if (line.xref.empty()) return true;
  if (!isPointer(line.xref)) {
    error = lineText(line.number) + shown(line.xref) + " is not a cross-reference";
    return false;
  }
  pending_.emplace_back(line.xref, Definition{kind_, current_, line.number});
  return true;
}

// Enters every XREF defined into the table, in file order.
bool Parser::define(std::string& error) {
  constexpr std::size_t kAhead = 16;
  definitions_.reserve(pending_.size());
  for (std::size_t i = 0; i < pending_.size(); ++i) {
    if (i + kAhead < pending_.size()) definitions_.prefetch(pending_[i + kAhead].first);
    const auto& [xref, definition] = pending_[i];
    if (const Definition* first = definitions_.insert(xref, definition); first != nullptr) {
      error = lineText(definition.line) + shown(xref) +
              " is defined a second time (first on line " + numberText(first->line) + ")";
      return false;
    }
  }
  return true;
}

void Parser::readHeaderLine(const Line& line, Document& document) {
  if (line.level == 1 && line.code == tagCode("CHAR"))
    document.charset = std::string(trimmed(line.value));
  if (line.level == 2 && line.code == tagCode("VERS") && tags_[1] == tagCode("GEDC")) {
    document.version = std::string(trimmed(line.value));
    version7_ = document.version.starts_with("7.");
  }
}

void Parser::readIndividualLine(const Line& line, Individual& person) {
  if (line.level == 1) {
    open_ = Open::kNone;
    if (line.code == tagCode("NAME") && !person.hasName) {
      open_ = Open::kName;
      person.hasName = true;
      person.name = unescaped(line.value, version7_);
    } else if (line.code == tagCode("BIRT") && !person.born) {
      open_ = Open::kBirth;
      person.born = true;
    } else if (line.code == tagCode("DEAT") && !person.dead) {
      open_ = Open::kDeath;
      person.dead = true;
    } else if (line.code == tagCode("SEX")) {
      std::string_view value = trimmed(line.value);
      person.sex = value.empty() ? '\0' : value.front();
    } else if (line.code == tagCode("FAMS") || line.code == tagCode("FAMC")) {
      links_.push_back(Link{line.code == tagCode("FAMS") ? Link::kSpouseOf : Link::kChildOf,
                            current_, trimmed(line.value), line.number});
    }
    return;
  }
  if (line.level != 2) return;
  if (open_ == Open::kName) {
    if (line.code == tagCode("SURN")) person.surnamePiece = trimmed(line.value);
    if (line.code == tagCode("CONC")) person.name += unescaped(line.value, version7_);
    if (line.code == tagCode("CONT")) person.name += " " + unescaped(line.value, version7_);
  } else if (line.code == tagCode("DATE") && open_ != Open::kNone) {
    (open_ == Open::kBirth ? person.birthDate : person.deathDate) = trimmed(line.value);
  }
}

void Parser::readFamilyLine(const Line& line, Family& family) {
  if (line.level != 1) return;
  if (line.code == tagCode("MARR")) family.marriage = true;
  auto link = [&](Link::Role role) {
    links_.push_back(Link{role, current_, trimmed(line.value), line.number});
  };
  if (line.code == tagCode("HUSB")) link(Link::kHusband);
  if (line.code == tagCode("WIFE")) link(Link::kWife);
  if (line.code == tagCode("CHIL")) link(Link::kChild);
}

bool Parser::resolve(Document& document, std::string& error) {
  std::vector<Individual>& individuals = document.individuals;
  std::vector<Family>& families = document.families;
  std::vector<int>& lists = document.lists;
  // A record's lines are consecutive, so the CHIL links of one family and the FAMS links of one
  // person come one after the other: each becomes one run of `lists`.
  constexpr std::size_t kAhead = 16;
  for (std::size_t l = 0; l < links_.size(); ++l) {
    if (l + kAhead < links_.size()) definitions_.prefetch(links_[l + kAhead].target);
    const Link& link = links_[l];
    if (version7_ && link.target == "@VOID@") continue;
    auto where = [&] { return lineText(link.line) + std::string(link.tag()) + " "; };
    if (!isPointer(link.target)) {
      error = where() + "needs a pointer such as @I1@, not \"" + shown(link.target) + "\"";
      return false;
    }
    const Definition* found = definitions_.find(link.target);
    if (found == nullptr) {
      error = where() + shown(link.target) + " points to no record";
      return false;
    }
    bool wantsIndividual =
        link.role == Link::kHusband || link.role == Link::kWife || link.role == Link::kChild;
    if (found->kind != (wantsIndividual ? Kind::kIndividual : Kind::kFamily)) {
      error = where() + shown(link.target) + " points to no " + (wantsIndividual ? "INDI" : "FAM") +
              " record";
      return false;
    }
    int target = found->index;
    auto owner = static_cast<std::size_t>(link.owner);
    auto append = [&](Range& range) {
      if (range.count == 0) range.first = static_cast<int>(lists.size());
      lists.push_back(target);
      ++range.count;
    };
    switch (link.role) {
      case Link::kHusband:
        if (families[owner].husband < 0) families[owner].husband = target;
        break;
      case Link::kWife:
        if (families[owner].wife < 0) families[owner].wife = target;
        break;
      case Link::kChild:
        append(families[owner].children);
        break;
      case Link::kSpouseOf:
        append(individuals[owner].spouseFamilies);
        break;
      case Link::kChildOf:
        break;  // the family's CHIL lines say who its children are
    }
  }

  // Runs filled family by family: a person's families as a child, and as a partner.
  auto runs = [&](auto members, Range Individual::*field) {
    std::vector<int> count(individuals.size(), 0);
    for (const Family& family : families) members(family, [&](int i) { ++count[i]; });
    for (std::size_t i = 0; i < individuals.size(); ++i) {
      individuals[i].*field = Range{static_cast<int>(lists.size()), 0};
      lists.resize(lists.size() + static_cast<std::size_t>(count[i]));
    }
    for (std::size_t f = 0; f < families.size(); ++f) {
      members(families[f], [&](int i) {
        Range& range = individuals[static_cast<std::size_t>(i)].*field;
        lists[static_cast<std::size_t>(range.first + range.count++)] = static_cast<int>(f);
      });
    }
  };
  runs(
      [&](const Family& family, auto&& visit) {
        for (int child : document.list(family.children)) visit(child);
      },
      &Individual::childFamilies);
  runs(
      [](const Family& family, auto&& visit) {
        if (family.husband >= 0) visit(family.husband);
        if (family.wife >= 0) visit(family.wife);
      },
      &Individual::partnerIn);

  // The families each person heads: those of his FAMS links first, in their order, then the
  // others in file order, each once.
  std::vector<int> addedFor(families.size(), -1);  // the person a family was last added for
  for (std::size_t i = 0; i < individuals.size(); ++i) {
    Individual& person = individuals[i];
    Range headed{static_cast<int>(lists.size()), 0};
    auto add = [&](int f) {
      auto index = static_cast<std::size_t>(f);
      if (families[index].husband != static_cast<int>(i) || addedFor[index] == static_cast<int>(i)) return;
      addedFor[index] = static_cast<int>(i);
      lists.push_back(f);
      ++headed.count;
    };
    for (std::size_t k = 0; k < static_cast<std::size_t>(person.spouseFamilies.count); ++k) {
      add(lists[static_cast<std::size_t>(person.spouseFamilies.first) + k]);
    }
    for (std::size_t k = 0; k < static_cast<std::size_t>(person.partnerIn.count); ++k) {
      add(lists[static_cast<std::size_t>(person.partnerIn.first) + k]);
    }
    person.husbandOf = headed;
  }
  return true;
}

// --- Dates --------------------------------------------------------------------------------------

// Writes `value` as `width` digits at `at`.
void putDigits(char* at, int value, int width) {
  for (int k = width - 1; k >= 0; --k, value /= 10) at[k] = static_cast<char>('0' + value % 10);
}

int daysIn(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return (month == 2 && leap) ? 29 : kDays[month - 1];
}

struct DateReading {
  enum Quality { kExact, kNotExact, kNotWholeDay, kNotRealDay, kUnreadable };
  Quality quality = kUnreadable;
  std::array<char, 8> digits = {'0', '0', '0', '0', '0', '0', '0', '0'};  // yyyymmdd, 00 missing

  std::string_view text() const { return std::string_view(digits.data(), digits.size()); }
};

bool allDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The number written by at most `width` digits, -1 for anything else.
int number(std::string_view text, std::size_t width) {
  if (!allDigits(text) || text.size() > width) return -1;
  int value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
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
  std::string upper(value);
  for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  constexpr std::size_t kMostWords = 8;  // more than any date has: the rest is not read
  std::array<std::string_view, kMostWords> words{};
  std::size_t count = 0;
  for (std::string_view rest = upper; count < kMostWords;) {
    rest = trimmed(rest);
    if (rest.empty()) break;
    std::size_t end = std::min(rest.find_first_of(" \t"), rest.size());
    words[count++] = rest.substr(0, end);
    rest.remove_prefix(end);
  }
  std::size_t i = 0;
  auto at = [&](std::size_t k) { return k < count ? words[k] : std::string_view(); };
  if (at(i).starts_with("@#D")) {  // a 5.5.1 calendar escape; "@#DFRENCH R@" has a space
    bool gregorian = at(i) == "@#DGREGORIAN@";
    while (i < count && !words[i].ends_with("@")) ++i;
    if (!gregorian) return reading;
    ++i;
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
  if (number(at(i), 2) >= 0 && monthNumber(at(i + 1)) != 0) day = number(at(i++), 2);
  if (monthNumber(at(i)) != 0) month = monthNumber(at(i++));
  std::string_view yearWord = at(i++);
  if (std::size_t slash = yearWord.find('/'); slash != std::string_view::npos && slash > 0) {
    yearWord = yearWord.substr(0, slash);  // a dual year such as 1740/41
  }
  int year = number(yearWord, 4);
  std::string_view after = at(i);
  bool beforeChrist = after == "B.C." || after == "BC" || after == "BCE";
  if (year < 1 || beforeChrist || (!qualified && !after.empty())) return reading;
  putDigits(reading.digits.data(), year, 4);
  putDigits(reading.digits.data() + 4, month, 2);
  if (day > 0 && month > 0 && day > daysIn(year, month)) {
    reading.quality = DateReading::kNotRealDay;  // the day stays 00
  } else {
    putDigits(reading.digits.data() + 6, day, 2);
    reading.quality = (day == 0 || month == 0) ? DateReading::kNotWholeDay
                      : qualified              ? DateReading::kNotExact
                                               : DateReading::kExact;
  }
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
  const std::string_view value = person.name;
  std::size_t open = value.find('/');
  if (open == std::string_view::npos) {
    std::string whole = squeezed(value);
    std::string surname = squeezed(unescaped(person.surnamePiece, false));
    return whole.starts_with(surname) ? whole : surname + whole;
  }
  std::size_t close = value.find('/', open + 1);
  std::string surname = squeezed(value.substr(open + 1, close - open - 1));
  std::string rest = squeezed(value.substr(0, open));
  if (close != std::string_view::npos) rest += squeezed(value.substr(close + 1));
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

// Why the UTF-8 characters of a name make no name key, character by character; `kept` gets the
// GBK of each character that is a double-byte GBK character and "" for each other.
std::string nameFault(const std::vector<std::string_view>& utf8, std::vector<std::string>& kept) {
  std::string reason;
  if (utf8.empty()) return "no name";
  if (utf8.size() != 2 && utf8.size() != 3) {
    reason = "name of " + numberText(static_cast<long long>(utf8.size())) +
             (utf8.size() == 1 ? " character" : " characters");
  }
  std::string_view bad;
  for (std::string_view c : utf8) {
    std::string piece = platform::utf8ToGbk(c, '?');
    bool doubleByte = piece.size() == 2 && platform::gbkCharLength(piece) == 2;
    kept.push_back(doubleByte ? piece : "");
    if (!doubleByte && bad.empty()) bad = c;
  }
  if (!bad.empty()) {
    reason += reason.empty() ? "" : ", ";
    reason += bad.size() > 1 ? "character " + std::string(bad) + " is not in GBK"
                             : "character \"" + std::string(bad) + "\" is not Chinese";
  }
  return reason;
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
        key_(document.individuals.size()),
        births_(document.individuals.size()),
        birthRead_(document.individuals.size(), false) {}

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
  const DateReading& birthOf(int i);
  void appendDate(std::string& out, int i, bool birth);
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
  std::vector<DateReading> births_;        // read once each, when first needed
  std::vector<bool> birthRead_;
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
    for (int child : doc_.list(f.children)) parents[static_cast<std::size_t>(child)] += partners;
  }
  order.clear();
  order.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (parents[i] == 0) order.push_back(static_cast<int>(i));
  }
  for (std::size_t next = 0; next < order.size(); ++next) {
    for (int f : doc_.list(person(order[next]).partnerIn)) {
      for (int child : doc_.list(family(f).children)) {
        if (--parents[static_cast<std::size_t>(child)] == 0) order.push_back(child);
      }
    }
  }
  if (order.size() == count) return true;
  // Walk up through parents still waiting: after `count` steps the walk is inside a loop.
  auto waitingParent = [&](int child) {
    for (int f : doc_.list(person(child).childFamilies)) {
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
    for (int f : doc_.list(person(*i).husbandOf)) {
      int wife = family(f).wife;
      if (wife >= 0 && std::find(wives.begin(), wives.end(), wife) == wives.end()) {
        wives.push_back(wife);
      }
      for (int child : doc_.list(family(f).children))
        total += size[static_cast<std::size_t>(child)];
    }
    total += static_cast<double>(wives.size());
  }
  int root = -1;
  for (std::size_t i = 0; i < doc_.individuals.size(); ++i) {
    const Individual& candidate = doc_.individuals[i];
    if (candidate.sex != 'M' || candidate.childFamilies.count != 0) continue;
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
    std::array<char, 8> key;
  };
  std::vector<Child> children;
  std::array<char, 8> previousKey{};
  for (int f : doc_.list(person(father).husbandOf)) {
    for (int c : doc_.list(family(f).children)) {
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
      const DateReading& birth = birthOf(c);
      if (birth.quality != DateReading::kUnreadable) previousKey = birth.digits;
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
    for (int f : doc_.list(person(member.person).husbandOf)) {
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
    for (int f : doc_.list(person(deepPerson).husbandOf)) {
      int wife = family(f).wife;
      if (wife >= 0 && state_[static_cast<std::size_t>(wife)] == kNone) {
        state_[static_cast<std::size_t>(wife)] = kLeftOut;
        lose(wife, "wife of " + label(deepPerson) + ", who is not imported", {}, true);
      }
      for (int c : doc_.list(family(f).children)) {
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
  // Every name converted in one go, one name a line (no name holds a line feed).
  std::vector<std::string> names(written.size());
  std::string joined;
  for (std::size_t k = 0; k < written.size(); ++k) {
    names[k] = wholeName(person(written[k]));
    joined += names[k];
    joined += '\n';
  }
  const std::string gbk = platform::utf8ToGbk(joined, '?');
  std::size_t at = 0;

  std::unordered_map<std::uint64_t, int> taken;  // the 6 bytes of each key given
  taken.reserve(written.size());
  auto packed = [](std::string_view key) {
    std::uint64_t value = 0;
    for (char c : key) value = value << 8 | static_cast<unsigned char>(c);
    return value;
  };
  std::vector<std::vector<std::string>> kept(written.size());  // "" for a character not kept
  std::vector<std::string> reasons(written.size());
  for (std::size_t k = 0; k < written.size(); ++k) {
    std::size_t end = std::min(gbk.find('\n', at), gbk.size());
    std::string_view converted = std::string_view(gbk).substr(at, end - at);
    at = std::min(end + 1, gbk.size());
    std::size_t count = 0;
    for (std::string_view rest = names[k]; !rest.empty(); ++count) {
      rest.remove_prefix(std::max<std::size_t>(1, utf8Length(rest)));
    }
    std::string key;
    bool doubleBytes = converted.size() == 2 * count;
    for (std::size_t b = 0; doubleBytes && b < converted.size(); b += 2) {
      doubleBytes = platform::gbkCharLength(converted.substr(b)) == 2;
    }
    if (doubleBytes && (count == 2 || count == 3)) {
      key = std::string(converted) + (count == 2 ? "  " : "");
    } else {
      reasons[k] = nameFault(characters(names[k]), kept[k]);
    }
    if (!reasons[k].empty()) continue;
    auto [found, fresh] = taken.emplace(packed(key), written[k]);
    if (fresh) {
      key_[static_cast<std::size_t>(written[k])] = key;
    } else {
      reasons[k] = "name already used by " + label(found->second);
      for (std::size_t b = 0; b + 1 < converted.size(); b += 2) {
        kept[k].emplace_back(converted.substr(b, 2));
      }
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
    for (std::size_t n = 0; taken.count(packed(key)) != 0 && n < made.numerals.size(); ++n) {
      key = keyOf({base[0], base[1], made.numerals[n]});
    }
    while (taken.count(packed(key)) != 0) key = made.lost + countedCharacters(serial++);
    taken.emplace(packed(key), written[k]);
    key_[static_cast<std::size_t>(written[k])] = key;
    lose(written[k], reasons[k], utf8OfKey(key));
  }
}

const DateReading& ClanBuilder::birthOf(int i) {
  auto index = static_cast<std::size_t>(i);
  if (!birthRead_[index]) {
    births_[index] = readDate(person(i).birthDate);
    birthRead_[index] = true;
  }
  return births_[index];
}

// Appends the yyyymmdd of a person's birth or death; a date that is missing or not an exact day
// is a loss, with 00 for what the date lacks (00000000 for no date).
void ClanBuilder::appendDate(std::string& out, int i, bool birth) {
  std::string_view value = birth ? person(i).birthDate : person(i).deathDate;
  const char* what = birth ? "birth date" : "death date";
  if (value.empty()) {
    lose(i, std::string("no ") + what, std::string(kNoDate));
    out += kNoDate;
    return;
  }
  DateReading death;
  const DateReading& reading = birth ? birthOf(i) : (death = readDate(value));
  static constexpr const char* kWhy[] = {"", "is not an exact day", "is not a whole day",
                                         "is not a real day",
                                         "is not a Gregorian day of the years 1 to 9999"};
  if (reading.quality != DateReading::kExact) {
    lose(i, std::string(what) + " \"" + std::string(value) + "\" " + kWhy[reading.quality],
         std::string(reading.text()));
  }
  out += reading.text();
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
  for (int f : doc_.list(person(i).partnerIn)) {
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
  appendDate(out, i, true);
  out += sex;
  out += older;
  out += motherIndex;
  out += marriedFlag;
  out += husband;
  if (person(i).dead) {
    out += 'n';
    appendDate(out, i, false);
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
    auto found = std::find_if(doc_.individuals.begin(), doc_.individuals.end(),
                              [&](const Individual& i) { return i.xref == xref; });
    if (found == doc_.individuals.end()) {
      result_.error = "the root " + xref + " is no INDI record of the file";
      return false;
    }
    root = static_cast<int>(found - doc_.individuals.begin());
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

bool checkVersionAndEncoding(const Document& document, bool utf16, std::string& error) {
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
      if (!document.hasHighBytes) return true;
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
  if (document.firstNonUtf8Line > 0) {
    error = lineText(document.firstNonUtf8Line) + "bytes that are not UTF-8";
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
  if (!checkVersionAndEncoding(document, utf16, result.error)) return false;
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
