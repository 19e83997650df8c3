// The register existing form dialog: what it shows at the start and for an
// existing form's name, each refusal and question of OK, and what OK and
// Cancel leave in the catalogue.
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

std::string Record(PrintSettings s, const zv::PaperEntry& p, uint8_t orientation, uint8_t layer) {
  s.paperWidth = static_cast<int16_t>(p.width), s.paperHeight = static_cast<int16_t>(p.length);
  s.paperValue3 = p.value3, s.paperValue4 = p.value4, s.paperCode = p.code;
  s.orientation = orientation, s.layer = layer;
  return SettingsRecordBytes(s);
}

// The new-form layout, or an existing form's: its layer and description as
// fixed texts, its paper too once it has overlays.
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
    block_[zv::driver_block::kOrientationOffset] = 1;  // portrait
    block_[zv::driver_block::kPaperCodeOffset] = 9;
    context_->settings = block_.data(), context_->overlayCapacity = 256, context_->fileLayer = 2;
    context_->papers = kPapers, context_->paperCount = 4;
    context_->filePaperIndex = context_->fileOrientation = zv::kNoPaper;
    context_->ids = ids_, context_->names = names_, context_->namedCount = 2;
    File("NEW.ZLP", kCaptured);
    ASSERT_TRUE(zv::SetCurrentDirSetting(SaveDir().c_str()));
    WriteFormList(FormListFile({{1, "Invoice", "Bill", 2, 0}, {2, "Memo", "Note", 1, 1}}, {}));
    WriteGroupList(GroupNameListFile({Path("_F3001.FGP"), Dir()}));
    Write("_F3001.FGP", GroupInfoFile({{invoice_, 0}}, {"_F300100.ZLP"}));
    Write("_F300100.ZLP", OverlayDataFile("", "Scanned", invoice_, "PAGE"));
  }
  void File(const std::string& name, const PrintSettings& header) {
    header_ = header;
    Write(name, OverlayDataFile("", "Scanned", SettingsRecordBytes(header), "PAGE"));
    std::strcpy(context_->filePath, Path(name).c_str());
    std::strcpy(context_->fileDescription, "Scanned");
  }
  std::string SaveDir() const { return Dir().substr(0, Dir().size() - 1); }

  std::string block_;
  int32_t ids_[2] = {1, 2};
  zv::FormName names_[2] = {"Invoice", "Memo"};
  PrintSettings header_{};
  const std::string invoice_ = SettingsRecordBytes(kCaptured);
};

TEST_F(RegisterExistingTest, Scripts) {
  const auto selected = [](int32_t id) {
    return [id](Files&, zv::EditFormContext& c) { c.selectedForm = id, c.saveDirectory[0] = '*'; };
  };
  PrintSettings low = kCaptured;
  low.resolution = 300;
  low.paperCode = 0;  // a paper the list does not know
  const Case cases[] = {
      // The last paper with the driver's code, the driver's orientation, the
      // file's layer; unusable names refused.
      {"opened, names refused, cancelled", nullptr,
       Steps{kOpen, Shows(kName, ""), Limit(kName, 24), Limit(kDescription, 255), Checked(ZV_ID_TO_BACK),
             Checked(ZV_ID_TO_FRONT, false), Rows(kPaper, {"A4", "Letter", "A3", "A4 wide margins"}),
             Enabled(ZV_ID_REGISTER_BROWSE), Shows(ZV_ID_REGISTER_FILE, Path("NEW.ZLP")),
             Shows(ZV_ID_REGISTER_FILE_DESCRIPTION, "Scanned"), Shows(ZV_ID_REGISTER_FILE_PAPER, ""),
             ShowsAnyCase(ZV_ID_REGISTER_SAVE_TO, SaveDir())} +
           Layout() + Paper(3, true, true) +
           Steps{Type(kName, " \t "), Click(ZV_ID_OK), Refused(Message(zv::kMsgFormNameUnusable)), Quiet(),
                 Type(kName, "A\\B"), Click(ZV_ID_OK), Refused(Message(zv::kMsgFormNameUnusable)), Quiet(),
                 Click(ZV_ID_CANCEL), Returns(2)}},
      // An existing form's layer and description fixed, its paper too once
      // it has overlays; another letter case is a new name again.
      {"the layouts", nullptr,
       Steps{kOpen, Type(kName, "Invoice")} + Layout(Message(zv::kMsgBack), "Bill", true) +
           Steps{Shows(ZV_ID_REGISTER_FORM_PAPER, "A4"),
                 Shows(ZV_ID_REGISTER_FORM_ORIENTATION, Message(zv::kMsgLandscape)), Click(ZV_ID_TO_FRONT),
                 Type(kName, "invoice")} +
           Layout() + Steps{Checked(ZV_ID_TO_BACK)} + Paper(0, true, true) + Steps{Type(kName, "Memo")} +
           Layout(Message(zv::kMsgFront), "Note") + Steps{Click(ZV_ID_CANCEL), Returns(2)},
       selected(2)},
      {"a new form with the paper chosen", nullptr,
       Steps{kOpen, Type(kName, "Letterhead"), Type(kDescription, "Top"), Click(ZV_ID_TO_FRONT),
             Select(kPaper, 1), Click(ZV_ID_REGISTER_LANDSCAPE), Click(ZV_ID_OK), Returns(1)},
       [&](Files& f, zv::EditFormContext& c) {
         f["ZVLMN3.FLT"] = FormListFile(
             {{1, "Invoice", "Bill", 2, 0}, {2, "Memo", "Note", 1, 1}, {3, "Letterhead", "Top", 1, 2}}, {});
         f["ZVLMN3.GLT"] = GroupNameListFile({Path("_F3001.FGP"), Dir(), Upper(Path("_F3003.FGP"))});
         f["_F3003.FGP"] = GroupInfoFile({{Record(header_, kPapers[1], 2, 1), 0}}, {Path("NEW.ZLP")});
         c.selectedForm = 3, c.formLayer = 1, std::strcpy(c.formName, "Letterhead");
         std::strcpy(c.formDescription, "Top"), std::strcpy(c.saveDirectory, SaveDir().c_str());
       }},
      // Appended with the form's paper (A4 landscape) and layer (back).
      {"an existing form takes the file under its own paper", [&] { File("LOW.ZLP", low); },
       Steps{kOpen, Type(kName, "Invoice"), Click(ZV_ID_OK), Returns(1)},
       [&](Files& f, zv::EditFormContext& c) {
         f["_F3001.FGP"] = GroupInfoFile({{invoice_, 0}, {Record(low, kPapers[0], 2, 2), 1}},
                                         {"_F300100.ZLP", Path("LOW.ZLP")});
         selected(1)(f, c);
       }},
      {"a paper other than the form's",
       [&] { context_->filePaperIndex = 1, context_->fileOrientation = 1; },  // Letter portrait
       Steps{kOpen, Type(kName, "Invoice"), Click(ZV_ID_OK), Refused(Message(412)), Quiet(),
             Click(ZV_ID_CANCEL), Returns(2)},
       selected(1)},
      // The program-made file it supersedes goes.
      {"a matching overlay, No then Yes", nullptr,
       Steps{kOpen, Type(kName, "Invoice"), Click(ZV_ID_OK), Asked(Message(410), IDNO), Quiet(),
             Click(ZV_ID_OK), Asked(Message(410), IDYES), Returns(1)},
       [&](Files& f, zv::EditFormContext& c) {
         f["_F3001.FGP"] = GroupInfoFile({{invoice_, 0}}, {Path("NEW.ZLP")});
         f.erase("_F300100.ZLP");
         selected(1)(f, c);
       }},
      {"a full group", [&] { File("LOW.ZLP", low), context_->overlayCapacity = 1; },
       Steps{kOpen, Type(kName, "Invoice"), Click(ZV_ID_OK), Refused(Message(414, "1")), Quiet(),
             Click(ZV_ID_CANCEL), Returns(2)},
       selected(1)},
  };
  for (const Case& c : cases) {
    Prepare();
    Check(Opener("EDIT2", zv::RegisterExistingProc), c);
  }
  Prepare();
  ExpectHelp(Opener("EDIT2", zv::RegisterExistingProc), kTitle, 300012, ZV_ID_CANCEL, 2);
}

}  // namespace
