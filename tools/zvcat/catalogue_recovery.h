// zvcat recover: a damaged catalogue read for what it still holds, and a new,
// sound catalogue written elsewhere from it. The source is only read.
//
// What is taken, and from where:
// - The records of the form name list: every whole record within the bytes
//   present, in each region as the header's counts place it, that passes the
//   field checks of the readers and of `zvcat check` (identifier, layer,
//   terminated name and description, no identifier or named form's name a
//   second time). A file whose magic is wrong, or that is shorter than its
//   header, gives none: then the named forms come from the group info files
//   the catalogue's naming rule finds (the group file prefix, the identifier
//   as three hexadecimal digits, ".FGP") in the catalogue's directories, each
//   named after the header of its first overlay data file; file entries cannot
//   be told then.
// - Group texts of the group name list, each within the bytes present and its
//   pool, at most 260 characters. A named form whose text cannot be read, or
//   names no group info file or directory that exists, takes the group info
//   file of the naming rule when there is one, else the directory of the group
//   name list as its save directory; a file entry without its text is lost.
// - Of each group info file: the first group string, edited and preview file
//   names, and every overlay entry within the bytes present whose name can be
//   read and whose overlay data file exists, each once. A group info file that
//   cannot be read as a whole (missing, held, wrong magic) gives the overlay
//   data files of the naming rule beside it (its name and two hexadecimal
//   digits, ".ZLP") that have a header, with the print settings of that
//   header.
// - Names are written as full paths when they name files of the source, which
//   stay where they are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue_check.h"

namespace zvcat {

// Where an item was read: a file and the byte offset in it (-1: the file as a
// whole, or nothing read).
struct Source {
  std::string file;
  int64_t offset = -1;
};

struct RecoveredOverlay {
  std::string settings;  // the 34-byte print settings record
  bool named = false;    // false: an entry without a file name
  std::string path;      // the overlay data file, as the new group info file names it
  Source from;
};

struct RecoveredForm {
  bool fileEntry = false;
  int32_t id = 0;
  std::string name;
  std::string description;
  uint8_t layer = 0;
  // The text of the new group name list entry: a group info file's name
  // beside the new lists, a save directory, or a file entry's file or
  // number.
  std::string groupText;
  Source from;                                       // the record, or the overlay header it was rebuilt from
  Source groupFrom;                                  // the group text, or the group info file found by name
  bool hasGroupInfo = false;                         // a group info file is written for it
  std::string groupInfoName;                         // its name in the new directory
  std::string firstString, editedFile, previewFile;  // empty: none
  std::vector<RecoveredOverlay> overlays;
};

// Something the source named, or held in part, that the new catalogue does
// not hold, and why.
struct LostItem {
  std::string what;
  Source from;
  std::string reason;
};

struct Recovery {
  std::vector<RecoveredForm> forms;  // named forms, then file entries
  uint16_t lastFileEntry = 0;
  std::string groupFilePrefix;  // of the naming rule, as the driver configuration gives it
  std::vector<LostItem> lost;
  std::vector<std::string> written;  // the files written, in the new directory
};

// Reads the catalogue of paths (never writing, creating or locking a file of
// it for writing) and works out what can be recovered. currentDirectory, when
// not empty, is one more directory where the naming rule looks for group
// info files.
Recovery PlanRecovery(const CataloguePaths& paths, const std::string& currentDirectory);

// Writes the planned catalogue into directory (created when missing; the
// caller makes sure it holds nothing): ZVLMN3.FLT, ZVLMN3.GLT, a group info
// file for every named form that has one, and ZVLMN3.DAT naming them, for
// user. False, with the reason, when a file cannot be created or written.
bool WriteRecovery(Recovery* recovery, const std::string& directory, const std::string& user,
                   std::string* error);

}  // namespace zvcat
