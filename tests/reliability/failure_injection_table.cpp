#include "reliability/failure_injection_table.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include "platform/posix/posix_config.h"
#endif

#include <cstring>

#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "catalogue/paths.h"
#include "catalogue/print_settings.h"
#include "dialogs/module_frame.h"
#include "driverapi/overlay_lookup.h"
#include "driverlink/driver_entry_points.h"
#include "driverlink/paper_size_list.h"
#include "maintenance/deletion.h"
#include "maintenance/existing_file_registration.h"
#include "maintenance/file_transfer.h"
#include "maintenance/form_registration.h"
#include "maintenance/group_registration.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/sample_driver.h"
#include "zvlmn30e.h"

namespace zvtest::injection {
namespace {

using Block = zvtest::DriverSettingsBlock;
using zvtest::At300;
using zvtest::InColour;

std::string OverlayFile(const std::string& name, const std::string& description, const std::string& record) {
  return Bytes().U32(319).Fixed(name, 25).Fixed(description, 256).str() + record + "page data";
}

using zvtest::SampleDriver;

// Black and colour modes up to level 3.
const uint16_t kCapabilities[] = {1, 3, 0x4001, 0x4003};
const zv::PaperEntry kPapers[] = {{1, 2100, 2970, 2016, 2886, 9, "A4 210 x 297 mm"},
                                  {1, 2159, 2794, 2075, 2710, 1, "Letter"}};
constexpr uint16_t kPaperCount = 2;

zv::PrintSettings SettingsOf(const std::string& record) {
  zv::PrintSettings settings;
  zv::DecodePrintSettings(reinterpret_cast<const unsigned char*>(record.data()), &settings);
  return settings;
}

void IgnoreLine(void*, const char*) {}
constexpr zv::LineSink kNoLines{IgnoreLine, nullptr};

// Failure predicates.
auto Is(int64_t failure) {
  return [failure](const Result& r, uint32_t) { return r.value == failure; };
}
auto IsNot(int64_t success) {
  return [success](const Result& r, uint32_t) { return r.value != success; };
}
auto Never() {
  return [](const Result&, uint32_t) { return false; };
}
// The result says nothing; a code says the call failed.
auto CodeSet() {
  return [](const Result&, uint32_t code) { return code != 0; };
}

bool IsOverlayPath(const std::string& path, const char* name) {
  return path.size() >= std::strlen(name) &&
         zv::EqualsIgnoringCase(path.c_str() + path.size() - std::strlen(name), name);
}

// A group info file that every reader takes for valid.
bool ValidGroupInfo(const std::string& path) {
  plat::FileHandle file = nullptr;
  zv::GroupInfoHeader header;
  if (zv::OpenGroupInfo(path.c_str(), plat::kAccessRead, &file, &header) != zv::ListFileState::kValid)
    return false;
  plat::CloseFile(file);
  return true;
}

// Form 1's group info file, valid, its edited file slot cleared: a group
// deletion that failed after the edited file was deleted.
bool EditedSlotCleared(const std::string& path) {
  std::string bytes;
  return IsOverlayPath(path, "\\_F3001.FGP") && ValidGroupInfo(path) && ReadWholeFile(path, &bytes) &&
         bytes.compare(zv::group_info::kEditedFileStringOffset, 4, "\xFF\xFF\xFF\xFF") == 0;
}

std::vector<Operation> MakeOperations() {
  using zv::GetLastErrorCode;
  std::vector<Operation> ops;
  auto add = [&ops](Operation op) { ops.push_back(std::move(op)); };

  // ---- Catalogue configuration
  add({"EnsureConfigurationWritesDefaults",
       "EnsureCatalogueConfiguration (no ZVLMN3.DAT)",
       "0; 401, 400",
       Is(0),
       {400, 401},
       [](const Context& c) {
         c.Arm();
         return Result{zv::EnsureCatalogueConfiguration()};
       },
       false,
       [](const Catalogue& cat) { RemoveFile(cat.systemDir + "ZVLMN3.DAT"); },
       // A failure of the first two writes leaves what was written.
       [](const std::string& path) { return IsOverlayPath(path, "\\ZVLMN3.DAT"); }});
  add({"GetListFilePaths", "GetListFilePaths", "0; 401, 400", Is(0), {400, 401}, [](const Context& c) {
         char f[plat::kPathBuffer], g[plat::kPathBuffer];
         c.Arm();
         return Result{zv::GetListFilePaths(f, g)};
       }});
  add({"GetCurrentDirSetting", "GetCurrentDirSetting", "0; 401", Is(0), {401}, [](const Context& c) {
         char dir[plat::kPathBuffer];
         c.Arm();
         return Result{zv::GetCurrentDirSetting(dir)};
       }});
  add({"SetCurrentDirSetting",
       "SetCurrentDirSetting",
       "0; 401, or 0 (failed write: none)",
       Is(0),
       {0, 401},
       [](const Context& c) {
         const std::string dir = c.catalogue.dir + kMovedDirectory;
         c.Arm();
         return Result{zv::SetCurrentDirSetting(dir.c_str())};
       }});

  // ---- Form name list readers
  add({"CountNamedForms",
       "CountNamedForms",
       "0; 401, 402, 403, or none (cannot open)",
       Is(0),
       {0, 401, 402, 403},
       [](const Context& c) {
         c.Arm();
         return Result{zv::CountNamedForms()};
       }});
  add({"ListNamedForms", "ListNamedForms", "0; 401, 402, 403", Is(0), {401, 402, 403}, [](const Context& c) {
         int32_t ids[3];
         char names[3][zv::kFormNameSize];
         c.Arm();
         return Result{zv::ListNamedForms(0, 2, ids, names)};
       }});
  add({"FindNamedFormByName",
       "FindNamedFormByName",
       "0; none (path query codes)",
       Is(0),
       {0, 400, 401},
       [](const Context& c) {
         int32_t id = 0;
         c.Arm();
         return Result{zv::FindNamedFormByName("LETTER", &id) ? id : 0};
       }});
  add({"GetFileEntryName",
       "GetFileEntryName",
       "0; 401, 402, 403, or 1 with 402 (cannot open)",
       [](const Result& r, uint32_t code) { return r.value == 0 || code != 0; },
       {401, 402, 403},
       [](const Context& c) {
         int32_t found = 0;
         char name[zv::kFormNameSize];
         c.Arm();
         return Result{zv::GetFileEntryName(-2, &found, name)};
       }});
  add({"CheckFormName", "CheckFormName", "1; 401, 404", CodeSet(), {401, 404}, [](const Context& c) {
         int32_t existing = 0;
         c.Arm();
         return Result{zv::CheckFormName("NEWNAME", &existing)};
       }});

  // ---- Group name list readers
  add({"GetFormGroupPath",
       "GetFormGroupPath",
       "0; as the path query left it (0, 401, 400)",
       Is(0),
       {0, 400, 401},
       [](const Context& c) {
         char path[plat::kPathBuffer];
         c.Arm();
         return Result{zv::GetFormGroupPath(-1, path)};
       }});
  add({"GetFormRecordInfo",
       "GetFormRecordInfo",
       "-1; as the path query left it (0, 401, 400)",
       Is(-1),
       {0, 400, 401},
       [](const Context& c) {
         char name[zv::kFormNameSize], description[zv::kFormDescriptionSize], location[plat::kPathBuffer];
         c.Arm();
         return Result{zv::GetFormRecordInfo(1, name, description, location)};
       }});

  // ---- Group info readers
  add({"CountOverlayEntries",
       "CountOverlayEntries",
       "0; none (0, 401, 400 from the path query)",
       Is(0),
       {0, 400, 401},
       [](const Context& c) {
         c.Arm();
         return Result{zv::CountOverlayEntries(1)};
       }});
  add({"FindFormPaperEntry",
       "FindFormPaperEntry",
       "0xFFFF; none (path query codes)",
       Is(zv::kNoPaper),
       {0, 400, 401},
       [](const Context& c) {
         uint16_t orientation = 0;
         c.Arm();
         return Result{zv::FindFormPaperEntry(1, kPaperCount, kPapers, &orientation)};
       }});
  add({"ListOverlayLines",
       "ListOverlayLines",
       "0; none (path query codes)",
       Is(0),
       {0, 400, 401},
       [](const Context& c) {
         c.Arm();
         return Result{zv::ListOverlayLines(1, kPapers, kPaperCount, kNoLines)};
       }});
  add({"ListSingleOverlayLine", "ListSingleOverlayLine", "0; none", Is(0), {0}, [](const Context& c) {
         const zv::PrintSettings s = SettingsOf(Block().Record(1));
         c.Arm();
         return Result{zv::ListSingleOverlayLine(s, kPapers, kPaperCount, kNoLines)};
       }});

  // ---- Overlay data file readers
  add({"HasOverlayHeader",
       "HasOverlayHeader",
       "never fails (unreadable: 1)",
       Never(),
       {},
       [](const Context& c) {
         const std::string path = c.catalogue.dir + "RAW.ZLX";
         c.Arm();
         return Result{zv::HasOverlayHeader(path.c_str())};
       },
       false,
       [](const Catalogue& cat) {
         WriteWholeFile(cat.dir + "RAW.ZLX",
                        "\x1D"
                        "0;0.24muE data");
       }});
  add({"GetOverlayDescription",
       "GetOverlayDescription (raw file)",
       "0; none",
       Is(0),
       {0},
       [](const Context& c) {
         const std::string path = c.catalogue.dir + "RAW.ZLC";
         char description[zv::kOverlayDescriptionSize];
         c.Arm();
         return Result{zv::GetOverlayDescription(path.c_str(), description)};
       }});
  add({"FindPaperEntryIndex",
       "FindPaperEntryIndex (raw file)",
       "-1; 401 or none",
       Is(-1),
       {0, 401},
       [](const Context& c) {
         const std::string path = c.catalogue.dir + "RAW.ZLC";
         uint16_t orientation = 0;
         c.Arm();
         return Result{zv::FindPaperEntryIndex(path.c_str(), kPaperCount, kPapers, &orientation)};
       }});
  add({"ReadOverlaySettings",
       "ReadOverlaySettings",
       "no result (zero record)",
       Never(),
       {},
       [](const Context& c) {
         const std::string path = c.catalogue.dir + "_F300101.ZLP";
         zv::PrintSettings s;
         c.Arm();
         zv::ReadOverlaySettings(path.c_str(), 0, &s);
         return Result{s.resolution};
       }});

  // ---- Driver module queries and the paper size list
  add({"QueryDriverCapabilities",
       "QueryDriverCapabilities",
       "null; 401 or none",
       Is(0),
       {0, 401},
       [](const Context& c) {
         int16_t models = 0, capabilities = 0;
         c.Arm();
         plat::MemoryHandle block =
             zv::QueryDriverCapabilities("", c.catalogue.driver.c_str(), &models, &capabilities);
         plat::FreeMemory(block);
         return Result{block != nullptr};
       }});
  add({"QueryPrinterSpec", "QueryPrinterSpec", "null; 401 or none", Is(0), {0, 401}, [](const Context& c) {
         int16_t sizes[zv::kSpecSizeCount];
         c.Arm();
         plat::MemoryHandle block = zv::QueryPrinterSpec("", c.catalogue.driver.c_str(), 1, sizes);
         plat::FreeMemory(block);
         return Result{block != nullptr};
       }});
  add({"QueryHelpFile", "QueryHelpFile", "0; none", Is(0), {0}, [](const Context& c) {
         char help[plat::kPathBuffer];
         c.Arm();
         return Result{zv::QueryHelpFile("", c.catalogue.driver.c_str(), 0, help)};
       }});
  add({"BuildPaperSizeList", "BuildPaperSizeList", "null, count 0; 401", Is(0), {401}, [](const Context& c) {
         uint16_t count = 7;
         c.Arm();
         plat::MemoryHandle list = zv::BuildPaperSizeList("", c.catalogue.driver.c_str(), 1, &count);
         plat::FreeMemory(list);
         return Result{list ? count : 0};
       }});

  // ---- Registering form names
  add({"ChooseNamedFormId",
       "ChooseFormId (named form)",
       "0; 401, 404, 405, 406",
       Is(0),
       {401, 404, 405, 406},
       [](const Context& c) {
         int32_t id = 0;
         c.Arm();
         return Result{zv::ChooseFormId(zv::kChooseNamedForm, "NEWFORM", &id, nullptr)};
       }});
  add({"ChooseFileEntryId",
       "ChooseFormId (file entry)",
       "0; 401, 404, 405, 406",
       Is(0),
       {401, 404, 405, 406},
       [](const Context& c) {
         int32_t id = 0;
         uint32_t canAdd = 0;
         c.Arm();
         return Result{zv::ChooseFormId(zv::kChooseFileEntry, nullptr, &id, &canAdd)};
       }});
  add({"AddNamedFormRecord",
       "AddFormRecord (named form)",
       "0; 401, 404",
       Is(0),
       {401, 404},
       [](const Context& c) {
         c.Arm();
         return Result{zv::AddFormRecord(3, "NEWFORM", "A new form", c.catalogue.dir.c_str(), 1)};
       },
       true});
  add({"AddFileEntryRecord",
       "AddFormRecord (file entry)",
       "0; 401, 404",
       Is(0),
       {401, 404},
       [](const Context& c) {
         const std::string file = c.catalogue.dir + "NEWFILE.ZLP";
         c.Arm();
         return Result{zv::AddFormRecord(-5, "P", "", file.c_str(), 1)};
       },
       true});
  add({"UpdateFormRecord",
       "UpdateFormRecord",
       "0; 401, or 0 (none of its own)",
       Is(0),
       {0, 401},
       [](const Context& c) {
         const std::string text = c.catalogue.dir + "_F3001.FGP";
         c.Arm();
         return Result{zv::UpdateFormRecord(1, "INVOICE 2", "Changed", text.c_str(), 2)};
       },
       true});
  add({"AppendGroupNameEntry",
       "AppendGroupNameEntry",
       "-1; none",
       Is(-1),
       {0},
       [](const Context& c) {
         c.Arm();
         return Result{zv::AppendGroupNameEntry(c.catalogue.groupList.c_str(), "NEWTEXT.ZLP")};
       },
       true});
  add({"ReplaceGroupNameEntry",
       "ReplaceGroupNameEntry",
       "0; none",
       Is(0),
       {0},
       [](const Context& c) {
         const std::string text = c.catalogue.dir + "LOGO2.ZLP";
         c.Arm();
         return Result{zv::ReplaceGroupNameEntry(c.catalogue.groupList.c_str(), 2, text.c_str())};
       },
       true});

  // ---- Registering overlay files in a group
  add({"AddOverlayEntry",
       "AddOverlayEntry (existing group)",
       "0; 401, 404",
       Is(0),
       {401, 404},
       [](const Context& c) {
         const zv::PrintSettings s = SettingsOf(InColour().Record(2));
         c.Arm();
         return Result{zv::AddOverlayEntry(c.catalogue.groupInfo.c_str(), "_F300103.ZLP", &s, "NEW GROUP",
                                           "_F3001B.ZL3")};
       },
       true});
  add({"AddOverlayEntryNewGroup",
       "AddOverlayEntry (new group)",
       "0; 401, 404",
       Is(0),
       {401, 404},
       [](const Context& c) {
         const std::string path = c.catalogue.dir + "_F3002.FGP";
         const zv::PrintSettings s = SettingsOf(Block().Record(2));
         c.Arm();
         return Result{zv::AddOverlayEntry(path.c_str(), "_F300200.ZLP", &s, "GROUP", nullptr)};
       }});
  add({"FindOverlayEntry", "FindOverlayEntry", "0; 401, 404", Is(0), {401, 404}, [](const Context& c) {
         const zv::PrintSettings s = SettingsOf(At300().Record(1));
         char path[plat::kPathBuffer];
         uint32_t index = 0;
         c.Arm();
         return Result{zv::FindOverlayEntry(c.catalogue.groupInfo.c_str(), s, path, &index)};
       }});
  add({"ReplaceOverlayFile",
       "ReplaceOverlayFile",
       "0; 401, 409",
       Is(0),
       {401, 409},
       [](const Context& c) {
         c.Arm();
         return Result{zv::ReplaceOverlayFile(c.catalogue.groupInfo.c_str(), 1, "NEWFILE.ZLP")};
       },
       true});
  add({"RegisterExistingFile",
       "RegisterExistingFile (form without a group)",
       "stay open; 409, 401",
       Is(static_cast<int64_t>(zv::RegistrationResult::kStayOpen)),
       {401, 409},
       [](const Context& c) {
         const std::string file = c.catalogue.dir + "NEWFILE.ZLP";
         zv::ExistingFileRegistration in{};
         in.formId = 2;
         in.formName = "LETTER";
         in.formDescription = "";
         in.layer = 2;
         in.filePath = file.c_str();
         in.filePaper = {0, 1};
         in.formPaper = {zv::kNoPaper, 1};
         in.userPaper = {0, 1};
         in.papers = kPapers;
         in.paperCount = kPaperCount;
         in.overlayCapacity = 256;
         in.entryCount = 0;
         c.Arm();
         return Result{static_cast<int64_t>(zv::RegisterExistingFile(in))};
       },
       true,
       nullptr,
       // The new file's header could not be read: its entry holds the zero
       // record that the reader gives then, in a valid group info file.
       [](const std::string& path) { return IsOverlayPath(path, "\\_F3002.FGP") && ValidGroupInfo(path); }});

  // ---- Moving and copying files
  add({"MoveOverlayFile", "MoveOverlayFile", "0; none", Is(0), {0}, [](const Context& c) {
         const std::string from = c.catalogue.dir + "LOGO.ZLP";
         const std::string to = c.catalogue.dir + kMovedDirectory + "\\LOGO.ZLP";
         c.Arm();
         return Result{zv::MoveOverlayFile(from.c_str(), to.c_str())};
       }});
  add({"CopyWholeFile", "CopyWholeFile", "0; none", Is(0), {0}, [](const Context& c) {
         const std::string from = c.catalogue.dir + "LOGO.ZLP";
         const std::string to = c.catalogue.dir + "COPY.ZLP";
         c.Arm();
         return Result{zv::CopyWholeFile(from.c_str(), to.c_str())};
       }});
  add({"GetGroupSize",
       "GetGroupSize",
       "0; none (path query codes)",
       Is(0),
       {0, 400, 401},
       [](const Context& c) {
         c.Arm();
         return Result{static_cast<int64_t>(zv::GetGroupSize(1))};
       }});
  add({"MoveGroupFiles", "MoveGroupFiles", "0; 401, or none", Is(0), {0, 401}, [](const Context& c) {
         const std::string target = c.catalogue.dir + kMovedDirectory;
         c.Arm();
         return Result{zv::MoveGroupFiles(nullptr, 1, target.c_str())};
       }});
  add({"RewriteOverlayHeader",
       "RewriteOverlayHeader",
       "0; 401, or none",
       Is(0),
       {0, 401},
       [](const Context& c) {
         const std::string path = c.catalogue.dir + "LOGO.ZLP";
         c.Arm();
         return Result{zv::RewriteOverlayHeader(path.c_str(), 2, "New description")};
       }});

  // ---- Deleting
  add({"DeleteNamedForm",
       "DeleteForm (named form)",
       "0; 401, 407",
       Is(0),
       {401, 407},
       [](const Context& c) {
         c.Arm();
         return Result{zv::DeleteForm(1)};
       },
       true,
       nullptr,
       EditedSlotCleared});
  add({"DeleteFileEntry",
       "DeleteForm (file entry)",
       "0; 401, 407",
       Is(0),
       {401, 407},
       [](const Context& c) {
         c.Arm();
         return Result{zv::DeleteForm(-2)};
       },
       true});
  add({"DeleteGroupNameEntry",
       "DeleteGroupNameEntry",
       "0; none",
       Is(0),
       {0},
       [](const Context& c) {
         c.Arm();
         return Result{zv::DeleteGroupNameEntry(c.catalogue.groupList.c_str(), 3)};
       },
       true});
  add({"DeleteGroupInfoFile",
       "DeleteGroupInfoFile",
       "0; none",
       Is(0),
       {0},
       [](const Context& c) {
         c.Arm();
         return Result{zv::DeleteGroupInfoFile(c.catalogue.groupInfo.c_str())};
       },
       true,
       nullptr,
       EditedSlotCleared});
  add({"DeleteOverlayEntries",
       "DeleteOverlayEntries",
       "0; 401, 408",
       Is(0),
       {401, 408},
       [](const Context& c) {
         const uint32_t flags[] = {0, 1, 0};
         c.Arm();
         return Result{zv::DeleteOverlayEntries(1, flags)};
       },
       true});
  add({"GetFormEditedFile",
       "GetFormEditedFile",
       "-1 with 401, -6 with 402 or 403, -3",
       IsNot(zv::kEditedFileFound),
       {401, 402, 403, 0},
       [](const Context& c) {
         char description[zv::kFormDescriptionSize], directory[plat::kPathBuffer], group[plat::kPathBuffer],
             edited[plat::kPathBuffer];
         int32_t id = 0;
         uint16_t layer = 0;
         c.Arm();
         return Result{
             zv::GetFormEditedFile(0, "INVOICE", description, &id, &layer, directory, group, edited)};
       }});

  // ---- The capture's own steps
  add({"MakeGroupInfoFileName", "MakeGroupInfoFileName", "0; 401", Is(0), {401}, [](const Context& c) {
         char path[plat::kPathBuffer];
         c.Arm();
         return Result{zv::MakeGroupInfoFileName(2, c.catalogue.dir.c_str(), path)};
       }});
  add({"ProposeOverlayFileName",
       "ProposeOverlayFileName",
       "-1; 401, 408 or none",
       Is(zv::kOverlayFileNone),
       {0, 401, 408},
       [](const Context& c) {
         char path[plat::kPathBuffer];
         c.Arm();
         return Result{
             zv::ProposeOverlayFileName(InColour().Bytes().data(), c.catalogue.groupInfo.c_str(), path)};
       },
       true});
  add({"RemoveOverlayEntry",
       "RemoveOverlayEntry",
       "0; 401, 408",
       Is(0),
       {401, 408},
       [](const Context& c) {
         plat::FileHandle file = plat::OpenFile(c.catalogue.groupInfo.c_str(), plat::kAccessReadWrite,
                                                plat::kShareRead, plat::kOpenExisting);
         c.Arm();
         const bool done = zv::RemoveOverlayEntry(file, c.catalogue.groupInfo.c_str(), 0);
         plat::CloseFile(file);
         return Result{done};
       },
       true});

  // ---- Exports
  add({"ZVGetFormListNum",
       "ZVGetFormListNum",
       "0 (memory, paths) or 1 (file unreadable); none",
       [](const Result& r, uint32_t) { return r.value <= 1; },
       {0, 400, 401, 402, 403},
       [](const Context& c) {
         c.Arm();
         return Result{ZVGetFormListNum()};
       }});
  add({"ZVGetFormList",
       "ZVGetFormList",
       "the closing entry alone, box 401/404/402/403",
       [](const Result& r, uint32_t) { return r.value != 3; },
       {0, 400, 401, 402, 403, 404},
       [](const Context& c) {
         ZVDWORD count = 0;
         ZVLONG ids[3];
         char names[3 * ZV_NAME_SLOT];
         c.Arm();
         const int32_t result = ZVGetFormList(nullptr, 0, 2, 0, &count, ids, names);
         return Result{result ? count : 0};
       },
       false,
       nullptr,
       nullptr,
       1});
  add({"ZVSearchForm",
       "ZVSearchForm (named form)",
       "0; match reason 1-3 or none",
       Is(0),
       {0, 1, 2, 3, 400, 401},
       [](const Context& c) {
         uint16_t device = 0;
         char path[ZV_PATH_BUFFER];
         c.Arm();
         return Result{ZVSearchForm(c.catalogue.block.data(), 4, kCapabilities, 1, &device, path)};
       }});
  add({"ZVSearchFormFileEntry",
       "ZVSearchForm (file entry)",
       "0; match reason 1-3 or none",
       Is(0),
       {0, 1, 2, 3, 400, 401},
       [](const Context& c) {
         uint16_t device = 0;
         char path[ZV_PATH_BUFFER];
         c.Arm();
         return Result{ZVSearchForm(c.catalogue.block.data(), 4, kCapabilities, -1, &device, path)};
       }});
  add({"ZVGetOverlayFormExisting",
       "ZVGetOverlayForm (existing overlay)",
       "0; 401, 404, 408 or none",
       Is(0),
       {0, 400, 401, 404, 408},
       [](const Context& c) {
         char path[ZV_PATH_BUFFER];
         c.Arm();
         return Result{ZVGetOverlayForm(c.catalogue.block.data(), "GROUP", 1, path)};
       },
       true,
       nullptr,
       // The header write of the recreated file failed: it stays (the
       // driver's capture rewrites it).
       [](const std::string& path) { return IsOverlayPath(path, "\\_F300100.ZLP"); }});
  add({"ZVGetOverlayFormNewGroup",
       "ZVGetOverlayForm (form without a group)",
       "0; 401, 404, 408 or none",
       Is(0),
       {0, 400, 401, 404, 408},
       [](const Context& c) {
         char path[ZV_PATH_BUFFER];
         c.Arm();
         return Result{ZVGetOverlayForm(c.catalogue.block.data(), "GROUP", 2, path)};
       },
       true,
       nullptr,
       [](const std::string& path) { return IsOverlayPath(path, "\\_F300200.ZLP"); }});
  add({"ZVGetOverlayFormFileEntry",
       "ZVGetOverlayForm (file entry \"C\")",
       "0; 401 or none",
       Is(0),
       {0, 400, 401},
       [](const Context& c) {
         char path[ZV_PATH_BUFFER];
         c.Arm();
         return Result{ZVGetOverlayForm(c.catalogue.block.data(), nullptr, -3, path)};
       },
       false,
       nullptr,
       [](const std::string& path) { return IsOverlayPath(path, "\\CAPTURE.ZLP"); }});
  add({"ZVSetDevOverlayFile",
       "ZVSetDevOverlay (overlay data file)",
       "0; 401, 404, 405, 406 or none",
       Is(0),
       {0, 400, 401, 404, 405, 406},
       [](const Context& c) {
         const std::string file = c.catalogue.dir + "NEWFILE.ZLP";
         ZVLONG id = 0;
         c.Arm();
         return Result{ZVSetDevOverlay(c.catalogue.block.data(), 4, kCapabilities, 1, 1, file.c_str(), 0, 1,
                                       nullptr, nullptr, &id)};
       },
       true});
  add({"ZVSetDevOverlayNamed",
       "ZVSetDevOverlay (named form)",
       "0; none of its own",
       Is(0),
       {0, 1, 2, 3, 400, 401, 402, 403},
       [](const Context& c) {
         ZVLONG id = 0;
         c.Arm();
         return Result{ZVSetDevOverlay(c.catalogue.block.data(), 4, kCapabilities, 1, 3, "INVOICE", 0, 1,
                                       nullptr, nullptr, &id)};
       }});
  add({"ZVGetFormID",
       "ZVGetFormID",
       "0; none (path query codes)",
       Is(0),
       {0, 400, 401},
       [](const Context& c) {
         c.Arm();
         return Result{ZVGetFormID("LETTER")};
       }});
  add({"ZVGetDevFormName",
       "ZVGetDevFormName (file entry)",
       "0; path query codes",
       Is(0),
       {0, 400, 401},
       [](const Context& c) {
         char name[ZV_PATH_BUFFER];
         c.Arm();
         return Result{ZVGetDevFormName(-1, name)};
       }});
  add({"ZVPreviewForm", "ZVPreviewForm", "0; path query codes", Is(0), {0, 400, 401}, [](const Context& c) {
         char path[ZV_PATH_BUFFER];
         c.Arm();
         return Result{ZVPreviewForm(0, 1, path)};
       }});
  add({"ZVErrorForm",
       "ZVErrorForm",
       "0; 401, 408 or none",
       Is(0),
       {0, 400, 401, 408},
       [](const Context& c) {
         const std::string path = c.catalogue.dir + "_F300101.ZLP";
         c.Arm();
         return Result{ZVErrorForm(1, path.c_str())};
       },
       true});
  add({"ZVDriverFormService",
       "ZVDriverFormService",
       "never fails (no editor: 0)",
       Never(),
       {},
       [](const Context& c) {
         c.Arm();
         return Result{ZVDriverFormService()};
       },
       false,
       [](const Catalogue& cat) {
         WriteWholeFile(cat.systemDir + "ZVL3.INI", "[ENVIRONMENT]\r\nEDITOR=EDIT.EXE\r\n");
       }});
  add({"ZVSetFormConfirm", "ZVSetFormConfirm", "0; box 401", Is(0), {0, 401}, [](const Context& c) {
         c.Arm();
         return Result{
             ZVSetFormConfirm(nullptr, c.catalogue.block.data(), "", c.catalogue.driver.c_str(), 1, 1)};
       }});
  return ops;
}

}  // namespace

Catalogue MakeCatalogue(const std::string& scratchDir, const std::string& systemDir) {
  Catalogue cat;
  cat.systemDir = systemDir;
  cat.dir = scratchDir + "CAT\\";
  cat.formList = cat.dir + "ZVLMN3.FLT";
  cat.groupList = cat.dir + "ZVLMN3.GLT";
  cat.groupInfo = cat.dir + "_F3001.FGP";
  cat.driver = SampleDriver();
  cat.block = Block().Bytes();
  auto file = [&cat](const std::string& name, const std::string& bytes) {
    cat.files.emplace_back(cat.dir + name, bytes);
  };
  cat.files.emplace_back(systemDir + "ZVLMN3.DAT",
                         "[ENVIRONMENT]\r\nCURRENTDIR=" + cat.dir +
                             "\r\nUSER=DEFAULT\r\n[DEFAULT]\r\nFormName=" + cat.formList +
                             "\r\nGroupName=" + cat.groupList + "\r\n");
  // Two named forms, one with a group and one whose group text is still its
  // save directory; file entries for an overlay data file, a stored overlay
  // number, a capture target and a raw file.
  file("ZVLMN3.FLT",
       FormListFile({{1, "INVOICE", "Monthly invoice", 1, 0}, {2, "LETTER", "", 2, 1}},
                    {{-1, "P", "", 1, 2}, {-2, "P", "", 2, 3}, {-3, "C", "", 1, 4}, {-4, "P", "", 1, 5}}, 4));
  file("ZVLMN3.GLT", GroupNameListFile({"_F3001.FGP", cat.dir, cat.dir + "LOGO.ZLP", "7",
                                        cat.dir + "CAPTURE.ZLP", cat.dir + "RAW.ZLC"}));
  // Form 1: the overlay for the block, one at 300 dpi, one in colour
  // registered from elsewhere; the first group string, an edited file and a
  // preview file.
  file("_F3001.FGP",
       GroupInfoFile(
           {{Block().Record(1), 0}, {At300().Record(1), 1}, {InColour().Record(1), 2}},
           {"_F300100.ZLP", "_F300101.ZLP", cat.dir + "EXTERN.ZLP", "GROUP", "_F3001.ZL3", "_F3001.PBF"}, 3,
           4, 5));
  file("_F300100.ZLP", OverlayFile("INVOICE", "Monthly invoice", Block().Record(1)));
  file("_F300101.ZLP", OverlayFile("INVOICE", "Monthly invoice", At300().Record(1)));
  file("EXTERN.ZLP", OverlayFile("EXTERN", "", InColour().Record(1)));
  file("_F3001.ZL3", "edited form");
  file("_F3001.PBF", "preview");
  file("LOGO.ZLP", OverlayFile("LOGO", "Logo", Block().Record(1)));
  file("NEWFILE.ZLP", OverlayFile("NEW", "", Block().Record(2)));
  file("RAW.ZLC", std::string("\x1D") + "0;0.24muE raw data");
  file("RAW.ZLI", Bytes().Zeros(32).Fixed("Raw description", 256).str());
  file("RAW.ZLF", Bytes().Zeros(50).U16(9).U16(0).str());
  return cat;
}

const std::vector<Operation>& Operations() {
  static const std::vector<Operation> ops = MakeOperations();
  return ops;
}

void ReadEverything(const Catalogue& cat) {
  const int32_t ids[] = {1, 2, -1, -2, -3, -4};
  char path[plat::kPathBuffer], name[plat::kPathBuffer], description[zv::kFormDescriptionSize],
      other[plat::kPathBuffer], edited[plat::kPathBuffer];
  int32_t found = 0;
  uint16_t value = 0;
  zv::CountNamedForms();
  int32_t listIds[8];
  char names[8][zv::kFormNameSize];
  zv::ListNamedForms(0, 7, listIds, names);
  zv::FindNamedFormByName("LETTER", &found);
  zv::CheckFormName("OTHER", &found);
  ZVGetFormListNum();
  ZVDWORD count = 0;
  ZVLONG exportIds[1];
  ZVGetFormList(nullptr, 0, 0, 0, &count, exportIds, names[0]);
  ZVGetFormID("INVOICE");
  for (int32_t id : ids) {
    zv::GetFileEntryName(id, &found, name);
    zv::GetFormGroupPath(id, path);
    zv::GetFormRecordInfo(id, name, description, path);
    zv::CountOverlayEntries(id);
    zv::FindFormPaperEntry(id, kPaperCount, kPapers, &value);
    zv::ListOverlayLines(id, kPapers, kPaperCount, kNoLines);
    zv::GetGroupSize(id);
    zv::GetFormEditedFile(id, nullptr, description, &found, &value, path, other, edited);
    ZVSearchForm(cat.block.data(), 4, kCapabilities, id, &value, path);
    ZVGetDevFormName(id, name);
    ZVPreviewForm(0, id, path);
  }
  zv::FindOverlayEntry(cat.groupInfo.c_str(), SettingsOf(At300().Record(1)), path, nullptr);
}

}  // namespace zvtest::injection
