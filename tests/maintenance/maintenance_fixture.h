// The writers' fixture: a catalogue in a scratch directory, whole files read and written by path.
#pragma once

#include <gtest/gtest.h>

#include "module/module_state.h"
#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "support/catalogue_files.h"
#include "support/message_text.h"

namespace zvtest {

namespace fault = plat::fault;
constexpr uint32_t kUntouched = 0xDEADBEEF;  // a last error code no call sets

// n bytes that differ from their neighbours and from another seed's.
inline std::string Pattern(size_t n, unsigned seed = 7) {
  std::string b(n, '\0');
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<char>((i * seed + i / 251) & 0xFF);
  return b;
}

class MaintenanceTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    zv::SetLastErrorCode(kUntouched);
  }
  static std::string Read(const std::string& path) { return FileBytes(path); }
  // Both list files and the named files of the scratch directory, in one text.
  std::string Snapshot(const std::vector<std::string>& names) const {
    std::string all = Read(FormListPath()) + "|" + Read(GroupListPath());
    for (const std::string& name : names) all += "|" + Read(Path(name));
    return all;
  }
  // Writes the file, or removes it for kMissing.
  static void Write(const std::string& path, const std::string& b) {
    RemoveFile(path);
    ASSERT_TRUE(b == kMissing || WriteWholeFile(path, b)) << path;
  }
};

}  // namespace zvtest
