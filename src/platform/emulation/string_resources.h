// The string resources of the module where there are no resource sections
// (the posix and memory backends). On Windows the resource compiler links the
// module's string tables into the DLL and LoadString finds them there; here
// the module links in one table of the same ids and texts
// (module/string_table.cpp) and LoadStringResource looks it up.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat::emulation {

struct StringResource {
  uint32_t id;
  const char* text;
};

// Defined by the module, not by the platform layer: its string table (local
// ids and English ids alike) and the number of its entries.
extern const StringResource kModuleStrings[];
extern const size_t kModuleStringCount;

}  // namespace plat::emulation
