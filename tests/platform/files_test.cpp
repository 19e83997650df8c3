// Files through the platform layer: the Linux emulation, the one in memory and Win32 under Wine alike.
#include <gtest/gtest.h>

#include <memory>

#include "platform/platform.h"
#ifdef ZV_PLATFORM_MEMORY
#include "platform/memory/memory_config.h"
#endif
#include "support/other_process.h"
#include "support/sandbox.h"

namespace {

using plat::FileHandle;
using zvtest::FileBytes;
using zvtest::WriteWholeFile;
const plat::Access r = plat::kAccessRead, w = plat::kAccessReadWrite;

class FilesTest : public zvtest::SandboxTest {
 protected:
  static FileHandle Open(const std::string& path, plat::Access access = r,
                         plat::Disposition disposition = plat::kOpenExisting,
                         plat::Share share = plat::kShareRead) {
    return plat::OpenFile(path.c_str(), access, share, disposition);
  }
  // Whether the file opens as asked (closed again at once).
  static bool Opens(const std::string& path, plat::Access access, plat::Disposition d = plat::kOpenExisting) {
    FileHandle f = Open(path, access, d);
    return f != nullptr && plat::CloseFile(f);
  }
};

// Reading at the end reads nothing; a write past it extends. Each disposition on a missing file,
// then on one of three bytes: whether it opens, and the size the file has then.
TEST_F(FilesTest, WritesReadsSeeksCutsAndDispositions) {
  FileHandle f = Open(Path("data.bin"), w, plat::kCreateNew);
  ASSERT_NE(f, nullptr);
  uint32_t done = 0;
  char buffer[16] = {};
  ASSERT_TRUE(plat::WriteFile(f, "0123456789", 10, &done));
  EXPECT_EQ(done + plat::GetFileSize(f), 20u);
  EXPECT_EQ(plat::SeekFile(f, 3, plat::kSeekBegin), 3u);
  ASSERT_TRUE(plat::ReadFile(f, buffer, 4, &done));
  EXPECT_EQ(std::string(buffer, done), "3456");
  EXPECT_EQ(plat::SeekFile(f, -2, plat::kSeekCurrent) + plat::SeekFile(f, -1, plat::kSeekEnd), 5u + 9u);
  EXPECT_EQ(plat::SeekFile(f, 0, plat::kSeekEnd), 10u);
  ASSERT_TRUE(plat::ReadFile(f, buffer, sizeof buffer, &done));
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(plat::SeekFile(f, 12, plat::kSeekBegin), 12u);
  ASSERT_TRUE(plat::WriteFile(f, "AB", 2, &done));
  EXPECT_EQ(plat::GetFileSize(f), 14u);
  EXPECT_EQ(plat::SeekFile(f, 6, plat::kSeekBegin), 6u);
  ASSERT_TRUE(plat::SetEndOfFile(f) && plat::CloseFile(f));
  EXPECT_EQ(FileBytes(Path("data.bin")), "012345");
  struct Row {
    plat::Disposition disposition;
    bool opensMissing, opensExisting;
    uint32_t sizeAfter;
  };
  for (const Row& row : {Row{plat::kOpenExisting, false, true, 3},
                         Row{plat::kTruncateExisting, false, true, 0}, Row{plat::kCreateNew, true, false, 3},
                         Row{plat::kOpenAlways, true, true, 3}, Row{plat::kCreateAlways, true, true, 0}}) {
    const std::string path = Path("d" + std::to_string(row.disposition));
    EXPECT_EQ(row.opensMissing, Opens(path, w, row.disposition)) << row.disposition;
    EXPECT_EQ(row.opensMissing, zvtest::FileExists(path)) << row.disposition;
    ASSERT_TRUE(WriteWholeFile(path, "abc"));
    EXPECT_EQ(row.opensExisting, Opens(path, w, row.disposition)) << row.disposition;
    EXPECT_EQ(row.sizeAfter, FileBytes(path).size()) << row.disposition;
  }
}

// Readers share with readers; a writer with nobody, in this process or another, and one that would
// empty the file fails before emptying it. A file held open is not deleted.
TEST_F(FilesTest, ReadersShareAndWritersExcludeEveryoneInOneProcessAndAcross) {
  const std::string path = Path("shared.dat");
  ASSERT_TRUE(WriteWholeFile(path, "keep me"));
  struct Row {
    plat::Access held;
    bool heldByOther;
    plat::Access asked;
    plat::Disposition disposition;
    bool askedByOther, opens;
  };
  const plat::Disposition open = plat::kOpenExisting;
  for (const Row& row :
       {Row{r, false, r, open, false, true}, Row{r, false, w, open, false, false},
        Row{r, false, w, plat::kCreateAlways, false, false}, Row{r, false, r, open, true, true},
        Row{r, false, w, open, true, false}, Row{w, false, r, open, false, false},
        Row{w, false, w, open, false, false}, Row{w, false, r, open, true, false},
        Row{w, true, r, open, false, false}, Row{r, true, w, open, false, false}}) {
    SCOPED_TRACE(std::to_string(row.held) + std::to_string(row.heldByOther) + std::to_string(row.asked) +
                 std::to_string(row.disposition) + std::to_string(row.askedByOther));
    FileHandle mine = row.heldByOther ? nullptr : Open(path, row.held);
    std::unique_ptr<zvtest::FileHolder> other(
        row.heldByOther ? new zvtest::FileHolder(path, row.held, plat::kShareRead) : nullptr);
    ASSERT_TRUE(mine != nullptr || other->Opened());
    EXPECT_EQ(row.opens, row.askedByOther ? zvtest::FileHolder(path, row.asked, plat::kShareRead).Opened()
                                          : Opens(path, row.asked, row.disposition));
    EXPECT_FALSE(mine && plat::EraseFile(path.c_str()));
    if (mine) plat::CloseFile(mine);
    other.reset();
    EXPECT_EQ(FileBytes(path), "keep me");
  }
  EXPECT_TRUE(plat::EraseFile(path.c_str()));
}

// A read-only file (and its copy) stays until reset; move replaces its target, copy may refuse one.
TEST_F(FilesTest, ReadOnlyFilesStayAndMoveAndCopyReplaceAsAsked) {
  const std::string path = Path("locked.zlp"), other = Path("other.zlp"), copy = Path("copy.zlp");
  ASSERT_TRUE(WriteWholeFile(path, "data") && WriteWholeFile(other, "other"));
  ASSERT_TRUE(plat::SetAttributesReadOnly(path.c_str()) && Opens(path, r));
  ASSERT_TRUE(plat::CopyFileTo(path.c_str(), copy.c_str(), true));
  EXPECT_FALSE(plat::EraseFile(path.c_str()) || plat::EraseFile(copy.c_str()));
  if (zvtest::WriteProtectionIsEnforced(Dir())) {  // not so for Wine run by root
    EXPECT_FALSE(Opens(path, w) || Opens(path, w, plat::kCreateAlways));
    EXPECT_FALSE(plat::MoveFileReplace(other.c_str(), path.c_str()) ||
                 plat::CopyFileTo(other.c_str(), path.c_str(), false));
  }
  EXPECT_EQ(FileBytes(path) + FileBytes(copy) + FileBytes(other), "datadataother");
  ASSERT_TRUE(plat::SetAttributesNormal(path.c_str()) && plat::SetAttributesNormal(copy.c_str()));
  EXPECT_TRUE(Opens(path, w) && plat::EraseFile(path.c_str()));
  EXPECT_FALSE(plat::EraseFile(path.c_str()) || plat::SetAttributesNormal(path.c_str()));
  ASSERT_TRUE(plat::MoveFileReplace(other.c_str(), copy.c_str()));
  EXPECT_EQ(FileBytes(copy) + FileBytes(other), "other" + zvtest::kMissing);
  EXPECT_FALSE(plat::MoveFileReplace(other.c_str(), path.c_str()));
  ASSERT_TRUE(plat::CopyFileTo(copy.c_str(), path.c_str(), true) && WriteWholeFile(copy, "new"));
  EXPECT_FALSE(plat::CopyFileTo(copy.c_str(), path.c_str(), true));
  EXPECT_EQ(FileBytes(path), "other");
  ASSERT_TRUE(plat::CopyFileTo(copy.c_str(), path.c_str(), false));
  EXPECT_EQ(FileBytes(path) + FileBytes(copy), "newnew");
}

// Names and patterns found in any case; one file known by every spelling, even while a writer
// shares nothing; this drive fixed with room, Q: mapped in neither build.
TEST_F(FilesTest, NamesAreFoundWithoutRegardToCaseAndSameFileKnowsOneFile) {
  ASSERT_TRUE(plat::MakeDirectory(Path("Forms").c_str()));
  const std::string file = Path("Forms\\Invoice.Zlp"), twin = Path("Forms\\Twin.zlp"),
                    none = Path("Forms\\No.zlp");
  ASSERT_TRUE(WriteWholeFile(file, "inv") && WriteWholeFile(twin, "inv"));
  for (const auto& f : {std::make_pair("FORMS\\INVOICE.ZLP", true),
                        {"forms", true},
                        {"forms\\missing.zlp", false},
                        {"missing\\invoice.zlp", false},
                        {"FORMS\\*.zlp", true},
                        {"FORMS\\INV?ICE.ZLP", true},
                        {"FORMS\\*.zlc", false}})
    EXPECT_EQ(f.second, plat::FindFirstEntry(Path(f.first).c_str())) << f.first;
  EXPECT_TRUE(Opens(Path("forms\\invoice.zlp"), r));
  EXPECT_FALSE(Opens(Path("forms"), r));  // a directory is no file
  FileHandle writer = Open(file, w, plat::kOpenExisting, plat::kShareNone);
  ASSERT_NE(writer, nullptr);
  for (const auto& s : {std::make_pair(file, true),
                        {Path("FORMS\\invoice.ZLP"), true},
                        {Path("Forms\\..\\Forms\\.\\Invoice.Zlp"), true},
                        {twin, false},
                        {none, false}})
    EXPECT_EQ(s.second, plat::SameFile(file.c_str(), s.first.c_str())) << s.first;
  plat::CloseFile(writer);
  EXPECT_TRUE(plat::SameFile(Path("Forms").c_str(), Path("FORMS\\").c_str()));
  EXPECT_FALSE(plat::SameFile(none.c_str(), none.c_str()));
  const std::string drive = Dir().substr(0, 3);
  plat::DiskFreeSpace space{};
  EXPECT_EQ(plat::QueryDriveType(drive.c_str()), plat::kDriveFixed);
  ASSERT_TRUE(plat::QueryDiskFreeSpace(drive.c_str(), &space));
  EXPECT_GT(space.bytesPerSector * space.sectorsPerCluster * space.freeClusters, 0u);
  EXPECT_GE(space.totalClusters, space.freeClusters);
  EXPECT_EQ(plat::QueryDriveType("Q:\\"), plat::kDriveNoRootDir);
  EXPECT_FALSE(plat::QueryDiskFreeSpace("Q:\\", &space));
}

#ifdef ZV_PLATFORM_MEMORY
// A drive of 4096 bytes fills up: a write takes what fits and fails there, a set end that grows beyond
// it changes nothing (one that fits adds zeros), a copy gets what fits (and is removed again); the free space
// follows the bytes of the drive's files, and a file put beyond the capacity leaves none.
TEST_F(FilesTest, AFullDiskRefusesWhatDoesNotFitInMemory) {
  ASSERT_TRUE(plat::memory::SetDrive('F', true) && plat::memory::SetDiskCapacity('F', 4096));
  FileHandle f = Open("F:\\DATA", w, plat::kCreateNew);
  ASSERT_NE(f, nullptr);
  const std::string bytes(5000, 'x');
  struct Row {
    char action;  // 'w' writes count bytes at, 'e' sets the end at, 'c' copies DATA to COPY, 'p' puts BIG
    uint32_t at, count;
    bool ok;
    uint32_t done, size, freeClusters;  // the bytes written; DATA's size and F:'s 512-byte clusters after
  };
  for (const Row& row : {Row{'w', 0, 3000, true, 3000, 3000, 2}, Row{'e', 4097, 0, false, 0, 3000, 2},
                         Row{'e', 4096, 0, true, 0, 4096, 0}, Row{'e', 1024, 0, true, 0, 1024, 6},
                         Row{'w', 1024, 4000, false, 3072, 4096, 0}, Row{'w', 100, 10, true, 10, 4096, 0},
                         Row{'w', 5000, 1, false, 0, 4096, 0}, Row{'e', 2500, 0, true, 0, 2500, 3},
                         Row{'c', 0, 0, false, 0, 2500, 3}, Row{'e', 0, 0, true, 0, 0, 8},
                         Row{'p', 0, 5000, true, 0, 0, 0}, Row{'e', 1, 0, false, 0, 0, 0}}) {
    SCOPED_TRACE(std::string(1, row.action) + std::to_string(row.at) + "," + std::to_string(row.count));
    uint32_t done = 99;
    bool ok = false;
    if (row.action == 'w') {
      ok = plat::SeekFile(f, static_cast<int32_t>(row.at), plat::kSeekBegin) == row.at &&
           plat::WriteFile(f, bytes.data(), row.count, &done);
      EXPECT_EQ(row.done, done);
    } else if (row.action == 'e') {
      const uint32_t before = plat::GetFileSize(f);
      ok = plat::SeekFile(f, static_cast<int32_t>(row.at), plat::kSeekBegin) == row.at &&
           plat::SetEndOfFile(f);
      if (ok && row.at > before) {
        EXPECT_EQ(FileBytes("F:\\DATA").substr(before), std::string(row.at - before, '\0'));
      }
    } else if (row.action == 'p') {
      ok = zvtest::WriteWholeFile("F:\\BIG", std::string(row.count, 'b'));
    } else {
      ASSERT_TRUE(plat::CloseFile(f));
      ok = plat::CopyFileTo("F:\\DATA", "F:\\COPY", false);
      EXPECT_EQ(FileBytes("F:\\COPY"), FileBytes("F:\\DATA").substr(0, 1596));
      EXPECT_TRUE(zvtest::RemoveFile("F:\\COPY") && (f = Open("F:\\DATA", w)) != nullptr);
    }
    EXPECT_EQ(row.ok, ok);
    EXPECT_EQ(row.size, plat::GetFileSize(f));
    plat::DiskFreeSpace space{};
    ASSERT_TRUE(plat::QueryDiskFreeSpace("F:\\", &space));
    EXPECT_EQ(std::make_pair(row.freeClusters, 8u), std::make_pair(space.freeClusters, space.totalClusters));
    EXPECT_EQ(space.sectorsPerCluster * space.bytesPerSector, 512u);
  }
  EXPECT_FALSE(plat::memory::SetDrive('F', false));  // DATA is open
  ASSERT_TRUE(plat::CloseFile(f) && plat::memory::SetDrive('F', false));
  EXPECT_EQ(plat::QueryDriveType("F:\\"), plat::kDriveNoRootDir);
}
#endif

}  // namespace
