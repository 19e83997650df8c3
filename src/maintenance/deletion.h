// Removing things from the catalogue: a whole form (its record, its group
// name entry, its group info file and the overlay files the catalogue made
// for it), or chosen overlay entries of a form's group; and the question
// that guards a form's deletion, whether its group names an edited file.
//
// Choices made where the format leaves them open:
// - Every read, write and cut of the shifting loops is checked. A failure
//   ends the operation at once with its failure result; nothing more is
//   written, the header included, so the file keeps what the shift had done.
//   Every file is opened and validated before anything is written to it or
//   deleted, so a held, missing or damaged file fails with nothing changed.
// - A form goes in this order: its group name entry, then its record (the
//   group indexes above it lowered), then its group's files. A failure in
//   the group name list leaves the form name list as it was; a failure in
//   the form name list leaves it damaged (one byte longer when nothing of
//   it had changed yet), so that no record reads as naming a group it did
//   not name; the group's files go only once neither list names them, and
//   those that cannot be deleted then stay on disk, named by nothing.
// - A group text naming a .FGP file that no longer exists (the capture undo
//   deletes an emptied group info file) counts as a group already deleted:
//   the form is still removed. One that exists but cannot be opened (another
//   writer holds it) fails.
// - Overlay files are deleted only in the group's directory: a name holding
//   a backslash names a file registered from elsewhere, which loses its
//   entry but stays on disk.
// - An overlay entry without a file name text (index -1) loses its 38 bytes
//   alone. A chosen entry whose name index or text lies outside the table
//   or the pool belongs to a damaged file: DeleteOverlayEntries stops there
//   with 408. DeleteGroupInfoFile, which deletes the whole group, passes
//   over any text it cannot read and deletes no file for it.
// - A header slot that named a removed text names nothing afterwards.
// - DeleteOverlayEntries removes an entry before it deletes the entry's
//   file, so that a failed rewrite never leaves an entry without its file.
#pragma once

#include <cstdint>

namespace zv {

// Deletes a named form (positive identifier) or a file entry (negative):
// its record, with the group indexes above its own lowered by one, and its
// group name entry through DeleteGroupNameEntry. False with 401 (no working
// memory) or 407.
bool DeleteForm(int32_t formId);

// Removes entry index of the group name list file, its text and its offset,
// then deletes the group info file that the text names (path rule) as
// DeleteGroupInfoFile does. False, without a code of its own, when memory is
// short, the file cannot be opened or is damaged, the entry does not exist,
// the group info file exists but cannot be opened or is damaged (nothing is
// changed then), or the entry's removal fails.
bool DeleteGroupNameEntry(const char* groupListPath, uint32_t index);

// Deletes a group info file with the files it names that begin with an
// underscore: its edited file, and its overlay files that have a header
// (never a list or group info file that a damaged entry names). True, touching nothing, for a path whose extension is not .FGP and for a
// group info file that does not exist. False, without a code of its own,
// when memory is short or the file exists but cannot be opened or is
// damaged.
bool DeleteGroupInfoFile(const char* path);

// Removes the overlay entries of the form's group info file whose flag is
// not 0 (one flag per entry, in file order before the call), with their
// file name texts, and deletes their files that have a header (never a list
// or group info file that a damaged entry names). flagCount is
// the number of flags: a group that holds another number of entries now
// (another process captured or removed one since the flags were set) is
// refused with nothing changed, since the flags no longer say which
// entries were meant. False with 401 or 408.
bool DeleteOverlayEntries(int32_t formId, const uint32_t* flags, uint32_t flagCount);

// Results of GetFormEditedFile.
constexpr int32_t kEditedFileFound = 0;
constexpr int32_t kEditedFileNoMemory = -1;  // last error 401
constexpr int32_t kEditedFileNone = -3;      // no form, no file, or no edited file named
constexpr int32_t kEditedFileDamaged = -6;   // no list paths (402), damaged files (403 for the form list)

// Finds a named form by name (byte for byte) when name is given, else by
// identifier, and gives out its description (256 bytes), identifier and
// layer, its group info file's path and directory (without the final
// backslash, except after a drive colon; 261 bytes each); every output but
// editedFile may be null. editedFile (261 bytes) receives the path of the
// edited file that the group names: a bare name beginning with an
// underscore and ending in .ZL3 is given in the group's directory, in upper
// case; any other text as stored.
int32_t GetFormEditedFile(int32_t formId, const char* name, char* description, int32_t* foundId,
                          uint16_t* layer, char* groupDirectory, char* groupInfoPath, char* editedFile);

}  // namespace zv
