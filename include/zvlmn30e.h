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
 *
 * The exports are declared below as they become available.
 */
#ifndef ZVLMN30E_H
#define ZVLMN30E_H

#ifdef _WIN32
#define ZVAPI __stdcall
#else
#define ZVAPI
#endif

/* Size of every path buffer the module reads or fills. */
#define ZV_PATH_BUFFER 261

#include <stdint.h>

/* Size of a name slot: a name of at most 24 characters and its terminator. */
#define ZV_NAME_SLOT 25

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
int32_t ZVAPI ZVGetFormListNum(void);

/* Fills entries first..last (inclusive) of the form list into ids (32-bit
 * identifiers) and names (ZV_NAME_SLOT-byte slots); both arrays must hold
 * last - first + 1 elements, and *count receives the number filled. The
 * closing entry has the index of the named-form count; its identifier is 0,
 * or currentForm when that is a file entry (negative) of the catalogue.
 * Returns 1 when something was filled. On a failure it shows an error box
 * owned by parentWindow (an HWND; none when exactly one entry is asked for
 * and the catalogue is missing or damaged) and gives the closing entry alone.
 * With last < first it returns 0 and writes nothing. */
int32_t ZVAPI ZVGetFormList(void* parentWindow, uint32_t first, int32_t last, int32_t currentForm,
                            uint32_t* count, int32_t* ids, char* names);

/*
 * Print time and capture. "settings" is the driver settings block (at least
 * 56 bytes, the driver's own structure); "capabilities" the driver's list of
 * 16-bit capability words (its second list from ZVFormDrvSupportCapabilities).
 * Paths are ZV_PATH_BUFFER-byte buffers.
 */

/* Picks the overlay to print form formId with under the settings. Returns 0
 * when there is none; otherwise bits 0-7 the layer (1 front, 2 back), bits
 * 8-15 the printing mode and bits 16-31 the resolution of the chosen overlay,
 * whose path goes to path. A file entry standing for an overlay stored in the
 * printer gives its number in *deviceNumber (0xFFFF otherwise) and the layer
 * only. The low 16 bits of count, signed, are the number of capability words. */
uint32_t ZVAPI ZVSearchForm(const void* settings, uint32_t count, const uint16_t* capabilities,
                            int32_t formId, uint16_t* deviceNumber, char* path);

/* Prepares the overlay data file into which the driver captures form formId
 * (a named form, or a file entry named "C") for exactly these settings: the
 * existing file for them or a new one in the form's group, created with its
 * 319-byte header. groupString (may be null) is kept in a new group info file.
 * Returns 1 with the file's path in path; the driver appends the page data. */
int32_t ZVAPI ZVGetOverlayForm(const void* settings, const char* groupString, int32_t formId, char* path);

/* The identifier of the named form called name (letter case counts), or 0. */
int32_t ZVAPI ZVGetFormID(const char* name);

/* Turns an overlay choice made in the driver's own pages into a form
 * identifier, registering what the choice needs. purpose: 1 print, 2 create.
 * source: 1 an overlay data file (path in name), 2 an overlay stored in the
 * printer (its number), other values a named form (its name in name).
 * layer: low byte 1 front, 2 back. saveDirectory and description may be
 * null. Returns 1 with the identifier in *formId. */
int32_t ZVAPI ZVSetDevOverlay(const void* settings, uint16_t count, const uint16_t* capabilities,
                              uint16_t purpose, uint16_t source, const char* name, uint16_t number,
                              uint32_t layer, const char* saveDirectory, const char* description,
                              int32_t* formId);

/* The name of form formId for the driver's pages: a named form's name, or
 * what a file entry stands for (its file or stored overlay number). */
int32_t ZVAPI ZVGetDevFormName(int32_t formId, char* name);

/* The path of the preview file of named form formId's group. The first
 * argument is not used. */
int32_t ZVAPI ZVPreviewForm(uint32_t unused, int32_t formId, char* path);

/* Undoes a failed capture: deletes the overlay data file that
 * ZVGetOverlayForm gave for formId and its entry in the group (and the group
 * info file when nothing is left in it). Returns 1 when done or when there
 * was nothing to undo. */
int32_t ZVAPI ZVErrorForm(int32_t formId, const char* path);

/* 1 when the driver's configuration names a form editor ("EDITOR" in section
 * "ENVIRONMENT" is not empty), else 0. */
int32_t ZVAPI ZVDriverFormService(void);

/* Questions the settings the driver is about to accept for form formId (a
 * named form above 0, a file entry below 0, none 0). confirmMode 1: the
 * driver will print with the form's overlay; 2: it will capture new overlay
 * data. Asks the user, in boxes owned by owner (an HWND), whether to change
 * the settings when they cannot work. deviceName and driverPath name the
 * printer driver's module (see zvlmn30e_driver.h). Returns 1 when the driver
 * may go on, 0 when the user chose to change the settings or a check failed. */
int32_t ZVAPI ZVSetFormConfirm(void* owner, const void* settings, const char* deviceName,
                               const char* driverPath, int32_t formId, uint16_t confirmMode);

/* The dialog in which the user chooses the form to print with, owned by
 * owner (an HWND). With named forms registered and a named form as the
 * current choice (*formId above 0) it lists the named forms; otherwise the
 * user names an overlay data file (.ZLP), registered as a file entry. The
 * settings block and the two plain values are not needed. Returns 1 after
 * OK with the chosen identifier in *formId, else 0 with *formId unchanged. */
int32_t ZVAPI ZVFormDetailsDlg(void* owner, const void* settings, uint16_t unused1, const char* deviceName,
                               const char* driverPath, uint32_t unused2, int32_t* formId);

/* The dialog in which the user chooses where the next overlay data goes: a
 * named form or a file entry, with the form's paper, orientation, layer and
 * overlay data files; forms and file entries can be added there. *formId
 * names the current choice; after OK (result 1) it holds the new one, else
 * (result 0) it is unchanged. The last two arguments are not read. */
int32_t ZVAPI ZVCreateFormDlg(void* owner, const void* settings, const char* deviceName,
                              const char* driverPath, int32_t* formId, uint32_t unused1, uint32_t unused2);

/* The catalogue editor, owned by owner (an HWND): lists the named forms, or
 * shows one overlay data file, and lets the user change, delete and register
 * forms and files. One such dialog is open at a time per user, across every
 * driver that uses the module; a second call meanwhile shows a notice and
 * returns 0. Returns 1 when the dialog ran and closed; *formId then holds
 * the named form last selected, 0 when the edit removed the form or file it
 * named, or stays as it was. */
int32_t ZVAPI ZVEntryFormEditDlg(void* owner, const void* settings, const char* deviceName,
                                 const char* driverPath, int32_t* formId);

#ifdef __cplusplus
}
#endif

#endif /* ZVLMN30E_H */
