#include "maintenance/group_registration.h"

#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/file_access.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "maintenance/file_moves.h"
#include "module/module_state.h"

namespace zv {
namespace {

using group_info::kEntrySize;
using group_info::kTableSlotSize;

constexpr uint32_t kTextLengthSize = 2;
// The longest text of the pool: texts are read back into 261-byte buffers.
constexpr uint32_t kMaxText = plat::kMaxPath;

struct PooledText {
  unsigned char bytes[kTextLengthSize + kMaxText];
};

// The memory of the string update, taken by its callers.
struct StringWork {
  MoveBuffer buffer;
  PooledText pooled;
};

struct AddWork {
  StringWork strings;
  unsigned char header[group_info::kHeaderSize];
  unsigned char entry[kEntrySize];
};

const char* TextOrEmpty(const char* text) {
  return text ? text : "";
}

// The length of a text that the pool can take back into a path buffer; a
// longer one gives kMaxText + 1.
uint32_t TextLength(const char* text) {
  return static_cast<uint32_t>(strnlen(TextOrEmpty(text), kMaxText + 1));
}

int32_t* SlotIndex(GroupInfoHeader* header, GroupStringSlot slot) {
  switch (slot) {
    case GroupStringSlot::kEditedFile:
      return &header->editedFileString;
    case GroupStringSlot::kPreviewFile:
      return &header->previewString;
    case GroupStringSlot::kFirstGroupString:
    default:
      return &header->firstString;
  }
}

uint32_t FileEnd(const GroupInfoHeader& header) {
  return GroupInfoPoolOffset(header) + header.poolSize;
}

bool WritePooledText(plat::FileHandle file, uint32_t at, const char* text, uint32_t length,
                     PooledText& pooled) {
  PutU16(pooled.bytes, static_cast<uint16_t>(length));
  std::memcpy(pooled.bytes + kTextLengthSize, text, length);
  return WriteAt(file, at, pooled.bytes, kTextLengthSize + length);
}

// Writes the header back into bytes, the 64 bytes of the file's header as
// they stand (a new file's as made): the reserved bytes stay as they are.
bool WriteHeader(plat::FileHandle file, const GroupInfoHeader& header, unsigned char* bytes) {
  PatchGroupInfoHeader(header, bytes);
  return WriteAt(file, 0, bytes, group_info::kHeaderSize);
}

// Appends a new text: a new offset after the last one (the pool moves up by
// 4 bytes), holding the old pool size, and the text at the end of the file.
// Gives the new string's index.
bool AppendString(plat::FileHandle file, GroupInfoHeader* header, const char* text, uint32_t length,
                  StringWork& w, int32_t* index) {
  const uint32_t slot = GroupInfoPoolOffset(*header);
  const uint32_t end = FileEnd(*header);
  unsigned char offset[kTableSlotSize];
  PutU32(offset, header->poolSize);
  if (!MoveBytesUp(file, slot, end, kTableSlotSize, w.buffer) ||
      !WriteAt(file, slot, offset, sizeof offset) ||
      !WritePooledText(file, end + kTableSlotSize, text, length, w.pooled)) {
    return false;
  }
  *index = static_cast<int32_t>(header->stringCount);
  header->stringCount += 1;
  header->poolSize += kTextLengthSize + length;
  return true;
}

// Where text number index lies in the pool. False when the index is outside
// the table or the text outside the pool (a damaged file), or when a read
// fails. On success the file stands at the text itself.
bool LocateString(plat::FileHandle file, const GroupInfoHeader& header, int32_t index,
                  PooledTextPlace* place) {
  const uint32_t s = static_cast<uint32_t>(index);
  if (index < 0 || s >= header.stringCount) return false;
  unsigned char bytes[kTableSlotSize];
  if (!ReadAt(file, GroupInfoTableOffset(header) + kTableSlotSize * s, bytes, sizeof bytes)) return false;
  place->offset = GetU32(bytes);
  if (uint64_t{place->offset} + kTextLengthSize > header.poolSize) return false;
  if (!ReadAt(file, GroupInfoPoolOffset(header) + place->offset, bytes, kTextLengthSize)) return false;
  place->length = GetU16(bytes);
  return uint64_t{place->offset} + kTextLengthSize + place->length <= header.poolSize;
}

// Replaces the text at place, which text number *index holds, by text: the
// rest of the pool moves by the difference and every later offset with it.
// An empty text clears *index. Gives the move's size and direction in delta.
bool ReplaceText(plat::FileHandle file, GroupInfoHeader* header, const PooledTextPlace& place, int32_t* index,
                 const char* text, uint32_t length, StringWork& w, int32_t* delta) {
  *delta = 0;
  const uint32_t offset = place.offset;
  const uint32_t oldLength = place.length;
  const uint32_t tableOffset = GroupInfoTableOffset(*header);
  const uint32_t poolOffset = GroupInfoPoolOffset(*header);

  const uint32_t textAt = poolOffset + offset;
  if (length == oldLength) {
    // Overwritten in place; an empty text clears the slot and leaves its
    // empty remnant.
    if (length == 0) {
      *index = kNoString;
      return true;
    }
    return WritePooledText(file, textAt, text, length, w.pooled);
  }

  const uint32_t rest = textAt + kTextLengthSize + oldLength;
  const uint32_t end = FileEnd(*header);
  if (length > oldLength) {
    const uint32_t d = length - oldLength;
    if (!MoveBytesUp(file, rest, end, d, w.buffer)) return false;
    header->poolSize += d;
    *delta = static_cast<int32_t>(d);
  } else {
    const uint32_t d = oldLength - length;
    if (!MoveBytesDown(file, rest, end, d, w.buffer)) return false;
    header->poolSize -= d;
    *delta = -static_cast<int32_t>(d);
  }
  if (length > 0) {
    if (!WritePooledText(file, textAt, text, length, w.pooled)) return false;
  } else {
    // Cleared: the 2-byte length stays in the pool with the old length, and
    // no index refers to it any more. The string count does not change.
    *index = kNoString;
  }
  return AdjustOffsets(file, tableOffset, header->stringCount, offset, *delta, w.buffer);
}

// Sets the text of the slot *index: appended when it names none, else
// replaced at place, where the caller found it. Gives the replacement's
// delta (0 for an append or none).
bool SetSlotText(plat::FileHandle file, GroupInfoHeader* header, int32_t* index, const PooledTextPlace& place,
                 const char* text, StringWork& w, int32_t* delta) {
  *delta = 0;
  text = TextOrEmpty(text);
  const uint32_t length = TextLength(text);
  if (length > kMaxText) return false;  // refused before anything is written
  if (*index < 0) {
    if (length == 0) {
      *index = kNoString;
      return true;
    }
    return AppendString(file, header, text, length, w, index);
  }
  return ReplaceText(file, header, place, index, text, length, w, delta);
}

// How much the file grows when the text of a slot that names index (found
// at place) becomes text: an appended text brings its offset, its length
// and its bytes, a replaced one the difference (negative when it shrinks).
int64_t SlotGrowth(int32_t index, const PooledTextPlace& place, const char* text) {
  const uint32_t length = TextLength(TextOrEmpty(text));
  if (index < 0) return length == 0 ? 0 : int64_t{kTableSlotSize} + kTextLengthSize + length;
  return int64_t{length} - place.length;
}

// Reserves the space of an edit that grows the file by growth bytes (nothing
// to do for one that does not grow it).
bool ReserveGrowth(plat::FileHandle file, const GroupInfoHeader& header, int64_t growth) {
  const uint32_t end = FileEnd(header);
  return growth <= 0 || ReserveFileEnd(file, end, end + static_cast<uint32_t>(growth));
}

// SetGroupString with the caller's memory.
bool SetString(plat::FileHandle file, GroupInfoHeader* header, GroupStringSlot slot, const char* text,
               StringWork& w) {
  if (TextLength(text) > kMaxText) return false;
  int32_t* index = SlotIndex(header, slot);
  // A slot that names a text: it must lie in the table and the pool.
  PooledTextPlace place{};
  if (*index >= 0 && !LocateString(file, *header, *index, &place)) return false;
  if (!ReserveGrowth(file, *header, SlotGrowth(*index, place, text))) return false;
  int32_t delta = 0;
  return SetSlotText(file, header, index, place, text, w, &delta);
}

// Deletes a group info file that this call created and could not complete.
void DeleteCreatedFile(plat::FileHandle file, const char* path) {
  plat::CloseFile(file);
  DeleteFileIfWritable(path);
}

// Creates the file with its header and the texts given (not empty), in this
// order: the first group string, the edited file name.
plat::FileHandle CreateGroupInfo(const char* path, const char* firstGroupString, const char* editedFileName,
                                 GroupInfoHeader* header, AddWork& w) {
  plat::FileHandle file = plat::OpenFile(path, plat::kAccessReadWrite, plat::kShareRead, plat::kCreateNew);
  if (!file) return nullptr;
  *header = GroupInfoHeader{kNoString, kNoString, kNoString, 0, 0, 0};
  EncodeGroupInfoHeader(*header, w.header);
  const char* texts[2] = {TextOrEmpty(firstGroupString), TextOrEmpty(editedFileName)};
  int32_t* slots[2] = {&header->firstString, &header->editedFileString};
  for (int i = 0; i < 2; ++i) {
    const uint32_t length = TextLength(texts[i]);
    if (length == 0) continue;
    *slots[i] = static_cast<int32_t>(header->stringCount);
    header->poolSize += kTextLengthSize + length;
    header->stringCount += 1;
  }
  if (!WriteHeader(file, *header, w.header)) {
    DeleteCreatedFile(file, path);
    return nullptr;
  }
  // The offsets, then the texts.
  bool ok = true;
  uint32_t at = group_info::kEntriesOffset;
  uint32_t offset = 0;
  for (int i = 0; i < 2 && ok; ++i) {
    const uint32_t length = TextLength(texts[i]);
    if (length == 0) continue;
    unsigned char bytes[kTableSlotSize];
    PutU32(bytes, offset);
    ok = WriteAt(file, at, bytes, sizeof bytes);
    at += kTableSlotSize;
    offset += kTextLengthSize + length;
  }
  for (int i = 0; i < 2 && ok; ++i) {
    const uint32_t length = TextLength(texts[i]);
    if (length == 0) continue;
    ok = WritePooledText(file, at, texts[i], length, w.strings.pooled);
    at += kTextLengthSize + length;
  }
  if (!ok) {
    DeleteCreatedFile(file, path);
    return nullptr;
  }
  return file;
}

}  // namespace

bool AddOverlayEntry(const char* groupInfoPath, const char* fileName, const PrintSettings* settings,
                     const char* firstGroupString, const char* editedFileName) {
  WorkMemory<AddWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return false;
  }
  // Texts the pool cannot give back whole are refused before anything is
  // written.
  if (TextLength(fileName) > kMaxText || TextLength(firstGroupString) > kMaxText ||
      TextLength(editedFileName) > kMaxText) {
    SetLastErrorCode(kMsgRegisterFormFailed);
    return false;
  }

  plat::FileHandle file = nullptr;
  GroupInfoHeader header;
  const bool created = !PathExists(groupInfoPath);
  if (created) {
    file = CreateGroupInfo(groupInfoPath, firstGroupString, editedFileName, &header, *w);
    if (!file) {
      SetLastErrorCode(kMsgRegisterFormFailed);
      return false;
    }
  } else {
    if (OpenGroupInfo(groupInfoPath, plat::kAccessReadWrite, &file, &header, w->header) !=
        ListFileState::kValid) {
      SetLastErrorCode(kMsgRegisterFormFailed);
      return false;
    }
  }

  // Both slots are located before either is edited: a slot that names a
  // text outside the pool fails the call with nothing written. The places
  // found are the ones edited, so no slot is read twice.
  PooledTextPlace first{};
  PooledTextPlace edited{};
  const int32_t firstIndex = header.firstString;
  const bool sameText = firstIndex >= 0 && firstIndex == header.editedFileString;
  bool ok =
      created || ((!firstGroupString || firstIndex < 0 || LocateString(file, header, firstIndex, &first)) &&
                  (!editedFileName || header.editedFileString < 0 ||
                   LocateString(file, header, header.editedFileString, &edited)));
  // Two slots whose texts overlap in the pool (never written so) are not
  // both edited: the first edit would move the other's bytes under it.
  if (ok && !created && firstGroupString && editedFileName && firstIndex >= 0 &&
      header.editedFileString >= 0 && !sameText) {
    ok = first.offset + kTextLengthSize + first.length <= edited.offset ||
         edited.offset + kTextLengthSize + edited.length <= first.offset;
  }
  // The largest size the edits below reach is reserved before the first of
  // them: a full disk fails the call here, with the file as it was. (A
  // text that shrinks cuts the file at once; what follows grows it again.)
  if (ok) {
    int64_t growth = 0;
    int64_t largest = 0;
    const auto grow = [&](int64_t delta) {
      growth += delta;
      if (growth > largest) largest = growth;
    };
    if (!created && firstGroupString) grow(SlotGrowth(header.firstString, first, firstGroupString));
    if (!created && editedFileName) {
      PooledTextPlace editedNow = edited;
      int32_t editedIndex = header.editedFileString;
      if (firstGroupString && sameText) {
        editedNow.length = TextLength(firstGroupString);
        if (editedNow.length == 0) editedIndex = kNoString;  // cleared by the first edit, see below
      }
      grow(SlotGrowth(editedIndex, editedNow, editedFileName));
    }
    if (settings)
      grow(kEntrySize + (fileName ? int64_t{kTableSlotSize} + kTextLengthSize + TextLength(fileName) : 0));
    ok = FileEnd(header) + largest <= UINT32_MAX && ReserveGrowth(file, header, largest);
  }
  if (ok && !created) {
    int32_t delta = 0;
    if (firstGroupString)
      ok = SetSlotText(file, &header, &header.firstString, first, firstGroupString, w->strings, &delta);
    if (ok && editedFileName) {
      // The first edit moved the texts behind its own; one slot naming the
      // same text as the other (never written so) is looked up again, or,
      // when the first edit cleared that text, names none: what is left of
      // it is a length without its bytes.
      if (firstGroupString && sameText && header.firstString == kNoString) {
        header.editedFileString = kNoString;
      } else if (firstGroupString && sameText) {
        ok = LocateString(file, header, header.editedFileString, &edited);
      } else if (edited.offset > first.offset) {
        edited.offset = static_cast<uint32_t>(static_cast<int32_t>(edited.offset) + delta);
      }
      ok = ok &&
           SetSlotText(file, &header, &header.editedFileString, edited, editedFileName, w->strings, &delta);
    }
  }

  if (ok && settings) {
    // The entry goes after the last one; the table and the pool move up.
    EncodePrintSettings(*settings, w->entry + group_info::kEntrySettingsOffset);
    PutI32(w->entry + group_info::kEntryFileNameOffset,
           fileName ? static_cast<int32_t>(header.stringCount) : kNoString);
    const uint32_t at = GroupInfoTableOffset(header);
    ok = MoveBytesUp(file, at, FileEnd(header), kEntrySize, w->strings.buffer) &&
         WriteAt(file, at, w->entry, kEntrySize);
    if (ok) {
      header.entryCount += 1;
      int32_t index = kNoString;
      if (fileName) ok = AppendString(file, &header, fileName, TextLength(fileName), w->strings, &index);
    }
  }

  ok = ok && WriteHeader(file, header, w->header);  // the header last
  if (!ok) {
    if (created) {
      DeleteCreatedFile(file, groupInfoPath);
    } else {
      plat::CloseFile(file);
    }
    SetLastErrorCode(kMsgRegisterFormFailed);
    return false;
  }
  plat::CloseFile(file);
  return true;
}

bool SetGroupString(plat::FileHandle file, GroupInfoHeader* header, GroupStringSlot slot, const char* text) {
  WorkMemory<StringWork> w;
  if (!w) return false;
  return SetString(file, header, slot, text, *w);
}

bool ClearGroupString(plat::FileHandle file, GroupInfoHeader* header, GroupStringSlot slot,
                      const PooledTextPlace& place) {
  WorkMemory<StringWork> w;
  if (!w) return false;
  int32_t delta = 0;
  return ReplaceText(file, header, place, SlotIndex(header, slot), "", 0, *w, &delta);
}

bool ReplaceGroupString(plat::FileHandle file, GroupInfoHeader* header, int32_t index, const char* text,
                        char* oldText) {
  oldText[0] = '\0';
  const uint32_t length = TextLength(text);
  if (length == 0 || length > kMaxText) return false;
  WorkMemory<StringWork> w;
  if (!w) return false;
  PooledTextPlace place{};
  // The old text is read where the lookup left the file.
  if (!LocateString(file, *header, index, &place) || place.length > kMaxText ||
      (place.length > 0 && !ReadExactly(file, oldText, place.length))) {
    oldText[0] = '\0';
    return false;
  }
  oldText[place.length] = '\0';
  if (!ReserveGrowth(file, *header, SlotGrowth(index, place, text))) return false;
  int32_t slot = index;
  int32_t delta = 0;
  return ReplaceText(file, header, place, &slot, text, length, *w, &delta);
}

}  // namespace zv
