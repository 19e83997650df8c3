// Where the test programs find the sample printer driver module.
#pragma once

#include <string>

namespace zvtest {
// The sample driver (ZVSAMPLE), built one directory above the test programs,
// as a Windows path; empty when it cannot be named.
std::string SampleDriver();
}  // namespace zvtest
