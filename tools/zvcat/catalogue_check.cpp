// The catalogue checker: every file is read whole into memory once, and every
// offset taken from it is checked against what was read before it is used.

#include "catalogue_check.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <utility>

#include "catalogue/byte_order.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "catalogue/paths.h"
#include "file_image.h"
#include "platform/platform.h"

namespace zvcat {
namespace {

using zv::GetI32;
using zv::GetU16;
using zv::GetU32;

// Longest pooled text: the readers take texts into 261-byte buffers.
constexpr uint32_t kLongestText = plat::kMaxPath;
// Both pools, of the group name list and of a group info file, hold their
// texts in one form: a u16 length, then that many bytes.
constexpr uint32_t kTextLengthSize = zv::group_list::kTextLengthSize;

std::string Format(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

// A text from a file as it goes into a one-line message: control characters
// are shown as \xNN.
std::string Shown(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      shown += Format("\\x%02X", static_cast<unsigned>(u));
    } else {
      shown += c;
    }
  }
  return shown;
}

class Report {
 public:
  explicit Report(std::vector<Finding>* out) : out_(out) {}
  void Add(const char* kind, const std::string& file, int64_t offset, const std::string& message) {
    out_->push_back(Finding{kind, file, offset, message});
  }

 private:
  std::vector<Finding>* out_;
};

// Reports why a file of the catalogue gave no bytes, with kind for a missing
// file. True when the file was read.
bool ReportUnread(Report& report, const FileImage& image, const std::string& path, const char* what,
                  const char* missingKind, const std::string& missingMessage) {
  switch (image.state) {
    case FileImage::kRead:
      return true;
    case FileImage::kMissing:
      report.Add(missingKind, path, -1, missingMessage);
      break;
    case FileImage::kCannotOpen:
      report.Add(kind::kCannotOpen, path, -1, Format("the %s exists but cannot be opened for reading", what));
      break;
    case FileImage::kTooLarge:
      report.Add(kind::kCannotOpen, path, -1,
                 Format("the %s is %lu bytes long, more than the %lu bytes the checker reads", what,
                        static_cast<unsigned long>(image.size), static_cast<unsigned long>(kLargestFile)));
      break;
    case FileImage::kReadFailed:
      report.Add(kind::kCannotOpen, path, -1, Format("the %s could not be read to its end", what));
      break;
  }
  return false;
}

// The header checks every file of the catalogue shares: long enough for its
// header, then its magic. True when both hold.
bool CheckHeader(Report& report, const FileImage& image, const std::string& path, const char* what,
                 uint32_t headerSize, const char* magic, uint32_t magicSize) {
  if (image.size < headerSize) {
    report.Add(kind::kBadSize, path, -1,
               Format("the %s is %lu bytes long, shorter than its %lu-byte header", what,
                      static_cast<unsigned long>(image.size), static_cast<unsigned long>(headerSize)));
    return false;
  }
  if (std::memcmp(image.At(0), magic, magicSize) != 0) {
    report.Add(kind::kBadMagic, path, 0, Format("the %s does not start with \"%s\"", what, magic));
    return false;
  }
  return true;
}

// A pooled text reached through slot tableSlot of an offset table: checked
// against the pool and, when sound, copied out. The caller has checked that
// the table and the pool lie within the file; the reads are checked against
// the bytes read all the same.
struct PoolCheck {
  bool sound = false;
  std::string text;
  const char* kind = nullptr;  // the finding, when not sound
  uint64_t offset = 0;
  std::string message;
};

PoolCheck CheckPooledText(const FileImage& image, uint64_t tableSlot, uint64_t poolOffset,
                          uint32_t poolSize) {
  PoolCheck check;
  if (!image.Holds(tableSlot, sizeof(uint32_t)) || !image.Holds(poolOffset, poolSize)) {
    check.kind = kind::kTextOutOfPool;
    check.offset = tableSlot;
    check.message = "the offset table or the pool lies past the end of the file";
    return check;
  }
  const uint32_t offset = GetU32(image.At(tableSlot));
  if (uint64_t{offset} + kTextLengthSize > poolSize) {
    check.kind = kind::kTextOutOfPool;
    check.offset = tableSlot;
    check.message = Format("pool offset %lu, but the pool holds %lu bytes",
                           static_cast<unsigned long>(offset), static_cast<unsigned long>(poolSize));
    return check;
  }
  const uint64_t lengthAt = poolOffset + offset;
  const uint32_t length = GetU16(image.At(lengthAt));
  if (uint64_t{offset} + kTextLengthSize + length > poolSize) {
    check.kind = kind::kTextOutOfPool;
    check.offset = lengthAt;
    check.message = Format("a text of %lu bytes at pool offset %lu runs past the end of the %lu-byte pool",
                           static_cast<unsigned long>(length), static_cast<unsigned long>(offset),
                           static_cast<unsigned long>(poolSize));
    return check;
  }
  if (length > kLongestText) {
    check.kind = kind::kTextOutOfPool;
    check.offset = lengthAt;
    check.message = Format("a text of %lu characters, longer than %lu", static_cast<unsigned long>(length),
                           static_cast<unsigned long>(kLongestText));
    return check;
  }
  check.sound = true;
  const char* first = reinterpret_cast<const char*>(image.At(lengthAt + kTextLengthSize));
  // A zero byte inside a text ends it for every reader.
  const void* end = std::memchr(first, 0, length);
  check.text.assign(first, end ? static_cast<size_t>(static_cast<const char*>(end) - first) : length);
  return check;
}

// ---------------------------------------------------------------------------
// Group name list file

struct GroupList {
  bool valid = false;  // read, right magic, right size: its texts can be looked at
  uint32_t entryCount = 0;
  std::vector<PoolCheck> texts;  // one per entry
};

// Reads and checks the group name list file; its findings go to report.
GroupList ScanGroupList(Report& report, const std::string& path) {
  namespace gl = zv::group_list;
  GroupList list;
  const FileImage image = ReadWholeFile(path);
  if (!ReportUnread(report, image, path, "group name list file", kind::kCannotOpen,
                    "the group name list file does not exist")) {
    return list;
  }
  if (!CheckHeader(report, image, path, "group name list file", gl::kHeaderSize, gl::kMagic,
                   gl::kMagicSize)) {
    return list;
  }
  zv::GroupListHeader header;
  zv::DecodeGroupListHeader(image.At(0), &header);
  const uint64_t expected =
      uint64_t{gl::kHeaderSize} + uint64_t{gl::kTableSlotSize} * header.entryCount + header.poolSize;
  if (expected != image.size) {
    report.Add(
        kind::kBadSize, path, gl::kEntryCountOffset,
        Format("entry count %lu and pool size %lu give %llu bytes, but the file is %lu bytes long",
               static_cast<unsigned long>(header.entryCount), static_cast<unsigned long>(header.poolSize),
               static_cast<unsigned long long>(expected), static_cast<unsigned long>(image.size)));
    return list;
  }
  list.valid = true;
  list.entryCount = header.entryCount;
  const uint64_t poolOffset = zv::GroupListPoolOffset(header);
  list.texts.reserve(header.entryCount);
  for (uint32_t i = 0; i < header.entryCount; ++i) {
    const uint64_t slot = uint64_t{gl::kOffsetTableOffset} + uint64_t{gl::kTableSlotSize} * i;
    list.texts.push_back(CheckPooledText(image, slot, poolOffset, header.poolSize));
  }
  return list;
}

// ---------------------------------------------------------------------------
// Form name list file

struct FormRecordInfo {
  uint32_t index;  // counting from 0 over both regions
  int32_t id;
  bool named;
  std::string name;
  uint32_t groupIndex;
};

struct FormList {
  bool whole = false;  // every record the header counts is present
  std::vector<FormRecordInfo> records;
};

bool HasTerminator(const unsigned char* field, uint32_t size) {
  return std::memchr(field, 0, size) != nullptr;
}

FormList ScanFormList(Report& report, const std::string& path, const GroupList& groups) {
  namespace fl = zv::form_list;
  FormList list;
  const FileImage image = ReadWholeFile(path);
  if (!ReportUnread(report, image, path, "form name list file", kind::kCannotOpen,
                    "the form name list file does not exist")) {
    return list;
  }
  if (!CheckHeader(report, image, path, "form name list file", fl::kHeaderSize, fl::kMagic, fl::kMagicSize)) {
    return list;
  }
  const uint32_t namedCount = GetU32(image.At(fl::kNamedCountOffset));
  const uint32_t fileEntryCount = GetU16(image.At(fl::kFileEntryCountOffset));
  const uint64_t recordCount = uint64_t{namedCount} + fileEntryCount;
  const uint64_t expected = fl::kHeaderSize + fl::kRecordSize * recordCount;
  uint64_t present = recordCount;
  if (expected != image.size) {
    report.Add(kind::kBadSize, path, fl::kNamedCountOffset,
               Format("named-form count %lu and file-entry count %lu give %llu bytes, but the file is %lu "
                      "bytes long",
                      static_cast<unsigned long>(namedCount), static_cast<unsigned long>(fileEntryCount),
                      static_cast<unsigned long long>(expected), static_cast<unsigned long>(image.size)));
    const uint64_t fit = (image.size - fl::kHeaderSize) / fl::kRecordSize;
    if (fit < present) present = fit;
  } else {
    list.whole = true;
  }

  std::map<int32_t, uint32_t> recordOfId;
  std::map<std::string, uint32_t> recordOfName;
  std::map<uint32_t, uint32_t> recordOfGroup;
  for (uint32_t i = 0; i < present; ++i) {
    const uint64_t at = fl::kHeaderSize + uint64_t{fl::kRecordSize} * i;
    if (!image.Holds(at, fl::kRecordSize)) break;  // present counts whole records only
    const unsigned char* record = image.At(at);
    FormRecordInfo info;
    info.index = i;
    info.named = i < namedCount;
    info.id = zv::FormRecordId(record);
    char name[zv::kFormNameSize];
    zv::CopyFormRecordName(record, name);
    info.name = name;
    info.groupIndex = GetU32(record + fl::kGroupIndexOffset);
    const std::string who =
        Format("record %lu (id %ld)", static_cast<unsigned long>(i), static_cast<long>(info.id));

    if (info.named && info.id < 1) {
      report.Add(kind::kBadRecord, path, at + fl::kIdOffset,
                 Format("%s: a named form's identifier must be above 0", who.c_str()));
    } else if (!info.named && (info.id > -1 || info.id < kLowestFileEntryId)) {
      report.Add(kind::kBadRecord, path, at + fl::kIdOffset,
                 Format("%s: a file entry's identifier must lie from %ld to -1", who.c_str(),
                        static_cast<long>(kLowestFileEntryId)));
    }
    const auto id = recordOfId.emplace(info.id, i);
    if (!id.second) {
      report.Add(kind::kDuplicateId, path, at + fl::kIdOffset,
                 Format("%s: record %lu has the same identifier", who.c_str(),
                        static_cast<unsigned long>(id.first->second)));
    }
    if (!HasTerminator(record + fl::kNameOffset, zv::kFormNameSize)) {
      report.Add(kind::kBadRecord, path, at + fl::kNameOffset,
                 Format("%s: the name fills its %lu bytes without a terminator", who.c_str(),
                        static_cast<unsigned long>(zv::kFormNameSize)));
    }
    if (info.named) {
      // Names are compared as the name check of the catalogue compares
      // them: the first 24 characters, byte for byte, letter case counting.
      const auto named = recordOfName.emplace(info.name, i);
      if (!named.second) {
        report.Add(kind::kDuplicateName, path, at + fl::kNameOffset,
                   Format("%s: named form \"%s\" has the name of record %lu", who.c_str(),
                          Shown(info.name).c_str(), static_cast<unsigned long>(named.first->second)));
      }
    }
    if (!HasTerminator(record + fl::kDescriptionOffset, zv::kFormDescriptionSize)) {
      report.Add(kind::kBadRecord, path, at + fl::kDescriptionOffset,
                 Format("%s: the description fills its %lu bytes without a terminator", who.c_str(),
                        static_cast<unsigned long>(zv::kFormDescriptionSize)));
    }
    const uint8_t layer = record[fl::kLayerOffset];
    if (layer != zv::kLayerFront && layer != zv::kLayerBack) {
      report.Add(
          kind::kBadRecord, path, at + fl::kLayerOffset,
          Format("%s: layer %u, neither front (1) nor back (2)", who.c_str(), static_cast<unsigned>(layer)));
    }
    if (groups.valid) {
      if (info.groupIndex >= groups.entryCount) {
        report.Add(kind::kGroupIndexOutOfRange, path, at + fl::kGroupIndexOffset,
                   Format("%s: group index %lu, but the group name list has %lu entries", who.c_str(),
                          static_cast<unsigned long>(info.groupIndex),
                          static_cast<unsigned long>(groups.entryCount)));
      } else {
        const auto group = recordOfGroup.emplace(info.groupIndex, i);
        if (!group.second) {
          report.Add(kind::kSharedGroupEntry, path, at + fl::kGroupIndexOffset,
                     Format("%s: group index %lu, which record %lu uses too", who.c_str(),
                            static_cast<unsigned long>(info.groupIndex),
                            static_cast<unsigned long>(group.first->second)));
        }
      }
    }
    list.records.push_back(info);
  }
  return list;
}

// The path of the group info file a named form's group text names: the text
// resolved as a path, when its extension is .FGP. False for a save directory,
// and for a text that does not resolve into a path buffer.
bool GroupInfoPathOf(const PoolCheck& text, const std::string& groupListPath, std::string* path) {
  if (!text.sound) return false;
  zv::PathBuffer resolved;
  if (!zv::ResolveGroupTextPath(text.text.c_str(), groupListPath.c_str(), resolved)) return false;
  if (!zv::ExtensionEquals(resolved, ".FGP")) return false;
  *path = resolved;
  return true;
}

// The group name list's findings, entry by entry: its text, whether any
// record uses it, and whether it names a group info file that an earlier
// named form's entry names too. Unused entries are looked for only when every
// record was read.
void ReportGroupEntries(Report& report, const std::string& path, const GroupList& groups,
                        const FormList& forms) {
  if (!groups.valid) return;
  constexpr uint32_t kNoRecord = 0xFFFFFFFFu;
  std::vector<uint32_t> user(groups.entryCount, kNoRecord);  // the first record using the entry
  std::vector<uint32_t> namedUser(groups.entryCount, kNoRecord);
  for (uint32_t r = 0; r < forms.records.size(); ++r) {
    const FormRecordInfo& record = forms.records[r];
    if (record.groupIndex >= groups.entryCount) continue;
    if (user[record.groupIndex] == kNoRecord) user[record.groupIndex] = r;
    if (record.named && namedUser[record.groupIndex] == kNoRecord) namedUser[record.groupIndex] = r;
  }
  std::vector<std::pair<std::string, uint32_t>> groupInfos;  // path, entry
  for (uint32_t i = 0; i < groups.entryCount; ++i) {
    const uint64_t slot = zv::group_list::kOffsetTableOffset + uint64_t{zv::group_list::kTableSlotSize} * i;
    const PoolCheck& text = groups.texts[i];
    if (!text.sound) {
      report.Add(text.kind, path, static_cast<int64_t>(text.offset),
                 Format("entry %lu: %s", static_cast<unsigned long>(i), text.message.c_str()));
    }
    if (forms.whole && user[i] == kNoRecord) {
      report.Add(kind::kUnusedGroupEntry, path, static_cast<int64_t>(slot),
                 Format("entry %lu: no form record has group index %lu", static_cast<unsigned long>(i),
                        static_cast<unsigned long>(i)));
    }
    std::string groupInfo;
    if (namedUser[i] == kNoRecord || !GroupInfoPathOf(text, path, &groupInfo)) continue;
    const FormRecordInfo& form = forms.records[namedUser[i]];
    bool shared = false;
    for (const auto& earlier : groupInfos) {
      if (!zv::EqualsIgnoringCase(earlier.first.c_str(), groupInfo.c_str())) continue;
      const FormRecordInfo& other = forms.records[namedUser[earlier.second]];
      report.Add(kind::kSharedGroupInfo, path, static_cast<int64_t>(slot),
                 Format("entry %lu of record %lu (id %ld, \"%s\") names group info file %s, as entry %lu of "
                        "record %lu (id %ld, \"%s\") does",
                        static_cast<unsigned long>(i), static_cast<unsigned long>(form.index),
                        static_cast<long>(form.id), Shown(form.name).c_str(), Shown(groupInfo).c_str(),
                        static_cast<unsigned long>(earlier.second), static_cast<unsigned long>(other.index),
                        static_cast<long>(other.id), Shown(other.name).c_str()));
      shared = true;
      break;
    }
    if (!shared) groupInfos.emplace_back(groupInfo, i);
  }
}

// ---------------------------------------------------------------------------
// Group info files and their overlay data files

// Where an overlay entry's file is: a name with a backslash is a full path,
// any other lies in the directory of the group info file.
bool ResolveEntryName(const char* groupInfoPath, const char* name, char* path) {
  if (std::strchr(name, '\\')) return zv::CopyPath(path, name);
  zv::DirectoryOfFile(groupInfoPath, path);
  return zv::AppendPath(path, name);
}

void CheckGroupInfo(Report& report, const std::string& path, const FormRecordInfo& form) {
  namespace gi = zv::group_info;
  const FileImage image = ReadWholeFile(path);
  if (!ReportUnread(report, image, path, "group info file", kind::kGroupInfoMissing,
                    Format("the group info file of record %lu (id %ld, \"%s\") does not exist",
                           static_cast<unsigned long>(form.index), static_cast<long>(form.id),
                           Shown(form.name).c_str()))) {
    return;
  }
  if (!CheckHeader(report, image, path, "group info file", gi::kHeaderSize, gi::kMagic, gi::kMagicSize)) {
    return;
  }
  zv::GroupInfoHeader header;
  zv::DecodeGroupInfoHeader(image.At(0), &header);
  const uint64_t tableOffset = gi::kEntriesOffset + uint64_t{gi::kEntrySize} * header.entryCount;
  const uint64_t poolOffset = tableOffset + uint64_t{gi::kTableSlotSize} * header.stringCount;
  const uint64_t expected = poolOffset + header.poolSize;
  if (expected != image.size) {
    report.Add(
        kind::kBadSize, path, gi::kEntryCountOffset,
        Format("entry count %lu, string count %lu and pool size %lu give %llu bytes, but the file is %lu "
               "bytes long",
               static_cast<unsigned long>(header.entryCount), static_cast<unsigned long>(header.stringCount),
               static_cast<unsigned long>(header.poolSize), static_cast<unsigned long long>(expected),
               static_cast<unsigned long>(image.size)));
    return;
  }
  // From here on the entries, the table and the pool lie within the bytes
  // read: their sizes add up to the file's.
  const auto indexInTable = [&](int32_t index) {
    return index >= 0 && static_cast<uint32_t>(index) < header.stringCount;
  };

  struct Slot {
    uint32_t offset;
    const char* what;
  };
  const Slot slots[] = {{gi::kFirstStringOffset, "first group string"},
                        {gi::kEditedFileStringOffset, "edited file string"},
                        {gi::kPreviewStringOffset, "preview file string"}};
  for (const Slot& slot : slots) {
    const int32_t index = GetI32(image.At(slot.offset));
    if (index != zv::kNoString && !indexInTable(index)) {
      report.Add(kind::kStringIndexOutOfRange, path, slot.offset,
                 Format("%s index %ld, but the file has %lu strings", slot.what, static_cast<long>(index),
                        static_cast<unsigned long>(header.stringCount)));
    }
  }
  for (uint32_t e = 0; e < header.entryCount; ++e) {
    const uint64_t at = gi::kEntriesOffset + uint64_t{gi::kEntrySize} * e + gi::kEntryFileNameOffset;
    const int32_t index = GetI32(image.At(at));
    if (index != zv::kNoString && !indexInTable(index)) {
      report.Add(kind::kStringIndexOutOfRange, path, static_cast<int64_t>(at),
                 Format("overlay entry %lu: file name string index %ld, but the file has %lu strings",
                        static_cast<unsigned long>(e), static_cast<long>(index),
                        static_cast<unsigned long>(header.stringCount)));
    }
  }
  std::vector<PoolCheck> strings;
  strings.reserve(header.stringCount);
  for (uint32_t s = 0; s < header.stringCount; ++s) {
    strings.push_back(
        CheckPooledText(image, tableOffset + uint64_t{gi::kTableSlotSize} * s, poolOffset, header.poolSize));
    const PoolCheck& text = strings.back();
    if (!text.sound) {
      report.Add(text.kind, path, static_cast<int64_t>(text.offset),
                 Format("string %lu: %s", static_cast<unsigned long>(s), text.message.c_str()));
    }
  }
  std::set<std::string> checked;
  for (uint32_t e = 0; e < header.entryCount; ++e) {
    const int32_t index =
        GetI32(image.At(gi::kEntriesOffset + uint64_t{gi::kEntrySize} * e + gi::kEntryFileNameOffset));
    if (!indexInTable(index) || !strings[static_cast<uint32_t>(index)].sound) continue;
    const std::string& name = strings[static_cast<uint32_t>(index)].text;
    zv::PathBuffer overlay;
    if (name.empty() || !ResolveEntryName(path.c_str(), name.c_str(), overlay)) continue;
    if (!checked.insert(overlay).second) continue;
    if (!zv::PathExists(overlay)) {
      report.Add(kind::kOverlayMissing, overlay, -1,
                 Format("overlay entry %lu of group info file %s names %s, which does not exist",
                        static_cast<unsigned long>(e), Shown(path).c_str(), Shown(name).c_str()));
    }
  }
}

}  // namespace

std::vector<Finding> CheckCatalogue(const CataloguePaths& paths) {
  std::vector<Finding> findings;
  std::vector<Finding> groupFindings;
  Report report(&findings);
  Report groupReport(&groupFindings);

  // The group name list is read first, as the form records' group indexes
  // are checked against it, but its findings follow those of the form list.
  const GroupList groups = ScanGroupList(groupReport, paths.groupList);
  const FormList forms = ScanFormList(report, paths.formList, groups);
  ReportGroupEntries(groupReport, paths.groupList, groups, forms);
  findings.insert(findings.end(), groupFindings.begin(), groupFindings.end());

  // Each group info file once, however many forms name it.
  std::vector<std::string> seen;
  if (!groups.valid) return findings;
  for (const FormRecordInfo& form : forms.records) {
    if (!form.named || form.groupIndex >= groups.entryCount) continue;
    std::string path;
    if (!GroupInfoPathOf(groups.texts[form.groupIndex], paths.groupList, &path)) continue;
    bool again = false;
    for (const std::string& done : seen) again = again || zv::EqualsIgnoringCase(done.c_str(), path.c_str());
    if (again) continue;
    seen.push_back(path);
    CheckGroupInfo(report, path, form);
  }
  return findings;
}

}  // namespace zvcat
