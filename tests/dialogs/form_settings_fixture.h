// What the tests of the dialogs opened through ZVCreateFormDlg share: the real
// module in one of its two resource sets, the sample printer driver answering
// from a settings file of the test, a driver settings block, and scripts run
// from a catalogue built byte by byte to the catalogue files after.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/print_settings.h"
#include "support/catalogue_files.h"
#include "support/dialog_script.h"
#include "zvlmn30e.h"

namespace formsettings {

using CreateFormDlgFunction = int32_t(ZVAPI*)(void*, const void*, const char*, const char*, int32_t*,
                                              uint32_t, uint32_t);
constexpr int kOk = 1, kCancel = 2, kHelp = 145, kToFront = 1001, kToBack = 1002, kFormName = 2100,
              kFormDescription = 2101, kChangeDirectory = 2102, kSaveTo = 2103, kFormBrowse = 2104,
              kFile = 2200, kFileBrowse = 2201, kFileDescription = 2202, kListLabel = 2303,
              kDescription = 2304, kPaper = 2305, kOrientation = 2306, kOverlays = 2307, kLayer = 2308,
              kForms = 2312, kAdd = 2313, kUseFormName = 2314;
constexpr char kA4[] = "A4 210 x 297 mm", kLetter[] = "Letter 8 1/2 x 11 in",
               kDriverPaperName[] = "A4 (driver)";
// One model whose id carries the colour bit, so that it cannot pass for the
// black capability word behind it.
constexpr char kDriverSettings[] =
    "[Driver]\nModels = 0x4001\nCapabilities = 1\nHelpFile = ZVSAMPLE.HLP\nEnglishHelpFile = ZVSAMPLEE.HLP\n"
    "[Model 0x4001]\nPaper = 9, 2100, 2970, 2016, 2886, A4 210 x 297 mm\n"
    "Paper = 1, 2159, 2794, 2075, 2710, Letter 8 1/2 x 11 in\nPaper2 = 9, 2100, 2970, 2016, 2886, A4 210 x "
    "297 mm\n";

// The record the fixture's block matches (A4 portrait, black, halftoning,
// zoom 100) at a resolution, and one it does not: Letter landscape, colour,
// high speed, two pages per sheet.
inline zv::PrintSettings MatchingRecord(uint16_t resolution = 600) {
  zv::PrintSettings s{};
  s.mark = s.layer = s.modeLevel = s.orientation = 1;
  s.modelId = 0x4001;
  s.paperWidth = s.outputWidth = 2100;
  s.paperHeight = s.outputHeight = 2970;
  s.paperCode = s.outputCode = 9;
  s.resolution = resolution;
  s.colour = 2;
  s.printingMode = 0x10;
  s.zoom = 100;
  return s;
}
inline zv::PrintSettings OtherRecord() {
  zv::PrintSettings s = MatchingRecord(300);
  s.paperWidth = s.outputWidth = 2159;
  s.paperHeight = s.outputHeight = 2794;
  s.paperCode = s.outputCode = 1;
  s.orientation = 2;
  s.colour = s.printingMode = 1;
  s.pagesPerSheet = 2;
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
inline std::string ReadOrEmpty(const std::string& path) {
  std::string bytes;
  zvtest::ReadWholeFile(path, &bytes);
  return bytes;
}

// A script of ZVCreateFormDlg from the catalogue setUp writes: the identifier
// handed in and back, the list files after ("=": as before), the help
// contexts asked for (each session ended with HELP_QUIT), the remembered
// directory after ("": the configuration file as before), and whether the
// files and directory are compared without regard to case (Windows names).
struct ScriptRow {
  const char* what;
  std::function<void()> setUp;
  int32_t in;
  std::vector<zvtest::Step> steps;
  int32_t out;
  std::string forms = "=", groups = "=";
  std::vector<DWORD> help = {};
  std::string remembered = "";
  bool anyCase = false;
};

inline ScriptRow Row(const char* what, std::function<void()> setUp, int32_t in,
                     std::vector<zvtest::Step> steps, int32_t out, std::string forms = "=",
                     std::string groups = "=", std::vector<DWORD> help = {}, std::string remembered = "",
                     bool anyCase = false) {
  return {what, setUp, in, steps, out, forms, groups, help, remembered, anyCase};
}

class SettingsFixture : public zvtest::CatalogueTest {
 protected:
  virtual bool English() const = 0;

  void SetUp() override {
    CatalogueTest::SetUp();
    ASSERT_TRUE(zvtest::FileExists(ZV_SAMPLE_DRIVER_PATH)) << "build target ZVSAMPLE";
    device_ = Path("DRIVER.INI");
    ASSERT_TRUE(zvtest::WriteWholeFile(device_, kDriverSettings));
    module_ = std::make_unique<zvtest::ModuleUnderTest>(English() ? ZV_ENGLISH_DLL_PATH : ZV_DLL_PATH);
    createForm_ =
        reinterpret_cast<CreateFormDlgFunction>(reinterpret_cast<void*>(module_->Export("ZVCreateFormDlg")));
    ASSERT_NE(createForm_, nullptr);
    block_ = DriverBlock(1);
  }
  void TearDown() override {
    module_.reset();
    CatalogueTest::TearDown();
  }

  // A4 in the orientation, black, 600 dpi, halftoning, zoom 100, and the
  // address of the driver's own name of its paper.
  std::string DriverBlock(uint16_t orientation) const {
    ZV_DRIVER_SETTINGS s = {};
    s.orientation = static_cast<int16_t>(orientation);
    s.paperWidth = s.outputWidth = 2100;
    s.paperHeight = s.outputHeight = 2970;
    s.paperCode = s.outputCode = 9;
    s.paperName = kDriverPaperName;
    s.zoom = 100;
    s.resolution = 600;
    s.colour = 2;
    s.modeLevel = 1;
    s.modelId = 0x4001;
    s.printingMode = 0x10;
    return std::string(reinterpret_cast<const char*>(&s), sizeof s);
  }
  std::function<int()> OpenSettings(int32_t* id) {
    return [this, id] {
      return createForm_(nullptr, block_.data(), device_.c_str(), ZV_SAMPLE_DRIVER_PATH, id, 0, 0);
    };
  }
  // A message of the module's set by its local id; with a number for %ld.
  std::string Message(uint32_t id) const {
    char text[512] = "";
    LoadStringA(module_->Handle(), English() ? id + 10000 : id, text, sizeof text);
    return text;
  }
  std::string NumberMessage(uint32_t id, long number) const {
    std::string text = Message(id);
    const size_t at = text.find("%ld");
    return at == std::string::npos ? text : text.replace(at, 3, std::to_string(number));
  }
  std::string Settings() const { return English() ? "Form Settings" : "Configuraci\363n de formulario"; }
  std::string AddForm() const { return English() ? "Add Form" : "A\361adir formulario"; }
  std::string FormFile() const {
    return English() ? "Form/File Settings" : "Configuraci\363n de formulario/fichero";
  }
  std::string Config() const { return SystemPath("ZVLMN3.DAT"); }
  std::string RememberedDirectory() const {
    char value[MAX_PATH] = "";
    GetPrivateProfileStringA("ENVIRONMENT", "CURRENTDIR", "", value, sizeof value, Config().c_str());
    return value;
  }
  void SetRememberedDirectory(const std::string& directory) const {
    ASSERT_TRUE(WritePrivateProfileStringA("ENVIRONMENT", "CURRENTDIR", directory.c_str(), Config().c_str()));
  }
  // An overlay list line, field by field as the user reads it.
  std::string Line(const std::string& colour, const std::string& resolution, const std::string& mode,
                   const std::string& zoom, const std::string& paper, const std::string& layout) const {
    return colour + "," + resolution + "," + mode + "," + zoom + "," + paper + "," + layout;
  }
  std::string OtherLine() const {
    return Line(Message(307), "300dpi", Message(301), " ", kLetter, " 2" + Message(311));
  }

  // What a dialog that showed help in each of its two modes and then closed
  // asked of WinHelp, each call naming the help file of this set.
  void ExpectHelpInBothModes(const zvtest::HelpWatcher& help, DWORD first, DWORD second) const {
    ExpectHelp(help, {first, second});
  }
  void ExpectHelp(const zvtest::HelpWatcher& help, const std::vector<DWORD>& contexts) const {
    const std::vector<zvtest::HelpCall> calls =
        contexts.empty() ? help.Calls() : help.WaitForCalls(contexts.size() + 1);
    ASSERT_EQ(calls.size(), contexts.empty() ? 0 : contexts.size() + 1);
    const std::string file = English() ? "ZVSAMPLEE.HLP" : "ZVSAMPLE.HLP";
    for (size_t i = 0; i < calls.size(); ++i) {
      EXPECT_EQ(calls[i].command, static_cast<UINT>(i < contexts.size() ? HELP_CONTEXT : HELP_QUIT)) << i;
      if (i < contexts.size()) {
        EXPECT_EQ(calls[i].data, contexts[i]) << i;
      }
      ASSERT_GE(calls[i].file.size(), file.size());
      EXPECT_EQ(zvtest::Upper(calls[i].file.substr(calls[i].file.size() - file.size())), file);
    }
  }

  // Runs a row from a fresh catalogue and checks what it left.
  void Run(const ScriptRow& row) {
    SCOPED_TRACE(row.what);
    for (const std::string& path : {FormListPath(), GroupListPath(), SystemPath("ZVL3.INI")})
      DeleteFileA(path.c_str());
    block_ = DriverBlock(1);
    row.setUp();
    const std::string forms = ReadOrEmpty(FormListPath()), groups = ReadOrEmpty(GroupListPath()),
                      config = ReadOrEmpty(Config());
    auto norm = [&](const std::string& text) { return row.anyCase ? zvtest::Upper(text) : text; };
    int32_t id = row.in;
    size_t boxes = 0;
    for (const zvtest::Step& s : row.steps)
      boxes += s.action == zvtest::Step::kBox || s.action == zvtest::Step::kBoxOf;
    zvtest::HelpWatcher help;
    {
      zvtest::DialogRun run(OpenSettings(&id));
      zvtest::RunScript(run, row.steps);
      EXPECT_EQ(run.Boxes().size(), boxes);
    }
    EXPECT_EQ(id, row.out);
    EXPECT_EQ(norm(ReadOrEmpty(FormListPath())), norm(row.forms == "=" ? forms : row.forms));
    EXPECT_EQ(norm(ReadOrEmpty(GroupListPath())), norm(row.groups == "=" ? groups : row.groups));
    if (row.remembered.empty()) {
      EXPECT_EQ(ReadOrEmpty(Config()), config);
    } else {
      EXPECT_EQ(zvtest::Upper(RememberedDirectory()), zvtest::Upper(row.remembered));
    }
    ExpectHelp(help, row.help);
  }

  std::unique_ptr<zvtest::ModuleUnderTest> module_;
  CreateFormDlgFunction createForm_ = nullptr;
  std::string device_, block_;
};

// The same tests in the local and in the English resource set.
class BothSets : public SettingsFixture, public ::testing::WithParamInterface<bool> {
 protected:
  bool English() const override { return GetParam(); }
};
inline std::string SetName(const ::testing::TestParamInfo<bool>& info) {
  return info.param ? "English" : "Local";
}

}  // namespace formsettings
