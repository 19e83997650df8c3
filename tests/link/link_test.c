/*
 * A driver's view of the import libraries: built with zvlmn30e.h alone and linked against
 * ZVLMN30E.lib (clang in MSVC mode, lld-link) or libZVLMN30E.dll.a (mingw), never the DLL. It
 * refers to all fourteen exports, so the loader must resolve each before it starts, and exits
 * with 0 only when ZVGetFormListNum, with no form name list file, gives 1 (the closing entry
 * alone). No C runtime or Windows headers: kernel32 is declared here, and with ZV_LINK_OWN_ENTRY
 * it brings its own entry point.
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

static int Check(void) {
  const char* text = "ZVGetFormListNum() = 1\n";
  uint32_t length = 0, written = 0;
  unsigned i;
  int failed = 0;
  for (i = 0; i < sizeof exports / sizeof exports[0]; ++i) failed |= exports[i] == 0;
  if (failed)
    text = "an export has no address\n";
  else if ((failed = ZVGetFormListNum() != 1))
    text = "ZVGetFormListNum() is not 1, the closing entry alone with no form name list file\n";
  while (text[length] != '\0') ++length;
  WriteFile(GetStdHandle((uint32_t)-11), text, length, &written, 0); /* STD_OUTPUT_HANDLE */
  return failed;
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
