// Fuzzes the group name list file: the input is the file, read through a
// fixed form name list whose records point at its first six entries (and one
// beyond any). The readers change neither list; each writer, on a fresh copy,
// keeps to the writers' rules and the counts it promises, and a text it wrote
// reads back.
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "maintenance/deletion.h"
#include "maintenance/form_registration.h"
#include "scratch_catalogue.h"

using namespace zvfuzz;

const std::string kFormList = zvtest::FormListFile(
    {{1, "One", "", 1, 0}, {2, "Two", "", 2, 1}, {3, "Three", "", 1, 2}, {4, "Four", "", 1, 3}, {5, "Five", "", 1, 100000}},
    {{-1, "P", "", 1, 4}, {-2, "C", "", 2, 5}}, 2);
constexpr char kAppended[] = "C:\\CAT\\APPENDED\\";

// Entry index's text as the list's own reader gives it; false when the file
// or the entry cannot be read.
bool TextOf(uint32_t index, char* text) {
  plat::FileHandle file = nullptr;
  zv::GroupListHeader header;
  if (zv::OpenGroupNameList(kGroupListPath, plat::kAccessRead, &file, &header) != zv::ListFileState::kValid) return false;
  const bool read = zv::ReadGroupText(file, header, index, text);
  return plat::CloseFile(file), read;
}

// allForms: every form of the fixed list is still there.
void RunReaders(const std::string& bytes, bool allForms) {
  uint32_t count = 0;
  const bool valid = Valid(Format::kGroupList, bytes, &count);
  plat::FileHandle file = nullptr;
  zv::GroupListHeader header;
  const bool open = zv::OpenGroupNameList(kGroupListPath, plat::kAccessRead, &file, &header) == zv::ListFileState::kValid;
  ZV_FUZZ_CHECK(open == valid && (!open || header.entryCount == count));
  char text[plat::kPathBuffer];
  for (uint32_t i = 0; open && i < count + 2 && i < 64; ++i) {
    std::memset(text, 'x', sizeof text);
    const bool read = zv::ReadGroupText(file, header, i, text);
    ZV_FUZZ_CHECK(Fits(text, sizeof text) && (i < count || !read));
  }
  if (open) plat::CloseFile(file);
  char path[plat::kPathBuffer], name[zv::kFormNameSize], description[zv::kFormDescriptionSize];
  char location[plat::kPathBuffer], edited[plat::kPathBuffer];
  for (int32_t id : {1, 2, 3, 4, 5, -1, -2}) {
    if (zv::GetFormGroupPath(id, path)) ZV_FUZZ_CHECK(valid && Fits(path, sizeof path));
    std::memset(location, 'x', sizeof location - 1);
    location[sizeof location - 1] = '\0';
    ZV_FUZZ_CHECK(zv::GetFormRecordInfo(id, name, description, location) >= (allForms ? 0 : -1));
    ZV_FUZZ_CHECK(Fits(location, sizeof location));
    ZVGetDevFormName(id, path);
    ZV_FUZZ_CHECK(Fits(path, sizeof path));
    zv::CountOverlayEntries(id);
  }
  uint16_t orientation = 0;
  int32_t found = 0;
  zv::FindFormPaperEntry(1, 0, nullptr, &orientation);
  zv::GetFormEditedFile(2, nullptr, description, &found, nullptr, location, path, edited);
}

// Each writer with the counts it adds on success (group entries, named forms,
// file entries) and the entry a replacement rewrote.
struct Writer {
  const char* what;
  bool (*run)();
  int groups, named, entries, replaced;
};
const Writer kWriters[] = {
    {"AppendGroupNameEntry", [] { return zv::AppendGroupNameEntry(kGroupListPath, kAppended) >= 0; }, 1, 0, 0, -1},
    {"ReplaceGroupNameEntry 0", [] { return zv::ReplaceGroupNameEntry(kGroupListPath, 0, "C:\\CAT\\R"); }, 0, 0, 0, 0},
    {"ReplaceGroupNameEntry 1 longer",
     [] { return zv::ReplaceGroupNameEntry(kGroupListPath, 1, "C:\\CAT\\A MUCH LONGER DIRECTORY NAME\\"); }, 0, 0, 0, 1},
    {"ReplaceGroupNameEntry 2 empty", [] { return zv::ReplaceGroupNameEntry(kGroupListPath, 2, ""); }, 0, 0, 0, 2},
    {"DeleteGroupNameEntry 0", [] { return zv::DeleteGroupNameEntry(kGroupListPath, 0); }, -1, 0, 0, -1},
    {"AddFormRecord", [] { return zv::AddFormRecord(6, "Six", "", "C:\\CAT\\", 1); }, 1, 1, 0, -1},
    {"UpdateFormRecord", [] { return zv::UpdateFormRecord(2, "Two", "", "D:\\ELSEWHERE", 1); }, 0, 0, 0, -1},
    {"DeleteForm named", [] { return zv::DeleteForm(3); }, -1, -1, 0, -1},
    {"DeleteForm file entry", [] { return zv::DeleteForm(-2); }, -1, 0, -1, -1},
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetUpScratchCatalogue();
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::vector<FileState> before = WriteLists(kFormList, input);
  RunReaders(input, true);
  ZV_FUZZ_CHECK(ReadLists() == before);

  uint32_t count = 0, countAfter = 0, named = 0, entries = 0;
  const bool valid = Valid(Format::kGroupList, input, &count);
  ForShareOfWriters(kWriters, size, [&](const Writer& writer) {
    WriteLists(kFormList, input);
    const bool succeeded = writer.run();
    const std::vector<FileState> after = ReadLists();
    CheckListWriters(writer.what, before, after, succeeded);
    if (!succeeded) return;
    ZV_FUZZ_CHECK(valid && Valid(Format::kGroupList, after[1].bytes, &countAfter));
    ZV_FUZZ_CHECK(Valid(Format::kFormList, after[0].bytes, &named, &entries) && int64_t{countAfter} == int64_t{count} + writer.groups);
    ZV_FUZZ_CHECK(int(named) == 5 + writer.named && int(entries) == 2 + writer.entries);
    // An appended text is the last entry; a replaced one reads back.
    char text[plat::kPathBuffer];
    if (writer.groups > 0) {
      ZV_FUZZ_CHECK(TextOf(countAfter - 1, text) && std::strcmp(text, writer.named > 0 ? "C:\\CAT\\" : kAppended) == 0);
    }
    if (writer.replaced >= 0) ZV_FUZZ_CHECK(TextOf(writer.replaced, text));
    RunReaders(after[1].bytes, writer.named >= 0 && writer.entries >= 0);
  });
  return 0;
}
