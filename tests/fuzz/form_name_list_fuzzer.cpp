// Fuzzes the form name list file: the input is the file. Every reader runs
// over it and must leave both list files as they were; then each writer runs
// on a fresh copy and must keep to the writers' rules (scratch_catalogue.h),
// after which the readers must find a file that succeeded valid.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_name_list.h"
#include "dialogs/message_ids.h"
#include "dialogs/module_frame.h"
#include "maintenance/deletion.h"
#include "maintenance/form_registration.h"
#include "platform/posix/posix_config.h"
#include "scratch_catalogue.h"
#include "zvlmn30e.h"

namespace {

using namespace zvfuzz;

// The group name list the fuzzed records point into: every kind of group text.
const std::vector<std::string> kGroupTexts = {
    "C:\\CAT\\", "C:\\CAT\\_F3002.FGP", "12",         "",
    "BILL.ZLC",  "C:\\CAT\\SUB\\",      "_F3007.FGP", "C:\\CAT\\X.ZLP"};

constexpr uint32_t kMostListed = 64;  // records listed at once

bool Terminated(const char* text, size_t size) {
  return strnlen(text, size) < size;
}

// The identifiers of the first records of each region, as the file holds them.
struct Sample {
  std::vector<int32_t> named;
  std::vector<int32_t> fileEntries;
};

Sample SampleIds(const std::string& bytes) {
  Sample sample;
  uint32_t named = 0;
  uint32_t entries = 0;
  if (!FormListValid(bytes, &named, &entries)) return sample;
  auto idAt = [&bytes](uint32_t record) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + 35 + 290 * record);
    return static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24));
  };
  // Identifiers are trusted by the catalogue: a record of the wrong sign
  // is reached through the other region, so only fitting ones are sampled.
  for (uint32_t i = 0; i < named && sample.named.size() < 3; ++i) {
    if (idAt(i) > 0) sample.named.push_back(idAt(i));
  }
  for (uint32_t i = 0; i < entries && sample.fileEntries.size() < 3; ++i) {
    if (idAt(named + i) < 0) sample.fileEntries.push_back(idAt(named + i));
  }
  return sample;
}

void RunReaders(const std::string& bytes) {
  uint32_t named = 0;
  uint32_t entries = 0;
  const bool valid = FormListValid(bytes, &named, &entries);

  const uint32_t count = zv::CountNamedForms();
  ZV_FUZZ_CHECK(count == (valid ? named : 0));
  ZV_FUZZ_CHECK(zv::GetLastErrorCode() == (valid ? 0u : zv::kMsgFormListDamaged));
  ZV_FUZZ_CHECK(ZVGetFormListNum() == static_cast<int32_t>(valid ? named + 1 : 1));

  // The first records, and a window that runs past the end.
  const uint32_t first = named > 2 ? 1 : 0;
  const uint32_t last = first + kMostListed - 1;
  std::vector<int32_t> ids(kMostListed, -7);
  std::vector<char> names(kMostListed * zv::kFormNameSize, 'x');
  auto* slots = reinterpret_cast<char(*)[zv::kFormNameSize]>(names.data());
  ZV_FUZZ_CHECK(zv::ListNamedForms(first, last, ids.data(), slots) == valid);
  for (uint32_t k = 0; k < kMostListed; ++k) {
    ZV_FUZZ_CHECK(Terminated(slots[k], zv::kFormNameSize));
    if (!valid || first + k >= named) ZV_FUZZ_CHECK(ids[k] == 0 && slots[k][0] == '\0');
  }

  uint32_t filled = 0;
  std::fill(ids.begin(), ids.end(), -7);
  ZVGetFormList(nullptr, 0, static_cast<int32_t>(kMostListed) - 1, -1, &filled, ids.data(), names.data());
  ZV_FUZZ_CHECK(filled <= kMostListed);
  for (uint32_t k = 0; k < filled; ++k) ZV_FUZZ_CHECK(Terminated(names.data() + k * zv::kFormNameSize, 25));
  plat::posix::ClearRecordedMessageBoxes();

  int32_t id = 0;
  zv::FindNamedFormByName("Invoice", &id);
  zv::CheckFormName("Invoice", &id);
  char name[zv::kFormNameSize];
  int32_t found = 0;
  for (int32_t fileEntry : {-1, -2, -256}) {
    zv::GetFileEntryName(fileEntry, &found, name);
    ZV_FUZZ_CHECK(Terminated(name, sizeof name));
    ZV_FUZZ_CHECK(found == 0 || found == fileEntry);
  }

  Sample sample = SampleIds(bytes);
  sample.named.push_back(1);
  sample.fileEntries.push_back(-1);
  char path[plat::kPathBuffer];
  char description[zv::kFormDescriptionSize];
  char location[plat::kPathBuffer];
  for (const std::vector<int32_t>* region : {&sample.named, &sample.fileEntries}) {
    for (int32_t formId : *region) {
      if (zv::GetFormGroupPath(formId, path)) ZV_FUZZ_CHECK(Terminated(path, sizeof path));
      std::memset(location, 'x', sizeof location);
      location[sizeof location - 1] = '\0';
      const int16_t layer = zv::GetFormRecordInfo(formId, name, description, location);
      ZV_FUZZ_CHECK(layer >= -1 && layer <= 255);
      if (layer >= 0) {
        ZV_FUZZ_CHECK(Terminated(name, sizeof name) && Terminated(description, sizeof description));
      }
      ZV_FUZZ_CHECK(Terminated(location, sizeof location));
    }
  }
  std::strcpy(name, "P");
  zv::GetFormRecordInfo(0, name, description, nullptr);

  uint32_t canAdd = 0;
  zv::ChooseFormId(zv::kChooseNamedForm, "Fuzz form", &id, &canAdd);
  zv::ChooseFormId(zv::kChooseFileEntry, nullptr, &id, &canAdd);
  char edited[plat::kPathBuffer];
  ZVGetFormID("Invoice");
  zv::GetFormEditedFile(sample.named.front(), nullptr, description, &id, nullptr, location, path, edited);
}

struct Writer {
  const char* what;
  // Runs the writer; the counts it must leave in a valid form name list
  // (named, file entries, group entries) when it succeeds, given those before.
  bool (*run)(const Sample& sample);
  int namedDelta;
  int entryDelta;
  int groupDelta;
  bool countsKnown = true;  // false: a new record or a reused one
};

int32_t FirstOr(const std::vector<int32_t>& ids, int32_t fallback) {
  return ids.empty() ? fallback : ids.front();
}

const Writer kWriters[] = {
    {"AddFormRecord named",
     [](const Sample&) {
       int32_t id = 0;
       if (!zv::ChooseFormId(zv::kChooseNamedForm, "Fuzz form", &id, nullptr)) id = 4000;
       return zv::AddFormRecord(id, "Fuzz form", "A form", "C:\\CAT\\", zv::kLayerFront);
     },
     1, 0, 1},
    {"AddFormRecord file entry",
     [](const Sample&) {
       int32_t id = 0;
       uint32_t canAdd = 0;
       if (!zv::ChooseFormId(zv::kChooseFileEntry, nullptr, &id, &canAdd)) id = -1;
       return zv::AddFormRecord(id, "P", "", "C:\\CAT\\A.ZLP", zv::kLayerBack);
     },
     0, 1, 1},
    {"UpdateFormRecord named",
     [](const Sample& s) {
       return zv::UpdateFormRecord(FirstOr(s.named, 1), "Renamed", "Changed", "C:\\CAT\\SUB", zv::kLayerBack);
     },
     0, 0, 0},
    {"UpdateFormRecord file entry",
     [](const Sample& s) {
       return zv::UpdateFormRecord(FirstOr(s.fileEntries, -1), "C", "", "C:\\CAT\\LONGER\\B.ZLP",
                                   zv::kLayerFront);
     },
     0, 0, 0},
    {"DeleteForm named", [](const Sample& s) { return zv::DeleteForm(FirstOr(s.named, 1)); }, -1, 0, -1},
    {"DeleteForm file entry", [](const Sample& s) { return zv::DeleteForm(FirstOr(s.fileEntries, -1)); }, 0,
     -1, -1},
    {"ZVSetDevOverlay stored overlay",
     [](const Sample&) {
       const std::vector<unsigned char> block = DriverBlock(2, 600, 2, 9, 2100, 2970, 1);
       const uint16_t capabilities[] = {1, 2};
       int32_t id = 0;
       return ZVSetDevOverlay(block.data(), 2, capabilities, 1, 2, nullptr, 7, 1, nullptr, nullptr, &id) != 0;
     },
     0, 0, 0, false},
    {"ZVSetDevOverlay file",
     [](const Sample&) {
       WriteWholeFile(CataloguePath("FILE.ZLC"),
                      "\x1d"
                      "0;0.24muE");
       const std::vector<unsigned char> block = DriverBlock(2, 600, 2, 9, 2100, 2970, 1);
       const uint16_t capabilities[] = {1, 2};
       int32_t id = 0;
       return ZVSetDevOverlay(block.data(), 2, capabilities, 2, 1, "C:\\CAT\\FILE.ZLC", 0, 2, nullptr,
                              "Description", &id) != 0;
     },
     0, 0, 0, false},
};

constexpr size_t kWriterShare = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetUpScratchCatalogue();
  SetContext(nullptr);
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string groupList = GroupNameListFile(kGroupTexts);
  ClearDirectory(kCatalogueDir);
  WriteWholeFile(kFormListPath, input);
  WriteWholeFile(kGroupListPath, groupList);
  const FileState formBefore = ReadFileState(kFormListPath);
  const FileState groupBefore = ReadFileState(kGroupListPath);

  RunReaders(input);
  ZV_FUZZ_CHECK(ReadFileState(kFormListPath) == formBefore);
  ZV_FUZZ_CHECK(ReadFileState(kGroupListPath) == groupBefore);

  const Sample sample = SampleIds(input);
  uint32_t named = 0;
  uint32_t entries = 0;
  const bool valid = FormListValid(input, &named, &entries);
  // A third of the writers per input, chosen by its size, keeps a run
  // short; inputs of every size reach every writer.
  for (size_t w = size % kWriterShare; w < sizeof kWriters / sizeof kWriters[0]; w += kWriterShare) {
    const Writer& writer = kWriters[w];
    ClearDirectory(kCatalogueDir);
    WriteWholeFile(kFormListPath, input);
    WriteWholeFile(kGroupListPath, groupList);
    SetContext(writer.what);
    const bool succeeded = writer.run(sample);
    const FileState formAfter = ReadFileState(kFormListPath);
    const FileState groupAfter = ReadFileState(kGroupListPath);
    plat::posix::ClearRecordedMessageBoxes();
    CheckWriter(writer.what, formBefore, formAfter, {succeeded, false, false, false}, FormListIsValid);
    CheckWriter(writer.what, groupBefore, groupAfter, {succeeded, false, false, false}, GroupListIsValid);
    if (!succeeded) continue;
    ZV_FUZZ_CHECK(valid);
    uint32_t namedAfter = 0;
    uint32_t entriesAfter = 0;
    uint32_t groupsAfter = 0;
    ZV_FUZZ_CHECK(FormListValid(formAfter.bytes, &namedAfter, &entriesAfter));
    ZV_FUZZ_CHECK(GroupListValid(groupAfter.bytes, &groupsAfter));
    // Updating a record that does not exist succeeds and changes no count.
    if (writer.countsKnown) {
      ZV_FUZZ_CHECK(namedAfter == named + writer.namedDelta);
      ZV_FUZZ_CHECK(entriesAfter == entries + writer.entryDelta);
      ZV_FUZZ_CHECK(groupsAfter == kGroupTexts.size() + writer.groupDelta);
    }
    RunReaders(formAfter.bytes);
  }
  return 0;
}
