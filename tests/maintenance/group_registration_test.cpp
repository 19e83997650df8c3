// Overlay entries added to group info files and the texts of the header's
// slots set, compared byte for byte with the files built by hand; refusals
// leave the file as it was.
#include "maintenance/group_registration.h"

#include <gtest/gtest.h>

#include "maintenance/file_moves.h"
#include "maintenance/maintenance_fixture.h"

namespace {

using namespace zvtest;
using Slot = zv::GroupStringSlot;
using Texts = std::vector<std::string>;

zv::PrintSettings A4(uint16_t resolution = 600) {
  return {1, 1, 1, 7, 2100, 2970, 0, 0, 9, 1, resolution, 1, 2, 0, 2100, 2970, 0, 0, 9, 100};
}
const zv::PrintSettings kSettings = A4(), kLow = A4(300);
const std::string kA4 = SettingsRecordBytes(kSettings);

class GroupRegistrationTest : public MaintenanceTest {
 protected:
  std::string GroupPath() const { return Path("_F3001.FGP"); }
};

TEST_F(GroupRegistrationTest, AddOverlayEntryWritesTheEntryAndTheHeadersTexts) {
  const std::string l260(260, 'L'), l261(261, 'L'), drv = GroupInfoFile({{kA4, 1}}, {"DRV001", "A.ZLP"}, 0);
  const zv::PrintSettings* const a4 = &kSettings;
  // before, file, settings, first group string, edited file; after (empty:
  // refused with 404, unchanged)
  const std::vector<
      std::tuple<std::string, const char*, const zv::PrintSettings*, const char*, const char*, std::string>>
      rows = {
          {kMissing, "ABC.ZLP", a4, "", nullptr, GroupInfoFile({{kA4, 0}}, {"ABC.ZLP"})},
          {kMissing, "A.ZLP", a4, "G", "_F3001.ZL3",
           GroupInfoFile({{kA4, 2}}, {"G", "_F3001.ZL3", "A.ZLP"}, 0, 1)},
          {kMissing, nullptr, a4, nullptr, nullptr, GroupInfoFile({{kA4, -1}}, {})},
          {kMissing, "ABC.ZLP", nullptr, "FIRST", nullptr, GroupInfoFile({}, {"FIRST"}, 0)},
          {GroupInfoFile({}, {"FIRST"}, 0), "A.ZLP", nullptr, "SECOND", "_F3001.ZL3",
           GroupInfoFile({}, {"SECOND", "_F3001.ZL3"}, 0, 1)},
          {GroupInfoFile({{kA4, 1}, {kA4, 2}}, {"DRV01", "ABC.ZLP", "DEF.ZLP"}, 0), "D:\\O\\G.ZLP", &kLow,
           nullptr, nullptr,
           GroupInfoFile({{kA4, 1}, {kA4, 2}, {SettingsRecordBytes(kLow), 3}},
                         {"DRV01", "ABC.ZLP", "DEF.ZLP", "D:\\O\\G.ZLP"}, 0)},
          {drv, "B.ZLP", a4, "", nullptr,  // the cleared text leaves its length
           RawGroupInfoFile({{kA4, 1}, {kA4, 2}}, {0, 2, 9},
                            Bytes().U16(6).Pooled("A.ZLP").Pooled("B.ZLP").str())},
          {GroupInfoFile({{kA4, 1}}, {"DRV", "A.ZLP", "_F3001.ZL3"}, 0, 2), "B.ZLP", a4, "DRIVER-TEXT",
           "_F3001A.ZL3",
           GroupInfoFile({{kA4, 1}, {kA4, 3}}, {"DRIVER-TEXT", "A.ZLP", "_F3001A.ZL3", "B.ZLP"}, 0, 2)},
          {GroupInfoFile({{kA4, 2}}, {"_F3001.ZL3", "DRV", "A.ZLP"}, 1, 0), "B.ZLP", a4, "", "_F3001BB.ZL3",
           RawGroupInfoFile({{kA4, 2}, {kA4, 3}}, {0, 14, 16, 23},
                            Bytes().Pooled("_F3001BB.ZL3").U16(3).Pooled("A.ZLP").Pooled("B.ZLP").str(), -1,
                            0)},
          // The first text appended, then the edited name behind the preview's replaced.
          {GroupInfoFile({}, {"PREVIEW.BMP", "_F3001.ZL3"}, -1, 1, 0), nullptr, nullptr, "GROUP",
           "_F3001X.ZL3", GroupInfoFile({}, {"PREVIEW.BMP", "_F3001X.ZL3", "GROUP"}, 2, 1, 0)},
          {GroupInfoFile({}, {"X"}, 0), l260.c_str(), a4, nullptr, nullptr,
           GroupInfoFile({{kA4, 1}}, {"X", l260}, 0)},
          {GroupInfoFile({}, {"X"}, 0), nullptr, nullptr, l260.c_str(), nullptr,
           GroupInfoFile({}, {l260}, 0)},
          // clang-format off
          {GroupInfoFile({}, {"X"}, 0), "A.ZLP", a4, l261.c_str(), nullptr, ""},
          {kMissing, l261.c_str(), a4, "", nullptr, ""},
          {kMissing, "A.ZLP", a4, l261.c_str(), nullptr, ""},
          {kMissing, "A.ZLP", a4, "", l261.c_str(), ""},
          {GroupInfoFile({}, {"A"}) + "x", "B.ZLP", a4, "", nullptr, ""},
          // clang-format on
      };
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& [before, file, settings, first, edited, after] = rows[i];
    Write(GroupPath(), before);
    zv::SetLastErrorCode(kUntouched);
    EXPECT_EQ(zv::AddOverlayEntry(GroupPath().c_str(), file, settings, first, edited), !after.empty()) << i;
    EXPECT_EQ(zv::GetLastErrorCode(), after.empty() ? 404u : kUntouched) << "row " << i;
    EXPECT_EQ(Read(GroupPath()), after.empty() ? before : after) << "row " << i;
  }
}

TEST_F(GroupRegistrationTest, SetGroupStringSetsReplacesOrClearsASlotsText) {
  Texts long1400 = {"A.ZLP", "_F3001-EDITED-LONGER.ZL3"};
  for (int i = 0; i < 1400; ++i) long1400.push_back("_F3001" + std::to_string(i) + ".ZLP");
  Texts short1400 = long1400;
  short1400[1] = "E.ZL3";
  const std::string one = GroupInfoFile({{kA4, 0}}, {"A.ZLP"});
  // before, slot, text; after (empty: refused, unchanged), the slot's index in the header after
  const std::vector<std::tuple<std::string, Slot, const char*, std::string, int32_t>> rows = {
      {one, Slot::kPreviewFile, "_F3001.PBF", GroupInfoFile({{kA4, 0}}, {"A.ZLP", "_F3001.PBF"}, -1, -1, 1),
       1},
      {GroupInfoFile({{kA4, 0}}, short1400, -1, 1), Slot::kEditedFile, long1400[1].c_str(),
       GroupInfoFile({{kA4, 0}}, long1400, -1, 1), 1},
      {GroupInfoFile({{kA4, 0}}, long1400, -1, 1), Slot::kEditedFile, "E.ZL3",
       GroupInfoFile({{kA4, 0}}, short1400, -1, 1), 1},
      {GroupInfoFile({}, {"A"}, 0, -1, 5), Slot::kPreviewFile, "C", "", 0},  // names no text of the table
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& [before, slot, text, after, index] = rows[i];
    Write(GroupPath(), before);
    zv::GroupInfoHeader header{};
    plat::FileHandle file = nullptr;
    ASSERT_EQ(zv::OpenGroupInfo(GroupPath().c_str(), plat::kAccessReadWrite, &file, &header),
              zv::ListFileState::kValid);
    const bool ok = zv::SetGroupString(file, &header, slot, text);
    unsigned char bytes[64];  // the header written back as the callers do
    zv::EncodeGroupInfoHeader(header, bytes);
    EXPECT_TRUE(!ok || zv::WriteAt(file, 0, bytes, sizeof bytes));
    plat::CloseFile(file);
    EXPECT_EQ(ok, !after.empty()) << "row " << i;
    EXPECT_EQ(Read(GroupPath()), after.empty() ? before : after) << "row " << i;
    const int32_t slots[] = {header.firstString, header.editedFileString, header.previewString};
    EXPECT_TRUE(!ok || slots[int(slot)] == index) << "row " << i;
  }
}

}  // namespace
