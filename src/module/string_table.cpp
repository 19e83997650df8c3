// The module's string table for the Linux build: the same ids and texts that
// the resource scripts give the Windows build, from the same message list.
#include "platform/emulation/string_resources.h"

namespace plat::emulation {

const StringResource kModuleStrings[] = {
#define ZV_MESSAGE(id, name, english, local) {id, local}, {10##id, english},
#define ZV_MESSAGE_ENGLISH_ONLY(id, name, english) {10##id, english},
#define ZV_MESSAGE_LOCAL_ONLY(id, name, local) {id, local},
#include "module/messages.inc"
#undef ZV_MESSAGE
#undef ZV_MESSAGE_ENGLISH_ONLY
#undef ZV_MESSAGE_LOCAL_ONLY
};

const size_t kModuleStringCount = sizeof kModuleStrings / sizeof kModuleStrings[0];

}  // namespace plat::emulation
