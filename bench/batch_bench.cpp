// A whole quillet-batch start on the generated clans, as a subprocess in the clan's directory
// with "key esc" on its standard input: process start, both loads of home.txt, the tree-view
// fill, the welcome text, the Esc that ends the window. Beside it, one plain read of the same
// file's bytes, the floor a start cannot go below.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "bench/clan_fixture.h"

namespace quillet::bench {
namespace {

// Runs quillet-batch in `directory` with `input` on its standard input; true when it exits 0
// and prints `expected`. Adds the processor time the process took (user and system) to
// `cpuSeconds`.
bool runBatch(const std::string& directory, const std::string& input, const std::string& expected,
              double& cpuSeconds) {
  int in[2];
  int out[2];
  if (pipe(in) != 0) return false;
  if (pipe(out) != 0) {
    close(in[0]);
    close(in[1]);
    return false;
  }
  const pid_t child = fork();
  if (child == 0) {
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    close(in[0]);
    close(in[1]);
    close(out[0]);
    close(out[1]);
    if (chdir(directory.c_str()) != 0) _exit(126);
    execl(QUILLET_BATCH_PATH, "quillet-batch", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  bool ok =
      child > 0 && write(in[1], input.data(), input.size()) == static_cast<ssize_t>(input.size());
  close(in[1]);
  std::string printed;
  char buffer[4096];
  for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;) {
    printed.append(buffer, static_cast<std::size_t>(got));
  }
  close(out[0]);
  int status = 0;
  struct rusage usage {};
  if (child > 0 && wait4(child, &status, 0, &usage) != child) ok = false;
  for (const timeval& time : {usage.ru_utime, usage.ru_stime}) {
    cpuSeconds += static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
  }
  return ok && WIFEXITED(status) && WEXITSTATUS(status) == 0 && printed == expected;
}

void BM_BatchStart(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  double cpuSeconds = 0;
  for (auto _ : state) {
    if (!runBatch(clan.directory, "key esc\n", "end: cancel\n", cpuSeconds)) {
      state.SkipWithError("quillet-batch did not start and end as expected");
      break;
    }
  }
  // The process's own processor time: on a busy machine its real time also holds the waits for
  // a free core.
  state.counters["process_cpu_ms"] =
      benchmark::Counter(cpuSeconds * 1000, benchmark::Counter::kAvgIterations);
}

void BM_PlainRead(benchmark::State& state) {
  const Clan& clan = clanOf(state.range(0));
  std::vector<char> buffer(clan.genealogy.fileBytes.size() + 1);
  for (auto _ : state) {
    const int fd = open(clan.fileName.c_str(), O_RDONLY);
    std::size_t total = 0;
    for (ssize_t got;
         fd >= 0 && (got = read(fd, buffer.data() + total, buffer.size() - total)) > 0;) {
      total += static_cast<std::size_t>(got);
    }
    if (fd >= 0) close(fd);
    if (total != clan.genealogy.fileBytes.size()) state.SkipWithError("short read");
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(clan.genealogy.fileBytes.size()));
}

BENCHMARK(BM_BatchStart)->Apply(everyClanSize)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainRead)->Apply(everyClanSize)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quillet::bench

BENCHMARK_MAIN();
