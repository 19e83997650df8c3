// The text of a message as the module shows it, in the resource set this
// build links in, its "%ld" replaced by number when one is given.
#pragma once

#include <cstdint>
#include <string>

#include "module/module_state.h"

namespace zvtest {

inline std::string Message(uint32_t id, const std::string& number = "") {
  char text[zv::kMessageBufferSize] = {};
  zv::LoadMessage(id, text, sizeof text);
  std::string s = text;
  const size_t at = s.find("%ld");
  return number.empty() || at == std::string::npos ? s : s.replace(at, 3, number);
}

}  // namespace zvtest
