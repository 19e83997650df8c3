// The benchmark of the Linux build: every operation and its floor on each
// catalogue size as Google Benchmark benchmarks, the platform counters of
// one call as the benchmark's counters. Usage:
//   zv_bench_native <host data directory> [Google Benchmark options]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_operations.h"
#include "bench_setup.h"

namespace {

using zvbench::Catalogue;
using zvbench::Operation;

void RunOperation(benchmark::State& state, const Operation* op, const Catalogue* cat) {
  zvbench::UseCatalogue(*cat);
  const zvbench::CallCounts counts = zvbench::CountOneCall(*op, *cat);
  const bool changes = zvbench::ChangesFiles(*op, *cat);
  for (auto _ : state) {
    op->run(*cat);
    if (changes) {
      state.PauseTiming();
      zvbench::Restore(*op, *cat);
      state.ResumeTiming();
    }
  }
  state.counters["forms"] = cat->forms;
  state.counters["must_read"] = static_cast<double>(zvbench::MustReadBytes(*op, *cat));
  state.counters["bytes_read"] = static_cast<double>(counts.bytesRead);
  state.counters["bytes_written"] = static_cast<double>(counts.bytesWritten);
  state.counters["file_calls"] = counts.fileCalls;
  state.counters["profile_calls"] = counts.profileCalls;
  state.counters["memory"] = static_cast<double>(counts.memory);
}

void RunFloor(benchmark::State& state, const Operation* op, const Catalogue* cat) {
  const std::vector<zvbench::FileRead> reads = op->mustRead(*cat);
  std::vector<char> buffer;
  for (auto _ : state) {
    if (!zvbench::ReadFloor(reads, buffer)) {
      state.SkipWithError("floor read failed");
      break;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <host data directory> [benchmark options]\n", argv[0]);
    return 2;
  }
  const std::vector<std::unique_ptr<Catalogue>> catalogues = zvbench::BuildCatalogues(argv[1]);
  if (catalogues.empty()) return 1;
  for (const auto& cat : catalogues) {
    for (const Operation& op : zvbench::Operations()) {
      if (!op.applies(*cat)) continue;
      const std::string name = std::string(op.name) + "|" + std::to_string(cat->forms);
      benchmark::RegisterBenchmark(("op|" + name).c_str(), RunOperation, &op, cat.get())
          ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark(("floor|" + name).c_str(), RunFloor, &op, cat.get())
          ->Unit(benchmark::kMicrosecond);
    }
  }
  argv[1] = argv[0];
  int count = argc - 1;
  benchmark::Initialize(&count, argv + 1);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const auto& cat : catalogues) zvbench::RemoveCatalogue(*cat);
  return 0;
}
