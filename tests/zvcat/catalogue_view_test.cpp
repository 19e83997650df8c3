// What zvcat lists and shows of the example catalogue, found by name or
// identifier, and of damaged or missing files; and its JSON writer.
#include <gtest/gtest.h>

#include "catalogue_view.h"
#include "damaged_catalogues.h"
#include "json_writer.h"
#include "support/catalogue_bytes.h"
#include "support/sandbox.h"

namespace zvtest {
namespace {

using zvcat::FileState;

class CatalogueViewTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    WriteExampleCatalogue(Dir());
    paths_ = {Path("FORMS.FLT"), Path("GROUPS.GLT")};
  }
  zvcat::CataloguePaths paths_;
};

std::string Item(const zvcat::FormItem& f) {
  return std::to_string(f.fileEntry) + " " + std::to_string(f.id) + " " + f.name + "|" + f.description + "|" +
         std::to_string(f.layer) + " " + std::to_string(f.groupIndex) + " " +
         std::to_string(f.groupTextRead) + " " + f.groupText + "|" + f.groupPath;
}

TEST_F(CatalogueViewTest, ListGivesEveryRecordWithItsGroupTextAsStoredAndResolved) {
  const zvcat::CatalogueList list = zvcat::ReadCatalogueList(paths_);
  EXPECT_EQ(FileState::kRead, list.formList);
  EXPECT_EQ(FileState::kRead, list.groupList);
  EXPECT_EQ(2u, list.namedCount);
  EXPECT_EQ(2u, list.fileEntryCount);
  const std::vector<std::string> expected = {
      "0 1 INVOICE|Invoice with logo|1 0 1 _F301A.FGP|" + Path("_F301A.FGP"),
      "0 2 Letter|Letterhead|2 1 1 D:\\LETTERS\\|D:\\LETTERS\\",
      "1 -1 LOGO.ZLP|Logo|1 2 1 LOGO.ZLP|" + Path("LOGO.ZLP"), "1 -2 SEAL|Seal on printer|1 3 1 7|7"};
  std::vector<std::string> items;
  for (const auto& f : list.forms) items.push_back(Item(f));
  EXPECT_EQ(expected, items);
}

std::string Line(const std::string& record) {
  zv::PrintSettings settings{};
  zv::DecodePrintSettings(reinterpret_cast<const unsigned char*>(record.data()), &settings);
  char line[zv::kOverlayLineSize];
  zv::BuildOverlayLine(settings, nullptr, 0, true, line);
  return line;
}

TEST_F(CatalogueViewTest, ShowByNameGivesTheGroupInfoHeaderAndEveryOverlay) {
  const zvcat::FormView view = zvcat::ShowForm(paths_, "INVOICE");
  ASSERT_TRUE(view.found && view.namesGroupInfo && view.groupPathExists);
  const zvcat::GroupInfoView& g = view.group;
  EXPECT_EQ(Path("_F301A.FGP"), g.path);
  ASSERT_EQ(FileState::kRead, g.state);
  EXPECT_EQ("4 2 52", std::to_string(g.header.stringCount) + " " + std::to_string(g.header.entryCount) + " " +
                          std::to_string(g.header.poolSize));
  EXPECT_TRUE(g.firstStringRead);
  EXPECT_EQ(
      "Plateau 2 (entr\xE9"
      "e)",
      g.firstString);
  EXPECT_EQ("3 1 _F301A.PBF|" + Path("_F301A.PBF") + " 0",
            std::to_string(g.preview.index) + " " + std::to_string(g.preview.read) + " " + g.preview.text +
                "|" + g.preview.path + " " + std::to_string(g.preview.exists));
  EXPECT_EQ(zv::kNoString, g.edited.index);
  EXPECT_FALSE(g.edited.read);
  ASSERT_EQ(2u, g.overlays.size());
  const char* files[] = {"INV1.ZLP", "INV2.ZLC"};
  const char* descriptions[] = {"Invoice page 1", "Invoice page 2, raw"};
  for (uint32_t i = 0; i < 2; ++i) {
    const zvcat::OverlayItem& o = g.overlays[i];
    EXPECT_EQ(i, o.index);
    EXPECT_EQ(ExampleRecord(i), SettingsRecordBytes(o.settings));
    EXPECT_EQ(Line(ExampleRecord(i)), o.line);
    EXPECT_EQ(static_cast<int32_t>(i + 1), o.fileNameString);
    EXPECT_EQ(std::string(files[i]) + "|" + Path(files[i]) + " 1 " + std::to_string(i == 0) + " 1 " +
                  descriptions[i],
              o.fileName + "|" + o.path + " " + std::to_string(o.exists) + " " + std::to_string(o.hasHeader) +
                  " " + std::to_string(o.layer) + " " + o.description);
  }
  EXPECT_NE(g.overlays[0].line, g.overlays[1].line);
}

TEST_F(CatalogueViewTest, ShowFindsByIdentifierAndByExactNameOnly) {
  const zvcat::FormView letter = zvcat::ShowForm(paths_, "2");
  EXPECT_TRUE(letter.found && letter.form.name == "Letter" && !letter.namesGroupInfo &&
              !letter.groupPathExists);
  const zvcat::FormView logo = zvcat::ShowForm(paths_, "-1");
  ASSERT_TRUE(logo.found && logo.form.fileEntry && logo.groupPathExists && !logo.namesGroupInfo);
  EXPECT_TRUE(logo.namesOverlayFile && logo.overlayHasHeader);
  EXPECT_EQ("Logo 1", logo.overlayDescription + " " + std::to_string(logo.overlayLayer));
  EXPECT_FALSE(zvcat::ShowForm(paths_, "-2").namesOverlayFile);
  for (const char* name : {"-2", "LOGO.ZLP", "invoice", "INVOICE ", "SEAL", "3", "1x", "", "99999999999"})
    EXPECT_EQ(std::string(name) == "-2", zvcat::ShowForm(paths_, name).found) << name;
  // A name made of digits is found as a name first.
  ASSERT_TRUE(WriteWholeFile(paths_.formList, FormListFile({{1, "2", "", 1, 1}, {2, "TWO", "", 1, 1}}, {})));
  EXPECT_EQ(1, zvcat::ShowForm(paths_, "2").form.id);
}

TEST_F(CatalogueViewTest, DamagedAndMissingFilesAreReportedNotRead) {
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(Path(kExampleGroupInfo), &bytes));
  ASSERT_TRUE(WriteWholeFile(Path(kExampleGroupInfo), bytes.substr(0, bytes.size() - 1)));
  zvcat::FormView view = zvcat::ShowForm(paths_, "INVOICE");
  ASSERT_TRUE(view.found && view.namesGroupInfo);
  EXPECT_EQ(FileState::kDamaged, view.group.state);
  EXPECT_TRUE(view.group.overlays.empty());
  ASSERT_TRUE(RemoveFile(Path(kExampleGroupInfo)));
  EXPECT_EQ(FileState::kMissing, zvcat::ShowForm(paths_, "INVOICE").group.state);

  ASSERT_TRUE(WriteWholeFile(Path(kExampleGroupInfo), bytes) && RemoveFile(Path("INV1.ZLP")));
  view = zvcat::ShowForm(paths_, "1");
  ASSERT_EQ(2u, view.group.overlays.size());
  EXPECT_EQ(Path("INV1.ZLP"), view.group.overlays[0].path);
  EXPECT_FALSE(view.group.overlays[0].exists);
  EXPECT_TRUE(view.group.overlays[0].description.empty());
  EXPECT_TRUE(view.group.overlays[1].exists);

  ASSERT_TRUE(ReadWholeFile(paths_.groupList, &bytes) && WriteWholeFile(paths_.groupList, bytes + "x"));
  zvcat::CatalogueList list = zvcat::ReadCatalogueList(paths_);
  EXPECT_EQ(FileState::kRead, list.formList);
  EXPECT_EQ(FileState::kDamaged, list.groupList);
  ASSERT_EQ(4u, list.forms.size());
  EXPECT_FALSE(list.forms[0].groupTextRead);
  ASSERT_TRUE(ReadWholeFile(paths_.formList, &bytes) &&
              WriteWholeFile(paths_.formList, "X" + bytes.substr(1)));
  list = zvcat::ReadCatalogueList(paths_);
  EXPECT_EQ(FileState::kDamaged, list.formList);
  EXPECT_TRUE(list.forms.empty());
  EXPECT_FALSE(zvcat::ShowForm(paths_, "INVOICE").found);
  EXPECT_EQ(FileState::kMissing, zvcat::ReadCatalogueList({Path("NONE.FLT"), paths_.groupList}).formList);
}

TEST(ResolveBesideFile, NamesWithABackslashStandAsTheyAre) {
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

}  // namespace
}  // namespace zvtest
