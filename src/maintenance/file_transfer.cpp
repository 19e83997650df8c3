#include "maintenance/file_transfer.h"

#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/file_access.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "maintenance/file_moves.h"
#include "maintenance/overlay_entries.h"
#include "module/module_state.h"
#include "platform/platform.h"

namespace zv {
namespace {

constexpr uint32_t kLongestDescription = overlay_header::kDescriptionSize - 1;
constexpr char kEditedFileExtension[] = ".ZL3";
constexpr char kGroupInfoExtension[] = ".FGP";

struct GroupPathWork {
  PathBuffer groupPath;
};

struct GroupSizeWork {
  PathBuffer groupPath;
  PathBuffer directory;
  PathBuffer name;
  PathBuffer filePath;
  GroupInfoHeader header;
  OverlayEntryBlock block;
};

// The files of a group move one step at a time: the preview file, the edited
// file, then one step per overlay entry (by its number), and the group info
// file last. Each step that moved a file is marked, so that a move that
// cannot be completed puts back exactly those files.
constexpr uint32_t kPreviewStep = 0;
constexpr uint32_t kEditedStep = 1;
constexpr uint32_t kFirstEntryStep = 2;
constexpr uint32_t kMostSteps = 65536;

struct GroupMoveWork {
  char question[kMessageBufferSize];
  PathBuffer groupPath;
  PathBuffer sourceDirectory;
  PathBuffer targetDirectory;
  PathBuffer name;
  PathBuffer source;
  PathBuffer target;
  GroupInfoHeader header;
  OverlayEntryBlock block;
  unsigned char moved[kMostSteps / 8];
};

struct HeaderWork {
  unsigned char bytes[overlay_header::kSize];
};

// A missing block of working memory fails the operation with code 401.
bool NoWorkingMemory() {
  SetLastErrorCode(kMsgNoWorkArea);
  return false;
}

// The size of a file opened for reading and writing, existing only; 0 when
// it cannot be opened.
uint64_t SizeOfFile(const char* path) {
  plat::FileHandle file = plat::OpenFile(path, plat::kAccessReadWrite, plat::kShareRead, plat::kOpenExisting);
  if (!file) return 0;
  const uint32_t size = plat::GetFileSize(file);
  plat::CloseFile(file);
  return size == plat::kInvalidSize ? 0 : size;
}

// What became of one file of a group move.
enum class MemberMove {
  kMoved,   // the file is at the target now
  kLeft,    // nothing to move: the target is the source itself, or the
            // listed file is not in the source directory
  kRefused  // the file stays: its answer to 606 was No, its path does not
            // fit, or the move failed
};

// Puts the source and target paths of a group member named name into the
// working memory; false when either does not fit.
bool MemberPaths(GroupMoveWork& w, const char* name) {
  return CopyPath(w.source, w.sourceDirectory) && AppendPath(w.source, name) &&
         CopyPath(w.target, w.targetDirectory) && AppendPath(w.target, name);
}

// Moves one file of a group, by name, from the source to the target
// directory. An existing target is replaced only when asked and answered
// Yes, or when ask is false. A target that is the source itself is left
// alone: both ways of moving would lose the file.
MemberMove MoveGroupMember(void* owner, GroupMoveWork& w, const char* name, bool ask) {
  if (!MemberPaths(w, name)) return MemberMove::kRefused;
  if (plat::SameFile(w.source, w.target)) return MemberMove::kLeft;
  if (ask && PathExists(w.target) &&
      plat::ShowMessageBox(owner, w.question, kBoxCaption, kStyleQuestion) != kAnswerYes) {
    return MemberMove::kRefused;
  }
  // A listed file that is missing has nothing to lose and nothing to move.
  if (!PathExists(w.source)) return MemberMove::kLeft;
  return MoveOverlayFile(w.source, w.target) ? MemberMove::kMoved : MemberMove::kRefused;
}

// Takes a file that MoveGroupMember moved back to the source directory.
bool ReturnGroupMember(GroupMoveWork& w, const char* name) {
  return MemberPaths(w, name) && MoveOverlayFile(w.target, w.source);
}

bool StepMoved(const GroupMoveWork& w, uint32_t step) {
  return (w.moved[step / 8] >> (step % 8)) & 1u;
}

void MarkStepMoved(GroupMoveWork& w, uint32_t step) {
  w.moved[step / 8] = static_cast<unsigned char>(w.moved[step / 8] | (1u << (step % 8)));
}

// Names the catalogue generated begin with an underscore; a name with a
// directory, or any other name, was registered from elsewhere and stays.
bool IsGeneratedName(const char* name) {
  return name[0] == '_' && std::strchr(name, '\\') == nullptr;
}

// Visits, in moving order, every file of an open, valid group info file that
// a group move takes along (all but the group info file itself), as
// visit(step, name), name read into the working memory: the preview file,
// the edited .ZL3 file the catalogue made, and every overlay data file the
// catalogue made, in file order. A name that cannot be read (a failed read,
// a damaged text) is visited as null: the file it stands for is not known.
// A visit that answers false ends the walk. false when a visit did, or when
// the entries cannot be read.
template <typename Visit>
bool VisitGroupMembers(plat::FileHandle file, GroupMoveWork& w, Visit visit) {
  const auto named = [&](int32_t index) {
    return ReadGroupInfoString(file, w.header, index, w.name) ? w.name : nullptr;
  };
  if (w.header.previewString >= 0 && !visit(kPreviewStep, named(w.header.previewString))) {
    return false;
  }
  if (w.header.editedFileString >= 0) {
    const char* name = named(w.header.editedFileString);
    if ((!name || (IsGeneratedName(name) && ExtensionEquals(name, kEditedFileExtension))) &&
        !visit(kEditedStep, name)) {
      return false;
    }
  }
  bool completed = true;
  const bool scanned =
      ScanOverlayEntries(file, w.header, w.block, [&](uint32_t number, const unsigned char* entry) {
        const int32_t nameString = GetI32(entry + group_info::kEntryFileNameOffset);
        if (nameString < 0) return ScanStep::kNext;  // an entry without a file
        const char* name = named(nameString);
        if ((!name || IsGeneratedName(name)) && !visit(kFirstEntryStep + number, name)) {
          completed = false;
          return ScanStep::kStop;
        }
        return ScanStep::kNext;
      });
  return completed && scanned;
}

// Moves back every file that the steps marked in the working memory moved,
// the group info file (open as file, in the source directory) excepted.
// false when one of them could not be moved back.
bool ReturnGroupMembers(plat::FileHandle file, GroupMoveWork& w) {
  bool returned = true;
  const bool walked = VisitGroupMembers(file, w, [&](uint32_t step, const char* name) {
    if (StepMoved(w, step) && (!name || !ReturnGroupMember(w, name))) returned = false;
    return true;
  });
  return walked && returned;
}

// A directory in directory form exists: tested without its final backslash,
// which the system's search does not take, except for a drive root (C:\).
bool DirectoryExists(const char* directory, char* scratch) {
  if (!CopyPath(scratch, directory)) return false;
  const size_t length = std::strlen(scratch);
  if (length > 3 && scratch[length - 1] == '\\') scratch[length - 1] = '\0';
  return PathExists(scratch);
}

}  // namespace

uint64_t GetFreeDiskBytes(char* path) {
  if (!path) return 0;
  // The drive is asked for by its root: the path up to its first backslash.
  char* cut = std::strchr(path, '\\');
  char saved = '\0';
  if (cut) {
    ++cut;
    saved = *cut;
    *cut = '\0';
  }
  plat::DiskFreeSpace space{};
  const bool known = plat::QueryDiskFreeSpace(path, &space);
  if (cut) *cut = saved;
  if (!known) return 0;
  return uint64_t{space.freeClusters} * space.sectorsPerCluster * space.bytesPerSector;
}

uint64_t GetGroupSize(int32_t formId) {
  WorkMemory<GroupSizeWork> w;
  if (!w) return 0;
  if (!GetFormGroupPath(formId, w->groupPath)) return 0;
  plat::FileHandle file = nullptr;
  if (OpenGroupInfo(w->groupPath, plat::kAccessReadWrite, &file, &w->header) != ListFileState::kValid) {
    return 0;
  }
  DirectoryOfFile(w->groupPath, w->directory);
  uint64_t total = 0;
  const bool scanned =
      ScanOverlayEntries(file, w->header, w->block, [&](uint32_t, const unsigned char* entry) {
        const int32_t nameString = GetI32(entry + group_info::kEntryFileNameOffset);
        if (ReadGroupInfoString(file, w->header, nameString, w->name) &&
            CopyPath(w->filePath, w->directory) && AppendPath(w->filePath, w->name)) {
          total += SizeOfFile(w->filePath);
        }
        return ScanStep::kNext;
      });
  plat::CloseFile(file);
  if (!scanned) return 0;
  return total + SizeOfFile(w->groupPath);
}

bool HasGroupToMove(int32_t formId) {
  WorkMemory<GroupPathWork> w;
  if (!w) {
    NoWorkingMemory();
    return true;
  }
  if (!GetFormGroupPath(formId, w->groupPath)) return true;
  return ExtensionEquals(w->groupPath, kGroupInfoExtension) && PathExists(w->groupPath);
}

bool MoveGroupFiles(void* owner, int32_t formId, const char* targetDirectory, GroupMoveCommit commit,
                    void* commitData) {
  WorkMemory<GroupMoveWork> w;
  if (!w) return false;
  LoadMessage(kMsgOverwriteExistingFile, w->question, sizeof w->question);
  if (!GetFormGroupPath(formId, w->groupPath)) return false;
  plat::FileHandle file = nullptr;
  if (OpenGroupInfo(w->groupPath, plat::kAccessReadWrite, &file, &w->header) != ListFileState::kValid) {
    return false;
  }
  DirectoryOfFile(w->groupPath, w->sourceDirectory);
  // Everything that would refuse the move as a whole is looked at before a
  // file moves: the target directory, and whether the steps can be marked.
  if (!targetDirectory || !CopyPath(w->targetDirectory, targetDirectory) ||
      !ToDirectoryForm(w->targetDirectory) || !DirectoryExists(w->targetDirectory, w->target) ||
      w->header.entryCount > kMostSteps - kFirstEntryStep) {
    plat::CloseFile(file);
    return false;
  }

  // A file whose name cannot be read cannot be taken along: the move fails.
  const bool allMoved = VisitGroupMembers(file, *w, [&](uint32_t step, const char* name) {
    if (!name) return false;
    const MemberMove result = MoveGroupMember(owner, *w, name, true);
    if (result == MemberMove::kMoved) MarkStepMoved(*w, step);
    return result != MemberMove::kRefused;
  });
  if (!allMoved) {
    ReturnGroupMembers(file, *w);
    plat::CloseFile(file);
    return false;
  }
  plat::CloseFile(file);

  // The group info file goes last, under its own name, without a question.
  // The caller's commit comes once everything has moved; a refusal of
  // either puts the whole group back, the group info file first, and the
  // other files are found again through it in its old place.
  const char* ownName = w->groupPath + std::strlen(w->sourceDirectory);
  const MemberMove last = MoveGroupMember(owner, *w, ownName, false);
  if (last != MemberMove::kRefused && (!commit || commit(commitData))) return true;
  if (last == MemberMove::kMoved && !ReturnGroupMember(*w, ownName)) return false;
  if (OpenGroupInfo(w->groupPath, plat::kAccessRead, &file, &w->header) == ListFileState::kValid) {
    ReturnGroupMembers(file, *w);
    plat::CloseFile(file);
  }
  return false;
}

bool RewriteOverlayHeader(const char* path, uint8_t layer, const char* description) {
  WorkMemory<HeaderWork> w;
  if (!w) return NoWorkingMemory();
  plat::FileHandle file = plat::OpenFile(path, plat::kAccessReadWrite, plat::kShareRead, plat::kOpenExisting);
  if (!file) return false;
  // Raw printer data has no header to rewrite; writing one would damage it.
  // A raw file by its name is not read, one by its first byte is left once
  // its header is read; so is a file too short to hold a header.
  if (!HasRawFileName(path) && ReadAt(file, 0, w->bytes, overlay_header::kSize) &&
      !StartsAsRawData(w->bytes)) {
    w->bytes[overlay_header::kLayerOffset] = layer;
    unsigned char* field = w->bytes + overlay_header::kDescriptionOffset;
    uint32_t length = 0;
    for (; description && description[length] != '\0' && length < kLongestDescription; ++length) {
      field[length] = static_cast<unsigned char>(description[length]);
    }
    field[length] = '\0';
    WriteAt(file, 0, w->bytes, overlay_header::kSize);
  }
  plat::CloseFile(file);
  return true;
}

}  // namespace zv
