// Makes valid genealogies of any size for benchmarks and scale checks: one clan of ten
// generations (0 to 9) below one root, with wives (some men have a second wife), sons and
// daughters, the living and the dead.
//
// The text is the genealogy file exactly as FamilyTree::save writes it, each record laid out by
// the store's own writer (core/home_record.h): breadth-first from the root, each man followed by
// his wives, each child naming his next older sibling, CR LF line ends, the nine-byte filler
// after a living person; so that loading it and saving it again
// gives the same bytes. Every name key is unique: 6 GBK bytes, a surname (贾 for the clan, one of
// several for the wives) and two characters of the GB2312 first level drawn from a counter.
//
// The result depends only on `personCount` and `seed`.
#pragma once

#include <cstdint>
#include <string>

namespace quillet::tools {

struct GeneratedGenealogy {
  std::string fileBytes;         // the whole genealogy file, GBK, CR LF line ends
  std::int32_t personCount = 0;  // records in it
  std::int32_t femaleCount = 0;  // daughters and wives
  int deepestGeneration = 0;     // generation digit of the last record
  // Two members of the deepest generation that has them whose nearest common ancestor is the
  // root: far cousins of the clan (empty when the clan is too small to have them).
  std::string distantCousinA;
  std::string distantCousinB;
  // The root's first son (a hit near the start of the breadth-first order, but late in the
  // post-order search) and the last clan member of the file (deepest generation).
  std::string firstSon;
  std::string lastMember;
};

// A genealogy of exactly `personCount` records (at least 1).
GeneratedGenealogy generateGenealogy(std::int32_t personCount, std::uint64_t seed = 1);

}  // namespace quillet::tools
