// What the tests of the form settings dialog and of its add form and
// form/file settings dialogs share: the real module loaded in one of its two
// resource sets, the sample printer driver answering from a settings file of
// the test, a driver settings block, and catalogue files built byte by byte.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/print_settings.h"
#include "support/catalogue_files.h"
#include "support/dialog_driver.h"
#include "zvlmn30e.h"

namespace formsettings {

using CreateFormDlgFunction = int32_t(ZVAPI*)(void*, const void*, const char*, const char*, int32_t*,
                                              uint32_t, uint32_t);

// Control ids as the templates have them.
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kHelp = 145;
constexpr int kToFront = 1001;
constexpr int kToBack = 1002;
constexpr int kFormName = 2100;
constexpr int kFormDescription = 2101;
constexpr int kChangeDirectory = 2102;
constexpr int kSaveTo = 2103;
constexpr int kFormBrowse = 2104;
constexpr int kFile = 2200;
constexpr int kFileBrowse = 2201;
constexpr int kFileDescription = 2202;
constexpr int kListLabel = 2303;
constexpr int kDescription = 2304;
constexpr int kPaper = 2305;
constexpr int kOrientation = 2306;
constexpr int kOverlays = 2307;
constexpr int kLayer = 2308;
constexpr int kForms = 2312;
constexpr int kAdd = 2313;
constexpr int kUseFormName = 2314;

// The papers of the sample driver's one model, in list order.
constexpr char kA4[] = "A4 210 x 297 mm";
constexpr char kLetter[] = "Letter 8 1/2 x 11 in";

// The driver's own name of its current paper, which the block points to.
constexpr char kDriverPaperName[] = "A4 (driver)";

// One model whose id carries the colour bit, so that it cannot pass for the
// black capability word behind it.
constexpr char kDriverSettings[] =
    "[Driver]\n"
    "Models = 0x4001\n"
    "Capabilities = 1\n"
    "HelpFile = ZVSAMPLE.HLP\n"
    "EnglishHelpFile = ZVSAMPLEE.HLP\n"
    "[Model 0x4001]\n"
    "Paper = 9, 2100, 2970, 2016, 2886, A4 210 x 297 mm\n"
    "Paper = 1, 2159, 2794, 2075, 2710, Letter 8 1/2 x 11 in\n"
    "Paper2 = 9, 2100, 2970, 2016, 2886, A4 210 x 297 mm\n";

// A print settings record that matches the driver settings block of the
// fixture (A4 portrait, black, 600 dpi, halftoning, zoom 100).
inline zv::PrintSettings MatchingRecord(uint16_t resolution = 600) {
  zv::PrintSettings s{};
  s.mark = 1;
  s.layer = 1;
  s.modeLevel = 1;
  s.modelId = 0x4001;
  s.paperWidth = 2100;
  s.paperHeight = 2970;
  s.paperCode = 9;
  s.orientation = 1;
  s.resolution = resolution;
  s.colour = 2;
  s.printingMode = 0x10;
  s.outputWidth = 2100;
  s.outputHeight = 2970;
  s.outputCode = 9;
  s.zoom = 100;
  return s;
}

// A record that the block does not match: Letter landscape, colour, high
// speed, two pages per sheet.
inline zv::PrintSettings OtherRecord() {
  zv::PrintSettings s = MatchingRecord(300);
  s.paperWidth = 2159;
  s.paperHeight = 2794;
  s.paperCode = 1;
  s.orientation = 2;
  s.colour = 1;
  s.printingMode = 0x01;
  s.pagesPerSheet = 2;
  s.outputWidth = 2159;
  s.outputHeight = 2794;
  s.outputCode = 1;
  return s;
}

// A group info file whose entries have these records, named E<i>.ZLP.
inline std::string GroupInfoOf(const std::vector<zv::PrintSettings>& records) {
  std::vector<zvtest::GroupInfoEntry> entries;
  std::vector<std::string> texts;
  for (size_t i = 0; i < records.size(); ++i) {
    entries.emplace_back(zvtest::SettingsRecordBytes(records[i]), static_cast<int32_t>(i));
    texts.push_back("E" + std::to_string(i) + ".ZLP");
  }
  return zvtest::GroupInfoFile(entries, texts);
}

struct Titles {
  std::string settings;
  std::string addForm;
  std::string formFile;
};

// The module under test in one resource set, the sample driver, the block.
class SettingsFixture : public zvtest::CatalogueTest {
 protected:
  virtual bool English() const = 0;

  void SetUp() override {
    CatalogueTest::SetUp();
    ASSERT_TRUE(zvtest::FileExists(ZV_SAMPLE_DRIVER_PATH)) << "build target ZVSAMPLE";
    device_ = Path("DRIVER.INI");
    ASSERT_TRUE(zvtest::WriteWholeFile(device_, kDriverSettings));
    module_ = std::make_unique<zvtest::ModuleUnderTest>(English() ? ZV_ENGLISH_DLL_PATH : ZV_DLL_PATH);
    ASSERT_NE(module_->Handle(), nullptr);
    createForm_ =
        reinterpret_cast<CreateFormDlgFunction>(reinterpret_cast<void*>(module_->Export("ZVCreateFormDlg")));
    ASSERT_NE(createForm_, nullptr);
    block_ = DriverBlock(1);
  }

  void TearDown() override {
    module_.reset();
    CatalogueTest::TearDown();
  }

  // A driver settings block: A4 in the given orientation, black, 600 dpi,
  // halftoning, zoom 100, and the address of the driver's paper name.
  std::string DriverBlock(uint16_t orientation) const {
    ZV_DRIVER_SETTINGS s = {};
    s.orientation = static_cast<int16_t>(orientation);
    s.paperWidth = 2100;
    s.paperHeight = 2970;
    s.paperCode = 9;
    s.paperName = kDriverPaperName;
    s.zoom = 100;
    s.outputWidth = 2100;
    s.outputHeight = 2970;
    s.outputCode = 9;
    s.resolution = 600;
    s.colour = 2;
    s.modeLevel = 1;
    s.modelId = 0x4001;
    s.printingMode = 0x10;
    return std::string(reinterpret_cast<const char*>(&s), sizeof s);
  }

  // ZVCreateFormDlg on a thread of its own; *id is read and written there.
  std::function<int()> OpenSettings(int32_t* id) {
    return [this, id] {
      return createForm_(nullptr, block_.data(), device_.c_str(), ZV_SAMPLE_DRIVER_PATH, id, 0, 0);
    };
  }

  // A message of the module's chosen set, by its local id.
  std::string Message(uint32_t id) const {
    char text[512] = "";
    LoadStringA(module_->Handle(), English() ? id + 10000 : id, text, sizeof text);
    return text;
  }

  // A refusal: the stop box with the message and its one OK button, then
  // the dialog as it was.
  void ExpectRefusal(zvtest::DialogRun& run, const zvtest::Dialog& dialog, uint32_t message) {
    const zvtest::Box box = run.WaitForBox();
    EXPECT_EQ(box.text, Message(message));
    EXPECT_TRUE(box.stopIcon);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    run.AnswerBox(IDOK);
    EXPECT_TRUE(run.IsActive(dialog));
  }

  // A message with the number put in for its %ld.
  std::string NumberMessage(uint32_t id, long number) const {
    std::string text = Message(id);
    const size_t at = text.find("%ld");
    return at == std::string::npos ? text : text.replace(at, 3, std::to_string(number));
  }

  Titles TitlesOfSet() const {
    if (English()) return {"Form Settings", "Add Form", "Form/File Settings"};
    return {"Configuraci\363n de formulario", "A\361adir formulario",
            "Configuraci\363n de formulario/fichero"};
  }

  // The list line of an overlay entry, field by field as the user reads it.
  std::string Line(const std::string& colour, const std::string& resolution, const std::string& mode,
                   const std::string& zoom, const std::string& paper, const std::string& layout) const {
    return colour + "," + resolution + "," + mode + "," + zoom + "," + paper + "," + layout;
  }
  std::string MatchingLine() const { return Line(Message(308), "600dpi", Message(318), "100%", kA4, " -"); }
  std::string OtherLine() const {
    return Line(Message(307), "300dpi", Message(301), " ", kLetter, " 2" + Message(311));
  }

  // The remembered directory of the catalogue configuration.
  std::string RememberedDirectory() const {
    char value[MAX_PATH] = "";
    GetPrivateProfileStringA("ENVIRONMENT", "CURRENTDIR", "", value, sizeof value,
                             SystemPath("ZVLMN3.DAT").c_str());
    return value;
  }
  void SetRememberedDirectory(const std::string& directory) const {
    ASSERT_TRUE(WritePrivateProfileStringA("ENVIRONMENT", "CURRENTDIR", directory.c_str(),
                                           SystemPath("ZVLMN3.DAT").c_str()));
  }

  // What a dialog that showed help in each of its two modes and then closed
  // asked of WinHelp: the two contexts, then HELP_QUIT, each naming the help
  // file of this resource set (compared without regard to case, as Windows
  // names files).
  void ExpectHelpInBothModes(const zvtest::HelpWatcher& help, DWORD first, DWORD second) const {
    const std::vector<zvtest::HelpCall> calls = help.WaitForCalls(3);
    ASSERT_EQ(calls.size(), 3u);
    const std::pair<UINT, DWORD> expected[] = {{HELP_CONTEXT, first}, {HELP_CONTEXT, second}, {HELP_QUIT, 0}};
    const std::string file = English() ? "ZVSAMPLEE.HLP" : "ZVSAMPLE.HLP";
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(calls[i].command, expected[i].first);
      if (i < 2) {
        EXPECT_EQ(calls[i].data, expected[i].second);
      }
      ASSERT_GE(calls[i].file.size(), file.size());
      EXPECT_EQ(zvtest::Upper(calls[i].file.substr(calls[i].file.size() - file.size())), file);
    }
  }

  std::string ReadFile(const std::string& path) const {
    std::string bytes;
    EXPECT_TRUE(zvtest::ReadWholeFile(path, &bytes)) << path;
    return bytes;
  }

  std::unique_ptr<zvtest::ModuleUnderTest> module_;
  CreateFormDlgFunction createForm_ = nullptr;
  std::string device_;
  std::string block_;
};

// The same tests in the local and in the English resource set.
class BothSets : public SettingsFixture, public ::testing::WithParamInterface<bool> {
 protected:
  bool English() const override { return GetParam(); }
};

// Tests of what the local set alone shows.
class LocalSet : public SettingsFixture {
 protected:
  bool English() const override { return false; }
};

inline std::string SetName(const ::testing::TestParamInfo<bool>& info) {
  return info.param ? "English" : "Local";
}

}  // namespace formsettings
