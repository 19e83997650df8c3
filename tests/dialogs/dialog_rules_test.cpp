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
std::string H(size_t length) { return std::string(length - 4, 'H') + ".HLP"; }  // a help name

struct Judged {
  std::string text;
  bool expected;
};

TEST(DialogRulesTest, BlankTextsAndUsableFormNames) {
  for (const Judged& c : std::vector<Judged>{{"", true}, {" ", true}, {" \t \t", true}, {" A ", false},
                                             {"\t_", false}, {"\n", false}})
    EXPECT_EQ(zv::IsBlankText(c.text.c_str()), c.expected) << c.text;
  for (const Judged& c : std::vector<Judged>{{"INVOICE", true}, {" INVOICE 2 ", true}, {"_INVOICE", true},
                                             {"A:B*C", true}, {"", false}, {" \t ", false}, {"A/B", false},
                                             {"A\\B", false}, {"/", false}})
    EXPECT_EQ(zv::IsUsableFormName(c.text.c_str()), c.expected) << c.text;
}

TEST(DialogRulesTest, FilePartAndForbiddenCharacters) {
  for (const std::string path : {"C:\\DATA\\FORM.ZLP", "FORM.ZLP", "C:\\DATA\\", "C:FORM", "\\\\S\\SHARE\\F"}) {
    const size_t at = path.rfind('\\');
    EXPECT_EQ(zv::FilePart(path.c_str()), path.c_str() + (at == std::string::npos ? 0 : at + 1)) << path;
  }
  for (const char c : std::string("/:;*?\"<>|"))
    EXPECT_TRUE(zv::HasForbiddenFileCharacter((std::string("FO") + c + "RM.ZLP").c_str())) << c;
  EXPECT_FALSE(zv::HasForbiddenFileCharacter("FORM 1_(A),[B]+{C}=D&E!#$%'~.ZLP"));
  EXPECT_FALSE(zv::HasForbiddenFileCharacter(""));
}

TEST(DialogRulesTest, SelectedFileNamesNeedTheFormExtensionOrNone) {
  const std::vector<Judged> cases = {
      {"C:\\DATA\\FORM.ZLP", true}, {"form.zlp", true}, {"D:\\NEW\\FORM.zLp", true}, {"FORM", true},
      {"C:\\DATA\\FORM", true}, {"C:\\_DATA\\FORM.ZLP", true}, {"C:\\DA*TA\\FORM.ZLP", true},
      {"", false}, {" \t", false}, {"FORM.TXT", false}, {"FORM.ZLC", false}, {"FORM.ZLP.BAK", false},
      {"_FORM.ZLP", false}, {"C:\\DATA\\_FORM.ZLP", false}, {"_FORM", false}, {"FO*RM.ZLP", false},
      {"C:\\DATA\\FO?RM", false}, {"C:FORM.ZLP", false}, {"C:\\DATA.OLD\\FORM", false}};
  for (const Judged& c : cases)
    EXPECT_EQ(zv::CheckSelectedFileName(c.text.c_str()), c.expected ? 0u : kUnusable) << c.text;
}

TEST(DialogRulesTest, PickedNamesAreJudgedByTheFilterDescription) {
  const std::string zlp = Message(zv::kMsgFilterZlpName), all = Message(zv::kMsgFilterAllFormFilesName),
                    zlc = Message(zv::kMsgFilterZlcName);
  ASSERT_FALSE(zlp.empty());
  ASSERT_NE(all.find(".ZLC"), std::string::npos);
  ASSERT_NE(zlc.find(".ZLC"), std::string::npos);
  struct Case {
    std::string name, filter;
    bool refused;
  };
  std::vector<Case> cases = {
      {"C:\\DATA\\FORM.ZLP", zlp, false}, {"c:\\data\\form.zlp", zlp, false}, {"FORM.Zlp", zlp, false},
      {"C:\\_DATA\\FORM.ZLP", zlp, false}, {"", zlp, false}, {"_FORM.ZLP", zlp, true},
      {"C:\\DATA\\_FORM.ZLP", zlp, true}, {"C:\\DATA\\FORM.ZLC", zlp, true}, {"C:\\DATA\\FORM.ZL", zlp, true},
      {"C:\\DATA\\FORM.ZLPX", zlp, true}, {"C:\\DATA\\FORM", zlp, true}, {"C:\\DATA.ZLP\\FORM", zlp, true},
      {"C:\\DATA.ZLP\\_FORM", zlp, true},
      // Only a description naming .ZLC in capitals lets underscore names through.
      {"_FORM.ZLP", "Files (*.zlc)", true}, {"_FORM.ZLP", "Files ZLC", true}, {"_FORM.ZLP", "", true}};
  for (const std::string& raw : {all, zlc}) {
    for (const Case& c : std::vector<Case>{{"_FORM.ZLP", raw, false}, {"C:\\DATA\\_F3000101.ZLP", raw, false},
                                           {"FORM.ZLP", raw, false}, {"_FORM.ZLC", raw, true},
                                           {"C:\\DATA.ZLP\\_FORM", raw, true}})
      cases.push_back(c);
  }
  for (const Case& c : cases)
    EXPECT_EQ(zv::IsRefusedFormFileName(c.name.c_str(), c.filter.c_str()), c.refused) << c.name << " / " << c.filter;
}

TEST(DialogRulesTest, FileFieldSplitsIntoStartDirectoryAndOfferedName) {
  const std::string longDir = "C:\\" + std::string(200, 'D');
  const std::string longName = std::string(plat::kMaxPath - longDir.size() - 5, 'N') + ".ZLP";
  struct Case {
    std::string text, current, directory, file;
  } cases[] = {
      {"C:\\DATA\\FORM.ZLP", "D:\\WORK", "C:\\DATA", "FORM.ZLP"},
      {"C:\\FORM.ZLP", "D:\\WORK", "C:\\", "FORM.ZLP"},  // a root keeps its backslash
      {"C:\\DATA\\", "D:\\WORK", "C:\\DATA", ""},
      {"\\\\SERVER\\SHARE\\FORM.ZLP", "D:\\WORK", "\\\\SERVER\\SHARE", "FORM.ZLP"},
      {"\\FORM.ZLP", "D:\\WORK", "", "FORM.ZLP"},
      {"FORM.ZLP", "D:\\WORK", "D:\\WORK", "FORM.ZLP"},  // no backslash: the remembered directory
      {"", "C:\\", "C:\\", ""},
      // A name with a forbidden character is not offered; the directory is not judged.
      {"C:\\DATA\\*.ZLP", "D:\\WORK", "C:\\DATA", ""},
      {"C:FORM.ZLP", "D:\\WORK", "D:\\WORK", ""},
      {"FO|RM", "D:\\WORK", "D:\\WORK", ""},
      {"C:\\DA?TA\\FORM.ZLP", "D:\\WORK", "C:\\DA?TA", "FORM.ZLP"},
      {"C:\\DATA\\_FORM.ZLP", "D:\\WORK", "C:\\DATA", "_FORM.ZLP"},
      {longDir + "\\" + longName, "D:\\WORK", longDir, longName},  // the longest field
      {kMax, longDir, longDir, kMax},
  };
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
  } cases[] = {
      {"C:\\DATA\\FORM.ZLP", "C:\\DATA", "C:\\DATA"}, {"C:\\DATA\\SUB\\F.ZLP", "C:\\DATA\\SUB", "C:\\DATA\\SUB"},
      {"\\\\SERVER\\SHARE\\F.ZLP", "\\\\SERVER\\SHARE", "\\\\SERVER\\SHARE"}, {"FORM.ZLP", "FORM.ZLP", "FORM.ZLP"},
      {"C:FORM.ZLP", "C:FORM.ZLP", "C:FORM.ZLP"}, {"C:\\FORM.ZLP", "C:\\", "C:"}, {"\\FORM.ZLP", "", ""}};
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
  } cases[] = {
      {"C:\\DRIVERS\\", "D:\\HELP\\X.HLP", "D:\\HELP\\X.HLP"}, {"C:\\DRIVERS\\", "c:\\x.hlp", "c:\\x.hlp"},
      {"", "D:\\HELP\\X.HLP", "D:\\HELP\\X.HLP"}, {"C:\\DRIVERS\\", "D:\\" + H(plat::kMaxPath - 3), "D:\\" + H(plat::kMaxPath - 3)},
      {"C:\\DRIVERS\\", "X.HLP", "C:\\DRIVERS\\X.HLP"},
      {"C:\\DRIVERS\\", "\\HELP\\X.HLP", "C:\\DRIVERS\\\\HELP\\X.HLP"},
      {"C:\\DRIVERS\\", "\\\\SERVER\\X.HLP", "C:\\DRIVERS\\\\\\SERVER\\X.HLP"},
      {"C:\\DRIVERS\\", "D:X.HLP", "C:\\DRIVERS\\D:X.HLP"}, {"C:\\", "X.HLP", "C:\\X.HLP"},
      {"C:\\DRIVERS\\", "", "C:\\DRIVERS\\"}, {"", "X.HLP", "X.HLP"},
      {big, H(40), (big + H(40)).substr(0, plat::kMaxPath)},  // cut to the longest path
      {big, H(plat::kMaxPath - big.size()), big + H(plat::kMaxPath - big.size())},
  };
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
  const std::string cur = "C:\\" + std::string(243, 'D');  // 246 characters: 258 with a name of 11
  const std::string typed = d + std::string(254 - d.size(), 'T');  // 254 characters, 258 with .ZLP
  ASSERT_LT(d.size(), 200u);
  Check(zv::ComposeFormFilePath, {
      {"FORM", "C:\\DATA", "C:\\DATA\\FORM.ZLP", 0}, {"FORM.ZLP", "C:\\DATA\\", "C:\\DATA\\FORM.ZLP", 0},
      {"form.zlp", "C:\\", "C:\\form.zlp", 0}, {"FORM", Path("MISSING"), Path("MISSING\\FORM.ZLP"), 0},
      {"FORM", "C:", "C:\\FORM.ZLP", 0}, {"FORM.TXT", "C:\\DATA", "C:\\DATA\\FORM.TXT.ZLP", 0},
      {" FORM ", "C:\\DATA", "C:\\DATA\\ FORM .ZLP", 0},
      {now + "\\FORM.zlp", "D:\\X", now + "\\FORM.zlp", 0}, {now + "\\FORM", "D:\\X", now + "\\FORM.ZLP", 0},
      {Path("FORM.TXT"), "", Path("FORM.TXT.ZLP"), 0}, {"C:\\FORM", "D:\\X", "C:\\FORM.ZLP", 0},
      {dotted + "\\FORM", "", dotted + "\\FORM.ZLP", 0}, {under + "\\FORM", "", under + "\\FORM.ZLP", 0},
      {Path("MISSING\\FORM"), "C:\\DATA", "", kMissing}, {Path("MISSING\\FORM.ZLP"), "C:\\DATA", "", kMissing},
      // Unusable names are refused before the directory is looked at.
      {"", "C:\\DATA", "", kUnusable}, {" \t ", "C:\\DATA", "", kUnusable}, {"_FORM.ZLP", "C:\\DATA", "", kUnusable},
      {"_FORM", "C:\\DATA", "", kUnusable}, {"FO*RM", "C:\\DATA", "", kUnusable}, {"C:FORM", "C:\\DATA", "", kUnusable},
      {Path("_FORM"), "", "", kUnusable}, {Path("MISSING\\_FORM"), "", "", kUnusable},
      {Path("MISSING\\FO<RM"), "", "", kUnusable}, {Path(""), "", "", kUnusable},
      // 258 characters is the longest; the added extension counts.
      {"NNNNNNN.ZLP", cur, cur + "\\NNNNNNN.ZLP", 0}, {"NNNNNNNN.ZLP", cur, "", kTooLong},
      {"NNNNNNN", cur, cur + "\\NNNNNNN.ZLP", 0}, {"NNNNNNNN", cur, "", kTooLong},
      {typed + ".ZLP", "", typed + ".ZLP", 0}, {typed + "T.ZLP", "", "", kTooLong},
      {typed, "", typed + ".ZLP", 0}, {typed + "T", "", "", kTooLong},
      {d + "MISSING\\" + std::string(251 - d.size(), 'T'), "", "", kMissing},  // before the length
  });
}

TEST_F(ComposedPathTest, RenamedFilePath) {
  const std::string ovl = Made("OVL"), dotted = Made("_OLD.ZLC");
  const std::string cur = "C:\\" + std::string(247, 'D');  // 250 characters
  const std::string name(260 - ovl.size() - 5, 'N');
  Check(zv::ComposeRenamedFilePath, {
      {"NEWFORM", "C:\\DATA", "C:\\DATA\\NEWFORM.ZLP", 0}, {"NEWFORM", "C:\\DATA\\", "C:\\DATA\\NEWFORM.ZLP", 0},
      {"NEWFORM", "C:\\", "C:\\NEWFORM.ZLP", 0}, {"logo.zlp", "C:\\DATA", "C:\\DATA\\logo.ZLP", 0},
      {"Logo.ZlP", "C:\\DATA", "C:\\DATA\\Logo.ZLP", 0},
      {"NEWFORM", Path("MISSING.DIR"), Path("MISSING.DIR\\NEWFORM.ZLP"), 0}, {" ", "C:\\DATA", "C:\\DATA\\ .ZLP", 0},
      {"", "C:\\DATA", "", kUnusable}, {"NEWFORM.ZLC", "C:\\DATA", "", kUnusable},
      {"NEWFORM.ZLP.TXT", "C:\\DATA", "", kUnusable}, {"NEWFORM.", "C:\\DATA", "", kUnusable},
      {"_NAME", "C:\\DATA", "", kUnusable}, {"_NAME.ZLP", "C:\\DATA", "", kUnusable},
      {ovl + "\\LOGO.ZLC", "C:\\DATA", "", kUnusable}, {ovl + "\\_LOGO.ZLP", "C:\\DATA", "", kUnusable},
      {ovl + "\\", "C:\\DATA", "", kUnusable}, {Path("MISSING\\_LOGO"), "C:\\DATA", "", kUnusable},
      {ovl + "\\logo.zlp", "D:\\X", ovl + "\\logo.ZLP", 0}, {ovl + "\\LOGO", "D:\\X", ovl + "\\LOGO.ZLP", 0},
      {"C:\\LOGO", "D:\\X", "C:\\LOGO.ZLP", 0}, {dotted + "\\LOGO", "", dotted + "\\LOGO.ZLP", 0},
      {Path("MISSING\\LOGO.ZLP"), "C:\\DATA", "", kMissing}, {Path("MISSING\\LOGO.ZLC"), "C:\\DATA", "", kMissing},
      // 260 characters is the longest.
      {"NNNNN", cur, cur + "\\NNNNN.ZLP", 0}, {"NNNNNN", cur, "", kUnusable},
      {"NNNNNN.zlp", cur.substr(0, 249), cur.substr(0, 249) + "\\NNNNNN.ZLP", 0},
      {"NNNNNNN.zlp", cur.substr(0, 249), "", kUnusable},
      {ovl + "\\" + name, "", ovl + "\\" + name + ".ZLP", 0}, {ovl + "\\" + name + "N", "", "", kUnusable},
  });
}

}  // namespace
