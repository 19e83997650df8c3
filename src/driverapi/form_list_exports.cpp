// The form list the driver shows: the named forms in catalogue order, closed
// by the "No Form name" entry.
#include <cstring>

#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "module/module_state.h"
#include "zvlmn30e.h"

namespace zv {
namespace {

using namespace form_list;

struct CountWork {
  PathBuffer path;
  unsigned char header[kHeaderSize];
};

struct ListWork {
  FormRecordBlock block;
  PathBuffer path;
};

// The list of one entry that every failure gives: "No Form name" with
// identifier 0. The caller has made sure that at least one entry is wanted.
int32_t FallbackList(uint32_t* count, int32_t* ids, char* names) {
  *count = 1;
  ids[0] = 0;
  LoadNoFormName(names);
  return 1;
}

}  // namespace
}  // namespace zv

using namespace zv;

extern "C" ZVLONG ZVAPI ZVGetFormListNum(void) {
  WorkMemory<CountWork> w;
  if (!w || !GetListFilePaths(w->path, nullptr)) return 0;
  plat::FileHandle file = nullptr;
  FormListHeader header;
  if (OpenFormNameList(w->path, plat::kAccessRead, &file, &header) != ListFileState::kValid) return 1;
  plat::CloseFile(file);
  return static_cast<int32_t>(header.namedCount + 1);
}

extern "C" ZVLONG ZVAPI ZVGetFormList(ZVHWND parentWindow, ZVDWORD first, ZVLONG last, ZVLONG currentForm,
                                      ZVDWORD* count, ZVLONG* ids, ZVLPSTR names) {
  *count = 0;
  const int32_t wanted = static_cast<int32_t>(static_cast<uint32_t>(last) - first + 1);
  // A call that asks for no entry gets none, and its arrays stay untouched.
  if (wanted < 1) return 0;

  WorkMemory<ListWork> w;
  if (!w) {
    ShowErrorBox(parentWindow, kMsgNoWorkArea);
    return FallbackList(count, ids, names);
  }
  if (!GetListFilePaths(w->path, nullptr)) {
    ShowErrorBox(parentWindow, kMsgRegisterFormFailed);
    return FallbackList(count, ids, names);
  }
  plat::FileHandle file = nullptr;
  FormListHeader header;
  const ListFileState state = OpenFormNameList(w->path, plat::kAccessRead, &file, &header);
  if (state != ListFileState::kValid) {
    // A driver that asks for exactly the one entry it was promised sees no box.
    if (wanted != 1) {
      ShowErrorBox(parentWindow,
                   state == ListFileState::kDamaged ? kMsgFormListDamaged : kMsgFileNotInFormList);
    }
    return FallbackList(count, ids, names);
  }

  std::memset(ids, 0, sizeof(int32_t) * static_cast<size_t>(wanted));
  std::memset(names, 0, kFormNameSize * static_cast<size_t>(wanted));
  const int32_t namedCount = static_cast<int32_t>(header.namedCount);
  const int64_t end = int64_t{last} + 1 < namedCount ? int64_t{last} + 1 : namedCount;
  if (end > 0 && first < static_cast<uint64_t>(end)) {
    plat::SeekFile(file, static_cast<int32_t>(kHeaderSize + kRecordSize * first), plat::kSeekBegin);
    WalkFormRecords(file, w->block, static_cast<uint32_t>(end - first), [&](const unsigned char* record) {
      ids[*count] = FormRecordId(record);
      CopyFormRecordName(record, names + kFormNameSize * *count);
      ++*count;
      return true;
    });
  }

  // The closing entry: the current file entry when the driver has one
  // selected and it exists, else "no form".
  if (currentForm < 0 && last >= namedCount) {
    plat::SeekFile(file, static_cast<int32_t>(FileEntryRegionOffset(header)), plat::kSeekBegin);
    WalkFormRecords(file, w->block, header.fileEntryCount, [&](const unsigned char* record) {
      if (FormRecordId(record) != currentForm) return true;
      ids[*count] = currentForm;
      LoadNoFormName(names + kFormNameSize * *count);
      ++*count;
      return false;
    });
  } else if (namedCount <= last) {
    ids[*count] = 0;
    LoadNoFormName(names + kFormNameSize * *count);
    ++*count;
  }
  plat::CloseFile(file);
  return 1;
}
