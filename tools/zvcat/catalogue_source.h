// Where zvcat finds a catalogue: a catalogue configuration file
// (ZVLMN3.DAT), the two list files given directly, or by default the
// configuration file of the system directory. Nothing is created or written.
#pragma once

#include <string>

#include "catalogue_check.h"

namespace zvcat {

// The list files named by the configuration file at configPath, read as the
// module reads its own (the user's section of ENVIRONMENT's USER, keys
// FormName and GroupName). False, with a reason in error, when the file is
// missing or names no list files.
bool ListFilesFromConfiguration(const std::string& configPath, CataloguePaths* paths, std::string* error);

// The configuration file of the system directory.
std::string DefaultConfigurationPath();

}  // namespace zvcat
