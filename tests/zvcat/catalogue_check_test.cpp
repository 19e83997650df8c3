// The checker: every damaged catalogue reports its fault first, where it is,
// and changes nothing; sound limits are no fault; several faults come in file,
// record and field order, without faults that only follow from another. And
// how show finds a form, and the JSON writer.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue_check.h"
#include "catalogue_view.h"
#include "damaged_catalogues.h"
#include "json_writer.h"
#include "platform/platform.h"
#include "support/catalogue_bytes.h"
#include "support/sandbox.h"

namespace zvtest {
namespace {

namespace fl = zv::form_list;
namespace gl = zv::group_list;
namespace gi = zv::group_info;
namespace k = zvcat::kind;

constexpr long long Rec(uint32_t i, uint32_t field) {
  return fl::kHeaderSize + fl::kRecordSize * i + field;
}
std::string U32(uint32_t v) {
  return Bytes().U32(v).str();
}

std::string Describe(const std::vector<zvcat::Finding>& findings) {
  std::string text;
  for (const auto& f : findings)
    text += f.kind + " " + f.file + " @" + std::to_string(f.offset) + ": " + f.message + "\n";
  return text;
}

class CatalogueCheckTest : public SandboxTest {
 public:
  zvcat::CataloguePaths Lists() const { return {FormListIn(Dir()), GroupListIn(Dir())}; }
  std::vector<zvcat::Finding> Check() const { return zvcat::CheckCatalogue(Lists()); }
  std::string Read(const std::string& name) const {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(Path(name), &bytes)) << name;
    return bytes;
  }
  void Write(const std::string& name, const std::string& bytes) const {
    ASSERT_TRUE(WriteWholeFile(Path(name), bytes));
  }
  // Every file of the directory the catalogues use, absent ones marked.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    for (const char* name : {"FORMS.FLT", "GROUPS.GLT", "_F1A.FGP", "_F1A0A.ZLP", "_F1A0B.ZLC", "_F1A0C.ZLP",
                             "EDIT.ZLP", "PREVIEW.ZLP", "_F2A.FGP", "_F2A0A.ZLP", "LOGO.ZLP"})
      if (!ReadWholeFile(Path(name), &files[name])) files[name] = "(absent)";
    return files;
  }
};

class DamagedCatalogueTest : public CatalogueCheckTest,
                             public ::testing::WithParamInterface<DamagedCatalogue> {};

// The fault comes first; only group name entries left unused by it may follow.
TEST_P(DamagedCatalogueTest, ReportsTheFaultWhereItIs) {
  GetParam().write(Dir());
  const auto before = Snapshot();
  const auto findings = Check();
  // Listing and showing a damaged catalogue read what they can, and change nothing either.
  const zvcat::CatalogueList list = zvcat::ReadCatalogueList(Lists());
  EXPECT_EQ(list.formList == zvcat::FileState::kRead, list.forms.size() == 5);
  zvcat::ShowForm(Lists(), GetParam().form);
  EXPECT_EQ(before, Snapshot()) << "a file was changed";
  ASSERT_FALSE(findings.empty());
  SCOPED_TRACE(Describe(findings));
  EXPECT_EQ(GetParam().kind, findings[0].kind);
  EXPECT_EQ(Path(GetParam().file), findings[0].file);
  EXPECT_EQ(GetParam().offset, findings[0].offset);
  for (size_t i = 1; i < findings.size(); ++i) EXPECT_EQ(k::kUnusedGroupEntry, findings[i].kind);
  for (const auto& f : findings) EXPECT_TRUE(!f.message.empty() && f.message.find('\n') == std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedCatalogueTest, ::testing::ValuesIn(DamagedCatalogues()),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(DamagedCatalogueTable, NamesEveryKindOfFault) {
  const std::set<std::string> kinds = {
      k::kCannotOpen,       k::kBadMagic,        k::kBadSize,       k::kGroupIndexOutOfRange,
      k::kDuplicateId,      k::kDuplicateName,   k::kBadRecord,     k::kUnusedGroupEntry,
      k::kSharedGroupEntry, k::kSharedGroupInfo, k::kTextOutOfPool, k::kStringIndexOutOfRange,
      k::kGroupInfoMissing, k::kOverlayMissing};
  std::set<std::string> named, names;
  for (const auto& d : DamagedCatalogues()) named.insert(d.kind), names.insert(d.name);
  EXPECT_EQ(DamagedCatalogues().size(), names.size()) << "two rows of one name";
  EXPECT_EQ(kinds, named);
}

// Changes to the sound catalogue and every finding the check must give for
// each, in order (text, if given, is in that finding's message). An edit
// writes bytes at an offset, or with kWhole the whole file, kAppend after
// it, kCut cuts it to the bytes' size; kRemove removes the file.
constexpr long long kWhole = -1, kAppend = -2, kCut = -3, kRemove = -4;
struct Edit {
  const char* file;
  long long at;
  std::string bytes;
};
struct Expected {
  const char* kind;
  const char* file;
  long long offset;
  const char* text;
};
struct Scenario {
  const char* name;
  std::vector<Edit> edits;
  std::vector<Expected> findings;
};

TEST_F(CatalogueCheckTest, FindingsOfEachChangeComeInOrder) {
  const char *F = "FORMS.FLT", *G = "GROUPS.GLT", *I = "_F1A.FGP", *L = "_F2A.FGP";
  const uint32_t table = gi::kEntriesOffset + 3 * gi::kEntrySize,
                 name0 = gi::kEntriesOffset + gi::kEntryFileNameOffset;
  const std::string dir = Dir(), two = std::string(11, '\0').replace(0, 9, "Two\nlines");
  const std::vector<Scenario> scenarios = {
      {"sound", {}, {}},
      {"empty lists", {{F, kWhole, FormListFile({}, {})}, {G, kWhole, GroupNameListFile({})}}, {}},
      {"limits: longest name and description, lowest file entry id, texts of 260",
       {{F, Rec(2, fl::kNameOffset), std::string(24, 'M') + '\0'},
        {F, Rec(2, fl::kDescriptionOffset), std::string(255, 'd') + '\0'},
        {F, Rec(4, fl::kIdOffset), Bytes().I32(-256).str()},
        {G, kWhole, GroupNameListFile({L, std::string(260, '7'), dir + I, dir, dir + "LOGO.ZLP"})},
        {L, kWhole,
         GroupInfoFile({{DriverSettingsBlock().Record(2), 0}}, {"_F2A0A.ZLP", std::string(260, 'E')}, -1,
                       1)}},
       {}},
      {"names differing in case and file entries sharing one are no duplicates",
       {{F, Rec(2, fl::kNameOffset), std::string("LETTER\0", 7)}, {F, Rec(4, fl::kNameOffset), "P"}},
       {}},
      {"several faults in file, record and field order",
       {{F, Rec(1, fl::kLayerOffset), "\x07"},
        {F, Rec(2, fl::kNameOffset), std::string("Letter\0", 7)},
        {F, Rec(2, fl::kIdOffset), Bytes().I32(-3).str()},
        {"_F1A0C.ZLP", kRemove, ""},
        {"_F2A0A.ZLP", kRemove, ""}},
       {{k::kBadRecord, F, Rec(1, fl::kLayerOffset), nullptr},
        {k::kBadRecord, F, Rec(2, fl::kIdOffset), "-3"},
        {k::kDuplicateName, F, Rec(2, fl::kNameOffset), nullptr},
        {k::kOverlayMissing, "_F1A0C.ZLP", -1, "_F1A.FGP"},
        {k::kOverlayMissing, "_F2A0A.ZLP", -1, nullptr}}},
      {"an index outside the group list is not followed",
       {{F, Rec(1, fl::kGroupIndexOffset), U32(12)}, {L, kRemove, ""}},
       {{k::kGroupIndexOutOfRange, F, Rec(1, fl::kGroupIndexOffset),
         "record 1 (id 2): group index 12, but the group name list has 5 entries"},
        {k::kUnusedGroupEntry, G, gl::kOffsetTableOffset, nullptr}}},
      {"a shared entry's group is checked once",
       {{F, Rec(2, fl::kGroupIndexOffset), U32(2)}, {"_F1A0A.ZLP", kRemove, ""}},
       {{k::kSharedGroupEntry, F, Rec(2, fl::kGroupIndexOffset), nullptr},
        {k::kUnusedGroupEntry, G, gl::kOffsetTableOffset + 3 * gl::kTableSlotSize, nullptr},
        {k::kOverlayMissing, "_F1A0A.ZLP", -1, nullptr}}},
      {"a form list of the wrong size has its records checked",
       {{F, kAppend, "xyz"}, {F, Rec(0, fl::kLayerOffset), std::string(1, '\0')}, {L, kRemove, ""}},
       {{k::kBadSize, F, fl::kNamedCountOffset,
         "named-form count 3 and file-entry count 2 give 1485 bytes, but the file is 1488 bytes long"},
        {k::kBadRecord, F, Rec(0, fl::kLayerOffset), nullptr},
        {k::kGroupInfoMissing, L, -1, "Letter"}}},
      {"a cut form list leaves no entry unused",
       {{F, kCut, std::string(Rec(3, 0), 'x')}},
       {{k::kBadSize, F, fl::kNamedCountOffset, nullptr}}},
      {"a damaged group list stops what needs it",
       {{G, 0, "z"}, {F, Rec(1, fl::kGroupIndexOffset), U32(99)}, {I, kRemove, ""}},
       {{k::kBadMagic, G, 0, nullptr}}},
      {"a damaged form list stops at its magic",
       {{F, 0, "X"}, {I, kRemove, ""}},
       {{k::kBadMagic, F, 0, nullptr}}},
      {"group info faults in offset order",
       {{I, gi::kPreviewStringOffset, U32(6)},
        {I, table + 3 * gi::kTableSlotSize, U32(5000)},
        {I, name0, Bytes().I32(-7).str()},
        {"_F1A0B.ZLC", kRemove, ""}},
       {{k::kStringIndexOutOfRange, I, gi::kPreviewStringOffset, nullptr},
        {k::kStringIndexOutOfRange, I, name0, nullptr},
        {k::kTextOutOfPool, I, table + 3 * gi::kTableSlotSize, nullptr},
        {k::kOverlayMissing, "_F1A0B.ZLC", -1, nullptr}}},
      {"names compare on 24 characters (the 25th is no terminator)",
       {{F, Rec(1, fl::kNameOffset), std::string(24, 'Q') + "1"},
        {F, Rec(2, fl::kNameOffset), std::string(24, 'Q') + "2"}},
       {{k::kBadRecord, F, Rec(1, fl::kNameOffset), nullptr},
        {k::kBadRecord, F, Rec(2, fl::kNameOffset), nullptr},
        {k::kDuplicateName, F, Rec(2, fl::kNameOffset), nullptr}}},
      {"a file entry naming a group info file is neither followed nor shared",
       {{G, kWhole, GroupNameListFile({L, I, dir + I, dir, dir + "LOGO.ZLP"})}, {"_F1A0A.ZLP", kRemove, ""}},
       {{k::kOverlayMissing, "_F1A0A.ZLP", -1, nullptr}}},
      {"control characters stay on the line",
       {{F, Rec(1, fl::kNameOffset), two}, {F, Rec(2, fl::kNameOffset), two}},
       {{k::kDuplicateName, F, Rec(2, fl::kNameOffset),
         "record 2 (id 3): named form \"Two\\x0Alines\" has the name of record 1"}}},
      {"a file larger than the limit is not read",
       {{G, kAppend, std::string(zvcat::kLargestFile, '\0')}},
       {{k::kCannotOpen, G, -1, nullptr}}},
      {"group list counts whose size wraps 32 bits",
       {{G, gl::kEntryCountOffset, U32(5 + 0x40000000u)}},
       {{k::kBadSize, G, gl::kEntryCountOffset, nullptr}}},
      {"group info counts whose size wraps 32 bits",
       {{I, gi::kEntryCountOffset, U32(0x80000003u)}},
       {{k::kBadSize, I, gi::kEntryCountOffset, nullptr}}},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    WriteSoundCatalogue(Dir());
    for (const Edit& e : s.edits) {
      std::string bytes = e.at == kRemove ? "" : Read(e.file);
      if (e.at == kRemove) RemoveFile(Path(e.file));
      if (e.at >= 0) Write(e.file, bytes.replace(e.at, e.bytes.size(), e.bytes));
      if (e.at == kWhole || e.at == kAppend || e.at == kCut)
        Write(e.file, e.at == kWhole    ? e.bytes
                      : e.at == kAppend ? bytes + e.bytes
                                        : bytes.substr(0, e.bytes.size()));
    }
    const auto findings = Check();
    ASSERT_EQ(s.findings.size(), findings.size()) << Describe(findings);
    for (size_t i = 0; i < findings.size(); ++i) {
      const Expected& x = s.findings[i];
      EXPECT_EQ(x.kind + (" " + Path(x.file)) + " @" + std::to_string(x.offset),
                findings[i].kind + " " + findings[i].file + " @" + std::to_string(findings[i].offset));
      EXPECT_NE(std::string::npos, findings[i].message.find(x.text ? x.text : "")) << findings[i].message;
    }
  }
  // A group info file held by a writer cannot be opened.
  WriteSoundCatalogue(Dir());
  plat::FileHandle writer =
      plat::OpenFile(Path(L).c_str(), plat::kAccessReadWrite, plat::kShareNone, plat::kOpenExisting);
  ASSERT_NE(nullptr, writer);
  const auto findings = Check();
  plat::CloseFile(writer);
  ASSERT_EQ(1u, findings.size()) << Describe(findings);
  EXPECT_EQ(k::kCannotOpen + (" " + Path(L)), findings[0].kind + " " + findings[0].file);
}

// Forms are found by exact name first, then by identifier.
TEST_F(CatalogueCheckTest, ShowFindsByExactNameThenByIdentifier) {
  WriteExampleCatalogue(Dir());
  const std::vector<std::pair<const char*, int>> rows = {
      {"INVOICE", 1}, {"2", 2}, {"-2", -2}, {"LOGO.ZLP", 0}, {"invoice", 0},    {"INVOICE ", 0},
      {"SEAL", 0},    {"3", 0}, {"1x", 0},  {"", 0},         {"99999999999", 0}};
  for (const auto& row : rows) {
    const zvcat::FormView view = zvcat::ShowForm(Lists(), row.first);
    EXPECT_EQ(row.second, view.found ? view.form.id : 0) << row.first;
  }
  ASSERT_TRUE(
      WriteWholeFile(FormListIn(Dir()), FormListFile({{1, "2", "", 1, 1}, {2, "TWO", "", 1, 1}}, {})));
  EXPECT_EQ(1, zvcat::ShowForm(Lists(), "2").form.id);
  EXPECT_EQ("C:\\CAT\\A.ZLP", zvcat::ResolveBesideFile("A.ZLP", "C:\\CAT\\_F301A.FGP"));
  EXPECT_EQ("D:\\X\\A.ZLP", zvcat::ResolveBesideFile("D:\\X\\A.ZLP", "C:\\CAT\\_F301A.FGP"));
  EXPECT_EQ("A.ZLP", zvcat::ResolveBesideFile("A.ZLP", "_F301A.FGP"));
}

// Separators at every level; every byte escaped into ASCII JSON, 0x80 up as
// the code point of the same number.
TEST(JsonWriterTest, SeparatesAndEscapes) {
  zvcat::JsonWriter j;
  j.BeginObject().Key("a").Number(-1).Key("b").BeginArray();
  j.Bool(true).Bool(false).Null().BeginObject().EndObject().BeginArray().EndArray().Number(4294967295LL);
  j.EndArray().Key("c").BeginObject().Key("caf\xE9").String(
      std::string("a\"b\\c/\b\f\n\r\t\x01\x1f\x7f\0", 15));
  j.Key("d").String("\x80\x9F\xA0\xFF").EndObject().EndObject();
  EXPECT_EQ(
      "{\"a\":-1,\"b\":[true,false,null,{},[],4294967295],\"c\":{\"caf\\u00e9\":"
      "\"a\\\"b\\\\c/\\b\\f\\n\\r\\t\\u0001\\u001f\\u007f\\u0000\",\"d\":\"\\u0080\\u009f\\u00a0\\u00ff\"}}",
      j.str());
}

}  // namespace
}  // namespace zvtest
