// ZVSearchForm: the overlay a form prints with under the driver's settings.
// The form record leads to the group text; a file entry's text is an
// overlay data file or a printer-stored overlay number, a named form's text
// its group info file, whose overlay entries compete by screening and
// resolution.
#include "driverapi/form_search.h"

#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/paths.h"
#include "catalogue/print_settings.h"
#include "catalogue/work_memory.h"
#include "zvlmn30e.h"

namespace zv {
namespace {

struct SearchWork {
  // The form name list is done with before the group info file is read.
  union Blocks {
    FormRecordBlock forms;
    OverlayEntryBlock entries;
  } blocks;
  PathBuffer formListPath;
  PathBuffer groupListPath;
  PathBuffer text;
  PathBuffer target;
  PathBuffer fileName;
  PathBuffer overlayPath;
  GroupInfoHeader header;
  PrintSettings settings;
  PrintSettings captured;
  PrintSettings chosen;
};

// What the form record tells the search.
struct FoundForm {
  uint8_t layerCode;  // 1 front, 2 back; 0 for a file entry not made for printing
  uint32_t groupIndex;
};

// The decimal value of a text of digits, kept to its low 16 bits.
uint16_t DecimalValue16(const char* digits) {
  uint32_t value = 0;
  for (; *digits; ++digits) value = value * 10 + static_cast<uint32_t>(*digits - '0');
  return static_cast<uint16_t>(value);
}

// A file entry is found for printing only when it is named exactly "P".
bool NamedForPrinting(const unsigned char* record) {
  return record[form_list::kNameOffset] == 'P' && record[form_list::kNameOffset + 1] == '\0';
}

// Searches the region of the identifier's kind for the form record, and
// gives the file still open for reading: the caller reads the group text
// before it closes it. False (nothing left open) when the file cannot be
// opened or is damaged, or no record matches.
bool FindSearchedForm(const char* formListPath, int32_t id, FormRecordBlock& block, FoundForm* found,
                      plat::FileHandle* formList) {
  plat::FileHandle file = nullptr;
  FormListHeader header;
  if (OpenFormNameList(formListPath, plat::kAccessRead, &file, &header) != ListFileState::kValid)
    return false;
  uint32_t count = header.namedCount;
  bool positioned = true;
  if (id < 0) {
    const uint32_t region = FileEntryRegionOffset(header);
    count = header.fileEntryCount;
    positioned = plat::SeekFile(file, static_cast<int32_t>(region), plat::kSeekBegin) == region;
  }
  bool matched = false;
  if (positioned) {
    matched = WalkFormRecords(file, block, count, [&](const unsigned char* record) {
      if (FormRecordId(record) != id) return true;
      found->groupIndex = GetU32(record + form_list::kGroupIndexOffset);
      found->layerCode = record[form_list::kLayerOffset] == kLayerFront ? kLayerFront : kLayerBack;
      if (id < 0 && !NamedForPrinting(record)) found->layerCode = 0;
      return false;
    });
  }
  if (!matched || found->layerCode == 0) {
    plat::CloseFile(file);
    return false;
  }
  *formList = file;
  return true;
}

// A file entry naming an overlay data file: its own record, with the
// orientation and both papers taken from the driver's settings, so that only
// colour, layout, zoom, printing mode and mode level can fail to match.
uint32_t SearchFileEntry(SearchWork& w, const void* settings, int16_t capabilityCount,
                         const uint16_t* capabilities, char* path) {
  ReadOverlaySettings(w.target, 0, &w.settings);
  CaptureSettings(settings, 0, &w.captured);
  PrintSettings& s = w.settings;
  const PrintSettings& c = w.captured;
  s.orientation = c.orientation;
  s.paperWidth = c.paperWidth;
  s.paperHeight = c.paperHeight;
  s.paperValue3 = c.paperValue3;
  s.paperValue4 = c.paperValue4;
  s.paperCode = c.paperCode;
  s.outputWidth = c.outputWidth;
  s.outputHeight = c.outputHeight;
  s.outputValue3 = c.outputValue3;
  s.outputValue4 = c.outputValue4;
  s.outputCode = c.outputCode;
  if (!MatchOverlaySettings(s, settings, capabilityCount, capabilities)) return 0;
  // A raw file that cannot be read has no layer, mode or resolution: nothing
  // to print with, so the path stays as it was.
  const uint32_t result = PackSearchResult(s.layer, s.printingMode, s.resolution);
  if (result != 0) CopyPath(path, w.target);
  return result;
}

// Opens a group info file for the search. Only the magic is checked; a file
// whose size disagrees with its counts is still searched, but only over the
// overlay entries that lie wholly inside it. entryCount gets that number.
bool OpenGroupForSearch(SearchWork& w, plat::FileHandle* file, uint32_t* entryCount) {
  bool sizeAgrees = false;
  return OpenGroupInfoByMagic(w.target, plat::kAccessRead, file, &w.header, entryCount, &sizeAgrees) ==
         ListFileState::kValid;
}

// A named form: the overlay entry of its group info file that fits the
// settings best. Preferred, in this order: the first entry with both the
// wanted screening and the wanted resolution; the last with the screening;
// the last with the resolution; the first acceptable one.
uint32_t SearchGroup(SearchWork& w, const void* settings, int16_t capabilityCount,
                     const uint16_t* capabilities, uint8_t layerCode, char* path) {
  plat::FileHandle file = nullptr;
  uint32_t entryCount = 0;
  if (!OpenGroupForSearch(w, &file, &entryCount)) return 0;

  const unsigned char* block = static_cast<const unsigned char*>(settings);
  const uint8_t wantedScreening =
      static_cast<uint8_t>(block[driver_block::kPrintingModeOffset] & kScreeningMask);
  const uint16_t wantedResolution = GetU16(block + driver_block::kResolutionOffset);
  bool haveChosen = false;
  bool chosenHasScreening = false;
  int32_t chosenName = kNoString;
  WalkOverlayEntries(file, w.blocks.entries, entryCount, [&](const unsigned char* entry) {
    int32_t name = kNoString;
    DecodeOverlayEntry(entry, &w.settings, &name);
    if (!MatchOverlaySettings(w.settings, settings, capabilityCount, capabilities)) return true;
    const bool hasScreening = (w.settings.printingMode & kScreeningMask) == wantedScreening;
    const bool hasResolution = w.settings.resolution == wantedResolution;
    const bool take = (hasScreening && hasResolution) || !haveChosen || hasScreening ||
                      (!chosenHasScreening && hasResolution);
    if (take) {
      w.chosen = w.settings;
      chosenName = name;
      chosenHasScreening = hasScreening;
      haveChosen = true;
    }
    return !(hasScreening && hasResolution);
  });

  uint32_t result = 0;
  if (haveChosen && ReadGroupInfoString(file, w.header, chosenName, w.fileName)) {
    // A name without a directory lies beside the group info file.
    bool built = true;
    if (std::strchr(w.fileName, '\\')) {
      built = CopyPath(w.overlayPath, w.fileName);
    } else {
      DirectoryOfFile(w.target, w.overlayPath);
      built = AppendPath(w.overlayPath, w.fileName);
    }
    if (built) {
      CopyPath(path, w.overlayPath);
      result = PackSearchResult(layerCode, w.chosen.printingMode, w.chosen.resolution);
    }
  }
  plat::CloseFile(file);
  return result;
}

}  // namespace

uint32_t SearchForm(const void* settings, int16_t capabilityCount, const uint16_t* capabilities,
                    int32_t formId, uint16_t* deviceNumber, char* path) {
  WorkMemory<SearchWork> w;
  if (!w || !GetListFilePaths(w->formListPath, w->groupListPath)) return 0;
  FoundForm form{};
  plat::FileHandle formList = nullptr;
  if (!FindSearchedForm(w->formListPath, formId, w->blocks.forms, &form, &formList)) return 0;
  // Read while the form name list file is open: no deletion can move the
  // group name entries under the record's index meanwhile.
  const bool read = ReadGroupPath(w->groupListPath, form.groupIndex, GroupRule::kFull, w->text, w->target);
  plat::CloseFile(formList);
  if (!read) return 0;
  *deviceNumber = kNoDeviceNumber;

  if (formId < 0) {
    // A number stands for an overlay kept in the printer.
    if (IsDigitsOnly(w->target)) {
      *deviceNumber = DecimalValue16(w->target);
      return form.layerCode;
    }
    return SearchFileEntry(*w, settings, capabilityCount, capabilities, path);
  }
  return SearchGroup(*w, settings, capabilityCount, capabilities, form.layerCode, path);
}

}  // namespace zv

using namespace zv;

extern "C" ZVDWORD ZVAPI ZVSearchForm(const void* settings, ZVDWORD count, const ZVWORD* capabilities,
                                      ZVLONG formId, ZVWORD* deviceNumber, ZVLPSTR path) {
  // The low 16 bits of the count, taken as signed, are the number of words.
  return SearchForm(settings, static_cast<int16_t>(count & 0xFFFF), capabilities, formId, deviceNumber, path);
}
