// zvcat: the checker on a sound catalogue built byte by byte and on one copy
// of it per kind of damage (the fault first, where it is; several in file,
// record and field order, without those that only follow from another; no
// file changed), how show finds a form, the JSON writer, and the program run
// as a user runs it: each command in text and JSON, the three ways of naming
// the catalogue, each exit status.
#ifndef _WIN32
#include <sys/wait.h>

#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <tuple>

#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "catalogue_check.h"
#include "catalogue_view.h"
#include "json_writer.h"
#include "platform/platform.h"
#include "support/catalogue_bytes.h"
#include "support/catalogue_files.h"
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
void Fill(std::string& b, uint32_t at, uint32_t size, char c) {
  b.replace(at, size, size, c);
}
std::string Overlay(const std::string& description, const std::string& record) {
  return OverlayDataFile("INVOICE", description, record, "captured page data");
}

// INVOICE (id 1): group info _F1A.FGP by full path, overlays with a header, a
// raw one by full path, first text, edited and preview files. Letter (id 2):
// _F2A.FGP beside the group list. Memo (id 3): a save directory. File entries
// -1 "P" (an overlay data file) and -2 "C" (overlay number 7).
struct Catalogue {
  std::vector<FormSpec> named{{1, "INVOICE", "Monthly invoice", zv::kLayerFront, 2},
                              {2, "Letter", "Letter head", zv::kLayerBack, 0},
                              {3, "Memo", "", zv::kLayerFront, 3}};
  std::vector<FormSpec> files{{-1, "P", "", zv::kLayerFront, 4}, {-2, "C", "", zv::kLayerFront, 1}};
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
    return {
        {"FORMS.FLT", FormListFile(named, files, 2)},
        {"GROUPS.GLT", GroupNameListFile(texts)},
        {"_F1A.FGP", GroupInfoFile(entries, infoTexts, first, edited, preview)},
        {"_F1A0A.ZLP", Overlay("Monthly invoice", front)},
        {"_F1A0B.ZLC", Bytes().U8(zv::overlay_data::kRawMarker).Text(zv::overlay_data::kSignature600).str()},
        {"_F1A0C.ZLP", Overlay("Monthly invoice", InColour().Record(zv::kLayerFront))},
        {"EDIT.ZLP", Overlay("edited", front)},
        {"PREVIEW.ZLP", Overlay("preview", front)},
        {"_F2A.FGP", GroupInfoFile({{back, 0}}, {"_F2A0A.ZLP"})},
        {"_F2A0A.ZLP", OverlayDataFile("Letter", "Letter head", back, "page")},
        {"LOGO.ZLP", OverlayDataFile("P", "", front, "page")}};
  }
};

void WriteFiles(const std::string& dir, const Files& files) {
  for (const auto& f : files) ASSERT_TRUE(WriteWholeFile(dir + f.first, f.second)) << f.first;
}

constexpr long long Rec(uint32_t i, uint32_t field) {
  return fl::kHeaderSize + fl::kRecordSize * i + field;
}
constexpr long long Slot(uint32_t entry) {
  return gl::kOffsetTableOffset + gl::kTableSlotSize * entry;
}
constexpr uint32_t kPool = Slot(5), kTable = gi::kEntriesOffset + gi::kEntrySize * 3;
constexpr uint32_t kName = fl::kNameOffset, kDesc = fl::kDescriptionOffset, kGroup = fl::kGroupIndexOffset;
constexpr uint32_t kGroup1 = Rec(1, kGroup), kFirst = gi::kFirstStringOffset,
                   kEdited = gi::kEditedFileStringOffset;
constexpr uint32_t kName1 = gi::kEntriesOffset + gi::kEntrySize + gi::kEntryFileNameOffset;
constexpr long long kCount = fl::kNamedCountOffset, kGCount = gl::kEntryCountOffset,
                    kICount = gi::kEntryCountOffset;
constexpr char kF[] = "FORMS.FLT", kG[] = "GROUPS.GLT", kI[] = "_F1A.FGP", kL[] = "_F2A.FGP",
               kRaw[] = "_F1A0B.ZLC";
const std::string kLong(plat::kMaxPath + 1, '7');
// What show prints of a list or group info file its readers refuse.
constexpr char kFD[] = "FORMS.FLT  (cannot be read: damaged", kGD[] = "GROUPS.GLT  (cannot be read: damaged",
               kID[] = "_F1A.FGP  (cannot be read: damaged", kEntry0[] = "(unreadable entry 0)",
               kEntry5[] = "(unreadable entry 5)", kString6[] = "(unreadable string 6)",
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
  std::function<void(const std::string& dir)> write;  // the whole catalogue
};

// A row whose damage changes the catalogue's fields (C), or its bytes (F).
DamagedCatalogue Row(const char* name, const char* kind, const char* file, long long at, size_t n,
                     const char* form, int status, const char* shows, void (*edit)(Catalogue&),
                     void (*change)(Files&)) {
  return {name, kind, file, at, n, form, status, shows, [edit, change](const std::string& dir) {
            Catalogue c(dir);
            if (edit) edit(c);
            Files f = c.Build();
            if (change) change(f);
            WriteFiles(dir, f);
          }};
}
#define C(name, kind, file, at, n, form, status, shows, ...) \
  Row(                                                       \
      #name, k::kind, file, at, n, form, status, shows, [](Catalogue& c) { __VA_ARGS__; }, nullptr)
#define F(name, kind, file, at, n, form, status, shows, ...)                    \
  Row(#name, k::kind, file, at, n, form, status, shows, nullptr, [](Files& f) { \
    [[maybe_unused]] constexpr long long here = at;                             \
    __VA_ARGS__;                                                                \
  })

// Each row: its name, the first finding's kind, file and offset, how many
// findings, the form show is asked for, show's exit status and a line of its
// output, then the damage.
std::vector<DamagedCatalogue> MakeTable() {
  return {
    // clang-format off
F(GroupListMissing, kCannotOpen, kG, -1, 1, "1", 1, "GROUPS.GLT  (missing", f.erase(kG)),
F(FormListBadMagic, kBadMagic, kF, 0, 1, "1", 1, kFD, f[kF][10] = 'f'; f.erase(kI)),
F(GroupListBadMagic, kBadMagic, kG, 0, 1, "1", 1, kGD, f[kG][27] = '1'; Put(f[kF], kGroup1, 99); f.erase(kI)),
F(GroupInfoBadMagic, kBadMagic, kI, 0, 1, "1", 1, kID, f[kI][0] = 'X'),
F(GroupListShort, kBadSize, kG, -1, 1, "1", 1, kGD, f[kG].resize(gl::kMagicSize)),
F(FormListOneByteLong, kBadSize, kF, kCount, 1, "1", 1, kFD, f[kF] += '\0'),
F(LastRecordCut, kBadSize, kF, kCount, 1, "1", 1, kFD, f[kF].resize(Rec(4, 145))),
F(GroupPoolSizeHigh, kBadSize, kG, kGCount, 1, "1", 1, kGD, f[kG][gl::kPoolSizeOffset]++),
F(GroupCountWraps, kBadSize, kG, kGCount, 1, "1", 1, kGD, Put(f[kG], here, 5 + 0x40000000u)),
F(GroupInfoOneByteShort, kBadSize, kI, kICount, 1, "1", 1, kID, f[kI].pop_back()),
F(GroupInfoCountWraps, kBadSize, kI, kICount, 1, "1", 1, kID, Put(f[kI], here, 0x80000003u)),
C(NamedFormIdZero, kBadRecord, kF, Rec(0, 0), 1, "1", 1, kNoForm, c.named[0].id = 0),
C(FileEntryIdPositive, kBadRecord, kF, Rec(3, 0), 1, "4", 0, "4 (file entry)", c.files[0].id = 4),
C(FileEntryIdBelowRange, kBadRecord, kF, Rec(4, 0), 1, "-257", 0, "-257 (file", c.files[1].id = -257),
F(NameUnterminated, kBadRecord, kF, Rec(0, kName), 1, "1", 0, " NNNNNNNN", Fill(f[kF], here, 25, 'N')),
F(DescriptionUnterminated, kBadRecord, kF, Rec(2, kDesc), 1, "3", 0, " ddd", Fill(f[kF], here, 256, 'd')),
C(LayerThree, kBadRecord, kF, Rec(1, fl::kLayerOffset), 1, "2", 0, " 3 (3)\n", c.named[1].layer = 3),
C(DuplicateNamedId, kDuplicateId, kF, Rec(2, 0), 1, "2", 0, " Letter\n", c.named[2].id = 2),
C(DuplicateName, kDuplicateName, kF, Rec(2, kName), 1, "Letter", 0, " 2 (named", c.named[2].name = "Letter"),
C(GroupIndexOutOfRange, kGroupIndexOutOfRange, kF, kGroup1, 2, "2", 0, kEntry5, c.named[1].groupIndex = 5),
C(SharedGroupEntry, kSharedGroupEntry, kF, Rec(4, kGroup), 2, "-2", 0, "   4\n", c.files[1].groupIndex = 4),
// Memo's text names INVOICE's group info file beside the list, spelt otherwise.
C(GroupInfoShared, kSharedGroupInfo, kG, Slot(3), 1, "3", 0, "\"_f1a.fgp\"", c.texts[3] = "_f1a.fgp"),
C(UnusedEntry, kUnusedGroupEntry, kG, Slot(5), 1, "1", 0, "Entries:    ", c.texts.push_back("SPARE.FGP")),
F(GroupTextOffsetOutsidePool, kTextOutOfPool, kG, Slot(0), 1, "2", 0, kEntry0, Put(f[kG], here, 0x10000)),
F(GroupTextRunsPastPool, kTextOutOfPool, kG, kPool, 1, "2", 0, kEntry0, Put(f[kG], here, 0x7FFF, 2)),
C(GroupTextTooLong, kTextOutOfPool, kG, kPool + 10, 1, "-2", 0, "(unreadable entry 1)", c.texts[1] = kLong),
C(FirstIndexNegative, kStringIndexOutOfRange, kI, kFirst, 1, "1", 0, "string -2)", c.first = -2),
C(EditedIndexPastTable, kStringIndexOutOfRange, kI, kEdited, 1, "1", 0, kString6, c.edited = 6),
C(EntryNameIndexPastTable, kStringIndexOutOfRange, kI, kName1, 1, "1", 0, kString6, c.entries[1].second = 6),
F(InfoOffsetOutsidePool, kTextOutOfPool, kI, kTable + 8, 1, "1", 0, "string 2)", Put(f[kI], here, 0xFFFF)),
F(GroupInfoMissing, kGroupInfoMissing, kI, -1, 1, "1", 1, "_F1A.FGP  (missing", f.erase(kI)),
F(GroupInfoBesideListMissing, kGroupInfoMissing, kL, -1, 1, "2", 1, "_F2A.FGP  (missing", f.erase(kL)),
F(OverlayMissing, kOverlayMissing, "_F1A0A.ZLP", -1, 1, "1", 0, "_F1A0A.ZLP (missing", f.erase("_F1A0A.ZLP")),
F(RawOverlayByFullPathMissing, kOverlayMissing, kRaw, -1, 1, "1", 0, "_F1A0B.ZLC (missing", f.erase(kRaw)),
    // clang-format on
  };
}
#undef C
#undef F

void WriteSoundCatalogue(const std::string& dir) {
  WriteFiles(dir, Catalogue(dir).Build());
}

const std::vector<DamagedCatalogue>& DamagedCatalogues() {
  static const std::vector<DamagedCatalogue> table = MakeTable();
  return table;
}

// Front: black, 600 dpi, printing mode 0, zoom 100, one page per sheet. Back:
// colour, 300 dpi, printing mode 2, two pages per sheet at zoom 71.
std::string ExampleRecord(int which) {
  const std::string block = DriverSettingsBlock().Record(zv::kLayerFront);
  zv::PrintSettings s{};
  zv::DecodePrintSettings(reinterpret_cast<const unsigned char*>(block.data()), &s);
  s.printingMode = 0;
  if (which == 1) s.layer = 2, s.resolution = 300, s.colour = 1, s.orientation = 2, s.printingMode = 2;
  if (which == 1) s.pagesPerSheet = 2, s.zoom = 71;
  return SettingsRecordBytes(s);
}

void WriteExampleCatalogue(const std::string& dir) {
  const std::string front = ExampleRecord(0);
  WriteFiles(dir,
             {{"FORMS.FLT",
               FormListFile({{1, "INVOICE", "Invoice with logo", 1, 0}, {2, "Letter", "Letterhead", 2, 1}},
                            {{-1, "LOGO.ZLP", "Logo", 1, 2}, {-2, "SEAL", "Seal on printer", 1, 3}}, 2)},
              {"GROUPS.GLT", GroupNameListFile({"_F301A.FGP", "D:\\LETTERS\\", "LOGO.ZLP", "7"})},
              {"_F301A.FGP", GroupInfoFile({{front, 1}, {ExampleRecord(1), 2}},
                                           {"Plateau 2 (entr\xE9"
                                            "e)",
                                            "INV1.ZLP", "INV2.ZLC", "_F301A.PBF"},
                                           0, -1, 3)},
              {"INV1.ZLP", OverlayDataFile("INVOICE", "Invoice page 1", front, "page data")},
              {"INV2.ZLC",
               "\x1D"
               "0;0.24muE raw page"},
              {"INV2.ZLI", DescriptionCompanionFile("Invoice page 2, raw")},
              {"LOGO.ZLP", OverlayDataFile("LOGO.ZLP", "Logo", front, "page data")}});
}

std::string U32(uint32_t v) {
  return Bytes().U32(v).str();
}
// Every file of the directory the catalogues use, absent ones marked.
std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const char* name :
       {"FORMS.FLT", "GROUPS.GLT", "_F1A.FGP", "_F1A0A.ZLP", "_F1A0B.ZLC", "_F1A0C.ZLP", "EDIT.ZLP",
        "PREVIEW.ZLP", "_F2A.FGP", "_F2A0A.ZLP", "LOGO.ZLP", "_F301A.FGP", "INV1.ZLP", "INV2.ZLC", "INV2.ZLI",
        "_F301A.PBF", "DRIVER.INI", "ZVLMN3.DAT", "OTHER.DAT"})
    files[name] = FileBytes(dir + name);
  return files;
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

// The fault comes first; only group name entries left unused by it may follow.
TEST_P(DamagedCatalogueTest, ReportsTheFaultWhereItIs) {
  GetParam().write(Dir());
  const auto before = Snapshot(Dir());
  const auto findings = Check();
  // Listing and showing a damaged catalogue read what they can, and change nothing either.
  const zvcat::CatalogueList list = zvcat::ReadCatalogueList(Lists());
  EXPECT_EQ(list.formList == zvcat::FileState::kRead, list.forms.size() == 5);
  zvcat::ShowForm(Lists(), GetParam().form);
  EXPECT_EQ(before, Snapshot(Dir())) << "a file was changed";
  ASSERT_EQ(GetParam().findings, findings.size()) << Describe(findings);
  EXPECT_EQ(GetParam().kind + (" " + Path(GetParam().file)) + " @" + std::to_string(GetParam().offset),
            findings[0].kind + " " + findings[0].file + " @" + std::to_string(findings[0].offset));
  for (size_t i = 1; i < findings.size(); ++i) EXPECT_EQ(k::kUnusedGroupEntry, findings[i].kind);
  for (const auto& f : findings) EXPECT_TRUE(!f.message.empty() && f.message.find('\n') == std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedCatalogueTest, ::testing::ValuesIn(DamagedCatalogues()),
                         [](const auto& param) { return std::string(param.param.name); });

// Changes to the sound catalogue and every finding the check must give for
// each, in order (text, if given, is in that finding's message). An edit
// writes bytes at an offset, or with kWhole the whole file, kAppend after
// it; kRemove removes the file.
constexpr long long kWhole = -1, kAppend = -2, kRemove = -3;
struct Edit {
  const char* file;
  long long at;
  std::string bytes;
};
struct Expected {
  const char* kind;
  const char* file;
  long long offset;
  const char* text;
};

TEST_F(CatalogueCheckTest, FindingsOfEachChangeComeInOrder) {
  const char *F = "FORMS.FLT", *G = "GROUPS.GLT", *I = "_F1A.FGP", *L = "_F2A.FGP";
  const uint32_t N = fl::kNameOffset, name0 = gi::kEntriesOffset + gi::kEntryFileNameOffset,
                 string3 = gi::kEntriesOffset + 3 * gi::kEntrySize + 3 * gi::kTableSlotSize;
  const std::string dir = Dir(), two = std::string(11, '\0').replace(0, 9, "Two\nlines"), q24(24, 'Q');
  const std::vector<std::tuple<const char*, std::vector<Edit>, std::vector<Expected>>> scenarios = {
      {"empty lists", {{F, kWhole, FormListFile({}, {})}, {G, kWhole, GroupNameListFile({})}}, {}},
      // Longest name and description, lowest file entry id, texts of 260; names differing
      // in case; file entries sharing a name, or naming a group info file (not followed).
      {"limits and what is no fault",
       {{F, Rec(0, N), std::string(24, 'M') + '\0'},
        {F, Rec(2, fl::kDescriptionOffset), std::string(255, 'd') + '\0'},
        {F, Rec(4, fl::kIdOffset), Bytes().I32(-256).str()},
        {F, Rec(2, N), std::string("LETTER\0", 7)},
        {F, Rec(4, N), "P"},
        {G, kWhole, GroupNameListFile({L, I, dir + I, dir, std::string(260, '7')})},
        {L, kWhole,
         GroupInfoFile({{DriverSettingsBlock().Record(2), 0}}, {"_F2A0A.ZLP", std::string(260, 'E')}, -1, 1)},
        {"_F1A0A.ZLP", kRemove, ""}},
       {{k::kOverlayMissing, "_F1A0A.ZLP", -1, nullptr}}},
      {"several faults in file, record and field order",
       {{F, Rec(1, fl::kLayerOffset), "\x07"},
        {F, Rec(2, N), std::string("Letter\0", 7)},
        {F, Rec(2, fl::kIdOffset), Bytes().I32(-3).str()},
        {I, gi::kPreviewStringOffset, U32(6)},
        {I, string3, U32(5000)},
        {I, name0, Bytes().I32(-7).str()},
        {"_F1A0B.ZLC", kRemove, ""},
        {"_F2A0A.ZLP", kRemove, ""}},
       {{k::kBadRecord, F, Rec(1, fl::kLayerOffset), nullptr},
        {k::kBadRecord, F, Rec(2, fl::kIdOffset), "-3"},
        {k::kDuplicateName, F, Rec(2, N), nullptr},
        {k::kStringIndexOutOfRange, I, gi::kPreviewStringOffset, nullptr},
        {k::kStringIndexOutOfRange, I, name0, nullptr},
        {k::kTextOutOfPool, I, string3, nullptr},
        {k::kOverlayMissing, "_F1A0B.ZLC", -1, "_F1A.FGP"},
        {k::kOverlayMissing, "_F2A0A.ZLP", -1, nullptr}}},
      {"a shared entry's group is checked once",
       {{F, Rec(2, fl::kGroupIndexOffset), U32(2)}, {"_F1A0A.ZLP", kRemove, ""}},
       {{k::kSharedGroupEntry, F, Rec(2, fl::kGroupIndexOffset), nullptr},
        {k::kUnusedGroupEntry, G, zv::group_list::kOffsetTableOffset + 3 * 4, nullptr},
        {k::kOverlayMissing, "_F1A0A.ZLP", -1, nullptr}}},
      {"a form list of the wrong size has its records checked",
       {{F, kAppend, "xyz"}, {F, Rec(0, fl::kLayerOffset), std::string(1, '\0')}, {L, kRemove, ""}},
       {{k::kBadSize, F, fl::kNamedCountOffset,
         "named-form count 3 and file-entry count 2 give 1485 bytes, but the file is 1488 bytes long"},
        {k::kBadRecord, F, Rec(0, fl::kLayerOffset), nullptr},
        {k::kGroupInfoMissing, L, -1, "Letter"}}},
      {"names compare on 24 characters (the 25th is no terminator)",
       {{F, Rec(1, N), q24 + "1"}, {F, Rec(2, N), q24 + "2"}},
       {{k::kBadRecord, F, Rec(1, N), nullptr},
        {k::kBadRecord, F, Rec(2, N), nullptr},
        {k::kDuplicateName, F, Rec(2, N), nullptr}}},
      {"control characters stay on the line",
       {{F, Rec(1, N), two}, {F, Rec(2, N), two}},
       {{k::kDuplicateName, F, Rec(2, N),
         "record 2 (id 3): named form \"Two\\x0Alines\" has the name of record 1"}}},
      {"a file larger than the limit is not read",
       {{G, kAppend, std::string(zvcat::kLargestFile, '\0')}},
       {{k::kCannotOpen, G, -1, nullptr}}},
  };
  for (const auto& [name, edits, expected] : scenarios) {
    SCOPED_TRACE(name);
    WriteSoundCatalogue(Dir());
    for (const Edit& e : edits) {
      std::string bytes = FileBytes(Path(e.file));
      if (e.at == kRemove) RemoveFile(Path(e.file));
      if (e.at >= 0) bytes.replace(e.at, e.bytes.size(), e.bytes);
      if (e.at != kRemove)
        WriteWholeFile(Path(e.file), e.at == kWhole ? e.bytes : e.at == kAppend ? bytes + e.bytes : bytes);
    }
    const auto findings = Check();
    ASSERT_EQ(expected.size(), findings.size()) << Describe(findings);
    for (size_t i = 0; i < findings.size(); ++i) {
      const Expected& x = expected[i];
      EXPECT_EQ(x.kind + (" " + Path(x.file)) + " @" + std::to_string(x.offset),
                findings[i].kind + " " + findings[i].file + " @" + std::to_string(findings[i].offset));
      EXPECT_NE(std::string::npos, findings[i].message.find(x.text ? x.text : "")) << findings[i].message;
    }
  }
  // A group info file held by a writer cannot be opened.
  WriteSoundCatalogue(Dir());
  plat::FileHandle writer =
      plat::OpenFile(Path(L).c_str(), plat::kAccessReadWrite, plat::kShareNone, plat::kOpenExisting);
  ASSERT_NE(nullptr, writer);
  const auto findings = Check();
  plat::CloseFile(writer);
  ASSERT_EQ(1u, findings.size()) << Describe(findings);
  EXPECT_EQ(k::kCannotOpen + (" " + Path(L)), findings[0].kind + " " + findings[0].file);
}

// Forms are found by exact name first, then by identifier.
TEST_F(CatalogueCheckTest, ShowFindsByExactNameThenByIdentifier) {
  WriteExampleCatalogue(Dir());
  for (const auto& row : std::vector<std::pair<const char*, int>>{{"INVOICE", 1},
                                                                  {"2", 2},
                                                                  {"-2", -2},
                                                                  {"LOGO.ZLP", 0},
                                                                  {"invoice", 0},
                                                                  {"INVOICE ", 0},
                                                                  {"SEAL", 0},
                                                                  {"3", 0},
                                                                  {"1x", 0},
                                                                  {"", 0},
                                                                  {"99999999999", 0}}) {
    const zvcat::FormView view = zvcat::ShowForm(Lists(), row.first);
    EXPECT_EQ(row.second, view.found ? view.form.id : 0) << row.first;
  }
  ASSERT_TRUE(
      WriteWholeFile(Path("FORMS.FLT"), FormListFile({{1, "2", "", 1, 1}, {2, "TWO", "", 1, 1}}, {})));
  EXPECT_EQ(1, zvcat::ShowForm(Lists(), "2").form.id);
  EXPECT_EQ("C:\\CAT\\A.ZLP", zvcat::ResolveBesideFile("A.ZLP", "C:\\CAT\\_F301A.FGP"));
  EXPECT_EQ("D:\\X\\A.ZLP", zvcat::ResolveBesideFile("D:\\X\\A.ZLP", "C:\\CAT\\_F301A.FGP"));
  EXPECT_EQ("A.ZLP", zvcat::ResolveBesideFile("A.ZLP", "_F301A.FGP"));
}

// Separators at every level; every byte escaped into ASCII JSON, 0x80 up as
// the code point of the same number.
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

// Natively the user names files by their host paths.
std::string UserPath(const std::string& windowsPath) {
#ifdef _WIN32
  return windowsPath;
#else
  char host[4096];
  return plat::posix::ToHostPath(windowsPath.c_str(), host, sizeof host) ? host : "";
#endif
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

// Runs zvcat through the shell (cmd under Windows), in cwd if given. Natively
// the program gets the drive map and system directory this process was given
// by its fixtures.
ProgramRun RunZvcat(const std::vector<std::string>& args, const std::string& cwd = "") {
  std::string command = ZV_ZVCAT_PROGRAM;
#ifdef _WIN32
  for (char& c : command) c = c == '/' ? '\\' : c;
  command = Quote("Z:" + command);
  if (!cwd.empty()) command = "cd /d " + Quote(cwd) + " && " + command;
#else
  command = Quote(command);
  char systemDir[plat::kPathBuffer];
  if (plat::GetSystemDirectory(systemDir, sizeof systemDir) != 0)
    command = "ZV_SYSTEM_DIR=" + Quote(systemDir) + " " + command;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string host = UserPath(std::string(1, letter) + ":\\");
    if (!host.empty()) command = "ZV_DRIVE_" + std::string(1, letter) + "=" + Quote(host) + " " + command;
  }
  if (!DataDirectory().empty()) command = "ZV_DATA_DIR=" + Quote(DataDirectory()) + " " + command;
  if (!cwd.empty()) command = "cd " + Quote(UserPath(cwd)) + " && " + command;
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

// Runs, each with its exit status and texts its output must hold.
struct Case {
  std::vector<std::string> args;
  int status;
  std::vector<std::string> output;
};
void ExpectRuns(const std::vector<Case>& cases, const std::string& cwd = "") {
  for (const Case& c : cases) {
    const ProgramRun run = RunZvcat(c.args, cwd);
    std::string command;
    for (const auto& a : c.args) command += a + " ";
    EXPECT_EQ(c.status, run.status) << command << "\n" << run.output;
    for (const std::string& text : c.output)
      EXPECT_NE(std::string::npos, run.output.find(text)) << command << "lacks\n"
                                                          << text << "\nin\n"
                                                          << run.output;
  }
}
std::vector<std::string> With(const std::string& dir, std::vector<std::string> args) {
  args.insert(args.begin(), {"--lists", UserPath(dir + "FORMS.FLT"), UserPath(dir + "GROUPS.GLT")});
  return args;
}

class ZvcatProgramTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    WriteExampleCatalogue(Dir());
    before_ = Snapshot(Dir());
  }
  void TearDown() override {
    EXPECT_EQ(before_, Snapshot(Dir())) << "zvcat changed a file";
    SandboxTest::TearDown();
  }
  void Write(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(WriteWholeFile(Path(name), bytes));
    before_ = Snapshot(Dir());
  }
  std::map<std::string, std::string> before_;
};

// Run in the catalogue's directory with relative list names, the output
// names no directory, so show's text and the JSON list are compared whole.
// The help's example is the program's own text list, indented by two blanks.
TEST_F(ZvcatProgramTest, HelpShowAndListInTextAndJson) {
  const auto with = [](std::vector<std::string> args) {
    return args.insert(args.begin(), {"--lists", "FORMS.FLT", "GROUPS.GLT"}), args;
  };
  const ProgramRun listed = RunZvcat(with({"list"}), Dir());
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
      "             [--driver MODULE [--device NAME]] COMMAND\n";
  ExpectRuns({{{"--help"}, 0, {usage, indented}}, {{"-h"}, 0, {usage, indented}}});

  std::string front =
      "    Settings:           mark 1, layer %, mode level 3, model 7, paper 2100 x 2970 (11, 12) code 9, "
      "orientation %, resolution %00, colour %, printing mode %, pages per sheet %, "
      "output 2200 x 3000 (21, 22) code 9, zoom %\n";
  std::string back = front;
  for (const char* value : {"1", "1", "6", "2", "0", "0", "100"}) front.replace(front.find('%'), 1, value);
  for (const char* value : {"2", "2", "3", "1", "2", "2", "71"}) back.replace(back.find('%'), 1, value);
  const ProgramRun show = RunZvcat(with({"show", "INVOICE"}), Dir());
  EXPECT_EQ(0, show.status);
  EXPECT_EQ(
      "Form name list:         FORMS.FLT\nGroup name list:        GROUPS.GLT\n\n"
      "Form:                   INVOICE\nIdentifier:             1 (named form)\n"
      "Description:            Invoice with logo\nLayer:                  front (1)\n"
      "Group index:            0\nGroup text:             \"_F301A.FGP\"\n"
      "Resolved:               _F301A.FGP (exists)\n\nGroup info file:        _F301A.FGP\n"
      "  Strings:              4\n  Entries:              2\n  Pool size:            52\n"
      "  First group string:   \"Plateau 2 (entr\xE9"
      "e)\"\n"
      "  Preview file:         \"_F301A.PBF\" -> _F301A.PBF (missing)\n  Edited file:          none\n\n"
      "  Overlay 0: Negro,600dpi, ,100%, , -\n    File:               \"INV1.ZLP\" -> INV1.ZLP (exists)\n"
      "    Header:             yes\n    Description:        Invoice page 1\n    Layer:              front "
      "(1)\n" +
          front +
          "\n  Overlay 1: Color,300dpi,Alta calidad, , , 2P\xE1ginas\n"
          "    File:               \"INV2.ZLC\" -> INV2.ZLC (exists)\n"
          "    Header:             no (raw data)\n    Description:        Invoice page 2, raw\n"
          "    Layer:              front (1)\n" +
          back,
      show.output);
  const ProgramRun list = RunZvcat(with({"--json", "list"}), Dir());
  EXPECT_EQ(0, list.status);
  EXPECT_EQ(
      "{\"formList\":{\"path\":\"FORMS.FLT\",\"state\":\"read\"},\"groupList\":{\"path\":\"GROUPS.GLT\","
      "\"state\":\"read\"},\"forms\":[{\"id\":1,\"fileEntry\":false,\"name\":\"INVOICE\",\"description\":"
      "\"Invoice with logo\",\"layer\":1,\"groupIndex\":0,\"groupText\":\"_F301A.FGP\",\"groupPath\":"
      "\"_F301A.FGP\"},{\"id\":2,\"fileEntry\":false,\"name\":\"Letter\",\"description\":\"Letterhead\","
      "\"layer\":2,\"groupIndex\":1,\"groupText\":\"D:\\\\LETTERS\\\\\",\"groupPath\":\"D:\\\\LETTERS\\\\\"},"
      "{\"id\":-1,\"fileEntry\":true,\"name\":\"LOGO.ZLP\",\"description\":\"Logo\",\"layer\":1,"
      "\"groupIndex\":"
      "2,\"groupText\":\"LOGO.ZLP\",\"groupPath\":\"LOGO.ZLP\"},{\"id\":-2,\"fileEntry\":true,\"name\":"
      "\"SEAL\","
      "\"description\":\"Seal on "
      "printer\",\"layer\":1,\"groupIndex\":3,\"groupText\":\"7\",\"groupPath\":\"7\"}]}\n",
      list.output);
  ExpectRuns(
      {{with({"show", "-2"}), 0, {"-2 (file entry)\n", "Resolved:               7 (an overlay number)\n"}},
       {with({"show", "-1"}),
        0,
        {"Resolved:               LOGO.ZLP (exists)\nHeader:                 yes\n"
         "Overlay description:    Logo\nOverlay layer:          front (1)\n"}},
       {with({"--json", "show", "1"}),
        0,
        {"\"stringCount\":4,\"entryCount\":2,\"poolSize\":52,\"firstString\":\"Plateau 2 (entr\\u00e9e)\"",
         "\"fileName\":\"INV2.ZLC\"", "\"hasHeader\":false,\"description\":\"Invoice page 2, raw\""}},
       {with({"--json", "show", "NOPE"}), 1, {"\"found\":false,\"form\":null}\n"}}},
      Dir());
}

// The catalogue named by a configuration file or the driver's paper list,
// and each usage error.
TEST_F(ZvcatProgramTest, ConfigDriverAndUsageErrors) {
  Write("ZVLMN3.DAT", "[ENVIRONMENT]\r\nUSER=SUPPORT\r\n[SUPPORT]\r\nFormName=" + Path("FORMS.FLT") +
                          "\r\nGroupName=" + Path("GROUPS.GLT") + "\r\n");
  Write("OTHER.DAT", "[ENVIRONMENT]\r\nUSER=OTHER\r\n[SUPPORT]\r\nFormName=A.FLT\r\n");
  Write("DRIVER.INI",
        "[Driver]\nModels = 1\n[Model 1]\nPaper = 8, 2970, 4200, 2886, 4116, A3 297 x 420 mm\n"
        "Paper = 9, 2100, 2970, 2016, 2886, A4 210 x 297 mm\n");
  zv::PrintSettings settings{};
  zv::DecodePrintSettings(reinterpret_cast<const unsigned char*>(ExampleRecord(0).data()), &settings);
  const std::vector<zv::PaperEntry> papers = {{1, 2970, 4200, 2886, 4116, 8, "A3 297 x 420 mm"},
                                              {1, 2100, 2970, 2016, 2886, 9, "A4 210 x 297 mm"}};
  char line[zv::kOverlayLineSize];
  zv::BuildOverlayLine(settings, papers.data(), 2, true, line);
  ASSERT_NE(nullptr, std::strstr(line, "A4 210 x 297 mm")) << line;
  const std::string device = UserPath(Path("DRIVER.INI"));
  std::vector<Case> cases = {
      {{"--config", UserPath(Path("ZVLMN3.DAT")), "list"},
       0,
       {"Form name list:         " + Path("FORMS.FLT")}},
      {With(Dir(), {"--driver", UserPath(SampleDriver()), "--device", device, "show", "1"}),
       0,
       {"  Overlay 0: " + std::string(line) + "\n"}},
      {With(Dir(), {"--driver", UserPath(Path("NOSUCH.DLL")), "show", "1"}), 2, {"gives no paper size list"}},
      {{"--config", UserPath(Path("OTHER.DAT")), "list"}, 2, {"names no list files"}},
      {{"--config", UserPath(Path("NONE.DAT")), "check"}, 2, {"does not exist"}}};
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"list", "extra"},
                                             {"show"},
                                             {"show", "A", "B"},
                                             {"frobnicate"},
                                             {"--verbose", "list"},
                                             {"--lists", "A.FLT"},
                                             {"--config"},
                                             {"--config", "A.DAT", "--lists", "A.FLT", "A.GLT", "list"},
                                             {"--device", "X", "show", "1"},
                                             {"--driver", "X.DLL", "list"},
                                             {"--driver"}})
    cases.push_back({args, 2, {"Usage: zvcat"}});
  ExpectRuns(cases);
}

// check and show on the sound catalogue and on every damaged one; check in
// text and JSON on a row for each way a file or text can be unreadable (the
// findings themselves are proven in process; runs are slow under Wine).
TEST_F(ZvcatProgramTest, CheckAndShowOnEveryDamagedCatalogue) {
  const std::string sound = Path("sound\\");
  ASSERT_TRUE(plat::CreateDirectory(sound.c_str()));
  WriteSoundCatalogue(sound);
  ExpectRuns({{With(sound, {"check"}), 0, {": the catalogue is sound.\n"}},
              {With(sound, {"--json", "check"}), 0, {"\"sound\":true,\"findings\":[]}"}}});
  const std::string checked =
      " FormListBadMagic GroupListMissing GroupIndexOutOfRange FirstIndexNegative "
      "EntryNameIndexPastTable GroupInfoMissing ";
  for (const DamagedCatalogue& d : DamagedCatalogues()) {
    SCOPED_TRACE(d.name);
    const std::string dir = Path(d.name) + "\\";
    ASSERT_TRUE(plat::CreateDirectory(dir.c_str()));
    d.write(dir);
    const std::string at = dir + d.file + (d.offset == -1 ? "" : ":" + std::to_string(d.offset));
    ExpectRuns({{With(dir, {"show", d.form}), d.showStatus, {d.shows}}});
    if (checked.find(" " + std::string(d.name) + " ") == std::string::npos) continue;
    ExpectRuns(
        {{With(dir, {"check"}), 1, {at + ": " + d.kind + ": ", " found.\n"}},
         {With(dir, {"--json", "check"}), 1, {"\"sound\":false,", "{\"kind\":\"" + std::string(d.kind)}},
         {With(dir, {"--json", "show", d.form}), d.showStatus, {"{\"formList\":"}}});
  }
}

// Without --config or --lists the system directory's configuration is used;
// without one zvcat locates nothing and creates nothing.
class ZvcatDefaultConfigurationTest : public CatalogueTest {};

TEST_F(ZvcatDefaultConfigurationTest, TheSystemDirectorysConfigurationIsTheDefault) {
  WriteExampleCatalogue(Dir());
  WriteFormList(FileBytes(Path("FORMS.FLT")));
  WriteGroupList(FileBytes(Path("GROUPS.GLT")));
  const std::string config = FileBytes(SystemPath("ZVLMN3.DAT"));
  ExpectRuns({{{"show", "INVOICE"},
               0,
               {"Form name list:         " + FormListPath() + "\n", "  Entries:              2\n"}}});
  EXPECT_EQ(config, FileBytes(SystemPath("ZVLMN3.DAT")));
  ASSERT_TRUE(RemoveFile(SystemPath("ZVLMN3.DAT")));
  ExpectRuns({{{"list"}, 2, {"cannot locate the catalogue"}}});
  EXPECT_EQ(kMissing, FileBytes(SystemPath("ZVLMN3.DAT")));
}

}  // namespace
}  // namespace zvtest
