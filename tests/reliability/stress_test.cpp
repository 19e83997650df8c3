// Several processes add, change, capture into, undo and delete forms and
// file entries on one catalogue at once, each logging every call. A failure
// must carry the code its operation gives for a file another process holds;
// afterwards every catalogue file is parsed byte by byte, every reader must
// agree with it, and it must hold exactly what the logs' successful calls
// imply. Then the races found that way, made to happen for certain.
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#endif
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "dialogs/module_frame.h"
#include "maintenance/deletion.h"
#include "maintenance/form_registration.h"
#include "support/catalogue_files.h"
#include "support/message_boxes.h"
#include "support/other_process.h"
#include "zvlmn30e.h"

namespace zvtest {
namespace {

constexpr int kWorkers = 6, kOperations = 150;
constexpr uint32_t kSeed = 20261207;
const uint16_t kCaps[] = {1};

// A4 portrait: variant bit 0 gives 300 instead of 600 dpi, bit 1 colour.
std::string SettingsBlock(int variant) {
  DriverSettingsBlock b;
  b.resolution = (variant & 1) ? 300 : 600;
  b.colour = (variant & 2) ? 1 : 2;
  return b.Bytes();
}
int VariantOf(const std::string& record) {
  const int dpi = static_cast<uint8_t>(record[17]) | static_cast<uint8_t>(record[18]) << 8, colour = record[19];
  return (dpi != 300 && dpi != 600) || (colour != 1 && colour != 2) ? -1 : (dpi == 300) | (colour == 1) << 1;
}
std::string Prefix(int worker) { return "W" + std::to_string(worker) + "-"; }

// One logged call. layer: a form's layer, a capture's settings variant or a
// list's count; text: a group text or an overlay path; a note that begins
// with "BAD" is a wrong answer the worker saw at once.
struct Entry {
  std::string call;
  int64_t result = 0;
  uint32_t code = 0;
  int32_t id = 0;
  std::string name, description;
  int layer = 0;
  std::string text, note;
};

std::string FormatLog(const std::vector<Entry>& log) {
  std::ostringstream out;
  for (const Entry& e : log) {
    out << e.call << '\t' << e.result << '\t' << e.code << '\t' << e.id << '\t' << e.name << '\t' << e.description
        << '\t' << e.layer << '\t' << e.text << '\t' << e.note << '\n';
  }
  return out.str();
}
std::vector<Entry> ParseLog(const std::string& text) {
  std::vector<Entry> log;
  std::istringstream lines(text);
  for (std::string line, f[9]; std::getline(lines, line);) {
    std::istringstream fields(line);
    for (std::string& field : f) std::getline(fields, field, '\t');
    log.push_back({f[0], std::stoll(f[1]), static_cast<uint32_t>(std::stoul(f[2])), std::stoi(f[3]), f[4], f[5],
                   std::stoi(f[6]), f[7], f[8]});
  }
  return log;
}

// A worker: a seeded random run of the calls the driver and the dialogs make.
// Names and file entry numbers are the worker's own, so that it can check
// its captures, searches and complete lists at once.
class Worker {
 public:
  Worker(int index, const std::string& saveDir) : w_(index), dir_(saveDir), random_(kSeed + index) {}
  std::vector<Entry> Run() {
    for (int n = 0; n < kOperations; ++n) {
      const uint32_t pick = Below(100);
      const bool forms = !forms_.empty(), files = !files_.empty();
      const std::string name = NewName();
      if (pick < 20) Record(Choose(name, "ChooseFormId(named)"), name, dir_, nullptr);
      else if (pick < 23 && forms) Choose(Any(forms_).name, "ChooseFormId(taken name)");
      else if (pick < 35 && forms) Update(Any(forms_), Below(2) ? name : "");
      else if (pick < 43 && forms) Delete(&forms_);
      else if (pick < 51) Record(Choose("", "ChooseFormId(file entry)"), "P", std::to_string(1000 * w_ + n + 1000), nullptr);
      else if (pick < 55 && files) Update(Any(files_), "");
      else if (pick < 59 && files) Delete(&files_);
      else if (pick < 74 && forms) Capture(Any(forms_));
      else if (pick < 82 && Captured()) Undo();
      else if (pick < 92) ReadList();
      else if (pick < 100 && (forms || files || !seen_.empty())) Search();
      else Record(Choose(name, "ChooseFormId(named)"), name, dir_, nullptr);
    }
    return log_;
  }

 private:
  struct Form {
    int32_t id;
    std::string name;  // "P" for a file entry
    std::string text;  // save directory, or the file entry's number
    std::vector<std::pair<int, std::string>> overlays;  // variant, upper-case path
  };
  uint32_t Below(size_t n) { return static_cast<uint32_t>(random_() % n); }
  Form& Any(std::vector<Form>& from) { return from[Below(from.size())]; }
  std::string NewName() { return Prefix(w_) + std::to_string(++names_); }
  void Update(Form& f, const std::string& name) { Record(f.id, name.empty() ? f.name : name, f.text, &f); }
  bool Captured() const {
    return std::any_of(forms_.begin(), forms_.end(), [](const Form& f) { return !f.overlays.empty(); });
  }
  Entry& Log(const std::string& call, int64_t result, int32_t id) {
    log_.push_back({call, result, zv::GetLastErrorCode(), id});
    return log_.back();
  }
  int32_t Choose(const std::string& name, const char* call) {
    int32_t id = 0;
    uint32_t canAdd = 1;
    const bool file = name.empty();
    Entry& e = Log(call, zv::ChooseFormId(file ? zv::kChooseFileEntry : zv::kChooseNamedForm,
                                          file ? nullptr : name.c_str(), &id, file ? &canAdd : nullptr), id);
    if (e.result && !canAdd) e.note = "BAD: the ring is full after fewer than 256 file entries";
    return e.result && canAdd ? id : 0;
  }
  // AddFormRecord after ChooseFormId, as the dialogs add (f null), or UpdateFormRecord of f.
  void Record(int32_t id, const std::string& name, const std::string& text, Form* f) {
    if (!id) return;
    Entry e{f ? "UpdateFormRecord" : "AddFormRecord", 0, 0, id, name,
            "desc " + std::to_string(w_) + "." + std::to_string(++texts_), static_cast<int>(1 + Below(2)), text};
    const char* d = e.description.c_str();
    const auto layer = static_cast<uint8_t>(e.layer);
    e.result = f ? zv::UpdateFormRecord(id, name.c_str(), d, text.c_str(), layer)
                 : zv::AddFormRecord(id, name.c_str(), d, text.c_str(), layer);
    e.code = zv::GetLastErrorCode();
    log_.push_back(e);
    if (e.result && f) f->name = name;
    if (e.result && !f) (id > 0 ? forms_ : files_).push_back({id, name, text, {}});
  }
  void Delete(std::vector<Form>* from) {
    const size_t at = Below(from->size());
    if (Log("DeleteForm", zv::DeleteForm((*from)[at].id), (*from)[at].id).result) from->erase(from->begin() + at);
  }
  void Capture(Form& f) {
    const int variant = static_cast<int>(Below(4));
    char path[ZV_PATH_BUFFER] = "";
    Entry& e = Log("ZVGetOverlayForm", ZVGetOverlayForm(SettingsBlock(variant).data(), f.name.c_str(), f.id, path), f.id);
    e.layer = variant, e.text = path;
    if (e.result != 1) return;
    for (const auto& [v, file] : f.overlays) {  // paths name one file whatever their letter case
      if (v == variant && file != Upper(path)) e.note = "BAD: another file for settings captured before: " + file;
      if (v != variant && file == Upper(path)) e.note = "BAD: the file of variant " + std::to_string(v) + " again";
      if (v == variant || file == Upper(path)) return;
    }
    f.overlays.emplace_back(variant, Upper(path));
  }
  void Undo() {
    std::vector<Form*> with;
    for (Form& f : forms_) {
      if (!f.overlays.empty()) with.push_back(&f);
    }
    Form& f = *with[Below(with.size())];
    const size_t at = Below(f.overlays.size());
    Entry& e = Log("ZVErrorForm", ZVErrorForm(f.id, f.overlays[at].second.c_str()), f.id);
    e.text = f.overlays[at].second;
    if (e.result == 1) f.overlays.erase(f.overlays.begin() + at);
  }
  // A list that ends with the closing entry is complete: it must then hold
  // this worker's forms exactly, as the worker alone changes them.
  void ReadList() {
    const int32_t n = ZVGetFormListNum(), wanted = std::max(n, 1) + 32;
    Log("ZVGetFormListNum", n, 0);
    std::vector<ZVLONG> ids(wanted);
    std::vector<char> names(wanted * ZV_NAME_SLOT);
    ZVDWORD count = 0;
    MessageBoxWatcher boxes(kIdOk);
    Entry& e = Log("ZVGetFormList", ZVGetFormList(nullptr, 0, wanted - 1, 0, &count, ids.data(), names.data()), 0);
    e.layer = static_cast<int>(count);
    if (!boxes.Boxes().empty()) e.note = "box: " + boxes.Boxes().front().text;
    if (e.result != 1 || count == 0 || count > static_cast<ZVDWORD>(wanted)) e.note = "BAD: no list";
    // The closing entry alone: the file was held, or there are no named forms.
    if (e.result != 1 || count <= 1 || count > static_cast<ZVDWORD>(wanted)) return;
    const bool complete = ids[count - 1] == 0;
    std::vector<std::pair<int32_t, std::string>> own, expected;
    for (uint32_t k = 0; k + complete < count; ++k) {
      const std::string name(&names[k * ZV_NAME_SLOT], strnlen(&names[k * ZV_NAME_SLOT], ZV_NAME_SLOT));
      if (ids[k] <= 0) e.note = "BAD: a named form with identifier " + std::to_string(ids[k]);
      if (std::count(ids.begin(), ids.begin() + k, ids[k])) e.note = "BAD: identifier twice in the list";
      if (name.compare(0, Prefix(w_).size(), Prefix(w_)) == 0) own.emplace_back(ids[k], name);
    }
    if (!complete) return;  // cut short: the count came from a call that found the file held
    seen_.assign(ids.begin(), ids.begin() + count - 1);
    for (const Form& f : forms_) expected.emplace_back(f.id, f.name);
    std::sort(own.begin(), own.end()), std::sort(expected.begin(), expected.end());
    if (own != expected) e.note = "BAD: the list does not hold the worker's forms as they are";
  }
  // Any listed form, so that other workers' groups are read while they
  // change; or one of its own, whose answer it knows.
  void Search() {
    char path[ZV_PATH_BUFFER] = "";
    uint16_t device = 0;
    const uint32_t pick = Below(3);
    const bool any = (pick == 0 || (forms_.empty() && files_.empty())) && !seen_.empty();
    const bool named = !any && !forms_.empty() && (files_.empty() || pick != 2);
    const Form* f = any ? nullptr : named ? &Any(forms_) : &Any(files_);
    const int32_t id = f ? f->id : seen_[Below(seen_.size())];
    Entry& e = Log("ZVSearchForm", ZVSearchForm(SettingsBlock(0).data(), 1, kCaps, id, &device, path), id);
    if (!f || !e.result) return;
    e.text = named ? path : std::to_string(device);
    const bool known = std::any_of(f->overlays.begin(), f->overlays.end(),
                                   [&](const auto& o) { return o.second == Upper(path); });
    if (named ? !known : e.text != f->text) e.note = "BAD: an answer that is none of the form's: " + e.text;
  }

  int w_;
  std::string dir_;
  std::mt19937 random_;
  std::vector<Form> forms_, files_;
  std::vector<Entry> log_;
  std::vector<int32_t> seen_;  // the named forms of the last complete list
  int names_ = 0, texts_ = 0;
};

// Waits for the start signal, runs, and leaves the log beside it.
bool RunWorker(int index, const std::string& dir) {
  for (int n = 0; n < 12000 && !FileExists(dir + "go"); ++n) {
#ifdef _WIN32
    Sleep(5);
#else
    const timespec pause{0, 5000000};
    nanosleep(&pause, nullptr);
#endif
  }
  if (!FileExists(dir + "go")) return false;
  return WriteWholeFile(dir + "worker" + std::to_string(index) + ".log",
                        FormatLog(Worker(index, dir + "FORMS\\").Run()));
}

#ifdef _WIN32
// Under Wine a worker is this program again, run with a filter that selects
// only the worker's entry and its plan in the environment.
TEST(StressWorker, DISABLED_Run) {
  const char* plan = std::getenv("ZV_STRESS_WORKER");
  ASSERT_NE(plan, nullptr);
  EXPECT_TRUE(RunWorker(std::atoi(plan), std::strchr(plan, '\t') + 1));
}
intptr_t StartWorker(int index, const std::string& dir) {
  SetEnvironmentVariableA("ZV_STRESS_WORKER", (std::to_string(index) + "\t" + dir).c_str());
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  std::string command = std::string("\"") + exe + "\" --gtest_filter=StressWorker.DISABLED_Run "
                                                  "--gtest_also_run_disabled_tests";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
  SetEnvironmentVariableA("ZV_STRESS_WORKER", nullptr);
  if (!started) return 0;
  CloseHandle(info.hThread);
  return reinterpret_cast<intptr_t>(info.hProcess);
}
bool WaitForWorker(intptr_t process) {
  DWORD code = 1;
  const HANDLE h = reinterpret_cast<HANDLE>(process);
  const bool ended = WaitForSingleObject(h, 180000) == WAIT_OBJECT_0 && GetExitCodeProcess(h, &code);
  CloseHandle(h);
  return ended && code == 0;
}
#else
intptr_t StartWorker(int index, const std::string& dir) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) _exit(RunWorker(index, dir) ? 0 : 1);
  return pid > 0 ? pid : 0;
}
bool WaitForWorker(intptr_t pid) {
  int status = 0;
  return waitpid(static_cast<pid_t>(pid), &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
#endif

uint32_t U32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (size_t i = 4; i-- > 0;) v = v << 8 | (at + i < b.size() ? static_cast<uint8_t>(b[at + i]) : 0u);
  return v;
}
uint32_t U16(const std::string& b, size_t at) { return U32(b, at) & 0xFFFF; }
// The text of a u16-length pool entry at offset o of a pool of the given size, if in bounds.
bool Pooled(const std::string& b, size_t pool, uint64_t size, uint64_t o, std::string* text) {
  if (o + 2 > size || o + 2 + U16(b, pool + o) > size) return false;
  *text = b.substr(pool + o + 2, U16(b, pool + o));
  return true;
}

// The codes each call may fail with while another process holds a file it
// needs; a call not listed never fails.
const std::map<std::string, std::set<uint32_t>> kHeldCodes{
    {"ChooseFormId(named)", {404}}, {"ChooseFormId(taken name)", {404, 406}}, {"ChooseFormId(file entry)", {404}},
    {"AddFormRecord", {404}},       {"UpdateFormRecord", {0}},                {"DeleteForm", {407}},
    {"ZVGetOverlayForm", {0, 404}}, {"ZVErrorForm", {0}},                     {"ZVSearchForm", {0, 1, 2, 3}}};
bool Succeeded(const Entry& e) {
  if (e.call == "ChooseFormId(taken name)") return false;  // always refused
  return e.call == "ZVGetFormListNum" ? e.result >= 1 : e.result != 0;
}

struct Record {
  std::string name, description, text;
  int layer = 0, worker = 0;
  std::map<std::string, int> overlays;  // upper-case path, settings variant
  bool operator==(const Record& o) const {
    return name == o.name && description == o.description && text == o.text && layer == o.layer;
  }
};

class StressTest : public CatalogueTest {
 protected:
  std::string Fgp(int32_t id) const {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03X", static_cast<unsigned>(id) & 0xFFF);
    return Upper(Path("FORMS\\")) + "_F3" + digits + ".FGP";
  }
  // A form's group info file: sound, listing exactly the logs' overlays, each on disk.
  void CheckGroup(int32_t id, const Record& form) {
    std::string b, name;
    if (!ReadWholeFile(Fgp(id), &b)) {
      EXPECT_TRUE(form.overlays.empty()) << "form " << id << " has no group info file";
      return;
    }
    ASSERT_EQ(b.substr(0, 24), "ZEVROFORM GROUPINFO V1.0") << id;
    const uint32_t entries = U32(b, 52), strings = U32(b, 56), pool = U32(b, 60);
    ASSERT_EQ(b.size(), 64ull + 38ull * entries + 4ull * strings + pool) << id;
    const size_t table = 64 + 38 * entries;
    auto text = [&](uint32_t s, std::string* out) {
      return s < strings && Pooled(b, table + 4 * strings, pool, U32(b, table + 4 * s), out);
    };
    for (size_t slot : {24, 28, 48}) EXPECT_TRUE(U32(b, slot) == ~0u || text(U32(b, slot), &name)) << id;
    std::map<std::string, int> found;
    std::set<uint32_t> indexes;
    for (uint32_t i = 0; i < entries; ++i) {
      const uint32_t s = U32(b, 64 + 38 * i + 34);
      ASSERT_TRUE(text(s, &name)) << id << ": entry " << i << " names string " << s;
      EXPECT_TRUE(indexes.insert(s).second) << id << ": string " << s << " named twice";
      const std::string file = Upper(Path("FORMS\\") + name);
      EXPECT_TRUE(FileExists(file)) << id << " lists " << file << ", which is gone";
      EXPECT_TRUE(found.emplace(file, VariantOf(b.substr(64 + 38 * i, 34))).second) << id << ": " << file << " twice";
    }
    EXPECT_EQ(found, form.overlays) << "the overlays of form " << id;
  }
};

TEST_F(StressTest, ProcessesWritingOneCatalogueKeepItWhole) {
  ASSERT_TRUE(plat::CreateDirectory(Path("FORMS").c_str()));
  std::vector<intptr_t> processes;
  for (int w = 0; w < kWorkers; ++w) {
    processes.push_back(StartWorker(w, Dir()));
    ASSERT_NE(processes.back(), 0) << "worker " << w << " did not start";
  }
  ASSERT_TRUE(WriteWholeFile(Path("go"), "go"));
  for (int w = 0; w < kWorkers; ++w) EXPECT_TRUE(WaitForWorker(processes[w])) << "worker " << w;

  // Every call succeeded or failed with its code; each worker's successful
  // calls replayed on the model of the catalogue.
  std::map<int32_t, Record> model;
  std::map<std::string, std::map<std::string, int>> figures;  // call: outcome, count
  for (int w = 0; w < kWorkers; ++w) {
    std::string text;
    ASSERT_TRUE(ReadWholeFile(Path("worker" + std::to_string(w) + ".log"), &text)) << "worker " << w;
    std::map<int32_t, Record> own;
    for (const Entry& e : ParseLog(text)) {
      const std::string where = "worker " + std::to_string(w) + ": " + e.call + " of " + std::to_string(e.id);
      EXPECT_NE(e.note.compare(0, 3, "BAD"), 0) << where << ": " << e.note;
      ++figures[e.call][Succeeded(e) ? "succeeded" : "failed with " + std::to_string(e.code)];
      if (e.note.compare(0, 4, "box:") == 0) ++figures[e.call]["error boxes"];
      if (!Succeeded(e)) {
        const auto allowed = kHeldCodes.find(e.call);
        EXPECT_TRUE(allowed != kHeldCodes.end() && allowed->second.count(e.code)) << where << ", code " << e.code;
      } else if (e.call == "AddFormRecord" || e.call == "UpdateFormRecord") {
        Record& r = own[e.id];
        r.name = e.name, r.description = e.description, r.text = e.text, r.layer = e.layer, r.worker = w;
      } else if (e.call == "DeleteForm") {
        own.erase(e.id);
      } else if (e.call == "ZVGetOverlayForm") {
        own[e.id].overlays[Upper(e.text)] = e.layer;
      } else if (e.call == "ZVErrorForm") {
        own[e.id].overlays.erase(Upper(e.text));
      }
    }
    for (const auto& [id, r] : own) {
      EXPECT_FALSE(model.count(id)) << id << " was added by workers " << model[id].worker << " and " << w
                                    << ", and neither deleted it";
      model[id] = r;
    }
  }
  for (const auto& [call, outcomes] : figures) {
    std::string line;
    for (const auto& [outcome, count] : outcomes) line += outcome + " " + std::to_string(count) + ", ";
    std::printf("%s: %s\n", call.c_str(), line.c_str());
    RecordProperty(call, line);
  }

  // The list files parsed byte by byte, the records exactly the model's.
  std::string flt, glt;
  if (!ReadWholeFile(FormListPath(), &flt)) {
    EXPECT_TRUE(model.empty()) << "the form name list file is gone";
    return;
  }
  ASSERT_TRUE(ReadWholeFile(GroupListPath(), &glt));
  ASSERT_EQ(flt.substr(0, 27), "ZEVROFORM FORMNAMEINFO V1.0");
  const uint32_t named = U32(flt, 27), all = named + U16(flt, 31);
  ASSERT_EQ(flt.size(), 35ull + 290ull * all);
  ASSERT_EQ(glt.substr(0, 28), "ZEVROFORM GROUPNAMEINFO V1.0");
  const uint32_t groups = U32(glt, 28), pool = U32(glt, 32);
  ASSERT_EQ(glt.size(), 36ull + 4ull * groups + pool);
  std::vector<std::string> texts(groups);
  for (uint32_t i = 0, next = 0; i < groups; ++i) {  // back to back, in the order of the entries
    ASSERT_EQ(U32(glt, 36 + 4 * i), next) << "group name entry " << i;
    ASSERT_TRUE(Pooled(glt, 36 + 4 * groups, pool, next, &texts[i])) << "group name entry " << i;
    next += 2 + static_cast<uint32_t>(texts[i].size());
    if (i + 1 == groups) {
      EXPECT_EQ(next, pool);
    }
  }
  std::map<int32_t, Record> found;
  std::set<std::string> names;
  std::set<uint32_t> groupIndexes;
  std::vector<int32_t> order;
  for (uint32_t i = 0; i < all; ++i) {
    const std::string r = flt.substr(35 + 290 * i, 290);
    const int32_t id = static_cast<int32_t>(U32(r, 0));
    const uint32_t group = U32(r, 286);
    ASSERT_TRUE(r.find('\0', 4) < 29 && r.find('\0', 29) < 285) << "record " << i << ": unterminated text";
    ASSERT_TRUE(i < named ? id >= 1 && id <= 4096 : id >= -256 && id <= -1) << "record " << i << ": " << id;
    ASSERT_LT(group, groups) << "record " << i;
    EXPECT_TRUE(groupIndexes.insert(group).second) << "two records point to group name entry " << group;
    EXPECT_FALSE(found.count(id)) << id << " twice";
    Record& f = found[id];
    f.name = r.c_str() + 4, f.description = r.c_str() + 29, f.layer = static_cast<uint8_t>(r[285]), f.text = texts[group];
    if (i >= named) {
      EXPECT_EQ(f.name, "P") << "file entry " << id;
      continue;
    }
    EXPECT_TRUE(names.insert(f.name).second) << "the name " << f.name << " twice";
    EXPECT_TRUE(Upper(f.text) == Upper(Path("FORMS\\")) || Upper(f.text) == Fgp(id)) << id << ": " << f.text;
    f.text = Path("FORMS\\");  // the group info file keeps its name in the save directory
    order.push_back(id);
  }
  for (const auto& [id, r] : model) {
    EXPECT_TRUE(found.count(id) && found[id] == r) << id << " (" << r.name << ") of worker " << r.worker
                                                   << " is lost or not as its last call left it";
    if (id > 0) CheckGroup(id, r);
  }
  for (const auto& [id, r] : found) EXPECT_TRUE(model.count(id)) << id << " (" << r.name << ") left by a failed call";

  // Every reader agrees with the files.
  EXPECT_EQ(ZVGetFormListNum(), static_cast<int32_t>(named + 1));
  EXPECT_EQ(zv::CountNamedForms(), named);
  std::vector<ZVLONG> ids(named + 1);
  std::vector<char> slots((named + 1) * ZV_NAME_SLOT);
  ZVDWORD count = 0;
  ASSERT_EQ(ZVGetFormList(nullptr, 0, static_cast<int32_t>(named), 0, &count, ids.data(), slots.data()), 1);
  ASSERT_EQ(count, named + 1);
  EXPECT_EQ(ids[named], 0);
  for (uint32_t k = 0; k < named; ++k) {
    const int32_t id = order[k];
    char description[256] = "", path[ZV_PATH_BUFFER] = "";
    EXPECT_EQ(ids[k], id) << "list entry " << k;
    EXPECT_STREQ(&slots[k * ZV_NAME_SLOT], found[id].name.c_str()) << "list entry " << k;
    EXPECT_EQ(ZVGetFormID(found[id].name.c_str()), id);
    EXPECT_EQ(zv::GetFormRecordInfo(id, nullptr, description, nullptr), found[id].layer) << id;
    EXPECT_EQ(description, found[id].description) << id;
    EXPECT_TRUE(zv::GetFormGroupPath(id, path)) << id;
    EXPECT_EQ(zv::CountOverlayEntries(id), model[id].overlays.size()) << id;
  }
  for (const auto& [id, r] : found) {
    if (id > 0) continue;
    int32_t foundId = 0;
    uint16_t device = 0;
    char name[ZV_PATH_BUFFER] = "", path[ZV_PATH_BUFFER] = "";
    EXPECT_TRUE(zv::GetFileEntryName(id, &foundId, name) && foundId == id) << id;
    EXPECT_NE(ZVSearchForm(SettingsBlock(0).data(), 1, kCaps, id, &device, path), 0u) << id;
    EXPECT_EQ(std::to_string(device), r.text) << id;
  }
}

// Another process added the identifier or the name this one chose, between
// ChooseFormId and AddFormRecord: the add is refused with nothing written.
// Only the same identifier in the same region, or the same named form name
// byte for byte, counts.
TEST_F(StressTest, AnAddAfterAnotherProcessTookTheIdentifierOrTheNameIsRefused) {
  WriteFormList(FormListFile({{3, "OTHER", "", 1, 0}}, {{-5, "P", "", 1, 1}}, 5));
  WriteGroupList(GroupNameListFile({"C:\\FORMS\\", "12"}));
  const struct {
    int32_t id;
    const char* name;
    const char* text;
    uint32_t code;  // 0: added
  } adds[] = {{3, "MINE", "C:\\FORMS\\", 404}, {4, "OTHER", "C:\\FORMS\\", 404}, {-5, "P", "C:\\FORMS\\", 404},
              {4, "other", "C:\\FORMS\\", 0},  {5, "P", "C:\\FORMS\\", 0},     {-3, "P", "13", 0}};
  for (const auto& a : adds) {
    zv::SetLastErrorCode(0);
    EXPECT_EQ(zv::AddFormRecord(a.id, a.name, "", a.text, 1) ? 0 : zv::GetLastErrorCode(), a.code) << a.id << a.name;
  }
  std::string flt, glt;
  ASSERT_TRUE(ReadWholeFile(FormListPath(), &flt) && ReadWholeFile(GroupListPath(), &glt));
  EXPECT_EQ(flt, FormListFile({{3, "OTHER", "", 1, 0}, {4, "other", "", 1, 2}, {5, "P", "", 1, 3}},
                              {{-5, "P", "", 1, 1}, {-3, "P", "", 1, 4}}, 3));
  EXPECT_EQ(glt, GroupNameListFile({"C:\\FORMS\\", "12", "C:\\FORMS\\", "C:\\FORMS\\", "13"}));
}

// Another program has a form's group info file open (a reader that lets
// others write), so it cannot be deleted: undoing the last capture must not
// leave it listing the file that is gone, nor deleting the form hand its
// overlays to the next form given that identifier in that directory. (The
// Linux backend lets no writer open a file beside a reader.)
TEST_F(StressTest, AGroupThatCannotBeDeletedIsLeftEmpty) {
#ifndef _WIN32
  GTEST_SKIP() << "the Linux backend lets no writer open a file beside a reader";
#endif
  WriteFormList(FormListFile({{3, "OTHER", "", 1, 0}}, {{-5, "P", "", 1, 1}}, 5));
  WriteGroupList(GroupNameListFile({"C:\\FORMS\\", "12"}));
  for (bool deleteForm : {false, true}) {
    SCOPED_TRACE(deleteForm ? "DeleteForm" : "ZVErrorForm");
    ASSERT_TRUE(zv::AddFormRecord(4, "FORM", "", Dir().c_str(), 1));
    char path[ZV_PATH_BUFFER] = "", group[ZV_PATH_BUFFER] = "";
    ASSERT_EQ(ZVGetOverlayForm(SettingsBlock(0).data(), nullptr, 4, path), 1);
    ASSERT_TRUE(zv::GetFormGroupPath(4, group));
    {
      FileHolder holder(group, plat::kAccessRead, plat::kShareReadWrite);
      ASSERT_TRUE(holder.Opened());
      EXPECT_TRUE(deleteForm ? zv::DeleteForm(4) : ZVErrorForm(4, path) == 1);
      EXPECT_FALSE(FileExists(path));
      EXPECT_TRUE(deleteForm || zv::CountOverlayEntries(4) == 0) << "the group still lists the file";
    }
    std::string left;
    if (deleteForm && ReadWholeFile(group, &left)) {
      EXPECT_EQ(left.size(), 64u) << "the group still lists files";
    }
    if (deleteForm) {
      ASSERT_TRUE(zv::AddFormRecord(4, "NEXT", "", Dir().c_str(), 1));
    }
    ASSERT_EQ(ZVGetOverlayForm(SettingsBlock(deleteForm).data(), nullptr, 4, path), 1);
    EXPECT_EQ(zv::CountOverlayEntries(4), 1u);
    ASSERT_TRUE(zv::DeleteForm(4));
  }
}

}  // namespace
}  // namespace zvtest
