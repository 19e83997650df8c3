// Overlay entries added to group info files and the texts of the header's
// slots set, compared byte for byte with the files built by hand; refusals
// and failures leave the file as it was, or not at all when it was new.
#include <gtest/gtest.h>

#include "maintenance/file_moves.h"
#include "maintenance/group_registration.h"
#include "maintenance/maintenance_fixture.h"
#include "support/other_process.h"

namespace {

using namespace zvtest;
using Slot = zv::GroupStringSlot;

zv::PrintSettings A4(uint16_t resolution = 600) {
  return {1, 1, 1, 7, 2100, 2970, 0, 0, 9, 1, resolution, 1, 2, 0, 2100, 2970, 0, 0, 9, 100};
}
const std::string kA4 = SettingsRecordBytes(A4());

class GroupRegistrationTest : public MaintenanceTest {
 protected:
  std::string GroupPath() const { return Path("_F3001.FGP"); }
  void Write(const std::string& b) { MaintenanceTest::Write(GroupPath(), b); }
  std::string Group() { return Read(GroupPath()); }
  bool Add(const char* file, const zv::PrintSettings* s, const char* first, const char* edited = nullptr) {
    zv::SetLastErrorCode(kUntouched);
    return zv::AddOverlayEntry(GroupPath().c_str(), file, s, first, edited);
  }
  // SetGroupString, then the header written back as its callers do.
  bool SetString(Slot slot, const char* text, zv::GroupInfoHeader* header) {
    plat::FileHandle file = nullptr;
    EXPECT_EQ(zv::OpenGroupInfo(GroupPath().c_str(), plat::kAccessReadWrite, &file, header),
              zv::ListFileState::kValid);
    const bool ok = file && zv::SetGroupString(file, header, slot, text);
    unsigned char bytes[64];
    zv::EncodeGroupInfoHeader(*header, bytes);
    EXPECT_TRUE(!ok || zv::WriteAt(file, 0, bytes, sizeof bytes));
    if (file) plat::CloseFile(file);
    return ok;
  }
};

TEST_F(GroupRegistrationTest, AddOverlayEntryWritesTheEntryAndTheHeadersTexts) {
  const zv::PrintSettings a4 = A4(), low = A4(300);
  const std::string kLow = SettingsRecordBytes(low), l260(260, 'L'), l261(261, 'L');
  const std::string drv = GroupInfoFile({{kA4, 1}}, {"DRV001", "A.ZLP"}, 0);
  std::vector<GroupInfoEntry> many;
  std::vector<std::string> names;
  for (uint16_t i = 0; i < 300; ++i) {
    many.push_back({SettingsRecordBytes(A4(i)), i});
    names.push_back("_F3001" + std::to_string(i) + ".ZLP");
  }
  std::vector<GroupInfoEntry> manyAfter = many;
  manyAfter.push_back({kA4, 300});
  std::vector<std::string> namesAfter = names;
  namesAfter.push_back("NEW.ZLP");
  struct Row {
    std::string before;
    const char* file;
    const zv::PrintSettings* settings;
    const char *first, *edited;
    std::string after;  // empty: refused with 404, unchanged
  };
  const std::vector<Row> rows = {
      {kMissing, "ABC.ZLP", &a4, "", nullptr, GroupInfoFile({{kA4, 0}}, {"ABC.ZLP"})},
      {kMissing, "ABC.ZLP", &a4, "HELLO", nullptr,
       RawGroupInfoFile({{kA4, 1}}, {0, 7}, Bytes().Pooled("HELLO").Pooled("ABC.ZLP").str(), 0)},
      {kMissing, "A.ZLP", &a4, "G", "_F3001.ZL3",
       GroupInfoFile({{kA4, 2}}, {"G", "_F3001.ZL3", "A.ZLP"}, 0, 1)},
      {kMissing, nullptr, &a4, nullptr, nullptr, GroupInfoFile({{kA4, -1}}, {})},
      {kMissing, "ABC.ZLP", nullptr, "FIRST", nullptr, GroupInfoFile({}, {"FIRST"}, 0)},
      {GroupInfoFile({}, {"FIRST"}, 0), "A.ZLP", nullptr, "SECOND", "_F3001.ZL3",
       GroupInfoFile({}, {"SECOND", "_F3001.ZL3"}, 0, 1)},
      {GroupInfoFile({{kA4, 1}, {kA4, 2}}, {"DRV01", "ABC.ZLP", "DEF.ZLP"}, 0), "D:\\O\\G.ZLP", &low, nullptr,
       nullptr,
       GroupInfoFile({{kA4, 1}, {kA4, 2}, {kLow, 3}}, {"DRV01", "ABC.ZLP", "DEF.ZLP", "D:\\O\\G.ZLP"}, 0)},
      {drv, "B.ZLP", &a4, "", nullptr,  // the cleared text leaves its length
       RawGroupInfoFile({{kA4, 1}, {kA4, 2}}, {0, 2, 9},
                        Bytes().U16(6).Pooled("A.ZLP").Pooled("B.ZLP").str())},
      {drv, "B.ZLP", &a4, "DRIVER-TEXT", nullptr,
       GroupInfoFile({{kA4, 1}, {kA4, 2}}, {"DRIVER-TEXT", "A.ZLP", "B.ZLP"}, 0)},
      {GroupInfoFile({{kA4, 2}}, {"_F3001.ZL3", "DRV", "A.ZLP"}, 1, 0), "B.ZLP", &a4, "", "_F3001BB.ZL3",
       RawGroupInfoFile({{kA4, 2}, {kA4, 3}}, {0, 14, 16, 23},
                        Bytes().Pooled("_F3001BB.ZL3").U16(3).Pooled("A.ZLP").Pooled("B.ZLP").str(), -1, 0)},
      {GroupInfoFile({{kA4, 1}}, {"DRV", "A.ZLP", "_F3001.ZL3"}, 0, 2), "B.ZLP", &a4, "DRIVER-TEXT",
       "_F3001A.ZL3",
       GroupInfoFile({{kA4, 1}, {kA4, 3}}, {"DRIVER-TEXT", "A.ZLP", "_F3001A.ZL3", "B.ZLP"}, 0, 2)},
      {GroupInfoFile(many, names), "NEW.ZLP", &a4, nullptr, nullptr, GroupInfoFile(manyAfter, namesAfter)},
      {GroupInfoFile({}, {"X"}, 0), l260.c_str(), &a4, nullptr, nullptr,
       GroupInfoFile({{kA4, 1}}, {"X", l260}, 0)},
      {GroupInfoFile({}, {"X"}, 0), nullptr, nullptr, l260.c_str(), nullptr, GroupInfoFile({}, {l260}, 0)},
      {GroupInfoFile({}, {"X"}, 0), "A.ZLP", &a4, l261.c_str(), nullptr, ""},
      {kMissing, l261.c_str(), &a4, "", nullptr, ""},
      {kMissing, "A.ZLP", &a4, l261.c_str(), nullptr, ""},
      {kMissing, "A.ZLP", &a4, "", l261.c_str(), ""},
      {GroupInfoFile({}, {"A"}) + "x", "B.ZLP", &a4, "", nullptr, ""},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    Write(rows[i].before);
    const bool ok = !rows[i].after.empty();
    EXPECT_EQ(Add(rows[i].file, rows[i].settings, rows[i].first, rows[i].edited), ok) << "row " << i;
    EXPECT_EQ(zv::GetLastErrorCode(), ok ? kUntouched : 404u) << "row " << i;
    EXPECT_EQ(Group(), ok ? rows[i].after : rows[i].before) << "row " << i;
  }
  EXPECT_FALSE(zv::AddOverlayEntry(Path("NODIR\\_F3002.FGP").c_str(), "B.ZLP", &a4, "", nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
}

TEST_F(GroupRegistrationTest, SetGroupStringSetsReplacesOrClearsASlotsText) {
  std::vector<std::string> long1400 = {"A.ZLP", "_F3001-EDITED-LONGER.ZL3"};
  for (int i = 0; i < 1400; ++i) long1400.push_back("_F3001" + std::to_string(i) + ".ZLP");
  std::vector<std::string> short1400 = long1400;
  short1400[1] = "E.ZL3";
  const std::string one = GroupInfoFile({{kA4, 0}}, {"A.ZLP"});
  struct Row {
    std::string before;
    Slot slot;
    const char* text;
    std::string after;  // empty: refused, unchanged
    int32_t index;      // the slot's index in the header afterwards
  };
  const std::vector<Row> rows = {
      {one, Slot::kPreviewFile, "", one, -1},
      {one, Slot::kEditedFile, nullptr, one, -1},
      {one, Slot::kPreviewFile, "_F3001.PBF", GroupInfoFile({{kA4, 0}}, {"A.ZLP", "_F3001.PBF"}, -1, -1, 1),
       1},
      {GroupInfoFile({{kA4, 0}, {kA4, 2}}, {"A.ZLP", "DRV001", "B.ZLP", "C.ZLP"}, 1), Slot::kFirstGroupString,
       "",
       RawGroupInfoFile({{kA4, 0}, {kA4, 2}}, {0, 7, 9, 16},
                        Bytes().Pooled("A.ZLP").U16(6).Pooled("B.ZLP").Pooled("C.ZLP").str()),
       -1},
      {GroupInfoFile({{kA4, 1}}, {"ABCDEF", "A.ZLP"}, 0), Slot::kFirstGroupString, "UVWXYZ",
       GroupInfoFile({{kA4, 1}}, {"UVWXYZ", "A.ZLP"}, 0), 0},
      {GroupInfoFile({{kA4, 0}}, short1400, -1, 1), Slot::kEditedFile, long1400[1].c_str(),
       GroupInfoFile({{kA4, 0}}, long1400, -1, 1), 1},
      {GroupInfoFile({{kA4, 0}}, long1400, -1, 1), Slot::kEditedFile, "E.ZL3",
       GroupInfoFile({{kA4, 0}}, short1400, -1, 1), 1},
      {GroupInfoFile({}, {"A"}, 0, -1, 5), Slot::kPreviewFile, "C", "", 0},  // names no text of the table
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    Write(rows[i].before);
    zv::GroupInfoHeader header{};
    EXPECT_EQ(SetString(rows[i].slot, rows[i].text, &header), !rows[i].after.empty()) << "row " << i;
    EXPECT_EQ(Group(), rows[i].after.empty() ? rows[i].before : rows[i].after) << "row " << i;
    if (rows[i].after.empty()) continue;
    const int32_t slots[] = {header.firstString, header.editedFileString, header.previewString};
    EXPECT_EQ(slots[int(rows[i].slot)], rows[i].index) << "row " << i;
  }
  Write(one);
  zv::GroupInfoHeader header{};
  fault::FailNth(fault::kAlloc, 1);
  EXPECT_FALSE(SetString(Slot::kFirstGroupString, "B", &header));
  EXPECT_EQ(Group(), one);
}

TEST_F(GroupRegistrationTest, HeldFilesNoMemoryAndEveryFailedReadWriteOrCutAreReported) {
  const zv::PrintSettings a4 = A4();
  const std::string drv = GroupInfoFile({{kA4, 1}}, {"DRV001", "A.ZLP", "_F3001.ZL3"}, 0, 2);
  Write(drv);
  {
    FileHolder holder(GroupPath(), plat::kAccessReadWrite, plat::kShareRead);
    ASSERT_TRUE(holder.Opened());
    EXPECT_FALSE(Add("B.ZLP", &a4, "X"));
    EXPECT_EQ(zv::GetLastErrorCode(), 404u);
    EXPECT_FALSE(Add(nullptr, nullptr, nullptr));
  }
  plat::FileHandle writer =
      plat::OpenFile(GroupPath().c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kOpenExisting);
  EXPECT_FALSE(Add("B.ZLP", &a4, "X"));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  plat::CloseFile(writer);
  EXPECT_EQ(Group(), drv);
  Write(kMissing);
  fault::FailNth(fault::kAlloc, 1);
  EXPECT_FALSE(Add("ABC.ZLP", &a4, "X"));
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  EXPECT_EQ(Group(), kMissing);
  struct Case {
    std::string before;
    const char *first, *edited;
    fault::Point point;
    uint32_t from;
  };
  const Case cases[] = {
      {kMissing, "FIRST", "EDITED", fault::kWrite, 1},  // a new file is never left half made
      {drv, "DRV001-LONGER", "_F3001-LONGER.ZL3", fault::kWrite, 1},
      {drv, "", nullptr, fault::kWrite, 1},
      {drv, "DRV00", nullptr, fault::kRead, 2},  // the first read is the header's
      {drv, "D", nullptr, fault::kSetEnd, 1},
  };
  for (const Case& c : cases) {
    Write(c.before);
    fault::Reset();
    ASSERT_TRUE(Add("B.ZLP", &a4, c.first, c.edited));
    EXPECT_EQ(fault::CallCount(fault::kAlloc), 1u);  // one allocation serves the whole call
    const uint32_t calls = fault::CallCount(c.point);
    ASSERT_GE(calls, c.from);
    for (uint32_t n = c.from; n <= calls; ++n) {
      Write(c.before);
      fault::FailNth(c.point, n);
      EXPECT_FALSE(Add("B.ZLP", &a4, c.first, c.edited)) << c.first << ", call " << n;
      EXPECT_EQ(zv::GetLastErrorCode(), 404u) << c.first << ", call " << n;
      EXPECT_TRUE(c.before != kMissing || Group() == kMissing) << n;
      fault::Reset();
    }
  }
}

}  // namespace
