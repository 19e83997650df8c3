// LoadStringResource over the module's string table.
#include "platform/emulation/string_resources.h"

#include <cstring>

#include "platform/platform.h"

namespace plat {

int32_t LoadStringResource(uint32_t id, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return 0;
  const char* text = nullptr;
  for (size_t i = 0; i < emulation::kModuleStringCount && !text; ++i) {
    if (emulation::kModuleStrings[i].id == id) text = emulation::kModuleStrings[i].text;
  }
  if (!text) {
    buffer[0] = '\0';
    return 0;
  }
  const size_t length = std::strlen(text);
  const size_t copied = length < static_cast<size_t>(size) ? length : static_cast<size_t>(size) - 1;
  std::memcpy(buffer, text, copied);
  buffer[copied] = '\0';
  return static_cast<int32_t>(copied);
}

}  // namespace plat
