// The rules by which the dialogs judge names and compose paths: form names,
// typed and picked file names, the pickers' start directory and remembered
// directory, the form/file settings path and the help file path.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dialogs/dialog_rules.h"
#include "dialogs/message_ids.h"
#include "dialogs/module_frame.h"
#include "platform/platform.h"
#include "support/system_dir.h"

namespace {

constexpr uint32_t kUnusable = zv::kMsgFileNameUnusable;

std::string Message(uint32_t id) {
  char text[zv::kMessageBufferSize] = {};
  zv::LoadMessage(id, text, sizeof text);
  return text;
}

struct Split {
  std::string directory;
  std::string file;
};

Split SplitField(const std::string& text, const char* current = "D:\\WORK") {
  char directory[plat::kPathBuffer];
  char file[plat::kPathBuffer];
  std::memset(directory, 'x', sizeof directory);
  std::memset(file, 'x', sizeof file);
  zv::SplitFileField(text.c_str(), current, directory, file);
  return {directory, file};
}

std::string SettingDirectory(const char* path, bool keepRootBackslash) {
  char directory[plat::kPathBuffer];
  std::memset(directory, 'x', sizeof directory);
  zv::DirectoryForSetting(path, keepRootBackslash, directory);
  return directory;
}

std::string HelpPath(const std::string& moduleDirectory, const std::string& helpName) {
  char path[plat::kPathBuffer];
  std::memset(path, 'x', sizeof path);
  zv::ComposeHelpPath(moduleDirectory.c_str(), helpName.c_str(), path);
  return path;
}

TEST(DialogRulesTest, BlankTextIsEmptyOrSpacesAndTabsOnly) {
  EXPECT_TRUE(zv::IsBlankText(""));
  EXPECT_TRUE(zv::IsBlankText(" "));
  EXPECT_TRUE(zv::IsBlankText(" \t \t"));
  EXPECT_FALSE(zv::IsBlankText(" A "));
  EXPECT_FALSE(zv::IsBlankText("\t_"));
  // Only blanks and tabs count as blank; other white space is text.
  EXPECT_FALSE(zv::IsBlankText("\n"));
}

TEST(DialogRulesTest, AFormNameNeedsTextAndNoSlashOfEitherKind) {
  EXPECT_TRUE(zv::IsUsableFormName("INVOICE"));
  EXPECT_TRUE(zv::IsUsableFormName(" INVOICE 2 "));
  EXPECT_TRUE(zv::IsUsableFormName("_INVOICE"));
  EXPECT_TRUE(zv::IsUsableFormName("A:B*C"));
  EXPECT_FALSE(zv::IsUsableFormName(""));
  EXPECT_FALSE(zv::IsUsableFormName(" \t "));
  EXPECT_FALSE(zv::IsUsableFormName("A/B"));
  EXPECT_FALSE(zv::IsUsableFormName("A\\B"));
  EXPECT_FALSE(zv::IsUsableFormName("/"));
}

TEST(DialogRulesTest, FilePartIsWhatFollowsTheLastBackslash) {
  EXPECT_STREQ(zv::FilePart("C:\\DATA\\FORM.ZLP"), "FORM.ZLP");
  EXPECT_STREQ(zv::FilePart("FORM.ZLP"), "FORM.ZLP");
  EXPECT_STREQ(zv::FilePart("C:\\DATA\\"), "");
  EXPECT_STREQ(zv::FilePart("C:FORM"), "C:FORM");
  const char* path = "\\\\SERVER\\SHARE\\F";
  EXPECT_EQ(zv::FilePart(path), path + 15);
}

TEST(DialogRulesTest, ForbiddenFileCharactersAreTheNineOfWindows) {
  for (const char c : std::string("/:;*?\"<>|")) {
    const std::string name = std::string("FO") + c + "RM.ZLP";
    EXPECT_TRUE(zv::HasForbiddenFileCharacter(name.c_str())) << name;
  }
  EXPECT_FALSE(zv::HasForbiddenFileCharacter("FORM 1_(A),[B]+{C}=D&E!#$%'~.ZLP"));
  EXPECT_FALSE(zv::HasForbiddenFileCharacter(""));
}

TEST(DialogRulesTest, SelectionNameTestsRefuseWithMessage411) {
  EXPECT_EQ(zv::CheckSelectedFileName("C:\\DATA\\FORM.ZLP"), 0u);
  EXPECT_EQ(zv::CheckSelectedFileName("form.zlp"), 0u);
  EXPECT_EQ(zv::CheckSelectedFileName("D:\\NEW\\FORM.zLp"), 0u);
  // No '.' at all passes the name tests (the file must still exist).
  EXPECT_EQ(zv::CheckSelectedFileName("FORM"), 0u);
  EXPECT_EQ(zv::CheckSelectedFileName("C:\\DATA\\FORM"), 0u);
  // An underscore or a forbidden character in a directory part is no matter.
  EXPECT_EQ(zv::CheckSelectedFileName("C:\\_DATA\\FORM.ZLP"), 0u);
  EXPECT_EQ(zv::CheckSelectedFileName("C:\\DA*TA\\FORM.ZLP"), 0u);

  EXPECT_EQ(zv::CheckSelectedFileName(""), kUnusable);
  EXPECT_EQ(zv::CheckSelectedFileName(" \t"), kUnusable);
  EXPECT_EQ(zv::CheckSelectedFileName("FORM.TXT"), kUnusable);
  EXPECT_EQ(zv::CheckSelectedFileName("FORM.ZLC"), kUnusable);
  EXPECT_EQ(zv::CheckSelectedFileName("FORM.ZLP.BAK"), kUnusable);
  EXPECT_EQ(zv::CheckSelectedFileName("_FORM.ZLP"), kUnusable);
  EXPECT_EQ(zv::CheckSelectedFileName("C:\\DATA\\_FORM.ZLP"), kUnusable);
  EXPECT_EQ(zv::CheckSelectedFileName("_FORM"), kUnusable);
  EXPECT_EQ(zv::CheckSelectedFileName("FO*RM.ZLP"), kUnusable);
  EXPECT_EQ(zv::CheckSelectedFileName("C:\\DATA\\FO?RM"), kUnusable);
  EXPECT_EQ(zv::CheckSelectedFileName("C:FORM.ZLP"), kUnusable);
  // The last '.' lies in a directory part: the name has no .ZLP extension.
  EXPECT_EQ(zv::CheckSelectedFileName("C:\\DATA.OLD\\FORM"), kUnusable);
}

TEST(DialogRulesTest, PickedNameIsAcceptedOnlyWithTheFormFileExtension) {
  const std::string zlpOnly = Message(zv::kMsgFilterZlpName);
  ASSERT_FALSE(zlpOnly.empty());
  const char* filter = zlpOnly.c_str();
  EXPECT_FALSE(zv::IsRefusedFormFileName("C:\\DATA\\FORM.ZLP", filter));
  EXPECT_FALSE(zv::IsRefusedFormFileName("c:\\data\\form.zlp", filter));
  EXPECT_FALSE(zv::IsRefusedFormFileName("FORM.Zlp", filter));
  EXPECT_FALSE(zv::IsRefusedFormFileName("C:\\_DATA\\FORM.ZLP", filter));
  // Nothing chosen yet is left to the dialog.
  EXPECT_FALSE(zv::IsRefusedFormFileName("", filter));

  EXPECT_TRUE(zv::IsRefusedFormFileName("_FORM.ZLP", filter));
  EXPECT_TRUE(zv::IsRefusedFormFileName("C:\\DATA\\_FORM.ZLP", filter));
  EXPECT_TRUE(zv::IsRefusedFormFileName("C:\\DATA\\FORM.ZLC", filter));
  EXPECT_TRUE(zv::IsRefusedFormFileName("C:\\DATA\\FORM.ZL", filter));
  EXPECT_TRUE(zv::IsRefusedFormFileName("C:\\DATA\\FORM.ZLPX", filter));
  EXPECT_TRUE(zv::IsRefusedFormFileName("C:\\DATA\\FORM", filter));
  EXPECT_TRUE(zv::IsRefusedFormFileName("C:\\DATA.ZLP\\FORM", filter));
  EXPECT_TRUE(zv::IsRefusedFormFileName("C:\\DATA.ZLP\\_FORM", filter));
}

TEST(DialogRulesTest, AFilterOfferingRawFilesLetsUnderscoreNamesThrough) {
  for (const uint32_t id : {zv::kMsgFilterAllFormFilesName, zv::kMsgFilterZlcName}) {
    const std::string description = Message(id);
    ASSERT_NE(description.find(".ZLC"), std::string::npos) << description;
    const char* filter = description.c_str();
    EXPECT_FALSE(zv::IsRefusedFormFileName("_FORM.ZLP", filter)) << description;
    EXPECT_FALSE(zv::IsRefusedFormFileName("C:\\DATA\\_F3000101.ZLP", filter)) << description;
    EXPECT_FALSE(zv::IsRefusedFormFileName("FORM.ZLP", filter)) << description;
    // The extension is still required.
    EXPECT_TRUE(zv::IsRefusedFormFileName("_FORM.ZLC", filter)) << description;
    EXPECT_TRUE(zv::IsRefusedFormFileName("C:\\DATA.ZLP\\_FORM", filter)) << description;
  }
  // Only the description counts, and only with the extension in capitals.
  EXPECT_TRUE(zv::IsRefusedFormFileName("_FORM.ZLP", "Files (*.zlc)"));
  EXPECT_TRUE(zv::IsRefusedFormFileName("_FORM.ZLP", "Files ZLC"));
  EXPECT_TRUE(zv::IsRefusedFormFileName("_FORM.ZLP", ""));
}

TEST(DialogRulesTest, FileFieldSplitsIntoStartDirectoryAndName) {
  Split s = SplitField("C:\\DATA\\FORM.ZLP");
  EXPECT_EQ(s.directory, "C:\\DATA");
  EXPECT_EQ(s.file, "FORM.ZLP");
  // A drive root keeps its backslash.
  s = SplitField("C:\\FORM.ZLP");
  EXPECT_EQ(s.directory, "C:\\");
  EXPECT_EQ(s.file, "FORM.ZLP");
  s = SplitField("C:\\DATA\\");
  EXPECT_EQ(s.directory, "C:\\DATA");
  EXPECT_EQ(s.file, "");
  s = SplitField("\\\\SERVER\\SHARE\\FORM.ZLP");
  EXPECT_EQ(s.directory, "\\\\SERVER\\SHARE");
  EXPECT_EQ(s.file, "FORM.ZLP");
  s = SplitField("\\FORM.ZLP");
  EXPECT_EQ(s.directory, "");
  EXPECT_EQ(s.file, "FORM.ZLP");
  // Without a backslash the remembered directory is the start.
  s = SplitField("FORM.ZLP", "D:\\WORK");
  EXPECT_EQ(s.directory, "D:\\WORK");
  EXPECT_EQ(s.file, "FORM.ZLP");
  s = SplitField("", "C:\\");
  EXPECT_EQ(s.directory, "C:\\");
  EXPECT_EQ(s.file, "");
}

TEST(DialogRulesTest, FileFieldNameWithAForbiddenCharacterIsNotOffered) {
  Split s = SplitField("C:\\DATA\\*.ZLP");
  EXPECT_EQ(s.directory, "C:\\DATA");
  EXPECT_EQ(s.file, "");
  s = SplitField("C:FORM.ZLP", "D:\\WORK");
  EXPECT_EQ(s.directory, "D:\\WORK");
  EXPECT_EQ(s.file, "");
  s = SplitField("FO|RM", "D:\\WORK");
  EXPECT_EQ(s.file, "");
  // Only the name is judged, not the directory.
  s = SplitField("C:\\DA?TA\\FORM.ZLP");
  EXPECT_EQ(s.directory, "C:\\DA?TA");
  EXPECT_EQ(s.file, "FORM.ZLP");
  // An underscore is the acceptance rule's matter, not the split's.
  s = SplitField("C:\\DATA\\_FORM.ZLP");
  EXPECT_EQ(s.file, "_FORM.ZLP");
}

TEST(DialogRulesTest, FileFieldOfTheLongestLengthSplitsWhole) {
  const std::string directory = "C:\\" + std::string(200, 'D');
  const std::string name = std::string(plat::kMaxPath - directory.size() - 1 - 4, 'N') + ".ZLP";
  const std::string text = directory + "\\" + name;
  ASSERT_EQ(text.size(), plat::kMaxPath);
  const Split s = SplitField(text);
  EXPECT_EQ(s.directory, directory);
  EXPECT_EQ(s.file, name);
  const Split bare = SplitField(std::string(plat::kMaxPath, 'N'), directory.c_str());
  EXPECT_EQ(bare.file, std::string(plat::kMaxPath, 'N'));
  EXPECT_EQ(bare.directory, directory);
}

TEST(DialogRulesTest, RememberedDirectoryIsTheTextBeforeTheLastBackslash) {
  for (const bool keepRoot : {true, false}) {
    EXPECT_EQ(SettingDirectory("C:\\DATA\\FORM.ZLP", keepRoot), "C:\\DATA");
    EXPECT_EQ(SettingDirectory("C:\\DATA\\SUB\\FORM.ZLP", keepRoot), "C:\\DATA\\SUB");
    EXPECT_EQ(SettingDirectory("\\\\SERVER\\SHARE\\FORM.ZLP", keepRoot), "\\\\SERVER\\SHARE");
    // Without a backslash the path is kept whole.
    EXPECT_EQ(SettingDirectory("FORM.ZLP", keepRoot), "FORM.ZLP");
    EXPECT_EQ(SettingDirectory("C:FORM.ZLP", keepRoot), "C:FORM.ZLP");
  }
  // A file in a drive root: the root for the pickers of existing files, the
  // drive alone for the form/file settings picker.
  EXPECT_EQ(SettingDirectory("C:\\FORM.ZLP", true), "C:\\");
  EXPECT_EQ(SettingDirectory("C:\\FORM.ZLP", false), "C:");
  EXPECT_EQ(SettingDirectory("\\FORM.ZLP", true), "");
}

std::string HelpName(size_t length) {
  std::string name(length - 4, 'H');
  return name + ".HLP";
}

TEST(DialogRulesTest, HelpFileWithADriveIsUsedWhole) {
  EXPECT_EQ(HelpPath("C:\\DRIVERS\\", "D:\\HELP\\X.HLP"), "D:\\HELP\\X.HLP");
  EXPECT_EQ(HelpPath("C:\\DRIVERS\\", "c:\\x.hlp"), "c:\\x.hlp");
  EXPECT_EQ(HelpPath("", "D:\\HELP\\X.HLP"), "D:\\HELP\\X.HLP");
  const std::string longest = "D:\\" + HelpName(plat::kMaxPath - 3);
  EXPECT_EQ(HelpPath("C:\\DRIVERS\\", longest), longest);
}

TEST(DialogRulesTest, HelpFileWithoutADriveIsTakenBesideTheModule) {
  EXPECT_EQ(HelpPath("C:\\DRIVERS\\", "X.HLP"), "C:\\DRIVERS\\X.HLP");
  EXPECT_EQ(HelpPath("C:\\DRIVERS\\", "\\HELP\\X.HLP"), "C:\\DRIVERS\\\\HELP\\X.HLP");
  EXPECT_EQ(HelpPath("C:\\DRIVERS\\", "\\\\SERVER\\X.HLP"), "C:\\DRIVERS\\\\\\SERVER\\X.HLP");
  EXPECT_EQ(HelpPath("C:\\DRIVERS\\", "D:X.HLP"), "C:\\DRIVERS\\D:X.HLP");
  EXPECT_EQ(HelpPath("C:\\", "X.HLP"), "C:\\X.HLP");
  // No answer from the driver: the module's directory itself.
  EXPECT_EQ(HelpPath("C:\\DRIVERS\\", ""), "C:\\DRIVERS\\");
  // No module directory either: the name as the driver gave it.
  EXPECT_EQ(HelpPath("", "X.HLP"), "X.HLP");
}

TEST(DialogRulesTest, HelpPathIsCutToTheLongestPath) {
  const std::string directory = "C:\\" + std::string(240, 'M') + "\\";
  const std::string joined = directory + HelpName(40);
  const std::string path = HelpPath(directory, HelpName(40));
  EXPECT_EQ(path.size(), plat::kMaxPath);
  EXPECT_EQ(path, joined.substr(0, plat::kMaxPath));
  const std::string fits = HelpName(plat::kMaxPath - directory.size());
  EXPECT_EQ(HelpPath(directory, fits), directory + fits);
}

// The form/file settings dialog's path: some cases look at real
// directories, which the system directory fixture provides in both builds
// (natively as the drives C: and D:).
class FormFilePathTest : public zvtest::SystemDirTest {
 protected:
  // 0 and the path, or the message id and the path left empty.
  std::string Compose(const std::string& text, const std::string& current, uint32_t expected = 0) {
    char path[plat::kPathBuffer];
    std::memset(path, 'x', sizeof path);
    EXPECT_EQ(zv::ComposeFormFilePath(text.c_str(), current.c_str(), path), expected) << text;
    if (expected != 0) {
      EXPECT_STREQ(path, "") << text;
    }
    return path;
  }
  // A directory of the scratch directory, without its trailing backslash.
  std::string MakeDirectory(const std::string& name) {
    const std::string path = Path(name);
    EXPECT_TRUE(plat::CreateDirectory(path.c_str())) << path;
    return path;
  }
};

TEST_F(FormFilePathTest, BareNameGoesIntoTheRememberedDirectory) {
  EXPECT_EQ(Compose("FORM", "C:\\DATA"), "C:\\DATA\\FORM.ZLP");
  EXPECT_EQ(Compose("FORM.ZLP", "C:\\DATA\\"), "C:\\DATA\\FORM.ZLP");
  EXPECT_EQ(Compose("form.zlp", "C:\\"), "C:\\form.zlp");
  // The remembered directory need not exist for a bare name.
  EXPECT_EQ(Compose("FORM", Path("MISSING")), Path("MISSING\\FORM.ZLP"));
  // A remembered bare drive (as the form/file settings picker stores a
  // root) is taken as its root.
  EXPECT_EQ(Compose("FORM", "C:"), "C:\\FORM.ZLP");
  // A name with another extension gets the extension added.
  EXPECT_EQ(Compose("FORM.TXT", "C:\\DATA"), "C:\\DATA\\FORM.TXT.ZLP");
  EXPECT_EQ(Compose(" FORM ", "C:\\DATA"), "C:\\DATA\\ FORM .ZLP");
}

TEST_F(FormFilePathTest, TypedDirectoryMustExist) {
  const std::string dir = MakeDirectory("NEW");
  EXPECT_EQ(Compose(dir + "\\FORM.zlp", "D:\\ELSEWHERE"), dir + "\\FORM.zlp");
  EXPECT_EQ(Compose(dir + "\\FORM", "D:\\ELSEWHERE"), dir + "\\FORM.ZLP");
  EXPECT_EQ(Compose(Path("FORM.TXT"), ""), Path("FORM.TXT.ZLP"));
  // A drive root exists as a drive.
  EXPECT_EQ(Compose("C:\\FORM", "D:\\ELSEWHERE"), "C:\\FORM.ZLP");
  // A '.' in a directory part is no extension.
  const std::string dotted = MakeDirectory("OLD.ZLP");
  EXPECT_EQ(Compose(dotted + "\\FORM", ""), dotted + "\\FORM.ZLP");

  Compose(Path("MISSING\\FORM"), "C:\\DATA", zv::kMsgDirectoryMissing);
  Compose(Path("MISSING\\FORM.ZLP"), "C:\\DATA", zv::kMsgDirectoryMissing);
}

TEST_F(FormFilePathTest, UnusableNamesAreRefusedWith411BeforeTheDirectoryIsLookedAt) {
  Compose("", "C:\\DATA", kUnusable);
  Compose(" \t ", "C:\\DATA", kUnusable);
  Compose("_FORM.ZLP", "C:\\DATA", kUnusable);
  Compose("_FORM", "C:\\DATA", kUnusable);
  Compose("FO*RM", "C:\\DATA", kUnusable);
  Compose("C:FORM", "C:\\DATA", kUnusable);
  Compose(Path("_FORM"), "", kUnusable);
  Compose(Path("MISSING\\_FORM"), "", kUnusable);
  Compose(Path("MISSING\\FO<RM"), "", kUnusable);
  // A directory with nothing after it names no file.
  Compose(Path(""), "", kUnusable);
  // An underscore in a directory part is allowed.
  const std::string dir = MakeDirectory("_GROUP");
  EXPECT_EQ(Compose(dir + "\\FORM", ""), dir + "\\FORM.ZLP");
}

TEST_F(FormFilePathTest, PathsOf259CharactersOrMoreAreRefusedWith418) {
  // Bare names: the remembered directory, a backslash and the name.
  const std::string current = "C:\\" + std::string(243, 'D');  // 246 characters
  std::string name = std::string(7, 'N') + ".ZLP";             // 11: 258 in all
  EXPECT_EQ(Compose(name, current).size(), 258u);
  Compose("N" + name, current, zv::kMsgFileNameTooLong);
  // The added extension counts too.
  EXPECT_EQ(Compose(std::string(7, 'N'), current).size(), 258u);
  Compose(std::string(8, 'N'), current, zv::kMsgFileNameTooLong);

  // Typed paths, in a directory that exists.
  const std::string dir = Dir();
  ASSERT_LT(dir.size(), 200u);
  const std::string typed = dir + std::string(258 - dir.size() - 4, 'T') + ".ZLP";
  EXPECT_EQ(Compose(typed, "").size(), 258u);
  Compose(dir + "T" + typed.substr(dir.size()), "", zv::kMsgFileNameTooLong);
  const std::string bare = dir + std::string(258 - dir.size() - 4, 'T');
  EXPECT_EQ(Compose(bare, "").size(), 258u);
  Compose(bare + "T", "", zv::kMsgFileNameTooLong);
  // A missing directory is reported before the length.
  Compose(dir + "MISSING\\" + std::string(251 - dir.size(), 'T'), "", zv::kMsgDirectoryMissing);
}

// The change form dialog's new path for an overlay data file.
class RenamedFilePathTest : public zvtest::SystemDirTest {
 protected:
  // 0 and the path, or the message id and the path left empty.
  std::string Compose(const std::string& text, const std::string& current, uint32_t expected = 0) {
    char path[plat::kPathBuffer];
    std::memset(path, 'x', sizeof path);
    EXPECT_EQ(zv::ComposeRenamedFilePath(text.c_str(), current.c_str(), path), expected) << text;
    if (expected != 0) {
      EXPECT_STREQ(path, "") << text;
    }
    return path;
  }
  std::string MakeDirectory(const std::string& name) {
    const std::string path = Path(name);
    EXPECT_TRUE(plat::CreateDirectory(path.c_str())) << path;
    return path;
  }
};

TEST_F(RenamedFilePathTest, BareNameGoesIntoTheCurrentDirectoryWithTheFormFileExtension) {
  EXPECT_EQ(Compose("NEWFORM", "C:\\DATA"), "C:\\DATA\\NEWFORM.ZLP");
  EXPECT_EQ(Compose("NEWFORM", "C:\\DATA\\"), "C:\\DATA\\NEWFORM.ZLP");
  EXPECT_EQ(Compose("NEWFORM", "C:\\"), "C:\\NEWFORM.ZLP");
  // The extension is written in capitals whatever case was typed.
  EXPECT_EQ(Compose("logo.zlp", "C:\\DATA"), "C:\\DATA\\logo.ZLP");
  EXPECT_EQ(Compose("Logo.ZlP", "C:\\DATA"), "C:\\DATA\\Logo.ZLP");
  // The current directory need not exist, and a dot in it is no extension.
  EXPECT_EQ(Compose("NEWFORM", Path("MISSING.DIR")), Path("MISSING.DIR\\NEWFORM.ZLP"));
  // Blanks are a name like any other.
  EXPECT_EQ(Compose(" ", "C:\\DATA"), "C:\\DATA\\ .ZLP");
}

TEST_F(RenamedFilePathTest, OtherExtensionsAndCatalogueNamesAreRefusedWith411) {
  Compose("", "C:\\DATA", kUnusable);
  Compose("NEWFORM.ZLC", "C:\\DATA", kUnusable);
  Compose("NEWFORM.ZLP.TXT", "C:\\DATA", kUnusable);
  Compose("NEWFORM.", "C:\\DATA", kUnusable);
  Compose("_NAME", "C:\\DATA", kUnusable);
  Compose("_NAME.ZLP", "C:\\DATA", kUnusable);
  const std::string dir = MakeDirectory("OVL");
  Compose(dir + "\\LOGO.ZLC", "C:\\DATA", kUnusable);
  Compose(dir + "\\_LOGO.ZLP", "C:\\DATA", kUnusable);
  // A directory with nothing after it names no file.
  Compose(dir + "\\", "C:\\DATA", kUnusable);
  // An underscore name is refused before its directory is looked at.
  Compose(Path("MISSING\\_LOGO"), "C:\\DATA", kUnusable);
}

TEST_F(RenamedFilePathTest, TypedPlaceKeepsItsDirectoryWhichMustExist) {
  const std::string dir = MakeDirectory("OVL");
  EXPECT_EQ(Compose(dir + "\\logo.zlp", "D:\\ELSEWHERE"), dir + "\\logo.ZLP");
  EXPECT_EQ(Compose(dir + "\\LOGO", "D:\\ELSEWHERE"), dir + "\\LOGO.ZLP");
  // A drive root exists as a drive.
  EXPECT_EQ(Compose("C:\\LOGO", "D:\\ELSEWHERE"), "C:\\LOGO.ZLP");
  // Dots and underscores in the directory part do not count.
  const std::string dotted = MakeDirectory("_OLD.ZLC");
  EXPECT_EQ(Compose(dotted + "\\LOGO", ""), dotted + "\\LOGO.ZLP");

  Compose(Path("MISSING\\LOGO.ZLP"), "C:\\DATA", zv::kMsgDirectoryMissing);
  // The directory is looked at before the extension.
  Compose(Path("MISSING\\LOGO.ZLC"), "C:\\DATA", zv::kMsgDirectoryMissing);
}

TEST_F(RenamedFilePathTest, PathsLongerThan260CharactersAreRefusedWith411) {
  const std::string current = "C:\\" + std::string(247, 'D');  // 250 characters
  EXPECT_EQ(Compose("NNNNN", current).size(), 260u);           // 250 + 1 + 5 + 4
  Compose("NNNNNN", current, kUnusable);
  EXPECT_EQ(Compose("NNNNNN.zlp", current.substr(0, 249)).size(), 260u);
  Compose("NNNNNNN.zlp", current.substr(0, 249), kUnusable);
  const std::string dir = MakeDirectory("OVL") + "\\";
  const std::string name(260 - dir.size() - 4, 'N');
  EXPECT_EQ(Compose(dir + name, ""), dir + name + ".ZLP");
  Compose(dir + name + "N", "", kUnusable);
}

}  // namespace
