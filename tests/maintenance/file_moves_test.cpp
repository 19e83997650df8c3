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
    uint32_t pieces;
  };
  const Row rows[] = {
      {12000, 300, 12000, 290, true, true, 3},  // 11700 bytes: 5120, 5120, 1460
      {5220, 100, 5220, 4, true, true, 1},      // exactly one buffer
      {5221, 100, 5221, 4, true, true, 2},      // one byte more
      {50, 50, 50, 8, true, true, 0},           // nothing to move: up unchanged, down still cut
      {50, 40, 30, 4, false, false, 0},         // a reversed range
      {30, 3, 30, 4, true, false, 1},           // down past the start
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
      EXPECT_EQ(CallCount(kWrite), ok ? r.pieces : 0);
      EXPECT_EQ(CallCount(kRead), ok ? r.pieces : 0);
      const std::string kept = original.substr(0, up ? r.from + r.distance : r.from - r.distance);
      EXPECT_EQ(Contents(), ok ? kept + original.substr(r.from) : original);
    }
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
