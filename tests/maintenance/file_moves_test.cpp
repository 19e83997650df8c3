// The shared byte mover: gaps opened and closed through one 5120-byte
// buffer, and offset tables fixed in batches of 1280.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "catalogue/byte_order.h"
#include "maintenance/file_moves.h"
#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/sandbox.h"

namespace {

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

class FileMovesTest : public zvtest::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    buffer_.reset(new zv::MoveBuffer());
  }
  void TearDown() override {
    if (file_) plat::CloseFile(file_);
    plat::fault::Reset();
    SandboxTest::TearDown();
  }

  plat::FileHandle Open(const std::string& bytes) {
    EXPECT_TRUE(zvtest::WriteWholeFile(Path("moves.dat"), bytes));
    file_ = plat::OpenFile(Path("moves.dat").c_str(), plat::kAccessReadWrite, plat::kShareRead,
                           plat::kOpenExisting);
    EXPECT_NE(file_, nullptr);
    return file_;
  }
  std::string Contents() {
    plat::CloseFile(file_);
    file_ = nullptr;
    std::string bytes;
    EXPECT_TRUE(zvtest::ReadWholeFile(Path("moves.dat"), &bytes));
    return bytes;
  }

  std::unique_ptr<zv::MoveBuffer> buffer_;
  plat::FileHandle file_ = nullptr;
};

TEST_F(FileMovesTest, MovingUpOpensAGapInPiecesFromTheEnd) {
  const std::string original = Pattern(12000);
  plat::FileHandle file = Open(original);
  plat::fault::Reset();
  ASSERT_TRUE(zv::MoveBytesUp(file, 100, 12000, 290, *buffer_));
  // 11900 bytes: pieces of 5120, 5120 and 1660.
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kWrite), 3u);
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kRead), 3u);
  const std::string moved = Contents();
  ASSERT_EQ(moved.size(), 12290u);
  EXPECT_EQ(moved.substr(0, 100), original.substr(0, 100));
  EXPECT_EQ(moved.substr(390), original.substr(100));
}

TEST_F(FileMovesTest, MovingDownClosesAGapAndCutsTheFile) {
  const std::string original = Pattern(12000);
  plat::FileHandle file = Open(original);
  plat::fault::Reset();
  ASSERT_TRUE(zv::MoveBytesDown(file, 300, 12000, 6, *buffer_));
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kWrite), 3u);
  EXPECT_EQ(Contents(), original.substr(0, 294) + original.substr(300));
}

TEST_F(FileMovesTest, NothingToMoveStillCutsWhenMovingDown) {
  plat::FileHandle file = Open(Pattern(50));
  ASSERT_TRUE(zv::MoveBytesDown(file, 50, 50, 8, *buffer_));
  EXPECT_EQ(Contents(), Pattern(42));
  file = Open(Pattern(50));
  ASSERT_TRUE(zv::MoveBytesUp(file, 50, 50, 8, *buffer_));
  EXPECT_EQ(Contents(), Pattern(50));
}

TEST_F(FileMovesTest, ARangeThatIsNotOneIsRefused) {
  plat::FileHandle file = Open(Pattern(50));
  EXPECT_FALSE(zv::MoveBytesUp(file, 40, 30, 4, *buffer_));
  EXPECT_FALSE(zv::MoveBytesDown(file, 40, 30, 4, *buffer_));
  // Moving down past the start of the file.
  EXPECT_FALSE(zv::MoveBytesDown(file, 3, 30, 4, *buffer_));
  EXPECT_EQ(Contents(), Pattern(50));
}

TEST_F(FileMovesTest, FailuresInsideTheMovesAreReported) {
  for (plat::fault::Point point : {plat::fault::kRead, plat::fault::kWrite}) {
    for (uint32_t n = 1; n <= 3; ++n) {
      plat::FileHandle file = Open(Pattern(12000));
      plat::fault::FailNth(point, n);
      EXPECT_FALSE(zv::MoveBytesUp(file, 0, 12000, 4, *buffer_)) << point << " " << n;
      plat::CloseFile(file_);
      file = Open(Pattern(12000));
      plat::fault::FailNth(point, n);
      EXPECT_FALSE(zv::MoveBytesDown(file, 4, 12000, 4, *buffer_)) << point << " " << n;
      plat::CloseFile(file_);
      file_ = nullptr;
    }
  }
  plat::FileHandle file = Open(Pattern(100));
  plat::fault::FailNth(plat::fault::kSetEnd, 1);
  EXPECT_FALSE(zv::MoveBytesDown(file, 10, 100, 4, *buffer_));
}

TEST_F(FileMovesTest, OffsetsAboveTheThresholdMoveInBatchesOf1280) {
  zvtest::Bytes table;
  table.Text("HEAD");
  for (uint32_t i = 0; i < 3000; ++i) table.U32(i * 10);
  plat::FileHandle file = Open(table.str() + "TAIL");
  plat::fault::Reset();
  plat::io::Reset();
  ASSERT_TRUE(zv::AdjustOffsets(file, 4, 3000, 50, -6, *buffer_));
  // 3000 offsets: batches of 1280, 1280 and 440.
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kRead), 3u);
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kWrite), 3u);
  // Positioned once for the first read and once for each write back: a
  // batch written back leaves the file at the next one.
  EXPECT_EQ(plat::io::Current().fileCalls - 3u - 3u, 1u + 3u);
  EXPECT_EQ(plat::io::Current().bytesRead, 3000u * 4);
  zvtest::Bytes expected;
  expected.Text("HEAD");
  for (uint32_t i = 0; i < 3000; ++i) expected.U32(i * 10 > 50 ? i * 10 - 6 : i * 10);
  EXPECT_EQ(Contents(), expected.str() + "TAIL");

  file = Open(expected.str() + "TAIL");
  ASSERT_TRUE(zv::AdjustOffsets(file, 4, 3000, 50, 6, *buffer_));
  EXPECT_EQ(Contents(), table.str() + "TAIL");
}

TEST_F(FileMovesTest, ReadAtAndWriteAtWantEveryByte) {
  plat::FileHandle file = Open("0123456789");
  char bytes[8] = {};
  EXPECT_TRUE(zv::ReadAt(file, 6, bytes, 4));
  EXPECT_EQ(std::string(bytes, 4), "6789");
  EXPECT_FALSE(zv::ReadAt(file, 8, bytes, 4));
  EXPECT_TRUE(zv::WriteAt(file, 12, "AB", 2));
  EXPECT_EQ(Contents().size(), 14u);
}

}  // namespace
