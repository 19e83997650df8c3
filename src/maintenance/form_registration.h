// Adding and rewriting records of the form name list file and entries of the
// group name list file.
//
// Choices made where the format leaves them open:
// - Input that a fixed field or the pool could not give back whole (a name
//   over 24 characters, a description over 255, a group text over 260, also
//   after a group info file's name is added to a new directory) is refused
//   before anything is written, never cut: ChooseFormId 405, AddFormRecord
//   404, UpdateFormRecord 0 without a code of its own, the group name list
//   edits -1 or 0.
// - A list file that a call created is deleted again (attributes made
//   normal first) when the call cannot complete it, header write included,
//   so no header-less or half-made list file is left behind.
// - Every read and write inside the moves and the offset fix-up is checked;
//   a failure ends the operation with its failure result (AddFormRecord 404).
//   The header is written last, and not at all after a failure.
// - AddFormRecord opens and checks the form name list file (held by another
//   writer, damaged, range or ring full) before it appends the group text,
//   so such a failure leaves both list files as they were.
// - AddFormRecord refuses (404) an identifier that a record of its region
//   already carries, and a named form's name that a named form already
//   bears, checked while it holds the file: ChooseFormId and AddFormRecord
//   are two calls, and another process may add a record between them.
// - UpdateFormRecord records a file entry's number in the header after the
//   record, and only when nothing before failed.
// - ChooseFormId, for a file entry while the ring is not full, steps past
//   numbers still in use (after the ring has wrapped and entries were
//   deleted) to the first free one, so the record it adds never repeats an
//   identifier; until the ring wraps that is always the next number.
// - ChooseFormId takes a form name list file that exists but cannot be
//   opened (another writer holds it) for a failure (404), not for an empty
//   catalogue.
#pragma once

#include <cstdint>

namespace zv {

enum ChooseMode : uint32_t {
  kChooseNamedForm = 0,  // check the name, give the lowest free identifier
  kChooseFileEntry = 1,  // give the next number of the file entry ring
};

// Picks the identifier of a new record. For a file entry, *canAdd is 1 when
// a record may be added and 0 when the ring is full (the caller then
// overwrites the record with this identifier); canAdd may be null. A named
// form always gets a positive identifier: a configured range that holds
// none (one the unsigned clamping took above 0x7FFFFFFF) is full. False
// with 401, 404, 405 or 406 as the last error code.
bool ChooseFormId(uint32_t mode, const char* name, int32_t* id, uint32_t* canAdd);

// Appends the group text to the group name list file, then inserts the
// record (a named form after the named forms, a file entry at the end).
// name and description may be null (written empty). A file entry
// (identifier -1 to -256) becomes the last file-entry number. False with 401
// or 404; also refused with 404: identifier 0 or below -256, over-long
// input, a full identifier range, a 257th file entry, an identifier or a
// named form's name already present.
bool AddFormRecord(int32_t id, const char* name, const char* description, const char* groupText,
                   uint8_t layer);

// Rewrites the name, description and layer of the record with this
// identifier and replaces its group text. True also when there is no such
// record (nothing changes then, but a file entry's number is recorded).
// False with 401 when memory or the list paths cannot be had; other failures
// (list file missing, held or damaged, over-long input or an identifier
// below -256, the group text not replaced) leave the code as the path lookup left it, 0.
bool UpdateFormRecord(int32_t id, const char* name, const char* description, const char* groupText,
                      uint8_t layer);

// The group name list file's two edits. AppendGroupNameEntry creates the file
// when it is missing and returns the new entry's index, or -1.
// ReplaceGroupNameEntry keeps a group info file's name when only its
// directory is given. Neither sets the last error code.
int32_t AppendGroupNameEntry(const char* groupListPath, const char* text);
bool ReplaceGroupNameEntry(const char* groupListPath, uint32_t index, const char* text);

}  // namespace zv
