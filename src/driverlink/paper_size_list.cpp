#include "driverlink/paper_size_list.h"

#include <cstddef>
#include <cstring>

#include "catalogue/byte_order.h"
#include "driverlink/driver_entry_points.h"
#include "module/module_state.h"

namespace zv {
namespace {

constexpr uint32_t kEntrySize = sizeof(PaperEntry);
constexpr uint32_t kNameChars = kPaperNameSize - 1;

// Offsets of the paper values in a driver's paper table entry, in the order
// they are copied into a paper entry.
constexpr uint32_t kTableValueOffsets[] = {0, 2, 4, 6, 8};
constexpr uint32_t kEntryValueOffsets[] = {offsetof(PaperEntry, width), offsetof(PaperEntry, length),
                                           offsetof(PaperEntry, value3), offsetof(PaperEntry, value4),
                                           offsetof(PaperEntry, code)};

// How far into the block the pointer stored at field points, whatever the
// driver left there: an address below the block gives a huge distance, which
// the callers' bounds checks refuse.
uintptr_t DistanceInto(const unsigned char* block, const unsigned char* field) {
  uintptr_t address = 0;
  std::memcpy(&address, field, sizeof address);
  return address - reinterpret_cast<uintptr_t>(block);
}

bool HasCode(const unsigned char* entries, uint32_t count, uint16_t code) {
  for (uint32_t i = 0; i < count; ++i) {
    if (GetU16(entries + i * kEntrySize + offsetof(PaperEntry, code)) == code) return true;
  }
  return false;
}

// Writes one paper entry: flag 1, the values, and the name cut to 65
// characters. The entry is zero-filled beforehand, so the name stays
// terminated.
void WriteEntry(unsigned char* entry, const uint16_t values[5], const unsigned char* name,
                uint32_t nameBytes) {
  PutU16(entry + offsetof(PaperEntry, flag), 1);
  for (uint32_t v = 0; v < 5; ++v) PutU16(entry + kEntryValueOffsets[v], values[v]);
  char* out = reinterpret_cast<char*>(entry + offsetof(PaperEntry, name));
  const uint32_t limit = nameBytes < kNameChars ? nameBytes : kNameChars;
  uint32_t length = 0;
  while (length < limit && name[length] != 0) ++length;
  std::memcpy(out, name, length);
  out[length] = '\0';
}

// Appends the papers of one driver table entry by entry, as long as the list
// has room; entries past the 100th are left out.
void AppendTable(const unsigned char* block, uint32_t blockSize, uint32_t tableOffset, uint32_t tableCount,
                 uint32_t nameSize, bool firstModel, unsigned char* entries, uint32_t* count) {
  for (uint32_t i = 0; i < tableCount && *count < kMaxPaperEntries; ++i) {
    const unsigned char* source = block + tableOffset + i * kPaperTableEntrySize;
    uint16_t values[5];
    for (uint32_t v = 0; v < 5; ++v) values[v] = GetU16(source + kTableValueOffsets[v]);
    if (!firstModel && HasCode(entries, *count, values[4])) continue;
    // The name is read only inside its own area, and only when that area lies
    // inside the block; a pointer the driver spoilt gives an empty name.
    const uintptr_t nameOffset = DistanceInto(block, source + kPaperTableNameOffset);
    const bool nameInside = nameSize > 0 && nameOffset <= blockSize && nameSize <= blockSize - nameOffset;
    static const unsigned char kEmpty[1] = {0};
    WriteEntry(entries + *count * kEntrySize, values, nameInside ? block + nameOffset : kEmpty,
               nameInside ? nameSize : 0);
    ++*count;
  }
}

// Queries one model's printer specification and appends the papers of the
// selected table. False when the printer specification cannot be had or its paper
// table does not lie inside the block.
bool AppendModelPapers(const char* deviceName, const char* driverPath, uint16_t modelId, bool firstModel,
                       uint32_t tableSelector, int16_t* sizes, unsigned char* entries, uint32_t* count) {
  plat::MemoryHandle spec = QueryPrinterSpec(deviceName, driverPath, modelId, sizes);
  const unsigned char* block = spec ? static_cast<const unsigned char*>(plat::LockMemory(spec)) : nullptr;
  SpecLayout layout;
  bool ok = block != nullptr && ComputeSpecLayout(sizes, &layout);
  if (ok) {
    const bool first = tableSelector == 1;
    const uint32_t tableCount = static_cast<uint32_t>(sizes[first ? kSizeP1Entries : kSizeP6Entries]);
    const uint32_t nameSize = static_cast<uint32_t>(sizes[first ? kSizeP1Name : kSizeP6Name]);
    if (tableCount > 0) {
      const uintptr_t tableOffset = DistanceInto(block, block + sizeof(void*) * (first ? 1 : 6));
      ok = tableOffset <= layout.size && tableCount * kPaperTableEntrySize <= layout.size - tableOffset;
      if (ok) {
        AppendTable(block, layout.size, static_cast<uint32_t>(tableOffset), tableCount, nameSize, firstModel,
                    entries, count);
      }
    }
  }
  if (block) plat::UnlockMemory(spec);
  if (spec) plat::FreeMemory(spec);
  return ok;
}

}  // namespace

plat::MemoryHandle BuildPaperSizeList(const char* deviceName, const char* driverPath, uint32_t tableSelector,
                                      uint16_t* count) {
  if (count) *count = 0;
  plat::MemoryHandle list = plat::AllocMovable(kMaxPaperEntries * kEntrySize);
  int16_t* sizes =
      list ? static_cast<int16_t*>(plat::AllocZeroed(kSpecSizeCount * sizeof(int16_t))) : nullptr;
  unsigned char* entries = sizes ? static_cast<unsigned char*>(plat::LockMemory(list)) : nullptr;

  bool ok = entries != nullptr;
  uint32_t found = 0;
  if (ok) {
    int16_t modelCount = 0;
    int16_t capabilityCount = 0;
    plat::MemoryHandle capabilities =
        QueryDriverCapabilities(deviceName, driverPath, &modelCount, &capabilityCount);
    const unsigned char* models =
        capabilities ? static_cast<const unsigned char*>(plat::LockMemory(capabilities)) : nullptr;
    ok = models != nullptr;
    for (int16_t m = 0; ok && m < modelCount; ++m) {
      ok = AppendModelPapers(deviceName, driverPath, GetU16(models + 2 * m), m == 0, tableSelector, sizes,
                             entries, &found);
    }
    if (models) plat::UnlockMemory(capabilities);
    if (capabilities) plat::FreeMemory(capabilities);
  }
  if (ok && found == 0) {
    static const uint16_t kA4[5] = {kDefaultPaperWidth, kDefaultPaperLength, kDefaultPaperWidth,
                                    kDefaultPaperLength, kDefaultPaperCode};
    WriteEntry(entries, kA4, reinterpret_cast<const unsigned char*>(kDefaultPaperName),
               sizeof kDefaultPaperName);
    found = 1;
  }
  if (entries) plat::UnlockMemory(list);
  if (sizes) plat::FreeBlock(sizes);

  plat::MemoryHandle shrunk = ok ? plat::ReAllocMovable(list, found * kEntrySize) : nullptr;
  if (!shrunk) {
    if (list) plat::FreeMemory(list);
    SetLastErrorCode(kMsgNoWorkArea);
    return nullptr;
  }
  if (count) *count = static_cast<uint16_t>(found);
  return shrunk;
}

}  // namespace zv
