// The paper size list: the papers of all printer models of the driver,
// merged into one list of paper entries.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace zv {

constexpr uint32_t kPaperNameSize = 66;  // 65 characters and the terminator
constexpr uint32_t kMaxPaperEntries = 100;
constexpr uint16_t kNoPaper = 0xFFFF;

// The one entry of the list of a driver that gives no paper at all.
constexpr uint16_t kDefaultPaperWidth = 2100;
constexpr uint16_t kDefaultPaperLength = 2970;
constexpr uint16_t kDefaultPaperCode = 9;
constexpr char kDefaultPaperName[] = "A4 210 x 297 mm";

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
// entries, or null with last error code 401 and count 0.
//
// The papers of the first model are all taken; a later model adds only the
// papers whose code is not in the list yet. Names are copied from their
// name areas, never reading past an area even when the driver left out the
// terminator, and cut to 65 characters. Once the list holds 100 entries the
// driver's further papers are left out (the remaining models are still
// asked, so that a failing model fails the list whatever its position). A
// paper table that does not lie inside its printer specification block
// makes the printer specification unusable: 401, like a failing model.
plat::MemoryHandle BuildPaperSizeList(const char* deviceName, const char* driverPath, uint32_t tableSelector,
                                      uint16_t* count);

}  // namespace zv
