// The change form dialog in both modes: what it shows, each refusal, the
// question before an overwrite, a move that fails, and what OK leaves in the
// overlay data files, the list files and the group's directory, byte by byte.
#include "dialogs/change_form_dialog.h"
#include "dialogs/sub_dialog_fixture.h"
#include "support/other_process.h"

namespace {

using namespace subdialog;  // NOLINT: the script's steps read as a table
using After = std::function<void(Files&, zv::EditFormContext&)>;

constexpr int kName = ZV_ID_CHANGE_NAME, kDescription = ZV_ID_CHANGE_DESCRIPTION,
              kSaveTo = ZV_ID_CHANGE_SAVE_TO;
constexpr char kTitle[] = "Cambiar formulario";
const Steps kCancel = {Click(ZV_ID_CANCEL), Returns(2)}, kOk = {Click(ZV_ID_OK), Returns(1)};

std::string Overlay(const std::string& description) {
  return OverlayDataFile("INVOICE", description, SettingsRecordBytes({0, 1}), "page data");
}
// The header as a rewrite leaves it: the description with its terminator
// over the old one, and the layer byte.
std::string Rewritten(const std::string& description, char layer) {
  std::string bytes = Overlay("Company logo");
  bytes.replace(29, description.size() + 1, description + '\0');
  bytes[287] = layer;
  return bytes;
}
void Move(Files& files, const std::string& from, const std::string& to) {
  files[to] = files[from];
  files.erase(from);
}
// Typed into the field, refused with the message, the texts kept.
Steps Refuse(const std::string& name, uint32_t message) {
  return {Put(kName, name), Click(ZV_ID_OK), Refused(Message(message)), Quiet(), Shows(kName, name)};
}

class ChangeFormTest : public SubDialogTest {
 protected:
  // File mode: LOGO.ZLP at the front, and TAKEN.ZLP beside it.
  void File() {
    Clear();
    Reset();
    for (const char* dir : {"ovl", "FORMS", "NEW"}) CreateDirectoryA(Path(dir).c_str(), nullptr);
    Write("LOGO.ZLP", Overlay("Company logo"));
    Write("TAKEN.ZLP", Overlay("Another form"));
    context_->mode = zv::kEditModeFile;
    std::strcpy(context_->filePath, Path("LOGO.ZLP").c_str());
    std::strcpy(context_->fileDescription, "Company logo");
    context_->fileLayer = 1;
  }
  // Form-name mode: INVOICE (0x301, at the back) has a group info file in
  // FORMS naming two files the catalogue made and one the user registered
  // there; ORDER (0x302) has only its save directory.
  void Named() {
    File();
    std::vector<GroupInfoEntry> entries;
    for (int32_t i = 0; i < 3; ++i) entries.emplace_back(SettingsRecordBytes(zv::PrintSettings{}), i);
    Write("FORMS\\_F301.FGP", GroupInfoFile(entries, {"_F301A00.ZLP", "_F301A01.ZLP", "LOGO.ZLP"}));
    for (const char* name : {"_F301A00.ZLP", "_F301A01.ZLP", "LOGO.ZLP"})
      Write("FORMS\\" + std::string(name), Overlay(name));
    WriteFormList(FormList("INVOICE", "Monthly invoice", 2));
    WriteGroupList(GroupList(Path("FORMS\\_F301.FGP")));
    context_->mode = zv::kEditModeFormNames;
    context_->selectedForm = 0x301;
    std::strcpy(context_->formName, "INVOICE");
    std::strcpy(context_->formDescription, "Monthly invoice");
    std::strcpy(context_->saveDirectory, Path("FORMS").c_str());
    context_->formLayer = 2;
  }
  static std::string FormList(const std::string& name, const std::string& description, uint8_t layer) {
    return FormListFile({{0x301, name, description, layer, 0}, {0x302, "ORDER", "Orders", 2, 1}}, {});
  }
  std::string GroupList(const std::string& invoice) const {
    return GroupNameListFile({invoice, Path("FORMS")});
  }
  // Each case from a fresh start in the mode, then help.
  void Each(bool named, const std::vector<Case>& cases, DWORD topic) {
    for (const Case& c : cases) {
      named ? Named() : File();
      Check(Opener("EDIT3", zv::ChangeFormProc), c);
    }
    named ? Named() : File();
    ExpectHelp(Opener("EDIT3", zv::ChangeFormProc), kTitle, topic, ZV_ID_CANCEL, 2);
  }
  std::unique_ptr<FileHolder> holder_;
};

// Moved first, then the header rewritten in its new place, whose name is
// kept and whose extension is put in capitals.
TEST_F(ChangeFormTest, FileMode) {
  const std::string typed = Path("ovl\\logo.zlp"), taken = Message(zv::kMsgOverwriteExistingFile);
  const auto hold = [&](bool on) {
    return Do([&, on](DialogRun&, const Dialog&) {
      holder_.reset(on ? new FileHolder(Path("LOGO.ZLP"), plat::kAccessReadWrite, plat::kShareNone)
                       : nullptr);
      ASSERT_TRUE(!on || holder_->Opened());
    });
  };
  Each(false,
       {{"shown, typed, cancelled; an unknown layer is the front", [&] { context_->fileLayer = 7; },
         Steps{Wait(kTitle), Shows(kName, Path("LOGO.ZLP")), Shows(kDescription, "Company logo"),
               Checked(ZV_ID_TO_FRONT), Checked(ZV_ID_TO_BACK, false), Visible(kSaveTo, false),
               Visible(ZV_ID_CHANGE_DIRECTORY, false), Limit(kName, 24), Limit(kDescription, 255),
               Type(kName, "NEWFORM"), Type(kDescription, "New")} +
             kCancel},
        {"OK without changes", nullptr, Steps{Wait(kTitle)} + kOk},
        {"the description and the layer", nullptr,
         Steps{Wait(kTitle), Type(kDescription, "Logo in colour"), Click(ZV_ID_TO_BACK)} + kOk,
         [&](Files& f, zv::EditFormContext& c) {
           f["LOGO.ZLP"] = Rewritten("Logo in colour", 2);
           std::strcpy(c.fileDescription, "Logo in colour");
           c.fileLayer = 2;
         }},
        {"a typed place", nullptr,
         Steps{Wait(kTitle), Put(kName, typed), Type(kDescription, "Logo, moved")} + kOk +
             Steps{Do([&](DialogRun&, const Dialog&) {
               WIN32_FIND_DATAA found{};
               FindClose(FindFirstFileA(typed.c_str(), &found));
               EXPECT_STREQ(found.cFileName, "logo.ZLP");
             })},
         [&](Files& f, zv::EditFormContext& c) {
           f.erase("LOGO.ZLP");
           f["OVL\\LOGO.ZLP"] = Rewritten("Logo, moved", 1);
           std::strcpy(c.filePath, Path("ovl\\logo.ZLP").c_str());
           std::strcpy(c.fileDescription, "Logo, moved");
         }},
        {"an unusable name and a missing directory", nullptr,
         Steps{Wait(kTitle)} + Refuse("NEWFORM.TXT", zv::kMsgFileNameUnusable) +
             Refuse(Path("MISSING\\LOGO.ZLP"), zv::kMsgDirectoryMissing) + kCancel},
        {"an existing file, No then Yes", nullptr,
         Steps{Wait(kTitle), Put(kName, Path("taken.zlp")), Click(ZV_ID_OK), Asked(taken, IDNO), Quiet(),
               Click(ZV_ID_OK), Asked(taken, IDYES), Returns(1)},
         [&](Files& f, zv::EditFormContext& c) {
           Move(f, "LOGO.ZLP", "TAKEN.ZLP");
           std::strcpy(c.filePath, Path("TAKEN.ZLP").c_str());
         }},
        // Another process holds the file and lets nobody else open it.
        {"a failed move", nullptr,
         Steps{Wait(kTitle), Put(kName, Path("NEWFORM")), hold(true), Click(ZV_ID_OK),
               Refused(Message(zv::kMsgMoveFailed)), Quiet(), hold(false)} +
             kCancel}},
       ZV_HELP_CHANGE_FILES);
}

TEST_F(ChangeFormTest, FormNameMode) {
  // A group larger than the free space of the drive: its files are sparse
  // on the host, each just under 4 GB as the system counts them.
  const auto big = [&] {
    ULARGE_INTEGER available, total, free;
    ASSERT_TRUE(GetDiskFreeSpaceExA(Dir().c_str(), &available, &total, &free));
    const uint32_t pieces = static_cast<uint32_t>(free.QuadPart / 0xFFFFFFFEull) + 2;
    ASSERT_LT(pieces, 200u) << "too much free space to outgrow";
    std::vector<GroupInfoEntry> entries;
    Strings names;
    for (uint32_t i = 0; i < pieces; ++i) {
      names.push_back("_F301B" + std::to_string(100 + i) + ".ZLP");
      entries.emplace_back(SettingsRecordBytes(zv::PrintSettings{}), static_cast<int32_t>(i));
      HANDLE file = CreateFileA(Path("FORMS\\" + names.back()).c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr);
      LONG high = 0;
      SetFilePointer(file, static_cast<LONG>(0xFFFFFFFEu), &high, FILE_BEGIN);
      const bool sized = SetEndOfFile(file);
      CloseHandle(file);
      ASSERT_TRUE(sized) << names.back();
    }
    Write("FORMS\\_F301.FGP", GroupInfoFile(entries, names));
  };
  const After moved = [&](Files& f, zv::EditFormContext& c) {
    for (const char* name : {"_F301.FGP", "_F301A00.ZLP", "_F301A01.ZLP"})
      Move(f, "FORMS\\" + std::string(name), "NEW\\" + std::string(name));
    f["ZVLMN3.GLT"] = GroupList(Path("NEW\\_F301.FGP"));
    std::strcpy(c.saveDirectory, Path("NEW").c_str());
  };
  Each(true,
       {{"shown, cancelled", nullptr,
         Steps{Wait(kTitle), Shows(kName, "INVOICE"), Shows(kDescription, "Monthly invoice"),
               Shows(kSaveTo, Path("FORMS")), Checked(ZV_ID_TO_BACK), Visible(ZV_ID_CHANGE_DIRECTORY),
               Visible(ZV_ID_CHANGE_FILE_LABEL, false), Limit(kName, 24), Limit(kDescription, 255)} +
             kCancel},
        // The same directory in other letters is no change.
        {"nothing changed", nullptr,
         Steps{Wait(kTitle), Type(kSaveTo, Upper(Path("FORMS"))), Click(ZV_ID_OK), Returns(2)}},
        // Refused before the directory is looked at; the layer is kept from
        // the first OK on.
        {"unusable and taken names", nullptr,
         Steps{Wait(kTitle), Click(ZV_ID_TO_FRONT), Type(kSaveTo, Path("NEW"))} +
             Refuse("A/B", zv::kMsgFormNameUnusable) + Refuse("ORDER", zv::kMsgFormNameExists) + kCancel,
         [](Files&, zv::EditFormContext& c) { c.formLayer = 1; }},
        // The group text keeps naming the group info file.
        {"name, description and layer", nullptr,
         Steps{Wait(kTitle), Type(kName, "INVOICE 2027"), Type(kDescription, "New year"),
               Click(ZV_ID_TO_FRONT)} +
             kOk,
         [&](Files& f, zv::EditFormContext& c) {
           f["ZVLMN3.FLT"] = FormList("INVOICE 2027", "New year", 1);
           std::strcpy(c.formName, "INVOICE 2027");
           std::strcpy(c.formDescription, "New year");
           c.formLayer = 1;
         }},
        {"a new directory", nullptr, Steps{Wait(kTitle), Type(kSaveTo, Path("NEW"))} + kOk, moved},
        {"no disk space", big,
         Steps{Wait(kTitle), Type(kSaveTo, Path("NEW")), Click(ZV_ID_OK),
               Refused(Message(zv::kMsgNoDiskSpace)), Quiet()} +
             kCancel}},
       ZV_HELP_CHANGE_FORM_NAMES);
}

}  // namespace
