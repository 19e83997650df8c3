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
 * keep no state between calls.
 *
 * Every entry point uses the standard Windows calling convention, is
 * exported under its undecorated name (list the names in the module's .def
 * file) and returns nonzero for success and 0 for failure. A 0 from any call
 * makes ZVLMN30E give up the whole question.
 *
 * Records shared with ZVLMN30E hold 32-bit pointers: the module is a 32-bit
 * module. All integers are little-endian.
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
 *   mode 1: target points at the printer specification block, zero-filled
 *           and laid out by ZVLMN30E from the sizes of mode 0. Fill the
 *           areas through the pointers that the block holds; never change
 *           the pointers.
 *
 *   The printer specification block:
 *
 *     offset 0   eleven 32-bit pointers p0 to p10 (44 bytes), set by ZVLMN30E
 *     offset 44  the areas, without gaps, in this order:
 *                  p0   2 * c0 bytes
 *                  p2   2 bytes
 *                  p3   2 * c5 bytes
 *                  p4   2 bytes
 *                  p5   2 bytes
 *                  p7   2 * c6 bytes
 *                  p8   2 * c7 bytes
 *                  p9   c8 bytes
 *                  p10  2 * c9 bytes
 *                  p1   16 * c1 bytes: the first paper table
 *                       c1 * c2 bytes: the name areas of its entries,
 *                       entry i's area i * c2 bytes into them
 *                  p6   16 * c3 bytes: the second paper table
 *                       c3 * c4 bytes: the name areas of its entries,
 *                       entry i's area i * c4 bytes into them
 *
 *     The block is 50 + 2 (c0 + c5 + c6 + c7 + c9) + c8 + c1 (16 + c2)
 *     + c3 (16 + c4) bytes long. The pointer of an empty area points where
 *     the area would begin.
 *
 *   A paper table entry (16 bytes):
 *
 *     offset 0   u16 paper width
 *     offset 2   u16 paper length
 *     offset 4   u16 third paper value
 *     offset 6   u16 fourth paper value
 *     offset 8   u16 paper code (the Windows paper number: 9 for A4,
 *                    256 for a user-defined size)
 *     offset 10  two bytes that ZVLMN30E does not read
 *     offset 12  32-bit pointer to the entry's name area, set by ZVLMN30E
 *                (null when the name areas have size 0)
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

#include <stdint.h>

#ifdef _WIN32
#define ZVDRVAPI __stdcall
#else
#define ZVDRVAPI
#endif

/* Size of the help file name buffer of ZVFormHelpFile. */
#define ZVDRV_HELP_BUFFER 261

/* Modes of ZVFormDrvSupportCapabilities and ZVFormPrinterSpec. */
#define ZVDRV_MODE_SIZES 0
#define ZVDRV_MODE_FILL 1

/* Language flags of ZVFormHelpFile. */
#define ZVDRV_HELP_LOCAL 0
#define ZVDRV_HELP_ENGLISH 1

/* Layout of the printer specification block. */
#define ZVDRV_SPEC_POINTERS 11
#define ZVDRV_SPEC_SIZES 10
#define ZVDRV_PAPER_ENTRY_SIZE 16
#define ZVDRV_PAPER_WIDTH 0
#define ZVDRV_PAPER_LENGTH 2
#define ZVDRV_PAPER_VALUE3 4
#define ZVDRV_PAPER_VALUE4 6
#define ZVDRV_PAPER_CODE 8
#define ZVDRV_PAPER_NAME_POINTER 12

#ifdef __cplusplus
extern "C" {
#endif

int32_t ZVDRVAPI ZVFormDrvSupportCapabilities(const char* deviceName, int32_t mode, void* first,
                                              void* second);
int32_t ZVDRVAPI ZVFormPrinterSpec(const char* deviceName, int32_t mode, uint16_t modelId, void* target);
int32_t ZVDRVAPI ZVFormHelpFile(const char* deviceName, int32_t languageFlag, char* buffer);

typedef int32_t(ZVDRVAPI* ZVFormDrvSupportCapabilitiesProc)(const char* deviceName, int32_t mode, void* first,
                                                            void* second);
typedef int32_t(ZVDRVAPI* ZVFormPrinterSpecProc)(const char* deviceName, int32_t mode, uint16_t modelId,
                                                 void* target);
typedef int32_t(ZVDRVAPI* ZVFormHelpFileProc)(const char* deviceName, int32_t languageFlag, char* buffer);

#ifdef __cplusplus
}
#endif

#endif /* ZVLMN30E_DRIVER_H */
