// Registering overlay files in a group: new and existing group info files,
// the header's texts, and how the writers fail. Files are compared byte for
// byte with the ones the format asks for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/group_info.h"
#include "dialogs/module_frame.h"
#include "maintenance/file_moves.h"
#include "maintenance/group_registration.h"
#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/other_process.h"

namespace {

using zvtest::Bytes;

constexpr char kMagic[] = "ZEVROFORM GROUPINFO V1.0";
constexpr uint32_t kUntouched = 0xDEADBEEF;

zv::PrintSettings A4Settings(uint16_t resolution = 600) {
  zv::PrintSettings s{};
  s.mark = 1;
  s.layer = 1;
  s.modeLevel = 1;
  s.modelId = 7;
  s.paperWidth = 2100;
  s.paperHeight = 2970;
  s.paperCode = 9;
  s.orientation = 1;
  s.resolution = resolution;
  s.colour = 1;
  s.printingMode = 2;
  s.outputWidth = 2100;
  s.outputHeight = 2970;
  s.outputCode = 9;
  s.zoom = 100;
  return s;
}

struct Entry {
  zv::PrintSettings settings;
  int32_t fileString;
};

struct Slots {
  int32_t first = -1;
  int32_t edited = -1;
  int32_t preview = -1;
};

// A group info file with the offset table and pool given as they are.
std::string RawGroupInfo(const std::vector<Entry>& entries, const std::vector<uint32_t>& offsets,
                         const std::string& pool, Slots slots = {}) {
  Bytes file;
  file.Text(kMagic)
      .I32(slots.first)
      .I32(slots.edited)
      .Zeros(16)
      .I32(slots.preview)
      .U32(static_cast<uint32_t>(entries.size()))
      .U32(static_cast<uint32_t>(offsets.size()))
      .U32(static_cast<uint32_t>(pool.size()));
  for (const Entry& entry : entries)
    file.Text(zvtest::SettingsRecordBytes(entry.settings)).I32(entry.fileString);
  for (uint32_t offset : offsets) file.U32(offset);
  return file.str() + pool;
}

// A group info file whose texts stand in the pool in table order.
std::string GroupInfoFile(const std::vector<Entry>& entries, const std::vector<std::string>& texts,
                          Slots slots = {}) {
  std::vector<uint32_t> offsets;
  Bytes pool;
  for (const std::string& text : texts) {
    offsets.push_back(static_cast<uint32_t>(pool.size()));
    pool.Pooled(text);
  }
  return RawGroupInfo(entries, offsets, pool.str(), slots);
}

class GroupRegistrationTest : public zvtest::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    zv::SetLastErrorCode(kUntouched);
  }
  void TearDown() override {
    plat::fault::Reset();
    SandboxTest::TearDown();
  }

  std::string GroupPath() const { return Path("_F3001.FGP"); }
  void WriteGroup(const std::string& bytes) { ASSERT_TRUE(zvtest::WriteWholeFile(GroupPath(), bytes)); }
  std::string Group() {
    std::string bytes;
    EXPECT_TRUE(zvtest::ReadWholeFile(GroupPath(), &bytes));
    return bytes;
  }

  bool Add(const char* fileName, const zv::PrintSettings* settings, const char* first,
           const char* edited = nullptr) {
    zv::SetLastErrorCode(kUntouched);
    return zv::AddOverlayEntry(GroupPath().c_str(), fileName, settings, first, edited);
  }

  // SetGroupString on the file, then the header written back as its callers
  // do. The header in memory is given out.
  bool SetString(zv::GroupStringSlot slot, const char* text, zv::GroupInfoHeader* header) {
    plat::FileHandle file = nullptr;
    EXPECT_EQ(zv::OpenGroupInfo(GroupPath().c_str(), plat::kAccessReadWrite, &file, header),
              zv::ListFileState::kValid);
    if (!file) return false;
    const bool result = zv::SetGroupString(file, header, slot, text);
    if (result) {
      unsigned char bytes[64];
      zv::EncodeGroupInfoHeader(*header, bytes);
      EXPECT_TRUE(zv::WriteAt(file, 0, bytes, sizeof bytes));
    }
    plat::CloseFile(file);
    return result;
  }
};

// ---------------------------------------------------------------------------
// AddOverlayEntry

TEST_F(GroupRegistrationTest, FirstEntryCreatesA115ByteFile) {
  const zv::PrintSettings settings = A4Settings();
  ASSERT_TRUE(Add("ABC.ZLP", &settings, ""));
  const std::string bytes = Group();
  ASSERT_EQ(bytes.size(), 115u);
  EXPECT_EQ(bytes, GroupInfoFile({{settings, 0}}, {"ABC.ZLP"}));
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
}

TEST_F(GroupRegistrationTest, AFirstGroupStringComesFirstInThePool) {
  const zv::PrintSettings settings = A4Settings();
  ASSERT_TRUE(Add("ABC.ZLP", &settings, "HELLO"));
  const std::string expected = GroupInfoFile({{settings, 1}}, {"HELLO", "ABC.ZLP"}, {0, -1, -1});
  EXPECT_EQ(Group(), expected);
  // Index 0 at offset 0; the overlay name index 1 at offset 7.
  EXPECT_EQ(expected, RawGroupInfo({{settings, 1}}, {0, 7}, Bytes().Pooled("HELLO").Pooled("ABC.ZLP").str(),
                                   {0, -1, -1}));
}

TEST_F(GroupRegistrationTest, AnEditedFileNameFollowsTheFirstGroupString) {
  const zv::PrintSettings settings = A4Settings();
  ASSERT_TRUE(Add("A.ZLP", &settings, "G", "_F3001.ZL3"));
  EXPECT_EQ(Group(), GroupInfoFile({{settings, 2}}, {"G", "_F3001.ZL3", "A.ZLP"}, {0, 1, -1}));
}

TEST_F(GroupRegistrationTest, BothTextsAreReplacedWhereverTheEditedFileStands) {
  // The first group string's new length moves the texts behind it; the
  // edited file's text is found once, before either edit, and followed.
  const zv::PrintSettings settings = A4Settings();
  WriteGroup(GroupInfoFile({{settings, 1}}, {"DRV", "A.ZLP", "_F3001.ZL3"}, {0, 2, -1}));
  plat::io::Reset();
  ASSERT_TRUE(Add("B.ZLP", &settings, "DRIVER-TEXT", "_F3001A.ZL3"));
  EXPECT_EQ(Group(), GroupInfoFile({{settings, 1}, {settings, 3}},
                                   {"DRIVER-TEXT", "A.ZLP", "_F3001A.ZL3", "B.ZLP"}, {0, 2, -1}));
  // Read once each: the header; both texts' offsets and lengths; the pool
  // behind the first text (moved up) and the table (fixed); the pool behind
  // the edited text (none) and the table again, now fixed for it; then the
  // table and pool the new entry moves up, and the pool the new offset
  // moves up.
  const uint32_t table = 3 * 4;
  const uint32_t pool = (2 + 3) + (2 + 5) + (2 + 10);
  const uint32_t grown = 8 + 1;  // "DRIVER-TEXT" and "_F3001A.ZL3" are longer
  EXPECT_EQ(plat::io::Current().bytesRead, 64u + 2 * (4 + 2) + (pool - (2 + 3)) + table + 0 + table +
                                               (table + pool + grown) + (pool + grown));

  // The edited file's text before the first group string's: it does not
  // move when the first one changes.
  WriteGroup(GroupInfoFile({{settings, 2}}, {"_F3001.ZL3", "DRV", "A.ZLP"}, {1, 0, -1}));
  ASSERT_TRUE(Add("B.ZLP", &settings, "", "_F3001BB.ZL3"));
  EXPECT_EQ(Group(), RawGroupInfo({{settings, 2}, {settings, 3}}, {0, 14, 16, 23},
                                  Bytes().Pooled("_F3001BB.ZL3").U16(3).Pooled("A.ZLP").Pooled("B.ZLP").str(),
                                  {-1, 0, -1}));
}

TEST_F(GroupRegistrationTest, EntriesAreAppendedWithoutADuplicateCheck) {
  const zv::PrintSettings settings = A4Settings();
  ASSERT_TRUE(Add("ABC.ZLP", &settings, "DRV01"));
  ASSERT_TRUE(Add("DEF.ZLP", &settings, nullptr));
  const zv::PrintSettings low = A4Settings(300);
  ASSERT_TRUE(Add("D:\\OTHER\\GHI.ZLP", &low, nullptr));
  EXPECT_EQ(Group(), GroupInfoFile({{settings, 1}, {settings, 2}, {low, 3}},
                                   {"DRV01", "ABC.ZLP", "DEF.ZLP", "D:\\OTHER\\GHI.ZLP"}, {0, -1, -1}));
}

TEST_F(GroupRegistrationTest, AnEntryWithoutAFileNameHasNoString) {
  const zv::PrintSettings settings = A4Settings();
  ASSERT_TRUE(Add(nullptr, &settings, nullptr));
  EXPECT_EQ(Group(), GroupInfoFile({{settings, -1}}, {}));
}

TEST_F(GroupRegistrationTest, WithoutSettingsOnlyTheFileOrItsStringsAreMade) {
  ASSERT_TRUE(Add("ABC.ZLP", nullptr, "FIRST"));
  EXPECT_EQ(Group(), GroupInfoFile({}, {"FIRST"}, {0, -1, -1}));
  ASSERT_TRUE(Add("ABC.ZLP", nullptr, "SECOND", "_F3001.ZL3"));
  EXPECT_EQ(Group(), GroupInfoFile({}, {"SECOND", "_F3001.ZL3"}, {0, 1, -1}));
}

TEST_F(GroupRegistrationTest, AnEmptyFirstGroupStringClearsTheOldOne) {
  const zv::PrintSettings settings = A4Settings();
  WriteGroup(GroupInfoFile({{settings, 1}}, {"DRV001", "A.ZLP"}, {0, -1, -1}));
  ASSERT_TRUE(Add("B.ZLP", &settings, ""));
  // The old text leaves the pool; its length stays as a remnant.
  const std::string pool = Bytes().U16(6).Pooled("A.ZLP").Pooled("B.ZLP").str();
  EXPECT_EQ(Group(), RawGroupInfo({{settings, 1}, {settings, 2}}, {0, 2, 9}, pool));
}

TEST_F(GroupRegistrationTest, AnExistingFirstGroupStringIsReplaced) {
  const zv::PrintSettings settings = A4Settings();
  WriteGroup(GroupInfoFile({{settings, 1}}, {"DRV001", "A.ZLP"}, {0, -1, -1}));
  ASSERT_TRUE(Add("B.ZLP", &settings, "DRIVER-TEXT"));
  EXPECT_EQ(Group(),
            GroupInfoFile({{settings, 1}, {settings, 2}}, {"DRIVER-TEXT", "A.ZLP", "B.ZLP"}, {0, -1, -1}));
}

TEST_F(GroupRegistrationTest, ManyEntriesMoveThroughTheBufferInPieces) {
  std::vector<Entry> entries;
  std::vector<std::string> texts;
  for (int i = 0; i < 300; ++i) {
    entries.push_back({A4Settings(static_cast<uint16_t>(i)), i});
    texts.push_back("_F3001" + std::to_string(i) + ".ZLP");
  }
  WriteGroup(GroupInfoFile(entries, texts));
  const zv::PrintSettings settings = A4Settings();
  ASSERT_TRUE(Add("NEW.ZLP", &settings, nullptr));
  entries.push_back({settings, 300});
  texts.push_back("NEW.ZLP");
  EXPECT_EQ(Group(), GroupInfoFile(entries, texts));
}

TEST_F(GroupRegistrationTest, DamagedOrMissingDirectoriesGive404) {
  const std::string damaged = GroupInfoFile({}, {"A"}) + "x";
  WriteGroup(damaged);
  const zv::PrintSettings settings = A4Settings();
  EXPECT_FALSE(Add("B.ZLP", &settings, ""));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  EXPECT_EQ(Group(), damaged);

  EXPECT_FALSE(zv::AddOverlayEntry(Path("NODIR\\_F3002.FGP").c_str(), "B.ZLP", &settings, "", nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
}

TEST_F(GroupRegistrationTest, OverLongTextsAreRefusedBeforeAnythingIsWritten) {
  const zv::PrintSettings settings = A4Settings();
  const std::string longText(261, 'L');
  EXPECT_FALSE(Add(longText.c_str(), &settings, ""));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  EXPECT_FALSE(Add("A.ZLP", &settings, longText.c_str()));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  EXPECT_FALSE(Add("A.ZLP", &settings, "", longText.c_str()));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  EXPECT_FALSE(zvtest::FileExists(GroupPath()));

  WriteGroup(GroupInfoFile({}, {"X"}, {0, -1, -1}));
  EXPECT_FALSE(Add("A.ZLP", &settings, longText.c_str()));
  EXPECT_EQ(Group(), GroupInfoFile({}, {"X"}, {0, -1, -1}));

  const std::string longest(260, 'L');
  ASSERT_TRUE(Add(longest.c_str(), &settings, nullptr));
  EXPECT_EQ(Group(), GroupInfoFile({{settings, 1}}, {"X", longest}, {0, -1, -1}));
}

// ---------------------------------------------------------------------------
// SetGroupString

TEST_F(GroupRegistrationTest, AnEmptyTextOnAnEmptySlotChangesNothing) {
  const std::string file = GroupInfoFile({{A4Settings(), 0}}, {"A.ZLP"});
  WriteGroup(file);
  zv::GroupInfoHeader header;
  ASSERT_TRUE(SetString(zv::GroupStringSlot::kPreviewFile, "", &header));
  EXPECT_EQ(header.previewString, -1);
  EXPECT_EQ(header.stringCount, 1u);
  EXPECT_EQ(header.poolSize, 7u);
  EXPECT_EQ(Group(), file);
  ASSERT_TRUE(SetString(zv::GroupStringSlot::kEditedFile, nullptr, &header));
  EXPECT_EQ(Group(), file);
}

TEST_F(GroupRegistrationTest, ANewTextGetsTheNextIndex) {
  const zv::PrintSettings settings = A4Settings();
  WriteGroup(GroupInfoFile({{settings, 0}}, {"A.ZLP"}));
  zv::GroupInfoHeader header;
  ASSERT_TRUE(SetString(zv::GroupStringSlot::kPreviewFile, "_F3001.PBF", &header));
  EXPECT_EQ(header.previewString, 1);
  EXPECT_EQ(Group(), GroupInfoFile({{settings, 0}}, {"A.ZLP", "_F3001.PBF"}, {-1, -1, 1}));
}

TEST_F(GroupRegistrationTest, ClearingASixByteTextShrinksByTheTextAndLowersLaterOffsets) {
  const zv::PrintSettings settings = A4Settings();
  const std::string before =
      GroupInfoFile({{settings, 0}, {settings, 2}}, {"A.ZLP", "DRV001", "B.ZLP", "C.ZLP"}, {1, -1, -1});
  WriteGroup(before);
  zv::GroupInfoHeader header;
  ASSERT_TRUE(SetString(zv::GroupStringSlot::kFirstGroupString, "", &header));
  EXPECT_EQ(header.firstString, -1);
  EXPECT_EQ(header.stringCount, 4u);
  const std::string after = Group();
  EXPECT_EQ(after.size(), before.size() - 6);
  const std::string pool = Bytes().Pooled("A.ZLP").U16(6).Pooled("B.ZLP").Pooled("C.ZLP").str();
  EXPECT_EQ(after, RawGroupInfo({{settings, 0}, {settings, 2}}, {0, 7, 9, 16}, pool));
}

TEST_F(GroupRegistrationTest, ATextOfTheSameLengthIsOverwrittenInPlace) {
  const zv::PrintSettings settings = A4Settings();
  WriteGroup(GroupInfoFile({{settings, 1}}, {"ABCDEF", "A.ZLP"}, {0, -1, -1}));
  zv::GroupInfoHeader header;
  ASSERT_TRUE(SetString(zv::GroupStringSlot::kFirstGroupString, "UVWXYZ", &header));
  EXPECT_EQ(Group(), GroupInfoFile({{settings, 1}}, {"UVWXYZ", "A.ZLP"}, {0, -1, -1}));
}

TEST_F(GroupRegistrationTest, ALongerOrShorterTextMovesTheRestOfThePool) {
  const zv::PrintSettings settings = A4Settings();
  std::vector<std::string> texts = {"A.ZLP", "_F3001.ZL3"};
  for (int i = 0; i < 1400; ++i) texts.push_back("_F3001" + std::to_string(i) + ".ZLP");
  WriteGroup(GroupInfoFile({{settings, 0}}, texts, {-1, 1, -1}));
  zv::GroupInfoHeader header;
  ASSERT_TRUE(SetString(zv::GroupStringSlot::kEditedFile, "_F3001-EDITED-LONGER.ZL3", &header));
  texts[1] = "_F3001-EDITED-LONGER.ZL3";
  EXPECT_EQ(Group(), GroupInfoFile({{settings, 0}}, texts, {-1, 1, -1}));
  ASSERT_TRUE(SetString(zv::GroupStringSlot::kEditedFile, "E.ZL3", &header));
  texts[1] = "E.ZL3";
  EXPECT_EQ(Group(), GroupInfoFile({{settings, 0}}, texts, {-1, 1, -1}));
}

TEST_F(GroupRegistrationTest, SetGroupStringFailsWithoutMemoryAndOnADamagedSlot) {
  const std::string file = GroupInfoFile({}, {"A"}, {0, -1, 5});
  WriteGroup(file);
  zv::GroupInfoHeader header;
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_FALSE(SetString(zv::GroupStringSlot::kFirstGroupString, "B", &header));
  plat::fault::Reset();
  // The preview slot names a text that is not in the table.
  EXPECT_FALSE(SetString(zv::GroupStringSlot::kPreviewFile, "C", &header));
  EXPECT_EQ(Group(), file);
}

// ---------------------------------------------------------------------------
// Two writers, memory and write failures

TEST_F(GroupRegistrationTest, ASecondWriterFailsAndLeavesTheFileAsItWas) {
  const zv::PrintSettings settings = A4Settings();
  const std::string file = GroupInfoFile({{settings, 1}}, {"DRV", "A.ZLP"}, {0, -1, -1});
  WriteGroup(file);
  {
    zvtest::FileHolder holder(GroupPath(), plat::kAccessReadWrite, plat::kShareRead);
    ASSERT_TRUE(holder.Opened());
    EXPECT_FALSE(Add("B.ZLP", &settings, "X"));
    EXPECT_EQ(zv::GetLastErrorCode(), 404u);
    EXPECT_FALSE(Add(nullptr, nullptr, nullptr));
    EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  }
  plat::FileHandle writer =
      plat::OpenFile(GroupPath().c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kOpenExisting);
  ASSERT_NE(writer, nullptr);
  EXPECT_FALSE(Add("B.ZLP", &settings, "X"));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  plat::CloseFile(writer);
  EXPECT_EQ(Group(), file);
}

TEST_F(GroupRegistrationTest, NoWorkingMemoryGives401AndCreatesNothing) {
  const zv::PrintSettings settings = A4Settings();
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_FALSE(Add("ABC.ZLP", &settings, "X"));
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  EXPECT_FALSE(zvtest::FileExists(GroupPath()));

  // One allocation serves the whole call, string updates included.
  plat::fault::Reset();
  WriteGroup(GroupInfoFile({}, {"OLD"}, {0, -1, -1}));
  ASSERT_TRUE(Add("ABC.ZLP", &settings, "NEWER"));
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kAlloc), 1u);
}

TEST_F(GroupRegistrationTest, AFailedHeaderWriteDeletesTheNewFile) {
  const zv::PrintSettings settings = A4Settings();
  plat::fault::FailNth(plat::fault::kWrite, 1);
  EXPECT_FALSE(Add("ABC.ZLP", &settings, "X"));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  EXPECT_FALSE(zvtest::FileExists(GroupPath()));
}

TEST_F(GroupRegistrationTest, EveryFailedWriteIsReported) {
  const zv::PrintSettings settings = A4Settings();
  const std::string existing = GroupInfoFile({{settings, 1}}, {"DRV001", "A.ZLP", "_F3001.ZL3"}, {0, 2, -1});
  struct Case {
    const char* name;
    bool create;
    const char* first;
    const char* edited;
  };
  const Case cases[] = {
      {"new file", true, "FIRST", "EDITED"},
      {"longer strings", false, "DRV001-LONGER", "_F3001-LONGER.ZL3"},
      {"cleared string", false, "", nullptr},
  };
  for (const Case& c : cases) {
    auto reset = [&] {
      if (c.create) {
        zvtest::RemoveFile(GroupPath());
      } else {
        WriteGroup(existing);
      }
    };
    reset();
    plat::fault::Reset();
    ASSERT_TRUE(Add("B.ZLP", &settings, c.first, c.edited)) << c.name;
    const uint32_t writes = plat::fault::CallCount(plat::fault::kWrite);
    ASSERT_GT(writes, 3u) << c.name;
    for (uint32_t n = 1; n <= writes; ++n) {
      reset();
      plat::fault::FailNth(plat::fault::kWrite, n);
      EXPECT_FALSE(Add("B.ZLP", &settings, c.first, c.edited)) << c.name << ", write " << n;
      EXPECT_EQ(zv::GetLastErrorCode(), 404u) << c.name << ", write " << n;
      // A file this call created is not left half made.
      if (c.create) {
        EXPECT_FALSE(zvtest::FileExists(GroupPath())) << c.name << ", write " << n;
      }
    }
    plat::fault::Reset();
  }
}

TEST_F(GroupRegistrationTest, AFailedReadOrCutIsReported) {
  const zv::PrintSettings settings = A4Settings();
  WriteGroup(GroupInfoFile({{settings, 1}}, {"DRV001", "A.ZLP"}, {0, -1, -1}));
  plat::fault::FailNth(plat::fault::kSetEnd, 1);
  EXPECT_FALSE(Add("B.ZLP", &settings, "D"));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);

  WriteGroup(GroupInfoFile({{settings, 1}}, {"DRV001", "A.ZLP"}, {0, -1, -1}));
  plat::fault::Reset();
  ASSERT_TRUE(Add("B.ZLP", &settings, "DRV00"));
  const uint32_t reads = plat::fault::CallCount(plat::fault::kRead);
  for (uint32_t n = 2; n <= reads; ++n) {  // the first read is the header's
    WriteGroup(GroupInfoFile({{settings, 1}}, {"DRV001", "A.ZLP"}, {0, -1, -1}));
    plat::fault::FailNth(plat::fault::kRead, n);
    EXPECT_FALSE(Add("B.ZLP", &settings, "DRV00")) << "read " << n;
    EXPECT_EQ(zv::GetLastErrorCode(), 404u) << "read " << n;
  }
}

}  // namespace
