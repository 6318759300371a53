// Every word the kinship calculator writes, in one place: the sentence patterns and the kinship
// terms, grouped by what they word. Apart from the stored names and the generation difference,
// each byte of a kinship answer comes from this file; kinship.cpp only chooses among them.
//
// Texts are GBK (the source is compiled with -fexec-charset=GBK). Used by kinship.cpp only.
//
// The patterns are printf formats of the program's own. They stay compile-time constants: they
// are passed to appendFormat by name, so the compiler still checks each against its arguments,
// and nothing a user typed is ever a format. %s takes a stored name (the first is the person
// the sentence is about), %d the generation difference. Most patterns are followed by a term.
#pragma once

namespace quillet::kinship_terms {

// --- Layout -------------------------------------------------------------------------------------

// Starts each sentence but two (the same-person text, and the nephew's sentence one generation
// apart in collateral kin, which follows whatever the text held). No line break ends the text.
inline constexpr const char* kLineBreak = "\r\n";

// The whole answer when both persons are one record.
inline constexpr const char* kSamePerson = "这是同一个人";

// --- Sentence patterns --------------------------------------------------------------------------
// The leading spaces are part of the layout: one, or two in the sentences of collateral kin one
// generation apart and of blood kin of one generation.

// "X is Y's", followed by a term.
inline constexpr const char* kIsOf = " %s是%s的";
inline constexpr const char* kIsOfIndented = "  %s是%s的";

// The junior's sentence two or more generations down (junior, senior, difference), followed by
// the junior's descendant term. There is no converse sentence. The space before 代 and the
// spaces around %d are the program's own layout, kept as they are.
struct DescendantPatterns {
  const char* fourOrMore;  // with the difference as a number
  const char* three;       // %d is 3
  const char* two;
};
inline constexpr DescendantPatterns kDirectDescendant = {
    .fourOrMore = " %s是%s的第%d 代",
    .three = " %s是%s的第%d代曾",
    .two = " %s是%s的",
};
inline constexpr DescendantPatterns kCollateralDescendant = {
    .fourOrMore = " %s是%s的第 %d 代堂",
    .three = " %s是%s的第%d代曾堂",
    .two = " %s是%s的堂",
};

// Two persons of one generation who are married to each other, to one man, or to two men
// (junior, senior). Complete sentences: no term follows.
inline constexpr const char* kSpouses = " %s与%s 是夫妻.";
inline constexpr const char* kCoWives = " %s与%s同嫁一夫";
inline constexpr const char* kSistersInLaw = " %s与%s是妯娌";

// --- Terms across generations -------------------------------------------------------------------

// The junior's term, by who the junior is: a man (any sex but 'f'), a daughter of the clan (a
// woman with a father) or a wife (a woman without one).
struct JuniorTerms {
  const char* man;
  const char* daughter;
  const char* wife;
};
inline constexpr JuniorTerms kDescendant = {.man = "孙", .daughter = "孙女", .wife = "孙媳"};
inline constexpr JuniorTerms kChild = {.man = "儿子", .daughter = "女儿", .wife = "儿媳归"};
inline constexpr JuniorTerms kNephew = {.man = "侄子", .daughter = "侄女", .wife = "侄媳"};

// The senior's term toward a junior one generation down in direct line. The own mother is the
// wife that the mother index names: the junior's own, or a junior wife's husband's.
struct ParentTerms {
  const char* father;
  const char* fatherInLaw;
  const char* mother;
  const char* motherInLaw;
  const char* otherWife;
};
inline constexpr ParentTerms kParent = {
    .father = "爸爸",       // a man toward his child
    .fatherInLaw = "公公",  // a man toward his son's wife
    .mother = "妈妈",       // the own mother toward her child
    .motherInLaw = "婆婆",  // the own mother toward her son's wife
    .otherWife = "姨娘",    // every other wife of the father, and every wife when no index is set
};

// Two terms chosen by age; each table says whose. Equal birth dates count as not younger.
struct AgeTerms {
  const char* younger;
  const char* notYounger;
};

// The senior's term toward a collateral junior one generation down, by whether the senior is
// younger than the junior's father (for a wife: whether her husband is).
inline constexpr AgeTerms kUncle = {.younger = "叔叔", .notYounger = "伯父"};
inline constexpr AgeTerms kAuntByBlood = {.younger = "姑姑", .notYounger = "姑妈"};
inline constexpr AgeTerms kAuntByMarriage = {.younger = "婶婶", .notYounger = "伯母"};

// --- Terms within one generation ----------------------------------------------------------------

// A wife and a blood member of her generation, by whether the member is younger than her
// husband: her term toward the member, and the member's (a man's, or anyone else's) toward her.
inline constexpr AgeTerms kWifeTowardMember = {.younger = "嫂子", .notYounger = "弟媳"};
inline constexpr AgeTerms kManTowardWife = {.younger = "小叔", .notYounger = "大伯"};
inline constexpr AgeTerms kWomanTowardWife = {.younger = "小姑", .notYounger = "大姑"};

// Blood kin of one generation: the term of one toward the other, by the one's birth date against
// the other's, for a man (sex 'm') and for anyone else. The qualifier stands before the term.
struct BirthOrderTerms {
  const char* older;
  const char* sameDate;
  const char* younger;
};
struct BloodTerms {
  const char* qualifier;
  BirthOrderTerms man;
  BirthOrderTerms other;
};
inline constexpr BloodTerms kCousin = {
    .qualifier = "堂",
    .man = {.older = "兄", .sameDate = "兄", .younger = "弟"},
    .other = {.older = "姐", .sameDate = "姐", .younger = "妹"},
};
inline constexpr BloodTerms kFullSibling = {
    .qualifier = "",
    .man = {.older = "哥哥", .sameDate = "胞兄", .younger = "弟弟"},
    .other = {.older = "姐姐", .sameDate = "胞姐", .younger = "妹妹"},
};
inline constexpr BloodTerms kHalfSibling = {
    .qualifier = "同父异母的",
    .man = {.older = "哥哥", .sameDate = "弟弟", .younger = "弟弟"},
    .other = {.older = "姐姐", .sameDate = "妹妹", .younger = "妹妹"},
};

}  // namespace quillet::kinship_terms
