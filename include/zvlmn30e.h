/*
 * ZVLMN30E.DLL: the form-overlay manager of the ZEVRO page-printer driver.
 *
 * The printer driver and its settings pages load this module and call its
 * exports. Every export uses the standard Windows calling convention
 * (__stdcall) and is exported under its undecorated name, so a driver may
 * link against ZVLMN30E.lib or look the functions up with GetProcAddress.
 *
 * Conventions shared by all exports:
 *  - strings are single-byte ANSI strings of the system code page;
 *  - paths are at most 260 characters, in buffers of ZV_PATH_BUFFER bytes;
 *  - results are 1 for success and 0 for failure unless an export says
 *    otherwise; a failing call leaves the number of the message that
 *    describes the failure as the module's last error code;
 *  - nothing is cached between calls: every call reads the catalogue files
 *    afresh, and two callers are kept apart by the files' share modes only.
 */
#ifndef ZVLMN30E_H
#define ZVLMN30E_H

#include <stddef.h>
#include <stdint.h>

#include "zvlmn30e_types.h"

/* Size of every path buffer the module reads or fills. */
#define ZV_PATH_BUFFER 261

/* Size of a name slot: a name of at most 24 characters and its terminator. */
#define ZV_NAME_SLOT 25

/*
 * The driver settings block: the driver's current print settings, passed by
 * address to ZVSearchForm, ZVGetOverlayForm, ZVSetDevOverlay,
 * ZVSetFormConfirm and the dialog exports. The module reads only the named
 * fields; the reserved ones are the driver's own. A driver may use a larger
 * structure of its own that begins with this one.
 *
 *   offset  32-bit module            64-bit module
 *   0       orientation              orientation
 *   2       paperFlag (not read)     paperFlag (not read)
 *   4..13   width, height, value 3, value 4, paper code (both)
 *   16      paperName (4 bytes)      reserved16 (not read)
 *   20..55  pages per sheet .. printing mode (both, same offsets)
 *   56      -                        paperName (8 bytes)
 *   size    56                       64
 *
 * paperName points to the current paper's name, a zero-terminated text that
 * the form settings dialog shows. In the 64-bit block the address does not
 * fit the four bytes at offset 16, so it follows the 32-bit block's fields;
 * every other field keeps its offset in both.
 */
typedef struct ZV_DRIVER_SETTINGS {
  int16_t orientation;    /* 1 = portrait */
  uint16_t paperFlag;     /* not read */
  int16_t paperWidth;
  int16_t paperHeight;
  uint16_t paperValue3;
  uint16_t paperValue4;
  uint16_t paperCode;     /* 256 = user-defined size */
  uint16_t reserved14;
#if ZV_POINTER_BYTES == 8
  uint32_t reserved16;    /* not read: the name's address is at offset 56 */
#else
  const char* paperName;
#endif
  int16_t pagesPerSheet;
  uint16_t reserved22;
  uint16_t zoom;          /* percent */
  uint16_t outputFlag;    /* not read */
  int16_t outputWidth;
  int16_t outputHeight;
  uint16_t outputValue3;
  uint16_t outputValue4;
  uint16_t outputCode;    /* 256 = user-defined size */
  uint16_t reserved38[3];
  uint16_t resolution;    /* dpi */
  uint16_t reserved46;
  int16_t colour;         /* 1 = colour */
  uint16_t modeLevel;     /* level number; bit 14 marks a colour mode */
  uint16_t modelId;       /* the printer model, for ZVFormPrinterSpec */
  int16_t printingMode;   /* low byte as in the print settings record */
#if ZV_POINTER_BYTES == 8
  const char* paperName;
#endif
} ZV_DRIVER_SETTINGS;

ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, orientation) == 0, settings_orientation);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, paperFlag) == 2, settings_paper_flag);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, paperWidth) == 4, settings_paper_width);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, paperHeight) == 6, settings_paper_height);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, paperValue3) == 8, settings_paper_value3);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, paperValue4) == 10, settings_paper_value4);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, paperCode) == 12, settings_paper_code);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, pagesPerSheet) == 20, settings_pages_per_sheet);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, zoom) == 24, settings_zoom);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, outputFlag) == 26, settings_output_flag);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, outputWidth) == 28, settings_output_width);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, outputHeight) == 30, settings_output_height);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, outputValue3) == 32, settings_output_value3);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, outputValue4) == 34, settings_output_value4);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, outputCode) == 36, settings_output_code);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, resolution) == 44, settings_resolution);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, colour) == 48, settings_colour);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, modeLevel) == 50, settings_mode_level);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, modelId) == 52, settings_model_id);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, printingMode) == 54, settings_printing_mode);
#if ZV_POINTER_BYTES == 8
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, reserved16) == 16, settings_reserved16_64);
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, paperName) == 56, settings_paper_name_64);
ZV_LAYOUT_ASSERT(sizeof(ZV_DRIVER_SETTINGS) == 64, settings_size_64);
#else
ZV_LAYOUT_ASSERT(offsetof(ZV_DRIVER_SETTINGS, paperName) == 16, settings_paper_name_32);
ZV_LAYOUT_ASSERT(sizeof(ZV_DRIVER_SETTINGS) == 56, settings_size_32);
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * The form list: the named forms in catalogue order, then one closing entry
 * named "No Form name" (the text of message 201 of the shown resource set).
 */

/* The number of entries of the form list: the named forms + 1, or 1 when the
 * catalogue has no valid form name list file yet (the closing entry alone),
 * or 0 when memory or the catalogue configuration is missing. Shows nothing. */
ZVLONG ZVAPI ZVGetFormListNum(void);

/* Fills entries first..last (inclusive) of the form list into ids (32-bit
 * identifiers) and names (ZV_NAME_SLOT-byte slots); both arrays must hold
 * last - first + 1 elements, and *count receives the number filled. The
 * closing entry has the index of the named-form count; its identifier is 0,
 * or currentForm when that is a file entry (negative) of the catalogue.
 * Returns 1 when something was filled. On a failure it shows an error box
 * owned by parentWindow (an HWND; none when exactly one entry is asked for
 * and the catalogue is missing or damaged) and gives the closing entry alone.
 * With last < first it returns 0 and writes nothing. */
ZVLONG ZVAPI ZVGetFormList(ZVHWND parentWindow, ZVDWORD first, ZVLONG last, ZVLONG currentForm,
                           ZVDWORD* count, ZVLONG* ids, ZVLPSTR names);

/*
 * Print time and capture. "settings" is the driver settings block
 * (ZV_DRIVER_SETTINGS, or the driver's own structure that begins with it);
 * "capabilities" the driver's list of 16-bit capability words (its second
 * list from ZVFormDrvSupportCapabilities). Paths are ZV_PATH_BUFFER-byte
 * buffers.
 */

/* Picks the overlay to print form formId with under the settings. Returns 0
 * when there is none; otherwise bits 0-7 the layer (1 front, 2 back), bits
 * 8-15 the printing mode and bits 16-31 the resolution of the chosen overlay,
 * whose path goes to path. A file entry standing for an overlay stored in the
 * printer gives its number in *deviceNumber (0xFFFF otherwise) and the layer
 * only. The low 16 bits of count, signed, are the number of capability words. */
ZVDWORD ZVAPI ZVSearchForm(const void* settings, ZVDWORD count, const ZVWORD* capabilities, ZVLONG formId,
                           ZVWORD* deviceNumber, ZVLPSTR path);

/* Prepares the overlay data file into which the driver captures form formId
 * (a named form, or a file entry named "C") for exactly these settings: the
 * existing file for them or a new one in the form's group, created with its
 * 319-byte header. groupString (may be null) is kept in a new group info file.
 * Returns 1 with the file's path in path; the driver appends the page data. */
ZVLONG ZVAPI ZVGetOverlayForm(const void* settings, ZVLPCSTR groupString, ZVLONG formId, ZVLPSTR path);

/* The identifier of the named form called name (letter case counts), or 0. */
ZVLONG ZVAPI ZVGetFormID(ZVLPCSTR name);

/* Turns an overlay choice made in the driver's own pages into a form
 * identifier, registering what the choice needs. purpose: 1 print, 2 create.
 * source: 1 an overlay data file (path in name), 2 an overlay stored in the
 * printer (its number), other values a named form (its name in name).
 * layer: low byte 1 front, 2 back. saveDirectory and description may be
 * null. Returns 1 with the identifier in *formId. */
ZVLONG ZVAPI ZVSetDevOverlay(const void* settings, ZVWORD count, const ZVWORD* capabilities, ZVWORD purpose,
                             ZVWORD source, ZVLPCSTR name, ZVWORD number, ZVDWORD layer, ZVLPCSTR saveDirectory,
                             ZVLPCSTR description, ZVLONG* formId);

/* The name of form formId for the driver's pages: a named form's name, or
 * what a file entry stands for (its file or stored overlay number). */
ZVLONG ZVAPI ZVGetDevFormName(ZVLONG formId, ZVLPSTR name);

/* The path of the preview file of named form formId's group. The first
 * argument is not used. */
ZVLONG ZVAPI ZVPreviewForm(ZVDWORD unused, ZVLONG formId, ZVLPSTR path);

/* Undoes a failed capture: deletes the overlay data file that
 * ZVGetOverlayForm gave for formId and its entry in the group (and the group
 * info file when nothing is left in it). Returns 1 when done or when there
 * was nothing to undo. A group info file whose size disagrees with its
 * counts still loses the file, but keeps its entry: the result is then 0. */
ZVLONG ZVAPI ZVErrorForm(ZVLONG formId, ZVLPCSTR path);

/* 1 when the driver's configuration names a form editor ("EDITOR" in section
 * "ENVIRONMENT" is not empty), else 0. */
ZVLONG ZVAPI ZVDriverFormService(void);

/* Questions the settings the driver is about to accept for form formId (a
 * named form above 0, a file entry below 0, none 0). confirmMode 1: the
 * driver will print with the form's overlay; 2: it will capture new overlay
 * data. Asks the user, in boxes owned by owner (an HWND), whether to change
 * the settings when they cannot work. deviceName and driverPath name the
 * printer driver's module (see zvlmn30e_driver.h). Returns 1 when the driver
 * may go on, 0 when the user chose to change the settings or a check failed. */
ZVLONG ZVAPI ZVSetFormConfirm(ZVHWND owner, const void* settings, ZVLPCSTR deviceName, ZVLPCSTR driverPath,
                              ZVLONG formId, ZVWORD confirmMode);

/* The dialog in which the user chooses the form to print with, owned by
 * owner (an HWND). With named forms registered and a named form as the
 * current choice (*formId above 0) it lists the named forms; otherwise the
 * user names an overlay data file (.ZLP), registered as a file entry. The
 * settings block and the two plain values are not needed. Returns 1 after
 * OK with the chosen identifier in *formId, else 0 with *formId unchanged. */
ZVLONG ZVAPI ZVFormDetailsDlg(ZVHWND owner, const void* settings, ZVWORD unused1, ZVLPCSTR deviceName,
                              ZVLPCSTR driverPath, ZVDWORD unused2, ZVLONG* formId);

/* The dialog in which the user chooses where the next overlay data goes: a
 * named form or a file entry, with the form's paper, orientation, layer and
 * overlay data files; forms and file entries can be added there. *formId
 * names the current choice; after OK (result 1) it holds the new one, else
 * (result 0) it is unchanged. The last two arguments are not read. */
ZVLONG ZVAPI ZVCreateFormDlg(ZVHWND owner, const void* settings, ZVLPCSTR deviceName, ZVLPCSTR driverPath,
                             ZVLONG* formId, ZVDWORD unused1, ZVDWORD unused2);

/* The catalogue editor, owned by owner (an HWND): lists the named forms, or
 * shows one overlay data file, and lets the user change, delete and register
 * forms and files. One such dialog is open at a time per user, across every
 * driver that uses the module; a second call meanwhile shows a notice and
 * returns 0. Returns 1 when the dialog ran and closed; *formId then holds
 * the named form last selected, 0 when the edit removed the form or file it
 * named, or stays as it was. */
ZVLONG ZVAPI ZVEntryFormEditDlg(ZVHWND owner, const void* settings, ZVLPCSTR deviceName, ZVLPCSTR driverPath,
                                ZVLONG* formId);

#ifdef __cplusplus
}
#endif

#endif /* ZVLMN30E_H */
