// ZVSetDevOverlay and ZVGetFormID: an overlay choice made in the driver's own
// pages (an overlay data file, a printer-stored overlay or a named form, to
// print with or to capture) becomes a form identifier, and whatever the
// choice needs is registered in the catalogue on the way.
#include <cstring>

#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/overlay_files.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "driverapi/form_search.h"
#include "maintenance/form_registration.h"
#include "module/module_state.h"
#include "platform/platform.h"
#include "zvlmn30e.h"

namespace zv {
namespace {

// The driver's last overlay choice, written by the driver's own software.
constexpr char kOverlayChoiceKey[] = "Software\\ZEVRO\\ZEVRO Lamina3 DLL\\Overlay";
constexpr uint32_t kRegistryTextSize = plat::kPathBuffer;  // bytes asked of a string value

constexpr uint16_t kPurposePrint = 1;
constexpr uint16_t kPurposeCreate = 2;
constexpr uint16_t kSourceFile = 1;
constexpr uint16_t kSourceStored = 2;

// File entries are named for what they are used for.
constexpr char kPrintEntryName[] = "P";
constexpr char kCaptureEntryName[] = "C";

struct DevOverlayWork {
  PathBuffer searchPath;  // the search's path output, not used further
  PathBuffer groupText;   // a file entry's text, or a new form's save directory
  char description[kFormDescriptionSize];
  // One more byte than is asked for, so that a value stored without its
  // terminator still ends in one.
  char choiceFile[kRegistryTextSize + 1];
  char choiceExplanation[kRegistryTextSize + 1];
  char noFormName[kMessageBufferSize];
  uint32_t choiceType;
  uint32_t choicePosition;
};

// Copies text, cut to size - 1 characters, into a buffer of size bytes.
void CopyCut(char* buffer, const char* text, size_t size) {
  const size_t length = strnlen(text, size - 1);
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
}

// A string value of at most kRegistryTextSize bytes; anything else (missing,
// too long, not a string) leaves the buffer empty, as it was.
void QueryText(plat::RegKey key, const char* name, char* buffer) {
  uint32_t type = plat::kRegNone;
  uint32_t size = kRegistryTextSize;
  if (plat::QueryRegValue(key, name, &type, buffer, &size) != plat::kRegSuccess || type != plat::kRegSz) {
    std::memset(buffer, 0, kRegistryTextSize + 1);
  }
}

void QueryNumber(plat::RegKey key, const char* name, uint32_t* value) {
  uint32_t type = plat::kRegNone;
  uint32_t size = sizeof *value;
  uint32_t read = 0;
  if (plat::QueryRegValue(key, name, &type, &read, &size) == plat::kRegSuccess && type == plat::kRegDword &&
      size == sizeof read) {
    *value = read;
  }
}

// Reads the driver's last overlay choice. False when the key cannot be
// opened; a missing value only leaves its buffer empty. "Type" and
// "Position" describe the choice for the driver and are not used here.
bool ReadOverlayChoice(DevOverlayWork& w) {
  plat::RegKey key = nullptr;
  if (plat::OpenRegKey(kOverlayChoiceKey, &key) != plat::kRegSuccess) return false;
  QueryNumber(key, "Type", &w.choiceType);
  QueryNumber(key, "Position", &w.choicePosition);
  QueryText(key, "File", w.choiceFile);
  QueryText(key, "Explanation", w.choiceExplanation);
  plat::CloseRegKey(key);
  return true;
}

// An overlay data file given by path: only catalogue formats, and no name
// that the catalogue itself generates unless the file is raw printer data.
bool CheckOverlayFile(uint16_t purpose, const char* name) {
  if (name[0] == '\0' || std::strlen(name) > plat::kMaxPath) return false;
  const bool raw = ExtensionEquals(name, kRawFileExtension);
  if (std::strchr(name, '.') && !raw && !ExtensionEquals(name, kHeaderFileExtension)) return false;
  const char* backslash = std::strrchr(name, '\\');
  const char* fileName = backslash ? backslash + 1 : name;
  if (fileName[0] == '_' && !raw) return false;
  return purpose != kPurposePrint || PathExists(name);
}

// Writes the number in decimal into a path buffer.
void FormatNumber(uint16_t number, char* text) {
  char digits[6];
  size_t start = sizeof digits - 1;
  digits[start] = '\0';
  uint32_t value = number;
  do {
    digits[--start] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  CopyPath(text, digits + start);
}

// Registers a file entry for an overlay data file or a stored overlay: "P"
// to print with, "C" to capture into. A full ring of file entries is reused
// by overwriting the record that carries the next number.
bool RegisterFileEntry(DevOverlayWork& w, uint16_t purpose, const char* name, uint8_t layer,
                       const char* description, int32_t* formId) {
  CopyCut(w.description, description ? description : "", kFormDescriptionSize);
  const char* entryName = purpose == kPurposePrint ? kPrintEntryName : kCaptureEntryName;
  // A capture into the file that the driver chose last keeps the
  // description that was given with that choice.
  if (purpose == kPurposeCreate && ReadOverlayChoice(w) && EqualsIgnoringCase(w.choiceFile, name)) {
    CopyCut(w.description, w.choiceExplanation, kFormDescriptionSize);
  }
  int32_t id = 0;
  uint32_t canAdd = 0;
  if (!ChooseFormId(kChooseFileEntry, entryName, &id, &canAdd)) return false;
  const bool registered = canAdd == 1 ? AddFormRecord(id, entryName, w.description, w.groupText, layer)
                                      : UpdateFormRecord(id, entryName, w.description, w.groupText, layer);
  if (!registered) return false;
  *formId = id;
  return true;
}

// A named form: an existing one is taken when it has something to print
// with, or, for a capture, room for another overlay; a missing one is
// created for a capture.
bool ChooseNamedForm(DevOverlayWork& w, const void* settings, uint16_t count, const uint16_t* capabilities,
                     uint16_t purpose, const char* name, uint8_t layer, const char* saveDirectory,
                     const char* description, int32_t* formId) {
  const int32_t existing = ZVGetFormID(name);
  if (existing > 0) {
    uint16_t deviceNumber = kNoDeviceNumber;
    if (SearchForm(settings, static_cast<int16_t>(count), capabilities, existing, &deviceNumber,
                   w.searchPath) != 0) {
      *formId = existing;
      return true;
    }
    if (purpose != kPurposeCreate) return false;
    uint32_t lowest = 0;
    uint32_t highest = 0;
    GetOverlayNumberRange(&lowest, &highest);
    if (CountOverlayEntries(existing) >= highest - lowest + 1) return false;
    *formId = existing;
    return true;
  }

  if (purpose != kPurposeCreate) return false;
  // A name that does not fit a record would be stored as another name.
  if (std::strlen(name) >= kFormNameSize) return false;
  LoadMessage(kMsgNoFormName, w.noFormName, sizeof w.noFormName);
  if (std::strcmp(name, w.noFormName) == 0) return false;
  uint32_t lowest = 0;
  uint32_t highest = 0;
  GetFormIdRange(&lowest, &highest, nullptr);
  if (CountNamedForms() >= highest - lowest + 1) return false;

  CopyCut(w.description, description ? description : "", kFormDescriptionSize);
  if (saveDirectory) {
    if (!CopyPath(w.groupText, saveDirectory)) return false;
  } else {
    // Without memory the setting leaves the buffer empty: no directory.
    GetCurrentDirSetting(w.groupText);
    if (w.groupText[0] == '\0') return false;
  }
  int32_t id = 0;
  uint32_t canAdd = 0;
  if (!ChooseFormId(kChooseNamedForm, name, &id, &canAdd)) return false;
  if (!AddFormRecord(id, name, w.description, w.groupText, layer)) return false;
  *formId = id;
  return true;
}

}  // namespace
}  // namespace zv

using namespace zv;

extern "C" ZVLONG ZVAPI ZVGetFormID(ZVLPCSTR name) {
  int32_t id = 0;
  if (!name || !FindNamedFormByName(name, &id)) return 0;
  return id;
}

extern "C" ZVLONG ZVAPI ZVSetDevOverlay(const void* settings, ZVWORD count, const ZVWORD* capabilities,
                                        ZVWORD purpose, ZVWORD source, ZVLPCSTR name, ZVWORD number,
                                        ZVDWORD layer, ZVLPCSTR saveDirectory, ZVLPCSTR description,
                                        ZVLONG* formId) {
  WorkMemory<DevOverlayWork> w;
  if (!w) return 0;
  const uint8_t layerByte = static_cast<uint8_t>(layer & 0xFF);

  if (source != kSourceFile && source != kSourceStored) {
    if (!name) return 0;
    return ChooseNamedForm(*w, settings, count, capabilities, purpose, name, layerByte, saveDirectory,
                           description, formId)
               ? 1
               : 0;
  }

  // A file entry is only ever looked for as "P" or "C": one made for any
  // other purpose would be found by nothing.
  if (purpose != kPurposePrint && purpose != kPurposeCreate) return 0;
  const char* choiceName = "";
  if (source == kSourceFile) {
    if (!name || !CheckOverlayFile(purpose, name)) return 0;
    CopyPath(w->groupText, name);
    choiceName = name;
  } else {
    // An overlay kept in the printer cannot be captured.
    if (purpose == kPurposeCreate) return 0;
    FormatNumber(number, w->groupText);
  }
  return RegisterFileEntry(*w, purpose, choiceName, layerByte, description, formId) ? 1 : 0;
}
