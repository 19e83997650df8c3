// Fuzzes the catalogue configuration file ZVLMN3.DAT: the input is the file.
// The paths read from it fit their buffers and the readers leave it as it
// was; a stored "CURRENTDIR" reads back and changes no list path read; and a
// seed ZVLMN3.INI is copied byte for byte when the file is missing.
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>

#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_name_list.h"
#include "platform/platform.h"
#include "scratch_catalogue.h"
#include "zvlmn30e.h"

namespace {

using namespace zvfuzz;

constexpr char kStoredDir[] = "C:\\CAT\\STORED";

// Both list paths, and the form list's alone: read from one section, the same.
struct ListPaths {
  bool both, formOnly;
  std::string form, group, formAlone;
  bool operator==(const ListPaths& o) const {
    return std::tie(both, formOnly, form, group, formAlone) == std::tie(o.both, o.formOnly, o.form, o.group, o.formAlone);
  }
};

ListPaths ReadListPaths() {
  char form[plat::kPathBuffer], group[plat::kPathBuffer];
  std::memset(form, 'x', sizeof form);
  std::memset(group, 'x', sizeof group);
  ListPaths p{};
  if ((p.both = zv::GetListFilePaths(form, group))) {
    ZV_FUZZ_CHECK(Fits(form, sizeof form) && Fits(group, sizeof group) && form[0] != '\0' && group[0] != '\0');
    p.form = form, p.group = group;
  }
  std::memset(form, 'x', sizeof form);
  if ((p.formOnly = zv::GetListFilePaths(form, nullptr))) {
    ZV_FUZZ_CHECK(Fits(form, sizeof form) && form[0] != '\0');
    p.formAlone = form;
  }
  if (p.both) ZV_FUZZ_CHECK(p.formOnly && p.formAlone == p.form);
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetUpScratchCatalogue();
  const FileState input{true, std::string(reinterpret_cast<const char*>(data), size)};
  const std::string config = "C:\\WINDOWS\\SYSTEM\\ZVLMN3.DAT", seed = "C:\\WINDOWS\\SYSTEM\\ZVLMN3.INI";
  ClearDirectory(kCatalogueDir);
  RemoveFile(seed);
  WriteWholeFile(config, input.bytes);

  const ListPaths paths = ReadListPaths();
  char directory[plat::kPathBuffer], path[plat::kPathBuffer];
  std::memset(directory, 'x', sizeof directory);
  zv::GetCurrentDirSetting(directory);
  ZV_FUZZ_CHECK(Fits(directory, sizeof directory) && zv::EnsureCatalogueConfiguration());
  // The readers of the lists follow the paths (inside the scratch drive).
  zv::CountNamedForms();
  ZVGetFormListNum();
  zv::GetFormGroupPath(1, path);
  ZV_FUZZ_CHECK(ReadFileState(config) == input);

  if (zv::SetCurrentDirSetting(kStoredDir) != 0) {
    std::memset(directory, 'x', sizeof directory);
    ZV_FUZZ_CHECK(zv::GetCurrentDirSetting(directory) && std::strcmp(directory, kStoredDir) == 0);
    ZV_FUZZ_CHECK(ReadListPaths() == paths);
  }

  RemoveFile(config);
  WriteWholeFile(seed, input.bytes);
  ZV_FUZZ_CHECK(zv::EnsureCatalogueConfiguration() && ReadFileState(config) == input);
  RemoveFile(seed);
  return 0;
}
