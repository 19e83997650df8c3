// The context records of the exported dialog functions: one zeroed block
// per call, shared with the sub-dialogs. The first field of each is the
// help-open flag.
#pragma once

#include <windows.h>
// commdlg.h needs the types of windows.h.
#include <commdlg.h>

#include <cstddef>
#include <cstdint>

#include "catalogue/form_name_list.h"
#include "catalogue/print_settings.h"
#include "driverlink/paper_size_list.h"
#include "platform/platform.h"

namespace zv {

// The size given in every open-file record: the record of the Windows 95
// and NT 4 generation (76 bytes in the 32-bit module, 136 in the 64-bit
// one), which every system of the family accepts (the headers' record is
// longer; its tail stays unused).
constexpr DWORD kOpenFileRecordSize = offsetof(OPENFILENAMEA, pvReserved);
static_assert(kOpenFileRecordSize == (sizeof(void*) == 8 ? 136 : 76), "the open-file record of NT 4");

using FormName = char[kFormNameSize];

// The form name picker (DETAIL with PickFormNameProc), a record inside the
// caller's own context.
struct FormNamePickerContext {
  int32_t helpOpen;
  const char* driverPath;
  const char* deviceName;
  int32_t count;
  int32_t* ids;
  FormName* names;
  int32_t pickedForm;  // in: a form to preselect (0: by name); out: the one picked
  char pickedName[kFormNameSize];
  char pickedDescription[kFormDescriptionSize];
};

// ZVFormDetailsDlg's form details dialog (DETAIL with FormDetailsProc). The
// identifier and name arrays follow the record in the same block.
struct FormDetailsContext {
  int32_t helpOpen;
  int32_t count;
  int32_t selectedForm;  // in: the driver's current form; out: the chosen one
  int32_t* ids;
  FormName* names;
  const char* driverPath;
  const char* deviceName;
  char description[plat::kPathBuffer];
};

// ZVFormDetailsDlg's form selection dialog (DETAIL1).
struct FormSelectionContext {
  int32_t helpOpen;
  int32_t fileEntryId;  // in: the driver's file entry (0: none); out: the one registered
  char filePath[plat::kPathBuffer];
  const char* driverPath;
  const char* deviceName;
  OPENFILENAMEA openFile;
  char workText1[plat::kPathBuffer];
  char workText2[plat::kPathBuffer];
  char workText3[plat::kPathBuffer];
  int32_t foundId;
  char entryName[kFormNameSize];
};

// Modes of the form settings dialog.
constexpr uint8_t kModeFormNames = 0;
constexpr uint8_t kModeFiles = 1;

// ZVCreateFormDlg's form settings dialog (FORMINFO), shared with the add
// form (NEWFORM) and form/file settings (NEWFILE) dialogs.
struct FormSettingsContext {
  int32_t helpOpen;
  uint8_t mode;
  plat::MemoryHandle namedForms;  // the identifier and name arrays, once filled
  int32_t namedCount;
  int32_t* ids;
  FormName* names;  // directly behind the identifiers
  uint32_t namedCapacity;
  int32_t selectedForm;
  uint16_t formOrientation;  // 1 portrait, else landscape
  uint16_t formPaperIndex;   // kNoPaper when none
  char saveDirectory[plat::kPathBuffer];
  char formName[kFormNameSize];
  char formDescription[kFormDescriptionSize];
  int32_t fileEntryId;  // negative; 0: none
  uint16_t fileEntryLayer;
  char filePath[plat::kPathBuffer];
  char fileDescription[kFormDescriptionSize];
  const char* deviceName;
  const char* driverPath;
  const void* settings;  // the driver settings block
  plat::MemoryHandle paperList;
  uint16_t paperCount;
  const PaperEntry* papers;
  FormNamePickerContext picker;
  OPENFILENAMEA openFile;
  char workText1[plat::kPathBuffer];
  char workText2[plat::kPathBuffer];
  char workText3[plat::kPathBuffer];
  uint16_t capabilityCount;
  const uint16_t* capabilities;
};

// Modes of the edit form dialog.
constexpr uint16_t kEditModeFormNames = 0;
constexpr uint16_t kEditModeFile = 1;

// ZVEntryFormEditDlg's edit form dialog (EDIT), shared with the change form
// (EDIT3), delete form data (EDIT1) and register existing form (EDIT2)
// dialogs.
struct EditFormContext {
  int32_t helpOpen;
  uint16_t mode;
  const void* settings;  // the driver settings block
  const char* deviceName;
  const char* driverPath;
  plat::MemoryHandle namedForms;  // the identifier and name arrays; null without named forms
  uint32_t namedFormsSize;        // count x 29 bytes
  int32_t* ids;
  FormName* names;  // directly behind the identifiers
  int32_t namedCount;
  int32_t selectedForm;
  uint32_t namedCapacity;
  uint32_t overlayCapacity;
  uint16_t formOrientation;
  uint16_t formPaperIndex;
  uint16_t formLayer;
  char saveDirectory[plat::kPathBuffer];
  char formName[kFormNameSize];
  char formDescription[kFormDescriptionSize];
  uint16_t fileOrientation;
  uint16_t filePaperIndex;  // kNoPaper when none
  int32_t fileEntryId;      // the file entry shown in file mode; 0: none
  PrintSettings settingsRecord;
  uint16_t fileLayer;  // 0 when unknown
  char filePath[plat::kPathBuffer];
  char fileName[kFormNameSize];
  char fileDescription[kFormDescriptionSize];
  plat::MemoryHandle flagsHandle;  // the delete dialog's tick flags, one u32 per overlay entry
  uint32_t* flags;
  uint32_t flagCount;
  int32_t keyboardToggle;  // set while a key press toggles a tick
  plat::MemoryHandle paperList;
  uint16_t paperCount;
  const PaperEntry* papers;
  OPENFILENAMEA openFile;
  FormNamePickerContext picker;
  char workText1[plat::kPathBuffer];
  char workText2[plat::kPathBuffer];
  char workText3[plat::kPathBuffer];
  char entryName[kFormNameSize];
  int32_t driverForm;  // the named form the driver's identifier names; 0 once the edit deleted it
};

}  // namespace zv
