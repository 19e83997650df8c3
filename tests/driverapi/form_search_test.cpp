// ZVSearchForm: which overlay a form prints with under the driver's settings,
// from catalogue files built byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "zvlmn30e.h"

namespace {

using zvtest::Bytes;
using zvtest::FormListFile;
using zvtest::FormSpec;
using zvtest::GroupNameListFile;

// A zero-filled record of size bytes with little-endian fields given as
// triples: offset, width in bytes, value.
template <typename... Values>
std::string Fields(size_t size, Values... triples) {
  const uint32_t v[] = {static_cast<uint32_t>(triples)...};
  std::string bytes(size, '\0');
  for (size_t f = 0; f < sizeof v / sizeof v[0]; f += 3) {
    for (uint32_t i = 0; i < v[f + 1]; ++i) bytes[v[f] + i] = static_cast<char>(v[f + 2] >> (8 * i));
  }
  return bytes;
}

// A driver settings block: an A4 portrait page at 600 dpi, zoom 100, mode
// level 1, in the given colour and printing mode.
std::string BlockBytes(uint16_t colour = 2, uint16_t printingMode = 0x10) {
  return Fields(56, 0, 2, 1, 4, 2, 2100, 6, 2, 2970, 12, 2, 9, 24, 2, 100, 28, 2, 2100, 30, 2, 2970, 36, 2, 9,
                44, 2, 600, 48, 2, colour, 50, 2, 1, 52, 2, 7, 54, 2, printingMode);
}

// A print settings record that passes the tolerant match under BlockBytes().
struct Record {
  uint8_t layer = 1;
  uint8_t orientation = 1;
  uint16_t paperWidth = 2100;
  uint16_t outputWidth = 2100;
  uint16_t resolution = 600;
  uint8_t colour = 2;
  uint8_t printingMode = 0x10;
  uint16_t zoom = 100;
};

std::string RecordBytes(const Record& r) {
  return Fields(34, 0, 2, 1, 2, 1, r.layer, 3, 1, 1, 4, 2, 7, 6, 2, r.paperWidth, 8, 2, 2970, 14, 2, 9, 16, 1,
                r.orientation, 17, 2, r.resolution, 19, 1, r.colour, 20, 1, r.printingMode, 22, 2,
                r.outputWidth, 24, 2, 2970, 30, 2, 9, 32, 2, r.zoom);
}

struct Entry {
  Record settings;
  std::string fileName;
};

// A group info file whose entry i names string i.
std::string GroupInfoFile(const std::vector<Entry>& entries) {
  Bytes records;
  Bytes table;
  Bytes pool;
  for (size_t i = 0; i < entries.size(); ++i) {
    records.Text(RecordBytes(entries[i].settings)).I32(static_cast<int32_t>(i));
    table.U32(static_cast<uint32_t>(pool.size()));
    pool.Pooled(entries[i].fileName);
  }
  const uint32_t count = static_cast<uint32_t>(entries.size());
  const std::string header = Bytes().Text("ZEVROFORM GROUPINFO V1.0").I32(-1).I32(-1).Zeros(16).I32(-1).str();
  return header + Bytes().U32(count).U32(count).U32(static_cast<uint32_t>(pool.size())).str() +
         records.str() + table.str() + pool.str();
}

const std::string kUntouchedPath(260, '#');
constexpr uint16_t kUntouchedDevice = 0x1234;

struct SearchCall {
  uint32_t result;
  uint16_t device;
  std::string path;
};

class FormSearchTest : public zvtest::CatalogueTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }

  // Named form 5 whose group text names FORM5.FGP, beside the list.
  void WriteNamedForm(const std::vector<Entry>& entries, uint8_t layer = 2) {
    WriteFormList(FormListFile({{5, "INVOICE", "", layer, 0}}, {}));
    WriteGroupList(GroupNameListFile({"FORM5.FGP"}));
    ASSERT_TRUE(zvtest::WriteWholeFile(Path("FORM5.FGP"), GroupInfoFile(entries)));
  }

  SearchCall Search(int32_t id, const std::string& block = BlockBytes(), std::vector<uint16_t> caps = {1}) {
    char path[261];
    std::fill(path, path + 260, '#');
    path[260] = '\0';
    SearchCall call{0, kUntouchedDevice, ""};
    // The count's high half is not part of it.
    call.result = ZVSearchForm(block.data(), 0xABCD0000u | static_cast<uint32_t>(caps.size()), caps.data(),
                               id, &call.device, path);
    call.path = path;
    return call;
  }

  // Which entry the search picks, by file name, among acceptable entries of
  // these printing modes and resolutions.
  std::string Chosen(const std::vector<std::pair<uint8_t, uint16_t>>& modeAndResolution) {
    std::vector<Entry> entries;
    for (size_t i = 0; i < modeAndResolution.size(); ++i) {
      Record r;
      r.printingMode = modeAndResolution[i].first;
      r.resolution = modeAndResolution[i].second;
      entries.push_back({r, "E" + std::to_string(i) + ".ZLP"});
    }
    WriteNamedForm(entries);
    const SearchCall call = Search(5);
    if (call.result == 0) return "none";
    EXPECT_EQ(call.path.substr(0, Dir().size()), Dir());
    return call.path.substr(Dir().size());
  }
};

TEST_F(FormSearchTest, PrefersScreeningAndResolutionThenScreeningThenResolution) {
  // The block asks for halftoning (0x10) at 600 dpi.
  EXPECT_EQ(Chosen({{0x00, 600}, {0x10, 300}, {0x10, 600}, {0x00, 300}, {0x10, 600}}), "E2.ZLP");
  EXPECT_EQ(Chosen({{0x00, 600}, {0x10, 300}, {0x00, 300}}), "E1.ZLP");
  // The last with the screening, then the last with the resolution.
  EXPECT_EQ(Chosen({{0x10, 300}, {0x00, 600}, {0x10, 300}, {0x00, 600}}), "E2.ZLP");
  EXPECT_EQ(Chosen({{0x00, 300}, {0x00, 600}, {0x00, 300}}), "E1.ZLP");
  EXPECT_EQ(Chosen({{0x00, 300}, {0x00, 600}, {0x00, 300}, {0x00, 600}}), "E3.ZLP");
  // Else the first acceptable one.
  EXPECT_EQ(Chosen({{0x00, 300}, {0x30, 300}}), "E0.ZLP");
  EXPECT_EQ(Chosen({}), "none");
}

TEST_F(FormSearchTest, PacksTheFormsLayerWithTheChosenEntrysModeAndResolution) {
  Record landscape;
  landscape.orientation = 2;  // would win on screening and resolution, but does not match
  Record chosen;
  chosen.resolution = 300;
  chosen.layer = 1;  // a named form's own layer counts, not the entry's
  WriteNamedForm({{landscape, "WRONG.ZLP"}, {chosen, "D:\\OVL\\KEEP.ZLP"}}, 7);
  SearchCall call = Search(5);
  EXPECT_EQ(call.result, 2u | 0x10u << 8 | 300u << 16);
  EXPECT_EQ(call.path, "D:\\OVL\\KEEP.ZLP");
  EXPECT_EQ(call.device, 0xFFFF);
  WriteFormList(FormListFile({{5, "INVOICE", "", 1, 0}}, {}));
  EXPECT_EQ(Search(5).result, 1u | 0x10u << 8 | 300u << 16);

  // The group info file's size is not checked: trailing bytes do no harm,
  // a wrong magic does.
  std::string bytes;
  ASSERT_TRUE(zvtest::ReadWholeFile(Path("FORM5.FGP"), &bytes));
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("FORM5.FGP"), bytes + "extra"));
  EXPECT_EQ(Search(5).result, 1u | 0x10u << 8 | 300u << 16);
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("FORM5.FGP"), "ZEVROFORM GROUPINFO V1.1" + bytes.substr(24)));
  call = Search(5);
  EXPECT_EQ(call.result, 0u);
  EXPECT_EQ(call.path, kUntouchedPath);
}

TEST_F(FormSearchTest, FileEntriesPrintOnlyWhenNamedP) {
  // The file's own orientation and papers do not count; its colour does.
  Record file;
  file.layer = 2;
  file.orientation = 2;
  file.paperWidth = 1000;
  file.outputWidth = 1000;
  file.printingMode = 0x11;
  const std::string header = Bytes().U32(319).Fixed("LOGO", 25).Zeros(256).str() + RecordBytes(file);
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("LOGO.ZLP"), header + "page data"));
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("RAW.ZLC"),
                                     "\x1D"
                                     "0;0.24muE and more"));
  WriteFormList(FormListFile({}, {{-1, "P", "", 1, 0}, {-2, "C", "", 1, 0}, {-3, "P", "", 1, 1}}, 3));
  WriteGroupList(GroupNameListFile({Path("LOGO.ZLP"), "RAW.ZLC"}));

  SearchCall call = Search(-1, BlockBytes(2, 0x01));
  EXPECT_EQ(call.result, 2u | 0x11u << 8 | 600u << 16);
  EXPECT_EQ(call.path, Path("LOGO.ZLP"));
  EXPECT_EQ(call.device, 0xFFFF);
  // Made for capture: never found, and its group text is not even read.
  call = Search(-2, BlockBytes(2, 0x01));
  EXPECT_EQ(call.result, 0u);
  EXPECT_EQ(call.path, kUntouchedPath);
  EXPECT_EQ(call.device, kUntouchedDevice);

  // A raw file: layer 0, no printing mode, the resolution of its data.
  call = Search(-3, BlockBytes(2, 0x00));
  EXPECT_EQ(call.result, 600u << 16);
  EXPECT_EQ(call.path, Path("RAW.ZLC"));
  // A black file does not print on a colour page.
  call = Search(-3, BlockBytes(1, 0x00));
  EXPECT_EQ(call.result, 0u);
  EXPECT_EQ(call.path, kUntouchedPath);
  EXPECT_EQ(call.device, 0xFFFF);
}

TEST_F(FormSearchTest, StoredOverlayNumberGivesDeviceNumberAndLayerOnly) {
  WriteFormList(FormListFile({{5, "INVOICE", "", 1, 2}}, {{-1, "P", "", 2, 0}, {-2, "P", "", 1, 1}}, 2));
  WriteGroupList(GroupNameListFile({"12", "70000", Path("SAVED")}));
  SearchCall call = Search(-1);
  EXPECT_EQ(call.result, 2u);
  EXPECT_EQ(call.device, 12);
  EXPECT_EQ(call.path, kUntouchedPath);
  call = Search(-2);
  EXPECT_EQ(call.result, 1u);
  EXPECT_EQ(call.device, 70000 & 0xFFFF);

  // A named form whose group text is still its save directory.
  ASSERT_TRUE(plat::CreateDirectory(Path("SAVED").c_str()));
  call = Search(5);
  EXPECT_EQ(call.result, 0u);
  EXPECT_EQ(call.device, 0xFFFF);
  EXPECT_EQ(call.path, kUntouchedPath);
}

TEST_F(FormSearchTest, LeavesTheReasonOfTheLatestEarlyMismatch) {
  Record landscape;
  landscape.orientation = 2;
  Record otherPaper;
  otherPaper.paperWidth = 2101;
  Record otherOutput;
  otherOutput.outputWidth = 2099;
  Record colour;
  colour.colour = 1;
  Record zoomed;
  zoomed.zoom = 50;
  const struct {
    std::vector<Entry> entries;
    uint32_t code;
  } cases[] = {
      {{{landscape, "A"}, {colour, "B"}}, 1},
      {{{otherOutput, "A"}, {otherPaper, "B"}, {zoomed, "C"}}, 2},
      {{{landscape, "A"}, {otherOutput, "B"}}, 3},
      {{{colour, "A"}, {zoomed, "B"}}, 0},
  };
  for (const auto& c : cases) {
    WriteNamedForm(c.entries);
    zv::SetLastErrorCode(77);
    EXPECT_EQ(Search(5).result, 0u);
    EXPECT_EQ(zv::GetLastErrorCode(), c.code);
  }

  // A colour overlay needs a colour capability word; none matches without
  // any word.
  WriteNamedForm({{colour, "A.ZLP"}});
  EXPECT_EQ(Search(5, BlockBytes(1), {1, 5}).result, 0u);
  EXPECT_EQ(Search(5, BlockBytes(1), {}).result, 0u);
  EXPECT_NE(Search(5, BlockBytes(1), {1, 0x4001}).result, 0u);
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
}

TEST_F(FormSearchTest, MissingOrDamagedCatalogueFindsNothing) {
  EXPECT_EQ(Search(5).result, 0u);
  WriteNamedForm({{Record(), "A.ZLP"}});
  EXPECT_EQ(Search(6).result, 0u);
  EXPECT_EQ(Search(-5).result, 0u);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  SearchCall call = Search(5);
  EXPECT_EQ(call.result, 0u);
  EXPECT_EQ(call.path, kUntouchedPath);
  plat::fault::Reset();
  // A group index outside the group name list.
  WriteFormList(FormListFile({{5, "INVOICE", "", 1, 1}}, {}));
  call = Search(5);
  EXPECT_EQ(call.result, 0u);
  EXPECT_EQ(call.device, kUntouchedDevice);
  // A form name list one byte short.
  const std::string bytes = FormListFile({{5, "INVOICE", "", 1, 0}}, {});
  WriteFormList(bytes.substr(0, bytes.size() - 1));
  EXPECT_EQ(Search(5).result, 0u);
}

}  // namespace
