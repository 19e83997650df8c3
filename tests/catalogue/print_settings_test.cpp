// The print settings record: its bytes, its capture from the driver settings
// block, and both matches against a block.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "catalogue/print_settings.h"
#include "module/module_state.h"
#include "support/catalogue_bytes.h"

namespace {

using zvtest::Bytes;
using S = zv::PrintSettings;
using Patch = std::vector<std::pair<size_t, uint16_t>>;  // block offset, word
constexpr uint32_t kNone = 0xDEADBEEF;

// The shared A4 block (paper 2100x2970, output 2200x3000, level 3, mode 3,
// black, 600 dpi) with some words replaced.
std::string Block(const Patch& patch = {}) {
  std::string b = zvtest::DriverSettingsBlock().Bytes();
  for (const auto& [at, v] : patch) b.replace(at, 2, Bytes().U16(v).str());
  return b;
}

S Decode(const std::string& bytes) {
  S s;
  std::memset(&s, 0xA5, sizeof s);
  zv::DecodePrintSettings(reinterpret_cast<const unsigned char*>(bytes.data()), &s);
  return s;
}

std::string Encode(const S& s) {
  unsigned char bytes[36];
  std::memset(bytes, 0xA5, sizeof bytes);
  zv::EncodePrintSettings(s, bytes);
  EXPECT_EQ(bytes[34] & bytes[35], 0xA5) << "written past the record";
  return std::string(reinterpret_cast<char*>(bytes), 34);
}

TEST(PrintSettingsLayoutTest, EveryFieldAtItsOffsetInTheRecordAndTheBlock) {
  Bytes r;
  r.U16(0x0201).U8(3).U8(4).U16(0x0605).I16(-2).I16(-300).U16(0x0B0A).U16(0x0D0C).U16(0x0F0E).U8(0x10);
  r.U16(0x1211).U8(0x13).U8(0x14).U8(0x15).I16(-32768).I16(32767).U16(0x1B1A).U16(0x1D1C).U16(0x1F1E).U16(
      0xFF20);
  const S s = Decode(r.str());
  EXPECT_EQ(Encode(s), r.str());
  EXPECT_EQ(std::to_string(s.paperWidth) + " " + std::to_string(s.outputWidth) + " " + std::to_string(s.zoom),
            "-2 -32768 65312");
  // Capture takes each field from its block word and keeps the low byte of the narrow ones.
  // clang-format off
  const std::string block = Block({{0, 0x0302}, {4, 0xFFFB}, {6, 4321}, {8, 0xA1B2}, {10, 0xC3D4}, {12, 256},
                                   {20, 0x0104}, {24, 0x1234}, {28, 1111}, {30, 0xF752}, {32, 0x5566},
                                   {34, 0x7788}, {36, 0x0102}, {44, 0xBEEF}, {48, 0x0701}, {50, 0x4003},
                                   {52, 0x9ABC}, {54, 0x0121}});
  // clang-format on
  S captured;
  std::memset(&captured, 0xA5, sizeof captured);
  zv::CaptureSettings(block.data(), 2, &captured);
  Bytes c;
  c.U16(1).U8(2).U8(3).U16(0x9ABC).I16(-5).I16(4321).U16(0xA1B2).U16(0xC3D4).U16(256).U8(2).U16(0xBEEF).U8(1);
  c.U8(0x21).U8(4).I16(1111).I16(-2222).U16(0x5566).U16(0x7788).U16(0x0102).U16(0x1234);
  EXPECT_EQ(Encode(captured), c.str());
}

// The record captured from Block() with layer 1, changed.
S Record(const std::function<void(S&)>& change = nullptr) {
  S s = Decode(zvtest::DriverSettingsBlock().Record(1));
  if (change) change(s);
  return s;
}
std::function<void(S&)> Paper(int16_t w, int16_t h) {
  return [=](S& s) {
    s.paperWidth = w;
    s.paperHeight = h;
  };
}
std::function<void(S&)> Mode(uint8_t mode) {
  return [=](S& s) {
    s.modeLevel = 1;
    s.printingMode = mode;
  };
}
const auto kColourRecord = [](S& s) { s.colour = 1; };

TEST(PrintSettingsMatchTest, TolerantMatchAndItsCodes) {
  const Patch user = {{12, 256}}, colour = {{48, 1}}, enhanced = {{54, 0x20}};
  const auto output = [](S& s) {
    s.outputWidth = 2203;
    s.outputHeight = 2998;
  };
  // The record's change, the block's words, the capability words, the match, the code it leaves.
  const struct {
    std::function<void(S&)> change;
    Patch block;
    std::vector<uint16_t> caps;
    bool matches;
    uint32_t code;
  } rows[] = {
      // clang-format off
      {nullptr, {}, {1, 3}, true, kNone},
      {[](S& s) { s.orientation = 2; s.paperWidth = 1; }, {}, {1, 3}, false, 1},  // orientation first
      {Paper(2102, 2968), user, {1, 3}, true, kNone}, {Paper(2103, 2970), user, {3}, false, 2},
      {Paper(2101, 2970), {}, {3}, false, 2}, {output, {{36, 256}}, {3}, false, 3},
      {kColourRecord, {}, {3}, false, kNone}, {[](S& s) { s.printingMode = 4; }, {}, {3}, false, kNone},
      {[](S& s) { s.printingMode = 0x13; }, {{54, 0x0043}}, {3}, true, kNone},  // the quality nibble only
      {nullptr, {}, {1, 2}, false, kNone}, {nullptr, {}, {0x4005, 0x4007}, false, kNone},
      {kColourRecord, colour, {3, 5, 0x3FFF}, false, kNone}, {kColourRecord, colour, {0x4002}, false, kNone},
      {kColourRecord, colour, {0x4002, 0x4003}, true, kNone}, {Mode(0x20), enhanced, {1, 3}, true, kNone},
      {Mode(0x20), enhanced, {1, 1}, false, kNone}, {Mode(0x20), enhanced, {1, 0x4003}, false, kNone},
      {Mode(0x20), enhanced, {0x0101}, false, kNone}, {Mode(0x10), {{54, 0}}, {1, 1}, true, kNone}};
  // clang-format on
  for (const auto& row : rows) {
    zv::SetLastErrorCode(kNone);
    const int16_t count = static_cast<int16_t>(row.caps.size());
    const uint16_t* caps = row.caps.empty() ? nullptr : row.caps.data();
    EXPECT_EQ(zv::MatchOverlaySettings(Record(row.change), Block(row.block).data(), count, caps), row.matches)
        << &row - rows;
    EXPECT_EQ(zv::GetLastErrorCode(), row.code) << &row - rows;
  }
  // The count, not the list, bounds the scan.
  const uint16_t caps[] = {1, 3};
  std::string out;
  for (int16_t count : {1, 0, -1})
    out += std::to_string(zv::MatchOverlaySettings(Record(), Block().data(), count, caps));
  EXPECT_EQ(out, "000");
}

TEST(PrintSettingsMatchTest, ExactMatchLooksAtTheseRecordBytesOnly) {
  // Each byte of the record changed in turn: 1 where the match still holds.
  const std::string record = zvtest::DriverSettingsBlock().Record(1), block = Block();
  std::string out;
  for (size_t i = 0; i < record.size(); ++i) {
    std::string changed = record;
    changed[i] ^= 0x01;
    out += std::to_string(zv::MatchSettingsExactly(Decode(changed), block.data()));
  }
  EXPECT_EQ(out, "1110110000111111000000000011111100");
  // The block's mode level word without its colour bit; the rest of its words count whole.
  for (const auto& [patch, matches] : std::vector<std::pair<Patch, bool>>{
           {{{50, 0x4003}}, true}, {{{50, 0x0103}}, false}, {{{54, 0x0103}}, false}, {{{48, 0x0202}}, false}})
    EXPECT_EQ(zv::MatchSettingsExactly(Decode(record), Block(patch).data()), matches) << patch[0].second;
}

}  // namespace
