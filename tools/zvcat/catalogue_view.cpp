#include "catalogue_view.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "catalogue/form_name_list.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "catalogue/paths.h"
#include "platform/platform.h"

namespace zvcat {
namespace {

constexpr char kGroupInfoExtension[] = ".FGP";

bool Exists(const std::string& path) {
  return !path.empty() && path.size() <= plat::kMaxPath && zv::PathExists(path.c_str());
}

// Tells a missing file from one that exists but cannot be opened.
FileState UnopenedState(const std::string& path) {
  return Exists(path) ? FileState::kCannotOpen : FileState::kMissing;
}

FileState StateOf(zv::ListFileState state, const std::string& path) {
  switch (state) {
    case zv::ListFileState::kValid:
      return FileState::kRead;
    case zv::ListFileState::kDamaged:
      return FileState::kDamaged;
    case zv::ListFileState::kCannotOpen:
      break;
  }
  return UnopenedState(path);
}

bool FitsPath(const std::string& path) {
  return path.size() <= plat::kMaxPath && path.find('\0') == std::string::npos;
}

// The records of the form name list, named forms then file entries.
void ReadFormRecords(CatalogueList* list) {
  if (!FitsPath(list->paths.formList)) {
    list->formList = FileState::kMissing;
    return;
  }
  plat::FileHandle file = nullptr;
  zv::FormListHeader header{};
  const zv::ListFileState state =
      zv::OpenFormNameList(list->paths.formList.c_str(), plat::kAccessRead, &file, &header);
  list->formList = StateOf(state, list->paths.formList);
  if (state != zv::ListFileState::kValid) return;
  list->namedCount = header.namedCount;
  list->fileEntryCount = header.fileEntryCount;
  zv::FormRecordBlock block;
  uint32_t position = 0;
  zv::WalkFormRecords(file, block, header.namedCount + header.fileEntryCount,
                      [&](const unsigned char* bytes) {
                        zv::FormRecord record;
                        zv::DecodeFormRecord(bytes, &record);
                        FormItem item;
                        item.fileEntry = position++ >= header.namedCount;
                        item.id = record.id;
                        item.name = record.name;
                        item.description = record.description;
                        item.layer = record.layer;
                        item.groupIndex = record.groupIndex;
                        list->forms.push_back(item);
                        return true;
                      });
  plat::CloseFile(file);
}

// The group text of every record, and its resolved form.
void ReadGroupTexts(CatalogueList* list) {
  if (!FitsPath(list->paths.groupList)) {
    list->groupList = FileState::kMissing;
    return;
  }
  plat::FileHandle file = nullptr;
  zv::GroupListHeader header{};
  const zv::ListFileState state =
      zv::OpenGroupNameList(list->paths.groupList.c_str(), plat::kAccessRead, &file, &header);
  list->groupList = StateOf(state, list->paths.groupList);
  if (state != zv::ListFileState::kValid) return;
  for (FormItem& item : list->forms) {
    zv::PathBuffer text = "";
    if (!zv::ReadGroupText(file, header, item.groupIndex, text)) continue;
    item.groupTextRead = true;
    item.groupText = text;
    zv::PathBuffer path = "";
    if (zv::ResolveGroupTextFull(text, list->paths.groupList.c_str(), path)) item.groupPath = path;
  }
  plat::CloseFile(file);
}

// A decimal identifier as the user types it: an optional minus sign and
// digits, within the range of a form identifier.
bool ParseIdentifier(const std::string& text, int32_t* id) {
  size_t at = text[0] == '-' ? 1 : 0;
  if (text.size() <= at || text.size() > 11) return false;
  for (size_t i = at; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  errno = 0;
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (errno != 0 || value < INT32_MIN || value > INT32_MAX) return false;
  *id = static_cast<int32_t>(value);
  return true;
}

void ReadSlot(plat::FileHandle file, const zv::GroupInfoHeader& header, int32_t index,
              const std::string& groupInfoPath, GroupFileSlot* slot) {
  slot->index = index;
  if (index == zv::kNoString) return;
  zv::PathBuffer text = "";
  if (!zv::ReadGroupInfoString(file, header, index, text)) return;
  slot->read = true;
  slot->text = text;
  if (slot->text.empty()) return;
  slot->path = ResolveBesideFile(slot->text, groupInfoPath);
  slot->exists = Exists(slot->path);
}

void ReadGroupInfo(GroupInfoView* group, const std::vector<zv::PaperEntry>& papers) {
  if (!FitsPath(group->path)) return;
  plat::FileHandle file = nullptr;
  const zv::ListFileState state =
      zv::OpenGroupInfo(group->path.c_str(), plat::kAccessRead, &file, &group->header);
  group->state = StateOf(state, group->path);
  if (state != zv::ListFileState::kValid) return;
  const zv::GroupInfoHeader& header = group->header;

  // The entries first, while the file stands at them; their texts after.
  zv::OverlayEntryBlock block;
  uint32_t index = 0;
  zv::WalkOverlayEntries(file, block, header.entryCount, [&](const unsigned char* bytes) {
    OverlayItem item;
    item.index = index++;
    zv::DecodeOverlayEntry(bytes, &item.settings, &item.fileNameString);
    char line[zv::kOverlayLineSize] = "";
    zv::BuildOverlayLine(item.settings, papers.empty() ? nullptr : papers.data(),
                         static_cast<uint16_t>(papers.size()), true, line);
    item.line = line;
    group->overlays.push_back(item);
    return true;
  });

  zv::PathBuffer text = "";
  if (zv::ReadGroupInfoString(file, header, header.firstString, text)) {
    group->firstStringRead = true;
    group->firstString = text;
  }
  ReadSlot(file, header, header.previewString, group->path, &group->preview);
  ReadSlot(file, header, header.editedFileString, group->path, &group->edited);
  for (OverlayItem& item : group->overlays) {
    text[0] = '\0';
    if (!zv::ReadGroupInfoString(file, header, item.fileNameString, text)) continue;
    item.fileNameRead = true;
    item.fileName = text;
  }
  plat::CloseFile(file);

  // The overlay data files are opened only once the group info file is closed.
  for (OverlayItem& item : group->overlays) {
    if (!item.fileNameRead || item.fileName.empty()) continue;
    item.path = ResolveBesideFile(item.fileName, group->path);
    if (!FitsPath(item.path)) continue;
    item.exists = Exists(item.path);
    if (!item.exists) continue;
    item.hasHeader = zv::HasOverlayHeader(item.path.c_str());
    char description[zv::kOverlayDescriptionSize] = "";
    item.layer = zv::GetOverlayDescription(item.path.c_str(), description);
    item.description = description;
  }
}

}  // namespace

const char* FileStateName(FileState state) {
  switch (state) {
    case FileState::kRead:
      return "read";
    case FileState::kMissing:
      return "missing";
    case FileState::kCannotOpen:
      return "cannot-open";
    case FileState::kDamaged:
      return "damaged";
  }
  return "damaged";
}

std::string ResolveBesideFile(const std::string& name, const std::string& baseFile) {
  if (name.find('\\') != std::string::npos) return name;
  const size_t slash = baseFile.rfind('\\');
  return (slash == std::string::npos ? std::string() : baseFile.substr(0, slash + 1)) + name;
}

CatalogueList ReadCatalogueList(const CataloguePaths& paths) {
  CatalogueList list;
  list.paths = paths;
  ReadFormRecords(&list);
  if (list.formList == FileState::kRead) {
    ReadGroupTexts(&list);
  } else if (FitsPath(paths.groupList)) {
    // Without records there is nothing to look up, but the state is told.
    plat::FileHandle file = nullptr;
    zv::GroupListHeader header{};
    const zv::ListFileState state =
        zv::OpenGroupNameList(paths.groupList.c_str(), plat::kAccessRead, &file, &header);
    list.groupList = StateOf(state, paths.groupList);
    if (state == zv::ListFileState::kValid) plat::CloseFile(file);
  }
  return list;
}

FormView ShowForm(const CataloguePaths& paths, const std::string& form,
                  const std::vector<zv::PaperEntry>& papers) {
  FormView view;
  view.list = ReadCatalogueList(paths);
  std::vector<FormItem>& forms = view.list.forms;
  const FormItem* match = nullptr;
  for (const FormItem& item : forms) {
    if (!item.fileEntry && !form.empty() && item.name == form) {
      match = &item;
      break;
    }
  }
  int32_t id = 0;
  if (!match && !form.empty() && ParseIdentifier(form, &id)) {
    for (const FormItem& item : forms) {
      if (item.id == id) {
        match = &item;
        break;
      }
    }
  }
  if (!match) {
    forms.clear();
    return view;
  }
  view.found = true;
  view.form = *match;
  forms.assign(1, view.form);

  const FormItem& item = view.form;
  if (!item.groupTextRead || item.groupPath.empty() || !FitsPath(item.groupPath)) return view;
  if (!zv::IsDigitsOnly(item.groupText.c_str())) view.groupPathExists = Exists(item.groupPath);
  if (item.fileEntry) {
    if (view.groupPathExists) {
      view.namesOverlayFile = true;
      view.overlayHasHeader = zv::HasOverlayHeader(item.groupPath.c_str());
      char description[zv::kOverlayDescriptionSize] = "";
      view.overlayLayer = zv::GetOverlayDescription(item.groupPath.c_str(), description);
      view.overlayDescription = description;
    }
    return view;
  }
  if (!zv::ExtensionEquals(item.groupPath.c_str(), kGroupInfoExtension)) return view;
  view.namesGroupInfo = true;
  view.group.path = item.groupPath;
  ReadGroupInfo(&view.group, papers);
  return view;
}

bool DriverPaperList(const std::string& driverPath, const std::string& deviceName,
                     std::vector<zv::PaperEntry>* papers) {
  papers->clear();
  if (!FitsPath(driverPath) || !FitsPath(deviceName)) return false;
  uint16_t count = 0;
  plat::MemoryHandle list = zv::BuildPaperSizeList(deviceName.c_str(), driverPath.c_str(), 1, &count);
  if (!list) return false;
  const auto* entries = static_cast<const zv::PaperEntry*>(plat::LockMemory(list));
  if (entries) {
    papers->assign(entries, entries + count);
    plat::UnlockMemory(list);
  }
  plat::FreeMemory(list);
  return entries != nullptr;
}

}  // namespace zvcat
