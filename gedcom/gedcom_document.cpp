// Reading GEDCOM lines into individuals and families: the bytes become UTF-8 text, each line is
// split (or repaired) and kept when the import needs it, then the XREFs are entered into a table
// and every pointer is resolved. Lookups in the table are what a large file's reading waits for, so
// they run in file order with prefetches a few XREFs ahead. This file holds no narrow literal
// outside ASCII (the fuzz build compiles it with a compiler that has no GBK execution character
// set).
#include "gedcom/gedcom_document.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>

#include "platform/gbk.h"

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

constexpr std::string_view kNoLevel = "no level number at the start of the line";

// A file this reader does not take, and why.
platform::Status notRead(std::string why) {
  return platform::Status::error(platform::Status::Code::kInvalidInput, std::move(why));
}

// Splits one line "LEVEL [@XREF@] TAG [VALUE]". The fault when it is not one (without the line
// number, which the caller adds).
platform::Status splitLine(std::string_view text, Line& line) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  std::size_t digits = 0;
  line.level = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
    if (digits < 2) line.level = line.level * 10 + (text[digits] - '0');
    ++digits;
  }
  if (digits == 0 || digits > 2) return notRead(std::string(kNoLevel));
  text.remove_prefix(digits);
  if (!text.empty() && text.front() != ' ') return notRead("no space after the level number");
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
  if (first.empty()) return notRead("no tag");
  line.tag = first;
  line.code = tagCode(first);
  if (!text.empty()) text.remove_prefix(1);  // the one space before the value
  line.value = text;
  return {};
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

  // Reads every line up to TRLR, then resolves the pointers. The first fault that stops it.
  platform::Status parse(Document& document);

 private:
  platform::Status startRecord(const Line& line, Document& document);
  void readHeaderLine(const Line& line, Document& document);
  void readIndividualLine(const Line& line, Document& document, Individual& person);
  void readFamilyLine(const Line& line, Family& family);
  NameForm& addForm(Document& document, Individual& person, NameForm::Kind kind, const Line& line);
  void define(Document& document);
  // The pointers resolved: the links, then each person's runs of families.
  void resolve(Document& document);
  void resolveLinks(Document& document);
  void repair(int line, std::string text) { repairs_.emplace_back(line, std::move(text)); }

  // The level-1 structure of an individual being read, when it is the first of its kind (a NAME
  // whichever it is).
  enum class Open { kNone, kName, kBirth, kDeath };

  std::string_view text_;
  std::array<std::uint32_t, kDeepestLevel + 1> tags_{};  // the tag open at each level
  std::array<std::string_view, kDeepestLevel + 1> tagNames_{};
  Kind kind_ = Kind::kNone;  // of the record being read
  int current_ = -1;         // its index among the individuals or the families
  Open open_ = Open::kNone;
  int nameNumber_ = -1;  // of the person being read: his NAME being read, 0 the first
  int nameForm_ = -1;    // that NAME's form, -1 for the first NAME (kept in the Individual)
  int subForm_ = -1;     // the TRAN, ROMN or FONE being read under it, or -1
  // The line above carries text that a line without a level number continues (NOTE, TEXT, CONC,
  // CONT), the tag of that text, and where its value was kept (null: not kept).
  bool continuable_ = false;
  std::string_view continuedTag_;
  std::string* lastValue_ = nullptr;
  bool trailerSeen_ = false;
  bool version7_ = false;
  std::vector<std::pair<int, std::string>> repairs_;
  std::vector<Link> links_;
  std::vector<std::pair<std::string_view, Definition>> pending_;  // in file order
  XrefTable definitions_;
};

platform::Status Parser::parse(Document& document) {
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
    ++number;
    if (trimmed(raw).empty()) continue;
    Line line;
    line.number = number;
    if (const platform::Status split = splitLine(raw, line); !split.ok()) {
      if (kind_ == Kind::kNone) return notRead(lineText(number) + split.message());
      if (split.message() == kNoLevel && continuable_) {
        if (lastValue_ != nullptr) *lastValue_ += " " + unescaped(trimmed(raw), version7_);
        repair(number,
               "continuation without CONT joined to the " + std::string(continuedTag_) + " above");
      } else {
        repair(number, split.message() + ": line skipped");
        continuable_ = false;
      }
      continue;
    }
    if (line.level > previousLevel + 1) {
      if (previousLevel < 0) {
        return notRead(lineText(number) + "level " + numberText(line.level) +
                       " at the start of the file");
      }
      repair(number, "level " + numberText(line.level) + " follows level " +
                         numberText(previousLevel) + ": taken as level " +
                         numberText(previousLevel + 1));
      line.level = previousLevel + 1;
    }
    previousLevel = line.level;
    const auto level = static_cast<std::size_t>(line.level);
    tags_[level] = line.code;
    tagNames_[level] = line.tag;
    lastValue_ = nullptr;
    if (line.level == 0) {
      if (platform::Status started = startRecord(line, document); !started.ok()) return started;
    } else if (kind_ == Kind::kIndividual) {
      readIndividualLine(line, document, document.individuals[static_cast<std::size_t>(current_)]);
    } else if (kind_ == Kind::kFamily) {
      readFamilyLine(line, document.families[static_cast<std::size_t>(current_)]);
    } else if (kind_ == Kind::kHeader) {
      readHeaderLine(line, document);
    }
    const bool continues = line.code == tagCode("CONC") || line.code == tagCode("CONT");
    continuable_ = continues || line.code == tagCode("NOTE") || line.code == tagCode("TEXT");
    if (continuable_) continuedTag_ = continues && level > 0 ? tagNames_[level - 1] : line.tag;
  }
  if (kind_ == Kind::kNone) return notRead("not a GEDCOM file: it does not begin with 0 HEAD");
  if (!trailerSeen_) repair(number, "the file ends without 0 TRLR; read to its end");
  define(document);
  resolve(document);
  std::stable_sort(repairs_.begin(), repairs_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [line, text] : repairs_) document.repairs.push_back(lineText(line) + text);
  return {};
}

platform::Status Parser::startRecord(const Line& line, Document& document) {
  if (kind_ == Kind::kNone) {
    if (line.code != tagCode("HEAD")) {
      return notRead("not a GEDCOM file: it does not begin with 0 HEAD");
    }
    kind_ = Kind::kHeader;
    return {};
  }
  if (line.code == tagCode("TRLR")) {
    trailerSeen_ = true;
    return {};
  }
  kind_ = Kind::kOther;
  current_ = -1;
  open_ = Open::kNone;
  nameNumber_ = -1;
  subForm_ = -1;
  if (line.code == tagCode("INDI") && !line.xref.empty()) {
    kind_ = Kind::kIndividual;
    current_ = static_cast<int>(document.individuals.size());
    document.individuals.emplace_back().xref = line.xref;
  } else if (line.code == tagCode("FAM") && !line.xref.empty()) {
    kind_ = Kind::kFamily;
    current_ = static_cast<int>(document.families.size());
    document.families.emplace_back().xref = line.xref;
  }
  if (line.xref.empty()) return {};
  if (!isPointer(line.xref)) {
    return notRead(lineText(line.number) + shown(line.xref) + " is not a cross-reference");
  }
  pending_.emplace_back(line.xref, Definition{kind_, current_, line.number});
  return {};
}

// Enters every XREF defined into the table, in file order.
// A record whose XREF was defined before is left out: its lines and links count for nothing.
void Parser::define(Document& document) {
  constexpr std::size_t kAhead = 16;
  definitions_.reserve(pending_.size());
  for (std::size_t i = 0; i < pending_.size(); ++i) {
    if (i + kAhead < pending_.size()) definitions_.prefetch(pending_[i + kAhead].first);
    const auto& [xref, definition] = pending_[i];
    if (const Definition* first = definitions_.insert(xref, definition); first != nullptr) {
      repair(definition.line, shown(xref) + " is defined a second time (first on line " +
                                  numberText(first->line) + "); this record is left out");
      auto index = static_cast<std::size_t>(definition.index);
      if (definition.kind == Kind::kIndividual) document.individuals[index].ignored = true;
      if (definition.kind == Kind::kFamily) document.families[index].ignored = true;
    }
  }
}

void Parser::readHeaderLine(const Line& line, Document& document) {
  if (line.level == 1 && line.code == tagCode("CHAR"))
    document.charset = std::string(trimmed(line.value));
  if (line.level == 2 && line.code == tagCode("VERS") && tags_[1] == tagCode("GEDC")) {
    document.version = std::string(trimmed(line.value));
    version7_ = document.version.starts_with("7.");
  }
}

NameForm& Parser::addForm(Document& document, Individual& person, NameForm::Kind kind,
                          const Line& line) {
  if (person.formCount == 0) person.firstForm = static_cast<int>(document.nameForms.size());
  ++person.formCount;
  NameForm& form = document.nameForms.emplace_back();
  form.kind = kind;
  form.name = nameNumber_;
  form.value = unescaped(line.value, version7_);
  lastValue_ = &form.value;
  return form;
}

void Parser::readIndividualLine(const Line& line, Document& document, Individual& person) {
  auto formAt = [&](int index) -> NameForm& {
    return document.nameForms[static_cast<std::size_t>(index)];
  };
  if (line.level == 1) {
    open_ = Open::kNone;
    subForm_ = -1;
    if (line.code == tagCode("NAME")) {
      open_ = Open::kName;
      ++nameNumber_;
      if (!person.hasName) {
        person.hasName = true;
        person.name = unescaped(line.value, version7_);
        nameNumber_ = 0;
        nameForm_ = -1;
        lastValue_ = &person.name;
      } else {
        addForm(document, person, NameForm::kName, line);
        nameForm_ = static_cast<int>(document.nameForms.size()) - 1;
      }
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
  if (open_ == Open::kName && line.level == 2) {
    subForm_ = -1;
    std::string& value = nameForm_ < 0 ? person.name : formAt(nameForm_).value;
    if (line.code == tagCode("SURN")) {
      (nameForm_ < 0 ? person.surnamePiece : formAt(nameForm_).surnamePiece) = trimmed(line.value);
    } else if (line.code == tagCode("CONC") || line.code == tagCode("CONT")) {
      value += (line.code == tagCode("CONT") ? " " : "") + unescaped(line.value, version7_);
      lastValue_ = &value;
    } else if (line.code == tagCode("TRAN") || line.code == tagCode("ROMN") ||
               line.code == tagCode("FONE")) {
      addForm(document, person,
              line.code == tagCode("TRAN")   ? NameForm::kTranslation
              : line.code == tagCode("ROMN") ? NameForm::kRomanized
                                             : NameForm::kPhonetic,
              line);
      subForm_ = static_cast<int>(document.nameForms.size()) - 1;
    }
  } else if (open_ == Open::kName && line.level == 3 && subForm_ >= 0) {
    NameForm& form = formAt(subForm_);
    if (line.code == tagCode("LANG")) form.language = trimmed(line.value);
    if (line.code == tagCode("SURN")) form.surnamePiece = trimmed(line.value);
    if (line.code == tagCode("CONC") || line.code == tagCode("CONT")) {
      form.value += (line.code == tagCode("CONT") ? " " : "") + unescaped(line.value, version7_);
      lastValue_ = &form.value;
    }
  } else if (line.level == 2 && line.code == tagCode("DATE") && open_ != Open::kNone) {
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

void Parser::resolveLinks(Document& document) {
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
    const bool ownedByIndividual = link.role == Link::kChildOf || link.role == Link::kSpouseOf;
    if ((ownedByIndividual ? individuals[static_cast<std::size_t>(link.owner)].ignored
                           : families[static_cast<std::size_t>(link.owner)].ignored)) {
      continue;
    }
    const std::string tag(link.tag());
    if (!isPointer(link.target)) {
      repair(link.line,
             tag + " needs a pointer such as @I1@, not \"" + shown(link.target) + "\"; left out");
      continue;
    }
    const Definition* found = definitions_.find(link.target);
    if (found == nullptr) {
      repair(link.line, tag + " " + shown(link.target) + " points to no record; left out");
      continue;
    }
    bool wantsIndividual =
        link.role == Link::kHusband || link.role == Link::kWife || link.role == Link::kChild;
    if (found->kind != (wantsIndividual ? Kind::kIndividual : Kind::kFamily)) {
      repair(link.line, tag + " " + shown(link.target) + " points to no " +
                            (wantsIndividual ? "INDI" : "FAM") + " record; left out");
      continue;
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
}

// Runs filled family by family: a person's families as a child, and as a partner.
void fillFamilyRuns(Document& document) {
  std::vector<Individual>& individuals = document.individuals;
  std::vector<Family>& families = document.families;
  std::vector<int>& lists = document.lists;
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
}

// The families each person heads: those of his FAMS links first, in their order, then the
// others in file order, each once.
void orderHeadedFamilies(Document& document) {
  std::vector<Individual>& individuals = document.individuals;
  std::vector<Family>& families = document.families;
  std::vector<int>& lists = document.lists;
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
}

void Parser::resolve(Document& document) {
  resolveLinks(document);
  fillFamilyRuns(document);
  orderHeadedFamilies(document);
}

platform::Status checkVersion(const Document& document) {
  const std::string& version = document.version;
  bool known = version.empty() || version == "5.5" || version == "5.5.1" || version == "7.0" ||
               version.starts_with("7.0.");
  if (!known) {
    return notRead("GEDCOM version " + shown(version) + " is not read (5.5.1 and 7.0 are)");
  }
  if (document.individuals.empty()) return notRead("no INDI record in the file");
  return {};
}

// --- Character sets -----------------------------------------------------------------------------

// A character set's name without case, spaces, hyphens and underscores: "big5hkscs" for
// "BIG5-HKSCS".
std::string plainName(std::string_view name) {
  std::string out;
  for (char c : trimmed(name)) {
    if (c == '-' || c == '_' || c == ' ') continue;
    out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return out;
}

// What the header says before the text is read: its CHAR and its GEDC.VERS.
struct Header {
  bool head = false;  // the first line is "0 HEAD"
  std::string_view charset;
  bool version7 = false;
};

// The HEAD record's CHAR and version, read from the lines before the next record; their bytes
// are ASCII in every character set read here.
Header scanHeader(std::string_view text) {
  Header header;
  const char terminator = text.find('\n') != std::string_view::npos ? '\n' : '\r';
  bool inHead = false, inGedc = false;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = std::min(text.find(terminator, at), text.size());
    std::string_view raw = text.substr(at, end - at);
    at = end + 1;
    if (terminator == '\n' && raw.ends_with('\r')) raw.remove_suffix(1);  // CR LF
    Line line;
    if (trimmed(raw).empty()) continue;
    if (!splitLine(raw, line).ok()) {
      if (!inHead) break;
      continue;
    }
    if (line.level == 0) {
      if (inHead || line.code != tagCode("HEAD")) break;
      inHead = header.head = true;
    } else if (line.level == 1) {
      inGedc = line.code == tagCode("GEDC");
      if (line.code == tagCode("CHAR")) header.charset = trimmed(line.value);
    } else if (line.level == 2 && inGedc && line.code == tagCode("VERS")) {
      header.version7 = trimmed(line.value).starts_with("7.");
    }
  }
  return header;
}

// The offset of the first byte of `text` that is not part of valid UTF-8, or npos; `high` tells
// whether any byte is outside ASCII.
std::size_t firstNonUtf8(std::string_view text, bool& high) {
  high = false;
  for (std::size_t i = 0; i < text.size();) {
    // Eight bytes at a time while they are ASCII.
    std::uint64_t word = 0;
    if (i + 8 <= text.size()) std::memcpy(&word, text.data() + i, 8);
    if (i + 8 <= text.size() && (word & 0x8080808080808080ull) == 0) {
      i += 8;
      continue;
    }
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    high = true;
    std::size_t length = utf8Length(text.substr(i));
    if (length == 0) return i;
    i += length;
  }
  return std::string_view::npos;
}

// `text` with each byte that is not part of valid UTF-8 replaced by U+FFFD, whose offsets in
// `out` are appended to `bad`.
void replaceNonUtf8(std::string_view text, std::string& out, std::vector<std::size_t>& bad) {
  out.reserve(text.size() + text.size() / 8);
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = utf8Length(text.substr(i));
    if (length == 0) {
      bad.push_back(out.size());
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
}

// One repair for each line of `text` that holds an offset of `bad` (ascending).
void reportUndecoded(std::string_view text, const std::vector<std::size_t>& bad,
                     const std::string& charset, Document& document) {
  const char terminator = text.find('\n') != std::string_view::npos ? '\n' : '\r';
  int line = 1, lastReported = 0;
  std::size_t counted = 0;
  for (std::size_t offset : bad) {
    line += static_cast<int>(std::count(text.begin() + static_cast<std::ptrdiff_t>(counted),
                                        text.begin() + static_cast<std::ptrdiff_t>(offset),
                                        terminator));
    counted = offset;
    if (line == lastReported) continue;
    lastReported = line;
    document.repairs.push_back(lineText(line) + "bytes that are not " + charset +
                               "; each shown as U+FFFD");
  }
}

// The character sets (of those read here) that decode all of `bytes`.
std::vector<std::string> cleanCharsets(std::string_view bytes) {
  std::vector<std::string> clean;
  for (const char* charset : {"GB18030", "BIG5", "BIG5-HKSCS"}) {
    if (clean.size() == 2 && clean.back() == "BIG5") break;  // BIG5-HKSCS holds BIG5
    std::string out;
    std::vector<std::size_t> bad;
    if (platform::decodeToUtf8(bytes, charset, out, bad) && bad.empty()) clean.push_back(charset);
  }
  return clean;
}

// How many of the double-byte characters of `bytes`, read as GB18030 or as Big5, are common ones
// of their script: for GB18030 the first level of GB2312 (B0A1 to D7F9, its 3,755 most used
// characters), for Big5 its 常用字 (A440 to C67E, 5,401). Four-byte GB18030 characters count as
// uncommon.
struct CommonCount {
  std::size_t common = 0;
  std::size_t total = 0;
};

CommonCount commonCharacters(std::string_view bytes, bool big5) {
  CommonCount count;
  for (std::size_t at = 0; at < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80 || at + 1 == bytes.size()) {
      ++at;
      continue;
    }
    const auto trail = static_cast<unsigned char>(bytes[at + 1]);
    ++count.total;
    if (!big5 && trail >= 0x30 && trail <= 0x39) {  // a four-byte GB18030 character
      at += 4;
      continue;
    }
    const unsigned code = lead << 8 | trail;
    count.common +=
        big5 ? code >= 0xA440 && code <= 0xC67E
             : lead >= 0xB0 && lead <= 0xD7 && trail >= 0xA1 && trail <= 0xFE && code <= 0xD7F9;
    at += 2;
  }
  return count;
}

// The character set other than `declared` (GB18030, BIG5 or BIG5-HKSCS, which decodes all of
// `bytes`) that also decodes all of it with far more common characters (see commonCharacters):
// a share of common characters a quarter higher, and four fifths at least. Empty when none does.
// `why` then says how many of each.
std::string likelierCharset(std::string_view bytes, const std::string& declared, std::string& why) {
  const bool declaredBig5 = declared != "GB18030";
  const CommonCount mine = commonCharacters(bytes, declaredBig5);
  const CommonCount other = commonCharacters(bytes, !declaredBig5);
  constexpr std::size_t kFewest = 4;  // too few characters to judge by
  if (mine.total < kFewest || other.total == 0) return {};
  const double mineShare = static_cast<double>(mine.common) / static_cast<double>(mine.total);
  const double otherShare = static_cast<double>(other.common) / static_cast<double>(other.total);
  if (otherShare < 0.8 || otherShare < mineShare + 0.25) return {};
  const char* candidate = declaredBig5 ? "GB18030" : "BIG5";
  std::string out;
  std::vector<std::size_t> bad;
  if (!platform::decodeToUtf8(bytes, candidate, out, bad) || !bad.empty()) return {};
  why = std::to_string(other.common) + " of " + std::to_string(other.total) +
        " characters common against " + std::to_string(mine.common) + " of " +
        std::to_string(mine.total);
  return candidate;
}

// Decodes `text` from the Chinese character set `chinese` (as the header or the option names it:
// `named`) into document.decoded, each byte it cannot decode a repair; a notice when another set
// reads it with far more common characters. Fails when the system lacks the set.
platform::Status decodeChinese(std::string_view& text, std::string_view named,
                               const std::string& chinese, const ReadOptions& options,
                               Document& document) {
  std::vector<std::size_t> bad;
  if (!platform::decodeToUtf8(text, chinese.c_str(), document.decoded, bad)) {
    return platform::Status::error(platform::Status::Code::kIoError,
                                   "character set " + chinese + " is not available on this system");
  }
  document.readAs = shown(trimmed(named));
  reportUndecoded(document.decoded, bad, document.readAs, document);
  // A CHAR that decodes the file may still be the wrong one: another set that reads it with
  // far more common characters is named, with the option that reads the file in it.
  std::string why;
  if (options.charset.empty() && bad.empty()) {
    document.likelyAs = likelierCharset(text, chinese, why);
  }
  if (!document.likelyAs.empty()) {
    document.notices.push_back("CHAR " + document.readAs + " decodes the file, but " +
                               document.likelyAs + " reads it with far more common characters (" +
                               why + "): it may be " + document.likelyAs + "; --charset " +
                               document.likelyAs + " reads it so");
  }
  text = document.decoded;
  return {};
}

// Whether a character set that is not Chinese, named `named` (`plain` its plain name) by the
// option when `given` or else by the header, is one read here as UTF-8 (`utf8`: it says UTF-8,
// or a 7.0 header names none) or as ASCII. Fails when it is not.
platform::Status acceptsCharset(std::string_view named, const std::string& plain, bool utf8,
                                bool given) {
  const bool unlabelled = plain.empty() || plain == "ANSI" || plain == "ASCII" ||
                          plain == "USASCII" || plain == "ANSEL";
  if (given && !utf8) {
    return notRead("character set " + shown(named) +
                   " is not read (UTF-8, GB2312, GBK, CP936, GB18030, BIG5 and BIG5-HKSCS are)");
  }
  if (!utf8 && (plain == "UNICODE" || plain == "UTF16")) {
    return notRead("the header says CHAR " + shown(named) +
                   " but the file has no UTF-16 byte order mark");
  }
  if (!utf8 && !unlabelled) {
    return notRead(
        "character set " + shown(named) +
        " is not read (UTF-8, UNICODE, GB2312, GBK, CP936, GB18030, BIG5 and BIG5-HKSCS are)");
  }
  return {};
}

// The error of a file with bytes that are not UTF-8 (the first at `first`) whose header names
// no character set (`named` is what it says instead): where, and which sets decode it whole
// (the first of them in document.decodesAs).
std::string undeclaredCharsetError(std::string_view text, std::size_t first, std::string_view named,
                                   Document& document) {
  const char terminator = text.find('\n') != std::string_view::npos ? '\n' : '\r';
  const auto line =
      1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(first), terminator);
  std::string error = lineText(static_cast<int>(line)) + "bytes that are not UTF-8, and " +
                      (named.empty() ? std::string("the header has no CHAR to say")
                                     : "CHAR " + shown(named) + " does not say") +
                      " which character set they are in";
  const std::vector<std::string> clean = cleanCharsets(text);
  if (clean.empty()) {
    return error +
           "; no character set read here decodes the whole file (--charset NAME reads it in "
           "NAME, each byte it cannot decode a loss)";
  }
  error += "; the whole file decodes as ";
  for (std::size_t i = 0; i < clean.size(); ++i) {
    error += (i == 0 ? "" : i + 1 == clean.size() ? " and " : ", ") + clean[i];
  }
  error += ": read it with --charset " + clean.front();
  document.decodesAs = clean.front();
  document.labelledAs = std::string(trimmed(named));
  return error;
}

// Makes `text` UTF-8 as the header or the option says, before the lines are read: decoded into
// document.decoded, or left as it is when it is UTF-8 already. Fails when the file is not read.
platform::Status decodeText(std::string_view& text, const ReadOptions& options,
                            Document& document) {
  const Header header = scanHeader(text);
  if (!header.head) return {};  // not GEDCOM: the reading of the lines says why
  const std::string_view named = options.charset.empty() ? header.charset : options.charset;
  const std::string plain = plainName(named);
  const std::string chinese = chineseCharset(named);
  if (!chinese.empty()) return decodeChinese(text, named, chinese, options, document);
  const bool utf8 = plain == "UTF8" || (options.charset.empty() && header.version7);
  if (platform::Status accepted = acceptsCharset(named, plain, utf8, !options.charset.empty());
      !accepted.ok()) {
    return accepted;
  }
  bool high = false;
  const std::size_t first = firstNonUtf8(text, high);
  document.readAs = "UTF-8";
  if (plain == "ANSEL" && high) {
    return notRead("CHAR " + shown(named) +
                   ": only plain ASCII is read in that character set, and this file has other"
                   " bytes; export it as UTF-8");
  }
  if (first == std::string_view::npos) {
    if (high && !utf8) {
      document.notices.push_back("CHAR " + (named.empty() ? std::string("missing") : shown(named)) +
                                 ", but the file is UTF-8: read as UTF-8");
    }
    return {};
  }
  if (utf8) {
    std::vector<std::size_t> bad;
    replaceNonUtf8(text, document.decoded, bad);
    reportUndecoded(document.decoded, bad, "UTF-8", document);
    text = document.decoded;
    return {};
  }
  return notRead(undeclaredCharsetError(text, first, named, document));
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

std::string chineseCharset(std::string_view name) {
  const std::string plain = plainName(name);
  for (const char* gb : {"GB2312", "EUCCN", "GBK", "CP936", "MS936", "WINDOWS936", "GB18030"}) {
    if (plain == gb) return "GB18030";
  }
  for (const char* big5 : {"BIG5", "BIGFIVE", "CP950"}) {
    if (plain == big5) return plain == "CP950" ? "CP950" : "BIG5";
  }
  return plain == "BIG5HKSCS" ? "BIG5-HKSCS" : "";
}

platform::Status readDocument(std::string_view bytes, const ReadOptions& options,
                              Document& document) {
  std::string_view text = bytes;
  // UTF-16 is told by its byte order mark or, without one, by the "0" of "0 HEAD".
  static constexpr char kLittleZero[] = {'0', '\0'}, kBigZero[] = {'\0', '0'};
  auto starts = [&](std::string_view prefix) { return bytes.starts_with(prefix); };
  if (starts("\xEF\xBB\xBF")) {
    text.remove_prefix(3);
    if (platform::Status decoded = decodeText(text, options, document); !decoded.ok()) {
      return decoded;
    }
  } else if (starts("\xFF\xFE") || starts("\xFE\xFF") || starts(std::string_view(kLittleZero, 2)) ||
             starts(std::string_view(kBigZero, 2))) {
    bool bigEndian = bytes[0] == '\xFE' || bytes[0] == '\0';
    std::size_t mark = bytes[0] == '0' || bytes[0] == '\0' ? 0 : 2;
    if (!decodeUtf16(bytes.substr(mark), bigEndian, document.decoded)) {
      return notRead("the file is not valid UTF-16");
    }
    text = document.decoded;
    document.readAs = "UTF-16";
  } else if (platform::Status decoded = decodeText(text, options, document); !decoded.ok()) {
    return decoded;
  }
  std::vector<std::string> undecoded = std::move(document.repairs);
  document.repairs.clear();
  if (platform::Status parsed = Parser(text).parse(document); !parsed.ok()) return parsed;
  if (platform::Status version = checkVersion(document); !version.ok()) return version;
  if (!undecoded.empty()) {
    // Both lists are in line order: merge them.
    auto lineOf = [](const std::string& repair) { return std::atoi(repair.c_str() + 5); };
    std::vector<std::string> merged;
    std::merge(std::make_move_iterator(undecoded.begin()), std::make_move_iterator(undecoded.end()),
               std::make_move_iterator(document.repairs.begin()),
               std::make_move_iterator(document.repairs.end()), std::back_inserter(merged),
               [&](const std::string& a, const std::string& b) { return lineOf(a) < lineOf(b); });
    document.repairs = std::move(merged);
  }
  return {};
}

}  // namespace quillet::gedcom
