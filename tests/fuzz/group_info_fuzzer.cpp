// Fuzzes the group info file of a named form: the input is the file, which
// the fixed list files name as form 1's group, beside an overlay data file
// with a header and a raw one. Every reader must leave all files as they
// were; each writer runs on a fresh copy and must keep to the writers' rules
// for the group info file and both list files, and the readers must read a
// file that a writer succeeded on.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/print_settings.h"
#include "driverapi/overlay_lookup.h"
#include "maintenance/deletion.h"
#include "maintenance/existing_file_registration.h"
#include "maintenance/file_transfer.h"
#include "maintenance/group_registration.h"
#include "platform/platform.h"
#include "platform/posix/posix_config.h"
#include "scratch_catalogue.h"
#include "zvlmn30e.h"

namespace {

using namespace zvfuzz;

constexpr char kGroupInfoPath[] = "C:\\CAT\\_F3001.FGP";
constexpr char kOverlayPath[] = "C:\\CAT\\_F300100.ZLP";
constexpr char kRawPath[] = "C:\\CAT\\RAW.ZLC";

// Form 1's group is the fuzzed file; form 2 has no group info file yet;
// file entry -1 stands for the overlay data file.
const std::vector<FormSpec> kNamed = {{1, "Invoice", "", 1, 0}, {2, "Letter", "", 2, 1}};
const std::vector<FormSpec> kFileEntries = {{-1, "P", "", 1, 2}};
const std::vector<std::string> kGroupTexts = {kGroupInfoPath, "C:\\CAT\\", kOverlayPath};

const uint16_t kCapabilities[] = {1, 2, 0x4001};

std::vector<zv::PaperEntry> Papers() {
  std::vector<zv::PaperEntry> papers(3);
  const struct {
    uint16_t width, length, code;
    const char* name;
  } kPapers[] = {{2100, 2970, 9, "A4"}, {2159, 2794, 1, "Letter"}, {1000, 1000, 256, "User"}};
  for (size_t i = 0; i < papers.size(); ++i) {
    papers[i] = zv::PaperEntry{
        1, kPapers[i].width, kPapers[i].length, kPapers[i].width, kPapers[i].length, kPapers[i].code, {}};
    std::strcpy(papers[i].name, kPapers[i].name);
  }
  return papers;
}

const std::vector<unsigned char>& Block() {
  static const std::vector<unsigned char> block = DriverBlock(2, 600, 2, 9, 2100, 2970, 1);
  return block;
}

zv::PrintSettings Settings() {
  zv::PrintSettings settings;
  zv::CaptureSettings(Block().data(), 1, &settings);
  return settings;
}

bool Terminated(const char* text, size_t size) {
  return strnlen(text, size) < size;
}

struct Lines {
  uint32_t count = 0;
  bool terminated = true;
};

void CountLine(void* context, const char* line) {
  auto* lines = static_cast<Lines*>(context);
  ++lines->count;
  lines->terminated = lines->terminated && Terminated(line, zv::kOverlayLineSize);
}

void WriteCatalogue(const std::string& groupInfo) {
  ClearDirectory(kCatalogueDir);
  WriteWholeFile(kFormListPath, FormListFile(kNamed, kFileEntries, 1));
  WriteWholeFile(kGroupListPath, GroupNameListFile(kGroupTexts));
  WriteWholeFile(kGroupInfoPath, groupInfo);
  std::string header(319, '\0');
  header[0] = 0x3F;
  header[1] = 0x01;
  header.replace(285, 34, SettingsRecord(2, 600, 2, 9, 2100, 2970, 1));
  WriteWholeFile(kOverlayPath, header + "page data");
  WriteWholeFile(kRawPath,
                 "\x1d"
                 "0;0.24muE raw page data");
}

void RunReaders(const std::string& bytes) {
  uint32_t entries = 0;
  const bool valid = GroupInfoValid(bytes, &entries);
  const std::vector<zv::PaperEntry> papers = Papers();
  const uint16_t paperCount = static_cast<uint16_t>(papers.size());

  ZV_FUZZ_CHECK(zv::CountOverlayEntries(1) == (valid ? entries : 0));
  Lines lines;
  ZV_FUZZ_CHECK(zv::ListOverlayLines(1, papers.data(), paperCount, zv::LineSink{CountLine, &lines}) == valid);
  ZV_FUZZ_CHECK(lines.count == (valid ? entries : 0) && lines.terminated);

  uint16_t orientation = 0;
  const uint16_t paper = zv::FindFormPaperEntry(1, paperCount, papers.data(), &orientation);
  ZV_FUZZ_CHECK(paper == zv::kNoPaper || (valid && paper < paperCount));

  char path[plat::kPathBuffer];
  char directory[plat::kPathBuffer];
  char groupPath[plat::kPathBuffer];
  char description[zv::kFormDescriptionSize];
  int32_t found = 0;
  std::memset(path, 'x', sizeof path);
  zv::GetFormEditedFile(1, nullptr, description, &found, nullptr, directory, groupPath, path);
  uint32_t index = 0;
  std::memset(path, 'x', sizeof path);
  if (zv::FindOverlayEntry(kGroupInfoPath, Settings(), path, &index)) {
    ZV_FUZZ_CHECK(valid && index < entries && Terminated(path, sizeof path));
  }
  zv::GetGroupSize(1);
  uint16_t deviceNumber = 0;
  std::memset(path, 'x', sizeof path);
  const uint32_t searched = ZVSearchForm(Block().data(), 3, kCapabilities, 1, &deviceNumber, path);
  // The search checks the magic only, and reads the entries that the file holds.
  const bool magic = bytes.compare(0, 24, "ZEVROFORM GROUPINFO V1.0") == 0;
  if (searched != 0) ZV_FUZZ_CHECK(magic && Terminated(path, sizeof path));
}

struct Writer {
  const char* what;
  bool (*run)();
  int entryDelta;        // on success
  bool changeOnFailure;  // a documented partial edit, the file still valid
  bool mayDelete;
};

const uint32_t kEveryOther[] = {1, 0, 1, 0, 1, 0, 1, 0};

const Writer kWriters[] = {
    {"AddOverlayEntry",
     [] {
       const zv::PrintSettings settings = Settings();
       return zv::AddOverlayEntry(kGroupInfoPath, "_F300101.ZLP", &settings, nullptr, nullptr);
     },
     1, false, false},
    {"AddOverlayEntry with texts",
     [] {
       const zv::PrintSettings settings = Settings();
       return zv::AddOverlayEntry(kGroupInfoPath, "C:\\ELSEWHERE\\B.ZLC", &settings, "GROUP STRING",
                                  "_F3001.ZL3");
     },
     1, false, false},
    {"AddOverlayEntry clearing texts",
     [] { return zv::AddOverlayEntry(kGroupInfoPath, nullptr, nullptr, "", ""); }, 0, false, false},
    {"ReplaceOverlayFile",
     [] { return zv::ReplaceOverlayFile(kGroupInfoPath, 0, "C:\\CAT\\A LONGER NAME THAN BEFORE.ZLP"); }, 0,
     false, false},
    {"ReplaceOverlayFile shorter", [] { return zv::ReplaceOverlayFile(kGroupInfoPath, 1, "S.ZLP"); }, 0,
     false, false},
    {"DeleteOverlayEntries", [] { return zv::DeleteOverlayEntries(1, kEveryOther); }, -1, true, false},
    {"DeleteGroupInfoFile", [] { return zv::DeleteGroupInfoFile(kGroupInfoPath); }, 0, false, true},
    {"ZVGetOverlayForm",
     [] {
       char path[plat::kPathBuffer];
       return ZVGetOverlayForm(Block().data(), "GROUP", 1, path) != 0;
     },
     -1, true, false},
    {"ZVErrorForm", [] { return ZVErrorForm(1, kOverlayPath) != 0; }, -1, true, true},
    {"ZVPreviewForm",
     [] {
       char path[plat::kPathBuffer];
       return ZVPreviewForm(0, 1, path) != 0;
     },
     0, true, false},
    {"ProposeOverlayFileName",
     [] {
       char path[plat::kPathBuffer];
       return zv::ProposeOverlayFileName(Block().data(), kGroupInfoPath, path) != zv::kOverlayFileNone;
     },
     -1, true, false},
};

// Entries DeleteOverlayEntries removes from a file of count entries.
int FlaggedAmong(uint32_t count) {
  int flagged = 0;
  for (uint32_t i = 0; i < count && i < 8; ++i) flagged += kEveryOther[i] ? 1 : 0;
  return flagged;
}

constexpr size_t kWriterShare = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetUpScratchCatalogue();
  SetContext(nullptr);
  const std::string input(reinterpret_cast<const char*>(data), size);
  uint32_t entries = 0;
  const bool valid = GroupInfoValid(input, &entries);
  // DeleteOverlayEntries reads one flag per entry.
  if (valid && entries > 8) return 0;

  WriteCatalogue(input);
  const FileState before = ReadFileState(kGroupInfoPath);
  const FileState formBefore = ReadFileState(kFormListPath);
  const FileState groupBefore = ReadFileState(kGroupListPath);
  RunReaders(input);
  ZV_FUZZ_CHECK(ReadFileState(kGroupInfoPath) == before);
  ZV_FUZZ_CHECK(ReadFileState(kFormListPath) == formBefore);
  ZV_FUZZ_CHECK(ReadFileState(kGroupListPath) == groupBefore);

  // A third of the writers per input, chosen by its size, keeps a run
  // short; inputs of every size reach every writer.
  for (size_t w = size % kWriterShare; w < sizeof kWriters / sizeof kWriters[0]; w += kWriterShare) {
    const Writer& writer = kWriters[w];
    WriteCatalogue(input);
    SetContext(writer.what);
    const bool succeeded = writer.run();
    plat::posix::ClearRecordedMessageBoxes();
    const FileState after = ReadFileState(kGroupInfoPath);
    CheckWriter(writer.what, before, after, {succeeded, false, writer.mayDelete, writer.changeOnFailure},
                GroupInfoIsValid);
    // The list files are valid before; whatever the writer did, they stay so.
    const FileState formAfter = ReadFileState(kFormListPath);
    const FileState groupAfter = ReadFileState(kGroupListPath);
    CheckWriter(writer.what, formBefore, formAfter, {succeeded, false, false, true}, FormListIsValid);
    CheckWriter(writer.what, groupBefore, groupAfter, {succeeded, false, false, true}, GroupListIsValid);
    if (!succeeded || !after.exists) continue;
    uint32_t entriesAfter = 0;
    ZV_FUZZ_CHECK(GroupInfoValid(after.bytes, &entriesAfter));
    if (writer.entryDelta > 0) ZV_FUZZ_CHECK(entriesAfter == entries + 1);
    if (writer.entryDelta == 0) ZV_FUZZ_CHECK(entriesAfter == entries);
    if (std::strcmp(writer.what, "DeleteOverlayEntries") == 0) {
      ZV_FUZZ_CHECK(entriesAfter == entries - FlaggedAmong(entries));
    }
    RunReaders(after.bytes);
  }
  return 0;
}
