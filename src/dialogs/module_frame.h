// The module frame: what happens at attach, the module-wide state, the
// choice of resource set, messages, the error box and the last error code.
#pragma once

#include <cstdint>

#include "dialogs/message_ids.h"

namespace zv {

// Windows version classes as GetWindowsVersionClass reports them.
enum VersionClass : uint32_t {
  kVersionOther = 0,  // Windows NT 5 and later, or the version is unknown
  kVersionWin32s = 1,
  kVersionWin95 = 2,
  kVersionNt3 = 17,
  kVersionNt4 = 18,
};

constexpr uint32_t kReasonProcessAttach = 1;
constexpr uint32_t kMessageBufferSize = 256;
constexpr char kBoxCaption[] = "Overlay";
constexpr uint32_t kStyleIconHand = 16;  // MB_ICONHAND: one OK button, stop icon
constexpr uint32_t kStyleQuestion = 36;  // MB_YESNO | MB_ICONQUESTION: the module's questions
constexpr int32_t kAnswerYes = 6;        // IDYES: go on
constexpr int32_t kAnswerNo = 7;         // IDNO: go back

// The module's entry function: stores the instance and registers the
// file-name-OK message on Windows NT 4. Always returns true.
bool ModuleAttach(void* instance, uint32_t reason, void* reserved);

uint32_t GetWindowsVersionClass();

// True: the local (Spanish) resource set is shown; false: the English set.
bool UseLocalResources();

// Loads a message by its local id from the chosen set. Returns the number of
// characters copied (0 and an empty text for a message the set lacks).
int32_t LoadMessage(uint32_t id, char* buffer, int32_t size);

// Shows the message in a stop box with the caption "Overlay".
void ShowErrorBox(void* owner, uint32_t id);

uint32_t GetLastErrorCode();
void SetLastErrorCode(uint32_t code);

// Registers a window message through USER32.DLL loaded by name at each call;
// 0 when the library or the function is missing.
uint32_t RegisterWindowMessageLate(const char* name);

// The id of "commdlg_FileNameOK" registered at attach, or 0.
uint32_t FileNameOkMessage();

}  // namespace zv
