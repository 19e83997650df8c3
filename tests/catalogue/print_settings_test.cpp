// The print settings record: its bytes, its capture from the driver settings
// block, the record read from an overlay data file, and both matches.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "catalogue/print_settings.h"
#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/sandbox.h"

namespace {

using zvtest::Bytes;
using Patch = std::vector<std::pair<size_t, uint16_t>>;  // block offset, word
using Change = std::function<void(zv::PrintSettings&)>;
constexpr uint32_t kUntouched = 0xDEADBEEF;

// The shared A4 block (paper 2100x2970, output 2200x3000, level 3, mode 3,
// black, 600 dpi) with some words replaced.
std::string Block(const Patch& patch = {}) {
  std::string b = zvtest::DriverSettingsBlock().Bytes();
  for (const auto& [at, v] : patch) b.replace(at, 2, Bytes().U16(v).str());
  return b;
}

zv::PrintSettings Decode(const std::string& bytes) {
  zv::PrintSettings s;
  std::memset(&s, 0xA5, sizeof s);
  zv::DecodePrintSettings(reinterpret_cast<const unsigned char*>(bytes.data()), &s);
  return s;
}

std::string Encode(const zv::PrintSettings& s) {
  unsigned char bytes[36];
  std::memset(bytes, 0xA5, sizeof bytes);
  zv::EncodePrintSettings(s, bytes);
  EXPECT_EQ(bytes[34] & bytes[35], 0xA5) << "written past the record";
  return std::string(reinterpret_cast<char*>(bytes), 34);
}

// The record captured from Block() with layer 1, changed.
zv::PrintSettings Record(const Change& change = nullptr) {
  zv::PrintSettings s = Decode(zvtest::DriverSettingsBlock().Record(1));
  if (change) change(s);
  return s;
}

TEST(PrintSettingsLayoutTest, DecodeAndEncodeKeepEveryFieldAtItsOffset) {
  const std::string bytes = Bytes().U16(0x0201).U8(3).U8(4).U16(0x0605).I16(-2).I16(-300).U16(0x0B0A)
      .U16(0x0D0C).U16(0x0F0E).U8(0x10).U16(0x1211).U8(0x13).U8(0x14).U8(0x15).I16(-32768).I16(32767)
      .U16(0x1B1A).U16(0x1D1C).U16(0x1F1E).U16(0xFF20).str();
  const zv::PrintSettings s = Decode(bytes);
  EXPECT_EQ(Encode(s), bytes);
  EXPECT_EQ(s.paperWidth, -2);
  EXPECT_EQ(s.paperHeight, -300);
  EXPECT_EQ(s.outputWidth, -32768);
  EXPECT_EQ(s.resolution, 0x1211);
  EXPECT_EQ(s.zoom, 0xFF20);
}

TEST(PrintSettingsLayoutTest, CaptureTakesEachFieldFromItsBlockWordAndKeepsLowBytes) {
  const std::string block = Block({{0, 0x0302}, {4, 0xFFFB}, {6, 4321}, {8, 0xA1B2}, {10, 0xC3D4},
                                   {12, 256}, {20, 0x0104}, {24, 0x1234}, {28, 1111}, {30, 0xF752},
                                   {32, 0x5566}, {34, 0x7788}, {36, 0x0102}, {44, 0xBEEF}, {48, 0x0701},
                                   {50, 0x4003}, {52, 0x9ABC}, {54, 0x0121}});
  zv::PrintSettings s;
  std::memset(&s, 0xA5, sizeof s);
  zv::CaptureSettings(block.data(), 2, &s);
  EXPECT_EQ(Encode(s), Bytes().U16(1).U8(2).U8(3).U16(0x9ABC).I16(-5).I16(4321).U16(0xA1B2).U16(0xC3D4)
                           .U16(256).U8(2).U16(0xBEEF).U8(1).U8(0x21).U8(4).I16(1111).I16(-2222)
                           .U16(0x5566).U16(0x7788).U16(0x0102).U16(0x1234).str());
  const std::string colour = Block({{48, 1}, {50, 0x4002}, {54, 0x20}});
  zv::CaptureSettings(colour.data(), 1, &s);
  EXPECT_TRUE(zv::MatchSettingsExactly(s, colour.data()));
}

struct MatchRow {
  const char* what;
  Change change;
  Patch block;
  std::vector<uint16_t> caps;
  bool matches;
  uint32_t code;      // last error code afterwards
  int16_t count = -2;  // -2: the list's size
};

const Change kLevel1 = [](zv::PrintSettings& s) { s.modeLevel = 1; };
Change Mode(uint8_t mode) {
  return [mode](zv::PrintSettings& s) { s.modeLevel = 1, s.printingMode = mode; };
}
Change Size(int16_t w, int16_t h, bool output = false) {
  return [=](zv::PrintSettings& s) { (output ? s.outputWidth : s.paperWidth) = w, (output ? s.outputHeight : s.paperHeight) = h; };
}

const MatchRow kTolerant[] = {
    {"same", nullptr, {}, {1, 3}, true, kUntouched},
    {"carried fields", [](auto& s) { s.layer = 2, s.modelId = 0xFFFF, s.paperValue3 = s.paperValue4 = 0x11,
                                     s.paperCode = 256, s.outputValue3 = s.outputValue4 = 0x33,
                                     s.outputCode = 1, s.resolution = 300, s.mark = 9; }, {}, {1, 3}, true, kUntouched},
    {"orientation first", [](auto& s) { s.orientation = 2, s.paperWidth = 1; }, {}, {1, 3}, false, 1},
    {"orientation unsigned", [](auto& s) { s.orientation = 0xFF; }, {{0, 0xFFFF}}, {1, 3}, false, 1},
    {"user +2-2", Size(2102, 2968), {{12, 256}}, {1, 3}, true, kUntouched},
    {"user -2+2", Size(2098, 2972), {{12, 256}}, {1, 3}, true, kUntouched},
    {"user w+3", Size(2103, 2970), {{12, 256}}, {1, 3}, false, 2},
    {"user w-3", Size(2097, 2970), {{12, 256}}, {1, 3}, false, 2},
    {"user h+3", Size(2100, 2973), {{12, 256}}, {1, 3}, false, 2},
    {"user h-3", Size(2100, 2967), {{12, 256}}, {1, 3}, false, 2},
    {"no wrap", Size(-32768, 2970), {{12, 256}, {4, 32767}}, {1, 3}, false, 2},
    {"exact w+1", Size(2101, 2970), {}, {1, 3}, false, 2}, {"exact w-1", Size(2099, 2970), {}, {1, 3}, false, 2},
    {"exact h+1", Size(2100, 2971), {}, {1, 3}, false, 2}, {"exact h-1", Size(2100, 2969), {}, {1, 3}, false, 2},
    {"record code", [](auto& s) { s.paperCode = 256, s.paperWidth = 2101; }, {}, {1, 3}, false, 2},
    {"output user", Size(2202, 2998, true), {{36, 256}}, {1, 3}, true, kUntouched},
    {"output user +3", Size(2203, 2998, true), {{36, 256}}, {1, 3}, false, 3},
    {"output exact", Size(2200, 3001, true), {{12, 256}}, {1, 3}, false, 3},
    {"output exact w", Size(2199, 3000, true), {}, {1, 3}, false, 3},
    {"paper before output", [](auto& s) { s.paperWidth = 1, s.outputWidth = 1; }, {}, {1, 3}, false, 2},
    {"colour", [](auto& s) { s.colour = 1; }, {}, {1, 3}, false, kUntouched},
    {"pages", [](auto& s) { s.pagesPerSheet = 2; }, {}, {1, 3}, false, kUntouched},
    {"zoom", [](auto& s) { s.zoom = 99; }, {}, {1, 3}, false, kUntouched},
    {"quality", [](auto& s) { s.printingMode = 4; }, {}, {1, 3}, false, kUntouched},
    {"colour word", nullptr, {{48, 0x0102}}, {1, 3}, false, kUntouched},
    {"pages word", nullptr, {{20, 0x0100}}, {1, 3}, false, kUntouched},
    {"quality nibble", [](auto& s) { s.printingMode = 0x13; }, {{54, 0x0043}}, {1, 3}, true, kUntouched},
    {"quality nibble differs", [](auto& s) { s.printingMode = 0x14; }, {{54, 0x0043}}, {1, 3}, false, kUntouched},
    {"level too high", nullptr, {}, {1, 2}, false, kUntouched},
    {"level later", nullptr, {}, {5, 1}, true, kUntouched},
    {"colour words ignored", nullptr, {}, {0x4005, 0x4007}, false, kUntouched},
    {"black word among colour", nullptr, {}, {0x4005, 4}, true, kUntouched},
    {"negative word", nullptr, {}, {0x8005}, false, kUntouched},
    {"colour block, black words", [](auto& s) { s.colour = 1; }, {{48, 1}}, {3, 5, 0x3FFF}, false, kUntouched},
    {"colour block, low word", [](auto& s) { s.colour = 1; }, {{48, 1}}, {0x4002}, false, kUntouched},
    {"colour block, equal", [](auto& s) { s.colour = 1; }, {{48, 1}}, {0x4002, 0x4003}, true, kUntouched},
    {"colour block, high", [](auto& s) { s.colour = 1; }, {{48, 1}}, {7, 0x4010}, true, kUntouched},
    {"colour block, negative", [](auto& s) { s.colour = 1; }, {{48, 1}}, {0xC005}, false, kUntouched},
    {"empty list", nullptr, {}, {}, false, kUntouched}, {"count 0", nullptr, {}, {1, 3}, false, kUntouched, 0},
    {"count -1", nullptr, {}, {1, 3}, false, kUntouched, -1},
    {"count stops scan", nullptr, {}, {1, 3}, false, kUntouched, 1},
    {"enhanced, level 3", Mode(0x20), {{54, 0x20}}, {1, 3}, true, kUntouched},
    {"enhanced, level 1", Mode(0x20), {{54, 0x20}}, {1, 1}, false, kUntouched},
    {"enhanced, one word", Mode(0x20), {{54, 0x20}}, {1}, false, kUntouched},
    {"enhanced, colour word", Mode(0x20), {{54, 0x20}}, {1, 0x4003}, false, kUntouched},
    {"enhanced, low byte 1", Mode(0x20), {{54, 0x20}}, {0x0101}, false, kUntouched},
    {"enhanced, low byte 2", Mode(0x20), {{54, 0x20}}, {0x0102}, true, kUntouched},
    {"enhanced, falls back", Mode(0x20), {{54, 0x20}}, {0x0103, 0x0101}, false, kUntouched},
    {"enhanced, rises", Mode(0x20), {{54, 0x20}}, {0x0101, 0x0103}, true, kUntouched},
    {"enhanced with quality", Mode(0x21), {{54, 0x01}}, {1, 1}, false, kUntouched},
    {"halftoning", Mode(0x10), {{54, 0}}, {1, 1}, true, kUntouched},
    {"screening 0x30", Mode(0x30), {{54, 0}}, {1, 1}, true, kUntouched},
    {"screening 0xF0", Mode(0xF0), {{54, 0}}, {1, 1}, true, kUntouched},
};

TEST(PrintSettingsMatchTest, TolerantMatchAndItsCodes) {
  for (const MatchRow& row : kTolerant) {
    zv::SetLastErrorCode(kUntouched);
    const std::string block = Block(row.block);
    const int16_t count = row.count == -2 ? static_cast<int16_t>(row.caps.size()) : row.count;
    EXPECT_EQ(zv::MatchOverlaySettings(Record(row.change), block.data(), count,
                                       row.caps.empty() ? nullptr : row.caps.data()),
              row.matches)
        << row.what;
    EXPECT_EQ(zv::GetLastErrorCode(), row.code) << row.what;
  }
}

TEST(PrintSettingsMatchTest, ExactMatch) {
  const struct {
    Change change;
    Patch block;
    bool matches;
  } rows[] = {
      {nullptr, {}, true},
      {[](auto& s) { s.layer = 2, s.modelId = 0xFFFF, s.paperCode = 256, s.outputCode = 70, s.paperValue3 = 1,
                     s.paperValue4 = 2, s.outputValue3 = 3, s.outputValue4 = 4, s.mark = 0; }, {}, true},
      {nullptr, {{50, 0x4003}}, true}, {nullptr, {{50, 0x0103}}, false}, {[](auto& s) { s.colour = 1; }, {}, false},
      {[](auto& s) { s.pagesPerSheet = 2; }, {}, false}, {[](auto& s) { s.printingMode = 0x13; }, {}, false},
      {nullptr, {{54, 0x0103}}, false}, {[](auto& s) { s.resolution = 300; }, {}, false},
      {[](auto& s) { s.orientation = 2; }, {}, false}, {[](auto& s) { s.paperWidth = 2101; }, {}, false},
      {[](auto& s) { s.paperHeight = 2969; }, {}, false}, {[](auto& s) { s.zoom = 50; }, {}, false},
      {[](auto& s) { s.outputWidth = 1; }, {}, false}, {[](auto& s) { s.outputHeight = 1; }, {}, false},
      {[](auto& s) { s.modeLevel = 2; }, {}, false}, {[](auto& s) { s.colour = 0xFF; }, {{48, 0xFFFF}}, false},
      {nullptr, {{48, 0x0202}}, false},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(zv::MatchSettingsExactly(Record(rows[i].change), Block(rows[i].block).data()), rows[i].matches)
        << "row " << i;
  }
}

// The record of a file without a header: defaults, the layer, a resolution.
std::string RawRecord(uint8_t layer, uint16_t resolution) {
  return Bytes().U16(1).U8(layer).U8(1).U16(0xFFFF).Zeros(11).U16(resolution).U8(2).Zeros(12).U16(100).str();
}

class ReadOverlaySettingsTest : public zvtest::SandboxTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    SandboxTest::TearDown();
  }
};

TEST_F(ReadOverlaySettingsTest, RecordOfEachKindOfFile) {
  const std::string stored = Bytes().U16(1).U8(1).U8(2).U16(0x0310).I16(1234).I16(2345).Zeros(4).U16(256)
      .U8(2).U16(600).U8(2).U8(0x20).U8(4).Zeros(10).U16(25).str();
  const std::string header = zvtest::OverlayDataFile("INVOICE", "Invoice blank", stored);
  std::string layer2 = stored, layer1 = stored;
  layer2[2] = 2;
  const std::string shortHeader = stored.substr(0, 8) + std::string(26, '\0');
  std::string shortLayer2 = shortHeader;
  shortLayer2[2] = 2;
  const std::string raw600 = std::string("\x1D") + "0;0.24muE" + std::string(40, 'U');
  const struct {
    const char* name;
    std::string bytes;  // not written for a MISSING name
    uint16_t layer;
    std::string expected;
    bool failAlloc;
    uint64_t bytesRead;  // 0: not checked
  } rows[] = {
      {"A.ZLP", header, 0, stored, false, 319}, {"A.ZLP", header, 2, layer2, false, 0},
      {"A.ZLP", header, 0x0201, layer1, false, 0}, {"MISSING.ZLP", "", 2, std::string(34, '\0'), false, 0},
      {"MISSING.DAT", "", 2, std::string(34, '\0'), false, 0},
      {"SHORT.ZLP", header.substr(0, 293), 0, shortHeader, false, 0},
      {"SHORT.ZLP", header.substr(0, 293), 2, shortLayer2, false, 0},
      {"A.ZLP", header, 2, std::string(34, '\0'), true, 0}, {"FORM.ZLC", raw600, 2, RawRecord(2, 600), false, 0},
      {"FORM.ZLC", raw600, 0, RawRecord(0, 600), false, 0}, {"FORM.ZLC", raw600, 0x0102, RawRecord(2, 600), true, 0},
      {"OTHER.ZLC", "X0;0.24muE", 1, RawRecord(1, 600), false, 0},
      {"RAW.ZLP", raw600, 1, RawRecord(1, 600), false, raw600.size()},
      {"LOW.ZLP", std::string("\x1D") + "0;0.12muE" + std::string(40, 'U'), 1, RawRecord(1, 300), false, 0},
      {"A.ZLC", std::string("\x1D") + "0;0.24muF", 0, RawRecord(0, 300), false, 0},
      {"B.zlc", std::string("\x1D\x1D") + "0;0.24muE", 0, RawRecord(0, 300), false, 0},
      {"C.ZLC", std::string("\x1D") + "0;0.24mu", 0, RawRecord(0, 300), false, 0},
      {"EMPTY.ZLC", "", 0, RawRecord(0, 300), false, 0}, {"MISSING.ZLC", "", 2, RawRecord(2, 0), false, 0},
      {"missing.zlc", "", 0, RawRecord(0, 0), false, 0},
  };
  for (const auto& row : rows) {
    const std::string path = Path(row.name);
    if (zvtest::Upper(row.name).rfind("MISSING", 0) != 0) {
      ASSERT_TRUE(zvtest::WriteWholeFile(path, row.bytes));
    }
    // Another reader holds the file open: reading still works.
    plat::FileHandle other = plat::OpenFile(path.c_str(), plat::kAccessRead, plat::kShareRead, plat::kOpenExisting);
    zv::SetLastErrorCode(kUntouched);
    plat::fault::FailNth(plat::fault::kAlloc, row.failAlloc ? 1 : 0);
    plat::io::Reset();
    zv::PrintSettings s;
    std::memset(&s, 0xA5, sizeof s);
    zv::ReadOverlaySettings(path.c_str(), row.layer, &s);
    EXPECT_EQ(Encode(s), row.expected) << row.name << " layer " << row.layer;
    if (row.bytesRead) {
      EXPECT_EQ(plat::io::Current().bytesRead, row.bytesRead) << row.name;
    }
    EXPECT_EQ(zv::GetLastErrorCode(), kUntouched) << row.name;
    if (other) plat::CloseFile(other);
    plat::fault::Reset();
  }
}

}  // namespace
