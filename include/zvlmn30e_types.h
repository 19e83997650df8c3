/*
 * Types and layout checks shared by zvlmn30e.h and zvlmn30e_driver.h.
 *
 * The module exists as a 32-bit (x86) and a 64-bit (x64) Windows DLL. Both
 * export the same names; the records the driver and the module share by
 * address differ only where they hold an address, which takes 4 bytes in the
 * one and 8 in the other. The headers describe both layouts: the compiler
 * picks the one of its target, and the layout assertions below make a build
 * for either target fail when a record is not laid out as documented.
 *
 * Included after <windows.h>, the exports are declared with the Windows
 * types (HWND, LONG, DWORD, WORD, LPCSTR, LPSTR, WINAPI); otherwise with the
 * portable types of <stdint.h> of the same sizes. Either way the calls are
 * the same: __stdcall on x86, the one calling convention of x64.
 */
#ifndef ZVLMN30E_TYPES_H
#define ZVLMN30E_TYPES_H

#include <stdint.h>

#if defined(_WIN64) || (defined(UINTPTR_MAX) && UINTPTR_MAX > 0xFFFFFFFFu)
#define ZV_POINTER_BYTES 8
#else
#define ZV_POINTER_BYTES 4
#endif

/* ZV_LAYOUT_ASSERT(condition, name): the build fails when the condition is
 * false. A negative array size works in C89, C99 and C++ alike. */
#define ZV_LAYOUT_ASSERT(condition, name) typedef char zv_layout_##name[(condition) ? 1 : -1]

#if defined(_WINDOWS_)
#define ZVAPI WINAPI
#define ZVDRVAPI WINAPI
typedef HWND ZVHWND;
typedef LONG ZVLONG;
typedef DWORD ZVDWORD;
typedef WORD ZVWORD;
typedef LPCSTR ZVLPCSTR;
typedef LPSTR ZVLPSTR;
#else
#ifdef _WIN32
#define ZVAPI __stdcall
#define ZVDRVAPI __stdcall
#else
#define ZVAPI
#define ZVDRVAPI
#endif
typedef void* ZVHWND;
typedef int32_t ZVLONG;
typedef uint32_t ZVDWORD;
typedef uint16_t ZVWORD;
typedef const char* ZVLPCSTR;
typedef char* ZVLPSTR;
#endif

ZV_LAYOUT_ASSERT(sizeof(void*) == ZV_POINTER_BYTES, pointer_bytes);
ZV_LAYOUT_ASSERT(sizeof(ZVLONG) == 4 && sizeof(ZVDWORD) == 4 && sizeof(ZVWORD) == 2, integer_sizes);

#endif /* ZVLMN30E_TYPES_H */
