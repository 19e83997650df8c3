// The edit form dialog's sub-dialogs, linked in (the program's resources stand in for the module's),
// opened on a context as the edit form dialog makes it; after each script, every file of the scratch
// directory, the context's fields and the help asked for compared with what the case expects.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/catalogue_config.h"
#include "catalogue/group_info.h"
#include "dialogs/change_form_dialog.h"
#include "dialogs/delete_form_data_dialog.h"
#include "dialogs/dialog_contexts.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/overlay_list.h"
#include "dialogs/register_existing_dialog.h"
#include "dialogs/resource_ids.h"
#include "module/module_state.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/dialog_script.h"
#include "support/message_text.h"
#include "support/other_process.h"
#include "support/sample_driver.h"

namespace {

using namespace zvtest;  // NOLINT: the script's steps read as a table
using Steps = std::vector<Step>;
using Strings = std::vector<std::string>;
using Files = std::map<std::string, std::string>;  // path under the scratch directory in capitals: bytes
using After = std::function<void(Files&, zv::EditFormContext&)>;

const Steps kCancel = {Click(ZV_ID_CANCEL), Returns(2)}, kOk = {Click(ZV_ID_OK), Returns(1)};

Steps operator+(Steps a, const Steps& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The fields a sub-dialog hands back to the edit form dialog.
std::string Fields(const zv::EditFormContext& c) {
  return "file " + Upper(c.filePath) + "|" + c.fileDescription + "|" + std::to_string(c.fileLayer) +
         " form " + std::to_string(c.selectedForm) + "|" + c.formName + "|" + c.formDescription + "|" +
         std::to_string(c.formLayer) + "|" + Upper(c.saveDirectory) + " flags " +
         std::to_string(c.flagCount) + (c.flagsHandle ? " held" : "") + " help " + std::to_string(c.helpOpen);
}

// The help asked for: its topic, in the sample driver's help file beside the module (this program).
std::string SampleHelp(DWORD topic) {
  char module[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, module, sizeof module);
  *std::strrchr(module, '\\') = '\0';
  return std::to_string(topic) + " " + module + "\\ZVSAMPLE.HLP";
}

class SubDialogTest : public CatalogueTest {
 protected:
  // The set-up beyond the dialog's usual one, a script, how the files and the context end up from
  // what they were, and the help asked for ("topic file"), left open: the edit form dialog ends it.
  struct Case {
    const char* what;
    std::function<void()> before;
    Steps steps;
    After after;
    std::string help = "";
  };

  void SetUp() override {
    CatalogueTest::SetUp();
    zv::CreateDialogBrush();
    context_ = std::make_unique<zv::EditFormContext>();
  }
  void TearDown() override {
    zv::DeleteDialogBrush();
    CatalogueTest::TearDown();
  }
  // An empty scratch directory and a context as the edit form dialog starts it.
  void Reset() {
    for (const auto& f : Listing()) DeleteFileA(Path(f.first).c_str());
    std::memset(context_.get(), 0, sizeof *context_);
    context_->driverPath = ZV_SAMPLE_DRIVER_PATH;
  }
  void Write(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(WriteWholeFile(Path(name), bytes));
  }

  // Every file under the scratch directory: its bytes, or a large one's size.
  Files Listing(const std::string& under = "") const {
    Files files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(Path(under + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
      const std::string name = under + found.cFileName;
      if (found.cFileName[0] == '.') continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        for (const auto& f : Listing(name + "\\")) files.insert(f);
        continue;
      }
      const bool large = found.nFileSizeHigh || found.nFileSizeLow > 65536;
      files[Upper(name)] = large ? "size " + std::to_string(found.nFileSizeLow) : FileBytes(Path(name));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
  }

  // Each case from the dialog's usual start; only the boxes of its steps may show. The delete dialog
  // frees its tick flags whatever it did; the others are handed none.
  void Check(const char* dialog, DLGPROC proc, const std::function<void()>& start,
             const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      start();
      if (c.before) c.before();
      Files files = Listing();
      zv::EditFormContext expected = *context_;
      expected.flagCount = 0;
      expected.flagsHandle = nullptr;
      expected.helpOpen = !c.help.empty();
      if (c.after) c.after(files, expected);
      HelpWatcher help;
      help_ = &help;
      {
        DialogRun run([&] { return static_cast<int>(zv::RunDialog(dialog, nullptr, proc, context_.get())); });
        RunScript(run, c.steps);
        size_t boxes = 0;
        for (const Step& s : c.steps) boxes += s.action == Step::kBoxOf;
        EXPECT_EQ(run.Boxes().size(), boxes);
      }
      EXPECT_EQ(Listing(), files);
      if (expected.saveDirectory[0] == '*') {  // a form looked up: its fields are not compared
        std::memcpy(expected.saveDirectory, context_->saveDirectory, sizeof expected.saveDirectory);
        std::memcpy(expected.formName, context_->formName, sizeof expected.formName);
        std::memcpy(expected.formDescription, context_->formDescription, sizeof expected.formDescription);
        expected.formLayer = context_->formLayer;
      }
      EXPECT_EQ(Fields(*context_), Fields(expected));
      std::string asked;
      for (const HelpCall& call : help.WaitForCalls(2, c.help.empty() ? 0 : 500))
        asked += (call.command == HELP_CONTEXT ? "" : "not a context ") + std::to_string(call.data) + " " +
                 call.file;
      EXPECT_EQ(asked, c.help);
    }
  }

  // Help clicked: asked for at once, while the dialog stays open.
  Step Help() {
    return Do([this](DialogRun&, const Dialog& d) {
      d.Click(ZV_ID_HELP);
      EXPECT_EQ(help_->WaitForCalls(1).size(), 1u);
    });
  }

  std::unique_ptr<zv::EditFormContext> context_;
  const HelpWatcher* help_ = nullptr;
};

// The change form dialog in both modes: what it shows, each refusal and question, a failed move, and
// what OK leaves in the overlay data files, the list files and the group's directory.
namespace change {

constexpr int kName = ZV_ID_CHANGE_NAME, kDescription = ZV_ID_CHANGE_DESCRIPTION,
              kSaveTo = ZV_ID_CHANGE_SAVE_TO;
constexpr char kTitle[] = "Cambiar formulario";

std::string Overlay(const std::string& description) {
  return OverlayDataFile("INVOICE", description, SettingsRecordBytes({0, 1}), "page data");
}
// The header as a rewrite leaves it: the description and its terminator over the old, the layer byte.
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

// OK clicked and refused with the message, the dialog left open.
Steps Refusal(uint32_t message) {
  return {Click(ZV_ID_OK), Refused(Message(message)), Quiet()};
}

class ChangeFormTest : public SubDialogTest {
 protected:
  // File mode: LOGO.ZLP at the front, and TAKEN.ZLP beside it.
  void File() {
    Reset();
    for (const char* dir : {"ovl", "FORMS", "NEW"}) CreateDirectoryA(Path(dir).c_str(), nullptr);
    Write("LOGO.ZLP", Overlay("Company logo"));
    Write("TAKEN.ZLP", Overlay("Another form"));
    context_->mode = zv::kEditModeFile;
    std::strcpy(context_->filePath, Path("LOGO.ZLP").c_str());
    std::strcpy(context_->fileDescription, "Company logo");
    context_->fileLayer = 1;
  }
  // Form-name mode: INVOICE (0x301, at the back) has a group info file in FORMS naming two files the
  // catalogue made and one the user registered there; ORDER (0x302) has only its save directory.
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
  std::unique_ptr<FileHolder> holder_;
};

// Moved first, then the header rewritten in its new place, its name kept and its extension in capitals.
TEST_F(ChangeFormTest, FileMode) {
  const std::string typed = Path("ovl\\logo.zlp"), taken = Message(zv::kMsgOverwriteExistingFile);
  const auto hold = [&](bool on) {
    return Do([&, on](DialogRun&, const Dialog&) {
      holder_.reset(on ? new FileHolder(Path("LOGO.ZLP"), plat::kAccessReadWrite, plat::kShareNone)
                       : nullptr);
      ASSERT_TRUE(!on || holder_->Opened());
    });
  };
  Check("EDIT3", zv::ChangeFormProc, [&] { File(); },
        {{"shown, typed, help, cancelled; an unknown layer is the front", [&] { context_->fileLayer = 7; },
          Steps{Wait(kTitle), Shows(kName, Path("LOGO.ZLP")), Shows(kDescription, "Company logo"),
                Checked(ZV_ID_TO_FRONT), Checked(ZV_ID_TO_BACK, false), Visible(kSaveTo, false),
                Visible(ZV_ID_CHANGE_DIRECTORY, false), Limit(kName, 260), Limit(kDescription, 255),
                Type(kName, "NEWFORM"), Type(kDescription, "New"), Help(), Wait(kTitle)} +
              kCancel,
          nullptr, SampleHelp(ZV_HELP_CHANGE_FILES)},
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
            Move(f, "LOGO.ZLP", "OVL\\LOGO.ZLP");
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
              kCancel}});
}

TEST_F(ChangeFormTest, FormNameMode) {
  // A group larger than the drive's free space: sparse files, each just under 4 GB as the system counts.
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
  // Another program reads the file, so that nobody can open it for writing.
  const auto hold = [&](const std::string& name) {
    return Do([&, name](DialogRun&, const Dialog&) {
      holder_.reset(new FileHolder(Path(name), plat::kAccessRead, plat::kShareRead));
      ASSERT_TRUE(holder_->Opened());
    });
  };
  const Step release = Do([&](DialogRun&, const Dialog&) { holder_.reset(); });
  Check("EDIT3", zv::ChangeFormProc, [&] { Named(); },
        {{"shown, help, cancelled", nullptr,
          Steps{Wait(kTitle), Shows(kName, "INVOICE"), Shows(kDescription, "Monthly invoice"),
                Shows(kSaveTo, Path("FORMS")), Checked(ZV_ID_TO_BACK), Visible(ZV_ID_CHANGE_DIRECTORY),
                Visible(ZV_ID_CHANGE_FILE_LABEL, false), Limit(kName, 24), Limit(kDescription, 255), Help(),
                Wait(kTitle)} +
              kCancel,
          nullptr, SampleHelp(ZV_HELP_CHANGE_FORM_NAMES)},
         // The same directory in other letters is no change.
         {"nothing changed", nullptr,
          Steps{Wait(kTitle), Type(kSaveTo, Upper(Path("FORMS"))), Click(ZV_ID_OK), Returns(2)}},
         // Refused before the directory is looked at; the layer is kept from the first OK on.
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
         {"a new directory", nullptr, Steps{Wait(kTitle), Type(kSaveTo, Path("NEW"))} + kOk,
          [&](Files& f, zv::EditFormContext& c) {
            for (const char* name : {"_F301.FGP", "_F301A00.ZLP", "_F301A01.ZLP"})
              Move(f, "FORMS\\" + std::string(name), "NEW\\" + std::string(name));
            f["ZVLMN3.GLT"] = GroupList(Path("NEW\\_F301.FGP"));
            std::strcpy(c.saveDirectory, Path("NEW").c_str());
          }},
         {"no disk space", big,
          Steps{Wait(kTitle), Type(kSaveTo, Path("NEW")), Click(ZV_ID_OK),
                Refused(Message(zv::kMsgNoDiskSpace)), Quiet()} +
              kCancel},
         // A move that cannot be completed leaves every file where it was and the form where it was.
         {"a missing directory", nullptr,
          Steps{Wait(kTitle), Type(kSaveTo, Path("GONE"))} + Refusal(zv::kMsgDirectoryMissing) + kCancel},
         {"a group info file another program reads", nullptr,
          Steps{Wait(kTitle), Type(kSaveTo, Path("NEW")), hold("FORMS\\_F301.FGP")} +
              Refusal(zv::kMsgMoveFailed) + Steps{release} + kCancel},
         {"a file of the same name in the new directory, answered No",
          [&] { Write("NEW\\_F301A01.ZLP", "theirs"); },
          Steps{Wait(kTitle), Type(kSaveTo, Path("NEW")), Click(ZV_ID_OK),
                Asked(Message(zv::kMsgOverwriteExistingFile), IDNO), Refused(Message(zv::kMsgMoveFailed)),
                Quiet()} +
              kCancel},
         {"a record that cannot be rewritten", nullptr,
          Steps{Wait(kTitle), Type(kSaveTo, Path("NEW")), hold("ZVLMN3.FLT")} + Refusal(zv::kMsgMoveFailed) +
              Steps{release} + kCancel}});
}

}  // namespace change

// The delete form data dialog: rows ticked by real clicks and keys and drawn with their tick boxes,
// each question answered Yes and No, each refusal, and the files on disk afterwards.
namespace del {

using Flags = std::vector<uint32_t>;
constexpr int kWhole = ZV_ID_DELETE_FORM, kOverlays = ZV_ID_DELETE_OVERLAYS, kList = ZV_ID_DELETE_LIST;
const char* const kFiles[] = {"_F300100.ZLP", "_F300101.ZLP", "_F300102.ZLP"};
const zv::PrintSettings kRecords[] = {
    {1, 1, 1, 0x4001, 2100, 2970, 0, 0, 9, 1, 600, 2, 0x10, 0, 2100, 2970, 0, 0, 9, 100},
    {1, 1, 1, 0x4001, 2100, 2970, 0, 0, 9, 1, 300, 1, 0x10, 0, 2100, 2970, 0, 0, 9, 75}};
const Step kOpen = Wait("Eliminar datos de formulario");

std::string Line(const zv::PrintSettings& settings, bool matchSize) {
  char line[zv::kOverlayLineSize] = {};
  zv::BuildOverlayLine(settings, nullptr, 0, matchSize, line);
  return line;
}
// The invoice's group info file holding the entries named, renumbered.
std::string InvoiceGroup(const std::vector<int>& keep, bool edited = false) {
  std::vector<GroupInfoEntry> entries;
  Strings texts;
  for (int i : keep) {
    entries.emplace_back(SettingsRecordBytes(kRecords[i % 2]), static_cast<int32_t>(texts.size()));
    texts.push_back(kFiles[i]);
  }
  if (edited) texts.push_back("_F3001.ZL3");
  return GroupInfoFile(entries, texts, -1, edited ? static_cast<int32_t>(texts.size() - 1) : -1);
}

// What each row shows 3 pixels in, centred on its text: '1' the set tick box, '0' the empty one, '-' neither.
std::string TicksDrawn(HWND list) {
  RECT client{}, row{};
  GetClientRect(list, &client);
  HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen), box = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, CreateCompatibleBitmap(screen, client.right, client.bottom));
  ReleaseDC(nullptr, screen);
  SendMessageA(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
  TEXTMETRICA m{}, system{};
  GetTextMetricsA(dc, &m);
  GetTextMetricsA(box, &system);  // rows are measured before the list is given its font
  EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), system.tmHeight + 2);
  std::string drawn;
  for (int i = 0; SendMessageA(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&row)) != LB_ERR; ++i) {
    const int top = (row.top + row.bottom - m.tmHeight) / 2 + (m.tmHeight - 11) / 2;
    char seen = '-';
    for (const int id : {ZV_BITMAP_TICK_EMPTY, ZV_BITMAP_TICK_SET}) {
      HGDIOBJ previous = SelectObject(box, LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)));
      bool same = true;
      for (int p = 0; p < 121 && same; ++p)
        same = GetPixel(dc, 3 + p % 11, top + p / 11) == GetPixel(box, p % 11, p / 11);
      DeleteObject(SelectObject(box, previous));
      seen = same ? (id == ZV_BITMAP_TICK_SET ? '1' : '0') : seen;
    }
    drawn += seen;
  }
  DeleteObject(SelectObject(dc, old));
  DeleteDC(dc);
  DeleteDC(box);
  return drawn;
}

class DeleteFormDataTest : public SubDialogTest {
 protected:
  // INVOICE (1) with three overlay data files, BLANK (2) with none; the form (or file) and a zeroed
  // flag for each of its overlay data files, as the edit form dialog hands them over.
  void Open(int32_t form, uint32_t flags, const std::string& file = "") {
    Reset();
    WriteFormList(FormListFile({{1, "INVOICE", "Monthly", 1, 1}, {2, "BLANK", "", 2, 0}}, {}));
    WriteGroupList(GroupNameListFile({Dir(), "_F3001.FGP"}));
    Write("_F3001.FGP", InvoiceGroup({0, 1, 2}));
    for (const char* name : kFiles) Write(name, Bytes().U32(319).Text("PAGE").str());
    context_->mode = file.empty() ? 0 : 1;
    context_->selectedForm = form;
    std::strcpy(context_->filePath, file.c_str());
    context_->flagCount = flags;
    context_->flagsHandle = flags ? plat::AllocMovable(flags * 4) : nullptr;
    context_->flags = flags ? static_cast<uint32_t*>(plat::LockMemory(context_->flagsHandle)) : nullptr;
  }
  // Clicks a row as the mouse does (or presses a key); the flags after, and the ticks the rows show.
  Step Tick(int row, Flags ticks, const std::string& drawn = "", UINT key = 0) {
    return Do([=](DialogRun& run, const Dialog& d) {
      RECT rect{};
      ASSERT_NE(SendMessageA(d.Control(kList), LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect)), LB_ERR);
      const LPARAM at = MAKELPARAM(rect.left + 30, (rect.top + rect.bottom) / 2);
      PostMessageA(d.Control(kList), key ? WM_KEYDOWN : WM_LBUTTONDOWN, key ? key : MK_LBUTTON, key ? 1 : at);
      PostMessageA(d.Control(kList), key ? WM_KEYUP : WM_LBUTTONUP, key, key ? 0xC0000001 : at);
      run.Settle();
      run.Settle();
      EXPECT_EQ(Flags(context_->flags, context_->flags + context_->flagCount), ticks) << row << " " << key;
      EXPECT_EQ(drawn.empty() ? "" : TicksDrawn(d.Control(kList)), drawn);
    });
  }
};

// Clicks and the space bar turn a tick over once, arrows tick nothing. A form without overlay data
// offers only the whole form; a file, its one row without a tick box, and just that file deleted.
TEST_F(DeleteFormDataTest, Scripts) {
  const auto gone = [](Strings names) {
    return [names](Files& f, zv::EditFormContext&) {
      for (const std::string& name : names) f.erase(name);
    };
  };
  std::string driver;
  std::unique_ptr<FileHolder> holder;
  const Strings lines = {Line(kRecords[0], true), Line(kRecords[1], true), Line(kRecords[0], true)};
  Check(
      "EDIT1", zv::DeleteFormDataProc, [&] { Open(1, 3); },
      {{"BLANK, help",
        [&] {
          Open(2, 0);
          driver = SampleDriverIn(Dir(), "[Driver]\r\nHelpFile = D:\\HELP\\X.HLP\r\n");
          context_->driverPath = driver.c_str();
          context_->deviceName = kSampleDevice.c_str();
        },
        Steps{kOpen, Checked(kWhole), Enabled(kOverlays, false), Enabled(kList, false), Rows(kList, {}),
              Help(), kOpen} +
            kCancel,
        nullptr, "300011 D:\\HELP\\X.HLP"},
       {"ticks", nullptr,
        Steps{kOpen, Rows(kList, lines), Checked(kWhole), Checked(kOverlays, false), Enabled(kList, false),
              Click(kOverlays), Enabled(kList), Click(kWhole), Enabled(kList, false), Click(kOverlays),
              Tick(1, {0, 1, 0}, "010"), Tick(2, {0, 1, 1}), Tick(1, {0, 0, 1}), Tick(0, {1, 0, 1}),
              Tick(0, {0, 0, 1}, "001", VK_SPACE), Tick(0, {0, 0, 1}, "", VK_DOWN),
              Tick(0, {0, 1, 1}, "011", VK_SPACE), Selected(kList, 1)} +
            kCancel},
       {"file",
        [&] {
          Open(0, 1, Path("LOGO.ZLP"));
          Write("LOGO.ZLP", OverlayDataFile("LOGO", "", SettingsRecordBytes(kRecords[1]), "PAGE"));
          ASSERT_TRUE(plat::SetAttributesReadOnly(Path("LOGO.ZLP").c_str()));
        },
        Steps{kOpen, Visible(kWhole, false), Visible(kOverlays, false), Enabled(kList),
              Rows(kList, {Line(kRecords[1], false)}), Tick(0, {0}, "-"), Do([&](DialogRun&, const Dialog&) {
                EXPECT_EQ(SettingsRecordBytes(context_->settingsRecord), SettingsRecordBytes(kRecords[1]));
              }),
              Click(ZV_ID_OK), Asked(Message(502), IDNO), Quiet(), Click(ZV_ID_OK),
              Asked(Message(502), IDYES), Returns(1)},
        gone({"LOGO.ZLP"})},
       // A file that cannot go is said so and the dialog stays: a directory, untouched, or a file
       // another program holds.
       {"a directory",
        [&] {
          Open(0, 1, Path("DIR.ZLP"));
          ASSERT_TRUE(CreateDirectoryA(Path("DIR.ZLP").c_str(), nullptr));
          Write("DIR.ZLP\\INSIDE.ZLP", "PAGE");
        },
        Steps{kOpen, Click(ZV_ID_OK), Asked(Message(502), IDYES), Refused(Message(408)), Quiet()} + kCancel},
       {"a file held open",
        [&] {
          Open(0, 1, Path("LOGO.ZLP"));
          Write("LOGO.ZLP", OverlayDataFile("LOGO", "", SettingsRecordBytes(kRecords[1]), "PAGE"));
        },
        Steps{kOpen, Do([&](DialogRun&, const Dialog&) {
                holder.reset(new FileHolder(Path("LOGO.ZLP"), plat::kAccessRead, plat::kShareRead));
                ASSERT_TRUE(holder->Opened());
              }),
              Click(ZV_ID_OK), Asked(Message(502), IDYES), Refused(Message(408)), Quiet(),
              Do([&](DialogRun&, const Dialog&) { holder.reset(); })} +
            kCancel},
       {"nothing ticked", nullptr,
        Steps{kOpen, Click(kOverlays), Click(ZV_ID_OK), Warned(Message(619)), Quiet()} + kCancel},
       {"overlays, No then Yes", nullptr,
        Steps{kOpen, Click(kOverlays), Tick(0, {1, 0, 0}), Tick(2, {1, 0, 1}), Click(ZV_ID_OK),
              Asked(Message(502), IDNO), Quiet(), Click(ZV_ID_OK), Asked(Message(502), IDYES), Returns(2)},
        [&](Files& f, zv::EditFormContext& c) {
          gone({kFiles[0], kFiles[2]})(f, c);
          f["_F3001.FGP"] = InvoiceGroup({1});
        }},
       {"whole form, No then Yes", nullptr,
        Steps{kOpen, Click(ZV_ID_OK), Asked(Message(502), IDNO), Quiet(), Click(ZV_ID_OK),
              Asked(Message(502), IDYES), Returns(1)},
        [&](Files& f, zv::EditFormContext& c) {
          gone({"_F3001.FGP", kFiles[0], kFiles[1], kFiles[2]})(f, c);
          f["ZVLMN3.FLT"] = FormListFile({{2, "BLANK", "", 2, 0}}, {});
          f["ZVLMN3.GLT"] = GroupNameListFile({Dir()});
        }},
       {"an edited file keeps the form",
        [&] {
          Write("_F3001.FGP", InvoiceGroup({0, 1, 2}, true));
          Write("_F3001.ZL3", "EDITED");
        },
        Steps{kOpen, Click(ZV_ID_OK), Refused(Message(620)), Quiet()} + kCancel},
       {"the group info file gone", nullptr,
        Steps{kOpen, Click(kOverlays), Tick(1, {0, 1, 0}),
              Do([&](DialogRun&, const Dialog&) { ASSERT_TRUE(RemoveFile(Path("_F3001.FGP"))); }),
              Click(ZV_ID_OK), Asked(Message(502), IDYES), Refused(Message(408)), Quiet()} +
            kCancel,
        gone({"_F3001.FGP"})},
       // The driver captured into the group while the list was open: nothing goes, and the list is read
       // again with nothing ticked.
       {"the group grew meanwhile", nullptr,
        Steps{kOpen, Click(kOverlays), Tick(1, {0, 1, 0}), Do([&](DialogRun&, const Dialog&) {
                Write("_F3001.FGP", InvoiceGroup({0, 1, 2, 1}));
              }),
              Click(ZV_ID_OK), Asked(Message(502), IDYES), Refused(Message(408)),
              Rows(kList, {lines[0], lines[1], lines[2], Line(kRecords[1], true)}),
              Do([&](DialogRun&, const Dialog& d) {
                EXPECT_EQ(Flags(context_->flags, context_->flags + context_->flagCount), Flags({0, 0, 0, 0}));
                EXPECT_EQ(TicksDrawn(d.Control(kList)), "0000");
              }),
              Quiet()} +
            kCancel,
        [&](Files& f, zv::EditFormContext&) {
          f["_F3001.FGP"] = InvoiceGroup({0, 1, 2, 1});
        }}});
}

// The overlay lists are emptied before they are filled: a form's lines, none when its group cannot be
// read, one record's line.
TEST_F(DeleteFormDataTest, OverlayListsAreEmptiedFirst) {
  Open(1, 3);
  HWND list = CreateWindowA("LISTBOX", "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(list, nullptr);
  const std::function<bool()> fills[] = {
      [&] { return zv::FillOverlayList(list, 1, nullptr, 0); },
      [&] { return zv::FillOverlayList(list, 2, nullptr, 0); },  // its group text is a directory
      [&] { return zv::FillOverlayLine(list, kRecords[1], nullptr, 0); }};
  const std::string expected[] = {
      "1|" + Line(kRecords[0], true) + "|" + Line(kRecords[1], true) + "|" + Line(kRecords[0], true), "0",
      "1|" + Line(kRecords[1], false)};
  for (size_t i = 0; i < 3; ++i) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("left from before"));
    std::string shown = fills[i]() ? "1" : "0";
    char line[zv::kOverlayLineSize];
    for (LRESULT row = 0; SendMessageA(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(line)) != LB_ERR;
         ++row)
      shown += "|" + std::string(line);
    EXPECT_EQ(shown, expected[i]) << i;
  }
  DestroyWindow(list);
}

}  // namespace del

// The register existing form dialog: what it shows at the start and for an existing form's name,
// each refusal and question of OK, and what OK and Cancel leave in the catalogue.
namespace reg {

using zv::PrintSettings;
constexpr char kTitle[] = "Registrar formulario existente";
constexpr int kName = ZV_ID_REGISTER_FORM_NAME, kDescription = ZV_ID_REGISTER_FORM_DESCRIPTION,
              kPaper = ZV_ID_REGISTER_PAPER, kPortrait = ZV_ID_REGISTER_PORTRAIT;
const Step kOpen = Wait(kTitle);

// Two papers share code 9: the first choice takes the last, a later layout switch's paper rule the first.
const zv::PaperEntry kPapers[] = {{1, 2100, 2970, 11, 12, 9, "A4"},
                                  {1, 2159, 2794, 21, 22, 1, "Letter"},
                                  {1, 2970, 4200, 31, 32, 8, "A3"},
                                  {1, 2100, 2970, 41, 42, 9, "A4 wide margins"}};
// A capture's record (A4 landscape, 600 dpi colour), one at 300 dpi on an unknown paper (code 0), and
// as recorded: the capture on Letter landscape in front, the other on the invoice's A4 at the back.
const PrintSettings kCaptured = {1,   1, 3, 7, 2100, 2970, 11, 12, 9, 2,
                                 600, 1, 2, 0, 2100, 2970, 0,  0,  9, 100};
const PrintSettings kLow = {1, 1, 3, 7, 2100, 2970, 11, 12, 0, 2, 300, 1, 2, 0, 2100, 2970, 0, 0, 9, 100};
const PrintSettings kOnLetter = {1,   1, 3, 7, 2159, 2794, 21, 22, 1, 2,
                                 600, 1, 2, 0, 2100, 2970, 0,  0,  9, 100};
const PrintSettings kLowOnA4 = {1, 2, 3, 7, 2100, 2970, 11, 12, 9, 2, 300, 1, 2, 0, 2100, 2970, 0, 0, 9, 100};

// The new-form layout, or an existing form's: layer and description fixed, its paper too with overlays.
Steps Layout(const std::string& layer = "", const std::string& description = "", bool paperFixed = false) {
  const bool fixed = !layer.empty();
  Steps s = {Visible(ZV_ID_REGISTER_FORM_LAYER, fixed), Shows(kDescription, description),
             Visible(ZV_ID_TO_FRONT, !fixed), Visible(kPaper, !paperFixed),
             Visible(ZV_ID_REGISTER_FORM_PAPER, paperFixed)};
  s.push_back(
      Do([=](DialogRun&, const Dialog& d) { EXPECT_EQ((d.Style(kDescription) & ES_READONLY) != 0, fixed); }));
  if (fixed) s.push_back(Shows(ZV_ID_REGISTER_FORM_LAYER, layer));
  return s;
}
// The paper chosen: its row, the orientation, and whether both may change.
Steps Paper(int row, bool portrait, bool enabled) {
  return {
      Selected(kPaper, row),    Checked(kPortrait, portrait), Checked(ZV_ID_REGISTER_LANDSCAPE, !portrait),
      Enabled(kPaper, enabled), Enabled(kPortrait, enabled),  Enabled(ZV_ID_REGISTER_LANDSCAPE, enabled)};
}
// Typed as the name and refused on OK.
Steps Refuse(const std::string& name, const std::string& message) {
  return {Type(kName, name), Click(ZV_ID_OK), Refused(message), Quiet()};
}

class RegisterExistingTest : public SubDialogTest {
 protected:
  // Invoice (1, at the back) with one A4 landscape overlay; Memo (2, in front) without overlays, its
  // group text the save directory. Handed over: NEW.ZLP, a capture at the back; the driver's A4 portrait.
  void Prepare() {
    Reset();
    block_.assign(zv::driver_block::kMinimumSize, '\0');
    block_[zv::driver_block::kOrientationOffset] = 1;  // portrait
    block_[zv::driver_block::kPaperCodeOffset] = 9;
    context_->settings = block_.data();
    context_->overlayCapacity = 256;
    context_->fileLayer = 2;
    context_->papers = kPapers;
    context_->paperCount = 4;
    context_->filePaperIndex = zv::kNoPaper;
    context_->fileOrientation = zv::kNoPaper;
    context_->ids = ids_;
    context_->names = names_;
    context_->namedCount = 2;
    File("NEW.ZLP", kCaptured);
    ASSERT_TRUE(zv::SetCurrentDirSetting(SaveDir().c_str()));
    WriteFormList(FormListFile({{1, "Invoice", "Bill", 2, 0}, {2, "Memo", "Note", 1, 1}}, {}));
    WriteGroupList(GroupNameListFile({Path("_F3001.FGP"), Dir()}));
    Write("_F3001.FGP", GroupInfoFile({{invoice_, 0}}, {"_F300100.ZLP"}));
    Write("_F300100.ZLP", OverlayDataFile("", "Scanned", invoice_, "PAGE"));
  }
  void File(const std::string& name, const PrintSettings& header) {
    Write(name, OverlayDataFile("", "Scanned", SettingsRecordBytes(header), "PAGE"));
    std::strcpy(context_->filePath, Path(name).c_str());
    std::strcpy(context_->fileDescription, "Scanned");
  }
  std::string SaveDir() const { return Dir().substr(0, Dir().size() - 1); }

  std::string block_;
  int32_t ids_[2] = {1, 2};
  zv::FormName names_[2] = {"Invoice", "Memo"};
  const std::string invoice_ = SettingsRecordBytes(kCaptured);
};

TEST_F(RegisterExistingTest, Scripts) {
  // The form of that identifier looked up: its own fields are not compared.
  const auto selected = [](int32_t id) {
    return [id](Files&, zv::EditFormContext& c) {
      c.selectedForm = id;
      c.saveDirectory[0] = '*';
    };
  };
  const std::string unusable = Message(zv::kMsgFormNameUnusable);
  Check("EDIT2", zv::RegisterExistingProc, [&] { Prepare(); },
        {// The last paper with the driver's code, the driver's orientation,
         // the file's layer; unusable names refused.
         {"opened, names refused, help, cancelled", nullptr,
          Steps{kOpen, Shows(kName, ""), Limit(kName, 24), Limit(kDescription, 255), Checked(ZV_ID_TO_BACK),
                Checked(ZV_ID_TO_FRONT, false), Rows(kPaper, {"A4", "Letter", "A3", "A4 wide margins"}),
                Enabled(ZV_ID_REGISTER_BROWSE), Shows(ZV_ID_REGISTER_FILE, Path("NEW.ZLP")),
                Shows(ZV_ID_REGISTER_FILE_DESCRIPTION, "Scanned"), Shows(ZV_ID_REGISTER_FILE_PAPER, ""),
                ShowsAnyCase(ZV_ID_REGISTER_SAVE_TO, SaveDir())} +
              Layout() + Paper(3, true, true) + Refuse(" \t ", unusable) + Refuse("A\\B", unusable) +
              Steps{Help(), kOpen} + kCancel,
          nullptr, SampleHelp(ZV_HELP_REGISTER_EXISTING)},
         // Another letter case is a new name again.
         {"the layouts", nullptr,
          Steps{kOpen, Type(kName, "Invoice")} + Layout(Message(zv::kMsgBack), "Bill", true) +
              Steps{Shows(ZV_ID_REGISTER_FORM_PAPER, "A4"),
                    Shows(ZV_ID_REGISTER_FORM_ORIENTATION, Message(zv::kMsgLandscape)), Click(ZV_ID_TO_FRONT),
                    Type(kName, "invoice")} +
              Layout() + Steps{Checked(ZV_ID_TO_BACK)} + Paper(0, true, true) + Steps{Type(kName, "Memo")} +
              Layout(Message(zv::kMsgFront), "Note") + kCancel,
          selected(2)},
         // A typo corrected in the new name keeps what was set for the form.
         {"a new form with the paper chosen", nullptr,
          Steps{kOpen, Type(kName, "Letterhaed"), Type(kDescription, "Top"), Click(ZV_ID_TO_FRONT),
                Select(kPaper, 1), Click(ZV_ID_REGISTER_LANDSCAPE), Type(kName, "Letterhead")} +
              Layout("", "Top") + Paper(1, false, true) + Steps{Checked(ZV_ID_TO_FRONT)} + kOk,
          [&](Files& f, zv::EditFormContext& c) {
            f["ZVLMN3.FLT"] = FormListFile(
                {{1, "Invoice", "Bill", 2, 0}, {2, "Memo", "Note", 1, 1}, {3, "Letterhead", "Top", 1, 2}},
                {});
            f["ZVLMN3.GLT"] = GroupNameListFile({Path("_F3001.FGP"), Dir(), Upper(Path("_F3003.FGP"))});
            f["_F3003.FGP"] = GroupInfoFile({{SettingsRecordBytes(kOnLetter), 0}}, {Path("NEW.ZLP")});
            c.selectedForm = 3;
            c.formLayer = 1;
            std::strcpy(c.formName, "Letterhead");
            std::strcpy(c.formDescription, "Top");
            std::strcpy(c.saveDirectory, SaveDir().c_str());
          }},
         // A driver that gives no paper list: the header's own paper, or a refusal before the form is
         // made when the header names none.
         {"no paper list", [&] { context_->paperCount = 0; },
          Steps{kOpen, Rows(kPaper, {}), Type(kName, "Letterhead")} + kOk,
          [&](Files& f, zv::EditFormContext& c) {
            f["ZVLMN3.FLT"] = FormListFile(
                {{1, "Invoice", "Bill", 2, 0}, {2, "Memo", "Note", 1, 1}, {3, "Letterhead", "", 2, 2}}, {});
            f["ZVLMN3.GLT"] = GroupNameListFile({Path("_F3001.FGP"), Dir(), Upper(Path("_F3003.FGP"))});
            PrintSettings header = kCaptured;
            header.layer = 2;
            f["_F3003.FGP"] = GroupInfoFile({{SettingsRecordBytes(header), 0}}, {Path("NEW.ZLP")});
            c.selectedForm = 3;
            c.formLayer = 2;
            std::strcpy(c.formName, "Letterhead");
            std::strcpy(c.saveDirectory, SaveDir().c_str());
          }},
         {"no paper list nor one in the header",
          [&] {
            context_->paperCount = 0;
            PrintSettings none = kCaptured;
            none.paperWidth = 0;
            File("NEW.ZLP", none);
          },
          Steps{kOpen} + Refuse("Letterhead", Message(409)) + kCancel},
         // Appended with the form's paper (A4 landscape) and layer (back).
         {"an existing form takes the file under its own paper", [&] { File("LOW.ZLP", kLow); },
          Steps{kOpen, Type(kName, "Invoice")} + kOk,
          [&](Files& f, zv::EditFormContext& c) {
            f["_F3001.FGP"] = GroupInfoFile({{invoice_, 0}, {SettingsRecordBytes(kLowOnA4), 1}},
                                            {"_F300100.ZLP", Path("LOW.ZLP")});
            selected(1)(f, c);
          }},
         {"a paper other than the form's",
          [&] {
            context_->filePaperIndex = 1;  // Letter portrait
            context_->fileOrientation = 1;
          },
          Steps{kOpen} + Refuse("Invoice", Message(412)) + kCancel, selected(1)},
         // The program-made file it supersedes goes.
         {"a matching overlay, No then Yes", nullptr,
          Steps{kOpen, Type(kName, "Invoice"), Click(ZV_ID_OK), Asked(Message(410), IDNO), Quiet(),
                Click(ZV_ID_OK), Asked(Message(410), IDYES), Returns(1)},
          [&](Files& f, zv::EditFormContext& c) {
            f["_F3001.FGP"] = GroupInfoFile({{invoice_, 0}}, {Path("NEW.ZLP")});
            f.erase("_F300100.ZLP");
            selected(1)(f, c);
          }},
         {"a full group",
          [&] {
            File("LOW.ZLP", kLow);
            context_->overlayCapacity = 1;
          },
          Steps{kOpen} + Refuse("Invoice", Message(414, "1")) + kCancel, selected(1)}});
}

}  // namespace reg

}  // namespace
