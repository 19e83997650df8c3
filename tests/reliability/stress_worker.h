// One worker of the many-writer stress test: a process that runs a seeded
// random sequence of catalogue operations through the functions the driver
// and the dialogs call, and logs every call with its result and last error
// code. Natively a worker is a fork of the test program; under Wine a copy
// of it started with a filter that runs only the worker's entry test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zvstress {

struct WorkerPlan {
  int index = 0;
  uint32_t seed = 0;
  int operations = 0;
  std::string saveDir;  // the save directory of every named form, ends in a backslash
  std::string logPath;  // the log, written when the worker ends
  std::string goPath;   // the workers start their operations once this file exists
};

// One logged call. text is a group text or an overlay path; layer is a
// form's layer or, for captures, the settings variant. A note that begins
// with "BAD" is a wrong answer the worker saw at once.
struct LogEntry {
  std::string call;
  int64_t result = 0;
  uint32_t code = 0;
  int32_t id = 0;
  std::string name;
  std::string description;
  int layer = 0;
  std::string text;
  std::string note;
};

// The calls as they are logged.
constexpr char kChooseNamed[] = "ChooseFormId(named)";
constexpr char kChooseTakenName[] = "ChooseFormId(taken name)";
constexpr char kChooseFileEntry[] = "ChooseFormId(file entry)";
constexpr char kAddFormRecord[] = "AddFormRecord";
constexpr char kUpdateFormRecord[] = "UpdateFormRecord";
constexpr char kDeleteForm[] = "DeleteForm";
constexpr char kGetOverlayForm[] = "ZVGetOverlayForm";
constexpr char kErrorForm[] = "ZVErrorForm";
constexpr char kGetFormListNum[] = "ZVGetFormListNum";
constexpr char kGetFormList[] = "ZVGetFormList";
constexpr char kSearchForm[] = "ZVSearchForm";

constexpr int kSettingsVariants = 4;
// A driver settings block of A4 portrait: variant bit 0 gives 300 instead of
// 600 dpi, bit 1 colour instead of black.
std::string SettingsBlock(int variant);
// The variant of a captured 34-byte print settings record, or -1.
int VariantOfRecord(const unsigned char* record);

// The text of file entry k of worker w: the number of a stored overlay,
// unique to the pair.
std::string FileEntryNumber(int worker, int k);
// The prefix of the names of worker w's named forms.
std::string NamePrefix(int worker);

// Runs the plan in this process and writes its log; false when the log
// could not be written or the start signal never came.
bool RunStressWorker(const WorkerPlan& plan);

std::string FormatLog(const std::vector<LogEntry>& entries);
bool ParseLog(const std::string& text, std::vector<LogEntry>* entries);

// Starts a worker process running the plan; 0 on failure.
intptr_t StartWorker(const WorkerPlan& plan);
// Waits for it to end; true when it ended with success.
bool WaitForWorker(intptr_t process);

}  // namespace zvstress
