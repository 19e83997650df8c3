// ZVSetFormConfirm: the questions put to the user about the driver's overlay
// settings, answered as scripted, against catalogues built byte by byte and
// the sample printer driver module for the capability list.
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/message_boxes.h"
#include "support/sample_driver.h"
#include "zvlmn30e.h"

namespace {

using zvtest::Bytes;
using zvtest::FormListFile;
using zvtest::GroupNameListFile;
using zvtest::kIdNo;
using zvtest::kIdOk;
using zvtest::kIdYes;

constexpr uint16_t kUse = 1;
// Two models, whose ids come before the one capability word in the list.
constexpr char kDriverSettings[] = "[Driver]\nModels = 0x4007, 0x4008\nCapabilities = 1\n";
constexpr uint16_t kCreate = 2;

using zvtest::SampleDriver;

// A zero-filled record of size bytes with little-endian fields given as
// triples: offset, width in bytes, value.
template <typename... Values>
std::string Fields(size_t size, Values... triples) {
  const uint32_t v[] = {static_cast<uint32_t>(triples)...};
  std::string bytes(size, '\0');
  for (size_t f = 0; f < sizeof v / sizeof v[0]; f += 3) {
    for (uint32_t i = 0; i < v[f + 1]; ++i) bytes[v[f] + i] = static_cast<char>(v[f + 2] >> (8 * i));
  }
  return bytes;
}

// A driver settings block: A4 portrait, black, 600 dpi, printing mode 0x10.
std::string BlockBytes(uint16_t printingMode = 0x10) {
  return Fields(56, 0, 2, 1, 4, 2, 2100, 6, 2, 2970, 12, 2, 9, 24, 2, 100, 28, 2, 2100, 30, 2, 2970, 36, 2, 9,
                44, 2, 600, 48, 2, 2, 50, 2, 1, 52, 2, 1, 54, 2, printingMode);
}

// A print settings record that matches BlockBytes() unless changed.
struct Record {
  uint8_t orientation = 1;
  uint16_t paperWidth = 2100;
  uint16_t outputWidth = 2100;
  uint16_t resolution = 600;
  uint8_t colour = 2;
  uint8_t printingMode = 0x10;
};

std::string RecordBytes(const Record& r) {
  return Fields(34, 0, 2, 1, 2, 1, 1, 3, 1, 1, 4, 2, 1, 6, 2, r.paperWidth, 8, 2, 2970, 14, 2, 9, 16, 1,
                r.orientation, 17, 2, r.resolution, 19, 1, r.colour, 20, 1, r.printingMode, 22, 2,
                r.outputWidth, 24, 2, 2970, 30, 2, 9, 32, 2, 100);
}

// A group info file of count entries with these settings, named E<i>.ZLP
// unless a name is given.
std::string GroupInfoFile(const Record& r, uint32_t count, const std::string& name = "") {
  Bytes records;
  Bytes table;
  Bytes pool;
  for (uint32_t i = 0; i < count; ++i) {
    records.Text(RecordBytes(r)).I32(static_cast<int32_t>(i));
    table.U32(static_cast<uint32_t>(pool.size()));
    pool.Pooled(name.empty() ? "E" + std::to_string(i) + ".ZLP" : name);
  }
  return Bytes().Text("ZEVROFORM GROUPINFO V1.0").I32(-1).I32(-1).Zeros(16).I32(-1).str() +
         Bytes().U32(count).U32(count).U32(static_cast<uint32_t>(pool.size())).str() + records.str() +
         table.str() + pool.str();
}

std::string MessageText(uint32_t id) {
  char text[plat::kPathBuffer];
  zv::LoadMessage(id, text, sizeof text);
  return text;
}

// How a box is expected to look: "?" and the text for a yes/no question,
// "!" and the text for a stop box with one OK button.
std::string Question(uint32_t id) {
  return "?" + MessageText(id);
}
std::string Stop(const std::string& text) {
  return "!" + text;
}

std::string Describe(const zvtest::SeenBox& box) {
  if (box.caption != zv::kBoxCaption) return "caption " + box.caption;
  if (box.buttons == std::vector<int>{kIdYes, kIdNo} && !box.stopIcon) return "?" + box.text;
  if (box.buttons == std::vector<int>{kIdOk} && box.stopIcon) return "!" + box.text;
  return "odd box " + box.text;
}

// Message 414 with the number in place of its "%ld".
std::string TooManyOverlays(uint32_t capacity) {
  std::string text = MessageText(zv::kMsgTooManyOverlays);
  const size_t at = text.find("%ld");
  return at == std::string::npos ? text : text.replace(at, 3, std::to_string(capacity));
}

struct Outcome {
  int32_t result;
  std::vector<std::string> boxes;
};

void PrintTo(const Outcome& o, std::ostream* os) {
  *os << "result " << o.result;
  for (const std::string& box : o.boxes) *os << " | " << box;
}

bool operator==(const Outcome& a, const Outcome& b) {
  return a.result == b.result && a.boxes == b.boxes;
}

class FormConfirmTest : public zvtest::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    ASSERT_TRUE(zvtest::FileExists(driver_)) << driver_ << " (build target ZVSAMPLE)";
    // The sample driver opens its settings file with the C library.
#ifdef _WIN32
    device_ = Path("DRIVER.INI");
#else
    char host[4096];
    ASSERT_TRUE(plat::posix::ToHostPath(Path("DRIVER.INI").c_str(), host, sizeof host));
    device_ = host;
#endif
    ASSERT_TRUE(zvtest::WriteWholeFile(Path("DRIVER.INI"), kDriverSettings));
  }

  void TearDown() override {
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }

  Outcome Confirm(int32_t id, uint16_t mode, std::vector<int> answers = {kIdNo},
                  const std::string& block = BlockBytes()) {
    Outcome outcome{};
    zvtest::MessageBoxWatcher watcher(answers);
    outcome.result = ZVSetFormConfirm(nullptr, block.data(), device_.c_str(), driver_.c_str(), id, mode);
    for (const zvtest::SeenBox& box : watcher.Boxes()) outcome.boxes.push_back(Describe(box));
    return outcome;
  }

  // Named form 5 with its group info file FORM5.FGP beside the lists, and
  // file entries -1 ("P", the overlay file LOGO.ZLP) and -2 ("C", NEW.ZLP
  // in the directory NEW).
  void WriteCatalogue(const std::string& groupInfo, const std::string& groupText = "FORM5.FGP") {
    WriteFormList(FormListFile({{5, "INVOICE", "", 1, 0}}, {{-1, "P", "", 1, 1}, {-2, "C", "", 1, 2}}, 2));
    WriteGroupList(GroupNameListFile({groupText, "LOGO.ZLP", Path("NEW\\NEW.ZLP")}));
    ASSERT_TRUE(zvtest::WriteWholeFile(Path("FORM5.FGP"), groupInfo));
  }

  void WriteOverlayFile(const Record& r) {
    const std::string header = Bytes().U32(319).Fixed("LOGO", 25).Zeros(256).str() + RecordBytes(r);
    ASSERT_TRUE(zvtest::WriteWholeFile(Path("LOGO.ZLP"), header + "page data"));
  }

  std::string driver_ = SampleDriver();
  std::string device_;
};

TEST_F(FormConfirmTest, NoFormAsksWhetherToChangeAndStops) {
  WriteCatalogue(GroupInfoFile(Record(), 1));
  EXPECT_EQ(Confirm(0, kUse, {kIdNo}), (Outcome{1, {Question(zv::kMsgNoFormSelectedChange)}}));
  EXPECT_EQ(Confirm(0, kUse, {kIdYes}), (Outcome{0, {Question(zv::kMsgNoFormSelectedChange)}}));
  EXPECT_EQ(Confirm(0, kCreate, {kIdNo}), (Outcome{1, {Question(zv::kMsgNoFormSelectedCreate)}}));
  EXPECT_EQ(Confirm(0, kCreate, {kIdYes}), (Outcome{0, {Question(zv::kMsgNoFormSelectedCreate)}}));
  // Other modes check nothing.
  EXPECT_EQ(Confirm(0, 3, {kIdYes}), (Outcome{1, {}}));
  EXPECT_EQ(Confirm(0, 0, {kIdYes}), (Outcome{1, {}}));
  EXPECT_EQ(Confirm(5, 0x101, {kIdYes}), (Outcome{1, {}}));
}

TEST_F(FormConfirmTest, UseAsksOnlyWhenNothingMatches) {
  WriteCatalogue(GroupInfoFile(Record(), 1));
  WriteOverlayFile(Record());
  EXPECT_EQ(Confirm(5, kUse, {kIdYes}), (Outcome{1, {}}));
  EXPECT_EQ(Confirm(-1, kUse, {kIdYes}), (Outcome{1, {}}));

  Record landscape;
  landscape.orientation = 2;
  WriteCatalogue(GroupInfoFile(landscape, 1));
  const std::string noMatch = Question(zv::kMsgNoMatchingOverlayChange);
  EXPECT_EQ(Confirm(5, kUse, {kIdYes}), (Outcome{0, {noMatch}}));
  EXPECT_EQ(Confirm(5, kUse, {kIdNo}), (Outcome{1, {noMatch}}));
}

TEST_F(FormConfirmTest, UseQuestionsAFileEntryNotMadeForPrintingThenStillSearches) {
  WriteCatalogue(GroupInfoFile(Record(), 1));
  const std::string noForm = Question(zv::kMsgNoFormSelectedChange);
  const std::string noMatch = Question(zv::kMsgNoMatchingOverlayChange);
  // "C" is never found by the search, so the second question follows.
  EXPECT_EQ(Confirm(-2, kUse, {kIdNo, kIdNo}), (Outcome{1, {noForm, noMatch}}));
  EXPECT_EQ(Confirm(-2, kUse, {kIdYes, kIdNo}), (Outcome{0, {noForm, noMatch}}));
  EXPECT_EQ(Confirm(-2, kUse, {kIdNo, kIdYes}), (Outcome{0, {noForm, noMatch}}));
  // An identifier no file entry has.
  EXPECT_EQ(Confirm(-9, kUse, {kIdNo, kIdNo}), (Outcome{1, {noForm, noMatch}}));
}

TEST_F(FormConfirmTest, CreateOverAMatchAsksOnlyForTheSameResolutionAndMode) {
  const std::string overwrite = Question(zv::kMsgOverwriteMatchingOverlay);
  WriteCatalogue(GroupInfoFile(Record(), 1));
  EXPECT_EQ(Confirm(5, kCreate, {kIdYes}), (Outcome{1, {overwrite}}));
  EXPECT_EQ(Confirm(5, kCreate, {kIdNo}), (Outcome{0, {overwrite}}));
  // The whole printing mode word of the block must equal the mode byte.
  EXPECT_EQ(Confirm(5, kCreate, {kIdNo}, BlockBytes(0x0110)), (Outcome{1, {}}));

  Record other;
  other.resolution = 300;
  WriteCatalogue(GroupInfoFile(other, 1));
  EXPECT_EQ(Confirm(5, kCreate, {kIdNo}), (Outcome{1, {}}));
  other = Record();
  other.printingMode = 0x00;
  WriteCatalogue(GroupInfoFile(other, 1));
  EXPECT_EQ(Confirm(5, kCreate, {kIdNo}), (Outcome{1, {}}));
  // A file at a drive root: the root is its directory.
  WriteCatalogue(GroupInfoFile(other, 1, "C:\\ROOT.ZLP"));
  EXPECT_EQ(Confirm(5, kCreate, {kIdOk}), (Outcome{1, {}}));

  // The matching file's directory is gone.
  WriteCatalogue(GroupInfoFile(Record(), 1, Path("GONE\\E.ZLP")));
  EXPECT_EQ(Confirm(5, kCreate, {kIdOk}), (Outcome{0, {Stop(MessageText(zv::kMsgDirectoryMissing))}}));
}

TEST_F(FormConfirmTest, CreateQuestionsAPrintEntryThenStillChecksItsData) {
  Record r;
  r.resolution = 300;
  WriteCatalogue(GroupInfoFile(r, 1));
  WriteOverlayFile(r);
  const std::string noForm = Question(zv::kMsgNoFormSelectedCreate);
  EXPECT_EQ(Confirm(-1, kCreate, {kIdYes}), (Outcome{0, {noForm}}));
  EXPECT_EQ(Confirm(-1, kCreate, {kIdNo}), (Outcome{1, {noForm}}));
  WriteOverlayFile(Record());
  EXPECT_EQ(Confirm(-1, kCreate, {kIdNo, kIdNo}),
            (Outcome{0, {noForm, Question(zv::kMsgOverwriteMatchingOverlay)}}));

  // A capture entry fits; the place of its new file must exist.
  EXPECT_EQ(Confirm(-2, kCreate, {kIdOk}), (Outcome{0, {Stop(MessageText(zv::kMsgDirectoryMissing))}}));
  ASSERT_TRUE(plat::CreateDirectory(Path("NEW").c_str()));
  EXPECT_EQ(Confirm(-2, kCreate, {kIdYes}), (Outcome{1, {}}));
}

TEST_F(FormConfirmTest, CreateWithAFullGroupShowsTheCapacityAndAsksNothingMore) {
  Record landscape;
  landscape.orientation = 2;
  WriteCatalogue(GroupInfoFile(landscape, 256));
  EXPECT_EQ(Confirm(5, kCreate, {kIdOk, kIdYes}), (Outcome{0, {Stop(TooManyOverlays(256))}}));
  WriteCatalogue(GroupInfoFile(landscape, 255));
  EXPECT_EQ(Confirm(5, kCreate, {kIdNo}), (Outcome{1, {Question(zv::kMsgPaperOrientationDiffersFromForm)}}));

  // The capacity is the size of the configured overlay number range.
  ASSERT_TRUE(zvtest::WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\nF3CMD=10,12\r\n"));
  WriteCatalogue(GroupInfoFile(landscape, 3));
  EXPECT_EQ(Confirm(5, kCreate, {kIdOk}), (Outcome{0, {Stop(TooManyOverlays(3))}}));
  WriteCatalogue(GroupInfoFile(landscape, 2));
  EXPECT_EQ(Confirm(5, kCreate, {kIdYes}), (Outcome{0, {Question(zv::kMsgPaperOrientationDiffersFromForm)}}));
}

TEST_F(FormConfirmTest, CreateAsksAboutPaperAndOrientationOnlyForThoseReasons) {
  const std::string differs = Question(zv::kMsgPaperOrientationDiffersFromForm);
  Record landscape;
  landscape.orientation = 2;
  Record otherPaper;
  otherPaper.paperWidth = 2101;
  Record otherOutput;
  otherOutput.outputWidth = 2099;
  Record colour;
  colour.colour = 1;
  const struct {
    Record record;
    bool asked;
  } cases[] = {{landscape, true}, {otherPaper, true}, {otherOutput, false}, {colour, false}};
  for (const auto& c : cases) {
    WriteCatalogue(GroupInfoFile(c.record, 1));
    const std::vector<std::string> boxes =
        c.asked ? std::vector<std::string>{differs} : std::vector<std::string>{};
    EXPECT_EQ(Confirm(5, kCreate, {kIdYes}), (Outcome{c.asked ? 0 : 1, boxes}));
    EXPECT_EQ(Confirm(5, kCreate, {kIdNo}), (Outcome{1, boxes}));
  }
}

TEST_F(FormConfirmTest, CreateWithoutAMatchNeedsTheFormsDirectory) {
  // The group info file lies in a directory that is gone: nothing found,
  // nothing counted, and its directory missing.
  Record landscape;
  landscape.orientation = 2;
  WriteCatalogue(GroupInfoFile(landscape, 1), Path("GONE\\FORM5.FGP"));
  const std::string missing = Stop(MessageText(zv::kMsgDirectoryMissing));
  EXPECT_EQ(Confirm(5, kCreate, {kIdOk}), (Outcome{0, {missing}}));
  // A form without a group yet: its save directory is tested as it is.
  WriteCatalogue(GroupInfoFile(landscape, 1), Path("SAVED"));
  EXPECT_EQ(Confirm(5, kCreate, {kIdOk}), (Outcome{0, {missing}}));
  ASSERT_TRUE(plat::CreateDirectory(Path("SAVED").c_str()));
  EXPECT_EQ(Confirm(5, kCreate, {kIdNo}), (Outcome{1, {}}));
}

TEST_F(FormConfirmTest, WithoutCapabilitiesOnlyTheFileEntryIsQuestioned) {
  WriteCatalogue(GroupInfoFile(Record(), 1, Path("GONE\\E.ZLP")));
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("DRIVER.INI"),
                                     "[Driver]\nModels = 1\nCapabilities = 1\nFailCapabilities = 1\n"));
  EXPECT_EQ(Confirm(5, kCreate, {kIdYes}), (Outcome{1, {}}));
  EXPECT_EQ(Confirm(-2, kUse, {kIdYes}), (Outcome{0, {Question(zv::kMsgNoFormSelectedChange)}}));
  driver_ = Path("MISSING.DLL");
  EXPECT_EQ(Confirm(5, kUse, {kIdYes}), (Outcome{1, {}}));
}

TEST_F(FormConfirmTest, MissingCatalogueAndMemory) {
  // No form name list: nothing is found, and the file entry has no name.
  const std::string noForm = Question(zv::kMsgNoFormSelectedChange);
  const std::string noMatch = Question(zv::kMsgNoMatchingOverlayChange);
  EXPECT_EQ(Confirm(5, kUse, {kIdNo}), (Outcome{1, {noMatch}}));
  EXPECT_EQ(Confirm(-1, kUse, {kIdNo}), (Outcome{1, {noForm, noMatch}}));
  EXPECT_EQ(Confirm(5, kCreate, {kIdYes}), (Outcome{1, {}}));

  const Outcome noMemory{0, {Stop(MessageText(zv::kMsgNoWorkArea))}};
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(Confirm(0, kUse, {kIdOk}), noMemory);
}

}  // namespace
