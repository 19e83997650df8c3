// The overlay entries of a form's group: the name of its group info file,
// the overlay data file proposed for a set of settings, and the removal of
// one entry.
#include "maintenance/overlay_entries.h"

#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/catalogue_config.h"
#include "catalogue/file_access.h"
#include "catalogue/overlay_files.h"
#include "catalogue/paths.h"
#include "catalogue/print_settings.h"
#include "catalogue/work_memory.h"
#include "module/module_state.h"

namespace zv {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char kGroupInfoExtension[] = ".FGP";
// Three hexadecimal digits name the identifiers below 4096; 4096 and every
// identifier above it are written "000". A range that holds such an
// identifier holds only that one (the configuration clamps it so), and no
// identifier below 4096 is written "000", since 0 is never a form.
constexpr uint32_t kFormIdDigits = 3;
constexpr uint32_t kFormIdModulus = 0x1000;
// Two hexadecimal digits name the overlay numbers 0 to 255.
constexpr uint32_t kOverlayNumberLimit = 256;
// A pooled text's length field.
constexpr uint32_t kTextLengthSize = 2;

// The header's three string indexes.
constexpr uint32_t kHeaderStringSlots[] = {
    group_info::kFirstStringOffset, group_info::kEditedFileStringOffset, group_info::kPreviewStringOffset};

struct GroupNameWork {
  PathBuffer name;
  PathBuffer digits;
  char prefix[kGroupFilePrefixSize];
};

struct ProposeWork {
  OverlayEntryBlock block;
  PathBuffer name;
  GroupInfoHeader header;
  PrintSettings settings;
  unsigned char headerBytes[group_info::kHeaderSize];
  unsigned char used[kOverlayNumberLimit];  // by number - lowest
};

struct RemoveWork {
  MoveBuffer move;  // also holds the entries whose string indexes are fixed
  unsigned char header[group_info::kHeaderSize];
  unsigned char entry[group_info::kEntrySize];
};
static_assert(sizeof(MoveBuffer) >= group_info::kBlockEntries * group_info::kEntrySize,
              "a block of entries fits the move buffer");

void ToUpperAscii(char* text) {
  for (; *text; ++text) {
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
  }
}

// The overlay data file of number in the group: the group info path with the
// extension of its file name cut off (nothing when it has none), two
// upper-case hexadecimal digits and ".ZLP", all in upper case. False when it
// does not fit.
bool NumberedOverlayName(const char* groupInfoPath, uint32_t number, char* path) {
  if (!CopyPath(path, groupInfoPath)) return false;
  if (char* dot = std::strrchr(const_cast<char*>(FileNamePart(path)), '.')) *dot = '\0';
  const char digits[] = {kHexDigits[(number >> 4) & 0xF], kHexDigits[number & 0xF], '\0'};
  if (!AppendPath(path, digits) || !AppendPath(path, kHeaderFileExtension)) {
    path[0] = '\0';
    return false;
  }
  ToUpperAscii(path);
  return true;
}

// The value of one character of a generated number: hexadecimal digits give
// their value, any other character its code (taken as signed) minus '0'.
int32_t NumberDigit(char c) {
  const int32_t code = static_cast<signed char>(c);
  if (c >= 'a' && c <= 'f') return code - 87;
  if (c >= 'A' && c <= 'F') return code - 55;
  return code - 48;
}

// Marks the number that the two characters before the name's last dot make
// as used, when it lies in the range.
void MarkUsedNumber(const char* name, uint32_t lowest, uint32_t highest, unsigned char* used) {
  const char* dot = std::strrchr(name, '.');
  if (!dot || dot - name < 2) return;
  const int32_t number = 16 * NumberDigit(dot[-2]) + NumberDigit(dot[-1]);
  if (number < 0) return;
  const uint32_t value = static_cast<uint32_t>(number);
  if (value >= lowest && value <= highest) used[value - lowest] = 1;
}

bool ReadGroupInfoHeader(plat::FileHandle file, unsigned char* bytes, GroupInfoHeader* header) {
  if (!ReadAt(file, 0, bytes, group_info::kHeaderSize)) return false;
  DecodeGroupInfoHeader(bytes, header);
  return true;
}

// A string index after text s has gone: later ones move down by one, one
// that named the removed text names nothing.
int32_t IndexAfterRemoval(int32_t index, int32_t removed) {
  if (index == removed) return kNoString;
  return index > removed ? index - 1 : index;
}

bool FailRemoval(uint32_t code) {
  SetLastErrorCode(code);
  return false;
}

}  // namespace

bool MakeGroupInfoFileName(int32_t formId, const char* saveDirectory, char* path) {
  WorkMemory<GroupNameWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return false;
  }
  if (formId < 1) {
    SetLastErrorCode(kMsgRegisterFormFailed);
    return false;
  }
  uint32_t lowest = 0;
  uint32_t highest = 0;
  GetFormIdRange(&lowest, &highest, w->prefix);
  w->prefix[kGroupFilePrefixSize - 1] = '\0';
  // The prefix is used as it stands, whatever its length, and the three
  // digits always follow it, so the digits tell the forms apart.
  const uint32_t value = static_cast<uint32_t>(formId) < kFormIdModulus ? static_cast<uint32_t>(formId) : 0;
  for (uint32_t i = 0; i < kFormIdDigits; ++i) {
    w->digits[i] = kHexDigits[(value >> (4 * (kFormIdDigits - 1 - i))) & 0xF];
  }
  if (!CopyPath(w->name, saveDirectory) || !ToDirectoryForm(w->name) || !AppendPath(w->name, w->prefix) ||
      !AppendPath(w->name, w->digits) || !AppendPath(w->name, kGroupInfoExtension)) {
    SetLastErrorCode(kMsgRegisterFormFailed);
    return false;
  }
  ToUpperAscii(w->name);
  return CopyPath(path, w->name);
}

int16_t ProposeOverlayFileName(const void* driverBlock, const char* groupInfoPath, char* path) {
  uint32_t lowest = 0;
  uint32_t highest = 0;
  GetOverlayNumberRange(&lowest, &highest);
  WorkMemory<ProposeWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return kOverlayFileNone;
  }
  // Numbers beyond two hexadecimal digits cannot name a file.
  if (lowest >= kOverlayNumberLimit) return kOverlayFileNone;
  if (highest >= kOverlayNumberLimit) highest = kOverlayNumberLimit - 1;
  const uint32_t capacity = highest - lowest + 1;

  plat::FileHandle file = nullptr;
  switch (OpenGroupInfo(groupInfoPath, plat::kAccessReadWrite, &file, &w->header)) {
    case ListFileState::kCannotOpen:
      // A group info file that exists but is held by another writer (or is
      // read-only) must not be taken for a new group: its first number
      // would overwrite an overlay of the group.
      if (PathExists(groupInfoPath)) return kOverlayFileNone;
      return NumberedOverlayName(groupInfoPath, lowest, path) ? kOverlayFileNew : kOverlayFileNone;
    case ListFileState::kDamaged:
      return kOverlayFileNone;
    case ListFileState::kValid:
      break;
  }

  int16_t result = kOverlayFileNew;
  const bool scanned =
      ScanOverlayEntries(file, w->header, w->block, [&](uint32_t number, const unsigned char* entry) {
        int32_t nameString = kNoString;
        DecodeOverlayEntry(entry, &w->settings, &nameString);
        // An entry without a name can neither be given out nor block a
        // number. One whose name cannot be read (a failed read, a damaged
        // text) may hold any number: proposing one could overwrite its file,
        // or register these settings twice, so nothing is proposed.
        if (nameString == kNoString) return ScanStep::kNext;
        if (!ReadGroupInfoString(file, w->header, nameString, w->name)) {
          result = kOverlayFileNone;
          return ScanStep::kStop;
        }
        if (MatchSettingsExactly(w->settings, driverBlock)) {
          if (!std::strchr(w->name, '\\')) {
            DirectoryOfFile(groupInfoPath, path);
            result = AppendPath(path, w->name) ? kOverlayFileExists : kOverlayFileNone;
            return ScanStep::kStop;
          }
          // A file registered from elsewhere is not overwritten by a
          // capture: its entry leaves the group, and a new file is made.
          if (!RemoveOverlayEntry(file, groupInfoPath, number) ||
              !ReadGroupInfoHeader(file, w->headerBytes, &w->header)) {
            result = kOverlayFileNone;
            return ScanStep::kStop;
          }
          return ScanStep::kReexamine;
        }
        MarkUsedNumber(w->name, lowest, highest, w->used);
        return ScanStep::kNext;
      });
  plat::CloseFile(file);
  if (!scanned) return kOverlayFileNone;
  if (result != kOverlayFileNew) return result;

  if (w->header.entryCount >= capacity) return kOverlayFileNone;
  for (uint32_t i = 0; i < capacity; ++i) {
    if (!w->used[i])
      return NumberedOverlayName(groupInfoPath, lowest + i, path) ? kOverlayFileNew : kOverlayFileNone;
  }
  return kOverlayFileNone;
}

bool RemoveOverlayEntry(plat::FileHandle file, const char* /*groupInfoPath*/, uint32_t record) {
  WorkMemory<RemoveWork> w;
  if (!w) return FailRemoval(kMsgNoWorkArea);

  // The caller's file is validated again: it may have changed since it was
  // opened, and every offset below relies on the counts.
  const uint32_t size = plat::GetFileSize(file);
  GroupInfoHeader h;
  if (size == plat::kInvalidSize || !ReadGroupInfoHeader(file, w->header, &h) ||
      std::memcmp(w->header, group_info::kMagic, group_info::kMagicSize) != 0) {
    return FailRemoval(kMsgDeleteOverlayFailed);
  }
  const uint64_t expected = uint64_t{group_info::kEntriesOffset} +
                            uint64_t{group_info::kEntrySize} * h.entryCount +
                            uint64_t{group_info::kTableSlotSize} * h.stringCount + h.poolSize;
  if (expected != size || record >= h.entryCount) return FailRemoval(kMsgDeleteOverlayFailed);

  // The entry, its name's slot in the offset table and the name's length.
  const uint32_t entryAt = group_info::kEntriesOffset + group_info::kEntrySize * record;
  if (!ReadAt(file, entryAt, w->entry, sizeof w->entry)) return FailRemoval(kMsgDeleteOverlayFailed);
  EntryRemoval removal{record, GetI32(w->entry + group_info::kEntryFileNameOffset), 0, 0};
  if (!LocateEntryName(file, h, &removal, nullptr)) return FailRemoval(kMsgDeleteOverlayFailed);
  return RemoveLocatedOverlayEntry(file, &h, w->header, removal, w->move);
}

bool LocateEntryName(plat::FileHandle file, const GroupInfoHeader& header, EntryRemoval* removal,
                     char* name) {
  if (name) name[0] = '\0';
  const int32_t s = removal->nameString;
  if (s < 0 || static_cast<uint32_t>(s) >= header.stringCount) return false;
  unsigned char bytes[group_info::kTableSlotSize];
  const uint32_t slotAt =
      GroupInfoTableOffset(header) + group_info::kTableSlotSize * static_cast<uint32_t>(s);
  if (!ReadAt(file, slotAt, bytes, sizeof bytes)) return false;
  const uint32_t o = GetU32(bytes);
  if (uint64_t{o} + kTextLengthSize > header.poolSize ||
      !ReadAt(file, GroupInfoPoolOffset(header) + o, bytes, kTextLengthSize)) {
    return false;
  }
  const uint32_t length = GetU16(bytes);
  if (uint64_t{o} + kTextLengthSize + length > header.poolSize) return false;
  removal->nameOffset = o;
  removal->nameSize = kTextLengthSize + length;
  // The text follows its length; one too long for a path is not read.
  if (name && length <= plat::kMaxPath) {
    if (length > 0 && !ReadExactly(file, name, length)) {
      name[0] = '\0';
      return false;
    }
    name[length] = '\0';
  }
  return true;
}

bool RemoveLocatedOverlayEntry(plat::FileHandle file, GroupInfoHeader* header, unsigned char* headerBytes,
                               const EntryRemoval& removal, MoveBuffer& move) {
  GroupInfoHeader& h = *header;
  const int32_t s = removal.nameString;
  const uint32_t o = removal.nameOffset;
  const uint32_t textSize = removal.nameSize;
  uint32_t size = GroupInfoPoolOffset(h) + h.poolSize;

  // Close the three gaps from the front of the file backwards; each move
  // cuts the file behind what it moved.
  const uint32_t entryAt = group_info::kEntriesOffset + group_info::kEntrySize * removal.record;
  if (!MoveBytesDown(file, entryAt + group_info::kEntrySize, size, group_info::kEntrySize, move)) {
    return FailRemoval(kMsgDeleteOverlayFailed);
  }
  size -= group_info::kEntrySize;
  --h.entryCount;
  const uint32_t newSlotAt = GroupInfoTableOffset(h) + group_info::kTableSlotSize * static_cast<uint32_t>(s);
  if (!MoveBytesDown(file, newSlotAt + group_info::kTableSlotSize, size, group_info::kTableSlotSize, move)) {
    return FailRemoval(kMsgDeleteOverlayFailed);
  }
  size -= group_info::kTableSlotSize;
  --h.stringCount;
  const uint32_t textAt = GroupInfoPoolOffset(h) + o;
  if (!MoveBytesDown(file, textAt + textSize, size, textSize, move)) {
    return FailRemoval(kMsgDeleteOverlayFailed);
  }
  size -= textSize;
  h.poolSize -= textSize;

  // String indexes above the removed one come down by one: in the entries,
  // a block at a time, and in the header.
  for (uint32_t first = 0; first < h.entryCount;) {
    const uint32_t rest = h.entryCount - first;
    const uint32_t n = rest < group_info::kBlockEntries ? rest : group_info::kBlockEntries;
    const uint32_t at = group_info::kEntriesOffset + group_info::kEntrySize * first;
    // Each block is written back where it was read, which leaves the file
    // at the next block: only the first is positioned for the read.
    if (!(first == 0 ? ReadAt(file, at, move.bytes, group_info::kEntrySize * n)
                     : ReadExactly(file, move.bytes, group_info::kEntrySize * n)))
      return FailRemoval(kMsgDeleteOverlayFailed);
    for (uint32_t i = 0; i < n; ++i) {
      unsigned char* index = move.bytes + group_info::kEntrySize * i + group_info::kEntryFileNameOffset;
      PutI32(index, IndexAfterRemoval(GetI32(index), s));
    }
    if (!WriteAt(file, at, move.bytes, group_info::kEntrySize * n)) {
      return FailRemoval(kMsgDeleteOverlayFailed);
    }
    first += n;
  }
  // Pool offsets behind the removed text come down by its size.
  if (!AdjustOffsets(file, GroupInfoTableOffset(h), h.stringCount, o, -static_cast<int32_t>(textSize),
                     move)) {
    return FailRemoval(kMsgDeleteOverlayFailed);
  }

  // The header last; its reserved bytes stay as they were.
  for (uint32_t field : kHeaderStringSlots) {
    PutI32(headerBytes + field, IndexAfterRemoval(GetI32(headerBytes + field), s));
  }
  PutU32(headerBytes + group_info::kEntryCountOffset, h.entryCount);
  PutU32(headerBytes + group_info::kStringCountOffset, h.stringCount);
  PutU32(headerBytes + group_info::kPoolSizeOffset, h.poolSize);
  DecodeGroupInfoHeader(headerBytes, &h);
  if (!WriteAt(file, 0, headerBytes, group_info::kHeaderSize) || !SeekTo(file, size) ||
      !plat::SetEndOfFile(file)) {
    return FailRemoval(kMsgDeleteOverlayFailed);
  }
  return true;
}

}  // namespace zv
