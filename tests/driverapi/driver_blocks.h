// Driver settings blocks and print settings records for the tests of the
// driver's exports, and the message behind a box the module showed.
#pragma once

#include <string>
#include <vector>

#include "catalogue/print_settings.h"
#include "dialogs/module_frame.h"
#include "support/catalogue_bytes.h"
#include "support/message_boxes.h"

namespace dtest {

using Block = zvtest::DriverSettingsBlock;

// The block's bytes with another printing mode word.
inline std::string BlockBytes(const Block& b = {}, uint16_t printingMode = 0x03) {
  std::string s = b.Bytes();
  s[zv::driver_block::kPrintingModeOffset] = static_cast<char>(printingMode & 0xFF);
  s[zv::driver_block::kPrintingModeOffset + 1] = static_cast<char>(printingMode >> 8);
  return s;
}

// The record captured from the block, to be changed field by field.
inline zv::PrintSettings Rec(const Block& b = {}, uint8_t layer = 1) {
  zv::PrintSettings s;
  zv::DecodePrintSettings(reinterpret_cast<const unsigned char*>(b.Record(layer).data()), &s);
  return s;
}
inline std::string Bytes(const zv::PrintSettings& s) {
  return zvtest::SettingsRecordBytes(s);
}

// "?id" for a yes/no question, "!id" for a stop box with one OK button,
// each with the caption of the module's boxes.
inline std::string Boxes(const std::vector<zvtest::SeenBox>& boxes) {
  std::string s;
  for (const zvtest::SeenBox& box : boxes) {
    std::string id = "unknown text";
    for (uint32_t m = 400; m < 1000; ++m) {
      char buffer[512];
      zv::LoadMessage(m, buffer, sizeof buffer);
      // A number in place of "%ld" follows the id.
      const std::string text = buffer;
      const size_t at = text.find("%ld");
      const std::string head = text.substr(0, at), tail = at == std::string::npos ? "" : text.substr(at + 3);
      if (box.text == text) id = std::to_string(m);
      if (at != std::string::npos && box.text.size() > text.size() - 3 &&
          box.text.compare(0, at, head) == 0 &&
          box.text.compare(box.text.size() - tail.size(), tail.size(), tail) == 0)
        id = std::to_string(m) + ":" + box.text.substr(at, box.text.size() - head.size() - tail.size());
      if (id != "unknown text") break;
    }
    const bool question = box.buttons == std::vector<int>{zvtest::kIdYes, zvtest::kIdNo} && !box.stopIcon;
    const bool stop = box.buttons == std::vector<int>{zvtest::kIdOk} && box.stopIcon;
    s += std::string(box.caption != zv::kBoxCaption ? " odd" : question ? " ?" : stop ? " !" : " odd") + id;
  }
  return s;
}

}  // namespace dtest
