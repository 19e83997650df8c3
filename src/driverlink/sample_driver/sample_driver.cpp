// ZVSAMPLE: a sample printer driver module, the driver's side of the entry
// points that ZVLMN30E looks up (see include/zvlmn30e_driver.h).
//
// It answers from a small INI-style text file, ZVSAMPLE.INI beside the
// module itself, for any device name: the device name only chooses which
// sections of the file answer (a device's own set of sections when the file
// has one, else the default set). ZVSAMPLE.INI in this directory describes
// the sections and keys.
//
// ZVLMN30E loads the module for each question and frees it afterwards; the
// two calls of a question (the sizes, then the fill of what it allocated from
// them) come while the module stays loaded. The module reads its file at the
// size call and answers the fill call from what it read then, so that a file
// changed in between cannot make it write more than it announced; a fill call
// without the size call of the same entry point, device and model before it
// is refused.
//
// Besides describing a plausible driver, the file can make the module
// misbehave on purpose (failing calls, odd sizes, spoilt pointers), so that
// the caller's handling of bad drivers can be tried out.
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "zvlmn30e_driver.h"

#ifdef _WIN32
#define ZVSAMPLE_EXPORT
#else
#define ZVSAMPLE_EXPORT __attribute__((visibility("default")))
#endif

namespace {

constexpr int kMaxModels = 16;
constexpr int kMaxCapabilities = 64;
constexpr int kMaxPapers = 160;
constexpr int kMaxNameChars = 255;
constexpr int kLineSize = 512;
constexpr int kPathSize = 1024;
constexpr size_t kDeviceKept = 1024;  // bytes of a device name kept for the fill call
constexpr int kDefaultNameSize = 66;
constexpr char kIniName[] = "ZVSAMPLE.INI";

struct Paper {
  uint16_t code;
  uint16_t width;
  uint16_t length;
  uint16_t value3;
  uint16_t value4;
  char name[kMaxNameChars + 1];
};

struct PaperTable {
  int count;
  Paper papers[kMaxPapers];
};

// What the file says; the model part only for the model asked about.
struct Settings {
  int modelCount;
  uint16_t models[kMaxModels];
  int capabilityCount;
  int16_t capabilities[kMaxCapabilities];
  char helpFile[ZVDRV_HELP_BUFFER];
  char englishHelpFile[ZVDRV_HELP_BUFFER];
  char logPath[kPathSize];
  int failCapabilitiesMode;  // -1: no call fails
  bool failHelp;

  bool modelFound;
  int failSpecMode;  // -1: no call fails
  int nameSize[2];
  bool nameSize2Given;
  int16_t areaSizes[ZVDRV_SPEC_SIZES];  // only the non-paper ones are used
  bool sizesGiven;
  int16_t sizes[ZVDRV_SPEC_SIZES];
  bool breakTablePointer;
  bool breakNamePointers;
  PaperTable tables[2];
};

// What a size call read, kept for the fill call that follows it: one for each
// entry point with two calls.
struct Question {
  bool open;  // the size call was answered and no fill call came yet
  size_t deviceLength;
  char deviceName[kDeviceKept];  // its first bytes
  uint16_t modelId;
  Settings settings;
};

Question g_capabilities;
Question g_printerSpec;
Settings g_helpSettings;

#ifdef _WIN32
HINSTANCE g_instance = nullptr;
#endif

// ---------------------------------------------------------------------------
// Text helpers

char* Trim(char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  size_t length = std::strlen(text);
  while (length > 0 && std::isspace(static_cast<unsigned char>(text[length - 1]))) text[--length] = '\0';
  return text;
}

bool SameText(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
      return false;
  }
  return *a == *b;
}

// A whole number in decimal or 0x hexadecimal within [low, high].
bool ParseNumber(const char* text, long low, long high, long* value) {
  char buffer[32];
  const size_t length = std::strlen(text);
  if (length == 0 || length >= sizeof buffer) return false;
  std::memcpy(buffer, text, length + 1);
  char* trimmed = Trim(buffer);
  char* end = nullptr;
  const long v = std::strtol(trimmed, &end, 0);
  if (end == trimmed || *end != '\0' || v < low || v > high) return false;
  *value = v;
  return true;
}

// Splits off the next comma-separated field of *cursor.
char* NextField(char** cursor) {
  char* start = *cursor;
  char* comma = std::strchr(start, ',');
  if (comma) {
    *comma = '\0';
    *cursor = comma + 1;
  } else {
    *cursor = start + std::strlen(start);
  }
  return Trim(start);
}

// A comma-separated list of at most max numbers within [low, high].
bool ParseList(char* text, long low, long high, int max, long* values, int* count) {
  *count = 0;
  if (*Trim(text) == '\0') return true;
  char* cursor = text;
  while (true) {
    const bool last = std::strchr(cursor, ',') == nullptr;
    if (*count >= max || !ParseNumber(NextField(&cursor), low, high, &values[*count])) return false;
    ++*count;
    if (last) return true;
  }
}

bool CopyText(const char* text, char* out, size_t size) {
  const size_t length = std::strlen(text);
  if (length >= size) return false;
  std::memcpy(out, text, length + 1);
  return true;
}

// ---------------------------------------------------------------------------
// The settings file

// "code, width, length, value3, value4, name"; the name is the rest of the
// line and may hold commas.
bool ParsePaper(char* text, PaperTable* table) {
  if (table->count >= kMaxPapers) return false;
  Paper* paper = &table->papers[table->count];
  uint16_t* values[5] = {&paper->code, &paper->width, &paper->length, &paper->value3, &paper->value4};
  char* cursor = text;
  for (uint16_t* value : values) {
    if (!std::strchr(cursor, ',')) return false;
    long v;
    if (!ParseNumber(NextField(&cursor), 0, 0xFFFF, &v)) return false;
    *value = static_cast<uint16_t>(v);
  }
  if (!CopyText(Trim(cursor), paper->name, sizeof paper->name)) return false;
  ++table->count;
  return true;
}

bool ParseFlag(const char* text, bool* flag) {
  long v;
  if (!ParseNumber(text, 0, 1, &v)) return false;
  *flag = v != 0;
  return true;
}

bool ParseDriverKey(const char* key, char* value, Settings* s) {
  long numbers[kMaxCapabilities];
  int count;
  if (SameText(key, "Models")) {
    if (!ParseList(value, 0, 0xFFFF, kMaxModels, numbers, &count)) return false;
    for (int i = 0; i < count; ++i) s->models[i] = static_cast<uint16_t>(numbers[i]);
    s->modelCount = count;
    return true;
  }
  if (SameText(key, "Capabilities")) {
    if (!ParseList(value, -32768, 0xFFFF, kMaxCapabilities, numbers, &count)) return false;
    for (int i = 0; i < count; ++i)
      s->capabilities[i] = static_cast<int16_t>(static_cast<uint16_t>(numbers[i]));
    s->capabilityCount = count;
    return true;
  }
  if (SameText(key, "HelpFile")) return CopyText(value, s->helpFile, sizeof s->helpFile);
  if (SameText(key, "EnglishHelpFile")) return CopyText(value, s->englishHelpFile, sizeof s->englishHelpFile);
  if (SameText(key, "Log")) return CopyText(value, s->logPath, sizeof s->logPath);
  if (SameText(key, "FailCapabilities")) {
    long mode;
    if (!ParseNumber(value, 0, 1, &mode)) return false;
    s->failCapabilitiesMode = static_cast<int>(mode);
    return true;
  }
  if (SameText(key, "FailHelp")) return ParseFlag(value, &s->failHelp);
  return false;
}

bool ParseModelKey(const char* key, char* value, Settings* s) {
  long v;
  if (SameText(key, "Paper")) return ParsePaper(value, &s->tables[0]);
  if (SameText(key, "Paper2")) return ParsePaper(value, &s->tables[1]);
  if (SameText(key, "NameSize") || SameText(key, "NameSize2")) {
    if (!ParseNumber(value, 0, 0x7FFF, &v)) return false;
    const bool second = SameText(key, "NameSize2");
    s->nameSize[second ? 1 : 0] = static_cast<int>(v);
    if (second) s->nameSize2Given = true;
    return true;
  }
  // Size0 and Size5 to Size9: the areas the overlay module does not read.
  static const char* const kAreaKeys[ZVDRV_SPEC_SIZES] = {"Size0", nullptr, nullptr, nullptr, nullptr,
                                                          "Size5", "Size6", "Size7", "Size8", "Size9"};
  for (int i = 0; i < ZVDRV_SPEC_SIZES; ++i) {
    if (kAreaKeys[i] && SameText(key, kAreaKeys[i])) {
      if (!ParseNumber(value, 0, 0x7FFF, &v)) return false;
      s->areaSizes[i] = static_cast<int16_t>(v);
      return true;
    }
  }
  if (SameText(key, "Sizes")) {
    long numbers[ZVDRV_SPEC_SIZES];
    int count;
    if (!ParseList(value, -32768, 32767, ZVDRV_SPEC_SIZES, numbers, &count) || count != ZVDRV_SPEC_SIZES) {
      return false;
    }
    for (int i = 0; i < ZVDRV_SPEC_SIZES; ++i) s->sizes[i] = static_cast<int16_t>(numbers[i]);
    s->sizesGiven = true;
    return true;
  }
  if (SameText(key, "FailSpec")) {
    if (!ParseNumber(value, 0, 1, &v)) return false;
    s->failSpecMode = static_cast<int>(v);
    return true;
  }
  if (SameText(key, "BreakTablePointer")) return ParseFlag(value, &s->breakTablePointer);
  if (SameText(key, "BreakNamePointers")) return ParseFlag(value, &s->breakNamePointers);
  return false;
}

enum Section { kSectionNone, kSectionDriver, kSectionModel, kSectionOther, kSectionBad };

// What a section header, its text between the brackets, names for the set
// being read: that set's [Driver] section, its [Model <id>] section for the
// model asked about, a section read by nobody or by other callers, or a
// header the module does not understand. device is null for the default set
// and else the device name of the device's own set.
Section ParseSection(char* header, const char* device, bool wantModel, uint16_t modelId) {
  const char* owner = nullptr;
  char* colon = std::strchr(header, ':');
  if (colon) {
    *colon = '\0';
    owner = Trim(colon + 1);
    if (*owner == '\0') return kSectionBad;
  }
  char* name = Trim(header);
  const bool inSet = device ? owner && SameText(owner, device) : !owner;
  if (SameText(name, "Driver")) return inSet ? kSectionDriver : kSectionOther;
  if (std::strlen(name) > 5 && (name[5] == ' ' || name[5] == '\t')) {
    char prefix[6];
    std::memcpy(prefix, name, 5);
    prefix[5] = '\0';
    long id;
    if (SameText(prefix, "Model") && ParseNumber(name + 5, 0, 0xFFFF, &id)) {
      return inSet && wantModel && id == modelId ? kSectionModel : kSectionOther;
    }
  }
  return kSectionOther;
}

// ZVSAMPLE.INI beside this module.
bool SettingsPath(char* path, size_t size) {
  char module[kPathSize];
#ifdef _WIN32
  const DWORD length = GetModuleFileNameA(g_instance, module, sizeof module);
  if (length == 0 || length >= sizeof module) return false;
  char* slash = std::strrchr(module, '\\');
  char* other = std::strrchr(module, '/');
  if (other && (!slash || other > slash)) slash = other;
#else
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&ZVFormHelpFile), &info) || !info.dli_fname ||
      !CopyText(info.dli_fname, module, sizeof module)) {
    return false;
  }
  char* slash = std::strrchr(module, '/');
#endif
  const size_t directory = slash ? static_cast<size_t>(slash - module) + 1 : 0;
  if (directory + sizeof kIniName > size) return false;
  std::memcpy(path, module, directory);
  std::memcpy(path + directory, kIniName, sizeof kIniName);
  return true;
}

// Reads one set of sections of the file into *s: the default set when device
// is null, else the device's own set. *found tells whether the set's
// [Driver] section is in the file. Any malformed or over-long line, unknown
// key of the set read or list beyond this module's limits makes the whole
// file invalid.
bool ReadSet(FILE* file, const char* device, bool wantModel, uint16_t modelId, Settings* s, bool* found) {
  std::memset(s, 0, sizeof *s);
  s->failCapabilitiesMode = -1;
  s->failSpecMode = -1;
  s->nameSize[0] = kDefaultNameSize;
  s->nameSize[1] = kDefaultNameSize;
  *found = false;

  bool valid = true;
  Section section = kSectionNone;
  char line[kLineSize];
  while (valid && std::fgets(line, sizeof line, file)) {
    const size_t length = std::strlen(line);
    if (length == sizeof line - 1 && line[length - 1] != '\n' && !std::feof(file)) {
      valid = false;  // longer than this module reads
      break;
    }
    char* text = Trim(line);
    if (*text == '\0' || *text == ';' || *text == '#') continue;
    if (*text == '[') {
      // The header ends with the line, so that a device name may hold
      // brackets too.
      char* close = text + std::strlen(text) - 1;
      if (close == text || *close != ']') {
        valid = false;
        break;
      }
      *close = '\0';
      section = ParseSection(text + 1, device, wantModel, modelId);
      if (section == kSectionBad) valid = false;
      if (section == kSectionDriver) *found = true;
      if (section == kSectionModel) s->modelFound = true;
      continue;
    }
    char* equals = std::strchr(text, '=');
    if (!equals) {
      valid = false;
      break;
    }
    *equals = '\0';
    const char* key = Trim(text);
    char* value = Trim(equals + 1);
    if (section == kSectionDriver) {
      valid = ParseDriverKey(key, value, s);
    } else if (section == kSectionModel) {
      valid = ParseModelKey(key, value, s);
    } else if (section == kSectionNone) {
      valid = false;
    }
  }
  if (!s->nameSize2Given) s->nameSize[1] = s->nameSize[0];
  return valid;
}

// Reads the file into *s for the device name: the device's own set of
// sections when the file has one, else the default set. Blanks around the
// device name are not part of it; an empty or missing name, or one longer
// than a line of the file could name, gets the default set.
bool LoadSettings(const char* deviceName, bool wantModel, uint16_t modelId, Settings* s) {
  char device[kLineSize];
  const char* own = nullptr;
  if (deviceName && CopyText(deviceName, device, sizeof device)) {
    own = Trim(device);
    if (*own == '\0') own = nullptr;
  }
  char path[kPathSize];
  if (!SettingsPath(path, sizeof path)) return false;
  FILE* file = std::fopen(path, "r");
  if (!file) return false;
  bool found = false;
  bool valid = own ? ReadSet(file, own, wantModel, modelId, s, &found) : true;
  if (valid && !found) {
    std::rewind(file);
    valid = ReadSet(file, nullptr, wantModel, modelId, s, &found);
  }
  std::fclose(file);
  return valid;
}

// The device name as a question keeps it: its length and its first bytes.
void KeepDeviceName(const char* deviceName, Question* q) {
  const char* name = deviceName ? deviceName : "";
  q->deviceLength = std::strlen(name);
  std::memcpy(q->deviceName, name, q->deviceLength < kDeviceKept ? q->deviceLength : kDeviceKept);
}

// A size call: reads the file for the question and keeps what it read.
bool OpenQuestion(Question* q, const char* deviceName, bool wantModel, uint16_t modelId) {
  q->open = false;
  KeepDeviceName(deviceName, q);
  q->modelId = modelId;
  if (!LoadSettings(deviceName, wantModel, modelId, &q->settings)) return false;
  q->open = true;
  return true;
}

// A fill call: whether it follows the size call of the same device name and
// model. Either way the question is over; the next fill needs a size call of
// its own.
bool CloseQuestion(Question* q, const char* deviceName, uint16_t modelId) {
  const char* name = deviceName ? deviceName : "";
  const size_t length = std::strlen(name);
  const bool same = q->open && q->modelId == modelId && length == q->deviceLength &&
                    std::memcmp(name, q->deviceName, length < kDeviceKept ? length : kDeviceKept) == 0;
  q->open = false;
  return same;
}

// Appends one line, "<entry point> <first number> [<second number>]", to the
// call log when the file names one.
void Log(const Settings& s, const char* entryPoint, int first, int second, bool withSecond) {
  if (!s.logPath[0]) return;
  FILE* file = std::fopen(s.logPath, "ab");
  if (!file) return;
  if (withSecond) {
    std::fprintf(file, "%s %d %d\n", entryPoint, first, second);
  } else {
    std::fprintf(file, "%s %d\n", entryPoint, first);
  }
  std::fclose(file);
}

// ---------------------------------------------------------------------------
// The printer specification

void PutU16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

// The pointer fields of the block are read and written byte by byte: in the
// 32-bit block a paper table may begin at any offset.
unsigned char* GetPointer(const unsigned char* field) {
  unsigned char* p = nullptr;
  std::memcpy(&p, field, sizeof p);
  return p;
}

void PutPointer(unsigned char* field, const unsigned char* p) {
  std::memcpy(field, &p, sizeof p);
}

// Pointer pN of the block's ZVDRV_PRINTER_SPEC.
unsigned char* PointerAt(const unsigned char* block, int index) {
  return GetPointer(block + index * sizeof(void*));
}

// The sizes this module reports for the model of the settings.
void ReportedSizes(const Settings& s, int16_t sizes[ZVDRV_SPEC_SIZES]) {
  if (s.sizesGiven) {
    std::memcpy(sizes, s.sizes, sizeof s.sizes);
    return;
  }
  std::memcpy(sizes, s.areaSizes, sizeof s.areaSizes);
  sizes[1] = static_cast<int16_t>(s.tables[0].count);
  sizes[2] = static_cast<int16_t>(s.nameSize[0]);
  sizes[3] = static_cast<int16_t>(s.tables[1].count);
  sizes[4] = static_cast<int16_t>(s.nameSize[1]);
}

// The areas this module keeps for itself get a byte that tells them apart,
// 0xA0 plus the number of their pointer, so that a caller can see where
// each one went.
void FillOwnAreas(unsigned char* block, const int16_t c[ZVDRV_SPEC_SIZES]) {
  struct Area {
    int pointer;
    uint32_t bytes;
  };
  const Area areas[] = {{0, 2u * c[0]}, {2, 2},         {3, 2u * c[5]},      {4, 2},         {5, 2},
                        {7, 2u * c[6]}, {8, 2u * c[7]}, {9, uint32_t(c[8])}, {10, 2u * c[9]}};
  for (const Area& area : areas) {
    std::memset(PointerAt(block, area.pointer), 0xA0 + area.pointer, area.bytes);
  }
}

// Writes at most count entries of a table through the pointers in the block.
// A name that fills its area, or more, is written without terminator.
void FillTable(unsigned char* table, int count, int nameSize, const PaperTable& papers) {
  for (int i = 0; i < count && i < papers.count; ++i) {
    unsigned char* entry = table + i * sizeof(ZVDRV_PAPER_ENTRY);
    const Paper& paper = papers.papers[i];
    PutU16(entry + offsetof(ZVDRV_PAPER_ENTRY, width), paper.width);
    PutU16(entry + offsetof(ZVDRV_PAPER_ENTRY, length), paper.length);
    PutU16(entry + offsetof(ZVDRV_PAPER_ENTRY, value3), paper.value3);
    PutU16(entry + offsetof(ZVDRV_PAPER_ENTRY, value4), paper.value4);
    PutU16(entry + offsetof(ZVDRV_PAPER_ENTRY, code), paper.code);
    // The bytes the caller does not read, marked with the entry's index.
    std::memset(entry + offsetof(ZVDRV_PAPER_ENTRY, unread), 0xE0 + i, sizeof(ZVDRV_PAPER_ENTRY::unread));
    unsigned char* name = GetPointer(entry + offsetof(ZVDRV_PAPER_ENTRY, name));
    if (!name || nameSize <= 0) continue;
    const size_t length = std::strlen(paper.name);
    if (length < static_cast<size_t>(nameSize)) {
      std::memcpy(name, paper.name, length + 1);
    } else {
      std::memcpy(name, paper.name, static_cast<size_t>(nameSize));
    }
  }
}

void FillSpecification(const Settings& s, unsigned char* block) {
  int16_t c[ZVDRV_SPEC_SIZES];
  ReportedSizes(s, c);
  FillOwnAreas(block, c);
  FillTable(PointerAt(block, 1), c[1], c[2], s.tables[0]);
  FillTable(PointerAt(block, 6), c[3], c[4], s.tables[1]);
  if (s.breakNamePointers) {
    // Each name pointer of the first table moves to the block's last byte
    // (the end of the second table's name areas, the last area), so that its
    // area would reach past the end of the block.
    unsigned char* table = PointerAt(block, 1);
    const unsigned char* last = PointerAt(block, 6) + c[3] * (sizeof(ZVDRV_PAPER_ENTRY) + c[4]) - 1;
    for (int i = 0; i < c[1]; ++i)
      PutPointer(table + i * sizeof(ZVDRV_PAPER_ENTRY) + offsetof(ZVDRV_PAPER_ENTRY, name), last);
  }
  if (s.breakTablePointer) {
    // Both paper tables now seem to lie 16 MiB further on, outside the block.
    for (int index : {1, 6}) {
      unsigned char* field = block + index * sizeof(void*);
      PutPointer(field, GetPointer(field) + 0x01000000u);
    }
  }
}

}  // namespace

#ifdef _WIN32
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_instance = instance;
  return TRUE;
}
#endif

extern "C" {

ZVSAMPLE_EXPORT ZVLONG ZVDRVAPI ZVFormDrvSupportCapabilities(ZVLPCSTR deviceName, ZVLONG mode, void* first,
                                                             void* second) {
  Question* q = &g_capabilities;
  if (mode == ZVDRV_MODE_SIZES) {
    if (!OpenQuestion(q, deviceName, false, 0)) return 0;
  } else if (mode != ZVDRV_MODE_FILL || !CloseQuestion(q, deviceName, 0)) {
    return 0;
  }
  const Settings& s = q->settings;
  Log(s, "ZVFormDrvSupportCapabilities", mode, 0, false);
  if (mode == s.failCapabilitiesMode || !first || !second) {
    q->open = false;
    return 0;
  }
  unsigned char* models = static_cast<unsigned char*>(first);
  unsigned char* capabilities = static_cast<unsigned char*>(second);
  if (mode == ZVDRV_MODE_SIZES) {
    PutU16(models, static_cast<uint16_t>(s.modelCount));
    PutU16(capabilities, static_cast<uint16_t>(s.capabilityCount));
    return 1;
  }
  for (int i = 0; i < s.modelCount; ++i) PutU16(models + 2 * i, s.models[i]);
  for (int i = 0; i < s.capabilityCount; ++i)
    PutU16(capabilities + 2 * i, static_cast<uint16_t>(s.capabilities[i]));
  return 1;
}

ZVSAMPLE_EXPORT ZVLONG ZVDRVAPI ZVFormPrinterSpec(ZVLPCSTR deviceName, ZVLONG mode, ZVWORD modelId,
                                                  void* target) {
  Question* q = &g_printerSpec;
  if (mode == ZVDRV_MODE_SIZES) {
    if (!OpenQuestion(q, deviceName, true, modelId)) return 0;
  } else if (mode != ZVDRV_MODE_FILL || !CloseQuestion(q, deviceName, modelId)) {
    return 0;
  }
  const Settings& s = q->settings;
  Log(s, "ZVFormPrinterSpec", mode, modelId, true);
  if (!s.modelFound || mode == s.failSpecMode || !target) {
    q->open = false;
    return 0;
  }
  if (mode == ZVDRV_MODE_SIZES) {
    int16_t sizes[ZVDRV_SPEC_SIZES];
    ReportedSizes(s, sizes);
    unsigned char* out = static_cast<unsigned char*>(target);
    for (int i = 0; i < ZVDRV_SPEC_SIZES; ++i) PutU16(out + 2 * i, static_cast<uint16_t>(sizes[i]));
    return 1;
  }
  FillSpecification(s, static_cast<unsigned char*>(target));
  return 1;
}

ZVSAMPLE_EXPORT ZVLONG ZVDRVAPI ZVFormHelpFile(ZVLPCSTR deviceName, ZVLONG languageFlag, ZVLPSTR buffer) {
  const Settings& s = g_helpSettings;
  if (!LoadSettings(deviceName, false, 0, &g_helpSettings)) return 0;
  Log(s, "ZVFormHelpFile", languageFlag, 0, false);
  if (s.failHelp || !buffer) return 0;
  const char* name = s.helpFile;
  if (languageFlag == ZVDRV_HELP_ENGLISH && s.englishHelpFile[0]) name = s.englishHelpFile;
  std::memcpy(buffer, name, std::strlen(name) + 1);  // the fields are as long as the buffer
  return 1;
}

}  // extern "C"
