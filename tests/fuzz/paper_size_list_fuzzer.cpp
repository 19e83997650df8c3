// Fuzzes the paper tables a printer driver gives: the input drives the
// answers of a small driver module (fuzz_driver_module.cpp, where the input
// layout is described), loaded dynamically as the module loads any driver.
// The paper size list built from them must hold 1 to 100 well-formed
// entries, only papers the driver offered (or the default A4 alone when it
// offered none), each code of a later model once; the capability and help
// questions must give counts and texts that fit.
#include <dlfcn.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "catalogue/byte_order.h"
#include "driverlink/driver_entry_points.h"
#include "driverlink/paper_size_list.h"
#include "platform/platform.h"
#include "platform/posix/posix_config.h"
#include "scratch_catalogue.h"

namespace {

using namespace zvfuzz;

struct Log {
  bool failed;
  bool spoiled;
  bool selectSecond;
  uint32_t offered;
  uint16_t firstModelCodes[65536];
  bool anyModelCodes[65536];
  uint32_t filledBlocks;
};

using SetInput = void (*)(const unsigned char*, size_t);
using GetLog = const void* (*)();

struct Driver {
  std::string path;  // Windows path
  SetInput setInput;
  GetLog log;
};

// Loads the driver module once and keeps it loaded; the module under test
// reaches it through drive D:.
const Driver& TheDriver() {
  static Driver driver = [] {
    SetUpScratchCatalogue();
    const std::string host = ZV_FUZZ_DRIVER_MODULE;
    const size_t slash = host.rfind('/');
    plat::posix::MapDrive('D', host.substr(0, slash).c_str());
    void* module = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) Fail("the fuzz driver module loads", __FILE__, __LINE__);
    Driver d{"D:\\" + host.substr(slash + 1),
             reinterpret_cast<SetInput>(dlsym(module, "ZVFuzzDriverSetInput")),
             reinterpret_cast<GetLog>(dlsym(module, "ZVFuzzDriverLog"))};
    if (!d.setInput || !d.log) Fail("the fuzz driver module has its entry points", __FILE__, __LINE__);
    return d;
  }();
  return driver;
}

void CheckPaperList(const Driver& driver, const uint8_t* data, size_t size) {
  driver.setInput(data, size);
  const Log& log = *static_cast<const Log*>(driver.log());
  const uint32_t selector = log.selectSecond ? 2 : 1;
  uint16_t count = 0xABCD;
  plat::MemoryHandle list = zv::BuildPaperSizeList("FUZZ", driver.path.c_str(), selector, &count);
  if (!list) {
    ZV_FUZZ_CHECK(count == 0);
    return;
  }
  ZV_FUZZ_CHECK(count >= 1 && count <= zv::kMaxPaperEntries);
  ZV_FUZZ_CHECK(plat::MemorySize(list) == count * sizeof(zv::PaperEntry));
  const auto* papers = static_cast<const zv::PaperEntry*>(plat::LockMemory(list));
  for (uint16_t i = 0; i < count; ++i) {
    ZV_FUZZ_CHECK(papers[i].flag == 1);
    ZV_FUZZ_CHECK(strnlen(papers[i].name, zv::kPaperNameSize) < zv::kPaperNameSize);
  }
  if (log.offered == 0) {
    ZV_FUZZ_CHECK(count == 1 && papers[0].code == zv::kDefaultPaperCode && papers[0].width == 2100 &&
                  std::strcmp(papers[0].name, zv::kDefaultPaperName) == 0);
  } else if (!log.spoiled) {
    ZV_FUZZ_CHECK(count <= log.offered);
    for (uint16_t i = 0; i < count; ++i) {
      ZV_FUZZ_CHECK(log.anyModelCodes[papers[i].code]);
      // A code is listed as often as the first model offers it, or once.
      uint32_t times = 0;
      for (uint16_t k = 0; k < count; ++k) times += papers[k].code == papers[i].code ? 1 : 0;
      const uint32_t first = log.firstModelCodes[papers[i].code];
      ZV_FUZZ_CHECK(times <= (first > 0 ? first : 1));
    }
  }
  plat::UnlockMemory(list);
  plat::FreeMemory(list);
}

void CheckCapabilities(const Driver& driver, const uint8_t* data, size_t size) {
  driver.setInput(data, size);
  int16_t models = -5;
  int16_t capabilities = -5;
  plat::MemoryHandle block = zv::QueryDriverCapabilities("FUZZ", driver.path.c_str(), &models, &capabilities);
  ZV_FUZZ_CHECK(models >= 0 && capabilities >= 0);
  if (!block) {
    ZV_FUZZ_CHECK(models == 0 && capabilities == 0);
    return;
  }
  ZV_FUZZ_CHECK(plat::MemorySize(block) >=
                2u * (static_cast<uint32_t>(models) + static_cast<uint32_t>(capabilities)));
  plat::FreeMemory(block);
}

void CheckHelpFile(const Driver& driver, const uint8_t* data, size_t size) {
  // The help call reads its bytes from the front of the input.
  driver.setInput(data, size);
  char buffer[plat::kPathBuffer];
  ZV_FUZZ_CHECK(zv::QueryHelpFile("FUZZ", driver.path.c_str(), 0, buffer));
  ZV_FUZZ_CHECK(strnlen(buffer, sizeof buffer) < sizeof buffer);
  ZV_FUZZ_CHECK(!zv::QueryHelpFile("FUZZ", "D:\\NO SUCH DRIVER.SO", 0, buffer) && buffer[0] == '\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Driver& driver = TheDriver();
  CheckPaperList(driver, data, size);
  CheckCapabilities(driver, data, size);
  CheckHelpFile(driver, data, size);
  return 0;
}
