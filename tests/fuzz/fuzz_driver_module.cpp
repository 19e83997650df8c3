// The printer driver module of the paper size list target: the driver's
// side of the three entry points, answering from bytes that the target hands
// over through ZVFuzzDriverSetInput before each run. The target keeps the
// module loaded, so the loads and frees around each question find the same
// module and its input. The module also records what it offered, for the
// target's checks.
//
// The input, read front to back by the calls as they come (missing bytes
// read as 0):
//   byte  flags: 1 the count call fails, 2 the list call fails, 4 the module
//         may spoil the pointers of printer specification blocks, 8 the
//         target asks for the second paper tables
//   i8    model count, i8 capability count (as the count call reports them)
//   the list call: 2 bytes per model id, 2 bytes per capability word
//   each printer specification, size call: a byte (1 this call fails, 2 the
//         fill fails) and ten i16 sizes (a block over 64 KiB fails unless it
//         is the first model's); fill call: for each entry of both
//         paper tables ten bytes of paper values and a name length n with n
//         name bytes (cut to the name area, never terminated by the module);
//         with the spoil flag first a byte (1 spoil the p1 pointer, 2 the p6
//         pointer, 4 the name pointers) and a u32 for each spoilt pointer
//   the help call: a length n and n bytes (cut to the 261-byte buffer)
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "zvlmn30e_driver.h"

#define ZVFUZZ_EXPORT __attribute__((visibility("default")))

namespace {

struct Log {
  bool failed;        // a call answered 0
  bool spoiled;       // a pointer of a filled block was changed
  bool selectSecond;  // the target asks for the second tables
  uint32_t offered;   // paper entries of the selected tables of filled blocks
  // Times each paper code was offered in the selected table of the first
  // filled block, and whether it was offered by any.
  uint16_t firstModelCodes[65536];
  bool anyModelCodes[65536];
  uint32_t filledBlocks;
};

const unsigned char* g_data = nullptr;
size_t g_size = 0;
size_t g_at = 0;
int16_t g_sizes[ZVDRV_SPEC_SIZES];
Log g_log;
uint8_t g_flags = 0;

uint8_t Byte() {
  return g_at < g_size ? g_data[g_at++] : 0;
}

uint16_t U16() {
  const uint16_t low = Byte();
  return static_cast<uint16_t>(low | (Byte() << 8));
}

uint32_t U32() {
  const uint32_t low = U16();
  return low | (static_cast<uint32_t>(U16()) << 16);
}

void PutU16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

// The block's pointer fields hold addresses at pointer size, anywhere in
// the block: they are read and written byte by byte.
unsigned char* Pointer(const unsigned char* slot) {
  unsigned char* p = nullptr;
  std::memcpy(&p, slot, sizeof p);
  return p;
}

// A spoilt pointer: the fuzzed 32 bits, in the low half on 64 bits.
void PutSpoiltPointer(unsigned char* slot, uint32_t value) {
  const uintptr_t address = value;
  std::memcpy(slot, &address, sizeof address);
}

// Fills one paper table through its pointers, as a driver does.
void FillTable(unsigned char* block, uint32_t pointerIndex, int16_t entries, int16_t nameSize,
               bool selected) {
  unsigned char* table = Pointer(block + sizeof(void*) * pointerIndex);
  for (int16_t i = 0; i < entries; ++i) {
    unsigned char* entry = table + sizeof(ZVDRV_PAPER_ENTRY) * i;
    for (int v = 0; v < 10; ++v) entry[v] = Byte();
    const uint8_t length = Byte();
    unsigned char* name = Pointer(entry + offsetof(ZVDRV_PAPER_ENTRY, name));
    for (uint8_t k = 0; k < length; ++k) {
      const uint8_t c = Byte();
      if (name && k < nameSize) name[k] = c;
    }
    if (!selected) continue;
    const uint16_t code = static_cast<uint16_t>(entry[offsetof(ZVDRV_PAPER_ENTRY, code)] | (entry[offsetof(ZVDRV_PAPER_ENTRY, code) + 1] << 8));
    ++g_log.offered;
    g_log.anyModelCodes[code] = true;
    if (g_log.filledBlocks == 0 && g_log.firstModelCodes[code] < 0xFFFF) ++g_log.firstModelCodes[code];
  }
}

}  // namespace

extern "C" ZVFUZZ_EXPORT void ZVFuzzDriverSetInput(const unsigned char* data, size_t size) {
  g_data = data;
  g_size = size;
  g_at = 0;
  std::memset(&g_log, 0, sizeof g_log);
  g_flags = Byte();
  g_log.selectSecond = (g_flags & 8) != 0;
}

extern "C" ZVFUZZ_EXPORT const void* ZVFuzzDriverLog() {
  return &g_log;
}

extern "C" ZVFUZZ_EXPORT int32_t ZVDRVAPI ZVFormDrvSupportCapabilities(const char*, int32_t mode, void* first,
                                                                       void* second) {
  static int16_t models = 0;
  static int16_t capabilities = 0;
  if (mode == ZVDRV_MODE_SIZES) {
    models = static_cast<int8_t>(Byte());
    capabilities = static_cast<int8_t>(Byte());
    if (g_flags & 1) {
      g_log.failed = true;
      return 0;
    }
    *static_cast<int16_t*>(first) = models;
    *static_cast<int16_t*>(second) = capabilities;
    return 1;
  }
  if (g_flags & 2) {
    g_log.failed = true;
    return 0;
  }
  for (int16_t i = 0; i < models; ++i) PutU16(static_cast<unsigned char*>(first) + 2 * i, U16());
  for (int16_t i = 0; i < capabilities; ++i) PutU16(static_cast<unsigned char*>(second) + 2 * i, U16());
  return 1;
}

extern "C" ZVFUZZ_EXPORT int32_t ZVDRVAPI ZVFormPrinterSpec(const char*, int32_t mode, uint16_t,
                                                            void* target) {
  static uint8_t failures = 0;
  if (mode == ZVDRV_MODE_SIZES) {
    failures = Byte();
    for (int i = 0; i < ZVDRV_SPEC_SIZES; ++i) g_sizes[i] = static_cast<int16_t>(U16());
    // Blocks beyond 64 KiB are given for the first model only, so that a
    // run stays short; sizes the module must refuse are passed on.
    const int64_t c[ZVDRV_SPEC_SIZES] = {g_sizes[0], g_sizes[1], g_sizes[2], g_sizes[3], g_sizes[4],
                                         g_sizes[5], g_sizes[6], g_sizes[7], g_sizes[8], g_sizes[9]};
    const int64_t total =
        static_cast<int64_t>(sizeof(ZVDRV_PRINTER_SPEC)) + 6 + 2 * (c[0] + c[5] + c[6] + c[7] + c[9]) + c[8] +
        c[1] * (static_cast<int64_t>(sizeof(ZVDRV_PAPER_ENTRY)) + c[2]) +
        c[3] * (static_cast<int64_t>(sizeof(ZVDRV_PAPER_ENTRY)) + c[4]);
    const bool large = total > 65536 && total <= 16 * 1024 * 1024;
    if ((failures & 1) || (large && g_log.filledBlocks > 0)) {
      g_log.failed = true;
      return 0;
    }
    std::memcpy(target, g_sizes, sizeof g_sizes);
    return 1;
  }
  if (failures & 2) {
    g_log.failed = true;
    return 0;
  }
  auto* block = static_cast<unsigned char*>(target);
  const bool second = g_log.selectSecond;
  FillTable(block, 1, g_sizes[1], g_sizes[2], !second);
  FillTable(block, 6, g_sizes[3], g_sizes[4], second);
  if (g_flags & 4) {
    const uint8_t spoil = Byte();
    if (spoil & 1) PutSpoiltPointer(block + sizeof(void*) * 1, U32());
    if (spoil & 2) PutSpoiltPointer(block + sizeof(void*) * 6, U32());
    if (spoil & 4) {
      unsigned char* table = Pointer(block + sizeof(void*) * (second ? 6 : 1));
      const int16_t entries = g_sizes[second ? 3 : 1];
      if (!(spoil & (second ? 2 : 1))) {
        for (int16_t i = 0; i < entries; ++i) {
          PutSpoiltPointer(table + sizeof(ZVDRV_PAPER_ENTRY) * i + offsetof(ZVDRV_PAPER_ENTRY, name), U32());
        }
      }
    }
    g_log.spoiled = g_log.spoiled || spoil != 0;
  }
  ++g_log.filledBlocks;
  return 1;
}

extern "C" ZVFUZZ_EXPORT int32_t ZVDRVAPI ZVFormHelpFile(const char*, int32_t, char* buffer) {
  const uint8_t length = Byte();
  for (uint16_t k = 0; k < length; ++k) {
    const uint8_t c = Byte();
    if (k < ZVDRV_HELP_BUFFER) buffer[k] = static_cast<char>(c);
  }
  return 1;
}
