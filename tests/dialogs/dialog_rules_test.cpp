// The rules by which the dialogs judge what a user types or picks and compose
// paths from it, one table per rule: a text, the directory or filter beside
// it, and the answer. Codes: 411 unusable, 611 no such directory, 418 too long.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialogs/dialog_rules.h"
#include "module/message_ids.h"
#include "platform/platform.h"
#include "support/message_text.h"
#include "support/system_dir.h"

namespace {

struct Row {
  std::string text, other, want;
};
Row R(std::string text, std::string other, std::string want) {
  return {text, other, want};
}
std::string N(size_t n, char c = 'N') {
  return std::string(n, c);
}
// A rule's answer as text, from the row's two texts into two path buffers.
using Rule = std::string (*)(const char*, const char*, char*, char*);
std::string Coded(uint32_t code, const char* path) {
  return std::to_string(code) + ":" + path;
}

class DialogRulesTest : public zvtest::SystemDirTest {
 protected:
  // The buffers are filled with 'x' first, so that a missing terminator shows.
  static void Check(Rule rule, const std::vector<Row>& rows) {
    for (const Row& r : rows) {
      char out[2][plat::kPathBuffer + 1] = {};
      std::memset(out, 'x', sizeof out - 1);
      EXPECT_EQ(rule(r.text.c_str(), r.other.c_str(), out[0], out[1]), r.want) << r.text << " | " << r.other;
    }
  }
  std::string Made(const std::string& name) {
    EXPECT_TRUE(plat::MakeDirectory(Path(name).c_str())) << name;
    return Path(name);
  }
};

// b: blank, u: a usable form name, f: a character no file name may hold; the file part.
TEST_F(DialogRulesTest, NamesAndFileParts) {
  const Rule rule = [](auto t, auto, auto, auto) {
    return std::string(zv::IsBlankText(t) ? "b" : "") + (zv::IsUsableFormName(t) ? "u" : "") +
           (zv::HasForbiddenFileCharacter(t) ? "f" : "") + "|" + zv::FilePart(t);
  };
  Check(rule, {R("", "", "b|"), R(" \t ", "", "b| \t "), R("\n", "", "u|\n"), R("A/B", "", "f|A/B"),
               R(" I 2 ", "", "u| I 2 "), R("DATA\\FORM", "", "|FORM"), R("C:\\D\\", "", "f|"),
               R("\\\\S\\F", "", "|F"), R(":", "", "uf|:"), R(";", "", "uf|;"), R("*", "", "uf|*"),
               R("?", "", "uf|?"), R("\"", "", "uf|\""), R("<", "", "uf|<"), R(">", "", "uf|>"),
               R("|", "", "uf||"), R("_(1),[B]+{C}=D&E!#$%'~", "", "u|_(1),[B]+{C}=D&E!#$%'~")});
}

// The form selection dialog's check of a typed file.
TEST_F(DialogRulesTest, SelectedFileName) {
  const Rule rule = [](auto t, auto, auto, auto) { return std::to_string(zv::CheckSelectedFileName(t)); };
  Check(rule,
        {R("C:\\DATA\\FORM.ZLP", "", "0"), R("form.zlp", "", "0"), R("D:\\NEW\\FORM.zLp", "", "0"),
         R("C:\\DATA\\FORM", "", "0"), R("C:\\_DATA\\FORM.ZLP", "", "0"), R("C:\\DA*TA\\FORM.ZLP", "", "0"),
         R("", "", "411"), R(" \t", "", "411"), R("FORM.ZLC", "", "411"), R("FORM.ZLP.BAK", "", "411"),
         R("_FORM.ZLP", "", "411"), R("C:\\DATA\\_FORM", "", "411"), R("FO*RM.ZLP", "", "411"),
         R("C:FORM.ZLP", "", "411"), R("C:\\DATA.OLD\\FORM", "", "411")});
}

// The edit form dialog's check of a typed file: a full path to an existing file, no directory.
TEST_F(DialogRulesTest, EditedFile) {
  for (const char* name : {"FORM.ZLP", "FORM", "_F.ZLP"})
    ASSERT_TRUE(zvtest::WriteWholeFile(Path(name), "F"));
  const std::string sub = Made("SUB"), dotted = Made("DIR.ZLP");
  const Rule rule = [](auto t, auto, auto, auto) { return std::to_string(zv::CheckEditedFile(t)); };
  Check(rule,
        {R(Path("FORM.ZLP"), "", "0"), R(Path("form.zlp"), "", "0"), R(Path("FORM"), "", "0"),
         R("", "", "411"), R(" \t", "", "411"), R(Path("FO*RM.ZLP"), "", "411"),
         R(Path("FORM.TXT"), "", "411"), R("FORM.ZLP", "", "615"), R(Path("_F.ZLP"), "", "411"),
         R(Path("GONE.ZLP"), "", "615"), R(sub, "", "411"), R(dotted, "", "411"), R(sub + "\\", "", "615")});
}

// The pickers' acceptance: a '_' file part only when the filter names .ZLC files.
TEST_F(DialogRulesTest, PickedFileNameUnderAFilter) {
  const std::string zlp = zvtest::Message(zv::kMsgFilterZlpName),
                    zlc = zvtest::Message(zv::kMsgFilterZlcName),
                    all = zvtest::Message(zv::kMsgFilterAllFormFilesName);
  const Rule rule = [](auto t, auto f, auto, auto) {
    return std::string(zv::IsRefusedFormFileName(t, f) ? "no" : "ok");
  };
  Check(rule, {R("C:\\DATA\\FORM.ZLP", zlp, "ok"), R("c:\\data\\form.zlp", zlp, "ok"), R("", zlp, "ok"),
               R("C:\\_DATA\\FORM.ZLP", zlp, "ok"), R("_FORM.ZLP", zlp, "no"),
               R("C:\\DATA\\_FORM.ZLP", zlp, "no"), R("C:\\DATA\\FORM.ZLC", zlp, "no"),
               R("C:\\DATA\\FORM.ZLPX", zlp, "no"), R("C:\\DATA.ZLP\\FORM", zlp, "no"),
               R("_FORM.ZLP", zlc, "ok"), R("C:\\DATA\\_F3000101.ZLP", all, "ok"), R("FORM.ZLP", all, "ok"),
               R("_FORM.ZLC", all, "no"), R("C:\\DATA.ZLP\\_FORM", zlc, "no"),
               R("_FORM.ZLP", "Files (*.zlc)", "no"), R("_FORM.ZLP", "Files ZLC", "no")});
}

// A picker's start from its field: the directory (or the remembered one) and the name.
TEST_F(DialogRulesTest, FileFieldSplit) {
  const std::string dir = "C:\\" + N(200, 'D'), name = N(plat::kMaxPath - dir.size() - 5) + ".ZLP";
  const Rule rule = [](auto t, auto c, auto d, auto f) {
    zv::SplitFileField(t, c, d, f);
    return std::string(d) + "|" + f;
  };
  Check(rule,
        {R("C:\\DATA\\FORM.ZLP", "D:\\W", "C:\\DATA|FORM.ZLP"), R("C:\\FORM.ZLP", "D:\\W", "C:\\|FORM.ZLP"),
         R("C:\\DATA\\", "D:\\W", "C:\\DATA|"), R("\\FORM.ZLP", "D:\\W", "|FORM.ZLP"),
         R("FORM.ZLP", "D:\\W", "D:\\W|FORM.ZLP"), R("", "C:\\", "C:\\|"),
         R("C:\\DATA\\*.ZLP", "D:\\W", "C:\\DATA|"), R("C:FORM.ZLP", "D:\\W", "D:\\W|"),
         R("C:\\DA?TA\\_F.ZLP", "D:\\W", "C:\\DA?TA|_F.ZLP"), R(dir + "\\" + name, "D:\\W", dir + "|" + name),
         R(N(plat::kMaxPath), dir, dir + "|" + N(plat::kMaxPath))});
}

// The directory remembered for a chosen file, with the root's backslash and without.
TEST_F(DialogRulesTest, RememberedDirectory) {
  const Rule rule = [](auto t, auto, auto k, auto d) {
    zv::DirectoryForSetting(t, true, k);
    zv::DirectoryForSetting(t, false, d);
    return std::string(k) + "|" + d;
  };
  Check(rule, {R("C:\\DATA\\SUB\\F.ZLP", "", "C:\\DATA\\SUB|C:\\DATA\\SUB"),
               R("FORM.ZLP", "", "FORM.ZLP|FORM.ZLP"), R("C:FORM.ZLP", "", "C:FORM.ZLP|C:FORM.ZLP"),
               R("C:\\FORM.ZLP", "", "C:\\|C:"), R("\\FORM.ZLP", "", "|")});
}

// The help file: the driver's name with a drive, else beside the module; cut to fit.
TEST_F(DialogRulesTest, HelpPath) {
  const std::string big = "C:\\" + N(240, 'M') + "\\",
                    help = N(plat::kMaxPath - big.size() - 4, 'H') + ".HLP";
  const std::string drv = "C:\\DRV\\";
  const Rule rule = [](auto n, auto d, auto p, auto) {
    zv::ComposeHelpPath(d, n, p);
    return std::string(p);
  };
  Check(rule, {R("D:\\HELP\\X.HLP", drv, "D:\\HELP\\X.HLP"), R("c:\\x.hlp", "", "c:\\x.hlp"),
               R("X.HLP", drv, drv + "X.HLP"), R("\\H\\X.HLP", drv, drv + "\\H\\X.HLP"),
               R("D:X.HLP", drv, drv + "D:X.HLP"), R("", drv, drv), R("X.HLP", "", "X.HLP"),
               R("D:\\" + N(plat::kMaxPath - 3), drv, "D:\\" + N(plat::kMaxPath - 3)),
               R(help + "X", big, big + help), R(help, big, big + help)});
}

// The form/file settings dialog's path: .ZLP added, 258 characters at most,
// the name judged before the directory and the directory before the length.
TEST_F(DialogRulesTest, FormFilePath) {
  const std::string now = Made("NEW"), dotted = Made("OLD.ZLP"), d = Dir();
  const std::string cur = "C:\\" + N(243, 'D');          // 246 characters: 258 with a name of 11
  const std::string typed = d + N(254 - d.size(), 'T');  // 254 characters, 258 with .ZLP
  ASSERT_LT(d.size(), 200u);
  const Rule rule = [](auto t, auto c, auto p, auto) { return Coded(zv::ComposeFormFilePath(t, c, p), p); };
  Check(rule,
        {R("FORM", "C:\\DATA", "0:C:\\DATA\\FORM.ZLP"), R("FORM.ZLP", "C:\\DATA\\", "0:C:\\DATA\\FORM.ZLP"),
         R("form.zlp", "C:\\", "0:C:\\form.zlp"), R("FORM", "C:", "0:C:\\FORM.ZLP"),
         R("FORM.TXT", "C:\\DATA", "0:C:\\DATA\\FORM.TXT.ZLP"), R(" FORM ", "D:\\X", "0:D:\\X\\ FORM .ZLP"),
         R("C:\\FORM", "D:\\X", "0:C:\\FORM.ZLP"), R("", "C:\\DATA", "411:"), R(" \t ", "C:\\DATA", "411:"),
         R("_FORM", "C:\\DATA", "411:"), R("FO*RM", "C:\\DATA", "411:"), R("C:FORM", "C:\\DATA", "411:"),
         R("NNNNNNN.ZLP", cur, "0:" + cur + "\\NNNNNNN.ZLP")});
  Check(rule, {R("NNNNNNNN.ZLP", cur, "418:"), R("NNNNNNN", cur, "0:" + cur + "\\NNNNNNN.ZLP"),
               R("NNNNNNNN", cur, "418:"), R(now + "\\FORM.zlp", "D:\\X", "0:" + now + "\\FORM.zlp"),
               R(dotted + "\\F", "", "0:" + dotted + "\\F.ZLP"),
               R(Path("MISSING\\FORM.ZLP"), "C:\\DATA", "611:"), R(Path("MISSING\\_FORM"), "", "411:"),
               R(Path(""), "", "411:"), R(typed + ".ZLP", "", "0:" + typed + ".ZLP"),
               R(typed + "T.ZLP", "", "418:"), R(typed, "", "0:" + typed + ".ZLP"),
               R(typed + "T", "", "418:"), R(d + "MISSING\\" + N(251 - d.size(), 'T'), "", "611:")});
}

// The change form dialog's new path: .ZLP added or in capitals, 260 characters at most.
TEST_F(DialogRulesTest, RenamedFilePath) {
  const std::string ovl = Made("OVL"), dotted = Made("_OLD.ZLC"), cur = "C:\\" + N(247, 'D');  // 250
  const std::string name = N(260 - ovl.size() - 5), c249 = cur.substr(0, 249);
  const Rule rule = [](auto t, auto c, auto p, auto) {
    return Coded(zv::ComposeRenamedFilePath(t, c, p), p);
  };
  Check(rule,
        {R("NEWFORM", "C:\\DATA", "0:C:\\DATA\\NEWFORM.ZLP"), R("NEWFORM", "C:\\", "0:C:\\NEWFORM.ZLP"),
         R("logo.zlp", "C:\\DATA\\", "0:C:\\DATA\\logo.ZLP"), R(" ", "C:\\DATA", "0:C:\\DATA\\ .ZLP"),
         R("C:\\LOGO", "D:\\X", "0:C:\\LOGO.ZLP"), R("", "C:\\DATA", "411:"), R("N.ZLC", "C:\\DATA", "411:"),
         R("N.ZLP.TXT", "C:\\DATA", "411:"), R("N.", "C:\\DATA", "411:"), R("_NAME", "C:\\DATA", "411:"),
         R("NNNNN", cur, "0:" + cur + "\\NNNNN.ZLP")});
  Check(
      rule,
      {R("NNNNNN", cur, "411:"), R("NNNNNN.zlp", c249, "0:" + c249 + "\\NNNNNN.ZLP"),
       R("NNNNNNN.zlp", c249, "411:"), R(ovl + "\\_LOGO.ZLP", "C:\\DATA", "411:"),
       R(ovl + "\\", "C:\\DATA", "411:"), R(ovl + "\\logo.zlp", "D:\\X", "0:" + ovl + "\\logo.ZLP"),
       R(dotted + "\\L", "", "0:" + dotted + "\\L.ZLP"), R(Path("MISSING\\LOGO.ZLC"), "C:\\DATA", "611:"),
       R(Path("MISSING\\_LOGO"), "C:\\DATA", "411:"),
       R(ovl + "\\" + name, "", "0:" + ovl + "\\" + name + ".ZLP"), R(ovl + "\\" + name + "N", "", "411:")});
}

}  // namespace
