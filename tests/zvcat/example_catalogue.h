// The catalogue zvcat's own tests show and list: two named forms (one with a
// group info file of two overlays, one with a save directory only) and two
// file entries (an overlay data file and an overlay number), built byte by
// byte. The help text's example is zvcat's output on it.
#pragma once

#include <string>

#include "catalogue/print_settings.h"

namespace zvtest {

// The list files' names in the example catalogue's directory. The group
// texts name files beside the list files by name only, so the listing is
// the same wherever the catalogue lies when zvcat is run in its directory.
constexpr char kExampleFormList[] = "FORMS.FLT";
constexpr char kExampleGroupList[] = "GROUPS.GLT";
constexpr char kExampleGroupInfo[] = "_F301A.FGP";

// The two overlay entries' records: front, black, 600 dpi, zoom 100, one
// page per sheet; and back, colour, 300 dpi, two pages per sheet.
zv::PrintSettings ExampleFrontRecord();
zv::PrintSettings ExampleBackRecord();

// Writes the catalogue into dir (a Windows path ending in a backslash).
void WriteExampleCatalogue(const std::string& dir);

// The names of every file WriteExampleCatalogue writes.
const char* const* ExampleCatalogueFiles();

}  // namespace zvtest
