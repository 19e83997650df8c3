// The owner-drawn overlay data lists: their lines, row height and drawing.
#pragma once

#include <windows.h>

#include <cstdint>

#include "catalogue/print_settings.h"
#include "driverlink/paper_size_list.h"

namespace zv {

// Empties the list box, then puts the overlay list line of every overlay
// entry of the form into it. The catalogue's result; the list stays empty
// when that is 0.
bool FillOverlayList(HWND list, int32_t formId, const PaperEntry* papers, uint16_t paperCount);

// Empties the list box, then puts the line of one print settings record into
// it.
bool FillOverlayLine(HWND list, const PrintSettings& settings, const PaperEntry* papers, uint16_t paperCount);

// How many column steps a line has: one before each field after the first.
constexpr int kOverlayColumnSteps = 5;

// Where an overlay list puts the fields of its rows: the first one
// firstField pixels right of the row's left edge, each following one the
// step further right, in tenths of the list font's widest character, with
// the steps of the resource set shown; rows are the font's height plus
// extraHeight.
struct OverlayColumns {
  int firstField;
  int localSteps[kOverlayColumnSteps];
  int englishSteps[kOverlayColumnSteps];
  int extraHeight;
};

// The overlay list of the form settings dialog.
extern const OverlayColumns kSettingsOverlayColumns;
// The overlay list of the delete form data dialog: room for a tick box
// before the first field.
extern const OverlayColumns kDeleteOverlayColumns;

// The step before field column + 1 of the resource set shown.
int OverlayColumnStep(const OverlayColumns& columns, int column);

// Tick boxes drawn before a row: none, or the bitmap of that id (11 by 11).
constexpr int kNoTickBox = 0;
constexpr int kTickBoxSize = 11;
constexpr int kTickBoxLeft = 3;

// WM_MEASUREITEM and WM_DRAWITEM of the overlay list listId; other controls
// only get TRUE. tickBitmap, when not kNoTickBox, is drawn at kTickBoxLeft
// from the row's left edge, centred on the text.
BOOL MeasureOverlayListItem(HWND dialog, int listId, MEASUREITEMSTRUCT* item,
                            const OverlayColumns& columns = kSettingsOverlayColumns);
BOOL DrawOverlayListItem(HWND dialog, int listId, const DRAWITEMSTRUCT* item,
                         const OverlayColumns& columns = kSettingsOverlayColumns,
                         int tickBitmap = kNoTickBox);

// WM_DRAWITEM of an owner-drawn static above the overlay list listId: its
// text, six comma-separated column titles, drawn in the list's font at the
// list's column positions, so that the titles line up with the rows on any
// system. Other controls only get TRUE.
BOOL DrawOverlayListHeader(HWND dialog, int listId, const DRAWITEMSTRUCT* item,
                           const OverlayColumns& columns = kSettingsOverlayColumns);

}  // namespace zv
