// Every operation and export without a dialog, with the nth call at each failure point failing for every n it
// reaches: an allowed code, no heap block left, and each file as before, as a clean call leaves it, as its
// row allows, or (rows that move bytes) reported damaged and left so by every reader.
#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue/catalogue_config.h"
#include "catalogue/overlay_files.h"
#include "catalogue_check.h"
#include "catalogue_recovery.h"
#include "driverlink/driver_entry_points.h"
#include "maintenance/deletion.h"
#include "maintenance/existing_file_registration.h"
#include "maintenance/file_transfer.h"
#include "maintenance/form_registration.h"
#include "maintenance/group_registration.h"
#include "maintenance/overlay_entries.h"
#include "module/module_state.h"
#include "platform/fault_injection.h"
#ifndef _WIN32
#include "platform/posix/posix_config.h"
#endif
#include "support/catalogue_files.h"
#include "support/message_boxes.h"
#include "support/sample_driver.h"

namespace zvtest {
namespace {

using namespace zv;
namespace fault = plat::fault;
using Snapshot = std::map<std::string, std::string>;
const uint16_t kCaps[] = {1, 3, 0x4001, 0x4003};  // black and colour up to mode level 3
const PaperEntry kPapers[] = {{1, 2100, 2970, 2016, 2886, 9, "A4 210 x 297 mm"},
                              {1, 2159, 2794, 2075, 2710, 1, "Letter"}};
constexpr LineSink kNoLines{[](void*, const char*) {}, nullptr};
// What the rows hand the calls to fill in.
char gP[plat::kPathBuffer], gQ[plat::kPathBuffer], gR[plat::kPathBuffer], gN[plat::kPathBuffer],
    gD[kFormDescriptionSize], gNames[8][kFormNameSize], gSlots[8 * ZV_NAME_SLOT];
int32_t gI, gIds[8], gNext;
int16_t gM, gK, gSpec[kSpecSizeCount];
uint16_t gU;
ZVDWORD gW, gCount;
ZVLONG gL, gListed[8];
PrintSettings gS;
// The catalogue directory, its files, the system directory, the sample driver, a settings block.
std::string gDir, gFlt, gGlt, gFgp, gSys, gDriver, gBlock = DriverSettingsBlock().Bytes(), gPaths[4];
// A file of the catalogue directory, for one expression of a row.
const auto In = [](const char* name) { return (gPaths[gNext++ % 4] = gDir + name).c_str(); };
const auto Settings = [](const DriverSettingsBlock& b, uint8_t layer) {
  PrintSettings s;
  DecodePrintSettings(reinterpret_cast<const unsigned char*>(b.Record(layer).data()), &s);
  return s;
};
const PrintSettings kBlack1 = Settings({}, 1), kBlack2 = Settings({}, 2), k300 = Settings(At300(), 1),
                    kColour2 = Settings(InColour(), 2);

// Named forms, file entries of every kind of text, and form 1's group of overlays the block matches or not, a
// first group string, edited and preview file.
Snapshot Catalogue() {
  const std::string black = DriverSettingsBlock().Record(1),
                    config =
                        "[ENVIRONMENT]\r\nCURRENTDIR=" + gDir + "\r\nUSER=DEFAULT\r\n[DEFAULT]\r\nFormName=";
  return {
      {gSys + "ZVLMN3.DAT", config + gFlt + "\r\nGroupName=" + gGlt + "\r\n"},
      {gFlt,
       FormListFile({{1, "INVOICE", "Monthly invoice", 1, 0}, {2, "LETTER", "", 2, 1}},
                    {{-1, "P", "", 1, 2}, {-2, "P", "", 2, 3}, {-3, "C", "", 1, 4}, {-4, "P", "", 1, 5}}, 4)},
      {gGlt, GroupNameListFile({"_F3001.FGP", gDir, In("LOGO.ZLP"), "7", In("CAPTURE.ZLP"), In("RAW.ZLC")})},
      {gFgp,
       GroupInfoFile({{black, 0}, {At300().Record(1), 1}, {InColour().Record(1), 2}},
                     {"_F300100.ZLP", "_F300101.ZLP", In("EXTERN.ZLP"), "GROUP", "_F3001.ZL3", "_F3001.PBF"},
                     3, 4, 5)},
      {In("_F300100.ZLP"), OverlayDataFile("INVOICE", "Monthly invoice", black)},
      {In("_F300101.ZLP"), OverlayDataFile("INVOICE", "Monthly invoice", At300().Record(1))},
      {In("EXTERN.ZLP"), OverlayDataFile("EXTERN", "", InColour().Record(1))},
      {In("LOGO.ZLP"), OverlayDataFile("LOGO", "Logo", black)},
      {In("NEWFILE.ZLP"), OverlayDataFile("NEW", "", DriverSettingsBlock().Record(2))},
      {In("_F3001.ZL3"), "edited form"},
      {In("_F3001.PBF"), "preview"},
      {In("RAW.ZLC"), "\0350;0.24muE raw data"},
      {In("RAW.ZLX"), "\0350;0.24muE data"},  // without companions
      {In("RAW.ZLF"), PaperCompanionFile(9, 0)},
      {In("RAW.ZLI"), DescriptionCompanionFile("Raw description")}};
}

// The point and call the run fails at; a row with platform calls of its own re-arms after them.
fault::Point gPoint = fault::kAlloc;
uint32_t gNth = 0;
const auto Arm = [] { fault::FailNth(gPoint, gNth); };

// Whether a result (and last error code) is the operation's failure.
using Failed = std::function<bool(int64_t result, uint32_t code)>;
const auto Is = [](int64_t v) -> Failed { return [v](int64_t r, uint32_t) { return r == v; }; };
const auto Not = [](int64_t v) -> Failed { return [v](int64_t r, uint32_t) { return r != v; }; };
const auto AtMost = [](int64_t v) -> Failed { return [v](int64_t r, uint32_t) { return r <= v; }; };
const auto IsOrCoded = [](int64_t v) -> Failed { return [v](int64_t r, uint32_t e) { return r == v || e; }; };
const Failed kCoded = [](int64_t, uint32_t code) { return code != 0; }, kNever = Is(INT64_MIN);

using Check = std::function<bool(const std::string&)>;
const auto Ends = [](const std::string& p, const std::string& n) {
  return p.size() >= n.size() && Upper(p.substr(p.size() - n.size())) == n;
};
const auto Any = [](std::string n) -> Check { return [n](const std::string& p) { return Ends(p, n); }; };
// The file's own reader answers: the list files and group info files.
const auto Opened = [](const std::string& p) {
  plat::FileHandle f = nullptr;
  struct {
    FormListHeader f;
    GroupListHeader g;
    GroupInfoHeader i;
  } h;
  const auto r = plat::kAccessRead;
  const ListFileState s = Ends(p, ".FLT")   ? OpenFormNameList(p.c_str(), r, &f, &h.f)
                          : Ends(p, ".GLT") ? OpenGroupNameList(p.c_str(), r, &f, &h.g)
                          : Ends(p, ".FGP") ? OpenGroupInfo(p.c_str(), r, &f, &h.i)
                                            : ListFileState::kValid;
  if (f) plat::CloseFile(f);
  return s;
};
const auto ValidGroup = [](const std::string& p, const char* n) {
  return Ends(p, n) && Opened(p) == ListFileState::kValid;
};
// Form 1's group after a deletion that failed once the edited file was gone: its edited slot cleared.
const Check kEditedCleared = [](const std::string& p) {
  return ValidGroup(p, "\\_F3001.FGP") &&
         FileBytes(p).compare(group_info::kEditedFileStringOffset, 4, "\xFF\xFF\xFF\xFF") == 0;
};
// What each form's record names, as the readers resolve its group index: the relation between the two list
// files that a failure must not break (the identifiers of the catalogue and of the forms a row adds).
using Groups = std::map<int32_t, std::string>;
const auto FormGroups = [] {
  Groups groups;
  for (int32_t id = -6; id <= 4; ++id) {
    char path[plat::kPathBuffer];
    if (id != 0) groups[id] = GetFormGroupPath(id, path) ? path : "(none)";
  }
  return groups;
};
// What the catalogue checker finds in the whole catalogue: group indexes, group texts, group info files
// and the overlay data files their entries name, all against each other.
const auto Findings = [] {
  std::vector<std::string> found;
  for (const zvcat::Finding& f : zvcat::CheckCatalogue({gFlt, gGlt}))
    found.push_back(f.kind + " " + f.file + " " + std::to_string(f.offset));
  return found;
};
// The forms a recovery takes, each with its number of overlay entries; that of the catalogue as it stands.
using Recovered = std::map<int32_t, size_t>;
const auto RecoveredForms = [](const zvcat::Recovery& r) {
  Recovered forms;
  for (const zvcat::RecoveredForm& f : r.forms) forms[f.id] = f.overlays.size();
  return forms;
};
const auto Recoverable = [] { return RecoveredForms(zvcat::PlanRecovery({gFlt, gGlt}, "")); };
// A block handed back by a driver query, freed: whether there was one.
const auto Freed = [](plat::MemoryHandle block) {
  plat::FreeMemory(block);
  return block != nullptr;
};

struct Op {
  const char* id;
  Failed failed;
  std::function<int64_t()> run;
  std::set<uint32_t> codes;  // last error codes a failure may leave
  bool damage = false;       // moves bytes inside a list or group file: may leave it damaged
  Check leave = nullptr;     // a file it may leave in a third state
  std::function<void()> prepare = nullptr;
  int answer = kIdNo;  // how message boxes are answered
  Op Moves() {
    damage = true;
    return *this;
  }
  Op Leaves(Check c) {
    leave = c;
    return *this;
  }
  Op After(std::function<void()> p) {
    prepare = p;
    return *this;
  }
  Op Answer(int a) {
    answer = a;
    return *this;
  }
  friend void PrintTo(const Op& op, std::ostream* os) { *os << op.id; }
};
// A row: the call, then the codes a failure may leave.
#define OP(id, failed, call, ...)                                                    \
  Op {                                                                               \
    id, failed, []() -> int64_t { return (call); }, std::set<uint32_t>{__VA_ARGS__}, \
  }
#define MOVES(...) OP(__VA_ARGS__).Moves()
#define PATH 0, 400, 401  // the path query's codes
#define CHOSEN 401, 404, 405, 406
#define MATCH 0, 1, 2, 3, 400, 401  // a search's match reasons, or the path query's codes

// A header that could not be read gives the entry the reader's zero record, in a valid file.
const auto RegisterNewFile = [] {
  return static_cast<int64_t>(RegisterExistingFile(
      {2, "LETTER", "", 2, In("NEWFILE.ZLP"), {0, 1}, {kNoPaper, 1}, {0, 1}, kPapers, 2, 256, 0, nullptr}));
};
// Opened as its caller opens it, then the switch is armed again.
const auto RemoveFirstEntry = [] {
  fault::Reset();
  plat::FileHandle f =
      plat::OpenFile(gFgp.c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kOpenExisting);
  Arm();
  const bool done = RemoveOverlayEntry(f, gFgp.c_str(), 0);
  plat::CloseFile(f);
  return done;
};
const uint32_t kEntryFlags[] = {0, 1, 0};
const auto kStayOpen = static_cast<int64_t>(RegistrationResult::kStayOpen);
const char *const kB = gBlock.data(), *gF, *gG, *gDrv;  // the last three set by the fixture

const std::vector<Op> kOps = {
    OP("EnsureConfigurationWritesDefaults", Is(0), EnsureCatalogueConfiguration(), 400, 401)
        .Leaves(Any("\\ZVLMN3.DAT"))
        .After([] { RemoveFile(gSys + "ZVLMN3.DAT"); }),
    OP("GetListFilePaths", Is(0), GetListFilePaths(gP, gQ), 400, 401),
    OP("GetCurrentDirSetting", Is(0), GetCurrentDirSetting(gP), 401),
    OP("SetCurrentDirSetting", Is(0), SetCurrentDirSetting(In("MOVED")), 0, 401),
    OP("CountNamedForms", Is(0), CountNamedForms(), 0, 401, 402, 403),
    OP("ListNamedForms", Is(0), ListNamedForms(0, 2, gIds, gNames), 401, 402, 403),
    OP("FindNamedFormByName", Is(0), FindNamedFormByName("LETTER", &gI) ? gI : 0, PATH),
    OP("GetFileEntryName", IsOrCoded(0), GetFileEntryName(-2, &gI, gN), 401, 402, 403),
    OP("CheckFormName", kCoded, CheckFormName("NEWNAME", &gI), 401, 404),
    OP("GetFormGroupPath", Is(0), GetFormGroupPath(-1, gP), PATH),
    OP("GetFormRecordInfo", Is(-1), GetFormRecordInfo(1, gN, gD, gP), PATH),
    OP("CountOverlayEntries", Is(0), CountOverlayEntries(1), PATH),
    OP("FindFormPaperEntry", Is(kNoPaper), FindFormPaperEntry(1, 2, kPapers, &gU), PATH),
    OP("ListOverlayLines", Is(0), ListOverlayLines(1, kPapers, 2, kNoLines), PATH),
    OP("ListSingleOverlayLine", Is(0), ListSingleOverlayLine(kBlack1, kPapers, 2, kNoLines), 0),
    OP("HasOverlayHeader", kNever, HasOverlayHeader(In("RAW.ZLX"))),
    OP("GetOverlayDescription", Is(0), GetOverlayDescription(In("RAW.ZLC"), gD), 0),
    OP("FindPaperEntryIndex", Is(-1), FindPaperEntryIndex(In("RAW.ZLC"), 2, kPapers, &gU), 0, 401),
    OP("ReadOverlaySettings", kNever, (ReadOverlaySettings(In("_F300101.ZLP"), 0, &gS), gS.resolution)),
    OP("QueryDriverCapabilities", Is(0), Freed(QueryDriverCapabilities("", gDrv, &gM, &gK)), 0, 401),
    OP("QueryPrinterSpec", Is(0), Freed(QueryPrinterSpec("", gDrv, 1, gSpec)), 0, 401),
    OP("QueryHelpFile", Is(0), QueryHelpFile("", gDrv, 0, gP), 0),
    OP("BuildPaperSizeList", Is(0), (gU = 7, Freed(BuildPaperSizeList("", gDrv, 1, &gU))) ? gU : 0, 401),
    OP("ChooseNamedFormId", Is(0), ChooseFormId(kChooseNamedForm, "NEW", &gI, nullptr), CHOSEN),
    OP("ChooseFileEntryId", Is(0), ChooseFormId(kChooseFileEntry, nullptr, &gI, &gW), CHOSEN),
    MOVES("AddNamedFormRecord", Is(0), AddFormRecord(3, "NEWFORM", "A new form", gDir.c_str(), 1), 401, 404),
    // Into a directory without lists: a list file whose header could not be written is deleted again.
    OP("AddNamedFormRecordNewLists", Is(0), AddFormRecord(3, "NEWFORM", "A new form", gDir.c_str(), 1), 401,
       404)
        .After([] {
          RemoveFile(gFlt);
          RemoveFile(gGlt);
        }),
    MOVES("AddFileEntryRecord", Is(0), AddFormRecord(-5, "P", "", In("NEWFILE.ZLP"), 1), 401, 404),
    MOVES("UpdateFormRecord", Is(0), UpdateFormRecord(1, "INVOICE 2", "Changed", gF, 2), 0, 401),
    MOVES("AppendGroupNameEntry", Is(-1), AppendGroupNameEntry(gG, "NEWTEXT.ZLP"), 0),
    MOVES("ReplaceGroupNameEntry", Is(0), ReplaceGroupNameEntry(gG, 2, In("LOGO2.ZLP")), 0),
    MOVES("AddOverlayEntry", Is(0),
          AddOverlayEntry(gF, "_F300103.ZLP", &kColour2, "NEW GROUP", "_F3001B.ZL3"), 401, 404),
    OP("AddOverlayEntryNewGroup", Is(0),
       AddOverlayEntry(In("_F3002.FGP"), "_F300200.ZLP", &kBlack2, "GROUP", nullptr), 401, 404),
    OP("FindOverlayEntry", Is(0), FindOverlayEntry(gF, k300, gP, &gW), 401, 404),
    MOVES("ReplaceOverlayFile", Is(0), ReplaceOverlayFile(gF, 1, "NEWFILE.ZLP"), 401, 409),
    MOVES("RegisterExistingFile", Is(kStayOpen), RegisterNewFile(), 401, 409)
        .Leaves([](const std::string& p) { return ValidGroup(p, "\\_F3002.FGP"); }),
    OP("MoveOverlayFile", Is(0), MoveOverlayFile(In("LOGO.ZLP"), In("MOVED\\LOGO.ZLP")), 0),
    OP("CopyWholeFile", Is(0), CopyWholeFile(In("LOGO.ZLP"), In("COPY.ZLP")), 0),
    OP("GetGroupSize", Is(0), GetGroupSize(1), PATH),
    OP("MoveGroupFiles", Is(0), MoveGroupFiles(nullptr, 1, In("MOVED")), 0, 401),
    OP("RewriteOverlayHeader", Is(0), RewriteOverlayHeader(In("LOGO.ZLP"), 2, "New description"), 0, 401),
    MOVES("DeleteNamedForm", Is(0), DeleteForm(1), 401, 407).Leaves(kEditedCleared),
    MOVES("DeleteFileEntry", Is(0), DeleteForm(-2), 401, 407),
    MOVES("DeleteGroupNameEntry", Is(0), DeleteGroupNameEntry(gG, 3), 0),
    MOVES("DeleteGroupInfoFile", Is(0), DeleteGroupInfoFile(gF), 0).Leaves(kEditedCleared),
    MOVES("DeleteOverlayEntries", Is(0), DeleteOverlayEntries(1, kEntryFlags, 3), 401, 408),
    OP("GetFormEditedFile", Not(kEditedFileFound), GetFormEditedFile(0, "INVOICE", gD, &gI, &gU, gP, gQ, gR),
       0, 401, 402, 403),
    OP("MakeGroupInfoFileName", Is(0), MakeGroupInfoFileName(2, gDir.c_str(), gP), 401),
    MOVES("ProposeOverlayFileName", Is(kOverlayFileNone),
          ProposeOverlayFileName(InColour().Bytes().data(), gF, gP), 0, 401, 408),
    MOVES("RemoveOverlayEntry", Is(0), RemoveFirstEntry(), 401, 408),
    OP("ZVGetFormListNum", AtMost(1), ZVGetFormListNum(), 0, 400, 401, 402, 403),
    OP("ZVGetFormList", Not(3), ZVGetFormList(nullptr, 0, 2, 0, &gCount, gListed, gSlots) ? gCount : 0, 0,
       400, 401, 402, 403, 404)
        .Answer(kIdOk),
    OP("ZVSearchForm", Is(0), ZVSearchForm(kB, 4, kCaps, 1, &gU, gP), MATCH),
    OP("ZVSearchFormFileEntry", Is(0), ZVSearchForm(kB, 4, kCaps, -1, &gU, gP), MATCH),
    // A recreated overlay file whose header write failed stays: the capture rewrites it.
    MOVES("ZVGetOverlayFormExisting", Is(0), ZVGetOverlayForm(kB, "GROUP", 1, gP), 0, 400, 401, 404, 408)
        .Leaves(Any("\\_F300100.ZLP")),
    MOVES("ZVGetOverlayFormNewGroup", Is(0), ZVGetOverlayForm(kB, "GROUP", 2, gP), 0, 400, 401, 404, 408)
        .Leaves(Any("\\_F300200.ZLP")),
    OP("ZVGetOverlayFormFileEntry", Is(0), ZVGetOverlayForm(kB, nullptr, -3, gP), PATH)
        .Leaves(Any("\\CAPTURE.ZLP")),
    MOVES("ZVSetDevOverlayFile", Is(0),
          ZVSetDevOverlay(kB, 4, kCaps, 1, 1, In("NEWFILE.ZLP"), 0, 1, nullptr, nullptr, &gL), 0, 400, 401,
          404, 405, 406),
    OP("ZVSetDevOverlayNamed", Is(0),
       ZVSetDevOverlay(kB, 4, kCaps, 1, 3, "INVOICE", 0, 1, nullptr, nullptr, &gL), MATCH, 402, 403),
    OP("ZVGetFormID", Is(0), ZVGetFormID("LETTER"), PATH),
    OP("ZVGetDevFormName", Is(0), ZVGetDevFormName(-1, gN), PATH),
    OP("ZVPreviewForm", Is(0), ZVPreviewForm(0, 1, gP), PATH),
    MOVES("ZVErrorForm", Is(0), ZVErrorForm(1, In("_F300101.ZLP")), 0, 400, 401, 408),
    OP("ZVDriverFormService", kNever, ZVDriverFormService()).After([] {
      WriteWholeFile(gSys + "ZVL3.INI", "[ENVIRONMENT]\r\nEDITOR=EDIT.EXE\r\n");
    }),
    OP("ZVSetFormConfirm", Is(0), ZVSetFormConfirm(nullptr, kB, "", gDrv, 1, 1), 0, 401),
};
#undef OP
#undef MOVES
#undef PATH
#undef CHOSEN
#undef MATCH

// Every reader and reading export on the catalogue as it stands.
void ReadEverything() {
  CountNamedForms();
  ListNamedForms(0, 7, gIds, gNames);
  FindNamedFormByName("LETTER", &gI);
  CheckFormName("OTHER", &gI);
  ZVGetFormListNum();
  ZVGetFormID("INVOICE");
  ZVGetFormList(nullptr, 0, 0, 0, &gCount, gListed, gSlots);
  for (int32_t id : {1, 2, -1, -2, -3, -4}) {
    GetFileEntryName(id, &gI, gN);
    GetFormGroupPath(id, gP);
    GetFormRecordInfo(id, gN, gD, gP);
    CountOverlayEntries(id);
    FindFormPaperEntry(id, 2, kPapers, &gU);
    GetGroupSize(id);
    ListOverlayLines(id, kPapers, 2, kNoLines);
    GetFormEditedFile(id, nullptr, gD, &gI, &gU, gP, gQ, gR);
    ZVSearchForm(kB, 4, kCaps, id, &gU, gP);
    ZVGetDevFormName(id, gN);
    ZVPreviewForm(0, id, gP);
  }
  FindOverlayEntry(gF, k300, gP, nullptr);
}

class FailureInjectionTest : public SystemDirTest, public ::testing::WithParamInterface<Op> {
 protected:
  void SetUp() override {
    SystemDirTest::SetUp();
    gDir = Path("CAT\\");
    gFlt = gDir + "ZVLMN3.FLT";
    gGlt = gDir + "ZVLMN3.GLT";
    gFgp = gDir + "_F3001.FGP";
    gSys = SystemPath("");
    gDriver = SampleDriver();
    gF = gFgp.c_str();
    gG = gGlt.c_str();
    gDrv = gDriver.c_str();
    plat::MakeDirectory(Path("CAT").c_str());
    plat::MakeDirectory(In("MOVED"));
    RestoreTo(Catalogue(), Take());
  }
  void TearDown() override {
    fault::Reset();
    RestoreTo({}, Take());
    SystemDirTest::TearDown();
  }
  // Every plain file of the catalogue directories, and the configuration file.
  Snapshot Take() const {
    Snapshot s;
    for (const std::string& dir : {gDir, gDir + "MOVED\\"}) {
      for (const auto& e : std::filesystem::directory_iterator(HostPath(dir))) {
        const std::string path = dir + e.path().filename().string();
        if (e.is_regular_file()) s[path] = FileBytes(path);
      }
    }
    if (FileExists(gSys + "ZVLMN3.DAT")) s[gSys + "ZVLMN3.DAT"] = FileBytes(gSys + "ZVLMN3.DAT");
    return s;
  }
  // Brings the files back from current to target, touching those that differ.
  void RestoreTo(const Snapshot& target, const Snapshot& current) {
    for (const auto& entry : current) {
      if (!target.count(entry.first)) {
        plat::SetAttributesNormal(entry.first.c_str());
        RemoveFile(entry.first);
      }
    }
    for (const auto& [path, bytes] : target) {
      ASSERT_TRUE((current.count(path) && current.at(path) == bytes) || WriteWholeFile(path, bytes)) << path;
    }
  }
  // One run with the nth call at the point failing: whether it failed, and came to that call.
  bool Run(uint32_t point, uint32_t n, bool* reached) {
    gPoint = static_cast<fault::Point>(point);
    gNth = n;
    fault::Reset();
    Arm();
    SetLastErrorCode(0);
    result_ = GetParam().run();
    code_ = GetLastErrorCode();
    *reached = fault::CallCount(gPoint) >= n;
    fault::Reset();
    return GetParam().failed(result_, code_);
  }
  int64_t result_ = 0;
  uint32_t code_ = 0;
};

const char* const kPointNames[] = {"alloc",   "open",          "read",         "write",
                                   "set end", "profile write", "registry open"};
static_assert(sizeof kPointNames / sizeof *kPointNames == fault::kPointCount, "a name for each point");
const auto Size = [](const std::string& b) {
  return b == kMissing ? b : std::to_string(b.size()) + " bytes";
};

TEST_P(FailureInjectionTest, EveryFailureLeavesASoundCatalogue) {
  const Op& op = GetParam();
  if (op.prepare) op.prepare();
  const Snapshot before = Take();
  const uint32_t live = fault::LiveBlocks();
  MessageBoxWatcher boxes(op.answer);
  uint32_t tolerated = 0, damagedRuns = 0, recoveredRuns = 0;
  bool reached = false;
  ASSERT_FALSE(Run(fault::kAlloc, 0, &reached)) << "the clean run fails: " << result_ << ", code " << code_;
  ASSERT_EQ(fault::LiveBlocks(), live) << "a clean run leaves a block";
  const Snapshot after = Take();
  const Groups groupsAfter = FormGroups();
  const std::vector<std::string> findingsAfter = Findings();
  RestoreTo(before, after);
  const Groups groupsBefore = FormGroups();
  const std::vector<std::string> findingsBefore = Findings();
  const Recovered recoverableBefore = Recoverable();
  RestoreTo(after, Take());
  const Recovered recoverableAfter = Recoverable();
  RestoreTo(before, Take());
  std::string figures;
  for (uint32_t p = 0; p < fault::kPointCount; ++p) {
    uint32_t n = 1;
    for (;; ++n) {
      ASSERT_LT(n, 500u) << "never stops reaching " << kPointNames[p];
      const std::string where = std::string(kPointNames[p]) + " call " + std::to_string(n);
      const bool failed = Run(p, n, &reached);
      EXPECT_EQ(fault::LiveBlocks(), live) << where << ": a block is left behind";
      const Snapshot now = Take();
      if (!reached) {  // the run did not come to the nth call: a clean run again
        EXPECT_TRUE(!failed && now == after) << where << ": a clean run fails or leaves another catalogue";
        RestoreTo(before, now);
        break;
      }
      tolerated += !failed;
      EXPECT_TRUE(!failed || op.codes.count(code_)) << where << ": " << result_ << ", code " << code_;
      Snapshot all = before;
      all.insert(after.begin(), after.end());
      all.insert(now.begin(), now.end());
      bool damaged = false;
      for (const auto& [path, bytes] : all) {
        const auto at = [&path](const Snapshot& s) { return s.count(path) ? s.at(path) : kMissing; };
        const std::string was = at(before), done = at(after), is = at(now);
        if (is == was || is == done || (is != kMissing && op.leave && op.leave(path))) continue;
        const bool reported = is != kMissing && op.damage && Opened(path) == ListFileState::kDamaged;
        damaged |= reported;
        EXPECT_TRUE(reported) << where << ": " << path << " is " << Size(is) << ", was " << Size(was)
                              << ", a clean call leaves " << Size(done);
      }
      // Files that are each as before or after must also agree with each other: the lists and group info
      // files are all as before or all as after (but those the row leaves in a third state), and every
      // record names the group it named before the call, or the one a clean call gives it.
      if (!damaged) {
        const auto structure = [&op](const Snapshot& s) {
          Snapshot lists;
          for (const auto& [path, bytes] : s)
            if ((Ends(path, ".FLT") || Ends(path, ".GLT") || Ends(path, ".FGP")) &&
                !(op.leave && op.leave(path)))
              lists[path] = bytes;
          return lists;
        };
        EXPECT_TRUE(structure(now) == structure(before) || structure(now) == structure(after))
            << where << ": the list and group info files are partly as before the call, partly as after";
        const Groups groups = FormGroups();
        EXPECT_TRUE(groups == groupsBefore || groups == groupsAfter)
            << where << ": a form names a group it named neither before nor after the call";
        const std::vector<std::string> findings = Findings();
        EXPECT_TRUE(findings == findingsBefore || findings == findingsAfter)
            << where << ": the checker finds " << (findings.empty() ? "nothing" : findings[0]) << " and "
            << findings.size() << " in all, before the call " << findingsBefore.size() << ", after "
            << findingsAfter.size();
      }
      if (damaged) {  // every reader reads the damaged catalogue, none changes it
        ++damagedRuns;
        ReadEverything();
        EXPECT_TRUE(Take() == now) << where << ": a reader changed a damaged file";
        EXPECT_EQ(fault::LiveBlocks(), live) << where << ": a reader left a block";
        // zvcat recover takes back what the damaged catalogue still holds of the states before and after
        // the call, or says what it lost, into a sound catalogue, and changes nothing of the damaged one.
        zvcat::Recovery r = zvcat::PlanRecovery({gFlt, gGlt}, "");
        const Recovered recovered = RecoveredForms(r);
        const bool lost = !r.lost.empty();
        for (const auto& [id, overlays] : recovered) {
          const auto most = [id = id](const std::map<int32_t, size_t>& m) {
            return m.count(id) ? static_cast<int64_t>(m.at(id)) : -1;
          };
          EXPECT_LE(static_cast<int64_t>(overlays), std::max(most(recoverableBefore), most(recoverableAfter)))
              << where << ": recover gives form " << id << " with overlays that neither state holds";
        }
        EXPECT_TRUE(lost || recovered == recoverableBefore || recovered == recoverableAfter)
            << where << ": recover lost forms or overlays without a word";
        std::string error;
        const std::string to = Path("RECOVERED\\");
        EXPECT_TRUE(zvcat::WriteRecovery(&r, to, "", &error)) << where << ": " << error;
        EXPECT_TRUE(zvcat::CheckCatalogue({to + "ZVLMN3.FLT", to + "ZVLMN3.GLT"}).empty())
            << where << ": the recovered catalogue is not sound";
        RemoveTree(HostPath(to));
        EXPECT_TRUE(Take() == now) << where << ": recover changed the damaged catalogue";
        ++recoveredRuns;
      }
      RestoreTo(before, Take());
    }
    figures += std::string(kPointNames[p]) + " " + std::to_string(n - 1) + ", ";
  }
  figures += "tolerated " + std::to_string(tolerated) + ", damaged " + std::to_string(damagedRuns) +
             ", recovered " + std::to_string(recoveredRuns);
  std::printf("%s: %s\n", op.id, figures.c_str());
  RecordProperty("figures", figures);
}

INSTANTIATE_TEST_SUITE_P(All, FailureInjectionTest, ::testing::ValuesIn(kOps),
                         [](const ::testing::TestParamInfo<Op>& param) { return param.param.id; });

}  // namespace
}  // namespace zvtest
