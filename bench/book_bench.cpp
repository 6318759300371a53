// The printed book of generated clans of 10^3 to 10^5 persons, as `quillet-export book` makes
// it: BM_Book lays out every page and draws it into a PDF file (A4, five generations a page);
// BM_BookLayout lays out the same pages without drawing them, so that the two figures tell the
// layout from the painter. Targets: the book of 10^4 persons in under 10 s, of 10^5 in under
// 100 s. Counters: the pages, and the process's peak resident memory so far (its growth from
// one size to the next is what the book adds: a page is written out as it is drawn, so memory
// follows the clan, not the pages). Measured (docs/performance.md): 2.09 s of processor time at
// 10^4 (1,386 pages), 21.0 s at 10^5 (13,874 pages); the whole program's peak resident memory,
// `/usr/bin/time -f '%e %M' quillet-export book clan.pdf`, 40.8 MB at 10^4 and 73.1 MB at 10^5,
// and at 10^5 72.7 MB for 9,502 pages (A3) against 73.4 MB for 14,755 (two generations a page).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <string>

#include "bench/clan_fixture.h"
#include "core/family_tree.h"
#include "reports/book_export.h"
#include "reports/book_layout.h"

namespace quillet::bench {
namespace {

double peakResidentMegabytes() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_Book(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  enterClan(clan);
  FamilyTree tree;
  if (!tree.load()) state.SkipWithError("the clan does not load");
  const std::string path = scratchDirectory("book-" + std::to_string(clan.size)) + "/clan.pdf";
  int pages = 0;
  for (auto _ : state) {
    const BookProgress count = [&pages](std::size_t, std::size_t) {
      ++pages;
      return true;
    };
    pages = 0;
    if (exportBook(tree, {BookPaper::kA4, 5, "2026年12月7日"}, path, false, count) !=
        ExportResult::kWritten) {
      state.SkipWithError("the book was not written");
    }
  }
  state.counters["pages"] = pages;
  state.counters["peak_rss_mb"] = peakResidentMegabytes();
  perPerson(state, clan.size);
}

void BM_BookLayout(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  enterClan(clan);
  FamilyTree tree;
  if (!tree.load()) state.SkipWithError("the clan does not load");
  int pages = 0;
  for (auto _ : state) {
    BookLayout layout;
    if (!layout.plan(tree, {BookPaper::kA4, 5, "2026年12月7日"})) state.SkipWithError("no plan");
    BookPage page;
    for (pages = 0; layout.nextPage(page);) ++pages;
  }
  state.counters["pages"] = pages;
  perPerson(state, clan.size);
}

BENCHMARK(BM_Book)
    ->Arg(kSmallClan)
    ->Arg(kMiddleClan)
    ->Arg(kLargeClan)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);
BENCHMARK(BM_BookLayout)
    ->Arg(kSmallClan)
    ->Arg(kMiddleClan)
    ->Arg(kLargeClan)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillet::bench

BENCHMARK_MAIN();
