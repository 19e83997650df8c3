#include "support/catalogue_bytes.h"

#include <algorithm>
#include <cctype>

#include "catalogue/overlay_files.h"
#include "zvlmn30e.h"

namespace zvtest {

Bytes& Bytes::U8(uint8_t v) {
  bytes_ += static_cast<char>(v);
  return *this;
}

Bytes& Bytes::U16(uint16_t v) {
  bytes_ += static_cast<char>(v & 0xFF);
  bytes_ += static_cast<char>(v >> 8);
  return *this;
}

Bytes& Bytes::U32(uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) bytes_ += static_cast<char>((v >> shift) & 0xFF);
  return *this;
}

Bytes& Bytes::Text(const std::string& text) {
  bytes_ += text;
  return *this;
}

Bytes& Bytes::Fixed(const std::string& text, size_t width) {
  bytes_ += text.substr(0, width);
  if (text.size() < width) bytes_.append(width - text.size(), '\0');
  return *this;
}

Bytes& Bytes::Zeros(size_t count) {
  bytes_.append(count, '\0');
  return *this;
}

Bytes& Bytes::Pooled(const std::string& text) {
  return U16(static_cast<uint16_t>(text.size())).Text(text);
}

namespace {

std::string FormRecordBytes(const FormRow& form) {
  return Bytes()
      .I32(form.id)
      .Fixed(form.name, 25)
      .Fixed(form.description, 256)
      .U8(form.layer)
      .U32(form.groupIndex)
      .str();
}

// The texts in a pool, each one's offset in it appended to offsets.
std::string PoolOf(const std::vector<std::string>& texts, std::vector<uint32_t>* offsets) {
  Bytes pool;
  for (const std::string& text : texts) {
    offsets->push_back(static_cast<uint32_t>(pool.size()));
    pool.Pooled(text);
  }
  return pool.str();
}

}  // namespace

std::string FormListFile(const std::vector<FormRow>& named, const std::vector<FormRow>& fileEntries,
                         uint16_t lastFileEntry) {
  std::string bytes = Bytes()
                          .Text("ZEVROFORM FORMNAMEINFO V1.0")
                          .U32(static_cast<uint32_t>(named.size()))
                          .U16(static_cast<uint16_t>(fileEntries.size()))
                          .U16(lastFileEntry)
                          .str();
  for (const FormRow& form : named) bytes += FormRecordBytes(form);
  for (const FormRow& form : fileEntries) bytes += FormRecordBytes(form);
  return bytes;
}

std::string RawGroupNameListFile(const std::vector<uint32_t>& offsets, const std::string& pool) {
  Bytes file;
  file.Text("ZEVROFORM GROUPNAMEINFO V1.0").U32(static_cast<uint32_t>(offsets.size()));
  file.U32(static_cast<uint32_t>(pool.size()));
  for (uint32_t offset : offsets) file.U32(offset);
  return file.str() + pool;
}

std::string GroupNameListFile(const std::vector<std::string>& texts) {
  std::vector<uint32_t> offsets;
  const std::string pool = PoolOf(texts, &offsets);
  return RawGroupNameListFile(offsets, pool);
}

std::string SettingsRecordBytes(const zv::PrintSettings& s) {
  return Bytes()
      .U16(s.mark)
      .U8(s.layer)
      .U8(s.modeLevel)
      .U16(s.modelId)
      .I16(s.paperWidth)
      .I16(s.paperHeight)
      .U16(s.paperValue3)
      .U16(s.paperValue4)
      .U16(s.paperCode)
      .U8(s.orientation)
      .U16(s.resolution)
      .U8(s.colour)
      .U8(s.printingMode)
      .U8(s.pagesPerSheet)
      .I16(s.outputWidth)
      .I16(s.outputHeight)
      .U16(s.outputValue3)
      .U16(s.outputValue4)
      .U16(s.outputCode)
      .U16(s.zoom)
      .str();
}

std::string RawGroupInfoFile(const std::vector<GroupInfoEntry>& entries, const std::vector<uint32_t>& offsets,
                             const std::string& pool, int32_t first, int32_t edited, int32_t preview) {
  Bytes file;
  file.Text("ZEVROFORM GROUPINFO V1.0").I32(first).I32(edited).Zeros(16).I32(preview);
  file.U32(static_cast<uint32_t>(entries.size())).U32(static_cast<uint32_t>(offsets.size()));
  file.U32(static_cast<uint32_t>(pool.size()));
  for (const GroupInfoEntry& entry : entries) file.Text(entry.first).I32(entry.second);
  for (uint32_t offset : offsets) file.U32(offset);
  return file.str() + pool;
}

std::string GroupInfoFile(const std::vector<GroupInfoEntry>& entries, const std::vector<std::string>& texts,
                          int32_t first, int32_t edited, int32_t preview) {
  std::vector<uint32_t> offsets;
  const std::string pool = PoolOf(texts, &offsets);
  return RawGroupInfoFile(entries, offsets, pool, first, edited, preview);
}

std::string OverlayDataFile(const std::string& name, const std::string& description,
                            const std::string& settingsRecord, const std::string& pageData) {
  return Bytes()
             .U32(zv::overlay_header::kSize)
             .Fixed(name, zv::overlay_header::kNameSize)
             .Fixed(description, zv::overlay_header::kDescriptionSize)
             .Text(settingsRecord)
             .str() +
         pageData;
}

std::string DescriptionCompanionFile(const std::string& description) {
  return Bytes()
      .Zeros(zv::description_companion::kTextOffset)
      .Fixed(description, zv::description_companion::kTextSize)
      .str();
}

std::string PaperCompanionFile(uint16_t paperCode, uint16_t landscape) {
  return Bytes().Zeros(zv::paper_companion::kPaperCodeOffset).U16(paperCode).U16(landscape).str();
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string DriverSettingsBlock::Bytes() const {
  zvtest::Bytes b;
  b.I16(orientation).U16(0xEEEE).I16(2100).I16(2970).U16(11).U16(12).U16(paperCode).U16(0xEEEE);  // 0
  b.U32(0xEEEEEEEE).I16(0).U16(0xEEEE).U16(100).U16(0xEEEE).I16(2200).I16(3000);                  // 16
  b.U16(21).U16(22).U16(9).U16(0xEEEE).U32(0xEEEEEEEE).U16(resolution).U16(0xEEEE);               // 32
  b.I16(colour).U16(3).U16(7).I16(0x03);                                                          // 48
  // The 64-bit block's paper name address, which only the dialogs read.
  b.Text(std::string(sizeof(ZV_DRIVER_SETTINGS) - b.size(), '\xEE'));  // 56
  return b.str();
}

std::string DriverSettingsBlock::Record(uint8_t layer) const {
  zvtest::Bytes r;
  r.U16(1).U8(layer).U8(3).U16(7).I16(2100).I16(2970).U16(11).U16(12).U16(paperCode);                 // 0
  r.U8(static_cast<uint8_t>(orientation)).U16(resolution).U8(static_cast<uint8_t>(colour)).U8(0x03);  // 16
  r.U8(0).I16(2200).I16(3000).U16(21).U16(22).U16(9).U16(100);                                        // 21
  return r.str();
}

ZV_DRIVER_SETTINGS PlainA4Settings() {
  ZV_DRIVER_SETTINGS s = {};
  s.orientation = 1;
  s.paperWidth = s.outputWidth = 2100;
  s.paperHeight = s.outputHeight = 2970;
  s.paperCode = s.outputCode = 9;
  s.zoom = 100;
  s.resolution = 600;
  s.colour = 2;
  s.modeLevel = 1;
  return s;
}

DriverSettingsBlock At300() {
  return {1, 9, 300, 2};
}

DriverSettingsBlock InColour() {
  return {1, 9, 600, 1};
}

}  // namespace zvtest
