// The print settings record (34 bytes, stored in overlay headers and group
// info entries) and the driver settings block it is captured from and
// compared with.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zvlmn30e.h"

namespace zv {

// Layout of the stored record. Every offset of the format is here.
namespace settings_record {
constexpr uint32_t kSize = 34;
constexpr uint32_t kMarkOffset = 0;            // u16, 1
constexpr uint32_t kLayerOffset = 2;           // u8
constexpr uint32_t kModeLevelOffset = 3;       // u8
constexpr uint32_t kModelIdOffset = 4;         // u16
constexpr uint32_t kPaperWidthOffset = 6;      // i16
constexpr uint32_t kPaperHeightOffset = 8;     // i16
constexpr uint32_t kPaperValue3Offset = 10;    // u16
constexpr uint32_t kPaperValue4Offset = 12;    // u16
constexpr uint32_t kPaperCodeOffset = 14;      // u16
constexpr uint32_t kOrientationOffset = 16;    // u8
constexpr uint32_t kResolutionOffset = 17;     // u16
constexpr uint32_t kColourOffset = 19;         // u8
constexpr uint32_t kPrintingModeOffset = 20;   // u8
constexpr uint32_t kPagesPerSheetOffset = 21;  // u8
constexpr uint32_t kOutputWidthOffset = 22;    // i16
constexpr uint32_t kOutputHeightOffset = 24;   // i16
constexpr uint32_t kOutputValue3Offset = 26;   // u16
constexpr uint32_t kOutputValue4Offset = 28;   // u16
constexpr uint32_t kOutputCodeOffset = 30;     // u16
constexpr uint32_t kZoomOffset = 32;           // u16
}  // namespace settings_record

// Layout of the driver settings block (ZV_DRIVER_SETTINGS: 56 bytes in the
// 32-bit module, 64 in the 64-bit one; the driver's own).
namespace driver_block {
// The fields of the driver settings block, at their offsets in the public
// structure of this build's bitness.
constexpr uint32_t kMinimumSize = sizeof(ZV_DRIVER_SETTINGS);
constexpr uint32_t kOrientationOffset = offsetof(ZV_DRIVER_SETTINGS, orientation);    // i16
constexpr uint32_t kPaperWidthOffset = offsetof(ZV_DRIVER_SETTINGS, paperWidth);      // i16
constexpr uint32_t kPaperHeightOffset = offsetof(ZV_DRIVER_SETTINGS, paperHeight);    // i16
constexpr uint32_t kPaperValue3Offset = offsetof(ZV_DRIVER_SETTINGS, paperValue3);    // u16
constexpr uint32_t kPaperValue4Offset = offsetof(ZV_DRIVER_SETTINGS, paperValue4);    // u16
constexpr uint32_t kPaperCodeOffset = offsetof(ZV_DRIVER_SETTINGS, paperCode);        // u16
constexpr uint32_t kPaperNameOffset = offsetof(ZV_DRIVER_SETTINGS, paperName);        // address of a text
constexpr uint32_t kPagesPerSheetOffset = offsetof(ZV_DRIVER_SETTINGS, pagesPerSheet);  // i16
constexpr uint32_t kZoomOffset = offsetof(ZV_DRIVER_SETTINGS, zoom);                  // u16
constexpr uint32_t kOutputWidthOffset = offsetof(ZV_DRIVER_SETTINGS, outputWidth);    // i16
constexpr uint32_t kOutputHeightOffset = offsetof(ZV_DRIVER_SETTINGS, outputHeight);  // i16
constexpr uint32_t kOutputValue3Offset = offsetof(ZV_DRIVER_SETTINGS, outputValue3);  // u16
constexpr uint32_t kOutputValue4Offset = offsetof(ZV_DRIVER_SETTINGS, outputValue4);  // u16
constexpr uint32_t kOutputCodeOffset = offsetof(ZV_DRIVER_SETTINGS, outputCode);      // u16
constexpr uint32_t kResolutionOffset = offsetof(ZV_DRIVER_SETTINGS, resolution);      // u16
constexpr uint32_t kColourOffset = offsetof(ZV_DRIVER_SETTINGS, colour);              // i16
constexpr uint32_t kModeLevelOffset = offsetof(ZV_DRIVER_SETTINGS, modeLevel);        // u16
constexpr uint32_t kModelIdOffset = offsetof(ZV_DRIVER_SETTINGS, modelId);            // u16
constexpr uint32_t kPrintingModeOffset = offsetof(ZV_DRIVER_SETTINGS, printingMode);  // i16
}  // namespace driver_block

constexpr uint16_t kUserDefinedPaper = 256;
constexpr uint8_t kPortrait = 1;
constexpr uint8_t kColour = 1;
constexpr uint16_t kColourModeBit = 0x4000;

// Values of the record's fields.
constexpr uint16_t kSettingsMark = 1;           // record mark of every written record
constexpr uint16_t kAnyModel = 0xFFFF;          // model id of a raw file's record
constexpr uint8_t kBlack = 2;                   // colour of a raw file's record
constexpr uint16_t kDefaultZoom = 100;          // percent
constexpr uint8_t kDefaultModeLevel = 1;        // mode level of a raw file's record
constexpr uint16_t kLowResolution = 300;        // dpi
constexpr uint16_t kHighResolution = 600;       // dpi
constexpr uint8_t kQualityMask = 0x0F;          // printing mode: the quality
constexpr uint8_t kScreeningMask = 0xF0;        // printing mode: the screening when the quality is 0
constexpr uint8_t kScreeningHalftoning = 0x10;  // "Halftoning"
constexpr uint8_t kScreeningEnhancedMg = 0x20;  // "Enh.MG"
constexpr int32_t kUserPaperTolerance = 2;      // paper units either way for a user-defined size

// Last error codes of a failed tolerant match: which setting kept the record
// from matching. They are not message ids.
constexpr uint32_t kMismatchOrientation = 1;
constexpr uint32_t kMismatchPaper = 2;
constexpr uint32_t kMismatchOutputPaper = 3;

// A print settings record, decoded.
struct PrintSettings {
  uint16_t mark;
  uint8_t layer;
  uint8_t modeLevel;
  uint16_t modelId;
  int16_t paperWidth;
  int16_t paperHeight;
  uint16_t paperValue3;
  uint16_t paperValue4;
  uint16_t paperCode;
  uint8_t orientation;
  uint16_t resolution;
  uint8_t colour;
  uint8_t printingMode;
  uint8_t pagesPerSheet;
  int16_t outputWidth;
  int16_t outputHeight;
  uint16_t outputValue3;
  uint16_t outputValue4;
  uint16_t outputCode;
  uint16_t zoom;
};

void DecodePrintSettings(const unsigned char* bytes, PrintSettings* settings);
void EncodePrintSettings(const PrintSettings& settings, unsigned char* bytes);

// Builds the record for the driver settings block with the given layer.
void CaptureSettings(const void* driverBlock, uint8_t layer, PrintSettings* settings);

// The record of an overlay data file: its header's record (layer replaced
// when layer is not 0), or the default record of a raw file.
void ReadOverlaySettings(const char* path, uint16_t layer, PrintSettings* settings);

// The tolerant match of a stored record against the driver's settings and
// capability list; may set the last error code to 1 (orientation), 2 (paper
// size) or 3 (output paper).
bool MatchOverlaySettings(const PrintSettings& settings, const void* driverBlock, int16_t capabilityCount,
                          const uint16_t* capabilities);

// The exact match: the record was made for exactly these settings.
bool MatchSettingsExactly(const PrintSettings& settings, const void* driverBlock);

}  // namespace zv
