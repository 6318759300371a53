// GEDCOM import at 10^3, 10^4 and 10^5 persons, beside the load of the same clan's home.txt:
// the clan is loaded, exported as GEDCOM 5.5.1 into its directory (clan.ged), and each
// iteration reads that file and builds the genealogy text from it, as quillet-import does
// before it writes. BM_ImportLoad measures the load of the same home.txt in the same binary, so
// that the two figures come from one run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "bench/clan_fixture.h"
#include "core/family_tree.h"
#include "reports/gedcom_export.h"
#include "reports/gedcom_import.h"

namespace quillet::bench {
namespace {

std::string readWhole(const std::string& name) {
  std::ifstream in(name, std::ios::binary | std::ios::ate);
  std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

// The clan's GEDCOM file, written at the first call for each size.
const std::string& gedcomOf(const Clan& clan) {
  static std::string made[3];
  std::string& path = made[clan.size == kSmallClan ? 0 : clan.size == kMiddleClan ? 1 : 2];
  if (path.empty()) {
    enterClan(clan);
    FamilyTree tree;
    std::string text;
    if (!tree.load() || !writeGedcom(tree, GedcomVersion::kV551, text)) return path;
    path = clan.directory + "/clan.ged";
    std::ofstream(path, std::ios::binary) << text;
  }
  return path;
}

void BM_ImportGedcom(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  const std::string& path = gedcomOf(clan);
  GedcomImport result;
  for (auto _ : state) {
    if (!importGedcom(readWhole(path), {}, result)) state.SkipWithError("import failed");
  }
  if (result.homeText.size() + result.persons != clan.genealogy.fileBytes.size()) {
    state.SkipWithError("the import is not the clan's home.txt");  // '\n' for each CR LF
  }
  perPerson(state, clan.size);
}

void BM_ImportLoad(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  enterClan(clan);
  FamilyTree tree;
  for (auto _ : state) {
    if (!tree.load()) state.SkipWithError("load failed");
  }
  perPerson(state, clan.size);
}

#define QUILLET_SIZES Arg(kSmallClan)->Arg(kMiddleClan)->Arg(kLargeClan)
#define QUILLET_MEDIAN Repetitions(5)->ReportAggregatesOnly(true)
BENCHMARK(BM_ImportGedcom)->QUILLET_SIZES->QUILLET_MEDIAN->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportLoad)->QUILLET_SIZES->QUILLET_MEDIAN->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillet::bench

BENCHMARK_MAIN();
