// zvcat: the checker on catalogues built byte by byte, sound and damaged, show's lookup, the JSON
// writer, and the program run as a user runs it (each command, way of naming the catalogue, exit status).
#ifndef _WIN32
#include <sys/wait.h>

#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <tuple>

#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "catalogue_check.h"
#include "catalogue_recovery.h"
#include "catalogue_source.h"
#include "catalogue_view.h"
#include "json_writer.h"
#include "platform/platform.h"
#include "support/catalogue_bytes.h"
#include "support/catalogue_files.h"
#include "support/other_process.h"
#include "support/sample_driver.h"
#include "support/sandbox.h"

namespace zvtest {
namespace {

namespace fl = zv::form_list;
namespace gl = zv::group_list;
namespace gi = zv::group_info;
namespace k = zvcat::kind;
using Files = std::map<std::string, std::string>;

void Put(std::string& b, uint32_t at, uint32_t v, int size = 4) {
  b.replace(at, size, Bytes().U32(v).str().substr(0, size));
}
void WriteFiles(const std::string& dir, const Files& files) {
  for (const auto& f : files) ASSERT_TRUE(WriteWholeFile(dir + f.first, f.second)) << f.first;
}
// Every file in dir (not in its subdirectories), by name.
Files Snapshot(const std::string& dir) {
  Files files;
  for (const auto& entry : std::filesystem::directory_iterator(HostPath(dir)))
    if (entry.is_regular_file())
      files[entry.path().filename().string()] = FileBytes(dir + entry.path().filename().string());
  return files;
}

// The sound catalogue. INVOICE (1): _F1A.FGP by full path, with overlays, a raw one, first text, edited and
// preview files; Letter (2): _F2A.FGP; Memo (3): a save directory; file entries -1 "P" (an overlay file),
// -2 "C" (overlay 7). Texts a damaged offset depends on come first, so offsets do not depend on the
// directory.
struct Catalogue {
  std::vector<FormRow> named{{1, "INVOICE", "Monthly invoice", zv::kLayerFront, 2},
                             {2, "Letter", "Letter head", zv::kLayerBack, 0},
                             {3, "Memo", "", zv::kLayerFront, 3}};
  std::vector<FormRow> files{{-1, "P", "", zv::kLayerFront, 4}, {-2, "C", "", zv::kLayerFront, 1}};
  std::vector<std::string> texts;
  std::vector<GroupInfoEntry> entries{{DriverSettingsBlock().Record(zv::kLayerFront), 1},
                                      {At300().Record(zv::kLayerFront), 5},
                                      {InColour().Record(zv::kLayerFront), 3}};
  std::vector<std::string> infoTexts;
  int32_t first = 0, edited = 2, preview = 4;

  explicit Catalogue(const std::string& dir)
      : texts{"_F2A.FGP", "7", dir + "_F1A.FGP", dir, dir + "LOGO.ZLP"},
        infoTexts{"ZVOVL", "_F1A0A.ZLP", "EDIT.ZLP", "_F1A0C.ZLP", "PREVIEW.ZLP", dir + "_F1A0B.ZLC"} {}

  Files Build() const {
    const std::string front = DriverSettingsBlock().Record(zv::kLayerFront);
    const std::string back = DriverSettingsBlock().Record(zv::kLayerBack);
    const auto overlay = [](const std::string& description, const std::string& record) {
      return OverlayDataFile("INVOICE", description, record, "captured page data");
    };
    return {
        {"FORMS.FLT", FormListFile(named, files, 2)},
        {"GROUPS.GLT", GroupNameListFile(texts)},
        {"_F1A.FGP", GroupInfoFile(entries, infoTexts, first, edited, preview)},
        {"_F1A0A.ZLP", overlay("Monthly invoice", front)},
        {"_F1A0B.ZLC", Bytes().U8(zv::overlay_data::kRawMarker).Text(zv::overlay_data::kSignature600).str()},
        {"_F1A0C.ZLP", overlay("Monthly invoice", InColour().Record(zv::kLayerFront))},
        {"EDIT.ZLP", overlay("edited", front)},
        {"PREVIEW.ZLP", overlay("preview", front)},
        {"_F2A.FGP", GroupInfoFile({{back, 0}}, {"_F2A0A.ZLP"})},
        {"_F2A0A.ZLP", OverlayDataFile("Letter", "Letter head", back, "page")},
        {"LOGO.ZLP", OverlayDataFile("P", "", front, "page")}};
  }
};

constexpr long long Rec(uint32_t i, uint32_t field) {
  return fl::kHeaderSize + fl::kRecordSize * i + field;
}
constexpr long long Slot(uint32_t entry) {
  return gl::kOffsetTableOffset + gl::kTableSlotSize * entry;
}
constexpr uint32_t kName = fl::kNameOffset, kDesc = fl::kDescriptionOffset, kGroup = fl::kGroupIndexOffset,
                   kLayer = fl::kLayerOffset, kPool = Slot(5),
                   kTable = gi::kEntriesOffset + gi::kEntrySize * 3,
                   kName0 = gi::kEntriesOffset + gi::kEntryFileNameOffset, kFirst = gi::kFirstStringOffset;
constexpr long long kCount = fl::kNamedCountOffset, kGCount = gl::kEntryCountOffset,
                    kICount = gi::kEntryCountOffset;
constexpr char kF[] = "FORMS.FLT", kG[] = "GROUPS.GLT", kI[] = "_F1A.FGP", kL[] = "_F2A.FGP",
               kRaw[] = "_F1A0B.ZLC", kA[] = "_F1A0A.ZLP";
const std::string kLong(plat::kMaxPath + 1, '7');
// What show prints of a list or group info file its readers refuse, and of unreadable texts.
constexpr char kFD[] = "FORMS.FLT  (cannot be read: damaged", kGD[] = "GROUPS.GLT  (cannot be read: damaged",
               kID[] = "_F1A.FGP  (cannot be read: damaged", kEntry0[] = "(unreadable entry 0)",
               kNoForm[] = "No form named or numbered \"1\".";

struct DamagedCatalogue {
  const char* name;  // what is wrong, usable as a test name
  const char* kind;  // the finding the checker must report first
  const char* file;  // the file it is in, relative to dir
  long long offset;  // its byte offset there, -1 for the whole file
  size_t findings;   // how many findings in all (the others unused group entries)
  const char* form;  // a form `zvcat show` is asked for, its exit status and a line it prints
  int showStatus;
  const char* shows;
  void (*write)(const std::string& dir);  // the whole catalogue
};
// A row's damage edits the catalogue c, then the bytes f of its files (`here` is the row's offset).
#define R(name, kind, file, at, n, form, status, shows, edit, ...)                           \
  DamagedCatalogue {                                                                         \
#name, k::kind, file, at, n, form, status, shows, [](const std::string& dir) {             \
      Catalogue c(dir);                                                                        \
      [[maybe_unused]] constexpr long long here = at;                                          \
      edit;                                                                                    \
      Files f = c.Build();                                                                     \
      __VA_ARGS__;                                                                             \
      WriteFiles(dir, f);                                                                      \
    } \
  }
const std::vector<DamagedCatalogue> kDamaged = {
    // clang-format off
R(GroupListMissing, kCannotOpen, kG, -1, 1, "1", 1, "GROUPS.GLT  (missing", , f.erase(kG)),
R(GroupListBadMagic, kBadMagic, kG, 0, 1, "1", 1, kGD, c.named[1].groupIndex = 9, f[kG][27]++; f.erase(kI)),
R(FormListOneByteLong, kBadSize, kF, kCount, 1, "1", 1, kFD, , f[kF] += '\0'),
R(GroupCountWraps, kBadSize, kG, kGCount, 1, "1", 1, kGD, , Put(f[kG], here, 5 + 0x40000000u)),
R(GroupInfoOneByteShort, kBadSize, kI, kICount, 1, "1", 1, kID, , f[kI].pop_back()),
R(NamedFormIdZero, kBadRecord, kF, Rec(0, 0), 1, "1", 1, kNoForm, c.named[0].id = 0),
R(FileEntryIdBelowRange, kBadRecord, kF, Rec(4, 0), 1, "-257", 0, "-257 (file", c.files[1].id = -257),
R(DescUnterminated, kBadRecord, kF, Rec(2, kDesc), 1, "3", 0, " ddd", , f[kF].replace(here, 256, 256, 'd')),
R(LayerThree, kBadRecord, kF, Rec(1, kLayer), 1, "2", 0, " 3 (3)\n", c.named[1].layer = 3),
R(DuplicateNamedId, kDuplicateId, kF, Rec(2, 0), 1, "2", 0, " Letter\n", c.named[2].id = 2),
R(DuplicateName, kDuplicateName, kF, Rec(2, kName), 1, "Letter", 0, " 2 (named", c.named[2].name = "Letter"),
R(GroupIndexHigh, kGroupIndexOutOfRange, kF, Rec(1, kGroup), 2, "2", 0, "ry 5)", c.named[1].groupIndex = 5),
R(SharedGroupEntry, kSharedGroupEntry, kF, Rec(4, kGroup), 2, "-2", 0, "   4\n", c.files[1].groupIndex = 4),
// Memo's text names INVOICE's group info file beside the list, spelt otherwise.
R(GroupInfoShared, kSharedGroupInfo, kG, Slot(3), 1, "3", 0, "\"_f1a.fgp\"", c.texts[3] = "_f1a.fgp"),
R(UnusedEntry, kUnusedGroupEntry, kG, Slot(5), 1, "1", 0, "Entries:       ", c.texts.push_back("SPARE.FGP")),
R(GroupTextRunsPastPool, kTextOutOfPool, kG, kPool, 1, "2", 0, kEntry0, , Put(f[kG], here, 0x7FFF, 2)),
R(GroupTextTooLong, kTextOutOfPool, kG, kPool + 10, 1, "-2", 0, "entry 1)", c.texts[1] = kLong),
R(FirstIndexNegative, kStringIndexOutOfRange, kI, kFirst, 1, "1", 0, "string -2)", c.first = -2),
R(GroupInfoMissing, kGroupInfoMissing, kI, -1, 1, "1", 1, "_F1A.FGP  (missing", , f.erase(kI)),
R(OverlayMissing, kOverlayMissing, kA, -1, 1, "1", 0, "_F1A0A.ZLP (missing", , f.erase(kA)),
    // clang-format on
};
#undef R

// The help's example: INVOICE (_F301A.FGP, two overlays), Letter (a save directory), file entries -1
// LOGO.ZLP and -2 SEAL (overlay 7); the settings of the overlays, the first also LOGO.ZLP's.
const zv::PrintSettings kExample0{1,   1, 3, 7, 2100, 2970, 11, 12, 9, 1,
                                  600, 2, 0, 0, 2200, 3000, 21, 22, 9, 100};
const zv::PrintSettings kExample1{1,   2, 3, 7, 2100, 2970, 11, 12, 9, 2,
                                  300, 1, 2, 2, 2200, 3000, 21, 22, 9, 71};
void WriteExampleCatalogue(const std::string& dir) {
  const std::string front = SettingsRecordBytes(kExample0);
  WriteFiles(dir,
             {{"FORMS.FLT",
               FormListFile({{1, "INVOICE", "Invoice with logo", 1, 0}, {2, "Letter", "Letterhead", 2, 1}},
                            {{-1, "LOGO.ZLP", "Logo", 1, 2}, {-2, "SEAL", "Seal on printer", 1, 3}}, 2)},
              {"GROUPS.GLT", GroupNameListFile({"_F301A.FGP", "D:\\LETTERS\\", "LOGO.ZLP", "7"})},
              {"_F301A.FGP",
               GroupInfoFile({{front, 1}, {SettingsRecordBytes(kExample1), 2}},
                             {"Plateau 2 (entr\351e)", "INV1.ZLP", "INV2.ZLC", "_F301A.PBF"}, 0, -1, 3)},
              {"INV1.ZLP", OverlayDataFile("INVOICE", "Invoice page 1", front, "page data")},
              {"INV2.ZLC", "\0350;0.24muE raw page"},
              {"INV2.ZLI", DescriptionCompanionFile("Invoice page 2, raw")},
              {"LOGO.ZLP", OverlayDataFile("LOGO.ZLP", "Logo", front, "page data")}});
}

std::string Quote(const std::string& text) {
#ifdef _WIN32
  return "\"" + text + "\"";
#else
  return "'" + text + "'";
#endif
}

struct ProgramRun {
  int status = -1;
  std::string output;  // standard output and error, lines ended by \n
};
// Runs zvcat by the shell (cmd under Windows) in cwd, natively with this process's drives and directories.
ProgramRun RunZvcat(const std::vector<std::string>& args, const std::string& cwd = "") {
  std::string command = ZV_ZVCAT_PROGRAM;
#ifdef _WIN32
  for (char& c : command) c = c == '/' ? '\\' : c;
  command = Quote("Z:" + command);
  if (!cwd.empty()) command = "cd /d " + Quote(cwd) + " && " + command;
#else
  command = Quote(command);
  char systemDir[plat::kPathBuffer];
  if (plat::GetSystemDirectoryPath(systemDir, sizeof systemDir) != 0)
    command = "ZV_SYSTEM_DIR=" + Quote(systemDir) + " " + command;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string host = HostPath(std::string(1, letter) + ":\\");
    if (!host.empty()) command = "ZV_DRIVE_" + std::string(1, letter) + "=" + Quote(host) + " " + command;
  }
  if (!DataDirectory().empty()) command = "ZV_DATA_DIR=" + Quote(DataDirectory()) + " " + command;
  if (!cwd.empty()) command = "cd " + Quote(HostPath(cwd)) + " && " + command;
#endif
  for (const std::string& arg : args) command += " " + Quote(arg);
#ifdef _WIN32
  FILE* pipe = _popen(("\"" + command + " 2>&1\"").c_str(), "rb");  // cmd /c drops the outer quotes
#else
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
#endif
  ProgramRun run;
  char buffer[4096];
  for (size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    for (size_t i = 0; i < n; ++i)
      if (buffer[i] != '\r') run.output += buffer[i];
#ifdef _WIN32
  if (pipe) run.status = _pclose(pipe);
#else
  if (pipe) run.status = WEXITSTATUS(pclose(pipe));
#endif
  return run;
}

// Runs, each with its exit status and texts its output must hold (or, whole, be).
struct Case {
  std::vector<std::string> args;
  int status;
  std::vector<std::string> output;
  bool whole = false;
};
void ExpectRuns(const std::vector<Case>& cases, const std::string& cwd = "") {
  for (const Case& c : cases) {
    const ProgramRun run = RunZvcat(c.args, cwd);
    EXPECT_EQ(c.status, run.status) << ::testing::PrintToString(c.args) << "\n" << run.output;
    for (const std::string& text : c.output)
      EXPECT_TRUE(c.whole ? run.output == text : run.output.find(text) != std::string::npos)
          << text << run.output;
  }
}
// The arguments that name the lists in dir (by relative names without one), then args.
std::vector<std::string> With(const std::string& dir, std::vector<std::string> args) {
  const auto name = [&dir](const char* file) { return dir.empty() ? file : HostPath(dir + file); };
  args.insert(args.begin(), {"--lists", name("FORMS.FLT"), name("GROUPS.GLT")});
  return args;
}

std::string Describe(const std::vector<zvcat::Finding>& findings) {
  std::string text;
  for (const auto& f : findings)
    text += f.kind + " " + f.file + " @" + std::to_string(f.offset) + ": " + f.message + "\n";
  return text;
}

class CatalogueCheckTest : public SandboxTest {
 public:
  zvcat::CataloguePaths Lists() const { return {Path("FORMS.FLT"), Path("GROUPS.GLT")}; }
  std::vector<zvcat::Finding> Check() const { return zvcat::CheckCatalogue(Lists()); }
};
class DamagedCatalogueTest : public CatalogueCheckTest,
                             public ::testing::WithParamInterface<DamagedCatalogue> {};

// The fault first, then only group entries it leaves unused; show prints what it could read; no file
// changes. The program's check runs on one row per way a file or text is unreadable (runs are slow on Wine).
TEST_P(DamagedCatalogueTest, ReportsTheFaultWhereItIs) {
  const DamagedCatalogue& d = GetParam();
  d.write(Dir());
  const auto before = Snapshot(Dir());
  const auto findings = Check();
  const zvcat::CatalogueList list = zvcat::ReadCatalogueList(Lists());
  EXPECT_EQ(list.formList == zvcat::FileState::kRead, list.forms.size() == 5);
  ASSERT_EQ(d.findings, findings.size()) << Describe(findings);
  EXPECT_EQ(d.kind + (" " + Path(d.file)) + " @" + std::to_string(d.offset),
            findings[0].kind + " " + findings[0].file + " @" + std::to_string(findings[0].offset));
  for (size_t i = 1; i < findings.size(); ++i) EXPECT_EQ(k::kUnusedGroupEntry, findings[i].kind);
  for (const auto& f : findings) EXPECT_TRUE(!f.message.empty() && f.message.find('\n') == std::string::npos);
  ExpectRuns({{With(Dir(), {"show", d.form}), d.showStatus, {d.shows}}});
  const std::string at = Path(d.file) + (d.offset == -1 ? "" : ":" + std::to_string(d.offset));
  if (d.name == std::string("GroupListMissing") || d.name == std::string("FirstIndexNegative"))
    ExpectRuns(
        {{With(Dir(), {"check"}), 1, {at + ": " + d.kind + ": ", " found.\n"}},
         {With(Dir(), {"--json", "check"}), 1, {"\"sound\":false,", "{\"kind\":\"" + std::string(d.kind)}},
         {With(Dir(), {"--json", "show", d.form}), d.showStatus, {"{\"formList\":"}}});
  EXPECT_EQ(before, Snapshot(Dir())) << "a file was changed";
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedCatalogueTest, ::testing::ValuesIn(kDamaged),
                         [](const auto& param) { return std::string(param.param.name); });

// Changes to the sound catalogue and every finding of each, in order (text in its message). An edit writes
// bytes at an offset, the whole file (kWhole) or after it (kAppend), or removes (kRemove) or holds it
// (kHold).
constexpr long long kWhole = -1, kAppend = -2, kRemove = -3, kHold = -4;
struct Edit {
  const char* file;
  long long at;
  std::string bytes;
};
struct Expected {
  const char* kind;
  const char* file;
  long long offset;
  const char* text = "";
};

TEST_F(CatalogueCheckTest, FindingsOfEachChangeComeInOrder) {
  const uint32_t string3 = kTable + 3 * gi::kTableSlotSize;
  const std::string dir = Dir(), two = std::string(11, '\0').replace(0, 9, "Two\nlines"), q24(24, 'Q');
  const char *A = "_F1A0A.ZLP", *M = "_F2A0A.ZLP";
  // clang-format off
  const std::vector<std::tuple<const char*, std::vector<Edit>, std::vector<Expected>>> scenarios = {
      {"empty lists", {{kF, kWhole, FormListFile({}, {})}, {kG, kWhole, GroupNameListFile({})}}, {}},
      // Longest name and description, lowest file entry id, texts of 260; names differing
      // in case; file entries sharing a name, or naming a group info file (not followed).
      {"limits and what is no fault",
       {{kF, Rec(0, kName), std::string(24, 'M') + '\0'}, {kF, Rec(2, kDesc), std::string(255, 'd') + '\0'},
        {kF, Rec(4, 0), Bytes().I32(-256).str()}, {kF, Rec(2, kName), std::string("LETTER\0", 7)},
        {kF, Rec(4, kName), "P"},
        {kG, kWhole, GroupNameListFile({kL, kI, dir + kI, dir, std::string(260, '7')})},
        {kL, kWhole,
         GroupInfoFile({{DriverSettingsBlock().Record(2), 0}}, {M, std::string(260, 'E')}, -1, 1)},
        {A, kRemove, ""}},
       {{k::kOverlayMissing, A, -1}}},
      {"several faults in file, record and field order",
       {{kF, Rec(1, kLayer), "\x07"}, {kF, Rec(2, kName), std::string("Letter\0", 7)},
        {kF, Rec(2, 0), Bytes().I32(-3).str()}, {kI, gi::kPreviewStringOffset, Bytes().U32(6).str()},
        {kI, string3, Bytes().U32(5000).str()}, {kI, kName0, Bytes().I32(-7).str()}, {kRaw, kRemove, ""},
        {M, kRemove, ""}},
       {{k::kBadRecord, kF, Rec(1, kLayer)}, {k::kBadRecord, kF, Rec(2, 0), "-3"},
        {k::kDuplicateName, kF, Rec(2, kName)}, {k::kStringIndexOutOfRange, kI, gi::kPreviewStringOffset},
        {k::kStringIndexOutOfRange, kI, kName0}, {k::kTextOutOfPool, kI, string3},
        {k::kOverlayMissing, kRaw, -1, "_F1A.FGP"}, {k::kOverlayMissing, M, -1}}},
      {"a shared entry's group is checked once",
       {{kF, Rec(2, kGroup), Bytes().U32(2).str()}, {A, kRemove, ""}},
       {{k::kSharedGroupEntry, kF, Rec(2, kGroup)}, {k::kUnusedGroupEntry, kG, Slot(3)},
        {k::kOverlayMissing, A, -1}}},
      {"a form list of the wrong size has its records checked",
       {{kF, kAppend, "xyz"}, {kF, Rec(0, kLayer), std::string(1, '\0')}, {kL, kRemove, ""}},
       {{k::kBadSize, kF, kCount,
         "named-form count 3 and file-entry count 2 give 1485 bytes, but the file is 1488"},
        {k::kBadRecord, kF, Rec(0, kLayer)}, {k::kGroupInfoMissing, kL, -1, "Letter"}}},
      {"names compare on 24 characters (the 25th is no terminator)",
       {{kF, Rec(1, kName), q24 + "1"}, {kF, Rec(2, kName), q24 + "2"}},
       {{k::kBadRecord, kF, Rec(1, kName)}, {k::kBadRecord, kF, Rec(2, kName)},
        {k::kDuplicateName, kF, Rec(2, kName)}}},
      {"control characters stay on the line",
       {{kF, Rec(1, kName), two}, {kF, Rec(2, kName), two}},
       {{k::kDuplicateName, kF, Rec(2, kName),
         "record 2 (id 3): named form \"Two\\x0Alines\" has the name of record 1"}}},
      {"a file larger than the limit is not read",
       {{kG, kAppend, std::string(zvcat::kLargestFile, '\0')}}, {{k::kCannotOpen, kG, -1}}},
      {"a group info file held by a writer cannot be opened", {{kL, kHold, ""}}, {{k::kCannotOpen, kL, -1}}}};
  // clang-format on
  for (const auto& [name, edits, expected] : scenarios) {
    SCOPED_TRACE(name);
    WriteFiles(dir, Catalogue(dir).Build());
    std::unique_ptr<FileHolder> writer;
    for (const Edit& e : edits) {
      std::string bytes = FileBytes(Path(e.file));
      if (e.at == kHold) {
        writer = std::make_unique<FileHolder>(Path(e.file), plat::kAccessReadWrite, plat::kShareNone);
        ASSERT_TRUE(writer->Opened());
      }
      if (e.at == kRemove) RemoveFile(Path(e.file));
      if (e.at >= 0) bytes.replace(e.at, e.bytes.size(), e.bytes);
      if (e.at >= kAppend)
        WriteWholeFile(Path(e.file), e.at == kWhole ? e.bytes : e.at == kAppend ? bytes + e.bytes : bytes);
    }
    const auto findings = Check();
    ASSERT_EQ(expected.size(), findings.size()) << Describe(findings);
    for (size_t i = 0; i < findings.size(); ++i) {
      const Expected& x = expected[i];
      EXPECT_EQ(x.kind + (" " + Path(x.file)) + " @" + std::to_string(x.offset),
                findings[i].kind + " " + findings[i].file + " @" + std::to_string(findings[i].offset));
      EXPECT_NE(std::string::npos, findings[i].message.find(x.text)) << findings[i].message;
    }
  }
  // The program on the sound catalogue.
  ExpectRuns({{With(dir, {"check"}), 0, {": the catalogue is sound.\n"}},
              {With(dir, {"--json", "check"}), 0, {"\"sound\":true,\"findings\":[]}"}}});
}

// Forms are found by exact name first, then by identifier.
TEST_F(CatalogueCheckTest, ShowFindsByExactNameThenByIdentifier) {
  WriteExampleCatalogue(Dir());
  const std::pair<const char*, int> rows[] = {
      {"INVOICE", 1}, {"2", 2}, {"-2", -2}, {"LOGO.ZLP", 0}, {"invoice", 0},    {"INVOICE ", 0},
      {"SEAL", 0},    {"3", 0}, {"1x", 0},  {"", 0},         {"99999999999", 0}};
  for (const auto& row : rows) {
    const zvcat::FormView view = zvcat::ShowForm(Lists(), row.first);
    EXPECT_EQ(row.second, view.found ? view.form.id : 0) << row.first;
  }
  WriteFiles(Dir(), {{"FORMS.FLT", FormListFile({{1, "2", "", 1, 1}, {2, "TWO", "", 1, 1}}, {})}});
  EXPECT_EQ(1, zvcat::ShowForm(Lists(), "2").form.id);
}

// Separators at every level; every byte escaped into ASCII JSON, 0x80 up as the code point of that number.
TEST(JsonWriterTest, SeparatesAndEscapes) {
  zvcat::JsonWriter j;
  j.BeginObject().Key("a").Number(-1).Key("b").BeginArray();
  j.Bool(true).Bool(false).Null().BeginObject().EndObject().BeginArray().EndArray().Number(4294967295LL);
  j.EndArray().Key("c").BeginObject().Key("caf\xE9").String(
      std::string("a\"b\\c/\b\f\n\r\t\x01\x1f\x7f\0", 15));
  j.Key("d").String("\x80\x9F\xA0\xFF").EndObject().EndObject();
  EXPECT_EQ(
      "{\"a\":-1,\"b\":[true,false,null,{},[],4294967295],\"c\":{\"caf\\u00e9\":"
      "\"a\\\"b\\\\c/\\b\\f\\n\\r\\t\\u0001\\u001f\\u007f\\u0000\",\"d\":\"\\u0080\\u009f\\u00a0\\u00ff\"}}",
      j.str());
}

// The example catalogue, also as the lists the system directory's configuration names.
class ZvcatProgramTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    WriteExampleCatalogue(Dir());
    WriteFormList(FileBytes(Path("FORMS.FLT")));
    WriteGroupList(FileBytes(Path("GROUPS.GLT")));
  }
};

// Run in the catalogue's directory, the output names no directory: show and the JSON list compare whole.
// The help's example is the program's own list, indented by two blanks.
TEST_F(ZvcatProgramTest, HelpShowAndListInTextAndJson) {
  const Files before = Snapshot(Dir());
  const ProgramRun listed = RunZvcat(With("", {"list"}), Dir());
  ASSERT_EQ(0, listed.status) << listed.output;
  EXPECT_NE(std::string::npos,
            listed.output.find("\n1   INVOICE   front  Invoice with logo  \"_F301A.FGP\"   _F301A.FGP\n"));
  std::string indented = "  zvcat --lists FORMS.FLT GROUPS.GLT list\n";
  for (size_t at = 0, end; at < listed.output.size(); at = end + 1) {
    end = listed.output.find('\n', at);
    indented += (end == at ? "" : "  ") + listed.output.substr(at, end - at) + "\n";
  }
  const std::string usage =
      "Usage: zvcat [--config FILE | --lists FORMLIST GROUPLIST] [--json]\n"
      "             [--driver MODULE [--device NAME]] [--to DIR] COMMAND\n";
  std::string front =
      "    Settings:           mark 1, layer %, mode level 3, model 7, paper 2100 x 2970 (11, 12) code 9, "
      "orientation %, resolution %00, colour %, printing mode %, pages per sheet %, "
      "output 2200 x 3000 (21, 22) code 9, zoom %\n";
  std::string back = front;
  for (const char* value : {"1", "1", "6", "2", "0", "0", "100"}) front.replace(front.find('%'), 1, value);
  for (const char* value : {"2", "2", "3", "1", "2", "2", "71"}) back.replace(back.find('%'), 1, value);
  ExpectRuns(
      {{{"--help"}, 0, {usage, indented}},
       {{"-h"}, 0, {usage, indented}},
       {With("", {"show", "INVOICE"}),
        0,
        {"Form name list:         FORMS.FLT\nGroup name list:        GROUPS.GLT\n\n"
         "Form:                   INVOICE\nIdentifier:             1 (named form)\n"
         "Description:            Invoice with logo\nLayer:                  front (1)\n"
         "Group index:            0\nGroup text:             \"_F301A.FGP\"\n"
         "Resolved:               _F301A.FGP (exists)\n\nGroup info file:        _F301A.FGP\n"
         "  Strings:              4\n  Entries:              2\n  Pool size:            52\n"
         "  First group string:   \"Plateau 2 (entr\351e)\"\n"
         "  Preview file:         \"_F301A.PBF\" -> _F301A.PBF (missing)\n  Edited file:          none\n\n"
         "  Overlay 0: Negro,600dpi, ,100%, , -\n    File:               \"INV1.ZLP\" -> INV1.ZLP (exists)\n"
         "    Header:             yes\n    Description:        Invoice page 1\n    Layer:              front "
         "(1)\n" +
         front +
         "\n  Overlay 1: Color,300dpi,Alta calidad, , , 2P\xE1ginas\n"
         "    File:               \"INV2.ZLC\" -> INV2.ZLC (exists)\n"
         "    Header:             no (raw data)\n    Description:        Invoice page 2, raw\n"
         "    Layer:              front (1)\n" +
         back},
        true},
       {With("", {"--json", "list"}),
        0,
        {"{\"formList\":{\"path\":\"FORMS.FLT\",\"state\":\"read\"},\"groupList\":{\"path\":\"GROUPS.GLT\","
         "\"state\":\"read\"},\"forms\":[{\"id\":1,\"fileEntry\":false,\"name\":\"INVOICE\","
         "\"description\":\"Invoice with logo\",\"layer\":1,\"groupIndex\":0,\"groupText\":\"_F301A.FGP\","
         "\"groupPath\":\"_F301A.FGP\"},{\"id\":2,\"fileEntry\":false,\"name\":\"Letter\","
         "\"description\":\"Letterhead\",\"layer\":2,\"groupIndex\":1,\"groupText\":\"D:\\\\LETTERS\\\\\","
         "\"groupPath\":\"D:\\\\LETTERS\\\\\"},{\"id\":-1,\"fileEntry\":true,\"name\":\"LOGO.ZLP\","
         "\"description\":\"Logo\",\"layer\":1,\"groupIndex\":2,\"groupText\":\"LOGO.ZLP\","
         "\"groupPath\":\"LOGO.ZLP\"},{\"id\":-2,\"fileEntry\":true,\"name\":\"SEAL\","
         "\"description\":\"Seal on printer\",\"layer\":1,\"groupIndex\":3,\"groupText\":\"7\","
         "\"groupPath\":\"7\"}]}\n"},
        true},
       {With("", {"show", "-2"}),
        0,
        {"-2 (file entry)\n", "Resolved:               7 (an overlay number)\n"}},
       {With("", {"show", "-1"}),
        0,
        {"Resolved:               LOGO.ZLP (exists)\nHeader:                 yes\n"
         "Overlay description:    Logo\nOverlay layer:          front (1)\n"}},
       {With("", {"--json", "show", "1"}),
        0,
        {"\"stringCount\":4,\"entryCount\":2,\"poolSize\":52,\"firstString\":\"Plateau 2 (entr\\u00e9e)\"",
         "\"fileName\":\"INV2.ZLC\"", "\"hasHeader\":false,\"description\":\"Invoice page 2, raw\""}}},
      Dir());
  EXPECT_EQ(before, Snapshot(Dir())) << "zvcat changed a file";
}

// The catalogue named by a configuration file, by the system directory's (unchanged; without it nothing is
// located or created), with the driver's paper list; and each usage error.
TEST_F(ZvcatProgramTest, ConfigDriverAndUsageErrors) {
  WriteFiles(Dir(), {{"ZVLMN3.DAT", "[ENVIRONMENT]\r\nUSER=SUPPORT\r\n[SUPPORT]\r\nFormName=" +
                                        Path("FORMS.FLT") + "\r\nGroupName=" + Path("GROUPS.GLT") + "\r\n"},
                     {"OTHER.DAT", "[ENVIRONMENT]\r\nUSER=OTHER\r\n[SUPPORT]\r\nFormName=A.FLT\r\n"}});
  const std::string driver =
      SampleDriverIn(Dir(),
                     "[Driver]\nModels = 1\n[Model 1]\nPaper = 8, 2970, 4200, 2886, 4116, A3 297 x 420 mm\n"
                     "Paper = 9, 2100, 2970, 2016, 2886, A4 of the device\n");
  const std::vector<zv::PaperEntry> papers = {{1, 2970, 4200, 2886, 4116, 8, "A3 297 x 420 mm"},
                                              {1, 2100, 2970, 2016, 2886, 9, "A4 of the device"}};
  char line[zv::kOverlayLineSize];
  zv::BuildOverlayLine(kExample0, papers.data(), 2, true, line);
  ASSERT_NE(nullptr, std::strstr(line, "A4 of the device")) << line;
  const std::string config = FileBytes(SystemPath("ZVLMN3.DAT")), lists = "Form name list:         ";
  std::vector<Case> cases = {
      {{"show", "INVOICE"}, 0, {lists + FormListPath() + "\n", "  Entries:              2\n"}},
      {{"--config", HostPath(Path("ZVLMN3.DAT")), "list"}, 0, {lists + Path("FORMS.FLT")}},
      {With(Dir(), {"--driver", HostPath(driver), "--device", kSampleDevice, "show", "1"}),
       0,
       {"  Overlay 0: " + std::string(line) + "\n"}},
      {With(Dir(), {"--driver", HostPath(Path("NOSUCH.DLL")), "show", "1"}), 2, {"gives no paper size list"}},
      {{"--config", HostPath(Path("OTHER.DAT")), "list"}, 2, {"names no list files"}},
      {{"--config", HostPath(Path("NONE.DAT")), "check"}, 2, {"does not exist"}}};
  // Each usage error, its words split at blanks.
  for (const std::string words :
       {"", "list extra", "show", "show A B", "frobnicate", "--verbose list", "--lists A.FLT", "--config",
        "--config A.DAT --lists A.FLT A.GLT list", "--device X show 1", "--driver X.DLL list", "--driver"}) {
    std::vector<std::string> args;
    for (size_t at = 0, end; at < words.size(); at = end + 1)
      args.push_back(words.substr(at, (end = std::min(words.find(' ', at), words.size())) - at));
    cases.push_back({args, 2, {"Usage: zvcat"}});
  }
  ExpectRuns(cases);
  EXPECT_EQ(config, FileBytes(SystemPath("ZVLMN3.DAT")));
  ASSERT_TRUE(RemoveFile(SystemPath("ZVLMN3.DAT")));
  ExpectRuns({{{"list"}, 2, {"cannot locate the catalogue"}}});
  EXPECT_EQ(kMissing, FileBytes(SystemPath("ZVLMN3.DAT")));
}

// What recover takes from each damaged catalogue of the table: the forms (identifier, and ":n" overlay
// entries for a group info file), then how many items it reports lost. INVOICE's and Letter's group info
// files are not named by the naming rule, so without their group texts they are not found.
const std::map<std::string, std::string> kRecovers = {
    {"GroupListMissing", "1 2 3, lost 6"},  // the list, three groups, two file entries
    {"GroupListBadMagic", "1 2 3, lost 6"},
    {"FormListOneByteLong", "1:3 2:1 3 -1 -2"},
    {"GroupCountWraps", "1 2 3, lost 5"},
    {"GroupInfoOneByteShort", "1:2 2:1 3 -1 -2, lost 1"},  // the entry whose name ended the pool
    {"NamedFormIdZero", "2:1 3 -1 -2, lost 1"},
    {"FileEntryIdBelowRange", "1:3 2:1 3 -1, lost 1"},
    {"DescUnterminated", "1:3 2:1 -1 -2, lost 1"},
    {"LayerThree", "1:3 3 -1 -2, lost 1"},
    {"DuplicateNamedId", "1:3 2:1 -1 -2, lost 1"},
    {"DuplicateName", "1:3 2:1 -1 -2, lost 1"},
    {"GroupIndexHigh", "1:3 2 3 -1 -2, lost 1"},
    {"SharedGroupEntry", "1:3 2:1 3 -1 -2"},
    {"GroupInfoShared", "1:3 2:1 3:3 -1 -2"},  // Memo gets a group of its own with INVOICE's overlays
    {"UnusedEntry", "1:3 2:1 3 -1 -2"},
    {"GroupTextRunsPastPool", "1:3 2 3 -1 -2, lost 1"},
    {"GroupTextTooLong", "1:3 2:1 3 -1, lost 1"},
    {"FirstIndexNegative", "1:3 2:1 3 -1 -2, lost 1"},
    {"GroupInfoMissing",
     "1:2 2:1 3 -1 -2, lost 1"},  // from the overlay files named after it: not the raw one
    {"OverlayMissing", "1:2 2:1 3 -1 -2, lost 1"},
};

std::string Recovered(const zvcat::Recovery& r) {
  std::string s;
  for (const zvcat::RecoveredForm& f : r.forms)
    s += (s.empty() ? "" : " ") + std::to_string(f.id) +
         (f.hasGroupInfo ? ":" + std::to_string(f.overlays.size()) : "");
  return s + (r.lost.empty() ? "" : ", lost " + std::to_string(r.lost.size()));
}

// Recovers into NEW\ beside the damaged catalogue: the new catalogue is sound, holds what the row says,
// and no byte of the damaged one changed.
TEST_P(DamagedCatalogueTest, RecoversWhatItStillHolds) {
  const DamagedCatalogue& d = GetParam();
  d.write(Dir());
  const auto before = Snapshot(Dir());
  zvcat::Recovery r = zvcat::PlanRecovery(Lists(), "");
  std::string error;
  ASSERT_TRUE(zvcat::WriteRecovery(&r, Path("NEW"), "", &error)) << error;
  EXPECT_EQ(before, Snapshot(Dir())) << "a file of the catalogue was changed";
  EXPECT_EQ(Describe(zvcat::CheckCatalogue({Path("NEW\\ZVLMN3.FLT"), Path("NEW\\ZVLMN3.GLT")})), "");
  EXPECT_EQ(Recovered(r), kRecovers.at(d.name));
  // The program as a user runs it, on one row (runs are slow on Wine): a report of each kind, then a
  // directory that is not empty, and recover without one.
  if (d.name != std::string("GroupInfoMissing")) return;
  const std::string lost =
      Path("_F1A.FGP") + ": the group info file " + Path("_F1A.FGP") + ": it does not exist";
  ExpectRuns(
      {{With(Dir(), {"recover", "--to", HostPath(Path("TEXT"))}),
        1,
        {"5 forms and file entries, 3 overlay entries recovered; 1 items lost\n",
         "  named form 2 \"Letter\" from " + Path("FORMS.FLT") + ":325; group \"_F2A.FGP\" from ",
         "    overlay " + Path("_F1A0C.ZLP") + " from " + Path("_F1A0C.ZLP") + ":285\n", "Lost:\n  " + lost}},
       {With(Dir(), {"--json", "--to", HostPath(Path("JSON")), "recover"}),
        1,
        {"{\"to\":", "\"complete\":false,", "{\"kind\":\"file-entry\",\"id\":-2,\"name\":\"C\","}},
       {With(Dir(), {"recover", "--to", HostPath(Path("TEXT"))}), 2, {"is not a new or empty directory"}},
       {With(Dir(), {"recover"}), 2, {"Usage: zvcat"}},
       {With(Dir(), {"--to", HostPath(Path("X")), "check"}), 2, {"Usage: zvcat"}}});
  // Relative names, in the catalogue's directory: the new catalogue names the old files from anywhere.
  ExpectRuns({{{"--lists", "FORMS.FLT", "GROUPS.GLT", "recover", "--to", "REL"}, 1, {"Written:"}}}, Dir());
  ExpectRuns({{{"--lists", HostPath(Path("TEXT\\ZVLMN3.FLT")), HostPath(Path("TEXT\\ZVLMN3.GLT")), "check"},
               0,
               {"sound"}},
              {{"--config", HostPath(Path("REL\\ZVLMN3.DAT")), "check"}, 0, {"sound"}}});
  EXPECT_EQ(before, Snapshot(Dir())) << "the program changed a file of the catalogue";
}

// A catalogue named by the naming rule (_F3, three hexadecimal digits, two more for each overlay), with files
// deleted outright: recover finds the groups by their names, and the forms by their overlays' headers when
// the form name list is gone. The new files are compared byte for byte.
TEST_F(CatalogueCheckTest, RecoverFindsWhatTheNamingRuleNames) {
  const std::string front = DriverSettingsBlock().Record(zv::kLayerFront),
                    at300 = At300().Record(zv::kLayerFront),
                    back = DriverSettingsBlock().Record(zv::kLayerBack);
  const Files sound = {
      {"FORMS.FLT",
       FormListFile({{1, "INVOICE", "Monthly", 1, 0}, {2, "Letter", "", 2, 1}}, {{-1, "P", "", 1, 2}}, 1)},
      {"GROUPS.GLT", GroupNameListFile({"_F3001.FGP", "_F3002.FGP", "LOGO.ZLP"})},
      {"_F3001.FGP", GroupInfoFile({{front, 0}, {at300, 1}}, {"_F300100.ZLP", "_F300101.ZLP"})},
      {"_F3002.FGP", GroupInfoFile({{back, 0}}, {"_F300200.ZLP"})},
      {"_F300100.ZLP", OverlayDataFile("INVOICE", "Monthly", front)},
      {"_F300101.ZLP", OverlayDataFile("INVOICE", "Monthly", at300)},
      {"_F300200.ZLP", OverlayDataFile("Letter", "", back)},
      {"LOGO.ZLP", OverlayDataFile("P", "", front)}};
  const std::string invoice =
                        GroupInfoFile({{front, 0}, {at300, 1}}, {Path("_F300100.ZLP"), Path("_F300101.ZLP")}),
                    letter = GroupInfoFile({{back, 0}}, {Path("_F300200.ZLP")});
  const std::string both = FormListFile({{1, "INVOICE", "Monthly", 1, 0}, {2, "Letter", "", 2, 1}}, {}, 0);
  struct Row {
    std::vector<std::string> deleted;
    Files recovered;  // the new lists and group info files
    size_t lost;
    Files changed = {};
  } rows[] = {
      {{},
       {{"ZVLMN3.FLT", sound.at("FORMS.FLT")},
        {"ZVLMN3.GLT", GroupNameListFile({"_F3001.FGP", "_F3002.FGP", Path("LOGO.ZLP")})},
        {"_F3001.FGP", invoice},
        {"_F3002.FGP", letter}},
       0},
      // The file entry goes with the form name list (1), or with the group name list's text (2).
      {{"FORMS.FLT"},
       {{"ZVLMN3.FLT", both},
        {"ZVLMN3.GLT", GroupNameListFile({"_F3001.FGP", "_F3002.FGP"})},
        {"_F3001.FGP", invoice},
        {"_F3002.FGP", letter}},
       1},
      {{"GROUPS.GLT"},
       {{"ZVLMN3.FLT", FormListFile({{1, "INVOICE", "Monthly", 1, 0}, {2, "Letter", "", 2, 1}}, {}, 1)},
        {"ZVLMN3.GLT", GroupNameListFile({"_F3001.FGP", "_F3002.FGP"})},
        {"_F3001.FGP", invoice},
        {"_F3002.FGP", letter}},
       2},
      // A group info file gone: its entries from its overlay files' headers.
      {{"_F3001.FGP"},
       {{"ZVLMN3.FLT", sound.at("FORMS.FLT")},
        {"ZVLMN3.GLT", GroupNameListFile({"_F3001.FGP", "_F3002.FGP", Path("LOGO.ZLP")})},
        {"_F3001.FGP", invoice},
        {"_F3002.FGP", letter}},
       1},
      // All three: the overlay data files alone tell the forms.
      {{"FORMS.FLT", "GROUPS.GLT", "_F3001.FGP", "_F3002.FGP"},
       {{"ZVLMN3.FLT", both},
        {"ZVLMN3.GLT", GroupNameListFile({"_F3001.FGP", "_F3002.FGP"})},
        {"_F3001.FGP", invoice},
        {"_F3002.FGP", letter}},
       2},
      // Texts whose full paths would not fit 260 characters: Letter takes the group of its identifier, the
      // file entry is lost.
      {{},
       {{"ZVLMN3.FLT", FormListFile({{1, "INVOICE", "Monthly", 1, 0}, {2, "Letter", "", 2, 1}}, {}, 1)},
        {"ZVLMN3.GLT", GroupNameListFile({"_F3001.FGP", "_F3002.FGP"})},
        {"_F3001.FGP", invoice},
        {"_F3002.FGP", letter}},
       1,
       {{"GROUPS.GLT",
         GroupNameListFile({"_F3001.FGP", std::string(255, 'S'), std::string(251, 'L') + ".ZLP"})}}},
      // A zero byte ends a text, as the module reads it: Letter's group is its group info file.
      {{},
       {{"ZVLMN3.FLT", sound.at("FORMS.FLT")},
        {"ZVLMN3.GLT", GroupNameListFile({"_F3001.FGP", "_F3002.FGP", Path("LOGO.ZLP")})},
        {"_F3001.FGP", invoice},
        {"_F3002.FGP", letter}},
       0,
       {{"GROUPS.GLT", GroupNameListFile({"_F3001.FGP", std::string("_F3002.FGP\0.ZLP", 15), "LOGO.ZLP"})}}},
      // Identifiers of 4096 and above share "000": form 5000's group is found without its group text.
      {{"GROUPS.GLT"},
       {{"ZVLMN3.FLT", FormListFile({{5000, "BIG", "", 1, 0}}, {}, 0)},
        {"ZVLMN3.GLT", GroupNameListFile({"_F3000.FGP"})},
        {"_F3000.FGP", GroupInfoFile({{front, 0}}, {Path("_F300000.ZLP")})}},
       1,
       {{"FORMS.FLT", FormListFile({{5000, "BIG", "", 1, 0}}, {}, 0)},
        {"_F3000.FGP", GroupInfoFile({{front, 0}}, {"_F300000.ZLP"})},
        {"_F300000.ZLP", OverlayDataFile("BIG", "", front)}}},
  };
  for (const Row& row : rows) {
    RemoveTree(HostPath(Path("NEW")));
    for (const auto& f : Snapshot(Dir())) RemoveFile(Path(f.first));
    Files files = sound;
    for (const std::string& name : row.deleted) files.erase(name);
    for (const auto& [name, bytes] : row.changed) files[name] = bytes;
    WriteFiles(Dir(), files);
    zvcat::Recovery r = zvcat::PlanRecovery(Lists(), "");
    std::string error;
    ASSERT_TRUE(zvcat::WriteRecovery(&r, Path("NEW"), "", &error)) << error;
    EXPECT_EQ(Snapshot(Dir()), files) << row.deleted.size();
    Files written = Snapshot(Path("NEW\\"));
    EXPECT_EQ(written.count("ZVLMN3.DAT"), 1u);
    written.erase("ZVLMN3.DAT");
    EXPECT_EQ(written, row.recovered) << row.deleted.size();
    EXPECT_EQ(r.lost.size(), row.lost) << row.deleted.size();
    zvcat::CataloguePaths lists;
    ASSERT_TRUE(zvcat::ListFilesFromConfiguration(Path("NEW\\ZVLMN3.DAT"), &lists, &error)) << error;
    EXPECT_EQ(lists.formList, Path("NEW\\ZVLMN3.FLT"));
    EXPECT_EQ(Describe(zvcat::CheckCatalogue(lists)), "");
  }
}

}  // namespace
}  // namespace zvtest
