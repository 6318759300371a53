// The exact kinship terms: which term applies, and the words themselves, in the order of
// docs/kinship-terms.md.
//
// A pair is first reduced to clan members: a wife stands at her husband's place, and her term is
// made from his (her own words for his parents and his brothers and sisters aside). Between two
// members the term follows from three numbers: the generations from each up to their nearest
// common ancestor, and from the smaller of the two (the senior's) the qualifier of the side they
// are kin through.
#include "kinship/exact_terms.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace quillet {
namespace {

// The generations a line is followed up; nothing beyond is worded.
constexpr int kMostGenerations = 9;
// The most generations between collateral kin that the terms name (伯高祖父, 玄侄孙).
constexpr int kMostCollateralGenerations = 4;

std::string undetermined() { return kUndeterminedTerm; }

// --- Words ----------------------------------------------------------------------------------

// Direct line, 1 to 9 generations.
constexpr std::array<const char*, kMostGenerations> kAncestorNames = {
    "父亲", "祖父", "曾祖父", "高祖父", "五世祖", "六世祖", "七世祖", "八世祖", "九世祖"};
// The wife of the ancestor two to nine generations up.
constexpr std::array<const char*, kMostGenerations - 1> kAncestorWives = {
    "祖母", "曾祖母", "高祖母", "五世祖母", "六世祖母", "七世祖母", "八世祖母", "九世祖母"};
// Descendants two to nine generations down (尔雅·释亲: 孙、曾孙、玄孙、来孙、晜孙、仍孙、云孙).
constexpr std::array<const char*, kMostGenerations - 1> kGrandsons = {
    "孙子", "曾孙", "玄孙", "来孙", "晜孙", "仍孙", "云孙", "九世孙"};
constexpr std::array<const char*, kMostGenerations - 1> kGranddaughters = {
    "孙女", "曾孙女", "玄孙女", "来孙女", "晜孙女", "仍孙女", "云孙女", "九世孙女"};
constexpr std::array<const char*, kMostGenerations - 1> kGrandsonsWives = {
    "孙媳", "曾孙媳", "玄孙媳", "来孙媳", "晜孙媳", "仍孙媳", "云孙媳", "九世孙媳"};

// The side of collateral kin, by the generations from the senior up to the common ancestor:
// 1 one father (no qualifier), 2 one grandfather, 3 one great-grandfather, 4 and more beyond.
std::string_view qualifierOf(int seniorSteps) {
  switch (seniorSteps) {
    case 1:
      return "";
    case 2:
      return "堂";
    case 3:
      return "再从";
    default:
      return "族";
  }
}

// Collateral kin one to four generations apart: the senior's term (a man elder or younger than
// the junior's forebear of his generation, a woman; own uncles and aunts with 父/母, kin of a
// qualified side without), the junior's, and the senior's wife's.
struct SeniorWords {
  const char* elder;
  const char* younger;
  const char* woman;
};
constexpr std::array<SeniorWords, kMostCollateralGenerations> kOwnSeniors = {{
    {"伯父", "叔父", "姑母"},
    {"伯祖父", "叔祖父", "祖姑母"},
    {"伯曾祖父", "叔曾祖父", "曾祖姑母"},
    {"伯高祖父", "叔高祖父", "高祖姑母"},
}};
constexpr std::array<SeniorWords, kMostCollateralGenerations> kSideSeniors = {{
    {"伯", "叔", "姑"},
    {"伯祖", "叔祖", "祖姑"},
    {"伯曾祖", "叔曾祖", "曾祖姑"},
    {"伯高祖", "叔高祖", "高祖姑"},
}};
// The wives of the seniors above: 伯母, 婶母 (of a side: 堂伯母, 堂婶), 伯祖母 ...
constexpr std::array<SeniorWords, kMostCollateralGenerations> kSeniorWives = {{
    {"伯母", "婶母", ""},
    {"伯祖母", "叔祖母", ""},
    {"伯曾祖母", "叔曾祖母", ""},
    {"伯高祖母", "叔高祖母", ""},
}};
struct JuniorWords {
  const char* man;
  const char* woman;
  const char* wife;
};
constexpr std::array<JuniorWords, kMostCollateralGenerations> kJuniors = {{
    {"侄", "侄女", "侄媳"},
    {"侄孙", "侄孙女", "侄孙媳"},
    {"曾侄孙", "曾侄孙女", "曾侄孙媳"},
    {"玄侄孙", "玄侄孙女", "玄侄孙媳"},
}};

// 1 to 99 in Chinese numerals.
std::string chineseNumber(int n) {
  static constexpr std::array<const char*, 10> kDigits = {"",   "一", "二", "三", "四",
                                                          "五", "六", "七", "八", "九"};
  std::string text;
  if (n >= 20) text += kDigits[static_cast<std::size_t>(n / 10)];
  if (n >= 10) text += "十";
  text += kDigits[static_cast<std::size_t>(n % 10)];
  return text;
}

// 排行 before a term of kin of one's own side: 大伯, 二叔, 三哥.
std::string rankWord(int rank) { return rank == 1 ? std::string("大") : chineseNumber(rank); }
// 排行 of one's children: 长子, 次子, 三子.
std::string childRankWord(int rank) {
  return rank == 1 ? std::string("长") : rank == 2 ? std::string("次") : chineseNumber(rank);
}

// --- Dates and order of birth ---------------------------------------------------------------

// A stored birth date as far as it is known (0 for a month or day not known); nothing when it is
// not eight digits or its year is 0000.
struct KnownDate {
  int year = 0;
  int month = 0;
  int day = 0;
  bool complete() const { return month != 0 && day != 0; }
};

std::optional<KnownDate> knownDate(const Person& person) {
  const std::string_view text = dateText(person.birthDate);
  if (text.size() != kDateBytes) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  KnownDate date{value / 10000, value / 100 % 100, value % 100};
  if (date.year == 0) return std::nullopt;
  if (date.month < 1 || date.month > 12) date.month = 0;
  if (date.month == 0 || date.day > 31) date.day = 0;
  return date;
}

enum class Order { kElder, kYounger, kOpen };

// Whether `a` was born before `b`, as far as both dates tell: the first of year, month, day that
// both give and that differ decides; a part either lacks, or equal dates, leave it open.
Order compareBirth(const Person& a, const Person& b) {
  const std::optional<KnownDate> x = knownDate(a);
  const std::optional<KnownDate> y = knownDate(b);
  if (!x || !y) return Order::kOpen;
  const std::array<std::pair<int, int>, 3> parts = {
      {{x->year, y->year}, {x->month, y->month}, {x->day, y->day}}};
  for (const auto& [p, q] : parts) {
    if (p == 0 || q == 0) return Order::kOpen;
    if (p != q) return p < q ? Order::kElder : Order::kYounger;
  }
  return Order::kOpen;
}

// Calls `visit(child, index)` for each child of `father` in the order of his chain (the order in
// which the genealogy records them). A chain that comes back on itself (a broken file) is left
// when it does, at most one round later (Brent's cycle detection).
template <typename Visit>
void forEachChild(const Person& father, Visit&& visit) {
  const Person* mark = nullptr;
  std::size_t power = 1;
  std::size_t steps = 0;
  std::size_t index = 0;
  for (const Person* child = father.firstChild; child != nullptr && child != mark;
       child = child->youngerSibling) {
    visit(*child, index++);
    if (++steps == power) {
      mark = child;
      power *= 2;
      steps = 0;
    }
  }
}

// The place of `person` in the chain of its father's children; nothing when it is not there.
std::optional<std::size_t> chainIndexOf(const Person& person) {
  std::optional<std::size_t> found;
  if (person.father == nullptr) return found;
  forEachChild(*person.father, [&](const Person& child, std::size_t index) {
    if (&child == &person && !found) found = index;
  });
  return found;
}

// Which of two children of one father is the elder: by the dates, and where they leave it open
// by the order in which the genealogy records the children (a 谱 records them eldest first).
Order siblingOrder(const Person& a, const Person& b) {
  const Order byDate = compareBirth(a, b);
  if (byDate != Order::kOpen) return byDate;
  const std::optional<std::size_t> x = chainIndexOf(a);
  const std::optional<std::size_t> y = chainIndexOf(b);
  if (!x || !y || *x == *y) return Order::kOpen;
  return *x < *y ? Order::kElder : Order::kYounger;
}

// 排行: the place of `person` among its father's children of its sex, by date of birth and, on
// one date, by the order recorded. Known only when there are two or more of them and all their
// dates are whole; 0 otherwise.
int rankOf(const Person& person) {
  const std::optional<std::size_t> own = chainIndexOf(person);
  const std::optional<KnownDate> ownDate = knownDate(person);
  if (!own || !ownDate || !ownDate->complete()) return 0;
  const auto key = [](const KnownDate& d) { return d.year * 10000 + d.month * 100 + d.day; };
  int count = 0;
  int before = 0;
  bool whole = true;
  forEachChild(*person.father, [&](const Person& child, std::size_t index) {
    if (child.sex != person.sex) return;
    ++count;
    const std::optional<KnownDate> date = knownDate(child);
    if (!date || !date->complete()) {
      whole = false;
      return;
    }
    if (key(*date) < key(*ownDate) || (key(*date) == key(*ownDate) && index < *own)) ++before;
  });
  return whole && count >= 2 ? before + 1 : 0;
}

// --- Kin by blood ---------------------------------------------------------------------------

// A member and his forebears through father links, nearest first, at most nine generations up;
// a forebear met twice (a broken file) ends the line before it.
struct Line {
  std::array<const Person*, kMostGenerations + 1> members{};
  int length = 0;

  explicit Line(const Person& start) {
    for (const Person* p = &start; p != nullptr && length <= kMostGenerations; p = p->father) {
      for (int i = 0; i < length; ++i) {
        if (members[static_cast<std::size_t>(i)] == p) return;
      }
      members[static_cast<std::size_t>(length++)] = p;
    }
  }
  const Person& at(int steps) const { return *members[static_cast<std::size_t>(steps)]; }
};

// Two members as kin: the generations from each up to the nearest common ancestor.
struct Kinship {
  int up = 0;    // from the speaker
  int down = 0;  // from the one spoken of
};

std::optional<Kinship> kinshipOf(const Line& x, const Line& y) {
  for (int i = 0; i < x.length; ++i) {
    for (int j = 0; j < y.length; ++j) {
      if (&x.at(i) == &y.at(j)) return Kinship{i, j};
    }
  }
  return std::nullopt;
}

bool isMale(const Person& p) { return p.sex == 'm'; }
bool isFemale(const Person& p) { return p.sex == 'f'; }

// The order of two members of one generation, `steps` generations below their common ancestor:
// siblings by siblingOrder, cousins by their dates alone.
Order orderInGeneration(const Person& a, const Person& b, int steps) {
  return steps == 1 ? siblingOrder(a, b) : compareBirth(a, b);
}

// The term by which member `x` calls member `y` (x is not y).
std::string memberTerm(const Person& x, const Person& y) {
  const Line fromX(x);
  const Line fromY(y);
  const std::optional<Kinship> kin = kinshipOf(fromX, fromY);
  if (!kin || (kin->up == 0 && kin->down == 0)) return undetermined();
  if (!isMale(y) && !isFemale(y)) return undetermined();

  if (kin->down == 0) {  // y is x's forebear
    return isMale(y) ? kAncestorNames[static_cast<std::size_t>(kin->up - 1)] : undetermined();
  }
  if (kin->up == 0) {  // y is x's descendant
    if (kin->down == 1) {
      const int rank = rankOf(y);
      if (rank == 0) return isMale(y) ? "儿子" : "女儿";
      return childRankWord(rank) + (isMale(y) ? "子" : "女");
    }
    const auto i = static_cast<std::size_t>(kin->down - 2);
    return isMale(y) ? kGrandsons[i] : kGranddaughters[i];
  }

  const int senior = std::min(kin->up, kin->down);
  const int apart = std::max(kin->up, kin->down) - senior;
  const std::string_view side = qualifierOf(senior);
  if (apart > kMostCollateralGenerations) return undetermined();

  if (apart == 0) {
    const Order order = orderInGeneration(y, x, senior);
    if (order == Order::kOpen) return undetermined();
    const bool elder = order == Order::kElder;
    const char* word = isMale(y) ? (elder ? "哥" : "弟") : (elder ? "姐" : "妹");
    if (senior > 1) {
      static constexpr const char* kCousins[2][2] = {{"兄", "弟"}, {"姐", "妹"}};
      return std::string(side) + kCousins[isMale(y) ? 0 : 1][elder ? 0 : 1];
    }
    const int rank = rankOf(y);
    std::string term = rank != 0 ? rankWord(rank) + word : std::string(word) + word;
    const bool halfSiblings = (x.motherIndex == '1' || x.motherIndex == '2') &&
                              (y.motherIndex == '1' || y.motherIndex == '2') &&
                              x.motherIndex != y.motherIndex;
    return halfSiblings ? "同父异母的" + term : term;
  }

  const auto generations = static_cast<std::size_t>(apart - 1);
  if (kin->up > kin->down) {  // y is the senior
    const SeniorWords& words = senior == 1 ? kOwnSeniors[generations] : kSideSeniors[generations];
    if (isFemale(y)) {
      const int rank = apart == 1 && senior == 1 ? rankOf(y) : 0;
      return rank != 0 ? rankWord(rank) + "姑" : std::string(side) + words.woman;
    }
    // 伯 or 叔 by his age against x's forebear of his generation.
    const Order order = orderInGeneration(y, fromX.at(apart), senior);
    if (order == Order::kOpen) return undetermined();
    const bool elder = order == Order::kElder;
    const int rank = apart == 1 && senior == 1 ? rankOf(y) : 0;
    if (rank != 0) return rankWord(rank) + (elder ? "伯" : "叔");
    return std::string(side) + (elder ? words.elder : words.younger);
  }
  const JuniorWords& words = kJuniors[generations];
  if (isFemale(y)) return std::string(side) + words.woman;
  return std::string(side) + words.man + (apart == 1 && senior == 1 ? "子" : "");
}

// --- Kin by marriage ------------------------------------------------------------------------

// A wife's place: her husband, and which of his wives she is (1 first, 2 second).
struct Marriage {
  const Person* husband = nullptr;
  int slot = 0;
};

// Who a person is to the terms: a member of the clan (with a father, or a man without one, as the
// root), a wife linked both ways with her husband, or neither (broken links).
enum class Role { kMember, kWife, kUnplaced };

Role roleOf(const Person& person, Marriage& marriage) {
  if (person.father != nullptr || !isFemale(person)) return Role::kMember;
  const Person* husband = person.spouse;
  if (husband == nullptr || isFemale(*husband)) return Role::kUnplaced;
  marriage.husband = husband;
  marriage.slot = husband->spouse == &person ? 1 : husband->secondWife == &person ? 2 : 0;
  return marriage.slot == 0 ? Role::kUnplaced : Role::kWife;
}

// The term by which member `x` calls `wife`, the wife of member `husband` (slot 1 or 2).
std::string wifeTerm(const Person& x, const Person& husband, int slot) {
  if (&x == &husband) return slot == 1 ? "妻子" : "侧室";
  const Line fromX(x);
  const Line fromH(husband);
  const std::optional<Kinship> kin = kinshipOf(fromX, fromH);
  if (!kin) return undetermined();

  if (kin->down == 0) {  // the husband is x's forebear
    // Whether she is x's own forebear: the mother the child below her husband names.
    const char mother = fromX.at(kin->up - 1).motherIndex;
    if (mother != '1' && mother != '2') return undetermined();
    const bool own = mother - '0' == slot;
    if (kin->up == 1) return own ? "母亲" : slot == 1 ? "嫡母" : "庶母";
    const std::string base = kAncestorWives[static_cast<std::size_t>(kin->up - 2)];
    return own ? base : (slot == 1 ? "嫡" : "庶") + base;
  }
  if (kin->up == 0) {  // the husband is x's descendant
    if (kin->down > 1) return kGrandsonsWives[static_cast<std::size_t>(kin->down - 2)];
    const int rank = rankOf(husband);
    return rank != 0 ? childRankWord(rank) + "媳" : std::string("儿媳");
  }

  const int senior = std::min(kin->up, kin->down);
  const int apart = std::max(kin->up, kin->down) - senior;
  const std::string_view side = qualifierOf(senior);
  if (apart > kMostCollateralGenerations) return undetermined();
  if (apart == 0) {
    const Order order = orderInGeneration(husband, x, senior);
    if (order == Order::kOpen) return undetermined();
    const bool elder = order == Order::kElder;
    if (senior > 1) return std::string(side) + (elder ? "嫂" : "弟妇");
    const int rank = rankOf(husband);
    if (rank != 0) return rankWord(rank) + (elder ? "嫂" : "弟妇");
    return elder ? "嫂子" : "弟妇";
  }
  const auto generations = static_cast<std::size_t>(apart - 1);
  if (kin->up > kin->down) {  // her husband is the senior
    const Order order = orderInGeneration(husband, fromX.at(apart), senior);
    if (order == Order::kOpen) return undetermined();
    const bool elder = order == Order::kElder;
    const int rank = apart == 1 && senior == 1 ? rankOf(husband) : 0;
    if (rank != 0) return rankWord(rank) + (elder ? "伯母" : "婶");
    const SeniorWords& words = kSeniorWives[generations];
    if (apart == 1 && senior > 1 && !elder) return std::string(side) + "婶";
    return std::string(side) + (elder ? words.elder : words.younger);
  }
  return std::string(side) + kJuniors[generations].wife;
}

// The term by which a wife, married to member `husband`, calls member `y`: as her husband does,
// but for his father (公公) and his brothers and sisters (大伯子, 小叔子, 大姑子, 小姑子).
std::string termOfWife(const Person& husband, const Person& y) {
  if (&y == &husband) return "丈夫";
  if (y.father != nullptr && husband.father == y.father) {
    const Order order = siblingOrder(y, husband);
    if (order == Order::kOpen || (!isMale(y) && !isFemale(y))) return undetermined();
    const bool elder = order == Order::kElder;
    return isMale(y) ? (elder ? "大伯子" : "小叔子") : (elder ? "大姑子" : "小姑子");
  }
  if (husband.father == &y) return "公公";
  return memberTerm(husband, y);
}

}  // namespace

std::string exactTerm(const Person& speaker, const Person& addressee) {
  if (&speaker == &addressee) return undetermined();
  Marriage speakerMarriage, addresseeMarriage;
  const Role speakerRole = roleOf(speaker, speakerMarriage);
  const Role addresseeRole = roleOf(addressee, addresseeMarriage);
  if (speakerRole == Role::kUnplaced || addresseeRole == Role::kUnplaced) return undetermined();

  if (addresseeRole == Role::kMember) {
    return speakerRole == Role::kMember ? memberTerm(speaker, addressee)
                                        : termOfWife(*speakerMarriage.husband, addressee);
  }
  const Person& husband = *addresseeMarriage.husband;
  const int slot = addresseeMarriage.slot;
  if (speakerRole == Role::kMember) return wifeTerm(speaker, husband, slot);
  // Two wives: of one man, by their places; else as her husband calls the other, his mother
  // being her 婆婆.
  if (speakerMarriage.husband == &husband) {
    return speakerMarriage.slot == 1 ? "妹妹" : "姐姐";
  }
  const std::string term = wifeTerm(*speakerMarriage.husband, husband, slot);
  return term == "母亲" ? std::string("婆婆") : term;
}

}  // namespace quillet
