// Builds home.txt records for the export tests. Names are GBK literals (two characters are
// padded to the 6-byte key); an empty name writes the absent-name field.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tests/support/genealogy_text.h"

namespace quillet::testing {

// One record; `death` empty for the living.
inline std::string record(std::string_view name, char generation, std::string_view father,
                          std::string_view birth, char sex, std::string_view olderSibling,
                          char motherIndex, char married, std::string_view husband,
                          std::string_view death = {}) {
  return record({.name = name,
                 .generation = generation,
                 .father = father,
                 .birthDate = birth,
                 .sex = sex,
                 .olderSibling = olderSibling,
                 .motherIndex = motherIndex,
                 .married = married,
                 .husband = husband,
                 .alive = death.empty() ? 'y' : 'n',
                 .deathDate = death});
}

// The UTF-8 bytes of a u8 literal, for comparing with exported text.
inline std::string utf8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

// A clan of `generations` generations below the root, `sons` sons to a father, two wives for
// every second son (the second dead), the sons' mother indexes cycling through '0', '1', '2'.
// Names are "乙" and four digits, so at most 8999 persons.
inline std::string wideClan(int generations = 4, int sons = 3) {
  std::string home = record("甲甲甲", '0', "", "16000101", 'm', "", '0', 'n', "");
  std::vector<std::string> generation{"甲甲甲"};
  int serial = 0;
  auto nameOf = [](int n) {
    std::string digits = std::to_string(1000 + n);  // four ASCII digits: "乙" and them is a key
    return std::string("乙") + digits;
  };
  for (char g = '1'; g <= '0' + generations; ++g) {
    std::vector<std::string> next;
    for (const std::string& father : generation) {
      std::string older;
      for (int k = 0; k < sons; ++k) {
        std::string son = nameOf(++serial);
        char mother = "012"[serial % 3];
        home += record(son, g, father, "17000101", 'm', older, mother, 'y', "");
        if (k % 2 == 1) {
          home += record(nameOf(++serial), g, "", "17000101", 'f', "", '0', 'y', son);
          home += record(nameOf(++serial), g, "", "17000101", 'f', "", '0', 'y', son, "17500101");
        }
        older = son;
        next.push_back(son);
      }
    }
    generation = next;
  }
  return home;
}

}  // namespace quillet::testing
