// The module's string table on Linux, built from the same message source as
// the Windows resource scripts.
#pragma once

#include <cstdint>

namespace plat::posix {

// The text of a string resource id (local ids and English ids alike), or null.
const char* FindStringResource(uint32_t id);

}  // namespace plat::posix
