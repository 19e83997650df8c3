#include "dialogs/dialog_frame.h"

#include <cstring>

#include "dialogs/module_frame.h"
#include "platform/platform.h"

namespace zv {
namespace {

// Shared by all nested dialogs of one exported dialog call.
HBRUSH g_dialogBrush = nullptr;

HINSTANCE ModuleInstance() {
  return static_cast<HINSTANCE>(plat::GetModuleInstance());
}

}  // namespace

void ChooseTemplateName(const char* baseName, char* name) {
  const char* prefix = UseLocalResources() ? "" : "W_";
  const size_t prefixLength = std::strlen(prefix);
  std::memcpy(name, prefix, prefixLength);
  const size_t room = kTemplateNameSize - 1 - prefixLength;
  size_t length = std::strlen(baseName);
  if (length > room) length = room;
  std::memcpy(name + prefixLength, baseName, length);
  name[prefixLength + length] = '\0';
}

INT_PTR RunDialog(const char* baseName, HWND owner, DLGPROC procedure, void* context) {
  char name[kTemplateNameSize];
  ChooseTemplateName(baseName, name);
  return DialogBoxParamA(ModuleInstance(), name, owner, procedure, reinterpret_cast<LPARAM>(context));
}

void CreateDialogBrush() {
  g_dialogBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
}

void DeleteDialogBrush() {
  if (g_dialogBrush) DeleteObject(g_dialogBrush);
  g_dialogBrush = nullptr;
}

HBRUSH DialogBrush() {
  return g_dialogBrush;
}

INT_PTR AnswerControlColour(WPARAM deviceContext) {
  SetBkMode(reinterpret_cast<HDC>(deviceContext), TRANSPARENT);
  return reinterpret_cast<INT_PTR>(g_dialogBrush);
}

int AskQuestion(HWND owner, uint32_t messageId) {
  char text[kMessageBufferSize];
  LoadMessage(messageId, text, sizeof text);
  return MessageBoxA(owner, text, kBoxCaption, kStyleQuestion);
}

void ShowNumberBox(HWND owner, uint32_t messageId, long number, char* scratch) {
  char format[kMessageBufferSize];
  LoadMessage(messageId, format, sizeof format);
  wsprintfA(scratch, format, number);
  MessageBoxA(owner, scratch, kBoxCaption, kStyleIconHand);
}

void SetMessageText(HWND dialog, int controlId, uint32_t messageId) {
  char text[kMessageBufferSize];
  LoadMessage(messageId, text, sizeof text);
  SetDlgItemTextA(dialog, controlId, text);
}

}  // namespace zv
