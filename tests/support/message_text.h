// The text of a message as the module shows it, in the resource set this
// build links in, its "%ld" replaced by number when one is given.
#pragma once

#include <cstdint>
#include <string>

namespace zvtest {

std::string Message(uint32_t id, const std::string& number = "");

}  // namespace zvtest
