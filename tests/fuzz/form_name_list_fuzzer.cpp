// Fuzzes the form name list file: the input is the file, beside a group name
// list of every kind of group text. The readers agree with its counts, give
// texts that fit and change neither list; each writer, on a fresh copy, keeps
// to the writers' rules and the counts it promises, and the readers then read
// what it wrote.
#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_name_list.h"
#include "dialogs/message_ids.h"
#include "dialogs/module_frame.h"
#include "maintenance/deletion.h"
#include "maintenance/form_registration.h"
#include "scratch_catalogue.h"

using namespace zvfuzz;

const std::string kGroupList = zvtest::GroupNameListFile(
    {"C:\\CAT\\", "C:\\CAT\\_F3002.FGP", "12", "", "BILL.ZLC", "C:\\CAT\\SUB\\", "_F3007.FGP", "C:\\CAT\\X.ZLP"});
constexpr uint32_t kGroupTexts = 8, kMostListed = 64;
const uint16_t kCapabilities[] = {1, 2};

// Up to three identifiers of each region as the file holds them, then 1 and
// -1. The catalogue trusts them (one of the wrong sign is reached through the
// other region), so only fitting ones are taken.
struct Sample {
  std::vector<int32_t> named, fileEntries;
};
Sample SampleIds(const std::string& b) {
  Sample s;
  uint32_t named = 0, entries = 0;
  for (uint32_t i = 0; Valid(Format::kFormList, b, &named, &entries) && i < named + entries; ++i) {
    const auto* p = reinterpret_cast<const uint8_t*>(b.data() + 35 + 290 * i);
    const int32_t id = static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24);
    std::vector<int32_t>& region = i < named ? s.named : s.fileEntries;
    if ((i < named ? id > 0 : id < 0) && region.size() < 3) region.push_back(id);
  }
  s.named.push_back(1), s.fileEntries.push_back(-1);
  return s;
}

void RunReaders(const std::string& bytes) {
  uint32_t named = 0, entries = 0, filled = 0, canAdd = 0;
  const bool valid = Valid(Format::kFormList, bytes, &named, &entries);
  ZV_FUZZ_CHECK(zv::CountNamedForms() == (valid ? named : 0));
  ZV_FUZZ_CHECK(zv::GetLastErrorCode() == (valid ? 0u : zv::kMsgFormListDamaged));
  ZV_FUZZ_CHECK(ZVGetFormListNum() == static_cast<int32_t>(valid ? named + 1 : 1));
  // The first records, and a window that runs past the end.
  const uint32_t first = named > 2 ? 1 : 0;
  std::vector<int32_t> ids(kMostListed, -7);
  std::vector<char> names(kMostListed * zv::kFormNameSize, 'x');
  auto* slots = reinterpret_cast<char(*)[zv::kFormNameSize]>(names.data());
  ZV_FUZZ_CHECK(zv::ListNamedForms(first, first + kMostListed - 1, ids.data(), slots) == valid);
  for (uint32_t k = 0; k < kMostListed; ++k) {
    ZV_FUZZ_CHECK(Fits(slots[k], zv::kFormNameSize));
    if (!valid || first + k >= named) ZV_FUZZ_CHECK(ids[k] == 0 && slots[k][0] == '\0');
  }
  std::fill(ids.begin(), ids.end(), -7);
  ZVGetFormList(nullptr, 0, kMostListed - 1, -1, &filled, ids.data(), names.data());
  ZV_FUZZ_CHECK(filled <= kMostListed);
  for (uint32_t k = 0; k < filled; ++k) ZV_FUZZ_CHECK(Fits(slots[k], 25));
  plat::posix::ClearRecordedMessageBoxes();

  int32_t id = 0, found = 0;
  char name[zv::kFormNameSize], description[zv::kFormDescriptionSize];
  char path[plat::kPathBuffer], location[plat::kPathBuffer], edited[plat::kPathBuffer];
  zv::FindNamedFormByName("Invoice", &id);
  zv::CheckFormName("Invoice", &id);
  for (int32_t fileEntry : {-1, -2, -256}) {
    zv::GetFileEntryName(fileEntry, &found, name);
    ZV_FUZZ_CHECK(Fits(name, sizeof name) && (found == 0 || found == fileEntry));
  }
  const Sample sample = SampleIds(bytes);
  for (const std::vector<int32_t>* region : {&sample.named, &sample.fileEntries}) {
    for (int32_t formId : *region) {
      if (zv::GetFormGroupPath(formId, path)) ZV_FUZZ_CHECK(Fits(path, sizeof path));
      std::memset(location, 'x', sizeof location - 1);
      location[sizeof location - 1] = '\0';
      const int16_t layer = zv::GetFormRecordInfo(formId, name, description, location);
      ZV_FUZZ_CHECK(layer >= -1 && layer <= 255 && Fits(location, sizeof location));
      if (layer >= 0) ZV_FUZZ_CHECK(Fits(name, sizeof name) && Fits(description, sizeof description));
    }
  }
  std::strcpy(name, "P");
  zv::GetFormRecordInfo(0, name, description, nullptr);
  zv::ChooseFormId(zv::kChooseNamedForm, "Fuzz form", &id, &canAdd);
  zv::ChooseFormId(zv::kChooseFileEntry, nullptr, &id, &canAdd);
  ZVGetFormID("Invoice");
  zv::GetFormEditedFile(sample.named.front(), nullptr, description, &id, nullptr, location, path, edited);
}

// Each writer with the counts (named, file entries, group entries) it adds
// on success; a stored overlay takes a new record or reuses one.
struct Writer {
  const char* what;
  bool (*run)(const Sample& sample);
  int named, entries, groups;
  bool countsKnown;
};
const Writer kWriters[] = {
    {"AddFormRecord named", [](const Sample&) {
       int32_t id = 0;
       if (!zv::ChooseFormId(zv::kChooseNamedForm, "Fuzz form", &id, nullptr)) id = 4000;
       return zv::AddFormRecord(id, "Fuzz form", "A form", "C:\\CAT\\", zv::kLayerFront);
     }, 1, 0, 1, true},
    {"AddFormRecord file entry", [](const Sample&) {
       int32_t id = 0;
       uint32_t canAdd = 0;
       if (!zv::ChooseFormId(zv::kChooseFileEntry, nullptr, &id, &canAdd)) id = -1;
       return zv::AddFormRecord(id, "P", "", "C:\\CAT\\A.ZLP", zv::kLayerBack);
     }, 0, 1, 1, true},
    {"UpdateFormRecord named", [](const Sample& s) {
       return zv::UpdateFormRecord(s.named[0], "Renamed", "Changed", "C:\\CAT\\SUB", zv::kLayerBack);
     }, 0, 0, 0, true},
    {"UpdateFormRecord file entry", [](const Sample& s) {
       return zv::UpdateFormRecord(s.fileEntries[0], "C", "", "C:\\CAT\\LONGER\\B.ZLP", zv::kLayerFront);
     }, 0, 0, 0, true},
    {"DeleteForm named", [](const Sample& s) { return zv::DeleteForm(s.named[0]); }, -1, 0, -1, true},
    {"DeleteForm file entry", [](const Sample& s) { return zv::DeleteForm(s.fileEntries[0]); }, 0, -1, -1, true},
    {"ZVSetDevOverlay stored overlay", [](const Sample&) {
       int32_t id = 0;
       return ZVSetDevOverlay(Block().data(), 2, kCapabilities, 1, 2, nullptr, 7, 1, nullptr, nullptr, &id) != 0;
     }, 0, 0, 0, false},
    {"ZVSetDevOverlay file", [](const Sample&) {
       int32_t id = 0;
       WriteWholeFile("C:\\CAT\\FILE.ZLC", "\x1d" "0;0.24muE");
       return ZVSetDevOverlay(Block().data(), 2, kCapabilities, 2, 1, "C:\\CAT\\FILE.ZLC", 0, 2, nullptr,
                              "Description", &id) != 0;
     }, 0, 0, 0, false},
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetUpScratchCatalogue();
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::vector<FileState> before = WriteLists(input, kGroupList);
  RunReaders(input);
  ZV_FUZZ_CHECK(ReadLists() == before);

  const Sample sample = SampleIds(input);
  uint32_t named = 0, entries = 0, namedAfter = 0, entriesAfter = 0, groupsAfter = 0;
  const bool valid = Valid(Format::kFormList, input, &named, &entries);
  ForShareOfWriters(kWriters, size, [&](const Writer& writer) {
    WriteLists(input, kGroupList);
    const bool succeeded = writer.run(sample);
    const std::vector<FileState> after = ReadLists();
    plat::posix::ClearRecordedMessageBoxes();
    CheckListWriters(writer.what, before, after, succeeded);
    if (!succeeded) return;
    ZV_FUZZ_CHECK(valid && Valid(Format::kFormList, after[0].bytes, &namedAfter, &entriesAfter));
    ZV_FUZZ_CHECK(Valid(Format::kGroupList, after[1].bytes, &groupsAfter));
    // Updating a record that does not exist succeeds and changes no count.
    if (writer.countsKnown) {
      ZV_FUZZ_CHECK(namedAfter == named + writer.named && entriesAfter == entries + writer.entries);
      ZV_FUZZ_CHECK(groupsAfter == kGroupTexts + writer.groups);
    }
    RunReaders(after[0].bytes);
  });
  return 0;
}
