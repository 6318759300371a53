// The tree-view fill of the Qt window (offscreen platform) at 10^3, 10^4 and 10^5 persons, and
// the whole window start inside one process (both loads, the widgets, the fill, the welcome
// text). This file includes Qt and is compiled with UTF-8 literals; it holds no GBK text.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>
#include <cstdlib>
#include <memory>

#include "app/main_dialog.h"
#include "app/process_objects.h"
#include "bench/clan_fixture.h"
#include "platform/qt/qt_backend.h"

namespace quillet::bench {
namespace {

class QtWindowOf {
 public:
  explicit QtWindowOf(const Clan& clan) {
    enterClan(clan);
    objects_ = std::make_unique<ProcessObjects>();
    dialog_ = std::make_unique<MainDialog>(*objects_);
    created_ = dialog_->Create();
  }
  bool created() const { return created_; }
  MainDialog& dialog() { return *dialog_; }
  // Items of the window's tree widget, counted through Qt.
  int treeItems() const {
    QWidget* window = platform::qtWidgetOf(dialog_->peer());
    auto* tree =
        window != nullptr ? window->findChild<QTreeWidget*>(QString::number(1000)) : nullptr;
    if (tree == nullptr) return -1;
    int items = 0;
    for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it) ++items;
    return items;
  }

 private:
  platform::QtBackend backend_;
  const platform::ScopedBackend installed_{&backend_};
  std::unique_ptr<ProcessObjects> objects_;
  std::unique_ptr<MainDialog> dialog_;
  bool created_ = false;
};

void BM_TreeViewFillQt(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  QtWindowOf window(clan);
  if (!window.created()) {
    state.SkipWithError("the window did not open");
    return;
  }
  for (auto _ : state) {
    window.dialog().refillTreeView();
    QApplication::processEvents();
  }
  const int items = window.treeItems();
  if (items <= 0) state.SkipWithError("the tree widget is empty");
  state.counters["items"] = items;
  state.counters["per_item"] = benchmark::Counter(
      items, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_WindowStartQt(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  for (auto _ : state) {
    QtWindowOf window(clan);
    if (!window.created()) state.SkipWithError("the window did not open");
    QApplication::processEvents();
  }
}

BENCHMARK(BM_TreeViewFillQt)
    ->Arg(kSmallClan)
    ->Arg(kMiddleClan)
    ->Arg(kLargeClan)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowStartQt)
    ->Arg(kSmallClan)
    ->Arg(kMiddleClan)
    ->Arg(kLargeClan)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillet::bench

// The application object must exist before any widget and go before Qt's own globals.
int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
