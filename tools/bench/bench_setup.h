// Where the benchmark's catalogues live, in either build: natively a drive
// C: under a host directory given on the command line, under Wine the
// prefix's own drive C: and system directory.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "bench_catalogue.h"

namespace zvbench {

// Builds one catalogue per size (natively under hostDir, ignored under
// Wine). Empty when a directory cannot be made.
std::vector<std::unique_ptr<Catalogue>> BuildCatalogues(const std::string& hostDir);

// One result line of the report: tab-separated backend, operation, forms,
// microseconds per call, floor microseconds, bytes the call must read,
// bytes read, bytes written, file calls, profile calls, memory taken.
std::string ReportHeader();

}  // namespace zvbench
