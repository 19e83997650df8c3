// Registering an overlay data file that already exists on disk in the group
// of a named form: the registration that the register existing form dialog
// runs on OK, and the two group info file operations only it uses.
//
// Choices made where the format leaves them open:
// - The overlay capacity is compared with the number of overlay entries of
//   the form's group. A form whose group text is still its save directory
//   (a form made a moment ago, or one without overlays yet) has no group
//   info file and so no entries: it is compared as 0, whatever count the
//   caller passed.
// - A paper index is known only when it names an entry of the paper list;
//   65535 and any index at or beyond the list's count are unknown, so the
//   list is never read past its end. When the paper that the registration
//   settles on is unknown (an empty list, as from a driver module that gives
//   none, or no paper selected in the dialog), the record keeps the paper of
//   the file's own header. A file whose header names no paper size (no
//   header, or a width or height of 0) is refused then: message 409 is shown
//   and nothing is written, so no entry without a paper size gets into a
//   group.
// - A new form is made by the registration itself, once the paper is agreed
//   (its group is empty, so it has room): a refusal leaves no empty form
//   behind. It stays when a later write fails.
// - ReplaceOverlayFile refuses (409, nothing written) an entry index beyond
//   the entries, an entry without a name (string index -1), an empty new
//   name and one over 260 characters. The pool edit is SetGroupString's,
//   which takes working memory of its own: its shortage counts as 409.
// - ReplaceOverlayFile deletes the superseded program-made file only after
//   the entry names the new file, so a failed rewrite never leaves the entry
//   naming a deleted file; and never when the new name is that same file.
// - FindOverlayEntry fails with 404 when a block of entries cannot be read,
//   or when the matching entry's name is asked for and is damaged or does
//   not fit a path; a matching entry without a name gives an empty path.
#pragma once

#include <cstdint>

#include "catalogue/print_settings.h"
#include "driverlink/paper_size_list.h"

namespace zv {

// Finds the first entry of the group info file whose print settings equal
// settings in colour, pages per sheet, printing mode, resolution,
// orientation, paper width and height, zoom, output paper width and height
// and mode level (the mark, layer, model, paper values 3 and 4, paper code,
// output values 3 and 4 and output code are not compared). Gives its index
// and, when filePath (261 bytes) is given, its file: the stored name when it
// holds a backslash, else the group info file's directory and the name.
// Either output may be null. False when there is none, or with 401 (memory)
// or 404 (the file cannot be opened or is damaged); a group without a group
// info file thus gives false with 404.
bool FindOverlayEntry(const char* groupInfoPath, const PrintSettings& settings, char* filePath,
                      uint32_t* entryIndex);

// Gives entry entryIndex of the group info file the file name newFileName;
// its print settings stay. When the old name begins with an underscore, the
// old file (in the group info file's directory) is deleted if it has an
// overlay header; a raw file stays. With expected, the entry must still
// match those settings as FindOverlayEntry compares them (it is checked
// with the file open, so no other writer can move the entries between).
// False with 401 (memory) or 409.
bool ReplaceOverlayFile(const char* groupInfoPath, uint32_t entryIndex, const char* newFileName,
                        const PrintSettings* expected = nullptr);

// A paper and orientation: an index into the paper list (kNoPaper when none
// is known) and 1 (portrait) or 2 (landscape).
struct PaperChoice {
  uint16_t paperIndex;
  uint16_t orientation;
};

// What the register existing form dialog hands to the registration.
struct ExistingFileRegistration {
  int32_t formId;               // a named form, or 0 for a new one made here
  const char* formName;         // its name, description and layer, as
  const char* formDescription;  // UpdateFormRecord records them when the
  uint8_t layer;                // group info file is named
  const char* filePath;         // the existing file, as the user gave it
  PaperChoice filePaper;        // the file's paper, or kNoPaper
  PaperChoice formPaper;        // the paper of the form's overlays, or kNoPaper
  PaperChoice userPaper;        // the dialog's paper selection and orientation
  const PaperEntry* papers;     // the paper size list
  uint16_t paperCount;
  uint32_t overlayCapacity;   // entries one group may hold
  uint32_t entryCount;        // entries in the form's group
  void* owner;                // window that owns the message boxes
  const char* saveDirectory;  // a new form's save directory, its first group text
};

enum class RegistrationResult {
  kEndDialog,  // the file is registered: the dialog ends with OK
  kStayOpen,   // refused, declined or failed, after the message was shown
};

// Registers the file in the form's group: a new entry, or, when an entry has
// the same print settings and the user answers Yes to 410, that entry with
// the new file name. Shows 412, 414, 409 or 401 itself and leaves that code
// as the last error code; 410 answered No changes nothing. With formId 0 the
// form is made first (ChooseFormId and AddFormRecord; their code is shown
// when either fails). formId, when given, gets the form registered under.
RegistrationResult RegisterExistingFile(const ExistingFileRegistration& in, int32_t* formId = nullptr);

}  // namespace zv
