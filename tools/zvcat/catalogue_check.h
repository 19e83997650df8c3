// The catalogue checker of zvcat: reads the two list files, every group info
// file they name and every overlay data file those name, never writes, and
// reports each fault it finds with the file and the byte offset where it is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zvcat {

// The two list files of a catalogue.
struct CataloguePaths {
  std::string formList;   // the form name list file (.FLT)
  std::string groupList;  // the group name list file (.GLT)
};

// One fault. kind is one of the names below and never changes between
// releases, so that scripts can test for it; message says the same for a
// person, with the values involved.
struct Finding {
  std::string kind;
  std::string file;  // the file the fault is in
  int64_t offset;    // byte offset in that file; -1 for the file as a whole
  std::string message;
};

// The kinds of fault. Every one of them is named by the tests with a
// catalogue that has it.
namespace kind {
// A file of the catalogue that cannot be opened or read (missing, or held by
// a writer). For a group info file or an overlay data file named by the
// catalogue, the more precise kinds below are used instead.
constexpr char kCannotOpen[] = "cannot-open";
// The magic at the start of a list or group info file is wrong.
constexpr char kBadMagic[] = "bad-magic";
// The file is shorter than its header, or its size disagrees with the counts
// its header holds.
constexpr char kBadSize[] = "bad-size";
// A form record whose group index lies outside the group name list.
constexpr char kGroupIndexOutOfRange[] = "group-index-out-of-range";
// Two records with one identifier, or two named forms with one name.
constexpr char kDuplicateId[] = "duplicate-id";
constexpr char kDuplicateName[] = "duplicate-name";
// A named form with an identifier below 1, or a file entry with one above -1;
// a layer other than front (1) or back (2); a name or description that fills
// its field without a terminator.
constexpr char kBadRecord[] = "bad-record";
// A group name entry that no form record uses.
constexpr char kUnusedGroupEntry[] = "unused-group-entry";
// A pool offset, or a text's length, that reaches outside its pool; a text
// longer than 260 characters.
constexpr char kTextOutOfPool[] = "text-out-of-pool";
// A string index (in a group info header slot or an overlay entry) outside
// the file's string table.
constexpr char kStringIndexOutOfRange[] = "string-index-out-of-range";
// The group info file a named form's group text names does not exist.
constexpr char kGroupInfoMissing[] = "group-info-missing";
// An overlay data file named by an overlay entry does not exist.
constexpr char kOverlayMissing[] = "overlay-missing";
}  // namespace kind

// Checks the catalogue. The findings come in the order the files are read:
// the form name list, the group name list, then each named form's group info
// file and its overlay data files in record order. An empty result means a
// sound catalogue.
std::vector<Finding> CheckCatalogue(const CataloguePaths& paths);

}  // namespace zvcat
