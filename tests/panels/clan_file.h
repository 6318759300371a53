// Small genealogy files for the panel tests, written record by record in the file's own layout
// so that each test can shape the tree it needs. Names are typed text (a two-character name gets
// its two spaces); texts in the source are GBK after compilation.
#pragma once

#include <string>
#include <string_view>

#include "core/person.h"
#include "tests/support/genealogy_text.h"

namespace quillet::testing {

class ClanFile {
 public:
  // A clan member. `father` and `olderSibling` are empty when there is none.
  ClanFile& member(std::string_view name, char generation, std::string_view father,
                   std::string_view birth, char sex, std::string_view olderSibling = {},
                   char motherIndex = '1', char married = 'n', std::string_view death = {}) {
    return record(name, generation, father, birth, sex, olderSibling, motherIndex, married, {},
                  death);
  }
  // A wife of `husband`; her record must follow his (and his first wife's).
  ClanFile& wife(std::string_view name, char generation, std::string_view husband,
                 std::string_view birth, std::string_view death = {}) {
    return record(name, generation, {}, birth, 'f', {}, '0', 'y', husband, death);
  }

  const std::string& bytes() const { return bytes_; }

 private:
  static std::string field(std::string_view name) {
    if (name.empty()) return "0     ";
    NameKey key{};
    makeNameKey(name, key);
    return std::string(key.data(), 6);
  }

  ClanFile& record(std::string_view name, char generation, std::string_view father,
                   std::string_view birth, char sex, std::string_view olderSibling,
                   char motherIndex, char married, std::string_view husband,
                   std::string_view death) {
    bytes_ += testing::record({.name = field(name),
                               .generation = generation,
                               .father = field(father),
                               .birthDate = birth,
                               .sex = sex,
                               .olderSibling = field(olderSibling),
                               .motherIndex = motherIndex,
                               .married = married,
                               .husband = field(husband),
                               .alive = death.empty() ? 'y' : 'n',
                               .deathDate = death});
    return *this;
  }

  std::string bytes_;
};

}  // namespace quillet::testing
