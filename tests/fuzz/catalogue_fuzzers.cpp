// The fuzz targets, one per file format, each this file built with ZV_FUZZ_TARGET naming its entry:
// readers change no byte, agree with a valid header's counts and give texts that fit; zvcat's
// recovery makes a sound catalogue of any list and group info files and changes none of them; a
// writer leaves a damaged or missing file as it was, a valid one as it was on failure, valid on
// success.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "catalogue/byte_order.h"
#include "catalogue/catalogue_config.h"
#include "catalogue/overlay_files.h"
#include "catalogue_check.h"
#include "catalogue_recovery.h"
#include "driverlink/driver_entry_points.h"
#include "fuzz_driver_log.h"
#include "maintenance/deletion.h"
#include "maintenance/existing_file_registration.h"
#include "maintenance/file_transfer.h"
#include "maintenance/form_registration.h"
#include "maintenance/group_registration.h"
#include "maintenance/overlay_entries.h"
#include "module/module_state.h"
#include "platform/posix/posix_config.h"
#include "support/catalogue_bytes.h"

namespace zvfuzz {
namespace fs = std::filesystem;
using File = std::optional<std::string>;  // a whole file, or none
using zv::GetU32;

const char* g_writer = "no writer";
// Ends the run naming the property and the writer; libFuzzer keeps the input.
[[noreturn]] void Fail(const char* property, int line) {
  std::fprintf(stderr, "\n%s:%d: property broken: %s, after %s\n", __FILE__, line, property, g_writer);
  std::abort();
}
#define CHECK(p) ((p) ? void() : ::zvfuzz::Fail(#p, __LINE__))

// A buffer of 'x', so that a text left unterminated shows; whether one fits.
const auto Smudged = [](char* buffer, size_t size) {
  return static_cast<char*>(std::memset(buffer, 'x', size));
};
const auto Fits = [](const char* text, size_t size) { return strnlen(text, size) < size; };
const auto Host = [](const std::string& path) {
  char host[4096];
  return std::string(plat::posix::ToHostPath(path.c_str(), host, sizeof host) ? host : "");
};
const auto Bytes = [](const std::string& b) { return reinterpret_cast<const uint8_t*>(b.data()); };

// Whole files by Windows path through the C++ library, not the platform layer under test.
void Write(const std::string& path, const std::string& bytes) {
  if (!(std::ofstream(Host(path), std::ios::binary) << bytes)) Fail("a file is written", __LINE__);
}
File Read(const std::string& path) {
  std::ifstream f(Host(path), std::ios::binary);
  return f ? File(std::string(std::istreambuf_iterator<char>(f), {})) : std::nullopt;
}
enum Format { kFormList, kGroupList, kGroupInfo, kUnwatched };
struct Laid {
  std::string path, bytes;
  Format format = kUnwatched;  // the files a writer's rules are checked on; the first may go
};
std::vector<File> ReadFiles(const std::vector<Laid>& files) {
  std::vector<File> read;
  for (const Laid& file : files) read.push_back(Read(file.path));
  return read;
}
// C:\CAT holding only these files.
void LayOut(const std::vector<Laid>& files) {
  for (const auto& e : fs::directory_iterator(Host("C:\\CAT"))) {
    if (!e.is_directory()) fs::remove(e.path());
  }
  for (const Laid& file : files) Write(file.path, file.bytes);
}

// Made once per process, removed at exit: drive C: with C:\WINDOWS\SYSTEM, this module at
// C:\DRIVERS\ZVLMN30E.DLL, and ZVLMN3.DAT naming the list files of C:\CAT.
constexpr char kFormListPath[] = "C:\\CAT\\ZVLMN3.FLT", kGroupListPath[] = "C:\\CAT\\ZVLMN3.GLT";
std::string SetUp(const uint8_t* data, size_t size) {
  static std::string root;
  if (root.empty()) {
    root = (fs::exists("/dev/shm") ? "/dev/shm" : "/tmp") + std::string("/zvfuzz-XXXXXX");
    if (!mkdtemp(&root[0])) Fail("the scratch directory can be made", __LINE__);
    std::atexit([] { fs::remove_all(root); });
    for (const char* sub : {"/c/WINDOWS/SYSTEM", "/c/DRIVERS", "/c/CAT"}) fs::create_directories(root + sub);
    plat::posix::MapDrive('C', (root + "/c").c_str());
    plat::posix::MapDrive('Z', nullptr);  // fuzzed paths reach nothing outside but relative ones, read only
    plat::posix::SetRegistryDirectory((root + "/registry").c_str());
    plat::posix::SetSystemDirectory("C:\\WINDOWS\\SYSTEM");
    plat::posix::SetModuleFileName("C:\\DRIVERS\\ZVLMN30E.DLL");
    Write("C:\\WINDOWS\\SYSTEM\\ZVLMN3.DAT",
          std::string("[ENVIRONMENT]\r\nCURRENTDIR=C:\\CAT\r\nUSER=DEFAULT\r\n") +
              "[DEFAULT]\r\nFormName=" + kFormListPath + "\r\nGroupName=" + kGroupListPath + "\r\n");
  }
  return std::string(reinterpret_cast<const char*>(data), size);
}

// A driver's settings block (black, 600 dpi, A4 portrait, zoom 100) and its settings of layer 1.
const unsigned char* Block() {
  static const ZV_DRIVER_SETTINGS block = [] {
    ZV_DRIVER_SETTINGS s = zvtest::PlainA4Settings();
    s.printingMode = 2;
    return s;
  }();
  return reinterpret_cast<const unsigned char*>(&block);
}
const zv::PrintSettings kSettings = [] {
  zv::PrintSettings settings;
  zv::CaptureSettings(Block(), 1, &settings);
  return settings;
}();
const uint16_t kCapabilities[] = {1, 3, 0x4001};

// A list file is valid with its magic and a size of exactly what its header's counts imply; the
// counts go to the outputs.
struct Layout {
  const char* magic;
  size_t header, countAt;
};
const Layout kLayouts[] = {{"ZEVROFORM FORMNAMEINFO V1.0", 35, 27},
                           {"ZEVROFORM GROUPNAMEINFO V1.0", 36, 28},
                           {"ZEVROFORM GROUPINFO V1.0", 64, 52}};
bool Valid(Format format, const File& file, uint32_t* count = nullptr, uint32_t* second = nullptr) {
  const Layout& layout = kLayouts[format];
  if (!file || file->size() < layout.header || file->compare(0, strlen(layout.magic), layout.magic) != 0)
    return false;
  const auto u32 = [&](size_t at) -> uint64_t { return GetU32(Bytes(*file) + at); };
  const uint64_t first = u32(layout.countAt), other = format == kFormList ? u32(31) & 0xFFFF : 0;
  if (count) *count = static_cast<uint32_t>(first);
  if (second) *second = static_cast<uint32_t>(other);
  return file->size() == layout.header + (format == kFormList    ? 290 * (first + other)
                                          : format == kGroupList ? 4 * first + u32(32)
                                                                 : 38 * first + 4 * u32(56) + u32(60));
}

// A writer, whether it may change the files on failure (leaving them valid) and delete the first.
struct Writer {
  const char* what;
  bool (*run)();
  bool mayChangeOnFailure, mayDelete;
};
// The readers change no file; then a third of the writers, chosen by the input's size (a run stays
// short, and every writer is reached), each on the files laid out afresh, keep the writers' rules.
void RunTarget(size_t size, const std::vector<Laid>& laid, void (*readers)(const std::vector<File>&),
               const std::vector<Writer>& writers) {
  std::vector<Laid> watched;
  for (const Laid& file : laid) {
    if (file.format != kUnwatched) watched.push_back(file);
  }
  LayOut(laid);
  const std::vector<File> before = ReadFiles(watched);
  readers(before);
  CHECK(ReadFiles(watched) == before);
  fs::remove_all(Host("C:\\RECOVERED"));
  zvcat::Recovery recovery = zvcat::PlanRecovery({kFormListPath, kGroupListPath}, "");
  std::string error;
  CHECK(zvcat::WriteRecovery(&recovery, "C:\\RECOVERED", "", &error));
  CHECK(zvcat::CheckCatalogue({"C:\\RECOVERED\\ZVLMN3.FLT", "C:\\RECOVERED\\ZVLMN3.GLT"}).empty());
  CHECK(ReadFiles(watched) == before);
  for (size_t w = size % 3; w < writers.size(); w += 3) {
    LayOut(laid);
    g_writer = writers[w].what;
    const bool succeeded = writers[w].run();
    plat::posix::ClearRecordedMessageBoxes();
    const std::vector<File> after = ReadFiles(watched);
    for (size_t i = 0; i < watched.size(); ++i) {
      const bool valid = Valid(watched[i].format, after[i]), kept = before[i] == after[i];
      const bool allowed = succeeded ? valid || (i == 0 && writers[w].mayDelete && !after[i])
                                     : kept || (writers[w].mayChangeOnFailure && valid);
      CHECK(Valid(watched[i].format, before[i]) ? allowed : kept);
    }
    if (succeeded) readers(after);
    g_writer = "no writer";
  }
}

// ZVLMN3.DAT: the paths read fit; a stored CURRENTDIR reads back and changes no list path, a refused
// one changes nothing; a seed ZVLMN3.INI is copied byte for byte when it is missing.
std::string ListPaths() {
  char form[plat::kPathBuffer], group[plat::kPathBuffer], alone[plat::kPathBuffer];
  const bool both = zv::GetListFilePaths(Smudged(form, sizeof form), Smudged(group, sizeof group));
  const bool one = zv::GetListFilePaths(Smudged(alone, sizeof alone), nullptr);
  CHECK(!one || (Fits(alone, sizeof alone) && alone[0] != '\0'));
  CHECK(!both || (one && Fits(group, sizeof group) && group[0] != '\0' && !std::strcmp(form, alone)));
  return both ? std::string(form) + '|' + group : one ? alone : "";
}
void catalogue_config_fuzzer(const std::string& input) {
  const std::string config = "C:\\WINDOWS\\SYSTEM\\ZVLMN3.DAT", seed = "C:\\WINDOWS\\SYSTEM\\ZVLMN3.INI";
  char directory[plat::kPathBuffer], path[plat::kPathBuffer];
  LayOut({{config, input}});
  fs::remove(Host(seed));
  const std::string paths = ListPaths();
  zv::GetCurrentDirSetting(Smudged(directory, sizeof directory));
  CHECK(Fits(directory, sizeof directory) && zv::EnsureCatalogueConfiguration());
  zv::CountNamedForms();
  ZVGetFormListNum();
  zv::GetFormGroupPath(1, path);  // the lists it names
  CHECK(Read(config) == input);
  if (zv::SetCurrentDirSetting("C:\\CAT\\STORED") == 0)
    CHECK(Read(config) == input);
  else
    CHECK(zv::GetCurrentDirSetting(directory) && !strcmp(directory, "C:\\CAT\\STORED") &&
          ListPaths() == paths);
  fs::remove(Host(config));
  Write(seed, input);
  CHECK(zv::EnsureCatalogueConfiguration() && Read(config) == input);
  fs::remove(Host(seed));
}

// ZVL3.INI in the system directory or, first byte odd, ZVL3DRV.DAT beside the module: the ranges
// keep to their clamping (a lowest above the highest allowed makes a range of one), the group file
// prefix stays a short "_" name that group info file names are built on, nothing is written.
void driver_config_fuzzer(const std::string& input) {
  const std::string path =
      !input.empty() && (input[0] & 1) ? "C:\\DRIVERS\\ZVL3DRV.DAT" : "C:\\WINDOWS\\SYSTEM\\ZVL3.INI";
  fs::remove(Host("C:\\DRIVERS\\ZVL3DRV.DAT"));
  fs::remove(Host("C:\\WINDOWS\\SYSTEM\\ZVL3.INI"));
  Write(path, input);
  uint32_t low = 0, high = 0;
  char prefix[zv::kGroupFilePrefixSize], name[261];
  zv::GetFormIdRange(&low, &high, Smudged(prefix, sizeof prefix));
  CHECK(low >= 1 && low <= high && (high <= 4096 || high == low) && high - low < 4096);
  CHECK(Fits(prefix, sizeof prefix) && prefix[0] == '_');
  zv::GetFormIdRange(&low, &high, nullptr);
  CHECK(low >= 1 && low <= high && high - low < 4096);
  zv::GetOverlayNumberRange(&low, &high);
  CHECK(low <= high && (high <= 255 || high == low) && high - low < 256);
  CHECK(ZVDriverFormService() == 0 || ZVDriverFormService() == 1);
  for (int32_t id : {1, 26, 4096}) {
    if (!zv::MakeGroupInfoFileName(id, "C:\\CAT", Smudged(name, sizeof name))) continue;
    const size_t length = strnlen(name, sizeof name);
    CHECK(length < sizeof name && length >= 4 && std::strcmp(name + length - 4, ".FGP") == 0);
  }
  CHECK(Read(path) == input);
}

// The form name list beside a group name list of every kind of text: names fit, slots past the end
// are cleared.
int32_t g_named = 1, g_entry = -1;  // the first identifier of each region as the file holds them
void ReadFormList(const std::vector<File>& files) {
  uint32_t named = 0, filled = 0, canAdd = 0;
  const bool valid = Valid(kFormList, files[0], &named);
  CHECK(zv::CountNamedForms() == (valid ? named : 0));
  CHECK(zv::GetLastErrorCode() == (valid ? 0u : zv::kMsgFormListDamaged));
  CHECK(ZVGetFormListNum() == int32_t(valid ? named + 1 : 1));
  int32_t ids[64], id = 0;
  char names[64][zv::kFormNameSize], description[256], path[3][plat::kPathBuffer];
  Smudged(names[0], sizeof names);
  Smudged(reinterpret_cast<char*>(ids), sizeof ids);
  CHECK(zv::ListNamedForms(1, 64, ids, names) == valid);
  for (uint32_t k = 0; k < 64; ++k)
    CHECK(valid && k + 1 < named ? Fits(names[k], sizeof names[k]) : !ids[k] && !*names[k]);
  ZVGetFormList(nullptr, 0, 63, -1, &filled, ids, names[0]);
  zv::FindNamedFormByName("Invoice", &id);
  zv::CheckFormName("Invoice", &id);
  ZVGetFormID("Invoice");
  for (int32_t formId : {g_named, g_entry, 1, -1, -256}) {
    zv::GetFileEntryName(formId, &id, names[0]);
    zv::GetFormGroupPath(formId, path[0]);
    zv::GetFormRecordInfo(formId, names[0], description, path[0]);
  }
  zv::GetFormRecordInfo(0, std::strcpy(names[0], "P"), description, nullptr);
  zv::ChooseFormId(zv::kChooseNamedForm, "Fuzz form", &id, &canAdd);
  zv::ChooseFormId(zv::kChooseFileEntry, nullptr, &id, &canAdd);
  zv::GetFormEditedFile(g_named, nullptr, description, &id, nullptr, path[0], path[1], path[2]);
  plat::posix::ClearRecordedMessageBoxes();
}
// A record with the identifier the catalogue chooses (else fallback); an overlay stored or a file.
bool Add(int kind, const char* name, int32_t fallback, const char* location, uint8_t layer) {
  int32_t id = 0;
  uint32_t canAdd = 0;
  const bool chosen = zv::ChooseFormId(kind, kind == zv::kChooseNamedForm ? name : nullptr, &id, &canAdd);
  return zv::AddFormRecord(chosen ? id : fallback, name, name, location, layer);
}
bool SetOverlay(int32_t kind, int32_t layer, const char* file, int32_t number) {
  int32_t id = 0;
  if (file) Write(file, std::string("\x1d") + "0;0.24muE");
  return ZVSetDevOverlay(Block(), 2, kCapabilities, kind, layer, file, number, kind, nullptr, file, &id) != 0;
}
void form_name_list_fuzzer(const std::string& input) {
  uint32_t named = 0, entries = 0;
  g_named = 1;
  g_entry = -1;  // the catalogue trusts them: only those of the region's sign are taken
  for (uint32_t i = Valid(kFormList, input, &named, &entries) ? named + entries : 0; i-- > 0;) {
    const int32_t id = zv::GetI32(Bytes(input) + 35 + 290 * i);
    if (i < named ? id > 0 : id < 0) (i < named ? g_named : g_entry) = id;
  }
  const std::string texts =
      zvtest::GroupNameListFile({"C:\\CAT\\", "C:\\CAT\\_F3002.FGP", "12", "", "BILL.ZLC", "C:\\CAT\\SUB\\",
                                 "_F3007.FGP", "C:\\CAT\\X.ZLP"});
  RunTarget(
      input.size(), {{kFormListPath, input, kFormList}, {kGroupListPath, texts, kGroupList}}, ReadFormList,
      {{"AddFormRecord named", [] { return Add(zv::kChooseNamedForm, "Fuzz form", 4000, "C:\\CAT\\", 1); }},
       {"AddFormRecord file entry", [] { return Add(zv::kChooseFileEntry, "P", -1, "C:\\CAT\\A.ZLP", 2); }},
       {"UpdateFormRecord named", [] { return zv::UpdateFormRecord(g_named, "Re", "C", "C:\\CAT\\SUB", 2); }},
       {"UpdateFormRecord file entry",
        [] { return zv::UpdateFormRecord(g_entry, "C", "", "C:\\L\\B.ZLP", 1); }},
       {"DeleteForm named", [] { return zv::DeleteForm(g_named); }},
       {"DeleteForm file entry", [] { return zv::DeleteForm(g_entry); }},
       {"ZVSetDevOverlay stored overlay", [] { return SetOverlay(1, 2, nullptr, 7); }},
       {"ZVSetDevOverlay file", [] { return SetOverlay(2, 1, "C:\\CAT\\FILE.ZLC", 0); }}});
}

// The group name list through form records pointing at its first six entries and one beyond.
void ReadGroupList(const std::vector<File>& files) {
  uint32_t count = 0;
  const bool valid = Valid(kGroupList, files[1], &count);
  plat::FileHandle file = nullptr;
  zv::GroupListHeader header;
  char text[3][plat::kPathBuffer], name[zv::kFormNameSize], description[256];
  int32_t found = 0;
  uint16_t orientation = 0;
  const bool open =
      zv::OpenGroupNameList(kGroupListPath, plat::kAccessRead, &file, &header) == zv::ListFileState::kValid;
  CHECK(open == valid && (!open || header.entryCount == count));
  for (uint32_t i = 0; open && i < count + 2 && i < 64; ++i) {
    const bool read = zv::ReadGroupText(file, header, i, Smudged(text[0], sizeof text[0]));
    CHECK(Fits(text[0], sizeof text[0]) && (i < count || !read));
  }
  if (open) plat::CloseFile(file);
  for (int32_t id : {1, 2, 3, 4, 5, -1, -2}) {
    zv::GetFormGroupPath(id, text[0]);
    zv::GetFormRecordInfo(id, name, description, text[0]);
    zv::CountOverlayEntries(id);
    ZVGetDevFormName(id, text[0]);
  }
  zv::FindFormPaperEntry(1, 0, nullptr, &orientation);
  zv::GetFormEditedFile(2, nullptr, description, &found, nullptr, text[0], text[1], text[2]);
}
void group_name_list_fuzzer(const std::string& input) {
  static const std::string forms = zvtest::FormListFile({{1, "One", "", 1, 0},
                                                         {2, "Two", "", 2, 1},
                                                         {3, "3", "", 1, 2},
                                                         {4, "4", "", 1, 3},
                                                         {5, "5", "", 1, 100000}},
                                                        {{-1, "P", "", 1, 4}, {-2, "C", "", 2, 5}}, 2);
  RunTarget(
      input.size(), {{kFormListPath, forms, kFormList}, {kGroupListPath, input, kGroupList}}, ReadGroupList,
      {{"AppendGroupNameEntry",
        [] { return zv::AppendGroupNameEntry(kGroupListPath, "C:\\CAT\\NEW\\") >= 0; }},
       {"ReplaceGroupNameEntry 0", [] { return zv::ReplaceGroupNameEntry(kGroupListPath, 0, "C:\\R"); }},
       {"ReplaceGroupNameEntry 1",
        [] { return zv::ReplaceGroupNameEntry(kGroupListPath, 1, "C:\\A LONGER ONE\\"); }},
       {"ReplaceGroupNameEntry 2", [] { return zv::ReplaceGroupNameEntry(kGroupListPath, 2, ""); }},
       {"DeleteGroupNameEntry 0", [] { return zv::DeleteGroupNameEntry(kGroupListPath, 0); }},
       {"AddFormRecord", [] { return zv::AddFormRecord(6, "Six", "", "C:\\CAT\\", 1); }},
       {"UpdateFormRecord", [] { return zv::UpdateFormRecord(2, "Two", "", "D:\\ELSEWHERE", 1); }},
       {"DeleteForm named", [] { return zv::DeleteForm(3); }},
       {"DeleteForm file entry", [] { return zv::DeleteForm(-2); }}});
}

// Form 1's group info file (form 2 has none yet) beside an overlay data file with a header (entry
// -1) and a raw one; the list files stay valid whatever a writer did, and listed lines fit.
constexpr char kGroupInfoPath[] = "C:\\CAT\\_F3001.FGP", kOverlayPath[] = "C:\\CAT\\_F300100.ZLP";
const zv::PaperEntry kPapers[] = {{1, 2100, 2970, 2100, 2970, 9, "A4"},
                                  {1, 2159, 2794, 2159, 2794, 1, "Letter"},
                                  {1, 1000, 1000, 1000, 1000, 256, "User"}};
const uint32_t kEveryOther[] = {1, 0, 1, 0, 1, 0, 1, 0};  // the entries DeleteOverlayEntries removes
char g_path[plat::kPathBuffer];
void ReadGroupInfo(const std::vector<File>& files) {
  uint32_t entries = 0, index = 0, lines = 0;  // the lines listed that fit
  const bool valid = Valid(kGroupInfo, files[0], &entries);
  CHECK(zv::CountOverlayEntries(1) == (valid ? entries : 0));
  const zv::LineSink sink{
      [](void* to, const char* l) { *static_cast<uint32_t*>(to) += Fits(l, zv::kOverlayLineSize); }, &lines};
  CHECK(zv::ListOverlayLines(1, kPapers, 3, sink) == valid && lines == (valid ? entries : 0));
  uint16_t orientation = 0;
  const uint16_t paper = zv::FindFormPaperEntry(1, 3, kPapers, &orientation);
  CHECK(paper == zv::kNoPaper || (valid && paper < 3));
  char path[3][plat::kPathBuffer], description[256];
  int32_t found = 0;
  zv::GetFormEditedFile(1, nullptr, description, &found, nullptr, path[0], path[1], path[2]);
  if (zv::FindOverlayEntry(kGroupInfoPath, kSettings, path[0], &index)) CHECK(valid && index < entries);
  zv::GetGroupSize(1);
  ZVSearchForm(Block(), 3, kCapabilities, 1, &orientation, path[0]);
}
bool AddEntry(const char* file, bool settings, const char* group, const char* edited) {
  return zv::AddOverlayEntry(kGroupInfoPath, file, settings ? &kSettings : nullptr, group, edited);
}
void group_info_fuzzer(const std::string& input) {
  static const std::string forms = zvtest::FormListFile({{1, "I", "", 1, 0}, {2, "L", "", 2, 1}},
                                                        {{-1, "P", "", 1, 2}}, 1),
                           texts = zvtest::GroupNameListFile({kGroupInfoPath, "C:\\CAT\\", kOverlayPath}),
                           overlay = zvtest::OverlayDataFile("", "", zvtest::SettingsRecordBytes(kSettings),
                                                             "page");
  uint32_t entries = 0;
  if (Valid(kGroupInfo, input, &entries) && entries > 8) return;  // one flag of kEveryOther each
  RunTarget(
      input.size(),
      {{kGroupInfoPath, input, kGroupInfo},
       {kFormListPath, forms, kFormList},
       {kGroupListPath, texts, kGroupList},
       {kOverlayPath, overlay},
       {"C:\\CAT\\RAW.ZLC", std::string("\x1d") + "0;0.24muE raw data"}},
      ReadGroupInfo,
      {{"AddOverlayEntry", [] { return AddEntry("_F300101.ZLP", true, nullptr, nullptr); }},
       {"AddOverlayEntry with texts",
        [] { return AddEntry("C:\\E\\B.ZLC", true, "GROUP STRING", "_F3001.ZL3"); }},
       {"AddOverlayEntry clearing texts", [] { return AddEntry(nullptr, false, "", ""); }},
       {"ReplaceOverlayFile",
        [] { return zv::ReplaceOverlayFile(kGroupInfoPath, 0, "C:\\CAT\\A LONGER NAME.ZLP"); }},
       {"ReplaceOverlayFile shorter", [] { return zv::ReplaceOverlayFile(kGroupInfoPath, 1, "S.ZLP"); }},
       {"DeleteOverlayEntries",
        [] { return zv::DeleteOverlayEntries(1, kEveryOther, zv::CountOverlayEntries(1)); }, true},
       {"DeleteGroupInfoFile", [] { return zv::DeleteGroupInfoFile(kGroupInfoPath); }, false, true},
       {"ZVGetOverlayForm", [] { return ZVGetOverlayForm(Block(), "GROUP", 1, g_path) != 0; }, true},
       {"ZVErrorForm", [] { return ZVErrorForm(1, kOverlayPath) != 0; }, true, true},
       {"ZVPreviewForm", [] { return ZVPreviewForm(0, 1, g_path) != 0; }, true},
       {"ProposeOverlayFileName",
        [] { return zv::ProposeOverlayFileName(Block(), kGroupInfoPath, g_path) != zv::kOverlayFileNone; },
        true}});
}

// Overlay data files: the input is the data file, its .ZLI and its .ZLF companion (each but the last
// a u16 length and its bytes), read as .ZLP, raw .ZLC and a name without a dot; the header's record
// and description read as they stand (short reads as zeros). The header rewrite refuses raw data
// and short files untouched, and else changes the layer and description only.
constexpr char kHeaderPath[] = "C:\\CAT\\FORM.ZLP", kRawPath[] = "C:\\CAT\\FORM.ZLC",
               kNoDotPath[] = "C:\\CAT\\NODOT";
void ReadOverlay(const std::string& data) {
  const bool raw = !data.empty() && uint8_t(data[0]) == 0x1D;
  std::string header = data;
  header.resize(319, '\0');
  zv::PrintSettings settings;
  unsigned char record[34];
  char line[zv::kOverlayLineSize], text[zv::kOverlayDescriptionSize];
  uint16_t orientation = 9;
  CHECK(zv::HasOverlayHeader(kHeaderPath) == !raw && !zv::HasOverlayHeader(kRawPath));
  zv::ReadOverlaySettings(kRawPath, 1, &settings);
  zv::ReadOverlaySettings(kHeaderPath, 0, &settings);
  zv::EncodePrintSettings(settings, record);
  CHECK(raw || std::memcmp(record, header.data() + 285, 34) == 0);
  zv::BuildOverlayLine(settings, kPapers, 3, true, line);
  CHECK(Fits(line, sizeof line));
  zv::MatchOverlaySettings(settings, Block(), 3, kCapabilities);
  zv::MatchSettingsExactly(settings, Block());
  // The description and paper from the header, or from the .ZLI and .ZLF companions (raw files).
  const int layer = zv::GetOverlayDescription(kHeaderPath, Smudged(text, sizeof text));
  CHECK(layer == uint8_t(header[287]) &&
        text == std::string(header.c_str() + 29, strnlen(header.c_str() + 29, 256)));
  zv::GetOverlayDescription(kRawPath, text);
  zv::GetOverlayDescription(kNoDotPath, text);
  for (const char* path : {kHeaderPath, kRawPath, kNoDotPath})
    zv::FindPaperEntryIndex(path, 3, kPapers, &orientation);
}
void overlay_files_fuzzer(const std::string& input) {
  std::string parts[3], rest = input;
  for (int i = 0; i < 2; ++i) {
    const size_t at = std::min<size_t>(rest.size(), 2);
    parts[i] = rest.substr(at, at == 2 ? zv::GetU16(Bytes(rest)) : 0);
    rest.erase(0, at + parts[i].size());
  }
  parts[2] = rest;
  const std::vector<Laid> laid = {{kHeaderPath, parts[0]},         {kRawPath, parts[0]},
                                  {kNoDotPath, parts[0]},          {"C:\\CAT\\FORM.ZLI", parts[1]},
                                  {"C:\\CAT\\FORM.ZLF", parts[2]}, {"C:\\CAT\\NODOT.ZLF", parts[2]}};
  LayOut(laid);
  const std::vector<File> before = ReadFiles(laid);
  ReadOverlay(parts[0]);
  CHECK(ReadFiles(laid) == before);
  constexpr char kNew[] = "Rewritten description";
  // Both files open, so both rewrites answer 1; only a header that is one changes.
  CHECK(zv::RewriteOverlayHeader(kRawPath, 2, kNew) && ReadFiles(laid) == before);
  CHECK(zv::RewriteOverlayHeader(kHeaderPath, 2, kNew));
  const bool rewritten = parts[0].size() >= 319 && uint8_t(parts[0][0]) != 0x1D;
  std::string expected = parts[0];  // only the layer byte and the description with its terminator change
  if (rewritten) {
    expected[287] = 2;
    expected.replace(29, sizeof kNew, kNew, sizeof kNew);
  }
  CHECK(Read(kHeaderPath) == expected);
  if (rewritten) ReadOverlay(expected);
}

// A printer driver's paper tables, from the fuzz driver module reading the input: the paper size
// list holds 1 to 100 well-formed entries of papers offered; capability and help answers fit.
void paper_size_list_fuzzer(const std::string& input) {
  static void* module = nullptr;  // loaded once and kept: the loads around each question find it
  static const std::string path = [] {
    const std::string host = ZV_FUZZ_DRIVER_MODULE;
    plat::posix::MapDrive('D', host.substr(0, host.rfind('/')).c_str());
    module = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
    return "D:\\" + host.substr(host.rfind('/') + 1);
  }();
  static auto* setInput =
      reinterpret_cast<void (*)(const uint8_t*, size_t)>(dlsym(module, "ZVFuzzDriverSetInput"));
  static auto* logOf = reinterpret_cast<const void* (*)()>(dlsym(module, "ZVFuzzDriverLog"));
  if (!setInput || !logOf) Fail("the fuzz driver module loads, with its entry points", __LINE__);
  const FuzzDriverLog& log = *static_cast<const FuzzDriverLog*>(logOf());
  const auto feed = [&] { setInput(Bytes(input), input.size()); };
  uint16_t count = 0xABCD;
  feed();
  plat::MemoryHandle list = zv::BuildPaperSizeList("FUZZ", path.c_str(), log.selectSecond ? 2 : 1, &count);
  CHECK(list ? count >= 1 && count <= zv::kMaxPaperEntries &&
                   plat::MemorySize(list) == count * sizeof(zv::PaperEntry)
             : count == 0);
  const auto* papers = list ? static_cast<const zv::PaperEntry*>(plat::LockMemory(list)) : nullptr;
  for (uint16_t i = 0; list && i < count; ++i) {
    CHECK(papers[i].flag == 1 && Fits(papers[i].name, zv::kPaperNameSize));
    CHECK(!log.offered || log.spoiled || (count <= log.offered && log.offeredCode[papers[i].code]));
  }
  if (list) {
    plat::UnlockMemory(list);
    plat::FreeMemory(list);
  }
  int16_t models = -5, capabilities = -5;
  feed();
  plat::MemoryHandle block = zv::QueryDriverCapabilities("FUZZ", path.c_str(), &models, &capabilities);
  CHECK(block ? models >= 0 && capabilities >= 0 && plat::MemorySize(block) >= 2u * (models + capabilities)
              : models == 0 && capabilities == 0);
  if (block) plat::FreeMemory(block);
  char buffer[plat::kPathBuffer];
  feed();  // the help call reads its bytes from the front of the input
  CHECK(zv::QueryHelpFile("FUZZ", path.c_str(), 0, buffer) && Fits(buffer, sizeof buffer));
  CHECK(!zv::QueryHelpFile("FUZZ", "D:\\NO SUCH DRIVER.SO", 0, buffer) && buffer[0] == '\0');
}

// With ZV_FUZZ_STATS set, a target whose input is one list or group info file (ZV_FUZZ_FORMAT) says at
// exit how many of its inputs passed the format's first checks: how much of the fuzzing reaches past
// them.
void CountValid(Format format, const std::string& input) {
  static const bool counting = std::getenv("ZV_FUZZ_STATS") != nullptr;
  static uint64_t runs = 0, valid = 0;
  if (!counting) return;
  if (runs++ == 0) {
    std::atexit([] {
      std::fprintf(stderr, "zvfuzz: %llu of %llu inputs valid (%.1f %%)\n",
                   static_cast<unsigned long long>(valid), static_cast<unsigned long long>(runs),
                   100.0 * valid / runs);
    });
  }
  valid += Valid(format, input);
}

}  // namespace zvfuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = zvfuzz::SetUp(data, size);
#ifdef ZV_FUZZ_FORMAT
  zvfuzz::CountValid(zvfuzz::ZV_FUZZ_FORMAT, input);
#endif
  zvfuzz::ZV_FUZZ_TARGET(input);
  return 0;
}
