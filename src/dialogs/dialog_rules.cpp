#include "dialogs/dialog_rules.h"

#include <cstring>

#include "catalogue/paths.h"
#include "module/message_ids.h"
#include "platform/platform.h"

namespace zv {
namespace {

constexpr char kFormFileExtension[] = ".ZLP";
// Paths from this length on leave no room for the system's own additions.
constexpr size_t kLongestFormFilePath = 258;

bool EndsInFormFileExtension(const char* text) {
  const char* dot = std::strrchr(text, '.');
  return dot && EqualsIgnoringCase(dot, kFormFileExtension);
}

void CopyCut(char* target, const char* text, size_t length) {
  if (length > plat::kPathBuffer - 1) length = plat::kPathBuffer - 1;
  std::memcpy(target, text, length);
  target[length] = '\0';
}

// A file name the form/file settings dialog refuses with 411.
bool IsUnusableFileName(const char* fileName) {
  return fileName[0] == '\0' || fileName[0] == '_' || HasForbiddenFileCharacter(fileName);
}

}  // namespace

bool IsBlankText(const char* text) {
  for (; *text; ++text) {
    if (*text != ' ' && *text != '\t') return false;
  }
  return true;
}

const char* FilePart(const char* path) {
  const char* slash = std::strrchr(path, '\\');
  return slash ? slash + 1 : path;
}

bool HasForbiddenFileCharacter(const char* fileName) {
  return std::strpbrk(fileName, "/:;*?\"<>|") != nullptr;
}

bool IsUsableFormName(const char* name) {
  return !IsBlankText(name) && std::strpbrk(name, "/\\") == nullptr;
}

uint32_t CheckSelectedFileName(const char* text) {
  if (IsBlankText(text)) return kMsgFileNameUnusable;
  const char* file = FilePart(text);
  if (HasForbiddenFileCharacter(file)) return kMsgFileNameUnusable;
  if (std::strchr(text, '.') && !EndsInFormFileExtension(text)) return kMsgFileNameUnusable;
  if (file[0] == '_') return kMsgFileNameUnusable;
  return 0;
}

uint32_t CheckEditedFile(const char* text) {
  if (IsBlankText(text)) return kMsgFileNameUnusable;
  const char* file = FilePart(text);
  if (HasForbiddenFileCharacter(file)) return kMsgFileNameUnusable;
  if (std::strchr(text, '.') && !EndsInFormFileExtension(text)) return kMsgFileNameUnusable;
  if (!std::strchr(text, '\\')) return kMsgFileMissing;
  if (file[0] == '_') return kMsgFileNameUnusable;
  return CheckExistingFile(text);
}

uint32_t CheckExistingFile(const char* path) {
  if (!PathExists(path)) return kMsgFileMissing;
  if (plat::IsDirectory(path)) return kMsgFileNameUnusable;
  return 0;
}

bool IsRefusedFormFileName(const char* name, const char* filterDescription) {
  if (name[0] == '\0') return false;
  const bool offersRawFiles = std::strstr(filterDescription, ".ZLC") != nullptr;
  const bool accepted = EndsInFormFileExtension(name) && (offersRawFiles || FilePart(name)[0] != '_');
  return !accepted;
}

void SplitFileField(const char* text, const char* currentDirectory, char* directory, char* file) {
  const char* slash = std::strrchr(text, '\\');
  if (slash) {
    CopyCut(file, slash + 1, std::strlen(slash + 1));
    size_t length = static_cast<size_t>(slash - text);
    if (length > 0 && text[length - 1] == ':') ++length;
    CopyCut(directory, text, length);
  } else {
    CopyCut(file, text, std::strlen(text));
    CopyCut(directory, currentDirectory, std::strlen(currentDirectory));
  }
  if (HasForbiddenFileCharacter(file)) file[0] = '\0';
}

void DirectoryForSetting(const char* path, bool keepRootBackslash, char* directory) {
  const char* slash = std::strrchr(path, '\\');
  if (!slash) {
    CopyCut(directory, path, std::strlen(path));
    return;
  }
  size_t length = static_cast<size_t>(slash - path);
  if (keepRootBackslash && length > 0 && path[length - 1] == ':') ++length;
  CopyCut(directory, path, length);
}

uint32_t ComposeFormFilePath(const char* text, const char* currentDirectory, char* path) {
  path[0] = '\0';
  if (IsBlankText(text)) return kMsgFileNameUnusable;
  const char* slash = std::strrchr(text, '\\');
  if (IsUnusableFileName(FilePart(text))) return kMsgFileNameUnusable;
  const size_t textLength = std::strlen(text);
  size_t length;
  if (slash) {
    // The typed directory must exist; a drive root keeps its backslash.
    char directory[plat::kPathBuffer];
    size_t directoryLength = static_cast<size_t>(slash - text);
    if (directoryLength > 0 && text[directoryLength - 1] == ':') ++directoryLength;
    CopyCut(directory, text, directoryLength);
    if (!PathExists(directory)) return kMsgDirectoryMissing;
    if (textLength > kLongestFormFilePath) return kMsgFileNameTooLong;
    std::memcpy(path, text, textLength + 1);
    length = textLength;
  } else {
    // A bare name goes into the remembered directory. A bare drive (C:) is
    // taken as its root, so that the file lands where the user last was.
    const size_t directoryLength = std::strlen(currentDirectory);
    const char* lastSlash = std::strrchr(currentDirectory, '\\');
    const bool bareDrive = directoryLength == 2 && currentDirectory[1] == ':';
    const bool separator = bareDrive || (lastSlash && lastSlash[1] != '\0');
    length = directoryLength + (separator ? 1 : 0) + textLength;
    if (length > kLongestFormFilePath) return kMsgFileNameTooLong;
    std::memcpy(path, currentDirectory, directoryLength);
    if (separator) path[directoryLength] = '\\';
    std::memcpy(path + length - textLength, text, textLength + 1);
  }
  if (!EndsInFormFileExtension(path)) {
    length += sizeof kFormFileExtension - 1;
    if (length > kLongestFormFilePath) {
      path[0] = '\0';
      return kMsgFileNameTooLong;
    }
    std::strcat(path, kFormFileExtension);
  }
  return 0;
}

uint32_t ComposeRenamedFilePath(const char* text, const char* currentDirectory, char* path) {
  path[0] = '\0';
  const char* file = FilePart(text);
  if (file[0] == '\0' || file[0] == '_') return kMsgFileNameUnusable;
  const size_t textLength = std::strlen(text);
  size_t length;
  if (std::strchr(text, '\\')) {
    // The directory part must exist; a drive root keeps its backslash.
    char directory[plat::kPathBuffer];
    size_t directoryLength = static_cast<size_t>(file - 1 - text);
    if (directoryLength > 0 && text[directoryLength - 1] == ':') ++directoryLength;
    CopyCut(directory, text, directoryLength);
    if (!PathExists(directory)) return kMsgDirectoryMissing;
    if (textLength > plat::kMaxPath) return kMsgFileNameUnusable;
    std::memcpy(path, text, textLength + 1);
    length = textLength;
  } else {
    // A bare name goes into the current directory, behind one backslash.
    const size_t directoryLength = std::strlen(currentDirectory);
    const bool separator = directoryLength == 0 || currentDirectory[directoryLength - 1] != '\\';
    length = directoryLength + (separator ? 1 : 0) + textLength;
    if (length > plat::kMaxPath) return kMsgFileNameUnusable;
    std::memcpy(path, currentDirectory, directoryLength);
    if (separator) path[directoryLength] = '\\';
    std::memcpy(path + length - textLength, text, textLength + 1);
  }
  char* dot = std::strrchr(const_cast<char*>(FilePart(path)), '.');
  if (!dot) {
    if (length + sizeof kFormFileExtension - 1 > plat::kMaxPath) {
      path[0] = '\0';
      return kMsgFileNameUnusable;
    }
    std::memcpy(path + length, kFormFileExtension, sizeof kFormFileExtension);
    return 0;
  }
  if (!EqualsIgnoringCase(dot, kFormFileExtension)) {
    path[0] = '\0';
    return kMsgFileNameUnusable;
  }
  std::memcpy(dot, kFormFileExtension, sizeof kFormFileExtension);
  return 0;
}

void ComposeHelpPath(const char* moduleDirectory, const char* helpName, char* path) {
  if (helpName[0] != '\0' && helpName[1] == ':' && helpName[2] == '\\') {
    CopyCut(path, helpName, std::strlen(helpName));
    return;
  }
  CopyCut(path, moduleDirectory, std::strlen(moduleDirectory));
  const size_t length = std::strlen(path);
  std::strncat(path, helpName, plat::kPathBuffer - 1 - length);
}

}  // namespace zv
