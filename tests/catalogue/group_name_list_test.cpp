// The group name list file: layout and validity, its texts and each kind of
// damaged entry, the two resolution rules, and the lookups from a form
// record to its group.
#include <gtest/gtest.h>

#include <cstring>

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

// A group name list file with the offset table and pool as given.
std::string RawGroupList(const std::vector<uint32_t>& offsets, const std::string& pool) {
  Bytes file;
  file.Text(kMagic).U32(uint32_t(offsets.size())).U32(uint32_t(pool.size()));
  for (uint32_t offset : offsets) file.U32(offset);
  return file.str() + pool;
}

struct RecordInfo {
  int16_t layer;
  std::string name, description, location;
};

class GroupNameListTest : public zvtest::CatalogueTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }
  zv::ListFileState Open(zv::GroupListHeader* header, plat::FileHandle* file) {
    *file = nullptr;
    const zv::ListFileState state = zv::OpenGroupNameList(GroupListPath().c_str(), plat::kAccessRead, file, header);
    EXPECT_EQ(*file != nullptr, state == zv::ListFileState::kValid);
    return state;
  }
  std::string GroupPath(int32_t id) {
    std::vector<char> path(plat::kPathBuffer, '#');
    return zv::GetFormGroupPath(id, path.data()) ? path.data() : kNoPath;
  }
  // GetFormRecordInfo into buffers of exactly their sizes, marked first.
  RecordInfo Info(int32_t id, const char* name = nullptr, bool wantLocation = true) {
    std::vector<char> n(25, 0), d(256, 0), l(plat::kPathBuffer, 0);
    std::strcpy(n.data(), name ? name : kUntouched);
    std::strcpy(d.data(), kUntouched);
    std::strcpy(l.data(), kUntouched);
    const int16_t layer = zv::GetFormRecordInfo(id, name || id ? n.data() : nullptr, d.data(),
                                                wantLocation ? l.data() : nullptr);
    return {layer, n.data(), d.data(), l.data()};
  }
  std::string DirWithoutBackslash() const { return Dir().substr(0, Dir().size() - 1); }
};

TEST_F(GroupNameListTest, LayoutAndValidity) {
  const std::string one = Bytes().Text(kMagic).U32(1).U32(11).U32(0).U16(9).Text("C:\\FORMS\\").str();
  ASSERT_EQ(one, GroupNameListFile({"C:\\FORMS\\"}));
  unsigned char encoded[36];
  zv::EncodeGroupListHeader(zv::GroupListHeader{0x01020304, 0xA0B0C0D0}, encoded);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(encoded), 36), Bytes().Text(kMagic).U32(0x01020304).U32(0xA0B0C0D0).str());

  using S = zv::ListFileState;
  std::vector<std::pair<std::string, S>> rows = {
      {one, S::kValid}, {GroupNameListFile({}), S::kValid}, {one.substr(0, 50), S::kDamaged},
      {one + '\0', S::kDamaged}, {one.substr(0, 20), S::kDamaged},
      {Bytes().Text(kMagic).U32(0x40000000).U32(0).str(), S::kDamaged}};  // the size wraps in 32 bits
  for (size_t at : {0, 10, 27}) {
    rows.push_back({one, S::kDamaged});
    rows.back().first[at] ^= 0x20;
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    WriteGroupList(rows[i].first);
    zv::GroupListHeader header{};
    plat::FileHandle file;
    EXPECT_EQ(Open(&header, &file), rows[i].second) << "row " << i;
    if (file) plat::CloseFile(file);
    if (i == 0) { EXPECT_EQ(header.entryCount * 1000 + header.poolSize * 10 + zv::GroupListPoolOffset(header), 1150u); }
  }
  ASSERT_TRUE(zvtest::RemoveFile(GroupListPath()));
  zv::GroupListHeader header{};
  plat::FileHandle file;
  EXPECT_EQ(Open(&header, &file), S::kCannotOpen);
}

TEST_F(GroupNameListTest, TextsAndDamagedEntries) {
  const std::string aFgp = Bytes().Pooled("A.FGP").str();
  const struct {
    std::string file;
    uint32_t index;
    bool read;
    std::string text;
  } rows[] = {
      {RawGroupList({8, 0}, Bytes().Pooled("ABCDEF").Pooled("XY").str()), 1, true, "ABCDEF"},
      {RawGroupList({8, 0}, Bytes().Pooled("ABCDEF").Pooled("XY").str()), 0, true, "XY"},
      {GroupNameListFile({"", std::string(260, 'L')}), 0, true, ""},
      {GroupNameListFile({"", std::string(260, 'L')}), 1, true, std::string(260, 'L')},
      {GroupNameListFile({"A.FGP", "B.FGP"}), 2, false, ""},
      {GroupNameListFile({"A.FGP", "B.FGP"}), 0xFFFFFFFF, false, ""},
      {RawGroupList({4}, Bytes().U32(0).Text(aFgp).str()), 0, true, "A.FGP"},
      {RawGroupList({4}, Bytes().U32(0).Text(aFgp).str()), 1, false, ""},  // the pool read as a slot
      {RawGroupList({0, 7}, aFgp + '\1'), 0, true, "A.FGP"},
      {RawGroupList({0, 7}, aFgp + '\1'), 1, false, ""},  // the length half outside
      {RawGroupList({0, 9, 0xFFFFFFFF}, aFgp), 1, false, ""}, {RawGroupList({0, 9, 0xFFFFFFFF}, aFgp), 2, false, ""},
      {RawGroupList({0}, Bytes().U16(6).Text("A.FGP").str()), 0, false, ""},
      {RawGroupList({0}, Bytes().Pooled(std::string(261, 'T')).str()), 0, false, ""},
  };
  for (const auto& row : rows) {
    WriteGroupList(row.file);
    zv::GroupListHeader header{};
    plat::FileHandle file;
    ASSERT_EQ(Open(&header, &file), zv::ListFileState::kValid);
    std::vector<char> text(plat::kPathBuffer, '#');  // exactly 261 bytes, for the sanitizer
    EXPECT_EQ(zv::ReadGroupText(file, header, row.index, text.data()), row.read) << row.index;
    plat::CloseFile(file);
    EXPECT_EQ(std::string(text.data(), strnlen(text.data(), text.size())), row.text) << row.index;
  }
}

TEST(GroupTextRulesTest, FullAndPathRules) {
  const std::string sys = "C:\\WINDOWS\\SYSTEM\\ZVLMN3.GLT";
  const std::string deep = "C:\\" + std::string(246, 'D') + "\\ZVLMN3.GLT";  // a directory of 250
  const std::string deepDir = deep.substr(0, 250);
  const struct {
    std::string text, list, full, path;
  } rows[] = {
      {"FORM1.FGP", sys, "C:\\WINDOWS\\SYSTEM\\FORM1.FGP", "C:\\WINDOWS\\SYSTEM\\FORM1.FGP"},
      {"12A", sys, "C:\\WINDOWS\\SYSTEM\\12A", "C:\\WINDOWS\\SYSTEM\\12A"},
      {"FORM1.FGP", "ZVLMN3.GLT", "FORM1.FGP", "FORM1.FGP"}, {"12", "ZVLMN3.GLT", "12", "12"},
      {"12", sys, "12", "C:\\WINDOWS\\SYSTEM\\12"}, {"", sys, "", "C:\\WINDOWS\\SYSTEM\\"},
      {"D:\\DATA\\BILL.ZLC", sys, "D:\\DATA\\BILL.ZLC", "D:\\DATA\\BILL.ZLC"},
      {"C:\\FORMS\\", sys, "C:\\FORMS\\", "C:\\FORMS\\"},
      {"\\\\SERVER\\S\\F.FGP", sys, "\\\\SERVER\\S\\F.FGP", "\\\\SERVER\\S\\F.FGP"},
      {std::string(10, 'N'), deep, deepDir + std::string(10, 'N'), deepDir + std::string(10, 'N')},
      {std::string(11, 'N'), deep, kNoPath, kNoPath},
  };
  for (const auto& row : rows) {
    std::vector<char> path(plat::kPathBuffer, '#');
    EXPECT_EQ(zv::ResolveGroupTextFull(row.text.c_str(), row.list.c_str(), path.data()) ? path.data() : kNoPath, row.full)
        << row.text;
    EXPECT_EQ(zv::ResolveGroupTextPath(row.text.c_str(), row.list.c_str(), path.data()) ? path.data() : kNoPath, row.path)
        << row.text;
  }
}

TEST_F(GroupNameListTest, GroupPathSearchesTheRegionOfTheIdentifiersSign) {
  std::vector<FormSpec> named = {{1, "Save", "", 1, 0}, {2, "Group", "", 1, 1}, {-3, "Wrong", "", 1, 4}};
  std::vector<FormSpec> entries = {{-1, "P", "", 1, 2}, {-2, "C", "", 2, 3}, {3, "Wrong", "", 1, 4}, {-4, "E", "", 1, 5}};
  std::vector<std::string> texts = {"C:\\FORMS\\", "FORM2.FGP", "12", "D:\\DATA\\BILL.ZLC", "WRONG.FGP", ""};
  for (int32_t i = 10; i < 50; ++i) {  // enough records for three blocks
    named.push_back({i, "F", "", 1, uint32_t(texts.size())});
    texts.push_back("F" + std::to_string(i) + ".FGP");
  }
  entries.push_back({-50, "P", "", 1, 0});
  WriteFormList(FormListFile(named, entries, 5));
  WriteGroupList(GroupNameListFile(texts));
  zv::SetLastErrorCode(999);
  EXPECT_EQ(GroupPath(1), "C:\\FORMS\\");
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  const std::pair<int32_t, std::string> rows[] = {
      {2, Path("FORM2.FGP")}, {-1, "12"}, {-2, "D:\\DATA\\BILL.ZLC"}, {-4, ""}, {-3, kNoPath}, {3, kNoPath},
      {0, kNoPath}, {4, kNoPath}, {10, Path("F10.FGP")}, {49, Path("F49.FGP")}, {-50, "C:\\FORMS\\"}, {50, kNoPath}};
  for (const auto& [id, path] : rows) EXPECT_EQ(GroupPath(id), path) << id;
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
  ASSERT_TRUE(zvtest::WriteWholeFile(SystemPath("ZVLMN3.DAT"), "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n[DEFAULT]\r\nFormName=" +
                                                                   FormListPath() + "\r\n"));
  EXPECT_EQ(GroupPath(1), kNoPath) << "no group name list in the configuration";
}

TEST_F(GroupNameListTest, RecordInfoByIdentifierAndByName) {
  std::vector<FormSpec> named;
  for (int32_t i = 1; i <= 30; ++i) named.push_back({i + 10, "N" + std::to_string(i), "", 1, 0});
  named.push_back({3, "Invoice", "Monthly invoice", 2, 2});
  named.push_back({5, "P", "named P", 2, 0});
  named.push_back({6, std::string(30, 'N'), std::string(300, 'D'), 1, 0});  // filled to the last byte
  WriteFormList(FormListFile(named, {{-1, "C", "Bill", 1, 1}, {-2, "Q", "first Q", 1, 3}, {-3, "Q", "second Q", 2, 1}, {-4, "P", "entry P", 1, 3}}));
  WriteGroupList(GroupNameListFile({"A.FGP", "D:\\DATA\\BILL.ZLC", "D:\\FORMS\\_F301A.FGP", "D:\\Q.ZLC"}));
  const struct {
    int32_t id;
    const char* name;
    bool wantLocation;
    RecordInfo expected;
  } rows[] = {
      {3, "zzz", true, {2, "Invoice", "Monthly invoice", "D:\\FORMS\\_F301A.FGP"}},
      {3, "zzz", false, {2, "Invoice", "Monthly invoice", kUntouched}},
      {-1, "zzz", true, {1, "C", "Bill", "D:\\DATA"}},
      {0, "P", true, {2, "P", "named P", Path("A.FGP")}},  // named forms first
      {0, "C", true, {1, "C", "Bill", "D:\\DATA"}}, {0, "Q", true, {1, "Q", "first Q", "D:"}},
      {0, "N29", true, {1, "N29", "", Path("A.FGP")}},
      {6, "x", true, {1, std::string(24, 'N'), std::string(255, 'D'), Path("A.FGP")}},
      {0, "NNNNNNNNNNNNNNNNNNNNNNNN", true, {-1, "NNNNNNNNNNNNNNNNNNNNNNNN", kUntouched, kUntouched}},
      {0, "p", true, {-1, "p", kUntouched, kUntouched}}, {0, "", true, {-1, "", kUntouched, kUntouched}},
      {2, nullptr, true, {-1, kUntouched, kUntouched, kUntouched}},
      {-5, nullptr, true, {-1, kUntouched, kUntouched, kUntouched}},
      {0, nullptr, true, {-1, kUntouched, kUntouched, kUntouched}},
  };
  for (const auto& row : rows) {
    const RecordInfo info = Info(row.id, row.name, row.wantLocation);
    const std::string what = std::to_string(row.id) + (row.name ? row.name : "");
    EXPECT_EQ(info.layer, row.expected.layer) << what;
    EXPECT_EQ(info.name, row.expected.name) << what;
    EXPECT_EQ(info.description, row.expected.description) << what;
    EXPECT_EQ(info.location, row.expected.location) << what;
  }
  std::vector<char> description(256, '\0');
  EXPECT_EQ(zv::GetFormRecordInfo(3, nullptr, description.data(), nullptr), 2);
  EXPECT_STREQ(description.data(), "Monthly invoice");
}

TEST_F(GroupNameListTest, LocationKeepsOnlyGroupInfoFilesWhole) {
  const std::pair<std::string, std::string> rows[] = {
      {"D:\\FORMS\\_F301A.fgp", "D:\\FORMS\\_F301A.fgp"}, {"C:\\FORMS\\", "C:\\FORMS"},
      {"D:\\V1.0\\DATA", "D:\\V1.0"}, {"D:\\FORMS\\X.FGPX", "D:\\FORMS"}, {"FORM9.Fgp", Path("FORM9.Fgp")},
      {"12", DirWithoutBackslash()}, {"D:\\FORMS\\FGP", "D:\\FORMS"}, {"NAME.ZLP", DirWithoutBackslash()},
      {"D:\\V1.0\\_F301A.FGP", "D:\\V1.0\\_F301A.FGP"}};
  std::vector<FormSpec> named;
  std::vector<std::string> texts;
  for (const auto& row : rows) {
    named.push_back({int32_t(texts.size() + 1), "F", "", 1, uint32_t(texts.size())});
    texts.push_back(row.first);
  }
  WriteFormList(FormListFile(named, {}));
  WriteGroupList(GroupNameListFile(texts));
  for (size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(Info(int32_t(i + 1)).location, rows[i].second) << rows[i].first;
}

TEST_F(GroupNameListTest, RecordInfoWithUnusableLists) {
  const std::string forms = FormListFile({{1, "A", "a", 2, 0}, {2, "B", "b", 1, 1}}, {});
  const std::string groups = GroupNameListFile({"D:\\FORMS\\_F301A.FGP"});
  WriteFormList(forms);
  // The group name list damaged, missing, too short for the index, or its
  // text too long beside the list's directory: the location stays.
  const std::pair<int32_t, std::string> groupRows[] = {
      {1, groups.substr(0, groups.size() - 1)}, {1, ""}, {2, groups}, {1, GroupNameListFile({std::string(260, 'N')})}};
  for (const auto& [id, bytes] : groupRows) {
    if (bytes.empty()) {
      ASSERT_TRUE(zvtest::RemoveFile(GroupListPath()));
    } else {
      WriteGroupList(bytes);
    }
    const RecordInfo info = Info(id);
    EXPECT_EQ(info.layer, id == 1 ? 2 : 1);
    EXPECT_EQ(info.location, kUntouched);
  }
  // Without a usable form name list nothing is found.
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  const RecordInfo noMemory = Info(1);
  EXPECT_EQ(noMemory.layer * 1000 + int(noMemory.description == kUntouched), -999);
  plat::fault::Reset();
  WriteFormList(forms + 'x');
  EXPECT_EQ(Info(1).layer, -1);
  ASSERT_TRUE(zvtest::RemoveFile(FormListPath()));
  EXPECT_EQ(Info(1).layer, -1);
}

}  // namespace
