#include "catalogue_source.h"

#include "catalogue/catalogue_config.h"
#include "catalogue/paths.h"
#include "platform/platform.h"

namespace zvcat {

bool ListFilesFromConfiguration(const std::string& configPath, CataloguePaths* paths, std::string* error) {
  if (configPath.empty() || configPath.size() > plat::kMaxPath || !zv::PathExists(configPath.c_str())) {
    *error = "the configuration file " + configPath + " does not exist";
    return false;
  }
  zv::PathBuffer formList = "";
  zv::PathBuffer groupList = "";
  if (!zv::ReadListFilePaths(configPath.c_str(), formList, groupList)) {
    *error = "the configuration file " + configPath +
             " names no list files (FormName and GroupName of the section ENVIRONMENT's USER names)";
    return false;
  }
  paths->formList = formList;
  paths->groupList = groupList;
  return true;
}

std::string DefaultConfigurationPath() {
  zv::PathBuffer path = "";
  const uint32_t length = plat::GetSystemDirectoryPath(path, plat::kPathBuffer);
  if (length == 0 || length > plat::kMaxPath) return std::string();
  if (!zv::ToDirectoryForm(path) || !zv::AppendPath(path, "ZVLMN3.DAT")) return std::string();
  return path;
}

}  // namespace zvcat
