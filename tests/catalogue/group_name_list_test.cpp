// The group name list file: its header bytes and validity, its texts and each
// kind of damaged entry, the two resolution rules, and the lookups from a
// form record to its group.
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
using zvtest::GroupNameListFile;
constexpr char kMagic[] = "ZEVROFORM GROUPNAMEINFO V1.0";
constexpr char kNo[] = "(none)";

// A group name list file with the offset table and pool as given.
std::string RawGroupList(const std::vector<uint32_t>& offsets, const std::string& pool) {
  Bytes file;
  file.Text(kMagic).U32(uint32_t(offsets.size())).U32(uint32_t(pool.size()));
  for (uint32_t offset : offsets) file.U32(offset);
  return file.str() + pool;
}

class GroupNameListTest : public zvtest::CatalogueTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }
  zv::ListFileState Open(zv::GroupListHeader* header, plat::FileHandle* file) {
    const zv::ListFileState state =
        zv::OpenGroupNameList(GroupListPath().c_str(), plat::kAccessRead, file, header);
    EXPECT_EQ(*file != nullptr, state == zv::ListFileState::kValid);
    return state;
  }
  std::string GroupPath(int32_t id) {
    std::vector<char> path(plat::kPathBuffer, '#');
    return zv::GetFormGroupPath(id, path.data()) ? path.data() : kNo;
  }
  // GetFormRecordInfo into buffers of exactly their sizes, marked first:
  // "layer|name|description|location".
  std::string Info(int32_t id, const char* name = nullptr, bool wantLocation = true) {
    std::vector<char> n(25, 0), d(256, 0), l(plat::kPathBuffer, 0);
    std::strcpy(n.data(), name ? name : "-");
    std::strcpy(d.data(), "-");
    std::strcpy(l.data(), "-");
    const int16_t layer = zv::GetFormRecordInfo(id, name || id ? n.data() : nullptr, d.data(),
                                                wantLocation ? l.data() : nullptr);
    return std::to_string(layer) + "|" + n.data() + "|" + d.data() + "|" + l.data();
  }
};

TEST_F(GroupNameListTest, HeaderBytesAndValidity) {
  const std::string one = Bytes().Text(kMagic).U32(1).U32(11).U32(0).U16(9).Text("C:\\FORMS\\").str();
  unsigned char encoded[36];
  zv::EncodeGroupListHeader(zv::GroupListHeader{0x01020304, 0xA0B0C0D0}, encoded);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(encoded), 36),
            Bytes().Text(kMagic).U32(0x01020304).U32(0xA0B0C0D0).str());
  std::string magic0 = one, magic27 = one;
  magic0[0] ^= 0x20, magic27[27] ^= 0x20;
  // Valid, empty, one short, one over, header cut, a size that wraps in 32 bits, the magic's ends.
  std::string out;
  for (const std::string& bytes :
       {one, GroupNameListFile({}), one.substr(0, 50), one + '\0', one.substr(0, 20),
        Bytes().Text(kMagic).U32(0x40000000).U32(0).str(), magic0, magic27}) {
    WriteGroupList(bytes);
    zv::GroupListHeader header{};
    plat::FileHandle file = nullptr;
    out += std::to_string(int(Open(&header, &file)));
    if (file)
      out += ":" + std::to_string(header.entryCount * 100 + header.poolSize) + ":" +
             std::to_string(zv::GroupListPoolOffset(header)) + " ";
    if (file) plat::CloseFile(file);
  }
  EXPECT_EQ(out, "0:111:40 0:0:36 222222");
  ASSERT_TRUE(zvtest::RemoveFile(GroupListPath()));
  zv::GroupListHeader header{};
  plat::FileHandle file = nullptr;
  EXPECT_EQ(Open(&header, &file), zv::ListFileState::kCannotOpen);
}

TEST_F(GroupNameListTest, TextsAndDamagedEntries) {
  const std::string two = RawGroupList({8, 0}, Bytes().Pooled("ABCDEF").Pooled("XY").str());
  const std::string aFgp = Bytes().Pooled("A.FGP").str(), longest = std::string(260, 'L');
  const std::string slotInPool =
      RawGroupList({4}, Bytes().U32(0).Text(aFgp).str());             // the pool read as a slot
  const std::string halfOutside = RawGroupList({0, 7}, aFgp + '\1');  // the length half outside
  const std::string outside = RawGroupList({0, 9, 0xFFFFFFFF}, aFgp);
  const std::string tooLong = RawGroupList({0}, Bytes().Pooled(std::string(261, 'T')).str());
  const std::string pastPool = RawGroupList({0}, Bytes().U16(6).Text("A.FGP").str());
  const std::string empty = GroupNameListFile({"", longest}), ab = GroupNameListFile({"A", "B"});
  const std::pair<const std::string*, uint32_t> rows[] = {
      {&two, 1},         {&two, 0},        {&empty, 0},      {&empty, 1},       {&ab, 2},
      {&ab, 0xFFFFFFFF}, {&slotInPool, 0}, {&slotInPool, 1}, {&halfOutside, 0}, {&halfOutside, 1},
      {&outside, 1},     {&outside, 2},    {&pastPool, 0},   {&tooLong, 0}};
  std::string out;
  for (const auto& [file, index] : rows) {
    WriteGroupList(*file);
    zv::GroupListHeader header{};
    plat::FileHandle handle = nullptr;
    ASSERT_EQ(Open(&header, &handle), zv::ListFileState::kValid);
    std::vector<char> text(plat::kPathBuffer, '#');  // exactly 261 bytes, for the sanitizer
    const bool read = zv::ReadGroupText(handle, header, index, text.data());
    plat::CloseFile(handle);
    out += (read ? std::string(text.data(), strnlen(text.data(), text.size())) : text[0] ? "?" : kNo) + "|";
  }
  EXPECT_EQ(
      out, "ABCDEF|XY||" + longest + "|(none)|(none)|A.FGP|(none)|A.FGP|(none)|(none)|(none)|(none)|(none)|");
}

TEST(GroupTextRulesTest, FullAndPathRules) {
  const std::string sys = "C:\\WINDOWS\\SYSTEM\\ZVLMN3.GLT", in = "C:\\WINDOWS\\SYSTEM\\";
  const std::string deep = "C:\\" + std::string(246, 'D') + "\\ZVLMN3.GLT", n10(10, 'N');
  const struct {
    std::string text, list, full, path;
  } rows[] = {{"FORM1.FGP", sys, in + "FORM1.FGP", in + "FORM1.FGP"},
              {"12A", sys, in + "12A", in + "12A"},
              {"FORM1.FGP", "ZVLMN3.GLT", "FORM1.FGP", "FORM1.FGP"},
              {"12", sys, "12", in + "12"},
              {"", sys, "", in},
              {"D:\\DATA\\BILL.ZLC", sys, "D:\\DATA\\BILL.ZLC", "D:\\DATA\\BILL.ZLC"},
              {n10, deep, deep.substr(0, 250) + n10, deep.substr(0, 250) + n10},
              {n10 + "N", deep, kNo, kNo}};  // one past the longest path
  for (const auto& row : rows) {
    std::vector<char> path(plat::kPathBuffer, '#');
    const bool full = zv::ResolveGroupTextFull(row.text.c_str(), row.list.c_str(), path.data());
    EXPECT_EQ(full ? path.data() : path[0] ? "?" : kNo, row.full) << row.text;
    const bool byPath = zv::ResolveGroupTextPath(row.text.c_str(), row.list.c_str(), path.data());
    EXPECT_EQ(byPath ? path.data() : path[0] ? "?" : kNo, row.path) << row.text;
  }
}

TEST_F(GroupNameListTest, GroupPathSearchesTheRegionOfTheIdentifiersSign) {
  std::vector<zvtest::FormSpec> named = {{1, "S", "", 1, 0}, {2, "G", "", 1, 1}, {-3, "W", "", 1, 4}};
  std::vector<std::string> texts = {"C:\\FORMS\\", "FORM2.FGP", "12", "D:\\DATA\\BILL.ZLC", "WRONG.FGP", ""};
  for (int32_t i = 10; i < 50; ++i) {  // enough records for three blocks
    named.push_back({i, "F", "", 1, uint32_t(texts.size())});
    texts.push_back("F" + std::to_string(i) + ".FGP");
  }
  const std::string forms = FormListFile(named, {{-1, "P", "", 1, 2},
                                                 {-2, "C", "", 2, 3},
                                                 {3, "W", "", 1, 4},
                                                 {-4, "E", "", 1, 5},
                                                 {-50, "P", "", 1, 0},
                                                 {-51, "P", "", 1, 46}});
  WriteFormList(forms);
  WriteGroupList(GroupNameListFile(texts));
  zv::SetLastErrorCode(999);
  EXPECT_EQ(GroupPath(1), "C:\\FORMS\\");
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  std::string out;
  for (int32_t id : {2, -1, -2, -4, -3, 3, 0, 10, 49, -50, 50, -51}) out += GroupPath(id) + "|";
  // The last: its group index at the entry count.
  EXPECT_EQ(out, Path("FORM2.FGP") + "|12|D:\\DATA\\BILL.ZLC||(none)|(none)|(none)|" + Path("F10.FGP") + "|" +
                     Path("F49.FGP") + "|C:\\FORMS\\|(none)|(none)|");
  // Either list damaged or missing, no memory, no group list in the configuration.
  const std::string groups = GroupNameListFile(texts);
  WriteGroupList(groups + 'x');
  EXPECT_EQ(GroupPath(1), kNo);
  ASSERT_TRUE(zvtest::RemoveFile(GroupListPath()));
  EXPECT_EQ(GroupPath(1), kNo);
  WriteGroupList(groups);
  WriteFormList(forms.substr(0, forms.size() - 1));
  EXPECT_EQ(GroupPath(1), kNo);
  WriteFormList(forms);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(GroupPath(1), kNo);
  plat::fault::Reset();
  ASSERT_TRUE(zvtest::WriteWholeFile(
      SystemPath("ZVLMN3.DAT"),
      "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n[DEFAULT]\r\nFormName=" + FormListPath() + "\r\n"));
  EXPECT_EQ(GroupPath(1), kNo);
}

TEST_F(GroupNameListTest, RecordInfoByIdentifierAndByName) {
  std::vector<zvtest::FormSpec> named;
  for (int32_t i = 1; i <= 30; ++i) named.push_back({i + 10, "N" + std::to_string(i), "", 1, 0});
  named.push_back({3, "Invoice", "Monthly invoice", 2, 2});
  named.push_back({5, "P", "named P", 2, 0});
  named.push_back({6, std::string(30, 'N'), std::string(300, 'D'), 1, 0});  // filled to the last byte
  named.push_back({7, "X", "x", 2, 4});  // a group index at the entry count: no location
  WriteFormList(FormListFile(named, {{-1, "C", "Bill", 1, 1},
                                     {-2, "Q", "first Q", 1, 3},
                                     {-3, "Q", "second Q", 2, 1},
                                     {-4, "P", "entry P", 1, 3}}));
  WriteGroupList(GroupNameListFile({"A.FGP", "D:\\DATA\\BILL.ZLC", "D:\\FORMS\\_F301A.FGP", "D:\\Q.ZLC"}));
  const std::string a = Path("A.FGP"), n24(24, 'N');
  const struct {
    int32_t id;
    const char* name;
    bool wantLocation;
    std::string info;
  } rows[] = {{3, "zzz", true, "2|Invoice|Monthly invoice|D:\\FORMS\\_F301A.FGP"},
              {3, "zzz", false, "2|Invoice|Monthly invoice|-"},
              {-1, "zzz", true, "1|C|Bill|D:\\DATA"},
              {0, "P", true, "2|P|named P|" + a},  // named forms first
              {0, "C", true, "1|C|Bill|D:\\DATA"},
              {0, "Q", true, "1|Q|first Q|D:"},
              {0, "N29", true, "1|N29||" + a},
              {6, "x", true, "1|" + n24 + "|" + std::string(255, 'D') + "|" + a},
              {7, "x", true, "2|X|x|-"},
              {0, n24.c_str(), true, "-1|" + n24 + "|-|-"},
              {0, "p", true, "-1|p|-|-"},
              {0, "", true, "-1||-|-"},
              {2, nullptr, true, "-1|-|-|-"},
              {-5, nullptr, true, "-1|-|-|-"},
              {0, nullptr, true, "-1|-|-|-"}};
  for (const auto& row : rows) EXPECT_EQ(Info(row.id, row.name, row.wantLocation), row.info) << row.id;

  // The location keeps only group info files whole; anything else gives its directory.
  const std::string dir = Dir().substr(0, Dir().size() - 1);
  const std::pair<std::string, std::string> locations[] = {{"D:\\FORMS\\_F301A.fgp", "D:\\FORMS\\_F301A.fgp"},
                                                           {"C:\\FORMS\\", "C:\\FORMS"},
                                                           {"D:\\V1.0\\DATA", "D:\\V1.0"},
                                                           {"D:\\FORMS\\X.FGPX", "D:\\FORMS"},
                                                           {"FORM9.Fgp", Path("FORM9.Fgp")},
                                                           {"12", dir},
                                                           {"D:\\FORMS\\FGP", "D:\\FORMS"},
                                                           {"D:\\V1.0\\_F301A.FGP", "D:\\V1.0\\_F301A.FGP"}};
  std::vector<zvtest::FormSpec> forms;
  std::vector<std::string> texts;
  for (const auto& [text, location] : locations) {
    forms.push_back({int32_t(texts.size() + 1), "F", "", 1, uint32_t(texts.size())});
    texts.push_back(text);
  }
  WriteFormList(FormListFile(forms, {}));
  WriteGroupList(GroupNameListFile(texts));
  for (size_t i = 0; i < std::size(locations); ++i) {
    EXPECT_EQ(Info(int32_t(i + 1)), "1|F||" + locations[i].second) << locations[i].first;
  }
}

TEST_F(GroupNameListTest, RecordInfoWithUnusableLists) {
  const std::string forms = FormListFile({{1, "A", "a", 2, 0}}, {});
  const std::string groups = GroupNameListFile({"D:\\FORMS\\_F301A.FGP"});
  WriteFormList(forms);
  // The group name list damaged, missing, or its text too long beside the
  // list's directory: only the location is lost.
  for (const std::string& bytes :
       {groups.substr(0, groups.size() - 1), std::string(), GroupNameListFile({std::string(260, 'N')})}) {
    ASSERT_TRUE(bytes.empty() ? zvtest::RemoveFile(GroupListPath())
                              : zvtest::WriteWholeFile(GroupListPath(), bytes));
    EXPECT_EQ(Info(1), "2|A|a|-");
  }
  // Without a usable form name list nothing is found.
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(Info(1), "-1|-|-|-");
  plat::fault::Reset();
  WriteFormList(forms + 'x');
  EXPECT_EQ(Info(1), "-1|-|-|-");
  ASSERT_TRUE(zvtest::RemoveFile(FormListPath()));
  EXPECT_EQ(Info(1), "-1|-|-|-");
}

}  // namespace
