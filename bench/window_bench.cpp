// The main window over the headless backend at 10^3 to 10^6 persons: the tree-view fill alone,
// the whole start inside one process (both loads, the fill, the welcome text), a birth, a
// marriage and a rename through the panels, their undos and redos, a hundred births in a row,
// and `print 1001` of the largest listing, as quillet-batch prints it; and the relation query
// between the two ends of a line of 5,000 to 40,000 generations, with the path it marks.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

#include "app/main_dialog.h"
#include "app/process_objects.h"
#include "bench/clan_fixture.h"
#include "bench/headless_window.h"
#include "bench/window_edits.h"
#include "platform/headless/headless_backend.h"
#include "tests/support/genealogy_text.h"
#include "tools/batch/batch_session.h"

namespace quillet::bench {
namespace {

// Clan members, one tree item each: the root and every record that names a father.
std::size_t membersOf(const Clan& clan) {
  const std::string& bytes = clan.genealogy.fileBytes;
  std::size_t members = 1;
  for (std::size_t at = bytes.find('!', 1); at != std::string::npos; at = bytes.find('!', at + 1)) {
    if (bytes[at + 8] != '0') ++members;
  }
  return members;
}

void BM_TreeViewFillHeadless(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  HeadlessWindowOf window(clan);
  if (!window.created()) {
    state.SkipWithError("the window did not open");
    return;
  }
  for (auto _ : state) window.dialog().refillTreeView();
  const std::size_t items = window.treeItems();
  if (items != membersOf(clan)) {
    state.SkipWithError("the tree view does not hold the clan");
  }
  state.counters["items"] = static_cast<double>(items);
  state.counters["per_item"] =
      benchmark::Counter(static_cast<double>(items), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

void BM_WindowStartHeadless(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  for (auto _ : state) {
    HeadlessWindowOf window(clan);
    if (!window.created()) state.SkipWithError("the window did not open");
  }
}

void BM_BirthHeadless(benchmark::State& state) {
  editEachIteration<HeadlessWindowOf>(state, [](WindowEdits& edits) { return edits.birth(); });
}

void BM_MarriageHeadless(benchmark::State& state) {
  editEachIteration<HeadlessWindowOf>(state, [](WindowEdits& edits) { return edits.marriage(); });
}

void BM_RenameHeadless(benchmark::State& state) {
  editEachIteration<HeadlessWindowOf>(state, [](WindowEdits& edits) { return edits.rename(); });
}

void BM_HundredBirthsHeadless(benchmark::State& state) {
  editEachIteration<HeadlessWindowOf>(state, [](WindowEdits& edits) {
    bool recorded = true;
    for (int i = 0; i < 100; ++i) recorded = edits.birth() && recorded;
    return recorded;
  });
}

// A birth, a marriage and a rename made first at the spot; each iteration takes the three back
// with Ctrl+Z and does them again with Ctrl+Y: six undos and redos, each constant in the clan's
// size.
void BM_UndoRedoHeadless(benchmark::State& state) {
  HeadlessWindowOf window(clanOf(state.range(0)));
  state.SetLabel(kSpotNames[state.range(1)]);
  WindowEdits edits = window.edits(static_cast<Spot>(state.range(1)));
  if (!window.created() || !edits.birth() || !edits.marriage() || !edits.rename()) {
    state.SkipWithError("the edits were refused");
    return;
  }
  for (auto _ : state) {
    for (int i = 0; i < 3; ++i) window.window().keyCtrl('Z');
    for (int i = 0; i < 3; ++i) window.window().keyCtrl('Y');
  }
  if (window.dialog().displayText.rfind("已恢复：修改", 0) != 0) {
    state.SkipWithError("the rename was not done again last");
  }
}

// A stream that drops what it is given.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char* /*s*/, std::streamsize n) override { return n; }
};

// The longest listing the person query gives: by sex, by life status or by generation.
void BM_PrintLargestListing(benchmark::State& state) {
  HeadlessWindowOf window(clanOf(state.range(0)));
  std::string largest;
  std::pair<int, std::string> chosen;
  for (const auto& [radio, keyword] :
       {std::pair{1014, "f"}, {1014, "m"}, {1016, "y"}, {1016, "n"}, {1015, "8"}, {1015, "9"}}) {
    window.window().check(radio);
    window.window().type(IDC_QUERY_KEYWORD, keyword);
    window.window().click(IDC_PERSON_QUERY);
    if (window.window().textView(IDC_DISPLAY).size() > largest.size()) {
      largest = window.window().textView(IDC_DISPLAY);
      chosen = {radio, keyword};
    }
  }
  window.window().check(chosen.first);
  window.window().type(IDC_QUERY_KEYWORD, chosen.second);
  window.window().click(IDC_PERSON_QUERY);
  NullBuffer dropped;
  std::ostream out(&dropped);
  for (auto _ : state) batch::printEditBox(window.window(), IDC_DISPLAY, out);
  std::size_t lines = 0;
  for (std::size_t at = largest.find('\n'); at != std::string::npos;
       at = largest.find('\n', at + 1)) {
    ++lines;
  }
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["bytes"] = static_cast<double>(largest.size());
}

// The relation query (人员关系) between the two ends of a line of fathers and only sons, through
// the panel: the kinship worded, and every member of the line marked in the tree and opened.
// The time grows linearly with the generations.
void BM_RelationQueryAcrossLongLine(benchmark::State& state) {
  const long generations = state.range(0);
  const std::string directory = scratchDirectory("line-" + std::to_string(generations));
  if (chdir(directory.c_str()) != 0) state.SkipWithError("cannot enter the scratch directory");
  const std::string bytes = testing::chainFile(generations);
  FILE* file = std::fopen("home.txt", "wb");
  if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
      std::fclose(file) != 0) {
    state.SkipWithError("cannot write home.txt");
    return;
  }
  HeadlessWindowOf window;
  window.window().type(IDC_RELATION_FIRST, testing::serialName(0));
  window.window().type(IDC_RELATION_SECOND, testing::serialName(generations - 1));
  for (auto _ : state) window.window().click(IDC_RELATION_QUERY);
  const std::size_t marked = window.window().markedTreeLines(IDC_TREE).size();
  if (marked != static_cast<std::size_t>(generations)) {
    state.SkipWithError("the path is not marked whole");
  }
  state.counters["generations"] = static_cast<double>(generations);
  state.counters["per_generation"] = benchmark::Counter(
      static_cast<double>(generations),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_TreeViewFillHeadless)->Apply(everyClanSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowStartHeadless)->Apply(everyClanSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BirthHeadless)->Apply(everyClanSizeAndSpot)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MarriageHeadless)->Apply(everyClanSizeAndSpot)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenameHeadless)->Apply(everyClanSizeAndSpot)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UndoRedoHeadless)->Apply(everyClanSizeAndSpot)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HundredBirthsHeadless)->Apply(everyClanSizeAndSpot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrintLargestListing)->Apply(everyClanSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RelationQueryAcrossLongLine)
    ->Arg(5'000)
    ->Arg(10'000)
    ->Arg(20'000)
    ->Arg(40'000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillet::bench

BENCHMARK_MAIN();
