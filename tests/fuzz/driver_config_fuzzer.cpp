// Fuzzes the driver configuration file: the input is ZVL3.INI in the system
// directory or, when its first byte is odd, ZVL3DRV.DAT beside the module.
// The ranges read from it keep to their clamping whatever it holds, the group
// file prefix stays a short "_" name, and nothing is written.
#include <cstdint>
#include <cstring>
#include <string>

#include "catalogue/catalogue_config.h"
#include "driverapi/overlay_lookup.h"
#include "scratch_catalogue.h"
#include "zvlmn30e.h"

using namespace zvfuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetUpScratchCatalogue();
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string systemFile = "C:\\WINDOWS\\SYSTEM\\ZVL3.INI", moduleFile = "C:\\DRIVERS\\ZVL3DRV.DAT";
  RemoveFile(systemFile);
  RemoveFile(moduleFile);
  const std::string& path = !input.empty() && (input[0] & 1) ? moduleFile : systemFile;
  WriteWholeFile(path, input);

  uint32_t lowest = 0, highest = 0;
  char prefix[zv::kGroupFilePrefixSize];
  std::memset(prefix, 'x', sizeof prefix);
  // The clamping, in its order: a lowest above the highest allowed makes a
  // range of that one number; the range never holds more than the limit.
  zv::GetFormIdRange(&lowest, &highest, prefix);
  ZV_FUZZ_CHECK(lowest >= 1 && lowest <= highest && (highest <= 4096 || highest == lowest));
  ZV_FUZZ_CHECK(highest - lowest < 4096 && Fits(prefix, sizeof prefix) && prefix[0] == '_');
  zv::GetFormIdRange(&lowest, &highest, nullptr);
  ZV_FUZZ_CHECK(lowest >= 1 && lowest <= highest && highest - lowest < 4096);
  zv::GetOverlayNumberRange(&lowest, &highest);
  ZV_FUZZ_CHECK(lowest <= highest && (highest <= 255 || highest == lowest) && highest - lowest < 256);
  const int32_t service = ZVDriverFormService();
  ZV_FUZZ_CHECK(service == 0 || service == 1);

  // Group info file names are built on the prefix.
  char groupInfo[261];
  for (int32_t id : {1, 26, 4096}) {
    if (!zv::MakeGroupInfoFileName(id, "C:\\CAT", groupInfo)) continue;
    const size_t length = strnlen(groupInfo, sizeof groupInfo);
    ZV_FUZZ_CHECK(length < sizeof groupInfo && length >= 4 && std::strcmp(groupInfo + length - 4, ".FGP") == 0);
  }
  ZV_FUZZ_CHECK(ReadFileState(path) == (FileState{true, input}));
  return 0;
}
