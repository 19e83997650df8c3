// The path rules every part of the catalogue builds paths with. Paths are
// single-byte strings in buffers of plat::kPathBuffer (261) bytes.
#pragma once

#include <cstddef>

#include "platform/platform.h"

namespace zv {

using PathBuffer = char[plat::kPathBuffer];

// Directory form: a path holding a backslash that is not its last character
// gets one backslash appended ("C:\WORK" -> "C:\WORK\"); "C:\" and paths
// without any backslash stay as they are. False, with the path unchanged,
// when the backslash does not fit in the buffer.
bool ToDirectoryForm(char* path);

// Drive-root cut: a path whose second character is a colon is cut after its
// third character ("C:\WORK\FORMS" -> "C:\"); other paths stay whole.
void CutToDriveRoot(char* path);

// Directory of a file: the path up to and including its last backslash,
// empty when it has none. dir may be the path itself.
void DirectoryOfFile(const char* path, char* dir);

// Path existence test: a three-character path is a drive root and exists when
// its drive type is neither unknown nor no-root; any other path exists when
// a file or directory of that name is found.
bool PathExists(const char* path);

// True for a text of the digits 0 to 9 only, and for an empty text: a group
// text of this form is an overlay number, not a path.
bool IsDigitsOnly(const char* text);

// Compares two names without regard to the case of ASCII letters, as Windows
// compares file names and extensions.
bool EqualsIgnoringCase(const char* a, const char* b);
// The last characters of path equal ending, without regard to case.
bool EndsWithIgnoringCase(const char* path, const char* ending);

// The file name of a path: what follows its last backslash, or the whole
// path when it holds none.
const char* FileNamePart(const char* path);

// Copies text into a path buffer; false (and an empty buffer) when it does
// not fit.
bool CopyPath(char* path, const char* text);
// Appends text to the path in its buffer; false (path unchanged) when the
// result would not fit.
bool AppendPath(char* path, const char* text);

}  // namespace zv
