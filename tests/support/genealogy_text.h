// The one builder of genealogies in tests: home.txt bytes record by record, from a RecordSpec
// (designated fields, the rest defaulted) laid out by core's record writer, plus the clans that
// several test folders share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/home_record.h"
#include "core/person.h"
#include "platform/gbk.h"

namespace quillet::testing {

// The name key of a typed text.
inline NameKey key(std::string_view text) {
  NameKey k;
  makeNameKey(text, k);
  return k;
}

struct RecordSpec {
  std::string_view name = "";
  char generation = '1';
  std::string_view father = "";
  std::string_view birthDate = "17000101";
  char sex = 'm';
  std::string_view olderSibling = "";
  char motherIndex = '0';
  char married = 'n';
  std::string_view husband = "";
  char alive = 'y';
  std::string_view deathDate = "17500101";
};

// The record's bytes as the program writes them (core's one writer of the record), CR LF
// included.
inline std::string record(const RecordSpec& r) {
  std::string bytes;
  appendRecord(bytes, {.name = r.name,
                       .generation = r.generation,
                       .father = r.father,
                       .birthDate = r.birthDate,
                       .sex = r.sex,
                       .olderSibling = r.olderSibling,
                       .motherIndex = r.motherIndex,
                       .married = r.married,
                       .husband = r.husband,
                       .alive = r.alive,
                       .deathDate = r.deathDate});
  return bytes;
}

// A record per spec, in order.
inline std::string records(const std::vector<RecordSpec>& specs) {
  std::string bytes;
  for (const RecordSpec& spec : specs) bytes += record(spec);
  return bytes;
}

// A 6-byte ASCII name of its own for each number below 26^6 ("AAAAAA", "AAAAAB" ...): never
// read as nobody, and no GBK character.
inline std::string serialName(long number) {
  std::string name(6, 'A');
  for (int at = 5; at >= 0 && number > 0; --at, number /= 26) {
    name[static_cast<std::size_t>(at)] = static_cast<char>('A' + number % 26);
  }
  return name;
}

// A line of `generations` men, each the only son of the one before, the first the root.
inline std::string chainFile(long generations) {
  std::string bytes;
  for (long level = 0; level < generations; ++level) {
    bytes += record({.name = serialName(level),
                     .generation = level == 0 ? '0' : '1',
                     .father = level == 0 ? std::string() : serialName(level - 1)});
  }
  return bytes;
}

// A broken file: the root's sons A and B, then C, named as A's first child and as B's younger
// sibling at once; then `fillers` children of A chained after C, and `replacers` records that
// each name B as older sibling, taking that place from the one before. The shape once made a load
// take time quadratic in its size.
inline std::string twoWayLinkedFile(long fillers, long replacers) {
  // clang-format off
  std::string bytes = records({{.name = "ROOT  ", .generation = '0'},
                               {.name = "A     ", .father = "ROOT  "},
                               {.name = "B     ", .father = "ROOT  ", .olderSibling = "A     "},
                               {.name = "C     ", .generation = '2', .father = "A     ", .olderSibling = "B     "}});
  // clang-format on
  std::string older = "C     ";
  for (long i = 0; i < fillers; ++i) {
    const std::string name = "F" + serialName(i).substr(1);
    bytes += record({.name = name, .generation = '2', .father = "A     ", .olderSibling = older});
    older = name;
  }
  for (long i = 0; i < replacers; ++i) {
    bytes += record({.name = "Y" + serialName(i).substr(1), .olderSibling = "B     "});
  }
  return bytes;
}

// The small clan of the window, batch, panel and Qt tests, each person with a birth date of
// its own:
//   贾演 (root, wife 王氏)
//   ├─ 贾代善 (wives 史太君 and 李氏)
//   │   ├─ 贾政 (wife 王夫人) ── 贾宝玉
//   │   └─ 贾敏 (a daughter of the second wife, unmarried)
//   └─ 贾代化 (dead)
inline std::string smallClan() {
  // clang-format off
  return records({
      {.name = "贾演", .generation = '0', .married = 'y'},
      {.name = "王氏", .generation = '0', .birthDate = "17020101", .sex = 'f', .married = 'y', .husband = "贾演"},
      {.name = "贾代善", .father = "贾演", .birthDate = "17200101", .motherIndex = '1', .married = 'y'},
      {.name = "史太君", .birthDate = "17220101", .sex = 'f', .married = 'y', .husband = "贾代善"},
      {.name = "李氏", .birthDate = "17230101", .sex = 'f', .married = 'y', .husband = "贾代善"},
      {.name = "贾代化", .father = "贾演", .birthDate = "17210101", .olderSibling = "贾代善", .motherIndex = '1', .alive = 'n', .deathDate = "17800101"},
      {.name = "贾政", .generation = '2', .father = "贾代善", .birthDate = "17400101", .motherIndex = '1', .married = 'y'},
      {.name = "王夫人", .generation = '2', .birthDate = "17420101", .sex = 'f', .married = 'y', .husband = "贾政"},
      {.name = "贾敏", .generation = '2', .father = "贾代善", .birthDate = "17450101", .sex = 'f', .olderSibling = "贾政", .motherIndex = '2'},
      {.name = "贾宝玉", .generation = '3', .father = "贾政", .birthDate = "17600101", .motherIndex = '1'},
  });
  // clang-format on
}

// The UTF-8 bytes of a u8 literal, for comparing with exported text.
inline std::string utf8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

// A GBK text as UTF-8 for failure messages.
inline std::string readable(std::string_view gbk) {
  return platform::gbkToUtf8(gbk).value_or("<not GBK>");
}

}  // namespace quillet::testing
