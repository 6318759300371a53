// The genealogy store at 10^3, 10^4 and 10^5 persons: load, the search by name (a hit near the
// root, a hit deep in the tree, a miss), the three listings, the kinship of far cousins, save,
// and the memory a loaded tree holds. And load of files no save writes, at 10^4, 10^5 and 10^6
// bytes: a root followed by siblings that all share one name, a record linked two ways followed
// by records that replace a sibling link, a line of 100,000 generations, and nothing but '!'
// bytes.
//
// Per-person figures are counters: "per_person" is time per person (load, save, listings),
// "bytes_per_person" the heap a loaded tree holds for each person.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "bench/clan_fixture.h"
#include "core/family_tree.h"
#include "kinship/kinship.h"
#include "tests/support/genealogy_text.h"

namespace quillet::bench {
namespace {

// A tree loaded from the clan of the benchmark's size.
struct LoadedClan {
  explicit LoadedClan(const benchmark::State& state) : clan(clanOf(state.range(0))) {
    enterClan(clan);
    if (!tree.load()) ok = false;
  }
  const Clan& clan;
  FamilyTree tree;
  bool ok = true;
};

// A load that reads the file: the tree is emptied first, so that it cannot be kept as read.
void BM_Load(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  enterClan(clan);
  FamilyTree tree;
  for (auto _ : state) {
    tree.releaseAll();
    if (!tree.load()) state.SkipWithError("load failed");
  }
  if (tree.personCount() != clan.size) state.SkipWithError("load read a different clan");
  perPerson(state, clan.size);
}

// The second of two loads of an unchanged file, as at start-up: the tree read by the first is
// kept.
void BM_LoadAgain(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  enterClan(clan);
  FamilyTree tree;
  if (!tree.load()) state.SkipWithError("load failed");
  for (auto _ : state) {
    if (!tree.load()) state.SkipWithError("load failed");
  }
  if (tree.personCount() != clan.size) state.SkipWithError("load read a different clan");
}

// Heap held by a loaded tree (records, their texts, the index), from malloc's own figures
// before and after one load into a fresh tree.
void BM_LoadMemory(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  enterClan(clan);
  double bytes = 0;
  for (auto _ : state) {
    malloc_trim(0);
    const struct mallinfo2 before = mallinfo2();
    {
      FamilyTree tree;
      if (!tree.load()) state.SkipWithError("load failed");
      const struct mallinfo2 after = mallinfo2();
      bytes =
          static_cast<double>((after.uordblks + after.hblkhd) - (before.uordblks + before.hblkhd));
    }
  }
  state.counters["bytes_per_person"] = bytes / clan.size;
}

void searchFor(benchmark::State& state, const std::string& name, bool expectFound) {
  LoadedClan loaded(state);
  const NameKey key = nameKeyOf(name);
  Person* found = nullptr;
  for (auto _ : state) {
    const bool hit = loaded.tree.findByName(found, key);
    benchmark::DoNotOptimize(found);
    if (hit != expectFound) state.SkipWithError("unexpected search result");
  }
}

// The root is the last person the post-order walk compares.
void BM_FindByNameRoot(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  searchFor(state, clan.genealogy.fileBytes.substr(1, 6), true);
}

// The last clan member of the file, in the deepest generation.
void BM_FindByNameDeep(benchmark::State& state) {
  searchFor(state, clanOf(state.range(0)).genealogy.lastMember, true);
}

void BM_FindByNameMiss(benchmark::State& state) {
  searchFor(state, "ABCDEF", false);  // no generated key is ASCII
}

// The walk that defines the search's answer, for comparison with the index.
void BM_FindByNameByWalkRoot(benchmark::State& state) {
  LoadedClan loaded(state);
  const NameKey key = nameKeyOf(loaded.clan.genealogy.fileBytes.substr(1, 6));
  Person* found = nullptr;
  for (auto _ : state) {
    if (!loaded.tree.findByNameByWalk(found, key)) state.SkipWithError("root not found");
    benchmark::DoNotOptimize(found);
  }
  perPerson(state, loaded.clan.size);
}

template <typename List>
void listing(benchmark::State& state, List list) {
  LoadedClan loaded(state);
  std::vector<Person*> persons;
  persons.reserve(static_cast<std::size_t>(loaded.clan.size));
  for (auto _ : state) {
    if (!list(loaded.tree, persons) || persons.empty()) state.SkipWithError("empty listing");
    benchmark::DoNotOptimize(persons.data());
  }
  perPerson(state, loaded.clan.size);
}

void BM_ListBySex(benchmark::State& state) {
  listing(state,
          [](FamilyTree& tree, std::vector<Person*>& out) { return tree.listBySex('f', out); });
}

void BM_ListByGeneration(benchmark::State& state) {
  listing(state, [](FamilyTree& tree, std::vector<Person*>& out) {
    return tree.listByGeneration('8', out);
  });
}

void BM_ListByAlive(benchmark::State& state) {
  listing(state,
          [](FamilyTree& tree, std::vector<Person*>& out) { return tree.listByAlive('y', out); });
}

// Two members of the deepest generation whose lines meet only at the root.
void BM_KinshipFarCousins(benchmark::State& state) {
  LoadedClan loaded(state);
  Person* a = nullptr;
  Person* b = nullptr;
  if (!loaded.tree.findByName(a, nameKeyOf(loaded.clan.genealogy.distantCousinA)) ||
      !loaded.tree.findByName(b, nameKeyOf(loaded.clan.genealogy.distantCousinB))) {
    state.SkipWithError("cousins not found");
    return;
  }
  std::string text;
  for (auto _ : state) {
    text.clear();
    describeKinship(*a, *b, text);
    benchmark::DoNotOptimize(text.data());
  }
  if (text.find("的堂") == std::string::npos) state.SkipWithError("not worded as cousins");
}

void BM_Save(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  const std::string directory = scratchDirectory("save-" + std::to_string(clan.size));
  enterClan(clan);
  FamilyTree tree;
  if (!tree.load()) state.SkipWithError("load failed");
  // The tree keeps its file name relative to the working directory: save into the scratch one.
  if (chdir(directory.c_str()) != 0) state.SkipWithError("cannot enter the save directory");
  for (auto _ : state) {
    if (!tree.save()) state.SkipWithError("save failed");
  }
  perPerson(state, clan.size);
}

// What save cannot go below: writing the same bytes to a new file of the same directory and
// syncing them to disk.
void BM_WriteAndSync(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  const std::string directory = scratchDirectory("write-" + std::to_string(clan.size));
  const std::string& bytes = clan.genealogy.fileBytes;
  const std::string path = directory + "/copy.txt";
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::size_t done = 0;
    while (fd >= 0 && done < bytes.size()) {
      const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
      if (put <= 0) break;
      done += static_cast<std::size_t>(put);
    }
    if (fd < 0 || done != bytes.size() || fsync(fd) != 0 || close(fd) != 0) {
      state.SkipWithError("cannot write the copy");
      break;
    }
    state.PauseTiming();
    unlink(path.c_str());
    state.ResumeTiming();
  }
  perPerson(state, clan.size);
}

// Loads the `bytes` of a file that no save writes, as home.txt of a scratch directory.
void loadOddFile(benchmark::State& state, const std::string& name, const std::string& bytes) {
  const std::string directory = scratchDirectory(name + "-" + std::to_string(bytes.size()));
  if (chdir(directory.c_str()) != 0) state.SkipWithError("cannot enter the scratch directory");
  FILE* file = std::fopen("home.txt", "wb");
  if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
      std::fclose(file) != 0) {
    state.SkipWithError("cannot write home.txt");
  }
  FamilyTree tree;
  for (auto _ : state) {
    if (!tree.load()) state.SkipWithError("load failed");
  }
  state.counters["persons"] = tree.personCount();
  state.counters["per_kB"] = benchmark::Counter(
      static_cast<double>(bytes.size()) / 1000,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// A root and then siblings, every one named 贾同名, each naming the name as his older sibling:
// the reader meets more and more reachable records of one name.
void BM_LoadSharedName(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  auto field = [](std::string_view name) {
    return std::string(name) + std::string(6 - name.size(), ' ');
  };
  std::string bytes = "!" + field("贾始祖") + "0" + field("0") + "17000101m" + field("0") + "0n" +
                      field("0") + "y0        \r\n";
  const std::string sibling = "!" + field("贾同名") + "1" + field("贾始祖") + "17200101m" +
                              field("贾同名") + "1n" + field("0") + "y0        \r\n";
  while (bytes.size() + sibling.size() <= size) bytes += sibling;
  loadOddFile(state, "shared-name", bytes);
}

// A record named as one man's first child and another's younger sibling, then as many children
// chained after it as records that take the other's younger sibling's place, one after another:
// a file that once took time quadratic in its size.
void BM_LoadTwoWayLinked(benchmark::State& state) {
  const long records = state.range(0) / 49 - 4;
  loadOddFile(state, "two-way", testing::twoWayLinkedFile(records / 2, records - records / 2));
}

// A line of fathers and only sons as long as the file allows: every man stands one level deeper.
void BM_LoadDeepLine(benchmark::State& state) {
  loadOddFile(state, "deep-line", testing::chainFile(state.range(0) / 49));
}

// Nothing but '!': each marker starts a record whose fields are more markers, all of one name.
void BM_LoadMarkers(benchmark::State& state) {
  loadOddFile(state, "markers", std::string(static_cast<std::size_t>(state.range(0)), '!'));
}

#define QUILLET_SIZES Apply(everyClanSize)
// The figures the scale goals are judged by: the median of five runs, the machine being shared.
#define QUILLET_MEDIAN Repetitions(5)->ReportAggregatesOnly(true)
BENCHMARK(BM_Load)->QUILLET_SIZES->QUILLET_MEDIAN->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadAgain)->QUILLET_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadMemory)->QUILLET_SIZES->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindByNameRoot)->QUILLET_SIZES->QUILLET_MEDIAN;
BENCHMARK(BM_FindByNameDeep)->QUILLET_SIZES->QUILLET_MEDIAN;
BENCHMARK(BM_FindByNameMiss)->QUILLET_SIZES->QUILLET_MEDIAN;
BENCHMARK(BM_FindByNameByWalkRoot)->QUILLET_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListBySex)->QUILLET_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListByGeneration)->QUILLET_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListByAlive)->QUILLET_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KinshipFarCousins)->QUILLET_SIZES;
BENCHMARK(BM_Save)->QUILLET_SIZES->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteAndSync)->QUILLET_SIZES->UseRealTime()->Unit(benchmark::kMillisecond);
#define QUILLET_BYTES Arg(10'000)->Arg(100'000)->Arg(1'000'000)
BENCHMARK(BM_LoadSharedName)->QUILLET_BYTES->QUILLET_MEDIAN->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadTwoWayLinked)->QUILLET_BYTES->Arg(4'000'000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadDeepLine)->QUILLET_BYTES->Arg(4'900'000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadMarkers)->QUILLET_BYTES->QUILLET_MEDIAN->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quillet::bench

BENCHMARK_MAIN();
