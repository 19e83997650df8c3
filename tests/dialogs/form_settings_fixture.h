// What the tests of the real module's dialogs share: the module in either resource set, a sample driver of
// the test's own and its settings file, a driver block, and scripts run from a catalogue built byte by byte
// to the files after.
#pragma once

#include <algorithm>
#include <memory>

#include "support/catalogue_files.h"
#include "support/dialog_script.h"
#include "support/sample_driver.h"
#include "zvlmn30e.h"

namespace formsettings {

constexpr int kOk = 1, kCancel = 2, kHelp = 145, kToFront = 1001, kToBack = 1002, kFormName = 2100,
              kFormDescription = 2101, kSaveTo = 2103, kFormBrowse = 2104, kFile = 2200,
              kFileDescription = 2202, kListLabel = 2303, kDescription = 2304, kPaper = 2305,
              kOrientation = 2306, kOverlays = 2307, kLayer = 2308, kForms = 2312, kAdd = 2313,
              kUseFormName = 2314;
constexpr char kA4[] = "A4 210 x 297 mm", kLetter[] = "Letter 8 1/2 x 11 in",
               kDriverPaperName[] = "A4 (driver)";
// One model whose id carries the colour bit, so that it cannot pass for the
// black capability word behind it.
constexpr char kDriverSettings[] =
    "[Driver]\nModels = 0x4001\nCapabilities = 1\nHelpFile = ZVSAMPLE.HLP\nEnglishHelpFile = ZVSAMPLEE.HLP\n"
    "[Model 0x4001]\nPaper = 9, 2100, 2970, 2016, 2886, A4 210 x 297 mm\n"
    "Paper = 1, 2159, 2794, 2075, 2710, Letter 8 1/2 x 11 in\nPaper2 = 9, 2100, 2970, 2016, 2886, A4 210 x "
    "297 mm\n";

template <class T>
std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {  // one list after the other
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The record the fixture's block matches (A4 portrait, black, halftoning).
inline zv::PrintSettings MatchingRecord(uint16_t resolution = 600) {
  return {1, 1, 1, 0x4001, 2100, 2970, 0, 0, 9, 1, resolution, 2, 0x10, 0, 2100, 2970, 0, 0, 9, 100};
}
inline std::string ReadOrEmpty(const std::string& path) {
  return zvtest::FileExists(path) ? zvtest::FileBytes(path) : "";
}

// A script of a dialog (ZVCreateFormDlg unless told) from the catalogue setUp
// writes: the identifier in and back, the list files after ("=": as before),
// the help contexts asked for, the remembered directory after ("": the
// configuration file as before), and whether files and directory are compared
// letter case aside.
struct ScriptRow {
  const char* what;
  std::function<void()> setUp;
  int32_t in;
  std::vector<zvtest::Step> steps;
  int32_t out;
  std::string forms, groups;
  std::vector<DWORD> help;
  std::string remembered;
  bool anyCase;
};

inline ScriptRow Row(const char* what, std::function<void()> setUp, int32_t in,
                     std::vector<zvtest::Step> steps, int32_t out, std::string forms = "=",
                     std::string groups = "=", std::vector<DWORD> help = {}, std::string remembered = "",
                     bool anyCase = false) {
  return {what, setUp, in, steps, out, forms, groups, help, remembered, anyCase};
}

// Each test runs in the local and in the English resource set.
class BothSets : public zvtest::CatalogueTest, public ::testing::WithParamInterface<bool> {
 protected:
  bool English() const { return GetParam(); }
  void SetUp() override {
    CatalogueTest::SetUp();
    driver_ = zvtest::SampleDriverIn(Dir(), kDriverSettings);
    ASSERT_FALSE(driver_.empty());
    module_ = std::make_unique<zvtest::ModuleUnderTest>(English() ? ZV_ENGLISH_DLL_PATH : ZV_DLL_PATH);
    block_ = DriverBlock(1);
  }
  void TearDown() override {
    module_.reset();
    CatalogueTest::TearDown();
  }
  // A4 in the orientation, black, 600 dpi, halftoning, and the driver's name of it.
  std::string DriverBlock(uint16_t orientation) const {
    ZV_DRIVER_SETTINGS s = zvtest::PlainA4Settings();
    s.orientation = static_cast<int16_t>(orientation);
    s.paperName = kDriverPaperName;
    s.modelId = 0x4001;
    s.printingMode = 0x10;
    return std::string(reinterpret_cast<const char*>(&s), sizeof s);
  }
  // The dialog a row's script runs in.
  virtual std::function<int()> OpenDialog(int32_t* id) {
    auto create = reinterpret_cast<decltype(&ZVCreateFormDlg)>(
        reinterpret_cast<void*>(module_->Export("ZVCreateFormDlg")));
    return [=] {
      return create(nullptr, block_.data(), device_.c_str(), driver_.c_str(), reinterpret_cast<ZVLONG*>(id),
                    0, 0);
    };
  }
  // A message of the module's set by its local id, its %ld replaced by number.
  std::string Message(uint32_t id, long number = 0) const {
    char text[512] = "";
    LoadStringA(module_->Handle(), English() ? id + 10000 : id, text, sizeof text);
    std::string s = text;
    const size_t at = s.find("%ld");
    return at == std::string::npos ? s : s.replace(at, 3, std::to_string(number));
  }
  std::string Settings() const { return English() ? "Form Settings" : "Configuraci\363n de formulario"; }
  std::string Config() const { return SystemPath("ZVLMN3.DAT"); }

  // The help contexts asked for, then HELP_QUIT, each naming this set's file.
  void ExpectHelp(const zvtest::HelpWatcher& help, const std::vector<DWORD>& contexts) const {
    const std::vector<zvtest::HelpCall> calls =
        contexts.empty() ? help.Calls() : help.WaitForCalls(contexts.size() + 1);
    ASSERT_EQ(calls.size(), contexts.empty() ? 0 : contexts.size() + 1);
    const std::string file = English() ? "ZVSAMPLEE.HLP" : "ZVSAMPLE.HLP";
    for (size_t i = 0; i < calls.size(); ++i) {
      EXPECT_EQ(calls[i].command, static_cast<UINT>(i < contexts.size() ? HELP_CONTEXT : HELP_QUIT)) << i;
      EXPECT_EQ(calls[i].data, i < contexts.size() ? contexts[i] : 0u) << i;
      ASSERT_GE(calls[i].file.size(), file.size());
      EXPECT_EQ(zvtest::Upper(calls[i].file.substr(calls[i].file.size() - file.size())), file);
    }
  }

  // Runs a row from a fresh catalogue and checks what it left.
  void Run(const ScriptRow& row) {
    SCOPED_TRACE(row.what);
    for (const std::string& path : {FormListPath(), GroupListPath(), SystemPath("ZVL3.INI")})
      zvtest::RemoveFile(path);
    block_ = DriverBlock(1);
    row.setUp();
    const std::string forms = ReadOrEmpty(FormListPath()), groups = ReadOrEmpty(GroupListPath()),
                      config = ReadOrEmpty(Config());
    auto norm = [&](const std::string& text) { return row.anyCase ? zvtest::Upper(text) : text; };
    int32_t id = row.in;
    zvtest::HelpWatcher help;
    {
      zvtest::DialogRun run(OpenDialog(&id));
      zvtest::RunScript(run, row.steps);
      const auto box = [](const zvtest::Step& s) { return s.action == s.kBoxOf; };
      EXPECT_EQ(run.Boxes().size(),
                static_cast<size_t>(std::count_if(row.steps.begin(), row.steps.end(), box)));
    }
    EXPECT_EQ(id, row.out);
    EXPECT_EQ(norm(ReadOrEmpty(FormListPath())), norm(row.forms == "=" ? forms : row.forms));
    EXPECT_EQ(norm(ReadOrEmpty(GroupListPath())), norm(row.groups == "=" ? groups : row.groups));
    char remembered[MAX_PATH] = "";
    GetPrivateProfileStringA("ENVIRONMENT", "CURRENTDIR", "", remembered, sizeof remembered,
                             Config().c_str());
    EXPECT_EQ(row.remembered.empty() ? ReadOrEmpty(Config()) : zvtest::Upper(remembered),
              row.remembered.empty() ? config : zvtest::Upper(row.remembered));
    ExpectHelp(help, row.help);
  }

  std::unique_ptr<zvtest::ModuleUnderTest> module_;
  std::string driver_, device_ = zvtest::kSampleDevice, block_;
};

inline std::string SetName(const ::testing::TestParamInfo<bool>& info) {
  return info.param ? "English" : "Local";
}

}  // namespace formsettings
