// What the module asks of the printer driver's own module: its printer models
// and capability words, the printer specification (paper tables) of one
// model, and its help file. Each question loads the driver module by path,
// looks its entry point up, calls it and frees the module again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "zvlmn30e_driver.h"

namespace zv {

constexpr char kCapabilitiesEntryPoint[] = "ZVFormDrvSupportCapabilities";
constexpr char kPrinterSpecEntryPoint[] = "ZVFormPrinterSpec";
constexpr char kHelpFileEntryPoint[] = "ZVFormHelpFile";

// The printer specification block: eleven pointers, then the areas, as
// zvlmn30e_driver.h lays them out for this build's bitness.
constexpr uint32_t kSpecPointerCount = ZVDRV_SPEC_POINTERS;
constexpr uint32_t kSpecPointerBytes = sizeof(ZVDRV_PRINTER_SPEC);
constexpr uint32_t kSpecSizeCount = ZVDRV_SPEC_SIZES;
constexpr uint32_t kPaperTableEntrySize = sizeof(ZVDRV_PAPER_ENTRY);
constexpr uint32_t kPaperTableCodeOffset = offsetof(ZVDRV_PAPER_ENTRY, code);
constexpr uint32_t kPaperTableNameOffset = offsetof(ZVDRV_PAPER_ENTRY, name);
constexpr uint32_t kPaperTableAlignment = ZVDRV_PAPER_TABLE_ALIGNMENT;
// A driver that asks for more than this is refused rather than trusted.
constexpr uint64_t kMaxSpecBlockSize = 16u * 1024u * 1024u;

// Indexes of the sizes c0 to c9 that the driver reports, named after the
// area they measure.
enum SpecSize : uint32_t {
  kSizeP0Words = 0,    // p0: 16-bit words
  kSizeP1Entries = 1,  // p1: entries of the first paper table
  kSizeP1Name = 2,     // bytes of each name area of the first table
  kSizeP6Entries = 3,  // p6: entries of the second paper table
  kSizeP6Name = 4,     // bytes of each name area of the second table
  kSizeP3Words = 5,    // p3: 16-bit words
  kSizeP7Words = 6,    // p7: 16-bit words
  kSizeP8Words = 7,    // p8: 16-bit words
  kSizeP9Bytes = 8,    // p9: bytes
  kSizeP10Words = 9,   // p10: 16-bit words
};

// Where each area of a printer specification block begins, and the block's
// size, for one set of sizes. offset[i] belongs to pointer pi.
struct SpecLayout {
  uint32_t offset[kSpecPointerCount];
  uint32_t paperNames1;  // the name areas of the first paper table
  uint32_t paperNames2;  // the name areas of the second paper table
  uint32_t size;
};

// Lays the block out from the ten sizes. False when a size is negative or the
// block would exceed kMaxSpecBlockSize.
bool ComputeSpecLayout(const int16_t sizes[kSpecSizeCount], SpecLayout* layout);

// Asks ZVFormDrvSupportCapabilities for the model list and the capability
// list. Returns a movable block holding the model ids (u16, *modelCount of
// them) followed by the capability words (i16, *capabilityCount), or null when
// the module or its entry point is missing, either call returns 0, a count is
// negative or the block cannot be had (last error code 401 in that case).
// The counts are 0 on failure.
plat::MemoryHandle QueryDriverCapabilities(const char* deviceName, const char* driverPath,
                                           int16_t* modelCount, int16_t* capabilityCount);

// Asks ZVFormPrinterSpec for the printer specification of one model. The
// driver stores its ten sizes in sizes (caller's storage, kSpecSizeCount
// words); the result is a movable block laid out as ComputeSpecLayout says,
// its pointers and paper name pointers set to the block's address at the
// time of the fill, or null under the same conditions as above (also for
// sizes that ComputeSpecLayout refuses).
plat::MemoryHandle QueryPrinterSpec(const char* deviceName, const char* driverPath, uint16_t modelId,
                                    int16_t* sizes);

// Asks ZVFormHelpFile for the help file name (languageFlag 0: local resource
// set, 1: English) in buffer, plat::kPathBuffer bytes. The driver's result is
// not examined. Returns whether the entry point could be called; the buffer
// always ends in a terminator, and is empty when the driver wrote nothing.
bool QueryHelpFile(const char* deviceName, const char* driverPath, uint32_t languageFlag, char* buffer);

}  // namespace zv
