#include "driverlink/driver_entry_points.h"

#include <cstring>

#include "catalogue/byte_order.h"
#include "module/module_state.h"
#include "zvlmn30e_driver.h"

namespace zv {

namespace {

// Stores an address into a pointer field of a block the driver reads; the
// field may lie anywhere in the block, so it is written byte by byte.
void PutAddress(unsigned char* field, const void* address) {
  std::memcpy(field, &address, sizeof address);
}

// Loads the driver module and finds one entry point in it. On failure the
// module is not left loaded and the result is null.
void* LoadEntryPoint(const char* driverPath, const char* name, plat::ModuleHandle* module) {
  *module = driverPath && driverPath[0] ? plat::LoadModule(driverPath) : nullptr;
  if (!*module) return nullptr;
  void* entry = plat::GetEntryPoint(*module, name);
  if (!entry) {
    plat::UnloadModule(*module);
    *module = nullptr;
  }
  return entry;
}

// Points every paper table entry at its name area; entries of a table whose
// name areas have size 0 get a null pointer, so that nothing is written there.
void SetNamePointers(unsigned char* base, uint32_t tableOffset, uint32_t namesOffset, uint32_t count,
                     uint32_t nameSize) {
  for (uint32_t i = 0; i < count; ++i) {
    unsigned char* entry = base + tableOffset + i * kPaperTableEntrySize;
    PutAddress(entry + kPaperTableNameOffset, nameSize ? base + namesOffset + i * nameSize : nullptr);
  }
}

}  // namespace

bool ComputeSpecLayout(const int16_t sizes[kSpecSizeCount], SpecLayout* layout) {
  uint64_t c[kSpecSizeCount];
  for (uint32_t i = 0; i < kSpecSizeCount; ++i) {
    if (sizes[i] < 0) return false;
    c[i] = static_cast<uint64_t>(sizes[i]);
  }
  // Every size is below 32768, so the offsets, counted in 64 bits, stay far
  // below 2^64; the block's end is checked before anything is narrowed to
  // 32 bits.
  uint64_t at = kSpecPointerBytes;
  uint64_t offset[kSpecPointerCount];
  auto place = [&at](uint64_t bytes) {
    const uint64_t start = at;
    at += bytes;
    return start;
  };
  // A paper table holds pointers: in the 64-bit block it begins 8-aligned.
  auto placeTable = [&at, &place](uint64_t bytes) {
    at = (at + kPaperTableAlignment - 1) / kPaperTableAlignment * kPaperTableAlignment;
    return place(bytes);
  };
  offset[0] = place(2 * c[kSizeP0Words]);
  offset[2] = place(2);
  offset[3] = place(2 * c[kSizeP3Words]);
  offset[4] = place(2);
  offset[5] = place(2);
  offset[7] = place(2 * c[kSizeP7Words]);
  offset[8] = place(2 * c[kSizeP8Words]);
  offset[9] = place(c[kSizeP9Bytes]);
  offset[10] = place(2 * c[kSizeP10Words]);
  offset[1] = placeTable(kPaperTableEntrySize * c[kSizeP1Entries]);
  const uint64_t paperNames1 = place(c[kSizeP1Entries] * c[kSizeP1Name]);
  offset[6] = placeTable(kPaperTableEntrySize * c[kSizeP6Entries]);
  const uint64_t paperNames2 = place(c[kSizeP6Entries] * c[kSizeP6Name]);
  if (at > kMaxSpecBlockSize) return false;

  for (uint32_t i = 0; i < kSpecPointerCount; ++i) layout->offset[i] = static_cast<uint32_t>(offset[i]);
  layout->paperNames1 = static_cast<uint32_t>(paperNames1);
  layout->paperNames2 = static_cast<uint32_t>(paperNames2);
  layout->size = static_cast<uint32_t>(at);
  return true;
}

plat::MemoryHandle QueryDriverCapabilities(const char* deviceName, const char* driverPath,
                                           int16_t* modelCount, int16_t* capabilityCount) {
  if (!modelCount || !capabilityCount) return nullptr;
  *modelCount = 0;
  *capabilityCount = 0;
  plat::ModuleHandle module;
  auto entry = reinterpret_cast<ZVFormDrvSupportCapabilitiesProc>(
      LoadEntryPoint(driverPath, kCapabilitiesEntryPoint, &module));
  if (!entry) return nullptr;

  int16_t models = 0;
  int16_t capabilities = 0;
  plat::MemoryHandle block = nullptr;
  if (entry(deviceName, ZVDRV_MODE_SIZES, &models, &capabilities) != 0 && models >= 0 && capabilities >= 0) {
    const uint32_t listBytes = 2u * (static_cast<uint32_t>(models) + static_cast<uint32_t>(capabilities));
    // At least one word, so that a driver with two empty lists still gives a
    // block that can be locked.
    block = plat::AllocMovable(listBytes ? listBytes : 2);
    unsigned char* base = block ? static_cast<unsigned char*>(plat::LockMemory(block)) : nullptr;
    if (!base) {
      SetLastErrorCode(kMsgNoWorkArea);
    } else {
      const bool filled =
          entry(deviceName, ZVDRV_MODE_FILL, base, base + 2u * static_cast<uint32_t>(models)) != 0;
      plat::UnlockMemory(block);
      if (filled) {
        *modelCount = models;
        *capabilityCount = capabilities;
        plat::UnloadModule(module);
        return block;
      }
    }
    if (block) plat::FreeMemory(block);
  }
  plat::UnloadModule(module);
  return nullptr;
}

plat::MemoryHandle QueryPrinterSpec(const char* deviceName, const char* driverPath, uint16_t modelId,
                                    int16_t* sizes) {
  if (!sizes) return nullptr;
  std::memset(sizes, 0, kSpecSizeCount * sizeof(int16_t));
  plat::ModuleHandle module;
  auto entry =
      reinterpret_cast<ZVFormPrinterSpecProc>(LoadEntryPoint(driverPath, kPrinterSpecEntryPoint, &module));
  if (!entry) return nullptr;

  SpecLayout layout;
  plat::MemoryHandle block = nullptr;
  if (entry(deviceName, ZVDRV_MODE_SIZES, modelId, sizes) != 0 && ComputeSpecLayout(sizes, &layout)) {
    block = plat::AllocMovable(layout.size);
    unsigned char* base = block ? static_cast<unsigned char*>(plat::LockMemory(block)) : nullptr;
    if (!base) {
      SetLastErrorCode(kMsgNoWorkArea);
    } else {
      for (uint32_t i = 0; i < kSpecPointerCount; ++i)
        PutAddress(base + i * sizeof(void*), base + layout.offset[i]);
      SetNamePointers(base, layout.offset[1], layout.paperNames1,
                      static_cast<uint32_t>(sizes[kSizeP1Entries]),
                      static_cast<uint32_t>(sizes[kSizeP1Name]));
      SetNamePointers(base, layout.offset[6], layout.paperNames2,
                      static_cast<uint32_t>(sizes[kSizeP6Entries]),
                      static_cast<uint32_t>(sizes[kSizeP6Name]));
      const bool filled = entry(deviceName, ZVDRV_MODE_FILL, modelId, base) != 0;
      plat::UnlockMemory(block);
      if (filled) {
        plat::UnloadModule(module);
        return block;
      }
    }
    if (block) plat::FreeMemory(block);
  }
  plat::UnloadModule(module);
  return nullptr;
}

bool QueryHelpFile(const char* deviceName, const char* driverPath, uint32_t languageFlag, char* buffer) {
  if (!buffer) return false;
  buffer[0] = '\0';
  plat::ModuleHandle module;
  auto entry = reinterpret_cast<ZVFormHelpFileProc>(LoadEntryPoint(driverPath, kHelpFileEntryPoint, &module));
  if (!entry) return false;
  entry(deviceName, static_cast<int32_t>(languageFlag), buffer);
  buffer[plat::kPathBuffer - 1] = '\0';
  plat::UnloadModule(module);
  return true;
}

}  // namespace zv
