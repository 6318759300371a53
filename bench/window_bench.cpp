// The main window over the headless backend at 10^3, 10^4 and 10^5 persons: the tree-view fill
// alone, and the whole start inside one process (both loads, the fill, the welcome text).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/main_dialog.h"
#include "app/process_objects.h"
#include "bench/clan_fixture.h"
#include "platform/headless/headless_backend.h"

namespace quillet::bench {
namespace {

// The process-wide objects and the main window, created (and so initialised) in the clan's
// directory over the headless backend.
class HeadlessWindowOf {
 public:
  explicit HeadlessWindowOf(const Clan& clan) {
    enterClan(clan);
    objects_ = std::make_unique<ProcessObjects>();
    dialog_ = std::make_unique<MainDialog>(*objects_);
    created_ = dialog_->Create();
  }
  bool created() const { return created_; }
  MainDialog& dialog() { return *dialog_; }
  std::size_t treeItems() const {
    return static_cast<platform::HeadlessWindow*>(dialog_->peer())->treeLines(1000).size();
  }

 private:
  platform::HeadlessBackend backend_;
  const platform::ScopedBackend installed_{&backend_};
  std::unique_ptr<ProcessObjects> objects_;
  std::unique_ptr<MainDialog> dialog_;
  bool created_ = false;
};

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

BENCHMARK(BM_TreeViewFillHeadless)
    ->Arg(kSmallClan)
    ->Arg(kMiddleClan)
    ->Arg(kLargeClan)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WindowStartHeadless)
    ->Arg(kSmallClan)
    ->Arg(kMiddleClan)
    ->Arg(kLargeClan)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillet::bench

BENCHMARK_MAIN();
