// Placeholder until the overlay list lands.
#include "dialogs/overlay_list.h"

namespace zv {
bool FillOverlayList(HWND, int32_t, const PaperEntry*, uint16_t) {
  return false;
}
bool FillOverlayLine(HWND, const PrintSettings&, const PaperEntry*, uint16_t) {
  return false;
}
BOOL MeasureOverlayListItem(HWND, int, MEASUREITEMSTRUCT*) {
  return TRUE;
}
BOOL DrawOverlayListItem(HWND, int, const DRAWITEMSTRUCT*) {
  return TRUE;
}
}  // namespace zv
