// The kinship calculator: words the relationship of two persons of one clan as one or two
// sentences with their kinship terms.
//
// This file decides which sentence and which term apply; the words themselves, every pattern and
// term, are in kinship_terms.h.
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
#include "kinship/kinship.h"

#include <string>

#include "core/family_tree.h"
#include "core/text_format.h"
#include "kinship/kinship_terms.h"

namespace quillet {
namespace {

namespace terms = kinship_terms;

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

// `person`'s term from `words` by age against `than`.
const char* byAge(const terms::AgeTerms& words, const Person& person, const Person& than) {
  return isOlder(than, person) ? words.younger : words.notYounger;
}

// The junior's term: male, female of the clan (with a father), or a wife (without one).
const char* juniorTerm(const Person& junior, const terms::JuniorTerms& words) {
  if (!isFemale(junior)) return words.man;
  return hasFather(junior) ? words.daughter : words.wife;
}

// The senior's term toward a junior one generation down in direct line, or null when the
// senior is a woman without a husband.
const char* parentTerm(const Person& senior, const Person& junior) {
  if (!isFemale(senior)) {
    return hasFather(junior) ? terms::kParent.father : terms::kParent.fatherInLaw;
  }
  const Person* husband = senior.spouse;
  if (husband == nullptr) return nullptr;
  // The direct-line walk went up from the junior's anchor, so a junior without a father is a
  // wife and her husband is set.
  const Person& child = hasFather(junior) ? junior : *junior.spouse;
  const bool ownMother = (husband->spouse == &senior && child.motherIndex == '1') ||
                         (husband->secondWife == &senior && child.motherIndex == '2');
  if (!ownMother) return terms::kParent.otherWife;
  return hasFather(junior) ? terms::kParent.mother : terms::kParent.motherInLaw;
}

// The senior's term toward a collateral junior one generation down, or null when the senior is
// a wife without a husband.
const char* uncleOrAuntTerm(const Person& senior, const Person& junior) {
  // The walk from the junior's anchor went up at least once: the anchor (the junior, or the
  // husband of a junior wife) has a father.
  const Person& juniorsFather = hasFather(junior) ? *junior.father : *junior.spouse->father;
  if (!isFemale(senior)) return byAge(terms::kUncle, senior, juniorsFather);
  if (hasFather(senior)) return byAge(terms::kAuntByBlood, senior, juniorsFather);
  if (senior.spouse == nullptr) return nullptr;
  return byAge(terms::kAuntByMarriage, *senior.spouse, juniorsFather);
}

// The junior's sentence two or more generations down, worded with the direct-line or the
// collateral patterns; there is no converse sentence. The patterns are a template argument, not a
// parameter, so that each stays a constant the compiler checks against its arguments.
template <const terms::DescendantPatterns& kPatterns>
void appendDescendantLine(std::string& out, const Person& senior, const Person& junior, int d) {
  out += terms::kLineBreak;
  if (d >= 4) {
    appendFormat(out, kPatterns.fourOrMore, nameOf(junior), nameOf(senior), d);
  } else if (d == 3) {
    appendFormat(out, kPatterns.three, nameOf(junior), nameOf(senior), d);
  } else {
    appendFormat(out, kPatterns.two, nameOf(junior), nameOf(senior));
  }
  out += juniorTerm(junior, terms::kDescendant);
}

// Child and parent: two sentences.
bool appendChildLines(std::string& out, const Person& senior, const Person& junior) {
  const char* parent = parentTerm(senior, junior);
  if (parent == nullptr) return false;
  out += terms::kLineBreak;
  appendFormat(out, terms::kIsOf, nameOf(junior), nameOf(senior));
  out += juniorTerm(junior, terms::kChild);
  out += terms::kLineBreak;
  appendFormat(out, terms::kIsOf, nameOf(senior), nameOf(junior));
  out += parent;
  return true;
}

// Nephew or niece and uncle or aunt: two sentences, the first without a line break before it.
bool appendNephewLines(std::string& out, const Person& senior, const Person& junior) {
  const char* uncle = uncleOrAuntTerm(senior, junior);
  if (uncle == nullptr) return false;
  appendFormat(out, terms::kIsOfIndented, nameOf(junior), nameOf(senior));
  out += juniorTerm(junior, terms::kNephew);
  out += terms::kLineBreak;
  appendFormat(out, terms::kIsOfIndented, nameOf(senior), nameOf(junior));
  out += uncle;
  return true;
}

bool describeAcrossGenerations(const Person& senior, const Person& junior, int d,
                               std::string& out) {
  const Person* reached = ancestorOf(anchorOf(junior), d);
  if (reached == nullptr) return false;
  const bool directLine = reached == &anchorOf(senior);
  if (d == 1) {
    return directLine ? appendChildLines(out, senior, junior)
                      : appendNephewLines(out, senior, junior);
  }
  if (directLine) {
    appendDescendantLine<terms::kDirectDescendant>(out, senior, junior, d);
  } else {
    appendDescendantLine<terms::kCollateralDescendant>(out, senior, junior, d);
  }
  return true;
}

// --- One generation -----------------------------------------------------------------------------
// These branches test whether a sex is 'm'; anything else counts as female.

bool isMale(const Person& person) { return person.sex == 'm'; }

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

// The sentence of `x` toward `y`: cousin, full or half sibling, by sex and birth order.
void appendBloodLine(std::string& out, const terms::BloodTerms& relation, const Person& x,
                     const Person& y) {
  const terms::BirthOrderTerms& words = isMale(x) ? relation.man : relation.other;
  const int order = FamilyTree::compareBirth(x, y);
  out += terms::kLineBreak;
  appendFormat(out, terms::kIsOfIndented, nameOf(x), nameOf(y));
  out += relation.qualifier;
  out += order > 0 ? words.older : order == 0 ? words.sameDate : words.younger;
}

bool describeBloodKin(const Person& senior, const Person& junior, std::string& out) {
  if (!hasFather(senior)) return false;
  const terms::BloodTerms* relation = &terms::kCousin;
  if (isChildOf(*senior.father, junior)) {
    relation =
        senior.motherIndex == junior.motherIndex ? &terms::kFullSibling : &terms::kHalfSibling;
  }
  appendBloodLine(out, *relation, senior, junior);
  appendBloodLine(out, *relation, junior, senior);
  return true;
}

// A wife (`wife`, whose husband is `husband`) and a blood member of her generation: her term
// toward the member, then the member's toward her. The member need not be the husband's sibling.
void appendInLawLines(std::string& out, const Person& wife, const Person& husband,
                      const Person& member) {
  out += terms::kLineBreak;
  appendFormat(out, terms::kIsOf, nameOf(wife), nameOf(member));
  out += byAge(terms::kWifeTowardMember, member, husband);
  out += terms::kLineBreak;
  appendFormat(out, terms::kIsOf, nameOf(member), nameOf(wife));
  out += byAge(isMale(member) ? terms::kManTowardWife : terms::kWomanTowardWife, member, husband);
}

bool describeSameGeneration(const Person& senior, const Person& junior, std::string& out) {
  if (!hasSpouse(senior) && !hasSpouse(junior)) return describeBloodKin(senior, junior, out);
  if (senior.spouse == &junior || junior.spouse == &senior) {
    out += terms::kLineBreak;
    appendFormat(out, terms::kSpouses, nameOf(junior), nameOf(senior));
    return true;
  }
  if (hasFather(senior) && hasFather(junior)) {
    // Blood kin of whom one is married are set off by an empty line.
    out += terms::kLineBreak;
    return describeBloodKin(senior, junior, out);
  }
  if (!hasFather(senior) && !hasFather(junior)) {
    out += terms::kLineBreak;
    appendFormat(out, senior.spouse == junior.spouse ? terms::kCoWives : terms::kSistersInLaw,
                 nameOf(junior), nameOf(senior));
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

void describeKinship(const Person& p, const Person& q, std::string& text) {
  if (&p == &q) {
    text += terms::kSamePerson;
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
