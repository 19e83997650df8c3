// The exports that only read the catalogue: ZVGetFormListNum, ZVGetFormList,
// ZVGetDevFormName, ZVGetFormID, ZVDriverFormService and ZVSearchForm, on
// catalogue files built byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/form_name_list.h"
#include "driverapi/driver_blocks.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "zvlmn30e.h"

namespace {

using dtest::BlockBytes;
using dtest::Rec;
using zvtest::FormListFile;
using zvtest::GroupNameListFile;

class ReadExportsTest : public zvtest::CatalogueTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }

  // "num result count | id:name per slot (~ the no-form name, ? unwritten) boxes".
  std::string List(uint32_t first, int32_t last, int32_t current, size_t slots, bool failAlloc) {
    char noForm[zv::kFormNameSize];
    zv::LoadNoFormName(noForm);
    if (failAlloc) plat::fault::FailNth(plat::fault::kAlloc, 1);
    const int32_t num = ZVGetFormListNum();
    if (failAlloc) plat::fault::FailNth(plat::fault::kAlloc, 1);
    std::vector<int32_t> ids(slots, 0x5A5A5A5A);
    std::vector<char> names(slots * ZV_NAME_SLOT, 'x');
    uint32_t count = 0xFFFF;
    zvtest::MessageBoxWatcher watcher(zvtest::kIdOk);
    const int32_t result = ZVGetFormList(nullptr, first, last, current, &count, ids.data(), names.data());
    plat::fault::Reset();
    std::string s = std::to_string(num) + " " + std::to_string(result) + " " + std::to_string(count) + " |";
    for (size_t i = 0; i < slots; ++i) {
      const std::string name(&names[i * ZV_NAME_SLOT], strnlen(&names[i * ZV_NAME_SLOT], 25));
      s += ids[i] == 0x5A5A5A5A ? " ?" : " " + std::to_string(ids[i]) + ":" + (name == noForm ? "~" : name);
    }
    return s + dtest::Boxes(watcher.Boxes());
  }

  // "layer,mode,resolution device path": device - and path # when untouched,
  // the scratch directory in the path as @.
  std::string Search(int32_t id, const std::string& block = BlockBytes({}, 0x10),
                     std::vector<uint16_t> caps = {3}) {
    char path[261];
    std::fill(path, path + 260, '#');
    path[260] = '\0';
    uint16_t device = 0x1234;
    // The count's high half is not part of it.
    const uint32_t r = ZVSearchForm(block.data(), 0xABCD0000u | static_cast<uint32_t>(caps.size()),
                                    caps.data(), id, &device, path);
    std::string p = path[0] == '#' ? "#" : path;
    if (p.compare(0, Dir().size(), Dir()) == 0) p = "@" + p.substr(Dir().size());
    return std::to_string(r & 0xFF) + "," + std::to_string((r >> 8) & 0xFF) + "," + std::to_string(r >> 16) +
           " " + (device == 0x1234 ? "-" : std::to_string(device)) + " " + p;
  }

  // Named form 5 (layer 2) whose group info file FORM5.FGP lies beside the
  // lists, its entry i naming the file of string i.
  void WriteNamedForm(const std::vector<std::pair<zv::PrintSettings, std::string>>& entries) {
    WriteFormList(FormListFile({{5, "INVOICE", "", 2, 0}}, {}));
    WriteGroupList(GroupNameListFile({"FORM5.FGP"}));
    std::vector<zvtest::GroupInfoEntry> records;
    std::vector<std::string> texts;
    for (const auto& e : entries) {
      records.push_back({dtest::Bytes(e.first), static_cast<int32_t>(texts.size())});
      texts.push_back(e.second);
    }
    ASSERT_TRUE(zvtest::WriteWholeFile(Path("FORM5.FGP"), zvtest::GroupInfoFile(records, texts)));
  }
};

TEST_F(ReadExportsTest, FormListGivesTheNamedFormsThenTheClosingEntry) {
  enum Catalogue { kNone, kAbc, kDamaged, kNoPath };
  const struct {
    Catalogue catalogue;
    uint32_t first;
    int32_t last, current;
    size_t slots;
    bool failAlloc;
    std::string expected;
  } rows[] = {
      {kNone, 0, 0, 0, 1, false, "1 1 1 | 0:~"},
      {kNone, 0, 4, 0, 5, false, "1 1 1 | 0:~ ? ? ? ? !402"},
      {kAbc, 0, 3, 2, 4, false, "4 1 4 | 1:A 2:B 5:C 0:~"},
      // A current file entry closes the list with its identifier.
      {kAbc, 0, 3, -4, 4, false, "4 1 4 | 1:A 2:B 5:C -4:~"},
      {kAbc, 0, 3, -9, 4, false, "4 1 3 | 1:A 2:B 5:C 0:"},
      {kAbc, 0, 1, 0, 2, false, "4 1 2 | 1:A 2:B"},
      {kAbc, 2, 3, 0, 2, false, "4 1 2 | 5:C 0:~"},
      {kAbc, 10, 12, 0, 3, false, "4 1 1 | 0:~ 0: 0:"},
      {kAbc, 3, 2, 0, 2, false, "4 0 0 | ? ?"},
      {kAbc, 0, 0, 0, 1, true, "0 1 1 | 0:~ !401"},  // shown even for one entry
      {kDamaged, 0, 0, 0, 1, false, "1 1 1 | 0:~"},
      {kDamaged, 0, 1, 0, 2, false, "1 1 1 | 0:~ ? !403"},
      {kNoPath, 0, 3, 0, 4, false, "0 1 1 | 0:~ ? ? ? !404"},
  };
  const std::string damaged = FormListFile({{1, "A", "", 1, 0}}, {}) + '\0';
  for (const auto& r : rows) {
    zvtest::RemoveFile(FormListPath());
    if (r.catalogue == kAbc)
      WriteFormList(FormListFile({{1, "A", "", 1, 0}, {2, "B", "", 1, 1}, {5, "C", "", 2, 2}},
                                 {{-3, "P", "", 1, 3}, {-4, "C", "", 1, 4}}));
    if (r.catalogue == kDamaged) WriteFormList(damaged);
    ASSERT_TRUE(r.catalogue != kNoPath ||
                zvtest::WriteWholeFile(SystemPath("ZVLMN3.DAT"), "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n"));
    EXPECT_EQ(List(r.first, r.last, r.current, r.slots, r.failAlloc), r.expected);
    std::string after;
    // A damaged file is never repaired.
    EXPECT_TRUE(r.catalogue != kDamaged ||
                (zvtest::ReadWholeFile(FormListPath(), &after) && after == damaged));
  }
}

TEST_F(ReadExportsTest, ManyFormsAreListedAcrossBlocks) {
  std::vector<zvtest::FormSpec> forms;
  std::string expected = "41 1 41 |";
  for (int i = 0; i < 40; ++i) {
    forms.push_back({100 + i, "F" + std::to_string(i), "", 1, 0});
    expected += " " + std::to_string(100 + i) + ":F" + std::to_string(i);
  }
  WriteFormList(FormListFile(forms, {}));
  EXPECT_EQ(List(0, 40, 0, 41, false), expected + " 0:~");
}

TEST_F(ReadExportsTest, DevFormNameAndFormIdName) {
  auto name = [](int32_t id) {
    char text[261];
    std::fill(text, text + 260, '#');
    text[260] = '\0';
    const int32_t result = ZVGetDevFormName(id, text);
    return std::to_string(result) + " " + (text[0] == '#' ? "#" : text);
  };
  // Without a group name list only named forms are named.
  WriteFormList(
      FormListFile({{3, "INVOICE", "", 1, 0}, {7, "Letter", "monthly", 2, 1}}, {{-5, "P", "", 1, 2}}, 5));
  const std::pair<int32_t, std::string> named[] = {
      {7, "1 Letter"}, {0, "0 #"}, {4, "0 #"}, {-3, "0 #"}, {-5, "0 #"}};
  for (const auto& c : named) EXPECT_EQ(name(c.first), c.second) << c.first;
  const std::pair<std::string, int32_t> ids[] = {
      {"INVOICE", 3}, {"Letter", 7}, {"invoice", 0}, {"INVOICE ", 0}, {"P", 0}};
  for (const auto& c : ids) EXPECT_EQ(ZVGetFormID(c.first.c_str()), c.second) << c.first;

  // A file entry names what its text stands for; a bare name lies beside the list.
  WriteFormList(
      FormListFile({{5, "INVOICE", "", 1, 0}},
                   {{-1, "P", "", 1, 1}, {-2, "C", "", 1, 2}, {-3, "P", "", 2, 3}, {-4, "P", "", 1, 9}}, 4));
  WriteGroupList(GroupNameListFile({"INVOICE.FGP", "D:\\OVL\\LOGO.ZLP", "7", "LOGO.ZLP"}));
  const std::pair<int32_t, std::string> entries[] = {
      {-1, "1 D:\\OVL\\LOGO.ZLP"}, {-2, "1 7"}, {-3, "1 " + Path("LOGO.ZLP")}, {-4, "0 #"}};
  for (const auto& c : entries) EXPECT_EQ(name(c.first), c.second) << c.first;
  WriteGroupList(GroupNameListFile({"INVOICE.FGP", "D:\\OVL\\LOGO.ZLP"}) + "x");
  EXPECT_EQ(name(-1), "0 #");
  zvtest::RemoveFile(FormListPath());
  EXPECT_EQ(ZVGetFormID("INVOICE"), 0);
}

TEST_F(ReadExportsTest, DriverFormServiceNeedsAnEditorInTheConfiguration) {
  const std::string beside = "[ENVIRONMENT]\r\nF3GRP=1,10\r\nEDITOR=FORMED.EXE\r\n";
  const struct {
    std::string besideModule, system;  // "" for no file
    bool failAlloc;
    int32_t expected;
  } rows[] = {
      {"", "", false, 0},
      {beside, "", false, 1},
      {beside, "", true, 0},
      // The system file shadows the one beside the module.
      {beside, "[ENVIRONMENT]\r\nF3CMD=0,9\r\n", false, 0},
      {beside, "[ENVIRONMENT]\r\nEDITOR=\r\n", false, 0},
      {beside, "[ENVIRONMENT]\r\nEDITOR=X\r\n", false, 1},  // the editor need not exist
      {beside, "[OTHER]\r\nEDITOR=X\r\n", false, 0},
  };
  for (const auto& r : rows) {
    zvtest::RemoveFile(ModuleDirPath("ZVL3DRV.DAT"));
    zvtest::RemoveFile(SystemPath("ZVL3.INI"));
    ASSERT_TRUE(r.besideModule.empty() ||
                zvtest::WriteWholeFile(ModuleDirPath("ZVL3DRV.DAT"), r.besideModule));
    ASSERT_TRUE(r.system.empty() || zvtest::WriteWholeFile(SystemPath("ZVL3.INI"), r.system));
    if (r.failAlloc) plat::fault::FailNth(plat::fault::kAlloc, 1);
    EXPECT_EQ(ZVDriverFormService(), r.expected) << r.system;
    plat::fault::Reset();
  }
}

TEST_F(ReadExportsTest, SearchPrefersScreeningAndResolutionThenScreeningThenResolution) {
  // The block asks for halftoning (0x10) at 600 dpi.
  const struct {
    std::vector<std::pair<uint8_t, uint16_t>> modeAndResolution;
    std::string chosen;
  } rows[] = {
      {{{0x00, 600}, {0x10, 300}, {0x10, 600}, {0x00, 300}, {0x10, 600}}, "E2"},
      {{{0x00, 600}, {0x10, 300}, {0x00, 300}}, "E1"},
      {{{0x10, 300}, {0x00, 600}, {0x10, 300}, {0x00, 600}}, "E2"},  // the last with the screening
      {{{0x00, 300}, {0x00, 600}, {0x00, 300}}, "E1"},
      {{{0x00, 300}, {0x00, 600}, {0x00, 300}, {0x00, 600}}, "E3"},  // the last with the resolution
      {{{0x00, 300}, {0x30, 300}}, "E0"},                            // else the first acceptable one
      {{}, "none"},
  };
  for (const auto& r : rows) {
    std::vector<std::pair<zv::PrintSettings, std::string>> entries;
    for (const auto& e : r.modeAndResolution) {
      zv::PrintSettings s = Rec();
      s.printingMode = e.first;
      s.resolution = e.second;
      entries.push_back({s, "E" + std::to_string(entries.size())});
    }
    WriteNamedForm(entries);
    const std::string found = Search(5);
    EXPECT_EQ(found.substr(found.rfind('@') + 1), r.chosen == "none" ? "0,0,0 65535 #" : r.chosen)
        << r.chosen;
  }
}

TEST_F(ReadExportsTest, SearchPacksTheFormsLayerWithTheChosenEntrysModeAndResolution) {
  zv::PrintSettings landscape = Rec(), chosen = Rec({}, 1);
  landscape.orientation = 2;  // would win on screening and resolution, but does not match
  chosen.printingMode = 0x10;
  chosen.resolution = 300;
  WriteNamedForm({{landscape, "WRONG.ZLP"}, {chosen, "D:\\OVL\\KEEP.ZLP"}});
  EXPECT_EQ(Search(5), "2,16,300 65535 D:\\OVL\\KEEP.ZLP");
  WriteFormList(FormListFile({{5, "INVOICE", "", 1, 0}}, {}));  // the form's own layer counts
  EXPECT_EQ(Search(5), "1,16,300 65535 D:\\OVL\\KEEP.ZLP");
  // The size of the group info file is not checked, its magic is.
  std::string bytes;
  ASSERT_TRUE(zvtest::ReadWholeFile(Path("FORM5.FGP"), &bytes));
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("FORM5.FGP"), bytes + "extra"));
  EXPECT_EQ(Search(5), "1,16,300 65535 D:\\OVL\\KEEP.ZLP");
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("FORM5.FGP"), "ZEVROFORM GROUPINFO V1.1" + bytes.substr(24)));
  EXPECT_EQ(Search(5), "0,0,0 65535 #");
}

TEST_F(ReadExportsTest, SearchOfFileEntriesAndStoredOverlays) {
  // An overlay file's own orientation and papers do not count; its colour does.
  zv::PrintSettings file = Rec({}, 2);
  file.orientation = 2;
  file.paperWidth = file.outputWidth = 1000;
  file.printingMode = 0x11;
  ASSERT_TRUE(
      zvtest::WriteWholeFile(Path("LOGO.ZLP"), zvtest::OverlayDataFile("LOGO", "", dtest::Bytes(file))));
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("RAW.ZLC"),
                                     "\x1D"
                                     "0;0.24muE and more"));
  WriteFormList(FormListFile({{5, "INVOICE", "", 1, 5}},
                             {{-1, "P", "", 1, 0},
                              {-2, "C", "", 1, 0},
                              {-3, "P", "", 1, 1},
                              {-4, "P", "", 2, 2},
                              {-5, "P", "", 1, 3},
                              {-6, "P", "", 1, 9}},
                             6));
  WriteGroupList(GroupNameListFile({Path("LOGO.ZLP"), "RAW.ZLC", "12", "70000", "", Path("SAVED")}));
  ASSERT_TRUE(plat::CreateDirectory(Path("SAVED").c_str()));
  const dtest::Block colour = zvtest::InColour();
  const struct {
    int32_t id;
    std::string block, expected;
  } rows[] = {
      {-1, BlockBytes({}, 0x01), "2,17,600 65535 @LOGO.ZLP"},
      {-2, BlockBytes({}, 0x01), "0,0,0 - #"},               // made for capture: never found
      {-3, BlockBytes({}, 0x00), "0,0,600 65535 @RAW.ZLC"},  // a raw file: the resolution of its data
      {-3, BlockBytes(colour, 0x00), "0,0,0 65535 #"},       // a black file on a colour page
      {-4, BlockBytes(), "2,0,0 12 #"},                      // a printer-stored overlay
      {-5, BlockBytes(), "1,0,0 4464 #"},                    // its number kept to 16 bits
      {5, BlockBytes(), "0,0,0 65535 #"},                    // a group text still a save directory
      {-6, BlockBytes(), "0,0,0 - #"},                       // a group index outside the list
      {-7, BlockBytes(), "0,0,0 - #"},
      {6, BlockBytes(), "0,0,0 - #"},
  };
  for (const auto& r : rows) EXPECT_EQ(Search(r.id, r.block), r.expected) << r.id;
}

TEST_F(ReadExportsTest, SearchLeavesTheReasonOfTheLatestEarlyMismatch) {
  zv::PrintSettings landscape = Rec(), otherPaper = Rec(), otherOutput = Rec(), colour = Rec(),
                    zoomed = Rec();
  landscape.orientation = 2;
  otherPaper.paperWidth = 2101;
  otherOutput.outputWidth = 2199;
  colour.colour = 1;
  zoomed.zoom = 50;
  const struct {
    std::vector<std::pair<zv::PrintSettings, std::string>> entries;
    uint32_t code;
  } rows[] = {
      {{{landscape, "A"}, {colour, "B"}}, zv::kMismatchOrientation},
      {{{otherOutput, "A"}, {otherPaper, "B"}, {zoomed, "C"}}, zv::kMismatchPaper},
      {{{landscape, "A"}, {otherOutput, "B"}}, zv::kMismatchOutputPaper},
      {{{colour, "A"}, {zoomed, "B"}}, 0},
  };
  for (const auto& r : rows) {
    WriteNamedForm(r.entries);
    zv::SetLastErrorCode(77);
    EXPECT_EQ(Search(5, BlockBytes()), "0,0,0 65535 #");
    EXPECT_EQ(zv::GetLastErrorCode(), r.code);
  }
  // A colour overlay needs a colour capability word of its level.
  WriteNamedForm({{colour, "A.ZLP"}});
  const std::string block = BlockBytes(zvtest::InColour());
  EXPECT_EQ(Search(5, block, {3, 5}), "0,0,0 65535 #");
  EXPECT_EQ(Search(5, block, {}), "0,0,0 65535 #");
  EXPECT_EQ(Search(5, block, {3, 0x4002}), "0,0,0 65535 #");
  EXPECT_EQ(Search(5, block, {3, 0x4003}), "2,3,600 65535 @A.ZLP");
}

TEST_F(ReadExportsTest, SearchWithoutCatalogueOrMemoryFindsNothing) {
  EXPECT_EQ(Search(5), "0,0,0 - #");
  WriteNamedForm({{Rec(), "A.ZLP"}});
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(Search(5, BlockBytes()), "0,0,0 - #");
  plat::fault::Reset();
  EXPECT_EQ(Search(5, BlockBytes()), "2,3,600 65535 @A.ZLP");
  const std::string bytes = FormListFile({{5, "INVOICE", "", 1, 0}}, {});
  WriteFormList(bytes.substr(0, bytes.size() - 1));  // one byte short
  EXPECT_EQ(Search(5, BlockBytes()), "0,0,0 - #");
}

}  // namespace
