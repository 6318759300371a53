// The kinship calculator's interface: the sentence that words how two persons of the clan are
// kin, and the path of members that joins them in the tree, the line the sentence rests on.
//
// Both read only the two records and the records their links lead to, and change nothing; both
// stay defined on a broken file (see kinship.cpp and kinship_path.cpp). Standard library and the
// store only.
#pragma once

#include <string>
#include <vector>

#include "core/person.h"

namespace quillet {

// Appends to `text` the sentences (GBK) that word the kinship of `p` and `q`, records of one
// tree (they may be the same record). On equal generation digits `q` is the senior and is named
// first. Appends nothing when the links the wording needs are missing.
void describeKinship(const Person& p, const Person& q, std::string& text);

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
