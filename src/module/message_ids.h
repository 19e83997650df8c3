// Names for the module's message ids (the local set; the English twin of each
// is its id plus kEnglishMessageOffset).
#pragma once

#include <cstdint>

namespace zv {

enum MessageId : uint32_t {
#define ZV_MESSAGE(id, name, english, local) kMsg##name = id,
#define ZV_MESSAGE_ENGLISH_ONLY(id, name, english) kMsg##name = id,
#define ZV_MESSAGE_LOCAL_ONLY(id, name, local) kMsg##name = id,
#include "module/messages.inc"
#undef ZV_MESSAGE
#undef ZV_MESSAGE_ENGLISH_ONLY
#undef ZV_MESSAGE_LOCAL_ONLY
};

constexpr uint32_t kEnglishMessageOffset = 10000;

}  // namespace zv
