// GEDCOM import at 10^3, 10^4 and 10^5 persons, beside the load of the same clan's home.txt:
// the clan is loaded, exported as GEDCOM 5.5.1 into its directory (clan.ged), and each
// iteration reads that file and builds the genealogy text from it, as quillet-import does
// before it writes. BM_ImportRepaired reads the same file with a fault to repair every hundredth
// line (a NOTE whose next line has no level number), which must cost time linear in its size
// too. BM_ImportLoad measures the load of the same home.txt in the same binary, so
// that the two figures come from one run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "bench/clan_fixture.h"
#include "core/family_tree.h"
#include "gedcom/gedcom_export.h"
#include "gedcom/gedcom_import.h"

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
    if (!importGedcom(readWhole(path), {}, result).ok()) state.SkipWithError("import failed");
  }
  if (result.homeText.size() + result.persons != clan.genealogy.fileBytes.size()) {
    state.SkipWithError("the import is not the clan's home.txt");  // '\n' for each CR LF
  }
  perPerson(state, clan.size);
}

// The clan's GEDCOM text with, after every hundredth line, a NOTE one level below it and a line
// without a level number that continues it: one repair each, counted in `repairs`.
std::string withRepairs(const std::string& text, std::size_t& repairs) {
  std::string out;
  out.reserve(text.size() + text.size() / 40);
  std::size_t lines = 0;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
    std::string_view line(text.data() + at, end - at);
    out += line;
    if (++lines % 100 == 0 && line[0] != '0') {
      const int level = std::min(98, std::atoi(line.data()) + 1);
      out += std::to_string(level) + " NOTE page " + std::to_string(lines) + ",\ncontinued\n";
      ++repairs;
    }
    at = end;
  }
  return out;
}

void BM_ImportRepaired(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  std::size_t repairs = 0;
  const std::string text = withRepairs(readWhole(gedcomOf(clan)), repairs);
  GedcomImport result;
  for (auto _ : state) {
    if (!importGedcom(text, {}, result).ok()) state.SkipWithError("import failed");
  }
  const auto made = std::count_if(result.losses.begin(), result.losses.end(),
                                  [](const ImportLoss& loss) { return loss.xref.empty(); });
  if (static_cast<std::size_t>(made) != repairs) state.SkipWithError("not every repair made");
  state.counters["repairs"] = static_cast<double>(repairs);
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
BENCHMARK(BM_ImportRepaired)->QUILLET_SIZES->QUILLET_MEDIAN->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportLoad)->QUILLET_SIZES->QUILLET_MEDIAN->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillet::bench

BENCHMARK_MAIN();
