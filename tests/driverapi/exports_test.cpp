// The driver's exports on catalogues built byte by byte: what they read and
// write (byte for byte), and the questions of ZVSetFormConfirm.
#ifndef _WIN32
#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue/form_name_list.h"
#include "maintenance/overlay_entries.h"
#include "module/module_state.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/message_boxes.h"
#include "support/message_text.h"
#include "support/other_process.h"
#include "support/sample_driver.h"
#include "zvlmn30e.h"

namespace {

using namespace zvtest;
using Block = DriverSettingsBlock;
using Settings = zv::PrintSettings;
using Entries = std::vector<std::pair<Settings, std::string>>;
enum : uint16_t { kPrint = 1, kCreate = 2, kFile = 1, kStored = 2, kNamed = 3 };
constexpr char kChoiceKey[] = "Software\\ZEVRO\\ZEVRO Lamina3 DLL\\Overlay";

// The block's bytes with another printing mode word.
std::string BlockBytes(const Block& b = {}, uint16_t mode = 0x03) {
  std::string s = b.Bytes();
  s.replace(zv::driver_block::kPrintingModeOffset, 2, Bytes().U16(mode).str());
  return s;
}
// The record captured from the default block with this printing mode, changed.
Settings Rec(uint8_t mode = 0x03, void (*change)(Settings&) = nullptr) {
  Settings s;
  zv::DecodePrintSettings(reinterpret_cast<const unsigned char*>(Block().Record(1).data()), &s);
  s.printingMode = mode;
  if (change) change(s);
  return s;
}
// " ?text" for a yes/no question, " !text" for a stop box with one OK button.
std::string Boxes(const MessageBoxWatcher& watcher) {
  std::string s;
  for (const SeenBox& b : watcher.Boxes()) {
    const bool question = b.buttons == std::vector<int>{kIdYes, kIdNo} && !b.stopIcon;
    const bool stop = b.buttons == std::vector<int>{kIdOk} && b.stopIcon;
    s += (b.caption != zv::kBoxCaption ? " odd" : question ? " ?" : stop ? " !" : " odd") + b.text;
  }
  return s;
}
// The results of calls made in this order, joined by "|".
std::string Seq(std::initializer_list<std::string> results) {
  std::string s;
  for (const std::string& r : results) s += (s.empty() ? "" : "|") + r;
  return s;
}
void DeleteChoiceKey() {
  for (const char* key : {kChoiceKey, "Software\\ZEVRO\\ZEVRO Lamina3 DLL", "Software\\ZEVRO"})
    plat::DeleteRegKey(key);
}

class ExportsTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    DeleteChoiceKey();
    // Two models, whose ids come before the one capability word in the list.
    driver_ = SampleDriverIn(Dir(), "[Driver]\nModels = 0x4007, 0x4008\nCapabilities = 3\n");
    ASSERT_FALSE(driver_.empty());
  }
  void TearDown() override {
    DeleteChoiceKey();
    CatalogueTest::TearDown();
  }
  void Configure(const std::string& entries) {
    ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\n" + entries + "\r\n"));
  }
  // Named form 5 (layer 2) with FORM5.FGP, entry i naming string i; file
  // entries -1 ("P", LOGO.ZLP) and -2 ("C", NEW\NEW.ZLP).
  void WriteForm5(const Entries& entries, const std::string& groupText = "FORM5.FGP") {
    WriteFormList(FormListFile({{5, "INVOICE", "", 2, 0}}, {{-1, "P", "", 1, 1}, {-2, "C", "", 1, 2}}, 2));
    WriteGroupList(GroupNameListFile({groupText, "LOGO.ZLP", Path("NEW\\NEW.ZLP")}));
    std::vector<GroupInfoEntry> records;
    std::vector<std::string> texts;
    for (const auto& e : entries) {
      records.push_back({SettingsRecordBytes(e.first), static_cast<int32_t>(texts.size())});
      texts.push_back(e.second);
    }
    ASSERT_TRUE(WriteWholeFile(Path("FORM5.FGP"), GroupInfoFile(records, texts)));
  }
  // "layer,mode,resolution device path": device - and path # when untouched,
  // the scratch directory as @. The count's high half is not part of it.
  std::string Search(int32_t id, const std::string& block = BlockBytes({}, 0x10)) {
    char path[ZV_PATH_BUFFER];
    std::fill(path, path + 260, '#');
    path[260] = '\0';
    uint16_t device = 0x1234, caps[] = {3};
    const uint32_t r = ZVSearchForm(block.data(), 0xABCD0001u, caps, id, &device, path);
    std::string p = path[0] == '#' ? "#" : path;
    if (p.compare(0, Dir().size(), Dir()) == 0) p = "@" + p.substr(Dir().size());
    return std::to_string(r & 0xFF) + "," + std::to_string((r >> 8) & 0xFF) + "," + std::to_string(r >> 16) +
           " " + (device == 0x1234 ? "-" : std::to_string(device)) + " " + p;
  }
  // ZVSetDevOverlay's result and the identifier it gave ("0 -" for none).
  std::string Set(uint16_t purpose, uint16_t source, const std::string& name, uint16_t number = 0,
                  uint32_t layer = 1, const char* description = nullptr, const Block& block = {}) {
    const std::string bytes = block.Bytes();
    const uint16_t caps[] = {1, 3};
    int32_t id = 0x5A5A5A5A;
    const int32_t result =
        ZVSetDevOverlay(bytes.data(), 2, caps, purpose, source, name == "-" ? nullptr : name.c_str(), number,
                        layer, saveDir_, description, &id);
    return std::to_string(result) + " " + (id == 0x5A5A5A5A ? "-" : std::to_string(id));
  }
  // ZVGetOverlayForm's result and path ("0" when refused).
  std::string GetOverlay(const Block& block, const char* groupString = nullptr, int32_t formId = 26) {
    const std::string bytes = block.Bytes();
    char path[ZV_PATH_BUFFER] = "untouched";
    return ZVGetOverlayForm(bytes.data(), groupString, formId, path) ? "1 " + std::string(path) : "0";
  }
  // Form 26 "INVOICE" (layer 2) whose group text is groupText.
  void WriteForm26(const std::string& groupText) {
    WriteFormList(FormListFile({{3, "OTHER", "", 1, 0}, {26, "INVOICE", "Monthly invoice", 2, 1}}, {}));
    WriteGroupList(GroupNameListFile({"C:\\ELSEWHERE\\", groupText}));
  }
  std::string Group() const { return Path("_F301A.FGP"); }
  // The names the catalogue generates in the group are upper case whole.
  std::string Generated(const std::string& name) const { return Upper(Dir()) + name; }
  std::string Header(const Block& b) const {
    return OverlayDataFile("INVOICE", "Monthly invoice", b.Record(2), "");
  }
  // ZVSetFormConfirm per row: form, mode, answers; the result and the boxes shown.
  struct Confirm {
    int32_t id;
    uint16_t mode;
    std::vector<int> answers;
    std::string expected;
    uint16_t printingMode = 0x10;
  };
  void Expect(const std::vector<Confirm>& calls) {
    for (const Confirm& c : calls) {
      const std::string block = BlockBytes({}, c.printingMode);
      MessageBoxWatcher watcher(c.answers);
      const int32_t result =
          ZVSetFormConfirm(nullptr, block.data(), device_.c_str(), driver_.c_str(), c.id, c.mode);
      EXPECT_EQ(std::to_string(result) + Boxes(watcher), c.expected)
          << c.id << " " << c.mode << " " << c.answers[0];
    }
  }
  void WriteOverlayFile(const Settings& s) {
    ASSERT_TRUE(WriteWholeFile(Path("LOGO.ZLP"), OverlayDataFile("LOGO", "", SettingsRecordBytes(s))));
  }
  const char* saveDir_ = nullptr;
  std::string driver_, device_ = kSampleDevice;
  const Settings matching_ = Rec(0x10), landscape_ = Rec(0x10, [](Settings&s) { s.orientation = 2; });
  const std::string noFormUse_ = " ?" + Message(zv::kMsgNoFormSelectedChange),
                    noFormCreate_ = " ?" + Message(zv::kMsgNoFormSelectedCreate),
                    noMatch_ = " ?" + Message(zv::kMsgNoMatchingOverlayChange),
                    overwrite_ = " ?" + Message(zv::kMsgOverwriteMatchingOverlay),
                    differs_ = " ?" + Message(zv::kMsgPaperOrientationDiffersFromForm),
                    noDir_ = " !" + Message(zv::kMsgDirectoryMissing);
};

TEST_F(ExportsTest, FormListGivesTheNamedFormsThenTheClosingEntry) {
  enum Catalogue { kNone, kAbc, kDamaged, kNoPath };
  const std::tuple<Catalogue, uint32_t, int32_t, int32_t, size_t, bool, std::string> rows[] = {
      {kNone, 0, 4, 0, 5, false, "1 1 1 | 0:~ ? ? ? ? !" + Message(402)},
      {kAbc, 0, 3, -4, 4, false, "4 1 4 | 1:A 2:B 5:C -4:~"},  // a current file entry closes it
      {kAbc, 0, 3, -9, 4, false, "4 1 3 | 1:A 2:B 5:C 0:"},
      {kAbc, 0, 1, 0, 2, false, "4 1 2 | 1:A 2:B"},
      {kAbc, 2, 3, 0, 2, false, "4 1 2 | 5:C 0:~"},
      {kAbc, 10, 12, 0, 3, false, "4 1 1 | 0:~ 0: 0:"},
      {kAbc, 3, 2, 0, 2, false, "4 0 0 | ? ?"},
      {kAbc, 0, 0, 0, 1, true, "0 1 1 | 0:~ !" + Message(401)},  // shown even for one entry
      {kDamaged, 0, 0, 0, 1, false, "1 1 1 | 0:~"},
      {kDamaged, 0, 1, 0, 2, false, "1 1 1 | 0:~ ? !" + Message(403)},
      {kNoPath, 0, 3, 0, 4, false, "0 1 1 | 0:~ ? ? ? !" + Message(404)},
  };
  const std::string damaged = FormListFile({{1, "A", "", 1, 0}}, {}) + '\0';
  char noForm[zv::kFormNameSize];
  zv::LoadNoFormName(noForm);
  for (const auto& [catalogue, first, last, current, slots, failAlloc, expected] : rows) {
    RemoveFile(FormListPath());
    if (catalogue == kAbc)
      WriteFormList(FormListFile({{1, "A", "", 1, 0}, {2, "B", "", 1, 1}, {5, "C", "", 2, 2}},
                                 {{-3, "P", "", 1, 3}, {-4, "C", "", 1, 4}}));
    if (catalogue == kDamaged) WriteFormList(damaged);
    ASSERT_TRUE(catalogue != kNoPath ||
                WriteWholeFile(SystemPath("ZVLMN3.DAT"), "[ENVIRONMENT]\r\nUSER=X\r\n"));
    if (failAlloc) plat::fault::FailNth(plat::fault::kAlloc, 1);
    const int32_t num = ZVGetFormListNum();
    if (failAlloc) plat::fault::FailNth(plat::fault::kAlloc, 1);
    std::vector<int32_t> ids(slots, 0x5A5A5A5A);
    std::vector<char> names(slots * ZV_NAME_SLOT, 'x');
    uint32_t count = 0xFFFF;
    MessageBoxWatcher watcher(kIdOk);
    const int32_t result = ZVGetFormList(nullptr, first, last, current, &count, ids.data(), names.data());
    plat::fault::Reset();
    std::string s = std::to_string(num) + " " + std::to_string(result) + " " + std::to_string(count) + " |";
    for (size_t i = 0; i < slots; ++i) {
      const std::string name(&names[i * ZV_NAME_SLOT], strnlen(&names[i * ZV_NAME_SLOT], 25));
      s += ids[i] == 0x5A5A5A5A ? " ?" : " " + std::to_string(ids[i]) + ":" + (name == noForm ? "~" : name);
    }
    EXPECT_EQ(s + Boxes(watcher), expected);
    EXPECT_TRUE(catalogue != kDamaged || FileBytes(FormListPath()) == damaged);  // never repaired
  }
}

TEST_F(ExportsTest, DevFormNameFormIdAndFormService) {
  auto name = [](int32_t id) {
    char text[ZV_PATH_BUFFER] = "#";
    return std::to_string(ZVGetDevFormName(id, text)) + " " + text;
  };
  // Without a group name list only named forms are named.
  WriteFormList(
      FormListFile({{3, "INVOICE", "", 1, 0}, {7, "Letter", "monthly", 2, 1}}, {{-5, "P", "", 1, 2}}, 5));
  EXPECT_EQ(name(7) + name(0) + name(-5), "1 Letter0 #0 #");
  EXPECT_EQ(std::vector<int32_t>({ZVGetFormID("Letter"), ZVGetFormID("invoice"), ZVGetFormID("P")}),
            std::vector<int32_t>({7, 0, 0}));
  // A file entry names what its text stands for; a bare name lies beside the list.
  WriteFormList(
      FormListFile({{5, "INVOICE", "", 1, 0}},
                   {{-1, "P", "", 1, 1}, {-2, "C", "", 1, 2}, {-3, "P", "", 2, 3}, {-4, "P", "", 1, 9}}, 4));
  WriteGroupList(GroupNameListFile({"INVOICE.FGP", "D:\\OVL\\LOGO.ZLP", "7", "LOGO.ZLP"}));
  EXPECT_EQ(name(-1) + "|" + name(-2) + "|" + name(-3) + "|" + name(-4),
            "1 D:\\OVL\\LOGO.ZLP|1 7|1 " + Path("LOGO.ZLP") + "|0 #");
  WriteGroupList(GroupNameListFile({"INVOICE.FGP", "D:\\OVL\\LOGO.ZLP"}) + "x");
  EXPECT_EQ(name(-1), "0 #");
  // Without the list paths nothing is named.
  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVLMN3.DAT"), "[ENVIRONMENT]\r\nUSER=\r\n"));
  EXPECT_EQ(name(5) + name(-2) + std::to_string(ZVGetFormID("INVOICE")), "0 #0 #0");
  // ZVDriverFormService: an editor named in the configuration.
  EXPECT_EQ(ZVDriverFormService(), 0);
  ASSERT_TRUE(WriteWholeFile(ModuleDirPath("ZVL3DRV.DAT"), "[ENVIRONMENT]\r\nEDITOR=FORMED.EXE\r\n"));
  EXPECT_EQ(ZVDriverFormService(), 1);
}

TEST_F(ExportsTest, SearchPrefersScreeningAndResolutionThenScreeningThenResolution) {
  // The block asks for halftoning (0x10) at 600 dpi; the form's layer is 2.
  const std::tuple<std::vector<std::pair<uint8_t, uint16_t>>, std::string> rows[] = {
      {{{0x00, 600}, {0x10, 300}, {0x10, 600}, {0x00, 300}, {0x10, 600}}, "2,16,600 65535 @E2"},
      {{{0x00, 600}, {0x10, 300}, {0x00, 300}}, "2,16,300 65535 @E1"},
      {{{0x10, 300}, {0x00, 600}, {0x10, 300}, {0x00, 600}}, "2,16,300 65535 @E2"},  // the last one
      {{{0x00, 300}, {0x00, 600}, {0x00, 300}, {0x00, 600}}, "2,0,600 65535 @E3"},
      {{{0x00, 300}, {0x30, 300}}, "2,0,300 65535 @E0"},  // else the first acceptable one
      {std::vector<std::pair<uint8_t, uint16_t>>(), "0,0,0 65535 #"},
  };
  for (const auto& [modeAndResolution, chosen] : rows) {
    Entries entries;
    for (const auto& e : modeAndResolution) {
      entries.push_back({Rec(e.first), "E" + std::to_string(entries.size())});
      entries.back().first.resolution = e.second;
    }
    WriteForm5(entries);
    EXPECT_EQ(Search(5), chosen);
  }
  // A matching entry whose own layer differs; a landscape one before it.
  WriteForm5({{landscape_, "WRONG.ZLP"}, {Rec(0x10), "D:\\OVL\\KEEP.ZLP"}});
  const std::string bytes = FileBytes(Path("FORM5.FGP"));
  ASSERT_TRUE(WriteWholeFile(Path("FORM5.FGP"), bytes + "extra"));  // its size is not checked
  EXPECT_EQ(Search(5), "2,16,600 65535 D:\\OVL\\KEEP.ZLP");
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(Search(5), "0,0,0 - #");
  ASSERT_TRUE(WriteWholeFile(Path("FORM5.FGP"), "ZEVROFORM GROUPINFO V1.1" + bytes.substr(24)));
  EXPECT_EQ(Search(5), "0,0,0 65535 #");
  RemoveFile(FormListPath());
  EXPECT_EQ(Search(5), "0,0,0 - #");
}

TEST_F(ExportsTest, SearchOfFileEntriesAndStoredOverlays) {
  // An overlay file's own orientation and papers do not count; its colour does.
  Settings file = Rec(0x11, [](Settings& s) { s.paperWidth = s.outputWidth = 1000; });
  file.layer = file.orientation = 2;
  WriteOverlayFile(file);
  ASSERT_TRUE(WriteWholeFile(Path("RAW.ZLC"), "\0350;0.24muE and more"));
  const std::vector<FormRow> files = {{-1, "P", "", 1, 0}, {-2, "C", "", 1, 0}, {-3, "P", "", 1, 1},
                                      {-4, "P", "", 2, 2}, {-5, "P", "", 1, 3}, {-6, "P", "", 1, 9}};
  WriteFormList(FormListFile({{5, "INVOICE", "", 1, 5}}, files, 6));
  WriteGroupList(GroupNameListFile({Path("LOGO.ZLP"), "RAW.ZLC", "12", "70000", "", Path("SAVED")}));
  ASSERT_TRUE(plat::MakeDirectory(Path("SAVED").c_str()));
  const std::tuple<int32_t, std::string, std::string> rows[] = {
      {-1, BlockBytes({}, 0x01), "2,17,600 65535 @LOGO.ZLP"},
      {-2, BlockBytes({}, 0x01), "0,0,0 - #"},               // made for capture: never found
      {-3, BlockBytes({}, 0x00), "0,0,600 65535 @RAW.ZLC"},  // a raw file: the resolution of its data
      {-3, BlockBytes(InColour(), 0x00), "0,0,0 65535 #"},   // a black file on a colour page
      {-4, BlockBytes(), "2,0,0 12 #"},                      // a printer-stored overlay
      {-5, BlockBytes(), "1,0,0 4464 #"},                    // its number kept to 16 bits
      {5, BlockBytes(), "0,0,0 65535 #"},                    // a group text still a save directory
      {-6, BlockBytes(), "0,0,0 - #"},                       // a group index outside the list
  };
  for (const auto& [id, block, expected] : rows) EXPECT_EQ(Search(id, block), expected) << id;
}

TEST_F(ExportsTest, OverlayFilesAndStoredOverlaysBecomeFileEntries) {
  for (const char* name : {"LOGO.ZLP", "_F301A00.ZLP", "_F301A00.ZLC", "LOGO", "LOGO.TXT"})
    ASSERT_TRUE(WriteWholeFile(Path(name), "data"));
  // Refused: a name the catalogue makes, a foreign extension, a missing
  // file, an unknown purpose, an empty name, a stored overlay to capture.
  EXPECT_EQ(Seq({Set(kPrint, kFile, Path("_F301A00.ZLP")), Set(kPrint, kFile, Path("LOGO.TXT")),
                 Set(kPrint, kFile, Path("GONE.ZLP")), Set(3, kFile, Path("LOGO.ZLP")),
                 Set(kPrint, kFile, ""), Set(kCreate, kStored, "-", 7)}),
            "0 -|0 -|0 -|0 -|0 -|0 -");
  EXPECT_FALSE(FileExists(FormListPath()));
  // Raw data may carry a generated name; a name without a dot has no extension.
  EXPECT_EQ(
      Seq({Set(kPrint, kFile, Path("LOGO.ZLP"), 0, 0x0102, "logo"), Set(kPrint, kFile, Path("_F301A00.ZLC")),
           Set(kPrint, kFile, Path("LOGO")), Set(kPrint, kStored, "-", 7, 2)}),
      "1 -1|1 -2|1 -3|1 -4");
  // A capture entry takes the driver's explanation for its own file only.
  const std::string target = Path("NEW.ZLP"), driver = "From the driver";
  plat::RegKey key = nullptr;
  ASSERT_EQ(plat::CreateRegKey(kChoiceKey, &key), plat::kRegSuccess);
  const uint32_t type = 3, position = 1;
  plat::SetRegValue(key, "Type", plat::kRegDword, &type, 4);
  plat::SetRegValue(key, "Position", plat::kRegDword, &position, 4);
  auto put = [&](const char* name, const std::string& v) {
    plat::SetRegValue(key, name, plat::kRegSz, v.c_str(), static_cast<uint32_t>(v.size() + 1));
  };
  put("File", Lower(target));
  put("Explanation", driver);
  EXPECT_EQ(Seq({Set(kCreate, kFile, target), Set(kCreate, kFile, Path("OTHER.ZLP"), 0, 2, "mine")}),
            "1 -5|1 -6");
  // A file name of 260 characters, the longest text the catalogue keeps.
  const std::string longest = "D:\\" + std::string(253, 'X') + ".ZLP";
  put("File", longest);
  EXPECT_EQ(Set(kCreate, kFile, longest), "1 -7");
  plat::CloseRegKey(key);
  const std::vector<FormRow> made = {
      {-1, "P", "logo", 2, 0}, {-2, "P", "", 1, 1},     {-3, "P", "", 1, 2},    {-4, "P", "", 2, 3},
      {-5, "C", driver, 1, 4}, {-6, "C", "mine", 2, 5}, {-7, "C", driver, 1, 6}};
  EXPECT_EQ(FileBytes(FormListPath()), FormListFile({}, made, 7));
  EXPECT_EQ(FileBytes(GroupListPath()),
            GroupNameListFile({Path("LOGO.ZLP"), Path("_F301A00.ZLC"), Path("LOGO"), "7", target,
                               Path("OTHER.ZLP"), longest}));
  // A full ring overwrites the entry with the next number.
  std::vector<FormRow> entries;
  std::vector<std::string> texts{"INVOICE.FGP"};
  for (int32_t n = 1; n <= 256; ++n) {
    entries.push_back({-n, "P", "old", 1, static_cast<uint32_t>(n)});
    texts.push_back(std::to_string(n));
  }
  WriteFormList(FormListFile({{5, "INVOICE", "", 1, 0}}, entries, 41));
  WriteGroupList(GroupNameListFile(texts));
  EXPECT_EQ(Set(kPrint, kStored, "-", 9, 2, "new"), "1 -42");
  entries[41] = {-42, "P", "new", 2, 42};
  texts[42] = "9";
  EXPECT_EQ(FileBytes(FormListPath()), FormListFile({{5, "INVOICE", "", 1, 0}}, entries, 42));
  EXPECT_EQ(FileBytes(GroupListPath()), GroupNameListFile(texts));
}

TEST_F(ExportsTest, NamedFormsAreCreatedOnlyForCaptureAndNeedAnOverlayOrRoom) {
  WriteFormList(FormListFile({{1, "A", "", 1, 0}, {3, "C", "", 1, 1}}, {}));
  WriteGroupList(GroupNameListFile({"A.FGP", "C.FGP"}));
  EXPECT_EQ(Seq({Set(kPrint, kNamed, "ORDER"), Set(kCreate, kNamed, Message(zv::kMsgNoFormName)),
                 Set(kCreate, kNamed, std::string(25, 'N'))}),
            "0 -|0 -|0 -");
  // The lowest free identifiers; the stored current directory.
  EXPECT_EQ(Set(kCreate, kNamed, "ORDER", 0, 2), "1 2");
  saveDir_ = "D:\\FORMS";
  EXPECT_EQ(Set(kCreate, kNamed, "MEMO", 0, 1, "notes"), "1 4");
  EXPECT_EQ(
      FileBytes(FormListPath()),
      FormListFile(
          {{1, "A", "", 1, 0}, {3, "C", "", 1, 1}, {2, "ORDER", "", 2, 2}, {4, "MEMO", "notes", 1, 3}}, {}));
  EXPECT_EQ(FileBytes(GroupListPath()), GroupNameListFile({"A.FGP", "C.FGP", Dir(), "D:\\FORMS"}));
  Configure("F3GRP=1,4");  // no identifier left: refused before any writer is asked, no code
  EXPECT_EQ(Set(kCreate, kNamed, "FIFTH"), "0 -");
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  // An existing form with one black overlay; the group holds as many
  // overlays as the number range allows.
  WriteFormList(FormListFile({{5, "INVOICE", "", 1, 0}}, {}));
  WriteGroupList(GroupNameListFile({"INVOICE.FGP"}));
  ASSERT_TRUE(WriteWholeFile(Path("INVOICE.FGP"), GroupInfoFile({{Block().Record(1), 0}}, {"_F30500.ZLP"})));
  EXPECT_EQ(Seq({Set(kPrint, kNamed, "INVOICE"), Set(kPrint, kNamed, "INVOICE", 0, 1, nullptr, InColour()),
                 Set(kCreate, kNamed, "INVOICE", 0, 1, nullptr, InColour())}),
            "1 5|0 -|1 5");
  Configure("F3CMD=3,3");
  EXPECT_EQ(
      Seq({Set(kCreate, kNamed, "INVOICE", 0, 1, nullptr, InColour()), Set(kCreate, kNamed, "INVOICE")}),
      "0 -|1 5");
  // Ranges that wrap to identifiers below 1 give no form, and nothing is written. A range of one
  // identifier above 4096 (5000,6000 is clamped to 5000): its form is created and captured into a group
  // info file whose digits are 000.
  WriteFormList(FormListFile({}, {}));
  const std::string lists = FileBytes(FormListPath()) + FileBytes(GroupListPath());
  for (const char* range : {"F3GRP=-1", "F3GRP=-5,10"}) {
    Configure(range);
    EXPECT_EQ(Set(kCreate, kNamed, "NEGATIVE"), "0 -") << range;
    EXPECT_EQ(FileBytes(FormListPath()) + FileBytes(GroupListPath()), lists) << range;
  }
  saveDir_ = nullptr;
  Configure("F3GRP=5000,6000");
  EXPECT_EQ(Seq({Set(kCreate, kNamed, "LARGE"), GetOverlay(Block(), nullptr, 5000)}),
            "1 5000|1 " + Generated("_F300000.ZLP"));
  EXPECT_EQ(FileBytes(Generated("_F3000.FGP")), GroupInfoFile({{Block().Record(1), 0}}, {"_F300000.ZLP"}));
}

TEST_F(ExportsTest, FirstOverlayOfANewFormOrAFileEntryNamedCGetsAFreshHeader) {
  ASSERT_TRUE(plat::MakeDirectory(Path("forms").c_str()));
  WriteForm26(Path("forms"));
  const std::string longText(300, 'G');  // kept cut to 260 characters
  EXPECT_EQ(GetOverlay(Block(), longText.c_str()), "1 " + Generated("FORMS\\_F301A00.ZLP"));
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  EXPECT_EQ(FileBytes(GroupListPath()),
            GroupNameListFile({"C:\\ELSEWHERE\\", Generated("FORMS\\_F301A.FGP")}));
  EXPECT_EQ(FileBytes(Generated("FORMS\\_F301A00.ZLP")), Header(Block()));
  EXPECT_EQ(FileBytes(Generated("FORMS\\_F301A.FGP")),
            GroupInfoFile({{Block().Record(2), 1}}, {std::string(260, 'G'), "_F301A00.ZLP"}, 0));
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(GetOverlay(InColour()), "0");
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  // A file entry named "C" gets a fresh header in its own file.
  WriteFormList(
      FormListFile({}, {{-1, "C", "Scan form", 1, 0}, {-2, "C", "Raw", 1, 1}, {-3, "P", "Print", 1, 2}}, 3));
  WriteGroupList(GroupNameListFile({Path("invoice.zlp"), Path("RAW.zlc"), Path("print.zlp")}));
  ASSERT_TRUE(WriteWholeFile(Path("invoice.zlp"), std::string(1000, 'D')));
  ASSERT_TRUE(WriteWholeFile(Path("RAW.zlc"), "RAW DATA"));
  EXPECT_EQ(GetOverlay(Block(), "TEXT", -1), "1 " + Path("invoice.zlp"));
  EXPECT_EQ(FileBytes(Path("invoice.zlp")), OverlayDataFile("C", "Scan form", Block().Record(1), ""));
  // A raw file never gets a header; a "P" entry is not captured into.
  EXPECT_EQ(Seq({GetOverlay(Block(), nullptr, -2), GetOverlay(Block(), nullptr, -3),
                 GetOverlay(Block(), nullptr, -4)}),
            "0|0|0");
  EXPECT_EQ(FileBytes(Path("RAW.zlc")), "RAW DATA");
  EXPECT_FALSE(FileExists(Path("print.zlp")));
  // A list file of the catalogue that a file entry's group text names is not captured into either.
  WriteFormList(FormListFile({}, {{-1, "C", "", 1, 0}, {-2, "C", "", 1, 1}}, 2));
  WriteGroupList(GroupNameListFile({Path("zvlmn3.flt"), GroupListPath()}));
  const std::string lists = FileBytes(FormListPath()) + FileBytes(GroupListPath());
  EXPECT_EQ(Seq({GetOverlay(Block(), nullptr, -1), GetOverlay(Block(), nullptr, -2),
                 FileBytes(FormListPath()) + FileBytes(GroupListPath())}),
            Seq({"0", "0", lists}));
}

TEST_F(ExportsTest, ANewFileTakesTheLowestFreeNumberAndTheSameSettingsReuseTheirFile) {
  WriteForm26(Group());
  const std::vector<GroupInfoEntry> entries = {{At300().Record(2), 0}, {InColour().Record(2), 1}};
  ASSERT_TRUE(WriteWholeFile(Group(), GroupInfoFile(entries, {"_F301A00.ZLP", "_F301A02.ZLP"})));
  EXPECT_EQ(GetOverlay(Block()), "1 " + Generated("_F301A01.ZLP"));
  const std::string grown = GroupInfoFile({entries[0], entries[1], {Block().Record(2), 2}},
                                          {"_F301A00.ZLP", "_F301A02.ZLP", "_F301A01.ZLP"});
  EXPECT_EQ(FileBytes(Group()), grown);
  // After a capture the same settings start the file afresh and register
  // nothing, not even the driver's text.
  ASSERT_TRUE(WriteWholeFile(Path("_F301A01.ZLP"), Header(Block()) + "PAGE"));
  EXPECT_EQ(GetOverlay(Block(), "TEXT"), "1 " + Path("_F301A01.ZLP"));
  EXPECT_EQ(FileBytes(Path("_F301A01.ZLP")) + FileBytes(Group()), Header(Block()) + grown);
  EXPECT_EQ(GetOverlay(At300()), "1 " + Path("_F301A00.ZLP"));
  // Matching entries of files from elsewhere leave the group; the driver
  // text (string 3) moves down with the texts behind them.
  ASSERT_TRUE(WriteWholeFile(
      Group(), GroupInfoFile({{Block().Record(1), 0}, {Block().Record(1), 1}, {At300().Record(2), 2}},
                             {"D:\\A\\X.ZLP", "D:\\B\\LONGER.ZLP", "_F301A00.ZLP", "DRV"}, 3)));
  EXPECT_EQ(GetOverlay(Block()), "1 " + Generated("_F301A01.ZLP"));
  EXPECT_EQ(FileBytes(Group()), GroupInfoFile({{At300().Record(2), 0}, {Block().Record(2), 2}},
                                              {"_F301A00.ZLP", "DRV", "_F301A01.ZLP"}, 1));
  // The entry of the settings lies past the first block of 134 entries.
  std::vector<GroupInfoEntry> many;
  std::vector<std::string> names;
  for (int i = 0; i < 140; ++i) {
    many.push_back({(i == 139 ? Block() : At300()).Record(2), i});
    names.push_back("X" + std::to_string(i));
  }
  ASSERT_TRUE(WriteWholeFile(Group(), GroupInfoFile(many, names)));
  EXPECT_EQ(GetOverlay(Block()), "1 " + Path("X139"));
  // An entry of the settings that names a file of the catalogue itself gets no capture.
  const std::string lists = FileBytes(FormListPath()) + FileBytes(GroupListPath());
  for (const char* name : {"_f301a.FGP", "ZVLMN3.FLT", "zvlmn3.glt"}) {
    const std::string group = GroupInfoFile({{Block().Record(2), 0}}, {name});
    ASSERT_TRUE(WriteWholeFile(Group(), group));
    EXPECT_EQ(Seq({GetOverlay(Block()), FileBytes(Group()),
                   FileBytes(FormListPath()) + FileBytes(GroupListPath())}),
              Seq({"0", group, lists}))
        << name;
  }
}

TEST_F(ExportsTest, AGroupKeepsItsPaperAndItsRangeAndIsNeverRepaired) {
  WriteForm26(Group());
  const std::string group = GroupInfoFile({{Block().Record(2), 0}}, {"_F301A00.ZLP"});
  Block landscape = At300(), otherPaper = At300();
  landscape.orientation = 2;
  otherPaper.paperCode = 10;
  ASSERT_TRUE(WriteWholeFile(Group(), group));
  EXPECT_EQ(Seq({GetOverlay(landscape), GetOverlay(otherPaper), FileBytes(Group())}), "0|0|" + group);
  ASSERT_TRUE(WriteWholeFile(Group(), group + "X"));  // a damaged group stays as it is
  EXPECT_EQ(Seq({GetOverlay(At300()), FileBytes(Group())}), "0|" + group + "X");
  // Two entries fill the range 0..1, although only number 0 is taken.
  const std::string full =
      GroupInfoFile({{At300().Record(2), 0}, {InColour().Record(2), 1}}, {"_F301A00.ZLP", "S.ZLP"});
  ASSERT_TRUE(WriteWholeFile(Group(), full));
  Configure("F3CMD=0,1");
  EXPECT_EQ(Seq({GetOverlay(Block()), FileBytes(Group())}), "0|" + full);
  Configure("F3CMD=0,2");
  EXPECT_EQ(GetOverlay(Block()), "1 " + Generated("_F301A01.ZLP"));
  // A new group starts at the lowest number of the range.
  Configure("F3CMD=16,31");
  char path[ZV_PATH_BUFFER] = "";
  EXPECT_EQ(zv::ProposeOverlayFileName(Block().Bytes().data(), Path("_F3002.fgp").c_str(), path),
            zv::kOverlayFileNew);
  EXPECT_EQ(std::string(path), Generated("_F300210.ZLP"));
}

TEST_F(ExportsTest, GroupInfoNamesKeepThePrefixAndThreeDigitsPerForm) {
  const std::tuple<std::string, int32_t, std::string, std::string> rows[] = {
      {"", 26, "c:\\forms", "C:\\FORMS\\_F301A.FGP"},
      {"", 26, "C:\\", "C:\\_F301A.FGP"},
      {"", 0xABC, "D:\\F\\", "D:\\F\\_F3ABC.FGP"},
      {"", 4096, "D:\\F", "D:\\F\\_F3000.FGP"},  // 4096 and above are written 000
      {"", 4097, "D:\\F", "D:\\F\\_F3000.FGP"},
      {"F3GRP=5000,6000", 5000, "D:\\F", "D:\\F\\_F3000.FGP"},
      {"", 0, "D:\\F", "refused 404"},
      {"", 26, "D:\\" + std::string(250, 'L'), "refused 404"},
      {"GRP=1,4096", 27, "D:\\F", "D:\\F\\_01B.FGP"},  // shorter prefixes are kept as they are
      {"xGRP=1,4096", 26, "D:\\F", "D:\\F\\_X01A.FGP"},
  };
  for (const auto& [config, id, dir, expected] : rows) {
    Configure(config);
    char path[ZV_PATH_BUFFER] = "";
    zv::SetLastErrorCode(0);
    const bool made = zv::MakeGroupInfoFileName(id, dir.c_str(), path);
    EXPECT_EQ(made ? std::string(path) : "refused " + std::to_string(zv::GetLastErrorCode()), expected);
  }
}

TEST_F(ExportsTest, PreviewFileIsNamedOnceInThePreviewSlot) {
  WriteFormList(FormListFile({{26, "INVOICE", "", 1, 0}, {27, "LETTER", "", 1, 1}}, {}));
  WriteGroupList(GroupNameListFile({Group(), Dir()}));
  const std::string a(34, 'a');
  ASSERT_TRUE(WriteWholeFile(Group(), GroupInfoFile({{a, 1}}, {"DRV", "_F301A00.ZLP"}, 0)));
  // Form 27 has no group info file yet; form 28 does not exist.
  for (int32_t id : {26, 26, 27, 28}) {
    char path[ZV_PATH_BUFFER] = "untouched";
    const int32_t result = ZVPreviewForm(0xFFFFFFFF, id, path);
    EXPECT_EQ(std::to_string(result) + " " + path, id == 26 ? "1 " + Path("_F301A.PBF") : "0 untouched");
    EXPECT_EQ(FileBytes(Group()), GroupInfoFile({{a, 1}}, {"DRV", "_F301A00.ZLP", "_F301A.PBF"}, 0, -1, 2));
  }
}

TEST_F(ExportsTest, ErrorFormTakesTheOverlayAndItsEntryOut) {
  WriteFormList(FormListFile({{26, "INVOICE", "", 1, 0}}, {}));
  WriteGroupList(GroupNameListFile({Group()}));
  const std::string a(34, 'a'), b(34, 'b'), c(34, 'c');
  const std::string two = GroupInfoFile({{a, 0}, {b, 1}}, {"_F301A00.ZLP", "_F301A01.ZLP"});
  const std::tuple<std::string, int32_t, std::string, int32_t, std::string, std::string> rows[] = {
      // Paths the group does not list: nothing changes.
      {two, 26, "_F301A02.ZLP", 1, two, "1111"},
      {two, 26, "SUB\\_F301A00.ZLP", 1, two, "1111"},
      // A group whose size disagrees with its counts loses the listed file and stays as it is, also when
      // it names nothing else; one that does not list the path changes nothing.
      {two + "X", 26, "_F301A00.ZLP", 0, two + "X", "0111"},
      {GroupInfoFile({{a, 0}}, {"_F301A00.ZLP"}) + "X", 26, "_F301A00.ZLP", 0,
       GroupInfoFile({{a, 0}}, {"_F301A00.ZLP"}) + "X", "0111"},
      {two + "X", 26, "_F301A02.ZLP", 1, two + "X", "1111"},
      // The only overlay takes an otherwise empty group with it.
      {GroupInfoFile({{a, 0}}, {"_F301A00.ZLP"}), 26, "_F301A00.ZLP", 1, kMissing, "0111"},
      {GroupInfoFile({{a, 1}}, {"_F301A.PBF", "_F301A00.ZLP"}, -1, -1, 0), 26, "_F301A00.ZLP", 1,
       GroupInfoFile({}, {"_F301A.PBF"}, -1, -1, 0), "0111"},
      // One of three, named in lower case: the texts behind it and the
      // header's indexes above it move down.
      {GroupInfoFile({{a, 1}, {b, 2}, {c, 3}},
                     {"DRV", "_F301A00.ZLP", "_F301A01.ZLP", "_F301A02.ZLP", "_F301A.PBF"}, 0, -1, 4),
       26, "_f301a01.zlp", 1,
       GroupInfoFile({{a, 1}, {c, 2}}, {"DRV", "_F301A00.ZLP", "_F301A02.ZLP", "_F301A.PBF"}, 0, -1, 3),
       "1011"},
      {two, -5, "LOOSE.ZLP", 1, two, "1110"},  // a file entry only loses its file
      // A group that still names its edited file stays, without entries.
      {GroupInfoFile({{a, 1}}, {"_F301A.ZL3", "_F301A00.ZLP"}, -1, 0), 26, "_F301A00.ZLP", 1,
       GroupInfoFile({}, {"_F301A.ZL3"}, -1, 0), "0111"},
  };
  const std::string formList = FileBytes(FormListPath());
  const char* const names[] = {"_F301A00.ZLP", "_F301A01.ZLP", "_F301A02.ZLP", "LOOSE.ZLP"};
  for (const auto& [group, id, path, result, after, left] : rows) {
    ASSERT_TRUE(WriteWholeFile(Group(), group));
    for (const char* name : names) ASSERT_TRUE(WriteWholeFile(Path(name), "HEADER AND PAGE"));
    EXPECT_EQ(ZVErrorForm(id, Path(path).c_str()), result) << path;
    std::string files;
    for (const char* name : names) files += FileExists(Path(name)) ? "1" : "0";
    EXPECT_EQ(FileBytes(Group()) + " " + files + FileBytes(FormListPath()), after + " " + left + formList);
  }
  EXPECT_EQ(ZVErrorForm(-5, Path("LOOSE.ZLP").c_str()), 1);  // already gone
  // The entry a damaged group still lists could not be taken out.
  ASSERT_TRUE(WriteWholeFile(Group(), two + "X"));
  zv::SetLastErrorCode(0);
  EXPECT_EQ(ZVErrorForm(26, Path("_F301A01.ZLP").c_str()), 0);
  EXPECT_EQ(zv::GetLastErrorCode(), 408u);
#ifdef _WIN32
  // A group another program holds open, sharing writing, cannot be deleted: the
  // entry goes before the file, and the group is left empty.
  ASSERT_TRUE(WriteWholeFile(Group(), GroupInfoFile({{a, 0}}, {"_F301A00.ZLP"})));
  ASSERT_TRUE(WriteWholeFile(Path("_F301A00.ZLP"), "HEADER AND PAGE"));
  FileHolder held(Group(), plat::kAccessRead, plat::kShareReadWrite);
  ASSERT_TRUE(held.Opened());
  EXPECT_EQ(ZVErrorForm(26, Path("_F301A00.ZLP").c_str()), 1);
  EXPECT_EQ(FileBytes(Group()) + FileBytes(Path("_F301A00.ZLP")), GroupInfoFile({}, {}) + kMissing);
#endif
}

TEST_F(ExportsTest, ConfirmOfUseAsksAboutNoFormAndNoMatchAndOfCaptureAboutAMatch) {
  WriteForm5({{matching_, "E.ZLP"}});
  WriteOverlayFile(matching_);
  Expect({{0, kPrint, {kIdNo}, "1" + noFormUse_},
          {0, kPrint, {kIdYes}, "0" + noFormUse_},
          {0, 3, {kIdYes}, "1"},  // other modes check nothing
          {5, 0x101, {kIdYes}, "1"},
          {5, kPrint, {kIdYes}, "1"},
          {-1, kPrint, {kIdYes}, "1"},
          // "C" is never found by the search, so the second question follows.
          {-2, kPrint, {kIdNo, kIdNo}, "1" + noFormUse_ + noMatch_},
          // A capture over a match asks only for the same resolution and mode.
          {5, kCreate, {kIdYes}, "1" + overwrite_},
          {5, kCreate, {kIdNo}, "0" + overwrite_},
          {5, kCreate, {kIdNo}, "1", 0x0110}});  // the whole mode word must equal the mode byte
  const Settings at300 = Rec(0x10, [](Settings& s) { s.resolution = 300; });
  WriteForm5({{at300, "E.ZLP"}});
  Expect({{5, kCreate, {kIdNo}, "1"}});
  WriteForm5({{matching_, Path("GONE\\E.ZLP")}});  // the matching file's directory is gone
  Expect({{5, kCreate, {kIdOk}, "0" + noDir_}});
  // A print entry is questioned, and its data still checked.
  WriteForm5({{at300, "E.ZLP"}});
  WriteOverlayFile(at300);
  Expect({{-1, kCreate, {kIdYes}, "0" + noFormCreate_}, {-1, kCreate, {kIdNo}, "1" + noFormCreate_}});
  WriteOverlayFile(matching_);
  Expect({{-1, kCreate, {kIdNo, kIdNo}, "0" + noFormCreate_ + overwrite_},
          {-2, kCreate, {kIdOk}, "0" + noDir_}});  // a capture entry's new file needs its place
  ASSERT_TRUE(plat::MakeDirectory(Path("NEW").c_str()));
  Expect({{-2, kCreate, {kIdYes}, "1"}});
  WriteForm5({{landscape_, "E.ZLP"}});
  Expect({{5, kPrint, {kIdYes}, "0" + noMatch_}, {5, kPrint, {kIdNo}, "1" + noMatch_}});
  // No form name list: nothing is found, and the file entry has no name.
  RemoveFile(FormListPath());
  Expect({{5, kPrint, {kIdNo}, "1" + noMatch_}, {-1, kPrint, {kIdNo}, "1" + noFormUse_ + noMatch_}});
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  Expect({{0, kPrint, {kIdOk}, "0 !" + Message(zv::kMsgNoWorkArea)}});
  plat::fault::Reset();
  // Without the capability list only the file entry is questioned.
  WriteForm5({{matching_, Path("GONE\\E.ZLP")}});
  ASSERT_EQ(SampleDriverIn(Dir(), "[Driver]\nModels = 1\nCapabilities = 3\nFailCapabilities = 1\n"), driver_);
  Expect({{5, kCreate, {kIdYes}, "1"}, {-2, kPrint, {kIdYes}, "0" + noFormUse_}});
  driver_ = Path("MISSING.DLL");
  Expect({{5, kPrint, {kIdYes}, "1"}});
}

TEST_F(ExportsTest, ConfirmOfCaptureWithoutAMatchChecksCapacityPaperAndDirectory) {
  // Only orientation and paper are asked about; a full group shows its
  // capacity, the size of the overlay number range; a group info file in a
  // directory that is gone, a group text still the save directory.
  const std::tuple<Settings, uint32_t, std::string, std::string, int, std::string> rows[] = {
      {landscape_, 1, "", "FORM5.FGP", kIdYes, "0" + differs_},
      {landscape_, 1, "", "FORM5.FGP", kIdNo, "1" + differs_},
      {Rec(0x10, [](Settings& s) { s.paperWidth = 2101; }), 1, "", "FORM5.FGP", kIdNo, "1" + differs_},
      {Rec(0x10, [](Settings& s) { s.colour = 1; }), 1, "", "FORM5.FGP", kIdNo, "1"},
      {landscape_, 256, "", "FORM5.FGP", kIdOk, "0 !" + Message(zv::kMsgTooManyOverlays, "256")},
      {landscape_, 255, "", "FORM5.FGP", kIdNo, "1" + differs_},
      {landscape_, 3, "F3CMD=10,12", "FORM5.FGP", kIdOk, "0 !" + Message(zv::kMsgTooManyOverlays, "3")},
      {landscape_, 1, "", Path("GONE\\FORM5.FGP"), kIdOk, "0" + noDir_},
      {landscape_, 1, "", Path("SAVED"), kIdOk, "0" + noDir_},
  };
  for (const auto& [settings, count, config, groupText, answer, expected] : rows) {
    Configure(config);
    WriteForm5(Entries(count, {settings, "E.ZLP"}), groupText);
    Expect({{5, kCreate, {answer, kIdYes}, expected}});
  }
  ASSERT_TRUE(plat::MakeDirectory(Path("SAVED").c_str()));
  Expect({{5, kCreate, {kIdNo}, "1"}});
}

}  // namespace
