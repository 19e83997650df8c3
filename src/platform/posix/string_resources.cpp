#include "platform/posix/string_resources.h"

#include <cstddef>

namespace plat::posix {
namespace {

struct StringResource {
  uint32_t id;
  const char* text;
};

constexpr StringResource kStrings[] = {
#define ZV_MESSAGE(id, name, english, local) {id, local}, {10##id, english},
#define ZV_MESSAGE_ENGLISH_ONLY(id, name, english) {10##id, english},
#define ZV_MESSAGE_LOCAL_ONLY(id, name, local) {id, local},
#include "dialogs/messages.inc"
#undef ZV_MESSAGE
#undef ZV_MESSAGE_ENGLISH_ONLY
#undef ZV_MESSAGE_LOCAL_ONLY
};

}  // namespace

const char* FindStringResource(uint32_t id) {
  for (const StringResource& s : kStrings) {
    if (s.id == id) return s.text;
  }
  return nullptr;
}

}  // namespace plat::posix
