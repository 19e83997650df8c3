// Overlay data files: the header test, the description and layer of headers
// and .ZLI companions, the paper of headers and .ZLF companions, and the
// header written into new files, byte for byte.
#include <gtest/gtest.h>

#include <cstring>

#include "catalogue/overlay_files.h"
#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/sandbox.h"

namespace {

using zvtest::Bytes;
using zvtest::DescriptionCompanionFile;
using zvtest::OverlayDataFile;
using zvtest::PaperCompanionFile;
constexpr uint32_t kUntouched = 0xDEADBEEF;

std::string RecordWith(uint8_t layer, uint16_t paperCode = 9, int16_t orientation = 1) {
  zvtest::DriverSettingsBlock b;
  b.paperCode = paperCode;
  b.orientation = orientation;
  return b.Record(layer);
}

const std::string kRaw = std::string("\x1D") + "0;0.24muE" + std::string(30, 'D');

class OverlayFilesTest : public zvtest::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    ASSERT_EQ(Dir().find('.'), std::string::npos) << "the scratch path must have no dot";
    std::string rawWithWords = kRaw;
    rawWithWords.resize(400, 'D');
    rawWithWords.replace(50, 4, Bytes().U16(256).U16(1).str());
    const std::string header = OverlayDataFile("F", "Has a header", RecordWith(2));
    const std::pair<const char*, std::string> files[] = {
        {"UPPER.ZLC", header}, {"lower.zlc", header}, {"Mixed.ZlC", header}, {"RAW.ZLP", kRaw},
        {"RAW.DAT", "\x1D"}, {"RAWNODOT", kRaw}, {"EMPTY.ZLP", ""}, {"LATE.ZLP", "\x1B\x1D"},
        {"FORM.ZLC.ZLP", header}, {"NODOT", header}, {"FORM.DAT", header}, {"FORM.ZL3", header},
        {"_F301A00.ZLP", OverlayDataFile("INVOICE", "Invoice blank, page 1", RecordWith(2))},
        {"front.zlp", OverlayDataFile("INVOICE", "Front", RecordWith(1))},
        {"FULL.ZLP", OverlayDataFile("F", std::string(256, 'x'), RecordWith(2))},
        {"SHORT.ZLP", OverlayDataFile("F", "Short", RecordWith(2)).substr(0, 40)},
        {"FORM.ZLC", kRaw}, {"FORM.ZLI", DescriptionCompanionFile("Delivery note")},
        {"small.zlc", kRaw}, {"small.ZLI", DescriptionCompanionFile("Small print")}, {"NOCOMP.ZLC", kRaw},
        {"FULLC.ZLI", DescriptionCompanionFile("A" + std::string(254, 'y') + "Z")},
        {"PART.ZLI", Bytes().Zeros(32).Text("Part").str()}, {"TINY.ZLI", "abc"},
        {"A.B.ZLC", kRaw}, {"A.B.ZLI", DescriptionCompanionFile("Two dots")},
        {"A.ZLI", DescriptionCompanionFile("Wrong companion")}, {"A.ZLF", PaperCompanionFile(1, 0)},
        {"P1.ZLC", kRaw}, {"P1.ZLF", PaperCompanionFile(9, 1)}, {"P2.ZLC", kRaw},
        {"P2.ZLF", PaperCompanionFile(256, 0)}, {"P3.ZLC", kRaw}, {"P3.ZLF", PaperCompanionFile(11, 0x0100)},
        {"P4.ZLC", kRaw}, {"P4.ZLF", PaperCompanionFile(70, 1)}, {"OVERLAY", kRaw},
        {"OVERLAY.ZLF", PaperCompanionFile(9, 0)}, {"A.B.ZLP", kRaw}, {"A.B.ZLF", PaperCompanionFile(11, 1)},
        {"SHORTC.ZLP", rawWithWords}, {"SHORTC.ZLF", PaperCompanionFile(256, 1).substr(0, 10)},
        {"H1.ZLP", OverlayDataFile("F", "D", RecordWith(1, 256, 2))}, {"H1.ZLF", PaperCompanionFile(1, 0)},
        {"H2.ZLP", OverlayDataFile("F", "D", RecordWith(1, 9, 7))},
        {"H3.ZLP", OverlayDataFile("F", "D", RecordWith(1, 0xFFFF, 1))},
    };
    for (const auto& [name, bytes] : files) ASSERT_TRUE(zvtest::WriteWholeFile(Path(name), bytes)) << name;
    zv::SetLastErrorCode(kUntouched);
  }
  void TearDown() override {
    plat::fault::Reset();
    SandboxTest::TearDown();
  }
};

TEST_F(OverlayFilesTest, HeaderTest) {
  // A raw file that is read-only and open in another reader is still read.
  ASSERT_TRUE(plat::SetAttributesReadOnly(Path("RAW.ZLP").c_str()));
  plat::FileHandle other =
      plat::OpenFile(Path("RAW.ZLP").c_str(), plat::kAccessRead, plat::kShareRead, plat::kOpenExisting);
  ASSERT_NE(other, nullptr);
  const std::pair<const char*, bool> rows[] = {
      {"UPPER.ZLC", false}, {"lower.zlc", false}, {"Mixed.ZlC", false}, {"MISSING.ZLC", false},
      {"RAW.ZLP", false}, {"RAW.DAT", false}, {"RAWNODOT", false}, {"_F301A00.ZLP", true},
      {"EMPTY.ZLP", true}, {"LATE.ZLP", true}, {"FORM.ZLC.ZLP", true}, {"MISSING.ZLP", true},
      {"MISSING", true}, {"DIR.ZLC\\FILE", true}};
  for (const auto& [name, expected] : rows) EXPECT_EQ(zv::HasOverlayHeader(Path(name).c_str()), expected) << name;
  plat::CloseFile(other);
  plat::SetAttributesNormal(Path("RAW.ZLP").c_str());

  const std::pair<const char*, bool> extensions[] = {
      {"C:\\FORMS\\A.zlp", true}, {"C:\\A.ZLC\\B.Zlp", true}, {"C:\\FORMS\\A.ZLPX", false},
      {"C:\\FORMS\\A.ZL", false}, {"C:\\FORMS\\ZLP", false},   {".zlp", true}, {"ZLP", false}};
  for (const auto& [path, expected] : extensions) EXPECT_EQ(zv::ExtensionEquals(path, ".ZLP"), expected) << path;
}

TEST_F(OverlayFilesTest, DescriptionAndLayer) {
  const struct {
    const char* name;
    uint16_t layer;
    std::string description;
    bool failAlloc;
  } rows[] = {
      {"_F301A00.ZLP", 2, "Invoice blank, page 1", false}, {"front.zlp", 1, "Front", false},
      {"FULL.ZLP", 2, std::string(256, 'x'), false},        {"SHORT.ZLP", 0, "Short", false},
      {"MISSING.ZLP", 0, "unchanged", false},               {"FORM.ZLC", 1, "Delivery note", false},
      {"small.zlc", 1, "Small print", false},               {"NOCOMP.ZLC", 1, "unchanged", false},
      {"GONE.ZLC", 1, "unchanged", false},                  {"FULLC.ZLC", 1, "A" + std::string(254, 'y') + "Z", false},
      {"PART.ZLC", 1, "Part", false},                       {"TINY.ZLC", 1, "", false},
      {"A.B.ZLC", 1, "Two dots", false},                    {"NODOT", 0, "unchanged", false},
      {"FORM.DAT", 0, "unchanged", false},                  {"FORM.ZL3", 0, "unchanged", false},
      {"_F301A00.ZLP", 0, "unchanged", true},
  };
  char buffer[zv::kOverlayDescriptionSize + 16];
  for (const auto& row : rows) {
    std::memset(buffer, '#', sizeof buffer);
    std::memcpy(buffer, "unchanged", 10);
    plat::fault::FailNth(plat::fault::kAlloc, row.failAlloc ? 1 : 0);
    EXPECT_EQ(zv::GetOverlayDescription(Path(row.name).c_str(), buffer), row.layer) << row.name;
    EXPECT_EQ(std::string(buffer), row.description) << row.name;
    EXPECT_EQ(std::string(buffer + zv::kOverlayDescriptionSize, 16), std::string(16, '#')) << row.name;
  }
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
  EXPECT_EQ(zv::GetOverlayDescription((std::string(300, 'L') + ".ZLC").c_str(), buffer), 0);
}

TEST_F(OverlayFilesTest, PaperEntryAndOrientation) {
  std::vector<zv::PaperEntry> entries(6);
  std::memset(entries.data(), 0, entries.size() * sizeof entries[0]);
  const uint16_t codes[] = {1, 9, 256, 9, 11, 0xFFFF};
  for (size_t i = 0; i < entries.size(); ++i) entries[i].code = codes[i];
  const struct {
    const char* name;
    uint16_t count;
    int16_t index;
    uint16_t orientation;
    bool failAlloc;
    uint32_t code;
  } rows[] = {
      {"P1.ZLC", 6, 1, 2, false, kUntouched},      {"P2.ZLC", 6, 2, 1, false, kUntouched},
      {"P3.ZLC", 6, 4, 2, false, kUntouched},      {"NOCOMP.ZLC", 6, -1, 0, false, kUntouched},
      {"P4.ZLC", 6, -1, 2, false, kUntouched},     {"P2.ZLC", 2, -1, 1, false, kUntouched},
      {"P2.ZLC", 3, 2, 1, false, kUntouched},      {"P2.ZLC", 0, -1, 1, false, kUntouched},
      {"OVERLAY", 6, 1, 1, false, kUntouched},     {"A.B.ZLP", 6, 4, 2, false, kUntouched},
      {"SHORTC.ZLP", 6, -1, 1, false, kUntouched}, {"H1.ZLP", 6, 2, 2, false, kUntouched},
      {"H2.ZLP", 6, 1, 7, false, kUntouched},      {"H3.ZLP", 6, -1, 1, false, kUntouched},
      {"MISSING.ZLP", 6, -1, 0, false, kUntouched}, {"P1.ZLC", 6, -1, 0x7777, true, 401},
  };
  for (const auto& row : rows) {
    zv::SetLastErrorCode(kUntouched);
    plat::fault::FailNth(plat::fault::kAlloc, row.failAlloc ? 1 : 0);
    plat::io::Reset();
    uint16_t orientation = 0x7777;
    EXPECT_EQ(zv::FindPaperEntryIndex(Path(row.name).c_str(), row.count, entries.data(), &orientation), row.index)
        << row.name << " count " << row.count;
    EXPECT_EQ(orientation, row.orientation) << row.name;
    EXPECT_EQ(zv::GetLastErrorCode(), row.code) << row.name;
    // A header is read once, and the companion beside it is not read.
    if (row.name[0] == 'H') {
      EXPECT_EQ(plat::io::Current().bytesRead, 319u) << row.name;
    }
  }
}

std::string Built(const char* name, const char* description, uint8_t layer, const std::string& block) {
  unsigned char header[zv::overlay_header::kSize + 4];
  std::memset(header, 0xA5, sizeof header);
  zv::BuildOverlayHeader(name, description, layer, block.data(), header);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(header) + 319, 4), std::string(4, '\xA5')) << "past the header";
  return std::string(reinterpret_cast<const char*>(header), zv::overlay_header::kSize);
}

TEST(OverlayHeaderTest, NewHeaderIsLengthNameDescriptionAndCapturedRecord) {
  const zvtest::DriverSettingsBlock block = zvtest::InColour();
  EXPECT_EQ(Built("INVOICE", "Invoice blank", 2, block.Bytes()),
            Bytes().U32(319).Fixed("INVOICE", 25).Fixed("Invoice blank", 256).Text(block.Record(2)).str());
  EXPECT_EQ(Built(std::string(40, 'N').c_str(), std::string(300, 'D').c_str(), 1, block.Bytes()),
            Bytes().U32(319).Fixed(std::string(24, 'N'), 25).Fixed(std::string(255, 'D'), 256)
                .Text(block.Record(1)).str());

  unsigned char header[zv::overlay_header::kSize];
  std::memset(header, 0xA5, sizeof header);
  zv::StartOverlayHeader("LETTER", "Letterhead", 1, header);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(header), sizeof header),
            Bytes().U32(319).Fixed("LETTER", 25).Fixed("Letterhead", 256).Zeros(2).U8(1).Zeros(31).str());
  zv::CompleteOverlayHeader(block.Bytes().data(), header);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(header), sizeof header),
            Built("LETTER", "Letterhead", 1, block.Bytes()));
}

}  // namespace
