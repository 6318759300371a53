// The one builder of genealogies in tests: home.txt bytes record by record, from a RecordSpec
// (designated fields, the rest defaulted), plus the clans that several test folders share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// The record's bytes as the program writes them, CR LF included.
inline std::string record(const RecordSpec& r) {
  // A name field: the name padded with spaces to 6 bytes; "" gives the absent field.
  auto nameField = [](std::string_view name) {
    std::string field(name.empty() ? "0" : name.substr(0, 6));
    field.resize(6, ' ');
    return field;
  };
  std::string bytes = "!";
  bytes += nameField(r.name);
  bytes += r.generation;
  bytes += nameField(r.father);
  bytes += r.birthDate;
  bytes += r.sex;
  bytes += nameField(r.olderSibling);
  bytes += r.motherIndex;
  bytes += r.married;
  bytes += nameField(r.husband);
  bytes += r.alive;
  bytes += r.alive == 'n' ? std::string(r.deathDate) : std::string("0        ");
  bytes += "\r\n";
  return bytes;
}

// A record per spec, in order.
inline std::string records(const std::vector<RecordSpec>& specs) {
  std::string bytes;
  for (const RecordSpec& spec : specs) bytes += record(spec);
  return bytes;
}

// The small clan of the window, batch and Qt tests (everyone born 17000101):
//   贾演 (root, wife 王氏) -> 贾代善 (wives 史太君, 李氏), 贾代化
//   贾代善 -> 贾政 (wife 王夫人), 贾敏 (a daughter)
//   贾政 -> 贾宝玉
inline std::string smallClan() {
  // clang-format off
  return records({
      {.name = "贾演", .generation = '0', .motherIndex = '1', .married = 'y'},
      {.name = "王氏", .generation = '0', .sex = 'f', .married = 'y', .husband = "贾演"},
      {.name = "贾代善", .father = "贾演", .motherIndex = '1', .married = 'y'},
      {.name = "贾代化", .father = "贾演", .olderSibling = "贾代善", .motherIndex = '1', .married = 'y'},
      {.name = "史太君", .sex = 'f', .married = 'y', .husband = "贾代善"},
      {.name = "李氏", .sex = 'f', .married = 'y', .husband = "贾代善"},
      {.name = "贾政", .generation = '2', .father = "贾代善", .motherIndex = '1', .married = 'y'},
      {.name = "贾敏", .generation = '2', .father = "贾代善", .sex = 'f', .olderSibling = "贾政", .motherIndex = '1', .married = 'y'},
      {.name = "王夫人", .generation = '2', .sex = 'f', .married = 'y', .husband = "贾政"},
      {.name = "贾宝玉", .generation = '3', .father = "贾政", .motherIndex = '1', .married = 'y'},
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
