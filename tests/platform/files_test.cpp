// Files through the platform layer; the same expectations hold for the Linux
// emulation and for the real Win32 calls under Wine.
#include <gtest/gtest.h>

#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/other_process.h"
#include "support/sandbox.h"

namespace {

using plat::FileHandle;
using zvtest::FileExists;
using zvtest::WriteWholeFile;

class FilesTest : public zvtest::SandboxTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    SandboxTest::TearDown();
  }
  static FileHandle Open(const std::string& path, plat::Access access = plat::kAccessRead,
                         plat::Disposition disposition = plat::kOpenExisting,
                         plat::Share share = plat::kShareRead) {
    return plat::OpenFile(path.c_str(), access, share, disposition);
  }
  // Whether the file opens as asked (closed again at once).
  static bool Opens(const std::string& path, plat::Access access, plat::Disposition d = plat::kOpenExisting) {
    FileHandle f = Open(path, access, d);
    return f != nullptr && plat::CloseFile(f);
  }
  static std::string Contents(const std::string& path) {
    std::string bytes = "(unreadable)";
    zvtest::ReadWholeFile(path, &bytes);
    return bytes;
  }
};

TEST_F(FilesTest, WritesReadsSeeksAndCutsAFile) {
  const std::string path = Path("data.bin");
  FileHandle f = Open(path, plat::kAccessReadWrite, plat::kCreateNew);
  ASSERT_NE(f, nullptr);
  uint32_t done = 0;
  ASSERT_TRUE(plat::WriteFile(f, "0123456789", 10, &done));
  EXPECT_EQ(done, 10u);
  EXPECT_EQ(plat::GetFileSize(f), 10u);
  EXPECT_EQ(plat::SeekFile(f, 3, plat::kSeekBegin), 3u);
  char buffer[16] = {};
  ASSERT_TRUE(plat::ReadFile(f, buffer, 4, &done));
  EXPECT_EQ(std::string(buffer, done), "3456");
  EXPECT_EQ(plat::SeekFile(f, -2, plat::kSeekCurrent), 5u);
  EXPECT_EQ(plat::SeekFile(f, -1, plat::kSeekEnd), 9u);
  // Reading at the end succeeds with nothing read; a write past it extends.
  EXPECT_EQ(plat::SeekFile(f, 0, plat::kSeekEnd), 10u);
  ASSERT_TRUE(plat::ReadFile(f, buffer, sizeof buffer, &done));
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(plat::SeekFile(f, 12, plat::kSeekBegin), 12u);
  ASSERT_TRUE(plat::WriteFile(f, "AB", 2, &done));
  EXPECT_EQ(plat::GetFileSize(f), 14u);
  EXPECT_EQ(plat::SeekFile(f, 6, plat::kSeekBegin), 6u);
  ASSERT_TRUE(plat::SetEndOfFile(f));
  EXPECT_EQ(plat::GetFileSize(f), 6u);
  ASSERT_TRUE(plat::CloseFile(f));
  EXPECT_EQ(Contents(path), "012345");
}

// Each disposition on a missing file, then on a file of three bytes: whether
// it opens, and the size the file has then.
TEST_F(FilesTest, DispositionsCreateOpenAndTruncateAsAsked) {
  struct Row {
    plat::Disposition disposition;
    bool opensMissing;
    bool opensExisting;
    uint32_t sizeAfter;
  };
  const Row rows[] = {{plat::kOpenExisting, false, true, 3},
                      {plat::kTruncateExisting, false, true, 0},
                      {plat::kCreateNew, true, false, 3},
                      {plat::kOpenAlways, true, true, 3},
                      {plat::kCreateAlways, true, true, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.disposition);
    const std::string path = Path("d" + std::to_string(row.disposition));
    EXPECT_EQ(row.opensMissing, Opens(path, plat::kAccessReadWrite, row.disposition));
    EXPECT_EQ(row.opensMissing, FileExists(path));
    ASSERT_TRUE(WriteWholeFile(path, "abc"));
    FileHandle f = Open(path, plat::kAccessReadWrite, row.disposition);
    EXPECT_EQ(row.opensExisting, f != nullptr);
    if (f != nullptr) plat::CloseFile(f);
    EXPECT_EQ(row.sizeAfter, Contents(path).size());
  }
}

TEST_F(FilesTest, ReadersShareAndWritersExcludeEveryoneInOneProcessAndAcross) {
  const std::string path = Path("shared.dat");
  ASSERT_TRUE(WriteWholeFile(path, "keep me"));
  FileHandle reader = Open(path);
  ASSERT_NE(reader, nullptr);
  EXPECT_TRUE(Opens(path, plat::kAccessRead));
  // A writer cannot join readers, and one that would empty the file fails before emptying it.
  EXPECT_FALSE(Opens(path, plat::kAccessReadWrite));
  EXPECT_FALSE(Opens(path, plat::kAccessReadWrite, plat::kCreateAlways));
  EXPECT_FALSE(plat::DeleteFile(path.c_str()));
  {
    zvtest::FileHolder other(path, plat::kAccessRead, plat::kShareRead);
    EXPECT_TRUE(other.Opened());
    zvtest::FileHolder writer(path, plat::kAccessReadWrite, plat::kShareRead);
    EXPECT_FALSE(writer.Opened());
  }
  plat::CloseFile(reader);
  EXPECT_EQ(Contents(path), "keep me");
  FileHandle writer = Open(path, plat::kAccessReadWrite);
  ASSERT_NE(writer, nullptr);
  EXPECT_FALSE(Opens(path, plat::kAccessRead));
  EXPECT_FALSE(Opens(path, plat::kAccessReadWrite));
  {
    zvtest::FileHolder other(path, plat::kAccessRead, plat::kShareRead);
    EXPECT_FALSE(other.Opened());
  }
  plat::CloseFile(writer);
  {
    zvtest::FileHolder other(path, plat::kAccessReadWrite, plat::kShareRead);
    ASSERT_TRUE(other.Opened());
    EXPECT_FALSE(Opens(path, plat::kAccessRead));
  }
  EXPECT_TRUE(Opens(path, plat::kAccessReadWrite));
  EXPECT_TRUE(plat::DeleteFile(path.c_str()));
}

TEST_F(FilesTest, ReadOnlyFilesStayUntilTheirAttributesAreReset) {
  const std::string path = Path("locked.zlp"), other = Path("other.zlp"), copy = Path("copy.zlp");
  ASSERT_TRUE(WriteWholeFile(path, "data") && WriteWholeFile(other, "other"));
  ASSERT_TRUE(plat::SetAttributesReadOnly(path.c_str()));
  EXPECT_TRUE(Opens(path, plat::kAccessRead));
  EXPECT_FALSE(plat::DeleteFile(path.c_str()));
  // A copy is read-only like its source.
  ASSERT_TRUE(plat::CopyFile(path.c_str(), copy.c_str(), true));
  EXPECT_EQ(Contents(copy), "data");
  EXPECT_FALSE(plat::DeleteFile(copy.c_str()));
  if (zvtest::WriteProtectionIsEnforced(Dir())) {  // not so for Wine run by root
    EXPECT_FALSE(Opens(path, plat::kAccessReadWrite));
    EXPECT_FALSE(Opens(path, plat::kAccessReadWrite, plat::kCreateAlways));
    EXPECT_FALSE(plat::MoveFileReplace(other.c_str(), path.c_str()));
    EXPECT_FALSE(plat::CopyFile(other.c_str(), path.c_str(), false));
    EXPECT_EQ(Contents(path), "data");
    EXPECT_TRUE(FileExists(other));
  }
  ASSERT_TRUE(plat::SetAttributesNormal(path.c_str()) && plat::SetAttributesNormal(copy.c_str()));
  EXPECT_TRUE(Opens(path, plat::kAccessReadWrite));
  EXPECT_TRUE(plat::DeleteFile(path.c_str()) && plat::DeleteFile(copy.c_str()));
  EXPECT_FALSE(FileExists(path));
  EXPECT_FALSE(plat::DeleteFile(path.c_str()));
  EXPECT_FALSE(plat::SetAttributesNormal(path.c_str()));
}

TEST_F(FilesTest, MoveReplacesTheTargetAndCopyKeepsTheSource) {
  const std::string a = Path("a.zlp"), b = Path("b.zlp"), c = Path("c.zlp");
  ASSERT_TRUE(WriteWholeFile(a, "from a") && WriteWholeFile(b, "old b, longer"));
  ASSERT_TRUE(plat::MoveFileReplace(a.c_str(), b.c_str()));
  EXPECT_FALSE(FileExists(a));
  EXPECT_EQ(Contents(b), "from a");
  EXPECT_FALSE(plat::MoveFileReplace(a.c_str(), c.c_str()));
  ASSERT_TRUE(plat::CopyFile(b.c_str(), c.c_str(), true));
  EXPECT_EQ(Contents(b) + Contents(c), "from afrom a");
  ASSERT_TRUE(WriteWholeFile(b, "new b"));
  EXPECT_FALSE(plat::CopyFile(b.c_str(), c.c_str(), true));  // fails if it exists
  EXPECT_EQ(Contents(c), "from a");
  ASSERT_TRUE(plat::CopyFile(b.c_str(), c.c_str(), false));
  EXPECT_EQ(Contents(c), "new b");
}

TEST_F(FilesTest, NamesAreFoundWithoutRegardToCaseAndSameFileKnowsOneFile) {
  ASSERT_TRUE(plat::CreateDirectory(Path("Forms").c_str()));
  const std::string file = Path("Forms\\Invoice.Zlp"), twin = Path("Forms\\Twin.zlp");
  ASSERT_TRUE(WriteWholeFile(file, "inv") && WriteWholeFile(twin, "inv"));
  const std::pair<const char*, bool> finds[] = {
      {"FORMS\\INVOICE.ZLP", true},    {"forms", true},        {"forms\\missing.zlp", false},
      {"missing\\invoice.zlp", false}, {"FORMS\\*.zlp", true}, {"FORMS\\INV?ICE.ZLP", true},
      {"FORMS\\*.zlc", false}};
  for (const auto& f : finds) EXPECT_EQ(f.second, plat::FindFirstEntry(Path(f.first).c_str())) << f.first;
  EXPECT_TRUE(Opens(Path("forms\\invoice.zlp"), plat::kAccessRead));
  EXPECT_FALSE(Opens(Path("forms"), plat::kAccessRead));  // a directory is no file
  // A writer sharing nothing does not hide the file's identity.
  FileHandle writer = Open(file, plat::kAccessReadWrite, plat::kOpenExisting, plat::kShareNone);
  ASSERT_NE(writer, nullptr);
  const std::pair<std::string, bool> same[] = {{file, true},
                                               {Path("FORMS\\invoice.ZLP"), true},
                                               {Path("Forms\\..\\Forms\\.\\Invoice.Zlp"), true},
                                               {twin, false},
                                               {Path("Forms\\None.zlp"), false}};
  for (const auto& s : same) EXPECT_EQ(s.second, plat::SameFile(file.c_str(), s.first.c_str())) << s.first;
  plat::CloseFile(writer);
  EXPECT_TRUE(plat::SameFile(Path("Forms").c_str(), Path("FORMS\\").c_str()));
  EXPECT_FALSE(plat::SameFile(Path("Forms\\None.zlp").c_str(), Path("Forms\\None.zlp").c_str()));
}

TEST_F(FilesTest, DrivesReportTheirTypeAndFreeSpace) {
  const std::string drive = Dir().substr(0, 3);
  EXPECT_EQ(plat::GetDriveType(drive.c_str()), plat::kDriveFixed);
  plat::DiskFreeSpace space{};
  ASSERT_TRUE(plat::GetDiskFreeSpace(drive.c_str(), &space));
  EXPECT_GT(space.bytesPerSector * space.sectorsPerCluster * space.freeClusters, 0u);
  EXPECT_GE(space.totalClusters, space.freeClusters);
  EXPECT_EQ(plat::GetDriveType("Q:\\"), plat::kDriveNoRootDir);  // mapped in neither build
  EXPECT_FALSE(plat::GetDiskFreeSpace("Q:\\", &space));
}

TEST_F(FilesTest, FaultSwitchesFailTheNthCallOnly) {
  const std::string path = Path("faults.dat");
  plat::fault::FailNth(plat::fault::kOpen, 2);
  EXPECT_TRUE(Opens(path, plat::kAccessReadWrite, plat::kCreateNew));
  EXPECT_FALSE(Opens(path, plat::kAccessReadWrite));
  FileHandle f = Open(path, plat::kAccessReadWrite);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kOpen), 3u);
  plat::fault::FailNth(plat::fault::kWrite, 1);
  EXPECT_FALSE(plat::WriteFile(f, "abc", 3, nullptr));
  EXPECT_TRUE(plat::WriteFile(f, "abc", 3, nullptr));
  plat::fault::FailNth(plat::fault::kRead, 1);
  char buffer[4];
  plat::SeekFile(f, 0, plat::kSeekBegin);
  EXPECT_FALSE(plat::ReadFile(f, buffer, 3, nullptr));
  plat::fault::FailNth(plat::fault::kSetEnd, 1);
  EXPECT_FALSE(plat::SetEndOfFile(f));
  EXPECT_EQ(plat::GetFileSize(f), 3u);
  plat::CloseFile(f);
}

}  // namespace
