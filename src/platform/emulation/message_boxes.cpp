// ShowMessageBox without a screen: recorded, then answered.
#include "platform/emulation/message_boxes.h"

#include <utility>

#include "platform/platform.h"

namespace plat {
namespace {

emulation::MessageBoxAnswerer& Answerer() {
  static emulation::MessageBoxAnswerer answerer;
  return answerer;
}

std::vector<emulation::MessageBoxRecord>& Records() {
  static std::vector<emulation::MessageBoxRecord> records;
  return records;
}

// The button that Enter presses: the default button of the box's button set.
int32_t DefaultButton(uint32_t style) {
  static const int32_t kButtons[][3] = {
      {1, 1, 1},  // MB_OK
      {1, 2, 2},  // MB_OKCANCEL
      {3, 4, 5},  // MB_ABORTRETRYIGNORE
      {6, 7, 2},  // MB_YESNOCANCEL
      {6, 7, 7},  // MB_YESNO
      {4, 2, 2},  // MB_RETRYCANCEL
  };
  const uint32_t set = style & 0xF;
  const uint32_t which = (style >> 8) & 0xF;
  if (set >= sizeof kButtons / sizeof kButtons[0]) return 1;
  return kButtons[set][which < 3 ? which : 0];
}

}  // namespace

namespace emulation {

void SetMessageBoxAnswerer(MessageBoxAnswerer answerer) {
  Answerer() = std::move(answerer);
}

const std::vector<MessageBoxRecord>& RecordedMessageBoxes() {
  return Records();
}

void ClearRecordedMessageBoxes() {
  Records().clear();
}

}  // namespace emulation

int32_t ShowMessageBox(void* owner, const char* text, const char* caption, uint32_t style) {
  emulation::MessageBoxRecord record{owner, text ? text : "", caption ? caption : "Error", style};
  Records().push_back(record);
  return Answerer() ? Answerer()(record) : DefaultButton(style);
}

}  // namespace plat
