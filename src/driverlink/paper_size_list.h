// The paper size list: the papers of all printer models of the driver,
// merged into one list of paper entries.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace zv {

constexpr uint32_t kPaperNameSize = 66;  // 65 characters and the terminator
constexpr uint32_t kMaxPaperEntries = 100;
constexpr uint16_t kNoPaper = 0xFFFF;

// One paper entry, laid out as stored in the list (78 bytes, no gaps).
struct PaperEntry {
  uint16_t flag;  // always 1
  uint16_t width;
  uint16_t length;
  uint16_t value3;
  uint16_t value4;
  uint16_t code;  // the Windows paper number: 9 for A4, 256 for a user size
  char name[kPaperNameSize];
};
static_assert(sizeof(PaperEntry) == 78, "paper entries follow each other without gaps");

// Builds the list from the driver module at driverPath (tableSelector 1: the
// first paper tables, else the second). Returns a movable block of count
// entries, or null with last error code 401.
plat::MemoryHandle BuildPaperSizeList(const char* deviceName, const char* driverPath, uint32_t tableSelector,
                                      uint16_t* count);

}  // namespace zv
