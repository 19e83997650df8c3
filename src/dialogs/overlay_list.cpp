#include "dialogs/overlay_list.h"

#include <cstring>

#include "catalogue/group_info.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/module_frame.h"
#include "platform/platform.h"

namespace zv {
namespace {

// A list line holds up to six fields: colour, resolution, printing mode,
// zoom, output paper and print layout.
constexpr char kFieldSeparator = ',';

// The opaque background of the last field starts this far left of its text.
constexpr int kLastFieldMargin = 3;

void AppendToList(void* context, const char* line) {
  SendMessageA(static_cast<HWND>(context), LB_INSERTSTRING, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(line));
}

// Empties the list when it holds any item, so that it never shows lines of
// an earlier fill, also when the fill that follows fails.
void EmptyList(HWND list) {
  if (SendMessageA(list, LB_GETCOUNT, 0, 0) > 0) SendMessageA(list, LB_RESETCONTENT, 0, 0);
}

LineSink ListSink(HWND list) {
  LineSink sink;
  sink.append = AppendToList;
  sink.context = list;
  return sink;
}

// Draws text[0, length) at x, y; ETO_CLIPPED to clip, with ETO_OPAQUE when
// opaque is set.
void DrawField(HDC dc, int x, int y, bool opaque, const RECT& clip, const char* text, size_t length) {
  const UINT options = ETO_CLIPPED | (opaque ? ETO_OPAQUE : 0u);
  ExtTextOutA(dc, x, y, options, &clip, text, static_cast<UINT>(length), nullptr);
}

// Draws the comma-separated fields of line in the columns of the overlay
// list, in the font selected into dc: the first at x, each following one
// the column step further right, the last one cut at a comma if more
// follow. With opaqueRow the first field paints the whole row's background
// and the last one its own from a little left of it to the row's end;
// without, only the text is drawn. Every field but the last is clipped to
// its column.
void DrawColumns(HDC dc, const RECT& area, int x, bool opaqueRow, const OverlayColumns& columns,
                 const char* line) {
  TEXTMETRICA metrics;
  std::memset(&metrics, 0, sizeof metrics);
  GetTextMetricsA(dc, &metrics);
  const int y = (area.top + area.bottom - metrics.tmHeight) / 2;
  const int unit = metrics.tmMaxCharWidth;

  const char* field = line;
  for (int column = 0; column < kOverlayColumnSteps; ++column) {
    const char* comma = std::strchr(field, kFieldSeparator);
    if (comma == nullptr) break;
    const int next = x + unit * OverlayColumnStep(columns, column) / 10;
    if (column == 0 && opaqueRow) {
      DrawField(dc, x, y, true, area, field, static_cast<size_t>(comma - field));
    } else {
      // Clipped to its column, so that a long text never runs into the next.
      RECT clip = area;
      clip.left = x > area.left ? x : area.left;
      clip.right = next < area.right ? next : area.right;
      DrawField(dc, x, y, false, clip, field, static_cast<size_t>(comma - field));
    }
    x = next;
    field = comma + 1;
  }
  const char* end = std::strchr(field, kFieldSeparator);
  const size_t lastLength = end ? static_cast<size_t>(end - field) : std::strlen(field);
  RECT last = area;
  if (opaqueRow) {
    last.left = x - kLastFieldMargin > area.left ? x - kLastFieldMargin : area.left;
  } else if (x > area.left) {
    last.left = x;
  }
  DrawField(dc, x, y, opaqueRow, last, field, lastLength);
}

// Draws the 11 by 11 tick box bitmap at x, centred on a line of text that
// starts at textTop.
void DrawTickBox(HDC dc, int bitmapId, int x, int textTop) {
  HBITMAP bitmap = LoadBitmapA(static_cast<HINSTANCE>(plat::GetModuleInstance()), MAKEINTRESOURCEA(bitmapId));
  if (bitmap == nullptr) return;
  TEXTMETRICA metrics;
  std::memset(&metrics, 0, sizeof metrics);
  GetTextMetricsA(dc, &metrics);
  const int y = textTop + (metrics.tmHeight - kTickBoxSize) / 2;
  HDC source = CreateCompatibleDC(dc);
  if (source != nullptr) {
    HGDIOBJ old = SelectObject(source, bitmap);
    BitBlt(dc, x, y, kTickBoxSize, kTickBoxSize, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  }
  DeleteObject(bitmap);
}

}  // namespace

// The local texts are longer in the middle columns, the English ones in the
// resolution and mode columns.
const OverlayColumns kSettingsOverlayColumns = {1, {33, 48, 77, 34, 128}, {33, 58, 90, 33, 110}, 0};
const OverlayColumns kDeleteOverlayColumns = {16, {35, 46, 76, 34, 120}, {35, 55, 90, 31, 105}, 2};

int OverlayColumnStep(const OverlayColumns& columns, int column) {
  return UseLocalResources() ? columns.localSteps[column] : columns.englishSteps[column];
}

bool FillOverlayList(HWND list, int32_t formId, const PaperEntry* papers, uint16_t paperCount) {
  EmptyList(list);
  return ListOverlayLines(formId, papers, paperCount, ListSink(list));
}

bool FillOverlayLine(HWND list, const PrintSettings& settings, const PaperEntry* papers,
                     uint16_t paperCount) {
  EmptyList(list);
  return ListSingleOverlayLine(settings, papers, paperCount, ListSink(list));
}

BOOL MeasureOverlayListItem(HWND dialog, int listId, MEASUREITEMSTRUCT* item, const OverlayColumns& columns) {
  if (item == nullptr || static_cast<int>(item->CtlID) != listId) return TRUE;
  HWND list = GetDlgItem(dialog, listId);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
  if (font == nullptr) font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  HDC dc = GetDC(list);
  if (dc == nullptr) return TRUE;
  HGDIOBJ previous = SelectObject(dc, font);
  TEXTMETRICA metrics;
  if (GetTextMetricsA(dc, &metrics))
    item->itemHeight = static_cast<UINT>(metrics.tmHeight + columns.extraHeight);
  SelectObject(dc, previous);
  ReleaseDC(list, dc);
  return TRUE;
}

BOOL DrawOverlayListItem(HWND dialog, int listId, const DRAWITEMSTRUCT* item, const OverlayColumns& columns,
                         int tickBitmap) {
  (void)dialog;
  if (item == nullptr || static_cast<int>(item->CtlID) != listId) return TRUE;
  if (item->itemID == static_cast<UINT>(-1)) return TRUE;

  char line[kOverlayLineSize];
  line[0] = '\0';
  const LRESULT length = SendMessageA(item->hwndItem, LB_GETTEXTLEN, item->itemID, 0);
  if (length >= 0 && length < static_cast<LRESULT>(sizeof line)) {
    SendMessageA(item->hwndItem, LB_GETTEXT, item->itemID, reinterpret_cast<LPARAM>(line));
  }

  HDC dc = item->hDC;
  const bool selected = (item->itemState & ODS_SELECTED) != 0;
  const bool disabled = (item->itemState & ODS_DISABLED) != 0;
  const int textColour = selected ? COLOR_HIGHLIGHTTEXT : disabled ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT;
  const int backColour = selected ? COLOR_HIGHLIGHT : COLOR_WINDOW;
  const COLORREF oldText = SetTextColor(dc, GetSysColor(textColour));
  const COLORREF oldBack = SetBkColor(dc, GetSysColor(backColour));
  DrawColumns(dc, item->rcItem, item->rcItem.left + columns.firstField, true, columns, line);
  if (tickBitmap != kNoTickBox) {
    TEXTMETRICA metrics;
    std::memset(&metrics, 0, sizeof metrics);
    GetTextMetricsA(dc, &metrics);
    const int textTop = (item->rcItem.top + item->rcItem.bottom - metrics.tmHeight) / 2;
    DrawTickBox(dc, tickBitmap, item->rcItem.left + kTickBoxLeft, textTop);
  }
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBack);
  return TRUE;
}

BOOL DrawOverlayListHeader(HWND dialog, int listId, const DRAWITEMSTRUCT* item,
                           const OverlayColumns& columns) {
  if (item == nullptr || item->CtlType != ODT_STATIC) return TRUE;
  HWND list = GetDlgItem(dialog, listId);
  if (list == nullptr) return TRUE;
  char titles[kOverlayLineSize];
  titles[0] = '\0';
  GetWindowTextA(item->hwndItem, titles, sizeof titles);

  // The list's first column starts firstField pixels into its client area.
  POINT origin = {0, 0};
  ClientToScreen(list, &origin);
  ScreenToClient(item->hwndItem, &origin);

  HDC dc = item->hDC;
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
  if (font == nullptr) font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  HGDIOBJ oldFont = SelectObject(dc, font);
  HBRUSH background = DialogBrush() ? DialogBrush() : GetSysColorBrush(COLOR_BTNFACE);
  FillRect(dc, &item->rcItem, background);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldText = SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawColumns(dc, item->rcItem, origin.x + columns.firstField, false, columns, titles);
  SetTextColor(dc, oldText);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
  return TRUE;
}

}  // namespace zv
