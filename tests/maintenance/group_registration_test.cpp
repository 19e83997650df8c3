// Overlay entries added to and removed from group info files with the texts of the header's slots, compared
// byte for byte with the files built by hand; refusals leave the file as it was.
#include "maintenance/group_registration.h"

#include <gtest/gtest.h>

#include "maintenance/maintenance_fixture.h"
#include "maintenance/overlay_entries.h"

namespace {

using namespace zvtest;

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
  const auto reserved = [](std::string file) { return file.replace(32, 16, "RESERVED  BYTES."); };
  // before, file, settings, first group string, edited file; after (empty: refused with 404, unchanged)
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
          // An empty first text where none is set, and over an empty remnant: the slot stays or becomes
          // unset.
          {GroupInfoFile({{kA4, 0}}, {"A.ZLP"}), "B.ZLP", a4, "", nullptr,
           GroupInfoFile({{kA4, 0}, {kA4, 1}}, {"A.ZLP", "B.ZLP"})},
          {RawGroupInfoFile({{kA4, 1}}, {0, 2}, Bytes().U16(0).Pooled("A.ZLP").str(), 0), "B.ZLP", a4, "",
           nullptr,
           RawGroupInfoFile({{kA4, 1}, {kA4, 2}}, {0, 2, 9},
                            Bytes().U16(0).Pooled("A.ZLP").Pooled("B.ZLP").str())},
          // Both slots naming one text (never written so): cleared with the first, the edited slot names
          // none, and a name for it is appended.
          {GroupInfoFile({}, {"C:\\CAT\\"}, 0, 0), nullptr, nullptr, "", "",
           RawGroupInfoFile({}, {0}, Bytes().U16(7).str())},
          {GroupInfoFile({}, {"C:\\CAT\\"}, 0, 0), nullptr, nullptr, "", "_F3001.ZL3",
           RawGroupInfoFile({}, {0, 2}, Bytes().U16(7).Pooled("_F3001.ZL3").str(), -1, 1)},
          // The first text appended, then the edited name behind the preview's replaced.
          {GroupInfoFile({}, {"PREVIEW.BMP", "_F3001.ZL3"}, -1, 1, 0), nullptr, nullptr, "GROUP",
           "_F3001X.ZL3", GroupInfoFile({}, {"PREVIEW.BMP", "_F3001X.ZL3", "GROUP"}, 2, 1, 0)},
          {GroupInfoFile({}, {"X"}, 0), l260.c_str(), a4, nullptr, nullptr,
           GroupInfoFile({{kA4, 1}}, {"X", l260}, 0)},
          {GroupInfoFile({}, {"X"}, 0), nullptr, nullptr, l260.c_str(), nullptr,
           GroupInfoFile({}, {l260}, 0)},
          // The header's reserved bytes stay as they are.
          {reserved(GroupInfoFile({}, {"FIRST"}, 0)), "A.ZLP", a4, "SECOND", nullptr,
           reserved(GroupInfoFile({{kA4, 1}}, {"SECOND", "A.ZLP"}, 0))},
          {reserved(GroupInfoFile({{kA4, 0}}, {"A.ZLP"})), "B.ZLP", a4, nullptr, nullptr,
           reserved(GroupInfoFile({{kA4, 0}, {kA4, 1}}, {"A.ZLP", "B.ZLP"}))},
          // Refused: the edited name lies inside the first text (never written so), texts over 260
          // characters, a damaged file.
          {RawGroupInfoFile({}, {0, 2}, Bytes().U16(4).Pooled("AB").str(), 0, 1), nullptr, nullptr, "G", "E",
           ""},
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

TEST_F(GroupRegistrationTest, RemoveOverlayEntryClosesTheGapsOfAFileThatStillHoldsTheCounts) {
  const std::string low = SettingsRecordBytes(kLow);
  const std::string two = GroupInfoFile({{kA4, 1}, {low, 2}}, {"FIRST", "A.ZLP", "B.ZLP"}, 0);
  // before, record; after (empty: refused with 408, unchanged)
  const std::vector<std::tuple<std::string, uint32_t, std::string>> rows = {
      {two, 0, GroupInfoFile({{low, 1}}, {"FIRST", "B.ZLP"}, 0)},
      {two, 1, GroupInfoFile({{kA4, 1}}, {"FIRST", "A.ZLP"}, 0)},
      {two, 2, ""},        // past the last entry
      {two + "x", 0, ""},  // a size the counts do not give
      {two.substr(0, two.size() - 1), 1, ""},
      {"X" + two.substr(1), 0, ""},  // not a group info file
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& [before, record, after] = rows[i];
    Write(GroupPath(), before);
    plat::FileHandle file =
        plat::OpenFile(GroupPath().c_str(), plat::kAccessReadWrite, plat::kShareNone, plat::kOpenExisting);
    ASSERT_NE(file, nullptr) << i;
    zv::SetLastErrorCode(kUntouched);
    EXPECT_EQ(zv::RemoveOverlayEntry(file, GroupPath().c_str(), record), !after.empty()) << i;
    plat::CloseFile(file);
    EXPECT_EQ(zv::GetLastErrorCode(), after.empty() ? 408u : kUntouched) << "row " << i;
    EXPECT_EQ(Read(GroupPath()), after.empty() ? before : after) << "row " << i;
  }
}

}  // namespace
