// The form search behind ZVSearchForm, for the callers inside the module:
// which overlay data file, or printer-stored overlay, a form prints with
// under the driver's current settings.
#pragma once

#include <cstdint>

namespace zv {

// The device number output when the form is not a printer-stored overlay.
constexpr uint16_t kNoDeviceNumber = 0xFFFF;

// The packed result: bits 0-7 the layer code, bits 8-15 the printing mode,
// bits 16-31 the resolution.
inline uint32_t PackSearchResult(uint8_t layer, uint8_t printingMode, uint16_t resolution) {
  return uint32_t{layer} | (uint32_t{printingMode} << 8) | (uint32_t{resolution} << 16);
}

// Looks form formId up and picks what to print with. 0 when there is
// nothing usable; otherwise the packed result, with the chosen overlay data
// file's path in path (261 bytes, written only then). A file entry holding a
// stored overlay number gives the layer code alone and the number in
// *deviceNumber, which is kNoDeviceNumber in every other case once the
// form's group text has been read. Clears the last error code first; a
// failed match of the settings may leave 1, 2 or 3 in it. Changes no file.
uint32_t SearchForm(const void* settings, int16_t capabilityCount, const uint16_t* capabilities,
                    int32_t formId, uint16_t* deviceNumber, char* path);

}  // namespace zv
