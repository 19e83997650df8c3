// Registering an existing overlay data file under a named form: the paper
// agreement, a new entry or the replacement of a matching one, and the two
// group info file operations behind them. Catalogue files are built and
// compared byte by byte; message boxes are answered as a user would.
#include "maintenance/existing_file_registration.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "support/catalogue_files.h"
#include "support/message_boxes.h"

namespace {

using zv::PrintSettings;
using zvtest::Bytes;

const zv::PaperEntry kPapers[] = {
    {1, 2100, 2970, 11, 12, 9, "A4"}, {1, 2159, 2794, 21, 22, 1, "Letter"}, {1, 2970, 4200, 31, 32, 8, "A3"}};
constexpr zv::PaperChoice kNone = {zv::kNoPaper, 0};
constexpr uint32_t kUntouched = 0xDEADBEEF;
// Raw 600-dpi printer data.
const std::string kRawFile =
    "\x1D"
    "0;0.24muE-raw";

PrintSettings WithPaper(PrintSettings s, const zv::PaperEntry& paper, uint8_t orientation, uint8_t layer) {
  s.paperWidth = static_cast<int16_t>(paper.width);
  s.paperHeight = static_cast<int16_t>(paper.length);
  s.paperValue3 = paper.value3;
  s.paperValue4 = paper.value4;
  s.paperCode = paper.code;
  s.orientation = orientation;
  s.layer = layer;
  return s;
}
// A capture's record: A4 portrait, 600 dpi colour, layer 1.
PrintSettings Captured() {
  return {1, 1, 3, 7, 2100, 2970, 11, 12, 9, 1, 600, 1, 2, 0, 2100, 2970, 0, 0, 9, 100};
}
// The record of the raw file above.
PrintSettings RawRecord(uint8_t layer) {
  return WithPaper({1, 0, 1, 0xFFFF, 0, 0, 0, 0, 0, 0, 600, 2, 0, 0, 0, 0, 0, 0, 0, 100}, kPapers[0], 1,
                   layer);
}

// An overlay data file: the 319-byte header, then page data.
std::string OverlayFile(const PrintSettings& s) {
  return Bytes().U32(319).Fixed("Invoice", 25).Fixed("Bill", 256).str() + zvtest::SettingsRecordBytes(s) +
         "PAGE";
}

struct Entry {
  PrintSettings settings;
  int32_t name;
};
std::string RawGroupInfo(const std::vector<Entry>& entries, const std::vector<uint32_t>& offsets,
                         const std::string& pool, int32_t firstString = -1) {
  Bytes file;
  file.Text("ZEVROFORM GROUPINFO V1.0").I32(firstString).I32(-1).Zeros(16).I32(-1);
  file.U32(static_cast<uint32_t>(entries.size())).U32(static_cast<uint32_t>(offsets.size()));
  file.U32(static_cast<uint32_t>(pool.size()));
  for (const Entry& e : entries) file.Text(zvtest::SettingsRecordBytes(e.settings)).I32(e.name);
  for (uint32_t offset : offsets) file.U32(offset);
  return file.str() + pool;
}
// The texts stand in the pool in table order.
std::string GroupInfoFile(const std::vector<Entry>& entries, const std::vector<std::string>& texts,
                          int32_t firstString = -1) {
  std::vector<uint32_t> offsets;
  Bytes pool;
  for (const std::string& text : texts) {
    offsets.push_back(static_cast<uint32_t>(pool.size()));
    pool.Pooled(text);
  }
  return RawGroupInfo(entries, offsets, pool.str(), firstString);
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}
std::string Message(uint32_t id) {
  char text[256];
  zv::LoadMessage(id, text, sizeof text);
  return text;
}

class ExistingFileRegistrationTest : public zvtest::CatalogueTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }

  std::string GroupPath() const { return Path("_F3001.FGP"); }
  std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(zvtest::ReadWholeFile(path, &bytes)) << path;
    return bytes;
  }
  void Write(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(zvtest::WriteWholeFile(path, bytes)) << path;
  }
  // Form 1, "Invoice", at the back; its group text, and its group info file
  // when given.
  void WriteCatalogue(const std::string& groupText, const std::string& groupInfo = "") {
    WriteFormList(zvtest::FormListFile({{1, "Invoice", "Bill", 2, 0}}, {}));
    WriteGroupList(zvtest::GroupNameListFile({groupText}));
    if (!groupInfo.empty()) Write(GroupPath(), groupInfo);
  }
  std::string Snapshot() {
    std::string group;
    zvtest::ReadWholeFile(GroupPath(), &group);
    return Read(FormListPath()) + "|" + Read(GroupListPath()) + "|" + group;
  }

  zv::ExistingFileRegistration Inputs(const std::string& file) {
    filePath_ = Path(file);
    return {1, "Invoice", "Bill", 2, filePath_.c_str(), kNone, kNone, {0, 1}, kPapers, 3, 256, 0, nullptr};
  }
  zv::RegistrationResult Register(const zv::ExistingFileRegistration& in, int answer = zvtest::kIdOk) {
    zvtest::MessageBoxWatcher watcher(answer);
    const zv::RegistrationResult result = zv::RegisterExistingFile(in);
    boxes_ = watcher.Boxes();
    return result;
  }
  void ExpectStopBox(const std::string& text) {
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, text);
    EXPECT_EQ(boxes_[0].caption, "Overlay");
    EXPECT_EQ(boxes_[0].buttons, std::vector<int>{zvtest::kIdOk});
    EXPECT_TRUE(boxes_[0].stopIcon);
  }

  std::string filePath_;
  std::vector<zvtest::SeenBox> boxes_;
};

// ---------------------------------------------------------------------------
// RegisterExistingFile

TEST_F(ExistingFileRegistrationTest, RefusalsShowTheirMessageAndWriteNothing) {
  const PrintSettings landscape = WithPaper(Captured(), kPapers[0], 2, 2);
  WriteCatalogue(GroupPath(), GroupInfoFile({{landscape, 0}}, {"_F300100.ZLP"}));
  PrintSettings low = Captured();
  low.resolution = 300;
  Write(Path("LOW.ZLP"), OverlayFile(low));
  const std::string before = Snapshot();
  std::string full = Message(414);
  ASSERT_NE(full.find("%ld"), std::string::npos);
  full.replace(full.find("%ld"), 3, "1");

  struct Case {
    zv::PaperChoice file, form, user;
    uint16_t paperCount;
    uint32_t capacity;
    uint32_t message;
  };
  const Case cases[] = {
      {{0, 1}, {0, 2}, {0, 1}, 3, 256, 412},  // another orientation
      {{1, 2}, {0, 2}, {0, 1}, 3, 256, 412},  // another paper
      {kNone, {0, 2}, {0, 1}, 3, 1, 414},     // the group is full
      {kNone, kNone, kNone, 3, 256, 409},     // no paper selected
      {kNone, kNone, {0, 1}, 0, 256, 409},    // no paper list
      {kNone, kNone, {0, 1}, 3, 256, 401},    // no memory
  };
  for (const Case& c : cases) {
    zv::ExistingFileRegistration in = Inputs("LOW.ZLP");
    in.filePaper = c.file;
    in.formPaper = c.form;
    in.userPaper = c.user;
    in.paperCount = c.paperCount;
    in.overlayCapacity = c.capacity;
    in.entryCount = 1;
    if (c.message == 401) plat::fault::FailNth(plat::fault::kAlloc, 1);
    EXPECT_EQ(Register(in), zv::RegistrationResult::kStayOpen) << c.message;
    ExpectStopBox(c.message == 414 ? full : Message(c.message));
    EXPECT_EQ(zv::GetLastErrorCode(), c.message);
    EXPECT_EQ(Snapshot(), before);
  }
}

TEST_F(ExistingFileRegistrationTest, TheFirstRegistrationNamesTheGroupInfoFileAndTheSecondAppends) {
  WriteCatalogue(Dir());
  // A file without a known paper under a form without overlays: the
  // dialog's paper and orientation, and the form's layer.
  PrintSettings header = Captured();
  header.paperCode = 0;
  Write(Path("BILL.ZLP"), OverlayFile(header));
  zv::ExistingFileRegistration in = Inputs("BILL.ZLP");
  in.userPaper = {1, 2};
  in.entryCount = 300;  // a count of named forms: a group without a file has no entries
  ASSERT_EQ(Register(in), zv::RegistrationResult::kEndDialog);
  EXPECT_TRUE(boxes_.empty());

  const std::string groupInfo = Upper(Dir() + "_F3001.FGP");
  const PrintSettings first = WithPaper(header, kPapers[1], 2, 2);
  EXPECT_EQ(Read(groupInfo), GroupInfoFile({{first, 0}}, {Path("BILL.ZLP")}));
  EXPECT_EQ(Read(GroupListPath()), zvtest::GroupNameListFile({groupInfo}));
  EXPECT_EQ(Read(FormListPath()), zvtest::FormListFile({{1, "Invoice", "Bill", 2, 0}}, {}));

  // A raw file takes the paper of the form's overlays, not the dialog's.
  // The driver's first group string goes; its length stays as a remnant.
  Write(groupInfo, GroupInfoFile({{first, 1}}, {"DRV", Path("BILL.ZLP")}, 0));
  Write(Path("RAW.ZLC"), kRawFile);
  in = Inputs("RAW.ZLC");
  in.formPaper = {0, 1};
  in.userPaper = {2, 2};
  in.entryCount = 1;
  ASSERT_EQ(Register(in), zv::RegistrationResult::kEndDialog);
  const std::string pool = Bytes().U16(3).Pooled(Path("BILL.ZLP")).Pooled(Path("RAW.ZLC")).str();
  const uint32_t rawAt = static_cast<uint32_t>(4 + Path("BILL.ZLP").size());
  EXPECT_EQ(Read(groupInfo), RawGroupInfo({{first, 1}, {RawRecord(2), 2}}, {0, 2, rawAt}, pool));
  EXPECT_EQ(Read(GroupListPath()), zvtest::GroupNameListFile({groupInfo}));
}

TEST_F(ExistingFileRegistrationTest, AMatchingEntryIsReplacedOnlyWhenTheUserSaysYes) {
  const PrintSettings a4 = Captured();
  const std::vector<Entry> entries = {{a4, 1}, {RawRecord(1), 2}};
  WriteCatalogue(GroupPath(), GroupInfoFile(entries, {"DRV", "_F300100.ZLP", "_F300101.ZLC"}, 0));
  Write(Path("_F300100.ZLP"), OverlayFile(a4));
  Write(Path("_F300101.ZLC"), kRawFile);
  PrintSettings header = a4;  // the same settings under another paper code
  header.paperCode = 77;
  Write(Path("NEW.ZLP"), OverlayFile(header));
  zv::ExistingFileRegistration in = Inputs("NEW.ZLP");
  in.filePaper = in.formPaper = {0, 1};
  in.entryCount = 2;

  const std::string before = Snapshot();
  EXPECT_EQ(Register(in, zvtest::kIdNo), zv::RegistrationResult::kStayOpen);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, Message(410));
  EXPECT_EQ(boxes_[0].caption, "Overlay");
  EXPECT_EQ(boxes_[0].buttons, (std::vector<int>{zvtest::kIdYes, zvtest::kIdNo}));
  EXPECT_EQ(Snapshot(), before);

  // Yes: the entry keeps its record and takes the new, longer name; the
  // program-made file with a header goes, a raw one stays.
  EXPECT_EQ(Register(in, zvtest::kIdYes), zv::RegistrationResult::kEndDialog);
  EXPECT_EQ(Read(GroupPath()), GroupInfoFile(entries, {"DRV", Path("NEW.ZLP"), "_F300101.ZLC"}, 0));
  EXPECT_FALSE(zvtest::FileExists(Path("_F300100.ZLP")));
  Write(Path("R.ZLC"), kRawFile);
  in = Inputs("R.ZLC");
  in.formPaper = {0, 1};
  ASSERT_EQ(Register(in, zvtest::kIdYes), zv::RegistrationResult::kEndDialog);
  EXPECT_EQ(Read(GroupPath()), GroupInfoFile(entries, {"DRV", Path("NEW.ZLP"), Path("R.ZLC")}, 0));
  EXPECT_EQ(Read(Path("_F300101.ZLC")), kRawFile);
}

// ---------------------------------------------------------------------------
// FindOverlayEntry and ReplaceOverlayFile

TEST_F(ExistingFileRegistrationTest, FindOverlayEntryComparesOnlyTheSettingsThatTellOverlaysApart) {
  const PrintSettings a4 = Captured();
  PrintSettings low = a4;
  low.resolution = 300;
  Write(GroupPath(), GroupInfoFile({{low, 0}, {a4, 1}, {a4, 2}}, {"D:\\X\\LOW.ZLP", "A.ZLP", "B.ZLP"}));
  char path[261];
  uint32_t index = 99;
  ASSERT_TRUE(zv::FindOverlayEntry(GroupPath().c_str(), low, path, &index));
  EXPECT_EQ(index, 0u);
  EXPECT_EQ(std::string(path), "D:\\X\\LOW.ZLP");

  // The first match wins; the fields outside the comparison do not count.
  PrintSettings wanted = a4;
  wanted.mark = wanted.paperValue3 = wanted.paperValue4 = wanted.outputValue3 = wanted.outputValue4 = 5;
  wanted.layer = 2;
  wanted.modelId = 1;
  wanted.paperCode = 77;
  wanted.outputCode = 78;
  ASSERT_TRUE(zv::FindOverlayEntry(GroupPath().c_str(), wanted, path, &index));
  EXPECT_EQ(index, 1u);
  EXPECT_EQ(std::string(path), Path("A.ZLP"));

  const std::vector<std::function<void(PrintSettings&)>> compared = {
      [](auto& s) { s.colour = 2; },       [](auto& s) { s.pagesPerSheet = 2; },
      [](auto& s) { s.printingMode = 3; }, [](auto& s) { s.resolution = 1200; },
      [](auto& s) { s.orientation = 2; },  [](auto& s) { s.paperWidth = 1; },
      [](auto& s) { s.paperHeight = 1; },  [](auto& s) { s.zoom = 50; },
      [](auto& s) { s.outputWidth = 1; },  [](auto& s) { s.outputHeight = 1; },
      [](auto& s) { s.modeLevel = 9; }};
  for (size_t i = 0; i < compared.size(); ++i) {
    PrintSettings changed = a4;
    compared[i](changed);
    zv::SetLastErrorCode(kUntouched);
    EXPECT_FALSE(zv::FindOverlayEntry(GroupPath().c_str(), changed, nullptr, nullptr)) << "field " << i;
    EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
  }
  EXPECT_FALSE(zv::FindOverlayEntry(Path("_F3002.FGP").c_str(), a4, nullptr, &index));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
}

TEST_F(ExistingFileRegistrationTest, ReplaceOverlayFileShrinksThePoolAndRefusesWhatItCannotName) {
  const PrintSettings a4 = Captured();
  Write(GroupPath(), GroupInfoFile({{a4, 0}, {a4, -1}, {a4, 1}}, {"_F300100.ZLP", "KEEP.ZLP"}));
  Write(Path("KEEP.ZLP"), OverlayFile(a4));
  const std::string same = Path("_F300100.ZLP");
  Write(same, OverlayFile(a4));
  const std::string before = Read(GroupPath());
  for (uint32_t index : {1u, 3u}) {  // no name; no such entry
    zv::SetLastErrorCode(kUntouched);
    EXPECT_FALSE(zv::ReplaceOverlayFile(GroupPath().c_str(), index, "X.ZLP"));
    EXPECT_EQ(zv::GetLastErrorCode(), 409u);
  }
  EXPECT_FALSE(zv::ReplaceOverlayFile(GroupPath().c_str(), 0, ""));
  EXPECT_FALSE(zv::ReplaceOverlayFile(GroupPath().c_str(), 0, std::string(261, 'N').c_str()));
  EXPECT_EQ(Read(GroupPath()), before);

  // The same file by its full path is not deleted.
  ASSERT_TRUE(zv::ReplaceOverlayFile(GroupPath().c_str(), 0, Upper(same).c_str()));
  EXPECT_TRUE(zvtest::FileExists(same));
  // A shorter name: the later text moves down and the file is cut.
  ASSERT_TRUE(zv::ReplaceOverlayFile(GroupPath().c_str(), 0, "S.ZLP"));
  // A name without the underscore is the user's own file: it stays.
  ASSERT_TRUE(zv::ReplaceOverlayFile(GroupPath().c_str(), 2, "K.ZLP"));
  EXPECT_EQ(Read(GroupPath()), GroupInfoFile({{a4, 0}, {a4, -1}, {a4, 1}}, {"S.ZLP", "K.ZLP"}));
  EXPECT_TRUE(zvtest::FileExists(Path("KEEP.ZLP")));
}

TEST_F(ExistingFileRegistrationTest, ReplaceOverlayFileReadsEachByteOnce) {
  const PrintSettings a4 = Captured();
  const std::string reserved = "RESERVED-BYTES16";
  std::string group = GroupInfoFile({{a4, 0}, {a4, 1}}, {"_F300100.ZLP", "KEEP.ZLP"});
  group.replace(32, 16, reserved);  // bytes the header record does not hold
  Write(GroupPath(), group);
  Write(Path("_F300100.ZLP"), OverlayFile(a4));
  plat::io::Reset();
  ASSERT_TRUE(zv::ReplaceOverlayFile(GroupPath().c_str(), 0, "LONGER-NAME.ZLP"));
  // The header; the entry; the old name's offset, length and text; the
  // pool behind it (moved up); the offset table (fixed); the old file's
  // first bytes (it had a header, so it went).
  const uint32_t table = 2 * 4;
  EXPECT_EQ(plat::io::Current().bytesRead, 64u + 38 + 4 + 2 + 12 + (2 + 8) + table + 5);
  EXPECT_FALSE(zvtest::FileExists(Path("_F300100.ZLP")));
  std::string expected = GroupInfoFile({{a4, 0}, {a4, 1}}, {"LONGER-NAME.ZLP", "KEEP.ZLP"});
  expected.replace(32, 16, reserved);
  EXPECT_EQ(Read(GroupPath()), expected);
}

}  // namespace
