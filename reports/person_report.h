// The two texts that describe one person in the display pane: the detailed report and the
// one-line brief entry of the listings. Both are GBK byte strings with CR LF line breaks.
//
// Names are printed as their stored 6-byte keys (a two-character name keeps its two trailing
// spaces); the generation is printed as its character, unchanged. Neither formatter keeps state.
#pragma once

#include <string>

#include "core/person.h"

namespace quillet {

// Replaces `displayText` with the detailed report of `person`: name, birth date, generation,
// sex, death date or "健在", father and mother, rank among the father's children and the older
// siblings, nearest first. The report never ends in a line break. A null `person` leaves
// `displayText` untouched.
void showPersonDetails(const Person* person, std::string& displayText);

// Replaces `text` with the brief line of `person` (name, birth date, generation, sex, death date
// or "健在"), ending in CR LF. A null `person` leaves `text` untouched.
void formatPersonLine(const Person* person, std::string& text);

}  // namespace quillet
