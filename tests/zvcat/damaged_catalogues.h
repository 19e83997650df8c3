// Catalogues for the checker's tests: one sound catalogue, and one catalogue
// for every kind of fault the checker names, each built byte by byte. The
// checker's own tests and the program's tests run over the same table.
#pragma once

#include <string>
#include <vector>

namespace zvtest {

// The list files of a catalogue written into dir (a Windows-style path
// ending in a backslash). Group info files and overlay data files go into
// dir as well. No configuration file is written.
inline std::string FormListIn(const std::string& dir) {
  return dir + "FORMS.FLT";
}
inline std::string GroupListIn(const std::string& dir) {
  return dir + "GROUPS.GLT";
}

// A sound catalogue: named forms with and without a group info file, file
// entries, a group of several overlays with header and raw data files, a
// preview and an edited file.
void WriteSoundCatalogue(const std::string& dir);

struct DamagedCatalogue {
  const char* name;  // what is wrong, usable as a test name
  const char* kind;  // the finding kind the checker must report for it
  // The file the finding is in, relative to dir, and its byte offset there
  // (-1 for the file as a whole).
  const char* file;
  long long offset;
  void (*write)(const std::string& dir);  // writes the whole catalogue into dir
};

// Every kind of the checker appears at least once.
const std::vector<DamagedCatalogue>& DamagedCatalogues();

}  // namespace zvtest
