// ZVGetDevFormName: what a form identifier that the driver keeps for a device
// stands for, as the driver's pages show it.

#include "catalogue/byte_order.h"
#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_name_list.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "zvlmn30e.h"

namespace zv {
namespace {

struct DevFormNameWork {
  FormRecordBlock block;
  PathBuffer formListPath;
  PathBuffer groupListPath;
  PathBuffer text;
  PathBuffer resolved;
};

}  // namespace
}  // namespace zv

using namespace zv;

extern "C" ZVLONG ZVAPI ZVGetDevFormName(ZVLONG formId, ZVLPSTR name) {
  // 0 is "no form" and is never stored.
  if (formId == 0) return 0;
  WorkMemory<DevFormNameWork> w;
  if (!w || !GetListFilePaths(w->formListPath, w->groupListPath)) return 0;

  plat::FileHandle file = nullptr;
  FormListHeader header;
  if (OpenFormNameList(w->formListPath, plat::kAccessRead, &file, &header) != ListFileState::kValid) return 0;
  uint32_t count = header.namedCount;
  bool positioned = true;
  if (formId < 0) {
    const uint32_t region = FileEntryRegionOffset(header);
    count = header.fileEntryCount;
    positioned = plat::SeekFile(file, static_cast<int32_t>(region), plat::kSeekBegin) == region;
  }
  uint32_t groupIndex = 0;
  const bool found = positioned && WalkFormRecords(file, w->block, count, [&](const unsigned char* record) {
                       if (FormRecordId(record) != formId) return true;
                       groupIndex = GetU32(record + form_list::kGroupIndexOffset);
                       if (formId > 0) CopyFormRecordName(record, name);
                       return false;
                     });
  if (!found || formId > 0) {
    plat::CloseFile(file);
    return found ? 1 : 0;
  }

  // A file entry shows its text as the catalogue resolves it: a stored
  // overlay's number as it stands, a path as it stands, and a bare file
  // name as the file beside the group name list file. It is read while the
  // form name list file is open, so that the index still names its entry.
  const bool read = ReadGroupPath(w->groupListPath, groupIndex, GroupRule::kFull, w->text, w->resolved);
  plat::CloseFile(file);
  if (!read) return 0;
  CopyPath(name, w->resolved);
  return 1;
}
