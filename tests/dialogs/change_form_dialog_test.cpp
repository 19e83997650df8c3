// The change form dialog, opened on a context made here as the edit form
// dialog makes it, and driven as a user would. The program's own resources
// stand in for the module's (local set). What the dialog did is read from
// the catalogue files and overlay data files on disk afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/catalogue_config.h"
#include "dialogs/change_form_dialog.h"
#include "dialogs/dialog_contexts.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/module_frame.h"
#include "dialogs/resource_ids.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/dialog_driver.h"
#include "support/other_process.h"

namespace {

using zvtest::Bytes;
using zvtest::Upper;
using zvtest::FileExists;
using zvtest::ReadWholeFile;
using zvtest::WriteWholeFile;

constexpr char kLocalTitle[] = "Cambiar formulario";
constexpr char kEnglishTitle[] = "Change Form";
constexpr int32_t kInvoiceId = 0x301;
constexpr int32_t kOrderId = 0x302;
constexpr size_t kLayerByte = 287;
constexpr size_t kDescriptionAt = 29;

std::string Message(uint32_t id) {
  char text[zv::kMessageBufferSize] = {};
  zv::LoadMessage(id, text, sizeof text);
  return text;
}

// An overlay data file: the 319-byte header with name, description and a
// print settings record of the given layer, then the page data.
std::string OverlayFile(const std::string& description, uint8_t layer, const std::string& data) {
  zv::PrintSettings s{};
  s.mark = 1;
  s.layer = layer;
  s.modeLevel = 1;
  s.modelId = 0x4001;
  s.paperWidth = 2100;
  s.paperHeight = 2970;
  s.paperCode = 9;
  s.orientation = 1;
  s.resolution = 600;
  s.colour = 2;
  s.printingMode = 0x10;
  s.zoom = 100;
  return Bytes().U32(319).Fixed("INVOICE", 25).Fixed(description, 256).str() +
         zvtest::SettingsRecordBytes(s) + data;
}

// The header as a rewrite leaves it: the new description with its
// terminator over the old one, and the layer byte.
std::string Rewritten(std::string bytes, const std::string& description, uint8_t layer) {
  bytes.replace(kDescriptionAt, description.size() + 1, description + '\0');
  bytes[kLayerByte] = static_cast<char>(layer);
  return bytes;
}

// The name of a file as the directory lists it.
std::string StoredName(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return "";
  FindClose(search);
  return found.cFileName;
}

// Puts a text into a control as the edit form dialog does (WM_SETTEXT): the
// name field shows paths longer than the 24 characters a person may type
// into it.
void Put(const zvtest::Dialog& dialog, int id, const std::string& text) {
  SendMessageA(dialog.Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

class ChangeFormTest : public zvtest::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    GetCurrentDirectoryA(sizeof savedDirectory_, savedDirectory_);
    context_.reset(new zv::EditFormContext);
    std::memset(context_.get(), 0, sizeof *context_);
    context_->driverPath = ZV_SAMPLE_DRIVER_PATH;
    zv::CreateDialogBrush();
  }
  void TearDown() override {
    zv::DeleteDialogBrush();
    SetCurrentDirectoryA(savedDirectory_);
    CatalogueTest::TearDown();
  }

  std::function<int()> Open() {
    zv::EditFormContext* context = context_.get();
    return
        [context] { return static_cast<int>(zv::RunDialog("EDIT3", nullptr, zv::ChangeFormProc, context)); };
  }

  std::string Contents(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, &bytes)) << path;
    return bytes;
  }

  // A refusal: a stop box with the message, answered; the dialog stays.
  void ExpectRefusal(zvtest::DialogRun& run, const zvtest::Dialog& dialog, uint32_t message) {
    const zvtest::Box box = run.WaitForBox();
    EXPECT_EQ(box.text, Message(message));
    EXPECT_TRUE(box.stopIcon);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    run.AnswerBox(IDOK);
    EXPECT_TRUE(run.IsActive(dialog));
  }

  std::unique_ptr<zv::EditFormContext> context_;
  char savedDirectory_[MAX_PATH] = {};
};

// --- File mode ---------------------------------------------------------------

class ChangeFileTest : public ChangeFormTest {
 protected:
  void SetUp() override {
    ChangeFormTest::SetUp();
    original_ = OverlayFile("Company logo", 1, "page data of the logo");
    ASSERT_TRUE(WriteWholeFile(OldPath(), original_));
    context_->mode = zv::kEditModeFile;
    std::strcpy(context_->filePath, OldPath().c_str());
    std::strcpy(context_->fileDescription, "Company logo");
    context_->fileLayer = 1;
    ASSERT_TRUE(SetCurrentDirectoryA(Dir().c_str()));
  }
  std::string OldPath() const { return Path("LOGO.ZLP"); }

  std::string original_;
};

TEST_F(ChangeFileTest, ShowsTheFileItsDescriptionAndLayer) {
  context_->fileLayer = 2;
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  ASSERT_TRUE(dialog.IsOpen());
  EXPECT_EQ(dialog.Text(ZV_ID_CHANGE_NAME), OldPath());
  EXPECT_EQ(dialog.Text(ZV_ID_CHANGE_DESCRIPTION), "Company logo");
  EXPECT_TRUE(dialog.IsChecked(ZV_ID_TO_BACK));
  EXPECT_FALSE(dialog.IsChecked(ZV_ID_TO_FRONT));
  EXPECT_TRUE(dialog.IsVisible(ZV_ID_CHANGE_FILE_LABEL));
  for (const int id :
       {ZV_ID_CHANGE_FORM_LABEL, ZV_ID_CHANGE_SAVE_TO_LABEL, ZV_ID_CHANGE_SAVE_TO, ZV_ID_CHANGE_DIRECTORY}) {
    EXPECT_FALSE(dialog.IsVisible(id)) << id;
    EXPECT_FALSE(dialog.IsEnabled(id)) << id;
  }
  EXPECT_EQ(dialog.TextLimit(ZV_ID_CHANGE_NAME), 24);
  EXPECT_EQ(dialog.TextLimit(ZV_ID_CHANGE_DESCRIPTION), 255);
  // Typing stops at the limits.
  dialog.SetText(ZV_ID_CHANGE_NAME, std::string(30, 'N'));
  EXPECT_EQ(dialog.Text(ZV_ID_CHANGE_NAME), std::string(24, 'N'));
  dialog.SetText(ZV_ID_CHANGE_DESCRIPTION, std::string(300, 'D'));
  EXPECT_EQ(dialog.Text(ZV_ID_CHANGE_DESCRIPTION), std::string(255, 'D'));
  dialog.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
  EXPECT_EQ(Contents(OldPath()), original_);
  EXPECT_FALSE(FileExists(Path(std::string(24, 'N') + ".ZLP")));
  EXPECT_EQ(std::string(context_->filePath), OldPath());
  EXPECT_EQ(context_->fileLayer, 2);
}

// Layer 1 and any unknown layer show "to the front".
TEST_F(ChangeFileTest, EachLayerShowsItsButton) {
  for (const uint8_t layer : {0, 1, 2, 7}) {
    context_->fileLayer = layer;
    zvtest::DialogRun run(Open());
    const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
    EXPECT_EQ(dialog.IsChecked(ZV_ID_TO_FRONT), layer != 2) << int(layer);
    EXPECT_EQ(dialog.IsChecked(ZV_ID_TO_BACK), layer == 2) << int(layer);
    dialog.Click(ZV_ID_CANCEL);
    EXPECT_EQ(run.Result(), 2);
  }
}

TEST_F(ChangeFileTest, OkWithoutChangesEndsWith1AndLeavesTheFile) {
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  dialog.Click(ZV_ID_OK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_TRUE(run.Boxes().empty());
  EXPECT_EQ(Contents(OldPath()), original_);
  EXPECT_EQ(std::string(context_->filePath), OldPath());
}

TEST_F(ChangeFileTest, SwitchingTheLayerRewritesTheHeadersLayerByte) {
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  dialog.Click(ZV_ID_TO_BACK);
  dialog.Click(ZV_ID_OK);
  EXPECT_EQ(run.Result(), 1);
  std::string expected = original_;
  expected[kLayerByte] = 2;
  EXPECT_EQ(Contents(OldPath()), expected);
  EXPECT_EQ(context_->fileLayer, 2);
  EXPECT_EQ(std::string(context_->filePath), OldPath());
}

TEST_F(ChangeFileTest, ANewDescriptionIsWrittenIntoTheHeader) {
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  dialog.SetText(ZV_ID_CHANGE_DESCRIPTION, "Logo in colour, second edition");
  dialog.Click(ZV_ID_OK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(Contents(OldPath()), Rewritten(original_, "Logo in colour, second edition", 1));
  EXPECT_STREQ(context_->fileDescription, "Logo in colour, second edition");
  EXPECT_EQ(context_->fileLayer, 1);
}

TEST_F(ChangeFileTest, ABareNameMovesTheFileToTheCurrentDirectory) {
  ASSERT_TRUE(plat::CreateDirectory(Path("OTHER").c_str()));
  ASSERT_TRUE(SetCurrentDirectoryA(Path("OTHER").c_str()));
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  dialog.SetText(ZV_ID_CHANGE_NAME, "NEWFORM");
  dialog.Click(ZV_ID_OK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_TRUE(run.Boxes().empty());
  EXPECT_FALSE(FileExists(OldPath()));
  EXPECT_EQ(Contents(Path("OTHER\\NEWFORM.ZLP")), original_);
  EXPECT_EQ(StoredName(Path("OTHER\\NEWFORM.ZLP")), "NEWFORM.ZLP");
  EXPECT_EQ(Upper(context_->filePath), Upper(Path("OTHER\\NEWFORM.ZLP")));
}

TEST_F(ChangeFileTest, ATypedPlaceKeepsItsNameAndTakesTheExtensionInCapitals) {
  ASSERT_TRUE(plat::CreateDirectory(Path("ovl").c_str()));
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  Put(dialog, ZV_ID_CHANGE_NAME, Path("ovl\\logo.zlp"));
  dialog.SetText(ZV_ID_CHANGE_DESCRIPTION, "Logo, moved");
  dialog.Click(ZV_ID_TO_BACK);
  dialog.Click(ZV_ID_OK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_FALSE(FileExists(OldPath()));
  const std::string moved = Path("ovl\\logo.ZLP");
  EXPECT_EQ(StoredName(moved), "logo.ZLP");
  // Moved first, then the header rewritten in its new place.
  EXPECT_EQ(Contents(moved), Rewritten(original_, "Logo, moved", 2));
  EXPECT_EQ(std::string(context_->filePath), moved);
  EXPECT_STREQ(context_->fileDescription, "Logo, moved");
  EXPECT_EQ(context_->fileLayer, 2);
}

TEST_F(ChangeFileTest, UnusableNamesAndMissingDirectoriesAreRefusedAndChangeNothing) {
  ASSERT_TRUE(WriteWholeFile(Path("NEWFORM.ZLC"), "raw"));
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  dialog.SetText(ZV_ID_CHANGE_DESCRIPTION, "Not written");
  const struct {
    std::string typed;
    uint32_t message;
  } cases[] = {
      {"NEWFORM.ZLC", zv::kMsgFileNameUnusable},
      {"NEWFORM.TXT", zv::kMsgFileNameUnusable},
      {"_NAME", zv::kMsgFileNameUnusable},
      {"", zv::kMsgFileNameUnusable},
      {Path("ovl\\_LOGO.ZLP"), zv::kMsgFileNameUnusable},
      {Path("MISSING\\LOGO.ZLP"), zv::kMsgDirectoryMissing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    Put(dialog, ZV_ID_CHANGE_NAME, c.typed);
    dialog.Click(ZV_ID_OK);
    ExpectRefusal(run, dialog, c.message);
    // The user's input stays in place.
    EXPECT_EQ(dialog.Text(ZV_ID_CHANGE_NAME), c.typed);
    EXPECT_EQ(dialog.Text(ZV_ID_CHANGE_DESCRIPTION), "Not written");
  }
  dialog.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
  EXPECT_EQ(Contents(OldPath()), original_);
  EXPECT_EQ(Contents(Path("NEWFORM.ZLC")), "raw");
  EXPECT_FALSE(FileExists(Path("NEWFORM.ZLP")));
  EXPECT_FALSE(FileExists(Path("_NAME.ZLP")));
  EXPECT_EQ(std::string(context_->filePath), OldPath());
  EXPECT_STREQ(context_->fileDescription, "Company logo");
}

TEST_F(ChangeFileTest, AnExistingTargetIsOverwrittenOnlyWhenTheUserAgrees) {
  const std::string taken = OverlayFile("Another form", 2, "other data");
  ASSERT_TRUE(WriteWholeFile(Path("TAKEN.ZLP"), taken));
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  dialog.SetText(ZV_ID_CHANGE_NAME, "taken.zlp");
  dialog.Click(ZV_ID_OK);
  zvtest::Box box = run.WaitForBox();
  EXPECT_EQ(box.text, Message(zv::kMsgOverwriteExistingFile));
  EXPECT_TRUE(box.questionIcon);
  EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
  run.AnswerBox(IDNO);
  EXPECT_TRUE(run.IsActive(dialog));
  EXPECT_EQ(Contents(Path("TAKEN.ZLP")), taken);
  EXPECT_EQ(Contents(OldPath()), original_);

  dialog.Click(ZV_ID_OK);
  box = run.WaitForBox();
  EXPECT_EQ(box.text, Message(zv::kMsgOverwriteExistingFile));
  run.AnswerBox(IDYES);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_FALSE(FileExists(OldPath()));
  EXPECT_EQ(Contents(Path("TAKEN.ZLP")), original_);
  EXPECT_EQ(Upper(context_->filePath), Upper(Path("TAKEN.ZLP")));
}

TEST_F(ChangeFileTest, AFailedMoveIsReportedAndLeavesEverything) {
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  dialog.SetText(ZV_ID_CHANGE_NAME, "NEWFORM");
  dialog.Click(ZV_ID_TO_BACK);
  {
    // Another process holds the file and lets nobody else open it.
    zvtest::FileHolder holder(OldPath(), plat::kAccessReadWrite, plat::kShareNone);
    ASSERT_TRUE(holder.Opened());
    dialog.Click(ZV_ID_OK);
    ExpectRefusal(run, dialog, zv::kMsgMoveFailed);
  }
  EXPECT_EQ(Contents(OldPath()), original_);
  EXPECT_FALSE(FileExists(Path("NEWFORM.ZLP")));
  EXPECT_EQ(std::string(context_->filePath), OldPath());
  EXPECT_EQ(context_->fileLayer, 1);
  dialog.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
}

TEST_F(ChangeFileTest, HelpShowsTheFileModeTopicAndIsLeftOpen) {
  zvtest::HelpWatcher help;
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  dialog.Click(ZV_ID_HELP);
  std::vector<zvtest::HelpCall> calls = help.WaitForCalls(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls[0].data, static_cast<DWORD>(ZV_HELP_CHANGE_FILES));
  run.WaitForDialog(kLocalTitle).Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
  EXPECT_EQ(context_->helpOpen, 1);
  // The edit form dialog ends the session, not this one.
  calls = help.WaitForCalls(2, 1000);
  EXPECT_EQ(calls.size(), 1u);
}

// --- Form-name mode ------------------------------------------------------------

// Form INVOICE has a group info file in FORMS listing two overlay data files
// the catalogue made and one the user registered there; form ORDER has only
// its save directory.
class ChangeNamedFormTest : public ChangeFormTest {
 protected:
  void SetUp() override {
    ChangeFormTest::SetUp();
    forms_ = Path("FORMS");
    ASSERT_TRUE(plat::CreateDirectory(forms_.c_str()));
    ASSERT_TRUE(plat::CreateDirectory(Path("NEW").c_str()));
    group_ = GroupInfo();
    ASSERT_TRUE(WriteWholeFile(forms_ + "\\_F301.FGP", group_));
    for (const char* name : {"_F301A00.ZLP", "_F301A01.ZLP", "LOGO.ZLP"}) {
      ASSERT_TRUE(WriteWholeFile(forms_ + "\\" + name, OverlayFile(name, 1, std::string("data of ") + name)));
    }
    WriteFormList(FormList("INVOICE", "Monthly invoice", 1));
    WriteGroupList(GroupList(forms_ + "\\_F301.FGP"));
    formList_ = Contents(FormListPath());
    groupList_ = Contents(GroupListPath());

    context_->mode = zv::kEditModeFormNames;
    context_->selectedForm = kInvoiceId;
    std::strcpy(context_->formName, "INVOICE");
    std::strcpy(context_->formDescription, "Monthly invoice");
    std::strcpy(context_->saveDirectory, forms_.c_str());
    context_->formLayer = 1;
  }

  std::string GroupInfo() {
    std::vector<zvtest::GroupInfoEntry> entries;
    for (int32_t i = 0; i < 3; ++i) entries.emplace_back(zvtest::SettingsRecordBytes(zv::PrintSettings{}), i);
    return zvtest::GroupInfoFile(entries, {"_F301A00.ZLP", "_F301A01.ZLP", "LOGO.ZLP"});
  }
  std::string FormList(const std::string& name, const std::string& description, uint8_t layer) {
    return zvtest::FormListFile(
        {{kInvoiceId, name, description, layer, 0}, {kOrderId, "ORDER", "Orders", 2, 1}}, {});
  }
  std::string GroupList(const std::string& invoiceGroup, const std::string& orderGroup = "") {
    return zvtest::GroupNameListFile({invoiceGroup, orderGroup.empty() ? forms_ : orderGroup});
  }
  std::vector<std::string> FilesIn(const std::string& directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(Upper(found.cFileName));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
  }
  void ExpectCatalogueUnchanged() {
    EXPECT_EQ(Contents(FormListPath()), formList_);
    EXPECT_EQ(Contents(GroupListPath()), groupList_);
    EXPECT_EQ(FilesIn(forms_),
              (std::vector<std::string>{"LOGO.ZLP", "_F301.FGP", "_F301A00.ZLP", "_F301A01.ZLP"}));
    EXPECT_TRUE(FilesIn(Path("NEW")).empty());
  }

  std::string forms_;
  std::string group_;
  std::string formList_;
  std::string groupList_;
};

TEST_F(ChangeNamedFormTest, ShowsTheFormsNameDescriptionLayerAndDirectory) {
  context_->formLayer = 2;
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  ASSERT_TRUE(dialog.IsOpen());
  EXPECT_EQ(dialog.Text(ZV_ID_CHANGE_NAME), "INVOICE");
  EXPECT_EQ(dialog.Text(ZV_ID_CHANGE_DESCRIPTION), "Monthly invoice");
  EXPECT_EQ(dialog.Text(ZV_ID_CHANGE_SAVE_TO), forms_);
  EXPECT_TRUE(dialog.IsChecked(ZV_ID_TO_BACK));
  EXPECT_FALSE(dialog.IsChecked(ZV_ID_TO_FRONT));
  for (const int id :
       {ZV_ID_CHANGE_FORM_LABEL, ZV_ID_CHANGE_SAVE_TO_LABEL, ZV_ID_CHANGE_SAVE_TO, ZV_ID_CHANGE_DIRECTORY}) {
    EXPECT_TRUE(dialog.IsVisible(id)) << id;
  }
  EXPECT_FALSE(dialog.IsVisible(ZV_ID_CHANGE_FILE_LABEL));
  EXPECT_FALSE(dialog.IsEnabled(ZV_ID_CHANGE_FILE_LABEL));
  EXPECT_EQ(dialog.TextLimit(ZV_ID_CHANGE_NAME), 24);
  EXPECT_EQ(dialog.TextLimit(ZV_ID_CHANGE_DESCRIPTION), 255);
  dialog.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
  ExpectCatalogueUnchanged();
}

TEST_F(ChangeNamedFormTest, NothingChangedEndsWith2AndTouchesNoFile) {
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  // The same directory written in other letters is no change.
  dialog.SetText(ZV_ID_CHANGE_SAVE_TO, Upper(forms_));
  dialog.Click(ZV_ID_OK);
  EXPECT_EQ(run.Result(), 2);
  EXPECT_TRUE(run.Boxes().empty());
  ExpectCatalogueUnchanged();
  EXPECT_STREQ(context_->saveDirectory, forms_.c_str());
}

TEST_F(ChangeNamedFormTest, UnusableAndTakenNamesAreRefusedButTheLayerIsKept) {
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  dialog.Click(ZV_ID_TO_BACK);
  dialog.SetText(ZV_ID_CHANGE_SAVE_TO, Path("NEW"));
  const struct {
    std::string typed;
    uint32_t message;
  } cases[] = {
      {"A/B", zv::kMsgFormNameUnusable},  {"A\\B", zv::kMsgFormNameUnusable}, {"", zv::kMsgFormNameUnusable},
      {" \t ", zv::kMsgFormNameUnusable}, {"ORDER", zv::kMsgFormNameExists},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    dialog.SetText(ZV_ID_CHANGE_NAME, c.typed);
    dialog.Click(ZV_ID_OK);
    ExpectRefusal(run, dialog, c.message);
    EXPECT_EQ(dialog.Text(ZV_ID_CHANGE_NAME), c.typed);
    // Refused before the directory was looked at.
    ExpectCatalogueUnchanged();
  }
  dialog.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
  ExpectCatalogueUnchanged();
  // The new layer is kept in the context from the first OK on.
  EXPECT_EQ(context_->formLayer, 2);
  EXPECT_STREQ(context_->formName, "INVOICE");
  EXPECT_STREQ(context_->saveDirectory, forms_.c_str());
}

TEST_F(ChangeNamedFormTest, NameDescriptionAndLayerAreRecorded) {
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  dialog.SetText(ZV_ID_CHANGE_NAME, "INVOICE 2027");
  dialog.SetText(ZV_ID_CHANGE_DESCRIPTION, "Invoice of the new year");
  dialog.Click(ZV_ID_TO_BACK);
  dialog.Click(ZV_ID_OK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_TRUE(run.Boxes().empty());
  EXPECT_EQ(Contents(FormListPath()), FormList("INVOICE 2027", "Invoice of the new year", 2));
  // The group text keeps naming the group info file.
  EXPECT_EQ(Contents(GroupListPath()), groupList_);
  EXPECT_EQ(Contents(forms_ + "\\_F301.FGP"), group_);
  EXPECT_STREQ(context_->formName, "INVOICE 2027");
  EXPECT_STREQ(context_->formDescription, "Invoice of the new year");
  EXPECT_EQ(context_->formLayer, 2);
  EXPECT_STREQ(context_->saveDirectory, forms_.c_str());
}

TEST_F(ChangeNamedFormTest, ANewDirectoryTakesTheFilesTheCatalogueMade) {
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  dialog.SetText(ZV_ID_CHANGE_SAVE_TO, Path("NEW"));
  dialog.Click(ZV_ID_OK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_TRUE(run.Boxes().empty());
  EXPECT_EQ(FilesIn(Path("NEW")), (std::vector<std::string>{"_F301.FGP", "_F301A00.ZLP", "_F301A01.ZLP"}));
  // The file the user registered stays where it is.
  EXPECT_EQ(FilesIn(forms_), std::vector<std::string>{"LOGO.ZLP"});
  EXPECT_EQ(Contents(Path("NEW\\_F301.FGP")), group_);
  EXPECT_EQ(Contents(Path("NEW\\_F301A01.ZLP")), OverlayFile("_F301A01.ZLP", 1, "data of _F301A01.ZLP"));
  EXPECT_EQ(Contents(FormListPath()), formList_);
  EXPECT_EQ(Contents(GroupListPath()), GroupList(Path("NEW\\_F301.FGP")));
  EXPECT_STREQ(context_->saveDirectory, Path("NEW").c_str());
}

TEST_F(ChangeNamedFormTest, AFormWithoutGroupInfoFileChangesItsDirectoryOnly) {
  ASSERT_TRUE(WriteWholeFile(forms_ + "\\_F302A00.ZLP", "not listed anywhere"));
  context_->selectedForm = kOrderId;
  std::strcpy(context_->formName, "ORDER");
  std::strcpy(context_->formDescription, "Orders");
  context_->formLayer = 2;
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  dialog.SetText(ZV_ID_CHANGE_SAVE_TO, Path("NEW"));
  dialog.Click(ZV_ID_OK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_TRUE(run.Boxes().empty());
  EXPECT_EQ(Contents(GroupListPath()), GroupList(forms_ + "\\_F301.FGP", Path("NEW")));
  EXPECT_EQ(Contents(FormListPath()), formList_);
  EXPECT_TRUE(FilesIn(Path("NEW")).empty());
  EXPECT_EQ(FilesIn(forms_), (std::vector<std::string>{"LOGO.ZLP", "_F301.FGP", "_F301A00.ZLP",
                                                       "_F301A01.ZLP", "_F302A00.ZLP"}));
  EXPECT_STREQ(context_->saveDirectory, Path("NEW").c_str());
}

TEST_F(ChangeNamedFormTest, AGroupLargerThanTheFreeSpaceStaysWhereItIs) {
  // The group really is larger than the free space of the drive: its files
  // are sparse on the host, each just under 4 GB as the system counts them.
  ULARGE_INTEGER available, total, freeBytes;
  ASSERT_TRUE(GetDiskFreeSpaceExA(Dir().c_str(), &available, &total, &freeBytes));
  const uint64_t piece = 0xFFFFFFFEull;
  const uint32_t pieces = static_cast<uint32_t>(freeBytes.QuadPart / piece) + 2;
  ASSERT_LT(pieces, 200u) << "too much free space to outgrow";
  std::vector<zvtest::GroupInfoEntry> entries;
  std::vector<std::string> names;
  for (uint32_t i = 0; i < pieces; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "_F301B%02u.ZLP", i);
    names.push_back(name);
    entries.emplace_back(zvtest::SettingsRecordBytes(zv::PrintSettings{}), static_cast<int32_t>(i));
    HANDLE file = CreateFileA((forms_ + "\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LONG high = static_cast<LONG>(piece >> 32);
    SetFilePointer(file, static_cast<LONG>(piece & 0xFFFFFFFF), &high, FILE_BEGIN);
    const bool sized = SetEndOfFile(file);
    CloseHandle(file);
    ASSERT_TRUE(sized) << name;
  }
  const std::string big = zvtest::GroupInfoFile(entries, names);
  ASSERT_TRUE(WriteWholeFile(forms_ + "\\_F301.FGP", big));

  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  dialog.SetText(ZV_ID_CHANGE_SAVE_TO, Path("NEW"));
  dialog.Click(ZV_ID_OK);
  ExpectRefusal(run, dialog, zv::kMsgNoDiskSpace);
  dialog.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
  EXPECT_TRUE(FilesIn(Path("NEW")).empty());
  EXPECT_EQ(Contents(forms_ + "\\_F301.FGP"), big);
  EXPECT_EQ(Contents(GroupListPath()), groupList_);
  EXPECT_STREQ(context_->saveDirectory, forms_.c_str());
  for (const std::string& name : names) EXPECT_TRUE(DeleteFileA((forms_ + "\\" + name).c_str())) << name;
}

TEST_F(ChangeNamedFormTest, ChangeDirectoryShowsAndRemembersTheDirectoryPicked) {
  ASSERT_TRUE(zv::SetCurrentDirSetting("C:\\"));
  ASSERT_TRUE(plat::CreateDirectory((forms_ + "\\SUB").c_str()));
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  dialog.Click(ZV_ID_CHANGE_DIRECTORY);
  const zvtest::Dialog picker = run.WaitForDialog(Message(zv::kMsgDirectoryName));
  ASSERT_TRUE(picker.IsOpen());
  EXPECT_EQ(Upper(picker.Text(ZV_ID_PICKER_DIR_LABEL)), Upper(forms_));
  const std::vector<std::string> rows = picker.ListItems(ZV_ID_PICKER_DIR_LIST);
  const auto row =
      std::find_if(rows.begin(), rows.end(), [](const std::string& r) { return Upper(r) == "[SUB]"; });
  ASSERT_NE(row, rows.end()) << ::testing::PrintToString(rows);
  picker.DoubleClickRow(ZV_ID_PICKER_DIR_LIST, static_cast<int>(row - rows.begin()));
  picker.Click(IDOK);
  run.WaitForDialog(kLocalTitle);
  EXPECT_EQ(Upper(dialog.Text(ZV_ID_CHANGE_SAVE_TO)), Upper(forms_ + "\\SUB"));
  char remembered[plat::kPathBuffer] = {};
  zv::GetCurrentDirSetting(remembered);
  EXPECT_EQ(Upper(remembered), Upper(forms_ + "\\SUB"));
  // Nothing moves before OK.
  ExpectCatalogueUnchanged();
  dialog.Click(ZV_ID_OK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(FilesIn(forms_ + "\\SUB"),
            (std::vector<std::string>{"_F301.FGP", "_F301A00.ZLP", "_F301A01.ZLP"}));
  EXPECT_EQ(Upper(context_->saveDirectory), Upper(forms_ + "\\SUB"));
}

TEST_F(ChangeNamedFormTest, HelpShowsTheFormNameTopicAndIsLeftOpen) {
  zvtest::HelpWatcher help;
  zvtest::DialogRun run(Open());
  const zvtest::Dialog dialog = run.WaitForDialog(kLocalTitle);
  dialog.Click(ZV_ID_HELP);
  std::vector<zvtest::HelpCall> calls = help.WaitForCalls(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls[0].data, static_cast<DWORD>(ZV_HELP_CHANGE_FORM_NAMES));
  run.WaitForDialog(kLocalTitle).Click(ZV_ID_OK);
  EXPECT_EQ(run.Result(), 2);
  EXPECT_EQ(context_->helpOpen, 1);
  calls = help.WaitForCalls(2, 1000);
  EXPECT_EQ(calls.size(), 1u);
}

}  // namespace
