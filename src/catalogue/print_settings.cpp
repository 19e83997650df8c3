#include "catalogue/print_settings.h"

#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/overlay_files.h"
#include "catalogue/work_memory.h"
#include "module/module_state.h"

namespace zv {
namespace {

namespace rec = settings_record;
namespace blk = driver_block;

struct HeaderWork {
  unsigned char header[overlay_header::kSize];
};
static_assert(overlay_data::kSignatureProbeSize <= overlay_header::kSize,
              "the header read holds the signature");

const unsigned char* BlockBytes(const void* driverBlock) {
  return static_cast<const unsigned char*>(driverBlock);
}

// One paper of the tolerant match: a user-defined size (code 256) may differ
// by the tolerance in each dimension, any other size must be exact.
bool PaperFits(uint16_t blockCode, int16_t blockWidth, int16_t blockHeight, int16_t width, int16_t height) {
  if (blockCode == kUserDefinedPaper) {
    const int32_t dw = static_cast<int32_t>(blockWidth) - width;
    const int32_t dh = static_cast<int32_t>(blockHeight) - height;
    return dw >= -kUserPaperTolerance && dw <= kUserPaperTolerance && dh >= -kUserPaperTolerance &&
           dh <= kUserPaperTolerance;
  }
  return blockWidth == width && blockHeight == height;
}

// Whether the capability list offers a mode of at least the record's level
// in the block's colour class: colour blocks look only at words with the
// colour bit, black blocks only at words without it.
bool LevelSupported(uint8_t modeLevel, bool colour, int16_t count, const uint16_t* capabilities) {
  for (int32_t i = 0; i < count; ++i) {
    const int16_t word = static_cast<int16_t>(capabilities[i]);
    const bool colourWord = (capabilities[i] & kColourModeBit) != 0;
    if (colour) {
      if (colourWord && static_cast<int32_t>(modeLevel | kColourModeBit) <= word) return true;
    } else {
      if (!colourWord && static_cast<int32_t>(modeLevel) <= word) return true;
    }
  }
  return false;
}

// Enhanced screening needs a black mode beyond level 1. The running value
// takes the low byte of each black word that exceeds it.
bool EnhancedScreeningSupported(int16_t count, const uint16_t* capabilities) {
  int32_t best = 0;
  for (int32_t i = 0; i < count; ++i) {
    if ((capabilities[i] & kColourModeBit) != 0) continue;
    const int16_t word = static_cast<int16_t>(capabilities[i]);
    if (best < word) best = capabilities[i] & 0xFF;
  }
  return best > 1;
}

// The record of a file without a header, before its data is looked at.
void SetRawFileDefaults(uint16_t layer, PrintSettings* settings) {
  *settings = PrintSettings{};
  settings->mark = kSettingsMark;
  settings->layer = static_cast<uint8_t>(layer);
  settings->modeLevel = kDefaultModeLevel;
  settings->modelId = kAnyModel;
  settings->colour = kBlack;
  settings->zoom = kDefaultZoom;
}

// The resolution of raw printer data from its first kSignatureProbeSize
// bytes: the printer's 600-dpi data announces itself right after the first
// byte.
uint16_t RawDataResolution(const unsigned char* firstBytes) {
  const bool highResolution = std::memcmp(firstBytes + overlay_data::kSignatureOffset,
                                          overlay_data::kSignature600, overlay_data::kSignatureSize) == 0;
  return highResolution ? kHighResolution : kLowResolution;
}

}  // namespace

void DecodePrintSettings(const unsigned char* bytes, PrintSettings* settings) {
  settings->mark = GetU16(bytes + rec::kMarkOffset);
  settings->layer = bytes[rec::kLayerOffset];
  settings->modeLevel = bytes[rec::kModeLevelOffset];
  settings->modelId = GetU16(bytes + rec::kModelIdOffset);
  settings->paperWidth = GetI16(bytes + rec::kPaperWidthOffset);
  settings->paperHeight = GetI16(bytes + rec::kPaperHeightOffset);
  settings->paperValue3 = GetU16(bytes + rec::kPaperValue3Offset);
  settings->paperValue4 = GetU16(bytes + rec::kPaperValue4Offset);
  settings->paperCode = GetU16(bytes + rec::kPaperCodeOffset);
  settings->orientation = bytes[rec::kOrientationOffset];
  settings->resolution = GetU16(bytes + rec::kResolutionOffset);
  settings->colour = bytes[rec::kColourOffset];
  settings->printingMode = bytes[rec::kPrintingModeOffset];
  settings->pagesPerSheet = bytes[rec::kPagesPerSheetOffset];
  settings->outputWidth = GetI16(bytes + rec::kOutputWidthOffset);
  settings->outputHeight = GetI16(bytes + rec::kOutputHeightOffset);
  settings->outputValue3 = GetU16(bytes + rec::kOutputValue3Offset);
  settings->outputValue4 = GetU16(bytes + rec::kOutputValue4Offset);
  settings->outputCode = GetU16(bytes + rec::kOutputCodeOffset);
  settings->zoom = GetU16(bytes + rec::kZoomOffset);
}

void EncodePrintSettings(const PrintSettings& settings, unsigned char* bytes) {
  PutU16(bytes + rec::kMarkOffset, settings.mark);
  bytes[rec::kLayerOffset] = settings.layer;
  bytes[rec::kModeLevelOffset] = settings.modeLevel;
  PutU16(bytes + rec::kModelIdOffset, settings.modelId);
  PutI16(bytes + rec::kPaperWidthOffset, settings.paperWidth);
  PutI16(bytes + rec::kPaperHeightOffset, settings.paperHeight);
  PutU16(bytes + rec::kPaperValue3Offset, settings.paperValue3);
  PutU16(bytes + rec::kPaperValue4Offset, settings.paperValue4);
  PutU16(bytes + rec::kPaperCodeOffset, settings.paperCode);
  bytes[rec::kOrientationOffset] = settings.orientation;
  PutU16(bytes + rec::kResolutionOffset, settings.resolution);
  bytes[rec::kColourOffset] = settings.colour;
  bytes[rec::kPrintingModeOffset] = settings.printingMode;
  bytes[rec::kPagesPerSheetOffset] = settings.pagesPerSheet;
  PutI16(bytes + rec::kOutputWidthOffset, settings.outputWidth);
  PutI16(bytes + rec::kOutputHeightOffset, settings.outputHeight);
  PutU16(bytes + rec::kOutputValue3Offset, settings.outputValue3);
  PutU16(bytes + rec::kOutputValue4Offset, settings.outputValue4);
  PutU16(bytes + rec::kOutputCodeOffset, settings.outputCode);
  PutU16(bytes + rec::kZoomOffset, settings.zoom);
}

void CaptureSettings(const void* driverBlock, uint8_t layer, PrintSettings* settings) {
  const unsigned char* b = BlockBytes(driverBlock);
  settings->mark = kSettingsMark;
  settings->layer = layer;
  settings->modeLevel = b[blk::kModeLevelOffset];  // low byte: the colour bit is dropped
  settings->modelId = GetU16(b + blk::kModelIdOffset);
  settings->paperWidth = GetI16(b + blk::kPaperWidthOffset);
  settings->paperHeight = GetI16(b + blk::kPaperHeightOffset);
  settings->paperValue3 = GetU16(b + blk::kPaperValue3Offset);
  settings->paperValue4 = GetU16(b + blk::kPaperValue4Offset);
  settings->paperCode = GetU16(b + blk::kPaperCodeOffset);
  settings->orientation = b[blk::kOrientationOffset];
  settings->resolution = GetU16(b + blk::kResolutionOffset);
  settings->colour = b[blk::kColourOffset];
  settings->printingMode = b[blk::kPrintingModeOffset];
  settings->pagesPerSheet = b[blk::kPagesPerSheetOffset];
  settings->outputWidth = GetI16(b + blk::kOutputWidthOffset);
  settings->outputHeight = GetI16(b + blk::kOutputHeightOffset);
  settings->outputValue3 = GetU16(b + blk::kOutputValue3Offset);
  settings->outputValue4 = GetU16(b + blk::kOutputValue4Offset);
  settings->outputCode = GetU16(b + blk::kOutputCodeOffset);
  settings->zoom = GetU16(b + blk::kZoomOffset);
}

void ReadOverlaySettings(const char* path, uint16_t layer, PrintSettings* settings) {
  *settings = PrintSettings{};
  if (!HasRawFileName(path)) {
    // One read gives both the header and the first byte the header test
    // looks at. A file that cannot be opened leaves the record zeroed.
    WorkMemory<HeaderWork> w;
    if (!w) return;
    if (!ReadOverlayFileStart(path, w->header, overlay_header::kSize)) return;
    if (!StartsAsRawData(w->header)) {
      DecodePrintSettings(w->header + overlay_header::kSettingsOffset, settings);
      if (layer != 0) settings->layer = static_cast<uint8_t>(layer);
      return;
    }
    SetRawFileDefaults(layer, settings);
    settings->resolution = RawDataResolution(w->header);
    return;
  }

  SetRawFileDefaults(layer, settings);
  unsigned char probe[overlay_data::kSignatureProbeSize] = {};
  if (!ReadOverlayFileStart(path, probe, sizeof probe)) return;  // resolution stays 0
  settings->resolution = RawDataResolution(probe);
}

bool MatchOverlaySettings(const PrintSettings& settings, const void* driverBlock, int16_t capabilityCount,
                          const uint16_t* capabilities) {
  const unsigned char* b = BlockBytes(driverBlock);
  if (settings.orientation != GetI16(b + blk::kOrientationOffset)) {
    SetLastErrorCode(kMismatchOrientation);
    return false;
  }
  if (!PaperFits(GetU16(b + blk::kPaperCodeOffset), GetI16(b + blk::kPaperWidthOffset),
                 GetI16(b + blk::kPaperHeightOffset), settings.paperWidth, settings.paperHeight)) {
    SetLastErrorCode(kMismatchPaper);
    return false;
  }
  if (!PaperFits(GetU16(b + blk::kOutputCodeOffset), GetI16(b + blk::kOutputWidthOffset),
                 GetI16(b + blk::kOutputHeightOffset), settings.outputWidth, settings.outputHeight)) {
    SetLastErrorCode(kMismatchOutputPaper);
    return false;
  }
  const int16_t blockColour = GetI16(b + blk::kColourOffset);
  if (settings.colour != blockColour) return false;
  if (settings.pagesPerSheet != GetI16(b + blk::kPagesPerSheetOffset)) return false;
  if (settings.zoom != GetU16(b + blk::kZoomOffset)) return false;
  if ((settings.printingMode & kQualityMask) != (b[blk::kPrintingModeOffset] & kQualityMask)) return false;
  if (!LevelSupported(settings.modeLevel, blockColour == kColour, capabilityCount, capabilities))
    return false;
  if ((settings.printingMode & kScreeningMask) == kScreeningEnhancedMg) {
    return EnhancedScreeningSupported(capabilityCount, capabilities);
  }
  return true;
}

bool MatchSettingsExactly(const PrintSettings& settings, const void* driverBlock) {
  const unsigned char* b = BlockBytes(driverBlock);
  const int16_t blockModeLevel =
      static_cast<int16_t>(GetU16(b + blk::kModeLevelOffset) & static_cast<uint16_t>(~kColourModeBit));
  return settings.colour == GetI16(b + blk::kColourOffset) &&
         settings.pagesPerSheet == GetI16(b + blk::kPagesPerSheetOffset) &&
         settings.printingMode == GetI16(b + blk::kPrintingModeOffset) &&
         settings.resolution == GetU16(b + blk::kResolutionOffset) &&
         settings.orientation == GetI16(b + blk::kOrientationOffset) &&
         settings.paperWidth == GetI16(b + blk::kPaperWidthOffset) &&
         settings.paperHeight == GetI16(b + blk::kPaperHeightOffset) &&
         settings.zoom == GetU16(b + blk::kZoomOffset) &&
         settings.outputWidth == GetI16(b + blk::kOutputWidthOffset) &&
         settings.outputHeight == GetI16(b + blk::kOutputHeightOffset) &&
         settings.modeLevel == blockModeLevel;
}

}  // namespace zv
