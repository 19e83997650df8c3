// The owner-drawn overlay data lists: their lines, row height and drawing.
#pragma once

#include <windows.h>

#include <cstdint>

#include "catalogue/print_settings.h"
#include "driverlink/paper_size_list.h"

namespace zv {

// Puts the overlay list line of every overlay entry of the form into the
// list box. The catalogue's result.
bool FillOverlayList(HWND list, int32_t formId, const PaperEntry* papers, uint16_t paperCount);

// Puts the line of one print settings record into the list box.
bool FillOverlayLine(HWND list, const PrintSettings& settings, const PaperEntry* papers, uint16_t paperCount);

// WM_MEASUREITEM and WM_DRAWITEM of the overlay list listId; other controls
// only get TRUE.
BOOL MeasureOverlayListItem(HWND dialog, int listId, MEASUREITEMSTRUCT* item);
BOOL DrawOverlayListItem(HWND dialog, int listId, const DRAWITEMSTRUCT* item);

// WM_DRAWITEM of an owner-drawn static above the overlay list listId: its
// text, six comma-separated column titles, drawn in the list's font at the
// list's column positions, so that the titles line up with the rows on any
// system. Other controls only get TRUE.
BOOL DrawOverlayListHeader(HWND dialog, int listId, const DRAWITEMSTRUCT* item);

}  // namespace zv
