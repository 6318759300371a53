// The words of the printed book, as a 谱 writes them: Chinese numerals, generations counted from
// the 始祖 as 一世, a child's place among his father's sons or daughters (长子, 次子, 三女 ...),
// dates written out, and the word for each of a man's wives. GBK in and out; the standard library
// alone; no state.
#pragma once

#include <string>
#include <string_view>

#include "core/person.h"

namespace quillet {

// A number from 0 written in Chinese numerals as a count is read: 一, 十, 十一, 二十, 一百零五,
// 一千零一十, 三万零四百.
std::string chineseNumber(long value);

// The generation of a member `depth` rows below the root: the root is 一世 (depth 0), his sons
// 二世 ...
std::string generationName(int depth);

// A child's place among his father's sons (or, for a daughter, among the daughters), 1 the
// eldest: 长子, 次子, 三子 ... 十一子; 长女, 次女, 三女 ...
std::string rankWord(int rank, bool daughter);

// A stored date (yyyymmdd) written out for the book: "1772年4月26日"; as far as it is known when
// the month or the day is 00 ("1772年4月", "1772年"); empty when the year is not known or the text
// is not eight digits. With `chineseDigits` the numbers are written in Chinese numerals
// (一七七二年四月二十六日), for vertical columns.
std::string writtenDate(std::string_view yyyymmdd, bool chineseDigits = false);

// A stored date as the entries of the 世系录 give it: the Chinese-calendar reading under its
// reign year with its 干支 year, and the Western date beside it, as far as each is known:
// 乾隆三十七年三月廿四日（壬辰年，1772年4月26日）. Empty when writtenDate is.
std::string recordDate(std::string_view yyyymmdd, bool chineseDigits = false);

// The word that introduces a man's wife in his entry: 配 for the first. The second is 继配, the
// wife who followed the first, when the first is dead and did not outlive her (her death comes
// first, or the second still lives); otherwise, while the first lived on or when nothing tells,
// 又配. `first` may be null (no first wife recorded): the second is then 配 too.
std::string wifeWord(const Person* first, const Person& wife, bool second);

// The name of a person without the key's padding, GBK.
std::string_view bookName(const Person& person);

// A child's name as his father's entry lists it: without the surname when it is the father's
// (珠 for 贾珠 under 贾政), whole otherwise.
std::string_view givenName(const Person& child, const Person& father);

}  // namespace quillet
