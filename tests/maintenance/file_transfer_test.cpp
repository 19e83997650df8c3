// Moving and copying overlay files (the system's functions on NT 3 and 4, the buffered copy elsewhere),
// moving a form's group, group sizes and overlay header rewrites.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>

#include "maintenance/file_transfer.h"
#include "maintenance/form_registration.h"
#include "maintenance/maintenance_fixture.h"
#include "platform/platform.h"
#include "support/message_boxes.h"
#include "support/other_process.h"

#ifndef _WIN32
#include "platform/posix/posix_config.h"
#endif

namespace {

using namespace zvtest;

constexpr int32_t kFormId = 0x301;

const std::string kEntry = Bytes().U16(1).Zeros(32).str();  // an entry's settings record

// Natively both ways run; under Wine maintenance_tests runs buffered, maintenance_nt40_tests on NT 4.0.
enum class Way { kProcess, kNt4 };

class FileTransferTest : public MaintenanceTest, public ::testing::WithParamInterface<Way> {
 protected:
#ifndef _WIN32
  void SetUp() override {
    MaintenanceTest::SetUp();
    if (GetParam() == Way::kNt4) plat::posix::SetVersion(true, 2, 4);
  }
  void TearDown() override {
    if (GetParam() == Way::kNt4) plat::posix::SetVersion(true, 2, 10);
    plat::posix::MapDrive('E', nullptr);
    MaintenanceTest::TearDown();
  }
#endif
  static bool SystemWay() {
    const uint32_t v = zv::GetWindowsVersionClass();
    return v == zv::kVersionNt3 || v == zv::kVersionNt4;
  }

  // A directory made on the drive, with a backslash; E: natively maps onto the scratch directory, and under
  // Wine a directory of the scratch area stands for the drive.
  std::string DriveDir(char letter, const std::string& dir) {
#ifdef _WIN32
    std::string root = Path(std::string(1, letter)) + "\\";
#else
    std::string root = std::string(1, letter) + ":\\";
    if (letter == 'E') {
      const std::string host = HostPath(Dir());
      EXPECT_FALSE(host.empty());
      plat::posix::MapDrive('E', host.c_str());
    }
#endif
    plat::MakeDirectory(root.c_str());
    EXPECT_TRUE(plat::MakeDirectory((root + dir).c_str())) << root + dir;
    return root + dir + "\\";
  }

  // Both list files, then each named file in each of two directories.
  std::vector<std::string> Where(const std::string& one, const std::string& other,
                                 const std::vector<std::string>& names) const {
    std::vector<std::string> files = {Read(FormListPath()), Read(GroupListPath())};
    for (const std::string& name : names) files.insert(files.end(), {Read(one + name), Read(other + name)});
    return files;
  }

  // Form 0x301 whose group text names the group info file.
  void WriteCatalogue(const std::string& groupInfoPath, const std::string& groupInfo) {
    WriteFormList(FormListFile({{kFormId, "INVOICE", "Monthly invoice", 1, 0}}, {}));
    WriteGroupList(GroupNameListFile({groupInfoPath}));
    ASSERT_TRUE(WriteWholeFile(groupInfoPath, groupInfo));
  }
};

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Ways, FileTransferTest, ::testing::Values(Way::kProcess));
#else
INSTANTIATE_TEST_SUITE_P(Ways, FileTransferTest, ::testing::Values(Way::kProcess, Way::kNt4));
#endif

TEST_P(FileTransferTest, MovesAndCopiesLeaveTheSourceBytesAtTheTargetOrFailKeepingThem) {
#ifdef ZV_EXPECT_NT4
  ASSERT_EQ(zv::GetWindowsVersionClass(), zv::kVersionNt4);
#else
  ASSERT_EQ(SystemWay(), GetParam() == Way::kNt4);
#endif
  const std::string source = Path("_F301A00.ZLP"), target = Path("_F301A01.ZLP");
  // Empty, one buffer, several with a partial last; then read-only over a longer read-only target.
  for (size_t size : {size_t{0}, size_t{zv::kTransferBufferSize}, size_t{12345}, size_t{6000}}) {
    ASSERT_TRUE(WriteWholeFile(source, Pattern(size, 7)));
    ASSERT_TRUE(size != 6000 ||
                (plat::SetAttributesReadOnly(source.c_str()) && plat::SetAttributesReadOnly(target.c_str())));
    EXPECT_TRUE(zv::MoveOverlayFile(source.c_str(), target.c_str())) << size;
    EXPECT_EQ(Read(source) + Read(target), kMissing + Pattern(size, 7));
  }
  // A copy keeps the source; the system copy refuses an existing target, the buffered one replaces it.
  EXPECT_TRUE(plat::EraseFile(target.c_str()));
  for (const std::string& bytes : {Pattern(11000, 17), std::string("newer")}) {
    ASSERT_TRUE(WriteWholeFile(source, bytes));
    EXPECT_EQ(zv::CopyWholeFile(source.c_str(), target.c_str()), bytes.size() > 5 || !SystemWay());
    EXPECT_EQ(Read(source) + Read(target), bytes + (SystemWay() ? Pattern(11000, 17) : bytes));
  }
  EXPECT_FALSE(zv::CopyWholeFile(Path("MISSING.INI").c_str(), Path("NEW.ZLP").c_str()));
  EXPECT_FALSE(zv::MoveOverlayFile(Path("MISSING.ZLP").c_str(), target.c_str()));
  EXPECT_EQ(Read(Path("NEW.ZLP")) + Read(source), kMissing + "newer");
  // Two buffers' worth passes in two pieces: a failing third write is never reached.
  ASSERT_TRUE(WriteWholeFile(source, Pattern(10240, 5)));
  fault::FailNth(fault::kWrite, 3);
  EXPECT_TRUE(zv::MoveOverlayFile(source.c_str(), target.c_str()));
  EXPECT_EQ(Read(target), Pattern(10240, 5));
  fault::Reset();
  // The same file, however spelled, is kept.
  ASSERT_TRUE(plat::MakeDirectory(Path("Forms").c_str()));
  const std::string file = Path("Forms\\_F301A00.ZLP");
  ASSERT_TRUE(WriteWholeFile(file, Pattern(7000, 13)));
  for (const std::string& same :
       {file, Path("FORMS\\_f301a00.zlp"), Path("Forms\\..\\forms\\.\\_F301A00.ZLP")}) {
    EXPECT_TRUE(zv::MoveOverlayFile(file.c_str(), same.c_str())) << same;  // kept in place counts as moved
    EXPECT_FALSE(zv::CopyWholeFile(same.c_str(), file.c_str())) << same;
    EXPECT_EQ(Read(file), Pattern(7000, 13));
  }
}

// The group in C:\FORMS: preview, edited and two made overlay files, and three registered from elsewhere.
// Into C:\FORMS itself nothing moves; to E:\NEW the catalogue's own files go.
TEST_P(FileTransferTest, MoveGroupFilesMovesTheCataloguesFilesOnly) {
  const std::string forms = DriveDir('C', "FORMS"), logo = DriveDir('D', "MY") + "LOGO.ZLP";
  const std::string target = DriveDir('E', "NEW"), sub = "_OLD\\_F301A09.ZLP";
  ASSERT_TRUE(plat::MakeDirectory((forms + "_OLD").c_str()) &&
              plat::MakeDirectory((target + "_OLD").c_str()));
  const std::string group = GroupInfoFile(
      {{kEntry, 0}, {kEntry, 1}, {kEntry, 2}, {kEntry, 3}, {kEntry, 4}},
      {"_F301A00.ZLP", "_F301A01.ZLP", logo, "KEEP.ZLP", sub, "_F301.ZL3", "_F301.PBF"}, 0, 5, 6);
  WriteCatalogue(forms + "_F301.FGP", group);
  const std::vector<std::string> moving = {"_F301A00.ZLP", "_F301A01.ZLP", "_F301.ZL3", "_F301.PBF"};
  for (const std::string& name : moving) ASSERT_TRUE(WriteWholeFile(forms + name, Pattern(3000, name[7])));
  ASSERT_TRUE(WriteWholeFile(forms + "KEEP.ZLP", "keep") && WriteWholeFile(logo, "logo"));
  ASSERT_TRUE(WriteWholeFile(forms + sub, "sub"));
  MessageBoxWatcher watcher(kIdYes);
  for (const std::string& same : {forms, Lower(forms.substr(0, forms.size() - 1))}) {
    EXPECT_TRUE(zv::MoveGroupFiles(nullptr, kFormId, same.c_str()));
    for (const std::string& name : moving) EXPECT_EQ(Read(forms + name), Pattern(3000, name[7]));
    EXPECT_EQ(Read(forms + "_F301.FGP"), group);
  }
  EXPECT_TRUE(zv::MoveGroupFiles(nullptr, kFormId, target.substr(0, target.size() - 1).c_str()));
  EXPECT_TRUE(watcher.Boxes().empty());
  for (const std::string& name : moving) {
    EXPECT_FALSE(FileExists(forms + name)) << name;
    EXPECT_EQ(Read(target + name), Pattern(3000, name[7]));
  }
  EXPECT_EQ(Read(forms + "_F301.FGP") + Read(target + "_F301.FGP"), "<missing>" + group);
  EXPECT_EQ(Read(forms + "KEEP.ZLP") + Read(logo) + Read(forms + sub), "keeplogosub");
  for (const std::string name : {"KEEP.ZLP", "LOGO.ZLP", sub.c_str()})
    EXPECT_FALSE(FileExists(target + name));
  // An edited file that is the group's first text moves too, on Yes over the one moved before.
  WriteCatalogue(forms + "_F301.FGP", GroupInfoFile({}, {"_F301.ZL3"}, -1, 0));
  ASSERT_TRUE(WriteWholeFile(forms + "_F301.ZL3", "edited"));
  EXPECT_TRUE(zv::MoveGroupFiles(nullptr, kFormId, target.c_str()));
  EXPECT_EQ(Read(forms + "_F301.ZL3") + Read(target + "_F301.ZL3"), kMissing + "edited");
}

// The record step of a group move: form 0x301 repointed to the target directory.
bool Repoint(void* directory) {
  return zv::UpdateFormRecord(kFormId, "INVOICE", "Monthly invoice", static_cast<const char*>(directory), 1);
}

// A group move that cannot be completed leaves every file of both directories where it was, byte for byte,
// and the form's record as it was; one that can, with its record step, moves the group and repoints the form.
TEST_P(FileTransferTest, MoveGroupFilesIsAllOrNothing) {
  const std::string forms = DriveDir('C', "FORMS"), target = DriveDir('E', "NEW");
  const std::vector<std::string> names = {"_F301.PBF",    "_F301.ZL3",    "_F301A00.ZLP",
                                          "_F301A01.ZLP", "_F301A02.ZLP", "_F301.FGP"};
  const std::string group = GroupInfoFile({{kEntry, 0}, {kEntry, 1}, {kEntry, 2}},
                                          {names[2], names[3], names[4], names[1], names[0]}, -1, 3, 4);
  struct Row {
    const char* what;
    std::string theirs;  // a file of the target directory named as the second overlay
    std::string held;    // a file another program holds, with access and sharing
    plat::Access access;
    plat::Share share;
    std::string into;
    bool repoint;
    size_t questions;         // boxes of 606, each answered No
    std::string groupInfo{};  // in place of the group's own
  };
  const plat::Access kRead = plat::kAccessRead;
  const std::vector<Row> rows = {
      {"a file of the same name in the target, answered No", "theirs", "", kRead, plat::kShareRead, target,
       false, 1},
      {"an overlay file that another program holds", kMissing, forms + names[3], plat::kAccessReadWrite,
       plat::kShareNone, target, false, 0},
      {"a target directory that does not exist", kMissing, "", kRead, plat::kShareRead, target + "MISSING",
       false, 0},
      {"a record that cannot be rewritten, its list held by a reader", kMissing, FormListPath(), kRead,
       plat::kShareRead, target, true, 0},
      // The last overlay's name lies outside the table: its file cannot be known, nor taken along.
      {"an overlay name that cannot be read", kMissing, "", kRead, plat::kShareRead, target, false, 0,
       GroupInfoFile({{kEntry, 0}, {kEntry, 1}, {kEntry, 9}},
                     {names[2], names[3], names[4], names[1], names[0]}, -1, 3, 4)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    WriteCatalogue(forms + names.back(), row.groupInfo.empty() ? group : row.groupInfo);
    for (const std::string& name : names) {
      if (name != names.back()) Write(forms + name, Pattern(40, name[7] + name.size()));
      Write(target + name, name == names[3] ? row.theirs : kMissing);
    }
    const std::vector<std::string> before = Where(forms, target, names);
    std::unique_ptr<FileHolder> held(row.held.empty() ? nullptr
                                                      : new FileHolder(row.held, row.access, row.share));
    ASSERT_TRUE(!held || held->Opened());
    MessageBoxWatcher watcher(kIdNo);
    EXPECT_FALSE(zv::MoveGroupFiles(nullptr, kFormId, row.into.c_str(), row.repoint ? Repoint : nullptr,
                                    const_cast<char*>(row.into.c_str())));
    held.reset();
    EXPECT_EQ(watcher.Boxes().size(), row.questions);
    EXPECT_EQ(Where(forms, target, names), before);
  }
  WriteCatalogue(forms + names.back(), group);
  const std::string into = target.substr(0, target.size() - 1);
  EXPECT_TRUE(zv::MoveGroupFiles(nullptr, kFormId, into.c_str(), Repoint, const_cast<char*>(into.c_str())));
  EXPECT_EQ(Read(GroupListPath()), GroupNameListFile({target + names.back()}));
  for (const std::string& name : names) EXPECT_FALSE(FileExists(forms + name)) << name;
  EXPECT_EQ(Read(target + names.back()), group);
}

// A change of directory has a group to move when a group info file exists, even one no reader can use.
TEST_P(FileTransferTest, HasGroupToMoveWhenTheGroupInfoFileExists) {
  const std::string group = GroupInfoFile({{kEntry, 0}}, {"_F301A00.ZLP"});
  std::unique_ptr<FileHolder> held;
  const struct {
    const char* what;
    std::string text, bytes;
    std::function<void()> arrange;
    bool moves;
  } rows[] = {
      {"readable", "_F301.FGP", group, nullptr, true},
      {"damaged", "_F301.FGP", group + "x", nullptr, true},
      {"read-only", "_F301.FGP", group,
       [&] { ASSERT_TRUE(plat::SetAttributesReadOnly(Path("_F301.FGP").c_str())); }, true},
      {"held by a reader", "_F301.FGP", group,
       [&] { held.reset(new FileHolder(Path("_F301.FGP"), plat::kAccessRead, plat::kShareRead)); }, true},
      {"named but missing", "_F301.FGP", kMissing, nullptr, false},
      {"only a save directory", Dir(), kMissing, nullptr, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    WriteFormList(FormListFile({{kFormId, "INVOICE", "Monthly invoice", 1, 0}}, {}));
    WriteGroupList(GroupNameListFile({row.text}));
    plat::SetAttributesNormal(Path("_F301.FGP").c_str());
    Write(Path("_F301.FGP"), row.bytes);
    if (row.arrange) row.arrange();
    EXPECT_EQ(zv::HasGroupToMove(kFormId), row.moves);
    held.reset();
  }
  plat::SetAttributesNormal(Path("_F301.FGP").c_str());
}

TEST_P(FileTransferTest, GroupSizeAndMovesNeedAValidGroup) {
  // The listed files that exist (not an unlisted one) and the group info file.
  const std::string group = GroupInfoFile({{kEntry, 0}, {kEntry, 1}, {kEntry, 2}},
                                          {"_F301A00.ZLP", "_F301A01.ZLP", "_F301A02.ZLP"}, 0);
  WriteCatalogue(Path("_F301.FGP"), group);
  ASSERT_TRUE(WriteWholeFile(Path("_F301A00.ZLP"), Pattern(1000, 3)) &&
              WriteWholeFile(Path("_F301A01.ZLP"), Pattern(7001, 5)) &&
              WriteWholeFile(Path("_F301A03.ZLP"), Pattern(500, 7)));
  EXPECT_EQ(zv::GetGroupSize(kFormId), 1000u + 7001u + group.size());
  EXPECT_EQ(zv::GetGroupSize(kFormId + 1), 0u);  // no such form
  const std::string target = DriveDir('E', "NEW");
  // The free space the group is weighed against is the target drive root's; the path is given back as it was.
  char path[261];
  std::snprintf(path, sizeof path, "%sSUB\\DEEPER", target.c_str());
  const std::string asGiven = path;
  plat::DiskFreeSpace space{};
  ASSERT_TRUE(plat::QueryDiskFreeSpace(asGiven.substr(0, 3).c_str(), &space));
  const uint64_t free = zv::GetFreeDiskBytes(path);
  EXPECT_GT(free, 0u);
  EXPECT_NEAR(double(free), double(space.freeClusters) * space.sectorsPerCluster * space.bytesPerSector,
              256.0 * 1024 * 1024);  // other programs may write meanwhile
  EXPECT_EQ(path, asGiven);
  char unmapped[] = "Q:\\FORMS";
  EXPECT_EQ(zv::GetFreeDiskBytes(unmapped), 0u);
  ASSERT_TRUE(WriteWholeFile(Path("_F301.FGP"), group + "x"));  // one byte too many
  EXPECT_EQ(zv::GetGroupSize(kFormId), 0u);
  EXPECT_FALSE(zv::MoveGroupFiles(nullptr, kFormId, target.c_str()));
  EXPECT_FALSE(zv::MoveGroupFiles(nullptr, kFormId + 1, target.c_str()));
  EXPECT_EQ(Read(Path("_F301A00.ZLP")) + Read(target + "_F301A00.ZLP"), Pattern(1000, 3) + kMissing);
  // Without working memory neither has anything to give, and neither sets a code of its own.
  ASSERT_TRUE(WriteWholeFile(Path("_F301.FGP"), group));
  zv::SetLastErrorCode(kUntouched);
  fault::FailNth(fault::kAlloc, 1);
  EXPECT_EQ(zv::GetGroupSize(kFormId), 0u);
  fault::FailNth(fault::kAlloc, 1);
  EXPECT_FALSE(zv::MoveGroupFiles(nullptr, kFormId, target.c_str()));
  fault::Reset();
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
  EXPECT_EQ(Read(Path("_F301A00.ZLP")) + Read(target + "_F301A00.ZLP"), Pattern(1000, 3) + kMissing);
}

TEST_P(FileTransferTest, RewriteOverlayHeaderSetsLayerAndDescriptionOnly) {
  const std::string path = Path("_F301A00.ZLP");
  const std::string original =
      OverlayDataFile("INVOICE", "A long description of the old invoice",
                      Bytes().U16(1).U8(1).Text(std::string(31, 'Z')).str(), Pattern(600, 19));
  std::string expected = original;
  ASSERT_TRUE(WriteWholeFile(path, original));
  // The old text's tail stays; a description is cut to 255 characters and its terminator.
  for (const auto& [layer, text] : {std::pair{2, std::string("New text")}, {1, std::string(300, 'D')}}) {
    EXPECT_TRUE(zv::RewriteOverlayHeader(path.c_str(), uint8_t(layer), text.c_str()));
    expected.replace(29, std::min<size_t>(text.size(), 255) + 1, text.substr(0, 255) + '\0');
    expected[287] = char(layer);
    EXPECT_EQ(Read(path), expected);
  }
  // Raw data, a file too short for a header and a raw file by its name are left untouched, with 1 since they
  // open; a missing file gives 0.
  for (const auto& [name, bytes] : {std::pair{"_F301A00.ZLP", "\x1D" + Pattern(400, 23)},
                                    {"_F301A00.ZLP", Pattern(318, 29)},
                                    {"_F301A00.ZLC", original},
                                    {"M.ZLP", kMissing}}) {
    Write(Path(name), bytes);
    EXPECT_EQ(zv::RewriteOverlayHeader(Path(name).c_str(), 2, "x"), bytes != kMissing) << name;
    EXPECT_EQ(Read(Path(name)), bytes);
  }
  // A header whose write fails: the file opened, so 1, and it stays as it was.
  Write(path, original);
  fault::FailNth(fault::kWrite, 1);
  EXPECT_TRUE(zv::RewriteOverlayHeader(path.c_str(), 2, "x"));
  fault::Reset();
  EXPECT_EQ(Read(path), original);
}

}  // namespace
