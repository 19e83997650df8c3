// Group info files: layout and validity, their texts and each kind of damaged
// text, the overlay entry count, block reading, the paper lookup of a form
// and the overlay list lines.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "catalogue/group_info.h"
#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"

namespace {

using zvtest::Bytes;
using zvtest::GroupInfoFile;
using zvtest::RawGroupInfoFile;
constexpr uint16_t kNone = 0xFFFF;

// An A4 portrait colour overlay at 600 dpi, high quality.
zv::PrintSettings A4(uint16_t zoom = 100) {
  zv::PrintSettings s{};
  s.mark = s.layer = s.modeLevel = s.orientation = s.colour = 1;
  s.modelId = 7;
  s.paperWidth = s.outputWidth = 2100;
  s.paperHeight = s.outputHeight = 2970;
  s.paperCode = s.outputCode = 9;
  s.resolution = 600;
  s.printingMode = 2;
  s.zoom = zoom;
  return s;
}
zvtest::GroupInfoEntry Entry(const zv::PrintSettings& s, int32_t file = -1) {
  return {zvtest::SettingsRecordBytes(s), file};
}

zv::PaperEntry Paper(uint16_t code, uint16_t width, uint16_t length, const char* name) {
  zv::PaperEntry p{};
  p.flag = 1, p.width = width, p.length = length, p.code = code;
  std::strncpy(p.name, name, sizeof p.name - 1);
  return p;
}
const std::vector<zv::PaperEntry> kPapers = {Paper(9, 2100, 2970, "A4"), Paper(256, 1000, 1000, "User 1"),
                                             Paper(1, 2159, 2794, "Letter"), Paper(256, 1200, 1200, "User 2"),
                                             Paper(11, 1480, 2100, "A5")};

std::string Message(uint32_t id) {
  char text[256] = "";
  zv::LoadMessage(id, text, sizeof text);
  return text;
}

// The line in a buffer of exactly its size, so that the sanitizer sees an overrun.
std::string Line(const zv::PrintSettings& s, const std::vector<zv::PaperEntry>& papers, bool matchSize) {
  std::vector<char> line(zv::kOverlayLineSize, '#');
  zv::BuildOverlayLine(s, papers.data(), uint16_t(papers.size()), matchSize, line.data());
  return std::string(line.data(), strnlen(line.data(), line.size()));
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
  void WriteInfo(const std::string& bytes) { ASSERT_TRUE(zvtest::WriteWholeFile(InfoPath(), bytes)); }
  // Named form 1 keeps its group in InfoPath(), named form 2 has only its
  // save directory, file entry -1 stands for an overlay data file.
  void WriteCatalogue(const std::string& groupInfo, const std::string& firstText = "") {
    WriteFormList(zvtest::FormListFile({{1, "Invoice", "", 1, 0}, {2, "Letter", "", 1, 1}}, {{-1, "P", "", 1, 2}}, 1));
    WriteGroupList(zvtest::GroupNameListFile({firstText.empty() ? InfoPath() : firstText, Dir(), "D:\\DATA\\BILL.ZLC"}));
    WriteInfo(groupInfo);
  }
  zv::ListFileState Open(zv::GroupInfoHeader* header, plat::FileHandle* file, plat::Access access = plat::kAccessRead) {
    *file = nullptr;
    const zv::ListFileState state = zv::OpenGroupInfo(InfoPath().c_str(), access, file, header);
    EXPECT_EQ(*file != nullptr, state == zv::ListFileState::kValid);
    return state;
  }
  std::vector<std::string> List(int32_t formId, bool* result) {
    std::vector<std::string> lines;
    *result = zv::ListOverlayLines(formId, kPapers.data(), 5, zv::LineSink{Collect, &lines});
    return lines;
  }
  uint16_t PaperOf(int32_t formId, uint16_t* orientation, uint16_t count = 5) {
    return zv::FindFormPaperEntry(formId, count, kPapers.data(), orientation);
  }
};

TEST_F(GroupInfoTest, LayoutAndValidity) {
  zv::PrintSettings second = A4(50);
  second.paperWidth = -2;
  const std::string file = GroupInfoFile({Entry(A4(), 1), Entry(second, 2)}, {"_F3001A0.ZLP", "_F3001A1.ZLP", "_F301.ZL3"}, 0, 2);
  ASSERT_EQ(file.size(), 191u);
  WriteCatalogue(file);
  zv::GroupInfoHeader h{};
  plat::FileHandle f;
  ASSERT_EQ(Open(&h, &f, plat::kAccessReadWrite), zv::ListFileState::kValid);
  char first[38];
  EXPECT_TRUE(plat::ReadFile(f, first, 38, nullptr));  // open stands at the first entry
  EXPECT_EQ(std::string(first, 38), zvtest::SettingsRecordBytes(A4()) + Bytes().I32(1).str());
  plat::CloseFile(f);
  EXPECT_EQ(std::vector<int64_t>({h.firstString, h.editedFileString, h.previewString, h.entryCount, h.stringCount,
                                  h.poolSize, zv::GroupInfoTableOffset(h), zv::GroupInfoPoolOffset(h)}),
            std::vector<int64_t>({0, 2, -1, 2, 3, 39, 140, 152}));
  zv::PrintSettings decoded{};
  int32_t fileString = 0;
  zv::DecodeOverlayEntry(reinterpret_cast<const unsigned char*>(file.data()) + 102, &decoded, &fileString);
  EXPECT_EQ(fileString, 2);
  EXPECT_EQ(zvtest::SettingsRecordBytes(decoded), zvtest::SettingsRecordBytes(second));
  unsigned char encoded[64];
  std::memset(encoded, 0xCC, sizeof encoded);
  zv::EncodeGroupInfoHeader(zv::GroupInfoHeader{3, -1, 0x01020304, 5, 6, 0x0A0B0C0D}, encoded);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(encoded), 64),
            RawGroupInfoFile(std::vector<zvtest::GroupInfoEntry>(5), std::vector<uint32_t>(6), "", 3, -1, 0x01020304)
                .substr(0, 60) + Bytes().U32(0x0A0B0C0D).str());

  std::vector<std::string> damaged = {file.substr(0, 190), file + '\0', file.substr(0, 63), file, file};
  damaged[3][0] ^= 1;
  damaged[4][23] ^= 1;
  for (const std::string& bytes : damaged) {
    WriteInfo(bytes);
    EXPECT_EQ(Open(&h, &f), zv::ListFileState::kDamaged) << bytes.size();
  }
  ASSERT_TRUE(zvtest::RemoveFile(InfoPath()));
  EXPECT_EQ(Open(&h, &f), zv::ListFileState::kCannotOpen);
}

TEST_F(GroupInfoTest, TextsAndDamagedTexts) {
  const std::vector<zvtest::GroupInfoEntry> one = {Entry(A4(), 0)};
  const std::string odd = RawGroupInfoFile(one, {0, 9, 8, 0xFFFFFFFE}, Bytes().Pooled("A.ZLP").U8(0).U16(1).str());
  const std::string slot = RawGroupInfoFile(one, {4}, Bytes().U32(0).Pooled("A.ZLP").str());
  const std::string texts = GroupInfoFile(one, {"_F3001.ZL3", "_F3001A0.ZLP", ""});
  const struct {
    std::string file;
    int32_t index;
    bool read;
    std::string text;
  } rows[] = {
      {texts, 1, true, "_F3001A0.ZLP"}, {texts, 0, true, "_F3001.ZL3"}, {texts, 2, true, ""},
      {texts, zv::kNoString, false, ""}, {texts, 3, false, ""}, {odd, 0, true, "A.ZLP"},
      {odd, 1, false, ""}, {odd, 2, false, ""}, {odd, 3, false, ""}, {slot, 0, true, "A.ZLP"}, {slot, 1, false, ""},
      {RawGroupInfoFile(one, {0}, Bytes().U16(6).Text("A.ZLP").str()), 0, false, ""},
      {RawGroupInfoFile(one, {0}, Bytes().Pooled(std::string(261, 'T')).str()), 0, false, ""},
      {RawGroupInfoFile(one, {0}, Bytes().Pooled(std::string(260, 'T')).str()), 0, true, std::string(260, 'T')},
  };
  for (const auto& row : rows) {
    WriteInfo(row.file);
    zv::GroupInfoHeader h{};
    plat::FileHandle f;
    ASSERT_EQ(Open(&h, &f), zv::ListFileState::kValid);
    std::vector<char> text(plat::kPathBuffer, '#');
    EXPECT_EQ(zv::ReadGroupInfoString(f, h, row.index, text.data()), row.read) << row.index;
    plat::CloseFile(f);
    EXPECT_EQ(std::string(text.data(), strnlen(text.data(), text.size())), row.text) << row.index;
  }
}

TEST_F(GroupInfoTest, CountOfAUsableGroupInfoFileOnly) {
  const std::string file = GroupInfoFile({Entry(A4(), 0), Entry(A4(), 1)}, {"A.ZLP", "B.ZLP"});
  WriteCatalogue(file);
  EXPECT_EQ(zv::CountOverlayEntries(1), 2u);
  for (int32_t id : {2, -1, 3}) EXPECT_EQ(zv::CountOverlayEntries(id), 0u) << id;
  // The count needs the file to itself; the listing only reads.
  plat::FileHandle reader = plat::OpenFile(InfoPath().c_str(), plat::kAccessRead, plat::kShareRead, plat::kOpenExisting);
  EXPECT_EQ(zv::CountOverlayEntries(1), 0u);
  bool result = false;
  EXPECT_EQ(List(1, &result).size(), 2u);
  plat::CloseFile(reader);
  WriteInfo(file + 'x');
  EXPECT_EQ(zv::CountOverlayEntries(1), 0u);
  WriteCatalogue(file, "_F3001.FGP");  // a bare name lies beside the group name list
  EXPECT_EQ(zv::CountOverlayEntries(1), 2u);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(zv::CountOverlayEntries(1), 0u);
}

TEST_F(GroupInfoTest, EntriesAreReadOneBlockAtATime) {
  std::vector<zvtest::GroupInfoEntry> entries;
  for (uint16_t i = 1; i <= 300; ++i) entries.push_back(Entry(A4(i)));
  WriteCatalogue(GroupInfoFile(entries, {}));
  zv::GroupInfoHeader h{};
  plat::FileHandle f;
  ASSERT_EQ(Open(&h, &f), zv::ListFileState::kValid);
  auto block = std::make_unique<zv::OverlayEntryBlock>();
  std::vector<uint16_t> zooms;
  auto collect = [&](const unsigned char* entry) {
    zv::PrintSettings s{};
    int32_t fileString = 0;
    zv::DecodeOverlayEntry(entry, &s, &fileString);
    zooms.push_back(s.zoom);
    return zooms.size() < 140;
  };
  plat::fault::Reset();
  EXPECT_TRUE(zv::WalkOverlayEntries(f, *block, 300, collect));  // 134 + 6 from two reads
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kRead), 2u);
  EXPECT_EQ(zooms, [] { std::vector<uint16_t> z(140); for (uint16_t i = 0; i < 140; ++i) z[i] = i + 1; return z; }());
  // A failed read goes unreported: its block is what the buffer held.
  ASSERT_EQ(plat::SeekFile(f, 64, plat::kSeekBegin), 64u);
  zooms.clear();
  plat::fault::FailNth(plat::fault::kRead, 2);
  EXPECT_FALSE(zv::WalkOverlayEntries(f, *block, 300, [&](const unsigned char* e) { return collect(e) || true; }));
  plat::CloseFile(f);
  ASSERT_EQ(zooms.size(), 300u);
  EXPECT_EQ(std::vector<uint16_t>({zooms[133], zooms[134], zooms[267], zooms[268]}), std::vector<uint16_t>({134, 1, 134, 135}));

  bool result = false;
  const std::vector<std::string> lines = List(1, &result);
  ASSERT_EQ(lines.size(), 300u);
  EXPECT_NE(lines[299].find(",300%,"), std::string::npos);
}

TEST(OverlayLineTest, FieldsOfTheLine) {
  const std::string colour = Message(zv::kMsgColor), black = Message(zv::kMsgBlack);
  const std::string hq = Message(zv::kMsgModeHighQuality), pages = Message(zv::kMsgPages);
  EXPECT_EQ(Line(A4(), kPapers, true), zv::UseLocalResources() ? "Color,600dpi,Alta calidad,100%,A4, -"
                                                                 : "Color,600dpi,High Quality,100%,A4, -");
  std::vector<zv::PaperEntry> unterminated = {Paper(9, 1, 1, "")};
  std::memset(unterminated[0].name, 'N', sizeof unterminated[0].name);
  const std::vector<zv::PaperEntry> noUser = {kPapers[0], kPapers[2], kPapers[4]};
  const struct {
    std::function<void(zv::PrintSettings&)> change;
    const std::vector<zv::PaperEntry>* papers;
    bool matchSize;
    std::string line;
  } rows[] = {
      {nullptr, &kPapers, false, colour + ",600dpi," + hq + ",100%,A4, -"},
      {[](auto& s) { s.colour = 2, s.resolution = 300, s.zoom = 71; }, &kPapers, true, black + ",300dpi," + hq + ",71%,A4, -"},
      {[](auto& s) { s.colour = 0, s.resolution = 65535; }, &kPapers, true, black + ",65535dpi," + hq + ",100%,A4, -"},
      {[](auto& s) { s.pagesPerSheet = 4, s.printingMode = 0x20; }, &kPapers, true, colour + ",600dpi,Enh.MG, ,A4, 4" + pages},
      {[](auto& s) { s.pagesPerSheet = 2, s.printingMode = 0x40; }, &kPapers, true, colour + ",600dpi, , ,A4, 2" + pages},
      {[](auto& s) { s.outputCode = 1; }, &kPapers, true, colour + ",600dpi," + hq + ",100%,Letter, -"},
      {[](auto& s) { s.outputCode = 256; }, &kPapers, true, colour + ",600dpi," + hq + ",100%,User 1, -"},
      {[](auto& s) { s.outputCode = 99, s.outputWidth = 1480, s.outputHeight = 2100; }, &kPapers, true, colour + ",600dpi," + hq + ",100%,A5, -"},
      {[](auto& s) { s.outputCode = 99, s.outputWidth = 1480, s.outputHeight = 2100; }, &kPapers, false, colour + ",600dpi," + hq + ",100%,User 2, -"},
      {[](auto& s) { s.outputCode = 99, s.outputWidth = 1480, s.outputHeight = 2101; }, &kPapers, true, colour + ",600dpi," + hq + ",100%,User 2, -"},
      {[](auto& s) { s.outputCode = 99, s.outputWidth = 1480, s.outputHeight = 2100; }, &noUser, true, colour + ",600dpi," + hq + ",100%,A5, -"},
      {[](auto& s) { s.outputCode = 99, s.outputWidth = 1480, s.outputHeight = 2100; }, &noUser, false, colour + ",600dpi," + hq + ",100%, , -"},
      {nullptr, &unterminated, true, colour + ",600dpi," + hq + ",100%," + std::string(65, 'N') + ", -"},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    zv::PrintSettings s = A4();
    if (rows[i].change) rows[i].change(s);
    EXPECT_EQ(Line(s, *rows[i].papers, rows[i].matchSize), rows[i].line) << "row " << i;
  }
  EXPECT_EQ(Line(A4(), {}, true), colour + ",600dpi," + hq + ",100%, , -");
  EXPECT_EQ(zv::ChooseOutputPaper(A4(), nullptr, 3, true), kNone);
  const std::pair<uint8_t, uint32_t> modes[] = {
      {0x01, zv::kMsgModeHighSpeed}, {0x03, zv::kMsgModeCrt}, {0x04, zv::kMsgModeNone}, {0x0F, zv::kMsgModeNone},
      {0x21, zv::kMsgModeHighSpeed}, {0x12, zv::kMsgModeHighQuality}, {0x10, zv::kMsgHalftoning},
      {0x20, zv::kMsgEnhancedMg}, {0x00, zv::kMsgBlank}, {0x30, zv::kMsgBlank}, {0xF0, zv::kMsgBlank}};
  for (const auto& [mode, message] : modes) {
    zv::PrintSettings s = A4();
    s.printingMode = mode;
    EXPECT_EQ(Line(s, kPapers, true), colour + ",600dpi," + Message(message) + ",100%,A4, -") << int{mode};
  }
}

TEST_F(GroupInfoTest, ListLinesOfAFormAndTheirFailures) {
  zv::PrintSettings second = A4();
  second.colour = 2;
  const std::string file = GroupInfoFile({Entry(A4(), 0), Entry(second, 1)}, {"A.ZLP", "B.ZLP"});
  WriteCatalogue(file);
  bool result = false;
  const std::string hq = "600dpi," + Message(zv::kMsgModeHighQuality) + ",100%,A4, -";
  EXPECT_EQ(List(1, &result), (std::vector<std::string>{Message(zv::kMsgColor) + "," + hq, Message(zv::kMsgBlack) + "," + hq}));
  EXPECT_TRUE(result);
  const std::pair<int32_t, bool> rows[] = {{-1, true}, {-2, false}, {2, false}, {0, false}};
  for (const auto& [id, expected] : rows) {
    EXPECT_TRUE(List(id, &result).empty()) << id;
    EXPECT_EQ(result, expected) << id;
  }
  WriteInfo(file.substr(0, file.size() - 1));
  EXPECT_TRUE(List(1, &result).empty());
  EXPECT_FALSE(result);
  WriteInfo(file);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_TRUE(List(1, &result).empty());
  EXPECT_FALSE(result);

  // The single line skips the size match.
  zv::PrintSettings a5 = A4();
  a5.outputCode = 99, a5.outputWidth = 1480, a5.outputHeight = 2100;
  std::vector<std::string> lines;
  EXPECT_TRUE(zv::ListSingleOverlayLine(a5, kPapers.data(), 5, zv::LineSink{Collect, &lines}));
  EXPECT_EQ(lines, std::vector<std::string>{Message(zv::kMsgColor) + ",600dpi," + Message(zv::kMsgModeHighQuality) + ",100%,User 2, -"});
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_FALSE(zv::ListSingleOverlayLine(a5, kPapers.data(), 5, zv::LineSink{Collect, &lines}));
  EXPECT_EQ(lines.size(), 1u);
}

TEST_F(GroupInfoTest, PaperOfTheFirstEntryThatNamesOne) {
  zv::PrintSettings unknown = A4(), letter = A4(), bySize = A4(), both = A4();
  unknown.paperCode = 99, unknown.paperWidth = 1, unknown.paperHeight = 1;
  letter.paperCode = 1, letter.orientation = 2;
  bySize.paperCode = 99, bySize.paperWidth = 1480, bySize.paperHeight = 2100, bySize.orientation = 3;
  both.paperCode = 1;  // the size would be A4: the code comes first
  const struct {
    std::vector<zv::PrintSettings> entries;
    uint16_t count;
    uint16_t index, orientation;
  } rows[] = {
      {{unknown, letter, A4()}, 5, 2, 2}, {{bySize, letter}, 5, 4, 3}, {{both}, 5, 2, 1}, {{A4()}, 5, 0, 1},
      {{unknown, unknown}, 5, kNone, 77}, {{unknown}, 0, kNone, 77}, {{A4()}, 0, kNone, 77}};
  for (const auto& row : rows) {
    std::vector<zvtest::GroupInfoEntry> entries;
    for (const auto& s : row.entries) entries.push_back(Entry(s));
    WriteCatalogue(GroupInfoFile(entries, {}));
    uint16_t orientation = 77;
    EXPECT_EQ(PaperOf(1, &orientation, row.count), row.index);
    EXPECT_EQ(orientation, row.orientation);
  }
}

TEST_F(GroupInfoTest, PaperLookupFailsOnUnusableFilesAndFileEntries) {
  const std::string file = GroupInfoFile({Entry(A4())}, {});
  const std::string groups = zvtest::GroupNameListFile({"_F3001.FGP", Dir(), InfoPath()});
  WriteCatalogue(file, "_F3001.FGP");  // a bare group text lies beside the group name list
  uint16_t orientation = 77;
  EXPECT_EQ(PaperOf(1, &orientation), 0);
  orientation = 77;
  WriteGroupList(groups);
  // No group info file yet, no such form, a file entry naming a good group info file.
  for (int32_t id : {2, 5, -1}) EXPECT_EQ(PaperOf(id, &orientation), kNone) << id;
  WriteGroupList(groups.substr(0, 40));
  EXPECT_EQ(PaperOf(1, &orientation), kNone) << "damaged group name list";
  WriteGroupList(zvtest::GroupNameListFile({"_F3001.FGP"}));
  EXPECT_EQ(PaperOf(2, &orientation), kNone) << "group index at the entry count";
  WriteGroupList(groups);
  WriteInfo(file + 'x');
  EXPECT_EQ(PaperOf(1, &orientation), kNone) << "damaged group info file";
  WriteInfo(file);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(PaperOf(1, &orientation), kNone) << "no working memory";
  EXPECT_EQ(orientation, 77);
}

}  // namespace
