// Moving a form's whole group to another directory, the free space and the
// group's size that such a move is weighed by, and rewriting an overlay data
// file's header. The files of a group move through MoveOverlayFile
// (catalogue/file_copies.h).
//
// The group's size and move set no last error code of their own; the header
// rewrite and the question whether a form has a group to move set 401 when
// they cannot have their working memory.
#pragma once

#include <cstdint>

#include "catalogue/file_copies.h"

namespace zv {

// The number of free bytes on the drive that holds path: the free space of
// the path cut after its first backslash ("E:\NEW\SUB" asks for "E:\"), or of
// the path as it is when it holds none. The path is cut in place for the
// query and restored before the call returns. 0 when it cannot be found out.
uint64_t GetFreeDiskBytes(char* path);

// The total size in bytes of a form's group: every overlay data file that its
// group info file lists (each name taken in the group info file's directory;
// a file that cannot be opened for reading and writing adds nothing), plus the
// group info file itself. 0 without working memory, when the form's group
// path cannot be had, or when its group info file is missing or damaged.
uint64_t GetGroupSize(int32_t formId);

// Whether a change of the form's directory has a group to move: true when
// the form's group path names a group info file (a .FGP name) that exists,
// whether or not it can be opened, and also when that cannot be found out
// (without working memory, 401, or without the form's group path), so that
// the caller asks MoveGroupFiles, which then refuses. false for a form whose
// group text is its save directory, or names a group info file that does
// not exist: such a form has nothing to move.
bool HasGroupToMove(int32_t formId);

// A step that MoveGroupFiles lets its caller take once the whole group has
// moved, while the move can still be undone (the Change form dialog repoints
// the form's record to the new directory here). false undoes the move.
using GroupMoveCommit = bool (*)(void* data);

// Moves the files of a form's group from the group info file's directory to
// targetDirectory: the preview file, the edited .ZL3 file when the catalogue
// made it (an underscore name without a directory), every overlay data file
// the catalogue made (likewise), and last the group info file itself. Files
// registered from elsewhere stay. A target that exists is replaced only when
// the user answers Yes to message 606 in a question box on owner (the group
// info file is moved without asking); a target that is the source itself,
// however spelled, is left alone without a question, and so is a listed
// file that is not in the source directory (after its question, when the
// target exists). Then commit(commitData) is called, when given.
//
// All or nothing: true when every file has moved and the commit, if any,
// succeeded. false, having moved nothing, without working memory, when
// the group info file cannot be found, opened for reading and writing
// (read-only, held by another program) or is damaged, when the target
// directory does not fit a path or does not exist, or when the group has
// more than 65534 overlay entries. false, with every file that had moved
// moved back to where it was, when the user answers No to 606, when one file
// cannot be moved or its target path does not fit, when the entries or one
// of the preview, edited or overlay file names cannot be read (the file it
// names could not be taken along), or when the commit fails. A file that
// replaced an existing target on Yes goes back; the replaced file is not
// restored. Moving back is best effort: a file that cannot be moved back
// stays in the target.
bool MoveGroupFiles(void* owner, int32_t formId, const char* targetDirectory,
                    GroupMoveCommit commit = nullptr, void* commitData = nullptr);

// Sets the layer byte and the description (at most 255 characters, written
// with its terminator; bytes after the terminator stay) in the 319-byte
// header of the overlay data file at path. A file without a header (a raw
// file by its name or its first byte, or one of fewer than 319 bytes) is
// left untouched. true whenever the file could be opened for reading and
// writing, whatever the header then allowed; false, with the file untouched,
// without working memory (401) or when it cannot be opened.
bool RewriteOverlayHeader(const char* path, uint8_t layer, const char* description);

}  // namespace zv
