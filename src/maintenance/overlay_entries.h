// The overlay entries of a form's group: the name of its group info file,
// the overlay data file proposed in the group for the driver's current
// settings, the removal of one overlay entry, and a scan over all of them.
// ZVGetOverlayForm (the export) and the writers are built on them.
#pragma once

#include <cstdint>

#include "catalogue/group_info.h"
#include "maintenance/file_moves.h"
#include "platform/platform.h"

namespace zv {

// Builds the path of a named form's group info file in its save directory:
// the directory in directory form, the group file prefix of the driver
// configuration as it stands (one to three characters), the identifier as
// three upper-case hexadecimal digits (4096 and above give "000") and
// ".FGP", all in upper case. Every identifier from 1 to 4096 thus gets its
// own name under one prefix, and a range of one identifier above 4096 (the
// only kind the configuration allows there) names its form too. False with
// last error 401 when no working memory can be had, or 404 for an
// identifier below 1 (never a named form) or a path that does not fit 260
// characters.
bool MakeGroupInfoFileName(int32_t formId, const char* saveDirectory, char* path);

// Results of ProposeOverlayFileName.
constexpr int16_t kOverlayFileExists = 1;  // the file for exactly these settings
constexpr int16_t kOverlayFileNew = 0;     // a new, unused name in the group
constexpr int16_t kOverlayFileNone = -1;   // failure, or the group is full

// Proposes the overlay data file for exactly the settings of the driver
// settings block in the group of groupInfoPath, into a 261-byte buffer. An
// entry of the group that matches exactly gives its file (an entry that names
// a file elsewhere is dropped from the group instead); otherwise the group
// info path with its extension replaced by the lowest unused number of the
// overlay number range, as two upper-case hexadecimal digits, and ".ZLP".
// A group that does not exist yet gets the lowest number of the range.
// kOverlayFileNone when the group info file exists but cannot be opened or is
// damaged, when an entry's name cannot be read, when the group holds as many
// entries as the range has numbers, or when no number is left. An entry
// without a name (index -1) is passed over.
int16_t ProposeOverlayFileName(const void* driverBlock, const char* groupInfoPath, char* path);

// Removes overlay entry number record and its file name text from a group
// info file that the caller holds open for reading and writing (groupInfoPath
// names that file), and closes the gaps. No file is deleted from disk; the
// caller closes the file whatever the outcome. False with last error 401 (no
// working memory) or 408 (the file is damaged, the record does not exist, its
// name text is damaged, or a move failed).
bool RemoveOverlayEntry(plat::FileHandle file, const char* groupInfoPath, uint32_t record);

// An overlay entry located for its removal: its number, its name's string
// index, and where the name lies in the pool (offset, and size with its
// 2-byte length).
struct EntryRemoval {
  uint32_t record;
  int32_t nameString;
  uint32_t nameOffset;
  uint32_t nameSize;
};

// Fills in where the name of removal->nameString lies in the pool of an open,
// valid group info file; with name (261 bytes) given, also reads the name
// itself, which stays empty when it is over 260 characters. False when the
// index is outside the table, the name outside the pool, or a read fails.
bool LocateEntryName(plat::FileHandle file, const GroupInfoHeader& header, EntryRemoval* removal, char* name);

// The removal of RemoveOverlayEntry for a caller that holds the file's header
// (decoded, and its 64 bytes as read, reserved bytes and all) and located the
// entry's name itself: closes the three gaps through move, fixes the string
// indexes and pool offsets, and writes the header, which both forms of it
// then hold. False with last error 408 when a read, write, move or cut fails.
bool RemoveLocatedOverlayEntry(plat::FileHandle file, GroupInfoHeader* header, unsigned char* headerBytes,
                               const EntryRemoval& removal, MoveBuffer& move);

// What a visit of ScanOverlayEntries tells the scan to do next.
enum class ScanStep {
  kNext,      // go on with the next entry
  kStop,      // end the scan
  kReexamine  // the visit removed this entry and updated the header: the
              // entry now at the same number is examined next
};

// Visits the overlay entries of an open, valid group info file in file
// order, reading them in blocks of at most 134, and calls
// visit(number, entryBytes) for each. The visit may read the file anywhere,
// and may remove the entry it was given (updating header) and answer
// kReexamine: the rest of the file is then read again, so that every entry is
// examined once. False when a block cannot be read.
template <typename Visit>
bool ScanOverlayEntries(plat::FileHandle file, const GroupInfoHeader& header, OverlayEntryBlock& block,
                        Visit visit) {
  uint32_t first = 0;   // number of the first entry in the block
  uint32_t loaded = 0;  // entries in the block
  for (uint32_t number = 0; number < header.entryCount;) {
    if (number >= first + loaded) {
      first = number;
      const uint32_t rest = header.entryCount - number;
      loaded = rest < group_info::kBlockEntries ? rest : group_info::kBlockEntries;
      if (!ReadAt(file, group_info::kEntriesOffset + group_info::kEntrySize * number, block.bytes,
                  group_info::kEntrySize * loaded)) {
        return false;
      }
    }
    switch (visit(number, block.bytes + group_info::kEntrySize * (number - first))) {
      case ScanStep::kNext:
        ++number;
        break;
      case ScanStep::kStop:
        return true;
      case ScanStep::kReexamine:
        loaded = 0;  // the entries behind have moved: read them afresh
        break;
    }
  }
  return true;
}

}  // namespace zv
