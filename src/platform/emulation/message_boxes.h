// Message boxes where there is no screen (the posix and memory backends):
// ShowMessageBox records each box and answers it through the answerer, or,
// when none is set, with the button that Enter presses. Each backend's
// configuration header names these functions as its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace plat::emulation {

struct MessageBoxRecord {
  void* owner;
  std::string text;
  std::string caption;
  uint32_t style;
};
using MessageBoxAnswerer = std::function<int32_t(const MessageBoxRecord&)>;

void SetMessageBoxAnswerer(MessageBoxAnswerer answerer);
const std::vector<MessageBoxRecord>& RecordedMessageBoxes();
void ClearRecordedMessageBoxes();

}  // namespace plat::emulation
