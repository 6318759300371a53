// The exact kinship terms of Chinese convention (精确称谓): the term by which one person of the
// clan calls another, worded by the generations from each to their nearest common ancestor, the
// sides through which they are kin (兄弟 through one father, 堂 through one grandfather, 再从
// through one great-grandfather, 族 beyond), ages, 排行, the mothers of half-siblings, and
// marriage for the wives. docs/kinship-terms.md sets the terms out with their sources and the
// rule for counting 排行; this file follows it.
//
// Reads the two records and those their father, sibling and husband links lead to, within nine
// generations of each: the time does not grow with the size of the clan (only with the number of
// children of the fathers it looks at). Changes nothing. Standard library only.
#pragma once

#include <string>

#include "core/person.h"

namespace quillet {

// What a side gets that the terms cannot word (GBK).
inline constexpr const char kUndeterminedTerm[] = "未能确定";

// The term (GBK, never empty) by which `speaker` calls `addressee`: 父亲, 二叔, 堂兄, 族侄孙,
// 同父异母的三弟, 婶母, 公公, 大伯子 ... kUndeterminedTerm when the terms cannot word it: one
// person twice, links that break off (no common ancestor within nine generations of both, a
// wife without her husband's link back), a generation difference beyond what the terms name
// (more than four between collateral kin, more than nine in a direct line), an age order the
// dates leave open where the term depends on it, a sex neither 'm' nor 'f' where it does, or a
// mother not recorded where the term depends on her.
std::string exactTerm(const Person& speaker, const Person& addressee);

}  // namespace quillet
