// ZVSetFormConfirm: the driver's check of its overlay settings before it
// accepts them. Each problem found is put to the user as a question; the
// answers decide whether the driver goes on with its settings (1) or lets
// the user change them (0).
#include <cstdio>
#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/paths.h"
#include "catalogue/print_settings.h"
#include "catalogue/work_memory.h"
#include "driverapi/form_search.h"
#include "driverlink/driver_entry_points.h"
#include "module/module_state.h"
#include "zvlmn30e.h"

namespace zv {
namespace {

// Confirm modes the driver passes.
constexpr uint16_t kConfirmUse = 1;     // it is to print with the form's overlay data
constexpr uint16_t kConfirmCreate = 2;  // it is to record new overlay data for the form

struct ConfirmWork {
  PathBuffer path;  // the overlay the search found, then the form's group path
  PathBuffer text;  // the file entry's name, a message's text
};

// What one call is about.
struct ConfirmCall {
  void* owner;
  const void* settings;
  int32_t formId;
  bool create;
};

int32_t Ask(const ConfirmCall& call, uint32_t id, ConfirmWork& w) {
  LoadMessage(id, w.text, sizeof w.text);
  return plat::ShowMessageBox(call.owner, w.text, kBoxCaption, kStyleQuestion);
}

// A file entry is meant for printing when named "P", for capture when "C".
bool NameFitsMode(const char* name, bool create) {
  return name[0] == (create ? 'C' : 'P') && name[1] == '\0';
}

// Cuts a path at its last backslash, keeping the backslash of a drive root:
// "C:\FORMS\A.ZLP" gives "C:\FORMS", "C:\A.ZLP" gives "C:\". A path without
// a backslash stays whole.
void CutAtLastBackslash(char* path) {
  char* last = std::strrchr(path, '\\');
  if (!last) return;
  if (last == path + 2 && path[1] == ':') ++last;
  *last = '\0';
}

// Message 414 with the group's capacity put in, in a stop box.
void ShowTooManyOverlays(const ConfirmCall& call, uint32_t capacity, ConfirmWork& w) {
  // The found path is no longer needed: it holds the message's pattern.
  LoadMessage(kMsgTooManyOverlays, w.path, sizeof w.path);
  std::snprintf(w.text, sizeof w.text, w.path, static_cast<long>(capacity));
  plat::ShowMessageBox(call.owner, w.text, kBoxCaption, kStyleIconHand);
}

// Create mode, a match: the found file's directory must exist, and an
// overlay made for exactly this resolution and printing mode is only
// overwritten when the user agrees.
int32_t ConfirmOverwrite(const ConfirmCall& call, uint32_t found, int32_t result, ConfirmWork& w) {
  CutAtLastBackslash(w.path);
  if (!PathExists(w.path)) {
    ShowErrorBox(call.owner, kMsgDirectoryMissing);
    return 0;
  }
  const unsigned char* block = static_cast<const unsigned char*>(call.settings);
  const bool sameResolution = (found >> 16) == GetU16(block + driver_block::kResolutionOffset);
  const bool sameMode = ((found >> 8) & 0xFF) == GetU16(block + driver_block::kPrintingModeOffset);
  if (sameResolution && sameMode && Ask(call, kMsgOverwriteMatchingOverlay, w) == kAnswerNo) return 0;
  return result;
}

// Create mode, no match: there must be room for another overlay in the
// form's group, the paper and orientation should be those of the form, and
// the place where the new file goes must exist. reason is what the search
// left in the last error code.
int32_t ConfirmNewOverlay(const ConfirmCall& call, uint32_t reason, int32_t result, ConfirmWork& w) {
  uint32_t lowest = 0;
  uint32_t highest = 0;
  GetOverlayNumberRange(&lowest, &highest);
  const uint32_t capacity = highest - lowest + 1;
  if (CountOverlayEntries(call.formId) >= capacity) {
    ShowTooManyOverlays(call, capacity, w);
    return 0;
  }
  if ((reason == kMismatchOrientation || reason == kMismatchPaper) &&
      Ask(call, kMsgPaperOrientationDiffersFromForm, w) == kAnswerYes) {
    result = 0;
  }
  if (!GetFormGroupPath(call.formId, w.path)) return result;
  // A group info file or overlay data file stands for its directory; a save
  // directory is tested as it is.
  if (std::strchr(w.path, '.')) CutAtLastBackslash(w.path);
  if (!PathExists(w.path)) {
    ShowErrorBox(call.owner, kMsgDirectoryMissing);
    result = 0;
  }
  return result;
}

// The checks of the form's overlay data under the driver's settings.
int32_t ConfirmOverlayData(const ConfirmCall& call, int16_t capabilityCount, const uint16_t* capabilities,
                           int32_t result, ConfirmWork& w) {
  SetLastErrorCode(0);
  uint16_t deviceNumber = kNoDeviceNumber;
  const uint32_t found =
      SearchForm(call.settings, capabilityCount, capabilities, call.formId, &deviceNumber, w.path);
  // Why nothing matched, read before any other catalogue call clears it.
  const uint32_t reason = GetLastErrorCode();

  if (found != 0) return call.create ? ConfirmOverwrite(call, found, result, w) : result;
  if (call.create) return ConfirmNewOverlay(call, reason, result, w);
  return Ask(call, kMsgNoMatchingOverlayChange, w) == kAnswerYes ? 0 : result;
}

}  // namespace
}  // namespace zv

using namespace zv;

extern "C" ZVLONG ZVAPI ZVSetFormConfirm(ZVHWND owner, const void* settings, ZVLPCSTR deviceName,
                                         ZVLPCSTR driverPath, ZVLONG formId, ZVWORD confirmMode) {
  WorkMemory<ConfirmWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    ShowErrorBox(owner, kMsgNoWorkArea);
    return 0;
  }
  if (confirmMode != kConfirmUse && confirmMode != kConfirmCreate) return 1;
  const ConfirmCall call{owner, settings, formId, confirmMode == kConfirmCreate};
  const uint32_t noFormQuestion = call.create ? kMsgNoFormSelectedCreate : kMsgNoFormSelectedChange;

  if (formId == 0) return Ask(call, noFormQuestion, *w) == kAnswerYes ? 0 : 1;

  int32_t result = 1;
  // A file entry made for the other purpose, or one that does not exist,
  // is questioned; the overlay data is checked whatever the answer.
  int32_t foundId = 0;
  if (formId < 0 && GetFileEntryName(formId, &foundId, w->text) && !NameFitsMode(w->text, call.create) &&
      Ask(call, noFormQuestion, *w) == kAnswerYes) {
    result = 0;
  }

  int16_t modelCount = 0;
  int16_t capabilityCount = 0;
  plat::MemoryHandle driverLists =
      QueryDriverCapabilities(deviceName, driverPath, &modelCount, &capabilityCount);
  if (!driverLists) return result;
  // The capability words follow the model ids.
  const uint16_t* models = static_cast<const uint16_t*>(plat::LockMemory(driverLists));
  if (models) {
    result = ConfirmOverlayData(call, capabilityCount, models + modelCount, result, *w);
    plat::UnlockMemory(driverLists);
  }
  plat::FreeMemory(driverLists);
  return result;
}
