// The Qt window (offscreen platform) at 10^3 to 10^6 persons: the tree-view fill, the whole
// window start inside one process (both loads, the widgets, the fill, the welcome text, the
// first paint), the memory the window takes, a birth, a marriage and a rename through the
// widgets (painted), and the exit after Esc (the window closed and every object of the process
// gone). This file includes Qt and is compiled with UTF-8 literals; it holds no GBK text.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/main_dialog.h"
#include "app/process_objects.h"
#include "bench/clan_fixture.h"
#include "bench/window_edits.h"
#include "platform/qt/gbk_codec.h"
#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_tree_view.h"

namespace quillet::bench {
namespace {

class QtWindowOf {
 public:
  explicit QtWindowOf(const Clan& clan) {
    enterClan(clan);
    objects_ = std::make_unique<ProcessObjects>();
    dialog_ = std::make_unique<MainDialog>(*objects_);
    created_ = dialog_->Create();
    if (created_) {
      window()->show();
      QApplication::processEvents();
    }
  }
  // What the program does when the window has ended: the window goes, then every process-wide
  // object (the backend stays installed until the destructor).
  void close() {
    dialog_.reset();
    objects_.reset();
  }
  bool created() const { return created_; }
  MainDialog& dialog() { return *dialog_; }
  QWidget* window() const { return platform::qtWidgetOf(dialog_->peer()); }
  platform::QtTreeView* tree() const {
    return window()->findChild<platform::QtTreeView*>(QString::number(1000));
  }
  WindowEdits edits(Spot spot) {
    return WindowEdits(
        objects_->tree,
        [this](int id, const std::string& gbk) {
          window()
              ->findChild<QLineEdit*>(QString::number(id))
              ->setText(platform::qStringFromGbk(gbk));
        },
        [this](int id) {
          window()->findChild<QPushButton*>(QString::number(id))->click();
          QApplication::processEvents();  // the window shows the edit
        },
        spot);
  }
  // Activates the window's shortcut for `keys` (Ctrl+Z, Ctrl+Y) as the keys do, and lets the
  // window show what it did.
  bool shortcut(const QKeySequence& keys) {
    for (QShortcut* shortcut : window()->findChildren<QShortcut*>()) {
      if (shortcut->key() != keys) continue;
      emit shortcut->activated();
      QApplication::processEvents();
      return true;
    }
    return false;
  }

 private:
  platform::QtBackend backend_;
  const platform::ScopedBackend installed_{&backend_};
  std::unique_ptr<ProcessObjects> objects_;
  std::unique_ptr<MainDialog> dialog_;
  bool created_ = false;
};

// The resident memory of the process, in bytes.
double residentBytes() {
  long pages = 0;
  long resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

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
  const int items = window.tree()->rowCount();
  if (items <= 0) state.SkipWithError("the tree is empty");
  state.counters["items"] = items;
  state.counters["per_item"] = benchmark::Counter(
      items, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_WindowStartQt(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  for (auto _ : state) {
    QtWindowOf window(clan);
    if (!window.created()) state.SkipWithError("the window did not open");
    state.PauseTiming();
    window.close();
    state.ResumeTiming();
  }
}

// The resident memory the open window adds to the process, and the heap it holds, per person.
void BM_WindowMemoryQt(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  double resident = 0;
  double heap = 0;
  for (auto _ : state) {
    malloc_trim(0);
    const double residentBefore = residentBytes();
    const struct mallinfo2 before = mallinfo2();
    QtWindowOf window(clan);
    const struct mallinfo2 after = mallinfo2();
    resident = residentBytes() - residentBefore;
    heap = static_cast<double>((after.uordblks + after.hblkhd) - (before.uordblks + before.hblkhd));
  }
  state.counters["resident_per_person"] = resident / clan.size;
  state.counters["heap_per_person"] = heap / clan.size;
}

void BM_BirthQt(benchmark::State& state) {
  editEachIteration<QtWindowOf>(state, [](WindowEdits& edits) { return edits.birth(); });
}

void BM_MarriageQt(benchmark::State& state) {
  editEachIteration<QtWindowOf>(state, [](WindowEdits& edits) { return edits.marriage(); });
}

void BM_RenameQt(benchmark::State& state) {
  editEachIteration<QtWindowOf>(state, [](WindowEdits& edits) { return edits.rename(); });
}

// A birth, a marriage and a rename made first at the spot; each iteration takes the three back
// with Ctrl+Z and does them again with Ctrl+Y, painted.
void BM_UndoRedoQt(benchmark::State& state) {
  QtWindowOf window(clanOf(state.range(0)));
  state.SetLabel(kSpotNames[state.range(1)]);
  WindowEdits edits = window.edits(static_cast<Spot>(state.range(1)));
  if (!window.created() || !edits.birth() || !edits.marriage() || !edits.rename()) {
    state.SkipWithError("the edits were refused");
    return;
  }
  const QKeySequence undo(Qt::CTRL | Qt::Key_Z);
  const QKeySequence redo(Qt::CTRL | Qt::Key_Y);
  for (auto _ : state) {
    for (int i = 0; i < 3; ++i) {
      if (!window.shortcut(undo)) state.SkipWithError("no entry takes Ctrl+Z");
    }
    for (int i = 0; i < 3; ++i) {
      if (!window.shortcut(redo)) state.SkipWithError("no entry takes Ctrl+Y");
    }
  }
  if (window.dialog().familyTree.editsInEffect() != 3) {
    state.SkipWithError("the edits were not all done again");
  }
}

// From the Esc key to the end of the process's objects, as when the program ends.
void BM_ExitAfterEscQt(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    QtWindowOf window(clan);
    state.ResumeTiming();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window.window(), &esc);
    if (!window.dialog().peer()->ended()) state.SkipWithError("Esc did not end the window");
    window.close();
  }
}

BENCHMARK(BM_TreeViewFillQt)->Apply(everyClanSize)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowStartQt)->Apply(everyClanSize)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowMemoryQt)->Apply(everyClanSize)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BirthQt)->Apply(everyClanSizeAndSpot)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MarriageQt)->Apply(everyClanSizeAndSpot)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenameQt)->Apply(everyClanSizeAndSpot)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UndoRedoQt)->Apply(everyClanSizeAndSpot)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExitAfterEscQt)->Apply(everyClanSize)->UseRealTime()->Unit(benchmark::kMillisecond);

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
