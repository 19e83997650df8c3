// The message boxes the code under test shows, seen and answered: under Wine the real box through a CBT
// hook, natively through the platform's recorder.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zvtest {

constexpr int kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7;

struct SeenBox {
  std::string text, caption;
  std::vector<int> buttons;  // ids of the buttons offered, ascending
  bool stopIcon = false, questionIcon = false, exclamationIcon = false;
};

// While it lives, this thread's boxes are recorded and answered in turn, the last answer for every box after.
class MessageBoxWatcher {
 public:
  explicit MessageBoxWatcher(int answer) : MessageBoxWatcher(std::vector<int>{answer}) {}
  explicit MessageBoxWatcher(std::vector<int> answers);
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  const std::vector<SeenBox>& Boxes() const { return boxes_; }
  int Answer() const;  // the answer for the box recorded last
  // What another process does while each box is open, before it is answered.
  void WhileOpen(std::function<void()> action) { whileOpen_ = std::move(action); }
  void Record(SeenBox box) {
    boxes_.push_back(std::move(box));
    if (whileOpen_) whileOpen_();
  }

 private:
  std::vector<int> answers_;
  std::vector<SeenBox> boxes_;
  std::function<void()> whileOpen_;
  void* hook_ = nullptr;
};

#ifdef _WIN32
// A window's text (asked with a timeout), whether it is of the class, and what a box window shows.
std::string WindowText(void* window);
bool IsClass(void* window, const char* name);
SeenBox ReadBox(void* window);
#endif

}  // namespace zvtest
