// Fuzzes the group name list file: the input is the file, read through a
// fixed form name list whose records point at its first entries (and one
// beyond any). Every reader must leave both list files as they were; each
// writer runs on a fresh copy and must keep to the writers' rules, and a
// text it wrote must read back as written.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "maintenance/deletion.h"
#include "maintenance/form_registration.h"
#include "platform/platform.h"
#include "scratch_catalogue.h"
#include "zvlmn30e.h"

namespace {

using namespace zvfuzz;

// Named forms 1 to 4 and file entries -1 and -2 point at the first six
// entries; form 5 at an entry that a small file does not have.
const std::vector<FormSpec> kNamed = {{1, "One", "", 1, 0},
                                      {2, "Two", "", 2, 1},
                                      {3, "Three", "", 1, 2},
                                      {4, "Four", "", 1, 3},
                                      {5, "Five", "", 1, 100000}};
const std::vector<FormSpec> kFileEntries = {{-1, "P", "", 1, 4}, {-2, "C", "", 2, 5}};
const int32_t kIds[] = {1, 2, 3, 4, 5, -1, -2};

constexpr uint32_t kMostTexts = 64;  // entries read directly
constexpr char kAppended[] = "C:\\CAT\\APPENDED\\";
constexpr char kReplacement[] = "C:\\CAT\\R";

bool Terminated(const char* text, size_t size) {
  return strnlen(text, size) < size;
}

// The text of entry index as the list's own reader gives it; false when the
// file or the entry cannot be read.
bool TextOf(uint32_t index, char* text) {
  plat::FileHandle file = nullptr;
  zv::GroupListHeader header;
  if (zv::OpenGroupNameList(kGroupListPath, plat::kAccessRead, &file, &header) != zv::ListFileState::kValid)
    return false;
  const bool read = zv::ReadGroupText(file, header, index, text);
  plat::CloseFile(file);
  return read;
}

// allForms: every form of the fixed list is still there.
void RunReaders(const std::string& bytes, bool allForms) {
  uint32_t count = 0;
  const bool valid = GroupListValid(bytes, &count);
  plat::FileHandle file = nullptr;
  zv::GroupListHeader header;
  const zv::ListFileState state = zv::OpenGroupNameList(kGroupListPath, plat::kAccessRead, &file, &header);
  ZV_FUZZ_CHECK((state == zv::ListFileState::kValid) == valid);
  if (state == zv::ListFileState::kValid) {
    ZV_FUZZ_CHECK(header.entryCount == count);
    char text[plat::kPathBuffer];
    for (uint32_t i = 0; i < count + 2 && i < kMostTexts; ++i) {
      std::memset(text, 'x', sizeof text);
      const bool read = zv::ReadGroupText(file, header, i, text);
      ZV_FUZZ_CHECK(Terminated(text, sizeof text));
      if (i >= count) ZV_FUZZ_CHECK(!read);
    }
    plat::CloseFile(file);
  }

  char path[plat::kPathBuffer];
  char name[zv::kFormNameSize];
  char description[zv::kFormDescriptionSize];
  char location[plat::kPathBuffer];
  for (int32_t id : kIds) {
    if (zv::GetFormGroupPath(id, path)) {
      ZV_FUZZ_CHECK(valid);
      ZV_FUZZ_CHECK(Terminated(path, sizeof path));
    }
    std::memset(location, 'x', sizeof location);
    location[sizeof location - 1] = '\0';
    ZV_FUZZ_CHECK(zv::GetFormRecordInfo(id, name, description, location) >= (allForms ? 0 : -1));
    ZV_FUZZ_CHECK(Terminated(location, sizeof location));
    char deviceName[plat::kPathBuffer];
    ZVGetDevFormName(id, deviceName);
    ZV_FUZZ_CHECK(Terminated(deviceName, sizeof deviceName));
    zv::CountOverlayEntries(id);
  }
  uint16_t orientation = 0;
  zv::FindFormPaperEntry(1, 0, nullptr, &orientation);
  char edited[plat::kPathBuffer];
  int32_t found = 0;
  zv::GetFormEditedFile(2, nullptr, description, &found, nullptr, location, path, edited);
}

struct Writer {
  const char* what;
  bool (*run)();
  int groupDelta;
  int namedDelta;
  int entryDelta;
  int replaced = -1;  // the entry a replacement rewrote
};

const Writer kWriters[] = {
    {"AppendGroupNameEntry", [] { return zv::AppendGroupNameEntry(kGroupListPath, kAppended) >= 0; }, 1, 0,
     0},
    {"ReplaceGroupNameEntry 0", [] { return zv::ReplaceGroupNameEntry(kGroupListPath, 0, kReplacement); }, 0,
     0, 0, 0},
    {"ReplaceGroupNameEntry 1 longer",
     [] { return zv::ReplaceGroupNameEntry(kGroupListPath, 1, "C:\\CAT\\A MUCH LONGER DIRECTORY NAME\\"); },
     0, 0, 0, 1},
    {"ReplaceGroupNameEntry 2 empty", [] { return zv::ReplaceGroupNameEntry(kGroupListPath, 2, ""); }, 0, 0,
     0, 2},
    {"DeleteGroupNameEntry 0", [] { return zv::DeleteGroupNameEntry(kGroupListPath, 0); }, -1, 0, 0},
    {"AddFormRecord", [] { return zv::AddFormRecord(6, "Six", "", "C:\\CAT\\", 1); }, 1, 1, 0},
    {"UpdateFormRecord", [] { return zv::UpdateFormRecord(2, "Two", "", "D:\\ELSEWHERE", 1); }, 0, 0, 0},
    {"DeleteForm named", [] { return zv::DeleteForm(3); }, -1, -1, 0},
    {"DeleteForm file entry", [] { return zv::DeleteForm(-2); }, -1, 0, -1},
};

constexpr size_t kWriterShare = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetUpScratchCatalogue();
  SetContext(nullptr);
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string formList = FormListFile(kNamed, kFileEntries, 2);
  ClearDirectory(kCatalogueDir);
  WriteWholeFile(kFormListPath, formList);
  WriteWholeFile(kGroupListPath, input);
  const FileState formBefore = ReadFileState(kFormListPath);
  const FileState groupBefore = ReadFileState(kGroupListPath);

  RunReaders(input, true);
  ZV_FUZZ_CHECK(ReadFileState(kFormListPath) == formBefore);
  ZV_FUZZ_CHECK(ReadFileState(kGroupListPath) == groupBefore);

  uint32_t count = 0;
  const bool valid = GroupListValid(input, &count);
  // A third of the writers per input, chosen by its size, keeps a run
  // short; inputs of every size reach every writer.
  for (size_t w = size % kWriterShare; w < sizeof kWriters / sizeof kWriters[0]; w += kWriterShare) {
    const Writer& writer = kWriters[w];
    ClearDirectory(kCatalogueDir);
    WriteWholeFile(kFormListPath, formList);
    WriteWholeFile(kGroupListPath, input);
    SetContext(writer.what);
    const bool succeeded = writer.run();
    const FileState formAfter = ReadFileState(kFormListPath);
    const FileState groupAfter = ReadFileState(kGroupListPath);
    CheckWriter(writer.what, formBefore, formAfter, {succeeded, false, false, false}, FormListIsValid);
    CheckWriter(writer.what, groupBefore, groupAfter, {succeeded, false, false, false}, GroupListIsValid);
    if (!succeeded) continue;
    ZV_FUZZ_CHECK(valid);
    uint32_t countAfter = 0;
    uint32_t named = 0;
    uint32_t entries = 0;
    ZV_FUZZ_CHECK(GroupListValid(groupAfter.bytes, &countAfter));
    ZV_FUZZ_CHECK(FormListValid(formAfter.bytes, &named, &entries));
    ZV_FUZZ_CHECK(countAfter == count + writer.groupDelta);
    ZV_FUZZ_CHECK(named == kNamed.size() + writer.namedDelta);
    ZV_FUZZ_CHECK(entries == kFileEntries.size() + writer.entryDelta);
    char text[plat::kPathBuffer];
    if (writer.groupDelta > 0) {
      // The appended text is the last entry.
      ZV_FUZZ_CHECK(TextOf(countAfter - 1, text));
      ZV_FUZZ_CHECK(std::strcmp(text, writer.namedDelta > 0 ? "C:\\CAT\\" : kAppended) == 0);
    }
    // The replaced entry reads back.
    if (writer.replaced >= 0) ZV_FUZZ_CHECK(TextOf(static_cast<uint32_t>(writer.replaced), text));
    RunReaders(groupAfter.bytes, writer.namedDelta >= 0 && writer.entryDelta >= 0);
  }
  return 0;
}
