// What one fuzz execution's setup costs over the memory backend: Reset, one
// file put by path, then opened, read whole and closed through the platform
// layer, for files of a list header's size, of a page and of 64 KiB. Usage:
//   zv_bench_memory [Google Benchmark options]
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/memory/memory_config.h"
#include "platform/platform.h"

namespace {

constexpr char kPath[] = "C:\\CAT\\ZVLMN3.FLT";

void ResetPutOpenReadClose(benchmark::State& state) {
  const std::string bytes(static_cast<size_t>(state.range(0)), 'x');
  std::vector<char> buffer(bytes.size() + 1);
  for (auto _ : state) {
    plat::memory::Reset();
    uint32_t done = 0;
    plat::FileHandle file =
        plat::memory::PutFile(kPath, bytes)
            ? plat::OpenFile(kPath, plat::kAccessRead, plat::kShareRead, plat::kOpenExisting)
            : nullptr;
    const bool read =
        file && plat::ReadFile(file, buffer.data(), static_cast<uint32_t>(buffer.size()), &done);
    if (!file || !plat::CloseFile(file) || !read || done != bytes.size()) {
      state.SkipWithError("the file did not read back");
      break;
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(ResetPutOpenReadClose)->Arg(35)->Arg(4096)->Arg(65536);

}  // namespace

BENCHMARK_MAIN();
