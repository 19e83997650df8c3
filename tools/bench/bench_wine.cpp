// The benchmark of the Windows build, run under Wine, where no benchmark
// library is at hand: the same operations and floors on the same catalogue
// sizes, each timed over a fixed minimum time, printed as the report's
// tab-separated lines. Usage: zv_bench.exe [minimum seconds per figure]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_operations.h"
#include "bench_setup.h"

int main(int argc, char** argv) {
  const double minSeconds = argc > 1 ? std::atof(argv[1]) : 0.05;
  const std::vector<std::unique_ptr<zvbench::Catalogue>> catalogues = zvbench::BuildCatalogues("");
  if (catalogues.empty()) return 1;
  std::printf("%s\n", zvbench::ReportHeader().c_str());
  for (const auto& cat : catalogues) {
    zvbench::UseCatalogue(*cat);
    for (const zvbench::Operation& op : zvbench::Operations()) {
      if (!op.applies(*cat)) continue;
      const zvbench::CallCounts counts = zvbench::CountOneCall(op, *cat);
      const double us = zvbench::TimePerCall(
          [&] { op.run(*cat); },
          zvbench::ChangesFiles(op, *cat) ? [&] { zvbench::Restore(op, *cat); } : std::function<void()>(),
          minSeconds);
      const std::vector<zvbench::FileRead> reads = op.mustRead(*cat);
      std::vector<char> buffer;
      const double floorUs =
          zvbench::TimePerCall([&] { zvbench::ReadFloor(reads, buffer); }, nullptr, minSeconds);
      std::printf("wine\t%s\t%u\t%.3f\t%.3f\t%llu\t%llu\t%llu\t%u\t%u\t%llu\n", op.name, cat->forms, us,
                  floorUs, static_cast<unsigned long long>(zvbench::MustReadBytes(op, *cat)),
                  static_cast<unsigned long long>(counts.bytesRead),
                  static_cast<unsigned long long>(counts.bytesWritten), counts.fileCalls, counts.profileCalls,
                  static_cast<unsigned long long>(counts.memory));
      std::fflush(stdout);
    }
  }
  for (const auto& cat : catalogues) zvbench::RemoveCatalogue(*cat);
  return 0;
}
