// The Chinese conventions at 10^3 to 10^6 persons: the exact terms of a pair (far cousins whose
// nearest common ancestor is the root, nine generations up, both ways; a wife and her husband's
// far cousin), which must not grow with the clan; the tree's find field over every label of the
// window's tree (a text in pinyin, one in traditional characters and one of initials, none of
// which any label holds, so that each search reads every label); and the date of the Chinese
// calendar as a report writes it.
#include <benchmark/benchmark.h>

#include <string>

#include "app/resources.h"
#include "bench/clan_fixture.h"
#include "bench/headless_window.h"
#include "core/family_tree.h"
#include "kinship/exact_terms.h"
#include "platform/dialog/tree_find.h"
#include "platform/icu/chinese_calendar.h"

namespace quillet::bench {
namespace {

void BM_ExactTermsOfFarCousins(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  enterClan(clan);
  FamilyTree tree;
  Person* a = nullptr;
  Person* b = nullptr;
  if (!tree.load() || !tree.findByName(a, nameKeyOf(clan.genealogy.distantCousinA)) ||
      !tree.findByName(b, nameKeyOf(clan.genealogy.distantCousinB))) {
    state.SkipWithError("the clan has no far cousins");
    return;
  }
  // The first cousin's wife, when he has one: her terms go through her husband's.
  const Person* wife = a->spouse != nullptr ? a->spouse : a;
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes += exactTerm(*a, *b).size() + exactTerm(*b, *a).size();
    bytes += exactTerm(*wife, *b).size() + exactTerm(*b, *wife).size();
  }
  benchmark::DoNotOptimize(bytes);
  state.counters["terms_per_iteration"] = 4;
}

// One search through every label for a text none holds: `state.range(1)` picks the text.
void BM_FindEveryLabel(benchmark::State& state) {
  static constexpr const char* kTexts[] = {"jia bao yu v", "賈寶玉＄", "jbyv"};
  const Clan& clan = clanOf(state.range(0));
  HeadlessWindowOf window(clan);
  const platform::TreeItems* items =
      window.created() ? window.window().treeItems(IDC_TREE) : nullptr;
  if (items == nullptr || items->size() == 0) {
    state.SkipWithError("the window's tree is empty");
    return;
  }
  const char* text = kTexts[state.range(1)];
  for (auto _ : state) {
    if (platform::nextMatch(*items, platform::TVI_NULL, text, true, false) != platform::TVI_NULL) {
      state.SkipWithError("a label holds the text");
      return;
    }
  }
  state.counters["labels"] = static_cast<double>(items->size());
  state.counters["per_label"] = benchmark::Counter(
      static_cast<double>(items->size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ChineseDateText(benchmark::State& state) {
  std::size_t bytes = 0;
  for (auto _ : state) bytes += platform::chineseDateText("17720426").size();
  benchmark::DoNotOptimize(bytes);
}

BENCHMARK(BM_ExactTermsOfFarCousins)->Apply(everyClanSize);
BENCHMARK(BM_FindEveryLabel)
    ->ArgsProduct({{kSmallClan, kHugeClan}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChineseDateText);

}  // namespace
}  // namespace quillet::bench

BENCHMARK_MAIN();
