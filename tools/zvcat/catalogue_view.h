// What zvcat shows of a catalogue: the records of the form name list with
// their group texts (list), and one form with its group info file and the
// overlay data files it names (show). Everything is read through the
// catalogue's own readers, which refuse a damaged file as a whole; such a
// file is reported as unreadable and left to the checker to explain.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/group_info.h"
#include "catalogue/print_settings.h"
#include "catalogue_check.h"
#include "driverlink/paper_size_list.h"

namespace zvcat {

// How a file of the catalogue could be read.
enum class FileState {
  kRead,        // read as a whole
  kMissing,     // does not exist
  kCannotOpen,  // exists but cannot be opened for reading (held by a writer)
  kDamaged,     // opened, but the readers refuse it: run `zvcat check`
};

// "read", "missing", "cannot-open" or "damaged".
const char* FileStateName(FileState state);

// One record of the form name list file.
struct FormItem {
  bool fileEntry = false;  // in the file entry region
  int32_t id = 0;
  std::string name;
  std::string description;
  uint8_t layer = 0;
  uint32_t groupIndex = 0;
  bool groupTextRead = false;  // false: the group name list or this entry could not be read
  std::string groupText;       // as stored
  std::string groupPath;       // resolved the way the module resolves a form's group text
};

struct CatalogueList {
  CataloguePaths paths;
  FileState formList = FileState::kMissing;
  FileState groupList = FileState::kMissing;
  uint32_t namedCount = 0;
  uint32_t fileEntryCount = 0;
  std::vector<FormItem> forms;  // named forms, then file entries, in file order
};

// Reads both list files. Never fails: the states say what could be read.
CatalogueList ReadCatalogueList(const CataloguePaths& paths);

// A text of a group info file's header that names a file of the group.
struct GroupFileSlot {
  int32_t index = zv::kNoString;
  bool read = false;  // the index names a readable text
  std::string text;
  std::string path;  // resolved in the group info file's directory
  bool exists = false;
};

struct OverlayItem {
  uint32_t index = 0;
  std::string line;  // the overlay list line as the dialogs show it
  zv::PrintSettings settings{};
  int32_t fileNameString = zv::kNoString;
  bool fileNameRead = false;
  std::string fileName;  // as stored
  std::string path;      // resolved in the group info file's directory
  bool exists = false;
  bool hasHeader = false;
  std::string description;
  uint16_t layer = 0;
};

struct GroupInfoView {
  std::string path;
  FileState state = FileState::kMissing;
  zv::GroupInfoHeader header{};
  bool firstStringRead = false;
  std::string firstString;
  GroupFileSlot preview;
  GroupFileSlot edited;
  std::vector<OverlayItem> overlays;
};

struct FormView {
  CatalogueList list;  // the list files as read; forms holds the one found
  bool found = false;
  FormItem form;
  bool groupPathExists = false;  // the resolved group text names an existing file or directory
  bool namesGroupInfo = false;   // the group text names a group info file (.FGP)
  // A file entry whose group text names an existing overlay data file: that
  // file's header test, description and layer.
  bool namesOverlayFile = false;
  bool overlayHasHeader = false;
  std::string overlayDescription;
  uint16_t overlayLayer = 0;
  GroupInfoView group;
};

// Finds a record: first a named form whose name equals form exactly, byte for
// byte, as the module compares form names; then, when form is a decimal
// identifier ("17", "-3"), the record with that identifier, named forms
// before file entries. The overlay lines name their output paper from the
// papers given (the paper size list of a printer driver); without papers
// that field stays blank.
FormView ShowForm(const CataloguePaths& paths, const std::string& form,
                  const std::vector<zv::PaperEntry>& papers = {});

// The paper size list of the printer driver module at driverPath (the first
// paper tables), asked with deviceName, as the dialogs build it. False when
// the module cannot give it.
bool DriverPaperList(const std::string& driverPath, const std::string& deviceName,
                     std::vector<zv::PaperEntry>* papers);

// A path relative to a catalogue file's directory, the way the module
// resolves names in a group info file: a name holding a backslash stands as
// it is, any other is put after the directory of baseFile.
std::string ResolveBesideFile(const std::string& name, const std::string& baseFile);

}  // namespace zvcat
