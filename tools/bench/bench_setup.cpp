#include "bench_setup.h"

#ifndef _WIN32
#include "platform/posix/posix_config.h"
#endif

#include "bench_operations.h"
#include "platform/platform.h"

namespace zvbench {

std::vector<std::unique_ptr<Catalogue>> BuildCatalogues(const std::string& hostDir) {
#ifndef _WIN32
  plat::posix::SetDataDirectory(hostDir.c_str());
#else
  (void)hostDir;
#endif
  char system[plat::kPathBuffer] = "";
  plat::GetSystemDirectoryPath(system, sizeof system);
  std::string systemDir = system;
  if (systemDir.empty()) return {};
  if (systemDir.back() != '\\') systemDir += '\\';
  const std::string root = "C:\\ZVBENCH\\";
  plat::MakeDirectory(root.c_str());
  std::vector<std::unique_ptr<Catalogue>> catalogues;
  for (uint32_t forms : CatalogueSizes()) {
    const std::string dir = root + "F" + std::to_string(forms) + "\\";
    catalogues.push_back(std::make_unique<Catalogue>(BuildCatalogue(forms, systemDir, dir)));
  }
  return catalogues;
}

std::string ReportHeader() {
  return "backend\toperation\tforms\tus\tfloor_us\tmust_read\tbytes_read\tbytes_written\tfile_calls\t"
         "profile_calls\tmemory";
}

}  // namespace zvbench
