// The catalogue checker on a sound catalogue, on one catalogue per kind of
// fault, on catalogues with several faults, and on cut and garbage files.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "catalogue/byte_order.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue_check.h"
#include "damaged_catalogues.h"
#include "platform/platform.h"
#include "support/catalogue_bytes.h"
#include "support/sandbox.h"

namespace {

namespace fl = zv::form_list;
namespace gl = zv::group_list;
namespace gi = zv::group_info;
using zvcat::Finding;

// Every file the sound catalogue is made of.
const char* const kCatalogueFiles[] = {"FORMS.FLT",  "GROUPS.GLT", "_F1A.FGP", "_F1A0A.ZLP",
                                       "_F1A0B.ZLC", "_F1A0C.ZLP", "EDIT.ZLP", "PREVIEW.ZLP",
                                       "_F2A.FGP",   "_F2A0A.ZLP", "LOGO.ZLP"};

constexpr long long Record(uint32_t index, uint32_t field) {
  return fl::kHeaderSize + fl::kRecordSize * index + field;
}

std::string Describe(const std::vector<Finding>& findings) {
  std::string text;
  for (const Finding& f : findings) {
    text += f.kind + " " + f.file + " @" + std::to_string(f.offset) + ": " + f.message + "\n";
  }
  return text;
}

class CatalogueCheckTest : public zvtest::SandboxTest {
 protected:
  std::vector<Finding> Check() const {
    return zvcat::CheckCatalogue({zvtest::FormListIn(Dir()), zvtest::GroupListIn(Dir())});
  }

  // The contents of every catalogue file there is; absent ones map to a
  // marker that no file holds.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    for (const char* name : kCatalogueFiles) {
      std::string bytes = "(absent)";
      if (zvtest::FileExists(Path(name))) {
        EXPECT_TRUE(zvtest::ReadWholeFile(Path(name), &bytes)) << name;
      }
      files[name] = bytes;
    }
    return files;
  }

  std::string Read(const std::string& name) const {
    std::string bytes;
    EXPECT_TRUE(zvtest::ReadWholeFile(Path(name), &bytes)) << name;
    return bytes;
  }
  void Write(const std::string& name, const std::string& bytes) const {
    ASSERT_TRUE(zvtest::WriteWholeFile(Path(name), bytes)) << name;
  }
  // Changes bytes of a file of the catalogue in place.
  void Patch(const std::string& name, size_t offset, const std::string& bytes) const {
    std::string file = Read(name);
    ASSERT_LE(offset + bytes.size(), file.size());
    file.replace(offset, bytes.size(), bytes);
    Write(name, file);
  }
  void Remove(const std::string& name) const { ASSERT_TRUE(zvtest::RemoveFile(Path(name))) << name; }

  void ExpectFinding(const Finding& f, const char* kind, const std::string& name, long long offset) const {
    EXPECT_EQ(kind, f.kind);
    EXPECT_EQ(Path(name), f.file);
    EXPECT_EQ(offset, f.offset);
  }
};

TEST_F(CatalogueCheckTest, SoundCatalogueGivesNoFindingAndStaysAsItWas) {
  zvtest::WriteSoundCatalogue(Dir());
  const auto before = Snapshot();
  const std::vector<Finding> findings = Check();
  EXPECT_TRUE(findings.empty()) << Describe(findings);
  EXPECT_EQ(before, Snapshot());
}

TEST_F(CatalogueCheckTest, EmptyListFilesAreASoundCatalogue) {
  Write("FORMS.FLT", zvtest::FormListFile({}, {}));
  Write("GROUPS.GLT", zvtest::GroupNameListFile({}));
  const std::vector<Finding> findings = Check();
  EXPECT_TRUE(findings.empty()) << Describe(findings);
}

TEST(DamagedCatalogueTable, NamesEveryKindOfFault) {
  const std::set<std::string> kinds = {zvcat::kind::kCannotOpen,       zvcat::kind::kBadMagic,
                                       zvcat::kind::kBadSize,          zvcat::kind::kGroupIndexOutOfRange,
                                       zvcat::kind::kDuplicateId,      zvcat::kind::kDuplicateName,
                                       zvcat::kind::kBadRecord,        zvcat::kind::kUnusedGroupEntry,
                                       zvcat::kind::kSharedGroupEntry, zvcat::kind::kSharedGroupInfo,
                                       zvcat::kind::kTextOutOfPool,    zvcat::kind::kStringIndexOutOfRange,
                                       zvcat::kind::kGroupInfoMissing, zvcat::kind::kOverlayMissing};
  std::set<std::string> named;
  std::set<std::string> names;
  for (const zvtest::DamagedCatalogue& d : zvtest::DamagedCatalogues()) {
    named.insert(d.kind);
    EXPECT_TRUE(names.insert(d.name).second) << "two catalogues called " << d.name;
  }
  EXPECT_EQ(kinds, named);
}

// Each damaged catalogue: its fault is the first finding, at its file and
// offset, and nothing of the catalogue is changed by the check. The fault is
// the only finding, except where the damage also leaves a group name entry
// unused (the records point elsewhere), which comes after it.
class DamagedCatalogueTest : public CatalogueCheckTest,
                             public ::testing::WithParamInterface<zvtest::DamagedCatalogue> {};

TEST_P(DamagedCatalogueTest, ReportsTheFaultWhereItIs) {
  const zvtest::DamagedCatalogue& damaged = GetParam();
  damaged.write(Dir());
  const auto before = Snapshot();
  const std::vector<Finding> findings = Check();
  EXPECT_EQ(before, Snapshot()) << "the check changed a file";
  ASSERT_FALSE(findings.empty());
  SCOPED_TRACE(Describe(findings));
  ExpectFinding(findings[0], damaged.kind, damaged.file, damaged.offset);
  for (size_t i = 1; i < findings.size(); ++i) EXPECT_EQ(zvcat::kind::kUnusedGroupEntry, findings[i].kind);
  for (const Finding& f : findings) {
    EXPECT_FALSE(f.message.empty());
    EXPECT_EQ(std::string::npos, f.message.find('\n'));
  }
}

std::string CatalogueName(const ::testing::TestParamInfo<zvtest::DamagedCatalogue>& param) {
  return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedCatalogueTest, ::testing::ValuesIn(zvtest::DamagedCatalogues()),
                         CatalogueName);

// Several faults at once: in file order, field order within a record, and
// nothing reported that only follows from an earlier fault.
// Values at the edge of what is allowed are no fault: the longest name and
// description, the lowest file entry identifier, texts of 260 characters.
TEST_F(CatalogueCheckTest, LimitsThemselvesAreSound) {
  zvtest::WriteSoundCatalogue(Dir());
  Patch("FORMS.FLT", Record(2, fl::kNameOffset), std::string(24, 'M') + '\0');
  Patch("FORMS.FLT", Record(2, fl::kDescriptionOffset), std::string(255, 'd') + '\0');
  Patch("FORMS.FLT", Record(4, fl::kIdOffset), zvtest::Bytes().I32(-256).str());
  Write("GROUPS.GLT", zvtest::GroupNameListFile(
                          {"_F2A.FGP", std::string(260, '7'), Path("_F1A.FGP"), Dir(), Path("LOGO.ZLP")}));
  Write("_F2A.FGP", zvtest::GroupInfoFile({{zvtest::DriverSettingsBlock().Record(zv::kLayerBack), 0}},
                                          {"_F2A0A.ZLP", std::string(260, 'E')}, -1, 1, -1));
  const std::vector<Finding> findings = Check();
  EXPECT_TRUE(findings.empty()) << Describe(findings);
}

TEST_F(CatalogueCheckTest, SeveralFaultsComeInFileAndRecordOrder) {
  zvtest::WriteSoundCatalogue(Dir());
  Patch("FORMS.FLT", Record(1, fl::kLayerOffset), std::string(1, '\x07'));
  Patch("FORMS.FLT", Record(2, fl::kNameOffset), std::string("Letter\0", 7));
  Patch("FORMS.FLT", Record(2, fl::kIdOffset), zvtest::Bytes().I32(-3).str());
  Remove("_F1A0C.ZLP");
  Remove("_F2A0A.ZLP");
  const std::vector<Finding> findings = Check();
  ASSERT_EQ(5u, findings.size()) << Describe(findings);
  ExpectFinding(findings[0], zvcat::kind::kBadRecord, "FORMS.FLT", Record(1, fl::kLayerOffset));
  ExpectFinding(findings[1], zvcat::kind::kBadRecord, "FORMS.FLT", Record(2, fl::kIdOffset));
  ExpectFinding(findings[2], zvcat::kind::kDuplicateName, "FORMS.FLT", Record(2, fl::kNameOffset));
  // INVOICE (record 0) before Letter (record 1).
  ExpectFinding(findings[3], zvcat::kind::kOverlayMissing, "_F1A0C.ZLP", -1);
  ExpectFinding(findings[4], zvcat::kind::kOverlayMissing, "_F2A0A.ZLP", -1);
  EXPECT_NE(std::string::npos, findings[1].message.find("-3")) << findings[1].message;
  EXPECT_NE(std::string::npos, findings[3].message.find("_F1A.FGP")) << findings[3].message;
}

TEST_F(CatalogueCheckTest, RecordOutsideTheGroupListIsNotFollowedAndLeavesItsEntryUnused) {
  zvtest::WriteSoundCatalogue(Dir());
  Patch("FORMS.FLT", Record(1, fl::kGroupIndexOffset), zvtest::Bytes().U32(12).str());
  Remove("_F2A.FGP");  // Letter's group: not looked for, its index being wrong
  const std::vector<Finding> findings = Check();
  ASSERT_EQ(2u, findings.size()) << Describe(findings);
  ExpectFinding(findings[0], zvcat::kind::kGroupIndexOutOfRange, "FORMS.FLT",
                Record(1, fl::kGroupIndexOffset));
  EXPECT_EQ("record 1 (id 2): group index 12, but the group name list has 5 entries", findings[0].message);
  ExpectFinding(findings[1], zvcat::kind::kUnusedGroupEntry, "GROUPS.GLT", gl::kOffsetTableOffset);
}

TEST_F(CatalogueCheckTest, SharedEntryIsReportedOnceAtTheLaterRecord) {
  zvtest::WriteSoundCatalogue(Dir());
  // Memo (record 2) takes INVOICE's entry: INVOICE's group is checked once.
  Patch("FORMS.FLT", Record(2, fl::kGroupIndexOffset), zvtest::Bytes().U32(2).str());
  Remove("_F1A0A.ZLP");
  const std::vector<Finding> findings = Check();
  ASSERT_EQ(3u, findings.size()) << Describe(findings);
  ExpectFinding(findings[0], zvcat::kind::kSharedGroupEntry, "FORMS.FLT", Record(2, fl::kGroupIndexOffset));
  ExpectFinding(findings[1], zvcat::kind::kUnusedGroupEntry, "GROUPS.GLT",
                gl::kOffsetTableOffset + 3 * gl::kTableSlotSize);
  ExpectFinding(findings[2], zvcat::kind::kOverlayMissing, "_F1A0A.ZLP", -1);
}

TEST_F(CatalogueCheckTest, FormListOfTheWrongSizeStillHasItsRecordsAndGroupsChecked) {
  zvtest::WriteSoundCatalogue(Dir());
  Write("FORMS.FLT", Read("FORMS.FLT") + "xyz");
  Patch("FORMS.FLT", Record(0, fl::kLayerOffset), std::string(1, '\0'));
  Remove("_F2A.FGP");
  const std::vector<Finding> findings = Check();
  ASSERT_EQ(3u, findings.size()) << Describe(findings);
  ExpectFinding(findings[0], zvcat::kind::kBadSize, "FORMS.FLT", fl::kNamedCountOffset);
  EXPECT_EQ("named-form count 3 and file-entry count 2 give 1485 bytes, but the file is 1488 bytes long",
            findings[0].message);
  ExpectFinding(findings[1], zvcat::kind::kBadRecord, "FORMS.FLT", Record(0, fl::kLayerOffset));
  ExpectFinding(findings[2], zvcat::kind::kGroupInfoMissing, "_F2A.FGP", -1);
  EXPECT_NE(std::string::npos, findings[2].message.find("Letter")) << findings[2].message;
}

TEST_F(CatalogueCheckTest, CutFormListDoesNotMakeGroupEntriesUnused) {
  zvtest::WriteSoundCatalogue(Dir());
  std::string forms = Read("FORMS.FLT");
  forms.resize(Record(3, 0));  // both file entries gone, their entries unreferenced
  Write("FORMS.FLT", forms);
  const std::vector<Finding> findings = Check();
  ASSERT_EQ(1u, findings.size()) << Describe(findings);
  ExpectFinding(findings[0], zvcat::kind::kBadSize, "FORMS.FLT", fl::kNamedCountOffset);
}

TEST_F(CatalogueCheckTest, DamagedGroupListStopsEveryCheckThatNeedsIt) {
  zvtest::WriteSoundCatalogue(Dir());
  Patch("GROUPS.GLT", 0, "z");
  Patch("FORMS.FLT", Record(1, fl::kGroupIndexOffset), zvtest::Bytes().U32(99).str());
  Remove("_F1A.FGP");
  const std::vector<Finding> findings = Check();
  ASSERT_EQ(1u, findings.size()) << Describe(findings);
  ExpectFinding(findings[0], zvcat::kind::kBadMagic, "GROUPS.GLT", 0);
}

TEST_F(CatalogueCheckTest, DamagedFormListStopsAtItsMagic) {
  zvtest::WriteSoundCatalogue(Dir());
  Patch("FORMS.FLT", 0, "X");
  Remove("_F1A.FGP");
  const std::vector<Finding> findings = Check();
  ASSERT_EQ(1u, findings.size()) << Describe(findings);
  ExpectFinding(findings[0], zvcat::kind::kBadMagic, "FORMS.FLT", 0);
}

TEST_F(CatalogueCheckTest, SeveralFaultsInOneGroupInfoFileComeInOffsetOrder) {
  zvtest::WriteSoundCatalogue(Dir());
  const uint32_t table = gi::kEntriesOffset + 3 * gi::kEntrySize;
  Patch("_F1A.FGP", gi::kPreviewStringOffset, zvtest::Bytes().I32(6).str());
  Patch("_F1A.FGP", table + 3 * gi::kTableSlotSize, zvtest::Bytes().U32(5000).str());  // entry 2's name
  Patch("_F1A.FGP", gi::kEntriesOffset + gi::kEntryFileNameOffset, zvtest::Bytes().I32(-7).str());
  Remove("_F1A0B.ZLC");
  const std::vector<Finding> findings = Check();
  ASSERT_EQ(4u, findings.size()) << Describe(findings);
  ExpectFinding(findings[0], zvcat::kind::kStringIndexOutOfRange, "_F1A.FGP", gi::kPreviewStringOffset);
  ExpectFinding(findings[1], zvcat::kind::kStringIndexOutOfRange, "_F1A.FGP",
                gi::kEntriesOffset + gi::kEntryFileNameOffset);
  ExpectFinding(findings[2], zvcat::kind::kTextOutOfPool, "_F1A.FGP", table + 3 * gi::kTableSlotSize);
  ExpectFinding(findings[3], zvcat::kind::kOverlayMissing, "_F1A0B.ZLC", -1);
}

TEST_F(CatalogueCheckTest, NamesDifferingInCaseAndFileEntryNamesAreNoDuplicates) {
  zvtest::WriteSoundCatalogue(Dir());
  Patch("FORMS.FLT", Record(2, fl::kNameOffset), std::string("LETTER\0", 7));
  Patch("FORMS.FLT", Record(4, fl::kNameOffset), "P");  // both file entries called P
  const std::vector<Finding> findings = Check();
  EXPECT_TRUE(findings.empty()) << Describe(findings);
}

TEST_F(CatalogueCheckTest, NamesAreComparedOnTheirFirst24Characters) {
  zvtest::WriteSoundCatalogue(Dir());
  // Both names fill the field; they differ only in the 25th byte, which no
  // reader takes into a name.
  Patch("FORMS.FLT", Record(1, fl::kNameOffset), std::string(24, 'Q') + "1");
  Patch("FORMS.FLT", Record(2, fl::kNameOffset), std::string(24, 'Q') + "2");
  const std::vector<Finding> findings = Check();
  ASSERT_EQ(3u, findings.size()) << Describe(findings);
  ExpectFinding(findings[0], zvcat::kind::kBadRecord, "FORMS.FLT", Record(1, fl::kNameOffset));
  ExpectFinding(findings[1], zvcat::kind::kBadRecord, "FORMS.FLT", Record(2, fl::kNameOffset));
  ExpectFinding(findings[2], zvcat::kind::kDuplicateName, "FORMS.FLT", Record(2, fl::kNameOffset));
}

TEST_F(CatalogueCheckTest, FileEntryNamingAGroupInfoFileIsNotFollowedNorShared) {
  zvtest::WriteSoundCatalogue(Dir());
  // File entry C's text becomes INVOICE's group info file, without a
  // directory: no second check of it, and no sharing of a group.
  Write("GROUPS.GLT",
        zvtest::GroupNameListFile({"_F2A.FGP", "_F1A.FGP", Path("_F1A.FGP"), Dir(), Path("LOGO.ZLP")}));
  Remove("_F1A0A.ZLP");
  const std::vector<Finding> findings = Check();
  ASSERT_EQ(1u, findings.size()) << Describe(findings);
  ExpectFinding(findings[0], zvcat::kind::kOverlayMissing, "_F1A0A.ZLP", -1);
}

TEST_F(CatalogueCheckTest, ControlCharactersFromFilesDoNotBreakAMessageLine) {
  zvtest::WriteSoundCatalogue(Dir());
  Patch("FORMS.FLT", Record(1, fl::kNameOffset), std::string("Two\nlines\0", 11));
  Patch("FORMS.FLT", Record(2, fl::kNameOffset), std::string("Two\nlines\0", 11));
  const std::vector<Finding> findings = Check();
  ASSERT_EQ(1u, findings.size()) << Describe(findings);
  ExpectFinding(findings[0], zvcat::kind::kDuplicateName, "FORMS.FLT", Record(2, fl::kNameOffset));
  EXPECT_EQ("record 2 (id 3): named form \"Two\\x0Alines\" has the name of record 1", findings[0].message);
}

TEST_F(CatalogueCheckTest, GroupInfoHeldByAWriterCannotBeOpened) {
  zvtest::WriteSoundCatalogue(Dir());
  plat::FileHandle writer =
      plat::OpenFile(Path("_F2A.FGP").c_str(), plat::kAccessReadWrite, plat::kShareNone, plat::kOpenExisting);
  ASSERT_NE(nullptr, writer);
  const std::vector<Finding> findings = Check();
  plat::CloseFile(writer);
  ASSERT_EQ(1u, findings.size()) << Describe(findings);
  ExpectFinding(findings[0], zvcat::kind::kCannotOpen, "_F2A.FGP", -1);
}

TEST_F(CatalogueCheckTest, FileLargerThanTheLimitIsNotRead) {
  zvtest::WriteSoundCatalogue(Dir());
  Write("GROUPS.GLT", Read("GROUPS.GLT") + std::string(zvcat::kLargestFile, '\0'));
  const std::vector<Finding> findings = Check();
  ASSERT_EQ(1u, findings.size()) << Describe(findings);
  ExpectFinding(findings[0], zvcat::kind::kCannotOpen, "GROUPS.GLT", -1);
}

// Every cut of each list and group info file, and garbage after a right
// magic: no crash (the sanitized build looks at every read), and at least
// one finding, the first in the file that was damaged.
TEST_F(CatalogueCheckTest, EveryCutOfAFileIsReported) {
  zvtest::WriteSoundCatalogue(Dir());
  for (const char* name : {"GROUPS.GLT", "_F1A.FGP", "_F2A.FGP", "FORMS.FLT"}) {
    const std::string whole = Read(name);
    for (size_t size = 0; size < whole.size(); ++size) {
      Write(name, whole.substr(0, size));
      const std::vector<Finding> findings = Check();
      ASSERT_FALSE(findings.empty()) << name << " cut to " << size;
      ASSERT_EQ(Path(name), findings[0].file) << name << " cut to " << size << "\n" << Describe(findings);
      for (const Finding& f : findings) ASSERT_EQ(std::string::npos, f.message.find('\n')) << f.message;
    }
    Write(name, whole);
  }
}

TEST_F(CatalogueCheckTest, GarbageAfterTheMagicIsReported) {
  zvtest::WriteSoundCatalogue(Dir());
  struct Target {
    const char* name;
    std::string magic;
  };
  const Target targets[] = {{"FORMS.FLT", std::string(fl::kMagic, fl::kMagicSize)},
                            {"GROUPS.GLT", std::string(gl::kMagic, gl::kMagicSize)},
                            {"_F1A.FGP", std::string(gi::kMagic, gi::kMagicSize)}};
  uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<char>(seed >> 16);
  };
  for (const Target& target : targets) {
    const std::string whole = Read(target.name);
    for (size_t size = 0; size < 600; size += 3) {
      std::string garbage = target.magic;
      for (size_t i = 0; i < size; ++i) garbage += next();
      Write(target.name, garbage);
      const std::vector<Finding> findings = Check();
      ASSERT_FALSE(findings.empty()) << target.name << " with " << size << " bytes of garbage";
      for (const Finding& f : findings) ASSERT_EQ(std::string::npos, f.message.find('\n')) << f.message;
    }
    Write(target.name, whole);
  }
}

// Counts that make the computed size wrap a 32-bit number are still a wrong
// size, not a valid file with a table far outside it.
TEST_F(CatalogueCheckTest, CountsThatWouldWrapAreAWrongSize) {
  zvtest::WriteSoundCatalogue(Dir());
  // 36 + 4 x 0x40000000 + pool wraps to the true size in 32 bits.
  std::string groups = Read("GROUPS.GLT");
  const uint32_t entries = static_cast<uint32_t>(
      zv::GetU32(reinterpret_cast<const unsigned char*>(groups.data()) + gl::kEntryCountOffset) +
      0x40000000u);
  Patch("GROUPS.GLT", gl::kEntryCountOffset, zvtest::Bytes().U32(entries).str());
  // 38 x (2^31 + 3) is 38 x 3 in 32 bits: the same size as 3 entries.
  Patch("_F1A.FGP", gi::kEntryCountOffset, zvtest::Bytes().U32(0x80000003u).str());
  std::vector<Finding> findings = Check();
  ASSERT_EQ(1u, findings.size()) << Describe(findings);
  ExpectFinding(findings[0], zvcat::kind::kBadSize, "GROUPS.GLT", gl::kEntryCountOffset);

  Write("GROUPS.GLT", groups);
  findings = Check();
  ASSERT_EQ(1u, findings.size()) << Describe(findings);
  ExpectFinding(findings[0], zvcat::kind::kBadSize, "_F1A.FGP", gi::kEntryCountOffset);
}

}  // namespace
