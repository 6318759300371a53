// The clan as the exports and the printed book see it, and the name and date helpers they share.
//
// The walk sees the tree as the breadth-first walks do: the root, every clan member reachable
// through firstChild and youngerSibling, and each member's spouse and secondWife. Records that no
// walk reaches are left out, as they are from every listing. Nothing here touches the tree's
// shared NodeQueue, so a walk may run between any two operations of the tree. Names come out in
// UTF-8: the tree's GBK names are converted here, at the edge.
//
// Thread-safety: reads the tree only; safe as long as nobody changes the tree meanwhile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/family_tree.h"
#include "core/person.h"

namespace quillet {

// --- The clan -----------------------------------------------------------------------------------

// One clan member in breadth-first order, with his children and wives.
struct ClanMember {
  const Person* person = nullptr;
  int parent = -1;                              // index of the father's entry, -1 for the root
  int depth = 0;                                // rows below the root
  std::vector<int> children;                    // indexes, in chain order
  const Person* wives[2] = {nullptr, nullptr};  // spouse, secondWife (null when absent)
};

// The members reachable from the root, breadth-first, root first; empty when there is no root.
// A record met a second time (a file can make the links loop) is taken only the first time.
std::vector<ClanMember> collectClan(const FamilyTree& tree);

// What an export shows of a living person (alive 'y'): kShow everything, as of the dead; kName
// the name alone (the links to the kin stay), no dates and no text; kHide nothing, the place kept
// as 某.
enum class LivingPersons { kShow, kName, kHide };

// --- Names and dates ----------------------------------------------------------------------------

// A person's name split for export, UTF-8 and without the key's padding spaces; a byte that is
// not GBK becomes the private-use character U+F700 plus the byte (U+F780 to U+F7FF), so that
// names differing only in such bytes stay distinct and the bytes can be told back. Mostly the first
// character is the surname and the rest the given name. A name that is a surname followed by a
// title (尤氏, 王夫人, 赵姨娘, 史太君) has no given name: `titled` is set, `surname` is what stands
// before the title and `given` holds the title. Either way surname + given is the whole name.
struct ExportName {
  std::string surname;
  std::string given;
  bool titled = false;
};
ExportName exportName(const Person& person);

// The length in bytes of the title (氏, 夫人, 姨娘, 太君, 太太, 奶奶, 姥姥, 嬷嬷) that the UTF-8
// name `utf8Name` ends with, when something stands before it; 0 otherwise.
std::size_t titleLength(std::string_view utf8Name);

// The first of the private-use characters that stand for bytes that are not GBK.
inline constexpr unsigned kNotGbkBase = 0xF700;

// The UTF-8 characters of a GBK text, one string per character (U+F700 plus the byte for a byte
// that starts no valid GBK character; U+FFFD for a GBK character the system cannot convert).
std::vector<std::string> utf8Characters(std::string_view gbk);

// How many persons of `clan` (members and wives) have a name holding bytes that are not GBK.
std::int32_t namesNotGbk(const std::vector<ClanMember>& clan);

// True when `yyyymmdd` is 8 digits of a real Gregorian date with a year from 1.
bool isCalendarDate(std::string_view yyyymmdd);

}  // namespace quillet
