// The add form and form/file settings dialogs, opened from the form settings
// dialog of the real module: what they refuse, what they register (checked
// byte for byte in the catalogue files), the remembered directory, and help.
#include <windows.h>

#include <gtest/gtest.h>

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

  // A refusal: the stop box with the message, then the dialog as it was.
  void ExpectRefusal(zvtest::DialogRun& run, const zvtest::Dialog& dialog, uint32_t message) {
    const zvtest::Box box = run.WaitForBox();
    EXPECT_EQ(box.text, Message(message));
    EXPECT_TRUE(box.stopIcon);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    run.AnswerBox(IDOK);
    EXPECT_TRUE(run.IsActive(dialog));
  }

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
  EXPECT_TRUE(run.IsActive(settings));
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
  EXPECT_TRUE(run.IsActive(settings));
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
  EXPECT_TRUE(run.IsActive(add));
  add.Click(kCancel);
  ASSERT_EQ(help.Calls().size(), 1u);
  EXPECT_EQ(help.Calls()[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(help.Calls()[0].data, 300005u);
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  ASSERT_EQ(help.Calls().size(), 2u);
  EXPECT_EQ(help.Calls()[1].command, static_cast<UINT>(HELP_QUIT));
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

  void ExpectRefusal(zvtest::DialogRun& run, const zvtest::Dialog& dialog, uint32_t message) {
    const zvtest::Box box = run.WaitForBox();
    EXPECT_EQ(box.text, Message(message));
    EXPECT_TRUE(box.stopIcon);
    run.AnswerBox(IDOK);
    EXPECT_TRUE(run.IsActive(dialog));
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
  EXPECT_TRUE(run.IsActive(settings));
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
  EXPECT_TRUE(run.IsActive(file));
  EXPECT_EQ(ReadFile(FormListPath()), forms);

  file.Click(kOk);
  EXPECT_EQ(run.WaitForBox().text, Message(606));
  run.AnswerBox(IDYES);
  EXPECT_TRUE(run.IsActive(settings));
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
  EXPECT_TRUE(run.IsActive(settings));
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
  EXPECT_TRUE(run.IsActive(file));
  file.Click(kCancel);
  settings.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  const std::vector<zvtest::HelpCall> calls = help.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].data, 300006u);
  EXPECT_EQ(calls[1].command, static_cast<UINT>(HELP_QUIT));
}

INSTANTIATE_TEST_SUITE_P(Sets, FormFileTest, ::testing::Bool(), SetName);

}  // namespace
}  // namespace formsettings
