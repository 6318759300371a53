// Reading GEDCOM lines into individuals and families: the bytes become UTF-8 text, each line is
// split and kept when the import needs it, then the XREFs are entered into a table and every
// pointer is resolved. Lookups in the table are what a large file's reading waits for, so they
// run in file order with prefetches a few XREFs ahead. This file holds no narrow literal outside
// ASCII (the fuzz build compiles it with a compiler that has no GBK execution character set).
#include "reports/gedcom_document.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace quillet::gedcom {
namespace {

constexpr int kDeepestLevel = 99;

std::string numberText(long long value) { return std::to_string(value); }

// --- The bytes as UTF-8 text -------------------------------------------------------------------

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

// --- Lines and records --------------------------------------------------------------------------

enum class Kind : std::uint8_t { kNone, kHeader, kIndividual, kFamily, kOther };

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
      char sex = value.empty() ? '\0' : value.front();
      person.sex = (sex >= 'a' && sex <= 'z') ? static_cast<char>(sex - 'a' + 'A') : sex;
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
      if (families[index].husband != static_cast<int>(i) || addedFor[index] == static_cast<int>(i))
        return;
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

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

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

bool readDocument(std::string_view bytes, Document& document, std::string& error) {
  std::string_view text = bytes;
  bool utf16 = false;
  // UTF-16 is told by its byte order mark or, without one, by the "0" of "0 HEAD".
  static constexpr char kLittleZero[] = {'0', '\0'}, kBigZero[] = {'\0', '0'};
  auto starts = [&](std::string_view prefix) { return bytes.starts_with(prefix); };
  if (starts("\xEF\xBB\xBF")) {
    text.remove_prefix(3);
  } else if (starts("\xFF\xFE") || starts("\xFE\xFF") || starts(std::string_view(kLittleZero, 2)) ||
             starts(std::string_view(kBigZero, 2))) {
    bool bigEndian = bytes[0] == '\xFE' || bytes[0] == '\0';
    std::size_t mark = bytes[0] == '0' || bytes[0] == '\0' ? 0 : 2;
    if (!decodeUtf16(bytes.substr(mark), bigEndian, document.decoded)) {
      error = "the file is not valid UTF-16";
      return false;
    }
    text = document.decoded;
    utf16 = true;
  }
  return Parser(text).parse(document, error) && checkVersionAndEncoding(document, utf16, error);
}

}  // namespace quillet::gedcom
