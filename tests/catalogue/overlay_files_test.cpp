// Overlay data files: the header test, descriptions and layers from headers
// and .ZLI companions, papers from headers and .ZLF companions, and the
// header that the catalogue writes into new files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/overlay_files.h"
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

// A 34-byte print settings record with the given layer, paper code and
// orientation; the other fields hold recognisable values.
std::string RecordBytes(uint8_t layer, uint16_t paperCode, uint8_t orientation) {
  return Bytes()
      .U16(1)
      .U8(layer)
      .U8(1)
      .U16(3)
      .I16(2100)
      .I16(2970)
      .U16(0)
      .U16(0)
      .U16(paperCode)
      .U8(orientation)
      .U16(600)
      .U8(2)
      .U8(0x01)
      .U8(0)
      .I16(2100)
      .I16(2970)
      .U16(0)
      .U16(0)
      .U16(paperCode)
      .U16(100)
      .str();
}

// A .ZLP file: its 319-byte header, then captured data.
std::string HeaderFile(const std::string& name, const std::string& description, const std::string& record) {
  return Bytes().U32(319).Fixed(name, 25).Fixed(description, 256).Text(record).Text("\x1B*c5F").str();
}

// A .ZLI companion: 32 bytes that are not read, then the description.
std::string DescriptionCompanion(const std::string& description) {
  return Bytes().Fixed("ZEVRO overlay info", 32).Fixed(description, 256).str();
}

// A .ZLF companion: the paper code at 50 and the orientation flag at 52.
std::string PaperCompanion(uint16_t code, uint16_t flag) {
  return Bytes().Fixed("ZEVRO paper info", 50).U16(code).U16(flag).Zeros(10).str();
}

std::string RawData() {
  return std::string("\x1D") + "0;0.24muE" + std::string(30, 'D');
}

class OverlayFilesTest : public zvtest::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    zv::SetLastErrorCode(kUntouched);
  }
  void TearDown() override {
    plat::fault::Reset();
    SandboxTest::TearDown();
  }

  void Write(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(WriteWholeFile(Path(name), bytes)) << name;
  }
  bool HasHeader(const std::string& name) { return zv::HasOverlayHeader(Path(name).c_str()); }
};

// ---------------------------------------------------------------------------
// The header test

TEST_F(OverlayFilesTest, AZlcNameIsRawInAnyCaseWithoutLookingAtTheFile) {
  const std::string header = HeaderFile("F", "D", RecordBytes(1, 9, 1));
  Write("UPPER.ZLC", header);
  Write("lower.zlc", header);
  Write("Mixed.ZlC", header);
  EXPECT_FALSE(HasHeader("UPPER.ZLC"));
  EXPECT_FALSE(HasHeader("lower.zlc"));
  EXPECT_FALSE(HasHeader("Mixed.ZlC"));
  EXPECT_FALSE(HasHeader("MISSING.ZLC"));
}

TEST_F(OverlayFilesTest, AFileBeginningWith1DIsRawWhateverItsName) {
  Write("RAW.ZLP", RawData());
  Write("RAW.DAT", std::string("\x1D"));
  Write("NODOT", RawData());
  EXPECT_FALSE(HasHeader("RAW.ZLP"));
  EXPECT_FALSE(HasHeader("RAW.DAT"));
  EXPECT_FALSE(HasHeader("NODOT"));
}

TEST_F(OverlayFilesTest, OtherFilesHaveAHeaderAndSoHaveMissingOnes) {
  Write("_F301A00.ZLP", HeaderFile("F", "D", RecordBytes(1, 9, 1)));
  Write("EMPTY.ZLP", "");
  Write("LATE.ZLP", std::string("\x1B\x1D"));
  Write("FORM.ZLC.ZLP", HeaderFile("F", "D", RecordBytes(1, 9, 1)));
  EXPECT_TRUE(HasHeader("_F301A00.ZLP"));
  EXPECT_TRUE(HasHeader("EMPTY.ZLP"));
  EXPECT_TRUE(HasHeader("LATE.ZLP"));
  // The extension is taken from the last dot.
  EXPECT_TRUE(HasHeader("FORM.ZLC.ZLP"));
  EXPECT_TRUE(HasHeader("MISSING.ZLP"));
  EXPECT_TRUE(HasHeader("MISSING"));
  // A dot in a directory name does not make a raw extension of the file.
  EXPECT_TRUE(HasHeader("DIR.ZLC\\FILE"));
}

TEST_F(OverlayFilesTest, TheHeaderTestReadsFilesOthersAreReading) {
  Write("RAW.ZLP", RawData());
  ASSERT_TRUE(plat::SetAttributesReadOnly(Path("RAW.ZLP").c_str()));
  plat::FileHandle other =
      plat::OpenFile(Path("RAW.ZLP").c_str(), plat::kAccessRead, plat::kShareRead, plat::kOpenExisting);
  ASSERT_NE(other, nullptr);
  EXPECT_FALSE(HasHeader("RAW.ZLP"));
  plat::CloseFile(other);
  plat::SetAttributesNormal(Path("RAW.ZLP").c_str());
}

TEST(OverlayExtensionTest, TheExtensionRunsFromTheLastDotAndIgnoresCase) {
  EXPECT_TRUE(zv::ExtensionEquals("C:\\FORMS\\A.zlp", ".ZLP"));
  EXPECT_TRUE(zv::ExtensionEquals("C:\\A.ZLC\\B.Zlp", ".ZLP"));
  EXPECT_FALSE(zv::ExtensionEquals("C:\\FORMS\\A.ZLPX", ".ZLP"));
  EXPECT_FALSE(zv::ExtensionEquals("C:\\FORMS\\A.ZL", ".ZLP"));
  EXPECT_FALSE(zv::ExtensionEquals("C:\\FORMS\\ZLP", ".ZLP"));
  // Without a dot the whole name is the extension.
  EXPECT_TRUE(zv::ExtensionEquals(".zlc", ".ZLC"));
  EXPECT_FALSE(zv::ExtensionEquals("ZLC", ".ZLC"));
}

// ---------------------------------------------------------------------------
// Descriptions and layers

class OverlayDescriptionTest : public OverlayFilesTest {
 protected:
  // The result and the description buffer, prefilled so that untouched and
  // overrun bytes show.
  uint16_t Describe(const std::string& name) {
    std::memset(buffer_, '#', sizeof buffer_);
    std::memcpy(buffer_, "unchanged", 10);
    return zv::GetOverlayDescription(Path(name).c_str(), buffer_);
  }
  std::string Description() const { return buffer_; }
  bool TailIntact() const {
    for (size_t i = zv::kOverlayDescriptionSize; i < sizeof buffer_; ++i) {
      if (buffer_[i] != '#') return false;
    }
    return true;
  }

  char buffer_[zv::kOverlayDescriptionSize + 16];
};

TEST_F(OverlayDescriptionTest, AHeaderFileGivesItsDescriptionAndLayer) {
  Write("_F301A00.ZLP", HeaderFile("INVOICE", "Invoice blank, page 1", RecordBytes(2, 9, 1)));
  EXPECT_EQ(Describe("_F301A00.ZLP"), 2);
  EXPECT_EQ(Description(), "Invoice blank, page 1");
  Write("front.zlp", HeaderFile("INVOICE", "Front", RecordBytes(1, 9, 1)));
  EXPECT_EQ(Describe("front.zlp"), 1);
  EXPECT_EQ(Description(), "Front");
  EXPECT_TRUE(TailIntact());
}

TEST_F(OverlayDescriptionTest, AnUnterminatedHeaderDescriptionStopsAtItsField) {
  // 256 characters fill the field; the layer byte follows 2 bytes later.
  const std::string full(256, 'x');
  Write("FULL.ZLP", HeaderFile("F", full, RecordBytes(2, 9, 1)));
  EXPECT_EQ(Describe("FULL.ZLP"), 2);
  EXPECT_EQ(Description(), full);
  EXPECT_TRUE(TailIntact());
}

TEST_F(OverlayDescriptionTest, AShortHeaderFileReadsAsZeros) {
  Write("SHORT.ZLP", HeaderFile("F", "Short", RecordBytes(2, 9, 1)).substr(0, 40));
  EXPECT_EQ(Describe("SHORT.ZLP"), 0);
  EXPECT_EQ(Description(), "Short");
}

TEST_F(OverlayDescriptionTest, AMissingHeaderFileGivesNothing) {
  EXPECT_EQ(Describe("MISSING.ZLP"), 0);
  EXPECT_EQ(Description(), "unchanged");
}

TEST_F(OverlayDescriptionTest, ARawFileGivesLayerOneAndItsCompanionsDescription) {
  Write("FORM.ZLC", RawData());
  Write("FORM.ZLI", DescriptionCompanion("Delivery note"));
  EXPECT_EQ(Describe("FORM.ZLC"), 1);
  EXPECT_EQ(Description(), "Delivery note");

  // A lower-case name finds its companion too.
  Write("small.zlc", RawData());
  Write("small.ZLI", DescriptionCompanion("Small print"));
  EXPECT_EQ(Describe("small.zlc"), 1);
  EXPECT_EQ(Description(), "Small print");
}

TEST_F(OverlayDescriptionTest, ARawFileWithoutCompanionGivesLayerOneAndNoDescription) {
  Write("FORM.ZLC", RawData());
  EXPECT_EQ(Describe("FORM.ZLC"), 1);
  EXPECT_EQ(Description(), "unchanged");
  // The raw file itself need not exist.
  EXPECT_EQ(Describe("GONE.ZLC"), 1);
  EXPECT_EQ(Description(), "unchanged");
}

TEST_F(OverlayDescriptionTest, TheCompanionDescriptionIsCutAt256Characters) {
  std::string full(256, 'y');
  full[0] = 'A';
  full[255] = 'Z';
  Write("FULL.ZLC", RawData());
  Write("FULL.ZLI", Bytes().Fixed("", 32).Text(full).str());
  EXPECT_EQ(Describe("FULL.ZLC"), 1);
  EXPECT_EQ(Description(), full);
  EXPECT_TRUE(TailIntact());
}

TEST_F(OverlayDescriptionTest, AShortCompanionGivesWhatItHolds) {
  Write("PART.ZLC", RawData());
  Write("PART.ZLI", Bytes().Fixed("", 32).Text("Part").str());
  EXPECT_EQ(Describe("PART.ZLC"), 1);
  EXPECT_EQ(Description(), "Part");
  Write("TINY.ZLI", "abc");
  EXPECT_EQ(Describe("TINY.ZLC"), 1);
  EXPECT_EQ(Description(), "");
}

TEST_F(OverlayDescriptionTest, OnlyTheLastDotStartsTheCompanionsExtension) {
  Write("A.B.ZLC", RawData());
  Write("A.B.ZLI", DescriptionCompanion("Two dots"));
  Write("A.ZLI", DescriptionCompanion("Wrong companion"));
  EXPECT_EQ(Describe("A.B.ZLC"), 1);
  EXPECT_EQ(Description(), "Two dots");
}

TEST_F(OverlayDescriptionTest, NamesWithoutDotOrWithOtherExtensionsGiveZero) {
  ASSERT_EQ(Dir().find('.'), std::string::npos) << "the scratch path itself must have no dot";
  const std::string header = HeaderFile("F", "Has a header", RecordBytes(2, 9, 1));
  Write("NODOT", header);
  Write("FORM.DAT", header);
  Write("FORM.ZL3", header);
  for (const char* name : {"NODOT", "FORM.DAT", "FORM.ZL3"}) {
    EXPECT_EQ(Describe(name), 0) << name;
    EXPECT_EQ(Description(), "unchanged") << name;
  }
}

TEST_F(OverlayDescriptionTest, NoMemoryGivesZeroAndSetsNoCode) {
  Write("_F301A00.ZLP", HeaderFile("F", "Described", RecordBytes(2, 9, 1)));
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(Describe("_F301A00.ZLP"), 0);
  EXPECT_EQ(Description(), "unchanged");
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
  EXPECT_EQ(Describe("_F301A00.ZLP"), 2);
}

TEST_F(OverlayDescriptionTest, TooLongAPathGivesZero) {
  const std::string longName = std::string(300, 'L') + ".ZLC";
  EXPECT_EQ(zv::GetOverlayDescription(longName.c_str(), buffer_), 0);
}

// ---------------------------------------------------------------------------
// Papers

class OverlayPaperTest : public OverlayFilesTest {
 protected:
  void SetUp() override {
    OverlayFilesTest::SetUp();
    for (uint16_t code : {1, 9, 256, 9, 11}) {
      zv::PaperEntry entry;
      std::memset(&entry, 0, sizeof entry);
      entry.flag = 1;
      entry.code = code;
      std::snprintf(entry.name, sizeof entry.name, "Paper %u", code);
      entries_.push_back(entry);
    }
  }

  int16_t Find(const std::string& name, uint16_t count = 5) {
    orientation_ = 0x7777;
    return zv::FindPaperEntryIndex(Path(name).c_str(), count, entries_.data(), &orientation_);
  }

  std::vector<zv::PaperEntry> entries_;
  uint16_t orientation_ = 0;
};

TEST_F(OverlayPaperTest, ARawFileFindsItsPaperThroughItsCompanion) {
  Write("FORM.ZLC", RawData());
  Write("FORM.ZLF", PaperCompanion(9, 1));
  EXPECT_EQ(Find("FORM.ZLC"), 1);
  EXPECT_EQ(orientation_, 2);

  Write("FORM.ZLF", PaperCompanion(256, 0));
  EXPECT_EQ(Find("FORM.ZLC"), 2);
  EXPECT_EQ(orientation_, 1);

  // The flag is a whole word: 0x0100 is landscape.
  Write("FORM.ZLF", PaperCompanion(11, 0x0100));
  EXPECT_EQ(Find("FORM.ZLC"), 4);
  EXPECT_EQ(orientation_, 2);
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
}

TEST_F(OverlayPaperTest, ARawFileWithoutCompanionHasNoPaper) {
  Write("FORM.zlc", RawData());
  EXPECT_EQ(Find("FORM.zlc"), -1);
  EXPECT_EQ(orientation_, 0);
}

TEST_F(OverlayPaperTest, AnUnknownCodeFindsNothingButKeepsTheOrientation) {
  Write("FORM.ZLC", RawData());
  Write("FORM.ZLF", PaperCompanion(70, 1));
  EXPECT_EQ(Find("FORM.ZLC"), -1);
  EXPECT_EQ(orientation_, 2);
  // Only count entries are looked at.
  Write("FORM.ZLF", PaperCompanion(256, 0));
  EXPECT_EQ(Find("FORM.ZLC", 2), -1);
  EXPECT_EQ(Find("FORM.ZLC", 3), 2);
  EXPECT_EQ(Find("FORM.ZLC", 0), -1);
}

TEST_F(OverlayPaperTest, ANameWithoutDotGetsTheCompanionExtensionAppended) {
  ASSERT_EQ(Dir().find('.'), std::string::npos) << "the scratch path itself must have no dot";
  Write("OVERLAY", RawData());
  Write("OVERLAY.ZLF", PaperCompanion(9, 0));
  EXPECT_EQ(Find("OVERLAY"), 1);
  EXPECT_EQ(orientation_, 1);
}

TEST_F(OverlayPaperTest, ARawZlpFileUsesItsCompanionFromTheLastDot) {
  Write("A.B.ZLP", RawData());
  Write("A.B.ZLF", PaperCompanion(11, 1));
  Write("A.ZLF", PaperCompanion(1, 0));
  EXPECT_EQ(Find("A.B.ZLP"), 4);
  EXPECT_EQ(orientation_, 2);
}

TEST_F(OverlayPaperTest, AShortCompanionOfARawZlpFileGivesNothingOfTheDataItself) {
  // The data's own bytes 50 to 53 hold a known code and landscape; the
  // companion ends before them, so the code read is 0 and the flag 0.
  std::string data = RawData();
  data.resize(400, 'D');
  data.replace(50, 4, zvtest::Bytes().U16(256).U16(1).str());
  Write("FORM.ZLP", data);
  Write("FORM.ZLF", PaperCompanion(256, 1).substr(0, 10));
  EXPECT_EQ(Find("FORM.ZLP"), -1);
  EXPECT_EQ(orientation_, 1);
}

TEST_F(OverlayPaperTest, AHeaderFileGivesTheCodeAndOrientationOfItsRecord) {
  Write("_F301A00.ZLP", HeaderFile("F", "D", RecordBytes(1, 256, 2)));
  // A companion beside a header file is not read, and the header is read
  // once: the header test looks at its first byte.
  Write("_F301A00.ZLF", PaperCompanion(1, 0));
  plat::io::Reset();
  EXPECT_EQ(Find("_F301A00.ZLP"), 2);
  EXPECT_EQ(orientation_, 2);
  EXPECT_EQ(plat::io::Current().bytesRead, 319u);

  Write("_F301A01.ZLP", HeaderFile("F", "D", RecordBytes(1, 9, 1)));
  EXPECT_EQ(Find("_F301A01.ZLP"), 1);
  EXPECT_EQ(orientation_, 1);

  // The orientation byte is reported as it is stored.
  Write("_F301A02.ZLP", HeaderFile("F", "D", RecordBytes(1, 9, 7)));
  EXPECT_EQ(Find("_F301A02.ZLP"), 1);
  EXPECT_EQ(orientation_, 7);
}

TEST_F(OverlayPaperTest, TheNoPaperCodeNeverMatches) {
  entries_[0].code = 0xFFFF;
  Write("_F301A00.ZLP", HeaderFile("F", "D", RecordBytes(1, 0xFFFF, 1)));
  EXPECT_EQ(Find("_F301A00.ZLP"), -1);
  EXPECT_EQ(orientation_, 1);
}

TEST_F(OverlayPaperTest, AMissingHeaderFileHasNoPaper) {
  EXPECT_EQ(Find("MISSING.ZLP"), -1);
  EXPECT_EQ(orientation_, 0);
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
}

TEST_F(OverlayPaperTest, NoMemoryReports401) {
  Write("FORM.ZLC", RawData());
  Write("FORM.ZLF", PaperCompanion(9, 1));
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(Find("FORM.ZLC"), -1);
  EXPECT_EQ(orientation_, 0x7777);
  EXPECT_EQ(zv::GetLastErrorCode(), static_cast<uint32_t>(zv::kMsgNoWorkArea));
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  // The next call has its memory again.
  EXPECT_EQ(Find("FORM.ZLC"), 1);
}

// ---------------------------------------------------------------------------
// The header of a new file

// A driver settings block of 56 bytes: landscape A3 at 300 dpi, colour.
std::string ColourBlock() {
  return Bytes()
      .I16(2)       // 0 orientation
      .U16(1)       // 2
      .I16(2970)    // 4 paper width
      .I16(4200)    // 6 paper height
      .U16(0x0A0B)  // 8
      .U16(0x0C0D)  // 10
      .U16(8)       // 12 paper code
      .U16(0)       // 14
      .U32(0)       // 16 paper name
      .I16(2)       // 20 pages per sheet
      .U16(0)       // 22
      .U16(50)      // 24 zoom
      .U16(1)       // 26
      .I16(2100)    // 28 output width
      .I16(2970)    // 30 output height
      .U16(0x1A1B)  // 32
      .U16(0x1C1D)  // 34
      .U16(9)       // 36 output code
      .Zeros(6)     // 38
      .U16(300)     // 44 resolution
      .U16(0)       // 46
      .I16(1)       // 48 colour
      .U16(0x4002)  // 50 mode level
      .U16(0x0311)  // 52 model id
      .I16(0x0020)  // 54 printing mode
      .str();
}

std::string ColourBlockRecord(uint8_t layer) {
  return Bytes()
      .U16(1)       // mark
      .U8(layer)    // layer
      .U8(0x02)     // mode level, colour bit dropped
      .U16(0x0311)  // model id
      .I16(2970)
      .I16(4200)
      .U16(0x0A0B)
      .U16(0x0C0D)
      .U16(8)
      .U8(2)     // orientation
      .U16(300)  // resolution
      .U8(1)     // colour
      .U8(0x20)  // printing mode
      .U8(2)     // pages per sheet
      .I16(2100)
      .I16(2970)
      .U16(0x1A1B)
      .U16(0x1C1D)
      .U16(9)
      .U16(50)  // zoom
      .str();
}

std::string Built(const char* name, const char* description, uint8_t layer, const std::string& block) {
  unsigned char header[zv::overlay_header::kSize + 4];
  std::memset(header, 0xA5, sizeof header);
  zv::BuildOverlayHeader(name, description, layer, block.data(), header);
  for (size_t i = zv::overlay_header::kSize; i < sizeof header; ++i) {
    EXPECT_EQ(header[i], 0xA5) << "written past the header at " << i;
  }
  return std::string(reinterpret_cast<const char*>(header), zv::overlay_header::kSize);
}

TEST(OverlayHeaderTest, TheHeaderIsLengthNameDescriptionAndCapturedRecord) {
  const std::string block = ColourBlock();
  ASSERT_EQ(block.size(), 56u);
  const std::string expected =
      Bytes().U32(319).Fixed("INVOICE", 25).Fixed("Invoice blank", 256).Text(ColourBlockRecord(2)).str();
  ASSERT_EQ(expected.size(), 319u);
  EXPECT_EQ(Built("INVOICE", "Invoice blank", 2, block), expected);
}

TEST(OverlayHeaderTest, LongNamesAndDescriptionsAreCutToTheirFields) {
  const std::string block = ColourBlock();
  const std::string longName(40, 'N');
  const std::string longDescription(300, 'D');
  const std::string expected = Bytes()
                                   .U32(319)
                                   .Fixed(std::string(24, 'N'), 25)
                                   .Fixed(std::string(255, 'D'), 256)
                                   .Text(ColourBlockRecord(1))
                                   .str();
  EXPECT_EQ(Built(longName.c_str(), longDescription.c_str(), 1, block), expected);
}

TEST(OverlayHeaderTest, TheTwoHalvesBuildTheSameHeader) {
  const std::string block = ColourBlock();
  unsigned char header[zv::overlay_header::kSize];
  std::memset(header, 0xA5, sizeof header);
  zv::StartOverlayHeader("LETTER", "Letterhead", 1, header);
  const std::string started(reinterpret_cast<const char*>(header), sizeof header);
  EXPECT_EQ(started,
            Bytes().U32(319).Fixed("LETTER", 25).Fixed("Letterhead", 256).Zeros(2).U8(1).Zeros(31).str());
  zv::CompleteOverlayHeader(block.data(), header);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(header), sizeof header),
            Built("LETTER", "Letterhead", 1, block));
}

TEST_F(OverlayFilesTest, ABuiltHeaderReadsBackThroughEveryReader) {
  const std::string block = ColourBlock();
  const std::string header = Built("INVOICE", "Invoice blank", 2, block);
  Write("_F301A00.ZLP", header + "captured page data");

  EXPECT_TRUE(HasHeader("_F301A00.ZLP"));

  char description[zv::kOverlayDescriptionSize];
  EXPECT_EQ(zv::GetOverlayDescription(Path("_F301A00.ZLP").c_str(), description), 2);
  EXPECT_STREQ(description, "Invoice blank");

  zv::PrintSettings settings;
  zv::ReadOverlaySettings(Path("_F301A00.ZLP").c_str(), 0, &settings);
  unsigned char record[zv::settings_record::kSize];
  zv::EncodePrintSettings(settings, record);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(record), sizeof record), ColourBlockRecord(2));
  EXPECT_TRUE(zv::MatchSettingsExactly(settings, block.data()));

  std::vector<zv::PaperEntry> entries(3);
  std::memset(entries.data(), 0, entries.size() * sizeof(zv::PaperEntry));
  entries[0].code = 9;
  entries[1].code = 8;
  entries[2].code = 8;
  uint16_t orientation = 0;
  EXPECT_EQ(zv::FindPaperEntryIndex(Path("_F301A00.ZLP").c_str(), 3, entries.data(), &orientation), 1);
  EXPECT_EQ(orientation, 2);
}

}  // namespace
