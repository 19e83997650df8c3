// Every catalogue operation and export without a dialog, one row each, on a
// small catalogue holding every kind of record, with the nth call at one
// failure point of the platform layer failing, for every point and n the
// operation reaches. Each run must give its failure value with an allowed code
// (or succeed), leave no heap block, and leave each file as before, as a clean
// call leaves it, as its row allows, or (rows that move bytes inside a list or
// group file) reported damaged by its reader and left as it is by every reader.
#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>

#include "platform/posix/posix_config.h"
#endif
#include <gtest/gtest.h>

#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "dialogs/module_frame.h"
#include "driverapi/overlay_lookup.h"
#include "driverlink/driver_entry_points.h"
#include "driverlink/paper_size_list.h"
#include "maintenance/deletion.h"
#include "maintenance/existing_file_registration.h"
#include "maintenance/file_transfer.h"
#include "maintenance/form_registration.h"
#include "maintenance/group_registration.h"
#include "platform/fault_injection.h"
#include "support/catalogue_files.h"
#include "support/message_boxes.h"
#include "support/sample_driver.h"
#include "zvlmn30e.h"

namespace zvtest {
namespace {

namespace fault = plat::fault;
using Block = DriverSettingsBlock;
using Snapshot = std::map<std::string, std::string>;
constexpr uint32_t kP = plat::kPathBuffer;
const uint16_t kCaps[] = {1, 3, 0x4001, 0x4003};  // black and colour up to mode level 3
const zv::PaperEntry kPapers[] = {{1, 2100, 2970, 2016, 2886, 9, "A4 210 x 297 mm"},
                                  {1, 2159, 2794, 2075, 2710, 1, "Letter"}};
void IgnoreLine(void*, const char*) {}
constexpr zv::LineSink kNoLines{IgnoreLine, nullptr};

struct Cat {
  std::string sys, dir, flt, glt, fgp, driver, block;
  std::vector<std::pair<std::string, std::string>> files;
  std::string In(const std::string& name) const { return dir + name; }
};

// Named forms with a group and with their save directory as group text; file
// entries for an overlay file, a stored overlay number, a capture target and
// a raw file. Form 1's group: the overlay the block matches, one at 300 dpi,
// one in colour from elsewhere, a first group string, edited and preview file.
Cat MakeCat(const std::string& scratch, const std::string& sys) {
  Cat c{sys, scratch + "CAT\\"};
  c.flt = c.In("ZVLMN3.FLT"), c.glt = c.In("ZVLMN3.GLT"), c.fgp = c.In("_F3001.FGP");
  c.driver = SampleDriver(), c.block = Block().Bytes();
  const std::string config = "[ENVIRONMENT]\r\nCURRENTDIR=" + c.dir + "\r\nUSER=DEFAULT\r\n[DEFAULT]\r\nFormName=";
  c.files = {
      {sys + "ZVLMN3.DAT", config + c.flt + "\r\nGroupName=" + c.glt + "\r\n"},
      {c.flt, FormListFile({{1, "INVOICE", "Monthly invoice", 1, 0}, {2, "LETTER", "", 2, 1}},
                           {{-1, "P", "", 1, 2}, {-2, "P", "", 2, 3}, {-3, "C", "", 1, 4}, {-4, "P", "", 1, 5}}, 4)},
      {c.glt, GroupNameListFile({"_F3001.FGP", c.dir, c.In("LOGO.ZLP"), "7", c.In("CAPTURE.ZLP"), c.In("RAW.ZLC")})},
      {c.fgp, GroupInfoFile({{Block().Record(1), 0}, {At300().Record(1), 1}, {InColour().Record(1), 2}},
                            {"_F300100.ZLP", "_F300101.ZLP", c.In("EXTERN.ZLP"), "GROUP", "_F3001.ZL3", "_F3001.PBF"},
                            3, 4, 5)},
      {c.In("_F300100.ZLP"), OverlayDataFile("INVOICE", "Monthly invoice", Block().Record(1))},
      {c.In("_F300101.ZLP"), OverlayDataFile("INVOICE", "Monthly invoice", At300().Record(1))},
      {c.In("EXTERN.ZLP"), OverlayDataFile("EXTERN", "", InColour().Record(1))},
      {c.In("LOGO.ZLP"), OverlayDataFile("LOGO", "Logo", Block().Record(1))},
      {c.In("NEWFILE.ZLP"), OverlayDataFile("NEW", "", Block().Record(2))},
      {c.In("_F3001.ZL3"), "edited form"}, {c.In("_F3001.PBF"), "preview"},
      {c.In("RAW.ZLC"), "\x1D" "0;0.24muE raw data"}, {c.In("RAW.ZLF"), PaperCompanionFile(9, 0)},
      {c.In("RAW.ZLI"), DescriptionCompanionFile("Raw description")}};
  return c;
}

zv::PrintSettings SettingsOf(const std::string& record) {
  zv::PrintSettings s;
  zv::DecodePrintSettings(reinterpret_cast<const unsigned char*>(record.data()), &s);
  return s;
}

// The point and call the run fails at; a row that makes platform calls of its
// own before the call under test arms the switch again after them.
fault::Point gPoint = fault::kAlloc;
uint32_t gNth = 0;
void Arm() { fault::FailNth(gPoint, gNth); }

using Failed = std::function<bool(int64_t result, uint32_t code)>;
Failed Is(int64_t v) { return [v](int64_t r, uint32_t) { return r == v; }; }
const Failed kNever = [](int64_t, uint32_t) { return false; };
bool Ends(const std::string& p, const std::string& n) {
  return p.size() >= n.size() && Upper(p.substr(p.size() - n.size())) == n;
}
std::function<bool(const std::string&)> Any(const std::string& n) {
  return [n](const std::string& p) { return Ends(p, n); };
}
bool ValidGroup(const std::string& p) {
  plat::FileHandle f = nullptr;
  zv::GroupInfoHeader h;
  const bool valid = zv::OpenGroupInfo(p.c_str(), plat::kAccessRead, &f, &h) == zv::ListFileState::kValid;
  if (f) plat::CloseFile(f);
  return valid;
}
// Form 1's group after a deletion that failed once the edited file was gone:
// valid, its edited file slot cleared.
bool EditedCleared(const std::string& p) {
  std::string b;
  return Ends(p, "\\_F3001.FGP") && ValidGroup(p) && ReadWholeFile(p, &b) &&
         b.compare(zv::group_info::kEditedFileStringOffset, 4, "\xFF\xFF\xFF\xFF") == 0;
}
// A block handed back by a driver query, freed: whether there was one.
bool Freed(plat::MemoryHandle block) {
  plat::FreeMemory(block);
  return block != nullptr;
}

struct Op {
  const char* id;
  Failed failed;
  std::set<uint32_t> codes;  // last error codes a failure may leave
  std::function<int64_t(const Cat&)> run;
  bool damage = false;  // moves bytes inside a list or group file: may leave it damaged
  std::function<bool(const std::string&)> leave = nullptr;  // a file it may leave in a third state
  std::function<void(const Cat&)> prepare = nullptr;
  int answer = kIdNo;  // how message boxes are answered
};
void PrintTo(const Op& op, std::ostream* os) { *os << op.id; }
const std::set<uint32_t> kPath{0, 400, 401};  // the path query's codes
using C = const Cat&;

const std::vector<Op> kOps = {
    {"EnsureConfigurationWritesDefaults", Is(0), {400, 401}, [](C) { return zv::EnsureCatalogueConfiguration(); },
     false, Any("\\ZVLMN3.DAT"), [](C c) { RemoveFile(c.sys + "ZVLMN3.DAT"); }},
    {"GetListFilePaths", Is(0), {400, 401}, [](C) { char f[kP], g[kP]; return zv::GetListFilePaths(f, g); }},
    {"GetCurrentDirSetting", Is(0), {401}, [](C) { char d[kP]; return zv::GetCurrentDirSetting(d); }},
    {"SetCurrentDirSetting", Is(0), {0, 401}, [](C c) { return zv::SetCurrentDirSetting(c.In("MOVED").c_str()); }},
    {"CountNamedForms", Is(0), {0, 401, 402, 403}, [](C) { return zv::CountNamedForms(); }},
    {"ListNamedForms", Is(0), {401, 402, 403},
     [](C) { int32_t i[3]; char n[3][zv::kFormNameSize]; return zv::ListNamedForms(0, 2, i, n); }},
    {"FindNamedFormByName", Is(0), kPath, [](C) { int32_t i = 0; return zv::FindNamedFormByName("LETTER", &i) ? i : 0; }},
    {"GetFileEntryName", [](int64_t r, uint32_t code) { return r == 0 || code != 0; }, {401, 402, 403},
     [](C) { int32_t f = 0; char n[zv::kFormNameSize]; return zv::GetFileEntryName(-2, &f, n); }},
    {"CheckFormName", [](int64_t, uint32_t code) { return code != 0; }, {401, 404},
     [](C) { int32_t e = 0; return zv::CheckFormName("NEWNAME", &e); }},
    {"GetFormGroupPath", Is(0), kPath, [](C) { char p[kP]; return zv::GetFormGroupPath(-1, p); }},
    {"GetFormRecordInfo", Is(-1), kPath, [](C) {
       char n[zv::kFormNameSize], d[zv::kFormDescriptionSize], l[kP];
       return zv::GetFormRecordInfo(1, n, d, l); }},
    {"CountOverlayEntries", Is(0), kPath, [](C) { return zv::CountOverlayEntries(1); }},
    {"FindFormPaperEntry", Is(zv::kNoPaper), kPath, [](C) { uint16_t o; return zv::FindFormPaperEntry(1, 2, kPapers, &o); }},
    {"ListOverlayLines", Is(0), kPath, [](C) { return zv::ListOverlayLines(1, kPapers, 2, kNoLines); }},
    {"ListSingleOverlayLine", Is(0), {0},
     [](C) { return zv::ListSingleOverlayLine(SettingsOf(Block().Record(1)), kPapers, 2, kNoLines); }},
    {"HasOverlayHeader", kNever, {}, [](C c) { return zv::HasOverlayHeader(c.In("RAW.ZLX").c_str()); }, false, nullptr,
     [](C c) { WriteWholeFile(c.In("RAW.ZLX"), "\x1D" "0;0.24muE data"); }},
    {"GetOverlayDescription", Is(0), {0},
     [](C c) { char d[zv::kOverlayDescriptionSize]; return zv::GetOverlayDescription(c.In("RAW.ZLC").c_str(), d); }},
    {"FindPaperEntryIndex", Is(-1), {0, 401},
     [](C c) { uint16_t o; return zv::FindPaperEntryIndex(c.In("RAW.ZLC").c_str(), 2, kPapers, &o); }},
    {"ReadOverlaySettings", kNever, {}, [](C c) {
       zv::PrintSettings s;
       zv::ReadOverlaySettings(c.In("_F300101.ZLP").c_str(), 0, &s);
       return s.resolution; }},
    {"QueryDriverCapabilities", Is(0), {0, 401}, [](C c) {
       int16_t m, k;
       return Freed(zv::QueryDriverCapabilities("", c.driver.c_str(), &m, &k)); }},
    {"QueryPrinterSpec", Is(0), {0, 401},
     [](C c) { int16_t s[zv::kSpecSizeCount]; return Freed(zv::QueryPrinterSpec("", c.driver.c_str(), 1, s)); }},
    {"QueryHelpFile", Is(0), {0}, [](C c) { char h[kP]; return zv::QueryHelpFile("", c.driver.c_str(), 0, h); }},
    {"BuildPaperSizeList", Is(0), {401},
     [](C c) { uint16_t n = 7; return Freed(zv::BuildPaperSizeList("", c.driver.c_str(), 1, &n)) ? n : 0; }},
    {"ChooseNamedFormId", Is(0), {401, 404, 405, 406},
     [](C) { int32_t i; return zv::ChooseFormId(zv::kChooseNamedForm, "NEWFORM", &i, nullptr); }},
    {"ChooseFileEntryId", Is(0), {401, 404, 405, 406},
     [](C) { int32_t i; uint32_t can; return zv::ChooseFormId(zv::kChooseFileEntry, nullptr, &i, &can); }},
    {"AddNamedFormRecord", Is(0), {401, 404},
     [](C c) { return zv::AddFormRecord(3, "NEWFORM", "A new form", c.dir.c_str(), 1); }, true},
    {"AddFileEntryRecord", Is(0), {401, 404},
     [](C c) { return zv::AddFormRecord(-5, "P", "", c.In("NEWFILE.ZLP").c_str(), 1); }, true},
    {"UpdateFormRecord", Is(0), {0, 401},
     [](C c) { return zv::UpdateFormRecord(1, "INVOICE 2", "Changed", c.In("_F3001.FGP").c_str(), 2); }, true},
    {"AppendGroupNameEntry", Is(-1), {0}, [](C c) { return zv::AppendGroupNameEntry(c.glt.c_str(), "NEWTEXT.ZLP"); },
     true},
    {"ReplaceGroupNameEntry", Is(0), {0},
     [](C c) { return zv::ReplaceGroupNameEntry(c.glt.c_str(), 2, c.In("LOGO2.ZLP").c_str()); }, true},
    {"AddOverlayEntry", Is(0), {401, 404}, [](C c) {
       const zv::PrintSettings s = SettingsOf(InColour().Record(2));
       return zv::AddOverlayEntry(c.fgp.c_str(), "_F300103.ZLP", &s, "NEW GROUP", "_F3001B.ZL3"); }, true},
    {"AddOverlayEntryNewGroup", Is(0), {401, 404}, [](C c) {
       const zv::PrintSettings s = SettingsOf(Block().Record(2));
       return zv::AddOverlayEntry(c.In("_F3002.FGP").c_str(), "_F300200.ZLP", &s, "GROUP", nullptr); }},
    {"FindOverlayEntry", Is(0), {401, 404}, [](C c) {
       char p[kP];
       uint32_t i;
       return zv::FindOverlayEntry(c.fgp.c_str(), SettingsOf(At300().Record(1)), p, &i); }},
    {"ReplaceOverlayFile", Is(0), {401, 409}, [](C c) { return zv::ReplaceOverlayFile(c.fgp.c_str(), 1, "NEWFILE.ZLP"); },
     true},
    // The new file's header could not be read: its entry holds the zero
    // record the reader gives then, in a valid group info file.
    {"RegisterExistingFile", Is(static_cast<int64_t>(zv::RegistrationResult::kStayOpen)), {401, 409}, [](C c) {
       const std::string f = c.In("NEWFILE.ZLP");
       return static_cast<int64_t>(zv::RegisterExistingFile(
           {2, "LETTER", "", 2, f.c_str(), {0, 1}, {zv::kNoPaper, 1}, {0, 1}, kPapers, 2, 256, 0, nullptr})); },
     true, [](const std::string& p) { return Ends(p, "\\_F3002.FGP") && ValidGroup(p); }},
    {"MoveOverlayFile", Is(0), {0},
     [](C c) { return zv::MoveOverlayFile(c.In("LOGO.ZLP").c_str(), c.In("MOVED\\LOGO.ZLP").c_str()); }},
    {"CopyWholeFile", Is(0), {0}, [](C c) { return zv::CopyWholeFile(c.In("LOGO.ZLP").c_str(), c.In("COPY.ZLP").c_str()); }},
    {"GetGroupSize", Is(0), kPath, [](C) { return zv::GetGroupSize(1); }},
    {"MoveGroupFiles", Is(0), {0, 401}, [](C c) { return zv::MoveGroupFiles(nullptr, 1, c.In("MOVED").c_str()); }},
    {"RewriteOverlayHeader", Is(0), {0, 401},
     [](C c) { return zv::RewriteOverlayHeader(c.In("LOGO.ZLP").c_str(), 2, "New description"); }},
    {"DeleteNamedForm", Is(0), {401, 407}, [](C) { return zv::DeleteForm(1); }, true, EditedCleared},
    {"DeleteFileEntry", Is(0), {401, 407}, [](C) { return zv::DeleteForm(-2); }, true},
    {"DeleteGroupNameEntry", Is(0), {0}, [](C c) { return zv::DeleteGroupNameEntry(c.glt.c_str(), 3); }, true},
    {"DeleteGroupInfoFile", Is(0), {0}, [](C c) { return zv::DeleteGroupInfoFile(c.fgp.c_str()); }, true, EditedCleared},
    {"DeleteOverlayEntries", Is(0), {401, 408},
     [](C) { const uint32_t flags[] = {0, 1, 0}; return zv::DeleteOverlayEntries(1, flags); }, true},
    {"GetFormEditedFile", [](int64_t r, uint32_t) { return r != zv::kEditedFileFound; }, {0, 401, 402, 403}, [](C) {
       char d[zv::kFormDescriptionSize], dir[kP], g[kP], e[kP];
       int32_t i;
       uint16_t l;
       return zv::GetFormEditedFile(0, "INVOICE", d, &i, &l, dir, g, e); }},
    {"MakeGroupInfoFileName", Is(0), {401}, [](C c) { char p[kP]; return zv::MakeGroupInfoFileName(2, c.dir.c_str(), p); }},
    {"ProposeOverlayFileName", Is(zv::kOverlayFileNone), {0, 401, 408},
     [](C c) { char p[kP]; return zv::ProposeOverlayFileName(InColour().Bytes().data(), c.fgp.c_str(), p); }, true},
    {"RemoveOverlayEntry", Is(0), {401, 408}, [](C c) {
       fault::Reset();  // opened as its caller opens it, then the switch is armed again
       plat::FileHandle f = plat::OpenFile(c.fgp.c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kOpenExisting);
       Arm();
       const bool done = zv::RemoveOverlayEntry(f, c.fgp.c_str(), 0);
       plat::CloseFile(f);
       return done; }, true},
    {"ZVGetFormListNum", [](int64_t r, uint32_t) { return r <= 1; }, {0, 400, 401, 402, 403},
     [](C) { return ZVGetFormListNum(); }},
    {"ZVGetFormList", [](int64_t r, uint32_t) { return r != 3; }, {0, 400, 401, 402, 403, 404}, [](C) {
       ZVDWORD n = 0;
       ZVLONG ids[3];
       char names[3 * ZV_NAME_SLOT];
       return ZVGetFormList(nullptr, 0, 2, 0, &n, ids, names) ? n : 0; }, false, nullptr, nullptr, kIdOk},
    {"ZVSearchForm", Is(0), {0, 1, 2, 3, 400, 401},
     [](C c) { uint16_t d; char p[kP]; return ZVSearchForm(c.block.data(), 4, kCaps, 1, &d, p); }},
    {"ZVSearchFormFileEntry", Is(0), {0, 1, 2, 3, 400, 401},
     [](C c) { uint16_t d; char p[kP]; return ZVSearchForm(c.block.data(), 4, kCaps, -1, &d, p); }},
    // A recreated overlay file whose header write failed stays: the capture rewrites it.
    {"ZVGetOverlayFormExisting", Is(0), {0, 400, 401, 404, 408},
     [](C c) { char p[kP]; return ZVGetOverlayForm(c.block.data(), "GROUP", 1, p); }, true, Any("\\_F300100.ZLP")},
    {"ZVGetOverlayFormNewGroup", Is(0), {0, 400, 401, 404, 408},
     [](C c) { char p[kP]; return ZVGetOverlayForm(c.block.data(), "GROUP", 2, p); }, true, Any("\\_F300200.ZLP")},
    {"ZVGetOverlayFormFileEntry", Is(0), kPath,
     [](C c) { char p[kP]; return ZVGetOverlayForm(c.block.data(), nullptr, -3, p); }, false, Any("\\CAPTURE.ZLP")},
    {"ZVSetDevOverlayFile", Is(0), {0, 400, 401, 404, 405, 406}, [](C c) {
       ZVLONG i;
       return ZVSetDevOverlay(c.block.data(), 4, kCaps, 1, 1, c.In("NEWFILE.ZLP").c_str(), 0, 1, nullptr, nullptr, &i); },
     true},
    {"ZVSetDevOverlayNamed", Is(0), {0, 1, 2, 3, 400, 401, 402, 403},
     [](C c) { ZVLONG i; return ZVSetDevOverlay(c.block.data(), 4, kCaps, 1, 3, "INVOICE", 0, 1, nullptr, nullptr, &i); }},
    {"ZVGetFormID", Is(0), kPath, [](C) { return ZVGetFormID("LETTER"); }},
    {"ZVGetDevFormName", Is(0), kPath, [](C) { char n[kP]; return ZVGetDevFormName(-1, n); }},
    {"ZVPreviewForm", Is(0), kPath, [](C) { char p[kP]; return ZVPreviewForm(0, 1, p); }},
    {"ZVErrorForm", Is(0), {0, 400, 401, 408}, [](C c) { return ZVErrorForm(1, c.In("_F300101.ZLP").c_str()); }, true},
    {"ZVDriverFormService", kNever, {}, [](C) { return ZVDriverFormService(); }, false, nullptr,
     [](C c) { WriteWholeFile(c.sys + "ZVL3.INI", "[ENVIRONMENT]\r\nEDITOR=EDIT.EXE\r\n"); }},
    {"ZVSetFormConfirm", Is(0), {0, 401},
     [](C c) { return ZVSetFormConfirm(nullptr, c.block.data(), "", c.driver.c_str(), 1, 1); }},
};

// Every reader and reading export on the catalogue as it stands.
void ReadEverything(const Cat& c) {
  char p[kP], n[kP], d[zv::kFormDescriptionSize], o[kP], e[kP], names[8][zv::kFormNameSize];
  int32_t f = 0, ids[8];
  uint16_t v = 0;
  ZVDWORD count = 0;
  ZVLONG listed[1];
  zv::CountNamedForms(), zv::ListNamedForms(0, 7, ids, names), zv::FindNamedFormByName("LETTER", &f);
  zv::CheckFormName("OTHER", &f), ZVGetFormListNum(), ZVGetFormID("INVOICE");
  ZVGetFormList(nullptr, 0, 0, 0, &count, listed, names[0]);
  for (int32_t id : {1, 2, -1, -2, -3, -4}) {
    zv::GetFileEntryName(id, &f, n), zv::GetFormGroupPath(id, p), zv::GetFormRecordInfo(id, n, d, p);
    zv::CountOverlayEntries(id), zv::FindFormPaperEntry(id, 2, kPapers, &v), zv::GetGroupSize(id);
    zv::ListOverlayLines(id, kPapers, 2, kNoLines), zv::GetFormEditedFile(id, nullptr, d, &f, &v, p, o, e);
    ZVSearchForm(c.block.data(), 4, kCaps, id, &v, p), ZVGetDevFormName(id, n), ZVPreviewForm(0, id, p);
  }
  zv::FindOverlayEntry(c.fgp.c_str(), SettingsOf(At300().Record(1)), p, nullptr);
}

bool ReportedDamaged(const std::string& p) {
  plat::FileHandle f = nullptr;
  zv::ListFileState s = zv::ListFileState::kValid;
  zv::FormListHeader fh;
  zv::GroupListHeader gh;
  zv::GroupInfoHeader ih;
  if (Ends(p, ".FLT")) s = zv::OpenFormNameList(p.c_str(), plat::kAccessRead, &f, &fh);
  if (Ends(p, ".GLT")) s = zv::OpenGroupNameList(p.c_str(), plat::kAccessRead, &f, &gh);
  if (Ends(p, ".FGP")) s = zv::OpenGroupInfo(p.c_str(), plat::kAccessRead, &f, &ih);
  if (f) plat::CloseFile(f);
  return s == zv::ListFileState::kDamaged;
}

// Every plain file of the given directories (Windows paths ending in a backslash).
Snapshot Take(const std::vector<std::string>& dirs) {
  Snapshot s;
  for (const std::string& dir : dirs) {
#ifdef _WIN32
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &found);
    for (bool more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &found)) {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ReadWholeFile(dir + found.cFileName, &s[dir + found.cFileName]);
    }
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
#else
    char host[4096];
    DIR* d = plat::posix::ToHostPath(dir.c_str(), host, sizeof host) ? opendir(host) : nullptr;
    struct stat st;
    while (dirent* e = d ? readdir(d) : nullptr) {
      if (stat((std::string(host) + "/" + e->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ReadWholeFile(dir + e->d_name, &s[dir + e->d_name]);
    }
    if (d) closedir(d);
#endif
  }
  return s;
}

class FailureInjectionTest : public SystemDirTest, public ::testing::WithParamInterface<Op> {
 protected:
  void SetUp() override {
    SystemDirTest::SetUp();
    cat_ = MakeCat(Path(""), SystemPath(""));
    plat::CreateDirectory(cat_.dir.substr(0, cat_.dir.size() - 1).c_str());
    plat::CreateDirectory(cat_.In("MOVED").c_str());
    RestoreTo(Snapshot(cat_.files.begin(), cat_.files.end()), Take());
  }
  void TearDown() override {
    fault::Reset();
    RestoreTo({}, Take());
    SystemDirTest::TearDown();
  }
  // The catalogue directories and the configuration file.
  Snapshot Take() const {
    Snapshot s = zvtest::Take({cat_.dir, cat_.In("MOVED\\")});
    if (FileExists(cat_.sys + "ZVLMN3.DAT")) ReadWholeFile(cat_.sys + "ZVLMN3.DAT", &s[cat_.sys + "ZVLMN3.DAT"]);
    return s;
  }
  // Brings the files back from current to target, touching those that differ.
  void RestoreTo(const Snapshot& target, const Snapshot& current) {
    for (const auto& entry : current) {
      if (!target.count(entry.first)) plat::SetAttributesNormal(entry.first.c_str()), RemoveFile(entry.first);
    }
    for (const auto& [path, bytes] : target) {
      ASSERT_TRUE((current.count(path) && current.at(path) == bytes) || WriteWholeFile(path, bytes)) << path;
    }
  }
  int64_t Run(const Op& op, fault::Point point, uint32_t n, uint32_t* code) {
    gPoint = point, gNth = n;
    fault::Reset(), Arm(), zv::SetLastErrorCode(0);
    const int64_t result = op.run(cat_);
    *code = zv::GetLastErrorCode();
    return result;
  }
  Cat cat_;
};

const char* const kPointNames[] = {"alloc", "open", "read", "write", "set end", "profile write"};
std::string Size(const std::string* bytes) { return bytes ? std::to_string(bytes->size()) + " bytes" : "missing"; }

TEST_P(FailureInjectionTest, EveryFailureLeavesASoundCatalogue) {
  const Op& op = GetParam();
  if (op.prepare) op.prepare(cat_);
  const Snapshot before = Take();
  const uint32_t live = fault::LiveBlocks();
  MessageBoxWatcher boxes(op.answer);
  uint32_t code = 0;
  const int64_t clean = Run(op, fault::kAlloc, 0, &code);
  fault::Reset();
  ASSERT_FALSE(op.failed(clean, code)) << "the clean run fails: " << clean << ", code " << code;
  ASSERT_EQ(fault::LiveBlocks(), live) << "a clean run leaves a block";
  const Snapshot after = Take();
  RestoreTo(before, after);

  std::string figures;
  uint32_t tolerated = 0, damagedRuns = 0;
  for (uint32_t p = 0; p < fault::kPointCount; ++p) {
    uint32_t n = 1;
    for (;; ++n) {
      ASSERT_LT(n, 500u) << "never stops reaching " << kPointNames[p];
      const std::string where = std::string(kPointNames[p]) + " call " + std::to_string(n);
      const int64_t result = Run(op, static_cast<fault::Point>(p), n, &code);
      const bool reached = fault::CallCount(static_cast<fault::Point>(p)) >= n;
      fault::Reset();
      EXPECT_EQ(fault::LiveBlocks(), live) << where << ": a block is left behind";
      const Snapshot now = Take();
      if (!reached) {  // the run did not come to the nth call: a clean run again
        EXPECT_FALSE(op.failed(result, code)) << where;
        EXPECT_TRUE(now == after) << where << ": a clean run leaves another catalogue";
        RestoreTo(before, now);
        break;
      }
      if (!op.failed(result, code)) ++tolerated;
      EXPECT_TRUE(!op.failed(result, code) || op.codes.count(code)) << where << ": " << result << ", code " << code;
      Snapshot all = before;
      all.insert(after.begin(), after.end()), all.insert(now.begin(), now.end());
      bool damaged = false;
      for (const auto& entry : all) {
        const std::string& path = entry.first;
        const auto at = [&path](const Snapshot& s) { return s.count(path) ? &s.at(path) : nullptr; };
        const std::string *was = at(before), *done = at(after), *is = at(now);
        const auto same = [is](const std::string* b) { return is ? b && *is == *b : !b; };
        if (same(was) || same(done) || (is && op.leave && op.leave(path))) continue;
        if (is && op.damage && ReportedDamaged(path)) {
          damaged = true;
          continue;
        }
        ADD_FAILURE() << where << ": " << path << " is " << Size(is) << ", was " << Size(was) << ", a clean call leaves "
                      << Size(done);
      }
      if (damaged) {  // every reader reads the damaged catalogue, none changes it
        ++damagedRuns;
        ReadEverything(cat_);
        EXPECT_TRUE(Take() == now) << where << ": a reader changed a damaged file";
        EXPECT_EQ(fault::LiveBlocks(), live) << where << ": a reader left a block";
      }
      RestoreTo(before, Take());
    }
    figures += std::string(kPointNames[p]) + " " + std::to_string(n - 1) + ", ";
  }
  figures += "tolerated " + std::to_string(tolerated) + ", damaged " + std::to_string(damagedRuns);
  std::printf("%s: %s\n", op.id, figures.c_str());
  RecordProperty("figures", figures);
}

INSTANTIATE_TEST_SUITE_P(All, FailureInjectionTest, ::testing::ValuesIn(kOps),
                         [](const ::testing::TestParamInfo<Op>& param) { return param.param.id; });

}  // namespace
}  // namespace zvtest
