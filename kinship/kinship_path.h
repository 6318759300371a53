// The kinship path: the clan members that join two persons in the tree, the line a kinship
// sentence rests on. Reads only the two records and the records their father links lead to.
#pragma once

#include <vector>

#include "core/person.h"

namespace quillet {

// The member whose place in the tree stands for `person`: a married woman's husband (a wife has
// no item of her own), anyone else himself.
const Person& treePlaceOf(const Person& person);

// Fills `path` with the members from the place of `p` to the place of `q` (see treePlaceOf):
// the place of `p`, each member on the way up through father links to the nearest member that
// is an ancestor of both places (or is one of them), that member, and each member on the way
// down to the place of `q`. One entry when both places are one member. False, with `path`
// empty, when the walks up from the two places never meet.
//
// Both walks go up one step at a time in turn, so the time grows with the members on the path,
// not with the size of the tree. A walk that comes back to a member it passed (a broken file
// can link fathers in a circle) stops there.
bool kinshipPath(const Person& p, const Person& q, std::vector<const Person*>& path);

}  // namespace quillet
