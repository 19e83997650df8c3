// Registering an existing overlay file under a named form: the paper agreement and its refusals, a new entry
// or, on Yes, the replacement of a matching one, and the group info file operations behind them, with the
// catalogue compared byte for byte and message boxes answered as a user.
#include "maintenance/existing_file_registration.h"

#include <gtest/gtest.h>

#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "maintenance/deletion.h"
#include "maintenance/maintenance_fixture.h"
#include "support/message_boxes.h"

namespace {

using namespace zvtest;
using zv::PrintSettings;

const zv::PaperEntry kPapers[] = {
    {1, 2100, 2970, 11, 12, 9, "A4"}, {1, 2159, 2794, 21, 22, 1, "Letter"}, {1, 2970, 4200, 31, 32, 8, "A3"}};
constexpr zv::PaperChoice kNone = {zv::kNoPaper, 0};
const std::string kRawFile =
    "\x1D"
    "0;0.24muE-raw";  // raw 600-dpi printer data

PrintSettings WithPaper(PrintSettings s, const zv::PaperEntry& paper, uint8_t orientation, uint8_t layer) {
  s.paperWidth = int16_t(paper.width);
  s.paperHeight = int16_t(paper.length);
  s.paperValue3 = paper.value3;
  s.paperValue4 = paper.value4;
  s.paperCode = paper.code;
  s.orientation = orientation;
  s.layer = layer;
  return s;
}
// A capture's record (A4 portrait, 600 dpi colour, layer 1), and the raw file's.
const PrintSettings kCaptured = {1,   1, 3, 7, 2100, 2970, 11, 12, 9, 1,
                                 600, 1, 2, 0, 2100, 2970, 0,  0,  9, 100};
PrintSettings RawRecord(uint8_t layer) {
  return WithPaper({1, 0, 1, 0xFFFF, 0, 0, 0, 0, 0, 0, 600, 2, 0, 0, 0, 0, 0, 0, 0, 100}, kPapers[0], 1,
                   layer);
}
const auto Rec = SettingsRecordBytes;
std::string OverlayFile(const PrintSettings& s) {
  return OverlayDataFile("Invoice", "Bill", Rec(s), "PAGE");
}

class ExistingFileRegistrationTest : public MaintenanceTest {
 protected:
  static constexpr char kGroupInfo[] = "_F3001.FGP";
  std::string GroupPath() const { return Path(kGroupInfo); }
  // Form 1, "Invoice", at the back, with its group text and group info file.
  void WriteCatalogue(const std::string& groupText, const std::string& groupInfo = "") {
    WriteFormList(FormListFile({{1, "Invoice", "Bill", 2, 0}}, {}));
    WriteGroupList(GroupNameListFile({groupText}));
    if (!groupInfo.empty()) Write(GroupPath(), groupInfo);
  }
  zv::ExistingFileRegistration Inputs(const std::string& file) {
    filePath_ = Path(file);
    return {1, "Invoice", "Bill", 2, filePath_.c_str(), kNone, kNone, {0, 1}, kPapers, 3, 256, 0, nullptr};
  }
  zv::RegistrationResult Register(const zv::ExistingFileRegistration& in, int answer = kIdOk,
                                  std::function<void()> whileOpen = nullptr, int32_t* formId = nullptr) {
    MessageBoxWatcher watcher(answer);
    watcher.WhileOpen(whileOpen);
    const zv::RegistrationResult result = zv::RegisterExistingFile(in, formId);
    boxes_ = watcher.Boxes();
    return result;
  }
  std::string filePath_;
  std::vector<SeenBox> boxes_;
};

TEST_F(ExistingFileRegistrationTest, RefusalsShowTheirMessageAndWriteNothing) {
  WriteCatalogue(GroupPath(),
                 GroupInfoFile({{Rec(WithPaper(kCaptured, kPapers[0], 2, 2)), 0}}, {"_F300100.ZLP"}));
  PrintSettings low = kCaptured;  // a header that names no paper size
  low.resolution = 300;
  low.paperWidth = low.paperHeight = 0;
  Write(Path("LOW.ZLP"), OverlayFile(low));
  const std::string before = Snapshot({kGroupInfo});
  struct Case {
    zv::PaperChoice file, form, user;
    uint16_t paperCount;
    uint32_t capacity, message;
  };
  const Case cases[] = {
      {{0, 1}, {0, 2}, {0, 1}, 3, 256, 412},  // another orientation
      {{1, 2}, {0, 2}, {0, 1}, 3, 256, 412},  // another paper
      {kNone, {0, 2}, {0, 1}, 3, 300, 414},   // the group is full
      {kNone, kNone, kNone, 3, 256, 409},     // no paper selected, none in the header
      {kNone, kNone, {0, 1}, 0, 256, 409},    // no paper list, none in the header
      {kNone, kNone, {0, 1}, 3, 256, 401},    // no memory
  };
  for (const Case& c : cases) {
    zv::ExistingFileRegistration in = Inputs("LOW.ZLP");
    in.filePaper = c.file;
    in.formPaper = c.form;
    in.userPaper = c.user;
    in.paperCount = c.paperCount;
    in.overlayCapacity = c.capacity;
    in.entryCount = 300;
    if (c.message == 401) fault::FailNth(fault::kAlloc, 1);
    EXPECT_EQ(Register(in), zv::RegistrationResult::kStayOpen) << c.message;
    ASSERT_EQ(boxes_.size(), 1u);
    // 300: a number whose digits tell 10 from 11
    EXPECT_EQ(boxes_[0].text, Message(c.message, c.message == 414 ? "300" : ""));
    EXPECT_EQ(boxes_[0].caption + std::to_string(boxes_[0].stopIcon), "Overlay1");
    EXPECT_EQ(boxes_[0].buttons, std::vector<int>{kIdOk});
    EXPECT_EQ(zv::GetLastErrorCode(), c.message);
    EXPECT_EQ(Snapshot({kGroupInfo}), before);
  }
}

TEST_F(ExistingFileRegistrationTest, TheFirstRegistrationNamesTheGroupInfoFileAndTheSecondAppends) {
  // A file of no known paper under a form without overlays takes the dialog's paper and orientation and the
  // form's layer; a group without a file has no entries, whatever count the caller passed.
  WriteCatalogue(Dir());
  PrintSettings header = kCaptured;
  header.paperCode = 0;
  Write(Path("BILL.ZLP"), OverlayFile(header));
  zv::ExistingFileRegistration in = Inputs("BILL.ZLP");
  in.userPaper = {1, 2};
  in.entryCount = 300;
  ASSERT_EQ(Register(in), zv::RegistrationResult::kEndDialog);
  EXPECT_TRUE(boxes_.empty());
  const std::string groupInfo = Upper(Dir() + "_F3001.FGP");
  const std::string first = Rec(WithPaper(header, kPapers[1], 2, 2));
  EXPECT_EQ(Read(groupInfo), GroupInfoFile({{first, 0}}, {Path("BILL.ZLP")}));
  EXPECT_EQ(Read(GroupListPath()), GroupNameListFile({groupInfo}));
  EXPECT_EQ(Read(FormListPath()), FormListFile({{1, "Invoice", "Bill", 2, 0}}, {}));
  // A raw file takes the paper of the form's overlays, not the dialog's; the driver's first group string
  // goes, leaving its length.
  Write(groupInfo, GroupInfoFile({{first, 1}}, {"DRV", Path("BILL.ZLP")}, 0));
  Write(Path("RAW.ZLC"), kRawFile);
  in = Inputs("RAW.ZLC");
  in.formPaper = {0, 1};
  in.userPaper = {2, 2};
  in.entryCount = 1;
  ASSERT_EQ(Register(in), zv::RegistrationResult::kEndDialog);
  const std::string pool = Bytes().U16(3).Pooled(Path("BILL.ZLP")).Pooled(Path("RAW.ZLC")).str();
  EXPECT_EQ(Read(groupInfo), RawGroupInfoFile({{first, 1}, {Rec(RawRecord(2)), 2}},
                                              {0, 2, uint32_t(4 + Path("BILL.ZLP").size())}, pool));
}

TEST_F(ExistingFileRegistrationTest, WithoutAPaperListTheHeaderGivesThePaperAndANewFormIsMadeLast) {
  // A new form under a driver that gives no paper list: refused when the header names no paper, and then
  // not made; made and registered with the header's own paper when it names one.
  WriteCatalogue(Dir());
  PrintSettings none = kCaptured;
  none.paperHeight = 0;
  Write(Path("NONE.ZLP"), OverlayFile(none));
  Write(Path("BILL.ZLP"), OverlayFile(kCaptured));
  const std::string dir = Dir(), before = Snapshot({});
  filePath_ = Path("NONE.ZLP");
  zv::ExistingFileRegistration in = {0,       "Memo", "Note", 1, filePath_.c_str(), kNone,      kNone, kNone,
                                     nullptr, 0,      256,    0, nullptr,           dir.c_str()};
  int32_t made = 0;
  EXPECT_EQ(Register(in, kIdOk, nullptr, &made), zv::RegistrationResult::kStayOpen);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, Message(409));
  EXPECT_EQ(Snapshot({}), before);
  filePath_ = Path("BILL.ZLP");
  in.filePath = filePath_.c_str();
  ASSERT_EQ(Register(in, kIdOk, nullptr, &made), zv::RegistrationResult::kEndDialog);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(made, 2);
  EXPECT_EQ(Read(FormListPath()),
            FormListFile({{1, "Invoice", "Bill", 2, 0}, {2, "Memo", "Note", 1, 1}}, {}));
  EXPECT_EQ(Read(GroupListPath()), GroupNameListFile({Dir(), Upper(Dir() + "_F3002.FGP")}));
  EXPECT_EQ(Read(Dir() + "_F3002.FGP"), GroupInfoFile({{Rec(kCaptured), 0}}, {filePath_}));
}

TEST_F(ExistingFileRegistrationTest, AMatchingEntryIsReplacedOnlyWhenTheUserSaysYes) {
  const std::vector<GroupInfoEntry> entries = {{Rec(kCaptured), 1}, {Rec(RawRecord(1)), 2}};
  WriteCatalogue(GroupPath(), GroupInfoFile(entries, {"DRV", "_F300100.ZLP", "_F300101.ZLC"}, 0));
  Write(Path("_F300100.ZLP"), OverlayFile(kCaptured));
  Write(Path("_F300101.ZLC"), kRawFile);
  PrintSettings other = kCaptured;  // the same settings under another paper code
  other.paperCode = 77;
  Write(Path("NEW.ZLP"), OverlayFile(other));
  zv::ExistingFileRegistration in = Inputs("NEW.ZLP");
  in.filePaper = in.formPaper = {0, 1};
  in.entryCount = 2;
  const std::string before = Snapshot({kGroupInfo});
  EXPECT_EQ(Register(in, kIdNo), zv::RegistrationResult::kStayOpen);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, Message(410));
  EXPECT_EQ(boxes_[0].buttons, (std::vector<int>{kIdYes, kIdNo}));
  EXPECT_EQ(Snapshot({kGroupInfo}), before);
  // Yes: the entry keeps its record and takes the new name; the program's file goes, a raw one stays.
  EXPECT_EQ(Register(in, kIdYes), zv::RegistrationResult::kEndDialog);
  EXPECT_EQ(Read(GroupPath()), GroupInfoFile(entries, {"DRV", Path("NEW.ZLP"), "_F300101.ZLC"}, 0));
  EXPECT_FALSE(FileExists(Path("_F300100.ZLP")));
  Write(Path("R.ZLC"), kRawFile);
  in = Inputs("R.ZLC");
  in.formPaper = {0, 1};
  ASSERT_EQ(Register(in, kIdYes), zv::RegistrationResult::kEndDialog);
  EXPECT_EQ(Read(GroupPath()), GroupInfoFile(entries, {"DRV", Path("NEW.ZLP"), Path("R.ZLC")}, 0));
  EXPECT_EQ(Read(Path("_F300101.ZLC")), kRawFile);
}

TEST_F(ExistingFileRegistrationTest, TheEntryToReplaceIsFoundAgainAfterTheQuestion) {
  // Entries 0 and 2 are other captures; entry 1 matches the file. While the question is open, another
  // writer removes entry 0, or the matching entry itself.
  PrintSettings low = kCaptured, high = kCaptured;
  low.resolution = 300;
  high.resolution = 1200;
  const std::string a = Rec(low), b = Rec(kCaptured), c = Rec(high);
  const std::vector<std::string> files = {"_F300100.ZLP", "_F300101.ZLP", "_F300102.ZLP"};
  struct Row {
    uint32_t removed;
    zv::RegistrationResult result;
    std::string after;
    std::vector<std::string> gone;
  };
  const Row rows[] = {
      {0,
       zv::RegistrationResult::kEndDialog,
       GroupInfoFile({{b, 0}, {c, 1}}, {Path("NEW.ZLP"), files[2]}),
       {files[0], files[1]}},
      {1,
       zv::RegistrationResult::kStayOpen,
       GroupInfoFile({{a, 0}, {c, 1}}, {files[0], files[2]}),
       {files[1]}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.removed);
    WriteCatalogue(GroupPath(), GroupInfoFile({{a, 0}, {b, 1}, {c, 2}}, files));
    for (const std::string& name : files) Write(Path(name), OverlayFile(kCaptured));
    Write(Path("NEW.ZLP"), OverlayFile(kCaptured));
    zv::ExistingFileRegistration in = Inputs("NEW.ZLP");
    in.filePaper = in.formPaper = {0, 1};
    in.entryCount = 3;
    uint32_t flags[3] = {};
    flags[r.removed] = 1;
    bool asked = false;  // the other writer removes the entry while the question is open, once
    EXPECT_EQ(Register(in, kIdYes,
                       [&] {
                         EXPECT_TRUE(asked || zv::DeleteOverlayEntries(1, flags, 3));
                         asked = true;
                       }),
              r.result);
    EXPECT_EQ(Read(GroupPath()), r.after);
    for (const std::string& name : files)
      EXPECT_EQ(FileExists(Path(name)), std::find(r.gone.begin(), r.gone.end(), name) == r.gone.end())
          << name;
    // The question, and the refusal when the entry is gone.
    const size_t shown = r.result == zv::RegistrationResult::kEndDialog ? 1 : 2;
    ASSERT_EQ(boxes_.size(), shown);
    EXPECT_EQ(boxes_[shown - 1].text, Message(shown == 1 ? 410 : 409));
  }
}

TEST_F(ExistingFileRegistrationTest, AGroupInfoFileThatCannotBeOpenedIsNoProofThatNoEntryMatches) {
  // Another writer holds the group info file while the registration looks for a matching entry, and has
  // let it go when an entry would be added: the group must not get a second entry for the same settings.
  const std::string group = GroupInfoFile({{Rec(kCaptured), 0}}, {"_F300100.ZLP"});
  WriteCatalogue(GroupPath(), group);
  Write(Path("_F300100.ZLP"), OverlayFile(kCaptured));
  Write(Path("NEW.ZLP"), OverlayFile(kCaptured));
  zv::ExistingFileRegistration in = Inputs("NEW.ZLP");
  in.filePaper = in.formPaper = {0, 1};
  in.entryCount = 1;
  // The open that follows those that read the file's settings and find the form's group.
  fault::Reset();
  PrintSettings settings;
  char path[plat::kPathBuffer];
  zv::ReadOverlaySettings(filePath_.c_str(), in.layer, &settings);
  zv::GetFormGroupPath(1, path);
  const uint32_t groupOpen = fault::CallCount(fault::kOpen) + 1;
  fault::Reset();
  fault::FailNth(fault::kOpen, groupOpen);
  EXPECT_EQ(Register(in, kIdYes), zv::RegistrationResult::kStayOpen);
  fault::Reset();
  EXPECT_EQ(zv::GetLastErrorCode(), 409u);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, Message(409));
  EXPECT_EQ(Read(GroupPath()), group);
}

TEST_F(ExistingFileRegistrationTest, ReplaceOverlayFileRenamesTheEntryOrRefusesWhatItCannotName) {
  const std::string a4 = Rec(kCaptured), same = Path("_F300100.ZLP");
  Write(GroupPath(), GroupInfoFile({{a4, 0}, {a4, -1}, {a4, 1}}, {"_F300100.ZLP", "KEEP.ZLP"}));
  Write(Path("KEEP.ZLP"), OverlayFile(kCaptured));
  Write(same, OverlayFile(kCaptured));
  const std::string before = Read(GroupPath());
  // no name; no such entry; empty; too long
  const std::pair<uint32_t, std::string> refused[] = {
      {1, "X.ZLP"}, {3, "X.ZLP"}, {0, ""}, {0, std::string(261, 'N')}};
  for (const auto& [index, name] : refused) {
    zv::SetLastErrorCode(kUntouched);
    EXPECT_FALSE(zv::ReplaceOverlayFile(GroupPath().c_str(), index, name.c_str())) << index << name;
    EXPECT_EQ(zv::GetLastErrorCode(), 409u);
  }
  EXPECT_EQ(Read(GroupPath()), before);
  ASSERT_TRUE(zv::ReplaceOverlayFile(GroupPath().c_str(), 2, std::string(260, 'N').c_str()));  // the longest
  ASSERT_TRUE(zv::ReplaceOverlayFile(GroupPath().c_str(), 0, Upper(same).c_str()));
  EXPECT_TRUE(FileExists(same));  // the same file by its full path stays
  ASSERT_TRUE(zv::ReplaceOverlayFile(GroupPath().c_str(), 0, "S.ZLP"));  // shorter: the pool moves down
  ASSERT_TRUE(zv::ReplaceOverlayFile(GroupPath().c_str(), 2, "K.ZLP"));  // no underscore: the user's own file
  EXPECT_EQ(Read(GroupPath()), GroupInfoFile({{a4, 0}, {a4, -1}, {a4, 1}}, {"S.ZLP", "K.ZLP"}));
  EXPECT_TRUE(FileExists(Path("KEEP.ZLP")));
  // A longer name; the header bytes its record does not hold stay.
  std::string group = GroupInfoFile({{a4, 0}, {a4, 1}}, {"_F300100.ZLP", "KEEP.ZLP"});
  group.replace(32, 16, "RESERVED-BYTES16");
  Write(GroupPath(), group);
  Write(same, OverlayFile(kCaptured));
  ASSERT_TRUE(zv::ReplaceOverlayFile(GroupPath().c_str(), 0, "LONGER-NAME.ZLP"));
  EXPECT_FALSE(FileExists(same));
  std::string expected = GroupInfoFile({{a4, 0}, {a4, 1}}, {"LONGER-NAME.ZLP", "KEEP.ZLP"});
  EXPECT_EQ(Read(GroupPath()), expected.replace(32, 16, "RESERVED-BYTES16"));
  // A damaged entry that names the group info file itself: the file stays, the entry renamed.
  Write(GroupPath(), GroupInfoFile({{a4, 0}}, {kGroupInfo}));
  ASSERT_TRUE(zv::ReplaceOverlayFile(GroupPath().c_str(), 0, "_F300101.ZLP"));
  EXPECT_EQ(Read(GroupPath()), GroupInfoFile({{a4, 0}}, {"_F300101.ZLP"}));
}

}  // namespace
