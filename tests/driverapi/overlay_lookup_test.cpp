// ZVGetOverlayForm: the overlay data file a capture goes into, with the group
// info file name, the proposed overlay file name and the removal of dropped
// entries, checked on catalogue files built and compared byte by byte.
#include "driverapi/overlay_lookup.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/other_process.h"
#include "zvlmn30e.h"

namespace {

using zvtest::Bytes;
using zvtest::FormListFile;
using zvtest::GroupNameListFile;
using zvtest::ReadWholeFile;
using zvtest::WriteWholeFile;

// The driver settings block of the tests: black A4 portrait at 600 dpi.
using Block = zvtest::DriverSettingsBlock;
using zvtest::At300;
using zvtest::InColour;

std::string OverlayHeader(const std::string& name, const std::string& description,
                          const std::string& record) {
  return Bytes().U32(319).Fixed(name, 25).Fixed(description, 256).str() + record;
}

using Entry = zvtest::GroupInfoEntry;  // record, file name string index

using zvtest::GroupInfoFile;

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string Contents(const std::string& path) {
  std::string bytes;
  return ReadWholeFile(path, &bytes) ? bytes : "<missing>";
}

class OverlayLookupTest : public zvtest::CatalogueTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }

  struct Call {
    int32_t result;
    std::string path;
  };

  Call GetOverlay(const Block& block, const char* groupString, int32_t formId) {
    const std::string bytes = block.Bytes();
    char path[ZV_PATH_BUFFER] = "untouched";
    const int32_t result = ZVGetOverlayForm(bytes.data(), groupString, formId, path);
    return {result, path};
  }

  // Form 26 "INVOICE" (layer 2) whose group text is groupText.
  void WriteForm26(const std::string& groupText) {
    WriteFormList(FormListFile({{3, "OTHER", "", 1, 0}, {26, "INVOICE", "Monthly invoice", 2, 1}}, {}));
    WriteGroupList(GroupNameListFile({"C:\\ELSEWHERE\\", groupText}));
  }

  std::string GroupInfoPath() const { return Path("_F301A.FGP"); }
  // The names the catalogue generates in the group are upper case whole.
  std::string Generated(const std::string& name) const { return Upper(Dir()) + name; }
};

TEST_F(OverlayLookupTest, FirstOverlayOfANewFormNamesItsGroupAndRegistersTheFile) {
  ASSERT_TRUE(plat::CreateDirectory(Path("forms").c_str()));
  WriteForm26(Path("forms"));
  // The driver's text is kept cut to 260 characters.
  const std::string longText(300, 'G');
  const Block block;

  const Call call = GetOverlay(block, longText.c_str(), 26);
  ASSERT_EQ(call.result, 1);
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  EXPECT_EQ(call.path, Generated("FORMS\\_F301A00.ZLP"));
  EXPECT_EQ(Contents(GroupListPath()),
            GroupNameListFile({"C:\\ELSEWHERE\\", Generated("FORMS\\_F301A.FGP")}));
  EXPECT_EQ(Contents(call.path), OverlayHeader("INVOICE", "Monthly invoice", block.Record(2)));
  EXPECT_EQ(Contents(Generated("FORMS\\_F301A.FGP")),
            GroupInfoFile({{block.Record(2), 1}}, {std::string(260, 'G'), "_F301A00.ZLP"}, 0));

  // Without working memory nothing is looked at.
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(GetOverlay(InColour(), nullptr, 26).result, 0);
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
}

TEST_F(OverlayLookupTest, ANewFileTakesTheLowestFreeNumberAndTheSameSettingsReuseTheirFile) {
  WriteForm26(GroupInfoPath());
  const std::vector<Entry> entries = {{At300().Record(2), 0}, {InColour().Record(2), 1}};
  const std::vector<std::string> texts = {"_F301A00.ZLP", "_F301A02.ZLP"};
  ASSERT_TRUE(WriteWholeFile(GroupInfoPath(), GroupInfoFile(entries, texts)));
  const Block block;

  const Call fresh = GetOverlay(block, nullptr, 26);
  ASSERT_EQ(fresh.result, 1);
  EXPECT_EQ(fresh.path, Generated("_F301A01.ZLP"));
  const std::string grown =
      GroupInfoFile({entries[0], entries[1], {block.Record(2), 2}}, {texts[0], texts[1], "_F301A01.ZLP"});
  EXPECT_EQ(Contents(GroupInfoPath()), grown);

  // The driver captured a page; the same settings again start the file
  // afresh and register nothing (the driver's text is not stored either).
  ASSERT_TRUE(
      WriteWholeFile(fresh.path, OverlayHeader("INVOICE", "Monthly invoice", block.Record(2)) + "PAGE"));
  const Call again = GetOverlay(block, "TEXT", 26);
  ASSERT_EQ(again.result, 1);
  EXPECT_EQ(again.path, Dir() + "_F301A01.ZLP");
  EXPECT_EQ(Contents(again.path), OverlayHeader("INVOICE", "Monthly invoice", block.Record(2)));
  EXPECT_EQ(Contents(GroupInfoPath()), grown);

  // An existing entry is named by the group's directory as its text has it.
  const Call existing = GetOverlay(At300(), nullptr, 26);
  EXPECT_EQ(existing.result, 1);
  EXPECT_EQ(existing.path, Dir() + "_F301A00.ZLP");
}

TEST_F(OverlayLookupTest, AGroupKeepsOnePaperSizeAndOrientationAndIsNeverRepaired) {
  WriteForm26(GroupInfoPath());
  const std::string group = GroupInfoFile({{Block().Record(2), 0}}, {"_F301A00.ZLP"});
  ASSERT_TRUE(WriteWholeFile(GroupInfoPath(), group));

  Block landscape = At300();
  landscape.orientation = 2;
  Block otherPaper = At300();
  otherPaper.paperCode = 10;
  EXPECT_EQ(GetOverlay(landscape, nullptr, 26).result, 0);
  EXPECT_EQ(GetOverlay(otherPaper, nullptr, 26).result, 0);
  EXPECT_EQ(Contents(GroupInfoPath()), group);
  EXPECT_FALSE(zvtest::FileExists(Generated("_F301A01.ZLP")));

  // A damaged group info file is left as it is.
  ASSERT_TRUE(WriteWholeFile(GroupInfoPath(), group + "X"));
  EXPECT_EQ(GetOverlay(At300(), nullptr, 26).result, 0);
  EXPECT_EQ(Contents(GroupInfoPath()), group + "X");
  EXPECT_FALSE(zvtest::FileExists(Generated("_F301A01.ZLP")));

  // A group held by another writer is not taken for a new one, whose first
  // file would overwrite the group's captured page.
  ASSERT_TRUE(WriteWholeFile(GroupInfoPath(), group));
  ASSERT_TRUE(WriteWholeFile(Path("_F301A00.ZLP"), "CAPTURED PAGE"));
  {
    zvtest::FileHolder writer(GroupInfoPath(), plat::kAccessReadWrite, plat::kShareRead);
    ASSERT_TRUE(writer.Opened());
    EXPECT_EQ(GetOverlay(At300(), nullptr, 26).result, 0);
  }
  EXPECT_EQ(Contents(Path("_F301A00.ZLP")), "CAPTURED PAGE");
  EXPECT_EQ(Contents(GroupInfoPath()), group);
}

TEST_F(OverlayLookupTest, AGroupHoldsNoMoreEntriesThanTheOverlayNumberRange) {
  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\nF3CMD=0,1\r\n"));
  WriteForm26(GroupInfoPath());
  // Two entries fill the range 0..1, although only number 0 is taken.
  const std::string full =
      GroupInfoFile({{At300().Record(2), 0}, {InColour().Record(2), 1}}, {"_F301A00.ZLP", "SCAN.ZLP"});
  ASSERT_TRUE(WriteWholeFile(GroupInfoPath(), full));
  EXPECT_EQ(GetOverlay(Block(), nullptr, 26).result, 0);
  EXPECT_EQ(Contents(GroupInfoPath()), full);
  EXPECT_FALSE(zvtest::FileExists(Generated("_F301A01.ZLP")));

  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\nF3CMD=0,2\r\n"));
  EXPECT_EQ(GetOverlay(Block(), nullptr, 26).path, Generated("_F301A01.ZLP"));

  // A new group starts at the lowest number of the range.
  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\nF3CMD=16,31\r\n"));
  char path[ZV_PATH_BUFFER] = "";
  const std::string bytes = Block().Bytes();
  EXPECT_EQ(zv::ProposeOverlayFileName(bytes.data(), Path("_F3002.fgp").c_str(), path), zv::kOverlayFileNew);
  EXPECT_EQ(std::string(path), Generated("_F300210.ZLP"));
}

TEST_F(OverlayLookupTest, MatchingEntriesOfFilesFromElsewhereLeaveTheGroup) {
  WriteForm26(GroupInfoPath());
  const Block block;
  // Two entries for exactly these settings name files elsewhere; the driver
  // text (string 3) moves down with the texts behind the removed ones.
  ASSERT_TRUE(WriteWholeFile(
      GroupInfoPath(), GroupInfoFile({{block.Record(1), 0}, {block.Record(1), 1}, {At300().Record(2), 2}},
                                     {"D:\\A\\X.ZLP", "D:\\B\\LONGER.ZLP", "_F301A00.ZLP", "DRV"}, 3)));

  const Call call = GetOverlay(block, nullptr, 26);
  ASSERT_EQ(call.result, 1);
  EXPECT_EQ(call.path, Generated("_F301A01.ZLP"));
  EXPECT_EQ(Contents(GroupInfoPath()), GroupInfoFile({{At300().Record(2), 0}, {block.Record(2), 2}},
                                                     {"_F301A00.ZLP", "DRV", "_F301A01.ZLP"}, 1));
}

TEST_F(OverlayLookupTest, AFileEntryNamedCGetsAFreshHeaderInItsOwnFile) {
  WriteFormList(
      FormListFile({}, {{-1, "C", "Scan form", 1, 0}, {-2, "C", "Raw", 1, 1}, {-3, "P", "Print", 1, 2}}, 3));
  WriteGroupList(GroupNameListFile({Path("invoice.zlp"), Path("RAW.zlc"), Path("print.zlp")}));
  ASSERT_TRUE(WriteWholeFile(Path("invoice.zlp"), std::string(1000, 'D')));
  ASSERT_TRUE(WriteWholeFile(Path("RAW.zlc"), "RAW DATA"));
  const Block block;

  const Call call = GetOverlay(block, "TEXT", -1);
  ASSERT_EQ(call.result, 1);
  EXPECT_EQ(call.path, Path("invoice.zlp"));
  EXPECT_EQ(Contents(call.path), OverlayHeader("C", "Scan form", block.Record(1)));

  // A raw file never gets a header; a "P" entry is not captured into.
  EXPECT_EQ(GetOverlay(block, nullptr, -2).result, 0);
  EXPECT_EQ(Contents(Path("RAW.zlc")), "RAW DATA");
  EXPECT_EQ(GetOverlay(block, nullptr, -3).result, 0);
  EXPECT_FALSE(zvtest::FileExists(Path("print.zlp")));
  EXPECT_EQ(GetOverlay(block, nullptr, -4).result, 0);
}

TEST_F(OverlayLookupTest, GroupInfoNamesKeepThePrefixAndThreeDigitsPerForm) {
  auto name = [](int32_t id, const char* dir) {
    char path[ZV_PATH_BUFFER] = "";
    zv::SetLastErrorCode(0);
    return zv::MakeGroupInfoFileName(id, dir, path) ? std::string(path)
                                                    : "refused " + std::to_string(zv::GetLastErrorCode());
  };
  EXPECT_EQ(name(26, "c:\\forms"), "C:\\FORMS\\_F301A.FGP");
  EXPECT_EQ(name(26, "C:\\"), "C:\\_F301A.FGP");
  EXPECT_EQ(name(0xABC, "D:\\F\\"), "D:\\F\\_F3ABC.FGP");
  // 4096 is the only identifier written "000"; none beyond it is a form.
  EXPECT_EQ(name(4096, "D:\\F"), "D:\\F\\_F3000.FGP");
  EXPECT_EQ(name(4097, "D:\\F"), "refused 404");
  EXPECT_EQ(name(0, "D:\\F"), "refused 404");
  EXPECT_EQ(name(26, ("D:\\" + std::string(250, 'L')).c_str()), "refused 404");

  // Shorter prefixes are kept as they are; the digits always follow them.
  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\nGRP=1,4096\r\n"));
  EXPECT_EQ(name(26, "D:\\F"), "D:\\F\\_01A.FGP");
  EXPECT_EQ(name(27, "D:\\F"), "D:\\F\\_01B.FGP");
  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\nxGRP=1,4096\r\n"));
  EXPECT_EQ(name(26, "D:\\F"), "D:\\F\\_X01A.FGP");
}

}  // namespace
