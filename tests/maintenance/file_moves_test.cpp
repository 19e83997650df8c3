// The byte mover: gaps opened and closed through the 5120-byte buffer in pieces, offset tables fixed in
// batches of 1280, counted by reads.
#include "maintenance/file_moves.h"

#include <gtest/gtest.h>

#include "maintenance/maintenance_fixture.h"

namespace {

using namespace zvtest;
using fault::CallCount, fault::kRead, fault::kWrite;

class FileMovesTest : public MaintenanceTest {
 protected:
  void Open(const std::string& bytes) {
    Write(Path("m.dat"), bytes);
    file_ =
        plat::OpenFile(Path("m.dat").c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kOpenExisting);
    fault::Reset();
  }
  std::string Contents() {
    plat::CloseFile(file_);
    return Read(Path("m.dat"));
  }
  zv::MoveBuffer buffer_;
  plat::FileHandle file_ = nullptr;
};

TEST_F(FileMovesTest, GapsAndOffsetTablesMoveInPieces) {
  struct Row {
    uint32_t size, from, end, distance;
    bool upOk, downOk;
    uint32_t pieces, downCalls;
  };
  // Down, a range of several pieces reads and writes its last byte on its own.
  const Row rows[] = {
      {12000, 300, 12000, 290, true, true, 3, 4},  // 11700 bytes: 5120, 5120, 1460 (1459 and 1 down)
      {5220, 100, 5220, 4, true, true, 1, 1},      // exactly one buffer
      {5221, 100, 5221, 4, true, true, 2, 2},      // one byte more: down, 5120 and the last byte
      {50, 50, 50, 8, true, true, 0, 0},           // nothing to move: up unchanged, down still cut
      {50, 40, 30, 4, false, false, 0, 0},         // a reversed range
      {30, 3, 30, 4, true, false, 1, 0},           // down past the start
  };
  for (const Row& r : rows) {
    for (bool up : {true, false}) {
      SCOPED_TRACE(testing::Message() << up << " " << r.from << " " << r.end << " " << r.distance);
      const std::string original = Pattern(r.size);
      const bool ok = up ? r.upOk : r.downOk;
      Open(original);
      EXPECT_EQ(up ? zv::MoveBytesUp(file_, r.from, r.end, r.distance, buffer_)
                   : zv::MoveBytesDown(file_, r.from, r.end, r.distance, buffer_),
                ok);
      const uint32_t calls = up ? r.pieces : r.downCalls;
      EXPECT_EQ(CallCount(kWrite), ok ? calls : 0);
      EXPECT_EQ(CallCount(kRead), ok ? calls : 0);
      const std::string kept = original.substr(0, up ? r.from + r.distance : r.from - r.distance);
      EXPECT_EQ(Contents(), ok ? kept + original.substr(r.from) : original);
    }
  }
  // A failure before the first byte moves down leaves the file as it was; from the first write on,
  // one byte short, which neither the old nor the new size is. A reservation that fails leaves the
  // size as it was.
  struct FailRow {
    uint32_t size, from;
    fault::Point point;
    uint32_t n;
    size_t sizeAfter;
  };
  const FailRow failRows[] = {
      {12000, 300, kRead, 1, 12000},
      {12000, 300, kRead, 2, 12000},  // first piece, last byte
      {12000, 300, fault::kSetEnd, 1, 12000},
      {12000, 300, kWrite, 1, 11999},
      {12000, 300, kRead, 3, 11999},
      {12000, 300, kWrite, 4, 11999},  // second piece, last byte
      {12000, 300, fault::kSetEnd, 2, 11999},
      {400, 300, kRead, 1, 400},  // the final cut; one piece
      {400, 300, kWrite, 1, 399},
  };
  for (const FailRow& r : failRows) {
    SCOPED_TRACE(testing::Message() << r.size << " " << r.point << " " << r.n);
    const std::string original = Pattern(r.size);
    Open(original);
    fault::FailNth(r.point, r.n);
    EXPECT_FALSE(zv::MoveBytesDown(file_, r.from, r.size, 290, buffer_));
    fault::Reset();
    const std::string after = Contents();
    EXPECT_EQ(after.size(), r.sizeAfter);
    if (r.sizeAfter == r.size) {
      EXPECT_EQ(after, original);
    }
  }
  for (bool fails : {false, true}) {
    Open(Pattern(100));
    if (fails) fault::FailNth(fault::kSetEnd, 1);
    EXPECT_EQ(zv::ReserveFileEnd(file_, 100, 150), !fails);
    EXPECT_TRUE(zv::ReserveFileEnd(file_, 100, 90));  // not growing: nothing to do
    EXPECT_EQ(Contents(), Pattern(100) + std::string(fails ? 0 : 50, '\0'));
  }

  // Offsets above the threshold, in batches of 1280, 1280 and 440.
  Bytes table, lowered;
  for (uint32_t i = 0; i < 3000; ++i) {
    table.U32(i * 10);
    lowered.U32(i * 10 > 50 ? i * 10 - 6 : i * 10);
  }
  for (int32_t delta : {-6, 6}) {
    Open("HEAD" + (delta < 0 ? table : lowered).str() + "TAIL");
    ASSERT_TRUE(zv::AdjustOffsets(file_, 4, 3000, 50, delta, buffer_));
    EXPECT_EQ(CallCount(kRead), 3u);
    EXPECT_EQ(Contents(), "HEAD" + (delta < 0 ? lowered : table).str() + "TAIL");
  }
}

}  // namespace
