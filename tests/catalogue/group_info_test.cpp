// Group info files: header, validity, texts, the overlay list lines and the
// paper lookup of a form (the listing is proved through the exports).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "catalogue/group_info.h"
#include "module/module_state.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/message_text.h"

namespace {

using zvtest::Bytes;
using zvtest::GroupInfoFile;
using S = zv::PrintSettings;

// An A4 portrait colour overlay at 600 dpi, high quality.
S A4(uint16_t zoom = 100) {
  S s{};
  s.mark = s.layer = s.modeLevel = s.orientation = s.colour = 1;
  s.paperWidth = s.outputWidth = 2100;
  s.paperHeight = s.outputHeight = 2970;
  s.paperCode = s.outputCode = 9;
  s.resolution = 600;
  s.printingMode = 2;
  s.zoom = zoom;
  return s;
}
zvtest::GroupInfoEntry Entry(const S& s, int32_t file = -1) {
  return {zvtest::SettingsRecordBytes(s), file};
}

zv::PaperEntry Paper(uint16_t code, uint16_t width, uint16_t length, const char* name) {
  zv::PaperEntry p{};
  p.flag = 1;
  p.width = width;
  p.length = length;
  p.code = code;
  std::strncpy(p.name, name, sizeof p.name - 1);
  return p;
}
const std::vector<zv::PaperEntry> kPapers = {Paper(9, 2100, 2970, "A4"), Paper(256, 1000, 1000, "User 1"),
                                             Paper(1, 2159, 2794, "Letter"), Paper(256, 1200, 1200, "User 2"),
                                             Paper(11, 1480, 2100, "A5")};

using zvtest::Message;

// The line in a buffer of exactly its size, so that the sanitizer sees an overrun.
std::string Line(const S& s, const std::vector<zv::PaperEntry>& papers, bool matchSize) {
  std::vector<char> line(zv::kOverlayLineSize, '#');
  zv::BuildOverlayLine(s, papers.data(), uint16_t(papers.size()), matchSize, line.data());
  return std::string(line.data(), strnlen(line.data(), line.size()));
}

void Collect(void* context, const char* line) {
  static_cast<std::string*>(context)->append(line).append("|");
}

class GroupInfoTest : public zvtest::CatalogueTest {
 protected:
  std::string InfoPath() const { return Path("_F3001.FGP"); }
  void WriteInfo(const std::string& bytes) { ASSERT_TRUE(zvtest::WriteWholeFile(InfoPath(), bytes)); }
  // Named form 1 keeps its group in InfoPath(), named form 2 has only its
  // save directory, file entry -1 stands for an overlay data file.
  void WriteCatalogue(const std::string& groupInfo, const std::string& firstText = "") {
    WriteFormList(
        zvtest::FormListFile({{1, "Invoice", "", 1, 0}, {2, "Letter", "", 1, 1}}, {{-1, "P", "", 1, 2}}, 1));
    WriteGroupList(
        zvtest::GroupNameListFile({firstText.empty() ? InfoPath() : firstText, Dir(), "D:\\DATA\\B.ZLC"}));
    WriteInfo(groupInfo);
  }
  // "index:orientation" of FindFormPaperEntry, the orientation starting as 77.
  std::string PaperOf(int32_t formId, uint16_t count = 5, bool noPapers = false) {
    uint16_t orientation = 77;
    const uint16_t index =
        zv::FindFormPaperEntry(formId, count, noPapers ? nullptr : kPapers.data(), &orientation);
    return std::to_string(int16_t(index)) + ":" + std::to_string(orientation);
  }
};

TEST_F(GroupInfoTest, HeaderBytesValidityAndTexts) {
  S second = A4(50);
  second.paperWidth = -2;
  const std::string file =
      GroupInfoFile({Entry(A4(), 1), Entry(second, 2)}, {"_F3001A0.ZLP", "_F3001A1.ZLP", ""}, 0, 2, -1);
  WriteCatalogue(file);
  zv::GroupInfoHeader h{};
  plat::FileHandle f = nullptr;
  ASSERT_EQ(zv::OpenGroupInfo(InfoPath().c_str(), plat::kAccessRead, &f, &h), zv::ListFileState::kValid);
  EXPECT_EQ(
      std::vector<int64_t>({h.firstString, h.editedFileString, h.previewString, h.entryCount, h.stringCount,
                            h.poolSize, zv::GroupInfoTableOffset(h), zv::GroupInfoPoolOffset(h)}),
      std::vector<int64_t>({0, 2, -1, 2, 3, 30, 140, 152}));
  // Each text by its index; none below 0 or at the count.
  std::string out;
  for (int32_t index : {1, 0, 2, -1, 3}) {
    std::vector<char> text(plat::kPathBuffer, '#');
    out += std::to_string(zv::ReadGroupInfoString(f, h, index, text.data())) + text.data() + "|";
  }
  plat::CloseFile(f);
  EXPECT_EQ(out, "1_F3001A1.ZLP|1_F3001A0.ZLP|1|0|0|");
  S decoded{};
  int32_t fileString = 0;
  zv::DecodeOverlayEntry(reinterpret_cast<const unsigned char*>(file.data()) + 102, &decoded, &fileString);
  EXPECT_EQ(zvtest::SettingsRecordBytes(decoded) + std::to_string(fileString),
            zvtest::SettingsRecordBytes(second) + "2");
  // Every entry's line in file order; a file entry has none; a damaged file gives none.
  std::string lines;
  const zv::LineSink sink{Collect, &lines};
  EXPECT_TRUE(zv::ListOverlayLines(1, kPapers.data(), 5, sink) &&
              zv::ListOverlayLines(-1, kPapers.data(), 5, sink));
  // Damaged: one short, one over, the header cut, the magic's first and last bytes; then missing.
  std::vector<std::string> damaged = {file.substr(0, file.size() - 1), file + '\0', file.substr(0, 63), file,
                                      file};
  damaged[3][0] ^= 1;
  damaged[4][23] ^= 1;
  out.clear();
  for (const std::string& bytes : damaged) {
    WriteInfo(bytes);
    out += std::to_string(int(zv::OpenGroupInfo(InfoPath().c_str(), plat::kAccessRead, &f, &h)));
    out += std::to_string(!f) + std::to_string(zv::ListOverlayLines(1, kPapers.data(), 5, sink));
  }
  ASSERT_TRUE(zvtest::RemoveFile(InfoPath()));
  out += std::to_string(int(zv::OpenGroupInfo(InfoPath().c_str(), plat::kAccessRead, &f, &h)));
  EXPECT_EQ(out, "2102102102102101");
  EXPECT_EQ(lines, Line(A4(), kPapers, true) + "|" + Line(second, kPapers, true) + "|");
}

TEST(OverlayLineTest, FieldsOfTheLine) {
  const std::string colour = Message(zv::kMsgColor) + ",600dpi,", hq = Message(zv::kMsgModeHighQuality);
  EXPECT_EQ(Line(A4(), kPapers, true), zv::UseLocalResources() ? "Color,600dpi,Alta calidad,100%,A4, -"
                                                               : "Color,600dpi,High Quality,100%,A4, -");
  std::vector<zv::PaperEntry> unterminated = {Paper(9, 1, 1, "")};
  std::memset(unterminated[0].name, 'N', sizeof unterminated[0].name);
  const std::vector<zv::PaperEntry> noUser = {kPapers[0], kPapers[2], kPapers[4]};
  const auto Mode = [](uint8_t mode) { return [mode](S& s) { s.printingMode = mode; }; };
  const std::string a4 = ",100%,A4, -";
  const auto a5 = [](S& s) {
    s.outputCode = 99;
    s.outputWidth = 1480;
    s.outputHeight = 2100;
  };
  // The change to A4(), the paper list, whether a size may stand for the code, the line.
  const struct {
    std::function<void(S&)> change;
    const std::vector<zv::PaperEntry>* papers;
    bool matchSize;
    std::string line;
  } rows[] = {// clang-format off
      {[](S& s) { s.colour = 2; s.resolution = 65535; s.zoom = 71; }, &kPapers, true,
       Message(zv::kMsgBlack) + ",65535dpi," + hq + ",71%,A4, -"},
      {[](S& s) { s.pagesPerSheet = 4; s.printingMode = 0x20; }, &kPapers, true,
       colour + "Enh.MG, ,A4, 4" + Message(zv::kMsgPages)},
      {a5, &kPapers, true, colour + hq + ",100%,A5, -"},
      {a5, &kPapers, false, colour + hq + ",100%,User 2, -"},
      {a5, &noUser, false, colour + hq + ",100%, , -"},
      {nullptr, &unterminated, true, colour + hq + ",100%," + std::string(65, 'N') + ", -"},
      // The printing mode: the quality nibble, else the screening nibble.
      {Mode(0x01), &kPapers, true, colour + Message(zv::kMsgModeHighSpeed) + a4},
      {Mode(0x03), &kPapers, true, colour + Message(zv::kMsgModeCrt) + a4},
      {Mode(0x0F), &kPapers, true, colour + Message(zv::kMsgModeNone) + a4},
      {Mode(0x10), &kPapers, true, colour + Message(zv::kMsgHalftoning) + a4},
      {Mode(0x30), &kPapers, true, colour + Message(zv::kMsgBlank) + a4}};
  // clang-format on
  for (const auto& row : rows) {
    S s = A4();
    if (row.change) row.change(s);
    EXPECT_EQ(Line(s, *row.papers, row.matchSize), row.line) << &row - rows;
  }
  EXPECT_EQ(zv::ChooseOutputPaper(A4(), nullptr, 3, true), zv::kNoPaper);
}

TEST_F(GroupInfoTest, PaperOfTheFirstEntryThatNamesOne) {
  S unknown = A4(), letter = A4(), bySize = A4(), both = A4(), firstByCode = A4();
  unknown.paperCode = 99;
  unknown.paperWidth = 1;
  unknown.paperHeight = 1;
  letter.paperCode = 1;
  letter.orientation = 2;
  bySize.paperCode = 99;
  bySize.paperWidth = 1480;
  bySize.paperHeight = 2100;
  bySize.orientation = 3;
  both.paperCode = 1;                                       // the size would be A4: the code comes first
  firstByCode.paperWidth = firstByCode.paperHeight = 1000;  // the size of the second paper
  const std::pair<std::vector<S>, const char*> rows[] = {{{unknown, letter, A4()}, "2:2"},
                                                         {{bySize, letter}, "4:3"},
                                                         {{both}, "2:1"},
                                                         {{firstByCode}, "0:1"},
                                                         {{unknown, unknown}, "-1:77"}};
  for (const auto& [settings, outcome] : rows) {
    std::vector<zvtest::GroupInfoEntry> entries;
    for (const auto& s : settings) entries.push_back(Entry(s));
    WriteCatalogue(GroupInfoFile(entries, {}));
    EXPECT_EQ(PaperOf(1), outcome);
  }
  // Only the first count papers are looked at, and none without a list.
  WriteCatalogue(GroupInfoFile({Entry(bySize)}, {}));
  EXPECT_EQ(PaperOf(1, 4) + PaperOf(1, 0) + PaperOf(1, 5, true), "-1:77-1:77-1:77");
  // A bare group text lies beside the group name list.
  const std::string file = GroupInfoFile({Entry(A4())}, {});
  WriteCatalogue(file, "_F3001.FGP");
  EXPECT_EQ(PaperOf(1), "0:1");
  // No group info file yet, no such form, a file entry naming a good group info file; damaged files.
  const std::string groups = zvtest::GroupNameListFile({"_F3001.FGP", Dir(), InfoPath()});
  WriteGroupList(groups);
  EXPECT_EQ(PaperOf(2) + PaperOf(5) + PaperOf(-1), "-1:77-1:77-1:77");
  WriteGroupList(groups.substr(0, 40));
  EXPECT_EQ(PaperOf(1), "-1:77");
  WriteGroupList(groups);
  WriteInfo(file + 'x');
  EXPECT_EQ(PaperOf(1), "-1:77");
  WriteInfo(file);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(PaperOf(1), "-1:77");
}

}  // namespace
