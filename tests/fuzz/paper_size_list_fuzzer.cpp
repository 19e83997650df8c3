// Fuzzes the paper tables a printer driver gives. With ZV_FUZZ_DRIVER_SIDE
// this builds a driver module whose entry points answer from the input; else
// the target, which loads it as drivers are loaded and checks the paper size
// list (1 to 100 well-formed entries, only papers offered, or the default A4
// alone; a later model's code once) and that the capability and help answers
// fit. The input, read in call order (0 past its end): flags (1 the count
// call fails, 2 the list call, 4 pointers may be spoilt, 8 the second tables
// are asked for); i8 model and capability counts; a u16 per model id and per
// capability word; per block a byte (1 the size call fails, 2 the fill) and
// ten i16 sizes (over 64 KiB only for the first model), then per entry of
// both tables ten value bytes and a name length and name (cut to its area,
// unterminated), and with flag 4 a byte (1 spoil p1, 2 p6, 4 the names) and
// a u32 per spoilt pointer; last the help text's length and bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

// What the driver offered in the selected tables of the blocks it filled:
// entries, the times the first block has each code, the codes of any block.
struct Log {
  bool spoiled, selectSecond;
  uint32_t offered, filledBlocks;
  uint16_t firstModelCodes[65536];
  bool anyModelCodes[65536];
};

#ifdef ZV_FUZZ_DRIVER_SIDE
#include "zvlmn30e_driver.h"

#define ZVFUZZ_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
const unsigned char* g_data = nullptr;
size_t g_size = 0, g_at = 0;
int16_t g_sizes[ZVDRV_SPEC_SIZES];
Log g_log;
uint8_t g_flags = 0, g_failures = 0;
int16_t g_models = 0, g_capabilities = 0;

uint8_t Byte() { return g_at < g_size ? g_data[g_at++] : 0; }
uint16_t U16() {
  const uint8_t low = Byte();  // read first: the operands' order is not fixed
  return static_cast<uint16_t>(low | Byte() << 8);
}
void Fill(void* words, int16_t count) {
  for (int i = 0; i < 2 * count; ++i) static_cast<unsigned char*>(words)[i] = Byte();
}
// Pointer fields hold addresses at pointer size anywhere in the block, read
// and written byte by byte; a spoilt one the fuzzed 32 bits, in the low half.
unsigned char* Pointer(const unsigned char* slot) {
  unsigned char* p = nullptr;
  return std::memcpy(&p, slot, sizeof p), p;
}
void Spoil(unsigned char* slot) {
  const uint32_t low = U16();
  const uintptr_t address = low | uint32_t{U16()} << 16;
  std::memcpy(slot, &address, sizeof address);
}
// Fills one paper table through its pointers, as a driver does.
void FillTable(unsigned char* block, int pointer, int16_t entries, int16_t nameSize, bool selected) {
  unsigned char* table = Pointer(block + sizeof(void*) * pointer);
  for (int16_t i = 0; i < entries; ++i) {
    unsigned char* entry = table + sizeof(ZVDRV_PAPER_ENTRY) * i;
    for (int v = 0; v < 10; ++v) entry[v] = Byte();
    unsigned char* name = Pointer(entry + offsetof(ZVDRV_PAPER_ENTRY, name));
    for (uint8_t k = 0, length = Byte(), c; k < length; ++k) {
      if ((c = Byte()), name && k < nameSize) name[k] = c;
    }
    if (!selected) continue;
    const uint16_t code = static_cast<uint16_t>(entry[offsetof(ZVDRV_PAPER_ENTRY, code)] |
                                                entry[offsetof(ZVDRV_PAPER_ENTRY, code) + 1] << 8);
    ++g_log.offered, g_log.anyModelCodes[code] = true;
    if (g_log.filledBlocks == 0 && g_log.firstModelCodes[code] < 0xFFFF) ++g_log.firstModelCodes[code];
  }
}
}  // namespace

ZVFUZZ_EXPORT void ZVFuzzDriverSetInput(const unsigned char* data, size_t size) {
  g_data = data, g_size = size, g_at = 0;
  std::memset(&g_log, 0, sizeof g_log);
  g_flags = Byte();
  g_log.selectSecond = (g_flags & 8) != 0;
}
ZVFUZZ_EXPORT const void* ZVFuzzDriverLog() { return &g_log; }

ZVFUZZ_EXPORT int32_t ZVDRVAPI ZVFormDrvSupportCapabilities(const char*, int32_t mode, void* first, void* second) {
  if (mode != ZVDRV_MODE_SIZES) return (g_flags & 2) ? 0 : (Fill(first, g_models), Fill(second, g_capabilities), 1);
  g_models = static_cast<int8_t>(Byte());
  g_capabilities = static_cast<int8_t>(Byte());
  if (g_flags & 1) return 0;
  *static_cast<int16_t*>(first) = g_models, *static_cast<int16_t*>(second) = g_capabilities;
  return 1;
}

ZVFUZZ_EXPORT int32_t ZVDRVAPI ZVFormPrinterSpec(const char*, int32_t mode, uint16_t, void* target) {
  if (mode == ZVDRV_MODE_SIZES) {
    g_failures = Byte();
    int64_t c[ZVDRV_SPEC_SIZES];
    for (int i = 0; i < ZVDRV_SPEC_SIZES; ++i) c[i] = g_sizes[i] = static_cast<int16_t>(U16());
    // Blocks beyond 64 KiB only for the first model, so that a run stays
    // short; sizes the module must refuse are passed on.
    const int64_t entry = sizeof(ZVDRV_PAPER_ENTRY), total = int64_t{sizeof(ZVDRV_PRINTER_SPEC)} + 6 + c[8] +
                          2 * (c[0] + c[5] + c[6] + c[7] + c[9]) + c[1] * (entry + c[2]) + c[3] * (entry + c[4]);
    if ((g_failures & 1) || (total > 65536 && total <= 16 * 1024 * 1024 && g_log.filledBlocks > 0)) return 0;
    return std::memcpy(target, g_sizes, sizeof g_sizes), 1;
  }
  if (g_failures & 2) return 0;
  auto* block = static_cast<unsigned char*>(target);
  const bool second = g_log.selectSecond;
  FillTable(block, 1, g_sizes[1], g_sizes[2], !second);
  FillTable(block, 6, g_sizes[3], g_sizes[4], second);
  const uint8_t spoil = (g_flags & 4) ? Byte() : 0;
  if (spoil & 1) Spoil(block + sizeof(void*) * 1);
  if (spoil & 2) Spoil(block + sizeof(void*) * 6);
  // The names of the selected table, when its own pointer was left alone.
  for (int16_t i = 0; (spoil & 4) && !(spoil & (second ? 2 : 1)) && i < g_sizes[second ? 3 : 1]; ++i) {
    Spoil(Pointer(block + sizeof(void*) * (second ? 6 : 1)) + sizeof(ZVDRV_PAPER_ENTRY) * i +
          offsetof(ZVDRV_PAPER_ENTRY, name));
  }
  g_log.spoiled = g_log.spoiled || spoil != 0;
  return ++g_log.filledBlocks, 1;
}

ZVFUZZ_EXPORT int32_t ZVDRVAPI ZVFormHelpFile(const char*, int32_t, char* buffer) {
  for (uint16_t k = 0, length = Byte(), c; k < length; ++k) {
    if ((c = Byte()), k < ZVDRV_HELP_BUFFER) buffer[k] = static_cast<char>(c);
  }
  return 1;
}

#else  // the target
#include <dlfcn.h>

#include <algorithm>

#include "driverlink/driver_entry_points.h"
#include "driverlink/paper_size_list.h"
#include "scratch_catalogue.h"

using namespace zvfuzz;

// The driver module, loaded once and kept loaded (the loads and frees around
// each question find it and its input), reached through drive D:.
struct Driver {
  std::string path;
  void (*setInput)(const unsigned char*, size_t);
  const void* (*log)();
};
const Driver& TheDriver() {
  static const Driver driver = [] {
    SetUpScratchCatalogue();
    const std::string host = ZV_FUZZ_DRIVER_MODULE;
    const size_t slash = host.rfind('/');
    plat::posix::MapDrive('D', host.substr(0, slash).c_str());
    void* module = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
    Driver d{"D:\\" + host.substr(slash + 1),
             module ? reinterpret_cast<decltype(Driver::setInput)>(dlsym(module, "ZVFuzzDriverSetInput")) : nullptr,
             module ? reinterpret_cast<decltype(Driver::log)>(dlsym(module, "ZVFuzzDriverLog")) : nullptr};
    if (!d.setInput || !d.log) Fail("the fuzz driver module loads, with its entry points", __FILE__, __LINE__);
    return d;
  }();
  return driver;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Driver& driver = TheDriver();
  const char* path = driver.path.c_str();
  driver.setInput(data, size);
  const Log& log = *static_cast<const Log*>(driver.log());
  uint16_t count = 0xABCD;
  plat::MemoryHandle list = zv::BuildPaperSizeList("FUZZ", path, log.selectSecond ? 2 : 1, &count);
  ZV_FUZZ_CHECK(list ? count >= 1 && count <= zv::kMaxPaperEntries : count == 0);
  ZV_FUZZ_CHECK(!list || plat::MemorySize(list) == count * sizeof(zv::PaperEntry));
  const auto* papers = list ? static_cast<const zv::PaperEntry*>(plat::LockMemory(list)) : nullptr;
  for (uint16_t i = 0; list && i < count; ++i) {
    ZV_FUZZ_CHECK(papers[i].flag == 1 && Fits(papers[i].name, zv::kPaperNameSize));
    if (log.offered == 0 || log.spoiled) continue;
    // A code offered, listed as often as the first model offers it, or once.
    const auto times = std::count_if(papers, papers + count, [&](const zv::PaperEntry& p) { return p.code == papers[i].code; });
    ZV_FUZZ_CHECK(count <= log.offered && log.anyModelCodes[papers[i].code]);
    ZV_FUZZ_CHECK(times <= std::max<long>(log.firstModelCodes[papers[i].code], 1));
  }
  if (list && log.offered == 0) {
    ZV_FUZZ_CHECK(count == 1 && papers[0].code == zv::kDefaultPaperCode && papers[0].width == 2100 &&
                  std::strcmp(papers[0].name, zv::kDefaultPaperName) == 0);
  }
  if (list) plat::UnlockMemory(list), plat::FreeMemory(list);

  driver.setInput(data, size);
  int16_t models = -5, capabilities = -5;
  plat::MemoryHandle block = zv::QueryDriverCapabilities("FUZZ", path, &models, &capabilities);
  ZV_FUZZ_CHECK(models >= 0 && capabilities >= 0);
  ZV_FUZZ_CHECK(block ? plat::MemorySize(block) >= 2u * (models + capabilities) : models == 0 && capabilities == 0);
  if (block) plat::FreeMemory(block);

  // The help call reads its bytes from the front of the input.
  driver.setInput(data, size);
  char buffer[plat::kPathBuffer];
  ZV_FUZZ_CHECK(zv::QueryHelpFile("FUZZ", path, 0, buffer) && Fits(buffer, sizeof buffer));
  ZV_FUZZ_CHECK(!zv::QueryHelpFile("FUZZ", "D:\\NO SUCH DRIVER.SO", 0, buffer) && buffer[0] == '\0');
  return 0;
}
#endif
