// Births, marriages and renames through the main window's panels, as a person makes them, on a
// loaded clan: the headless and the Qt benchmarks of an edit drive the same acts through their
// own backend's controls.
//
// Each edit takes its targets from one spot of the tree's pre-order (the order of its items):
// the first, the middle or the last of the persons the edit can take, or one drawn at random for
// each edit (a fixed seed), so that a cost growing with the persons listed before or after the
// target shows. A benchmark is registered at each spot and the report takes the worst of them.
// Births go to one mother after another from the spot on, two each, and marriages to one man
// after another (a man holds two wives at most): a birth's pane lists every older sibling of
// the child, so a mother given thousands of children would measure that list rather than the
// clan. A rename changes the name of the person at the spot (or a random one) to a fresh one
// each time. New names are 贾 and two second-level GB2312 characters,
// which no generated name uses.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/resources.h"
#include "bench/clan_fixture.h"
#include "core/family_tree.h"

namespace quillet::bench {

// Where in the tree's pre-order an edit's targets are taken.
enum class Spot { kFirst, kMiddle, kLast, kRandom };
inline constexpr const char* kSpotNames[] = {"first", "middle", "last", "random"};

// Registers a benchmark at every clan size and every spot: ->Apply(everyClanSizeAndSpot). The
// second argument is the Spot.
inline void everyClanSizeAndSpot(benchmark::internal::Benchmark* benchmark) {
  benchmark->ArgNames({"persons", "spot"});
  for (const std::int64_t size : {kSmallClan, kMiddleClan, kLargeClan, kHugeClan}) {
    for (int spot = 0; spot < 4; ++spot) benchmark->Args({size, spot});
  }
}

class WindowEdits {
 public:
  using Type = std::function<void(int id, const std::string& gbk)>;
  using Click = std::function<void(int id)>;

  WindowEdits(FamilyTree& tree, Type type, Click click, Spot spot)
      : tree_(tree), type_(type), click_(click), spot_(spot) {
    // Clan members in pre-order, as the tree view lists them.
    std::vector<Person*> stack;
    if (tree_.root() != nullptr) stack.push_back(tree_.root());
    while (!stack.empty()) {
      Person* member = stack.back();
      stack.pop_back();
      members_.push_back(member);
      if (member->youngerSibling != nullptr) stack.push_back(member->youngerSibling);
      if (member->firstChild != nullptr) stack.push_back(member->firstChild);
    }
    for (Person* member : members_) {
      for (Person* wife : {member->spouse, member->secondWife}) {
        if (wife != nullptr && wife->sex == 'f') mothers_.push_back(wife);
      }
      if (member->sex == 'm' && member->secondWife == nullptr) husbands_.push_back(member);
    }
    husbands_ = fromSpot(husbands_, kTargets);
    mothers_ = fromSpot(mothers_, kTargets);
    renamed_ = pick(members_);
  }

  // True when the window recorded it.
  bool birth() {
    const int persons = tree_.personCount();
    type_(IDC_BIRTH_NAME, freshName());
    type_(IDC_BIRTH_SEX, "m");
    type_(IDC_BIRTH_DATE, "17900101");
    type_(IDC_MOTHER_NAME, nameOf(mothers_[births_++ / 2 % mothers_.size()]));
    click_(IDC_ADD_CHILD);
    return tree_.personCount() == persons + 1;
  }
  // REQUIRES: !spent().
  bool marriage() {
    const int persons = tree_.personCount();
    type_(IDC_BRIDE_NAME, freshName());
    type_(IDC_HUSBAND_NAME, nameOf(husbands_[marriages_++]));
    type_(IDC_BRIDE_BIRTH_DATE, "17900101");
    click_(IDC_ADD_WIFE);
    return tree_.personCount() == persons + 1;
  }
  bool rename() {
    Person* person = spot_ == Spot::kRandom ? pick(members_) : renamed_;
    const std::string name = freshName();
    type_(IDC_MODIFY_NAME, nameOf(person));
    type_(IDC_MODIFY_PARAM, name);
    click_(IDC_MODIFY);
    return nameOf(person) == name;
  }
  // The men or the mothers from the spot have all had their edits: the window is opened anew.
  bool spent() const { return marriages_ >= husbands_.size() || births_ >= 2 * mothers_.size(); }

 private:
  static constexpr std::size_t kTargets = 20000;

  static std::string nameOf(const Person* person) { return std::string(keyText(person->name)); }
  // Up to `count` of `all` from the spot on: forwards from the first or the middle, backwards
  // from the last, shuffled for random.
  std::vector<Person*> fromSpot(std::vector<Person*> all, std::size_t count) {
    switch (spot_) {
      case Spot::kFirst:
        break;
      case Spot::kMiddle:
        std::rotate(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(all.size() / 2),
                    all.end());
        break;
      case Spot::kLast:
        std::reverse(all.begin(), all.end());
        break;
      case Spot::kRandom:
        std::shuffle(all.begin(), all.end(), random_);
        break;
    }
    if (all.size() > count) all.resize(count);
    return all;
  }
  Person* pick(const std::vector<Person*>& all) {
    if (all.empty()) return tree_.root();
    switch (spot_) {
      case Spot::kFirst:
        return all.front();
      case Spot::kMiddle:
        return all[all.size() / 2];
      case Spot::kLast:
        return all.back();
      case Spot::kRandom:
        break;
    }
    return all[std::uniform_int_distribution<std::size_t>(0, all.size() - 1)(random_)];
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
  Spot spot_;
  std::mt19937_64 random_{20261207};
  std::vector<Person*> members_;
  std::vector<Person*> mothers_;
  std::vector<Person*> husbands_;
  Person* renamed_ = nullptr;
  std::size_t births_ = 0;
  std::size_t marriages_ = 0;
  unsigned fresh_ = 0;
};

// One edit an iteration through the panels of a `Window` (constructed from the clan of
// state.range(0), giving its WindowEdits for a spot by edits(spot)), held open and opened anew,
// untimed, when the edits are spent. The spot is state.range(1).
template <typename Window, typename Edit>
void editEachIteration(benchmark::State& state, Edit edit) {
  const Clan& clan = clanOf(state.range(0));
  const auto spot = static_cast<Spot>(state.range(1));
  state.SetLabel(kSpotNames[state.range(1)]);
  auto window = std::make_unique<Window>(clan);
  auto edits = std::make_unique<WindowEdits>(window->edits(spot));
  for (auto _ : state) {
    if (!edit(*edits)) {
      state.SkipWithError("the edit was refused");
      break;
    }
    if (edits->spent()) {
      state.PauseTiming();
      edits.reset();
      window = std::make_unique<Window>(clan);
      edits = std::make_unique<WindowEdits>(window->edits(spot));
      state.ResumeTiming();
    }
  }
}

}  // namespace quillet::bench
