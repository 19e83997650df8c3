// Catalogue files built byte by byte: the list files, group info files and
// print settings records, field by field, integers little-endian. Plain
// builders with no test framework, shared by the tests and the fuzz targets.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/print_settings.h"
#include "zvlmn30e.h"

namespace zvtest {

class Bytes {
 public:
  Bytes& U8(uint8_t v);
  Bytes& U16(uint16_t v);
  Bytes& I16(int16_t v) { return U16(static_cast<uint16_t>(v)); }
  Bytes& U32(uint32_t v);
  Bytes& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
  // The text's bytes, no terminator.
  Bytes& Text(const std::string& text);
  // The text in a field of width bytes, zero-filled after it.
  Bytes& Fixed(const std::string& text, size_t width);
  Bytes& Zeros(size_t count);
  // A u16 length followed by the text (the pools' form).
  Bytes& Pooled(const std::string& text);

  const std::string& str() const { return bytes_; }
  size_t size() const { return bytes_.size(); }

 private:
  std::string bytes_;
};

struct FormRow {
  int32_t id;
  std::string name;
  std::string description;
  uint8_t layer;
  uint32_t groupIndex;
};

// A form name list file: named forms, then file entries.
std::string FormListFile(const std::vector<FormRow>& named, const std::vector<FormRow>& fileEntries,
                         uint16_t lastFileEntry = 0);
// A group name list file holding the texts in this order, or with the offset
// table and pool given outright (for damaged entries).
std::string GroupNameListFile(const std::vector<std::string>& texts);
std::string RawGroupNameListFile(const std::vector<uint32_t>& offsets, const std::string& pool);

// The 34-byte print settings record, field by field.
std::string SettingsRecordBytes(const zv::PrintSettings& settings);

// A group info file: entries of a 34-byte record and a file name string
// index, then the texts of the pool in this order; the header's three string
// indexes as given.
using GroupInfoEntry = std::pair<std::string, int32_t>;
std::string GroupInfoFile(const std::vector<GroupInfoEntry>& entries, const std::vector<std::string>& texts,
                          int32_t first = -1, int32_t edited = -1, int32_t preview = -1);

// The same with the string offset table and pool given outright (for damaged pools).
std::string RawGroupInfoFile(const std::vector<GroupInfoEntry>& entries, const std::vector<uint32_t>& offsets,
                             const std::string& pool, int32_t first = -1, int32_t edited = -1,
                             int32_t preview = -1);

// An overlay data file: its 319-byte header (length, name, description,
// print settings record), then the page data.
std::string OverlayDataFile(const std::string& name, const std::string& description,
                            const std::string& settingsRecord,
                            const std::string& pageData =
                                "\x1b"
                                "E page");
// The .ZLI companion of a raw file, holding the description, and the .ZLF
// companion holding the paper code and the orientation flag.
std::string DescriptionCompanionFile(const std::string& description);
std::string PaperCompanionFile(uint16_t paperCode, uint16_t landscape);

std::string Upper(std::string text);
std::string Lower(std::string text);

// A printer driver's settings block as the driver lays it out: A4 portrait
// (paper code 9), output paper 2200 x 3000, zoom 100, mode level 3, model 7,
// black at 600 dpi unless changed. The bytes the catalogue never reads hold
// 0xEE, so a reader that looks at them shows.
struct DriverSettingsBlock {
  int16_t orientation = 1;
  uint16_t paperCode = 9;
  uint16_t resolution = 600;
  int16_t colour = 2;

  std::string Bytes() const;
  // The 34-byte print settings record captured from it with the layer.
  std::string Record(uint8_t layer) const;
};
// A driver's settings block as a plain A4 page sets it: portrait, paper and output 2100x2970 of code 9,
// zoom 100, 600 dpi, black, mode level 1; every other field zero.
ZV_DRIVER_SETTINGS PlainA4Settings();
DriverSettingsBlock At300();
DriverSettingsBlock InColour();

}  // namespace zvtest
