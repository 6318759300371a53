// Births, marriages and renames through the main window's panels, as a person makes them, on a
// loaded clan: the headless and the Qt benchmarks of an edit drive the same acts through their
// own backend's controls.
//
// Births go to one wife after another and marriages to one man after another, the youngest
// first, so that no sibling chain grows long and every marriage finds room (until spent());
// a rename changes one person's name to a fresh one each time. New names are 贾 and two
// second-level GB2312 characters, which no generated name uses.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/resources.h"
#include "bench/clan_fixture.h"
#include "core/family_tree.h"

namespace quillet::bench {

class WindowEdits {
 public:
  using Type = std::function<void(int id, const std::string& gbk)>;
  using Click = std::function<void(int id)>;

  WindowEdits(FamilyTree& tree, Type type, Click click) : tree_(tree), type_(type), click_(click) {
    std::vector<Person*> listed;
    tree_.listBySex('f', listed);
    for (auto it = listed.rbegin(); it != listed.rend() && mothers_.size() < kTargets; ++it) {
      if ((*it)->spouse != nullptr) mothers_.push_back(nameOf(*it));
    }
    tree_.listBySex('m', listed);
    for (auto it = listed.rbegin(); it != listed.rend() && husbands_.size() < kTargets; ++it) {
      if ((*it)->sex == 'm' && (*it)->secondWife == nullptr) husbands_.push_back(nameOf(*it));
    }
    renamed_ = nameOf(listed.empty() ? tree_.root() : listed.back());
  }

  // True when the window recorded it.
  bool birth() {
    const int persons = tree_.personCount();
    type_(IDC_BIRTH_NAME, freshName());
    type_(IDC_BIRTH_SEX, "m");
    type_(IDC_BIRTH_DATE, "17900101");
    type_(IDC_MOTHER_NAME, mothers_[births_++ % mothers_.size()]);
    click_(IDC_ADD_CHILD);
    return tree_.personCount() == persons + 1;
  }
  // REQUIRES: !spent().
  bool marriage() {
    const int persons = tree_.personCount();
    type_(IDC_BRIDE_NAME, freshName());
    type_(IDC_HUSBAND_NAME, husbands_[marriages_++]);
    type_(IDC_BRIDE_BIRTH_DATE, "17900101");
    click_(IDC_ADD_WIFE);
    return tree_.personCount() == persons + 1;
  }
  // Every man has been married once, or every wife has had two children: the next edits would
  // no longer be like the first ones.
  bool spent() const { return marriages_ >= husbands_.size() || births_ >= 2 * mothers_.size(); }
  bool rename() {
    const std::string name = freshName();
    type_(IDC_MODIFY_NAME, renamed_);
    type_(IDC_MODIFY_PARAM, name);
    click_(IDC_MODIFY);
    renamed_ = name;
    Person* found = nullptr;
    return tree_.findByName(found, nameKeyOf(name));
  }

 private:
  static constexpr std::size_t kTargets = 20000;

  static std::string nameOf(const Person* person) { return std::string(keyText(person->name)); }
  static NameKey nameKeyOf(const std::string& name) {
    NameKey key{};
    makeNameKey(name, key);
    return key;
  }
  std::string freshName() {
    constexpr unsigned kCharacters = 32 * 94;  // the second level: lead bytes 0xD8 to 0xF7
    ++fresh_;
    std::string name = "\xBC\xD6";  // 贾
    for (const unsigned k : {fresh_ / kCharacters % kCharacters, fresh_ % kCharacters}) {
      name += static_cast<char>(0xD8 + k / 94);
      name += static_cast<char>(0xA1 + k % 94);
    }
    return name;
  }

  FamilyTree& tree_;
  Type type_;
  Click click_;
  std::vector<std::string> mothers_;
  std::vector<std::string> husbands_;
  std::string renamed_;
  std::size_t births_ = 0;
  std::size_t marriages_ = 0;
  unsigned fresh_ = 0;
};

// One edit an iteration through the panels of a `Window` (constructed from the clan of
// state.range(0), giving its WindowEdits by edits()), held open and opened anew, untimed, when
// the edits are spent.
template <typename Window, typename Edit>
void editEachIteration(benchmark::State& state, Edit edit) {
  const Clan& clan = clanOf(state.range(0));
  auto window = std::make_unique<Window>(clan);
  auto edits = std::make_unique<WindowEdits>(window->edits());
  for (auto _ : state) {
    if (!edit(*edits)) {
      state.SkipWithError("the edit was refused");
      break;
    }
    if (edits->spent()) {
      state.PauseTiming();
      edits.reset();
      window = std::make_unique<Window>(clan);
      edits = std::make_unique<WindowEdits>(window->edits());
      state.ResumeTiming();
    }
  }
}

}  // namespace quillet::bench
