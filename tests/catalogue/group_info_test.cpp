// Group info files: layout and validity, their texts, the overlay entry
// count, the paper lookup of a form and the overlay list lines.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/group_info.h"
#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"

namespace {

using zvtest::Bytes;
using zvtest::FormListFile;
using zvtest::GroupNameListFile;

constexpr char kMagic[] = "ZEVROFORM GROUPINFO V1.0";
constexpr uint16_t kNone = 0xFFFF;

// The settings of an A4 portrait colour overlay at 600 dpi, high quality.
zv::PrintSettings A4Settings() {
  zv::PrintSettings s{};
  s.mark = 1;
  s.layer = 1;
  s.modeLevel = 1;
  s.modelId = 7;
  s.paperWidth = 2100;
  s.paperHeight = 2970;
  s.paperCode = 9;
  s.orientation = 1;
  s.resolution = 600;
  s.colour = 1;
  s.printingMode = 2;
  s.pagesPerSheet = 0;
  s.outputWidth = 2100;
  s.outputHeight = 2970;
  s.outputCode = 9;
  s.zoom = 100;
  return s;
}

struct TestEntry {
  zv::PrintSettings settings;
  int32_t fileString;
};

std::string HeaderBytes(int32_t first, int32_t edited, int32_t preview, uint32_t entries, uint32_t strings,
                        uint32_t pool) {
  return Bytes()
      .Text(kMagic)
      .I32(first)
      .I32(edited)
      .Zeros(16)
      .I32(preview)
      .U32(entries)
      .U32(strings)
      .U32(pool)
      .str();
}

// A group info file with the offset table and pool given as they are.
std::string RawGroupInfo(const std::vector<TestEntry>& entries, const std::vector<uint32_t>& offsets,
                         const std::string& pool, int32_t first = -1, int32_t edited = -1,
                         int32_t preview = -1) {
  std::string file = HeaderBytes(first, edited, preview, static_cast<uint32_t>(entries.size()),
                                 static_cast<uint32_t>(offsets.size()), static_cast<uint32_t>(pool.size()));
  for (const TestEntry& entry : entries) {
    file += zvtest::SettingsRecordBytes(entry.settings) + Bytes().I32(entry.fileString).str();
  }
  Bytes table;
  for (uint32_t offset : offsets) table.U32(offset);
  return file + table.str() + pool;
}

std::string GroupInfoFile(const std::vector<TestEntry>& entries, const std::vector<std::string>& texts = {},
                          int32_t first = -1, int32_t edited = -1, int32_t preview = -1) {
  std::vector<uint32_t> offsets;
  Bytes pool;
  for (const std::string& text : texts) {
    offsets.push_back(static_cast<uint32_t>(pool.size()));
    pool.Pooled(text);
  }
  return RawGroupInfo(entries, offsets, pool.str(), first, edited, preview);
}

zv::PaperEntry Paper(uint16_t code, uint16_t width, uint16_t length, const char* name) {
  zv::PaperEntry paper{};
  paper.flag = 1;
  paper.width = width;
  paper.length = length;
  paper.code = code;
  std::strncpy(paper.name, name, sizeof paper.name - 1);
  return paper;
}

const std::vector<zv::PaperEntry> kPapers = {Paper(9, 2100, 2970, "A4"), Paper(256, 1000, 1000, "User 1"),
                                             Paper(1, 2159, 2794, "Letter"), Paper(256, 1200, 1200, "User 2"),
                                             Paper(11, 1480, 2100, "A5")};

std::string Message(uint32_t id) {
  char text[256] = "";
  zv::LoadMessage(id, text, sizeof text);
  return text;
}

// The line in a heap buffer of exactly the documented size, so that the
// sanitized build catches a write past it.
std::string Line(const zv::PrintSettings& s, const std::vector<zv::PaperEntry>& papers, bool matchSize) {
  std::vector<char> line(zv::kOverlayLineSize, '#');
  zv::BuildOverlayLine(s, papers.data(), static_cast<uint16_t>(papers.size()), matchSize, line.data());
  return std::string(line.data(), strnlen(line.data(), line.size()));
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (char c : line) {
    if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

void Collect(void* context, const char* line) {
  static_cast<std::vector<std::string>*>(context)->push_back(line);
}

class GroupInfoTest : public zvtest::CatalogueTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }

  std::string InfoPath() const { return Path("_F3001.FGP"); }

  // Named form 1 keeps its group in InfoPath(), named form 2 has only its
  // save directory, file entry -1 stands for an overlay data file.
  void WriteCatalogue(const std::string& groupInfo) {
    WriteFormList(
        FormListFile({{1, "Invoice", "", 1, 0}, {2, "Letter", "", 1, 1}}, {{-1, "P", "", 1, 2}}, 1));
    WriteGroupList(GroupNameListFile({InfoPath(), Dir(), "D:\\DATA\\BILL.ZLC"}));
    ASSERT_TRUE(zvtest::WriteWholeFile(InfoPath(), groupInfo));
  }

  zv::ListFileState Open(plat::Access access, zv::GroupInfoHeader* header,
                         std::string* firstEntry = nullptr) {
    plat::FileHandle file = nullptr;
    const zv::ListFileState state = zv::OpenGroupInfo(InfoPath().c_str(), access, &file, header);
    EXPECT_EQ(file != nullptr, state == zv::ListFileState::kValid);
    if (file && firstEntry) {
      char bytes[38];
      uint32_t done = 0;
      EXPECT_TRUE(plat::ReadFile(file, bytes, sizeof bytes, &done));
      firstEntry->assign(bytes, done);
    }
    if (file) plat::CloseFile(file);
    return state;
  }

  bool ReadString(int32_t index, std::string* text) {
    plat::FileHandle file = nullptr;
    zv::GroupInfoHeader header{};
    if (zv::OpenGroupInfo(InfoPath().c_str(), plat::kAccessRead, &file, &header) !=
        zv::ListFileState::kValid) {
      ADD_FAILURE() << "the group info file does not open";
      return false;
    }
    std::vector<char> buffer(plat::kPathBuffer, '#');
    const bool read = zv::ReadGroupInfoString(file, header, index, buffer.data());
    plat::CloseFile(file);
    *text = std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return read;
  }

  std::vector<std::string> List(int32_t formId, bool* result,
                                const std::vector<zv::PaperEntry>& papers = kPapers) {
    std::vector<std::string> lines;
    *result = zv::ListOverlayLines(formId, papers.data(), static_cast<uint16_t>(papers.size()),
                                   zv::LineSink{Collect, &lines});
    return lines;
  }

  uint16_t PaperOf(int32_t formId, uint16_t* orientation,
                   const std::vector<zv::PaperEntry>& papers = kPapers) {
    return zv::FindFormPaperEntry(formId, static_cast<uint16_t>(papers.size()), papers.data(), orientation);
  }
};

TEST_F(GroupInfoTest, TwoEntriesAndThreeTextsMake191Bytes) {
  zv::PrintSettings second = A4Settings();
  second.zoom = 50;
  const std::string file = GroupInfoFile({{A4Settings(), 1}, {second, 2}},
                                         {"_F3001A0.ZLP", "_F3001A1.ZLP", "_F301.ZL3"}, 0, 2, -1);
  ASSERT_EQ(file.size(), 191u);
  WriteCatalogue(file);
  zv::GroupInfoHeader header{};
  std::string firstEntry;
  ASSERT_EQ(Open(plat::kAccessRead, &header, &firstEntry), zv::ListFileState::kValid);
  EXPECT_EQ(header.firstString, 0);
  EXPECT_EQ(header.editedFileString, 2);
  EXPECT_EQ(header.previewString, -1);
  EXPECT_EQ(header.entryCount, 2u);
  EXPECT_EQ(header.stringCount, 3u);
  EXPECT_EQ(header.poolSize, 39u);
  EXPECT_EQ(zv::GroupInfoTableOffset(header), 140u);
  EXPECT_EQ(zv::GroupInfoPoolOffset(header), 152u);
  EXPECT_EQ(firstEntry, zvtest::SettingsRecordBytes(A4Settings()) + Bytes().I32(1).str())
      << "open stands at the first entry";
  EXPECT_EQ(Open(plat::kAccessReadWrite, &header), zv::ListFileState::kValid);

  ASSERT_TRUE(zvtest::WriteWholeFile(InfoPath(), file.substr(0, 190)));
  EXPECT_EQ(Open(plat::kAccessRead, &header), zv::ListFileState::kDamaged);
  ASSERT_TRUE(zvtest::WriteWholeFile(InfoPath(), file + '\0'));
  EXPECT_EQ(Open(plat::kAccessRead, &header), zv::ListFileState::kDamaged);
  for (size_t at : {size_t{0}, size_t{23}}) {
    std::string wrong = file;
    wrong[at] ^= 0x01;
    ASSERT_TRUE(zvtest::WriteWholeFile(InfoPath(), wrong));
    EXPECT_EQ(Open(plat::kAccessRead, &header), zv::ListFileState::kDamaged) << "magic byte " << at;
  }
  ASSERT_TRUE(zvtest::WriteWholeFile(InfoPath(), file.substr(0, 63)));
  EXPECT_EQ(Open(plat::kAccessRead, &header), zv::ListFileState::kDamaged);
  ASSERT_TRUE(zvtest::RemoveFile(InfoPath()));
  EXPECT_EQ(Open(plat::kAccessRead, &header), zv::ListFileState::kCannotOpen);
}

TEST(GroupInfoLayoutTest, EncodedHeaderFollowsTheLayout) {
  unsigned char bytes[64];
  std::memset(bytes, 0xCC, sizeof bytes);
  zv::EncodeGroupInfoHeader(zv::GroupInfoHeader{3, -1, 0x01020304, 5, 6, 0x0A0B0C0D}, bytes);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), sizeof bytes),
            HeaderBytes(3, -1, 0x01020304, 5, 6, 0x0A0B0C0D));
}

TEST(GroupInfoLayoutTest, EntryGivesItsSettingsAndFileString) {
  zv::PrintSettings s = A4Settings();
  s.paperWidth = -2;
  s.outputCode = 0x1234;
  s.printingMode = 0x21;
  const std::string bytes = zvtest::SettingsRecordBytes(s) + Bytes().I32(-1).str();
  zv::PrintSettings decoded{};
  int32_t fileString = 0;
  zv::DecodeOverlayEntry(reinterpret_cast<const unsigned char*>(bytes.data()), &decoded, &fileString);
  EXPECT_EQ(fileString, -1);
  EXPECT_EQ(decoded.paperWidth, -2);
  EXPECT_EQ(decoded.paperHeight, 2970);
  EXPECT_EQ(decoded.outputCode, 0x1234);
  EXPECT_EQ(decoded.printingMode, 0x21);
  EXPECT_EQ(decoded.resolution, 600);
  EXPECT_EQ(decoded.zoom, 100);
}

TEST_F(GroupInfoTest, TextsAreReadByStringIndex) {
  WriteCatalogue(GroupInfoFile({{A4Settings(), 1}}, {"_F3001.ZL3", "_F3001A0.ZLP", ""}));
  std::string text;
  EXPECT_TRUE(ReadString(1, &text));
  EXPECT_EQ(text, "_F3001A0.ZLP");
  EXPECT_TRUE(ReadString(0, &text));
  EXPECT_EQ(text, "_F3001.ZL3");
  EXPECT_TRUE(ReadString(2, &text));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(ReadString(zv::kNoString, &text));
  EXPECT_FALSE(ReadString(3, &text)) << "index at the string count";
}

TEST_F(GroupInfoTest, TextsReachingOutsideThePoolAreDamaged) {
  const std::vector<TestEntry> entries = {{A4Settings(), 0}};
  std::string text;
  // Offset past the pool; length half outside; text running past the end.
  WriteCatalogue(RawGroupInfo(entries, {0, 9, 8, 0xFFFFFFFE}, Bytes().Pooled("A.ZLP").U8(0).U16(1).str()));
  EXPECT_TRUE(ReadString(0, &text));
  EXPECT_EQ(text, "A.ZLP");
  EXPECT_FALSE(ReadString(1, &text));
  EXPECT_FALSE(ReadString(2, &text));
  EXPECT_FALSE(ReadString(3, &text));
  EXPECT_EQ(text, "");
  // The slot after the table would read the pool's first bytes as offset 0.
  WriteCatalogue(RawGroupInfo(entries, {4}, Bytes().U32(0).Pooled("A.ZLP").str()));
  EXPECT_TRUE(ReadString(0, &text));
  EXPECT_EQ(text, "A.ZLP");
  EXPECT_FALSE(ReadString(1, &text));
  WriteCatalogue(RawGroupInfo(entries, {0}, Bytes().U16(6).Text("A.ZLP").str()));
  EXPECT_FALSE(ReadString(0, &text));
  WriteCatalogue(RawGroupInfo(entries, {0}, Bytes().Pooled(std::string(261, 'T')).str()));
  EXPECT_FALSE(ReadString(0, &text));
  WriteCatalogue(RawGroupInfo(entries, {0}, Bytes().Pooled(std::string(260, 'T')).str()));
  EXPECT_TRUE(ReadString(0, &text));
  EXPECT_EQ(text, std::string(260, 'T'));
}

TEST_F(GroupInfoTest, CountIsTheEntryCountOfAUsableGroupInfoFile) {
  const std::string file = GroupInfoFile({{A4Settings(), 0}, {A4Settings(), 1}}, {"A.ZLP", "B.ZLP"});
  WriteCatalogue(file);
  EXPECT_EQ(zv::CountOverlayEntries(1), 2u);
  EXPECT_EQ(zv::CountOverlayEntries(2), 0u) << "the group text is still a directory";
  EXPECT_EQ(zv::CountOverlayEntries(-1), 0u);
  EXPECT_EQ(zv::CountOverlayEntries(3), 0u);
  ASSERT_TRUE(zvtest::WriteWholeFile(InfoPath(), file + 'x'));
  EXPECT_EQ(zv::CountOverlayEntries(1), 0u);
  ASSERT_TRUE(zvtest::WriteWholeFile(InfoPath(), file));
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(zv::CountOverlayEntries(1), 0u);
  plat::fault::Reset();

  // A bare file name lies beside the group name list (full rule).
  WriteFormList(FormListFile({{7, "Bare", "", 1, 0}}, {}));
  WriteGroupList(GroupNameListFile({"_F3001.FGP"}));
  EXPECT_EQ(zv::CountOverlayEntries(7), 2u);
}

TEST_F(GroupInfoTest, CountNeedsTheFileToItself) {
  WriteCatalogue(GroupInfoFile({{A4Settings(), -1}}));
  plat::FileHandle reader =
      plat::OpenFile(InfoPath().c_str(), plat::kAccessRead, plat::kShareRead, plat::kOpenExisting);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(zv::CountOverlayEntries(1), 0u);
  bool result = false;
  EXPECT_EQ(List(1, &result).size(), 1u) << "listing only reads";
  EXPECT_TRUE(result);
  plat::CloseFile(reader);
  EXPECT_EQ(zv::CountOverlayEntries(1), 1u);
}

TEST_F(GroupInfoTest, EntriesAreReadOneBlockAtATime) {
  std::vector<TestEntry> entries;
  for (uint16_t i = 0; i < 300; ++i) {
    zv::PrintSettings s = A4Settings();
    s.zoom = static_cast<uint16_t>(i + 1);
    entries.push_back({s, -1});
  }
  WriteCatalogue(GroupInfoFile(entries));
  plat::FileHandle file = nullptr;
  zv::GroupInfoHeader header{};
  ASSERT_EQ(zv::OpenGroupInfo(InfoPath().c_str(), plat::kAccessRead, &file, &header),
            zv::ListFileState::kValid);
  auto block = std::make_unique<zv::OverlayEntryBlock>();
  std::vector<uint16_t> zooms;
  auto collect = [&](const unsigned char* entry) {
    zv::PrintSettings s{};
    int32_t fileString = 0;
    zv::DecodeOverlayEntry(entry, &s, &fileString);
    zooms.push_back(s.zoom);
    return zooms.size() < 140;
  };

  // 134 + 6 entries from two reads; the walk stops at the 140th.
  plat::fault::Reset();
  EXPECT_TRUE(zv::WalkOverlayEntries(file, *block, 300, collect));
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kRead), 2u);
  ASSERT_EQ(zooms.size(), 140u);
  EXPECT_EQ(zooms[133], 134);
  EXPECT_EQ(zooms[139], 140);

  // A failed read goes unreported: its block is what the buffer held.
  ASSERT_EQ(plat::SeekFile(file, 64, plat::kSeekBegin), 64u);
  zooms.clear();
  plat::fault::FailNth(plat::fault::kRead, 2);
  EXPECT_FALSE(zv::WalkOverlayEntries(file, *block, 300, [&](const unsigned char* entry) {
    collect(entry);
    return true;
  }));
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kRead), 3u);
  plat::fault::Reset();
  plat::CloseFile(file);
  ASSERT_EQ(zooms.size(), 300u);
  EXPECT_EQ(zooms[0], 1);
  EXPECT_EQ(zooms[133], 134);
  EXPECT_EQ(zooms[134], 1) << "left from the first block";
  EXPECT_EQ(zooms[267], 134);
  EXPECT_EQ(zooms[268], 135) << "the file position did not move on the failed read";
}

TEST(OverlayLineTest, ColourHighQualityA4) {
  const std::string line = Line(A4Settings(), kPapers, true);
  EXPECT_EQ(line, Message(zv::kMsgColor) + ",600dpi," + Message(zv::kMsgModeHighQuality) + ",100%,A4, -");
  if (zv::UseLocalResources()) {
    EXPECT_EQ(line, "Color,600dpi,Alta calidad,100%,A4, -");
  } else {
    EXPECT_EQ(line, "Color,600dpi,High Quality,100%,A4, -");
  }
  EXPECT_EQ(Line(A4Settings(), kPapers, false), line);
}

TEST(OverlayLineTest, ColourAndResolutionFields) {
  zv::PrintSettings s = A4Settings();
  s.colour = 2;
  s.resolution = 300;
  std::vector<std::string> fields = Fields(Line(s, kPapers, true));
  ASSERT_EQ(fields.size(), 6u);
  EXPECT_EQ(fields[0], Message(zv::kMsgBlack));
  EXPECT_EQ(fields[1], "300dpi");
  s.colour = 0;
  s.resolution = 65535;
  fields = Fields(Line(s, kPapers, true));
  ASSERT_EQ(fields.size(), 6u);
  EXPECT_EQ(fields[0], Message(zv::kMsgBlack));
  EXPECT_EQ(fields[1], "65535dpi");
}

TEST(OverlayLineTest, EveryPrintingMode) {
  const struct {
    uint8_t mode;
    uint32_t message;
  } cases[] = {{0x01, zv::kMsgModeHighSpeed}, {0x02, zv::kMsgModeHighQuality}, {0x03, zv::kMsgModeCrt},
               {0x04, zv::kMsgModeNone},      {0x05, zv::kMsgModeNone},        {0x0F, zv::kMsgModeNone},
               {0x21, zv::kMsgModeHighSpeed}, {0x12, zv::kMsgModeHighQuality}, {0x10, zv::kMsgHalftoning},
               {0x20, zv::kMsgEnhancedMg},    {0x00, zv::kMsgBlank},           {0x30, zv::kMsgBlank},
               {0xF0, zv::kMsgBlank}};
  for (const auto& c : cases) {
    zv::PrintSettings s = A4Settings();
    s.printingMode = c.mode;
    const std::vector<std::string> fields = Fields(Line(s, kPapers, true));
    ASSERT_EQ(fields.size(), 6u);
    EXPECT_EQ(fields[2], Message(c.message)) << "mode " << int{c.mode};
  }
  zv::PrintSettings s = A4Settings();
  s.printingMode = 0x20;
  EXPECT_EQ(Fields(Line(s, kPapers, true))[2], "Enh.MG");
  s.printingMode = 0x40;
  EXPECT_EQ(Fields(Line(s, kPapers, true))[2], " ");
}

TEST(OverlayLineTest, PagesPerSheetReplaceTheZoom) {
  zv::PrintSettings s = A4Settings();
  s.zoom = 71;
  EXPECT_EQ(Fields(Line(s, kPapers, true))[3], "71%");
  EXPECT_EQ(Fields(Line(s, kPapers, true))[5], " -");
  s.pagesPerSheet = 4;
  std::vector<std::string> fields = Fields(Line(s, kPapers, true));
  ASSERT_EQ(fields.size(), 6u);
  EXPECT_EQ(fields[3], " ");
  EXPECT_EQ(fields[5], " 4" + Message(zv::kMsgPages));
  s.pagesPerSheet = 2;
  EXPECT_EQ(Fields(Line(s, kPapers, true))[5], " 2" + Message(zv::kMsgPages));
}

TEST(OverlayLineTest, OutputPaperByCodeThenSizeThenUserSize) {
  zv::PrintSettings s = A4Settings();
  s.outputCode = 1;
  EXPECT_EQ(zv::ChooseOutputPaper(s, kPapers.data(), 5, true), 2) << "code before size";
  s.outputCode = 256;
  EXPECT_EQ(zv::ChooseOutputPaper(s, kPapers.data(), 5, true), 1) << "the first user size by code";
  // Unknown code, size of A5: only the list variant matches the size.
  s.outputCode = 99;
  s.outputWidth = 1480;
  s.outputHeight = 2100;
  EXPECT_EQ(zv::ChooseOutputPaper(s, kPapers.data(), 5, true), 4);
  EXPECT_EQ(Fields(Line(s, kPapers, true))[4], "A5");
  EXPECT_EQ(zv::ChooseOutputPaper(s, kPapers.data(), 5, false), 3) << "the last user size";
  EXPECT_EQ(Fields(Line(s, kPapers, false))[4], "User 2");
  // Width alone is not a match.
  s.outputHeight = 2101;
  EXPECT_EQ(zv::ChooseOutputPaper(s, kPapers.data(), 5, true), 3);
  // No user size in the list: a blank.
  const std::vector<zv::PaperEntry> noUser = {kPapers[0], kPapers[2], kPapers[4]};
  s.outputHeight = 2100;
  EXPECT_EQ(Fields(Line(s, noUser, true))[4], "A5");
  EXPECT_EQ(zv::ChooseOutputPaper(s, noUser.data(), 3, false), kNone);
  EXPECT_EQ(Fields(Line(s, noUser, false))[4], " ");
  EXPECT_EQ(Fields(Line(A4Settings(), {}, true))[4], " ");
  EXPECT_EQ(zv::ChooseOutputPaper(A4Settings(), nullptr, 3, true), kNone);
}

TEST(OverlayLineTest, PaperNameWithoutTerminatorIsCutAtItsEntry) {
  std::vector<zv::PaperEntry> papers = {Paper(9, 1, 1, "")};
  std::memset(papers[0].name, 'N', sizeof papers[0].name);
  const std::vector<std::string> fields = Fields(Line(A4Settings(), papers, true));
  ASSERT_EQ(fields.size(), 6u);
  EXPECT_EQ(fields[4], std::string(65, 'N'));
}

TEST_F(GroupInfoTest, ListGivesOneLinePerEntryInFileOrder) {
  zv::PrintSettings second = A4Settings();
  second.colour = 2;
  second.resolution = 300;
  second.printingMode = 0x20;
  second.pagesPerSheet = 4;
  second.outputCode = 99;
  second.outputWidth = 1480;
  second.outputHeight = 2100;
  WriteCatalogue(GroupInfoFile({{A4Settings(), 0}, {second, 1}}, {"A.ZLP", "B.ZLP"}));
  bool result = false;
  const std::vector<std::string> lines = List(1, &result);
  EXPECT_TRUE(result);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], Message(zv::kMsgColor) + ",600dpi," + Message(zv::kMsgModeHighQuality) + ",100%,A4, -");
  EXPECT_EQ(lines[1], Message(zv::kMsgBlack) + ",300dpi,Enh.MG, ,A5, 4" + Message(zv::kMsgPages));
}

TEST_F(GroupInfoTest, ListReadsEveryBlockOfEntries) {
  std::vector<TestEntry> entries;
  for (uint16_t i = 0; i < 300; ++i) {
    zv::PrintSettings s = A4Settings();
    s.zoom = static_cast<uint16_t>(i + 1);
    entries.push_back({s, -1});
  }
  WriteCatalogue(GroupInfoFile(entries));
  bool result = false;
  const std::vector<std::string> lines = List(1, &result);
  EXPECT_TRUE(result);
  ASSERT_EQ(lines.size(), 300u);
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(Fields(lines[i])[3], std::to_string(i + 1) + "%") << "entry " << i;
  }
}

TEST_F(GroupInfoTest, FileEntriesListNothingAndFailuresListNothing) {
  const std::string file = GroupInfoFile({{A4Settings(), 0}}, {"A.ZLP"});
  WriteCatalogue(file);
  bool result = false;
  EXPECT_TRUE(List(-1, &result).empty());
  EXPECT_TRUE(result) << "a file entry that exists";
  EXPECT_TRUE(List(-2, &result).empty());
  EXPECT_FALSE(result) << "a file entry that does not exist";
  EXPECT_TRUE(List(2, &result).empty());
  EXPECT_FALSE(result) << "no group info file yet";
  EXPECT_TRUE(List(0, &result).empty());
  EXPECT_FALSE(result);

  ASSERT_TRUE(zvtest::WriteWholeFile(InfoPath(), file.substr(0, file.size() - 1)));
  EXPECT_TRUE(List(1, &result).empty());
  EXPECT_FALSE(result) << "damaged";
  ASSERT_TRUE(zvtest::WriteWholeFile(InfoPath(), file));
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_TRUE(List(1, &result).empty());
  EXPECT_FALSE(result) << "no working memory";
  plat::fault::Reset();
  EXPECT_EQ(List(1, &result).size(), 1u);
  EXPECT_TRUE(result);
}

TEST(OverlayLineTest, SingleLineSkipsTheSizeMatch) {
  zv::PrintSettings s = A4Settings();
  s.outputCode = 99;
  s.outputWidth = 1480;
  s.outputHeight = 2100;
  std::vector<std::string> lines;
  EXPECT_TRUE(zv::ListSingleOverlayLine(s, kPapers.data(), 5, zv::LineSink{Collect, &lines}));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0],
            Message(zv::kMsgColor) + ",600dpi," + Message(zv::kMsgModeHighQuality) + ",100%,User 2, -");

  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_FALSE(zv::ListSingleOverlayLine(s, kPapers.data(), 5, zv::LineSink{Collect, &lines}));
  plat::fault::Reset();
  EXPECT_EQ(lines.size(), 1u);
}

TEST_F(GroupInfoTest, PaperComesFromTheFirstEntryThatNamesOne) {
  zv::PrintSettings unknown = A4Settings();
  unknown.paperCode = 99;
  unknown.paperWidth = 1;
  unknown.paperHeight = 1;
  unknown.orientation = 1;
  zv::PrintSettings letter = A4Settings();
  letter.paperCode = 1;
  letter.orientation = 2;
  WriteCatalogue(GroupInfoFile({{unknown, -1}, {letter, -1}, {A4Settings(), -1}}));
  uint16_t orientation = 77;
  EXPECT_EQ(PaperOf(1, &orientation), 2);
  EXPECT_EQ(orientation, 2);

  // Code before size: the code names Letter, the size would be A4.
  zv::PrintSettings bySize = unknown;
  bySize.paperWidth = 1480;
  bySize.paperHeight = 2100;
  bySize.orientation = 3;
  WriteCatalogue(GroupInfoFile({{bySize, -1}, {letter, -1}}));
  EXPECT_EQ(PaperOf(1, &orientation), 4) << "the first entry's size";
  EXPECT_EQ(orientation, 3);
  zv::PrintSettings both = letter;
  both.paperWidth = 2100;
  both.paperHeight = 2970;
  WriteCatalogue(GroupInfoFile({{both, -1}}));
  EXPECT_EQ(PaperOf(1, &orientation), 2);
}

TEST_F(GroupInfoTest, PaperLookupWithoutAResultKeepsTheOrientation) {
  zv::PrintSettings unknown = A4Settings();
  unknown.paperCode = 99;
  unknown.paperWidth = 1;
  WriteCatalogue(GroupInfoFile({{unknown, -1}, {unknown, -1}}));
  uint16_t orientation = 77;
  EXPECT_EQ(PaperOf(1, &orientation), kNone);
  EXPECT_EQ(PaperOf(1, &orientation, {}), kNone);
  WriteCatalogue(GroupInfoFile({{A4Settings(), -1}}));
  EXPECT_EQ(PaperOf(1, &orientation, {}), kNone) << "no papers";
  EXPECT_EQ(PaperOf(2, &orientation), kNone) << "no group info file yet";
  EXPECT_EQ(PaperOf(5, &orientation), kNone) << "no such form";
  EXPECT_EQ(orientation, 77);
  EXPECT_EQ(PaperOf(1, &orientation), 0);
  EXPECT_EQ(orientation, 1);
}

TEST_F(GroupInfoTest, PaperLookupIsForNamedFormsOnly) {
  // The file entry's text names a usable group info file; it is not looked at.
  WriteFormList(FormListFile({}, {{-1, "P", "", 1, 0}}, 1));
  WriteGroupList(GroupNameListFile({InfoPath()}));
  ASSERT_TRUE(zvtest::WriteWholeFile(InfoPath(), GroupInfoFile({{A4Settings(), -1}})));
  uint16_t orientation = 77;
  EXPECT_EQ(PaperOf(-1, &orientation), kNone);
  EXPECT_EQ(orientation, 77);
}

TEST_F(GroupInfoTest, PaperLookupFailsOnUnusableFiles) {
  const std::string file = GroupInfoFile({{A4Settings(), -1}});
  WriteCatalogue(file);
  uint16_t orientation = 77;
  // A bare group text lies beside the group name list (path rule).
  WriteGroupList(GroupNameListFile({"_F3001.FGP"}));
  EXPECT_EQ(PaperOf(1, &orientation), 0);
  orientation = 77;
  EXPECT_EQ(PaperOf(2, &orientation), kNone) << "group index at the entry count";
  const std::string groups = GroupNameListFile({"_F3001.FGP", Dir(), "D:\\X.ZLC"});
  WriteGroupList(groups + 'x');
  EXPECT_EQ(PaperOf(1, &orientation), kNone) << "damaged group name list";
  WriteGroupList(groups);
  ASSERT_TRUE(zvtest::WriteWholeFile(InfoPath(), file + 'x'));
  EXPECT_EQ(PaperOf(1, &orientation), kNone) << "damaged group info file";
  ASSERT_TRUE(zvtest::WriteWholeFile(InfoPath(), file));
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(PaperOf(1, &orientation), kNone) << "no working memory";
  plat::fault::Reset();
  EXPECT_EQ(orientation, 77);
  EXPECT_EQ(PaperOf(1, &orientation), 0);
}

}  // namespace
