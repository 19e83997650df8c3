#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#endif

#include "reliability/stress_worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>

#include "dialogs/module_frame.h"
#include "maintenance/deletion.h"
#include "maintenance/form_registration.h"
#include "support/catalogue_files.h"
#include "support/message_boxes.h"
#include "zvlmn30e.h"

namespace zvstress {
namespace {

constexpr uint16_t kCapabilities[] = {1};

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

struct OwnForm {
  int32_t id;
  std::string name;
  std::vector<std::pair<int, std::string>> overlays;  // variant, path
};

struct OwnFileEntry {
  int32_t id;
  std::string number;
};

class Worker {
 public:
  explicit Worker(const WorkerPlan& plan) : plan_(plan), random_(plan.seed) {}

  void Run() {
    for (int n = 0; n < plan_.operations; ++n) {
      const uint32_t pick = Below(100);
      if (pick < 20) {
        AddNamedForm();
      } else if (pick < 23 && !forms_.empty()) {
        ChooseTakenName();
      } else if (pick < 35 && !forms_.empty()) {
        UpdateNamedForm();
      } else if (pick < 43 && !forms_.empty()) {
        DeleteNamedForm();
      } else if (pick < 51) {
        AddFileEntry();
      } else if (pick < 55 && !files_.empty()) {
        UpdateFileEntry();
      } else if (pick < 59 && !files_.empty()) {
        DeleteFileEntry();
      } else if (pick < 74 && !forms_.empty()) {
        Capture();
      } else if (pick < 82 && HasOverlay()) {
        Undo();
      } else if (pick < 92) {
        ReadList();
      } else if (pick < 100 && (!forms_.empty() || !files_.empty() || !seen_.empty())) {
        Search();
      } else {
        AddNamedForm();
      }
    }
  }

  const std::vector<LogEntry>& Log() const { return log_; }

 private:
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(random_() % n); }
  uint8_t Layer() { return static_cast<uint8_t>(1 + Below(2)); }
  std::string NewName() { return NamePrefix(plan_.index) + std::to_string(++names_); }
  std::string NewDescription() {
    return "desc " + std::to_string(plan_.index) + "." + std::to_string(++texts_);
  }
  bool HasOverlay() const {
    for (const OwnForm& f : forms_) {
      if (!f.overlays.empty()) return true;
    }
    return false;
  }

  LogEntry& Logged(const char* call, int64_t result) {
    LogEntry e;
    e.call = call;
    e.result = result;
    e.code = zv::GetLastErrorCode();
    log_.push_back(e);
    return log_.back();
  }

  void AddNamedForm() {
    const std::string name = NewName();
    int32_t id = 0;
    const bool chosen = zv::ChooseFormId(zv::kChooseNamedForm, name.c_str(), &id, nullptr);
    Logged(kChooseNamed, chosen).name = name;
    if (!chosen) return;
    const std::string description = NewDescription();
    const uint8_t layer = Layer();
    const bool added = zv::AddFormRecord(id, name.c_str(), description.c_str(), plan_.saveDir.c_str(), layer);
    LogEntry& e = Logged(kAddFormRecord, added);
    e.id = id;
    e.name = name;
    e.description = description;
    e.layer = layer;
    e.text = plan_.saveDir;
    if (added) forms_.push_back({id, name, {}});
  }

  void ChooseTakenName() {
    const OwnForm& form = forms_[Below(static_cast<uint32_t>(forms_.size()))];
    int32_t id = 0;
    const bool chosen = zv::ChooseFormId(zv::kChooseNamedForm, form.name.c_str(), &id, nullptr);
    LogEntry& e = Logged(kChooseTakenName, chosen);
    e.id = form.id;
    e.name = form.name;
  }

  void UpdateNamedForm() {
    OwnForm& form = forms_[Below(static_cast<uint32_t>(forms_.size()))];
    const std::string name = Below(2) ? NewName() : form.name;
    const std::string description = NewDescription();
    const uint8_t layer = Layer();
    // The save directory as the form's new place: a group info file keeps
    // its name in it.
    const bool updated =
        zv::UpdateFormRecord(form.id, name.c_str(), description.c_str(), plan_.saveDir.c_str(), layer);
    LogEntry& e = Logged(kUpdateFormRecord, updated);
    e.id = form.id;
    e.name = name;
    e.description = description;
    e.layer = layer;
    e.text = plan_.saveDir;
    if (updated) form.name = name;
  }

  void DeleteNamedForm() {
    const size_t at = Below(static_cast<uint32_t>(forms_.size()));
    const bool deleted = zv::DeleteForm(forms_[at].id);
    Logged(kDeleteForm, deleted).id = forms_[at].id;
    if (deleted) forms_.erase(forms_.begin() + static_cast<long>(at));
  }

  void AddFileEntry() {
    int32_t id = 0;
    uint32_t canAdd = 0;
    const bool chosen = zv::ChooseFormId(zv::kChooseFileEntry, nullptr, &id, &canAdd);
    LogEntry& choice = Logged(kChooseFileEntry, chosen);
    choice.id = id;
    choice.layer = static_cast<int>(canAdd);
    if (!chosen) return;
    if (!canAdd) {
      choice.note = "BAD: the ring is full after fewer than 256 file entries";
      return;
    }
    const std::string number = FileEntryNumber(plan_.index, ++fileEntries_);
    const std::string description = NewDescription();
    const uint8_t layer = Layer();
    const bool added = zv::AddFormRecord(id, "P", description.c_str(), number.c_str(), layer);
    LogEntry& e = Logged(kAddFormRecord, added);
    e.id = id;
    e.name = "P";
    e.description = description;
    e.layer = layer;
    e.text = number;
    if (added) files_.push_back({id, number});
  }

  void UpdateFileEntry() {
    const OwnFileEntry& entry = files_[Below(static_cast<uint32_t>(files_.size()))];
    const std::string description = NewDescription();
    const uint8_t layer = Layer();
    const bool updated =
        zv::UpdateFormRecord(entry.id, "P", description.c_str(), entry.number.c_str(), layer);
    LogEntry& e = Logged(kUpdateFormRecord, updated);
    e.id = entry.id;
    e.name = "P";
    e.description = description;
    e.layer = layer;
    e.text = entry.number;
  }

  void DeleteFileEntry() {
    const size_t at = Below(static_cast<uint32_t>(files_.size()));
    const bool deleted = zv::DeleteForm(files_[at].id);
    Logged(kDeleteForm, deleted).id = files_[at].id;
    if (deleted) files_.erase(files_.begin() + static_cast<long>(at));
  }

  void Capture() {
    OwnForm& form = forms_[Below(static_cast<uint32_t>(forms_.size()))];
    const int variant = static_cast<int>(Below(kSettingsVariants));
    const std::string block = SettingsBlock(variant);
    char path[ZV_PATH_BUFFER] = "";
    const int32_t result = ZVGetOverlayForm(block.data(), form.name.c_str(), form.id, path);
    LogEntry& e = Logged(kGetOverlayForm, result);
    e.id = form.id;
    e.layer = variant;
    e.text = path;
    if (result != 1) return;
    // Paths name the same file whatever their letter case.
    const std::string file = Upper(path);
    for (auto& overlay : form.overlays) {
      if (overlay.first == variant) {
        if (overlay.second != file)
          e.note = "BAD: another file for settings captured before: " + overlay.second;
        return;
      }
      if (overlay.second == file) {
        e.note = "BAD: the file of variant " + std::to_string(overlay.first) + " given again";
        return;
      }
    }
    form.overlays.emplace_back(variant, file);
  }

  void Undo() {
    std::vector<OwnForm*> candidates;
    for (OwnForm& f : forms_) {
      if (!f.overlays.empty()) candidates.push_back(&f);
    }
    OwnForm& form = *candidates[Below(static_cast<uint32_t>(candidates.size()))];
    const size_t at = Below(static_cast<uint32_t>(form.overlays.size()));
    const std::string path = form.overlays[at].second;
    const int32_t result = ZVErrorForm(form.id, path.c_str());
    LogEntry& e = Logged(kErrorForm, result);
    e.id = form.id;
    e.text = path;
    if (result == 1) form.overlays.erase(form.overlays.begin() + static_cast<long>(at));
  }

  // The list is complete when it ends with the closing entry; it must then
  // hold this worker's forms exactly, as the worker alone changes them.
  void ReadList() {
    const int32_t n = ZVGetFormListNum();
    Logged(kGetFormListNum, n);
    const int32_t wanted = (n > 0 ? n : 1) + 32;
    std::vector<ZVLONG> ids(static_cast<size_t>(wanted));
    std::vector<char> names(static_cast<size_t>(wanted) * ZV_NAME_SLOT);
    ZVDWORD count = 0;
    zvtest::MessageBoxWatcher boxes(zvtest::kIdOk);
    const int32_t result = ZVGetFormList(nullptr, 0, wanted - 1, 0, &count, ids.data(), names.data());
    LogEntry& e = Logged(kGetFormList, result);
    e.layer = static_cast<int>(count);
    if (!boxes.Boxes().empty()) e.note = "box: " + boxes.Boxes().front().text;
    if (result != 1 || count == 0 || count > static_cast<uint32_t>(wanted)) {
      e.note = "BAD: no list";
      return;
    }
    // The closing entry alone: the file was held by a writer, or there are
    // no named forms. (The error box of a held file is counted where it is
    // recorded; under Wine none is recorded in the worker processes.)
    if (count == 1) return;
    // A list without its closing entry was cut short: the count it was asked
    // for came from a call that found the file held.
    const bool complete = ids[count - 1] == 0;
    std::vector<std::pair<int32_t, std::string>> own;
    for (uint32_t k = 0; k + (complete ? 1 : 0) < count; ++k) {
      const std::string name(&names[k * ZV_NAME_SLOT], strnlen(&names[k * ZV_NAME_SLOT], ZV_NAME_SLOT));
      if (ids[k] <= 0) e.note = "BAD: a named form with identifier " + std::to_string(ids[k]);
      for (uint32_t j = 0; j < k; ++j) {
        if (ids[j] == ids[k]) e.note = "BAD: identifier " + std::to_string(ids[k]) + " twice in the list";
      }
      if (name.compare(0, NamePrefix(plan_.index).size(), NamePrefix(plan_.index)) == 0)
        own.emplace_back(ids[k], name);
    }
    std::vector<std::pair<int32_t, std::string>> expected;
    for (const OwnForm& f : forms_) expected.emplace_back(f.id, f.name);
    if (!complete) return;
    seen_.assign(ids.begin(), ids.begin() + count - 1);
    std::sort(own.begin(), own.end());
    std::sort(expected.begin(), expected.end());
    if (own != expected) e.note = "BAD: the list does not hold the worker's forms as they are";
  }

  void Search() {
    const std::string block = SettingsBlock(0);
    char path[ZV_PATH_BUFFER] = "untouched";
    uint16_t device = 0;
    const uint32_t pick = Below(3);
    if ((pick == 0 || (forms_.empty() && files_.empty())) && !seen_.empty()) {
      // Any form of the catalogue, so that the group info files of the other
      // workers' forms are read while they change them.
      const int32_t id = seen_[Below(static_cast<uint32_t>(seen_.size()))];
      Logged(kSearchForm, ZVSearchForm(block.data(), 1, kCapabilities, id, &device, path)).id = id;
    } else if (!forms_.empty() && (files_.empty() || pick != 2)) {
      const OwnForm& form = forms_[Below(static_cast<uint32_t>(forms_.size()))];
      const uint32_t result = ZVSearchForm(block.data(), 1, kCapabilities, form.id, &device, path);
      LogEntry& e = Logged(kSearchForm, result);
      e.id = form.id;
      e.text = path;
      if (result == 0) return;
      for (const auto& overlay : form.overlays) {
        if (overlay.second == Upper(path)) return;
      }
      e.note = "BAD: a path that is none of the form's overlays";
    } else if (!files_.empty()) {
      const OwnFileEntry& entry = files_[Below(static_cast<uint32_t>(files_.size()))];
      const uint32_t result = ZVSearchForm(block.data(), 1, kCapabilities, entry.id, &device, path);
      LogEntry& e = Logged(kSearchForm, result);
      e.id = entry.id;
      e.text = std::to_string(device);
      if (result != 0 && std::to_string(device) != entry.number)
        e.note = "BAD: device number " + std::to_string(device) + " for " + entry.number;
    }
  }

  WorkerPlan plan_;
  std::mt19937 random_;
  std::vector<OwnForm> forms_;
  std::vector<OwnFileEntry> files_;
  std::vector<LogEntry> log_;
  std::vector<int32_t> seen_;  // the named forms of the last complete list
  int names_ = 0;
  int texts_ = 0;
  int fileEntries_ = 0;
};

void SleepBriefly() {
#ifdef _WIN32
  Sleep(5);
#else
  const timespec pause{0, 5000000};
  nanosleep(&pause, nullptr);
#endif
}

std::string Field(const std::string& text) {
  std::string out;
  for (char c : text) out += (c == '\t' || c == '\n') ? ' ' : c;
  return out;
}

#ifdef _WIN32
constexpr char kWorkerVariable[] = "ZV_STRESS_WORKER";
#endif

}  // namespace

std::string SettingsBlock(int variant) {
  zvtest::DriverSettingsBlock b;
  b.resolution = (variant & 1) ? 300 : 600;
  b.colour = (variant & 2) ? 1 : 2;
  return b.Bytes();
}

int VariantOfRecord(const unsigned char* record) {
  const uint16_t resolution = static_cast<uint16_t>(record[17] | record[18] << 8);
  const uint8_t colour = record[19];
  if ((resolution != 300 && resolution != 600) || (colour != 1 && colour != 2)) return -1;
  return (resolution == 300 ? 1 : 0) | (colour == 1 ? 2 : 0);
}

std::string FileEntryNumber(int worker, int k) {
  return std::to_string(1000 * (worker + 1) + k);
}

std::string NamePrefix(int worker) {
  return "W" + std::to_string(worker) + "-";
}

bool RunStressWorker(const WorkerPlan& plan) {
  bool go = false;
  for (int n = 0; n < 12000 && !go; ++n) {
    go = zvtest::FileExists(plan.goPath);
    if (!go) SleepBriefly();
  }
  if (!go) return false;
  Worker worker(plan);
  worker.Run();
  return zvtest::WriteWholeFile(plan.logPath, FormatLog(worker.Log()));
}

std::string FormatLog(const std::vector<LogEntry>& entries) {
  std::string out;
  for (const LogEntry& e : entries) {
    out += Field(e.call) + '\t' + std::to_string(e.result) + '\t' + std::to_string(e.code) + '\t' +
           std::to_string(e.id) + '\t' + Field(e.name) + '\t' + Field(e.description) + '\t' +
           std::to_string(e.layer) + '\t' + Field(e.text) + '\t' + Field(e.note) + '\n';
  }
  return out;
}

bool ParseLog(const std::string& text, std::vector<LogEntry>* entries) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      f.push_back(line.substr(start, tab - start));
    f.push_back(line.substr(start));
    if (f.size() != 9) return false;
    LogEntry e;
    e.call = f[0];
    e.result = std::strtoll(f[1].c_str(), nullptr, 10);
    e.code = static_cast<uint32_t>(std::strtoul(f[2].c_str(), nullptr, 10));
    e.id = static_cast<int32_t>(std::strtol(f[3].c_str(), nullptr, 10));
    e.name = f[4];
    e.description = f[5];
    e.layer = std::atoi(f[6].c_str());
    e.text = f[7];
    e.note = f[8];
    entries->push_back(e);
  }
  return true;
}

#ifdef _WIN32

intptr_t StartWorker(const WorkerPlan& plan) {
  const std::string value = std::to_string(plan.index) + "\t" + std::to_string(plan.seed) + "\t" +
                            std::to_string(plan.operations) + "\t" + plan.saveDir + "\t" + plan.logPath +
                            "\t" + plan.goPath;
  SetEnvironmentVariableA(kWorkerVariable, value.c_str());
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  std::string command =
      std::string("\"") + exe + "\" --gtest_filter=StressWorker.DISABLED_Run --gtest_also_run_disabled_tests";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const BOOL started =
      CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
  SetEnvironmentVariableA(kWorkerVariable, nullptr);
  if (!started) return 0;
  CloseHandle(info.hThread);
  return reinterpret_cast<intptr_t>(info.hProcess);
}

bool WaitForWorker(intptr_t process) {
  HANDLE h = reinterpret_cast<HANDLE>(process);
  DWORD code = 1;
  const bool ended = WaitForSingleObject(h, 180000) == WAIT_OBJECT_0 && GetExitCodeProcess(h, &code);
  CloseHandle(h);
  return ended && code == 0;
}

#else

intptr_t StartWorker(const WorkerPlan& plan) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) _exit(RunStressWorker(plan) ? 0 : 1);
  return pid > 0 ? pid : 0;
}

bool WaitForWorker(intptr_t process) {
  int status = 0;
  return waitpid(static_cast<pid_t>(process), &status, 0) == process && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

#endif

}  // namespace zvstress

#ifdef _WIN32
// The entry of a worker process: the test program started again with a
// filter that selects this test and the plan in its environment.
TEST(StressWorker, DISABLED_Run) {
  const char* value = std::getenv("ZV_STRESS_WORKER");
  ASSERT_NE(value, nullptr);
  std::vector<std::string> f;
  std::string text = value;
  size_t start = 0;
  for (size_t tab; (tab = text.find('\t', start)) != std::string::npos; start = tab + 1)
    f.push_back(text.substr(start, tab - start));
  f.push_back(text.substr(start));
  ASSERT_EQ(f.size(), 6u);
  zvstress::WorkerPlan plan;
  plan.index = std::atoi(f[0].c_str());
  plan.seed = static_cast<uint32_t>(std::strtoul(f[1].c_str(), nullptr, 10));
  plan.operations = std::atoi(f[2].c_str());
  plan.saveDir = f[3];
  plan.logPath = f[4];
  plan.goPath = f[5];
  EXPECT_TRUE(zvstress::RunStressWorker(plan));
}
#endif
