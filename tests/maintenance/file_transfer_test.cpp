// Moving and copying overlay files in both ways of working (the system's
// functions on Windows NT 3 and 4, the buffered copy elsewhere), moving a
// form's group, free space and group sizes, and rewriting overlay headers.
//
// This file also runs as a program that Wine presents Windows NT 4.0 to
// (ZV_EXPECT_NT4); natively each test of the moves runs in both ways.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "dialogs/module_frame.h"
#include "maintenance/file_transfer.h"
#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/message_boxes.h"

#ifndef _WIN32
#include "platform/posix/posix_config.h"
#endif

namespace {

using zvtest::Bytes;
using zvtest::FileExists;
using zvtest::ReadWholeFile;
using zvtest::WriteWholeFile;

constexpr int32_t kFormId = 0x301;

std::string Pattern(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * seed + i / 253) & 0xFF);
  return bytes;
}

// A group info file whose overlay entries name the given files, with the
// edited file and preview file texts after them in the pool (none when empty).
std::string GroupInfoFile(const std::vector<std::string>& files, const std::string& edited,
                          const std::string& preview) {
  std::vector<std::string> texts = files;
  const int32_t editedIndex = edited.empty() ? -1 : static_cast<int32_t>(texts.size());
  if (!edited.empty()) texts.push_back(edited);
  const int32_t previewIndex = preview.empty() ? -1 : static_cast<int32_t>(texts.size());
  if (!preview.empty()) texts.push_back(preview);
  const std::string record = Bytes().U16(1).Zeros(32).str();
  std::vector<zvtest::GroupInfoEntry> entries;
  for (size_t i = 0; i < files.size(); ++i) entries.push_back({record, static_cast<int32_t>(i)});
  return zvtest::GroupInfoFile(entries, texts, files.empty() ? -1 : 0, editedIndex, previewIndex);
}

class FileTransferTest : public zvtest::CatalogueTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
#ifndef _WIN32
    plat::posix::MapDrive('E', nullptr);
#endif
    CatalogueTest::TearDown();
  }

  std::string Contents(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, &bytes)) << path;
    return bytes;
  }

  // A directory (created) on drive letter, ending in a backslash. Natively
  // the drive is real: C: and D: are the fixture's, E: is mapped onto the
  // scratch directory. Wine's prefix has no spare drives, so there a
  // directory of the scratch area stands for the drive.
  std::string DriveDir(char letter, const std::string& dir) {
#ifdef _WIN32
    std::string root = Path(std::string(1, letter)) + "\\";
#else
    std::string root = std::string(1, letter) + ":\\";
    if (letter == 'E') {
      char host[4096];
      EXPECT_TRUE(plat::posix::ToHostPath(Dir().c_str(), host, sizeof host));
      plat::posix::MapDrive('E', host);
    }
#endif
    plat::CreateDirectory(root.c_str());
    EXPECT_TRUE(plat::CreateDirectory((root + dir).c_str())) << root + dir;
    return root + dir + "\\";
  }

  // Form 0x301 whose group text names the group info file.
  void WriteCatalogue(const std::string& groupInfoPath, const std::string& groupInfo) {
    WriteFormList(zvtest::FormListFile({{kFormId, "INVOICE", "Monthly invoice", 1, 0}}, {}));
    WriteGroupList(zvtest::GroupNameListFile({groupInfoPath}));
    ASSERT_TRUE(WriteWholeFile(groupInfoPath, groupInfo));
  }
};

// Natively the buffered way is the process's own (version class 0), and the
// system way is reached by reporting Windows NT 4.0. Under Wine the program
// decides: maintenance_tests runs buffered, maintenance_nt40_tests on NT 4.0.
enum class Way { kProcess, kNt4 };

class TransferWaysTest : public FileTransferTest, public ::testing::WithParamInterface<Way> {
 protected:
  void SetUp() override {
    FileTransferTest::SetUp();
#ifndef _WIN32
    if (GetParam() == Way::kNt4) plat::posix::SetVersion(true, 2, 4);
#endif
  }
  void TearDown() override {
#ifndef _WIN32
    if (GetParam() == Way::kNt4) plat::posix::SetVersion(true, 2, 10);
#endif
    FileTransferTest::TearDown();
  }

  static bool SystemWay() {
    const uint32_t versionClass = zv::GetWindowsVersionClass();
    return versionClass == zv::kVersionNt3 || versionClass == zv::kVersionNt4;
  }
  bool Move(const std::string& from, const std::string& to) {
    return zv::MoveOverlayFile(from.c_str(), to.c_str());
  }
  bool Copy(const std::string& from, const std::string& to) {
    return zv::CopyWholeFile(from.c_str(), to.c_str());
  }
};

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Ways, TransferWaysTest, ::testing::Values(Way::kProcess));
#else
INSTANTIATE_TEST_SUITE_P(Ways, TransferWaysTest, ::testing::Values(Way::kProcess, Way::kNt4));
#endif

TEST_P(TransferWaysTest, RunsUnderTheExpectedVersionClass) {
#ifdef ZV_EXPECT_NT4
  EXPECT_EQ(zv::GetWindowsVersionClass(), zv::kVersionNt4);
#else
  EXPECT_EQ(SystemWay(), GetParam() == Way::kNt4);
  if (SystemWay()) {
    EXPECT_EQ(zv::GetWindowsVersionClass(), zv::kVersionNt4);
  }
#endif
}

TEST_P(TransferWaysTest, MoveLeavesTheSourceBytesAtTheTargetOnlyAndReplacesAnExistingOne) {
  const std::string source = Path("_F301A00.ZLP");
  const std::string target = Path("_F301A01.ZLP");
  // Empty, exactly one buffer, several buffers with a partial last one.
  for (size_t size : {size_t{0}, size_t{zv::kTransferBufferSize}, size_t{12345}}) {
    SCOPED_TRACE(size);
    ASSERT_TRUE(WriteWholeFile(source, Pattern(size, 7)));
    EXPECT_TRUE(Move(source, target));
    EXPECT_FALSE(FileExists(source));
    EXPECT_EQ(Contents(target), Pattern(size, 7));
  }
  // A longer, read-only target from a read-only source; the result is left
  // with normal attributes.
  ASSERT_TRUE(WriteWholeFile(source, Pattern(6000, 3)));
  ASSERT_TRUE(plat::SetAttributesReadOnly(source.c_str()));
  ASSERT_TRUE(plat::SetAttributesReadOnly(target.c_str()));
  EXPECT_TRUE(Move(source, target));
  EXPECT_FALSE(FileExists(source));
  EXPECT_EQ(Contents(target), Pattern(6000, 3));
  EXPECT_TRUE(plat::DeleteFile(target.c_str()));
}

TEST_P(TransferWaysTest, AFailedMoveKeepsTheSource) {
  const std::string source = Path("_F301A00.ZLP");
  const std::string target = Path("_F301A01.ZLP");
  ASSERT_TRUE(WriteWholeFile(source, Pattern(12345, 11)));
  ASSERT_TRUE(WriteWholeFile(target, "held"));
  plat::FileHandle holder =
      plat::OpenFile(target.c_str(), plat::kAccessReadWrite, plat::kShareNone, plat::kOpenExisting);
  ASSERT_NE(holder, nullptr);
  EXPECT_FALSE(Move(source, target));
  plat::CloseFile(holder);
  EXPECT_EQ(Contents(target), "held");
  EXPECT_FALSE(Move(Path("MISSING.ZLP"), target));
  EXPECT_EQ(Contents(target), "held");

  // A short write stops the buffered copy, which removes its partial target;
  // the system's move writes nothing through the platform and succeeds.
  zvtest::RemoveFile(target);
  plat::fault::FailNth(plat::fault::kWrite, 2);
  EXPECT_EQ(Move(source, target), SystemWay());
  EXPECT_EQ(FileExists(source), !SystemWay());
  EXPECT_EQ(Contents(SystemWay() ? target : source), Pattern(12345, 11));
  if (!SystemWay()) {
    EXPECT_FALSE(FileExists(target));
  }
}

TEST_P(TransferWaysTest, MoveOrCopyOntoTheSameFileUnderAnySpellingKeepsIt) {
  ASSERT_TRUE(plat::CreateDirectory(Path("Forms").c_str()));
  const std::string file = Path("Forms\\_F301A00.ZLP");
  ASSERT_TRUE(WriteWholeFile(file, Pattern(7000, 13)));
  for (const std::string& spelling :
       {file, Path("FORMS\\_f301a00.zlp"), Path("Forms\\..\\forms\\.\\_F301A00.ZLP")}) {
    SCOPED_TRACE(spelling);
    EXPECT_TRUE(Move(file, spelling));  // kept in place counts as moved
    EXPECT_FALSE(Copy(spelling, file));
    EXPECT_EQ(Contents(file), Pattern(7000, 13));
  }
}

TEST_P(TransferWaysTest, CopyKeepsTheSourceAndTreatsAnExistingTargetByWay) {
  const std::string source = Path("ZVLMN3.INI");
  const std::string target = Path("ZVLMN3.DAT");
  ASSERT_TRUE(WriteWholeFile(source, Pattern(11000, 17)));
  EXPECT_TRUE(Copy(source, target));
  EXPECT_EQ(Contents(source), Pattern(11000, 17));
  EXPECT_EQ(Contents(target), Pattern(11000, 17));

  // The system copy refuses an existing target; the buffered one replaces it.
  ASSERT_TRUE(WriteWholeFile(source, "newer"));
  EXPECT_EQ(Copy(source, target), !SystemWay());
  EXPECT_EQ(Contents(target), SystemWay() ? Pattern(11000, 17) : "newer");
  EXPECT_EQ(Contents(source), "newer");
  EXPECT_TRUE(plat::DeleteFile(target.c_str()));  // normal attributes
  EXPECT_FALSE(Copy(Path("MISSING.INI"), target));
  EXPECT_FALSE(FileExists(target));
}

// C:\FORMS holds the group: preview and edited files, two overlay files the
// catalogue made, and three registered from elsewhere: by a bare name
// (KEEP.ZLP), from D:\MY and from a subdirectory. Moved to E:\NEW, the
// catalogue's files and the group info file go; the others stay. Moved into C:\FORMS itself, however spelled,
// nothing moves and nothing is asked.
TEST_P(TransferWaysTest, MoveGroupFilesMovesTheCataloguesFilesOnly) {
  const std::string forms = DriveDir('C', "FORMS");
  const std::string logo = DriveDir('D', "MY") + "LOGO.ZLP";
  const std::string target = DriveDir('E', "NEW");
  const std::string sub = "_OLD\\_F301A09.ZLP";
  ASSERT_TRUE(plat::CreateDirectory((forms + "_OLD").c_str()) &&
              plat::CreateDirectory((target + "_OLD").c_str()));
  const std::string group =
      GroupInfoFile({"_F301A00.ZLP", "_F301A01.ZLP", logo, "KEEP.ZLP", sub}, "_F301.ZL3", "_F301.PBF");
  WriteCatalogue(forms + "_F301.FGP", group);
  const std::vector<std::string> moving = {"_F301A00.ZLP", "_F301A01.ZLP", "_F301.ZL3", "_F301.PBF"};
  for (const std::string& name : moving) ASSERT_TRUE(WriteWholeFile(forms + name, Pattern(3000, name[7])));
  ASSERT_TRUE(WriteWholeFile(forms + "KEEP.ZLP", "keep"));
  ASSERT_TRUE(WriteWholeFile(logo, "logo"));
  ASSERT_TRUE(WriteWholeFile(forms + sub, "sub"));

  zvtest::MessageBoxWatcher watcher(zvtest::kIdYes);
  std::string lower = forms;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const std::string& same : {forms, lower.substr(0, lower.size() - 1)}) {
    EXPECT_TRUE(zv::MoveGroupFiles(nullptr, kFormId, same.c_str()));
    for (const std::string& name : moving) EXPECT_EQ(Contents(forms + name), Pattern(3000, name[7]));
    EXPECT_EQ(Contents(forms + "_F301.FGP"), group);
  }

  EXPECT_TRUE(zv::MoveGroupFiles(nullptr, kFormId, target.substr(0, target.size() - 1).c_str()));
  EXPECT_TRUE(watcher.Boxes().empty());
  for (const std::string& name : moving) {
    EXPECT_FALSE(FileExists(forms + name)) << name;
    EXPECT_EQ(Contents(target + name), Pattern(3000, name[7]));
  }
  EXPECT_FALSE(FileExists(forms + "_F301.FGP"));
  EXPECT_EQ(Contents(target + "_F301.FGP"), group);
  EXPECT_EQ(Contents(forms + "KEEP.ZLP"), "keep");
  EXPECT_EQ(Contents(logo), "logo");
  EXPECT_FALSE(FileExists(target + "KEEP.ZLP"));
  EXPECT_FALSE(FileExists(target + "LOGO.ZLP"));
  EXPECT_EQ(Contents(forms + sub), "sub");
  EXPECT_FALSE(FileExists(target + sub));
}

TEST_P(TransferWaysTest, MoveGroupFilesAsksBeforeReplacingAnExistingFile) {
  char question[256] = "";
  ASSERT_GT(zv::LoadMessage(zv::kMsgOverwriteExistingFile, question, sizeof question), 0);
  for (int answer : {zvtest::kIdYes, zvtest::kIdNo}) {
    SCOPED_TRACE(answer);
    const std::string forms = DriveDir('C', answer == zvtest::kIdYes ? "YES" : "NO");
    const std::string target = DriveDir('E', answer == zvtest::kIdYes ? "NEWYES" : "NEWNO");
    // An edited file that is no .ZL3 file stays, without a question.
    const std::string group = GroupInfoFile({"_F301A00.ZLP", "_F301A01.ZLP"}, "_F301.TXT", "");
    WriteCatalogue(forms + "_F301.FGP", group);
    for (const char* name : {"_F301A00.ZLP", "_F301A01.ZLP", "_F301.TXT"}) {
      ASSERT_TRUE(WriteWholeFile(forms + name, std::string("new ") + name));
      ASSERT_TRUE(WriteWholeFile(target + name, std::string("old ") + name));
    }
    ASSERT_TRUE(zvtest::RemoveFile(target + "_F301A01.ZLP"));
    ASSERT_TRUE(WriteWholeFile(target + "_F301.FGP", "old group"));

    zvtest::MessageBoxWatcher watcher(answer);
    EXPECT_TRUE(zv::MoveGroupFiles(nullptr, kFormId, target.c_str()));
    ASSERT_EQ(watcher.Boxes().size(), 1u);
    EXPECT_EQ(watcher.Boxes()[0].text, question);
    EXPECT_EQ(watcher.Boxes()[0].caption, "Overlay");
    EXPECT_EQ(watcher.Boxes()[0].buttons, (std::vector<int>{zvtest::kIdYes, zvtest::kIdNo}));
    EXPECT_FALSE(watcher.Boxes()[0].stopIcon);

    const bool yes = answer == zvtest::kIdYes;
    EXPECT_EQ(FileExists(forms + "_F301A00.ZLP"), !yes);
    EXPECT_EQ(Contents(target + "_F301A00.ZLP"), yes ? "new _F301A00.ZLP" : "old _F301A00.ZLP");
    EXPECT_EQ(Contents(target + "_F301A01.ZLP"), "new _F301A01.ZLP");
    EXPECT_EQ(Contents(target + "_F301.FGP"), group);
    EXPECT_EQ(Contents(forms + "_F301.TXT"), "new _F301.TXT");
    EXPECT_EQ(Contents(target + "_F301.TXT"), "old _F301.TXT");
  }
}

TEST_F(FileTransferTest, FreeDiskBytesAskTheDriveRoot) {
#ifdef _WIN32
  const std::string root = Dir().substr(0, 3);  // the scratch directory's drive
#else
  DriveDir('E', "OTHER");
  const std::string root = "E:\\";
#endif
  // The directories do not exist: only the root can answer.
  char path[261];
  std::snprintf(path, sizeof path, "%sNEW\\SUB", root.c_str());
  const std::string asGiven = path;
  plat::DiskFreeSpace space{};
  EXPECT_FALSE(plat::GetDiskFreeSpace(path, &space));
  const uint64_t bytes = zv::GetFreeDiskBytes(path);
  EXPECT_EQ(path, asGiven);
  ASSERT_TRUE(plat::GetDiskFreeSpace(root.c_str(), &space));
  EXPECT_GT(bytes, 0u);
  // Other programs may write meanwhile.
  EXPECT_NEAR(static_cast<double>(bytes),
              static_cast<double>(space.freeClusters) * space.sectorsPerCluster * space.bytesPerSector,
              256.0 * 1024 * 1024);

  char unmapped[] = "Q:\\FORMS";
  EXPECT_EQ(zv::GetFreeDiskBytes(unmapped), 0u);
  EXPECT_STREQ(unmapped, "Q:\\FORMS");
}

TEST_F(FileTransferTest, GroupSizeSumsTheListedFilesAndTheGroupInfoFile) {
  const std::string group = GroupInfoFile({"_F301A00.ZLP", "_F301A01.ZLP", "_F301A02.ZLP"}, "", "");
  WriteCatalogue(Path("_F301.FGP"), group);
  ASSERT_TRUE(WriteWholeFile(Path("_F301A00.ZLP"), Pattern(1000, 3)));
  ASSERT_TRUE(WriteWholeFile(Path("_F301A01.ZLP"), Pattern(7001, 5)));
  // _F301A02.ZLP is missing and adds nothing; an unlisted file neither.
  ASSERT_TRUE(WriteWholeFile(Path("_F301A03.ZLP"), Pattern(500, 7)));
  EXPECT_EQ(zv::GetGroupSize(kFormId), 1000u + 7001u + group.size());
  EXPECT_EQ(zv::GetGroupSize(kFormId + 1), 0u);  // no such form
}

TEST_F(FileTransferTest, WithoutAValidGroupNothingIsCountedOrMoved) {
  const std::string target = DriveDir('E', "NEW");
  const std::string group = GroupInfoFile({"_F301A00.ZLP"}, "", "");
  WriteCatalogue(Path("_F301.FGP"), group + "x");  // one byte too many
  ASSERT_TRUE(WriteWholeFile(Path("_F301A00.ZLP"), "A00"));
  EXPECT_EQ(zv::GetGroupSize(kFormId), 0u);
  EXPECT_FALSE(zv::MoveGroupFiles(nullptr, kFormId, target.c_str()));
  EXPECT_FALSE(zv::MoveGroupFiles(nullptr, kFormId + 1, target.c_str()));

  ASSERT_TRUE(WriteWholeFile(Path("_F301.FGP"), group));
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_FALSE(zv::MoveGroupFiles(nullptr, kFormId, target.c_str()));
  EXPECT_EQ(zv::GetLastErrorCode(), zv::kMsgNoWorkArea);
  EXPECT_EQ(Contents(Path("_F301A00.ZLP")), "A00");
  EXPECT_EQ(Contents(Path("_F301.FGP")), group);
  EXPECT_FALSE(FileExists(target + "_F301A00.ZLP"));
}

TEST_F(FileTransferTest, RewriteOverlayHeaderSetsLayerAndDescriptionOnly) {
  const std::string path = Path("_F301A00.ZLP");
  const std::string original = Bytes()
                                   .U32(319)
                                   .Fixed("INVOICE", 25)
                                   .Fixed("A long description of the old invoice", 256)
                                   .U16(1)
                                   .U8(1)
                                   .Text(std::string(31, 'Z'))
                                   .str() +
                               Pattern(600, 19);
  ASSERT_TRUE(WriteWholeFile(path, original));
  plat::io::Reset();
  EXPECT_TRUE(zv::RewriteOverlayHeader(path.c_str(), 2, "New text"));
  // The header is read once and written once; the raw data test looks at
  // the first byte read.
  EXPECT_EQ(plat::io::Current().bytesRead, 319u);
  EXPECT_EQ(plat::io::Current().bytesWritten, 319u);
  std::string expected = original;
  expected.replace(29, 9, std::string("New text") + '\0');  // the old text's tail stays
  expected[287] = 2;
  EXPECT_EQ(Contents(path), expected);

  // A description is cut to 255 characters and its terminator.
  EXPECT_TRUE(zv::RewriteOverlayHeader(path.c_str(), 1, std::string(300, 'D').c_str()));
  expected.replace(29, 256, std::string(255, 'D') + '\0');
  expected[287] = 1;
  EXPECT_EQ(Contents(path), expected);

  // Raw printer data and a file too short for a header are refused untouched.
  for (const std::string& bytes : {"\x1D" + Pattern(400, 23), Pattern(318, 29)}) {
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    EXPECT_FALSE(zv::RewriteOverlayHeader(path.c_str(), 2, "x"));
    EXPECT_EQ(Contents(path), bytes);
  }
  // A raw file by its name is refused before it is opened.
  const std::string raw = Path("_F301A00.ZLC");
  ASSERT_TRUE(WriteWholeFile(raw, original));
  plat::io::Reset();
  EXPECT_FALSE(zv::RewriteOverlayHeader(raw.c_str(), 2, "x"));
  EXPECT_EQ(plat::io::Current().bytesRead, 0u);
  EXPECT_EQ(Contents(raw), original);
  EXPECT_FALSE(zv::RewriteOverlayHeader(Path("MISSING.ZLP").c_str(), 2, "x"));
  EXPECT_FALSE(FileExists(Path("MISSING.ZLP")));
}

}  // namespace
