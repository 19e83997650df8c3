// The text of a message as the module shows it, in the resource set this
// build links in.
#pragma once

#include <cstdint>
#include <string>

namespace zvtest {

// The message, its "%ld" replaced by number when one is given.
std::string Message(uint32_t id, const std::string& number = "");

}  // namespace zvtest
