// The add form and form/file settings dialogs, opened from the form settings
// dialog of the real module: what they refuse, what they register (checked
// byte for byte in the catalogue files), the remembered directory, and help.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "dialogs/form_settings_fixture.h"
#include "support/catalogue_files.h"
#include "support/dialog_driver.h"

namespace formsettings {
namespace {

using Strings = std::vector<std::string>;
using zvtest::FormListFile;
using zvtest::FormSpec;
using zvtest::GroupNameListFile;

// Controls of the form name picker and of the system's classic open-file
// dialog.
constexpr int kDetailForms = 2400;
constexpr int kPickerDirectories = 1121;
constexpr int kPickerFileName = 1152;

// Windows keeps the letter case of names as it likes; paths are compared
// without it.
std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

int RowOf(const zvtest::Dialog& picker, const std::string& row) {
  const std::vector<std::string> rows = picker.ListItems(kPickerDirectories);
  for (size_t i = 0; i < rows.size(); ++i) {
    if (Upper(rows[i]) == Upper(row)) return static_cast<int>(i);
  }
  ADD_FAILURE() << "no row " << row << " in " << ::testing::PrintToString(rows);
  return -1;
}

class AddFormTest : public BothSets {
 protected:
  void SetUp() override {
    BothSets::SetUp();
    forms_ = Dir() + "FORMS";
    ASSERT_TRUE(CreateDirectoryA(forms_.c_str(), nullptr));
    SetRememberedDirectory(forms_);
  }

  // Named forms ALPHA (2) and BETA (3) with their save directories.
  void WriteCatalogue() {
    WriteFormList(FormListFile(named_, {}));
    WriteGroupList(GroupNameListFile(groups_));
  }

  // Opens the add form dialog from the form settings dialog.
  zvtest::Dialog OpenAddForm(zvtest::DialogRun& run, zvtest::Dialog* settings) {
    *settings = run.WaitForDialog(TitlesOfSet().settings);
    settings->Click(kAdd);
    return run.WaitForDialog(TitlesOfSet().addForm);
  }

  std::string DetailsTitle() const { return English() ? "Form Details" : "Detalles del formulario"; }

  std::string forms_;
  std::vector<FormSpec> named_ = {{2, "ALPHA", "First", 1, 0}, {3, "BETA", "Second", 2, 1}};
  std::vector<std::string> groups_ = {Dir() + "A", Dir() + "B"};
};

TEST_P(AddFormTest, StartsEmptyInFrontWithTheRememberedDirectory) {
  WriteCatalogue();
  int32_t id = 2;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog add = OpenAddForm(run, &settings);
  EXPECT_EQ(add.Text(kFormName), "");
  EXPECT_EQ(add.Text(kFormDescription), "");
  EXPECT_EQ(add.TextLimit(kFormName), 24);
  EXPECT_EQ(add.TextLimit(kFormDescription), 255);
  EXPECT_TRUE(add.IsChecked(kToFront));
  EXPECT_FALSE(add.IsChecked(kToBack));
  EXPECT_EQ(add.Text(kSaveTo), forms_);
  EXPECT_TRUE(add.IsEnabled(kFormBrowse));
  // Typing stops at the limits.
  add.SetText(kFormName, std::string(30, 'N'));
  EXPECT_EQ(add.Text(kFormName), std::string(24, 'N'));
  add.SetText(kFormDescription, std::string(300, 'D'));
  EXPECT_EQ(add.Text(kFormDescription), std::string(255, 'D'));
  add.Click(kCancel);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
}

TEST_P(AddFormTest, BrowseNeedsANamedForm) {
  int32_t id = 0;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog add = OpenAddForm(run, &settings);
  EXPECT_FALSE(add.IsEnabled(kFormBrowse));
  add.Click(kCancel);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
}

TEST_P(AddFormTest, RefusesUnusableAndExistingNames) {
  WriteCatalogue();
  const std::string forms = ReadFile(FormListPath());
  const std::string groups = ReadFile(GroupListPath());
  int32_t id = 2;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog add = OpenAddForm(run, &settings);
  for (const char* name : {"A/B", "A\\B", "", " \t "}) {
    add.SetText(kFormName, name);
    add.Click(kOk);
    ExpectRefusal(run, add, 405);
    EXPECT_EQ(add.Text(kFormName), name);
  }
  add.SetText(kFormName, "BETA");
  add.SetText(kFormDescription, "Kept");
  add.Click(kOk);
  ExpectRefusal(run, add, 406);
  EXPECT_EQ(add.Text(kFormDescription), "Kept");
  add.Click(kCancel);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(ReadFile(FormListPath()), forms);
  EXPECT_EQ(ReadFile(GroupListPath()), groups);
}

TEST_P(AddFormTest, RegistersTheFormAndSelectsIt) {
  WriteCatalogue();
  int32_t id = 3;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog add = OpenAddForm(run, &settings);
  add.SetText(kFormName, "NEW FORM");
  add.SetText(kFormDescription, "Fresh one");
  add.Click(kToBack);
  add.Click(kOk);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  EXPECT_EQ(settings.ListItems(kForms), (Strings{"ALPHA", "BETA", "NEW FORM"}));
  EXPECT_EQ(settings.ListSelection(kForms), 2);
  EXPECT_EQ(settings.Text(kDescription), "Fresh one");
  EXPECT_EQ(settings.Text(kLayer), Message(310));
  EXPECT_EQ(settings.ListItems(kOverlays), Strings{});

  // The lowest free identifier, after the named forms; the save directory
  // as its group text.
  std::vector<FormSpec> named = named_;
  named.push_back({1, "NEW FORM", "Fresh one", 2, 2});
  std::vector<std::string> groups = groups_;
  groups.push_back(forms_);
  EXPECT_EQ(ReadFile(FormListPath()), FormListFile(named, {}));
  EXPECT_EQ(ReadFile(GroupListPath()), GroupNameListFile(groups));
  EXPECT_EQ(RememberedDirectory(), forms_);

  settings.Click(kOk);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(id, 1);
  EXPECT_TRUE(run.Boxes().empty());
}

TEST_P(AddFormTest, FirstFormOfAnEmptyCatalogue) {
  int32_t id = 0;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog add = OpenAddForm(run, &settings);
  // A trailing blank is part of the name.
  add.SetText(kFormName, "FIRST ");
  add.Click(kOk);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  EXPECT_EQ(settings.ListItems(kForms), Strings{"FIRST "});
  EXPECT_TRUE(settings.IsEnabled(kOk));
  EXPECT_EQ(settings.Text(kLayer), Message(309));
  EXPECT_EQ(ReadFile(FormListPath()), FormListFile({{1, "FIRST ", "", 1, 0}}, {}));
  EXPECT_EQ(ReadFile(GroupListPath()), GroupNameListFile({forms_}));
  settings.Click(kOk);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(id, 1);
}

TEST_P(AddFormTest, CancelRegistersNothing) {
  WriteCatalogue();
  const std::string forms = ReadFile(FormListPath());
  const std::string groups = ReadFile(GroupListPath());
  int32_t id = 2;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog add = OpenAddForm(run, &settings);
  add.SetText(kFormName, "UNSAVED");
  add.Click(kCancel);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  EXPECT_EQ(settings.ListItems(kForms), (Strings{"ALPHA", "BETA"}));
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(id, 2);
  EXPECT_EQ(ReadFile(FormListPath()), forms);
  EXPECT_EQ(ReadFile(GroupListPath()), groups);
  EXPECT_EQ(RememberedDirectory(), forms_);
}

TEST_P(AddFormTest, HelpOfTheAddFormDialogEndsWithTheSettingsDialog) {
  WriteCatalogue();
  zvtest::HelpWatcher help;
  int32_t id = 2;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog add = OpenAddForm(run, &settings);
  add.Click(kHelp);
  add = run.WaitForDialog(TitlesOfSet().addForm);
  add.Click(kCancel);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  std::vector<zvtest::HelpCall> calls = help.WaitForCalls(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls[0].data, 300005u);
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  calls = help.WaitForCalls(2);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].command, static_cast<UINT>(HELP_QUIT));
}

TEST_P(AddFormTest, BrowseTakesNameAndDescriptionOfAnExistingForm) {
  WriteCatalogue();
  int32_t id = 2;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog add = OpenAddForm(run, &settings);
  add.SetText(kFormName, "BETA");
  add.SetText(kFormDescription, "Typed");
  add.Click(kFormBrowse);
  zvtest::Dialog picker = run.WaitForDialog(DetailsTitle());
  EXPECT_EQ(picker.ListItems(kDetailForms), (Strings{"ALPHA", "BETA"}));
  // The typed name is preselected.
  EXPECT_EQ(picker.ListSelection(kDetailForms), 1);
  picker.SelectRow(kDetailForms, 0);
  picker.Click(kOk);
  add = run.WaitForDialog(TitlesOfSet().addForm);
  EXPECT_EQ(add.Text(kFormName), "ALPHA");
  EXPECT_EQ(add.Text(kFormDescription), "First");

  // That name is taken; another one registers with the description taken.
  add.Click(kOk);
  ExpectRefusal(run, add, 406);
  add.SetText(kFormName, "ALPHA 2");
  add.Click(kOk);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  std::vector<FormSpec> named = named_;
  named.push_back({1, "ALPHA 2", "First", 1, 2});
  EXPECT_EQ(ReadFile(FormListPath()), FormListFile(named, {}));
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
}

TEST_P(AddFormTest, BrowseCancelledKeepsWhatWasTyped) {
  WriteCatalogue();
  int32_t id = 2;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog add = OpenAddForm(run, &settings);
  add.SetText(kFormName, "MINE");
  add.SetText(kFormDescription, "Typed");
  add.Click(kFormBrowse);
  zvtest::Dialog picker = run.WaitForDialog(DetailsTitle());
  picker.SelectRow(kDetailForms, 1);
  picker.Click(kCancel);
  add = run.WaitForDialog(TitlesOfSet().addForm);
  EXPECT_EQ(add.Text(kFormName), "MINE");
  EXPECT_EQ(add.Text(kFormDescription), "Typed");
  add.Click(kCancel);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
}

TEST_P(AddFormTest, ChangedDirectoryIsRememberedEvenWhenCancelled) {
  WriteCatalogue();
  const std::string forms = ReadFile(FormListPath());
  const std::string groups = ReadFile(GroupListPath());
  const std::string sub = forms_ + "\\SUB";
  ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
  int32_t id = 2;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog add = OpenAddForm(run, &settings);
  add.Click(kChangeDirectory);
  zvtest::Dialog picker = run.WaitForDialog(Message(202));
  picker.DoubleClickRow(kPickerDirectories, RowOf(picker, "[SUB]"));
  picker.Click(kOk);
  add = run.WaitForDialog(TitlesOfSet().addForm);
  EXPECT_EQ(Upper(add.Text(kSaveTo)), Upper(sub));
  EXPECT_EQ(Upper(RememberedDirectory()), Upper(sub));
  add.Click(kCancel);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(Upper(RememberedDirectory()), Upper(sub));
  EXPECT_EQ(ReadFile(FormListPath()), forms);
  EXPECT_EQ(ReadFile(GroupListPath()), groups);
}

TEST_P(AddFormTest, ChangedDirectoryBecomesTheSaveDirectory) {
  WriteCatalogue();
  const std::string sub = forms_ + "\\SUB";
  ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
  int32_t id = 2;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog add = OpenAddForm(run, &settings);
  add.Click(kChangeDirectory);
  zvtest::Dialog picker = run.WaitForDialog(Message(202));
  picker.DoubleClickRow(kPickerDirectories, RowOf(picker, "[SUB]"));
  picker.Click(kOk);
  add = run.WaitForDialog(TitlesOfSet().addForm);
  const std::string chosen = add.Text(kSaveTo);
  EXPECT_EQ(Upper(chosen), Upper(sub));
  // A directory picker cancelled changes nothing.
  add.Click(kChangeDirectory);
  run.WaitForDialog(Message(202)).Click(kCancel);
  add = run.WaitForDialog(TitlesOfSet().addForm);
  EXPECT_EQ(add.Text(kSaveTo), chosen);
  add.SetText(kFormName, "GAMMA");
  add.Click(kOk);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  std::vector<std::string> groups = groups_;
  groups.push_back(chosen);
  EXPECT_EQ(ReadFile(GroupListPath()), GroupNameListFile(groups));
  EXPECT_EQ(RememberedDirectory(), chosen);
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sets, AddFormTest, ::testing::Bool(), SetName);

class FormFileTest : public BothSets {
 protected:
  void SetUp() override {
    BothSets::SetUp();
    data_ = Dir() + "DATA";
    ASSERT_TRUE(CreateDirectoryA(data_.c_str(), nullptr));
    SetRememberedDirectory(data_);
  }

  // A named form, so that identifier 0 opens in file mode, and the file
  // entries given.
  void WriteCatalogue(const std::vector<FormSpec>& entries, const std::vector<std::string>& entryTexts,
                      uint16_t last) {
    WriteFormList(FormListFile(named_, entries, last));
    std::vector<std::string> texts = {Dir() + "ALPHA"};
    texts.insert(texts.end(), entryTexts.begin(), entryTexts.end());
    WriteGroupList(GroupNameListFile(texts));
  }

  zvtest::Dialog OpenFormFile(zvtest::DialogRun& run, zvtest::Dialog* settings) {
    *settings = run.WaitForDialog(TitlesOfSet().settings);
    settings->Click(kAdd);
    return run.WaitForDialog(TitlesOfSet().formFile);
  }

  std::string data_;
  std::vector<FormSpec> named_ = {{2, "ALPHA", "", 1, 0}};
};

TEST_P(FormFileTest, NewEntryStartsEmptyInFront) {
  WriteCatalogue({}, {}, 0);
  int32_t id = 0;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog file = OpenFormFile(run, &settings);
  EXPECT_EQ(file.Text(kFile), "");
  EXPECT_EQ(file.Text(kFileDescription), "");
  EXPECT_EQ(file.TextLimit(kFile), 260);
  EXPECT_EQ(file.TextLimit(kFileDescription), 255);
  EXPECT_TRUE(file.IsChecked(kToFront));
  EXPECT_FALSE(file.IsChecked(kToBack));
  file.Click(kCancel);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
}

TEST_P(FormFileTest, BareNameGoesIntoTheRememberedDirectory) {
  WriteCatalogue({}, {}, 0);
  int32_t id = 0;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog file = OpenFormFile(run, &settings);
  file.SetText(kFile, "FORM");
  file.SetText(kFileDescription, "Capture");
  file.Click(kToBack);
  file.Click(kOk);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  const std::string path = data_ + "\\FORM.ZLP";
  EXPECT_EQ(settings.ListItems(kForms), Strings{path});
  EXPECT_TRUE(settings.IsEnabled(kOk));
  EXPECT_EQ(settings.Text(kDescription), "Capture");
  EXPECT_EQ(settings.Text(kLayer), Message(310));
  EXPECT_EQ(ReadFile(FormListPath()), FormListFile(named_, {{-1, "C", "Capture", 2, 1}}, 1));
  EXPECT_EQ(ReadFile(GroupListPath()), GroupNameListFile({Dir() + "ALPHA", path}));
  // The overlay data file itself is not made here.
  EXPECT_FALSE(zvtest::FileExists(path));
  settings.Click(kOk);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(id, -1);
}

TEST_P(FormFileTest, RefusesUnusableNamesAndMissingDirectories) {
  WriteCatalogue({}, {}, 0);
  const std::string forms = ReadFile(FormListPath());
  int32_t id = 0;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog file = OpenFormFile(run, &settings);
  for (const std::string& text : {std::string("_FORM.ZLP"), std::string("  "), std::string("A*B"),
                                  data_ + "\\_FORM", data_ + "\\A?B.ZLP"}) {
    file.SetText(kFile, text);
    file.Click(kOk);
    ExpectRefusal(run, file, 411);
    EXPECT_EQ(file.Text(kFile), text);
  }
  file.SetText(kFile, Dir() + "MISSING\\FORM");
  file.Click(kOk);
  ExpectRefusal(run, file, 611);
  file.Click(kCancel);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(ReadFile(FormListPath()), forms);
}

TEST_P(FormFileTest, TooLongAPathIsRefused) {
  WriteCatalogue({}, {}, 0);
  SetRememberedDirectory("C:\\" + std::string(252, 'X'));
  int32_t id = 0;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog file = OpenFormFile(run, &settings);
  file.SetText(kFile, "FORM");
  file.Click(kOk);
  // Only the local set has this message; the English box stays empty.
  ExpectRefusal(run, file, 418);
  file.Click(kCancel);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
}

TEST_P(FormFileTest, TypedPathIsKeptWithItsExtensionInAnyCase) {
  WriteCatalogue({}, {}, 0);
  int32_t id = 0;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog file = OpenFormFile(run, &settings);
  const std::string path = data_ + "\\Form.zlp";
  file.SetText(kFile, path);
  file.Click(kOk);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  EXPECT_EQ(settings.ListItems(kForms), Strings{path});
  EXPECT_EQ(ReadFile(GroupListPath()), GroupNameListFile({Dir() + "ALPHA", path}));
  settings.Click(kOk);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(id, -1);
}

TEST_P(FormFileTest, AsksBeforeNamingAnExistingFile) {
  WriteCatalogue({}, {}, 0);
  const std::string forms = ReadFile(FormListPath());
  const std::string path = data_ + "\\OLD.TXT.ZLP";
  ASSERT_TRUE(zvtest::WriteWholeFile(path, "old data"));
  int32_t id = 0;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog file = OpenFormFile(run, &settings);
  file.SetText(kFile, "OLD.TXT");
  file.Click(kOk);
  zvtest::Box box = run.WaitForBox();
  EXPECT_EQ(box.text, Message(606));
  EXPECT_TRUE(box.questionIcon);
  EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
  run.AnswerBox(IDNO);
  file = run.WaitForDialog(TitlesOfSet().formFile);
  EXPECT_EQ(ReadFile(FormListPath()), forms);

  file.Click(kOk);
  EXPECT_EQ(run.WaitForBox().text, Message(606));
  run.AnswerBox(IDYES);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  EXPECT_EQ(ReadFile(FormListPath()), FormListFile(named_, {{-1, "C", "", 1, 1}}, 1));
  EXPECT_EQ(ReadFile(GroupListPath()), GroupNameListFile({Dir() + "ALPHA", path}));
  EXPECT_EQ(ReadFile(path), "old data");
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(id, 0);
}

TEST_P(FormFileTest, PrintingEntryShownGetsANewCaptureEntry) {
  const std::vector<FormSpec> entries = {{-1, "P", "Logo", 2, 1}};
  WriteCatalogue(entries, {"LOGO.ZLP"}, 1);
  int32_t id = -1;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog file = OpenFormFile(run, &settings);
  EXPECT_EQ(file.Text(kFile), "");
  EXPECT_TRUE(file.IsChecked(kToFront));
  file.SetText(kFile, "NEXT");
  file.Click(kOk);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  const std::string path = data_ + "\\NEXT.ZLP";
  EXPECT_EQ(settings.ListItems(kForms), Strings{path});
  EXPECT_EQ(ReadFile(FormListPath()), FormListFile(named_, {entries[0], {-2, "C", "", 1, 2}}, 2));
  EXPECT_EQ(ReadFile(GroupListPath()), GroupNameListFile({Dir() + "ALPHA", "LOGO.ZLP", path}));
  settings.Click(kOk);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(id, -2);
}

TEST_P(FormFileTest, ShownCaptureEntryIsRewritten) {
  const std::vector<FormSpec> entries = {{-1, "P", "Logo", 1, 1}, {-2, "C", "Old text", 2, 2}};
  WriteCatalogue(entries, {"LOGO.ZLP", data_ + "\\OLD.ZLP"}, 2);
  int32_t id = -2;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog file = OpenFormFile(run, &settings);
  EXPECT_EQ(file.Text(kFile), data_ + "\\OLD.ZLP");
  EXPECT_EQ(file.Text(kFileDescription), "Old text");
  EXPECT_TRUE(file.IsChecked(kToBack));
  file.SetText(kFile, "RENAMED");
  file.SetText(kFileDescription, "New text");
  file.Click(kToFront);
  file.Click(kOk);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  const std::string path = data_ + "\\RENAMED.ZLP";
  EXPECT_EQ(settings.ListItems(kForms), Strings{path});
  EXPECT_EQ(settings.Text(kDescription), "New text");
  EXPECT_EQ(settings.Text(kLayer), Message(309));
  EXPECT_EQ(ReadFile(FormListPath()), FormListFile(named_, {entries[0], {-2, "C", "New text", 1, 2}}, 2));
  EXPECT_EQ(ReadFile(GroupListPath()), GroupNameListFile({Dir() + "ALPHA", "LOGO.ZLP", path}));
  settings.Click(kOk);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(id, -2);
}

TEST_P(FormFileTest, FullRingOverwritesTheNextEntry) {
  std::vector<FormSpec> entries;
  std::vector<std::string> texts;
  for (int32_t i = 1; i <= 256; ++i) {
    entries.push_back({-i, i == 10 ? "P" : "C", "", 1, static_cast<uint32_t>(i)});
    texts.push_back("F" + std::to_string(i) + ".ZLP");
  }
  WriteCatalogue(entries, texts, 10);
  int32_t id = -10;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog file = OpenFormFile(run, &settings);
  file.SetText(kFile, "RING");
  file.Click(kOk);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  const std::string path = data_ + "\\RING.ZLP";
  entries[10] = {-11, "C", "", 1, 11};
  texts[10] = path;
  std::vector<std::string> groups = {Dir() + "ALPHA"};
  groups.insert(groups.end(), texts.begin(), texts.end());
  EXPECT_EQ(ReadFile(FormListPath()), FormListFile(named_, entries, 11));
  EXPECT_EQ(ReadFile(GroupListPath()), GroupNameListFile(groups));
  settings.Click(kOk);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(id, -11);
}

TEST_P(FormFileTest, CancelRecordsNothing) {
  WriteCatalogue({{-1, "C", "Kept", 1, 1}}, {data_ + "\\KEPT.ZLP"}, 1);
  const std::string forms = ReadFile(FormListPath());
  const std::string groups = ReadFile(GroupListPath());
  int32_t id = -1;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog file = OpenFormFile(run, &settings);
  file.SetText(kFile, "OTHER");
  file.Click(kCancel);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  EXPECT_EQ(settings.ListItems(kForms), Strings{data_ + "\\KEPT.ZLP"});
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(ReadFile(FormListPath()), forms);
  EXPECT_EQ(ReadFile(GroupListPath()), groups);
  EXPECT_EQ(RememberedDirectory(), data_);
}

TEST_P(FormFileTest, HelpOfTheFormFileDialog) {
  WriteCatalogue({}, {}, 0);
  zvtest::HelpWatcher help;
  int32_t id = 0;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog file = OpenFormFile(run, &settings);
  file.Click(kHelp);
  file = run.WaitForDialog(TitlesOfSet().formFile);
  file.Click(kCancel);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  const std::vector<zvtest::HelpCall> calls = help.WaitForCalls(2);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].data, 300006u);
  EXPECT_EQ(calls[1].command, static_cast<UINT>(HELP_QUIT));
}

TEST_P(FormFileTest, BrowseTakesTheFileWithItsOwnDescription) {
  WriteCatalogue({}, {}, 0);
  const std::string old = data_ + "\\OLD.ZLP";
  const std::string header = zvtest::Bytes().U32(319).Fixed("OLD", 25).Fixed("Old overlay", 256).str() +
                             zvtest::SettingsRecordBytes(MatchingRecord());
  ASSERT_TRUE(zvtest::WriteWholeFile(old, header + "page"));
  SetRememberedDirectory("C:\\");
  int32_t id = 0;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog file = OpenFormFile(run, &settings);
  file.SetText(kFile, old);
  file.Click(kFileBrowse);
  zvtest::Dialog picker = run.WaitForDialog(Message(203));
  EXPECT_EQ(picker.Text(kPickerFileName), "OLD.ZLP");
  picker.Click(kOk);
  file = run.WaitForDialog(TitlesOfSet().formFile);
  EXPECT_EQ(Upper(file.Text(kFile)), Upper(old));
  EXPECT_EQ(file.Text(kFileDescription), "Old overlay");
  EXPECT_EQ(Upper(RememberedDirectory()), Upper(data_));

  // A file yet to be made may be named; it has no description.
  file.Click(kFileBrowse);
  picker = run.WaitForDialog(Message(203));
  picker.SetText(kPickerFileName, "NEW.ZLP");
  picker.Click(kOk);
  file = run.WaitForDialog(TitlesOfSet().formFile);
  const std::string chosen = file.Text(kFile);
  EXPECT_EQ(Upper(chosen), Upper(data_ + "\\NEW.ZLP"));
  EXPECT_EQ(file.Text(kFileDescription), "");
  file.Click(kOk);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  EXPECT_EQ(ReadFile(GroupListPath()), GroupNameListFile({Dir() + "ALPHA", chosen}));
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
}

TEST_P(FormFileTest, BrowseCancelledChangesNothing) {
  WriteCatalogue({}, {}, 0);
  int32_t id = 0;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog settings;
  zvtest::Dialog file = OpenFormFile(run, &settings);
  file.SetText(kFile, "TYPED");
  file.SetText(kFileDescription, "Mine");
  file.Click(kFileBrowse);
  zvtest::Dialog picker = run.WaitForDialog(Message(203));
  picker.SetText(kPickerFileName, "OTHER.ZLP");
  picker.Click(kCancel);
  file = run.WaitForDialog(TitlesOfSet().formFile);
  EXPECT_EQ(file.Text(kFile), "TYPED");
  EXPECT_EQ(file.Text(kFileDescription), "Mine");
  EXPECT_EQ(RememberedDirectory(), data_);
  file.Click(kCancel);
  settings = run.WaitForDialog(TitlesOfSet().settings);
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sets, FormFileTest, ::testing::Bool(), SetName);

}  // namespace
}  // namespace formsettings
