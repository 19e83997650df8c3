#include "catalogue/overlay_files.h"

#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "module/module_state.h"
#include "platform/platform.h"

namespace zv {
namespace {

struct DescriptionWork {
  PathBuffer path;
  unsigned char header[overlay_header::kSize];
  unsigned char companion[description_companion::kSize];
};
static_assert(sizeof(DescriptionWork) == 868, "a path, a header and a description companion");

// The header of a .ZLP file or the first bytes of a .ZLF companion; only one
// of them is read by a call.
struct PaperWork {
  PathBuffer companionPath;
  unsigned char bytes[overlay_header::kSize];
};
static_assert(paper_companion::kReadSize <= overlay_header::kSize, "the companion's words fit the buffer");

// The first bytes of the magic of every list and group info file, as many
// as the header test reads; no overlay data file begins with them (a header
// begins with its length, raw data with 0x1D).
constexpr char kCatalogueMagicStart[] = "ZEVRO";
constexpr bool StartsWith(const char* text, const char* start) {
  return !*start || (*text == *start && StartsWith(text + 1, start + 1));
}
static_assert(sizeof kCatalogueMagicStart - 1 == overlay_data::kProbeSize &&
                  StartsWith(form_list::kMagic, kCatalogueMagicStart) &&
                  StartsWith(group_list::kMagic, kCatalogueMagicStart) &&
                  StartsWith(group_info::kMagic, kCatalogueMagicStart),
              "the header test's bytes tell a catalogue file");

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    if (UpperAscii(*a) != UpperAscii(*b)) return false;
  }
  return *a == *b;
}

// Copies a text field of at most size bytes, which need not be terminated,
// into out (size + 1 bytes), terminated.
void CopyTextField(const unsigned char* field, size_t size, char* out) {
  const size_t length = strnlen(reinterpret_cast<const char*>(field), size);
  std::memcpy(out, field, length);
  out[length] = '\0';
}

// Copies at most limit characters of text into a zero-filled field.
void PutTextField(unsigned char* field, const char* text, size_t limit) {
  if (text) std::memcpy(field, text, strnlen(text, limit));
}

// The path of the .ZLF companion: the extension, from the last dot, replaced
// by ".ZLF", or ".ZLF" appended when the path has no dot.
bool MakePaperCompanionPath(const char* path, char* companion) {
  if (!CopyPath(companion, path)) return false;
  char* dot = std::strrchr(companion, '.');
  if (dot) *dot = '\0';
  return AppendPath(companion, kPaperCompanionExtension);
}

}  // namespace

bool ReadOverlayFileStart(const char* path, unsigned char* buffer, uint32_t size) {
  plat::FileHandle file = plat::OpenFile(path, plat::kAccessRead, plat::kShareRead, plat::kOpenExisting);
  if (!file) return false;
  plat::ReadFile(file, buffer, size, nullptr);
  plat::CloseFile(file);
  return true;
}

bool ExtensionEquals(const char* path, const char* extension) {
  const char* dot = std::strrchr(path, '.');
  return EqualIgnoringCase(dot ? dot : path, extension);
}

bool HasRawFileName(const char* path) {
  return ExtensionEquals(path, kRawFileExtension);
}

bool StartsAsRawData(const unsigned char* firstBytes) {
  return firstBytes[0] == overlay_data::kRawMarker;
}

bool HasOverlayHeader(const char* path) {
  if (HasRawFileName(path)) return false;
  unsigned char probe[overlay_data::kProbeSize] = {};
  // A file that cannot be opened is taken for one of the catalogue's own.
  if (!ReadOverlayFileStart(path, probe, sizeof probe)) return true;
  return !StartsAsRawData(probe);
}

bool IsDeletableOverlayFile(const char* path) {
  if (HasRawFileName(path)) return false;
  unsigned char probe[overlay_data::kProbeSize] = {};
  if (!ReadOverlayFileStart(path, probe, sizeof probe)) return true;
  return !StartsAsRawData(probe) && std::memcmp(probe, kCatalogueMagicStart, sizeof probe) != 0;
}

uint16_t GetOverlayDescription(const char* path, char* description) {
  WorkMemory<DescriptionWork> w;
  if (!w) return 0;
  if (!CopyPath(w->path, path)) return 0;
  char* dot = std::strrchr(w->path, '.');
  if (!dot) return 0;

  if (EqualIgnoringCase(dot, kRawFileExtension)) {
    // Same length: the companion's name fits where the file's name was.
    std::memcpy(dot, kDescriptionCompanionExtension, sizeof kDescriptionCompanionExtension);
    if (ReadOverlayFileStart(w->path, w->companion, description_companion::kSize)) {
      CopyTextField(w->companion + description_companion::kTextOffset, description_companion::kTextSize,
                    description);
    }
    // A raw file has no layer of its own: it is printed in front of the page.
    return kLayerFront;
  }
  if (EqualIgnoringCase(dot, kHeaderFileExtension)) {
    if (!ReadOverlayFileStart(w->path, w->header, overlay_header::kSize)) return 0;
    CopyTextField(w->header + overlay_header::kDescriptionOffset, overlay_header::kDescriptionSize,
                  description);
    return w->header[overlay_header::kLayerOffset];
  }
  return 0;
}

int16_t FindPaperEntryIndex(const char* path, uint16_t count, const PaperEntry* entries,
                            uint16_t* orientation) {
  WorkMemory<PaperWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return -1;
  }
  uint16_t wanted = kNoPaper;
  *orientation = kOrientationUnknown;

  // The header is read once and serves the header test too: a file that
  // cannot be opened counts as a header file, whose header gives nothing.
  bool header = !HasRawFileName(path);
  if (header) {
    const bool opened = ReadOverlayFileStart(path, w->bytes, overlay_header::kSize);
    header = !opened || !StartsAsRawData(w->bytes);
    if (opened && header) {
      wanted = GetU16(w->bytes + overlay_header::kPaperCodeOffset);
      *orientation = w->bytes[overlay_header::kOrientationOffset];
    }
    // A raw file's companion is read into a clean buffer.
    if (!header) std::memset(w->bytes, 0, sizeof w->bytes);
  }
  if (!header && MakePaperCompanionPath(path, w->companionPath) &&
      ReadOverlayFileStart(w->companionPath, w->bytes, paper_companion::kReadSize)) {
    wanted = GetU16(w->bytes + paper_companion::kPaperCodeOffset);
    const uint16_t flag = GetU16(w->bytes + paper_companion::kOrientationFlagOffset);
    *orientation = flag == 0 ? kOrientationPortrait : kOrientationLandscape;
  }

  if (wanted == kNoPaper) return -1;
  for (uint16_t i = 0; i < count; ++i) {
    if (entries[i].code == wanted) return static_cast<int16_t>(i);
  }
  return -1;
}

void StartOverlayHeader(const char* name, const char* description, uint8_t layer, unsigned char* header) {
  std::memset(header, 0, overlay_header::kSize);
  PutU32(header + overlay_header::kLengthOffset, overlay_header::kSize);
  PutTextField(header + overlay_header::kNameOffset, name, overlay_header::kNameSize - 1);
  PutTextField(header + overlay_header::kDescriptionOffset, description,
               overlay_header::kDescriptionSize - 1);
  header[overlay_header::kLayerOffset] = layer;
}

void CompleteOverlayHeader(const void* driverBlock, unsigned char* header) {
  PrintSettings settings;
  CaptureSettings(driverBlock, header[overlay_header::kLayerOffset], &settings);
  EncodePrintSettings(settings, header + overlay_header::kSettingsOffset);
}

void BuildOverlayHeader(const char* name, const char* description, uint8_t layer, const void* driverBlock,
                        unsigned char* header) {
  StartOverlayHeader(name, description, layer, header);
  CompleteOverlayHeader(driverBlock, header);
}

}  // namespace zv
