// Hand-built trees for the formatter and kinship tests: persons linked directly, as the store
// would link them, without a file.
#pragma once

#include <deque>
#include <string>
#include <string_view>

#include "core/person.h"
#include "platform/gbk.h"

namespace quillet::testing {

class TestTree {
 public:
  // A person without links. `name` is typed text (a two-character name gets its two spaces),
  // `birth` eight digits.
  Person& person(std::string_view name, char sex, char generation, std::string_view birth) {
    Person& p = people_.emplace_back();
    makeNameKey(name, p.name);
    p.birthDate = makeDate(birth);
    p.sex = sex;
    p.generation = generation;
    return p;
  }

  // A child of `father`, last in his chain, one generation below him.
  Person& child(Person& father, std::string_view name, char sex, std::string_view birth,
                char motherIndex) {
    Person& c = person(name, sex, static_cast<char>(father.generation + 1), birth);
    c.father = &father;
    c.motherIndex = motherIndex;
    if (father.firstChild == nullptr) {
      father.firstChild = &c;
    } else {
      Person* last = father.firstChild;
      while (last->youngerSibling != nullptr) last = last->youngerSibling;
      last->youngerSibling = &c;
      c.olderSibling = last;
    }
    return c;
  }

  // A wife of `husband`: his spouse, or his secondWife when he has one.
  Person& wife(Person& husband, std::string_view name, std::string_view birth) {
    Person& w = person(name, 'f', husband.generation, birth);
    w.spouse = &husband;
    w.married = 'y';
    husband.married = 'y';
    (husband.spouse == nullptr ? husband.spouse : husband.secondWife) = &w;
    return w;
  }

  static void die(Person& p, std::string_view date) {
    p.alive = 'n';
    p.deathDate = makeDate(date);
  }

 private:
  std::deque<Person> people_;  // stable addresses for the links
};

// A GBK text as UTF-8 for failure messages.
inline std::string readable(std::string_view gbk) {
  return platform::gbkToUtf8(gbk).value_or("<not GBK>");
}

}  // namespace quillet::testing
