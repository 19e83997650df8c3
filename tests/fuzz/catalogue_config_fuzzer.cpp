// Fuzzes the catalogue configuration file ZVLMN3.DAT: the input is the file.
// The paths read from it must fit their buffers and the readers must leave
// it as it was; storing "CURRENTDIR" must be read back and change nothing
// else that is read; and a seed ZVLMN3.INI must be copied byte for byte.
#include <cstdint>
#include <cstring>
#include <string>

#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_name_list.h"
#include "platform/platform.h"
#include "scratch_catalogue.h"
#include "zvlmn30e.h"

namespace {

using namespace zvfuzz;

constexpr char kStoredDir[] = "C:\\CAT\\STORED";

bool Terminated(const char* text) {
  return strnlen(text, plat::kPathBuffer) < plat::kPathBuffer;
}

struct ListPaths {
  bool both;
  bool formOnly;
  std::string form;
  std::string group;
  std::string formAlone;
};

ListPaths ReadListPaths() {
  char form[plat::kPathBuffer];
  char group[plat::kPathBuffer];
  ListPaths paths{};
  std::memset(form, 'x', sizeof form);
  std::memset(group, 'x', sizeof group);
  paths.both = zv::GetListFilePaths(form, group);
  if (paths.both) {
    ZV_FUZZ_CHECK(Terminated(form) && Terminated(group) && form[0] != '\0' && group[0] != '\0');
    paths.form = form;
    paths.group = group;
  }
  std::memset(form, 'x', sizeof form);
  paths.formOnly = zv::GetListFilePaths(form, nullptr);
  if (paths.formOnly) {
    ZV_FUZZ_CHECK(Terminated(form) && form[0] != '\0');
    paths.formAlone = form;
  }
  // Both paths are read from one section: the form list's alone is the same.
  if (paths.both) ZV_FUZZ_CHECK(paths.formOnly && paths.formAlone == paths.form);
  return paths;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetUpScratchCatalogue();
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string config = SystemPath("ZVLMN3.DAT");
  const std::string seed = SystemPath("ZVLMN3.INI");
  ClearDirectory(kCatalogueDir);
  RemoveFile(seed);
  WriteWholeFile(config, input);
  const FileState before = ReadFileState(config);

  const ListPaths paths = ReadListPaths();
  char directory[plat::kPathBuffer];
  std::memset(directory, 'x', sizeof directory);
  zv::GetCurrentDirSetting(directory);
  ZV_FUZZ_CHECK(Terminated(directory));
  ZV_FUZZ_CHECK(zv::EnsureCatalogueConfiguration());
  // The readers of the lists follow the paths (inside the scratch drive).
  zv::CountNamedForms();
  ZVGetFormListNum();
  char path[plat::kPathBuffer];
  zv::GetFormGroupPath(1, path);
  ZV_FUZZ_CHECK(ReadFileState(config) == before);

  // Storing the directory: read back, and the list paths as they were.
  if (zv::SetCurrentDirSetting(kStoredDir) != 0) {
    std::memset(directory, 'x', sizeof directory);
    ZV_FUZZ_CHECK(zv::GetCurrentDirSetting(directory));
    ZV_FUZZ_CHECK(std::strcmp(directory, kStoredDir) == 0);
    const ListPaths again = ReadListPaths();
    ZV_FUZZ_CHECK(again.both == paths.both && again.form == paths.form && again.group == paths.group);
    ZV_FUZZ_CHECK(again.formOnly == paths.formOnly && again.formAlone == paths.formAlone);
  }

  // A seed is copied as it is when the configuration is missing.
  RemoveFile(config);
  WriteWholeFile(seed, input);
  ZV_FUZZ_CHECK(zv::EnsureCatalogueConfiguration());
  ZV_FUZZ_CHECK(ReadFileState(config) == before);
  RemoveFile(seed);
  return 0;
}
