#include "catalogue/group_info.h"

#include <climits>
#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/catalogue_config.h"
#include "catalogue/file_access.h"
#include "catalogue/group_name_list.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "module/module_state.h"

namespace zv {
namespace {

// Printing mode byte: the low nibble is the quality; without one, the high
// nibble is the screening.
constexpr uint8_t kQualityMask = 0x0F;
constexpr uint8_t kScreeningMask = 0xF0;
constexpr uint8_t kQualityHighSpeed = 1;
constexpr uint8_t kQualityHighQuality = 2;
constexpr uint8_t kQualityCrt = 3;
constexpr uint8_t kScreeningHalftoning = 0x10;
constexpr uint8_t kScreeningEnhancedMg = 0x20;

uint32_t PrintingModeMessage(uint8_t mode) {
  switch (mode & kQualityMask) {
    case 0:
      switch (mode & kScreeningMask) {
        case kScreeningHalftoning:
          return kMsgHalftoning;
        case kScreeningEnhancedMg:
          return kMsgEnhancedMg;
        default:
          return kMsgBlank;
      }
    case kQualityHighSpeed:
      return kMsgModeHighSpeed;
    case kQualityHighQuality:
      return kMsgModeHighQuality;
    case kQualityCrt:
      return kMsgModeCrt;
    default:
      return kMsgModeNone;
  }
}

// Paper sizes are compared as the 16-bit values both sides store.
bool SameSize(const PaperEntry& paper, int16_t width, int16_t length) {
  return paper.width == static_cast<uint16_t>(width) && paper.length == static_cast<uint16_t>(length);
}

// Builds a line in its buffer, always terminated, never beyond
// kOverlayLineSize - 1 characters.
struct LineWriter {
  char* line;
  size_t length;
};

void AppendText(LineWriter& w, const char* text, size_t maxLength) {
  size_t n = strnlen(text, maxLength);
  const size_t room = kOverlayLineSize - 1 - w.length;
  if (n > room) n = room;
  std::memcpy(w.line + w.length, text, n);
  w.length += n;
  w.line[w.length] = '\0';
}

void AppendText(LineWriter& w, const char* text) {
  AppendText(w, text, kOverlayLineSize);
}

// Loads the message straight into the rest of the line.
void AppendMessage(LineWriter& w, uint32_t id) {
  const size_t room = kOverlayLineSize - w.length;
  if (room < 2) return;
  LoadMessage(id, w.line + w.length, static_cast<int32_t>(room));
  w.line[kOverlayLineSize - 1] = '\0';
  w.length += strnlen(w.line + w.length, room - 1);
  w.line[w.length] = '\0';
}

void AppendNumber(LineWriter& w, uint32_t value) {
  char digits[11];
  size_t start = sizeof digits - 1;
  digits[start] = '\0';
  do {
    digits[--start] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  AppendText(w, digits + start);
}

constexpr char kFieldSeparator[] = ",";
constexpr char kBlankField[] = " ";
constexpr char kNoLayout[] = " -";

struct CountWork {
  PathBuffer groupPath;
  GroupInfoHeader header;
};

struct PaperLookupWork {
  // The form name list is done with before the group info file is read.
  union Blocks {
    FormRecordBlock forms;
    OverlayEntryBlock entries;
  } blocks;
  PathBuffer formListPath;
  PathBuffer groupListPath;
  PathBuffer text;
  PathBuffer groupInfoPath;
  GroupInfoHeader header;
  PrintSettings settings;
};

struct OverlayListWork {
  OverlayEntryBlock block;
  PathBuffer groupPath;
  GroupInfoHeader header;
  PrintSettings settings;
  char line[kOverlayLineSize];
};

struct SingleLineWork {
  char line[kOverlayLineSize];
};

// Opens the file (sharing reading only, existing files only), reads its
// header and checks the magic; tells whether its size is the one its counts
// make, and how many of the counted entries the file holds whole. headerBytes,
// when given, gets the 64 bytes as read.
ListFileState OpenGroupInfoFile(const char* path, plat::Access access, plat::FileHandle* file,
                                GroupInfoHeader* header, unsigned char* headerBytes, uint32_t* entriesInFile,
                                bool* sizeAgrees) {
  *file = nullptr;
  plat::FileHandle opened = plat::OpenFile(path, access, plat::kShareRead, plat::kOpenExisting);
  if (!opened) return ListFileState::kCannotOpen;
  unsigned char bytes[group_info::kHeaderSize];
  const uint32_t size = plat::GetFileSize(opened);
  if (size == plat::kInvalidSize || !SeekTo(opened, 0) || !ReadExactly(opened, bytes, sizeof bytes) ||
      std::memcmp(bytes, group_info::kMagic, group_info::kMagicSize) != 0) {
    plat::CloseFile(opened);
    return ListFileState::kDamaged;
  }
  DecodeGroupInfoHeader(bytes, header);
  // Counted in 64 bits: a damaged header must not wrap around to the size.
  const uint64_t expected = uint64_t{group_info::kEntriesOffset} +
                            uint64_t{group_info::kEntrySize} * header->entryCount +
                            uint64_t{group_info::kTableSlotSize} * header->stringCount + header->poolSize;
  *sizeAgrees = expected == size;
  const uint32_t inFile =
      size >= group_info::kHeaderSize ? (size - group_info::kHeaderSize) / group_info::kEntrySize : 0;
  *entriesInFile = header->entryCount < inFile ? header->entryCount : inFile;
  if (headerBytes) std::memcpy(headerBytes, bytes, sizeof bytes);
  *file = opened;
  return ListFileState::kValid;
}

}  // namespace

void DecodeGroupInfoHeader(const unsigned char* bytes, GroupInfoHeader* header) {
  header->firstString = GetI32(bytes + group_info::kFirstStringOffset);
  header->editedFileString = GetI32(bytes + group_info::kEditedFileStringOffset);
  header->previewString = GetI32(bytes + group_info::kPreviewStringOffset);
  header->entryCount = GetU32(bytes + group_info::kEntryCountOffset);
  header->stringCount = GetU32(bytes + group_info::kStringCountOffset);
  header->poolSize = GetU32(bytes + group_info::kPoolSizeOffset);
}

void EncodeGroupInfoHeader(const GroupInfoHeader& header, unsigned char* bytes) {
  std::memcpy(bytes, group_info::kMagic, group_info::kMagicSize);
  std::memset(bytes + group_info::kReservedOffset, 0, group_info::kReservedSize);
  PatchGroupInfoHeader(header, bytes);
}

void PatchGroupInfoHeader(const GroupInfoHeader& header, unsigned char* bytes) {
  PutI32(bytes + group_info::kFirstStringOffset, header.firstString);
  PutI32(bytes + group_info::kEditedFileStringOffset, header.editedFileString);
  PutI32(bytes + group_info::kPreviewStringOffset, header.previewString);
  PutU32(bytes + group_info::kEntryCountOffset, header.entryCount);
  PutU32(bytes + group_info::kStringCountOffset, header.stringCount);
  PutU32(bytes + group_info::kPoolSizeOffset, header.poolSize);
}

void DecodeOverlayEntry(const unsigned char* bytes, PrintSettings* settings, int32_t* fileNameString) {
  DecodePrintSettings(bytes + group_info::kEntrySettingsOffset, settings);
  *fileNameString = GetI32(bytes + group_info::kEntryFileNameOffset);
}

ListFileState OpenGroupInfoByMagic(const char* path, plat::Access access, plat::FileHandle* file,
                                   GroupInfoHeader* header, uint32_t* entriesInFile, bool* sizeAgrees) {
  return OpenGroupInfoFile(path, access, file, header, nullptr, entriesInFile, sizeAgrees);
}

ListFileState OpenGroupInfo(const char* path, plat::Access access, plat::FileHandle* file,
                            GroupInfoHeader* header, unsigned char* headerBytes) {
  uint32_t entriesInFile = 0;
  bool sizeAgrees = false;
  const ListFileState state =
      OpenGroupInfoFile(path, access, file, header, headerBytes, &entriesInFile, &sizeAgrees);
  if (state != ListFileState::kValid || sizeAgrees) return state;
  plat::CloseFile(*file);
  *file = nullptr;
  return ListFileState::kDamaged;
}

bool ReadGroupInfoString(plat::FileHandle file, const GroupInfoHeader& header, int32_t index, char* text,
                         PooledTextPlace* place) {
  if (index < 0) {
    text[0] = '\0';
    return false;
  }
  return ReadPooledText(file, GroupInfoTableOffset(header), header.stringCount, GroupInfoPoolOffset(header),
                        header.poolSize, static_cast<uint32_t>(index), text, place);
}

uint32_t CountOverlayEntries(int32_t formId) {
  WorkMemory<CountWork> w;
  if (!w || !GetFormGroupPath(formId, w->groupPath)) return 0;
  plat::FileHandle file = nullptr;
  if (OpenGroupInfo(w->groupPath, plat::kAccessReadWrite, &file, &w->header) != ListFileState::kValid) {
    return 0;
  }
  plat::CloseFile(file);
  return w->header.entryCount;
}

uint16_t FindFormPaperEntry(int32_t formId, uint16_t paperCount, const PaperEntry* papers,
                            uint16_t* orientation) {
  WorkMemory<PaperLookupWork> w;
  if (!w || !GetListFilePaths(w->formListPath, w->groupListPath)) return kNoPaper;
  // Only named forms have a group info file.
  uint32_t groupIndex = 0;
  plat::FileHandle formList = nullptr;
  if (!FindFormGroupIndex(w->formListPath, formId, FormRegion::kNamedForms, w->blocks.forms, &groupIndex,
                          &formList)) {
    return kNoPaper;
  }
  const bool read = ReadGroupPath(w->groupListPath, groupIndex, GroupRule::kPath, w->text, w->groupInfoPath);
  plat::CloseFile(formList);
  if (!read) return kNoPaper;
  plat::FileHandle file = nullptr;
  if (OpenGroupInfo(w->groupInfoPath, plat::kAccessRead, &file, &w->header) != ListFileState::kValid) {
    return kNoPaper;
  }
  if (!papers) paperCount = 0;
  uint16_t found = kNoPaper;
  WalkOverlayEntries(file, w->blocks.entries, w->header.entryCount, [&](const unsigned char* entry) {
    int32_t fileNameString = kNoString;
    DecodeOverlayEntry(entry, &w->settings, &fileNameString);
    for (uint16_t i = 0; i < paperCount && found == kNoPaper; ++i) {
      if (papers[i].code == w->settings.paperCode) found = i;
    }
    for (uint16_t i = 0; i < paperCount && found == kNoPaper; ++i) {
      if (SameSize(papers[i], w->settings.paperWidth, w->settings.paperHeight)) found = i;
    }
    if (found == kNoPaper) return true;
    *orientation = w->settings.orientation;
    return false;
  });
  plat::CloseFile(file);
  return found;
}

uint16_t ChooseOutputPaper(const PrintSettings& settings, const PaperEntry* papers, uint16_t paperCount,
                           bool matchSize) {
  if (!papers) return kNoPaper;
  uint16_t userDefined = kNoPaper;
  for (uint16_t i = 0; i < paperCount; ++i) {
    if (papers[i].code == settings.outputCode) return i;
    if (papers[i].code == kUserDefinedPaper) userDefined = i;
  }
  if (matchSize) {
    for (uint16_t i = 0; i < paperCount; ++i) {
      if (SameSize(papers[i], settings.outputWidth, settings.outputHeight)) return i;
    }
  }
  return userDefined;
}

void BuildOverlayLine(const PrintSettings& settings, const PaperEntry* papers, uint16_t paperCount,
                      bool matchSize, char* line) {
  LineWriter w{line, 0};
  line[0] = '\0';

  AppendMessage(w, settings.colour == kColour ? kMsgColor : kMsgBlack);
  AppendText(w, kFieldSeparator);

  AppendNumber(w, settings.resolution);
  AppendText(w, "dpi");
  AppendText(w, kFieldSeparator);

  AppendMessage(w, PrintingModeMessage(settings.printingMode));
  AppendText(w, kFieldSeparator);

  if (settings.pagesPerSheet == 0) {
    AppendNumber(w, settings.zoom);
    AppendText(w, "%");
  } else {
    AppendText(w, kBlankField);
  }
  AppendText(w, kFieldSeparator);

  const uint16_t paper = ChooseOutputPaper(settings, papers, paperCount, matchSize);
  if (paper != kNoPaper) {
    // A name without its terminator in the entry is cut at the entry's end.
    AppendText(w, papers[paper].name, kPaperNameSize - 1);
  } else {
    AppendText(w, kBlankField);
  }
  AppendText(w, kFieldSeparator);

  if (settings.pagesPerSheet > 0) {
    AppendText(w, kBlankField);
    AppendNumber(w, settings.pagesPerSheet);
    AppendMessage(w, kMsgPages);
  } else {
    AppendText(w, kNoLayout);
  }
}

bool ListOverlayLines(int32_t formId, const PaperEntry* papers, uint16_t paperCount, LineSink sink) {
  WorkMemory<OverlayListWork> w;
  if (!w || !GetFormGroupPath(formId, w->groupPath)) return false;
  // A file entry stands for one overlay data file and has no group info file.
  if (formId < 0) return true;
  plat::FileHandle file = nullptr;
  if (OpenGroupInfo(w->groupPath, plat::kAccessRead, &file, &w->header) != ListFileState::kValid)
    return false;
  WalkOverlayEntries(file, w->block, w->header.entryCount, [&](const unsigned char* entry) {
    int32_t fileNameString = kNoString;
    DecodeOverlayEntry(entry, &w->settings, &fileNameString);
    BuildOverlayLine(w->settings, papers, paperCount, true, w->line);
    if (sink.append) sink.append(sink.context, w->line);
    return true;
  });
  plat::CloseFile(file);
  return true;
}

bool ListSingleOverlayLine(const PrintSettings& settings, const PaperEntry* papers, uint16_t paperCount,
                           LineSink sink) {
  WorkMemory<SingleLineWork> w;
  if (!w) return false;
  BuildOverlayLine(settings, papers, paperCount, false, w->line);
  if (sink.append) sink.append(sink.context, w->line);
  return true;
}

}  // namespace zv
