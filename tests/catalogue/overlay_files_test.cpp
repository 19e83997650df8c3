// Overlay data files and their companions: header test, layer, description,
// paper entry and orientation.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "catalogue/overlay_files.h"
#include "catalogue/print_settings.h"
#include "module/module_state.h"
#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/other_process.h"

namespace {

using zvtest::Bytes;
using zvtest::DescriptionCompanionFile;
using zvtest::PaperCompanionFile;
using zvtest::WriteWholeFile;

std::string Header(const std::string& description, uint8_t layer, uint16_t paperCode = 9,
                   int16_t orientation = 1) {
  zvtest::DriverSettingsBlock b;
  b.paperCode = paperCode;
  b.orientation = orientation;
  return zvtest::OverlayDataFile("F", description, b.Record(layer));
}

class OverlayFilesTest : public zvtest::CatalogueTest {
 protected:
  // "header test|layer:description|paper entry index:orientation"; the
  // description starts as "-", the orientation as 0x7777.
  std::string Read(const std::string& name, uint16_t count = 6, bool noMemory = false) {
    const uint16_t codes[] = {1, 9, 256, 9, 11, 0xFFFF};
    zv::PaperEntry entries[6] = {};
    for (size_t i = 0; i < 6; ++i) entries[i].code = codes[i];
    char description[zv::kOverlayDescriptionSize + 16];
    std::memset(description, '#', sizeof description);
    std::strcpy(description, "-");
    uint16_t orientation = 0x7777;
    const std::string path = Path(name);
    std::string out = std::to_string(zv::HasOverlayHeader(path.c_str())) + "|";
    plat::fault::FailNth(plat::fault::kAlloc, noMemory);
    out += std::to_string(zv::GetOverlayDescription(path.c_str(), description));
    EXPECT_EQ(std::string(description + zv::kOverlayDescriptionSize, 16), std::string(16, '#')) << name;
    out += ":" + std::string(description) + "|";
    plat::fault::FailNth(plat::fault::kAlloc, noMemory);
    out += std::to_string(zv::FindPaperEntryIndex(path.c_str(), count, entries, &orientation));
    return out + ":" + std::to_string(orientation);
  }
};

TEST_F(OverlayFilesTest, EachKindOfFileAndCompanion) {
  ASSERT_EQ(Dir().find('.'), std::string::npos) << "the scratch path must have no dot";
  // Raw printer data; words at the companion's paper offsets show a buffer that was not cleared.
  std::string raw = std::string("\x1D") + "0;0.24muE" + std::string(390, '\0');
  raw.replace(50, 4, Bytes().U16(256).U16(1).str());
  const std::string x256(256, 'x'), full = "A" + std::string(254, 'y') + "Z";
  const std::string shortZlf = PaperCompanionFile(256, 1).substr(0, 10);
  // A decoy beside A.B.ZLC and A.B.ZLP: the extension runs from the last dot.
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("A.ZLI"), DescriptionCompanionFile("Wrong")));
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("A.ZLF"), PaperCompanionFile(1, 0)));
  const struct {
    const char* name;  // not written when it starts with MISSING
    std::string bytes, zli, zlf, outcome;
  } rows[] = {{"_F301A00.ZLP", Header("Invoice blank", 2), "", "", "1|2:Invoice blank|1:1"},
              {"front.zlp", Header("Front", 1), "", "", "1|1:Front|1:1"},
              {"FULL.ZLP", Header(x256, 2), "", "", "1|2:" + x256 + "|1:1"},
              {"MISSING.ZLP", "", "", "", "1|0:-|-1:0"},
              {"H1.ZLP", Header("D", 1, 256, 2), "", PaperCompanionFile(1, 0),
               "1|1:D|2:2"},  // the companion is not read
              {"H2.ZLP", Header("D", 1, 9, 7), "", "", "1|1:D|1:7"},
              {"H3.ZLP", Header("D", 1, 0xFFFF), "", "", "1|1:D|-1:1"},
              {"RAW.ZLP", raw, "", shortZlf, "0|0:|-1:1"},
              {"A.B.ZLP", raw, "", PaperCompanionFile(11, 1), "0|0:|4:2"},
              {"OVERLAY", raw, "", PaperCompanionFile(9, 0), "0|0:-|1:1"},
              {"LATE.ZLP", "\x1B\x1D", "", "", "1|0:|-1:0"},
              {"lower.zlc", raw, DescriptionCompanionFile("Small print"), "", "0|1:Small print|-1:0"},
              {"FORM.ZLC", raw, DescriptionCompanionFile("Delivery note"), PaperCompanionFile(256, 0),
               "0|1:Delivery note|2:1"},
              {"FULLC.ZLC", raw, DescriptionCompanionFile(full), PaperCompanionFile(11, 0x0100),
               "0|1:" + full + "|4:2"},
              {"TINY.ZLC", raw, "abc", "", "0|1:|-1:0"},
              {"A.B.ZLC", raw, DescriptionCompanionFile("Two dots"), "", "0|1:Two dots|4:2"},
              {"NODOT", Header("D", 2), "", "", "1|0:-|1:1"},
              {"MISSING.ZLC\\FILE", "", "", "", "1|0:-|-1:0"}};
  for (const auto& row : rows) {
    const std::string name = row.name, stem = name.substr(0, name.find_last_of('.'));
    ASSERT_TRUE(name.rfind("MISSING", 0) == 0 || zvtest::WriteWholeFile(Path(name), row.bytes));
    ASSERT_TRUE(row.zli.empty() || zvtest::WriteWholeFile(Path(stem + ".ZLI"), row.zli));
    ASSERT_TRUE(row.zlf.empty() || zvtest::WriteWholeFile(Path(stem + ".ZLF"), row.zlf));
  }
  // A raw file that is read-only and open in another reader is still read.
  ASSERT_TRUE(plat::SetAttributesReadOnly(Path("RAW.ZLP").c_str()));
  zvtest::FileHolder other(Path("RAW.ZLP"), plat::kAccessRead, plat::kShareRead);
  zv::SetLastErrorCode(0xDEADBEEF);
  for (const auto& row : rows) EXPECT_EQ(Read(row.name), row.outcome) << row.name;
  EXPECT_EQ(zv::GetLastErrorCode(), 0xDEADBEEF);
  plat::SetAttributesNormal(Path("RAW.ZLP").c_str());
  // Only the first count entries are searched; the header is read once.
  EXPECT_EQ(Read("FORM.ZLC", 2) + " " + Read("FORM.ZLC", 3) + " " + Read("FORM.ZLC", 0),
            "0|1:Delivery note|-1:1 0|1:Delivery note|2:1 0|1:Delivery note|-1:1");
  plat::io::Reset();
  char description[zv::kOverlayDescriptionSize];
  uint16_t orientation = 0;
  zv::FindPaperEntryIndex(Path("H1.ZLP").c_str(), 0, nullptr, &orientation);
  EXPECT_EQ(plat::io::Current().bytesRead, 319u);
  // Without working memory, or with a path too long: nothing is read.
  EXPECT_EQ(Read("FORM.ZLC", 6, true), "0|0:-|-1:30583");
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  EXPECT_EQ(zv::GetOverlayDescription((std::string(300, 'L') + ".ZLC").c_str(), description), 0);

  std::string out;
  for (const char* path :
       {"C:\\FORMS\\A.zlp", "C:\\A.ZLC\\B.Zlp", "C:\\A.ZLPX", "C:\\A.ZL", "C:\\ZLP", ".zlp", "ZLP"})
    out += std::to_string(zv::ExtensionEquals(path, ".ZLP"));
  EXPECT_EQ(out, "1100010");
}

}  // namespace

TEST_F(OverlayFilesTest, SettingsRecordOfEachKindOfFile) {
  const std::string record = zvtest::DriverSettingsBlock().Record(1);
  // A raw file's record: mark, layer, mode level 1, any model, the resolution, black, zoom 100.
  const auto raw = [](uint8_t layer, uint16_t resolution) {
    return Bytes().U16(1).U8(layer).U8(1).U16(0xFFFF).str() + std::string(11, '\0') +
           Bytes().U16(resolution).U8(2).str() + std::string(12, '\0') + Bytes().U16(100).str();
  };
  const std::string data600 = std::string("\x1D") + "0;0.24muE" + std::string(40, '\0');
  ASSERT_TRUE(WriteWholeFile(Path("HEAD.ZLP"), zvtest::OverlayDataFile("F", "", record)) &&
              WriteWholeFile(Path("RAW.ZLP"), data600) &&
              WriteWholeFile(Path("RAW.ZLC"),
                             "\x1D"
                             "0;0.30xxxE") &&
              WriteWholeFile(Path("SHORT.ZLC"),
                             "\x1D"
                             "0;0"));
  std::string layered = record;
  layered[2] = 3;
  // The file, the layer asked for (0 keeps a header's), the record read.
  const std::vector<std::tuple<const char*, uint16_t, std::string>> rows = {
      {"HEAD.ZLP", 0, record},
      {"HEAD.ZLP", 3, layered},
      {"RAW.ZLP", 2, raw(2, 600)},
      {"RAW.ZLC", 4, raw(4, 300)},
      {"SHORT.ZLC", 1, raw(1, 300)},
      {"GONE.ZLC", 1, raw(1, 0)},
      {"GONE.ZLP", 1, std::string(34, '\0')}};
  for (const auto& [name, layer, expected] : rows) {
    zv::PrintSettings settings;
    std::memset(&settings, 0xA5, sizeof settings);
    zv::ReadOverlaySettings(Path(name).c_str(), layer, &settings);
    unsigned char bytes[34];
    zv::EncodePrintSettings(settings, bytes);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), sizeof bytes), expected) << name << " " << layer;
  }
}
