// The byte mover: gaps opened and closed through the 5120-byte buffer in
// pieces, offset tables fixed in batches of 1280, every failure reported.
#include <gtest/gtest.h>

#include "maintenance/file_moves.h"
#include "maintenance/maintenance_fixture.h"

namespace {

namespace fault = plat::fault;
using fault::CallCount, fault::kRead, fault::kWrite;

std::string Pattern(size_t n) {
  std::string b(n, '\0');
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return b;
}

class FileMovesTest : public zvtest::MaintenanceTest {
 protected:
  void TearDown() override {
    Close();
    MaintenanceTest::TearDown();
  }
  plat::FileHandle Open(const std::string& bytes) {
    Close();
    Write(Path("m.dat"), bytes);
    file_ =
        plat::OpenFile(Path("m.dat").c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kOpenExisting);
    fault::Reset();
    return file_;
  }
  void Close() {
    if (file_) plat::CloseFile(file_);
    file_ = nullptr;
  }
  std::string Contents() {
    Close();
    return Read(Path("m.dat"));
  }
  zv::MoveBuffer buffer_;
  plat::FileHandle file_ = nullptr;
};

TEST_F(FileMovesTest, MovesOpenAndCloseGapsInPiecesOrRefuse) {
  struct Row {
    bool up;
    uint32_t size, from, end, distance;
    bool ok;
    uint32_t pieces;
  };
  const Row rows[] = {
      {true, 12000, 100, 12000, 290, true, 3},  // 11900 bytes: 5120, 5120, 1660
      {false, 12000, 300, 12000, 6, true, 3},  {true, 5220, 100, 5220, 4, true, 1},  // exactly one buffer
      {false, 5220, 100, 5220, 4, true, 1},    {true, 5221, 100, 5221, 4, true, 2},  // one byte more
      {false, 5221, 100, 5221, 4, true, 2},    {true, 50, 50, 50, 8, true, 0},  // nothing to move: unchanged
      {false, 50, 50, 50, 8, true, 0},                                          // nothing to move: still cut
      {true, 50, 40, 30, 4, false, 0},         {false, 50, 40, 30, 4, false, 0},
      {false, 50, 3, 30, 4, false, 0},  // down past the start
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.up << " " << r.from << " " << r.end << " " << r.distance);
    const std::string original = Pattern(r.size);
    plat::FileHandle f = Open(original);
    EXPECT_EQ(r.up ? zv::MoveBytesUp(f, r.from, r.end, r.distance, buffer_)
                   : zv::MoveBytesDown(f, r.from, r.end, r.distance, buffer_),
              r.ok);
    EXPECT_EQ(CallCount(kWrite), r.pieces);
    EXPECT_EQ(CallCount(kRead), r.pieces);
    const std::string expected = !r.ok  ? original
                                 : r.up ? original.substr(0, r.from + r.distance) + original.substr(r.from)
                                        : original.substr(0, r.from - r.distance) + original.substr(r.from);
    EXPECT_EQ(Contents(), expected);
  }
}

TEST_F(FileMovesTest, EveryFailedReadWriteOrCutIsReported) {
  for (fault::Point point : {kRead, kWrite}) {
    for (uint32_t n = 1; n <= 3; ++n) {
      plat::FileHandle f = Open(Pattern(12000));
      fault::FailNth(point, n);
      EXPECT_FALSE(zv::MoveBytesUp(f, 0, 12000, 4, buffer_)) << point << n;
      f = Open(Pattern(12000));
      fault::FailNth(point, n);
      EXPECT_FALSE(zv::MoveBytesDown(f, 4, 12000, 4, buffer_)) << point << n;
      f = Open(Pattern(3000 * 4));
      fault::FailNth(point, n);
      EXPECT_FALSE(zv::AdjustOffsets(f, 0, 3000, 0, 1, buffer_)) << point << n;
    }
  }
  plat::FileHandle f = Open(Pattern(100));
  fault::FailNth(fault::kSetEnd, 1);
  EXPECT_FALSE(zv::MoveBytesDown(f, 10, 100, 4, buffer_));
}

TEST_F(FileMovesTest, OffsetsAboveTheThresholdMoveInBatchesOf1280) {
  zvtest::Bytes table, lowered;
  for (uint32_t i = 0; i < 3000; ++i) {
    table.U32(i * 10);
    lowered.U32(i * 10 > 50 ? i * 10 - 6 : i * 10);
  }
  plat::FileHandle f = Open("HEAD" + table.str() + "TAIL");
  plat::io::Reset();
  ASSERT_TRUE(zv::AdjustOffsets(f, 4, 3000, 50, -6, buffer_));
  // Batches of 1280, 1280 and 440, positioned once for the first read and
  // once per write back (a batch written back leaves the file at the next).
  EXPECT_EQ(CallCount(kRead), 3u);
  EXPECT_EQ(CallCount(kWrite), 3u);
  EXPECT_EQ(plat::io::Current().fileCalls, 3u + 3u + 1u + 3u);
  EXPECT_EQ(plat::io::Current().bytesRead, 3000u * 4);
  EXPECT_EQ(Contents(), "HEAD" + lowered.str() + "TAIL");
  ASSERT_TRUE(zv::AdjustOffsets(Open("HEAD" + lowered.str() + "TAIL"), 4, 3000, 50, 6, buffer_));
  EXPECT_EQ(Contents(), "HEAD" + table.str() + "TAIL");
}

TEST_F(FileMovesTest, ReadAtAndWriteAtWantEveryByte) {
  plat::FileHandle f = Open("0123456789");
  char bytes[4] = {};
  EXPECT_TRUE(zv::ReadAt(f, 6, bytes, 4));
  EXPECT_EQ(std::string(bytes, 4), "6789");
  EXPECT_FALSE(zv::ReadAt(f, 8, bytes, 4));
  EXPECT_TRUE(zv::WriteAt(f, 12, "AB", 2));
  EXPECT_EQ(Contents().size(), 14u);
}

}  // namespace
