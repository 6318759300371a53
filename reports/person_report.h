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

// Appends to `text` the line of `person`'s dates in the Chinese calendar: CR LF, 农历：生于 and
// the birth date, then for the dead ，卒于 and the death date, each as chineseDateText of
// platform/icu/chinese_calendar.h words it (乾隆三十七年四月初八日（壬辰年）; 不详 for a dead
// person's missing date).
void appendChineseDates(const Person& person, std::string& text);

// Replaces `text` with the brief line of `person` (name, birth date, generation, sex, death date
// or "健在"), ending in CR LF. A null `person` leaves `text` untouched.
void formatPersonLine(const Person* person, std::string& text);

}  // namespace quillet
