// Adding and rewriting records of the form name list file and entries of the
// group name list file.
#pragma once

#include <cstdint>

namespace zv {

enum ChooseMode : uint32_t {
  kChooseNamedForm = 0,  // check the name, give the lowest free identifier
  kChooseFileEntry = 1,  // give the next number of the file entry ring
};

// Picks the identifier of a new record. For a file entry, *canAdd is 1 when
// a record may be added and 0 when the ring is full (the caller then
// overwrites the record with this identifier). False with 401, 404, 405 or
// 406 as the last error code.
bool ChooseFormId(uint32_t mode, const char* name, int32_t* id, uint32_t* canAdd);

// Appends the group text to the group name list file, then inserts the
// record (a named form after the named forms, a file entry at the end).
// name and description may be null. False with 401 or 404.
bool AddFormRecord(int32_t id, const char* name, const char* description, const char* groupText, uint8_t layer);

// Rewrites the name, description and layer of the record with this
// identifier and replaces its group text. True also when there is no such
// record (nothing changes then, but a file entry's number is recorded).
bool UpdateFormRecord(int32_t id, const char* name, const char* description, const char* groupText,
                      uint8_t layer);

// The group name list file's two edits. AppendGroupNameEntry creates the file
// when it is missing and returns the new entry's index, or -1.
// ReplaceGroupNameEntry keeps a group info file's name when only its
// directory is given. Neither sets the last error code.
int32_t AppendGroupNameEntry(const char* groupListPath, const char* text);
bool ReplaceGroupNameEntry(const char* groupListPath, uint32_t index, const char* text);

}  // namespace zv
