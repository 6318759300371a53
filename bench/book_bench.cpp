// The printed book of generated clans of 10^3 to 10^5 persons, as `quillet-export book` makes
// it: BM_Book lays out every page and draws it into a PDF file (A4, five generations a page);
// BM_BookLayout lays out the same pages without drawing them, so that the two figures tell the
// layout from the painter; BM_BookPapers makes the book of 10^5 persons on A4, on A3 and at two
// generations a page, whose pages differ by thousands. Targets: the book of 10^4 persons in under
// 10 s, of 10^5 in under 30 s, the memory flat in the page count.
//
// Counters: the pages; the process's resident memory once the book is planned and its cover
// drawn ("rss_start_mb") and at its end ("rss_end_mb"), whose difference is what the pages add
// (a page is written out as it is drawn, so it stays near the links' few bytes an entry); the
// peak so far ("peak_rss_mb").
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
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

// The resident memory now, from /proc/self/statm.
double residentMegabytes() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0;
  long size = 0, resident = 0;
  const int read = std::fscanf(statm, "%ld %ld", &size, &resident);
  std::fclose(statm);
  return read == 2 ? static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
                         (1024.0 * 1024.0)
                   : 0;
}

void runBook(benchmark::State& state, const BookOptions& options) {
  const Clan& clan = clanOf(state.range(0));
  enterClan(clan);
  FamilyTree tree;
  if (!tree.load()) state.SkipWithError("the clan does not load");
  const std::string path = scratchDirectory("book-" + std::to_string(clan.size)) + "/clan.pdf";
  int pages = 0;
  double start = 0;
  for (auto _ : state) {
    pages = 0;
    const BookProgress count = [&pages, &start](std::size_t, std::size_t) {
      if (pages++ == 0) start = residentMegabytes();
      return true;
    };
    if (!exportBook(tree, options, path, false, count).ok()) {
      state.SkipWithError("the book was not written");
    }
  }
  state.counters["pages"] = pages;
  state.counters["rss_start_mb"] = start;
  state.counters["rss_end_mb"] = residentMegabytes();
  state.counters["peak_rss_mb"] = peakResidentMegabytes();
  perPerson(state, clan.size);
}

void BM_Book(benchmark::State& state) { runBook(state, {.madeOn = "2026年12月7日"}); }

// Arg 0: A4, five generations a page; 1: A3; 2: A4, two generations a page.
void BM_BookPapers(benchmark::State& state) {
  BookOptions options{.madeOn = "2026年12月7日"};
  if (state.range(1) == 1) options.paper = BookPaper::kA3;
  if (state.range(1) == 2) options.generationsPerPage = 2;
  runBook(state, options);
}

void BM_BookLayout(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  enterClan(clan);
  FamilyTree tree;
  if (!tree.load()) state.SkipWithError("the clan does not load");
  int pages = 0;
  for (auto _ : state) {
    BookLayout layout;
    if (!layout.plan(tree, {.madeOn = "2026年12月7日"})) state.SkipWithError("no plan");
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
BENCHMARK(BM_BookPapers)
    ->Args({kLargeClan, 1})
    ->Args({kLargeClan, 2})
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
