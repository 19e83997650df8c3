// Adding overlay entries to a group info file and setting the texts its
// header points to.
#pragma once

#include <cstdint>

#include "catalogue/group_info.h"
#include "catalogue/print_settings.h"
#include "platform/platform.h"

namespace zv {

// The three header slots that name a text of the pool.
enum class GroupStringSlot { kFirstGroupString, kEditedFile, kPreviewFile };

// Appends an overlay entry (settings, and fileName as given) to the group
// info file, creating the file when it is missing. With null settings it only
// creates the file or sets the strings. fileName, firstGroupString and
// editedFileName may be null. False with 401 or 404.
bool AddOverlayEntry(const char* groupInfoPath, const char* fileName, const PrintSettings* settings,
                     const char* firstGroupString, const char* editedFileName);

// Sets, replaces or clears (empty text) the text of one header slot of a
// group info file open for reading and writing: moves the pool, fixes the
// offsets and updates the header in memory, which the caller writes back.
// False when no working memory can be had.
bool SetGroupString(plat::FileHandle file, GroupInfoHeader* header, GroupStringSlot slot, const char* text);

}  // namespace zv
