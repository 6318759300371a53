// Builds home.txt bytes record by record, for tests that need a genealogy of a given shape.
#pragma once

#include <string>
#include <string_view>

#include "core/person.h"

namespace quillet::testing {

// The name key of a typed text.
inline NameKey key(std::string_view text) {
  NameKey k;
  makeNameKey(text, k);
  return k;
}

// A name field: the name padded with spaces to 6 bytes; "" gives the absent field.
inline std::string nameField(std::string_view name) {
  if (name.empty()) return "0     ";
  std::string field(name.substr(0, 6));
  field.resize(6, ' ');
  return field;
}

struct RecordSpec {
  std::string_view name;
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

}  // namespace quillet::testing
