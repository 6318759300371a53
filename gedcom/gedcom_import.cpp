// The import's second half: of the individuals and families read from the file, the clan is
// picked and laid out breadth-first, named, dated and written as the genealogy file's records.
// This file holds no narrow literal outside ASCII (the fuzz build compiles it with a compiler
// that has no GBK execution character set): GBK bytes come from UTF-8 constants through the
// platform's conversion.
#include "gedcom/gedcom_import.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>

#include "core/home_record.h"
#include "gedcom/gedcom_document.h"
#include "platform/gbk.h"
#include "reports/clan_walk.h"

namespace quillet {
namespace {

using gedcom::Document;
using gedcom::Family;
using gedcom::Individual;
using gedcom::trimmed;
using gedcom::unescaped;
using gedcom::utf8Length;

constexpr int kDeepestGeneration = 9;
constexpr std::string_view kNoDate = "00000000";

std::string fromU8(std::u8string_view text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

std::string numberText(long long value) { return std::to_string(value); }

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
  constexpr std::string_view kIdeographicSpace = "\xe3\x80\x80";  // U+3000 in UTF-8
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text.substr(at).starts_with(kIdeographicSpace)) {
      at += kIdeographicSpace.size() - 1;
      continue;
    }
    const char c = text[at];
    if (static_cast<unsigned char>(c) > 0x20 && c != 0x7F) out += c;
  }
  return out;
}

// The whole name, surname first, UTF-8: "宝玉 /贾/" and "/贾/宝玉" give 贾宝玉; a title name given
// as "尤氏 /尤/" or as "尤氏" with SURN 尤 stays 尤氏.
std::string wholeName(std::string_view value, std::string_view surnamePiece) {
  std::size_t open = value.find('/');
  if (open == std::string_view::npos) {
    std::string whole = squeezed(value);
    std::string surname = squeezed(unescaped(surnamePiece, false));
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

std::string wholeName(const Individual& person) {
  return wholeName(person.name, person.surnamePiece);
}

std::string wholeName(const gedcom::NameForm& form) {
  return wholeName(form.value, form.surnamePiece);
}

// True when the UTF-8 `name` is written in Chinese characters only, every one a double-byte GBK
// character, and (when `keyLength`) there are two or three of them.
bool isChinese(std::string_view name, bool keyLength) {
  std::size_t count = 0;
  for (std::string_view rest = name; !rest.empty(); ++count) {
    std::size_t length = utf8Length(rest);
    if (length < 2) return false;
    rest.remove_prefix(length);
  }
  if (count == 0 || (keyLength && count != 2 && count != 3)) return false;
  const std::string gbk = platform::utf8ToGbk(name, '?');
  if (gbk.size() != 2 * count) return false;
  for (std::size_t b = 0; b < gbk.size(); b += 2) {
    if (platform::gbkCharLength(std::string_view(gbk).substr(b)) != 2) return false;
  }
  return true;
}

// True for a LANG that names a Chinese language: zh, cmn, yue ... with any region or script
// subtag (zh-Hans, zh-TW, cmn-Hant-TW), or GEDCOM 5.5.1's language name Chinese.
bool isChineseLanguage(std::string_view language) {
  std::string primary;
  for (char c : language.substr(0, std::min(language.find_first_of("-_"), language.size()))) {
    primary += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  static constexpr std::string_view kChinese[] = {"zh",  "cmn", "yue", "wuu", "hak",    "nan",
                                                  "gan", "hsn", "lzh", "zho", "chinese"};
  return std::find(std::begin(kChinese), std::end(kChinese), primary) != std::end(kChinese);
}

// A name as reports show it: whole up to 32 characters, else its first 32 and "...", so that a
// name of absurd length costs a loss line no more than a long one.
std::string shownName(std::string name) {
  constexpr std::size_t kShownCharacters = 32;
  std::size_t at = 0;
  for (std::size_t count = 0; at < name.size(); ++count) {
    if (count == kShownCharacters) {
      name.resize(at);
      return name + "...";
    }
    at += std::max<std::size_t>(1, utf8Length(std::string_view(name).substr(at)));
  }
  return name;
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
    for (std::size_t i = 0; i + 1 < numerals.size(); i += 2) {
      m.numerals.push_back(numerals.substr(i, 2));
    }
    return m;
  }();
  return made;
}

// What can be kept of a name that makes no key, read in one pass along its UTF-8 text and its
// GBK conversion (where GBK lacks a character the conversion has one byte): the GBK of its first
// three characters ("" for each that is no double-byte GBK character), whether any character at
// all is one, and why the name makes no key. Its size does not grow with the name's.
struct NameCharacters {
  std::vector<std::string> firstKept;
  bool anyKept = false;
  std::string reason;
};

NameCharacters readNameCharacters(std::string_view utf8, std::string_view gbk) {
  NameCharacters name;
  std::size_t count = 0;
  std::string_view bad;
  for (; !utf8.empty(); ++count) {
    const std::size_t length = std::max<std::size_t>(1, utf8Length(utf8));
    const bool doubleByte = platform::gbkCharLength(gbk) == 2 && length > 1;
    if (count < 3) name.firstKept.push_back(doubleByte ? std::string(gbk.substr(0, 2)) : "");
    name.anyKept = name.anyKept || doubleByte;
    if (!doubleByte && bad.empty()) bad = utf8.substr(0, length);
    utf8.remove_prefix(length);
    gbk.remove_prefix(std::min(gbk.size(), doubleByte ? std::size_t{2} : std::size_t{1}));
  }
  if (count == 0) {
    name.reason = "no name";
    return name;
  }
  if (count != 2 && count != 3) {
    name.reason = "name of " + numberText(static_cast<long long>(count)) +
                  (count == 1 ? " character" : " characters");
  }
  if (!bad.empty()) {
    name.reason += name.reason.empty() ? "" : ", ";
    name.reason += bad.size() > 1 ? "character " + std::string(bad) + " is not in GBK"
                                  : "character \"" + std::string(bad) + "\" is not Chinese";
  }
  return name;
}

// A name key of GBK characters (two or three double-byte characters).
std::string keyOf(const std::vector<std::string>& gbkCharacters) {
  std::string key;
  for (const std::string& c : gbkCharacters) key += c;
  if (key.size() == 4) key += "  ";
  return key;
}

// A file whose clan cannot be imported, and why.
platform::Status notImported(std::string why) {
  return platform::Status::error(platform::Status::Code::kInvalidInput, std::move(why));
}

// A name key's 6 bytes as one number.
std::uint64_t packedKey(std::string_view key) {
  std::uint64_t value = 0;
  for (char c : key) value = value << 8 | static_cast<unsigned char>(c);
  return value;
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
  if (sex == '\0') return "no sex given";
  return "sex " + std::string(1, sex > ' ' && sex < 0x7F ? sex : '?');
}

class ClanBuilder {
 public:
  ClanBuilder(const Document& document, GedcomImport& result)
      : doc_(document),
        result_(result),
        state_(document.individuals.size(), kNone),
        childFamily_(document.individuals.size(), -1),
        slotOf_(document.families.size(), 0),
        key_(document.individuals.size()),
        births_(document.individuals.size()),
        birthRead_(document.individuals.size(), false) {}

  // Picks the root (options.root, or the man without parents of the largest male line) and
  // lays out, names and writes the clan into `result`. Fails when the links loop or there is no
  // root.
  platform::Status build(const GedcomImportOptions& options);
  // The lines of listGedcomRoots. Fails when the links loop.
  platform::Status listRoots(std::vector<std::string>& lines);

 private:
  enum State : char { kNone, kMember, kWife, kLeftOut };

  const Individual& person(int i) const { return doc_.individuals[static_cast<std::size_t>(i)]; }
  const Family& family(int f) const { return doc_.families[static_cast<std::size_t>(f)]; }
  // The name a person is imported by (see chooseNames), whole.
  std::string nameOf(int i) const {
    const int form = chosen_.empty() ? -1 : chosen_[static_cast<std::size_t>(i)];
    return form < 0 ? wholeName(person(i))
                    : wholeName(doc_.nameForms[static_cast<std::size_t>(form)]);
  }
  std::string label(int i) const {
    return std::string(person(i).xref) + " " + shownName(nameOf(i));
  }
  void lose(int i, std::string reason, std::string used = {}, bool leftOut = false);

  void chooseNames();
  platform::Status checkNoLoop(std::vector<int>& order);
  int chooseRoot(const std::vector<int>& order);
  void measureLines(const std::vector<int>& order);
  void collectMembers(int root);
  void takeChildren(std::size_t m);
  void assignWives();
  void listDescendantsLeftOut();
  // The name keys of the persons written (members, each followed by his wives): their own
  // names where they make a key no one took before them, then made ones for the others, each a
  // loss.
  void assignNames();
  // The 6 bytes of each key given, packed, and whose it is.
  using TakenKeys = std::unordered_map<std::uint64_t, int>;
  void giveOwnKeys(const std::vector<int>& written, TakenKeys& taken,
                   std::vector<NameCharacters>& kept, std::vector<std::string>& reasons);
  void giveMadeKeys(const std::vector<int>& written, TakenKeys& taken,
                    const std::vector<NameCharacters>& kept,
                    const std::vector<std::string>& reasons);
  const DateReading& birthOf(int i);
  std::string dateField(int i, bool birth);
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
  std::vector<int> childFamily_;  // the family through which a person was first reached
  std::vector<int> slotOf_;       // per family: 1 or 2 for the wife slot of its wife, else 0
  std::vector<std::pair<int, int>> deep_;  // persons below generation 9, with their depth
  std::vector<std::string> key_;           // name key of each person written
  std::vector<DateReading> births_;        // read once each, when first needed
  std::vector<bool> birthRead_;
  std::vector<std::pair<int, ImportLoss>> losses_;
  std::vector<int> chosen_;   // per person: the NameForm his name is taken from; -1 his first NAME
  std::vector<double> size_;  // per person: persons in his male line (double: diamonds may count
                              // twice), once measureLines ran
  std::vector<int> height_;   // per person: generations below him in his male line
  // takeChildren's list, kept for reuse: a child with the date his place in the chain goes by.
  struct Child {
    int person, family;
    std::array<char, 8> key;
  };
  std::vector<Child> children_;
};

void ClanBuilder::lose(int i, std::string reason, std::string used, bool leftOut) {
  ImportLoss loss;
  loss.xref = std::string(person(i).xref);
  loss.name = shownName(nameOf(i));
  loss.reason = std::move(reason);
  loss.used = std::move(used);
  loss.leftOut = leftOut;
  losses_.emplace_back(i, std::move(loss));
}

// The Chinese form of each person's name, where his first NAME is not one: a TRAN of that NAME
// in a Chinese language, else a ROMN or FONE of it written in Chinese, else a later NAME written
// in Chinese. Each form taken is stated in a notice.
void ClanBuilder::chooseNames() {
  chosen_.assign(doc_.individuals.size(), -1);
  for (std::size_t i = 0; i < doc_.individuals.size(); ++i) {
    const Individual& p = doc_.individuals[i];
    if (p.formCount == 0 || isChinese(wholeName(p), true)) continue;
    auto form = [&](int k) -> const gedcom::NameForm& {
      return doc_.nameForms[static_cast<std::size_t>(p.firstForm + k)];
    };
    auto pick = [&](auto&& fits) {
      for (int k = 0; k < p.formCount; ++k) {
        if (fits(form(k))) return p.firstForm + k;
      }
      return -1;
    };
    int chosen = pick([](const gedcom::NameForm& f) {
      return f.kind == gedcom::NameForm::kTranslation && f.name == 0 &&
             isChineseLanguage(f.language) && !squeezed(f.value).empty();
    });
    if (chosen < 0) {
      chosen = pick([](const gedcom::NameForm& f) {
        return (f.kind == gedcom::NameForm::kRomanized || f.kind == gedcom::NameForm::kPhonetic) &&
               f.name == 0 && isChinese(wholeName(f), false);
      });
    }
    if (chosen < 0) {
      chosen = pick([](const gedcom::NameForm& f) {
        return f.kind == gedcom::NameForm::kName && isChinese(wholeName(f), false);
      });
    }
    if (chosen < 0) continue;
    chosen_[i] = chosen;
    const gedcom::NameForm& f = doc_.nameForms[static_cast<std::size_t>(chosen)];
    static constexpr const char* kFrom[] = {"NAME", "TRAN", "ROMN", "FONE"};
    std::string from = std::string(kFrom[f.kind]);
    if (f.kind == gedcom::NameForm::kTranslation) from += " (LANG " + std::string(f.language) + ")";
    from += f.kind == gedcom::NameForm::kName ? " " + numberText(f.name + 1) : " of its first NAME";
    result_.notices.push_back(std::string(p.xref) + " " + shownName(std::string(trimmed(p.name))) +
                              ": name " + shownName(wholeName(f)) + " taken from its " + from);
  }
}

// A topological order of the persons, parents before children. Fails when a person is his own
// ancestor.
platform::Status ClanBuilder::checkNoLoop(std::vector<int>& order) {
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
  if (order.size() == count) return {};
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
  return notImported("the FAMC/FAMS links loop: " + label(at) + " is his or her own ancestor");
}

void ClanBuilder::measureLines(const std::vector<int>& order) {
  size_.assign(doc_.individuals.size(), 1);
  height_.assign(doc_.individuals.size(), 0);
  std::vector<int> wives;
  for (auto i = order.rbegin(); i != order.rend(); ++i) {
    double& total = size_[static_cast<std::size_t>(*i)];
    int& height = height_[static_cast<std::size_t>(*i)];
    wives.clear();
    for (int f : doc_.list(person(*i).husbandOf)) {
      int wife = family(f).wife;
      if (wife >= 0 && std::find(wives.begin(), wives.end(), wife) == wives.end()) {
        wives.push_back(wife);
      }
      for (int child : doc_.list(family(f).children)) {
        total += size_[static_cast<std::size_t>(child)];
        height = std::max(height, height_[static_cast<std::size_t>(child)] + 1);
      }
    }
    total += static_cast<double>(wives.size());
  }
}

// The man without parents whose male line holds the most persons (members and their wives),
// the first in the file on a tie; -1 when there is no man without parents.
int ClanBuilder::chooseRoot(const std::vector<int>& order) {
  measureLines(order);
  const std::vector<double>& size = size_;
  int root = -1;
  for (std::size_t i = 0; i < doc_.individuals.size(); ++i) {
    const Individual& candidate = doc_.individuals[i];
    if (candidate.sex != 'M' || candidate.childFamilies.count != 0 || candidate.ignored) continue;
    if (root < 0 || size[i] > size[static_cast<std::size_t>(root)]) root = static_cast<int>(i);
  }
  return root;
}

void ClanBuilder::collectMembers(int root) {
  members_.push_back(Member{});
  members_.back().person = root;
  state_[static_cast<std::size_t>(root)] = kMember;
  for (std::size_t m = 0; m < members_.size(); ++m) takeChildren(m);
}

// Appends the children of member `m` to the members, in chain order: birth order, the order of
// his families and of their CHIL lines on equal dates, a child without a date after the child
// listed before him.
void ClanBuilder::takeChildren(std::size_t m) {
  const int father = members_[m].person;
  const int depth = members_[m].depth + 1;
  std::vector<Child>& children = children_;
  children.clear();
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
  auto byKey = [](const Child& a, const Child& b) { return a.key < b.key; };
  if (!std::is_sorted(children.begin(), children.end(), byKey)) {
    std::stable_sort(children.begin(), children.end(), byKey);
  }
  for (const Child& child : children) {
    int index = static_cast<int>(members_.size());
    Member member;
    member.person = child.person;
    member.father = static_cast<int>(m);
    member.family = child.family;
    member.depth = depth;
    member.older = members_[m].children.empty() ? -1 : members_[m].children.back();
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
  TakenKeys taken;
  taken.reserve(written.size());
  std::vector<NameCharacters> kept(written.size());  // for the names that make no key
  std::vector<std::string> reasons(written.size());
  giveOwnKeys(written, taken, kept, reasons);
  giveMadeKeys(written, taken, kept, reasons);
}

void ClanBuilder::giveOwnKeys(const std::vector<int>& written, TakenKeys& taken,
                              std::vector<NameCharacters>& kept,
                              std::vector<std::string>& reasons) {
  // Every name converted in one go, one name a line (no name holds a line feed).
  std::string joined;
  std::vector<std::size_t> ends(written.size());  // where each name ends in `joined`
  for (std::size_t k = 0; k < written.size(); ++k) {
    joined += nameOf(written[k]);
    ends[k] = joined.size();
    joined += '\n';
  }
  const std::string gbk = platform::utf8ToGbk(joined, '?');
  std::size_t at = 0;
  for (std::size_t k = 0; k < written.size(); ++k) {
    const std::size_t start = k == 0 ? 0 : ends[k - 1] + 1;
    const std::string_view name = std::string_view(joined).substr(start, ends[k] - start);
    std::size_t end = std::min(gbk.find('\n', at), gbk.size());
    std::string_view converted = std::string_view(gbk).substr(at, end - at);
    at = std::min(end + 1, gbk.size());
    std::size_t count = 0;
    for (std::string_view rest = name; !rest.empty(); ++count) {
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
      kept[k] = readNameCharacters(name, converted);
      reasons[k] = kept[k].reason;
    }
    if (!reasons[k].empty()) continue;
    auto [found, fresh] = taken.emplace(packedKey(key), written[k]);
    if (fresh) {
      key_[static_cast<std::size_t>(written[k])] = key;
    } else {
      reasons[k] = "name already used by " + label(found->second);
      for (std::size_t b = 0; b + 1 < converted.size(); b += 2) {
        kept[k].firstKept.emplace_back(converted.substr(b, 2));
      }
      kept[k].anyKept = true;
    }
  }
}

void ClanBuilder::giveMadeKeys(const std::vector<int>& written, TakenKeys& taken,
                               const std::vector<NameCharacters>& kept,
                               const std::vector<std::string>& reasons) {
  const MadeNameCharacters& made = madeNameCharacters();
  int serial = 0;
  for (std::size_t k = 0; k < written.size(); ++k) {
    if (reasons[k].empty()) continue;
    std::vector<std::string> base;
    for (const std::string& piece : kept[k].firstKept) {
      base.push_back(piece.empty() ? made.some : piece);
    }
    if (!kept[k].anyKept) base = {made.anonymous.substr(0, 2), made.anonymous.substr(2)};
    if (base.size() == 1) base.push_back(made.some);
    std::string key = keyOf(base);
    for (std::size_t n = 0; taken.count(packedKey(key)) != 0 && n < made.numerals.size(); ++n) {
      key = keyOf({base[0], base[1], made.numerals[n]});
    }
    while (taken.count(packedKey(key)) != 0) key = made.lost + countedCharacters(serial++);
    taken.emplace(packedKey(key), written[k]);
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
// The birth or death date of person `i` as the record holds it: yyyymmdd, 00 for what is missing.
std::string ClanBuilder::dateField(int i, bool birth) {
  std::string_view value = birth ? person(i).birthDate : person(i).deathDate;
  const char* what = birth ? "birth date" : "death date";
  if (value.empty()) {
    lose(i, std::string("no ") + what, std::string(kNoDate));
    return std::string(kNoDate);
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
  return std::string(reading.text());
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
  const std::string birth = dateField(i, true);
  const bool dead = person(i).dead;
  const std::string death = dead ? dateField(i, false) : std::string();
  quillet::appendRecord(result_.homeText,
                        {.name = key_[static_cast<std::size_t>(i)],
                         .generation = generation,
                         .father = father,
                         .birthDate = birth,
                         .sex = sex,
                         .olderSibling = older,
                         .motherIndex = motherIndex,
                         .married = marriedFlag,
                         .husband = husband,
                         .alive = dead ? 'n' : 'y',
                         .deathDate = death},
                        RecordLineEnd::kText);
  ++result_.persons;
}

void ClanBuilder::writeRecords() {
  const std::string absent(kAbsentNameField);
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

platform::Status ClanBuilder::build(const GedcomImportOptions& options) {
  chooseNames();
  std::vector<int> order;
  if (platform::Status ordered = checkNoLoop(order); !ordered.ok()) return ordered;
  int root = -1;
  if (!options.root.empty()) {
    std::string xref = options.root.front() == '@' ? options.root : "@" + options.root + "@";
    auto found = std::find_if(doc_.individuals.begin(), doc_.individuals.end(),
                              [&](const Individual& i) { return i.xref == xref; });
    if (found == doc_.individuals.end()) {
      return notImported("the root " + xref + " is no INDI record of the file");
    }
    root = static_cast<int>(found - doc_.individuals.begin());
  } else {
    root = chooseRoot(order);
    if (root < 0) return notImported("no man without parents (SEX M, no FAMC) to be the root");
  }
  collectMembers(root);
  assignWives();
  listDescendantsLeftOut();
  assignNames();
  writeRecords();
  result_.rootXref = std::string(person(root).xref);
  result_.rootName = shownName(nameOf(root));
  for (std::size_t i = 0; i < state_.size(); ++i) {
    result_.outside += state_[i] == kNone && !doc_.individuals[i].ignored ? 1 : 0;
  }
  std::stable_sort(losses_.begin(), losses_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [index, loss] : losses_) result_.losses.push_back(std::move(loss));
  return {};
}

// A count with a comma between thousands: 1,204.
std::string groupedNumber(long long value) {
  std::string digits = numberText(value);
  for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(static_cast<std::size_t>(at), ",");
  }
  return digits;
}

platform::Status ClanBuilder::listRoots(std::vector<std::string>& lines) {
  chooseNames();
  std::vector<int> order;
  if (platform::Status ordered = checkNoLoop(order); !ordered.ok()) return ordered;
  const int chosen = chooseRoot(order);
  std::vector<int> roots;
  for (std::size_t i = 0; i < doc_.individuals.size(); ++i) {
    const Individual& candidate = doc_.individuals[i];
    if (candidate.sex == 'M' && candidate.childFamilies.count == 0 && !candidate.ignored) {
      roots.push_back(static_cast<int>(i));
    }
  }
  auto size = [&](int i) { return size_[static_cast<std::size_t>(i)]; };
  std::stable_sort(roots.begin(), roots.end(), [&](int a, int b) {
    return (a == chosen) != (b == chosen) ? a == chosen : size(a) > size(b);
  });
  std::vector<char> seen(doc_.individuals.size(), 0);
  for (int root : roots) {
    const Individual& man = person(root);
    const int height = height_[static_cast<std::size_t>(root)];
    const auto persons = static_cast<long long>(size(root));
    lines.push_back(label(root) + ", " +
                    (man.birthDate.empty() ? std::string("no birth date")
                                           : "born " + std::string(man.birthDate)) +
                    ": " + groupedNumber(persons) + (persons == 1 ? " person" : " persons") +
                    " in his male line, " + numberText(height) +
                    (height == 1 ? " generation" : " generations") + " below him");
    if (height <= kDeepestGeneration) continue;
    // Down his line to the men whose own lines hold generations 0 to 9 exactly.
    std::vector<int> next = {root};
    seen[static_cast<std::size_t>(root)] = 1;
    for (std::size_t k = 0; k < next.size(); ++k) {
      const int at = next[k];
      if (height_[static_cast<std::size_t>(at)] == kDeepestGeneration) {
        lines.push_back("  from " + label(at) + " the line holds generations 0 to 9, " +
                        groupedNumber(static_cast<long long>(size(at))) + " persons");
        continue;
      }
      for (int f : doc_.list(person(at).husbandOf)) {
        for (int child : doc_.list(family(f).children)) {
          auto index = static_cast<std::size_t>(child);
          if (seen[index] || height_[index] < kDeepestGeneration) continue;
          seen[index] = 1;
          next.push_back(child);
        }
      }
    }
    for (int visited : next) seen[static_cast<std::size_t>(visited)] = 0;
  }
  return {};
}

}  // namespace

platform::Status importGedcom(std::string_view bytes, const GedcomImportOptions& options,
                              GedcomImport& result) {
  result = GedcomImport{};
  gedcom::Document document;
  if (platform::Status read =
          gedcom::readDocument(bytes, gedcom::ReadOptions{options.charset}, document);
      !read.ok()) {
    result.decodesAs = document.decodesAs;
    result.labelledAs = document.labelledAs;
    return read;
  }
  result.readAs = document.readAs;
  result.likelyAs = document.likelyAs;
  result.notices = std::move(document.notices);
  for (std::string& repair : document.repairs) {
    ImportLoss& loss = result.losses.emplace_back();
    loss.reason = std::move(repair);
  }
  return ClanBuilder(document, result).build(options);
}

std::string lossLine(const ImportLoss& loss) {
  if (loss.xref.empty()) return loss.reason;
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

platform::Status listGedcomRoots(std::string_view bytes, const GedcomImportOptions& options,
                                 std::vector<std::string>& lines) {
  GedcomImport result;
  gedcom::Document document;
  if (platform::Status read =
          gedcom::readDocument(bytes, gedcom::ReadOptions{options.charset}, document);
      !read.ok()) {
    return read;
  }
  return ClanBuilder(document, result).listRoots(lines);
}

}  // namespace quillet
