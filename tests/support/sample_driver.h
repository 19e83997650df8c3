// Where the test programs find the sample printer driver module.
#pragma once

#include <string>

namespace zvtest {
// The sample driver (ZVSAMPLE), built one directory above the test programs,
// as a Windows path; empty when it cannot be named. It answers from the
// ZVSAMPLE.INI of the build, which tests only read.
std::string SampleDriver();
// A device name such as a driver passes, with blanks in it.
inline const std::string kSampleDevice = "ZEVRO Lamina 30";
// A copy of the sample driver of the test's own in dir (a Windows directory
// path ending in a backslash, made when missing), answering from settings,
// written as the ZVSAMPLE.INI beside it at every call; the copy is made once.
// Gives the copy's Windows path, the driver module path to hand on, or empty
// when it cannot be placed.
std::string SampleDriverIn(const std::string& dir, const std::string& settings);
}  // namespace zvtest
