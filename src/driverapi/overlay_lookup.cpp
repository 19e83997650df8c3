// The overlay data file into which the driver captures a form page for its
// current settings (ZVGetOverlayForm), and the group info file operations it
// is built on.
#include "driverapi/overlay_lookup.h"

#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/catalogue_config.h"
#include "catalogue/file_access.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "catalogue/paths.h"
#include "catalogue/print_settings.h"
#include "catalogue/work_memory.h"
#include "dialogs/module_frame.h"
#include "maintenance/form_registration.h"
#include "maintenance/group_registration.h"
#include "zvlmn30e.h"

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
// The header's three string indexes.
// A pooled text's length field.
constexpr uint32_t kTextLengthSize = 2;

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

struct OverlayFormWork {
  FormRecordBlock forms;
  unsigned char header[overlay_header::kSize];
  unsigned char firstEntry[group_info::kEntrySize];
  PathBuffer formListPath;
  PathBuffer groupListPath;
  PathBuffer text;
  PathBuffer groupPath;
  PathBuffer overlayPath;
  PathBuffer groupString;
  GroupInfoHeader groupHeader;
  PrintSettings settings;
};

void ToUpperAscii(char* text) {
  for (; *text; ++text) {
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
  }
}

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The last characters of path equal ending, without regard to case.
bool EndsWithIgnoringCase(const char* path, const char* ending) {
  const size_t length = std::strlen(path);
  const size_t endingLength = std::strlen(ending);
  if (length < endingLength) return false;
  for (size_t i = 0; i < endingLength; ++i) {
    if (UpperAscii(path[length - endingLength + i]) != UpperAscii(ending[i])) return false;
  }
  return true;
}

const char* FileNamePart(const char* path) {
  const char* backslash = std::strrchr(path, '\\');
  return backslash ? backslash + 1 : path;
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

// Finds the form record for a capture: a file entry (negative identifier)
// must be named exactly "C". Starts the overlay header with the record's
// name, description and layer, and gives its group index and the form name
// list file, still open for reading; the caller closes it.
bool FindCaptureForm(OverlayFormWork& w, int32_t formId, uint32_t* groupIndex, plat::FileHandle* formList) {
  plat::FileHandle file = nullptr;
  FormListHeader header;
  if (OpenFormNameList(w.formListPath, plat::kAccessRead, &file, &header) != ListFileState::kValid) {
    return false;
  }
  uint32_t count = header.namedCount;
  bool positioned = true;
  if (formId < 0) {
    count = header.fileEntryCount;
    positioned = SeekTo(file, FileEntryRegionOffset(header));
  }
  bool found = false;
  if (positioned) {
    WalkFormRecords(file, w.forms, count, [&](const unsigned char* record) {
      if (FormRecordId(record) != formId) return true;
      const unsigned char* name = record + form_list::kNameOffset;
      found = formId > 0 || (name[0] == 'C' && name[1] == '\0');
      if (found) {
        // The header takes at most 24 name and 255 description characters,
        // so a field without its terminator is cut at the field's end.
        StartOverlayHeader(reinterpret_cast<const char*>(name),
                           reinterpret_cast<const char*>(record + form_list::kDescriptionOffset),
                           record[form_list::kLayerOffset], w.header);
        *groupIndex = GetU32(record + form_list::kGroupIndexOffset);
      }
      return false;
    });
  }
  if (!found) {
    plat::CloseFile(file);
    return false;
  }
  *formList = file;
  return true;
}

// Creates the file anew and writes the completed header. A file whose header
// cannot be written is closed and, when asked or when this call made it,
// deleted again.
bool WriteNewOverlayFile(const char* path, const void* driverBlock, unsigned char* header,
                         bool deleteOnFailure) {
  // A file this call makes and cannot fill (a full disk) does not stay as
  // an empty file beside the group.
  const bool existed = PathExists(path);
  plat::FileHandle file = plat::OpenFile(path, plat::kAccessReadWrite, plat::kShareRead, plat::kCreateAlways);
  if (!file) return false;
  CompleteOverlayHeader(driverBlock, header);
  uint32_t written = 0;
  const bool ok =
      plat::WriteFile(file, header, overlay_header::kSize, &written) && written == overlay_header::kSize;
  plat::CloseFile(file);
  if (!ok && (deleteOnFailure || !existed)) DeleteFileIfWritable(path);
  return ok;
}

// One group holds one paper size and one orientation: those of its first
// entry. False when the group info file is damaged or its first entry was
// made for another paper or orientation; a file that cannot be opened is not
// checked.
bool GroupAcceptsPaper(OverlayFormWork& w, const unsigned char* block) {
  plat::FileHandle file = nullptr;
  switch (OpenGroupInfo(w.groupPath, plat::kAccessRead, &file, &w.groupHeader)) {
    case ListFileState::kCannotOpen:
      return true;
    case ListFileState::kDamaged:
      return false;
    case ListFileState::kValid:
      break;
  }
  bool accepted = true;
  if (w.groupHeader.entryCount > 0) {
    int32_t nameString = kNoString;
    accepted = ReadAt(file, group_info::kEntriesOffset, w.firstEntry, group_info::kEntrySize);
    DecodeOverlayEntry(w.firstEntry, &w.settings, &nameString);
    accepted = accepted && w.settings.paperCode == GetU16(block + driver_block::kPaperCodeOffset) &&
               w.settings.orientation == block[driver_block::kOrientationOffset];
  }
  plat::CloseFile(file);
  return accepted;
}

// Writes the capture's overlay data file into the group of w.groupPath and,
// for a new number, its entry (the group info file made when there is none).
// False, with nothing left behind, when the group refuses the paper, no
// name can be proposed, or a write fails.
bool CaptureIntoGroup(OverlayFormWork& w, const void* settings, const char* groupString, bool newGroup) {
  const unsigned char* block = static_cast<const unsigned char*>(settings);
  if (!newGroup && PathExists(w.groupPath) && !GroupAcceptsPaper(w, block)) return false;

  const int16_t proposed = ProposeOverlayFileName(settings, w.groupPath, w.overlayPath);
  if (proposed == kOverlayFileNone) return false;
  if (!WriteNewOverlayFile(w.overlayPath, settings, w.header, false)) return false;
  if (proposed != kOverlayFileNew) return true;

  // The driver's text is kept in a pool of texts of at most 260 characters.
  const char* firstGroupString = nullptr;
  if (groupString) {
    const size_t length = strnlen(groupString, plat::kMaxPath);
    std::memcpy(w.groupString, groupString, length);
    w.groupString[length] = '\0';
    firstGroupString = w.groupString;
  }
  DecodePrintSettings(w.header + overlay_header::kSettingsOffset, &w.settings);
  if (!AddOverlayEntry(w.groupPath, FileNamePart(w.overlayPath), &w.settings, firstGroupString, nullptr)) {
    DeleteFileIfWritable(w.overlayPath);
    return false;
  }
  return true;
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

using namespace zv;

extern "C" ZVLONG ZVAPI ZVGetOverlayForm(const void* settings, ZVLPCSTR groupString, ZVLONG formId,
                                         ZVLPSTR path) {
  SetLastErrorCode(0);
  WorkMemory<OverlayFormWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return 0;
  }
  if (formId == 0 || !GetListFilePaths(w->formListPath, w->groupListPath)) return 0;

  // The form name list file stays open, shared for reading, until the
  // form's group text has been read and, for a new group, replaced: no writer
  // can delete a form meanwhile and move the group name entries, so the
  // record's group index still names this form's entry.
  uint32_t groupIndex = 0;
  plat::FileHandle formList = nullptr;
  if (!FindCaptureForm(*w, formId, &groupIndex, &formList)) return 0;
  bool ok = ReadGroupPath(w->groupListPath, groupIndex, GroupRule::kPath, w->text, w->groupPath);
  const bool newGroup = ok && formId > 0 && !EndsWithIgnoringCase(w->groupPath, kGroupInfoExtension);
  if (newGroup) {
    // The group text is still the form's save directory: the group info
    // file is named now, and becomes the form's group text once it holds
    // the capture's entry.
    ok = MakeGroupInfoFileName(formId, w->groupPath, w->text);
    if (ok) CopyPath(w->groupPath, w->text);
  }
  if (!ok || formId < 0) plat::CloseFile(formList);
  if (!ok) return 0;

  // A file entry "C" names its overlay data file itself; a raw file is never
  // given a header.
  if (formId < 0) {
    if (ExtensionEquals(w->groupPath, kRawFileExtension)) return 0;
    CopyPath(path, w->groupPath);
    return WriteNewOverlayFile(w->groupPath, settings, w->header, true) ? 1 : 0;
  }

  const bool madeGroup = newGroup && !PathExists(w->groupPath);
  const bool captured = CaptureIntoGroup(*w, settings, groupString, newGroup);
  // The new group's text names its group info file only when the file
  // holds the capture: a capture that fails leaves the form as it was, and
  // one whose group text cannot be replaced takes its files back.
  ok = captured && (!newGroup || ReplaceGroupNameEntry(w->groupListPath, groupIndex, w->text));
  plat::CloseFile(formList);
  if (captured && !ok) {
    DeleteFileIfWritable(w->overlayPath);
    if (madeGroup) DeleteFileIfWritable(w->groupPath);
  }
  if (!ok) return 0;
  CopyPath(path, w->overlayPath);
  return 1;
}
