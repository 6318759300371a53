// GEDCOM export of the family tree.
//
// The export sees the tree as the clan walk does (reports/clan_walk.h): the root, every clan
// member the breadth-first walks reach, and each member's wives; records that no walk reaches are
// left out, as they are from every listing. The output is UTF-8; the tree's GBK names are
// converted at the edge. Nothing here touches the tree's shared NodeQueue, so an export may run
// between any two operations of the tree.
//
// Thread-safety: reads the tree only; safe as long as nobody changes the tree meanwhile.
#pragma once

#include <string>
#include <string_view>

#include "core/family_tree.h"
#include "reports/clan_walk.h"

namespace quillet {

// "16 FEB 1783" for "17830216"; empty when the text is not a calendar date (isCalendarDate).
std::string gedcomDate(std::string_view yyyymmdd);

enum class GedcomVersion { kV551, kV70 };

// The whole GEDCOM text of the tree: HEAD, one INDI per member and wife, one FAM per wife of a
// member (the husband, that wife, and the children whose motherIndex names her, in chain order),
// one FAM of the father alone for children whose motherIndex names no existing wife, and TRLR.
// A member whose married flag is 'y' but who has no wife in the tree (a son whose wife is not
// recorded, a daughter who married out) gets "MARR Y" in a FAM of his or her own: the father-alone
// family when there is one, else a family without children. Pointers are two-way (FAMC/FAMS
// against CHIL/HUSB/WIFE). A titled name is written whole ("1 NAME 尤氏", "2 SURN 尤"), any other
// as "/surname/given" with GIVN and SURN. A date that is not valid is left out; a dead person with
// no valid death date gets "DEAT Y". The living (alive 'y') are written as `living` says: with
// kName their NAME and SEX alone, with kHide a NAME of 某 alone; their links to their families stay
// either way. False and `out` empty when the tree has no root.
bool writeGedcom(const FamilyTree& tree, GedcomVersion version, std::string& out,
                 LivingPersons living = LivingPersons::kShow);

}  // namespace quillet
