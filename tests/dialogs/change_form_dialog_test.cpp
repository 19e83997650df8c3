// The change form dialog in both modes: what it shows, each refusal, the
// question before an overwrite, a move that fails, and what OK leaves in the
// overlay data files, the list files and the group's directory, byte by byte.
#include <cstdio>

#include "catalogue/catalogue_config.h"
#include "dialogs/change_form_dialog.h"
#include "dialogs/sub_dialog_fixture.h"
#include "platform/platform.h"
#include "support/other_process.h"

namespace {

using namespace subdialog;  // NOLINT: the script's steps read as a table

constexpr char kTitle[] = "Cambiar formulario";
constexpr int kName = ZV_ID_CHANGE_NAME, kDescription = ZV_ID_CHANGE_DESCRIPTION,
              kSaveTo = ZV_ID_CHANGE_SAVE_TO;
const Step kOpen = Wait(kTitle);

std::string Overlay(const std::string& description, const std::string& data) {
  zv::PrintSettings s{};
  s.layer = 1;
  return OverlayDataFile("INVOICE", description, SettingsRecordBytes(s), data);
}

// The header as a rewrite leaves it: the description with its terminator
// over the old one, and the layer byte.
std::string Rewritten(std::string bytes, const std::string& description, char layer) {
  bytes.replace(29, description.size() + 1, description + '\0');
  bytes[287] = layer;
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

void Move(Files& files, const std::string& from, const std::string& to) {
  files[to] = files[from];
  files.erase(from);
}

class ChangeFormTest : public SubDialogTest {
 protected:
  void SetUp() override {
    SubDialogTest::SetUp();
    GetCurrentDirectoryA(sizeof saved_, saved_);
  }
  void TearDown() override {
    SetCurrentDirectoryA(saved_);
    SubDialogTest::TearDown();
  }
  // File mode: LOGO.ZLP, at the front. Also TAKEN.ZLP and NEWFORM.ZLC.
  void File() {
    Clear();
    Reset();
    for (const char* dir : {"OTHER", "ovl", "FORMS", "NEW"}) CreateDirectoryA(Path(dir).c_str(), nullptr);
    Write("LOGO.ZLP", logo_);
    Write("TAKEN.ZLP", Overlay("Another form", "other data"));
    Write("NEWFORM.ZLC", "raw");
    context_->mode = zv::kEditModeFile;
    std::strcpy(context_->filePath, Path("LOGO.ZLP").c_str());
    std::strcpy(context_->fileDescription, "Company logo");
    context_->fileLayer = 1;
    ASSERT_TRUE(SetCurrentDirectoryA(Dir().c_str()));
  }
  // Form-name mode: INVOICE (0x301) has a group info file in FORMS naming
  // two files the catalogue made and one the user registered there; ORDER
  // (0x302) has only its save directory.
  void Named() {
    File();
    std::vector<GroupInfoEntry> entries;
    for (int32_t i = 0; i < 3; ++i) entries.emplace_back(SettingsRecordBytes(zv::PrintSettings{}), i);
    Write("FORMS\\_F301.FGP", GroupInfoFile(entries, kGroupFiles));
    for (const std::string& name : kGroupFiles) Write("FORMS\\" + name, Overlay(name, "data of " + name));
    WriteFormList(FormList("INVOICE", "Monthly invoice", 1));
    WriteGroupList(GroupList(Path("FORMS\\_F301.FGP")));
    context_->mode = zv::kEditModeFormNames;
    context_->selectedForm = 0x301;
    std::strcpy(context_->formName, "INVOICE");
    std::strcpy(context_->formDescription, "Monthly invoice");
    std::strcpy(context_->saveDirectory, Path("FORMS").c_str());
    context_->formLayer = 1;
  }
  static std::string FormList(const std::string& name, const std::string& description, uint8_t layer) {
    return FormListFile({{0x301, name, description, layer, 0}, {0x302, "ORDER", "Orders", 2, 1}}, {});
  }
  std::string GroupList(const std::string& invoice, const std::string& order = "") const {
    return GroupNameListFile({invoice, order.empty() ? Path("FORMS") : order});
  }
  // The group's own files move with it; the one the user registered stays.
  void MoveGroup(Files& files, const std::string& to) {
    for (const char* name : {"_F301.FGP", "_F301A00.ZLP", "_F301A01.ZLP"})
      Move(files, "FORMS\\" + std::string(name), to + "\\" + name);
    files["ZVLMN3.GLT"] = GroupList(Path(to + "\\_F301.FGP"));
  }

  const std::string logo_ = Overlay("Company logo", "page data of the logo");
  const Strings kGroupFiles = {"_F301A00.ZLP", "_F301A01.ZLP", "LOGO.ZLP"};
  std::unique_ptr<FileHolder> holder_;
  char saved_[MAX_PATH] = {};
};

// Layer 1 and any unknown layer check "to the front"; Cancel changes nothing.
TEST_F(ChangeFormTest, EachLayerChecksItsButton) {
  for (const uint8_t layer : {0, 1, 2, 7}) {
    for (const bool named : {false, true}) {
      named ? Named() : File();
      (named ? context_->formLayer : context_->fileLayer) = layer;
      Check(Opener("EDIT3", zv::ChangeFormProc),
            {"layer", nullptr,
             Steps{kOpen, Checked(ZV_ID_TO_BACK, layer == 2), Checked(ZV_ID_TO_FRONT, layer != 2),
                   Click(ZV_ID_CANCEL), Returns(2)}});
    }
  }
}

TEST_F(ChangeFormTest, FileMode) {
  const std::string typed = Path("ovl\\logo.zlp");
  Steps refusals = {kOpen, Type(kDescription, "Not written")};
  for (const std::string& name :
       {std::string("NEWFORM.ZLC"), std::string("NEWFORM.TXT"), std::string("_NAME"), std::string(),
        Path("ovl\\_LOGO.ZLP"), Path("MISSING\\LOGO.ZLP")}) {
    const uint32_t message =
        name == Path("MISSING\\LOGO.ZLP") ? zv::kMsgDirectoryMissing : zv::kMsgFileNameUnusable;
    refusals = refusals + Steps{Put(kName, name), Click(ZV_ID_OK),    Refused(Message(message)),
                                Quiet(),          Shows(kName, name), Shows(kDescription, "Not written")};
  }
  const Case cases[] = {
      {"shown, typed, cancelled", nullptr,
       Steps{kOpen, Shows(kName, Path("LOGO.ZLP")), Shows(kDescription, "Company logo"),
             Visible(ZV_ID_CHANGE_FILE_LABEL), Visible(kSaveTo, false), Enabled(kSaveTo, false),
             Visible(ZV_ID_CHANGE_DIRECTORY, false), Enabled(ZV_ID_CHANGE_DIRECTORY, false),
             Visible(ZV_ID_CHANGE_FORM_LABEL, false), Limit(kName, 24), Limit(kDescription, 255),
             Type(kName, "NEWFORM"), Type(kDescription, "New"), Click(ZV_ID_CANCEL), Returns(2)}},
      {"OK without changes", nullptr, Steps{kOpen, Click(ZV_ID_OK), Returns(1)}},
      {"the layer", nullptr, Steps{kOpen, Click(ZV_ID_TO_BACK), Click(ZV_ID_OK), Returns(1)},
       [&](Files& f, zv::EditFormContext& c) { f["LOGO.ZLP"][287] = 2, c.fileLayer = 2; }},
      {"the description", nullptr,
       Steps{kOpen, Type(kDescription, "Logo in colour, second edition"), Click(ZV_ID_OK), Returns(1)},
       [&](Files& f, zv::EditFormContext& c) {
         f["LOGO.ZLP"] = Rewritten(logo_, "Logo in colour, second edition", 1);
         std::strcpy(c.fileDescription, "Logo in colour, second edition");
       }},
      {"a bare name moves to the current directory", nullptr,
       Steps{kOpen, Do([&](DialogRun&, const Dialog&) { SetCurrentDirectoryA(Path("OTHER").c_str()); }),
             Type(kName, "NEWFORM"), Click(ZV_ID_OK), Returns(1), Do([&](DialogRun&, const Dialog&) {
               EXPECT_EQ(StoredName(Path("OTHER\\NEWFORM.ZLP")), "NEWFORM.ZLP");
             })},
       [&](Files& f, zv::EditFormContext& c) {
         Move(f, "LOGO.ZLP", "OTHER\\NEWFORM.ZLP");
         std::strcpy(c.filePath, Path("OTHER\\NEWFORM.ZLP").c_str());
       }},
      // Moved first, then the header rewritten in its new place, whose name
      // is kept and whose extension is put in capitals.
      {"a typed place", nullptr,
       Steps{kOpen, Put(kName, typed), Type(kDescription, "Logo, moved"), Click(ZV_ID_TO_BACK),
             Click(ZV_ID_OK), Returns(1),
             Do([&](DialogRun&, const Dialog&) { EXPECT_EQ(StoredName(typed), "logo.ZLP"); })},
       [&](Files& f, zv::EditFormContext& c) {
         f.erase("LOGO.ZLP");
         f["OVL\\LOGO.ZLP"] = Rewritten(logo_, "Logo, moved", 2);
         std::strcpy(c.filePath, Path("ovl\\logo.ZLP").c_str());
         std::strcpy(c.fileDescription, "Logo, moved");
         c.fileLayer = 2;
       }},
      {"unusable names and a missing directory", nullptr, refusals + Steps{Click(ZV_ID_CANCEL), Returns(2)}},
      {"an existing file, No then Yes", nullptr,
       Steps{kOpen, Type(kName, "taken.zlp"), Click(ZV_ID_OK),
             Asked(Message(zv::kMsgOverwriteExistingFile), IDNO), Quiet(),
             Do([&](DialogRun&, const Dialog&) { EXPECT_EQ(Listing()["LOGO.ZLP"], logo_); }), Click(ZV_ID_OK),
             Asked(Message(zv::kMsgOverwriteExistingFile), IDYES), Returns(1)},
       [&](Files& f, zv::EditFormContext& c) {
         Move(f, "LOGO.ZLP", "TAKEN.ZLP");
         std::strcpy(c.filePath, Path("TAKEN.ZLP").c_str());
       }},
      // Another process holds the file and lets nobody else open it.
      {"a failed move", nullptr,
       Steps{kOpen, Type(kName, "NEWFORM"), Click(ZV_ID_TO_BACK), Do([&](DialogRun&, const Dialog&) {
               holder_ =
                   std::make_unique<FileHolder>(Path("LOGO.ZLP"), plat::kAccessReadWrite, plat::kShareNone);
               ASSERT_TRUE(holder_->Opened());
             }),
             Click(ZV_ID_OK), Refused(Message(zv::kMsgMoveFailed)), Quiet(),
             Do([&](DialogRun&, const Dialog&) { holder_.reset(); }), Click(ZV_ID_CANCEL), Returns(2)}},
  };
  for (const Case& c : cases) {
    File();
    Check(Opener("EDIT3", zv::ChangeFormProc), c);
  }
  File();
  ExpectHelp(Opener("EDIT3", zv::ChangeFormProc), kTitle, ZV_HELP_CHANGE_FILES, ZV_ID_CANCEL, 2);
}

TEST_F(ChangeFormTest, FormNameMode) {
  const std::string forms = Path("FORMS");
  Steps refusals = {kOpen, Click(ZV_ID_TO_BACK), Type(kSaveTo, Path("NEW"))};
  for (const char* typed : {"A/B", "A\\B", "", " \t ", "ORDER"}) {
    const uint32_t message =
        typed == std::string("ORDER") ? zv::kMsgFormNameExists : zv::kMsgFormNameUnusable;
    refusals = refusals + Steps{Type(kName, typed), Click(ZV_ID_OK), Refused(Message(message)), Quiet(),
                                Shows(kName, typed)};
  }
  // A group larger than the free space of the drive: its files are sparse
  // on the host, each just under 4 GB as the system counts them.
  const auto big = [&] {
    ULARGE_INTEGER available, total, free;
    ASSERT_TRUE(GetDiskFreeSpaceExA(Dir().c_str(), &available, &total, &free));
    const uint64_t piece = 0xFFFFFFFEull;
    const uint32_t pieces = static_cast<uint32_t>(free.QuadPart / piece) + 2;
    ASSERT_LT(pieces, 200u) << "too much free space to outgrow";
    std::vector<GroupInfoEntry> entries;
    Strings names;
    for (uint32_t i = 0; i < pieces; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "_F301B%02u.ZLP", i);
      names.push_back(name);
      entries.emplace_back(SettingsRecordBytes(zv::PrintSettings{}), static_cast<int32_t>(i));
      HANDLE file =
          CreateFileA((forms + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      LONG high = static_cast<LONG>(piece >> 32);
      SetFilePointer(file, static_cast<LONG>(piece & 0xFFFFFFFF), &high, FILE_BEGIN);
      const bool sized = SetEndOfFile(file);
      CloseHandle(file);
      ASSERT_TRUE(sized) << name;
    }
    Write("FORMS\\_F301.FGP", GroupInfoFile(entries, names));
  };
  const Case cases[] = {
      {"shown, cancelled", [&] { context_->formLayer = 2; },
       Steps{kOpen, Shows(kName, "INVOICE"), Shows(kDescription, "Monthly invoice"), Shows(kSaveTo, forms),
             Visible(ZV_ID_CHANGE_FORM_LABEL), Visible(ZV_ID_CHANGE_SAVE_TO_LABEL), Visible(kSaveTo),
             Visible(ZV_ID_CHANGE_DIRECTORY), Visible(ZV_ID_CHANGE_FILE_LABEL, false),
             Enabled(ZV_ID_CHANGE_FILE_LABEL, false), Limit(kName, 24), Limit(kDescription, 255),
             Click(ZV_ID_CANCEL), Returns(2)}},
      // The same directory in other letters is no change.
      {"nothing changed", nullptr, Steps{kOpen, Type(kSaveTo, Upper(forms)), Click(ZV_ID_OK), Returns(2)}},
      // Refused before the directory is looked at; the layer is kept from
      // the first OK on.
      {"unusable and taken names", nullptr, refusals + Steps{Click(ZV_ID_CANCEL), Returns(2)},
       [](Files&, zv::EditFormContext& c) { c.formLayer = 2; }},
      // The group text keeps naming the group info file.
      {"name, description and layer", nullptr,
       Steps{kOpen, Type(kName, "INVOICE 2027"), Type(kDescription, "Invoice of the new year"),
             Click(ZV_ID_TO_BACK), Click(ZV_ID_OK), Returns(1)},
       [&](Files& f, zv::EditFormContext& c) {
         f["ZVLMN3.FLT"] = FormList("INVOICE 2027", "Invoice of the new year", 2);
         std::strcpy(c.formName, "INVOICE 2027");
         std::strcpy(c.formDescription, "Invoice of the new year");
         c.formLayer = 2;
       }},
      {"a new directory", nullptr, Steps{kOpen, Type(kSaveTo, Path("NEW")), Click(ZV_ID_OK), Returns(1)},
       [&](Files& f, zv::EditFormContext& c) {
         MoveGroup(f, "NEW");
         std::strcpy(c.saveDirectory, Path("NEW").c_str());
       }},
      {"a form without group info file",
       [&] {
         Write("FORMS\\_F302A00.ZLP", "not listed anywhere");
         context_->selectedForm = 0x302;
         std::strcpy(context_->formName, "ORDER");
         std::strcpy(context_->formDescription, "Orders");
         context_->formLayer = 2;
       },
       Steps{kOpen, Type(kSaveTo, Path("NEW")), Click(ZV_ID_OK), Returns(1)},
       [&](Files& f, zv::EditFormContext& c) {
         f["ZVLMN3.GLT"] = GroupList(Path("FORMS\\_F301.FGP"), Path("NEW"));
         std::strcpy(c.saveDirectory, Path("NEW").c_str());
       }},
      {"no disk space", big,
       Steps{kOpen, Type(kSaveTo, Path("NEW")), Click(ZV_ID_OK), Refused(Message(zv::kMsgNoDiskSpace)),
             Quiet(), Click(ZV_ID_CANCEL), Returns(2)}},
      // The picker shows the save directory and remembers the one picked;
      // nothing moves before OK.
      {"Change Directory",
       [&] {
         ASSERT_TRUE(zv::SetCurrentDirSetting("C:\\"));
         CreateDirectoryA(Path("FORMS\\SUB").c_str(), nullptr);
       },
       Steps{kOpen, Click(ZV_ID_CHANGE_DIRECTORY), Wait(Message(zv::kMsgDirectoryName)),
             ShowsAnyCase(ZV_ID_PICKER_DIR_LABEL, forms), DoubleClickOn(ZV_ID_PICKER_DIR_LIST, "[SUB]"),
             Click(IDOK), kOpen, ShowsAnyCase(kSaveTo, forms + "\\SUB"), Do([&](DialogRun&, const Dialog&) {
               char remembered[plat::kPathBuffer] = {};
               zv::GetCurrentDirSetting(remembered);
               EXPECT_EQ(Upper(remembered), Upper(forms + "\\SUB"));
               EXPECT_EQ(Listing().count("FORMS\\SUB\\_F301.FGP"), 0u);
             }),
             Click(ZV_ID_OK), Returns(1)},
       [&](Files& f, zv::EditFormContext& c) {
         MoveGroup(f, "FORMS\\SUB");
         std::strcpy(c.saveDirectory, (forms + "\\SUB").c_str());
       }},
  };
  for (const Case& c : cases) {
    Named();
    Check(Opener("EDIT3", zv::ChangeFormProc), c);
  }
  Named();
  ExpectHelp(Opener("EDIT3", zv::ChangeFormProc), kTitle, ZV_HELP_CHANGE_FORM_NAMES, ZV_ID_OK, 2);
}

}  // namespace
