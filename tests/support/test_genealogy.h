// Small genealogies written in the file format of home.txt, for the window's tests. Names are
// GBK 6-byte keys (two-character names padded with two spaces).
#pragma once

#include <string>
#include <string_view>

#include "tests/support/genealogy_text.h"

namespace quillet::testing {

inline constexpr std::string_view kNobody = "0     ";

// One living person's record (see record() for the layout).
inline std::string livingRecord(std::string_view name, char generation, std::string_view father,
                                std::string_view birthDate, char sex, std::string_view olderSibling,
                                char motherIndex, char married, std::string_view husband) {
  return record({.name = name,
                 .generation = generation,
                 .father = father,
                 .birthDate = birthDate,
                 .sex = sex,
                 .olderSibling = olderSibling,
                 .motherIndex = motherIndex,
                 .married = married,
                 .husband = husband});
}

// A clan member (no husband link).
inline std::string memberRecord(std::string_view name, char generation, std::string_view father,
                                char sex, std::string_view olderSibling = kNobody,
                                char motherIndex = '1') {
  return livingRecord(name, generation, father, "17000101", sex, olderSibling, motherIndex, 'y',
                      kNobody);
}

// A wife of `husband`.
inline std::string wifeRecord(std::string_view name, char generation, std::string_view husband) {
  return livingRecord(name, generation, kNobody, "17000101", 'f', kNobody, '0', 'y', husband);
}

// The small clan most tests use:
//   贾演 (root, wife 王氏) -> 贾代善 (wives 史太君, 李氏), 贾代化
//   贾代善 -> 贾政 (wife 王夫人), 贾敏 (a daughter)
//   贾政 -> 贾宝玉
inline std::string smallClan() {
  return memberRecord("贾演  ", '0', kNobody, 'm') + wifeRecord("王氏  ", '0', "贾演  ") +
         memberRecord("贾代善", '1', "贾演  ", 'm') +
         memberRecord("贾代化", '1', "贾演  ", 'm', "贾代善") +
         wifeRecord("史太君", '1', "贾代善") + wifeRecord("李氏  ", '1', "贾代善") +
         memberRecord("贾政  ", '2', "贾代善", 'm') +
         memberRecord("贾敏  ", '2', "贾代善", 'f', "贾政  ") +
         wifeRecord("王夫人", '2', "贾政  ") + memberRecord("贾宝玉", '3', "贾政  ", 'm');
}

}  // namespace quillet::testing
