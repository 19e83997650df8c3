/*
 * The printer driver's side of ZVLMN30E.DLL.
 *
 * ZVLMN30E asks the printer driver's own module, loaded by the module path
 * the driver passes to the dialog exports, three questions: which printer
 * models and capability words it supports, what the printer specification
 * (paper tables) of one model is, and which help file to show. The driver
 * module answers through the three entry points declared here. ZVLMN30E
 * loads the module, looks the entry point up by its undecorated name, calls
 * it and frees the module again for every question, so an entry point may
 * keep no state from one question to the next; the two calls of a question
 * come while the module stays loaded.
 *
 * Every entry point uses the standard Windows calling convention, is
 * exported under its undecorated name (list the names in the module's .def
 * file) and returns nonzero for success and 0 for failure. A 0 from any call
 * makes ZVLMN30E give up the whole question.
 *
 * Records shared with ZVLMN30E hold pointers of the module's bitness: 4
 * bytes in the 32-bit (x86) module, 8 in the 64-bit (x64) one. The
 * structures below describe both; a driver compiled for either target gets
 * its layout from them. All integers are little-endian.
 *
 * ZVFormDrvSupportCapabilities(deviceName, mode, first, second)
 *   Called twice.
 *   mode 0: first and second point at two signed 16-bit counts; store the
 *           number of printer models in *first and the number of capability
 *           words in *second.
 *   mode 1: first points at room for the model list (one 16-bit model id per
 *           model), second at room for the capability list (one 16-bit word
 *           per capability), both zero-filled and exactly as long as the
 *           counts of mode 0. Fill both.
 *   A capability word holds a level number; bit 14 (0x4000) marks a colour
 *   mode.
 *
 * ZVFormPrinterSpec(deviceName, mode, modelId, target)
 *   Called twice for one model id of the model list.
 *   mode 0: target points at ten signed 16-bit sizes c0 to c9; store them.
 *           c1 is the number of entries of the first paper table and c2 the
 *           size in bytes of each of its name areas; c3 and c4 are the same
 *           for the second paper table; c8 is a size in bytes; c0, c5, c6,
 *           c7 and c9 count 16-bit words. No size may be negative.
 *   mode 1: target points at the printer specification block
 *           (ZVDRV_PRINTER_SPEC), zero-filled and laid out by ZVLMN30E from
 *           the sizes of mode 0. Fill the areas through the pointers that
 *           the block holds; never change the pointers.
 *
 *   The printer specification block, P the size of a pointer (4 or 8):
 *
 *     offset 0       eleven pointers p0 to p10 (11 P bytes), set by ZVLMN30E
 *     offset 11 P    the areas, in this order:
 *                      p0   2 * c0 bytes
 *                      p2   2 bytes
 *                      p3   2 * c5 bytes
 *                      p4   2 bytes
 *                      p5   2 bytes
 *                      p7   2 * c6 bytes
 *                      p8   2 * c7 bytes
 *                      p9   c8 bytes
 *                      p10  2 * c9 bytes
 *                      p1   c1 entries: the first paper table
 *                           c1 * c2 bytes: the name areas of its entries,
 *                           entry i's area i * c2 bytes into them
 *                      p6   c3 entries: the second paper table
 *                           c3 * c4 bytes: the name areas of its entries,
 *                           entry i's area i * c4 bytes into them
 *
 *     32-bit: the areas follow each other without gaps, and the block is
 *     50 + 2 (c0 + c5 + c6 + c7 + c9) + c8 + c1 (16 + c2) + c3 (16 + c4)
 *     bytes long.
 *     64-bit: so that every pointer stays 8-aligned, each paper table begins
 *     at the next multiple of 8 (up to 7 unused bytes before p1 and before
 *     p6); nothing else is padded, and the block is 94 + 2 (c0 + c5 + c6 +
 *     c7 + c9) + c8 + c1 (24 + c2) + c3 (24 + c4) bytes plus that padding.
 *     The pointer of an empty area points where the area would begin.
 *
 *   A paper table entry (ZVDRV_PAPER_ENTRY, 16 or 24 bytes):
 *
 *     offset 0   u16 paper width
 *     offset 2   u16 paper length
 *     offset 4   u16 third paper value
 *     offset 6   u16 fourth paper value
 *     offset 8   u16 paper code (the Windows paper number: 9 for A4,
 *                    256 for a user-defined size)
 *     offset 10  bytes that ZVLMN30E does not read (2, or 6 in 64-bit)
 *     offset 12  (32-bit) or 16 (64-bit): pointer to the entry's name area,
 *                set by ZVLMN30E (null when the name areas have size 0)
 *
 *   Write each paper name, NUL-terminated, into its name area. ZVLMN30E
 *   shows at most 65 characters of a name and never reads past its area.
 *   It reads only the paper tables; the other areas are the driver's own.
 *
 * ZVFormHelpFile(deviceName, languageFlag, buffer)
 *   languageFlag is 0 while ZVLMN30E shows its local resource set and 1
 *   while it shows the English one. Write the help file name, NUL-
 *   terminated, into the buffer of ZVDRV_HELP_BUFFER bytes: a full path
 *   (drive letter, colon, backslash) or a name relative to the directory of
 *   the driver module. The result is not examined.
 *
 * deviceName is the device name that the driver passed to ZVLMN30E, handed
 * on unchanged (it may be null).
 */
#ifndef ZVLMN30E_DRIVER_H
#define ZVLMN30E_DRIVER_H

#include <stddef.h>
#include <stdint.h>

#include "zvlmn30e_types.h"

/* Size of the help file name buffer of ZVFormHelpFile. */
#define ZVDRV_HELP_BUFFER 261

/* Modes of ZVFormDrvSupportCapabilities and ZVFormPrinterSpec. */
#define ZVDRV_MODE_SIZES 0
#define ZVDRV_MODE_FILL 1

/* Language flags of ZVFormHelpFile. */
#define ZVDRV_HELP_LOCAL 0
#define ZVDRV_HELP_ENGLISH 1

/* The ten sizes of mode 0 of ZVFormPrinterSpec. */
#define ZVDRV_SPEC_SIZES 10

/* One entry of a paper table. */
typedef struct ZVDRV_PAPER_ENTRY {
  uint16_t width;
  uint16_t length;
  uint16_t value3;
  uint16_t value4;
  uint16_t code;
  uint8_t unread[ZV_POINTER_BYTES - 2];
  char* name;
} ZVDRV_PAPER_ENTRY;

/* The pointers at the start of the printer specification block; the areas
 * follow them in the block. */
typedef struct ZVDRV_PRINTER_SPEC {
  uint16_t* p0;
  ZVDRV_PAPER_ENTRY* p1; /* the first paper table */
  uint16_t* p2;
  uint16_t* p3;
  uint16_t* p4;
  uint16_t* p5;
  ZVDRV_PAPER_ENTRY* p6; /* the second paper table */
  uint16_t* p7;
  uint16_t* p8;
  uint8_t* p9;
  uint16_t* p10;
} ZVDRV_PRINTER_SPEC;

#define ZVDRV_SPEC_POINTERS 11
/* Where each paper table begins: the next multiple of this. */
#define ZVDRV_PAPER_TABLE_ALIGNMENT (ZV_POINTER_BYTES == 8 ? 8 : 1)

ZV_LAYOUT_ASSERT(offsetof(ZVDRV_PAPER_ENTRY, width) == 0, paper_width);
ZV_LAYOUT_ASSERT(offsetof(ZVDRV_PAPER_ENTRY, length) == 2, paper_length);
ZV_LAYOUT_ASSERT(offsetof(ZVDRV_PAPER_ENTRY, value3) == 4, paper_value3);
ZV_LAYOUT_ASSERT(offsetof(ZVDRV_PAPER_ENTRY, value4) == 6, paper_value4);
ZV_LAYOUT_ASSERT(offsetof(ZVDRV_PAPER_ENTRY, code) == 8, paper_code);
ZV_LAYOUT_ASSERT(offsetof(ZVDRV_PAPER_ENTRY, unread) == 10, paper_unread);
ZV_LAYOUT_ASSERT(offsetof(ZVDRV_PRINTER_SPEC, p0) == 0, spec_p0);
ZV_LAYOUT_ASSERT(offsetof(ZVDRV_PRINTER_SPEC, p1) == 1 * ZV_POINTER_BYTES, spec_p1);
ZV_LAYOUT_ASSERT(offsetof(ZVDRV_PRINTER_SPEC, p6) == 6 * ZV_POINTER_BYTES, spec_p6);
ZV_LAYOUT_ASSERT(offsetof(ZVDRV_PRINTER_SPEC, p10) == 10 * ZV_POINTER_BYTES, spec_p10);
#if ZV_POINTER_BYTES == 8
ZV_LAYOUT_ASSERT(offsetof(ZVDRV_PAPER_ENTRY, name) == 16, paper_name_64);
ZV_LAYOUT_ASSERT(sizeof(ZVDRV_PAPER_ENTRY) == 24, paper_entry_size_64);
ZV_LAYOUT_ASSERT(sizeof(ZVDRV_PRINTER_SPEC) == 88, spec_pointers_64);
#else
ZV_LAYOUT_ASSERT(offsetof(ZVDRV_PAPER_ENTRY, name) == 12, paper_name_32);
ZV_LAYOUT_ASSERT(sizeof(ZVDRV_PAPER_ENTRY) == 16, paper_entry_size_32);
ZV_LAYOUT_ASSERT(sizeof(ZVDRV_PRINTER_SPEC) == 44, spec_pointers_32);
#endif

#ifdef __cplusplus
extern "C" {
#endif

ZVLONG ZVDRVAPI ZVFormDrvSupportCapabilities(ZVLPCSTR deviceName, ZVLONG mode, void* first, void* second);
ZVLONG ZVDRVAPI ZVFormPrinterSpec(ZVLPCSTR deviceName, ZVLONG mode, ZVWORD modelId, void* target);
ZVLONG ZVDRVAPI ZVFormHelpFile(ZVLPCSTR deviceName, ZVLONG languageFlag, ZVLPSTR buffer);

typedef ZVLONG(ZVDRVAPI* ZVFormDrvSupportCapabilitiesProc)(ZVLPCSTR deviceName, ZVLONG mode, void* first,
                                                           void* second);
typedef ZVLONG(ZVDRVAPI* ZVFormPrinterSpecProc)(ZVLPCSTR deviceName, ZVLONG mode, ZVWORD modelId, void* target);
typedef ZVLONG(ZVDRVAPI* ZVFormHelpFileProc)(ZVLPCSTR deviceName, ZVLONG languageFlag, ZVLPSTR buffer);

#ifdef __cplusplus
}
#endif

#endif /* ZVLMN30E_DRIVER_H */
