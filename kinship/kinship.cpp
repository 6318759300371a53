// The kinship calculator: words the relationship of two persons of one clan as one or two
// sentences with their kinship terms.
//
// It reads only the two records and the records their links lead to, and changes nothing. The
// sentences are built in a scratch text and appended to the caller's text only when the whole
// answer could be worded.
//
// Broken links: the wording rests on the tree's invariants (a member's generation digit is one
// more than his father's, a wife's `spouse` leads to her husband, a blood member of a later
// generation has a father). When the links of a pair contradict them so that a person the
// answer needs is missing (the upward walk meets a member without a father before it has gone
// the generation difference, a wife has no husband, a same-generation blood pair whose senior
// has no father, a woman above the junior in direct line has no husband), nothing is appended
// for the call: no link is followed that is not there, and no half answer is shown.
#include <string>

#include "core/family_tree.h"
#include "core/text_format.h"

namespace quillet {
namespace {

const char* nameOf(const Person& person) { return person.name.data(); }
bool hasFather(const Person& person) { return person.father != nullptr; }
bool hasSpouse(const Person& person) { return person.spouse != nullptr; }
bool isOlder(const Person& a, const Person& b) { return FamilyTree::compareBirth(a, b) > 0; }

// --- Different generations -------------------------------------------------------------------
// These branches test whether a sex is 'f'; anything else counts as male.

bool isFemale(const Person& person) { return person.sex == 'f'; }

// A married woman stands in the tree at her husband's place; everyone else at their own.
const Person& anchorOf(const Person& person) {
  return isFemale(person) && hasSpouse(person) ? *person.spouse : person;
}

// The person `steps` father links above `start`, or null when a member on the way has no
// father. `steps` is bounded by the generation difference, so the walk ends even on a cycle.
const Person* ancestorOf(const Person& start, int steps) {
  const Person* person = &start;
  for (int i = 0; i < steps && person != nullptr; ++i) person = person->father;
  return person;
}

enum class JuniorTerm { kDescendant, kChild, kNephew };

// The junior's term: male, female of the clan (with a father), or a wife (without one).
const char* juniorTerm(const Person& junior, JuniorTerm term) {
  static const char* const kTerms[3][3] = {
      {"孙", "孙女", "孙媳"},
      {"儿子", "女儿", "儿媳归"},
      {"侄子", "侄女", "侄媳"},
  };
  const int column = !isFemale(junior) ? 0 : hasFather(junior) ? 1 : 2;
  return kTerms[static_cast<int>(term)][column];
}

// The senior's term toward a junior one generation down in direct line, or null when the
// senior is a woman without a husband.
const char* parentTerm(const Person& senior, const Person& junior) {
  if (!isFemale(senior)) return hasFather(junior) ? "爸爸" : "公公";
  const Person* husband = senior.spouse;
  if (husband == nullptr) return nullptr;
  // The direct-line walk went up from the junior's anchor, so a junior without a father is a
  // wife and her husband is set.
  const Person& child = hasFather(junior) ? junior : *junior.spouse;
  const bool ownMother = (husband->spouse == &senior && child.motherIndex == '1') ||
                         (husband->secondWife == &senior && child.motherIndex == '2');
  if (!ownMother) return "姨娘";
  return hasFather(junior) ? "妈妈" : "婆婆";
}

// The senior's term toward a collateral junior one generation down, or null when the senior is
// a wife without a husband.
const char* uncleOrAuntTerm(const Person& senior, const Person& junior) {
  // The walk from the junior's anchor went up at least once: the anchor (the junior, or the
  // husband of a junior wife) has a father.
  const Person& juniorsFather = hasFather(junior) ? *junior.father : *junior.spouse->father;
  if (!isFemale(senior)) return isOlder(juniorsFather, senior) ? "叔叔" : "伯父";
  if (hasFather(senior)) return isOlder(juniorsFather, senior) ? "姑姑" : "姑妈";
  if (senior.spouse == nullptr) return nullptr;
  return isOlder(juniorsFather, *senior.spouse) ? "婶婶" : "伯母";
}

bool describeDirectLine(const Person& senior, const Person& junior, int d, std::string& out) {
  const char* j = nameOf(junior);
  const char* s = nameOf(senior);
  if (d >= 4) {
    appendFormat(out, "\r\n %s是%s的第%d 代", j, s, d);
    out += juniorTerm(junior, JuniorTerm::kDescendant);
  } else if (d == 3) {
    appendFormat(out, "\r\n %s是%s的第%d代曾", j, s, d);
    out += juniorTerm(junior, JuniorTerm::kDescendant);
  } else if (d == 2) {
    appendFormat(out, "\r\n %s是%s的", j, s);
    out += juniorTerm(junior, JuniorTerm::kDescendant);
  } else {
    const char* parent = parentTerm(senior, junior);
    if (parent == nullptr) return false;
    appendFormat(out, "\r\n %s是%s的", j, s);
    out += juniorTerm(junior, JuniorTerm::kChild);
    appendFormat(out, "\r\n %s是%s的", s, j);
    out += parent;
  }
  return true;
}

bool describeCollateral(const Person& senior, const Person& junior, int d, std::string& out) {
  const char* j = nameOf(junior);
  const char* s = nameOf(senior);
  if (d >= 4) {
    appendFormat(out, "\r\n %s是%s的第 %d 代堂", j, s, d);
    out += juniorTerm(junior, JuniorTerm::kDescendant);
  } else if (d == 3) {
    appendFormat(out, "\r\n %s是%s的第%d代曾堂", j, s, d);
    out += juniorTerm(junior, JuniorTerm::kDescendant);
  } else if (d == 2) {
    appendFormat(out, "\r\n %s是%s的堂", j, s);
    out += juniorTerm(junior, JuniorTerm::kDescendant);
  } else {
    const char* uncle = uncleOrAuntTerm(senior, junior);
    if (uncle == nullptr) return false;
    // The nephew's sentence follows whatever the text held, without a line break.
    appendFormat(out, "  %s是%s的", j, s);
    out += juniorTerm(junior, JuniorTerm::kNephew);
    appendFormat(out, "\r\n  %s是%s的", s, j);
    out += uncle;
  }
  return true;
}

bool describeAcrossGenerations(const Person& senior, const Person& junior, int d,
                               std::string& out) {
  const Person* reached = ancestorOf(anchorOf(junior), d);
  if (reached == nullptr) return false;
  if (reached == &anchorOf(senior)) return describeDirectLine(senior, junior, d, out);
  return describeCollateral(senior, junior, d, out);
}

// --- One generation -----------------------------------------------------------------------------
// These branches test whether a sex is 'm'; anything else counts as female.

bool isMale(const Person& person) { return person.sex == 'm'; }

enum class BloodRelation { kCousin, kFullSibling, kHalfSibling };

// The term of `x` toward `y`, by relation and birth order.
const char* bloodTerm(const Person& x, const Person& y, BloodRelation relation) {
  const int order = FamilyTree::compareBirth(x, y);
  const bool male = isMale(x);
  switch (relation) {
    case BloodRelation::kCousin:
      if (order >= 0) return male ? "兄" : "姐";
      return male ? "弟" : "妹";
    case BloodRelation::kFullSibling:
      if (order > 0) return male ? "哥哥" : "姐姐";
      if (order == 0) return male ? "胞兄" : "胞姐";
      return male ? "弟弟" : "妹妹";
    case BloodRelation::kHalfSibling:
      if (order > 0) return male ? "哥哥" : "姐姐";
      return male ? "弟弟" : "妹妹";
  }
  return "";
}

// True when `junior` is in the chain of children of `father`. The chain is walked with a second
// cursor at half speed, so a chain that links back on itself (a broken file) ends the search,
// as not found, once every child in it has been looked at.
bool isChildOf(const Person& father, const Person& junior) {
  const Person* fast = father.firstChild;
  const Person* slow = fast;
  while (fast != nullptr) {
    if (fast == &junior) return true;
    fast = fast->youngerSibling;
    if (fast == nullptr) return false;
    if (fast == &junior) return true;
    fast = fast->youngerSibling;
    slow = slow->youngerSibling;
    if (fast == slow) return false;
  }
  return false;
}

void appendBloodLine(std::string& out, BloodRelation relation, const Person& x, const Person& y) {
  switch (relation) {
    case BloodRelation::kCousin:
      appendFormat(out, "\r\n  %s是%s的堂", nameOf(x), nameOf(y));
      break;
    case BloodRelation::kFullSibling:
      appendFormat(out, "\r\n  %s是%s的", nameOf(x), nameOf(y));
      break;
    case BloodRelation::kHalfSibling:
      appendFormat(out, "\r\n  %s是%s的同父异母的", nameOf(x), nameOf(y));
      break;
  }
  out += bloodTerm(x, y, relation);
}

bool describeBloodKin(const Person& senior, const Person& junior, std::string& out) {
  if (!hasFather(senior)) return false;
  BloodRelation relation = BloodRelation::kCousin;
  if (isChildOf(*senior.father, junior)) {
    relation = senior.motherIndex == junior.motherIndex ? BloodRelation::kFullSibling
                                                        : BloodRelation::kHalfSibling;
  }
  appendBloodLine(out, relation, senior, junior);
  appendBloodLine(out, relation, junior, senior);
  return true;
}

// A wife (`wife`, whose husband is `husband`) and a blood member of her generation: her term
// toward the member, then the member's toward her. The member need not be the husband's sibling.
// Equal birth dates count as the husband being the younger.
void appendInLawLines(std::string& out, const Person& wife, const Person& husband,
                      const Person& member) {
  const bool husbandOlder = isOlder(husband, member);
  if (husbandOlder) {
    appendFormat(out, "\r\n %s是%s的嫂子", nameOf(wife), nameOf(member));
  } else {
    appendFormat(out, "\r\n %s是%s的弟媳", nameOf(wife), nameOf(member));
  }
  if (isMale(member)) {
    if (husbandOlder) {
      appendFormat(out, "\r\n %s是%s的小叔", nameOf(member), nameOf(wife));
    } else {
      appendFormat(out, "\r\n %s是%s的大伯", nameOf(member), nameOf(wife));
    }
  } else if (husbandOlder) {
    appendFormat(out, "\r\n %s是%s的小姑", nameOf(member), nameOf(wife));
  } else {
    appendFormat(out, "\r\n %s是%s的大姑", nameOf(member), nameOf(wife));
  }
}

bool describeSameGeneration(const Person& senior, const Person& junior, std::string& out) {
  if (!hasSpouse(senior) && !hasSpouse(junior)) return describeBloodKin(senior, junior, out);
  if (senior.spouse == &junior || junior.spouse == &senior) {
    appendFormat(out, "\r\n %s与%s 是夫妻.", nameOf(junior), nameOf(senior));
    return true;
  }
  if (hasFather(senior) && hasFather(junior)) {
    // Blood kin of whom one is married are set off by an empty line.
    out += "\r\n";
    return describeBloodKin(senior, junior, out);
  }
  if (!hasFather(senior) && !hasFather(junior)) {
    if (senior.spouse == junior.spouse) {
      appendFormat(out, "\r\n %s与%s同嫁一夫", nameOf(junior), nameOf(senior));
    } else {
      appendFormat(out, "\r\n %s与%s是妯娌", nameOf(junior), nameOf(senior));
    }
    return true;
  }
  // One of them is a wife, the other a blood member of her generation.
  const Person& wife = hasFather(senior) ? junior : senior;
  const Person& member = hasFather(senior) ? senior : junior;
  if (wife.spouse == nullptr) return false;
  appendInLawLines(out, wife, *wife.spouse, member);
  return true;
}

}  // namespace

void FamilyTree::describeKinship(const Person& p, const Person& q, std::string& text) {
  if (&p == &q) {
    text += "这是同一个人";
    return;
  }
  // On equal generation digits q is the senior.
  const bool pIsSenior = p.generation < q.generation;
  const Person& senior = pIsSenior ? p : q;
  const Person& junior = pIsSenior ? q : p;
  const int d = junior.generation - senior.generation;

  std::string sentences;
  const bool worded = d >= 1 ? describeAcrossGenerations(senior, junior, d, sentences)
                             : describeSameGeneration(senior, junior, sentences);
  if (worded) text += sentences;
}

}  // namespace quillet
