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

#ifdef __cplusplus
}
#endif

#endif /* ZVLMN30E_H */
