/*
 * A driver's view of the import libraries: this program is compiled with
 * nothing but zvlmn30e.h and linked against ZVLMN30E.lib (clang in MSVC mode
 * and lld-link) or libZVLMN30E.dll.a (mingw), never against the DLL itself.
 *
 * It refers to all fourteen exports, so the loader must find every import
 * name the library recorded among the DLL's exports before the program
 * starts, and it calls ZVGetFormListNum. The test runs it where the catalogue
 * has no form name list file, where that call returns 1 (the closing entry
 * alone). It prints the result and exits with 0 only when it is 1.
 *
 * It needs no C runtime and no Windows headers: the three kernel32
 * functions it uses are declared here, and with ZV_LINK_OWN_ENTRY it brings
 * its own entry point (the MSVC-mode link has no C runtime to start it).
 */
#include "zvlmn30e.h"

#define ZV_IMPORT __declspec(dllimport)

ZV_IMPORT void* __stdcall GetStdHandle(uint32_t which);
ZV_IMPORT int32_t __stdcall WriteFile(void* file, const void* data, uint32_t size, uint32_t* written,
                                      void* overlapped);
ZV_IMPORT void __stdcall ExitProcess(uint32_t code);

/* STD_OUTPUT_HANDLE */
#define ZV_STDOUT ((uint32_t)-11)

/* The value ZVGetFormListNum gives when there is no form name list file. */
#define ZV_EMPTY_CATALOGUE_COUNT 1

/* Every export, through the names the header gives it. */
static void* const volatile exports[] = {
    (void*)ZVGetFormListNum, (void*)ZVGetFormList,       (void*)ZVSearchForm,     (void*)ZVGetOverlayForm,
    (void*)ZVSetDevOverlay,  (void*)ZVGetFormID,         (void*)ZVGetDevFormName, (void*)ZVPreviewForm,
    (void*)ZVErrorForm,      (void*)ZVDriverFormService, (void*)ZVSetFormConfirm, (void*)ZVFormDetailsDlg,
    (void*)ZVCreateFormDlg,  (void*)ZVEntryFormEditDlg};

static void Write(const char* text) {
  uint32_t length = 0;
  uint32_t written = 0;
  while (text[length] != '\0') ++length;
  WriteFile(GetStdHandle(ZV_STDOUT), text, length, &written, 0);
}

/* Decimal text of a signed value. */
static void WriteNumber(int32_t value) {
  char digits[16];
  int at = (int)sizeof digits - 1;
  uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
  digits[at] = '\0';
  do {
    digits[--at] = (char)('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) digits[--at] = '-';
  Write(digits + at);
}

static int Check(void) {
  unsigned i;
  int32_t count;
  for (i = 0; i < sizeof exports / sizeof exports[0]; ++i) {
    if (exports[i] == 0) {
      Write("an export has no address\n");
      return 1;
    }
  }
  count = ZVGetFormListNum();
  Write("ZVGetFormListNum() = ");
  WriteNumber(count);
  Write("\n");
  if (count != ZV_EMPTY_CATALOGUE_COUNT) {
    Write("expected 1: the closing entry alone, with no form name list file\n");
    return 1;
  }
  return 0;
}

#ifdef ZV_LINK_OWN_ENTRY
void __stdcall ZvLinkTestEntry(void) {
  ExitProcess((uint32_t)Check());
}
#else
int main(void) {
  return Check();
}
#endif
