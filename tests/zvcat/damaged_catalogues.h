// Catalogues for zvcat's tests, built byte by byte: a sound one, one copy of
// it per kind of damage the checker names, and the small example catalogue
// of the listing tests and the help text.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zvtest {

// The sound catalogue's list files in dir (a Windows path ending in '\').
inline std::string FormListIn(const std::string& dir) {
  return dir + "FORMS.FLT";
}
inline std::string GroupListIn(const std::string& dir) {
  return dir + "GROUPS.GLT";
}
void WriteSoundCatalogue(const std::string& dir);

struct DamagedCatalogue {
  const char* name;  // what is wrong, usable as a test name
  const char* kind;  // the finding the checker must report first
  const char* file;  // the file it is in, relative to dir
  long long offset;  // its byte offset there, -1 for the whole file
  const char* form;  // a form `zvcat show` is asked for, its exit status and a line it prints
  int showStatus;
  const char* shows;
  std::function<void(const std::string& dir)> write;  // the whole catalogue
};
const std::vector<DamagedCatalogue>& DamagedCatalogues();

// The example: INVOICE (group info file _F301A.FGP, two overlays), Letter
// (a save directory), file entries -1 LOGO.ZLP and -2 SEAL (overlay 7).
constexpr char kExampleGroupInfo[] = "_F301A.FGP";
std::string ExampleRecord(int which);  // the 34-byte records of overlay 0 and 1
void WriteExampleCatalogue(const std::string& dir);

}  // namespace zvtest
