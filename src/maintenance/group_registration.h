// Adding overlay entries to a group info file and setting the texts its
// header points to.
//
// Choices made where the format leaves them open:
// - A text over 260 characters (the overlay file name, the first group
//   string, the edited file name, a slot's new text) is refused before
//   anything is written, never cut.
// - Every read, write and cut inside the moves and the offset fix-up is
//   checked and a failure is reported. The header is written last, once.
// - A group info file that AddOverlayEntry created is deleted again
//   (attributes made normal first) when the call fails, whether at the
//   header write or later.
// - A cleared text keeps its 2-byte remnant (the old length) in the pool,
//   as the format allows; nothing refers to it any more. A slot whose text
//   is cleared becomes -1 also when the old text was empty.
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
// editedFileName may be null. The 16 reserved bytes of an existing file's
// header stay as they are (a new file gets zeros). False with 401 or 404.
bool AddOverlayEntry(const char* groupInfoPath, const char* fileName, const PrintSettings* settings,
                     const char* firstGroupString, const char* editedFileName);

// Sets, replaces or clears (empty text) the text of one header slot of a
// group info file open for reading and writing: moves the pool, fixes the
// offsets and updates the header in memory, which the caller writes back.
// A slot index below 0 counts as no text. False when no working memory can
// be had, when the text is over 260 characters, when the slot names a text
// outside the table or the pool (a damaged file), or when a read, write or
// cut fails; the header in memory is then not to be written.
bool SetGroupString(plat::FileHandle file, GroupInfoHeader* header, GroupStringSlot slot, const char* text);

// SetGroupString with an empty text, for a slot whose text the caller has
// just read with ReadGroupInfoString: place is where that read found it, so
// it is not looked up again.
bool ClearGroupString(plat::FileHandle file, GroupInfoHeader* header, GroupStringSlot slot,
                      const PooledTextPlace& place);

// Replaces text number index of a group info file open for reading and
// writing by text, which must not be empty, moving the pool and fixing the
// offsets as SetGroupString does; the header in memory is updated for the
// caller to write back. The old text goes to oldText (261 bytes), read once
// on the way. False when no working memory can be had, when the index or the
// old text lies outside the table or the pool or the old text is over 260
// characters (a damaged file), when the new text is empty or over 260
// characters, or when a read, write or cut fails. Nothing is written before
// the old text has been read whole; oldText is empty when it was not.
bool ReplaceGroupString(plat::FileHandle file, GroupInfoHeader* header, int32_t index, const char* text,
                        char* oldText);

}  // namespace zv
