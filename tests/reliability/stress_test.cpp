// Several processes add, change, capture into, undo and delete forms on one catalogue at once: afterwards the
// files are sound and hold exactly what the successful calls left.
#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "catalogue/group_info.h"
#include "maintenance/deletion.h"
#include "maintenance/form_registration.h"
#include "module/module_state.h"
#include "support/catalogue_files.h"
#include "support/message_boxes.h"

namespace zvtest {
namespace {

constexpr int kWorkers = 6, kOperations = 150;
const uint16_t kCaps[] = {1};
// A4 portrait: variant bit 0 gives 300 instead of 600 dpi, bit 1 colour.
const auto Block = [](int variant) {
  DriverSettingsBlock b;
  b.resolution = (variant & 1) ? 300 : 600;
  b.colour = (variant & 2) ? 1 : 2;
  return b.Bytes();
};
// The fields, tab-separated.
template <typename... T>
std::string Line(const T&... fields) {
  std::ostringstream out;
  ((out << fields << '\t'), ...);
  return out.str().substr(0, out.str().size() - 1);
}
// The codes a call may fail with while another process holds its file; one not listed never fails.
const std::map<std::string, std::set<uint32_t>> kHeldCodes{
    {"ChooseFormId(named)", {404}}, {"ChooseFormId(file entry)", {404}},
    {"AddFormRecord", {404}},       {"UpdateFormRecord", {0}},
    {"DeleteForm", {407}},          {"ZVGetOverlayForm", {0, 404}},
    {"ZVErrorForm", {0}},           {"ZVSearchForm", {0, 1, 2, 3}}};

// A seeded random run of the driver's and the dialogs' calls on names of its own; its report holds each wrong
// answer and its forms as they are.
class Worker {
 public:
  Worker(int index, const std::string& saveDir) : w_(index), dir_(saveDir), random_(20261207 + index) {}
  std::string Run() {
    const auto named = [](const Form& f) { return f.id > 0; };
    const auto entry = [](const Form& f) { return f.id < 0; };
    // Each call's share of 100, up to its bound; one that cannot run now passes to the next.
    const std::pair<uint32_t, std::function<bool()>> calls[] = {
        {20, [&] { return Add(NewName()); }},
        {35, [&] { return Update(Pick(named), Below(2) ? NewName() : ""); }},
        {43, [&] { return Delete(Pick(named)); }},
        {51, [&] { return Add(""); }},
        {55, [&] { return Update(Pick(entry), ""); }},
        {59, [&] { return Delete(Pick(entry)); }},
        {74, [&] { return Capture(Pick(named)); }},
        {82, [&] { return Undo(Pick([](const Form& f) { return !f.overlays.empty(); })); }},
        {92, [&] { return ReadList(); }},
        {100, [&] { return Search(); }}};
    for (int n = 0; n < kOperations; ++n) {
      size_t k = 0;
      for (const uint32_t pick = Below(100); calls[k].first <= pick;) ++k;
      while (!calls[k].second()) ++k;
    }
    std::ostringstream out;
    for (const std::string& b : bad_) out << "BAD\t" << b << '\n';
    for (const auto& [call, outcomes] : figures_) {
      for (const auto& [outcome, n] : outcomes)
        std::printf("worker %d, %s: %s %d\n", w_, call.c_str(), outcome.c_str(), n);
    }
    for (const Form& f : forms_) {
      out << Line("R", f.id, f.layer, f.name, f.description, f.text) << '\n';
      for (const auto& [path, v] : f.overlays) out << Line("O", f.id, v, path) << '\n';
    }
    return out.str();
  }

 private:
  struct Form {
    int32_t id;
    std::string name, text, description;  // a file entry's name is "P", its text a number
    int layer;
    std::map<std::string, int> overlays;  // upper-case path: settings variant
  };
  uint32_t Below(size_t n) { return static_cast<uint32_t>(random_() % n); }
  std::string NewName() { return "W" + std::to_string(w_) + "-" + std::to_string(++names_); }
  Form* Pick(const std::function<bool(const Form&)>& which) {
    std::vector<Form*> from;
    for (Form& f : forms_) {
      if (which(f)) from.push_back(&f);
    }
    return from.empty() ? nullptr : from[Below(from.size())];
  }
  bool Bad(const std::string& call, int32_t id, const std::string& what) {
    bad_.push_back(call + " of " + std::to_string(id) + ": " + what);
    return true;
  }
  // Counts the outcome of the call just made; a failure must carry a code of kHeldCodes.
  bool Note(const std::string& call, bool ok, int32_t id) {
    const uint32_t code = zv::GetLastErrorCode();
    ++figures_[call][ok ? "succeeded" : "failed with " + std::to_string(code)];
    const auto allowed = kHeldCodes.find(call);
    return (ok || (allowed != kHeldCodes.end() && allowed->second.count(code)) ||
            Bad(call, id, "code " + std::to_string(code))) &&
           ok;
  }
  // As the dialogs add: ChooseFormId, then AddFormRecord (a file entry when name is empty).
  bool Add(const std::string& name) {
    int32_t id = 0;
    uint32_t canAdd = 1;
    const bool file = name.empty();
    const char* call = file ? "ChooseFormId(file entry)" : "ChooseFormId(named)";
    const bool ok = zv::ChooseFormId(file ? zv::kChooseFileEntry : zv::kChooseNamedForm,
                                     file ? nullptr : name.c_str(), &id, file ? &canAdd : nullptr);
    if (Note(call, ok, id) && !canAdd) Bad(call, id, "the ring is full after fewer than 256 file entries");
    if (ok && canAdd)
      Record(id, file ? "P" : name, file ? std::to_string(1000 * (w_ + 1) + ++names_) : dir_, nullptr);
    return true;
  }
  bool Update(Form* f, const std::string& name) {
    return f && (Record(f->id, name.empty() ? f->name : name, f->text, f), true);
  }
  // AddFormRecord (f null) or UpdateFormRecord of f.
  void Record(int32_t id, const std::string& name, const std::string& text, Form* f) {
    const std::string d = "desc " + std::to_string(w_) + "." + std::to_string(++names_);
    const auto layer = static_cast<uint8_t>(1 + Below(2));
    const bool ok = f ? zv::UpdateFormRecord(id, name.c_str(), d.c_str(), text.c_str(), layer)
                      : zv::AddFormRecord(id, name.c_str(), d.c_str(), text.c_str(), layer);
    if (!Note(f ? "UpdateFormRecord" : "AddFormRecord", ok, id)) return;
    if (!f) f = &forms_.emplace_back(Form{id, name, text});
    f->name = name;
    f->description = d;
    f->layer = layer;
  }
  bool Delete(Form* f) {
    if (f && Note("DeleteForm", zv::DeleteForm(f->id), f->id))
      forms_.erase(forms_.begin() + (f - forms_.data()));
    return f;
  }
  // The settings captured before give their file again, and only they (in any letter case).
  bool Capture(Form* f) {
    const int variant = static_cast<int>(Below(4));
    char path[ZV_PATH_BUFFER] = "";
    if (!f || !Note("ZVGetOverlayForm", ZVGetOverlayForm(Block(variant).data(), f->name.c_str(), f->id, path),
                    f->id))
      return f;
    for (const auto& [file, v] : f->overlays) {
      if ((v == variant) != (file == Upper(path)))
        Bad("ZVGetOverlayForm", f->id, file + " for " + std::to_string(v));
    }
    f->overlays[Upper(path)] = variant;
    return true;
  }
  bool Undo(Form* f) {
    if (!f) return false;
    const auto o = std::next(f->overlays.begin(), Below(f->overlays.size()));
    if (Note("ZVErrorForm", ZVErrorForm(f->id, o->first.c_str()), f->id)) f->overlays.erase(o);
    return true;
  }
  // The list and a search of any form are read while the others change them.
  bool ReadList() {
    const int32_t n = ZVGetFormListNum();
    std::vector<ZVLONG> ids(std::max(n, 1) + 32);
    std::vector<char> names(ids.size() * ZV_NAME_SLOT);
    ZVDWORD count = 0;
    MessageBoxWatcher boxes(kIdOk);
    Note("ZVGetFormListNum", n >= 1, 0);
    const int32_t last = static_cast<int32_t>(ids.size()) - 1;
    Note("ZVGetFormList", ZVGetFormList(nullptr, 0, last, 0, &count, ids.data(), names.data()) == 1, 0);
    return (count != 0 && count <= ids.size()) || Bad("ZVGetFormList", 0, "no list");
  }
  bool Search() {
    char path[ZV_PATH_BUFFER] = "";
    uint16_t device = 0;
    const auto id = static_cast<int32_t>(Below(2) ? 1 + Below(64) : 0u - 1 - Below(64));
    Note("ZVSearchForm", ZVSearchForm(Block(0).data(), 1, kCaps, id, &device, path), id);
    return true;
  }

  int w_, names_ = 0;
  std::string dir_;
  std::mt19937 random_;
  std::vector<Form> forms_;
  std::vector<std::string> bad_;
  std::map<std::string, std::map<std::string, int>> figures_;  // call: outcome, count
};

// Waits for the start signal, runs, and leaves the report beside it.
bool RunWorker(int index, const std::string& dir) {
  for (int n = 0; n < 12000 && !FileExists(dir + "go"); ++n)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return FileExists(dir + "go") && WriteWholeFile(dir + "worker" + std::to_string(index) + ".log",
                                                  Worker(index, dir + "FORMS\\").Run());
}

#ifdef _WIN32
// Under Wine a worker is this program again, filtered to the worker's entry, its plan in the environment.
TEST(StressWorker, DISABLED_Run) {
  const char* plan = std::getenv("ZV_STRESS_WORKER");
  ASSERT_NE(plan, nullptr);
  EXPECT_TRUE(RunWorker(std::atoi(plan), std::strchr(plan, '\t') + 1));
}
intptr_t StartWorker(int index, const std::string& dir) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  _putenv_s("ZV_STRESS_WORKER", (std::to_string(index) + "\t" + dir).c_str());
  const std::string quoted = std::string("\"") + exe + "\"";
  const intptr_t process = _spawnl(_P_NOWAIT, exe, quoted.c_str(), "--gtest_filter=StressWorker.DISABLED_Run",
                                   "--gtest_also_run_disabled_tests", nullptr);
  return process == -1 ? 0 : process;
}
bool WaitForWorker(intptr_t process) {
  int code = 1;
  return _cwait(&code, process, 0) == process && code == 0;
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

// A little-endian field of a file's bytes (zero past the end).
const auto U32 = [](const std::string& b, size_t at) {
  uint32_t v = 0;
  for (size_t i = 4; i-- > 0;) v = v << 8 | (at + i < b.size() ? static_cast<uint8_t>(b[at + i]) : 0u);
  return v;
};

using StressTest = CatalogueTest;

TEST_F(StressTest, ProcessesWritingOneCatalogueKeepItWhole) {
  ASSERT_TRUE(plat::MakeDirectory(Path("FORMS").c_str()));
  std::vector<intptr_t> processes;
  for (int w = 0; w < kWorkers; ++w) {
    processes.push_back(StartWorker(w, Dir()));
    ASSERT_NE(processes.back(), 0) << "worker " << w << " did not start";
  }
  ASSERT_TRUE(WriteWholeFile(Path("go"), "go"));
  // The reports: wrong answers fail, the rest is what the catalogue must hold.
  std::multiset<std::string> reported, found;
  for (int w = 0; w < kWorkers; ++w) {
    EXPECT_TRUE(WaitForWorker(processes[w])) << "worker " << w;
    std::string line;
    std::istringstream lines(FileBytes(Path("worker" + std::to_string(w) + ".log")));
    for (; std::getline(lines, line); reported.insert(line))
      EXPECT_NE(line.rfind("BAD", 0), 0u) << w << ": " << line;
  }
  // The list files read field by field and built again: the same bytes, every size and offset sound.
  const std::string flt = FileBytes(FormListPath()), glt = FileBytes(GroupListPath()),
                    forms = Path("FORMS\\");
  std::vector<std::string> texts;
  for (size_t at = 36 + 4 * U32(glt, 28); texts.size() < U32(glt, 28) && at < glt.size();
       at += 2 + texts.back().size())
    texts.push_back(glt.substr(at + 2, U32(glt, at) & 0xFFFF));
  EXPECT_EQ(glt, GroupNameListFile(texts));
  std::vector<FormRow> specs[2];  // named forms, file entries
  const uint32_t named = U32(flt, 27);
  for (size_t at = 35; at + 290 <= flt.size(); at += 290) {
    ASSERT_TRUE(flt.find('\0', at + 4) < at + 29 && flt.find('\0', at + 29) < at + 285)
        << "unterminated text";
    specs[at >= 35 + 290 * named].push_back({static_cast<int32_t>(U32(flt, at)), flt.c_str() + at + 4,
                                             flt.c_str() + at + 29, static_cast<uint8_t>(flt[at + 285]),
                                             U32(flt, at + 286)});
  }
  EXPECT_EQ(flt, FormListFile(specs[0], specs[1], static_cast<uint16_t>(U32(flt, 33))));
  // Exactly what the successful calls left: each record with a group name entry of its own, each group sound,
  // with sizes and string indexes in bounds and each listed overlay on disk.
  std::set<uint32_t> groups, ids;
  for (const std::vector<FormRow>& list : specs) {
    for (const FormRow& s : list) {
      ASSERT_TRUE(s.groupIndex < texts.size() && groups.insert(s.groupIndex).second)
          << s.id << ": " << s.groupIndex;
      EXPECT_TRUE(ids.insert(s.id).second) << s.id << " twice";
      char fgp[16];
      std::snprintf(fgp, sizeof fgp, "_F3%03X.FGP", static_cast<unsigned>(s.id) & 0xFFF);
      const std::string &text = texts[s.groupIndex], b = FileBytes(forms + fgp);
      EXPECT_TRUE(s.id < 0 || Upper(text) == Upper(forms) || Upper(text) == Upper(forms + fgp))
          << s.id << text;
      found.insert(Line("R", s.id, int{s.layer}, s.name, s.description, s.id > 0 ? forms : text));
      if (s.id < 0 || b == kMissing) continue;
      const uint32_t entries = U32(b, 52), strings = U32(b, 56), pool = U32(b, 60), table = 64 + 38 * entries;
      ASSERT_EQ(b.substr(0, 24), "ZEVROFORM GROUPINFO V1.0") << s.id;
      ASSERT_EQ(b.size(), table + 4ull * strings + pool) << s.id;
      std::string name;
      const auto str = [&](uint32_t k) {
        const uint64_t o = U32(b, table + 4 * k), at = table + 4 * strings + o, length = U32(b, at) & 0xFFFF;
        return k < strings && o + 2 + length <= pool && (name = b.substr(at + 2, length), true);
      };
      for (uint32_t k : {U32(b, 24), U32(b, 28), U32(b, 48)}) EXPECT_TRUE(k == ~0u || str(k)) << s.id;
      std::set<uint32_t> indexes;
      for (uint32_t at = 64; at < table; at += 38) {
        const uint32_t k = U32(b, at + 34), dpi = U32(b, at + 17) & 0xFFFF,
                       colour = static_cast<uint8_t>(b[at + 19]);
        ASSERT_TRUE(str(k) && indexes.insert(k).second) << s.id << ": an entry names string " << k;
        EXPECT_TRUE(FileExists(forms + name)) << s.id << " lists " << name << ", which is gone";
        const bool known = (dpi == 300 || dpi == 600) && (colour == 1 || colour == 2);
        found.insert(Line("O", s.id, known ? (dpi == 300) | (colour == 1) << 1 : -1, Upper(forms + name)));
      }
    }
  }
  EXPECT_EQ(found, reported);
}

}  // namespace
}  // namespace zvtest
