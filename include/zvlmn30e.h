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

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif /* ZVLMN30E_H */
