// What zvcat lists and shows of a catalogue built byte by byte: every record
// with its group text, one form found by name or identifier with its group
// info file and overlay data files, and what becomes of damaged or missing
// files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "catalogue/group_info.h"
#include "catalogue_view.h"
#include "support/catalogue_bytes.h"
#include "support/sandbox.h"
#include "zvcat/example_catalogue.h"

namespace zvtest {
namespace {

using zvcat::FileState;

class CatalogueViewTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    WriteExampleCatalogue(Dir());
    paths_.formList = Path(kExampleFormList);
    paths_.groupList = Path(kExampleGroupList);
  }

  zvcat::CataloguePaths paths_;
};

void ExpectSettingsEqual(const zv::PrintSettings& expected, const zv::PrintSettings& actual) {
  EXPECT_EQ(expected.mark, actual.mark);
  EXPECT_EQ(expected.layer, actual.layer);
  EXPECT_EQ(expected.modeLevel, actual.modeLevel);
  EXPECT_EQ(expected.modelId, actual.modelId);
  EXPECT_EQ(expected.paperWidth, actual.paperWidth);
  EXPECT_EQ(expected.paperHeight, actual.paperHeight);
  EXPECT_EQ(expected.paperCode, actual.paperCode);
  EXPECT_EQ(expected.orientation, actual.orientation);
  EXPECT_EQ(expected.resolution, actual.resolution);
  EXPECT_EQ(expected.colour, actual.colour);
  EXPECT_EQ(expected.printingMode, actual.printingMode);
  EXPECT_EQ(expected.pagesPerSheet, actual.pagesPerSheet);
  EXPECT_EQ(expected.outputWidth, actual.outputWidth);
  EXPECT_EQ(expected.outputHeight, actual.outputHeight);
  EXPECT_EQ(expected.outputCode, actual.outputCode);
  EXPECT_EQ(expected.zoom, actual.zoom);
}

std::string LineOf(const zv::PrintSettings& settings) {
  char line[zv::kOverlayLineSize];
  zv::BuildOverlayLine(settings, nullptr, 0, true, line);
  return line;
}

TEST_F(CatalogueViewTest, ListGivesEveryRecordWithItsGroupTextAsStoredAndResolved) {
  const zvcat::CatalogueList list = zvcat::ReadCatalogueList(paths_);
  EXPECT_EQ(FileState::kRead, list.formList);
  EXPECT_EQ(FileState::kRead, list.groupList);
  EXPECT_EQ(2u, list.namedCount);
  EXPECT_EQ(2u, list.fileEntryCount);
  ASSERT_EQ(4u, list.forms.size());

  const zvcat::FormItem& invoice = list.forms[0];
  EXPECT_FALSE(invoice.fileEntry);
  EXPECT_EQ(1, invoice.id);
  EXPECT_EQ("INVOICE", invoice.name);
  EXPECT_EQ("Invoice with logo", invoice.description);
  EXPECT_EQ(1, invoice.layer);
  EXPECT_EQ(0u, invoice.groupIndex);
  EXPECT_TRUE(invoice.groupTextRead);
  EXPECT_EQ("_F301A.FGP", invoice.groupText);
  EXPECT_EQ(Path("_F301A.FGP"), invoice.groupPath);

  const zvcat::FormItem& letter = list.forms[1];
  EXPECT_EQ(2, letter.id);
  EXPECT_EQ("Letter", letter.name);
  EXPECT_EQ("Letterhead", letter.description);
  EXPECT_EQ(2, letter.layer);
  EXPECT_EQ("D:\\LETTERS\\", letter.groupText);
  EXPECT_EQ("D:\\LETTERS\\", letter.groupPath);

  const zvcat::FormItem& logo = list.forms[2];
  EXPECT_TRUE(logo.fileEntry);
  EXPECT_EQ(-1, logo.id);
  EXPECT_EQ("LOGO.ZLP", logo.name);
  EXPECT_EQ(2u, logo.groupIndex);
  EXPECT_EQ(Path("LOGO.ZLP"), logo.groupPath);

  // An overlay number stands as it is.
  const zvcat::FormItem& seal = list.forms[3];
  EXPECT_TRUE(seal.fileEntry);
  EXPECT_EQ(-2, seal.id);
  EXPECT_EQ("7", seal.groupText);
  EXPECT_EQ("7", seal.groupPath);
}

TEST_F(CatalogueViewTest, ShowByNameGivesTheGroupInfoHeaderAndEveryOverlay) {
  const zvcat::FormView view = zvcat::ShowForm(paths_, "INVOICE");
  ASSERT_TRUE(view.found);
  EXPECT_EQ(1, view.form.id);
  EXPECT_TRUE(view.groupPathExists);
  ASSERT_TRUE(view.namesGroupInfo);
  const zvcat::GroupInfoView& group = view.group;
  EXPECT_EQ(Path("_F301A.FGP"), group.path);
  ASSERT_EQ(FileState::kRead, group.state);
  EXPECT_EQ(4u, group.header.stringCount);
  EXPECT_EQ(2u, group.header.entryCount);
  EXPECT_EQ(20u + 10u + 10u + 12u, group.header.poolSize);
  EXPECT_TRUE(group.firstStringRead);
  EXPECT_EQ(
      "Plateau 2 (entr\xE9"
      "e)",
      group.firstString);
  EXPECT_EQ(3, group.preview.index);
  EXPECT_TRUE(group.preview.read);
  EXPECT_EQ("_F301A.PBF", group.preview.text);
  EXPECT_EQ(Path("_F301A.PBF"), group.preview.path);
  EXPECT_FALSE(group.preview.exists);
  EXPECT_EQ(zv::kNoString, group.edited.index);
  EXPECT_FALSE(group.edited.read);

  ASSERT_EQ(2u, group.overlays.size());
  const zvcat::OverlayItem& first = group.overlays[0];
  EXPECT_EQ(0u, first.index);
  ExpectSettingsEqual(ExampleFrontRecord(), first.settings);
  EXPECT_EQ(LineOf(ExampleFrontRecord()), first.line);
  EXPECT_EQ(1, first.fileNameString);
  EXPECT_EQ("INV1.ZLP", first.fileName);
  EXPECT_EQ(Path("INV1.ZLP"), first.path);
  EXPECT_TRUE(first.exists);
  EXPECT_TRUE(first.hasHeader);
  EXPECT_EQ("Invoice page 1", first.description);
  EXPECT_EQ(1, first.layer);

  const zvcat::OverlayItem& second = group.overlays[1];
  EXPECT_EQ(1u, second.index);
  ExpectSettingsEqual(ExampleBackRecord(), second.settings);
  EXPECT_EQ(LineOf(ExampleBackRecord()), second.line);
  EXPECT_NE(first.line, second.line);
  EXPECT_EQ("INV2.ZLC", second.fileName);
  EXPECT_TRUE(second.exists);
  EXPECT_FALSE(second.hasHeader);
  EXPECT_EQ("Invoice page 2, raw", second.description);
  EXPECT_EQ(1, second.layer);
}

TEST_F(CatalogueViewTest, ShowFindsByIdentifierAndByExactNameOnly) {
  const zvcat::FormView byId = zvcat::ShowForm(paths_, "2");
  ASSERT_TRUE(byId.found);
  EXPECT_EQ("Letter", byId.form.name);
  EXPECT_FALSE(byId.namesGroupInfo);
  EXPECT_FALSE(byId.groupPathExists);

  const zvcat::FormView fileEntry = zvcat::ShowForm(paths_, "-1");
  ASSERT_TRUE(fileEntry.found);
  EXPECT_TRUE(fileEntry.form.fileEntry);
  EXPECT_EQ("LOGO.ZLP", fileEntry.form.name);
  EXPECT_TRUE(fileEntry.groupPathExists);
  EXPECT_FALSE(fileEntry.namesGroupInfo);
  EXPECT_TRUE(fileEntry.namesOverlayFile);
  EXPECT_TRUE(fileEntry.overlayHasHeader);
  EXPECT_EQ("Logo", fileEntry.overlayDescription);
  EXPECT_EQ(1, fileEntry.overlayLayer);
  EXPECT_FALSE(zvcat::ShowForm(paths_, "-2").namesOverlayFile);

  // Names compare byte for byte, and file entries are found by identifier only.
  EXPECT_FALSE(zvcat::ShowForm(paths_, "invoice").found);
  EXPECT_FALSE(zvcat::ShowForm(paths_, "INVOICE ").found);
  EXPECT_FALSE(zvcat::ShowForm(paths_, "SEAL").found);
  EXPECT_TRUE(zvcat::ShowForm(paths_, "-2").found);
  EXPECT_FALSE(zvcat::ShowForm(paths_, "3").found);
  EXPECT_FALSE(zvcat::ShowForm(paths_, "1x").found);
  EXPECT_FALSE(zvcat::ShowForm(paths_, "").found);
  EXPECT_FALSE(zvcat::ShowForm(paths_, "99999999999").found);
}

TEST_F(CatalogueViewTest, ANameMadeOfDigitsIsFoundAsANameFirst) {
  ASSERT_TRUE(
      WriteWholeFile(Path(kExampleFormList),
                     FormListFile({{1, "2", "named two", 1, 1}, {2, "TWO", "numbered two", 1, 1}}, {})));
  const zvcat::FormView view = zvcat::ShowForm(paths_, "2");
  ASSERT_TRUE(view.found);
  EXPECT_EQ(1, view.form.id);
}

TEST_F(CatalogueViewTest, ADamagedGroupInfoFileIsReportedNotRead) {
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(Path(kExampleGroupInfo), &bytes));
  ASSERT_TRUE(WriteWholeFile(Path(kExampleGroupInfo), bytes.substr(0, bytes.size() - 1)));
  const zvcat::FormView view = zvcat::ShowForm(paths_, "INVOICE");
  ASSERT_TRUE(view.found);
  ASSERT_TRUE(view.namesGroupInfo);
  EXPECT_EQ(FileState::kDamaged, view.group.state);
  EXPECT_TRUE(view.group.overlays.empty());

  ASSERT_TRUE(zvtest::RemoveFile(Path(kExampleGroupInfo)));
  EXPECT_EQ(FileState::kMissing, zvcat::ShowForm(paths_, "INVOICE").group.state);
}

TEST_F(CatalogueViewTest, DamagedAndMissingListFilesAreReported) {
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(Path(kExampleGroupList), &bytes));
  ASSERT_TRUE(WriteWholeFile(Path(kExampleGroupList), bytes + "x"));
  const zvcat::CatalogueList damagedGroups = zvcat::ReadCatalogueList(paths_);
  EXPECT_EQ(FileState::kRead, damagedGroups.formList);
  EXPECT_EQ(FileState::kDamaged, damagedGroups.groupList);
  ASSERT_EQ(4u, damagedGroups.forms.size());
  EXPECT_FALSE(damagedGroups.forms[0].groupTextRead);

  ASSERT_TRUE(ReadWholeFile(Path(kExampleFormList), &bytes));
  bytes[0] = 'X';
  ASSERT_TRUE(WriteWholeFile(Path(kExampleFormList), bytes));
  const zvcat::CatalogueList damagedForms = zvcat::ReadCatalogueList(paths_);
  EXPECT_EQ(FileState::kDamaged, damagedForms.formList);
  EXPECT_TRUE(damagedForms.forms.empty());
  EXPECT_FALSE(zvcat::ShowForm(paths_, "INVOICE").found);

  paths_.formList = Path("NONE.FLT");
  EXPECT_EQ(FileState::kMissing, zvcat::ReadCatalogueList(paths_).formList);
}

TEST_F(CatalogueViewTest, AnOverlayEntryNamingAMissingFileIsShownAsMissing) {
  ASSERT_TRUE(zvtest::RemoveFile(Path("INV1.ZLP")));
  const zvcat::FormView view = zvcat::ShowForm(paths_, "1");
  ASSERT_EQ(2u, view.group.overlays.size());
  EXPECT_EQ(Path("INV1.ZLP"), view.group.overlays[0].path);
  EXPECT_FALSE(view.group.overlays[0].exists);
  EXPECT_TRUE(view.group.overlays[0].description.empty());
  EXPECT_TRUE(view.group.overlays[1].exists);
}

TEST(ResolveBesideFile, NamesWithABackslashStandAsTheyAre) {
  EXPECT_EQ("C:\\CAT\\A.ZLP", zvcat::ResolveBesideFile("A.ZLP", "C:\\CAT\\_F301A.FGP"));
  EXPECT_EQ("D:\\X\\A.ZLP", zvcat::ResolveBesideFile("D:\\X\\A.ZLP", "C:\\CAT\\_F301A.FGP"));
  EXPECT_EQ("A.ZLP", zvcat::ResolveBesideFile("A.ZLP", "_F301A.FGP"));
}

}  // namespace
}  // namespace zvtest
