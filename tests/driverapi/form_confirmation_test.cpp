// ZVSetFormConfirm: the questions put to the user about the driver's overlay
// settings, answered as scripted, on catalogues built byte by byte, with the
// sample printer driver module giving the capability list.
#ifndef _WIN32
#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driverapi/driver_blocks.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/sample_driver.h"
#include "zvlmn30e.h"

namespace {

using dtest::Rec;
using zvtest::kIdNo;
using zvtest::kIdOk;
using zvtest::kIdYes;

enum : uint16_t { kUse = 1, kCreate = 2 };
std::string Q(uint32_t id) {
  return " ?" + std::to_string(id);
}
std::string S(uint32_t id) {
  return " !" + std::to_string(id);
}
const std::string kNoFormUse = Q(zv::kMsgNoFormSelectedChange),
                  kNoFormCreate = Q(zv::kMsgNoFormSelectedCreate),
                  kNoMatch = Q(zv::kMsgNoMatchingOverlayChange),
                  kOverwrite = Q(zv::kMsgOverwriteMatchingOverlay),
                  kDiffers = Q(zv::kMsgPaperOrientationDiffersFromForm), kNoDir = S(zv::kMsgDirectoryMissing);

// The record matching the block of the tests: black, 600 dpi, printing mode 0x10.
zv::PrintSettings Matching() {
  zv::PrintSettings s = Rec();
  s.printingMode = 0x10;
  return s;
}

// A group info file of count entries with these settings, named E<i>.ZLP
// unless a name is given.
std::string Group(const zv::PrintSettings& s, uint32_t count = 1, const std::string& name = "") {
  std::vector<zvtest::GroupInfoEntry> entries;
  std::vector<std::string> texts;
  for (uint32_t i = 0; i < count; ++i) {
    entries.push_back({dtest::Bytes(s), static_cast<int32_t>(i)});
    texts.push_back(name.empty() ? "E" + std::to_string(i) + ".ZLP" : name);
  }
  return zvtest::GroupInfoFile(entries, texts);
}

struct Case {
  int32_t id;
  uint16_t mode;
  std::vector<int> answers;
  std::string expected;  // the result, then the boxes
  uint16_t printingMode = 0x10;
};

class FormConfirmTest : public zvtest::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    ASSERT_TRUE(zvtest::FileExists(driver_)) << driver_ << " (build target ZVSAMPLE)";
#ifdef _WIN32
    device_ = Path("DRIVER.INI");
#else
    char host[4096];  // the sample opens its settings file with the C library
    ASSERT_TRUE(plat::posix::ToHostPath(Path("DRIVER.INI").c_str(), host, sizeof host));
    device_ = host;
#endif
    // Two models, whose ids come before the one capability word in the list.
    ASSERT_TRUE(
        zvtest::WriteWholeFile(Path("DRIVER.INI"), "[Driver]\nModels = 0x4007, 0x4008\nCapabilities = 3\n"));
  }
  void TearDown() override {
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }

  void Expect(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      const std::string block = dtest::BlockBytes({}, c.printingMode);
      zvtest::MessageBoxWatcher watcher(c.answers);
      const int32_t result =
          ZVSetFormConfirm(nullptr, block.data(), device_.c_str(), driver_.c_str(), c.id, c.mode);
      EXPECT_EQ(std::to_string(result) + dtest::Boxes(watcher.Boxes()), c.expected)
          << "form " << c.id << " mode " << c.mode << " first answer " << c.answers[0];
    }
  }

  // Named form 5 with its group info file FORM5.FGP beside the lists, and
  // file entries -1 ("P", the overlay file LOGO.ZLP) and -2 ("C", NEW.ZLP
  // in the directory NEW).
  void WriteCatalogue(const std::string& groupInfo, const std::string& groupText = "FORM5.FGP") {
    WriteFormList(
        zvtest::FormListFile({{5, "INVOICE", "", 1, 0}}, {{-1, "P", "", 1, 1}, {-2, "C", "", 1, 2}}, 2));
    WriteGroupList(zvtest::GroupNameListFile({groupText, "LOGO.ZLP", Path("NEW\\NEW.ZLP")}));
    ASSERT_TRUE(zvtest::WriteWholeFile(Path("FORM5.FGP"), groupInfo));
  }
  void WriteOverlayFile(const zv::PrintSettings& s) {
    ASSERT_TRUE(
        zvtest::WriteWholeFile(Path("LOGO.ZLP"), zvtest::OverlayDataFile("LOGO", "", dtest::Bytes(s))));
  }

  std::string driver_ = zvtest::SampleDriver();
  std::string device_;
};

TEST_F(FormConfirmTest, NoFormAndUse) {
  WriteCatalogue(Group(Matching()));
  WriteOverlayFile(Matching());
  Expect({{0, kUse, {kIdNo}, "1" + kNoFormUse},
          {0, kUse, {kIdYes}, "0" + kNoFormUse},
          {0, kCreate, {kIdNo}, "1" + kNoFormCreate},
          {0, kCreate, {kIdYes}, "0" + kNoFormCreate},
          {0, 3, {kIdYes}, "1"},  // other modes check nothing
          {0, 0, {kIdYes}, "1"},
          {5, 0x101, {kIdYes}, "1"},
          {5, kUse, {kIdYes}, "1"},
          {-1, kUse, {kIdYes}, "1"},
          // "C" is never found by the search, so the second question follows.
          {-2, kUse, {kIdNo, kIdNo}, "1" + kNoFormUse + kNoMatch},
          {-2, kUse, {kIdYes, kIdNo}, "0" + kNoFormUse + kNoMatch},
          {-2, kUse, {kIdNo, kIdYes}, "0" + kNoFormUse + kNoMatch},
          {-9, kUse, {kIdNo, kIdNo}, "1" + kNoFormUse + kNoMatch}});
  zv::PrintSettings landscape = Matching();
  landscape.orientation = 2;
  WriteCatalogue(Group(landscape));
  Expect({{5, kUse, {kIdYes}, "0" + kNoMatch}, {5, kUse, {kIdNo}, "1" + kNoMatch}});
}

TEST_F(FormConfirmTest, CreateOverAMatchAsksOnlyForTheSameResolutionAndMode) {
  WriteCatalogue(Group(Matching()));
  Expect({{5, kCreate, {kIdYes}, "1" + kOverwrite},
          {5, kCreate, {kIdNo}, "0" + kOverwrite},
          // The whole printing mode word of the block must equal the mode byte.
          {5, kCreate, {kIdNo}, "1", 0x0110}});
  zv::PrintSettings at300 = Matching(), unscreened = Matching();
  at300.resolution = 300;
  unscreened.printingMode = 0x00;
  for (const std::string& group : {Group(at300), Group(unscreened), Group(unscreened, 1, "C:\\ROOT.ZLP")}) {
    WriteCatalogue(group);
    Expect({{5, kCreate, {kIdNo}, "1"}});
  }
  WriteCatalogue(Group(Matching(), 1, Path("GONE\\E.ZLP")));  // the matching file's directory is gone
  Expect({{5, kCreate, {kIdOk}, "0" + kNoDir}});

  // A print entry is questioned, and its data still checked.
  WriteCatalogue(Group(at300));
  WriteOverlayFile(at300);
  Expect({{-1, kCreate, {kIdYes}, "0" + kNoFormCreate}, {-1, kCreate, {kIdNo}, "1" + kNoFormCreate}});
  WriteOverlayFile(Matching());
  Expect({{-1, kCreate, {kIdNo, kIdNo}, "0" + kNoFormCreate + kOverwrite},
          // A capture entry fits; the place of its new file must exist.
          {-2, kCreate, {kIdOk}, "0" + kNoDir}});
  ASSERT_TRUE(plat::CreateDirectory(Path("NEW").c_str()));
  Expect({{-2, kCreate, {kIdYes}, "1"}});
}

TEST_F(FormConfirmTest, CreateWithoutAMatchChecksCapacityPaperAndDirectory) {
  zv::PrintSettings landscape = Matching(), otherPaper = Matching(), otherOutput = Matching(),
                    colour = Matching();
  landscape.orientation = 2;
  otherPaper.paperWidth = 2101;
  otherOutput.outputWidth = 2199;
  colour.colour = 1;
  // Only orientation and paper are asked about.
  for (const auto& s : {landscape, otherPaper}) {
    WriteCatalogue(Group(s));
    Expect({{5, kCreate, {kIdYes}, "0" + kDiffers}, {5, kCreate, {kIdNo}, "1" + kDiffers}});
  }
  for (const auto& s : {otherOutput, colour}) {
    WriteCatalogue(Group(s));
    Expect({{5, kCreate, {kIdYes}, "1"}, {5, kCreate, {kIdNo}, "1"}});
  }
  // A full group shows its capacity, the size of the overlay number range.
  WriteCatalogue(Group(landscape, 256));
  Expect({{5, kCreate, {kIdOk, kIdYes}, "0" + S(zv::kMsgTooManyOverlays) + ":256"}});
  WriteCatalogue(Group(landscape, 255));
  Expect({{5, kCreate, {kIdNo}, "1" + kDiffers}});
  ASSERT_TRUE(zvtest::WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\nF3CMD=10,12\r\n"));
  WriteCatalogue(Group(landscape, 3));
  Expect({{5, kCreate, {kIdOk}, "0" + S(zv::kMsgTooManyOverlays) + ":3"}});
  WriteCatalogue(Group(landscape, 2));
  Expect({{5, kCreate, {kIdYes}, "0" + kDiffers}});

  // A group info file in a directory that is gone; a form whose group text
  // is still its save directory.
  WriteCatalogue(Group(landscape), Path("GONE\\FORM5.FGP"));
  Expect({{5, kCreate, {kIdOk}, "0" + kNoDir}});
  WriteCatalogue(Group(landscape), Path("SAVED"));
  Expect({{5, kCreate, {kIdOk}, "0" + kNoDir}});
  ASSERT_TRUE(plat::CreateDirectory(Path("SAVED").c_str()));
  Expect({{5, kCreate, {kIdNo}, "1"}});
}

TEST_F(FormConfirmTest, WithoutCapabilitiesCatalogueOrMemory) {
  // No form name list: nothing is found, and the file entry has no name.
  Expect({{5, kUse, {kIdNo}, "1" + kNoMatch},
          {-1, kUse, {kIdNo}, "1" + kNoFormUse + kNoMatch},
          {5, kCreate, {kIdYes}, "1"}});
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  Expect({{0, kUse, {kIdOk}, "0" + S(zv::kMsgNoWorkArea)}});
  plat::fault::Reset();

  // Without the capability list only the file entry is questioned.
  WriteCatalogue(Group(Matching(), 1, Path("GONE\\E.ZLP")));
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("DRIVER.INI"),
                                     "[Driver]\nModels = 1\nCapabilities = 3\nFailCapabilities = 1\n"));
  Expect({{5, kCreate, {kIdYes}, "1"}, {-2, kUse, {kIdYes}, "0" + kNoFormUse}});
  driver_ = Path("MISSING.DLL");
  Expect({{5, kUse, {kIdYes}, "1"}});
}

}  // namespace
