#include "bench_operations.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include "platform/posix/posix_config.h"
#endif

#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/print_settings.h"
#include "driverlink/paper_size_list.h"
#include "maintenance/deletion.h"
#include "maintenance/existing_file_registration.h"
#include "maintenance/file_transfer.h"
#include "maintenance/form_registration.h"
#include "maintenance/group_registration.h"
#include "maintenance/overlay_entries.h"
#include "platform/io_counters.h"
#include "platform/platform.h"
#include "support/catalogue_bytes.h"
#include "zvlmn30e.h"

namespace zvbench {
namespace {

constexpr uint32_t kRecord = 290;
constexpr uint32_t kFormListHeader = 35;
constexpr uint32_t kGroupListHeader = 36;
constexpr uint32_t kGroupInfoHeader = 64;
constexpr uint32_t kOverlayHeader = 319;
constexpr uint32_t kHeaderProbe = 5;  // the first bytes that tell a raw file
constexpr uint32_t kOverlayFile = kOverlayHeader + 4096;

const uint16_t kCapabilities[] = {1, 3, 0x4001, 0x4003};
const zv::PaperEntry kPapers[] = {{1, 2100, 2970, 2016, 2886, 9, "A4 210 x 297 mm"},
                                  {1, 2159, 2794, 2075, 2710, 1, "Letter"}};
constexpr uint16_t kPaperCount = 2;

// A paper that no overlay of the group has.
const zv::PaperEntry kOtherPapers[] = {{1, 1000, 1400, 900, 1300, 77, "Other paper"}};

void IgnoreLine(void*, const char*) {}

// The sample printer driver module, built next to the benchmark.
const std::string& SampleDriver() {
  static const std::string path = [] {
#ifdef _WIN32
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string dir = program;
    return dir.substr(0, dir.rfind('\\') + 1) + "ZVSAMPLE.dll";
#else
    char program[4096];
    const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    if (length <= 0) return std::string();
    std::string host(program, static_cast<size_t>(length));
    host = host.substr(0, host.rfind('/') + 1) + "ZVSAMPLE.so";
    char windows[plat::kPathBuffer];
    if (!plat::posix::ToWindowsPath(host.c_str(), windows, sizeof windows)) return std::string();
    return std::string(windows);
#endif
  }();
  return path;
}

// Where MoveGroupFiles and CopyWholeFile put files, removed between calls.
std::string OtherDirectory(const Catalogue& c) {
  return c.dir + "MOVED\\";
}
std::string FileName(const std::string& path) {
  return path.substr(path.rfind('\\') + 1);
}
// The group list texts after the entry at index, each with its length.
uint32_t GroupPoolAfter(const Catalogue& c, uint32_t index) {
  uint32_t bytes = 0;
  for (size_t i = index + 1; i < c.groupTextLengths.size(); ++i) bytes += 2 + c.groupTextLengths[i];
  return bytes;
}
uint32_t MidGroupEntry(const Catalogue& c) {
  return static_cast<uint32_t>(c.groupTextLengths.size() / 2);
}
constexpr zv::LineSink kNoLines{IgnoreLine, nullptr};

int32_t Last(const Catalogue& c) {
  return static_cast<int32_t>(c.forms);
}

// What the reads of a call follow from.
FileRead Config(const Catalogue& c) {
  return {c.config, static_cast<uint32_t>(c.configBytes.size())};
}
// The header and the named forms up to the last one (a search to it).
FileRead NamedForms(const Catalogue& c) {
  return {c.formList, kFormListHeader + c.forms * kRecord};
}
FileRead FormListHeader(const Catalogue& c) {
  return {c.formList, kFormListHeader};
}
// The header, then the file-entry region (found from the header's counts).
FileRead FileEntries(const Catalogue& c) {
  return {c.formList, kFormListHeader + kFileEntries * kRecord};
}
// The header, one offset, one length and one text.
FileRead GroupText(const Catalogue& c, uint32_t length) {
  return {c.groupList, kGroupListHeader + 4 + 2 + length};
}
// The header, the entries, and one offset, length and name.
FileRead GroupEntries(const Catalogue& c) {
  return {c.groupInfo, c.groupInfoTableEnd + 4 + 2 + c.overlayNameLength};
}
// The header, the entries, and every entry's offset, length and name.
FileRead OverlayNames(const Catalogue& c) {
  return {c.groupInfo, c.groupInfoTableEnd + kOverlays * (4 + 2 + c.overlayNameLength)};
}
FileRead GroupHeader(const Catalogue& c, uint32_t text) {
  return {c.groupInfo, kGroupInfoHeader + 4 + 2 + text};
}

// Removing the group's first entry as the operation does it: the entry and
// its name, then everything after the entry, after its offset and after its
// name moved in turn, then every entry and every offset.
std::vector<FileRead> RemoveFirstOverlay(const Catalogue& c) {
  const uint32_t entries = kOverlays * 38;
  const uint32_t table = c.groupInfoStrings * 4;
  const uint32_t name = 2 + c.overlayNameLength;
  return {{c.groupInfo, kGroupInfoHeader + 38},
          {c.groupInfo, c.groupInfoSize - kGroupInfoHeader - 38},
          {c.groupInfo, table - 4 + c.groupInfoPool},
          {c.groupInfo, c.groupInfoPool - name},
          {c.groupInfo, entries - 38 + table - 4}};
}

std::vector<std::string> None(const Catalogue&) {
  return {};
}
std::vector<std::string> AllFiles(const Catalogue& c) {
  std::vector<std::string> all;
  for (const auto& file : c.files) all.push_back(file.first);
  return all;
}
bool Always(const Catalogue&) {
  return true;
}

zv::PrintSettings MatchingSettings(const Catalogue& c) {
  zv::PrintSettings settings;
  const std::string record = zvtest::DriverSettingsBlock().Record(1);
  zv::DecodePrintSettings(reinterpret_cast<const unsigned char*>(record.data()), &settings);
  (void)c;
  return settings;
}

std::vector<Operation> MakeOperations() {
  std::vector<Operation> ops;
  auto add = [&ops](const char* name, std::function<void(const Catalogue&)> run,
                    std::function<std::vector<FileRead>(const Catalogue&)> reads,
                    std::function<std::vector<std::string>(const Catalogue&)> changes = None,
                    std::function<bool(const Catalogue&)> applies = Always,
                    std::function<void(const Catalogue&)> cleanup = nullptr) {
    ops.push_back(
        {name, std::move(run), std::move(reads), std::move(changes), std::move(applies), std::move(cleanup)});
  };

  // ---- Exports without dialogs
  add(
      "ZVGetFormListNum", [](const Catalogue&) { ZVGetFormListNum(); },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), FormListHeader(c)};
      });
  add(
      "ZVGetFormList (all forms)",
      [](const Catalogue& c) {
        static std::vector<ZVLONG> ids;
        static std::vector<char> names;
        ids.assign(c.forms + 1, 0);
        names.assign((c.forms + 1) * ZV_NAME_SLOT, 0);
        ZVDWORD count = 0;
        ZVGetFormList(nullptr, 0, Last(c), Last(c), &count, ids.data(), names.data());
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), NamedForms(c)};
      });
  add(
      "ZVSearchForm (last form)",
      [](const Catalogue& c) {
        uint16_t device = 0;
        char path[ZV_PATH_BUFFER];
        ZVSearchForm(c.driverBlock.data(), 4, kCapabilities, Last(c), &device, path);
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), NamedForms(c), GroupText(c, c.lastFormGroupText),
                                     GroupEntries(c)};
      });
  add(
      "ZVGetOverlayForm (existing overlay)",
      [](const Catalogue& c) {
        char path[ZV_PATH_BUFFER];
        ZVGetOverlayForm(c.driverBlock.data(), "GROUP", Last(c), path);
      },
      [](const Catalogue& c) {
        // The group's header and first entry, then the proposal's scan.
        return std::vector<FileRead>{Config(c),
                                     NamedForms(c),
                                     GroupText(c, c.lastFormGroupText),
                                     {c.groupInfo, kGroupInfoHeader + 38},
                                     OverlayNames(c)};
      },
      [](const Catalogue& c) {
        return std::vector<std::string>{c.groupList, c.groupInfo, c.matchingFile};
      });
  add(
      "ZVGetFormID (last form)", [](const Catalogue& c) { ZVGetFormID(c.lastName.c_str()); },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), NamedForms(c)};
      });
  add(
      "ZVSetDevOverlay (named form)",
      [](const Catalogue& c) {
        ZVLONG id = 0;
        ZVSetDevOverlay(c.driverBlock.data(), 4, kCapabilities, 1, 3, c.lastName.c_str(), 0, 1, nullptr,
                        nullptr, &id);
      },
      [](const Catalogue& c) {
        // The form is looked up by name (ZVGetFormID), then searched by its
        // identifier as ZVSearchForm searches it: the named forms twice.
        return std::vector<FileRead>{Config(c), NamedForms(c), NamedForms(c),
                                     GroupText(c, c.lastFormGroupText), GroupEntries(c)};
      });
  add(
      "ZVGetDevFormName (file entry -256)",
      [](const Catalogue&) {
        char name[ZV_PATH_BUFFER];
        ZVGetDevFormName(-256, name);
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), FileEntries(c), GroupText(c, c.lastFileEntryText)};
      });
  add(
      "ZVPreviewForm (last form)",
      [](const Catalogue& c) {
        char path[ZV_PATH_BUFFER];
        ZVPreviewForm(0, Last(c), path);
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), NamedForms(c), GroupText(c, c.lastFormGroupText),
                                     GroupHeader(c, c.overlayNameLength)};
      });
  add(
      "ZVErrorForm (first overlay)", [](const Catalogue& c) { ZVErrorForm(Last(c), c.firstOverlay.c_str()); },
      [](const Catalogue& c) {
        std::vector<FileRead> reads{Config(c), NamedForms(c), GroupText(c, c.lastFormGroupText),
                                    GroupEntries(c)};
        for (const FileRead& read : RemoveFirstOverlay(c)) reads.push_back(read);
        return reads;
      },
      [](const Catalogue& c) {
        return std::vector<std::string>{c.groupInfo, c.firstOverlay};
      });
  add(
      "ZVDriverFormService", [](const Catalogue&) { ZVDriverFormService(); },
      [](const Catalogue&) { return std::vector<FileRead>{}; });
  add(
      "ZVSetFormConfirm (print, last form)",
      [](const Catalogue& c) {
        // Printing with a form whose group has an overlay for the settings
        // asks nothing.
        ZVSetFormConfirm(nullptr, c.driverBlock.data(), "", SampleDriver().c_str(), Last(c), 1);
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), NamedForms(c), GroupText(c, c.lastFormGroupText),
                                     GroupEntries(c)};
      });

  // ---- Catalogue operations behind the dialogs
  add(
      "CountNamedForms", [](const Catalogue&) { zv::CountNamedForms(); },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), FormListHeader(c)};
      });
  add(
      "ListNamedForms (all)",
      [](const Catalogue& c) {
        static std::vector<int32_t> ids;
        static std::vector<char> names;
        ids.assign(c.forms, 0);
        names.assign(c.forms * zv::kFormNameSize, 0);
        zv::ListNamedForms(0, c.forms - 1, ids.data(),
                           reinterpret_cast<char(*)[zv::kFormNameSize]>(names.data()));
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), NamedForms(c)};
      });
  add(
      "FindNamedFormByName (last form)",
      [](const Catalogue& c) {
        int32_t id = 0;
        zv::FindNamedFormByName(c.lastName.c_str(), &id);
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), NamedForms(c)};
      });
  add(
      "CheckFormName (new name)",
      [](const Catalogue&) {
        int32_t id = 0;
        zv::CheckFormName("A NEW NAME", &id);
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), NamedForms(c)};
      });
  add(
      "GetFileEntryName (-256)",
      [](const Catalogue&) {
        int32_t found = 0;
        char name[zv::kFormNameSize];
        zv::GetFileEntryName(-256, &found, name);
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), FileEntries(c)};
      });
  add(
      "GetFormGroupPath (last form)",
      [](const Catalogue& c) {
        char path[plat::kPathBuffer];
        zv::GetFormGroupPath(Last(c), path);
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), NamedForms(c), GroupText(c, c.lastFormGroupText)};
      });
  add(
      "GetFormRecordInfo (last form)",
      [](const Catalogue& c) {
        char name[zv::kFormNameSize], description[zv::kFormDescriptionSize], location[plat::kPathBuffer];
        zv::GetFormRecordInfo(Last(c), name, description, location);
      },
      [](const Catalogue& c) {
        // Both regions are searched as one, in whole blocks of 17 records.
        const uint32_t blocks = (c.forms + 16) / 17;
        const uint32_t records = std::min(blocks * 17, c.forms + kFileEntries);
        return std::vector<FileRead>{
            Config(c), {c.formList, kFormListHeader + records * kRecord}, GroupText(c, c.lastFormGroupText)};
      });
  add(
      "CountOverlayEntries (last form)", [](const Catalogue& c) { zv::CountOverlayEntries(Last(c)); },
      [](const Catalogue& c) {
        return std::vector<FileRead>{
            Config(c), NamedForms(c), GroupText(c, c.lastFormGroupText), {c.groupInfo, kGroupInfoHeader}};
      });
  add(
      "ListOverlayLines (256 overlays)",
      [](const Catalogue& c) { zv::ListOverlayLines(Last(c), kPapers, kPaperCount, kNoLines); },
      [](const Catalogue& c) {
        return std::vector<FileRead>{
            Config(c), NamedForms(c), GroupText(c, c.lastFormGroupText), {c.groupInfo, c.groupInfoTableEnd}};
      });
  add(
      "FindFormPaperEntry (last form)",
      [](const Catalogue& c) {
        uint16_t orientation = 0;
        zv::FindFormPaperEntry(Last(c), kPaperCount, kPapers, &orientation);
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{
            Config(c), NamedForms(c), GroupText(c, c.lastFormGroupText), {c.groupInfo, c.groupInfoTableEnd}};
      });
  add(
      "FindOverlayEntry (last overlay)",
      [](const Catalogue& c) {
        char path[plat::kPathBuffer];
        uint32_t index = 0;
        zv::FindOverlayEntry(c.groupInfo.c_str(), MatchingSettings(c), path, &index);
      },
      [](const Catalogue& c) { return std::vector<FileRead>{GroupEntries(c)}; });
  add(
      "ProposeOverlayFileName (existing)",
      [](const Catalogue& c) {
        char path[plat::kPathBuffer];
        zv::ProposeOverlayFileName(c.driverBlock.data(), c.groupInfo.c_str(), path);
      },
      // Every entry's name is read on the way to the match.
      [](const Catalogue& c) { return std::vector<FileRead>{OverlayNames(c)}; });
  add(
      "GetFormEditedFile (last form by name)",
      [](const Catalogue& c) {
        char description[zv::kFormDescriptionSize], directory[plat::kPathBuffer], group[plat::kPathBuffer],
            edited[plat::kPathBuffer];
        int32_t id = 0;
        uint16_t layer = 0;
        zv::GetFormEditedFile(0, c.lastName.c_str(), description, &id, &layer, directory, group, edited);
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), NamedForms(c), GroupText(c, c.lastFormGroupText),
                                     GroupHeader(c, c.overlayNameLength)};
      });
  add(
      "ChooseFormId (named form)",
      [](const Catalogue&) {
        int32_t id = 0;
        zv::ChooseFormId(zv::kChooseNamedForm, "A NEW NAME", &id, nullptr);
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), NamedForms(c)};
      });
  add(
      "ChooseFormId (file entry)",
      [](const Catalogue&) {
        int32_t id = 0;
        uint32_t canAdd = 0;
        zv::ChooseFormId(zv::kChooseFileEntry, nullptr, &id, &canAdd);
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), FormListHeader(c)};
      });
  add(
      "AddFormRecord (named form)",
      [](const Catalogue& c) {
        zv::AddFormRecord(Last(c) + 1, "A NEW NAME", "A new form", c.dir.c_str(), 1);
      },
      [](const Catalogue& c) {
        // The named forms, checked again for the identifier and the name
        // while the file is held; the group list's pool moves up by one
        // offset; the file entries move up by one record.
        return std::vector<FileRead>{
            Config(c), {c.groupList, c.groupListSize}, FileEntries(c), {c.formList, c.forms * kRecord}};
      },
      [](const Catalogue& c) {
        return std::vector<std::string>{c.formList, c.groupList};
      },
      [](const Catalogue& c) { return c.forms < 4096; });
  add(
      "UpdateFormRecord (last form)",
      [](const Catalogue& c) {
        // The group stays where it is: its text keeps its length.
        const std::string directory = c.dir.substr(0, c.dir.size() - 1);
        zv::UpdateFormRecord(Last(c), c.lastName.c_str(), "Changed", directory.c_str(), 2);
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), NamedForms(c), GroupText(c, c.lastFormGroupText)};
      },
      [](const Catalogue& c) {
        return std::vector<std::string>{c.formList, c.groupList};
      });
  add(
      "DeleteForm (file entry -1)", [](const Catalogue&) { zv::DeleteForm(-1); },
      [](const Catalogue& c) {
        // The records after it move down and every record's group index is
        // looked at; the group list's offsets and the pool after its text
        // move too.
        const uint32_t records = c.forms + kFileEntries;
        const uint32_t pool = c.groupListSize - c.groupListTable;
        const uint32_t text = 2 + c.lastFileEntryText;  // all file entry texts have one length
        return std::vector<FileRead>{Config(c),
                                     {c.formList, kFormListHeader + 17 * kRecord},
                                     {c.formList, (kFileEntries - 1) * kRecord},
                                     {c.formList, (records - 1) * kRecord},
                                     {c.groupList, kGroupListHeader + 4 + text},
                                     {c.groupList, (kFileEntries - 1) * 4 + pool},
                                     {c.groupList, c.fileEntryPool - text},
                                     {c.groupList, c.groupListTable - kGroupListHeader - 4}};
      },
      [](const Catalogue& c) {
        return std::vector<std::string>{c.formList, c.groupList};
      });
  add(
      "AddOverlayEntry (257th)",
      [](const Catalogue& c) {
        const zv::PrintSettings settings = MatchingSettings(c);
        zv::AddOverlayEntry(c.groupInfo.c_str(), "_NEW.ZLP", &settings, nullptr, nullptr);
      },
      [](const Catalogue& c) {
        // The offsets and the pool move up by one entry, then the pool by
        // one offset.
        const uint32_t table = c.groupInfoStrings * 4;
        return std::vector<FileRead>{{c.groupInfo, kGroupInfoHeader},
                                     {c.groupInfo, table + c.groupInfoPool},
                                     {c.groupInfo, c.groupInfoPool}};
      },
      [](const Catalogue& c) { return std::vector<std::string>{c.groupInfo}; });
  add(
      "DeleteOverlayEntries (first)",
      [](const Catalogue& c) {
        std::vector<uint32_t> flags(kOverlays, 0);
        flags[0] = 1;
        zv::DeleteOverlayEntries(Last(c), flags.data(), kOverlays);
      },
      [](const Catalogue& c) {
        // Only the flagged entry is read, with its name's offset, length and
        // text, and the first bytes of its file, which has a header.
        std::vector<FileRead> reads{Config(c),
                                    NamedForms(c),
                                    GroupText(c, c.lastFormGroupText),
                                    {c.groupInfo, 4 + 2 + c.overlayNameLength},
                                    {c.firstOverlay, kHeaderProbe}};
        for (const FileRead& read : RemoveFirstOverlay(c)) reads.push_back(read);
        return reads;
      },
      [](const Catalogue& c) {
        return std::vector<std::string>{c.groupInfo, c.firstOverlay};
      });
  add(
      "DeleteForm (last named form)", [](const Catalogue& c) { zv::DeleteForm(Last(c)); },
      [](const Catalogue& c) {
        // The search; the group: its edited file's name cleared (its text,
        // the text after it moved down, every offset), every entry's name
        // and each overlay file's first bytes; the group list entry's
        // removal (its offset and text, every offset and text after it,
        // every offset); the file entries moving down by one record and
        // every record's group index.
        const uint32_t records = c.forms + kFileEntries;
        const uint32_t pool = c.groupListSize - c.groupListTable;
        const uint32_t text = 2 + c.lastFormGroupText;
        const uint32_t groupName = 2 + c.overlayNameLength - 2;  // the stem and a 3-letter extension
        std::vector<FileRead> reads{Config(c),
                                    NamedForms(c),
                                    {c.groupList, kGroupListHeader + 4 + text},
                                    {c.groupInfo, 4 + groupName},
                                    {c.groupInfo, groupName},
                                    {c.groupInfo, c.groupInfoStrings * 4},
                                    OverlayNames(c),
                                    {c.groupList, kFileEntries * 4 + pool},
                                    {c.groupList, c.fileEntryPool},
                                    {c.groupList, c.groupListTable - kGroupListHeader - 4},
                                    {c.formList, kFileEntries * kRecord},
                                    {c.formList, (records - 1) * kRecord}};
        for (const auto& file : c.files) {
          if (file.first != c.formList && file.first != c.groupList && file.first != c.groupInfo)
            reads.push_back({file.first, kHeaderProbe});
        }
        return reads;
      },
      // The group goes with the form.
      AllFiles);
  add(
      "ReplaceGroupNameEntry (mid-list, longer)",
      [](const Catalogue& c) {
        zv::ReplaceGroupNameEntry(c.groupList.c_str(), MidGroupEntry(c),
                                  (c.dir + "LONGER\\TEXT.ZLP").c_str());
      },
      [](const Catalogue& c) {
        // Its offset and text, the pool after it moved up, every offset.
        const uint32_t index = MidGroupEntry(c);
        return std::vector<FileRead>{GroupText(c, c.groupTextLengths[index]),
                                     {c.groupList, GroupPoolAfter(c, index)},
                                     {c.groupList, c.groupListTable - kGroupListHeader}};
      },
      [](const Catalogue& c) { return std::vector<std::string>{c.groupList}; });
  add(
      "ReplaceOverlayFile (first, longer name)",
      [](const Catalogue& c) {
        zv::ReplaceOverlayFile(c.groupInfo.c_str(), 0, ("R" + FileName(c.firstOverlay)).c_str());
      },
      [](const Catalogue& c) {
        // The header, the entry, its name's offset and text, the pool after
        // it moved up, every offset; then the old file's first bytes.
        const uint32_t name = 2 + c.overlayNameLength;
        return std::vector<FileRead>{{c.groupInfo, kGroupInfoHeader + 38 + 4 + name},
                                     {c.groupInfo, c.groupInfoPool - name},
                                     {c.groupInfo, c.groupInfoStrings * 4},
                                     {c.firstOverlay, kHeaderProbe}};
      },
      [](const Catalogue& c) {
        return std::vector<std::string>{c.groupInfo, c.firstOverlay};
      });
  add(
      "RegisterExistingFile (new entry)",
      [](const Catalogue& c) {
        zv::ExistingFileRegistration in{};
        in.formId = Last(c);
        in.formName = c.lastName.c_str();
        in.formDescription = "";
        in.layer = 1;
        in.filePath = c.matchingFile.c_str();
        in.filePaper = {0, 1};
        in.formPaper = {zv::kNoPaper, 1};
        in.userPaper = {0, 1};
        in.papers = kOtherPapers;
        in.paperCount = 1;
        in.overlayCapacity = kOverlays + 1;
        in.entryCount = kOverlays;
        zv::RegisterExistingFile(in);
      },
      [](const Catalogue& c) {
        // The file's header, the form's group, every entry (none matches),
        // then the new entry added as AddOverlayEntry adds it: the empty
        // first group string takes the old one out of the pool (its offset
        // and length, the texts behind it moved down, every offset fixed),
        // the entry moves the table and the pool up, the name's offset the
        // pool.
        const uint32_t table = c.groupInfoStrings * 4;
        // "GROUP" leaves the pool; its 2-byte length stays behind.
        const uint32_t pool = c.groupInfoPool - 5;
        return std::vector<FileRead>{{c.matchingFile, kOverlayHeader},
                                     Config(c),
                                     NamedForms(c),
                                     GroupText(c, c.lastFormGroupText),
                                     {c.groupInfo, c.groupInfoTableEnd},
                                     {c.groupInfo, kGroupInfoHeader},
                                     {c.groupInfo, 4 + 2},
                                     {c.groupInfo, c.poolAfterFirstString},
                                     {c.groupInfo, table},
                                     {c.groupInfo, table + pool},
                                     {c.groupInfo, pool}};
      },
      [](const Catalogue& c) { return std::vector<std::string>{c.groupInfo}; });
  add(
      "GetGroupSize (256 overlays)", [](const Catalogue& c) { zv::GetGroupSize(Last(c)); },
      [](const Catalogue& c) {
        // Every entry's name; the files' sizes are asked, not read.
        return std::vector<FileRead>{Config(c), NamedForms(c), GroupText(c, c.lastFormGroupText),
                                     OverlayNames(c)};
      });
  add(
      "MoveGroupFiles (256 overlays, away)",
      [](const Catalogue& c) { zv::MoveGroupFiles(nullptr, Last(c), OtherDirectory(c).c_str()); },
      [](const Catalogue& c) {
        // Every entry's name, the preview and edited file names; then each
        // file moved goes through the copy buffer whole (no system move
        // outside Windows NT 3 and 4): the overlays and the group info file.
        std::vector<FileRead> reads{Config(c),
                                    NamedForms(c),
                                    GroupText(c, c.lastFormGroupText),
                                    OverlayNames(c),
                                    {c.groupInfo, 2 * (4 + 2 + c.overlayNameLength - 2)}};
        for (const auto& file : c.files) {
          if (file.first != c.formList && file.first != c.groupList)
            reads.push_back({file.first, static_cast<uint32_t>(file.second.size())});
        }
        return reads;
      },
      AllFiles, Always,
      [](const Catalogue& c) {
        for (const auto& file : c.files) plat::EraseFile((OtherDirectory(c) + FileName(file.first)).c_str());
      });
  add(
      "BuildPaperSizeList (sample driver)",
      [](const Catalogue&) {
        uint16_t count = 0;
        plat::MemoryHandle list = zv::BuildPaperSizeList("", SampleDriver().c_str(), 1, &count);
        if (list) plat::FreeMemory(list);
      },
      [](const Catalogue&) { return std::vector<FileRead>{}; });
  add(
      "RewriteOverlayHeader (first overlay)",
      [](const Catalogue& c) { zv::RewriteOverlayHeader(c.firstOverlay.c_str(), 2, "Changed"); },
      [](const Catalogue& c) {
        return std::vector<FileRead>{{c.firstOverlay, kOverlayHeader}};
      },
      [](const Catalogue& c) { return std::vector<std::string>{c.firstOverlay}; });
  add(
      "CopyWholeFile (one overlay)",
      [](const Catalogue& c) {
        zv::CopyWholeFile(c.firstOverlay.c_str(), (OtherDirectory(c) + "COPY.ZLP").c_str());
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{{c.firstOverlay, kOverlayFile}};
      },
      None, Always, [](const Catalogue& c) { plat::EraseFile((OtherDirectory(c) + "COPY.ZLP").c_str()); });
  return ops;
}

}  // namespace

const std::vector<Operation>& Operations() {
  static const std::vector<Operation> ops = MakeOperations();
  return ops;
}

CallCounts CountOneCall(const Operation& op, const Catalogue& catalogue) {
  plat::io::Reset();
  op.run(catalogue);
  const plat::io::Counters counters = plat::io::Current();
  Restore(op, catalogue);
  return {counters.bytesRead, counters.bytesWritten, counters.fileCalls, counters.profileCalls,
          counters.memoryTaken};
}

bool ChangesFiles(const Operation& op, const Catalogue& catalogue) {
  return op.cleanup || !op.changes(catalogue).empty();
}

void Restore(const Operation& op, const Catalogue& catalogue) {
  if (op.cleanup) op.cleanup(catalogue);
  RestoreFiles(catalogue, op.changes(catalogue));
}

uint64_t MustReadBytes(const Operation& op, const Catalogue& catalogue) {
  uint64_t total = 0;
  for (const FileRead& read : op.mustRead(catalogue)) total += read.bytes;
  return total;
}

bool ReadFloor(const std::vector<FileRead>& reads, std::vector<char>& buffer) {
  bool ok = true;
  for (const FileRead& read : reads) {
    if (buffer.size() < read.bytes) buffer.resize(read.bytes);
    plat::FileHandle file =
        plat::OpenFile(read.path.c_str(), plat::kAccessRead, plat::kShareRead, plat::kOpenExisting);
    uint32_t done = 0;
    ok = file && plat::ReadFile(file, buffer.data(), read.bytes, &done) && done == read.bytes && ok;
    plat::CloseFile(file);
  }
  return ok;
}

double TimePerCall(const std::function<void()>& fn, const std::function<void()>& between, double minSeconds) {
  using Clock = std::chrono::steady_clock;
  std::chrono::duration<double> spent{0};
  uint64_t calls = 0;
  while (spent.count() < minSeconds || calls < 3) {
    const Clock::time_point start = Clock::now();
    fn();
    spent += Clock::now() - start;
    ++calls;
    if (between) between();
  }
  return spent.count() * 1e6 / static_cast<double>(calls);
}

const std::vector<uint32_t>& CatalogueSizes() {
  static const std::vector<uint32_t> sizes = {16, 256, 4096};
  return sizes;
}

}  // namespace zvbench
