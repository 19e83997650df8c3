// The text side of the Windows profile functions, shared by the backends that
// emulate them (posix, memory): what GetPrivateProfileStringA finds in the
// text of an INI file, and how WritePrivateProfileStringA edits that text.
// The backends load and store the text; nothing here touches a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace plat::emulation {

// INI files are small; anything larger is treated as unreadable rather than
// pulled into memory.
constexpr size_t kMaxProfileBytes = 16u * 1024u * 1024u;

// What ReadProfileValue copies into buffer (size > 0) and returns, for the
// file's text; text null: the file is missing or cannot be read.
uint32_t ReadProfileText(const std::string* text, const char* section, const char* key,
                         const char* defaultValue, char* buffer, uint32_t size);

// The text after WriteProfileValue with a section: value null deletes the
// key, key null the section. Only the line concerned changes; lines this adds
// end in "\r\n", as Windows writes them. The same text when nothing changes.
std::string EditProfileText(const std::string& text, const char* section, const char* key, const char* value);

}  // namespace plat::emulation
