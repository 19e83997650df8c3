// Compiled once per resource set: ZV_ENGLISH_RESOURCES chooses the English
// one.
#include "module/module_state.h"

#include "platform/platform.h"

namespace zv {
namespace {

// Module-wide state; one instance per process, without a lock: every call
// runs on the driver's thread.
uint32_t g_lastErrorCode = 0;
char g_messageBuffer[kMessageBufferSize];

constexpr uint32_t kPlatformWin32s = 0;
constexpr uint32_t kPlatformWindows = 1;
constexpr uint32_t kPlatformNt = 2;

}  // namespace

uint32_t GetWindowsVersionClass() {
  uint32_t platformId = 0;
  uint32_t major = 0;
  if (!plat::GetVersion(&platformId, &major)) return kVersionOther;
  switch (platformId) {
    case kPlatformWin32s:
      return kVersionWin32s;
    case kPlatformWindows:
      return kVersionWin95;
    case kPlatformNt:
      return major == 3 ? kVersionNt3 : major == 4 ? kVersionNt4 : kVersionOther;
    default:
      return kVersionOther;
  }
}

bool UseLocalResources() {
#ifdef ZV_ENGLISH_RESOURCES
  return false;
#else
  return true;
#endif
}

int32_t LoadMessage(uint32_t id, char* buffer, int32_t size) {
  return plat::LoadStringResource(UseLocalResources() ? id : id + kEnglishMessageOffset, buffer, size);
}

void ShowErrorBox(void* owner, uint32_t id) {
  LoadMessage(id, g_messageBuffer, sizeof g_messageBuffer);
  plat::ShowMessageBox(owner, g_messageBuffer, kBoxCaption, kStyleIconHand);
}

uint32_t GetLastErrorCode() {
  return g_lastErrorCode;
}

void SetLastErrorCode(uint32_t code) {
  g_lastErrorCode = code;
}

}  // namespace zv
