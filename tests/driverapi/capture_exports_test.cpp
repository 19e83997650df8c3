// The exports that write the catalogue: ZVSetDevOverlay, ZVGetOverlayForm,
// ZVPreviewForm and ZVErrorForm, with the catalogue files built and
// compared byte by byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driverapi/driver_blocks.h"
#include "driverapi/overlay_lookup.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/other_process.h"
#include "zvlmn30e.h"

namespace {

using dtest::Block;
using zvtest::At300;
using zvtest::FormListFile;
using zvtest::GroupInfoFile;
using zvtest::GroupNameListFile;
using zvtest::InColour;
using zvtest::OverlayDataFile;
using zvtest::Upper;
using zvtest::WriteWholeFile;

constexpr char kChoiceKey[] = "Software\\ZEVRO\\ZEVRO Lamina3 DLL\\Overlay";
constexpr int32_t kUnwritten = 0x5A5A5A5A;
enum : uint16_t { kPrint = 1, kCreate = 2 };
enum : uint16_t { kFile = 1, kStored = 2, kNamed = 3 };

void DeleteChoiceKey() {
  for (const char* key : {kChoiceKey, "Software\\ZEVRO\\ZEVRO Lamina3 DLL", "Software\\ZEVRO"})
    plat::RegDeleteKey(key);
}

std::string Contents(const std::string& path) {
  std::string bytes;
  return zvtest::ReadWholeFile(path, &bytes) ? bytes : "<missing>";
}

class CaptureExportsTest : public zvtest::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    DeleteChoiceKey();
  }
  void TearDown() override {
    DeleteChoiceKey();
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }

  // ZVSetDevOverlay's result and the identifier it gave ("1 -3", "0 -" when none).
  std::string Set(uint16_t purpose, uint16_t source, const std::string& name, uint16_t number = 0,
                  uint32_t layer = 1, const char* description = nullptr, const char* saveDirectory = nullptr,
                  const Block& block = {}) {
    const std::string bytes = block.Bytes();
    const uint16_t caps[] = {1, 3};
    int32_t id = kUnwritten;
    const int32_t result =
        ZVSetDevOverlay(bytes.data(), 2, caps, purpose, source, name == "-" ? nullptr : name.c_str(), number,
                        layer, saveDirectory, description, &id);
    return std::to_string(result) + " " + (id == kUnwritten ? "-" : std::to_string(id));
  }
  void WriteChoice(const std::string& file, const std::string& explanation) {
    plat::RegKey key = nullptr;
    ASSERT_EQ(plat::RegCreateKey(kChoiceKey, &key), plat::kRegSuccess);
    const uint32_t type = 3, position = 1;
    plat::RegSetValue(key, "Type", plat::kRegDword, &type, 4);
    plat::RegSetValue(key, "Position", plat::kRegDword, &position, 4);
    plat::RegSetValue(key, "File", plat::kRegSz, file.c_str(), static_cast<uint32_t>(file.size() + 1));
    plat::RegSetValue(key, "Explanation", plat::kRegSz, explanation.c_str(),
                      static_cast<uint32_t>(explanation.size() + 1));
    plat::RegCloseKey(key);
  }
  void ExpectCatalogue(const std::string& formList, const std::string& groupList) {
    EXPECT_EQ(Contents(FormListPath()), formList);
    EXPECT_EQ(Contents(GroupListPath()), groupList);
  }
  void Configure(const std::string& entries) {
    ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\n" + entries + "\r\n"));
  }

  // ZVGetOverlayForm's result and path ("1 path", "0" when refused).
  std::string GetOverlay(const Block& block, const char* groupString, int32_t formId) {
    const std::string bytes = block.Bytes();
    char path[ZV_PATH_BUFFER] = "untouched";
    const int32_t result = ZVGetOverlayForm(bytes.data(), groupString, formId, path);
    return result ? "1 " + std::string(path) : std::to_string(result);
  }
  // Form 26 "INVOICE" (layer 2) whose group text is groupText.
  void WriteForm26(const std::string& groupText) {
    WriteFormList(FormListFile({{3, "OTHER", "", 1, 0}, {26, "INVOICE", "Monthly invoice", 2, 1}}, {}));
    WriteGroupList(GroupNameListFile({"C:\\ELSEWHERE\\", groupText}));
  }
  std::string Group() const { return Path("_F301A.FGP"); }
  // The names the catalogue generates in the group are upper case whole.
  std::string Generated(const std::string& name) const { return Upper(Dir()) + name; }
  std::string Header(const Block& b, uint8_t layer = 2) const {
    return OverlayDataFile("INVOICE", "Monthly invoice", b.Record(layer), "");
  }
};

TEST_F(CaptureExportsTest, OverlayFilesAndStoredOverlaysBecomeFileEntries) {
  for (const char* name : {"LOGO.ZLP", "_F301A00.ZLP", "_F301A00.ZLC", "LOGO", "LOGO.TXT"})
    ASSERT_TRUE(WriteWholeFile(Path(name), "data"));
  // Refused: a name the catalogue makes, a foreign extension, a missing
  // file, an unknown purpose, an empty name, a stored overlay to capture.
  const std::pair<uint16_t, std::string> refused[] = {{kPrint, Path("_F301A00.ZLP")},
                                                      {kPrint, Path("LOGO.TXT")},
                                                      {kPrint, Path("GONE.ZLP")},
                                                      {3, Path("LOGO.ZLP")},
                                                      {kPrint, ""}};
  for (const auto& r : refused) EXPECT_EQ(Set(r.first, kFile, r.second), "0 -") << r.second;
  EXPECT_EQ(Set(kCreate, kStored, "-", 7), "0 -");
  EXPECT_FALSE(zvtest::FileExists(FormListPath()));

  EXPECT_EQ(Set(kPrint, kFile, Path("LOGO.ZLP"), 0, 0x0102, "logo"), "1 -1");
  // Raw printer data may carry a generated name; a name without a dot has
  // no extension to refuse.
  EXPECT_EQ(Set(kPrint, kFile, Path("_F301A00.ZLC")), "1 -2");
  EXPECT_EQ(Set(kPrint, kFile, Path("LOGO")), "1 -3");
  EXPECT_EQ(Set(kPrint, kStored, "-", 7, 2), "1 -4");
  ExpectCatalogue(
      FormListFile(
          {}, {{-1, "P", "logo", 2, 0}, {-2, "P", "", 1, 1}, {-3, "P", "", 1, 2}, {-4, "P", "", 2, 3}}, 4),
      GroupNameListFile({Path("LOGO.ZLP"), Path("_F301A00.ZLC"), Path("LOGO"), "7"}));
}

TEST_F(CaptureExportsTest, CaptureEntryTakesTheDriversExplanationForItsFile) {
  const std::string target = Path("NEW.ZLP");  // need not exist for a capture
  WriteChoice(zvtest::Lower(target), "From the driver");
  EXPECT_EQ(Set(kCreate, kFile, target), "1 -1");
  EXPECT_EQ(Set(kCreate, kFile, Path("OTHER.ZLP"), 0, 2, "mine"),
            "1 -2");                           // another file keeps its description
  WriteChoice(target, std::string(260, 'e'));  // cut to 255 characters
  EXPECT_EQ(Set(kCreate, kFile, target, 0, 1, "mine"), "1 -3");
  DeleteChoiceKey();
  EXPECT_EQ(Set(kCreate, kFile, target, 0, 1, "mine"), "1 -4");
  ExpectCatalogue(FormListFile({},
                               {{-1, "C", "From the driver", 1, 0},
                                {-2, "C", "mine", 2, 1},
                                {-3, "C", std::string(255, 'e'), 1, 2},
                                {-4, "C", "mine", 1, 3}},
                               4),
                  GroupNameListFile({target, Path("OTHER.ZLP"), target, target}));
}

TEST_F(CaptureExportsTest, FullRingOverwritesTheEntryWithTheNextNumber) {
  std::vector<zvtest::FormSpec> entries;
  std::vector<std::string> texts{"INVOICE.FGP"};
  for (int32_t n = 1; n <= 256; ++n) {
    entries.push_back({-n, "P", "old " + std::to_string(n), 1, static_cast<uint32_t>(n)});
    texts.push_back(std::to_string(n));
  }
  const std::vector<zvtest::FormSpec> named{{5, "INVOICE", "", 1, 0}};
  WriteFormList(FormListFile(named, entries, 41));
  WriteGroupList(GroupNameListFile(texts));
  EXPECT_EQ(Set(kPrint, kStored, "-", 9, 2, "new"), "1 -42");
  entries[41] = {-42, "P", "new", 2, 42};
  texts[42] = "9";
  ExpectCatalogue(FormListFile(named, entries, 42), GroupNameListFile(texts));
}

TEST_F(CaptureExportsTest, NamedFormsAreCreatedOnlyForCaptureAndNeedAnOverlayOrRoom) {
  WriteFormList(FormListFile({{1, "A", "", 1, 0}, {3, "C", "", 1, 1}}, {}));
  WriteGroupList(GroupNameListFile({"A.FGP", "C.FGP"}));
  char noFormName[256];
  zv::LoadMessage(zv::kMsgNoFormName, noFormName, sizeof noFormName);
  for (const std::string& refused : {Set(kPrint, kNamed, "ORDER"), Set(kCreate, kNamed, noFormName),
                                     Set(kCreate, kNamed, std::string(25, 'N'))})
    EXPECT_EQ(refused, "0 -");
  // The lowest free identifiers; the stored current directory.
  EXPECT_EQ(Set(kCreate, kNamed, "ORDER", 0, 2), "1 2");
  EXPECT_EQ(Set(kCreate, kNamed, "MEMO", 0, 1, "notes", "D:\\FORMS"), "1 4");
  ExpectCatalogue(
      FormListFile(
          {{1, "A", "", 1, 0}, {3, "C", "", 1, 1}, {2, "ORDER", "", 2, 2}, {4, "MEMO", "notes", 1, 3}}, {}),
      GroupNameListFile({"A.FGP", "C.FGP", Dir(), "D:\\FORMS"}));
  Configure("F3GRP=1,4");  // no identifier left
  EXPECT_EQ(Set(kCreate, kNamed, "FIFTH"), "0 -");

  // An existing form with one black overlay.
  WriteFormList(FormListFile({{5, "INVOICE", "", 1, 0}}, {}));
  WriteGroupList(GroupNameListFile({"INVOICE.FGP"}));
  ASSERT_TRUE(WriteWholeFile(Path("INVOICE.FGP"), GroupInfoFile({{Block().Record(1), 0}}, {"_F30500.ZLP"})));
  EXPECT_EQ(Set(kPrint, kNamed, "INVOICE"), "1 5");
  EXPECT_EQ(Set(kPrint, kNamed, "INVOICE", 0, 1, nullptr, nullptr, InColour()), "0 -");
  EXPECT_EQ(Set(kCreate, kNamed, "INVOICE", 0, 1, nullptr, nullptr, InColour()), "1 5");
  Configure("F3CMD=3,3");  // the group holds as many overlays as the number range allows
  EXPECT_EQ(Set(kCreate, kNamed, "INVOICE", 0, 1, nullptr, nullptr, InColour()), "0 -");
  EXPECT_EQ(Set(kCreate, kNamed, "INVOICE"), "1 5");
}

TEST_F(CaptureExportsTest, FirstOverlayOfANewFormNamesItsGroupAndRegistersTheFile) {
  ASSERT_TRUE(plat::CreateDirectory(Path("forms").c_str()));
  WriteForm26(Path("forms"));
  const std::string longText(300, 'G');  // kept cut to 260 characters
  EXPECT_EQ(GetOverlay(Block(), longText.c_str(), 26), "1 " + Generated("FORMS\\_F301A00.ZLP"));
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  EXPECT_EQ(Contents(GroupListPath()),
            GroupNameListFile({"C:\\ELSEWHERE\\", Generated("FORMS\\_F301A.FGP")}));
  EXPECT_EQ(Contents(Generated("FORMS\\_F301A00.ZLP")), Header(Block()));
  EXPECT_EQ(Contents(Generated("FORMS\\_F301A.FGP")),
            GroupInfoFile({{Block().Record(2), 1}}, {std::string(260, 'G'), "_F301A00.ZLP"}, 0));
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(GetOverlay(InColour(), nullptr, 26), "0");
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
}

TEST_F(CaptureExportsTest, ANewFileTakesTheLowestFreeNumberAndTheSameSettingsReuseTheirFile) {
  WriteForm26(Group());
  const std::vector<zvtest::GroupInfoEntry> entries = {{At300().Record(2), 0}, {InColour().Record(2), 1}};
  ASSERT_TRUE(WriteWholeFile(Group(), GroupInfoFile(entries, {"_F301A00.ZLP", "_F301A02.ZLP"})));
  EXPECT_EQ(GetOverlay(Block(), nullptr, 26), "1 " + Generated("_F301A01.ZLP"));
  const std::string grown = GroupInfoFile({entries[0], entries[1], {Block().Record(2), 2}},
                                          {"_F301A00.ZLP", "_F301A02.ZLP", "_F301A01.ZLP"});
  EXPECT_EQ(Contents(Group()), grown);
  // After a capture the same settings start the file afresh and register
  // nothing, not even the driver's text.
  ASSERT_TRUE(WriteWholeFile(Path("_F301A01.ZLP"), Header(Block()) + "PAGE"));
  EXPECT_EQ(GetOverlay(Block(), "TEXT", 26), "1 " + Path("_F301A01.ZLP"));
  EXPECT_EQ(Contents(Path("_F301A01.ZLP")), Header(Block()));
  EXPECT_EQ(Contents(Group()), grown);
  EXPECT_EQ(GetOverlay(At300(), nullptr, 26), "1 " + Path("_F301A00.ZLP"));
}

TEST_F(CaptureExportsTest, AGroupKeepsItsPaperAndIsNeverRepairedOrTakenFromAWriter) {
  WriteForm26(Group());
  const std::string group = GroupInfoFile({{Block().Record(2), 0}}, {"_F301A00.ZLP"});
  Block landscape = At300(), otherPaper = At300();
  landscape.orientation = 2;
  otherPaper.paperCode = 10;
  ASSERT_TRUE(WriteWholeFile(Path("_F301A00.ZLP"), "CAPTURED PAGE"));
  ASSERT_TRUE(WriteWholeFile(Group(), group));
  for (const Block& b : {landscape, otherPaper}) EXPECT_EQ(GetOverlay(b, nullptr, 26), "0");
  EXPECT_EQ(Contents(Group()), group);
  ASSERT_TRUE(WriteWholeFile(Group(), group + "X"));  // a damaged group stays as it is
  EXPECT_EQ(GetOverlay(At300(), nullptr, 26), "0");
  EXPECT_EQ(Contents(Group()), group + "X");
  // A group held by another writer is not taken for a new one, whose first
  // file would overwrite the captured page.
  ASSERT_TRUE(WriteWholeFile(Group(), group));
  {
    zvtest::FileHolder writer(Group(), plat::kAccessReadWrite, plat::kShareRead);
    ASSERT_TRUE(writer.Opened());
    EXPECT_EQ(GetOverlay(At300(), nullptr, 26), "0");
  }
  EXPECT_EQ(Contents(Path("_F301A00.ZLP")), "CAPTURED PAGE");
  EXPECT_EQ(Contents(Group()), group);
  EXPECT_FALSE(zvtest::FileExists(Generated("_F301A01.ZLP")));
}

TEST_F(CaptureExportsTest, AGroupHoldsNoMoreEntriesThanTheOverlayNumberRange) {
  WriteForm26(Group());
  // Two entries fill the range 0..1, although only number 0 is taken.
  const std::string full =
      GroupInfoFile({{At300().Record(2), 0}, {InColour().Record(2), 1}}, {"_F301A00.ZLP", "SCAN.ZLP"});
  ASSERT_TRUE(WriteWholeFile(Group(), full));
  Configure("F3CMD=0,1");
  EXPECT_EQ(GetOverlay(Block(), nullptr, 26), "0");
  EXPECT_EQ(Contents(Group()), full);
  EXPECT_FALSE(zvtest::FileExists(Generated("_F301A01.ZLP")));
  Configure("F3CMD=0,2");
  EXPECT_EQ(GetOverlay(Block(), nullptr, 26), "1 " + Generated("_F301A01.ZLP"));
  // A new group starts at the lowest number of the range.
  Configure("F3CMD=16,31");
  char path[ZV_PATH_BUFFER] = "";
  EXPECT_EQ(zv::ProposeOverlayFileName(Block().Bytes().data(), Path("_F3002.fgp").c_str(), path),
            zv::kOverlayFileNew);
  EXPECT_EQ(std::string(path), Generated("_F300210.ZLP"));
}

TEST_F(CaptureExportsTest, MatchingEntriesOfFilesFromElsewhereLeaveTheGroup) {
  WriteForm26(Group());
  // The driver text (string 3) moves down with the texts behind the removed ones.
  ASSERT_TRUE(WriteWholeFile(
      Group(), GroupInfoFile({{Block().Record(1), 0}, {Block().Record(1), 1}, {At300().Record(2), 2}},
                             {"D:\\A\\X.ZLP", "D:\\B\\LONGER.ZLP", "_F301A00.ZLP", "DRV"}, 3)));
  EXPECT_EQ(GetOverlay(Block(), nullptr, 26), "1 " + Generated("_F301A01.ZLP"));
  EXPECT_EQ(Contents(Group()), GroupInfoFile({{At300().Record(2), 0}, {Block().Record(2), 2}},
                                             {"_F301A00.ZLP", "DRV", "_F301A01.ZLP"}, 1));
}

TEST_F(CaptureExportsTest, AFileEntryNamedCGetsAFreshHeaderInItsOwnFile) {
  WriteFormList(
      FormListFile({}, {{-1, "C", "Scan form", 1, 0}, {-2, "C", "Raw", 1, 1}, {-3, "P", "Print", 1, 2}}, 3));
  WriteGroupList(GroupNameListFile({Path("invoice.zlp"), Path("RAW.zlc"), Path("print.zlp")}));
  ASSERT_TRUE(WriteWholeFile(Path("invoice.zlp"), std::string(1000, 'D')));
  ASSERT_TRUE(WriteWholeFile(Path("RAW.zlc"), "RAW DATA"));
  EXPECT_EQ(GetOverlay(Block(), "TEXT", -1), "1 " + Path("invoice.zlp"));
  EXPECT_EQ(Contents(Path("invoice.zlp")), OverlayDataFile("C", "Scan form", Block().Record(1), ""));
  // A raw file never gets a header; a "P" entry is not captured into.
  for (int32_t id : {-2, -3, -4}) EXPECT_EQ(GetOverlay(Block(), nullptr, id), "0") << id;
  EXPECT_EQ(Contents(Path("RAW.zlc")), "RAW DATA");
  EXPECT_FALSE(zvtest::FileExists(Path("print.zlp")));
}

TEST_F(CaptureExportsTest, GroupInfoNamesKeepThePrefixAndThreeDigitsPerForm) {
  auto name = [](int32_t id, const std::string& dir) {
    char path[ZV_PATH_BUFFER] = "";
    zv::SetLastErrorCode(0);
    return zv::MakeGroupInfoFileName(id, dir.c_str(), path)
               ? std::string(path)
               : "refused " + std::to_string(zv::GetLastErrorCode());
  };
  const struct {
    std::string config;
    int32_t id;
    std::string dir, expected;
  } rows[] = {
      {"", 26, "c:\\forms", "C:\\FORMS\\_F301A.FGP"},
      {"", 26, "C:\\", "C:\\_F301A.FGP"},
      {"", 0xABC, "D:\\F\\", "D:\\F\\_F3ABC.FGP"},
      {"", 4096, "D:\\F", "D:\\F\\_F3000.FGP"},  // the only identifier written 000
      {"", 4097, "D:\\F", "refused 404"},
      {"", 0, "D:\\F", "refused 404"},
      {"", 26, "D:\\" + std::string(250, 'L'), "refused 404"},
      // Shorter prefixes are kept as they are; the digits always follow them.
      {"GRP=1,4096", 26, "D:\\F", "D:\\F\\_01A.FGP"},
      {"GRP=1,4096", 27, "D:\\F", "D:\\F\\_01B.FGP"},
      {"xGRP=1,4096", 26, "D:\\F", "D:\\F\\_X01A.FGP"},
  };
  for (const auto& r : rows) {
    Configure(r.config);
    EXPECT_EQ(name(r.id, r.dir), r.expected) << r.config << " " << r.id;
  }
}

TEST_F(CaptureExportsTest, PreviewFileIsNamedOnceInThePreviewSlot) {
  WriteFormList(FormListFile({{26, "INVOICE", "", 1, 0}, {27, "LETTER", "", 1, 1}}, {}));
  WriteGroupList(GroupNameListFile({Group(), Dir()}));
  ASSERT_TRUE(
      WriteWholeFile(Group(), GroupInfoFile({{std::string(34, 'a'), 1}}, {"DRV", "_F301A00.ZLP"}, 0)));
  const std::string named =
      GroupInfoFile({{std::string(34, 'a'), 1}}, {"DRV", "_F301A00.ZLP", "_F301A.PBF"}, 0, -1, 2);
  // Form 27 has no group info file yet; form 28 does not exist.
  for (int32_t id : {26, 26, 27, 28}) {
    char path[ZV_PATH_BUFFER] = "untouched";
    const int32_t result = ZVPreviewForm(0xFFFFFFFF, id, path);
    EXPECT_EQ(std::to_string(result) + " " + path, id == 26 ? "1 " + Path("_F301A.PBF") : "0 untouched");
    EXPECT_EQ(Contents(Group()), named);
  }
}

TEST_F(CaptureExportsTest, ErrorFormTakesTheOverlayAndItsEntryOut) {
  WriteFormList(FormListFile({{26, "INVOICE", "", 1, 0}}, {}));
  WriteGroupList(GroupNameListFile({Group()}));
  auto rec = [](char fill) { return std::string(34, fill); };
  const std::string two = GroupInfoFile({{rec('a'), 0}, {rec('b'), 1}}, {"_F301A00.ZLP", "_F301A01.ZLP"});
  const struct {
    std::string group;
    int32_t id;
    std::string path;
    int32_t result;
    std::string after;  // the group info file afterwards
    std::vector<std::string> kept, gone;
  } rows[] = {
      // Paths the group does not list, a damaged group: nothing changes.
      {two, 26, "_F301A02.ZLP", 1, two, {"_F301A00.ZLP", "_F301A02.ZLP"}, {}},
      {two, 26, "SUB\\_F301A00.ZLP", 1, two, {"_F301A00.ZLP"}, {}},
      {two + "X", 26, "_F301A00.ZLP", 0, two + "X", {"_F301A00.ZLP"}, {}},
      // The only overlay takes an otherwise empty group with it.
      {GroupInfoFile({{rec('a'), 0}}, {"_F301A00.ZLP"}),
       26,
       "_F301A00.ZLP",
       1,
       "<missing>",
       {},
       {"_F301A00.ZLP"}},
      {GroupInfoFile({{rec('a'), 1}}, {"_F301A.PBF", "_F301A00.ZLP"}, -1, -1, 0),
       26,
       "_F301A00.ZLP",
       1,
       GroupInfoFile({}, {"_F301A.PBF"}, -1, -1, 0),
       {},
       {"_F301A00.ZLP"}},
      // One of three, named in lower case: the texts behind it and the
      // header's indexes above it move down.
      {GroupInfoFile({{rec('a'), 1}, {rec('b'), 2}, {rec('c'), 3}},
                     {"DRV", "_F301A00.ZLP", "_F301A01.ZLP", "_F301A02.ZLP", "_F301A.PBF"}, 0, -1, 4),
       26,
       "_f301a01.zlp",
       1,
       GroupInfoFile({{rec('a'), 1}, {rec('c'), 2}}, {"DRV", "_F301A00.ZLP", "_F301A02.ZLP", "_F301A.PBF"}, 0,
                     -1, 3),
       {"_F301A00.ZLP", "_F301A02.ZLP"},
       {"_F301A01.ZLP"}},
      // A file entry only loses its file.
      {two, -5, "LOOSE.ZLP", 1, two, {}, {"LOOSE.ZLP"}},
  };
  const std::string formList = Contents(FormListPath());
  for (const auto& r : rows) {
    SCOPED_TRACE(r.path);
    ASSERT_TRUE(WriteWholeFile(Group(), r.group));
    for (const char* name : {"_F301A00.ZLP", "_F301A01.ZLP", "_F301A02.ZLP", "LOOSE.ZLP"})
      ASSERT_TRUE(WriteWholeFile(Path(name), "HEADER AND PAGE"));
    EXPECT_EQ(ZVErrorForm(r.id, Path(r.path).c_str()), r.result);
    EXPECT_EQ(Contents(Group()), r.after);
    for (const std::string& name : r.kept) EXPECT_TRUE(zvtest::FileExists(Path(name))) << name;
    for (const std::string& name : r.gone) EXPECT_FALSE(zvtest::FileExists(Path(name))) << name;
    EXPECT_EQ(Contents(FormListPath()), formList);
  }
  EXPECT_EQ(ZVErrorForm(-5, Path("LOOSE.ZLP").c_str()), 1);  // already gone
}

}  // namespace
