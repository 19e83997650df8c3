// The group name list file: header, validity, texts, each kind of damaged
// entry, and a form record's information and location.
#include <gtest/gtest.h>

#include <cstring>

#include "catalogue/group_name_list.h"
#include "module/module_state.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"

namespace {

using zvtest::Bytes;
using zvtest::FormListFile;
using zvtest::GroupNameListFile;
constexpr char kMagic[] = "ZEVROFORM GROUPNAMEINFO V1.0";
constexpr char kNo[] = "(none)";

// What a reader left in its buffer: the text, "?" for a failure that left
// something behind, kNo for a clean failure.
std::string Got(bool read, const std::vector<char>& buffer) {
  return read ? std::string(buffer.data(), strnlen(buffer.data(), buffer.size())) : buffer[0] ? "?" : kNo;
}

class GroupNameListTest : public zvtest::CatalogueTest {
 protected:
  zv::ListFileState Open(zv::GroupListHeader* header, plat::FileHandle* file) {
    const zv::ListFileState state =
        zv::OpenGroupNameList(GroupListPath().c_str(), plat::kAccessRead, file, header);
    EXPECT_EQ(*file != nullptr, state == zv::ListFileState::kValid);
    return state;
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
  magic0[0] ^= 0x20;
  magic27[27] ^= 0x20;
  // Valid, empty, one short, one over, header cut, a size that wraps in 32 bits, the magic's ends.
  std::string out;
  for (const std::string& bytes :
       {one, GroupNameListFile({}), one.substr(0, 50), one + '\0', one.substr(0, 20),
        Bytes().Text(kMagic).U32(0x40000000).U32(0).str(), magic0, magic27}) {
    WriteGroupList(bytes);
    zv::GroupListHeader header{};
    plat::FileHandle file = nullptr;
    out += std::to_string(int(Open(&header, &file)));
    if (!file) continue;
    out += ":" + std::to_string(header.entryCount * 100 + header.poolSize) + ":" +
           std::to_string(zv::GroupListPoolOffset(header)) + " ";
    plat::CloseFile(file);
  }
  EXPECT_EQ(out, "0:111:40 0:0:36 222222");
  ASSERT_TRUE(zvtest::RemoveFile(GroupListPath()));
  zv::GroupListHeader header{};
  plat::FileHandle file = nullptr;
  EXPECT_EQ(Open(&header, &file), zv::ListFileState::kCannotOpen);
}

TEST_F(GroupNameListTest, TextsAndDamagedEntries) {
  const std::string two = zvtest::RawGroupNameListFile({8, 0}, Bytes().Pooled("ABCDEF").Pooled("XY").str());
  const std::string aFgp = Bytes().Pooled("A.FGP").str(), longest = std::string(260, 'L');
  const std::string slotInPool =
      zvtest::RawGroupNameListFile({4}, Bytes().U32(0).Text(aFgp).str());  // the pool read as a slot
  const std::string halfOutside =
      zvtest::RawGroupNameListFile({0, 7}, aFgp + '\1');  // the length half outside
  const std::string outside = zvtest::RawGroupNameListFile({0, 9, 0xFFFFFFFF}, aFgp);
  const std::string tooLong = zvtest::RawGroupNameListFile({0}, Bytes().Pooled(std::string(261, 'T')).str());
  const std::string pastPool = zvtest::RawGroupNameListFile({0}, Bytes().U16(6).Text("A.FGP").str());
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
    out += Got(read, text) + "|";
  }
  EXPECT_EQ(
      out, "ABCDEF|XY||" + longest + "|(none)|(none)|A.FGP|(none)|A.FGP|(none)|(none)|(none)|(none)|(none)|");
}

TEST_F(GroupNameListTest, RecordInfoByIdentifierAndByName) {
  WriteFormList(FormListFile({{11, "N", "", 1, 0},
                              {3, "Invoice", "Monthly invoice", 2, 2},
                              {5, "P", "named P", 2, 0},
                              {6, std::string(30, 'N'), std::string(300, 'D'), 1, 3},
                              {7, "X", "x", 2, 4}},
                             {{-1, "C", "Bill", 1, 1}, {-2, "P", "entry P", 1, 3}}));
  WriteGroupList(
      GroupNameListFile({"A.FGP", "D:\\DATA\\BILL.ZLC", "D:\\V1.0\\_F301A.fgp", "D:\\V1.0\\X.FGPX"}));
  const std::string n24(24, 'N');
  const struct {
    int32_t id;
    const char* name;
    std::string info;
  } rows[] = {{3, "zzz", "2|Invoice|Monthly invoice|D:\\V1.0\\_F301A.fgp"},  // a group info file stays whole
              {-1, "zzz", "1|C|Bill|D:\\DATA"},                              // else its directory
              {0, "P", "2|P|named P|" + Path("A.FGP")},                      // named forms first
              {6, "x", "1|" + n24 + "|" + std::string(255, 'D') + "|D:\\V1.0"},
              {7, "x", "2|X|x|-"},  // a group index at the entry count: no location
              {0, n24.c_str(), "-1|" + n24 + "|-|-"},
              {0, "p", "-1|p|-|-"},
              {2, nullptr, "-1|-|-|-"},
              {0, nullptr, "-1|-|-|-"}};
  for (const auto& row : rows) EXPECT_EQ(Info(row.id, row.name), row.info) << row.id;
  EXPECT_EQ(Info(3, "zzz", false), "2|Invoice|Monthly invoice|-");
  // A damaged group name list only costs the location; a damaged form name list, everything.
  WriteGroupList(GroupNameListFile({"A.FGP"}) + "x");
  EXPECT_EQ(Info(5), "2|P|named P|-");
  WriteFormList(FormListFile({{1, "A", "a", 2, 0}}, {}) + "x");
  EXPECT_EQ(Info(1), "-1|-|-|-");
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(Info(1), "-1|-|-|-");
}

}  // namespace
