// The register existing form dialog: the two layouts of the form half as a
// name is typed, the paper choice and its rules, Browse, Change Directory,
// each refusal and question of OK, and what OK leaves in the catalogue.
#include "dialogs/register_existing_dialog.h"
#include "catalogue/catalogue_config.h"
#include "dialogs/sub_dialog_fixture.h"

namespace {

using namespace subdialog;  // NOLINT: the script's steps read as a table
using zv::PrintSettings;

constexpr char kTitle[] = "Registrar formulario existente";
constexpr int kName = ZV_ID_REGISTER_FORM_NAME, kDescription = ZV_ID_REGISTER_FORM_DESCRIPTION,
              kPaper = ZV_ID_REGISTER_PAPER, kPortrait = ZV_ID_REGISTER_PORTRAIT;
const Step kOpen = Wait(kTitle);

// Two papers share code 9: the dialog's first choice takes the last of
// them, the paper rule of a later layout switch the first.
const zv::PaperEntry kPapers[] = {{1, 2100, 2970, 11, 12, 9, "A4"},
                                  {1, 2159, 2794, 21, 22, 1, "Letter"},
                                  {1, 2970, 4200, 31, 32, 8, "A3"},
                                  {1, 2100, 2970, 41, 42, 9, "A4 wide margins"}};

// A capture's record: A4 landscape, 600 dpi colour.
const PrintSettings kCaptured = {1,   1, 3, 7, 2100, 2970, 11, 12, 9, 2,
                                 600, 1, 2, 0, 2100, 2970, 0,  0,  9, 100};

std::string Record(PrintSettings s, const zv::PaperEntry& paper, uint8_t orientation, uint8_t layer) {
  s.paperWidth = static_cast<int16_t>(paper.width);
  s.paperHeight = static_cast<int16_t>(paper.length);
  s.paperValue3 = paper.value3;
  s.paperValue4 = paper.value4;
  s.paperCode = paper.code;
  s.orientation = orientation;
  s.layer = layer;
  return SettingsRecordBytes(s);
}

// The new-form layout, or an existing form's: its layer and description as
// fixed texts, and its paper too once it has overlays.
Steps Layout(const std::string& layer = "", const std::string& description = "", bool paperFixed = false) {
  const bool fixed = !layer.empty();
  Steps s = {
      Visible(ZV_ID_REGISTER_FORM_LAYER, fixed), Shows(kDescription, description),
      Do([=](DialogRun&, const Dialog& d) { EXPECT_EQ((d.Style(kDescription) & ES_READONLY) != 0, fixed); })};
  if (fixed) s.push_back(Shows(ZV_ID_REGISTER_FORM_LAYER, layer));
  for (int id : {ZV_ID_TO_FRONT, ZV_ID_TO_BACK, ZV_ID_REGISTER_SAVE_TO, ZV_ID_REGISTER_CHANGE_DIRECTORY})
    s.push_back(Visible(id, !fixed));
  for (int id : {kPaper, kPortrait, ZV_ID_REGISTER_LANDSCAPE}) s.push_back(Visible(id, !paperFixed));
  for (int id : {ZV_ID_REGISTER_FORM_PAPER, ZV_ID_REGISTER_FORM_ORIENTATION})
    s.push_back(Visible(id, paperFixed));
  return s;
}
// The paper chosen: its row, the orientation, and whether both may change.
Steps Paper(int row, bool portrait, bool enabled) {
  return {
      Selected(kPaper, row),    Checked(kPortrait, portrait), Checked(ZV_ID_REGISTER_LANDSCAPE, !portrait),
      Enabled(kPaper, enabled), Enabled(kPortrait, enabled),  Enabled(ZV_ID_REGISTER_LANDSCAPE, enabled)};
}

class RegisterExistingTest : public SubDialogTest {
 protected:
  // Invoice (1, at the back) with one A4 landscape overlay; Memo (2, in
  // front) without overlays yet, its group text the save directory. The
  // edit form dialog hands over NEW.ZLP, a capture at the back, and the
  // driver's A4 portrait.
  void Prepare() {
    Clear();
    Reset();
    block_.assign(zv::driver_block::kMinimumSize, '\0');
    Driver(1, 9);
    context_->overlayCapacity = 256;
    context_->papers = kPapers;
    context_->paperCount = 4;
    context_->filePaperIndex = context_->fileOrientation = zv::kNoPaper;
    context_->fileLayer = 2;
    File("NEW.ZLP", kCaptured);
    ASSERT_TRUE(zv::SetCurrentDirSetting(SaveDir().c_str()));
    WriteFormList(FormListFile({{1, "Invoice", "Bill", 2, 0}, {2, "Memo", "Note", 1, 1}}, {}));
    WriteGroupList(GroupNameListFile({Path("_F3001.FGP"), Dir()}));
    Write("_F3001.FGP", GroupInfoFile({{SettingsRecordBytes(kCaptured), 0}}, {"_F300100.ZLP"}));
    Write("_F300100.ZLP", Overlay(kCaptured));
    Named({{1, "Invoice"}, {2, "Memo"}});
  }
  void Driver(int16_t orientation, uint16_t code) {
    std::memcpy(&block_[zv::driver_block::kOrientationOffset], &orientation, 2);
    std::memcpy(&block_[zv::driver_block::kPaperCodeOffset], &code, 2);
    context_->settings = block_.data();
  }
  static std::string Overlay(const PrintSettings& s) {
    return OverlayDataFile("", "Scanned", SettingsRecordBytes(s), "PAGE");
  }
  void File(const std::string& name, const PrintSettings& header) {
    header_ = header;
    Write(name, Overlay(header));
    std::strcpy(context_->filePath, Path(name).c_str());
    std::strcpy(context_->fileDescription, "Scanned");
  }
  void Named(const std::vector<std::pair<int32_t, std::string>>& forms) {
    for (size_t i = 0; i < forms.size(); ++i) {
      ids_[i] = forms[i].first;
      std::strcpy(names_[i], forms[i].second.c_str());
    }
    context_->ids = ids_;
    context_->names = names_;
    context_->namedCount = static_cast<int32_t>(forms.size());
  }
  std::string SaveDir() const { return Dir().substr(0, Dir().size() - 1); }
  std::string Full(long capacity) const {
    std::string text = Message(414);
    return text.replace(text.find("%ld"), 3, std::to_string(capacity));
  }

  std::string block_;
  int32_t ids_[8] = {};
  zv::FormName names_[8] = {};
  PrintSettings header_{};
};

TEST_F(RegisterExistingTest, WhatItShowsAsANameIsTyped) {
  const auto selected = [](int32_t id) {
    return [id](Files&, zv::EditFormContext& c) { c.selectedForm = id, c.saveDirectory[0] = '*'; };
  };
  const Case cases[] = {
      // The name is the first thing to type; the last paper with the
      // driver's code, the driver's orientation, the file's layer.
      {"opened, a name typed, cancelled", nullptr,
       Steps{kOpen, Do([](DialogRun& run, const Dialog& d) {
               GUITHREADINFO thread = {sizeof thread};
               ASSERT_TRUE(GetGUIThreadInfo(run.ThreadId(), &thread));
               EXPECT_EQ(thread.hwndFocus, d.Control(kName));
             }),
             Shows(kName, ""), Limit(kName, 24), Limit(kDescription, 255), Checked(ZV_ID_TO_BACK),
             Checked(ZV_ID_TO_FRONT, false), Rows(kPaper, {"A4", "Letter", "A3", "A4 wide margins"}),
             Enabled(ZV_ID_REGISTER_BROWSE), Shows(ZV_ID_REGISTER_FILE, Path("NEW.ZLP")),
             Shows(ZV_ID_REGISTER_FILE_DESCRIPTION, "Scanned"), Shows(ZV_ID_REGISTER_FILE_PAPER, ""),
             Shows(ZV_ID_REGISTER_FILE_ORIENTATION, ""), ShowsAnyCase(ZV_ID_REGISTER_SAVE_TO, SaveDir())} +
           Layout() + Paper(3, true, true) +
           Steps{Type(kName, "Letterhead"), Click(ZV_ID_CANCEL), Returns(2)}},
      // A file with a known paper fixes the choice, also after a switch to
      // an existing form and back.
      {"a file's paper",
       [&] {
         context_->filePaperIndex = 1;
         context_->fileOrientation = 2;
         context_->fileLayer = 1;
       },
       Steps{kOpen, Shows(ZV_ID_REGISTER_FILE_PAPER, "Letter"),
             Shows(ZV_ID_REGISTER_FILE_ORIENTATION, Message(zv::kMsgLandscape)), Checked(ZV_ID_TO_FRONT)} +
           Paper(1, false, false) + Steps{Type(kName, "Invoice"), Type(kName, "Invoice2")} +
           Paper(1, false, false) + Steps{Click(ZV_ID_CANCEL), Returns(2)},
       selected(1)},
      // A driver paper the list lacks gives the first paper; the rule of a
      // layout switch then checks landscape.
      {"a driver paper not listed",
       [&] {
         Driver(1, 5);
         context_->fileLayer = 0;
       },
       Steps{kOpen, Checked(ZV_ID_TO_FRONT)} + Paper(0, true, true) + Steps{Type(kName, "X")} +
           Paper(0, false, true) + Steps{Click(ZV_ID_CANCEL), Returns(2)}},
      {"no named forms",
       [&] {
         WriteFormList(FormListFile({}, {}));
         WriteGroupList(GroupNameListFile({}));
         Named({});
       },
       Steps{kOpen, Enabled(ZV_ID_REGISTER_BROWSE, false), Type(kName, "Invoice")} + Layout() +
           Steps{Click(ZV_ID_CANCEL), Returns(2)}},
      // Another letter case is a new name: the editable layout again,
      // emptied, the file's layer and the first paper with the driver's code.
      {"the layouts", nullptr,
       Steps{kOpen, Type(kName, "Invoice")} + Layout(Message(zv::kMsgBack), "Bill", true) +
           Steps{Shows(ZV_ID_REGISTER_FORM_PAPER, "A4"),
                 Shows(ZV_ID_REGISTER_FORM_ORIENTATION, Message(zv::kMsgLandscape)), Click(ZV_ID_TO_FRONT),
                 Type(kName, "invoice")} +
           Layout() + Steps{Checked(ZV_ID_TO_BACK)} + Paper(0, true, true) + Steps{Type(kName, "Memo")} +
           Layout(Message(zv::kMsgFront), "Note") + Paper(0, true, true) +
           Steps{Click(ZV_ID_CANCEL), Returns(2)},
       selected(2)},
      // Cancel in the picker leaves the name alone.
      {"Browse", [&] { context_->selectedForm = 1; },
       Steps{kOpen, Click(ZV_ID_REGISTER_BROWSE), Wait("Detalles del formulario"),
             Rows(ZV_ID_DETAIL_FORM_LIST, {"Invoice", "Memo"}), Selected(ZV_ID_DETAIL_FORM_LIST, 0),
             Select(ZV_ID_DETAIL_FORM_LIST, 1), Click(ZV_ID_OK), kOpen, Shows(kName, "Memo")} +
           Layout(Message(zv::kMsgFront), "Note") +
           Steps{Click(ZV_ID_REGISTER_BROWSE), Wait("Detalles del formulario"),
                 Select(ZV_ID_DETAIL_FORM_LIST, 0), Click(ZV_ID_CANCEL), kOpen, Shows(kName, "Memo"),
                 Click(ZV_ID_CANCEL), Returns(2)},
       selected(2)},
      {"Change Directory", [&] { CreateDirectoryA(Path("SUB").c_str(), nullptr); },
       Steps{kOpen, Click(ZV_ID_REGISTER_CHANGE_DIRECTORY), Wait(Message(zv::kMsgDirectoryName)),
             ShowsAnyCase(ZV_ID_PICKER_DIR_LABEL, SaveDir()), DoubleClickOn(ZV_ID_PICKER_DIR_LIST, "[SUB]"),
             Click(IDOK), kOpen, ShowsAnyCase(ZV_ID_REGISTER_SAVE_TO, Path("SUB")),
             Do([&](DialogRun&, const Dialog&) {
               char remembered[plat::kPathBuffer] = {};
               zv::GetCurrentDirSetting(remembered);
               EXPECT_EQ(Upper(remembered), Upper(Path("SUB")));
             }),
             Click(ZV_ID_CANCEL), Returns(2)}},
  };
  for (const Case& c : cases) {
    Prepare();
    Check(Opener("EDIT2", zv::RegisterExistingProc), c);
  }
  Prepare();
  ExpectHelp(Opener("EDIT2", zv::RegisterExistingProc), kTitle, 300012, ZV_ID_CANCEL, 2);
}

TEST_F(RegisterExistingTest, WhatOkDoes) {
  Steps unusable = {kOpen};
  for (const char* name : {"", "  \t ", "A/B", "A\\B"})
    unusable = unusable +
               Steps{Type(kName, name), Click(ZV_ID_OK), Refused(Message(zv::kMsgFormNameUnusable)), Quiet()};
  PrintSettings low = kCaptured, unknown = kCaptured;
  low.resolution = unknown.resolution = 300;
  unknown.paperCode = 0;  // a paper the list does not know
  const std::string invoice = SettingsRecordBytes(kCaptured);
  const Case cases[] = {
      {"unusable names", nullptr, unusable + Steps{Click(ZV_ID_CANCEL), Returns(2)}},
      {"a new form with the paper chosen", nullptr,
       Steps{kOpen, Type(kName, "Letterhead"), Type(kDescription, "Top"), Click(ZV_ID_TO_FRONT),
             Select(kPaper, 1), Click(ZV_ID_REGISTER_LANDSCAPE), Click(ZV_ID_OK), Returns(1)},
       [&](Files& f, zv::EditFormContext& c) {
         f["ZVLMN3.FLT"] = FormListFile(
             {{1, "Invoice", "Bill", 2, 0}, {2, "Memo", "Note", 1, 1}, {3, "Letterhead", "Top", 1, 2}}, {});
         f["ZVLMN3.GLT"] = GroupNameListFile({Path("_F3001.FGP"), Dir(), Upper(Path("_F3003.FGP"))});
         f["_F3003.FGP"] = GroupInfoFile({{Record(header_, kPapers[1], 2, 1), 0}}, {Path("NEW.ZLP")});
         c.selectedForm = 3;
         std::strcpy(c.formName, "Letterhead");
         std::strcpy(c.formDescription, "Top");
         std::strcpy(c.saveDirectory, SaveDir().c_str());
         c.formLayer = 1;
       }},
      // Appended with the form's paper (A4 landscape) and layer (back).
      {"an existing form takes the file under its own paper", [&] { File("LOW.ZLP", unknown); },
       Steps{kOpen, Type(kName, "Invoice"), Click(ZV_ID_OK), Returns(1)},
       [&](Files& f, zv::EditFormContext& c) {
         f["_F3001.FGP"] = GroupInfoFile({{invoice, 0}, {Record(unknown, kPapers[0], 2, 2), 1}},
                                         {"_F300100.ZLP", Path("LOW.ZLP")});
         c.selectedForm = 1, c.saveDirectory[0] = '*';
       }},
      {"a paper other than the form's",
       [&] {
         context_->filePaperIndex = 1;  // Letter portrait against A4 landscape
         context_->fileOrientation = 1;
       },
       Steps{kOpen, Type(kName, "Invoice"), Click(ZV_ID_OK), Refused(Message(412)), Quiet(),
             Click(ZV_ID_CANCEL), Returns(2)},
       [](Files&, zv::EditFormContext& c) { c.selectedForm = 1, c.saveDirectory[0] = '*'; }},
      // The program-made file it supersedes goes.
      {"a matching overlay, No then Yes", nullptr,
       Steps{kOpen, Type(kName, "Invoice"), Click(ZV_ID_OK), Asked(Message(410), IDNO), Quiet(),
             Click(ZV_ID_OK), Asked(Message(410), IDYES), Returns(1)},
       [&](Files& f, zv::EditFormContext& c) {
         f["_F3001.FGP"] = GroupInfoFile({{invoice, 0}}, {Path("NEW.ZLP")});
         f.erase("_F300100.ZLP");
         c.selectedForm = 1, c.saveDirectory[0] = '*';
       }},
      {"a full group",
       [&] {
         File("LOW.ZLP", low);
         context_->overlayCapacity = 1;
       },
       Steps{kOpen, Type(kName, "Invoice"), Click(ZV_ID_OK), Refused(Full(1)), Quiet(), Click(ZV_ID_CANCEL),
             Returns(2)},
       [](Files&, zv::EditFormContext& c) { c.selectedForm = 1, c.saveDirectory[0] = '*'; }},
      // The new form stays when its registration fails; the second OK
      // registers under it, with the paper the typed name's rule chose.
      {"a new form whose registration fails", [&] { context_->overlayCapacity = 0; },
       Steps{kOpen, Type(kName, "Letterhead"), Type(kDescription, "Top"), Click(ZV_ID_OK), Refused(Full(0)),
             Quiet(), Do([&](DialogRun&, const Dialog&) {
               EXPECT_EQ(Upper(Listing()["ZVLMN3.GLT"]),
                         Upper(GroupNameListFile({Path("_F3001.FGP"), Dir(), SaveDir()})));
               context_->overlayCapacity = 256;
             }),
             Click(ZV_ID_OK), Returns(1)},
       [&](Files& f, zv::EditFormContext& c) {
         f["ZVLMN3.FLT"] = FormListFile(
             {{1, "Invoice", "Bill", 2, 0}, {2, "Memo", "Note", 1, 1}, {3, "Letterhead", "Top", 2, 2}}, {});
         f["ZVLMN3.GLT"] = GroupNameListFile({Path("_F3001.FGP"), Dir(), Upper(Path("_F3003.FGP"))});
         f["_F3003.FGP"] = GroupInfoFile({{Record(header_, kPapers[0], 1, 2), 0}}, {Path("NEW.ZLP")});
         c.selectedForm = 3, c.saveDirectory[0] = '*';
       }},
  };
  for (const Case& c : cases) {
    Prepare();
    Check(Opener("EDIT2", zv::RegisterExistingProc), c);
  }
}

}  // namespace
