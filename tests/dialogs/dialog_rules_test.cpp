// The rules by which the dialogs judge names and compose paths: form names,
// typed and picked file names, the pickers' start and remembered directory,
// the form/file settings path, the renamed file path and the help file path.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialogs/dialog_rules.h"
#include "dialogs/message_ids.h"
#include "dialogs/module_frame.h"
#include "platform/platform.h"
#include "support/system_dir.h"

namespace {

constexpr uint32_t kUnusable = zv::kMsgFileNameUnusable;
constexpr uint32_t kMissing = zv::kMsgDirectoryMissing;
constexpr uint32_t kTooLong = zv::kMsgFileNameTooLong;
const std::string kMax(plat::kMaxPath, 'N');

std::string Message(uint32_t id) {
  char text[zv::kMessageBufferSize] = {};
  zv::LoadMessage(id, text, sizeof text);
  return text;
}
std::string H(size_t length) {
  return std::string(length - 4, 'H') + ".HLP";
}  // a help name

// Each text of the first list is judged true, each of the second false.
template <typename Judge>
void Judge2(Judge judge, std::initializer_list<const char*> yes, std::initializer_list<const char*> no) {
  for (const char* text : yes) EXPECT_TRUE(judge(text)) << text;
  for (const char* text : no) EXPECT_FALSE(judge(text)) << text;
}

TEST(DialogRulesTest, BlankTextsAndUsableFormNames) {
  Judge2(zv::IsBlankText, {"", " ", " \t \t"}, {" A ", "\t_", "\n"});
  Judge2(zv::IsUsableFormName, {"INVOICE", " INVOICE 2 ", "_INVOICE", "A:B*C"},
         {"", " \t ", "A/B", "A\\B", "/"});
}

TEST(DialogRulesTest, FilePartAndForbiddenCharacters) {
  for (const std::string path :
       {"C:\\DATA\\FORM.ZLP", "FORM.ZLP", "C:\\DATA\\", "C:FORM", "\\\\S\\SHARE\\F"}) {
    const size_t at = path.rfind('\\');
    EXPECT_EQ(zv::FilePart(path.c_str()), path.c_str() + (at == std::string::npos ? 0 : at + 1)) << path;
  }
  for (const char c : std::string("/:;*?\"<>|"))
    EXPECT_TRUE(zv::HasForbiddenFileCharacter((std::string("FO") + c + "RM.ZLP").c_str())) << c;
  EXPECT_FALSE(zv::HasForbiddenFileCharacter("FORM 1_(A),[B]+{C}=D&E!#$%'~.ZLP"));
  EXPECT_FALSE(zv::HasForbiddenFileCharacter(""));
}

TEST(DialogRulesTest, SelectedFileNamesNeedTheFormExtensionOrNone) {
  auto usable = [](const char* text) {
    const uint32_t code = zv::CheckSelectedFileName(text);
    EXPECT_TRUE(code == 0 || code == kUnusable) << text;
    return code == 0;
  };
  Judge2(usable,
         {"C:\\DATA\\FORM.ZLP", "form.zlp", "D:\\NEW\\FORM.zLp", "FORM", "C:\\DATA\\FORM",
          "C:\\_DATA\\FORM.ZLP", "C:\\DA*TA\\FORM.ZLP"},
         {"", " \t", "FORM.TXT", "FORM.ZLC", "FORM.ZLP.BAK", "_FORM.ZLP", "C:\\DATA\\_FORM.ZLP", "_FORM",
          "FO*RM.ZLP", "C:\\DATA\\FO?RM", "C:FORM.ZLP", "C:\\DATA.OLD\\FORM"});
}

TEST(DialogRulesTest, PickedNamesAreJudgedByTheFilterDescription) {
  const std::string zlp = Message(zv::kMsgFilterZlpName), all = Message(zv::kMsgFilterAllFormFilesName),
                    zlc = Message(zv::kMsgFilterZlcName);
  ASSERT_FALSE(zlp.empty());
  ASSERT_NE(all.find(".ZLC"), std::string::npos);
  ASSERT_NE(zlc.find(".ZLC"), std::string::npos);
  auto passes = [](const std::string& filter) {
    return [filter](const char* name) { return !zv::IsRefusedFormFileName(name, filter.c_str()); };
  };
  Judge2(passes(zlp), {"C:\\DATA\\FORM.ZLP", "c:\\data\\form.zlp", "FORM.Zlp", "C:\\_DATA\\FORM.ZLP", ""},
         {"_FORM.ZLP", "C:\\DATA\\_FORM.ZLP", "C:\\DATA\\FORM.ZLC", "C:\\DATA\\FORM.ZL",
          "C:\\DATA\\FORM.ZLPX", "C:\\DATA\\FORM", "C:\\DATA.ZLP\\FORM", "C:\\DATA.ZLP\\_FORM"});
  // Only a description naming .ZLC in capitals lets underscore names through.
  for (const char* filter : {"Files (*.zlc)", "Files ZLC", ""}) Judge2(passes(filter), {}, {"_FORM.ZLP"});
  for (const std::string& raw : {all, zlc})
    Judge2(passes(raw), {"_FORM.ZLP", "C:\\DATA\\_F3000101.ZLP", "FORM.ZLP"},
           {"_FORM.ZLC", "C:\\DATA.ZLP\\_FORM"});
}

TEST(DialogRulesTest, FileFieldSplitsIntoStartDirectoryAndOfferedName) {
  const std::string longDir = "C:\\" + std::string(200, 'D');
  const std::string longName = std::string(plat::kMaxPath - longDir.size() - 5, 'N') + ".ZLP";
  struct Case {
    std::string text, current, directory, file;
  };
  auto C = [](std::string t, std::string c, std::string d, std::string f) { return Case{t, c, d, f}; };
  const Case cases[] = {
      C("C:\\DATA\\FORM.ZLP", "D:\\WORK", "C:\\DATA", "FORM.ZLP"),
      C("C:\\FORM.ZLP", "D:\\WORK", "C:\\", "FORM.ZLP"),  // a root keeps its backslash
      C("C:\\DATA\\", "D:\\WORK", "C:\\DATA", ""),
      C("\\\\SERVER\\SHARE\\FORM.ZLP", "D:\\WORK", "\\\\SERVER\\SHARE", "FORM.ZLP"),
      C("\\FORM.ZLP", "D:\\WORK", "", "FORM.ZLP"),
      C("FORM.ZLP", "D:\\WORK", "D:\\WORK", "FORM.ZLP"),  // no backslash: the remembered directory
      C("", "C:\\", "C:\\", ""),
      // A name with a forbidden character is not offered; the directory is not judged.
      C("C:\\DATA\\*.ZLP", "D:\\WORK", "C:\\DATA", ""), C("C:FORM.ZLP", "D:\\WORK", "D:\\WORK", ""),
      C("FO|RM", "D:\\WORK", "D:\\WORK", ""), C("C:\\DA?TA\\FORM.ZLP", "D:\\WORK", "C:\\DA?TA", "FORM.ZLP"),
      C("C:\\DATA\\_FORM.ZLP", "D:\\WORK", "C:\\DATA", "_FORM.ZLP"),
      C(longDir + "\\" + longName, "D:\\WORK", longDir, longName),  // the longest field
      C(kMax, longDir, longDir, kMax)};
  for (const Case& c : cases) {
    char directory[plat::kPathBuffer], file[plat::kPathBuffer];
    std::memset(directory, 'x', sizeof directory);
    std::memset(file, 'x', sizeof file);
    zv::SplitFileField(c.text.c_str(), c.current.c_str(), directory, file);
    EXPECT_EQ(directory, c.directory) << c.text;
    EXPECT_EQ(file, c.file) << c.text;
  }
}

TEST(DialogRulesTest, RememberedDirectoryIsTheTextBeforeTheLastBackslash) {
  struct Case {
    std::string path, keepRoot, dropRoot;
  };
  auto C = [](std::string p, std::string k, std::string d) { return Case{p, k, d}; };
  const Case cases[] = {C("C:\\DATA\\FORM.ZLP", "C:\\DATA", "C:\\DATA"),
                        C("C:\\DATA\\SUB\\F.ZLP", "C:\\DATA\\SUB", "C:\\DATA\\SUB"),
                        C("\\\\SERVER\\SHARE\\F.ZLP", "\\\\SERVER\\SHARE", "\\\\SERVER\\SHARE"),
                        C("FORM.ZLP", "FORM.ZLP", "FORM.ZLP"),
                        C("C:FORM.ZLP", "C:FORM.ZLP", "C:FORM.ZLP"),
                        C("C:\\FORM.ZLP", "C:\\", "C:"),
                        C("\\FORM.ZLP", "", "")};
  for (const Case& c : cases) {
    for (const bool keep : {true, false}) {
      char directory[plat::kPathBuffer];
      std::memset(directory, 'x', sizeof directory);
      zv::DirectoryForSetting(c.path.c_str(), keep, directory);
      EXPECT_EQ(directory, keep ? c.keepRoot : c.dropRoot) << c.path << " " << keep;
    }
  }
}

TEST(DialogRulesTest, HelpPathIsTheDriversNameBesideTheModuleUnlessItHasADrive) {
  const std::string big = "C:\\" + std::string(240, 'M') + "\\";
  struct Case {
    std::string directory, name, path;
  };
  auto C = [](std::string d, std::string n, std::string p) { return Case{d, n, p}; };
  const Case cases[] = {C("C:\\DRIVERS\\", "D:\\HELP\\X.HLP", "D:\\HELP\\X.HLP"),
                        C("C:\\DRIVERS\\", "c:\\x.hlp", "c:\\x.hlp"),
                        C("", "D:\\HELP\\X.HLP", "D:\\HELP\\X.HLP"),
                        C("C:\\DRIVERS\\", "D:\\" + H(plat::kMaxPath - 3), "D:\\" + H(plat::kMaxPath - 3)),
                        C("C:\\DRIVERS\\", "X.HLP", "C:\\DRIVERS\\X.HLP"),
                        C("C:\\DRIVERS\\", "\\HELP\\X.HLP", "C:\\DRIVERS\\\\HELP\\X.HLP"),
                        C("C:\\DRIVERS\\", "\\\\SERVER\\X.HLP", "C:\\DRIVERS\\\\\\SERVER\\X.HLP"),
                        C("C:\\DRIVERS\\", "D:X.HLP", "C:\\DRIVERS\\D:X.HLP"),
                        C("C:\\", "X.HLP", "C:\\X.HLP"),
                        C("C:\\DRIVERS\\", "", "C:\\DRIVERS\\"),
                        C("", "X.HLP", "X.HLP"),
                        C(big, H(40), (big + H(40)).substr(0, plat::kMaxPath)),  // cut to the longest path
                        C(big, H(plat::kMaxPath - big.size()), big + H(plat::kMaxPath - big.size()))};
  for (const Case& c : cases) {
    char path[plat::kPathBuffer];
    std::memset(path, 'x', sizeof path);
    zv::ComposeHelpPath(c.directory.c_str(), c.name.c_str(), path);
    EXPECT_EQ(path, c.path) << c.directory << " + " << c.name;
  }
}

// The form/file settings path and the change form dialog's renamed file
// path; some cases look at real directories of the scratch directory.
class ComposedPathTest : public zvtest::SystemDirTest {
 protected:
  struct Case {
    std::string text, current, path;  // path: what is composed when the code is 0
    uint32_t code;
  };
  static Case C(std::string text, std::string current, std::string path, uint32_t code) {
    return {text, current, path, code};
  }
  template <typename Compose>
  void Check(Compose compose, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      char path[plat::kPathBuffer];
      std::memset(path, 'x', sizeof path);
      EXPECT_EQ(compose(c.text.c_str(), c.current.c_str(), path), c.code) << c.text;
      EXPECT_EQ(path, c.code ? "" : c.path) << c.text;
    }
  }
  std::string Made(const std::string& name) {
    EXPECT_TRUE(plat::CreateDirectory(Path(name).c_str())) << name;
    return Path(name);
  }
};

TEST_F(ComposedPathTest, FormFilePath) {
  const std::string now = Made("NEW"), dotted = Made("OLD.ZLP"), under = Made("_GROUP"), d = Dir();
  const std::string cur = "C:\\" + std::string(243, 'D');          // 246 characters: 258 with a name of 11
  const std::string typed = d + std::string(254 - d.size(), 'T');  // 254 characters, 258 with .ZLP
  ASSERT_LT(d.size(), 200u);
  Check(
      zv::ComposeFormFilePath,
      {
          C("FORM", "C:\\DATA", "C:\\DATA\\FORM.ZLP", 0),
          C("FORM.ZLP", "C:\\DATA\\", "C:\\DATA\\FORM.ZLP", 0), C("form.zlp", "C:\\", "C:\\form.zlp", 0),
          C("FORM", Path("MISSING"), Path("MISSING\\FORM.ZLP"), 0), C("FORM", "C:", "C:\\FORM.ZLP", 0),
          C("FORM.TXT", "C:\\DATA", "C:\\DATA\\FORM.TXT.ZLP", 0),
          C(" FORM ", "C:\\DATA", "C:\\DATA\\ FORM .ZLP", 0),
          C(now + "\\FORM.zlp", "D:\\X", now + "\\FORM.zlp", 0),
          C(now + "\\FORM", "D:\\X", now + "\\FORM.ZLP", 0), C(Path("FORM.TXT"), "", Path("FORM.TXT.ZLP"), 0),
          C("C:\\FORM", "D:\\X", "C:\\FORM.ZLP", 0), C(dotted + "\\FORM", "", dotted + "\\FORM.ZLP", 0),
          C(under + "\\FORM", "", under + "\\FORM.ZLP", 0),
          C(Path("MISSING\\FORM"), "C:\\DATA", "", kMissing),
          C(Path("MISSING\\FORM.ZLP"), "C:\\DATA", "", kMissing),
          // Unusable names are refused before the directory is looked at.
          C("", "C:\\DATA", "", kUnusable), C(" \t ", "C:\\DATA", "", kUnusable),
          C("_FORM.ZLP", "C:\\DATA", "", kUnusable), C("_FORM", "C:\\DATA", "", kUnusable),
          C("FO*RM", "C:\\DATA", "", kUnusable), C("C:FORM", "C:\\DATA", "", kUnusable),
          C(Path("_FORM"), "", "", kUnusable), C(Path("MISSING\\_FORM"), "", "", kUnusable),
          C(Path("MISSING\\FO<RM"), "", "", kUnusable), C(Path(""), "", "", kUnusable),
          // 258 characters is the longest; the added extension counts.
          C("NNNNNNN.ZLP", cur, cur + "\\NNNNNNN.ZLP", 0), C("NNNNNNNN.ZLP", cur, "", kTooLong),
          C("NNNNNNN", cur, cur + "\\NNNNNNN.ZLP", 0), C("NNNNNNNN", cur, "", kTooLong),
          C(typed + ".ZLP", "", typed + ".ZLP", 0), C(typed + "T.ZLP", "", "", kTooLong),
          C(typed, "", typed + ".ZLP", 0), C(typed + "T", "", "", kTooLong),
          C(d + "MISSING\\" + std::string(251 - d.size(), 'T'), "", "", kMissing),  // before the length
      });
}

TEST_F(ComposedPathTest, RenamedFilePath) {
  const std::string ovl = Made("OVL"), dotted = Made("_OLD.ZLC");
  const std::string cur = "C:\\" + std::string(247, 'D');  // 250 characters
  const std::string name(260 - ovl.size() - 5, 'N');
  Check(
      zv::ComposeRenamedFilePath,
      {C("NEWFORM", "C:\\DATA", "C:\\DATA\\NEWFORM.ZLP", 0),
       C("NEWFORM", "C:\\DATA\\", "C:\\DATA\\NEWFORM.ZLP", 0), C("NEWFORM", "C:\\", "C:\\NEWFORM.ZLP", 0),
       C("logo.zlp", "C:\\DATA", "C:\\DATA\\logo.ZLP", 0), C("Logo.ZlP", "C:\\DATA", "C:\\DATA\\Logo.ZLP", 0),
       C("NEWFORM", Path("MISSING.DIR"), Path("MISSING.DIR\\NEWFORM.ZLP"), 0),
       C(" ", "C:\\DATA", "C:\\DATA\\ .ZLP", 0), C("", "C:\\DATA", "", kUnusable),
       C("NEWFORM.ZLC", "C:\\DATA", "", kUnusable), C("NEWFORM.ZLP.TXT", "C:\\DATA", "", kUnusable),
       C("NEWFORM.", "C:\\DATA", "", kUnusable), C("_NAME", "C:\\DATA", "", kUnusable),
       C("_NAME.ZLP", "C:\\DATA", "", kUnusable), C(ovl + "\\LOGO.ZLC", "C:\\DATA", "", kUnusable),
       C(ovl + "\\_LOGO.ZLP", "C:\\DATA", "", kUnusable), C(ovl + "\\", "C:\\DATA", "", kUnusable),
       C(Path("MISSING\\_LOGO"), "C:\\DATA", "", kUnusable),
       C(ovl + "\\logo.zlp", "D:\\X", ovl + "\\logo.ZLP", 0),
       C(ovl + "\\LOGO", "D:\\X", ovl + "\\LOGO.ZLP", 0), C("C:\\LOGO", "D:\\X", "C:\\LOGO.ZLP", 0),
       C(dotted + "\\LOGO", "", dotted + "\\LOGO.ZLP", 0),
       C(Path("MISSING\\LOGO.ZLP"), "C:\\DATA", "", kMissing),
       C(Path("MISSING\\LOGO.ZLC"), "C:\\DATA", "", kMissing),
       // 260 characters is the longest.
       C("NNNNN", cur, cur + "\\NNNNN.ZLP", 0), C("NNNNNN", cur, "", kUnusable),
       C("NNNNNN.zlp", cur.substr(0, 249), cur.substr(0, 249) + "\\NNNNNN.ZLP", 0),
       C("NNNNNNN.zlp", cur.substr(0, 249), "", kUnusable),
       C(ovl + "\\" + name, "", ovl + "\\" + name + ".ZLP", 0),
       C(ovl + "\\" + name + "N", "", "", kUnusable)});
}

}  // namespace
