#include "bench_operations.h"

#include <chrono>
#include <cstring>

#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/print_settings.h"
#include "driverapi/overlay_lookup.h"
#include "driverlink/paper_size_list.h"
#include "maintenance/deletion.h"
#include "maintenance/existing_file_registration.h"
#include "maintenance/form_registration.h"
#include "maintenance/group_registration.h"
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

const uint16_t kCapabilities[] = {1, 3, 0x4001, 0x4003};
const zv::PaperEntry kPapers[] = {{1, 2100, 2970, 2016, 2886, 9, "A4 210 x 297 mm"},
                                  {1, 2159, 2794, 2075, 2710, 1, "Letter"}};
constexpr uint16_t kPaperCount = 2;

void IgnoreLine(void*, const char*) {}
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
                    std::function<bool(const Catalogue&)> applies = Always) {
    ops.push_back({name, std::move(run), std::move(reads), std::move(changes), std::move(applies)});
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
        static std::vector<int32_t> ids;
        static std::vector<char> names;
        ids.assign(c.forms + 1, 0);
        names.assign((c.forms + 1) * ZV_NAME_SLOT, 0);
        uint32_t count = 0;
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
        int32_t id = 0;
        ZVSetDevOverlay(c.driverBlock.data(), 4, kCapabilities, 1, 3, c.lastName.c_str(), 0, 1, nullptr,
                        nullptr, &id);
      },
      [](const Catalogue& c) {
        return std::vector<FileRead>{Config(c), NamedForms(c)};
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
        return std::vector<FileRead>{Config(c), NamedForms(c), GroupText(c, c.lastFormGroupText)};
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
        // The group list's pool moves up by one offset; the file entries
        // move up by one record.
        return std::vector<FileRead>{Config(c), {c.groupList, c.groupListSize}, FileEntries(c)};
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
        zv::DeleteOverlayEntries(Last(c), flags.data());
      },
      [](const Catalogue& c) {
        std::vector<FileRead> reads{
            Config(c), NamedForms(c), GroupText(c, c.lastFormGroupText), {c.groupInfo, c.groupInfoTableEnd}};
        for (const FileRead& read : RemoveFirstOverlay(c)) reads.push_back(read);
        return reads;
      },
      [](const Catalogue& c) {
        return std::vector<std::string>{c.groupInfo, c.firstOverlay};
      });
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
  RestoreFiles(catalogue, op.changes(catalogue));
  return {counters.bytesRead, counters.bytesWritten, counters.fileCalls, counters.profileCalls,
          counters.memoryTaken};
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
