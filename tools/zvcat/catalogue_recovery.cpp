#include "catalogue_recovery.h"

#include <cstdio>
#include <cstring>
#include <set>

#include "catalogue/byte_order.h"
#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "catalogue/paths.h"
#include "file_image.h"
#include "platform/platform.h"

namespace zvcat {
namespace {

namespace fl = zv::form_list;
namespace gl = zv::group_list;
namespace gi = zv::group_info;
using zv::GetI32;
using zv::GetU16;
using zv::GetU32;

constexpr uint32_t kLongestText = plat::kMaxPath;
constexpr uint32_t kTextLengthSize = gl::kTextLengthSize;
constexpr int32_t kHighestNamedId = 4096;  // "000": the one name of 4096 and above
constexpr uint32_t kOverlayNumbers = 256;  // two hexadecimal digits

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool EndsWith(const std::string& text, const char* end) {
  const size_t n = std::strlen(end);
  return text.size() >= n && Upper(text.substr(text.size() - n)) == end;
}

bool Exists(const std::string& path) {
  return !path.empty() && path.size() <= plat::kMaxPath && zv::PathExists(path.c_str());
}

// The directory of a file, with its backslash; empty when there is none.
std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Beside(const std::string& name, const std::string& file) {
  return name.find('\\') != std::string::npos ? name : DirectoryOf(file) + name;
}

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

// The name the naming rule gives form id's group info file: identifiers of
// 4096 and above take "000" as their digits.
std::string GroupInfoFileName(const std::string& prefix, int32_t id) {
  return prefix + Hex(id > 0 && id < kHighestNamedId ? static_cast<uint32_t>(id) : 0, 3) + ".FGP";
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// A text field that must end within its size.
bool Terminated(const unsigned char* field, uint32_t size, std::string* text) {
  const void* end = std::memchr(field, 0, size);
  if (!end) return false;
  text->assign(reinterpret_cast<const char*>(field), static_cast<const unsigned char*>(end) - field);
  return true;
}

// A pooled text, a u16 length and its bytes, within both the pool and what
// was read; false when it is not. Like the module's readers it ends at a zero
// byte among its bytes.
bool PooledText(const FileImage& image, uint64_t poolAt, uint64_t poolSize, uint64_t offset,
                std::string* text, int64_t* at) {
  if (offset + kTextLengthSize > poolSize || !image.Holds(poolAt + offset, kTextLengthSize)) return false;
  const uint32_t length = GetU16(image.At(poolAt + offset));
  if (length > kLongestText || offset + kTextLengthSize + length > poolSize ||
      !image.Holds(poolAt + offset + kTextLengthSize, length)) {
    return false;
  }
  const char* bytes = reinterpret_cast<const char*>(image.At(poolAt + offset + kTextLengthSize));
  text->assign(bytes, strnlen(bytes, length));
  *at = static_cast<int64_t>(poolAt + offset);
  return true;
}

// The 319-byte header of an overlay data file, read alone: false when the
// file is shorter, or holds raw printer data (by its name or first bytes).
bool ReadOverlayHeader(const std::string& path, unsigned char* header) {
  if (zv::HasRawFileName(path.c_str())) return false;
  plat::FileHandle file =
      plat::OpenFile(path.c_str(), plat::kAccessRead, plat::kShareRead, plat::kOpenExisting);
  uint32_t done = 0;
  const bool read = file && plat::ReadFile(file, header, zv::overlay_header::kSize, &done) &&
                    done == zv::overlay_header::kSize;
  if (file) plat::CloseFile(file);
  return read && !zv::StartsAsRawData(header);
}

const char* UnreadReason(const FileImage& image) {
  switch (image.state) {
    case FileImage::kRead:
      break;
    case FileImage::kMissing:
      return "the file does not exist";
    case FileImage::kCannotOpen:
      return "the file exists but cannot be opened for reading";
    case FileImage::kTooLarge:
      return "the file is larger than zvcat reads";
    case FileImage::kReadFailed:
      return "the file could not be read to its end";
  }
  return "";
}

// Why a list or group info file gives nothing at all; empty when it can be
// read for its parts.
std::string WholeFileFault(const FileImage& image, const char* magic, uint32_t magicSize,
                           uint32_t headerSize) {
  if (image.state != FileImage::kRead) return UnreadReason(image);
  if (!image.Holds(0, headerSize)) return "the file is shorter than its header";
  if (std::memcmp(image.At(0), magic, magicSize) != 0) return "the magic at its start is wrong";
  return std::string();
}

// The group name list as read: its texts by index.
struct GroupList {
  std::string path;
  FileImage image;
  std::string fault;  // why nothing can be read of it
  uint32_t count = 0;
  uint64_t poolAt = 0, poolSize = 0;

  bool Text(uint32_t index, std::string* text, Source* from) const {
    if (!fault.empty() || index >= count) return false;
    const uint64_t slot = gl::kOffsetTableOffset + uint64_t{gl::kTableSlotSize} * index;
    if (!image.Holds(slot, gl::kTableSlotSize)) return false;
    int64_t at = -1;
    if (!PooledText(image, poolAt, poolSize, GetU32(image.At(slot)), text, &at)) return false;
    *from = Source{path, at};
    return true;
  }
};

GroupList ReadGroupList(const std::string& path) {
  GroupList list;
  list.path = path;
  list.image = ReadWholeFile(path);
  list.fault = WholeFileFault(list.image, gl::kMagic, gl::kMagicSize, gl::kHeaderSize);
  if (!list.fault.empty()) return list;
  list.count = GetU32(list.image.At(gl::kEntryCountOffset));
  list.poolSize = GetU32(list.image.At(gl::kPoolSizeOffset));
  list.poolAt = gl::kOffsetTableOffset + uint64_t{gl::kTableSlotSize} * list.count;
  return list;
}

class Planner {
 public:
  Planner(const CataloguePaths& paths, const std::string& currentDirectory) : paths_(paths) {
    char prefix[zv::kGroupFilePrefixSize] = "";
    uint32_t lowest = 0, highest = 0;
    zv::GetFormIdRange(&lowest, &highest, prefix);
    prefix_ = prefix;
    recovery_.groupFilePrefix = prefix_;
    for (const std::string& dir :
         {DirectoryOf(paths.groupList), DirectoryOf(paths.formList),
          currentDirectory.empty() || currentDirectory.back() == '\\' ? currentDirectory
                                                                      : currentDirectory + "\\"}) {
      bool known = dir.empty();
      for (const std::string& d : directories_) known |= Upper(d) == Upper(dir);
      if (!known) directories_.push_back(dir);
    }
  }

  Recovery Plan() {
    groups_ = ReadGroupList(paths_.groupList);
    if (!groups_.fault.empty())
      Lose("the group name list " + paths_.groupList, {paths_.groupList}, groups_.fault);
    const FileImage forms = ReadWholeFile(paths_.formList);
    const std::string fault = WholeFileFault(forms, fl::kMagic, fl::kMagicSize, fl::kHeaderSize);
    if (fault.empty()) {
      TakeRecords(forms);
    } else {
      Lose("the form name list " + paths_.formList + " and its file entries", {paths_.formList}, fault);
      FindGroupsByName();
    }
    return recovery_;
  }

 private:
  void Lose(const std::string& what, const Source& from, const std::string& reason) {
    recovery_.lost.push_back(LostItem{what, from, reason});
  }

  void TakeRecords(const FileImage& image) {
    const uint32_t named = GetU32(image.At(fl::kNamedCountOffset));
    const uint32_t files = GetU16(image.At(fl::kFileEntryCountOffset));
    recovery_.lastFileEntry = GetU16(image.At(fl::kLastFileEntryOffset));
    const uint64_t fileRegion = fl::kHeaderSize + uint64_t{fl::kRecordSize} * named;
    std::vector<RecoveredForm> fileEntries;
    for (int region = 0; region < 2; ++region) {
      const uint32_t count = region == 0 ? named : files;
      const uint64_t start = region == 0 ? fl::kHeaderSize : fileRegion;
      for (uint32_t i = 0; i < count; ++i) {
        const uint64_t at = start + uint64_t{fl::kRecordSize} * i;
        const Source from{paths_.formList, static_cast<int64_t>(at)};
        if (!image.Holds(at, fl::kRecordSize)) {
          Lose(std::to_string(count - i) + (region == 0 ? " named form records" : " file entry records"),
               from, "they lie past the end of the file");
          break;
        }
        RecoveredForm form;
        if (!TakeRecord(image.At(at), region == 1, from, &form)) continue;
        if (region == 0) {
          TakeNamedGroup(image.At(at), &form);
          recovery_.forms.push_back(form);
        } else if (TakeFileEntryText(image.At(at), &form)) {
          fileEntries.push_back(form);
        }
      }
    }
    for (const RecoveredForm& form : fileEntries) {
      recovery_.forms.push_back(form);
      const uint32_t number = static_cast<uint32_t>(-form.id);
      if (number > recovery_.lastFileEntry && number <= 0xFFFF)
        recovery_.lastFileEntry = static_cast<uint16_t>(number);
    }
  }

  // The fields of one record, checked as the readers and the checker check
  // them.
  bool TakeRecord(const unsigned char* record, bool fileEntry, const Source& from, RecoveredForm* form) {
    form->fileEntry = fileEntry;
    form->id = GetI32(record + fl::kIdOffset);
    form->layer = record[fl::kLayerOffset];
    form->from = from;
    const std::string what =
        std::string(fileEntry ? "file entry " : "named form ") + std::to_string(form->id);
    const char* fault = nullptr;
    if (fileEntry ? (form->id > -1 || form->id < kLowestFileEntryId) : form->id < 1) {
      fault = "its identifier lies outside its region's range";
    } else if (form->layer != zv::kLayerFront && form->layer != zv::kLayerBack) {
      fault = "its layer is neither front (1) nor back (2)";
    } else if (!Terminated(record + fl::kNameOffset, zv::kFormNameSize, &form->name) ||
               !Terminated(record + fl::kDescriptionOffset, zv::kFormDescriptionSize, &form->description)) {
      fault = "its name or description fills its field without a terminator";
    } else if (!ids_.insert(form->id).second) {
      fault = "an earlier record has this identifier";
    } else if (!fileEntry && !names_.insert(form->name.substr(0, zv::kFormNameSize - 1)).second) {
      fault = "an earlier named form has this name";
    }
    if (fault) Lose(what, from, fault);
    return fault == nullptr;
  }

  void TakeNamedGroup(const unsigned char* record, RecoveredForm* form) {
    const uint32_t index = GetU32(record + fl::kGroupIndexOffset);
    std::string text;
    Source from;
    const bool read = groups_.Text(index, &text, &from);
    const std::string path = read ? Beside(text, paths_.groupList) : std::string();
    const bool groupInfo = read && EndsWith(text, ".FGP");
    if (read && !groupInfo && path.size() <= kLongestText) {
      form->groupText = path;  // a save directory
      form->groupFrom = from;
      return;
    }
    if (groupInfo && Exists(path)) {
      form->groupFrom = from;
      TakeGroupInfo(path, form);
      return;
    }
    if (groupInfo) {
      TakeOverlaysByName(path, form);
      if (!form->overlays.empty()) {
        form->hasGroupInfo = true;
        form->groupInfoName = FileNameOf(path);
        form->groupFrom = from;
        Lose("the group info file " + path, Source{path, -1},
             "it does not exist; its overlays are taken from the overlay data files named after it");
        return;
      }
    }
    const std::string byName = FindGroupInfoByName(form->id);
    if (!byName.empty()) {
      form->groupFrom = Source{byName, -1};
      TakeGroupInfo(byName, form);
      return;
    }
    form->groupText = DirectoryOf(paths_.groupList);
    form->groupFrom = Source{};
    Lose("the group of named form " + std::to_string(form->id) + " " + Quoted(form->name),
         read ? from : Source{paths_.groupList, -1},
         (groupInfo ? "its group info file " + path + " does not exist"
          : read    ? "its save directory " + path + " is longer than " + std::to_string(kLongestText) +
                       " characters"
                 : std::string("its group text cannot be read")) +
             ", and no group info file " + GroupInfoFileName(prefix_, form->id) +
             " was found; its save directory is the lists' directory");
  }

  bool TakeFileEntryText(const unsigned char* record, RecoveredForm* form) {
    const uint32_t index = GetU32(record + fl::kGroupIndexOffset);
    std::string text;
    Source from;
    if (!groups_.Text(index, &text, &from)) {
      Lose("file entry " + std::to_string(form->id) + " " + Quoted(form->name), form->from,
           "its group text, the file or number it names, cannot be read");
      return false;
    }
    // Digits name an overlay stored in the printer; a name without a
    // directory lies beside the old lists, where it stays.
    const bool number = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    form->groupText = text.empty() || number ? text : Beside(text, paths_.groupList);
    form->groupFrom = from;
    if (form->groupText.size() <= kLongestText) return true;
    Lose("file entry " + std::to_string(form->id) + " " + Quoted(form->name), form->from,
         "the full path of the file it names is longer than " + std::to_string(kLongestText) + " characters");
    return false;
  }

  std::string FindGroupInfoByName(int32_t id) const {
    if (id < 1) return std::string();
    for (const std::string& dir : directories_) {
      const std::string path = dir + GroupInfoFileName(prefix_, id);
      if (Exists(path)) return path;
    }
    return std::string();
  }

  // The group info file at path, as far as it can be read.
  void TakeGroupInfo(const std::string& path, RecoveredForm* form) {
    form->hasGroupInfo = true;
    form->groupInfoName = FileNameOf(path);
    const FileImage image = ReadWholeFile(path);
    const std::string fault = WholeFileFault(image, gi::kMagic, gi::kMagicSize, gi::kHeaderSize);
    if (!fault.empty()) {
      Lose("the group info file " + path, Source{path, -1},
           fault + "; its overlays are taken from the overlay data files named after it");
      TakeOverlaysByName(path, form);
      return;
    }
    const uint32_t entries = GetU32(image.At(gi::kEntryCountOffset));
    const uint32_t strings = GetU32(image.At(gi::kStringCountOffset));
    const uint64_t tableAt = gi::kEntriesOffset + uint64_t{gi::kEntrySize} * entries;
    const uint64_t poolAt = tableAt + uint64_t{gi::kTableSlotSize} * strings;
    const uint64_t poolSize = GetU32(image.At(gi::kPoolSizeOffset));
    const auto text = [&](int32_t index, std::string* out, int64_t* at) {
      if (index < 0 || static_cast<uint32_t>(index) >= strings) return false;
      const uint64_t slot = tableAt + uint64_t{gi::kTableSlotSize} * static_cast<uint32_t>(index);
      return image.Holds(slot, gi::kTableSlotSize) &&
             PooledText(image, poolAt, poolSize, GetU32(image.At(slot)), out, at);
    };
    int64_t at = -1;
    const int32_t first = GetI32(image.At(gi::kFirstStringOffset));
    if (first != zv::kNoString && !text(first, &form->firstString, &at)) {
      Lose("the first group string of " + path, Source{path, gi::kFirstStringOffset}, "it cannot be read");
    }
    for (const auto& slot : {std::make_pair(gi::kEditedFileStringOffset, &form->editedFile),
                             std::make_pair(gi::kPreviewStringOffset, &form->previewFile)}) {
      const int32_t index = GetI32(image.At(slot.first));
      std::string name;
      if (index == zv::kNoString) continue;
      if (text(index, &name, &at) && Beside(name, path).size() <= kLongestText) {
        *slot.second = name.empty() ? name : Beside(name, path);
      } else {
        Lose((slot.first == gi::kEditedFileStringOffset ? "the edited file name of "
                                                        : "the preview file name of ") +
                 path,
             Source{path, slot.first}, "it cannot be read, or its full path is too long");
      }
    }
    std::set<std::string> taken;
    for (uint32_t i = 0; i < entries; ++i) {
      const uint64_t entryAt = gi::kEntriesOffset + uint64_t{gi::kEntrySize} * i;
      const Source from{path, static_cast<int64_t>(entryAt)};
      if (!image.Holds(entryAt, gi::kEntrySize)) {
        Lose(std::to_string(entries - i) + " overlay entries of " + path, from,
             "they lie past the end of the file");
        break;
      }
      RecoveredOverlay overlay;
      overlay.settings.assign(reinterpret_cast<const char*>(image.At(entryAt + gi::kEntrySettingsOffset)),
                              zv::settings_record::kSize);
      overlay.from = from;
      const int32_t nameIndex = GetI32(image.At(entryAt + gi::kEntryFileNameOffset));
      std::string name;
      if (nameIndex != zv::kNoString) {
        if (!text(nameIndex, &name, &at)) {
          Lose("overlay entry " + std::to_string(i) + " of " + path, from, "its file name cannot be read");
          continue;
        }
        overlay.named = !name.empty();
        overlay.path = overlay.named ? Beside(name, path) : std::string();
        if (overlay.named && !Exists(overlay.path)) {
          Lose("overlay entry " + std::to_string(i) + " of " + path, from,
               "its overlay data file " + overlay.path + " does not exist");
          continue;
        }
      }
      if (!taken.insert(overlay.settings + '\0' + Upper(overlay.path)).second) {
        Lose("overlay entry " + std::to_string(i) + " of " + path, from,
             "an earlier entry has the same settings and file");
        continue;
      }
      form->overlays.push_back(overlay);
    }
  }

  // The overlay data files beside a group info file named after it, each
  // with a header: the settings of its header make the entry.
  void TakeOverlaysByName(const std::string& groupInfoPath, RecoveredForm* form) {
    const std::string base = groupInfoPath.substr(0, groupInfoPath.size() - 4);
    for (uint32_t number = 0; number < kOverlayNumbers; ++number) {
      const std::string path = base + Hex(number, 2) + zv::kHeaderFileExtension;
      if (!Exists(path)) continue;
      unsigned char header[zv::overlay_header::kSize];
      if (!ReadOverlayHeader(path, header)) {
        Lose("the overlay data file " + path, Source{path, -1},
             "it has no overlay header to take its settings from");
        continue;
      }
      RecoveredOverlay overlay;
      overlay.settings.assign(reinterpret_cast<const char*>(header + zv::overlay_header::kSettingsOffset),
                              zv::settings_record::kSize);
      overlay.named = true;
      overlay.path = path;
      overlay.from = Source{path, zv::overlay_header::kSettingsOffset};
      form->overlays.push_back(overlay);
    }
  }

  // Without a form name list: a named form for every group info file the
  // naming rule finds, or else for overlay data files named after one, named
  // after the header of its first overlay data file. A directory without any
  // file of the prefix is passed over at once.
  void FindGroupsByName() {
    std::vector<std::string> searched;
    for (const std::string& dir : directories_)
      if (plat::FindFirstEntry((dir + prefix_ + "*.FGP").c_str()) ||
          plat::FindFirstEntry((dir + prefix_ + "*.ZLP").c_str())) {
        searched.push_back(dir);
      }
    for (int32_t id = 1; id <= kHighestNamedId && !searched.empty(); ++id) {
      RecoveredForm form;
      form.id = id;
      const std::string name = GroupInfoFileName(prefix_, id);
      for (const std::string& dir : searched) {
        const std::string path = dir + name;
        if (Exists(path)) {
          form.groupFrom = Source{path, -1};
          TakeGroupInfo(path, &form);
          break;
        }
        const std::string overlays = path.substr(0, path.size() - 4) + "??" + zv::kHeaderFileExtension;
        if (plat::FindFirstEntry(overlays.c_str())) {
          TakeOverlaysByName(path, &form);
          form.hasGroupInfo = true;
          form.groupInfoName = name;
          break;
        }
      }
      if (!form.hasGroupInfo) continue;
      NameAfterOverlay(&form);
      if (form.from.file.empty()) {
        Lose("the form of " + form.groupFrom.file, form.groupFrom,
             "no overlay data file of its group has a header that names it");
        continue;
      }
      if (!names_.insert(form.name.substr(0, zv::kFormNameSize - 1)).second) {
        Lose("the form of " + name + " " + Quoted(form.name), form.from, "an earlier form has this name");
        continue;
      }
      recovery_.forms.push_back(form);
    }
  }

  // The name, description and layer of the header of the form's first
  // overlay data file that has them.
  static void NameAfterOverlay(RecoveredForm* form) {
    for (const RecoveredOverlay& overlay : form->overlays) {
      if (!overlay.named) continue;
      unsigned char header[zv::overlay_header::kSize];
      if (!ReadOverlayHeader(overlay.path, header)) continue;
      if (!Terminated(header + zv::overlay_header::kNameOffset, zv::overlay_header::kNameSize, &form->name) ||
          !Terminated(header + zv::overlay_header::kDescriptionOffset, zv::overlay_header::kDescriptionSize,
                      &form->description) ||
          form->name.empty()) {
        continue;
      }
      form->layer = header[zv::overlay_header::kLayerOffset];
      if (form->layer != zv::kLayerFront && form->layer != zv::kLayerBack) form->layer = zv::kLayerFront;
      form->from = Source{overlay.path, zv::overlay_header::kNameOffset};
      return;
    }
  }

  const CataloguePaths paths_;
  std::string prefix_;
  std::vector<std::string> directories_;
  GroupList groups_;
  std::set<int32_t> ids_;
  std::set<std::string> names_;
  Recovery recovery_;
};

// Bytes built up little-endian.
struct Out {
  std::string bytes;
  void U8(uint32_t v) { bytes += static_cast<char>(v & 0xFF); }
  void U16(uint32_t v) {
    U8(v);
    U8(v >> 8);
  }
  void U32(uint32_t v) {
    U16(v);
    U16(v >> 16);
  }
  void Text(const std::string& text) {
    U16(static_cast<uint32_t>(text.size()));
    bytes += text;
  }
};

std::string FormListBytes(const Recovery& r) {
  Out out;
  out.bytes.assign(fl::kMagic, fl::kMagicSize);
  uint32_t named = 0;
  for (const RecoveredForm& form : r.forms) named += !form.fileEntry;
  out.U32(named);
  out.U16(static_cast<uint32_t>(r.forms.size() - named));
  out.U16(r.lastFileEntry);
  for (uint32_t i = 0; i < r.forms.size(); ++i) {
    const RecoveredForm& form = r.forms[i];
    zv::FormRecord record{};
    record.id = form.id;
    std::strncpy(record.name, form.name.c_str(), sizeof record.name - 1);
    std::strncpy(record.description, form.description.c_str(), sizeof record.description - 1);
    record.layer = form.layer;
    record.groupIndex = i;
    unsigned char bytes[fl::kRecordSize];
    zv::EncodeFormRecord(record, bytes);
    out.bytes.append(reinterpret_cast<const char*>(bytes), sizeof bytes);
  }
  return out.bytes;
}

std::string GroupListBytes(const Recovery& r) {
  Out table, pool;
  for (const RecoveredForm& form : r.forms) {
    table.U32(static_cast<uint32_t>(pool.bytes.size()));
    pool.Text(form.hasGroupInfo ? form.groupInfoName : form.groupText);
  }
  Out out;
  out.bytes.assign(gl::kMagic, gl::kMagicSize);
  out.U32(static_cast<uint32_t>(r.forms.size()));
  out.U32(static_cast<uint32_t>(pool.bytes.size()));
  return out.bytes + table.bytes + pool.bytes;
}

std::string GroupInfoBytes(const RecoveredForm& form) {
  std::vector<std::string> texts;
  const auto add = [&texts](const std::string& text) {
    if (text.empty()) return zv::kNoString;
    texts.push_back(text);
    return static_cast<int32_t>(texts.size() - 1);
  };
  const int32_t first = add(form.firstString), edited = add(form.editedFile), preview = add(form.previewFile);
  Out entries;
  for (const RecoveredOverlay& overlay : form.overlays) {
    entries.bytes += overlay.settings;
    entries.U32(static_cast<uint32_t>(overlay.named ? add(overlay.path) : zv::kNoString));
  }
  Out table, pool;
  for (const std::string& text : texts) {
    table.U32(static_cast<uint32_t>(pool.bytes.size()));
    pool.Text(text);
  }
  unsigned char header[gi::kHeaderSize];
  zv::EncodeGroupInfoHeader({first, edited, preview, static_cast<uint32_t>(form.overlays.size()),
                             static_cast<uint32_t>(texts.size()), static_cast<uint32_t>(pool.bytes.size())},
                            header);
  return std::string(reinterpret_cast<const char*>(header), sizeof header) + entries.bytes + table.bytes +
         pool.bytes;
}

bool WriteNewFile(const std::string& path, const std::string& bytes, std::string* error) {
  plat::FileHandle file =
      plat::OpenFile(path.c_str(), plat::kAccessWrite, plat::kShareNone, plat::kCreateNew);
  uint32_t done = 0;
  const bool written = file &&
                       plat::WriteFile(file, bytes.data(), static_cast<uint32_t>(bytes.size()), &done) &&
                       done == bytes.size();
  const bool closed = file && plat::CloseFile(file);
  if (!written || !closed) *error = "cannot write " + path;
  return written && closed;
}

}  // namespace

Recovery PlanRecovery(const CataloguePaths& paths, const std::string& currentDirectory) {
  return Planner(paths, currentDirectory).Plan();
}

bool WriteRecovery(Recovery* recovery, const std::string& directory, const std::string& user,
                   std::string* error) {
  const std::string dir = directory.empty() || directory.back() == '\\' ? directory : directory + "\\";
  if (!Exists(dir) && !plat::MakeDirectory(directory.c_str())) {
    *error = "cannot create the directory " + directory;
    return false;
  }
  // Each group info file takes the name it had; two of one name take the
  // naming rule's instead.
  std::set<std::string> names;
  for (RecoveredForm& form : recovery->forms) {
    if (!form.hasGroupInfo) continue;
    if (!names.insert(Upper(form.groupInfoName)).second) {
      form.groupInfoName = GroupInfoFileName(recovery->groupFilePrefix, form.id);
      names.insert(Upper(form.groupInfoName));
    }
  }
  std::vector<std::pair<std::string, std::string>> files = {{"ZVLMN3.FLT", FormListBytes(*recovery)},
                                                            {"ZVLMN3.GLT", GroupListBytes(*recovery)}};
  for (const RecoveredForm& form : recovery->forms)
    if (form.hasGroupInfo) files.emplace_back(form.groupInfoName, GroupInfoBytes(form));
  for (const auto& file : files) {
    if (!WriteNewFile(dir + file.first, file.second, error)) return false;
    recovery->written.push_back(dir + file.first);
  }
  const std::string config = dir + "ZVLMN3.DAT";
  const std::string section = user.empty() ? "DEFAULT" : user;
  const bool configured =
      plat::WriteProfileValue("ENVIRONMENT", "CURRENTDIR", directory.c_str(), config.c_str()) &&
      plat::WriteProfileValue("ENVIRONMENT", "USER", section.c_str(), config.c_str()) &&
      plat::WriteProfileValue(section.c_str(), "FormName", (dir + "ZVLMN3.FLT").c_str(), config.c_str()) &&
      plat::WriteProfileValue(section.c_str(), "GroupName", (dir + "ZVLMN3.GLT").c_str(), config.c_str());
  if (!configured) {
    *error = "cannot write " + config;
    return false;
  }
  recovery->written.push_back(config);
  return true;
}

}  // namespace zvcat
