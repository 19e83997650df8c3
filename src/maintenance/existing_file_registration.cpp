#include "maintenance/existing_file_registration.h"

#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/file_access.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "maintenance/form_registration.h"
#include "maintenance/group_registration.h"
#include "maintenance/overlay_entries.h"
#include "module/module_state.h"

namespace zv {
namespace {

constexpr char kGroupInfoExtension[] = ".FGP";
constexpr uint32_t kNumberDigits = 10;  // the longest 32-bit decimal number
constexpr char kNumberPlaceholder[] = "%ld";

struct FindWork {
  OverlayEntryBlock block;
  GroupInfoHeader header;
  PrintSettings entry;
  PathBuffer name;
  PathBuffer path;
};

struct ReplaceWork {
  unsigned char headerBytes[group_info::kHeaderSize];
  unsigned char entry[group_info::kEntrySize];
  GroupInfoHeader header;
  PathBuffer oldName;
  PathBuffer oldPath;
  PathBuffer newPath;
};

struct RegisterWork {
  PrintSettings settings;
  PathBuffer groupPath;
  PathBuffer groupInfoPath;
  char text[kMessageBufferSize];
  char message[kMessageBufferSize + kNumberDigits];
};

// The fields that tell two overlays apart; the rest describe the same
// overlay (the layer, the paper's name code and its extra values).
bool SameOverlaySettings(const PrintSettings& a, const PrintSettings& b) {
  return a.colour == b.colour && a.pagesPerSheet == b.pagesPerSheet && a.printingMode == b.printingMode &&
         a.resolution == b.resolution && a.orientation == b.orientation && a.paperWidth == b.paperWidth &&
         a.paperHeight == b.paperHeight && a.zoom == b.zoom && a.outputWidth == b.outputWidth &&
         a.outputHeight == b.outputHeight && a.modeLevel == b.modeLevel;
}

// Where an entry's file is: a name with a backslash is a full path, any other
// lies in the directory of the group info file.
bool ResolveEntryName(const char* groupInfoPath, const char* name, char* path) {
  if (std::strchr(name, '\\')) return CopyPath(path, name);
  DirectoryOfFile(groupInfoPath, path);
  return AppendPath(path, name);
}

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SamePathIgnoringCase(const char* a, const char* b) {
  for (; *a && UpperAscii(*a) == UpperAscii(*b); ++a, ++b) {
  }
  return UpperAscii(*a) == UpperAscii(*b);
}

bool Fail(uint32_t code) {
  SetLastErrorCode(code);
  return false;
}

// The message with the number put where its text says %ld, cut to fit.
void FormatNumberMessage(const char* text, uint32_t number, char* message, uint32_t size) {
  char digits[kNumberDigits + 1];
  uint32_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + number % 10);
    number /= 10;
  } while (number != 0);

  uint32_t out = 0;
  bool placed = false;
  for (const char* p = text; *p && out + 1 < size;) {
    if (!placed && std::strncmp(p, kNumberPlaceholder, sizeof kNumberPlaceholder - 1) == 0) {
      while (count > 0 && out + 1 < size) message[out++] = digits[--count];
      p += sizeof kNumberPlaceholder - 1;
      placed = true;
    } else {
      message[out++] = *p++;
    }
  }
  message[out] = '\0';
}

// A paper choice names an entry of the list, or nothing.
bool PaperKnown(const PaperChoice& paper, uint16_t paperCount) {
  return paper.paperIndex < paperCount;
}

// Shows a message, leaves its id as the last error code and keeps the dialog.
RegistrationResult Refuse(void* owner, uint32_t id) {
  SetLastErrorCode(id);
  ShowErrorBox(owner, id);
  return RegistrationResult::kStayOpen;
}

// A failed step: a memory shortage is reported as such, anything else as a
// failed registration.
RegistrationResult RefuseFailedStep(void* owner) {
  return Refuse(owner, GetLastErrorCode() == kMsgNoWorkArea ? kMsgNoWorkArea : kMsgRegisterExistingFailed);
}

}  // namespace

bool FindOverlayEntry(const char* groupInfoPath, const PrintSettings& settings, char* filePath,
                      uint32_t* entryIndex) {
  WorkMemory<FindWork> w;
  if (!w) return Fail(kMsgNoWorkArea);
  plat::FileHandle file = nullptr;
  if (OpenGroupInfo(groupInfoPath, plat::kAccessReadWrite, &file, &w->header) != ListFileState::kValid) {
    return Fail(kMsgRegisterFormFailed);
  }

  bool found = false;
  uint32_t foundIndex = 0;
  int32_t nameString = kNoString;
  bool ok = ScanOverlayEntries(file, w->header, w->block, [&](uint32_t number, const unsigned char* entry) {
    DecodeOverlayEntry(entry, &w->entry, &nameString);
    if (!SameOverlaySettings(w->entry, settings)) return ScanStep::kNext;
    found = true;
    foundIndex = number;
    return ScanStep::kStop;
  });
  if (ok && found && filePath) {
    if (nameString == kNoString) {
      w->path[0] = '\0';
    } else {
      ok = ReadGroupInfoString(file, w->header, nameString, w->name) &&
           ResolveEntryName(groupInfoPath, w->name, w->path);
    }
  }
  plat::CloseFile(file);
  if (!ok) return Fail(kMsgRegisterFormFailed);
  if (!found) return false;
  if (filePath) CopyPath(filePath, w->path);
  if (entryIndex) *entryIndex = foundIndex;
  return true;
}

bool ReplaceOverlayFile(const char* groupInfoPath, uint32_t entryIndex, const char* newFileName,
                        const PrintSettings* expected) {
  WorkMemory<ReplaceWork> w;
  if (!w) return Fail(kMsgNoWorkArea);
  // A name the pool could not give back whole, or none, is refused before
  // the file is opened.
  const size_t newLength = newFileName ? strnlen(newFileName, plat::kPathBuffer) : 0;
  if (newLength == 0 || newLength > plat::kMaxPath) return Fail(kMsgRegisterExistingFailed);

  // The header is kept as read: only its pool size changes, and the bytes
  // the header record does not hold are written back as they were.
  plat::FileHandle file = nullptr;
  if (OpenGroupInfo(groupInfoPath, plat::kAccessReadWrite, &file, &w->header, w->headerBytes) !=
      ListFileState::kValid) {
    return Fail(kMsgRegisterExistingFailed);
  }
  GroupInfoHeader& header = w->header;
  bool ok = entryIndex < header.entryCount &&
            ReadAt(file, group_info::kEntriesOffset + group_info::kEntrySize * entryIndex, w->entry,
                   group_info::kEntrySize);
  int32_t nameString = ok ? GetI32(w->entry + group_info::kEntryFileNameOffset) : kNoString;
  if (ok && expected) {
    PrintSettings settings{};
    DecodeOverlayEntry(w->entry, &settings, &nameString);
    ok = SameOverlaySettings(settings, *expected);
  }
  // An entry without a name has no text to replace.
  ok =
      ok && nameString != kNoString && ReplaceGroupString(file, &header, nameString, newFileName, w->oldName);
  if (ok) {
    PutU32(w->headerBytes + group_info::kPoolSizeOffset, header.poolSize);
    ok = WriteAt(file, 0, w->headerBytes, group_info::kHeaderSize);
  }
  plat::CloseFile(file);
  if (!ok) return Fail(kMsgRegisterExistingFailed);

  // The superseded file goes when the system made it (an underscore name in
  // the group's directory) and it holds a header; raw printer data and a file
  // of the catalogue itself, which a damaged entry may name, stay.
  DirectoryOfFile(groupInfoPath, w->oldPath);
  if (w->oldName[0] == '_' && AppendPath(w->oldPath, w->oldName) &&
      ResolveEntryName(groupInfoPath, newFileName, w->newPath) &&
      !SamePathIgnoringCase(w->oldPath, w->newPath) && IsDeletableOverlayFile(w->oldPath) &&
      plat::SetAttributesNormal(w->oldPath)) {
    plat::EraseFile(w->oldPath);
  }
  return true;
}

RegistrationResult RegisterExistingFile(const ExistingFileRegistration& in, int32_t* formId) {
  WorkMemory<RegisterWork> w;
  if (!w) return Refuse(in.owner, kMsgNoWorkArea);
  if (!in.filePath || !in.filePath[0]) return Refuse(in.owner, kMsgRegisterExistingFailed);
  ReadOverlaySettings(in.filePath, in.layer, &w->settings);

  // The paper: a file and a form that both know theirs must agree; a file
  // that does not know its own takes the form's, else the dialog's.
  PaperChoice paper = in.filePaper;
  const bool fileKnown = PaperKnown(in.filePaper, in.paperCount);
  const bool formKnown = PaperKnown(in.formPaper, in.paperCount);
  if (fileKnown && formKnown) {
    if (in.filePaper.orientation != in.formPaper.orientation ||
        in.filePaper.paperIndex != in.formPaper.paperIndex)
      return Refuse(in.owner, kMsgPaperOrientationDiffersFromFile);
  } else if (!fileKnown) {
    paper = formKnown ? in.formPaper : in.userPaper;
  }
  if (PaperKnown(paper, in.paperCount)) {
    const PaperEntry& entry = in.papers[paper.paperIndex];
    w->settings.orientation = static_cast<uint8_t>(paper.orientation);
    w->settings.paperWidth = static_cast<int16_t>(entry.width);
    w->settings.paperHeight = static_cast<int16_t>(entry.length);
    w->settings.paperValue3 = entry.value3;
    w->settings.paperValue4 = entry.value4;
    w->settings.paperCode = entry.code;
  } else if (w->settings.paperWidth <= 0 || w->settings.paperHeight <= 0) {
    // Without a paper entry the record keeps the paper of the file's own
    // header; without one there either, the overlay would have no paper
    // size.
    return Refuse(in.owner, kMsgRegisterExistingFailed);
  }

  // A new form is made only now that its file's paper is settled, so that a
  // refusal above leaves no empty form behind.
  int32_t id = in.formId;
  if (id == 0 && (!ChooseFormId(kChooseNamedForm, in.formName, &id, nullptr) ||
                  !AddFormRecord(id, in.formName, in.formDescription, in.saveDirectory, in.layer))) {
    return Refuse(in.owner, GetLastErrorCode());
  }
  if (formId) *formId = id;

  if (!GetFormGroupPath(id, w->groupPath)) return RefuseFailedStep(in.owner);
  // Until its first overlay a form's group text is its save directory.
  const bool hasGroupInfo = ExtensionEquals(w->groupPath, kGroupInfoExtension);
  uint32_t index = 0;
  SetLastErrorCode(0);
  const bool found = hasGroupInfo && FindOverlayEntry(w->groupPath, w->settings, nullptr, &index);
  // A group info file that is there but cannot be read now (another writer
  // holds it, or it is damaged) is no proof that no entry matches: adding
  // one could give the group two entries for the same settings. Only one
  // that does not exist has no entries.
  const uint32_t findCode = GetLastErrorCode();
  if (!found && (findCode == kMsgNoWorkArea || (findCode != 0 && PathExists(w->groupPath))))
    return RefuseFailedStep(in.owner);

  if (!found) {
    const uint32_t entries = hasGroupInfo ? in.entryCount : 0;
    if (entries >= in.overlayCapacity) {
      SetLastErrorCode(kMsgTooManyOverlays);
      LoadMessage(kMsgTooManyOverlays, w->text, sizeof w->text);
      FormatNumberMessage(w->text, in.overlayCapacity, w->message, sizeof w->message);
      plat::ShowMessageBox(in.owner, w->message, kBoxCaption, kStyleIconHand);
      return RegistrationResult::kStayOpen;
    }
    if (!hasGroupInfo) {
      if (!MakeGroupInfoFileName(id, w->groupPath, w->groupInfoPath)) return RefuseFailedStep(in.owner);
      CopyPath(w->groupPath, w->groupInfoPath);
    }
    // The entry names the file where it is; an empty first group string
    // removes one that the driver left.
    const bool created = !hasGroupInfo && !PathExists(w->groupPath);
    if (!AddOverlayEntry(w->groupPath, in.filePath, &w->settings, "", nullptr))
      return RefuseFailedStep(in.owner);
    // The form is pointed at its new group info file once the file is
    // there. When that fails, the new file goes unless the form names it
    // all the same (the group text was replaced, the record's other fields
    // could not be): no form names a group info file that is not there.
    if (!hasGroupInfo && !UpdateFormRecord(id, in.formName, in.formDescription, w->groupInfoPath, in.layer)) {
      const bool named =
          GetFormGroupPath(id, w->groupInfoPath) && SamePathIgnoringCase(w->groupInfoPath, w->groupPath);
      if (created && !named) DeleteFileIfWritable(w->groupPath);
      return RefuseFailedStep(in.owner);
    }
    return RegistrationResult::kEndDialog;
  }

  LoadMessage(kMsgReplaceMatchingOverlay, w->text, sizeof w->text);
  if (plat::ShowMessageBox(in.owner, w->text, kBoxCaption, kStyleQuestion) != kAnswerYes) {
    return RegistrationResult::kStayOpen;
  }
  // While the question was open another writer may have removed or added
  // entries: the entry to replace is looked for again, and the replacement
  // checks under its own lock that the entry it takes still matches. One
  // that is gone is said so, and the dialog stays for another try.
  SetLastErrorCode(0);
  if (!FindOverlayEntry(w->groupPath, w->settings, nullptr, &index) ||
      !ReplaceOverlayFile(w->groupPath, index, in.filePath, &w->settings))
    return RefuseFailedStep(in.owner);
  return RegistrationResult::kEndDialog;
}

}  // namespace zv
