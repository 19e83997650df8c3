// Fuzzes the group info file of a named form: the input is the file, which
// the fixed list files name as form 1's group, beside an overlay data file
// with a header and a raw one. The readers agree with its counts and change
// no file; each writer, on a fresh copy, keeps to the writers' rules for it
// and both list files and to the entry count it promises, and the readers
// then read what it wrote.
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/print_settings.h"
#include "driverapi/overlay_lookup.h"
#include "maintenance/deletion.h"
#include "maintenance/existing_file_registration.h"
#include "maintenance/file_transfer.h"
#include "maintenance/group_registration.h"
#include "scratch_catalogue.h"

using namespace zvfuzz;

constexpr char kGroupInfoPath[] = "C:\\CAT\\_F3001.FGP", kOverlayPath[] = "C:\\CAT\\_F300100.ZLP";
const std::vector<std::string> kFiles = {kGroupInfoPath, kFormListPath, kGroupListPath};
const uint16_t kCapabilities[] = {1, 2, 0x4001};
const uint32_t kEveryOther[] = {1, 0, 1, 0, 1, 0, 1, 0};  // the entries DeleteOverlayEntries removes
const std::vector<zv::PaperEntry> kPapers = [] {
  std::vector<zv::PaperEntry> papers = {{1, 2100, 2970, 2100, 2970, 9, {}}, {1, 2159, 2794, 2159, 2794, 1, {}},
                                        {1, 1000, 1000, 1000, 1000, 256, {}}};
  const char* names[] = {"A4", "Letter", "User"};
  for (size_t i = 0; i < papers.size(); ++i) std::strcpy(papers[i].name, names[i]);
  return papers;
}();

zv::PrintSettings Settings() {
  zv::PrintSettings settings;
  zv::CaptureSettings(Block().data(), 1, &settings);
  return settings;
}

// Form 1's group is the fuzzed file, form 2 has none yet, file entry -1 is
// the overlay data file.
void WriteCatalogue(const std::string& groupInfo) {
  ClearDirectory(kCatalogueDir);
  WriteWholeFile(kFormListPath, zvtest::FormListFile({{1, "Invoice", "", 1, 0}, {2, "Letter", "", 2, 1}},
                                                     {{-1, "P", "", 1, 2}}, 1));
  WriteWholeFile(kGroupListPath, zvtest::GroupNameListFile({kGroupInfoPath, "C:\\CAT\\", kOverlayPath}));
  WriteWholeFile(kGroupInfoPath, groupInfo);
  WriteWholeFile(kOverlayPath, std::string("\x3f\x01", 2) + std::string(283, '\0') + Record() + "page data");
  WriteWholeFile("C:\\CAT\\RAW.ZLC", "\x1d" "0;0.24muE raw page data");
}

void RunReaders(const std::string& bytes) {
  uint32_t entries = 0, index = 0;
  const bool valid = Valid(Format::kGroupInfo, bytes, &entries);
  const uint16_t paperCount = static_cast<uint16_t>(kPapers.size());
  ZV_FUZZ_CHECK(zv::CountOverlayEntries(1) == (valid ? entries : 0));
  struct Lines {
    uint32_t count;
    bool fit;
  } lines{0, true};
  const zv::LineSink sink{[](void* context, const char* line) {
                            auto* l = static_cast<Lines*>(context);
                            ++l->count, l->fit = l->fit && Fits(line, zv::kOverlayLineSize);
                          }, &lines};
  ZV_FUZZ_CHECK(zv::ListOverlayLines(1, kPapers.data(), paperCount, sink) == valid);
  ZV_FUZZ_CHECK(lines.count == (valid ? entries : 0) && lines.fit);
  uint16_t orientation = 0, deviceNumber = 0;
  const uint16_t paper = zv::FindFormPaperEntry(1, paperCount, kPapers.data(), &orientation);
  ZV_FUZZ_CHECK(paper == zv::kNoPaper || (valid && paper < paperCount));

  char path[plat::kPathBuffer], directory[plat::kPathBuffer], groupPath[plat::kPathBuffer];
  char description[zv::kFormDescriptionSize];
  int32_t found = 0;
  std::memset(path, 'x', sizeof path);
  zv::GetFormEditedFile(1, nullptr, description, &found, nullptr, directory, groupPath, path);
  std::memset(path, 'x', sizeof path);
  if (zv::FindOverlayEntry(kGroupInfoPath, Settings(), path, &index)) {
    ZV_FUZZ_CHECK(valid && index < entries && Fits(path, sizeof path));
  }
  zv::GetGroupSize(1);
  std::memset(path, 'x', sizeof path);
  // The search checks the magic only, and reads the entries the file holds.
  if (ZVSearchForm(Block().data(), 3, kCapabilities, 1, &deviceNumber, path) != 0) {
    ZV_FUZZ_CHECK(bytes.compare(0, 24, "ZEVROFORM GROUPINFO V1.0") == 0 && Fits(path, sizeof path));
  }
}

// Each writer with the entries it adds on success (-1: may remove one, -2:
// those of kEveryOther), whether it may edit on failure (still valid) and
// whether it may delete the file.
struct Writer {
  const char* what;
  bool (*run)();
  int entries;
  bool changeOnFailure, mayDelete;
};
bool AddEntry(const char* file, bool settings, const char* group, const char* edited) {
  const zv::PrintSettings captured = Settings();
  return zv::AddOverlayEntry(kGroupInfoPath, file, settings ? &captured : nullptr, group, edited);
}
char g_path[plat::kPathBuffer];
const Writer kWriters[] = {
    {"AddOverlayEntry", [] { return AddEntry("_F300101.ZLP", true, nullptr, nullptr); }, 1, false, false},
    {"AddOverlayEntry with texts",
     [] { return AddEntry("C:\\ELSEWHERE\\B.ZLC", true, "GROUP STRING", "_F3001.ZL3"); }, 1, false, false},
    {"AddOverlayEntry clearing texts", [] { return AddEntry(nullptr, false, "", ""); }, 0, false, false},
    {"ReplaceOverlayFile",
     [] { return zv::ReplaceOverlayFile(kGroupInfoPath, 0, "C:\\CAT\\A LONGER NAME THAN BEFORE.ZLP"); }, 0, false,
     false},
    {"ReplaceOverlayFile shorter", [] { return zv::ReplaceOverlayFile(kGroupInfoPath, 1, "S.ZLP"); }, 0, false, false},
    {"DeleteOverlayEntries", [] { return zv::DeleteOverlayEntries(1, kEveryOther); }, -2, true, false},
    {"DeleteGroupInfoFile", [] { return zv::DeleteGroupInfoFile(kGroupInfoPath); }, 0, false, true},
    {"ZVGetOverlayForm", [] { return ZVGetOverlayForm(Block().data(), "GROUP", 1, g_path) != 0; }, -1, true, false},
    {"ZVErrorForm", [] { return ZVErrorForm(1, kOverlayPath) != 0; }, -1, true, true},
    {"ZVPreviewForm", [] { return ZVPreviewForm(0, 1, g_path) != 0; }, 0, true, false},
    {"ProposeOverlayFileName",
     [] { return zv::ProposeOverlayFileName(Block().data(), kGroupInfoPath, g_path) != zv::kOverlayFileNone; }, -1,
     true, false},
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetUpScratchCatalogue();
  const std::string input(reinterpret_cast<const char*>(data), size);
  uint32_t entries = 0, entriesAfter = 0;
  // DeleteOverlayEntries reads one flag per entry.
  if (Valid(Format::kGroupInfo, input, &entries) && entries > 8) return 0;
  WriteCatalogue(input);
  const std::vector<FileState> before = ReadFileStates(kFiles);
  RunReaders(input);
  ZV_FUZZ_CHECK(ReadFileStates(kFiles) == before);

  ForShareOfWriters(kWriters, size, [&](const Writer& writer) {
    WriteCatalogue(input);
    const bool succeeded = writer.run();
    plat::posix::ClearRecordedMessageBoxes();
    const std::vector<FileState> after = ReadFileStates(kFiles);
    CheckWriter(writer.what, before[0], after[0], {succeeded, writer.mayDelete, writer.changeOnFailure},
                Format::kGroupInfo);
    // The list files are valid before; whatever the writer did, they stay so.
    CheckWriter(writer.what, before[1], after[1], {succeeded, false, true}, Format::kFormList);
    CheckWriter(writer.what, before[2], after[2], {succeeded, false, true}, Format::kGroupList);
    if (!succeeded || !after[0].exists) return;
    ZV_FUZZ_CHECK(Valid(Format::kGroupInfo, after[0].bytes, &entriesAfter));
    if (writer.entries >= 0) ZV_FUZZ_CHECK(entriesAfter == entries + writer.entries);
    if (writer.entries == -2) ZV_FUZZ_CHECK(entriesAfter == entries - (entries + 1) / 2);
    RunReaders(after[0].bytes);
  });
  return 0;
}
