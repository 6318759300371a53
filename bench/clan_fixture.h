// The generated clans the benchmarks run on: 10^3, 10^4, 10^5 and 10^6 persons, each written as
// home.txt into its own directory under one temporary root made at first use and removed at
// exit. Each clan is checked once before use: loading it and saving it again must give the
// same bytes, else the process ends with a message (a benchmark of a misread file measures
// nothing).
//
// Single-threaded. Benchmarks that read or write home.txt enter the clan's directory first: the
// store and the window find their files in the working directory.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "core/person.h"
#include "tools/genealogy_generator/genealogy_generator.h"

namespace quillet::bench {

// Sizes the benchmarks are registered for.
inline constexpr std::int64_t kSmallClan = 1000;
inline constexpr std::int64_t kMiddleClan = 10000;
inline constexpr std::int64_t kLargeClan = 100000;
inline constexpr std::int64_t kHugeClan = 1000000;

// Registers a benchmark at every clan size: ->Apply(everyClanSize).
inline void everyClanSize(benchmark::internal::Benchmark* benchmark) {
  for (const std::int64_t size : {kSmallClan, kMiddleClan, kLargeClan, kHugeClan}) {
    benchmark->Arg(size);
  }
}

// Counters of a benchmark over `persons` persons: the count, and the time per person.
inline void perPerson(benchmark::State& state, std::int32_t persons) {
  state.counters["persons"] = persons;
  state.counters["per_person"] = benchmark::Counter(
      persons, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

struct Clan {
  std::int32_t size = 0;
  std::string directory;  // absolute; holds home.txt
  std::string fileName;   // directory + "/home.txt"
  tools::GeneratedGenealogy genealogy;
};

// The clan of `size` persons, made and checked at the first call.
const Clan& clanOf(std::int64_t size);

// Makes `clan.directory` the working directory (ends the process when it cannot).
void enterClan(const Clan& clan);

// A fresh empty directory under the temporary root, removed with it at exit.
std::string scratchDirectory(const std::string& name);

NameKey nameKeyOf(const std::string& name);

}  // namespace quillet::bench
