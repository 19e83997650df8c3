// The print settings record: its byte layout, its capture from the driver
// settings block, the record of an overlay data file, and the tolerant and
// exact matches against the driver's settings.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "catalogue/print_settings.h"
#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/sandbox.h"

namespace {

using zvtest::Bytes;
using zvtest::WriteWholeFile;

constexpr uint32_t kUntouched = 0xDEADBEEF;

// The fields of a driver settings block that the catalogue reads, with the
// values of a black A4 portrait page at 600 dpi.
struct Block {
  int16_t orientation = 1;
  int16_t paperWidth = 2100;
  int16_t paperHeight = 2970;
  uint16_t paperValue3 = 11;
  uint16_t paperValue4 = 12;
  uint16_t paperCode = 9;
  uint32_t paperName = 0x00401000;
  int16_t pagesPerSheet = 0;
  uint16_t zoom = 100;
  int16_t outputWidth = 2100;
  int16_t outputHeight = 2970;
  uint16_t outputValue3 = 21;
  uint16_t outputValue4 = 22;
  uint16_t outputCode = 9;
  uint16_t resolution = 600;
  int16_t colour = 2;
  uint16_t modeLevel = 1;
  uint16_t modelId = 7;
  int16_t printingMode = 0x02;
};

// The block laid out byte by byte; the bytes the catalogue never reads hold
// 0xEE so that reading the wrong offset shows.
std::string BlockBytes(const Block& b) {
  const std::string bytes = Bytes()
                                .I16(b.orientation)    // 0
                                .U16(0xEEEE)           // 2: the paper flag, not read
                                .I16(b.paperWidth)     // 4
                                .I16(b.paperHeight)    // 6
                                .U16(b.paperValue3)    // 8
                                .U16(b.paperValue4)    // 10
                                .U16(b.paperCode)      // 12
                                .U16(0xEEEE)           // 14
                                .U32(b.paperName)      // 16
                                .I16(b.pagesPerSheet)  // 20
                                .U16(0xEEEE)           // 22
                                .U16(b.zoom)           // 24
                                .U16(0xEEEE)           // 26: the output paper flag
                                .I16(b.outputWidth)    // 28
                                .I16(b.outputHeight)   // 30
                                .U16(b.outputValue3)   // 32
                                .U16(b.outputValue4)   // 34
                                .U16(b.outputCode)     // 36
                                .U16(0xEEEE)           // 38
                                .U32(0xEEEEEEEE)       // 40
                                .U16(b.resolution)     // 44
                                .U16(0xEEEE)           // 46
                                .I16(b.colour)         // 48
                                .U16(b.modeLevel)      // 50
                                .U16(b.modelId)        // 52
                                .I16(b.printingMode)   // 54
                                .U32(0xEEEEEEEE)       // the driver's own fields go on
                                .str();
  EXPECT_EQ(bytes.size(), 60u);
  return bytes;
}

// A record laid out byte by byte, field after field.
struct Record {
  uint16_t mark = 1;
  uint8_t layer = 1;
  uint8_t modeLevel = 1;
  uint16_t modelId = 7;
  int16_t paperWidth = 2100;
  int16_t paperHeight = 2970;
  uint16_t paperValue3 = 11;
  uint16_t paperValue4 = 12;
  uint16_t paperCode = 9;
  uint8_t orientation = 1;
  uint16_t resolution = 600;
  uint8_t colour = 2;
  uint8_t printingMode = 0x02;
  uint8_t pagesPerSheet = 0;
  int16_t outputWidth = 2100;
  int16_t outputHeight = 2970;
  uint16_t outputValue3 = 21;
  uint16_t outputValue4 = 22;
  uint16_t outputCode = 9;
  uint16_t zoom = 100;
};

std::string RecordBytes(const Record& r) {
  const std::string bytes = Bytes()
                                .U16(r.mark)
                                .U8(r.layer)
                                .U8(r.modeLevel)
                                .U16(r.modelId)
                                .I16(r.paperWidth)
                                .I16(r.paperHeight)
                                .U16(r.paperValue3)
                                .U16(r.paperValue4)
                                .U16(r.paperCode)
                                .U8(r.orientation)
                                .U16(r.resolution)
                                .U8(r.colour)
                                .U8(r.printingMode)
                                .U8(r.pagesPerSheet)
                                .I16(r.outputWidth)
                                .I16(r.outputHeight)
                                .U16(r.outputValue3)
                                .U16(r.outputValue4)
                                .U16(r.outputCode)
                                .U16(r.zoom)
                                .str();
  EXPECT_EQ(bytes.size(), 34u);
  return bytes;
}

zv::PrintSettings Decoded(const std::string& bytes) {
  zv::PrintSettings settings;
  std::memset(&settings, 0xA5, sizeof settings);
  zv::DecodePrintSettings(reinterpret_cast<const unsigned char*>(bytes.data()), &settings);
  return settings;
}

zv::PrintSettings Decoded(const Record& record) {
  return Decoded(RecordBytes(record));
}

std::string Encoded(const zv::PrintSettings& settings) {
  unsigned char bytes[zv::settings_record::kSize + 2];
  std::memset(bytes, 0xA5, sizeof bytes);
  zv::EncodePrintSettings(settings, bytes);
  EXPECT_EQ(bytes[zv::settings_record::kSize], 0xA5) << "written past the record";
  EXPECT_EQ(bytes[zv::settings_record::kSize + 1], 0xA5) << "written past the record";
  return std::string(reinterpret_cast<const char*>(bytes), zv::settings_record::kSize);
}

// The 319-byte header of an overlay data file around a record, followed by
// some captured data.
std::string HeaderFile(const std::string& record) {
  return Bytes()
      .U32(319)
      .Fixed("INVOICE", 25)
      .Fixed("Invoice blank", 256)
      .Text(record)
      .Text("\x1B%-12345X")
      .str();
}

std::string RawData(const std::string& firstBytes) {
  return firstBytes + std::string(40, '\x55');
}

// ---------------------------------------------------------------------------
// Layout

TEST(PrintSettingsLayoutTest, DecodeTakesEachFieldFromItsOffsetWithItsSign) {
  const std::string bytes = Bytes()
                                .U16(0x0201)  // 0 mark
                                .U8(0x03)     // 2 layer
                                .U8(0x04)     // 3 mode level
                                .U16(0x0605)  // 4 model id
                                .I16(-2)      // 6 paper width
                                .I16(-300)    // 8 paper height
                                .U16(0x0B0A)  // 10
                                .U16(0x0D0C)  // 12
                                .U16(0x0F0E)  // 14 paper code
                                .U8(0x10)     // 16 orientation
                                .U16(0x1211)  // 17 resolution, unaligned
                                .U8(0x13)     // 19 colour
                                .U8(0x14)     // 20 printing mode
                                .U8(0x15)     // 21 pages per sheet
                                .I16(-32768)  // 22 output width
                                .I16(32767)   // 24 output height
                                .U16(0x1B1A)  // 26
                                .U16(0x1D1C)  // 28
                                .U16(0x1F1E)  // 30 output code
                                .U16(0xFF20)  // 32 zoom
                                .str();
  const zv::PrintSettings s = Decoded(bytes);
  EXPECT_EQ(s.mark, 0x0201);
  EXPECT_EQ(s.layer, 0x03);
  EXPECT_EQ(s.modeLevel, 0x04);
  EXPECT_EQ(s.modelId, 0x0605);
  EXPECT_EQ(s.paperWidth, -2);
  EXPECT_EQ(s.paperHeight, -300);
  EXPECT_EQ(s.paperValue3, 0x0B0A);
  EXPECT_EQ(s.paperValue4, 0x0D0C);
  EXPECT_EQ(s.paperCode, 0x0F0E);
  EXPECT_EQ(s.orientation, 0x10);
  EXPECT_EQ(s.resolution, 0x1211);
  EXPECT_EQ(s.colour, 0x13);
  EXPECT_EQ(s.printingMode, 0x14);
  EXPECT_EQ(s.pagesPerSheet, 0x15);
  EXPECT_EQ(s.outputWidth, -32768);
  EXPECT_EQ(s.outputHeight, 32767);
  EXPECT_EQ(s.outputValue3, 0x1B1A);
  EXPECT_EQ(s.outputValue4, 0x1D1C);
  EXPECT_EQ(s.outputCode, 0x1F1E);
  EXPECT_EQ(s.zoom, 0xFF20);
  // And back to the same 34 bytes.
  EXPECT_EQ(Encoded(s), bytes);
}

TEST(PrintSettingsLayoutTest, CaptureTakesEveryFieldFromItsBlockOffset) {
  Block block;
  block.orientation = 0x0302;  // only the low byte is kept
  block.paperWidth = -5;
  block.paperHeight = 4321;
  block.paperValue3 = 0xA1B2;
  block.paperValue4 = 0xC3D4;
  block.paperCode = 256;
  block.pagesPerSheet = 0x0104;
  block.zoom = 0x1234;
  block.outputWidth = 1111;
  block.outputHeight = -2222;
  block.outputValue3 = 0x5566;
  block.outputValue4 = 0x7788;
  block.outputCode = 0x0102;
  block.resolution = 0xBEEF;
  block.colour = 0x0701;
  block.modeLevel = 0x4003;  // the colour bit is not kept
  block.modelId = 0x9ABC;
  block.printingMode = 0x0121;
  const std::string blockBytes = BlockBytes(block);

  zv::PrintSettings captured;
  std::memset(&captured, 0xA5, sizeof captured);
  zv::CaptureSettings(blockBytes.data(), 2, &captured);

  Record expected;
  expected.mark = 1;
  expected.layer = 2;
  expected.modeLevel = 0x03;
  expected.modelId = 0x9ABC;
  expected.paperWidth = -5;
  expected.paperHeight = 4321;
  expected.paperValue3 = 0xA1B2;
  expected.paperValue4 = 0xC3D4;
  expected.paperCode = 256;
  expected.orientation = 0x02;
  expected.resolution = 0xBEEF;
  expected.colour = 0x01;
  expected.printingMode = 0x21;
  expected.pagesPerSheet = 0x04;
  expected.outputWidth = 1111;
  expected.outputHeight = -2222;
  expected.outputValue3 = 0x5566;
  expected.outputValue4 = 0x7788;
  expected.outputCode = 0x0102;
  expected.zoom = 0x1234;
  const std::string expectedBytes = RecordBytes(expected);

  // Capture, encode, decode and encode again: the same exact bytes each time.
  const std::string encoded = Encoded(captured);
  EXPECT_EQ(encoded, expectedBytes);
  const zv::PrintSettings decoded = Decoded(encoded);
  EXPECT_EQ(Encoded(decoded), expectedBytes);
  EXPECT_EQ(decoded.modeLevel, 3);
  EXPECT_EQ(decoded.printingMode, 0x21);
  EXPECT_EQ(decoded.paperHeight, 4321);
  EXPECT_EQ(decoded.outputHeight, -2222);
  EXPECT_EQ(decoded.zoom, 0x1234);
}

TEST(PrintSettingsLayoutTest, ACapturedRecordMatchesItsBlockExactly) {
  Block block;
  block.modeLevel = 0x4002;
  block.colour = 1;
  block.printingMode = 0x20;
  const std::string bytes = BlockBytes(block);
  zv::PrintSettings captured;
  zv::CaptureSettings(bytes.data(), 1, &captured);
  EXPECT_TRUE(zv::MatchSettingsExactly(captured, bytes.data()));
}

// ---------------------------------------------------------------------------
// The tolerant match

class PrintSettingsTolerantMatchTest : public ::testing::Test {
 protected:
  void SetUp() override { zv::SetLastErrorCode(kUntouched); }

  bool Match(const Record& record, const Block& block, const std::vector<uint16_t>& capabilities) {
    return Match(record, block, static_cast<int16_t>(capabilities.size()), capabilities);
  }
  bool Match(const Record& record, const Block& block, int16_t count,
             const std::vector<uint16_t>& capabilities) {
    const std::string bytes = BlockBytes(block);
    return zv::MatchOverlaySettings(Decoded(record), bytes.data(), count,
                                    capabilities.empty() ? nullptr : capabilities.data());
  }

  const std::vector<uint16_t> blackModes_{1, 2};
};

TEST_F(PrintSettingsTolerantMatchTest, TheSameSettingsMatchAndLeaveTheCodeAlone) {
  EXPECT_TRUE(Match(Record(), Block(), blackModes_));
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
}

TEST_F(PrintSettingsTolerantMatchTest, CarriedFieldsAreNeverCompared) {
  Record record;
  record.layer = 2;
  record.modelId = 0xFFFF;
  record.paperValue3 = 0x1111;
  record.paperValue4 = 0x2222;
  record.paperCode = 256;
  record.outputValue3 = 0x3333;
  record.outputValue4 = 0x4444;
  record.outputCode = 1;
  record.resolution = 300;
  record.mark = 9;
  EXPECT_TRUE(Match(record, Block(), blackModes_));
}

TEST_F(PrintSettingsTolerantMatchTest, OrientationMismatchSetsCodeOneBeforeAnythingElse) {
  Record record;
  record.orientation = 2;
  record.paperWidth = 1;  // the paper is wrong too
  EXPECT_FALSE(Match(record, Block(), blackModes_));
  EXPECT_EQ(zv::GetLastErrorCode(), 1u);

  // The byte is widened without sign: 0xFF is not the block's -1.
  Block block;
  block.orientation = -1;
  record = Record();
  record.orientation = 0xFF;
  zv::SetLastErrorCode(kUntouched);
  EXPECT_FALSE(Match(record, block, blackModes_));
  EXPECT_EQ(zv::GetLastErrorCode(), 1u);
}

TEST_F(PrintSettingsTolerantMatchTest, AUserDefinedPaperMayDifferByTwoEitherWay) {
  Block block;
  block.paperCode = 256;
  block.paperWidth = 1000;
  block.paperHeight = 2000;
  for (int dw = -2; dw <= 2; ++dw) {
    for (int dh = -2; dh <= 2; ++dh) {
      Record record;
      record.paperWidth = static_cast<int16_t>(1000 + dw);
      record.paperHeight = static_cast<int16_t>(2000 + dh);
      EXPECT_TRUE(Match(record, block, blackModes_)) << dw << "," << dh;
    }
  }
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);

  for (const auto& size : {std::pair<int, int>{1003, 2000}, {997, 2000}, {1000, 2003}, {1000, 1997}}) {
    Record record;
    record.paperWidth = static_cast<int16_t>(size.first);
    record.paperHeight = static_cast<int16_t>(size.second);
    zv::SetLastErrorCode(kUntouched);
    EXPECT_FALSE(Match(record, block, blackModes_)) << size.first << "x" << size.second;
    EXPECT_EQ(zv::GetLastErrorCode(), 2u);
  }
}

TEST_F(PrintSettingsTolerantMatchTest, TheToleranceDoesNotWrapAtTheEndsOfTheRange) {
  Block block;
  block.paperCode = 256;
  block.paperWidth = 32767;
  block.paperHeight = 2970;
  Record record;
  record.paperWidth = -32768;
  record.paperHeight = 2970;
  EXPECT_FALSE(Match(record, block, blackModes_));
  EXPECT_EQ(zv::GetLastErrorCode(), 2u);
}

TEST_F(PrintSettingsTolerantMatchTest, AnyOtherPaperCodeNeedsTheExactSize) {
  for (const auto& size : {std::pair<int, int>{2101, 2970}, {2099, 2970}, {2100, 2971}, {2100, 2969}}) {
    Record record;
    record.paperWidth = static_cast<int16_t>(size.first);
    record.paperHeight = static_cast<int16_t>(size.second);
    zv::SetLastErrorCode(kUntouched);
    EXPECT_FALSE(Match(record, Block(), blackModes_)) << size.first << "x" << size.second;
    EXPECT_EQ(zv::GetLastErrorCode(), 2u);
  }
  // The record's own code does not make its size user-defined.
  Record record;
  record.paperCode = 256;
  record.paperWidth = 2101;
  EXPECT_FALSE(Match(record, Block(), blackModes_));
}

TEST_F(PrintSettingsTolerantMatchTest, TheOutputPaperFollowsItsOwnCodeAndSetsCodeThree) {
  Block block;
  block.outputCode = 256;
  Record record;
  record.outputWidth = 2102;
  record.outputHeight = 2968;
  EXPECT_TRUE(Match(record, block, blackModes_));
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);

  record.outputWidth = 2103;
  EXPECT_FALSE(Match(record, block, blackModes_));
  EXPECT_EQ(zv::GetLastErrorCode(), 3u);

  // The paper's code does not loosen the output paper.
  block = Block();
  block.paperCode = 256;
  record = Record();
  record.outputHeight = 2971;
  zv::SetLastErrorCode(kUntouched);
  EXPECT_FALSE(Match(record, block, blackModes_));
  EXPECT_EQ(zv::GetLastErrorCode(), 3u);

  // A wrong paper is reported before a wrong output paper.
  record.paperWidth = 1;
  zv::SetLastErrorCode(kUntouched);
  EXPECT_FALSE(Match(record, Block(), blackModes_));
  EXPECT_EQ(zv::GetLastErrorCode(), 2u);
}

TEST_F(PrintSettingsTolerantMatchTest, LaterMismatchesLeaveTheCodeAlone) {
  Record colour;
  colour.colour = 1;
  Record pages;
  pages.pagesPerSheet = 2;
  Record zoom;
  zoom.zoom = 99;
  Record quality;
  quality.printingMode = 0x03;
  for (const Record& record : {colour, pages, zoom, quality}) {
    zv::SetLastErrorCode(kUntouched);
    EXPECT_FALSE(Match(record, Block(), blackModes_));
    EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
  }
}

TEST_F(PrintSettingsTolerantMatchTest, ByteFieldsAreComparedWithTheWholeBlockWord) {
  Block block;
  block.colour = 0x0102;  // low byte equals the record's 2
  EXPECT_FALSE(Match(Record(), block, blackModes_));
  block = Block();
  block.pagesPerSheet = 0x0100;
  EXPECT_FALSE(Match(Record(), block, blackModes_));
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
}

TEST_F(PrintSettingsTolerantMatchTest, OnlyTheQualityNibbleOfThePrintingModeIsCompared) {
  Record record;
  record.printingMode = 0x12;
  Block block;
  block.printingMode = 0x0042;
  EXPECT_TRUE(Match(record, block, blackModes_));
  record.printingMode = 0x13;
  EXPECT_FALSE(Match(record, block, blackModes_));
}

TEST_F(PrintSettingsTolerantMatchTest, TheLevelMustBeOfferedInTheBlacksClass) {
  Record record;
  record.modeLevel = 3;
  EXPECT_FALSE(Match(record, Block(), {1, 2}));
  EXPECT_TRUE(Match(record, Block(), {1, 3}));
  EXPECT_TRUE(Match(record, Block(), {5, 1}));
  // Colour words are ignored for a black block, however high.
  EXPECT_FALSE(Match(record, Block(), {0x4005, 0x4007}));
  EXPECT_TRUE(Match(record, Block(), {0x4005, 4}));
  // Words are signed: 0x8005 is a negative level.
  EXPECT_FALSE(Match(record, Block(), {0x8005}));
}

TEST_F(PrintSettingsTolerantMatchTest, AColourBlockNeedsAColourWordOfTheLevel) {
  Block block;
  block.colour = 1;
  Record record;
  record.colour = 1;
  record.modeLevel = 3;
  // Words without the colour bit never qualify.
  EXPECT_FALSE(Match(record, block, {3, 5, 0x3FFF}));
  EXPECT_FALSE(Match(record, block, {0x4002}));
  EXPECT_TRUE(Match(record, block, {0x4002, 0x4003}));
  EXPECT_TRUE(Match(record, block, {7, 0x4010}));
  // 0xC005 has the colour bit but is a negative word.
  EXPECT_FALSE(Match(record, block, {0xC005}));
}

TEST_F(PrintSettingsTolerantMatchTest, AnEmptyListNeverMatches) {
  EXPECT_FALSE(Match(Record(), Block(), {}));
  EXPECT_FALSE(Match(Record(), Block(), 0, blackModes_));
  EXPECT_FALSE(Match(Record(), Block(), -1, blackModes_));
  // A count shorter than the list stops the scan.
  Record record;
  record.modeLevel = 2;
  EXPECT_FALSE(Match(record, Block(), 1, {1, 2}));
  EXPECT_TRUE(Match(record, Block(), 2, {1, 2}));
}

TEST_F(PrintSettingsTolerantMatchTest, EnhancedScreeningNeedsABlackLevelAboveOne) {
  Record record;
  record.printingMode = 0x20;
  Block block;
  block.printingMode = 0x20;
  EXPECT_TRUE(Match(record, block, {1, 3}));
  EXPECT_FALSE(Match(record, block, {1, 1}));
  EXPECT_FALSE(Match(record, block, {1}));
  // Colour words take no part in the screening step.
  EXPECT_FALSE(Match(record, block, {1, 0x4003}));
  // The running value keeps the low byte only: 0x0101 leaves it at 1.
  EXPECT_FALSE(Match(record, block, {0x0101}));
  EXPECT_TRUE(Match(record, block, {0x0102}));
  // Each whole word is compared with the running value: 0x0101 exceeds 3
  // and brings the value down to its low byte 1.
  EXPECT_FALSE(Match(record, block, {0x0103, 0x0101}));
  EXPECT_TRUE(Match(record, block, {0x0101, 0x0103}));
  // The quality nibble does not hide the screening.
  record.printingMode = 0x21;
  block.printingMode = 0x01;
  EXPECT_FALSE(Match(record, block, {1, 1}));
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
}

TEST_F(PrintSettingsTolerantMatchTest, OtherScreeningsNeedNoSecondLevel) {
  Record record;
  Block block;
  for (uint8_t mode : {0x10, 0x30, 0x00, 0xF0}) {
    record.printingMode = mode;
    block.printingMode = 0;
    EXPECT_TRUE(Match(record, block, {1, 1})) << static_cast<int>(mode);
  }
}

// ---------------------------------------------------------------------------
// The exact match

TEST(PrintSettingsExactMatchTest, EveryComparedFieldMatters) {
  const std::string block = BlockBytes(Block());
  EXPECT_TRUE(zv::MatchSettingsExactly(Decoded(Record()), block.data()));

  std::vector<Record> differing(11);
  differing[0].colour = 1;
  differing[1].pagesPerSheet = 2;
  differing[2].printingMode = 0x12;  // same quality, other screening
  differing[3].resolution = 300;
  differing[4].orientation = 2;
  differing[5].paperWidth = 2101;
  differing[6].paperHeight = 2969;
  differing[7].zoom = 50;
  differing[8].outputWidth = 1;
  differing[9].outputHeight = 1;
  differing[10].modeLevel = 2;
  for (size_t i = 0; i < differing.size(); ++i) {
    EXPECT_FALSE(zv::MatchSettingsExactly(Decoded(differing[i]), block.data())) << i;
  }
}

TEST(PrintSettingsExactMatchTest, CodesLayerModelAndCarriedValuesAreIgnored) {
  Record record;
  record.layer = 2;
  record.modelId = 0xFFFF;
  record.paperCode = 256;
  record.outputCode = 70;
  record.paperValue3 = 1;
  record.paperValue4 = 2;
  record.outputValue3 = 3;
  record.outputValue4 = 4;
  record.mark = 0;
  const std::string block = BlockBytes(Block());
  EXPECT_TRUE(zv::MatchSettingsExactly(Decoded(record), block.data()));
}

TEST(PrintSettingsExactMatchTest, TheBlocksColourBitIsClearedFromTheLevelOnly) {
  Block block;
  block.modeLevel = 0x4001;
  EXPECT_TRUE(zv::MatchSettingsExactly(Decoded(Record()), BlockBytes(block).data()));
  block.modeLevel = 0x0101;
  EXPECT_FALSE(zv::MatchSettingsExactly(Decoded(Record()), BlockBytes(block).data()));
}

TEST(PrintSettingsExactMatchTest, ByteFieldsAreComparedWithTheWholeSignedWord) {
  Record record;
  record.printingMode = 0x20;
  Block block;
  block.printingMode = 0x0120;
  EXPECT_FALSE(zv::MatchSettingsExactly(Decoded(record), BlockBytes(block).data()));
  block.printingMode = 0x20;
  EXPECT_TRUE(zv::MatchSettingsExactly(Decoded(record), BlockBytes(block).data()));

  record = Record();
  record.colour = 0xFF;
  block = Block();
  block.colour = -1;
  EXPECT_FALSE(zv::MatchSettingsExactly(Decoded(record), BlockBytes(block).data()));
  record.colour = 2;
  block.colour = 0x0202;
  EXPECT_FALSE(zv::MatchSettingsExactly(Decoded(record), BlockBytes(block).data()));
}

// ---------------------------------------------------------------------------
// The record of an overlay data file

class ReadOverlaySettingsTest : public zvtest::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    zv::SetLastErrorCode(kUntouched);
  }
  void TearDown() override {
    plat::fault::Reset();
    SandboxTest::TearDown();
  }

  // The record read from the file, as its 34 bytes.
  std::string Read(const std::string& name, uint16_t layer) {
    zv::PrintSettings settings;
    std::memset(&settings, 0xA5, sizeof settings);
    zv::ReadOverlaySettings(Path(name).c_str(), layer, &settings);
    return Encoded(settings);
  }

  static Record StoredRecord() {
    Record r;
    r.layer = 1;
    r.modeLevel = 2;
    r.modelId = 0x0310;
    r.paperCode = 256;
    r.paperWidth = 1234;
    r.paperHeight = 2345;
    r.orientation = 2;
    r.printingMode = 0x20;
    r.pagesPerSheet = 4;
    r.zoom = 25;
    return r;
  }

  // The record of a raw file: defaults, the layer given and a resolution.
  static std::string RawRecord(uint8_t layer, uint16_t resolution) {
    Record r;
    r.mark = 1;
    r.layer = layer;
    r.modeLevel = 1;
    r.modelId = 0xFFFF;
    r.paperWidth = r.paperHeight = 0;
    r.paperValue3 = r.paperValue4 = r.paperCode = 0;
    r.orientation = 0;
    r.resolution = resolution;
    r.colour = 2;
    r.printingMode = 0;
    r.pagesPerSheet = 0;
    r.outputWidth = r.outputHeight = 0;
    r.outputValue3 = r.outputValue4 = r.outputCode = 0;
    r.zoom = 100;
    return RecordBytes(r);
  }
};

TEST_F(ReadOverlaySettingsTest, AHeaderFileGivesItsStoredRecord) {
  const std::string stored = RecordBytes(StoredRecord());
  ASSERT_TRUE(WriteWholeFile(Path("_F301A00.ZLP"), HeaderFile(stored)));
  plat::io::Reset();
  EXPECT_EQ(Read("_F301A00.ZLP", 0), stored);
  // The header is read once; the header test looks at its first byte.
  EXPECT_EQ(plat::io::Current().bytesRead, 319u);
}

TEST_F(ReadOverlaySettingsTest, ALayerGivenReplacesTheStoredOne) {
  ASSERT_TRUE(WriteWholeFile(Path("_F301A00.ZLP"), HeaderFile(RecordBytes(StoredRecord()))));
  Record expected = StoredRecord();
  expected.layer = 2;
  EXPECT_EQ(Read("_F301A00.ZLP", 2), RecordBytes(expected));
  // Only the low byte of the given layer is stored.
  expected.layer = 1;
  EXPECT_EQ(Read("_F301A00.ZLP", 0x0201), RecordBytes(expected));
}

TEST_F(ReadOverlaySettingsTest, AHeaderFileThatCannotBeOpenedGivesAZeroRecord) {
  EXPECT_EQ(Read("MISSING.ZLP", 2), std::string(34, '\0'));
  // Any name but .ZLC counts as having a header when it cannot be opened.
  EXPECT_EQ(Read("MISSING.DAT", 2), std::string(34, '\0'));
}

TEST_F(ReadOverlaySettingsTest, AShortHeaderLeavesTheRestZero) {
  // The file ends inside the record, after the paper width.
  const std::string stored = RecordBytes(StoredRecord());
  ASSERT_TRUE(WriteWholeFile(Path("SHORT.ZLP"), HeaderFile(stored).substr(0, 285 + 8)));
  std::string expected = stored.substr(0, 8) + std::string(26, '\0');
  EXPECT_EQ(Read("SHORT.ZLP", 0), expected);
  expected[2] = 2;
  EXPECT_EQ(Read("SHORT.ZLP", 2), expected);
}

TEST_F(ReadOverlaySettingsTest, NoMemoryForTheHeaderGivesAZeroRecord) {
  ASSERT_TRUE(WriteWholeFile(Path("_F301A00.ZLP"), HeaderFile(RecordBytes(StoredRecord()))));
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(Read("_F301A00.ZLP", 2), std::string(34, '\0'));
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kAlloc), 1u);
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
}

TEST_F(ReadOverlaySettingsTest, RawDataWithTheSignatureIs600Dpi) {
  ASSERT_TRUE(WriteWholeFile(Path("FORM.ZLC"), RawData(std::string("\x1D") + "0;0.24muE")));
  EXPECT_EQ(Read("FORM.ZLC", 2), RawRecord(2, 600));
  EXPECT_EQ(Read("FORM.ZLC", 0), RawRecord(0, 600));
  // The first byte is not examined.
  ASSERT_TRUE(WriteWholeFile(Path("OTHER.ZLC"), RawData("X0;0.24muE")));
  EXPECT_EQ(Read("OTHER.ZLC", 1), RawRecord(1, 600));
  // A raw file needs no working memory.
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(Read("FORM.ZLC", 0x0102), RawRecord(2, 600));
}

TEST_F(ReadOverlaySettingsTest, ARawHeaderFileIsReadAsRawData) {
  // A .ZLP name whose data begins with 0x1D has no header.
  ASSERT_TRUE(WriteWholeFile(Path("FORM.ZLP"), RawData(std::string("\x1D") + "0;0.24muE")));
  plat::io::Reset();
  EXPECT_EQ(Read("FORM.ZLP", 1), RawRecord(1, 600));
  // The signature comes from the bytes the header test read: the whole
  // file, which is shorter than a header.
  EXPECT_EQ(plat::io::Current().bytesRead, RawData(std::string("\x1D") + "0;0.24muE").size());
  ASSERT_TRUE(WriteWholeFile(Path("LOW.ZLP"), RawData(std::string("\x1D") + "0;0.12muE")));
  EXPECT_EQ(Read("LOW.ZLP", 1), RawRecord(1, 300));
}

TEST_F(ReadOverlaySettingsTest, OtherRawDataIs300Dpi) {
  ASSERT_TRUE(WriteWholeFile(Path("A.ZLC"), RawData(std::string("\x1D") + "0;0.24muF")));
  EXPECT_EQ(Read("A.ZLC", 0), RawRecord(0, 300));
  ASSERT_TRUE(WriteWholeFile(Path("B.zlc"), RawData(std::string("\x1D\x1D") + "0;0.24muE")));
  EXPECT_EQ(Read("B.zlc", 0), RawRecord(0, 300));
  // A file too short for the signature, and an empty one.
  ASSERT_TRUE(WriteWholeFile(Path("C.ZLC"), std::string("\x1D") + "0;0.24mu"));
  EXPECT_EQ(Read("C.ZLC", 0), RawRecord(0, 300));
  ASSERT_TRUE(WriteWholeFile(Path("D.ZLC"), ""));
  EXPECT_EQ(Read("D.ZLC", 0), RawRecord(0, 300));
}

TEST_F(ReadOverlaySettingsTest, ARawFileThatCannotBeOpenedHasNoResolution) {
  EXPECT_EQ(Read("MISSING.ZLC", 2), RawRecord(2, 0));
  EXPECT_EQ(Read("missing.zlc", 0), RawRecord(0, 0));
}

TEST_F(ReadOverlaySettingsTest, ARawFileIsReadWhileOthersReadIt) {
  ASSERT_TRUE(WriteWholeFile(Path("SHARED.ZLC"), RawData(std::string("\x1D") + "0;0.24muE")));
  plat::FileHandle other =
      plat::OpenFile(Path("SHARED.ZLC").c_str(), plat::kAccessRead, plat::kShareRead, plat::kOpenExisting);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(Read("SHARED.ZLC", 1), RawRecord(1, 600));
  plat::CloseFile(other);
}

}  // namespace
