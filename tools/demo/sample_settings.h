// The driver settings block of the demo's and the screenshots' host
// programs: one paper, printed on the same output paper at 100 %, one page
// per sheet, on printer model 1 of the sample driver.
#ifndef ZV_TOOLS_SAMPLE_SETTINGS_H
#define ZV_TOOLS_SAMPLE_SETTINGS_H

#include <cstdint>

#include "zvlmn30e.h"

inline ZV_DRIVER_SETTINGS SampleSettings(const char* paperName, int code, int width, int height,
                                         int orientation, int resolution, int colour, int printingMode) {
  ZV_DRIVER_SETTINGS b = {};
  b.orientation = static_cast<int16_t>(orientation);
  b.paperFlag = 1;
  b.paperWidth = static_cast<int16_t>(width);
  b.paperHeight = static_cast<int16_t>(height);
  b.paperValue3 = static_cast<uint16_t>(width - 84);
  b.paperValue4 = static_cast<uint16_t>(height - 84);
  b.paperCode = static_cast<uint16_t>(code);
  b.paperName = paperName;
  b.pagesPerSheet = 0;  // one page per sheet
  b.zoom = 100;
  b.outputFlag = 1;  // the output paper is the paper
  b.outputWidth = static_cast<int16_t>(width);
  b.outputHeight = static_cast<int16_t>(height);
  b.outputValue3 = static_cast<uint16_t>(width - 84);
  b.outputValue4 = static_cast<uint16_t>(height - 84);
  b.outputCode = static_cast<uint16_t>(code);
  b.resolution = static_cast<uint16_t>(resolution);
  b.colour = static_cast<int16_t>(colour);
  b.modeLevel = colour == 1 ? 0x4001 : 1;
  b.modelId = 1;  // printer model 1
  b.printingMode = static_cast<int16_t>(printingMode);
  return b;
}

#endif
