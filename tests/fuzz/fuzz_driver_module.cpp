// The printer driver module of the paper size list fuzz target: its entry points answer from the
// input, read in call order (0 past its end): flags (1 the count call fails, 2 the list call, 4
// pointers may be spoilt, 8 the second tables are asked for); i8 model and capability counts; a
// u16 per model id and capability word; per block a byte (1 the size call fails, 2 the fill) and
// ten i16 sizes (over 64 KiB only for the first model), then per entry of both tables ten value
// bytes and a name length and name (cut to its area, unterminated), and with flag 4 a byte (1
// spoil p1, 2 p6, 4 the names) and a u32 per spoilt pointer; last the help text's length and bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_driver_log.h"
#include "zvlmn30e_driver.h"

#define ZVFUZZ_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
const unsigned char* g_data = nullptr;
size_t g_size = 0, g_at = 0;
int16_t g_sizes[ZVDRV_SPEC_SIZES], g_models = 0, g_capabilities = 0;
uint8_t g_flags = 0, g_failures = 0;
FuzzDriverLog g_log;

const auto Byte = [] { return g_at < g_size ? g_data[g_at++] : uint8_t{0}; };
const auto U16 = [] {
  const uint8_t low = Byte();  // read first: the operands' order is not fixed
  return static_cast<uint16_t>(low | Byte() << 8);
};
const auto Fill = [](void* words, int16_t count) {
  for (int i = 0; i < 2 * count; ++i) static_cast<unsigned char*>(words)[i] = Byte();
};
// Pointer fields hold addresses at pointer size anywhere in the block, read and written byte by
// byte; a spoilt one the fuzzed 32 bits, in the low half.
const auto Pointer = [](const unsigned char* slot) {
  unsigned char* p = nullptr;
  std::memcpy(&p, slot, sizeof p);
  return p;
};
const auto Spoil = [](unsigned char* slot) {
  const uint32_t low = U16();
  const uintptr_t address = low | uint32_t{U16()} << 16;
  std::memcpy(slot, &address, sizeof address);
};
// Fills one paper table through its pointers, as a driver does.
void FillTable(unsigned char* block, int pointer, int16_t entries, int16_t nameSize, bool selected) {
  for (int16_t i = 0; i < entries; ++i) {
    unsigned char* entry = Pointer(block + sizeof(void*) * pointer) + sizeof(ZVDRV_PAPER_ENTRY) * i;
    for (int v = 0; v < 10; ++v) entry[v] = Byte();
    unsigned char* name = Pointer(entry + offsetof(ZVDRV_PAPER_ENTRY, name));
    for (uint8_t k = 0, length = Byte(), c; k < length; ++k) {
      if ((c = Byte()), name && k < nameSize) name[k] = c;
    }
    if (selected) {
      ++g_log.offered;
      g_log.offeredCode[entry[8] | entry[9] << 8] = true;
    }
  }
}
}  // namespace

ZVFUZZ_EXPORT void ZVFuzzDriverSetInput(const unsigned char* data, size_t size) {
  g_data = data;
  g_size = size;
  g_at = 0;
  std::memset(&g_log, 0, sizeof g_log);
  g_flags = Byte();
  g_log.selectSecond = (g_flags & 8) != 0;
}
ZVFUZZ_EXPORT const void* ZVFuzzDriverLog() {
  return &g_log;
}

ZVFUZZ_EXPORT int32_t ZVDRVAPI ZVFormDrvSupportCapabilities(const char*, int32_t mode, void* first,
                                                            void* second) {
  if (mode != ZVDRV_MODE_SIZES)
    return (g_flags & 2) ? 0 : (Fill(first, g_models), Fill(second, g_capabilities), 1);
  g_models = static_cast<int8_t>(Byte());
  g_capabilities = static_cast<int8_t>(Byte());
  if (g_flags & 1) return 0;
  *static_cast<int16_t*>(first) = g_models;
  *static_cast<int16_t*>(second) = g_capabilities;
  return 1;
}

ZVFUZZ_EXPORT int32_t ZVDRVAPI ZVFormPrinterSpec(const char*, int32_t mode, uint16_t, void* target) {
  if (mode == ZVDRV_MODE_SIZES) {
    g_failures = Byte();
    int64_t c[ZVDRV_SPEC_SIZES];
    for (int i = 0; i < ZVDRV_SPEC_SIZES; ++i) c[i] = g_sizes[i] = static_cast<int16_t>(U16());
    // Blocks beyond 64 KiB only for the first model, so that a run stays short; sizes the module
    // must refuse are passed on.
    const int64_t entry = sizeof(ZVDRV_PAPER_ENTRY), total = int64_t{sizeof(ZVDRV_PRINTER_SPEC)} + 6 + c[8] +
                                                             2 * (c[0] + c[5] + c[6] + c[7] + c[9]) +
                                                             c[1] * (entry + c[2]) + c[3] * (entry + c[4]);
    if ((g_failures & 1) || (total > 65536 && total <= 16 * 1024 * 1024 && g_log.filledBlocks > 0)) return 0;
    std::memcpy(target, g_sizes, sizeof g_sizes);
    return 1;
  }
  if (g_failures & 2) return 0;
  auto* block = static_cast<unsigned char*>(target);
  const int selected = g_log.selectSecond ? 6 : 1, spoiltBits = g_log.selectSecond ? 2 : 1;
  FillTable(block, 1, g_sizes[1], g_sizes[2], selected == 1);
  FillTable(block, 6, g_sizes[3], g_sizes[4], selected == 6);
  const uint8_t spoil = (g_flags & 4) ? Byte() : 0;
  if (spoil & 1) Spoil(block + sizeof(void*) * 1);
  if (spoil & 2) Spoil(block + sizeof(void*) * 6);
  // The names of the selected table, when its own pointer was left alone.
  for (int16_t i = 0; (spoil & 4) && !(spoil & spoiltBits) && i < g_sizes[selected == 1 ? 1 : 3]; ++i) {
    Spoil(Pointer(block + sizeof(void*) * selected) + sizeof(ZVDRV_PAPER_ENTRY) * i +
          offsetof(ZVDRV_PAPER_ENTRY, name));
  }
  g_log.spoiled = g_log.spoiled || spoil != 0;
  ++g_log.filledBlocks;
  return 1;
}

ZVFUZZ_EXPORT int32_t ZVDRVAPI ZVFormHelpFile(const char*, int32_t, char* buffer) {
  for (uint16_t k = 0, length = Byte(), c; k < length; ++k) {
    if ((c = Byte()), k < ZVDRV_HELP_BUFFER) buffer[k] = static_cast<char>(c);
  }
  return 1;
}
