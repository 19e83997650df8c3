// Structure-aware mutation for the fuzz targets whose input is one form name list, group name list
// or group info file (ZV_FUZZ_FORMAT names its format). Most mutations decode the file into its
// header, records or overlay entries, offset table and pool, change a field or a unit (a count by
// adding or removing units, an identifier, a string index, an offset, a length, a text) and encode
// it again with the counts and pool size its size rule wants; one in eight of those then breaks one
// rule on purpose (a magic byte, the size, a count, a header cut short). One mutation in four is
// libFuzzer's own on the raw bytes, so damaged files keep their share. The cross-over splices the
// units of two files of the format. Only the input's bytes are used: no file is read or written.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "catalogue/byte_order.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/print_settings.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace zvfuzz {
namespace mutation {
namespace fl = zv::form_list;
namespace gl = zv::group_list;
namespace gi = zv::group_info;
namespace sr = zv::settings_record;

enum Format { kFormList, kGroupList, kGroupInfo };

using Random = std::minstd_rand;
size_t Below(Random& random, size_t n) {
  return n ? random() % n : 0;
}
bool OneIn(Random& random, size_t n) {
  return Below(random, n) == 0;
}
template <typename T>
const T& Pick(Random& random, const std::vector<T>& values) {
  return values[Below(random, values.size())];
}

auto* At(std::string& bytes, size_t at) {
  return reinterpret_cast<unsigned char*>(&bytes[at]);
}
auto* At(const std::string& bytes, size_t at) {
  return reinterpret_cast<const unsigned char*>(&bytes[at]);
}
void Put(std::string& bytes, size_t at, size_t width, uint32_t value) {
  for (size_t i = 0; i < width; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}
std::string U32(uint32_t value) {
  std::string bytes(4, '\0');
  zv::PutU32(At(bytes, 0), value);
  return bytes;
}

// Libfuzzer's mutation of the bytes in place, the result kept within maxSize.
void MutateBytes(std::string& bytes, size_t maxSize) {
  const size_t size = bytes.size();
  bytes.resize(std::max<size_t>({maxSize, size, 1}));
  bytes.resize(LLVMFuzzerMutate(At(bytes, 0), size, bytes.size()));
}

// Whole-number values that sit on the edges the readers and writers test.
const std::vector<uint32_t> kEdges = {
    0,    1,    2,      3,      7,      8,       255,    256,        257,        260,        261,       4095,
    4096, 4097, 0x7FFF, 0x8000, 0xFFFF, 0x10000, 100000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
uint32_t Edge(Random& random) {
  return OneIn(random, 4) ? static_cast<uint32_t>(random()) : Pick(random, kEdges);
}

// A text for a name, a description or a pool: one the catalogue names, changed in case, or stretched
// to the length limits of the buffers that receive it.
std::string Text(Random& random, const std::vector<std::string>& names) {
  std::string text = Pick(random, names);
  switch (Below(random, 8)) {
    case 0:
      for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      break;
    case 1: {
      static const size_t kLengths[] = {23, 24, 25, 254, 255, 256, 259, 260, 261, 300};
      const size_t length = kLengths[Below(random, sizeof kLengths / sizeof *kLengths)];
      // The padding goes before the file name part (npos + 1: the start of a text with no backslash).
      if (text.size() < length) text.insert(text.rfind('\\') + 1, length - text.size(), 'L');
      text.resize(length);
      break;
    }
    case 2:
      text += Pick(random, names);
      break;
    default:
      break;
  }
  return text;
}
const std::vector<std::string> kFormNames = {
    "Invoice", "INVOICE", "Fuzz form", "No Form name", "P",
    "C",       "Re",      "One",       "Two",          "3",
    "",        " ",       " \t ",      "Form 1",       "A NAME OF 24 CHARS ....."};
const std::vector<std::string> kGroupTexts = {"C:\\CAT\\",
                                              "C:\\CAT\\_F3001.FGP",
                                              "C:\\CAT\\_F3002.FGP",
                                              "_F3007.FGP",
                                              "C:\\CAT\\SUB\\",
                                              "C:\\CAT\\X.ZLP",
                                              "BILL.ZLC",
                                              "D:\\DATA\\BILL.ZLC",
                                              "12",
                                              "0",
                                              "007",
                                              "",
                                              "\\",
                                              "C:",
                                              "C:\\CAT\\_F3001.fgp",
                                              "C:\\CAT\\_F300100.ZLP",
                                              "C:\\CAT\\ZVLMN3.FLT",
                                              "C:\\RECOVERED\\",
                                              "Z:\\OUTSIDE\\A.FGP",
                                              ".FGP",
                                              "C:\\CAT\\NEW\\"};
const std::vector<std::string> kGroupInfoTexts = {"_F300100.ZLP",
                                                  "C:\\CAT\\_F300100.ZLP",
                                                  "_F300101.ZLP",
                                                  "RAW.ZLC",
                                                  "C:\\CAT\\RAW.ZLC",
                                                  "MISSING.ZLP",
                                                  "_F3001.ZL3",
                                                  "C:\\E\\B.ZLC",
                                                  "S.ZLP",
                                                  "GROUP",
                                                  "GROUP STRING",
                                                  "page",
                                                  "",
                                                  "C:\\CAT\\",
                                                  "NODOT",
                                                  "_F3001.FGP",
                                                  "ZVLMN3.FLT",
                                                  "ZVLMN3.GLT"};

// The offset table and the pool of a group name list or group info file, as they stand.
struct Pool {
  std::vector<uint32_t> offsets;
  std::string bytes;
};
size_t PoolSize(const Pool& pool) {
  return 4 * pool.offsets.size() + pool.bytes.size();
}
void AddText(Pool& pool, const std::string& text, size_t index) {
  pool.offsets.insert(pool.offsets.begin() + std::min(index, pool.offsets.size()),
                      static_cast<uint32_t>(pool.bytes.size()));
  const std::string bounded = text.substr(0, 0xFFFF);
  pool.bytes += U32(static_cast<uint32_t>(bounded.size())).substr(0, gl::kTextLengthSize) + bounded;
}
// The text at an offset when its length field and bytes lie in the pool.
bool TextAt(const Pool& pool, uint32_t offset, std::string* text) {
  if (uint64_t(offset) + gl::kTextLengthSize > pool.bytes.size()) return false;
  const uint32_t length = zv::GetU16(At(pool.bytes, offset));
  if (uint64_t(offset) + gl::kTextLengthSize + length > pool.bytes.size()) return false;
  *text = pool.bytes.substr(offset + gl::kTextLengthSize, length);
  return true;
}
// The texts laid out afresh one after the other, when every offset reaches a whole text.
void Compact(Pool& pool) {
  Pool compact;
  std::string text;
  for (uint32_t offset : pool.offsets) {
    if (!TextAt(pool, offset, &text)) return;
    AddText(compact, text, compact.offsets.size());
  }
  pool = compact;
}
void MutatePool(Pool& pool, Random& random, const std::vector<std::string>& texts, size_t maxCount) {
  const size_t count = pool.offsets.size(), index = Below(random, count);
  std::string text;
  switch (count ? Below(random, 9) : 0) {
    case 0:  // a new text
      if (count < maxCount) AddText(pool, Text(random, texts), Below(random, count + 1));
      break;
    case 1:  // a text replaced, or its bytes mutated: the new one goes to the end, the old one stays
      if (!TextAt(pool, pool.offsets[index], &text) || OneIn(random, 2)) {
        text = Text(random, texts);
      } else {
        MutateBytes(text, text.size() + 8);
      }
      pool.offsets.erase(pool.offsets.begin() + index);
      AddText(pool, text, index);
      if (OneIn(random, 2)) Compact(pool);
      break;
    case 2:  // an entry removed, its text left in the pool or not
      pool.offsets.erase(pool.offsets.begin() + index);
      if (OneIn(random, 2)) Compact(pool);
      break;
    case 3:  // an entry repeated
      if (count < maxCount)
        pool.offsets.insert(pool.offsets.begin() + Below(random, count + 1), pool.offsets[index]);
      break;
    case 4: {  // an offset at the edges of the pool, or into another text
      const uint32_t size = static_cast<uint32_t>(pool.bytes.size());
      const uint32_t offsets[] = {Pick(random, pool.offsets),
                                  size,
                                  size - 1,
                                  size - 2,
                                  size + 1,
                                  static_cast<uint32_t>(Below(random, size + 1)),
                                  Edge(random)};
      pool.offsets[index] = offsets[Below(random, sizeof offsets / sizeof *offsets)];
      break;
    }
    case 5: {  // a length reaching the end of the pool, one beyond it, or over the buffers' limit
      const uint32_t offset = pool.offsets[index];
      if (uint64_t(offset) + gl::kTextLengthSize > pool.bytes.size()) break;
      const uint32_t rest = static_cast<uint32_t>(pool.bytes.size() - offset - gl::kTextLengthSize);
      const uint32_t lengths[] = {rest, rest + 1, 0, 1, 260, 261, 0xFFFF, Edge(random)};
      Put(pool.bytes, offset, gl::kTextLengthSize, lengths[Below(random, sizeof lengths / sizeof *lengths)]);
      break;
    }
    case 6:  // unreferenced bytes at the end of the pool, or the end cut
      if (OneIn(random, 2)) {
        pool.bytes.append(1 + Below(random, 8), static_cast<char>(random()));
      } else {
        pool.bytes.resize(pool.bytes.size() - std::min<size_t>(pool.bytes.size(), 1 + Below(random, 4)));
      }
      break;
    case 7:  // two entries swapped
      std::swap(pool.offsets[index], pool.offsets[Below(random, count)]);
      break;
    default:  // the pool's bytes mutated where they lie
      if (!pool.bytes.empty()) {
        std::string bytes = pool.bytes;
        MutateBytes(bytes, bytes.size());
        bytes.resize(pool.bytes.size(), '\0');
        pool.bytes = bytes;
      }
      break;
  }
}
// The table of count offsets and then the pool, from what the bytes after the units hold; a count
// the bytes cannot hold is cut to what they can.
Pool DecodePool(const std::string& bytes, size_t at, uint64_t count) {
  Pool pool;
  const size_t rest = at < bytes.size() ? bytes.size() - at : 0;
  count = std::min<uint64_t>(count, rest / 4);
  for (size_t i = 0; i < count; ++i) pool.offsets.push_back(zv::GetU32(At(bytes, at + 4 * i)));
  if (at + 4 * count < bytes.size()) pool.bytes = bytes.substr(at + 4 * count);
  return pool;
}
std::string EncodePool(const Pool& pool) {
  std::string bytes;
  for (uint32_t offset : pool.offsets) bytes += U32(offset);
  return bytes + pool.bytes;
}

// A file of one format: its header as read (the magic put right, counts rewritten on encoding), its
// units (form records, or overlay entries; none in a group name list) and its offset table and pool.
struct File {
  std::string header;
  std::vector<std::string> units;
  size_t named = 0;  // form name list: the units of the named-form region, the file entries after them
  Pool pool;
};
struct Shape {
  const char* magic;
  size_t magicSize, headerSize, unitSize, maxUnits;
};
const Shape kShapes[] = {{fl::kMagic, fl::kMagicSize, fl::kHeaderSize, fl::kRecordSize, 4096},
                         {gl::kMagic, gl::kMagicSize, gl::kHeaderSize, 0, 0},
                         // The target leaves a group of more than eight entries alone.
                         {gi::kMagic, gi::kMagicSize, gi::kHeaderSize, gi::kEntrySize, 8}};

File Decode(Format format, const std::string& bytes) {
  const Shape& shape = kShapes[format];
  File file;
  file.header = bytes.substr(0, shape.headerSize);
  file.header.resize(shape.headerSize, '\0');
  file.header.replace(0, shape.magicSize, shape.magic, shape.magicSize);
  const size_t rest = bytes.size() > shape.headerSize ? bytes.size() - shape.headerSize : 0;
  const auto count = [&](size_t at) { return zv::GetU32(At(file.header, at)); };
  switch (format) {
    case kFormList: {
      // Every whole record there is, the named-form count telling where the file entries start.
      for (size_t i = 0; i < rest / shape.unitSize; ++i)
        file.units.push_back(bytes.substr(shape.headerSize + i * shape.unitSize, shape.unitSize));
      file.named = std::min<size_t>(count(fl::kNamedCountOffset), file.units.size());
      break;
    }
    case kGroupList:
      file.pool = DecodePool(bytes, gl::kOffsetTableOffset, count(gl::kEntryCountOffset));
      break;
    case kGroupInfo: {
      const size_t entries = std::min<size_t>(count(gi::kEntryCountOffset), rest / shape.unitSize);
      for (size_t i = 0; i < entries; ++i)
        file.units.push_back(bytes.substr(shape.headerSize + i * shape.unitSize, shape.unitSize));
      file.pool =
          DecodePool(bytes, gi::kEntriesOffset + entries * shape.unitSize, count(gi::kStringCountOffset));
      break;
    }
  }
  return file;
}
std::string Encode(Format format, File file) {
  const auto put = [&](size_t at, size_t width, size_t value) {
    Put(file.header, at, width, static_cast<uint32_t>(value));
  };
  switch (format) {
    case kFormList:
      put(fl::kNamedCountOffset, 4, file.named);
      put(fl::kFileEntryCountOffset, 2, file.units.size() - file.named);
      break;
    case kGroupList:
      put(gl::kEntryCountOffset, 4, file.pool.offsets.size());
      put(gl::kPoolSizeOffset, 4, file.pool.bytes.size());
      break;
    case kGroupInfo:
      put(gi::kEntryCountOffset, 4, file.units.size());
      put(gi::kStringCountOffset, 4, file.pool.offsets.size());
      put(gi::kPoolSizeOffset, 4, file.pool.bytes.size());
      break;
  }
  std::string bytes = file.header;
  for (const std::string& unit : file.units) bytes += unit;
  return bytes + EncodePool(file.pool);
}
size_t EncodedSize(const File& file) {
  return file.header.size() + file.units.size() * (file.units.empty() ? 0 : file.units[0].size()) +
         PoolSize(file.pool);
}
// Units and texts dropped from the end until the file fits maxSize; false when even its header does not.
bool Fit(File& file, size_t maxSize) {
  while (EncodedSize(file) > maxSize) {
    if (!file.pool.offsets.empty() && (file.units.empty() || file.pool.offsets.size() > 4)) {
      file.pool.offsets.pop_back();
    } else if (!file.units.empty()) {
      file.units.pop_back();
      file.named = std::min(file.named, file.units.size());
    } else if (!file.pool.bytes.empty()) {
      file.pool.bytes.resize(file.pool.bytes.size() -
                             std::min(file.pool.bytes.size(), EncodedSize(file) - maxSize));
    } else {
      return false;
    }
  }
  return true;
}

// A string index: none, each text's, the first beyond the table, far off.
int32_t StringIndex(Random& random, const File& file) {
  const int32_t strings = static_cast<int32_t>(file.pool.offsets.size());
  const int32_t indexes[] = {-1,      -1, static_cast<int32_t>(Below(random, strings + 1)),
                             strings, -2, static_cast<int32_t>(Edge(random))};
  return indexes[Below(random, sizeof indexes / sizeof *indexes)];
}
// A fixed text field: the text, zero-filled; now and then the field full, with no terminator, or
// bytes left after the terminator.
void PutFixed(std::string& unit, size_t at, size_t width, std::string text, Random& random) {
  if (OneIn(random, 8)) text.resize(width, 'N');
  text.resize(std::min(text.size(), width));
  unit.replace(at, text.size(), text);
  if (text.size() < width) {
    std::fill(unit.begin() + at + text.size(), unit.begin() + at + width, '\0');
    if (OneIn(random, 8) && text.size() + 1 < width)
      unit[at + text.size() + 1 + Below(random, width - text.size() - 1)] = 'G';
  }
}

// The fields of the print settings record and values each is compared with.
struct Field {
  uint32_t offset, width;
  std::vector<uint32_t> values;
};
const std::vector<Field> kSettingsFields = {
    {sr::kMarkOffset, 2, {0, 1, 2}},
    {sr::kLayerOffset, 1, {0, 1, 2, 3}},
    {sr::kModeLevelOffset, 1, {0, 1, 2, 3, 0xFF}},
    {sr::kModelIdOffset, 2, {0, 7, 0xFFFF}},
    {sr::kPaperWidthOffset, 2, {0, 1000, 2100, 2159, 2200, 0x7FFF, 0xFFFF}},
    {sr::kPaperHeightOffset, 2, {0, 1000, 2794, 2970, 3000, 0x8000}},
    {sr::kPaperValue3Offset, 2, {0, 11, 2100}},
    {sr::kPaperValue4Offset, 2, {0, 12, 2970}},
    {sr::kPaperCodeOffset, 2, {0, 1, 9, 255, 256, 257, 0xFFFF}},
    {sr::kOrientationOffset, 1, {0, 1, 2, 0xFF}},
    {sr::kResolutionOffset, 2, {0, 300, 600, 1200, 0xFFFF}},
    {sr::kColourOffset, 1, {0, 1, 2, 3, 0xFF}},
    {sr::kPrintingModeOffset, 1, {0, 1, 2, 3, 4, 5, 6, 0x10, 0x20, 0x30, 0x40, 0xFF}},
    {sr::kPagesPerSheetOffset, 1, {0, 1, 2, 4, 9, 16, 0xFF}},
    {sr::kOutputWidthOffset, 2, {0, 1000, 2100, 2159, 2200, 0xFFFF}},
    {sr::kOutputHeightOffset, 2, {0, 1000, 2794, 2970, 3000}},
    {sr::kOutputValue3Offset, 2, {0, 21, 2100}},
    {sr::kOutputValue4Offset, 2, {0, 22, 2970}},
    {sr::kOutputCodeOffset, 2, {0, 1, 9, 255, 256, 257, 0xFFFF}},
    {sr::kZoomOffset, 2, {0, 1, 25, 100, 400, 0xFFFF}},
};

// One change of a unit's field.
void MutateFormRecord(File& file, std::string& record, Random& random) {
  switch (Below(random, 6)) {
    case 0: {  // an identifier of the other region, of another record, at the range's edges
      int32_t id = static_cast<int32_t>(Edge(random));
      if (OneIn(random, 2)) id = static_cast<int32_t>(0u - static_cast<uint32_t>(id));
      if (OneIn(random, 3)) id = zv::GetI32(At(Pick(random, file.units), fl::kIdOffset));
      if (OneIn(random, 4)) id = -1 - zv::GetU16(At(file.header, fl::kLastFileEntryOffset));
      zv::PutI32(At(record, fl::kIdOffset), id);
      break;
    }
    case 1:
      PutFixed(record, fl::kNameOffset, zv::kFormNameSize, Text(random, kFormNames), random);
      break;
    case 2:
      PutFixed(record, fl::kDescriptionOffset, zv::kFormDescriptionSize, Text(random, kFormNames), random);
      break;
    case 3:
      record[fl::kLayerOffset] = static_cast<char>(Pick(random, std::vector<uint32_t>{0, 1, 2, 3, 0xFF}));
      break;
    case 4:  // the group name list beside it holds eight texts
      zv::PutU32(At(record, fl::kGroupIndexOffset), OneIn(random, 3) ? Edge(random) : Below(random, 9));
      break;
    default:
      MutateBytes(record, record.size());
      record.resize(fl::kRecordSize, '\0');
      break;
  }
}
void MutateOverlayEntry(File& file, std::string& entry, Random& random) {
  switch (Below(random, 5)) {
    case 0:
    case 1: {
      const Field& field = Pick(random, kSettingsFields);
      Put(entry, field.offset, field.width, OneIn(random, 4) ? Edge(random) : Pick(random, field.values));
      break;
    }
    case 2:  // a field as another entry holds it, so that records compare equal but for one field
      if (!file.units.empty()) {
        const Field& field = Pick(random, kSettingsFields);
        entry.replace(field.offset, field.width, Pick(random, file.units), field.offset, field.width);
      }
      break;
    case 3:
      zv::PutI32(At(entry, gi::kEntryFileNameOffset), StringIndex(random, file));
      break;
    default:
      MutateBytes(entry, entry.size());
      entry.resize(gi::kEntrySize, '\0');
      break;
  }
}

// A new unit: a copy of one there is, or a plain one of the format.
std::string NewUnit(Format format, const File& file, bool named, Random& random) {
  if (!file.units.empty() && OneIn(random, 2)) return Pick(random, file.units);
  std::string unit(kShapes[format].unitSize, '\0');
  if (format == kFormList) {
    zv::PutI32(At(unit, fl::kIdOffset),
               named ? 1 + Below(random, 16) : -1 - static_cast<int32_t>(Below(random, 16)));
    PutFixed(unit, fl::kNameOffset, zv::kFormNameSize, named ? Text(random, kFormNames) : "P", random);
    unit[fl::kLayerOffset] = 1;
    zv::PutU32(At(unit, fl::kGroupIndexOffset), Below(random, 8));
  } else {
    // A4 portrait in black at 600 dpi, the print settings of the target's driver block.
    for (const Field& field : kSettingsFields) Put(unit, field.offset, field.width, 0);
    Put(unit, sr::kMarkOffset, 2, zv::kSettingsMark);
    unit[sr::kLayerOffset] = 1;
    unit[sr::kModeLevelOffset] = 1;
    Put(unit, sr::kPaperWidthOffset, 2, 2100);
    Put(unit, sr::kPaperHeightOffset, 2, 2970);
    Put(unit, sr::kPaperCodeOffset, 2, 9);
    unit[sr::kOrientationOffset] = zv::kPortrait;
    Put(unit, sr::kResolutionOffset, 2, zv::kHighResolution);
    unit[sr::kColourOffset] = zv::kBlack;
    unit[sr::kPrintingModeOffset] = 2;
    Put(unit, sr::kOutputWidthOffset, 2, 2100);
    Put(unit, sr::kOutputHeightOffset, 2, 2970);
    Put(unit, sr::kOutputCodeOffset, 2, 9);
    Put(unit, sr::kZoomOffset, 2, zv::kDefaultZoom);
    zv::PutI32(At(unit, gi::kEntryFileNameOffset), StringIndex(random, file));
  }
  return unit;
}

void MutateUnits(Format format, File& file, Random& random) {
  const size_t count = file.units.size(), index = Below(random, count);
  switch (count ? Below(random, 5) : 0) {
    case 0:  // a unit added, in either region of a form name list
      if (count < kShapes[format].maxUnits) {
        const bool named = OneIn(random, 2);
        const size_t at = format != kFormList ? Below(random, count + 1)
                          : named             ? Below(random, file.named + 1)
                                              : file.named + Below(random, count - file.named + 1);
        file.units.insert(file.units.begin() + at, NewUnit(format, file, named, random));
        file.named += named && format == kFormList;
      }
      break;
    case 1:
      file.units.erase(file.units.begin() + index);
      file.named -= index < file.named;
      break;
    case 2:  // the regions' border moved: records change region
      if (format == kFormList) file.named = Below(random, count + 1);
      break;
    case 3:
      std::swap(file.units[index], file.units[Below(random, count)]);
      break;
    default:
      if (format == kFormList) {
        MutateFormRecord(file, file.units[index], random);
      } else {
        MutateOverlayEntry(file, file.units[index], random);
      }
      break;
  }
}

void MutateHeader(Format format, File& file, Random& random) {
  if (format == kFormList) {
    const uint32_t ids[] = {
        0,
        1,
        2,
        255,
        256,
        257,
        0xFFFF,
        Edge(random),
        file.units.empty() ? 0u : 0u - zv::GetI32(At(Pick(random, file.units), fl::kIdOffset))};
    Put(file.header, fl::kLastFileEntryOffset, 2, ids[Below(random, sizeof ids / sizeof *ids)]);
  } else if (format == kGroupInfo) {
    static const uint32_t kIndexes[] = {gi::kFirstStringOffset, gi::kEditedFileStringOffset,
                                        gi::kPreviewStringOffset};
    if (OneIn(random, 6)) {
      file.header[gi::kReservedOffset + Below(random, gi::kReservedSize)] =
          static_cast<char>(1 + Below(random, 255));
    } else {
      zv::PutI32(At(file.header, kIndexes[Below(random, 3)]), StringIndex(random, file));
    }
  }
}

// One rule of validity broken on the encoded file: a byte of the magic, the size, a count, the header.
void Break(Format format, std::string& bytes, Random& random) {
  const Shape& shape = kShapes[format];
  static const std::vector<std::vector<uint32_t>> kCounts = {
      {fl::kNamedCountOffset, fl::kFileEntryCountOffset},
      {gl::kEntryCountOffset, gl::kPoolSizeOffset},
      {gi::kEntryCountOffset, gi::kStringCountOffset, gi::kPoolSizeOffset}};
  switch (Below(random, 4)) {
    case 0:
      bytes[Below(random, shape.magicSize)] ^= static_cast<char>(1 + Below(random, 255));
      break;
    case 1:
      if (OneIn(random, 2) && bytes.size() > shape.headerSize) {
        bytes.resize(bytes.size() - std::min(bytes.size() - shape.headerSize, 1 + Below(random, 4)));
      } else {
        bytes.append(1 + Below(random, 4), '\0');
      }
      break;
    case 2: {
      const uint32_t at = Pick(random, kCounts[format]);
      const size_t width = format == kFormList && at == fl::kFileEntryCountOffset ? 2 : 4;
      const uint32_t value = width == 2 ? zv::GetU16(At(bytes, at)) : zv::GetU32(At(bytes, at));
      Put(bytes, at, width, OneIn(random, 2) ? value + 1 : OneIn(random, 2) ? value - 1 : Edge(random));
      break;
    }
    default:
      bytes.resize(Below(random, shape.headerSize));
      break;
  }
}

size_t Mutate(Format format, uint8_t* data, size_t size, size_t maxSize, unsigned seed) {
  Random random(seed);
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (OneIn(random, 4)) {
    MutateBytes(bytes, maxSize);
  } else {
    File file = Decode(format, bytes);
    for (size_t n = 1 + Below(random, 3); n-- > 0;) {
      const size_t what = Below(random, format == kGroupList ? 2 : 5);
      if (what == 0 || format == kGroupList) {
        MutatePool(file.pool, random, format == kGroupList ? kGroupTexts : kGroupInfoTexts, 64);
      } else if (what == 1) {
        MutateHeader(format, file, random);
      } else {
        MutateUnits(format, file, random);
      }
    }
    if (!Fit(file, maxSize)) return LLVMFuzzerMutate(data, size, maxSize);
    bytes = Encode(format, file);
    if (OneIn(random, 8)) Break(format, bytes, random);
    if (bytes.size() > maxSize) bytes.resize(maxSize);
  }
  std::memcpy(data, bytes.data(), bytes.size());
  return bytes.size();
}

// Units of the second file put among those of the first: form records into the same region, overlay
// entries with their texts, whose string indexes then count from the end of the first file's table;
// group name list entries with their texts, whose offsets then count from the end of the first
// file's pool.
size_t CrossOver(Format format, const std::string& first, const std::string& second, uint8_t* out,
                 size_t maxSize, unsigned seed) {
  Random random(seed);
  File file = Decode(format, first);
  const File other = Decode(format, second);
  const size_t pooled = file.pool.bytes.size(), strings = file.pool.offsets.size();
  file.pool.bytes += other.pool.bytes;
  const size_t from = Below(random, other.pool.offsets.size() + 1);
  for (size_t i = from; i < other.pool.offsets.size(); ++i)
    file.pool.offsets.push_back(static_cast<uint32_t>(other.pool.offsets[i] + pooled));
  if (format == kFormList) {
    const bool named = OneIn(random, 2);
    const size_t begin = named ? 0 : other.named, end = named ? other.named : other.units.size();
    const size_t take = begin + Below(random, end - begin + 1),
                 at = named ? Below(random, file.named + 1)
                            : file.named + Below(random, file.units.size() - file.named + 1);
    file.units.insert(file.units.begin() + at, other.units.begin() + take, other.units.begin() + end);
    if (named) file.named += end - take;
  } else if (format == kGroupInfo) {
    for (size_t i = Below(random, other.units.size() + 1); i < other.units.size(); ++i) {
      std::string entry = other.units[i];
      const int32_t index = zv::GetI32(At(entry, gi::kEntryFileNameOffset));
      if (index >= static_cast<int32_t>(from))
        zv::PutI32(At(entry, gi::kEntryFileNameOffset), static_cast<int32_t>(index - from + strings));
      file.units.insert(file.units.begin() + Below(random, file.units.size() + 1), entry);
    }
    file.units.resize(std::min<size_t>(file.units.size(), kShapes[format].maxUnits));
  }
  if (!Fit(file, maxSize)) return 0;
  const std::string bytes = Encode(format, file);
  std::memcpy(out, bytes.data(), bytes.size());
  return bytes.size();
}

}  // namespace mutation
}  // namespace zvfuzz

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned seed) {
  return zvfuzz::mutation::Mutate(zvfuzz::mutation::ZV_FUZZ_FORMAT, data, size, maxSize, seed);
}

extern "C" size_t LLVMFuzzerCustomCrossOver(const uint8_t* first, size_t firstSize, const uint8_t* second,
                                            size_t secondSize, uint8_t* out, size_t maxSize, unsigned seed) {
  return zvfuzz::mutation::CrossOver(
      zvfuzz::mutation::ZV_FUZZ_FORMAT, std::string(reinterpret_cast<const char*>(first), firstSize),
      std::string(reinterpret_cast<const char*>(second), secondSize), out, maxSize, seed);
}
