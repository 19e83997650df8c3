// ZVGetFormID and ZVSetDevOverlay: an overlay choice of the driver's pages
// becomes a form identifier, with the catalogue records it needs.
#include <gtest/gtest.h>

#include <cctype>
#include <initializer_list>
#include <string>
#include <vector>

#include "dialogs/module_frame.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "zvlmn30e.h"

namespace {

using zvtest::Bytes;
using zvtest::FormListFile;
using zvtest::FormSpec;
using zvtest::GroupNameListFile;

constexpr char kChoiceKey[] = "Software\\ZEVRO\\ZEVRO Lamina3 DLL\\Overlay";
constexpr int32_t kUnwritten = 0x5A5A5A5A;
constexpr uint16_t kPrint = 1;
constexpr uint16_t kCreate = 2;
constexpr uint16_t kFile = 1;
constexpr uint16_t kStored = 2;
constexpr uint16_t kNamed = 3;

// A zero-filled record of size bytes with little-endian fields given as
// triples: offset, width in bytes, value.
template <typename... Values>
std::string Fields(size_t size, Values... triples) {
  const uint32_t v[] = {static_cast<uint32_t>(triples)...};
  std::string bytes(size, '\0');
  for (size_t f = 0; f < sizeof v / sizeof v[0]; f += 3) {
    for (uint32_t i = 0; i < v[f + 1]; ++i) bytes[v[f] + i] = static_cast<char>(v[f + 2] >> (8 * i));
  }
  return bytes;
}

// A driver settings block: an A4 portrait page at 600 dpi, high quality.
std::string BlockBytes(uint16_t colour) {
  return Fields(56, 0, 2, 1, 4, 2, 2100, 6, 2, 2970, 12, 2, 9, 24, 2, 100, 28, 2, 2100, 30, 2, 2970, 36, 2, 9,
                44, 2, 600, 48, 2, colour, 50, 2, 1, 54, 2, 0x02);
}

// A group info file with one overlay entry that matches BlockBytes(2).
std::string GroupInfoWithOneEntry() {
  const std::string record =
      Fields(34, 0, 2, 1, 2, 1, 1, 3, 1, 1, 6, 2, 2100, 8, 2, 2970, 14, 2, 9, 16, 1, 1, 17, 2, 600, 19, 1, 2,
             20, 1, 0x02, 22, 2, 2100, 24, 2, 2970, 30, 2, 9, 32, 2, 100);
  // One entry, one string: the file name, 13 pool bytes.
  return "ZEVROFORM GROUPINFO V1.0" +
         Fields(40, 0, 4, -1, 4, 4, -1, 24, 4, -1, 28, 4, 1, 32, 4, 1, 36, 4, 13) + record +
         Bytes().I32(0).U32(0).Pooled("_F30500.ZLP").str();
}

void DeleteChoiceKey() {
  plat::RegDeleteKey(kChoiceKey);
  // The parents go only when nothing else lives under them.
  plat::RegDeleteKey("Software\\ZEVRO\\ZEVRO Lamina3 DLL");
  plat::RegDeleteKey("Software\\ZEVRO");
}

class DeviceOverlayTest : public zvtest::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    DeleteChoiceKey();
  }
  void TearDown() override {
    DeleteChoiceKey();
    CatalogueTest::TearDown();
  }

  struct Call {
    int32_t result;
    int32_t id;
  };

  Call Set(uint16_t purpose, uint16_t source, const char* name, uint16_t number = 0, uint32_t layer = 1,
           const char* description = nullptr, const char* saveDirectory = nullptr, int16_t colour = 2) {
    const std::string block = BlockBytes(colour);
    const uint16_t caps[] = {1, 2};
    Call call{0, kUnwritten};
    call.result = ZVSetDevOverlay(block.data(), 2, caps, purpose, source, name, number, layer, saveDirectory,
                                  description, &call.id);
    return call;
  }

  static void WriteChoice(const std::string& file, const std::string& explanation) {
    plat::RegKey key = nullptr;
    ASSERT_EQ(plat::RegCreateKey(kChoiceKey, &key), plat::kRegSuccess);
    const uint32_t type = 3;
    const uint32_t position = 1;
    plat::RegSetValue(key, "Type", plat::kRegDword, &type, 4);
    plat::RegSetValue(key, "Position", plat::kRegDword, &position, 4);
    plat::RegSetValue(key, "File", plat::kRegSz, file.c_str(), static_cast<uint32_t>(file.size() + 1));
    plat::RegSetValue(key, "Explanation", plat::kRegSz, explanation.c_str(),
                      static_cast<uint32_t>(explanation.size() + 1));
    plat::RegCloseKey(key);
  }

  void ExpectCatalogue(const std::string& formList, const std::string& groupList) {
    std::string bytes;
    ASSERT_TRUE(zvtest::ReadWholeFile(FormListPath(), &bytes));
    EXPECT_EQ(bytes, formList);
    ASSERT_TRUE(zvtest::ReadWholeFile(GroupListPath(), &bytes));
    EXPECT_EQ(bytes, groupList);
  }

  void WriteDriverConfiguration(const std::string& entries) {
    ASSERT_TRUE(zvtest::WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\n" + entries + "\r\n"));
  }
};

TEST_F(DeviceOverlayTest, GetFormIdMatchesNamedFormsByExactName) {
  EXPECT_EQ(ZVGetFormID("INVOICE"), 0);
  WriteFormList(FormListFile({{3, "INVOICE", "", 1, 0}, {7, "Letter", "", 2, 1}}, {{-1, "P", "", 1, 2}}, 1));
  EXPECT_EQ(ZVGetFormID("INVOICE"), 3);
  EXPECT_EQ(ZVGetFormID("Letter"), 7);
  EXPECT_EQ(ZVGetFormID("invoice"), 0);
  EXPECT_EQ(ZVGetFormID("INVOICE "), 0);
  // File entries have no form name.
  EXPECT_EQ(ZVGetFormID("P"), 0);
}

TEST_F(DeviceOverlayTest, OverlayFilesBecomePrintEntries) {
  for (const char* name : {"LOGO.ZLP", "_F301A00.ZLP", "_F301A00.ZLC", "LOGO", "LOGO.TXT"}) {
    ASSERT_TRUE(zvtest::WriteWholeFile(Path(name), "data"));
  }
  // Refused: a name the catalogue makes, a foreign extension, a missing file,
  // an unknown purpose, an empty name.
  for (const std::string& name : {Path("_F301A00.ZLP"), Path("LOGO.TXT"), Path("GONE.ZLP")}) {
    const Call call = Set(kPrint, kFile, name.c_str());
    EXPECT_EQ(call.result, 0) << name;
    EXPECT_EQ(call.id, kUnwritten) << name;
  }
  EXPECT_EQ(Set(3, kFile, Path("LOGO.ZLP").c_str()).result, 0);
  EXPECT_EQ(Set(kPrint, kFile, "").result, 0);
  EXPECT_FALSE(zvtest::FileExists(FormListPath()));

  Call call = Set(kPrint, kFile, Path("LOGO.ZLP").c_str(), 0, 0x0102, "logo");
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.id, -1);
  // Raw printer data may carry a generated name; a name without a dot has no
  // extension to refuse.
  EXPECT_EQ(Set(kPrint, kFile, Path("_F301A00.ZLC").c_str()).id, -2);
  EXPECT_EQ(Set(kPrint, kFile, Path("LOGO").c_str()).id, -3);
  ExpectCatalogue(FormListFile({}, {{-1, "P", "logo", 2, 0}, {-2, "P", "", 1, 1}, {-3, "P", "", 1, 2}}, 3),
                  GroupNameListFile({Path("LOGO.ZLP"), Path("_F301A00.ZLC"), Path("LOGO")}));
}

TEST_F(DeviceOverlayTest, StoredOverlaysArePrintedByNumberOnly) {
  EXPECT_EQ(Set(kCreate, kStored, nullptr, 7).result, 0);
  EXPECT_FALSE(zvtest::FileExists(FormListPath()));
  const Call call = Set(kPrint, kStored, nullptr, 7, 2);
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.id, -1);
  ExpectCatalogue(FormListFile({}, {{-1, "P", "", 2, 0}}, 1), GroupNameListFile({"7"}));

  const std::string block = BlockBytes(2);
  const uint16_t caps[] = {1};
  uint16_t device = 0;
  char path[261] = "untouched";
  EXPECT_EQ(ZVSearchForm(block.data(), 1, caps, -1, &device, path), 2u);
  EXPECT_EQ(device, 7);
  EXPECT_STREQ(path, "untouched");
}

TEST_F(DeviceOverlayTest, CaptureEntryTakesTheDriversExplanationForItsFile) {
  const std::string target = Path("NEW.ZLP");  // need not exist for a capture
  std::string lower = target;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  WriteChoice(lower, "From the driver");
  EXPECT_EQ(Set(kCreate, kFile, target.c_str()).id, -1);
  // Another file keeps the description given.
  EXPECT_EQ(Set(kCreate, kFile, Path("OTHER.ZLP").c_str(), 0, 2, "mine").id, -2);
  // An explanation longer than a description is cut to 255 characters.
  WriteChoice(target, std::string(260, 'e'));
  EXPECT_EQ(Set(kCreate, kFile, target.c_str(), 0, 1, "mine").id, -3);
  // Without the key the description stays the argument.
  DeleteChoiceKey();
  EXPECT_EQ(Set(kCreate, kFile, target.c_str(), 0, 1, "mine").id, -4);
  ExpectCatalogue(FormListFile({},
                               {{-1, "C", "From the driver", 1, 0},
                                {-2, "C", "mine", 2, 1},
                                {-3, "C", std::string(255, 'e'), 1, 2},
                                {-4, "C", "mine", 1, 3}},
                               4),
                  GroupNameListFile({target, Path("OTHER.ZLP"), target, target}));
}

TEST_F(DeviceOverlayTest, FullRingOverwritesTheEntryWithTheNextNumber) {
  std::vector<FormSpec> entries;
  std::vector<std::string> texts{"INVOICE.FGP"};
  for (int32_t n = 1; n <= 256; ++n) {
    entries.push_back({-n, "P", "old " + std::to_string(n), 1, static_cast<uint32_t>(n)});
    texts.push_back(std::to_string(n));
  }
  const std::vector<FormSpec> named{{5, "INVOICE", "", 1, 0}};
  WriteFormList(FormListFile(named, entries, 41));
  WriteGroupList(GroupNameListFile(texts));

  const Call call = Set(kPrint, kStored, nullptr, 9, 2, "new");
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.id, -42);
  entries[41] = {-42, "P", "new", 2, 42};
  texts[42] = "9";
  ExpectCatalogue(FormListFile(named, entries, 42), GroupNameListFile(texts));
}

TEST_F(DeviceOverlayTest, MissingNamedFormIsCreatedOnlyForCapture) {
  const std::vector<std::string> texts{"A.FGP", "C.FGP"};
  WriteFormList(FormListFile({{1, "A", "", 1, 0}, {3, "C", "", 1, 1}}, {}));
  WriteGroupList(GroupNameListFile(texts));
  const std::string formList = FormListFile({{1, "A", "", 1, 0}, {3, "C", "", 1, 1}}, {});
  const std::string groupList = GroupNameListFile(texts);

  char noFormName[256];
  zv::LoadMessage(zv::kMsgNoFormName, noFormName, sizeof noFormName);
  for (const Call& call : {Set(kPrint, kNamed, "ORDER"), Set(kCreate, kNamed, noFormName),
                           Set(kCreate, kNamed, std::string(25, 'N').c_str())}) {
    EXPECT_EQ(call.result, 0);
    EXPECT_EQ(call.id, kUnwritten);
  }
  ExpectCatalogue(formList, groupList);

  // The lowest free identifier, the stored current directory.
  Call call = Set(kCreate, kNamed, "ORDER", 0, 2);
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.id, 2);
  call = Set(kCreate, kNamed, "MEMO", 0, 1, "notes", "D:\\FORMS");
  EXPECT_EQ(call.id, 4);
  ExpectCatalogue(
      FormListFile(
          {{1, "A", "", 1, 0}, {3, "C", "", 1, 1}, {2, "ORDER", "", 2, 2}, {4, "MEMO", "notes", 1, 3}}, {}),
      GroupNameListFile({"A.FGP", "C.FGP", Dir(), "D:\\FORMS"}));

  // No room left in the identifier range.
  WriteDriverConfiguration("F3GRP=1,4");
  EXPECT_EQ(Set(kCreate, kNamed, "FIFTH").result, 0);
  EXPECT_EQ(ZVGetFormID("FIFTH"), 0);
}

TEST_F(DeviceOverlayTest, ExistingNamedFormNeedsAnOverlayOrRoomForOne) {
  WriteFormList(FormListFile({{5, "INVOICE", "", 1, 0}}, {}));
  WriteGroupList(GroupNameListFile({"INVOICE.FGP"}));
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("INVOICE.FGP"), GroupInfoWithOneEntry()));

  Call call = Set(kPrint, kNamed, "INVOICE");
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.id, 5);
  // A colour page has no overlay in this group.
  const int16_t colour = 1;
  EXPECT_EQ(Set(kPrint, kNamed, "INVOICE", 0, 1, nullptr, nullptr, colour).result, 0);
  EXPECT_EQ(Set(kCreate, kNamed, "INVOICE", 0, 1, nullptr, nullptr, colour).id, 5);
  // A group that holds as many overlays as the number range allows.
  WriteDriverConfiguration("F3CMD=3,3");
  call = Set(kCreate, kNamed, "INVOICE", 0, 1, nullptr, nullptr, colour);
  EXPECT_EQ(call.result, 0);
  EXPECT_EQ(call.id, kUnwritten);
  EXPECT_EQ(Set(kCreate, kNamed, "INVOICE").id, 5);
}

}  // namespace
