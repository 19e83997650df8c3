// The rules by which the dialogs judge and compose what a user types or
// picks: names, file names, paths and the help file path. Portable, so that
// both builds test them.
#pragma once

#include <cstdint>

namespace zv {

// An empty text, or one of spaces and tabs only.
bool IsBlankText(const char* text);

// The part after the last backslash, or the whole text.
const char* FilePart(const char* path);

// A file name holding any of / : ; * ? " < > |.
bool HasForbiddenFileCharacter(const char* fileName);

// A form name a user may register: not blank, no slash or backslash.
bool IsUsableFormName(const char* name);

// The edit form dialog's file check on the typed text before Change,
// Delete and Register Form: 0 when the text names an existing overlay data
// file by a full path, else 411 (blank; a forbidden character in the file
// part; a last extension other than .ZLP; a file part that begins with '_';
// a directory) or 615 (no backslash, so no full path; or no such file).
uint32_t CheckEditedFile(const char* text);

// The existence test of the file checks: 0 when the path names an existing
// file, 615 when nothing is there, 411 for a directory, which is no overlay
// data file.
uint32_t CheckExistingFile(const char* path);

// The form selection dialog's name tests on the typed file text: 0 when it
// passes, else 411 (blank; a forbidden character in the file part; a last
// extension other than .ZLP; a file part that begins with '_'). A text
// without any '.' passes.
uint32_t CheckSelectedFileName(const char* text);

// The form file acceptance rule of the pickers. filterDescription is the
// filter's first string; when it names ".ZLC" files, names beginning with
// '_' are let through. True when the name is refused (message 411); an empty
// name is never refused.
bool IsRefusedFormFileName(const char* name, const char* filterDescription);

// Splits a file field into the picker's initial directory and file name
// (both plat::kPathBuffer bytes): with a backslash, the file is the part
// after the last one and the directory the part before it, a drive root
// keeping its backslash; without one, the directory is currentDirectory and
// the file the whole text. A file name with a forbidden character is
// emptied.
void SplitFileField(const char* text, const char* currentDirectory, char* directory, char* file);

// The directory to remember for a chosen file: the text before the last
// backslash. keepRootBackslash keeps it for a file in a drive root
// (C:\FORM.ZLP gives C:\), otherwise the drive alone remains (C:). A path
// without a backslash is kept whole.
void DirectoryForSetting(const char* path, bool keepRootBackslash, char* directory);

// The form/file settings dialog's path from the typed text and the
// remembered directory, ".ZLP" appended when the text does not end in it.
// 0 with the path (plat::kPathBuffer bytes) set, else the message to show
// and an empty path:
// 411 for an unusable file name, 611 for a typed directory that does not
// exist, 418 for a path of 259 characters or more.
uint32_t ComposeFormFilePath(const char* text, const char* currentDirectory, char* path);

// The change form dialog's new path for an overlay data file from the typed
// text: 0 with the path (plat::kPathBuffer bytes) set, else the message to
// show and an empty path. An empty file name (also after a backslash), or
// one that begins with '_', is refused with 411. A text with a backslash keeps its place, whose
// directory must exist (611; a drive root keeps its backslash); a bare name
// goes into currentDirectory, behind one backslash. Then the file name's
// extension: none gets ".ZLP" appended, ".ZLP" in any case is written
// ".ZLP", any other is refused with 411. A result that does not fit a path
// is refused with 411.
uint32_t ComposeRenamedFilePath(const char* text, const char* currentDirectory, char* path);

// The help file path from the module's directory (with its trailing
// backslash) and the driver's answer: the answer when it is absolute (a
// drive, a colon and a backslash), else the two joined. path holds
// plat::kPathBuffer bytes and is cut to fit.
void ComposeHelpPath(const char* moduleDirectory, const char* helpName, char* path);

}  // namespace zv
