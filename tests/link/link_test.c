/*
 * A driver's view of the import libraries: compiled with nothing but
 * zvlmn30e.h and linked against ZVLMN30E.lib (clang in MSVC mode, lld-link)
 * or libZVLMN30E.dll.a (mingw), never against the DLL. It refers to all
 * fourteen exports, so the loader must find each import among the DLL's
 * exports before it starts, and calls ZVGetFormListNum, run where there is no
 * form name list file: it prints the result and exits with 0 only when it is
 * 1 (the closing entry alone). No C runtime and no Windows headers: the
 * kernel32 functions are declared here, and with ZV_LINK_OWN_ENTRY it brings
 * its own entry point.
 */
#include "zvlmn30e.h"

__declspec(dllimport) void* __stdcall GetStdHandle(uint32_t which);
__declspec(dllimport) int32_t
    __stdcall WriteFile(void* file, const void* data, uint32_t size, uint32_t* written, void* overlapped);
__declspec(dllimport) void __stdcall ExitProcess(uint32_t code);

static void* const volatile exports[] = {
    (void*)ZVGetFormListNum, (void*)ZVGetFormList,       (void*)ZVSearchForm,     (void*)ZVGetOverlayForm,
    (void*)ZVSetDevOverlay,  (void*)ZVGetFormID,         (void*)ZVGetDevFormName, (void*)ZVPreviewForm,
    (void*)ZVErrorForm,      (void*)ZVDriverFormService, (void*)ZVSetFormConfirm, (void*)ZVFormDetailsDlg,
    (void*)ZVCreateFormDlg,  (void*)ZVEntryFormEditDlg};

static void Write(const char* text) {
  uint32_t length = 0, written = 0;
  while (text[length] != '\0') ++length;
  WriteFile(GetStdHandle((uint32_t)-11), text, length, &written, 0); /* STD_OUTPUT_HANDLE */
}

static int Check(void) {
  char digits[16];
  int at = (int)sizeof digits - 1;
  unsigned i;
  int32_t count;
  uint32_t magnitude;
  for (i = 0; i < sizeof exports / sizeof exports[0]; ++i) {
    if (exports[i] == 0) return Write("an export has no address\n"), 1;
  }
  count = ZVGetFormListNum();
  magnitude = count < 0 ? 0u - (uint32_t)count : (uint32_t)count;
  digits[at] = '\0';
  do {
    digits[--at] = (char)('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (count < 0) digits[--at] = '-';
  Write("ZVGetFormListNum() = ");
  Write(digits + at);
  Write(count == 1 ? "\n" : "\nexpected 1: the closing entry alone, with no form name list file\n");
  return count == 1 ? 0 : 1;
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
