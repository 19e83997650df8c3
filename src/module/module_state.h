// What every layer of the module shares: the last error code, the messages of
// the chosen resource set and the error box, and the Windows version class.
#pragma once

#include <cstdint>

#include "module/message_ids.h"

namespace zv {

// Windows version classes as GetWindowsVersionClass reports them.
enum VersionClass : uint32_t {
  kVersionOther = 0,  // Windows NT 5 and later, or the version is unknown
  kVersionWin32s = 1,
  kVersionWin95 = 2,
  kVersionNt3 = 17,
  kVersionNt4 = 18,
};

constexpr uint32_t kMessageBufferSize = 256;
constexpr char kBoxCaption[] = "Overlay";
constexpr uint32_t kStyleIconHand = 16;  // MB_ICONHAND: one OK button, stop icon
constexpr uint32_t kStyleQuestion = 36;  // MB_YESNO | MB_ICONQUESTION: the module's questions
constexpr int32_t kAnswerYes = 6;        // IDYES: go on
constexpr int32_t kAnswerNo = 7;         // IDNO: go back

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

}  // namespace zv
