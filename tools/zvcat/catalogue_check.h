// The catalogue checker of zvcat: reads the two list files, every group info
// file they name and every overlay data file those name, never writes, and
// reports each fault it finds with the file and the byte offset where it is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file_image.h"

namespace zvcat {

// The two list files of a catalogue.
struct CataloguePaths {
  std::string formList;   // the form name list file (.FLT)
  std::string groupList;  // the group name list file (.GLT)
};

// The lowest identifier of a file entry: the writers number file entries in a
// ring of 256.
constexpr int32_t kLowestFileEntryId = -256;

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
// catalogue, the more precise kinds below are used instead when it does not
// exist; a group info file that exists but cannot be read is cannot-open. A
// file larger than kLargestFile is cannot-open too: it is not read.
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
// A group name entry that no form record uses. Looked for only when the form
// name list could be read whole.
constexpr char kUnusedGroupEntry[] = "unused-group-entry";
// A form record whose group index names the same group name entry as an
// earlier record's. Every record added appends its own entry, and deleting a
// form removes its entry, so a shared entry would take the other form's group
// text with it. Reported at the later record's group index field.
constexpr char kSharedGroupEntry[] = "shared-group-entry";
// A named form's group text that names the group info file an earlier entry
// of another named form names (file names compared without regard to case).
// Deleting either form deletes the group info file of both. Reported at the
// later entry's table slot in the group name list.
constexpr char kSharedGroupInfo[] = "shared-group-info";
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
// file and its overlay data files in record order. Within a file they come
// record by record (entry by entry), and within a record in the order of its
// fields. An empty result means a sound catalogue.
//
// What is checked, and what is not:
// - A file shorter than its header (bad-size, offset -1) or with a wrong
//   magic (bad-magic, offset 0) is checked no further. A list or group info
//   file whose size disagrees with its counts is reported at its first count
//   field; the form name list's whole records that are present are still
//   checked, but the texts of a group name list or group info file of the
//   wrong size are not looked at (its counts cannot be trusted).
// - Group indexes are checked, and group texts followed, only when the group
//   name list is sound as a whole (magic and size); unused entries are looked
//   for only when the form name list is too.
// - Named forms' names are compared as the catalogue's own name check does:
//   the first 24 characters, byte for byte, letter case counting. File
//   entries' names ("P", "C") are not compared.
// - A named form's group text is resolved as a path (a text with a
//   backslash stands as it is, any other lies in the group name list's
//   directory); only a text whose extension is .FGP names a group info file,
//   any other is a save directory and is not followed. A group info file
//   named by several forms (shared-group-info) is checked once. An overlay entry's file name
//   with a backslash stands as it is, any other lies in the group info
//   file's directory; entries without a name (-1) or with an empty one name
//   no file. The group's first, edited and preview texts are checked as
//   indexes and texts, but the files they may name are not looked for.
// - File entries have no group info file. Their group text names an overlay
//   data file or an overlay stored in the printer by number, and the file may
//   lie on a medium that is not there now, so beyond the group index and the
//   text being within the pool nothing about it is a certain fault and
//   nothing more is checked.
std::vector<Finding> CheckCatalogue(const CataloguePaths& paths);

}  // namespace zvcat
