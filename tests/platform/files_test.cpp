// Files through the platform layer: the same expectations hold for the Linux
// emulation and for the real Win32 calls under Wine.
#include <gtest/gtest.h>

#include <string>

#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/other_process.h"
#include "support/sandbox.h"

namespace {

using plat::FileHandle;
using zvtest::ReadWholeFile;
using zvtest::WriteWholeFile;

class FilesTest : public zvtest::SandboxTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    SandboxTest::TearDown();
  }

  FileHandle OpenReader(const std::string& path) {
    return plat::OpenFile(path.c_str(), plat::kAccessRead, plat::kShareRead, plat::kOpenExisting);
  }
  FileHandle OpenWriter(const std::string& path) {
    return plat::OpenFile(path.c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kOpenExisting);
  }
  std::string Contents(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, &bytes)) << path;
    return bytes;
  }
};

TEST_F(FilesTest, WritesReadsSeeksAndCutsAFile) {
  const std::string path = Path("data.bin");
  FileHandle f = plat::OpenFile(path.c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kCreateNew);
  ASSERT_NE(f, nullptr);
  uint32_t done = 0;
  ASSERT_TRUE(plat::WriteFile(f, "0123456789", 10, &done));
  EXPECT_EQ(done, 10u);
  EXPECT_EQ(plat::GetFileSize(f), 10u);

  EXPECT_EQ(plat::SeekFile(f, 3, plat::kSeekBegin), 3u);
  char buffer[16] = {};
  ASSERT_TRUE(plat::ReadFile(f, buffer, 4, &done));
  EXPECT_EQ(done, 4u);
  EXPECT_EQ(std::string(buffer, 4), "3456");
  EXPECT_EQ(plat::SeekFile(f, -2, plat::kSeekCurrent), 5u);
  EXPECT_EQ(plat::SeekFile(f, -1, plat::kSeekEnd), 9u);

  // Reading at the end succeeds with nothing read.
  EXPECT_EQ(plat::SeekFile(f, 0, plat::kSeekEnd), 10u);
  ASSERT_TRUE(plat::ReadFile(f, buffer, sizeof buffer, &done));
  EXPECT_EQ(done, 0u);

  // A write past the end and a cut.
  EXPECT_EQ(plat::SeekFile(f, 12, plat::kSeekBegin), 12u);
  ASSERT_TRUE(plat::WriteFile(f, "AB", 2, &done));
  EXPECT_EQ(plat::GetFileSize(f), 14u);
  EXPECT_EQ(plat::SeekFile(f, 6, plat::kSeekBegin), 6u);
  ASSERT_TRUE(plat::SetEndOfFile(f));
  EXPECT_EQ(plat::GetFileSize(f), 6u);
  ASSERT_TRUE(plat::CloseFile(f));
  EXPECT_EQ(Contents(path), "012345");
}

TEST_F(FilesTest, DispositionsCreateOpenAndTruncateAsAsked) {
  const std::string path = Path("disposition.txt");
  const char* p = path.c_str();
  EXPECT_EQ(plat::OpenFile(p, plat::kAccessRead, plat::kShareRead, plat::kOpenExisting), nullptr);
  EXPECT_EQ(plat::OpenFile(p, plat::kAccessReadWrite, plat::kShareRead, plat::kTruncateExisting), nullptr);
  EXPECT_FALSE(zvtest::FileExists(path));

  FileHandle f = plat::OpenFile(p, plat::kAccessReadWrite, plat::kShareRead, plat::kOpenAlways);
  ASSERT_NE(f, nullptr);
  ASSERT_TRUE(plat::WriteFile(f, "abc", 3, nullptr));
  plat::CloseFile(f);

  EXPECT_EQ(plat::OpenFile(p, plat::kAccessReadWrite, plat::kShareRead, plat::kCreateNew), nullptr);
  f = plat::OpenFile(p, plat::kAccessReadWrite, plat::kShareRead, plat::kOpenAlways);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(plat::GetFileSize(f), 3u);  // kept
  plat::CloseFile(f);

  f = plat::OpenFile(p, plat::kAccessReadWrite, plat::kShareRead, plat::kCreateAlways);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(plat::GetFileSize(f), 0u);  // emptied
  ASSERT_TRUE(plat::WriteFile(f, "xy", 2, nullptr));
  plat::CloseFile(f);

  f = plat::OpenFile(p, plat::kAccessReadWrite, plat::kShareRead, plat::kTruncateExisting);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(plat::GetFileSize(f), 0u);
  plat::CloseFile(f);
}

TEST_F(FilesTest, ReadersShareAndWritersExcludeEveryoneInOneProcess) {
  const std::string path = Path("shared.dat");
  ASSERT_TRUE(WriteWholeFile(path, "keep me"));

  FileHandle reader1 = OpenReader(path);
  FileHandle reader2 = OpenReader(path);
  ASSERT_NE(reader1, nullptr);
  EXPECT_NE(reader2, nullptr);
  // A writer that lets others read still cannot join readers...
  EXPECT_EQ(OpenWriter(path), nullptr);
  // ...and one that would empty the file fails before emptying it.
  EXPECT_EQ(plat::OpenFile(path.c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kCreateAlways),
            nullptr);
  plat::CloseFile(reader1);
  plat::CloseFile(reader2);
  EXPECT_EQ(Contents(path), "keep me");

  FileHandle writer = OpenWriter(path);
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(OpenReader(path), nullptr);
  EXPECT_EQ(OpenWriter(path), nullptr);
  plat::CloseFile(writer);

  // Once the writer is gone, everyone may open again.
  writer = OpenWriter(path);
  EXPECT_NE(writer, nullptr);
  plat::CloseFile(writer);
}

TEST_F(FilesTest, ShareModesHoldAcrossProcesses) {
  const std::string path = Path("across.dat");
  ASSERT_TRUE(WriteWholeFile(path, "0123"));
  {
    zvtest::FileHolder otherReader(path, plat::kAccessRead, plat::kShareRead);
    ASSERT_TRUE(otherReader.Opened());
    FileHandle reader = OpenReader(path);
    EXPECT_NE(reader, nullptr);
    plat::CloseFile(reader);
    EXPECT_EQ(OpenWriter(path), nullptr);
    EXPECT_FALSE(plat::DeleteFile(path.c_str()));
  }
  {
    zvtest::FileHolder otherWriter(path, plat::kAccessReadWrite, plat::kShareRead);
    ASSERT_TRUE(otherWriter.Opened());
    EXPECT_EQ(OpenReader(path), nullptr);
    EXPECT_EQ(OpenWriter(path), nullptr);
  }
  FileHandle writer = OpenWriter(path);
  ASSERT_NE(writer, nullptr);
  {
    zvtest::FileHolder secondWriter(path, plat::kAccessReadWrite, plat::kShareRead);
    EXPECT_FALSE(secondWriter.Opened());
    zvtest::FileHolder secondReader(path, plat::kAccessRead, plat::kShareRead);
    EXPECT_FALSE(secondReader.Opened());
  }
  plat::CloseFile(writer);
}

TEST_F(FilesTest, ReadOnlyFilesAreNotDeletedUntilTheirAttributesAreReset) {
  const std::string path = Path("locked.zlp");
  ASSERT_TRUE(WriteWholeFile(path, "data"));
  ASSERT_TRUE(plat::SetAttributesReadOnly(path.c_str()));

  FileHandle reader = OpenReader(path);
  EXPECT_NE(reader, nullptr);
  plat::CloseFile(reader);
  EXPECT_FALSE(plat::DeleteFile(path.c_str()));
  EXPECT_TRUE(zvtest::FileExists(path));

  ASSERT_TRUE(plat::SetAttributesNormal(path.c_str()));
  EXPECT_TRUE(plat::DeleteFile(path.c_str()));
  EXPECT_FALSE(zvtest::FileExists(path));
  EXPECT_FALSE(plat::DeleteFile(path.c_str()));
  EXPECT_FALSE(plat::SetAttributesNormal(path.c_str()));
}

TEST_F(FilesTest, ReadOnlyFilesRefuseWritersAndReplacement) {
  if (!zvtest::WriteProtectionIsEnforced(Dir())) {
    GTEST_SKIP() << "Wine run by root opens read-only files for writing and replaces them; "
                    "Windows refuses both, as the native build does";
  }
  const std::string path = Path("locked.zlp");
  const std::string other = Path("other.zlp");
  ASSERT_TRUE(WriteWholeFile(path, "data"));
  ASSERT_TRUE(WriteWholeFile(other, "other"));
  ASSERT_TRUE(plat::SetAttributesReadOnly(path.c_str()));

  EXPECT_EQ(OpenWriter(path), nullptr);
  EXPECT_EQ(plat::OpenFile(path.c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kCreateAlways),
            nullptr);
  EXPECT_FALSE(plat::MoveFileReplace(other.c_str(), path.c_str()));
  EXPECT_FALSE(plat::CopyFile(other.c_str(), path.c_str(), false));
  EXPECT_EQ(Contents(path), "data");
  EXPECT_TRUE(zvtest::FileExists(other));

  ASSERT_TRUE(plat::SetAttributesNormal(path.c_str()));
  FileHandle writer = OpenWriter(path);
  EXPECT_NE(writer, nullptr);
  plat::CloseFile(writer);
}

TEST_F(FilesTest, DeleteFailsWhileTheFileIsOpen) {
  const std::string path = Path("open.dat");
  ASSERT_TRUE(WriteWholeFile(path, "x"));
  FileHandle reader = OpenReader(path);
  ASSERT_NE(reader, nullptr);
  EXPECT_FALSE(plat::DeleteFile(path.c_str()));
  plat::CloseFile(reader);
  EXPECT_TRUE(plat::DeleteFile(path.c_str()));
}

TEST_F(FilesTest, MoveReplacesTheTargetAndCopyKeepsTheSource) {
  const std::string a = Path("a.zlp");
  const std::string b = Path("b.zlp");
  const std::string c = Path("c.zlp");
  ASSERT_TRUE(WriteWholeFile(a, "from a"));
  ASSERT_TRUE(WriteWholeFile(b, "old b, longer"));

  ASSERT_TRUE(plat::MoveFileReplace(a.c_str(), b.c_str()));
  EXPECT_FALSE(zvtest::FileExists(a));
  EXPECT_EQ(Contents(b), "from a");
  EXPECT_FALSE(plat::MoveFileReplace(a.c_str(), c.c_str()));  // source gone

  ASSERT_TRUE(plat::CopyFile(b.c_str(), c.c_str(), true));
  EXPECT_EQ(Contents(b), "from a");
  EXPECT_EQ(Contents(c), "from a");
  ASSERT_TRUE(WriteWholeFile(b, "new b"));
  EXPECT_FALSE(plat::CopyFile(b.c_str(), c.c_str(), true));
  EXPECT_EQ(Contents(c), "from a");
  ASSERT_TRUE(plat::CopyFile(b.c_str(), c.c_str(), false));
  EXPECT_EQ(Contents(c), "new b");
}

TEST_F(FilesTest, CopyCarriesTheReadOnlyAttributeAlong) {
  const std::string a = Path("ro.ini");
  const std::string b = Path("copy.ini");
  ASSERT_TRUE(WriteWholeFile(a, "[X]\r\n"));
  ASSERT_TRUE(plat::SetAttributesReadOnly(a.c_str()));
  ASSERT_TRUE(plat::CopyFile(a.c_str(), b.c_str(), true));
  EXPECT_EQ(Contents(b), "[X]\r\n");
  EXPECT_FALSE(plat::DeleteFile(b.c_str()));  // read-only, like its source
  EXPECT_TRUE(plat::SetAttributesNormal(b.c_str()));
  EXPECT_TRUE(plat::DeleteFile(b.c_str()));
  plat::SetAttributesNormal(a.c_str());
}

TEST_F(FilesTest, NamesAreFoundWithoutRegardToCase) {
  ASSERT_TRUE(plat::CreateDirectory(Path("Forms").c_str()));
  ASSERT_TRUE(WriteWholeFile(Path("Forms\\Invoice.Zlp"), "inv"));
  EXPECT_TRUE(plat::FindFirstEntry(Path("FORMS\\INVOICE.ZLP").c_str()));
  EXPECT_TRUE(plat::FindFirstEntry(Path("forms").c_str()));  // a directory counts
  FileHandle f = OpenReader(Path("forms\\invoice.zlp"));
  ASSERT_NE(f, nullptr);
  plat::CloseFile(f);
  EXPECT_FALSE(plat::FindFirstEntry(Path("forms\\missing.zlp").c_str()));
  EXPECT_FALSE(plat::FindFirstEntry(Path("missing\\invoice.zlp").c_str()));
  // Wildcards match within the last component.
  EXPECT_TRUE(plat::FindFirstEntry(Path("FORMS\\*.zlp").c_str()));
  EXPECT_TRUE(plat::FindFirstEntry(Path("FORMS\\INV?ICE.ZLP").c_str()));
  EXPECT_FALSE(plat::FindFirstEntry(Path("FORMS\\*.zlc").c_str()));
  // A directory cannot be opened as a file.
  EXPECT_EQ(OpenReader(Path("forms")), nullptr);
}

TEST_F(FilesTest, SameFileKnowsOneFileByAnySpellingAndTwoFilesApart) {
  ASSERT_TRUE(plat::CreateDirectory(Path("Forms").c_str()));
  const std::string file = Path("Forms\\_F301A00.ZLP");
  ASSERT_TRUE(WriteWholeFile(file, "same bytes"));
  ASSERT_TRUE(WriteWholeFile(Path("Forms\\_F301A01.ZLP"), "same bytes"));
  EXPECT_TRUE(plat::SameFile(file.c_str(), file.c_str()));
  EXPECT_TRUE(plat::SameFile(file.c_str(), Path("FORMS\\_f301a00.zlp").c_str()));
  EXPECT_TRUE(plat::SameFile(file.c_str(), Path("Forms\\..\\Forms\\.\\_F301A00.ZLP").c_str()));
  EXPECT_TRUE(plat::SameFile(Path("Forms").c_str(), Path("FORMS\\").c_str()));
  // Equal contents do not make two files one; a missing name is no file.
  EXPECT_FALSE(plat::SameFile(file.c_str(), Path("Forms\\_F301A01.ZLP").c_str()));
  EXPECT_FALSE(plat::SameFile(file.c_str(), Path("Forms\\_F301A02.ZLP").c_str()));
  EXPECT_FALSE(plat::SameFile(Path("Forms\\_F301A02.ZLP").c_str(), Path("Forms\\_F301A02.ZLP").c_str()));
  // A writer that shares nothing does not hide the file's identity.
  FileHandle writer =
      plat::OpenFile(file.c_str(), plat::kAccessReadWrite, plat::kShareNone, plat::kOpenExisting);
  ASSERT_NE(writer, nullptr);
  EXPECT_TRUE(plat::SameFile(file.c_str(), Path("forms\\_F301A00.ZLP").c_str()));
  plat::CloseFile(writer);
}

TEST_F(FilesTest, DrivesReportTheirTypeAndFreeSpace) {
  const std::string drive = Dir().substr(0, 3);  // the scratch directory's drive root
  EXPECT_EQ(plat::GetDriveType(drive.c_str()), plat::kDriveFixed);
  plat::DiskFreeSpace space{};
  ASSERT_TRUE(plat::GetDiskFreeSpace(drive.c_str(), &space));
  EXPECT_GT(space.bytesPerSector, 0u);
  EXPECT_GT(space.sectorsPerCluster, 0u);
  EXPECT_GT(space.freeClusters, 0u);
  EXPECT_GE(space.totalClusters, space.freeClusters);
  // No drive is mapped to Q: in either build.
  EXPECT_EQ(plat::GetDriveType("Q:\\"), plat::kDriveNoRootDir);
  EXPECT_FALSE(plat::GetDiskFreeSpace("Q:\\", &space));
}

TEST_F(FilesTest, FaultSwitchesFailTheNthCallOnly) {
  const std::string path = Path("faults.dat");
  plat::fault::FailNth(plat::fault::kOpen, 2);
  FileHandle first = plat::OpenFile(path.c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kCreateNew);
  ASSERT_NE(first, nullptr);
  plat::CloseFile(first);
  EXPECT_EQ(OpenWriter(path), nullptr);
  FileHandle third = OpenWriter(path);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kOpen), 3u);

  plat::fault::FailNth(plat::fault::kWrite, 1);
  EXPECT_FALSE(plat::WriteFile(third, "abc", 3, nullptr));
  EXPECT_TRUE(plat::WriteFile(third, "abc", 3, nullptr));
  plat::fault::FailNth(plat::fault::kRead, 1);
  char buffer[4];
  plat::SeekFile(third, 0, plat::kSeekBegin);
  EXPECT_FALSE(plat::ReadFile(third, buffer, 3, nullptr));
  plat::fault::FailNth(plat::fault::kSetEnd, 1);
  EXPECT_FALSE(plat::SetEndOfFile(third));
  EXPECT_EQ(plat::GetFileSize(third), 3u);
  plat::CloseFile(third);
}

}  // namespace
