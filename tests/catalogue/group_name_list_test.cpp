// The group name list file: layout and validity, reading entries, the two
// resolution rules, and the lookups from a form record to its group.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "catalogue/group_name_list.h"
#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"

namespace {

using zvtest::Bytes;
using zvtest::FormListFile;
using zvtest::FormSpec;
using zvtest::GroupNameListFile;

constexpr char kMagic[] = "ZEVROFORM GROUPNAMEINFO V1.0";
constexpr char kUntouched[] = "untouched";
constexpr char kNoPath[] = "(no path)";
constexpr char kSystemList[] = "C:\\WINDOWS\\SYSTEM\\ZVLMN3.GLT";

// A group name list file with the offset table and pool given as they are.
std::string RawGroupList(const std::vector<uint32_t>& offsets, const std::string& pool) {
  Bytes file;
  file.Text(kMagic).U32(static_cast<uint32_t>(offsets.size())).U32(static_cast<uint32_t>(pool.size()));
  for (uint32_t offset : offsets) file.U32(offset);
  return file.str() + pool;
}

std::string Full(const char* text, const char* listPath = kSystemList) {
  std::vector<char> path(plat::kPathBuffer, '#');
  if (!zv::ResolveGroupTextFull(text, listPath, path.data())) return kNoPath;
  return path.data();
}

std::string ByPath(const char* text, const char* listPath = kSystemList) {
  std::vector<char> path(plat::kPathBuffer, '#');
  if (!zv::ResolveGroupTextPath(text, listPath, path.data())) return kNoPath;
  return path.data();
}

struct RecordInfo {
  int16_t layer;
  std::string name;
  std::string description;
  std::string location;
};

class GroupNameListTest : public zvtest::CatalogueTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }

  zv::ListFileState Open(zv::GroupListHeader* header) {
    plat::FileHandle file = nullptr;
    const zv::ListFileState state =
        zv::OpenGroupNameList(GroupListPath().c_str(), plat::kAccessRead, &file, header);
    if (file) plat::CloseFile(file);
    EXPECT_EQ(file != nullptr, state == zv::ListFileState::kValid);
    return state;
  }

  // Reads one entry into a heap buffer of exactly 261 bytes, so that the
  // sanitized build catches a write past it.
  bool ReadEntry(uint32_t index, std::string* text) {
    plat::FileHandle file = nullptr;
    zv::GroupListHeader header{};
    if (zv::OpenGroupNameList(GroupListPath().c_str(), plat::kAccessRead, &file, &header) !=
        zv::ListFileState::kValid) {
      ADD_FAILURE() << "the group name list does not open";
      return false;
    }
    std::vector<char> buffer(plat::kPathBuffer, '#');
    const bool read = zv::ReadGroupText(file, header, index, buffer.data());
    plat::CloseFile(file);
    *text = std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return read;
  }

  std::string GroupPath(int32_t id) {
    std::vector<char> path(plat::kPathBuffer, '#');
    if (!zv::GetFormGroupPath(id, path.data())) return kNoPath;
    return path.data();
  }

  // GetFormRecordInfo with buffers of exactly their documented sizes, each
  // filled with a marker first.
  RecordInfo Info(int32_t id, const char* name, bool wantLocation = true) {
    std::vector<char> nameBuffer(25, '\0');
    std::vector<char> description(256, '\0');
    std::vector<char> location(plat::kPathBuffer, '\0');
    std::strcpy(nameBuffer.data(), name ? name : kUntouched);
    std::strcpy(description.data(), kUntouched);
    std::strcpy(location.data(), kUntouched);
    RecordInfo info;
    info.layer = zv::GetFormRecordInfo(id, name || id != 0 ? nameBuffer.data() : nullptr, description.data(),
                                       wantLocation ? location.data() : nullptr);
    info.name = nameBuffer.data();
    info.description = description.data();
    info.location = location.data();
    return info;
  }

  // The scratch directory without its final backslash.
  std::string DirWithoutBackslash() const { return Dir().substr(0, Dir().size() - 1); }
};

TEST_F(GroupNameListTest, OneEntryFileIsFiftyOneBytes) {
  const std::string file = Bytes().Text(kMagic).U32(1).U32(11).U32(0).U16(9).Text("C:\\FORMS\\").str();
  ASSERT_EQ(file.size(), 51u);
  ASSERT_EQ(file, GroupNameListFile({"C:\\FORMS\\"}));
  WriteGroupList(file);
  zv::GroupListHeader header{};
  ASSERT_EQ(Open(&header), zv::ListFileState::kValid);
  EXPECT_EQ(header.entryCount, 1u);
  EXPECT_EQ(header.poolSize, 11u);
  EXPECT_EQ(zv::GroupListPoolOffset(header), 40u);
  std::string text;
  EXPECT_TRUE(ReadEntry(0, &text));
  EXPECT_EQ(text, "C:\\FORMS\\");
}

TEST_F(GroupNameListTest, SizeAndMagicDecideValidity) {
  const std::string good = GroupNameListFile({"C:\\FORMS\\"});
  zv::GroupListHeader header{};
  WriteGroupList(good.substr(0, 50));
  EXPECT_EQ(Open(&header), zv::ListFileState::kDamaged);
  WriteGroupList(good + '\0');
  EXPECT_EQ(Open(&header), zv::ListFileState::kDamaged);
  for (size_t at : {size_t{0}, size_t{10}, size_t{27}}) {
    std::string wrong = good;
    wrong[at] ^= 0x20;
    WriteGroupList(wrong);
    EXPECT_EQ(Open(&header), zv::ListFileState::kDamaged) << "magic byte " << at;
  }
  WriteGroupList(good.substr(0, 20));
  EXPECT_EQ(Open(&header), zv::ListFileState::kDamaged);
  // Counts so large that the expected size wraps around 32 bits.
  WriteGroupList(Bytes().Text(kMagic).U32(0x40000000).U32(0).str());
  EXPECT_EQ(Open(&header), zv::ListFileState::kDamaged);
  WriteGroupList(GroupNameListFile({}));
  EXPECT_EQ(Open(&header), zv::ListFileState::kValid);
  EXPECT_EQ(header.entryCount, 0u);
  ASSERT_TRUE(zvtest::RemoveFile(GroupListPath()));
  EXPECT_EQ(Open(&header), zv::ListFileState::kCannotOpen);
}

TEST(GroupNameListLayoutTest, EncodedHeaderIsTheMagicAndBothCounts) {
  unsigned char bytes[36];
  std::memset(bytes, 0xCC, sizeof bytes);
  zv::EncodeGroupListHeader(zv::GroupListHeader{0x01020304, 0xA0B0C0D0}, bytes);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), sizeof bytes),
            Bytes().Text(kMagic).U32(0x01020304).U32(0xA0B0C0D0).str());
}

TEST_F(GroupNameListTest, TextsAreFoundThroughTheOffsetTable) {
  // Entry 0's text stands behind entry 1's in the pool.
  WriteGroupList(RawGroupList({8, 0}, Bytes().Pooled("ABCDEF").Pooled("XY").str()));
  std::string text;
  EXPECT_TRUE(ReadEntry(1, &text));
  EXPECT_EQ(text, "ABCDEF");
  EXPECT_TRUE(ReadEntry(0, &text));
  EXPECT_EQ(text, "XY");
}

TEST_F(GroupNameListTest, LongestTextIs260Characters) {
  const std::string longest(260, 'L');
  WriteGroupList(GroupNameListFile({"", longest}));
  std::string text = "not read";
  EXPECT_TRUE(ReadEntry(0, &text));
  EXPECT_EQ(text, "");
  EXPECT_TRUE(ReadEntry(1, &text));
  EXPECT_EQ(text, longest);
}

TEST_F(GroupNameListTest, EntriesReachingOutsideThePoolAreDamaged) {
  std::string text;
  WriteGroupList(GroupNameListFile({"A.FGP", "B.FGP"}));
  EXPECT_FALSE(ReadEntry(2, &text)) << "index at the entry count";
  EXPECT_FALSE(ReadEntry(0xFFFFFFFF, &text));
  EXPECT_EQ(text, "");

  // The slot after the table would read the pool's first bytes as offset 0.
  WriteGroupList(RawGroupList({4}, Bytes().U32(0).Pooled("A.FGP").str()));
  EXPECT_TRUE(ReadEntry(0, &text));
  EXPECT_EQ(text, "A.FGP");
  EXPECT_FALSE(ReadEntry(1, &text));

  // The length itself lies half outside the pool.
  WriteGroupList(RawGroupList({0, 7}, Bytes().Pooled("A.FGP").U8(1).str()));
  EXPECT_TRUE(ReadEntry(0, &text));
  EXPECT_FALSE(ReadEntry(1, &text));
  // An offset beyond the pool, also one that would wrap in 32 bits.
  WriteGroupList(RawGroupList({0, 9, 0xFFFFFFFF}, Bytes().Pooled("A.FGP").str()));
  EXPECT_FALSE(ReadEntry(1, &text));
  EXPECT_FALSE(ReadEntry(2, &text));
  // A length one byte longer than what is left of the pool.
  WriteGroupList(RawGroupList({0}, Bytes().U16(6).Text("A.FGP").str()));
  EXPECT_FALSE(ReadEntry(0, &text));
  EXPECT_EQ(text, "");
  // A text of 261 characters fits the pool but not a path buffer.
  WriteGroupList(RawGroupList({0}, Bytes().Pooled(std::string(261, 'T')).str()));
  EXPECT_FALSE(ReadEntry(0, &text));
}

TEST(GroupTextRulesTest, FileNamesLieBesideTheGroupNameList) {
  EXPECT_EQ(Full("FORM1.FGP"), "C:\\WINDOWS\\SYSTEM\\FORM1.FGP");
  EXPECT_EQ(ByPath("FORM1.FGP"), "C:\\WINDOWS\\SYSTEM\\FORM1.FGP");
  EXPECT_EQ(Full("12A"), "C:\\WINDOWS\\SYSTEM\\12A");
  // Without a directory in the list's path the name stays alone.
  EXPECT_EQ(Full("FORM1.FGP", "ZVLMN3.GLT"), "FORM1.FGP");
  EXPECT_EQ(ByPath("12", "ZVLMN3.GLT"), "12");
}

TEST(GroupTextRulesTest, NumbersAndEmptyTextsStandOnlyUnderTheFullRule) {
  EXPECT_EQ(Full("12"), "12");
  EXPECT_EQ(ByPath("12"), "C:\\WINDOWS\\SYSTEM\\12");
  EXPECT_EQ(Full(""), "");
  EXPECT_EQ(ByPath(""), "C:\\WINDOWS\\SYSTEM\\");
}

TEST(GroupTextRulesTest, PathsWithABackslashStandUnderBothRules) {
  EXPECT_EQ(Full("D:\\DATA\\BILL.ZLC"), "D:\\DATA\\BILL.ZLC");
  EXPECT_EQ(ByPath("D:\\DATA\\BILL.ZLC"), "D:\\DATA\\BILL.ZLC");
  EXPECT_EQ(Full("C:\\FORMS\\"), "C:\\FORMS\\");
  EXPECT_EQ(ByPath("\\\\SERVER\\SHARE\\F.FGP"), "\\\\SERVER\\SHARE\\F.FGP");
}

TEST(GroupTextRulesTest, AResultLongerThanAPathFails) {
  const std::string listPath = "C:\\" + std::string(246, 'D') + "\\ZVLMN3.GLT";  // directory of 250
  EXPECT_EQ(Full(std::string(10, 'N').c_str(), listPath.c_str()),
            "C:\\" + std::string(246, 'D') + "\\" + std::string(10, 'N'));
  EXPECT_EQ(Full(std::string(11, 'N').c_str(), listPath.c_str()), kNoPath);
  EXPECT_EQ(ByPath(std::string(11, 'N').c_str(), listPath.c_str()), kNoPath);
}

TEST_F(GroupNameListTest, EachIdentifierSignSearchesItsOwnRegion) {
  WriteFormList(FormListFile({{1, "Save", "", 1, 0}, {2, "Group", "", 1, 1}, {-3, "Wrong", "", 1, 4}},
                             {{-1, "P", "", 1, 2}, {-2, "C", "", 2, 3}, {3, "Wrong", "", 1, 4}}));
  WriteGroupList(GroupNameListFile({"C:\\FORMS\\", "FORM2.FGP", "12", "D:\\DATA\\BILL.ZLC", "WRONG.FGP"}));
  zv::SetLastErrorCode(999);
  EXPECT_EQ(GroupPath(1), "C:\\FORMS\\");
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  EXPECT_EQ(GroupPath(2), Path("FORM2.FGP"));
  EXPECT_EQ(GroupPath(-1), "12");
  EXPECT_EQ(GroupPath(-2), "D:\\DATA\\BILL.ZLC");
  // Each is in the other region only.
  EXPECT_EQ(GroupPath(-3), kNoPath);
  EXPECT_EQ(GroupPath(3), kNoPath);
  EXPECT_EQ(GroupPath(0), kNoPath);
  EXPECT_EQ(GroupPath(4), kNoPath);
}

TEST_F(GroupNameListTest, GroupPathOfAnEmptyTextIsEmpty) {
  WriteFormList(FormListFile({}, {{-1, "P", "", 1, 0}}));
  WriteGroupList(GroupNameListFile({""}));
  EXPECT_EQ(GroupPath(-1), "");
}

TEST_F(GroupNameListTest, GroupPathSearchesEveryBlockOfRecords) {
  std::vector<FormSpec> named;
  std::vector<FormSpec> entries;
  std::vector<std::string> texts;
  for (int32_t i = 1; i <= 40; ++i) {
    named.push_back({i, "F" + std::to_string(i), "", 1, static_cast<uint32_t>(texts.size())});
    texts.push_back("F" + std::to_string(i) + ".FGP");
  }
  for (int32_t i = 1; i <= 20; ++i) {
    entries.push_back({-i, "P", "", 1, static_cast<uint32_t>(texts.size())});
    texts.push_back("D:\\E" + std::to_string(i) + ".ZLC");
  }
  WriteFormList(FormListFile(named, entries, 20));
  WriteGroupList(GroupNameListFile(texts));
  EXPECT_EQ(GroupPath(1), Path("F1.FGP"));
  EXPECT_EQ(GroupPath(18), Path("F18.FGP"));
  EXPECT_EQ(GroupPath(35), Path("F35.FGP"));
  EXPECT_EQ(GroupPath(40), Path("F40.FGP"));
  EXPECT_EQ(GroupPath(-1), "D:\\E1.ZLC");
  EXPECT_EQ(GroupPath(-20), "D:\\E20.ZLC");
  EXPECT_EQ(GroupPath(41), kNoPath);
}

TEST_F(GroupNameListTest, GroupPathFailsWhenEitherListCannotBeUsed) {
  const std::string forms = FormListFile({{1, "A", "", 1, 0}, {2, "B", "", 1, 1}}, {});
  const std::string groups = GroupNameListFile({"A.FGP"});
  WriteFormList(forms);
  WriteGroupList(groups);
  EXPECT_EQ(GroupPath(1), Path("A.FGP"));
  EXPECT_EQ(GroupPath(2), kNoPath) << "group index at the entry count";

  WriteGroupList(groups + 'x');
  EXPECT_EQ(GroupPath(1), kNoPath);
  ASSERT_TRUE(zvtest::RemoveFile(GroupListPath()));
  EXPECT_EQ(GroupPath(1), kNoPath);

  WriteGroupList(groups);
  WriteFormList(forms.substr(0, forms.size() - 1));
  EXPECT_EQ(GroupPath(1), kNoPath);
  ASSERT_TRUE(zvtest::RemoveFile(FormListPath()));
  EXPECT_EQ(GroupPath(1), kNoPath);

  WriteFormList(forms);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(GroupPath(1), kNoPath);
  plat::fault::Reset();
  ASSERT_TRUE(zvtest::WriteWholeFile(
      SystemPath("ZVLMN3.DAT"),
      "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n[DEFAULT]\r\nFormName=" + FormListPath() + "\r\n"));
  EXPECT_EQ(GroupPath(1), kNoPath) << "no group name list in the configuration";
}

TEST_F(GroupNameListTest, RecordInfoByIdentifierGivesTheGroupInfoFile) {
  WriteFormList(FormListFile({{3, "Invoice", "Monthly invoice", 2, 0}}, {{-1, "P", "Bill", 1, 1}}));
  WriteGroupList(GroupNameListFile({"D:\\FORMS\\_F301A.FGP", "D:\\DATA\\BILL.ZLC"}));
  RecordInfo info = Info(3, "zzz");
  EXPECT_EQ(info.layer, 2);
  EXPECT_EQ(info.name, "Invoice");
  EXPECT_EQ(info.description, "Monthly invoice");
  EXPECT_EQ(info.location, "D:\\FORMS\\_F301A.FGP");

  info = Info(-1, "zzz");
  EXPECT_EQ(info.layer, 1);
  EXPECT_EQ(info.name, "P");
  EXPECT_EQ(info.description, "Bill");
  EXPECT_EQ(info.location, "D:\\DATA");

  // No location asked for: the rest is given all the same.
  info = Info(3, "zzz", false);
  EXPECT_EQ(info.layer, 2);
  EXPECT_EQ(info.description, "Monthly invoice");
  EXPECT_EQ(info.location, kUntouched);
  std::vector<char> description(256, '\0');
  EXPECT_EQ(zv::GetFormRecordInfo(3, nullptr, description.data(), nullptr), 2);
  EXPECT_STREQ(description.data(), "Monthly invoice");
}

TEST_F(GroupNameListTest, LocationKeepsOnlyGroupInfoFilesWhole) {
  const std::vector<std::string> texts = {"D:\\FORMS\\_F301A.fgp", "C:\\FORMS\\", "D:\\V1.0\\DATA",
                                          "D:\\FORMS\\X.FGPX",     "FORM9.Fgp",   "12",
                                          "D:\\FORMS\\FGP",        "NAME.ZLP",    "D:\\V1.0\\_F301A.FGP"};
  std::vector<FormSpec> named;
  for (uint32_t i = 0; i < texts.size(); ++i) named.push_back({static_cast<int32_t>(i + 1), "F", "", 1, i});
  WriteFormList(FormListFile(named, {}));
  WriteGroupList(GroupNameListFile(texts));
  EXPECT_EQ(Info(1, nullptr).location, "D:\\FORMS\\_F301A.fgp");
  EXPECT_EQ(Info(2, nullptr).location, "C:\\FORMS");
  EXPECT_EQ(Info(3, nullptr).location, "D:\\V1.0") << "the extension runs from the last dot";
  EXPECT_EQ(Info(4, nullptr).location, "D:\\FORMS");
  EXPECT_EQ(Info(5, nullptr).location, Path("FORM9.Fgp")) << "by the path rule";
  EXPECT_EQ(Info(6, nullptr).location, DirWithoutBackslash()) << "digits are a name by the path rule";
  EXPECT_EQ(Info(7, nullptr).location, "D:\\FORMS");
  EXPECT_EQ(Info(8, nullptr).location, DirWithoutBackslash());
  EXPECT_EQ(Info(9, nullptr).location, "D:\\V1.0\\_F301A.FGP");
}

TEST_F(GroupNameListTest, RecordInfoByNameTriesNamedFormsFirst) {
  WriteGroupList(GroupNameListFile({"A.FGP", "D:\\C.ZLC", "D:\\P1.ZLC", "D:\\P2.ZLC", "B.FGP"}));
  WriteFormList(FormListFile({{4, "Q", "named Q", 2, 0}, {5, "P", "named P", 2, 4}},
                             {{-1, "C", "capture", 2, 1}, {-2, "P", "first P", 1, 2}}));
  RecordInfo info = Info(0, "P");
  EXPECT_EQ(info.layer, 2);
  EXPECT_EQ(info.description, "named P");
  EXPECT_EQ(info.location, Path("B.FGP"));

  WriteFormList(
      FormListFile({{4, "Q", "named Q", 2, 0}},
                   {{-1, "C", "capture", 2, 1}, {-2, "P", "first P", 1, 2}, {-3, "P", "second P", 2, 3}}));
  info = Info(0, "P");
  EXPECT_EQ(info.layer, 1);
  EXPECT_EQ(info.name, "P");
  EXPECT_EQ(info.description, "first P");
  EXPECT_EQ(info.location, "D:");
  // Names compare byte for byte.
  info = Info(0, "p");
  EXPECT_EQ(info.layer, -1);
  EXPECT_EQ(info.description, kUntouched);
  EXPECT_EQ(info.location, kUntouched);
  EXPECT_EQ(Info(0, "").layer, -1);
}

TEST_F(GroupNameListTest, RecordInfoWithoutAMatchWritesNothing) {
  WriteFormList(FormListFile({{1, "A", "a", 1, 0}}, {{-1, "P", "p", 1, 1}}));
  WriteGroupList(GroupNameListFile({"A.FGP", "D:\\P.ZLC"}));
  for (int32_t id : {2, -2, 0}) {
    const RecordInfo info = Info(id, nullptr);
    EXPECT_EQ(info.layer, -1) << id;
    EXPECT_EQ(info.name, kUntouched) << id;
    EXPECT_EQ(info.description, kUntouched) << id;
    EXPECT_EQ(info.location, kUntouched) << id;
  }
}

TEST_F(GroupNameListTest, RecordInfoFindsRecordsBeyondTheFirstBlocks) {
  std::vector<FormSpec> named;
  for (int32_t i = 1; i <= 30; ++i) named.push_back({i, "N" + std::to_string(i), "", 1, 0});
  WriteFormList(FormListFile(named, {{-1, "P", "", 2, 1}, {-2, "C", "capture", 1, 1}}, 2));
  WriteGroupList(GroupNameListFile({"A.FGP", "D:\\DATA\\C.ZLC"}));
  RecordInfo info = Info(0, "C");
  EXPECT_EQ(info.layer, 1);
  EXPECT_EQ(info.description, "capture");
  EXPECT_EQ(info.location, "D:\\DATA");
  info = Info(0, "N29");
  EXPECT_EQ(info.layer, 1);
  EXPECT_EQ(info.location, Path("A.FGP"));
}

TEST_F(GroupNameListTest, UnusableGroupListLeavesTheLocationAlone) {
  const std::string groups = GroupNameListFile({"D:\\FORMS\\_F301A.FGP"});
  WriteFormList(FormListFile({{1, "A", "a", 2, 0}, {2, "B", "b", 1, 1}}, {}));
  WriteGroupList(groups.substr(0, groups.size() - 1));
  RecordInfo info = Info(1, nullptr);
  EXPECT_EQ(info.layer, 2);
  EXPECT_EQ(info.description, "a");
  EXPECT_EQ(info.location, kUntouched);

  ASSERT_TRUE(zvtest::RemoveFile(GroupListPath()));
  info = Info(1, nullptr);
  EXPECT_EQ(info.layer, 2);
  EXPECT_EQ(info.location, kUntouched);

  WriteGroupList(groups);
  info = Info(2, nullptr);
  EXPECT_EQ(info.layer, 1) << "group index past the entry count";
  EXPECT_EQ(info.location, kUntouched);

  // A file name that would not fit beside the list's directory.
  WriteGroupList(GroupNameListFile({std::string(260, 'N')}));
  info = Info(1, nullptr);
  EXPECT_EQ(info.layer, 2);
  EXPECT_EQ(info.location, kUntouched);
}

TEST_F(GroupNameListTest, RecordInfoCutsOverlongNamesAndDescriptions) {
  // Fields filled to their last byte, without a terminator.
  WriteFormList(FormListFile({{1, std::string(30, 'N'), std::string(300, 'D'), 1, 0}}, {}));
  WriteGroupList(GroupNameListFile({"A.FGP"}));
  const RecordInfo info = Info(1, "x");
  EXPECT_EQ(info.name, std::string(24, 'N'));
  EXPECT_EQ(info.description, std::string(255, 'D'));
  // Such a name matches no name that is looked for.
  EXPECT_EQ(Info(0, std::string(24, 'N').c_str()).layer, -1);
}

TEST_F(GroupNameListTest, RecordInfoFailsWithoutTheFormList) {
  WriteGroupList(GroupNameListFile({"A.FGP"}));
  const std::string forms = FormListFile({{1, "A", "a", 1, 0}}, {});
  EXPECT_EQ(Info(1, nullptr).layer, -1) << "no form name list";
  WriteFormList(forms + 'x');
  EXPECT_EQ(Info(1, nullptr).layer, -1) << "damaged form name list";
  WriteFormList(forms);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  const RecordInfo info = Info(1, nullptr);
  EXPECT_EQ(info.layer, -1);
  EXPECT_EQ(info.description, kUntouched);
  plat::fault::Reset();
  EXPECT_EQ(Info(1, nullptr).layer, 1);
}

}  // namespace
