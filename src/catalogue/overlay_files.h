// Overlay data files: the 319-byte header of the catalogue's own .ZLP files,
// the first bytes of raw .ZLC files and the two companions of a raw file
// (.ZLI description, .ZLF paper). The captured page data itself is never
// interpreted.
#pragma once

#include <cstdint>

#include "catalogue/print_settings.h"
#include "driverlink/paper_size_list.h"

namespace zv {

// Layout of the header of a .ZLP file. Every offset of the format is here.
namespace overlay_header {
constexpr uint32_t kSize = 319;              // also the value of the length field
constexpr uint32_t kLengthOffset = 0;        // u32
constexpr uint32_t kNameOffset = 4;          // 25 bytes, zero-terminated
constexpr uint32_t kNameSize = 25;           // 24 characters and the terminator
constexpr uint32_t kDescriptionOffset = 29;  // 256 bytes, zero-terminated
constexpr uint32_t kDescriptionSize = 256;   // 255 characters and the terminator
constexpr uint32_t kSettingsOffset = 285;    // the 34-byte print settings record
constexpr uint32_t kLayerOffset = kSettingsOffset + settings_record::kLayerOffset;              // u8, 287
constexpr uint32_t kPaperCodeOffset = kSettingsOffset + settings_record::kPaperCodeOffset;      // u16, 299
constexpr uint32_t kOrientationOffset = kSettingsOffset + settings_record::kOrientationOffset;  // u8, 301
static_assert(kSettingsOffset + settings_record::kSize == kSize, "the record closes the header");
}  // namespace overlay_header

// The first bytes of an overlay data file, as far as they are examined.
namespace overlay_data {
constexpr uint32_t kProbeSize = 5;            // bytes read by the header test
constexpr unsigned char kRawMarker = 0x1D;    // first byte of raw printer data
constexpr uint32_t kSignatureProbeSize = 10;  // bytes read to guess the resolution
constexpr uint32_t kSignatureOffset = 1;
constexpr char kSignature600[] = "0;0.24muE";  // bytes 1 to 9 of 600-dpi data
constexpr uint32_t kSignatureSize = 9;
static_assert(sizeof kSignature600 == kSignatureSize + 1, "nine characters");
static_assert(kSignatureOffset + kSignatureSize == kSignatureProbeSize, "the signature ends the probe");
}  // namespace overlay_data

// The .ZLI companion of a raw file: 288 bytes, the description from byte 32.
namespace description_companion {
constexpr uint32_t kSize = 288;
constexpr uint32_t kTextOffset = 32;
constexpr uint32_t kTextSize = 256;  // not necessarily terminated
}  // namespace description_companion

// The .ZLF companion of a raw file: only these two words are read.
namespace paper_companion {
constexpr uint32_t kPaperCodeOffset = 50;        // u16
constexpr uint32_t kOrientationFlagOffset = 52;  // u16: 0 portrait, else landscape
constexpr uint32_t kReadSize = 54;
}  // namespace paper_companion

constexpr char kHeaderFileExtension[] = ".ZLP";
constexpr char kRawFileExtension[] = ".ZLC";
constexpr char kDescriptionCompanionExtension[] = ".ZLI";
constexpr char kPaperCompanionExtension[] = ".ZLF";

// Size of the description output of GetOverlayDescription: 256 characters and
// the terminator.
constexpr uint32_t kOverlayDescriptionSize = 257;

// Orientation values reported by FindPaperEntryIndex.
constexpr uint16_t kOrientationUnknown = 0;
constexpr uint16_t kOrientationPortrait = 1;
constexpr uint16_t kOrientationLandscape = 2;

// True when the path's extension (from its last dot; the whole path when it
// has none) equals extension, without regard to case.
bool ExtensionEquals(const char* path, const char* extension);

// Opens an existing file for reading (shared for reading), reads its first
// size bytes into buffer with one read and closes it. A short or failed read
// leaves the rest of the buffer as it was. False when the file cannot be
// opened.
bool ReadOverlayFileStart(const char* path, unsigned char* buffer, uint32_t size);

// The header test: false for a .ZLC name (any case) and for a file whose
// first byte is 0x1D; true otherwise, also when the file cannot be opened.
bool HasOverlayHeader(const char* path);

// The two halves of the header test, for callers that read the file's first
// bytes anyway and so need not read them twice: the name test (a .ZLC name,
// any case), and the first-byte test on bytes already read.
bool HasRawFileName(const char* path);
bool StartsAsRawData(const unsigned char* firstBytes);

// The test a deletion applies to the file an overlay entry names: the header
// test, and false too for a file that begins as the catalogue's own list and
// group info files do (the first bytes of their magic), which a damaged entry
// may name. The file's first bytes are read once, as by the header test.
bool IsDeletableOverlayFile(const char* path);

// The layer and description of an overlay data file. A .ZLP file gives the
// layer byte and description of its header (0 and the description untouched
// when it cannot be opened). A .ZLC file gives 1 and the description of its
// .ZLI companion, cut to 256 characters (untouched when there is none). Any
// other name, a name without a dot, or missing memory give 0.
// description holds kOverlayDescriptionSize bytes.
uint16_t GetOverlayDescription(const char* path, char* description);

// The index of the first paper entry whose code is the paper code of the
// file: from its header, or for a raw file from its .ZLF companion (path
// with the extension replaced, or appended when there is none). orientation
// gets the header's orientation byte, or 1/2 from the companion's flag, or 0
// when neither could be read. -1 when nothing matches; -1 and last error code
// 401 when the working memory cannot be had.
int16_t FindPaperEntryIndex(const char* path, uint16_t count, const PaperEntry* entries,
                            uint16_t* orientation);

// Builds the header of a new overlay data file in header (kSize bytes): all
// zero, then the length 319, the form's name (at most 24 characters), its
// description (at most 255 characters) and the print settings record
// captured from the driver settings block with the form's layer.
void BuildOverlayHeader(const char* name, const char* description, uint8_t layer, const void* driverBlock,
                        unsigned char* header);

// The two halves of BuildOverlayHeader, for writers that know the form
// before they have the driver's settings: StartOverlayHeader writes the
// zero-filled header with length, name, description and layer byte;
// CompleteOverlayHeader then captures the record from the block with the
// layer already in the header.
void StartOverlayHeader(const char* name, const char* description, uint8_t layer, unsigned char* header);
void CompleteOverlayHeader(const void* driverBlock, unsigned char* header);

}  // namespace zv
