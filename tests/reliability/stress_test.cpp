// Several processes add, change, capture into, undo and delete forms and
// file entries on one catalogue at once, each logging every call. Every
// call must succeed or fail with the code its operation gives for a file
// held by another process; afterwards every catalogue file must be sound,
// every reader must agree with it, and it must hold exactly what the
// successful calls of the logs imply.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "platform/platform.h"
#include "reliability/stress_worker.h"
#include "support/catalogue_files.h"
#include "zvlmn30e.h"

namespace {

using zvstress::LogEntry;

constexpr int kWorkers = 6;
constexpr int kOperations = 150;
constexpr uint32_t kSeed = 20261207;

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

uint32_t U32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
  return v;
}
uint16_t U16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1])
                                                                       << 8);
}
// A zero-terminated text in a fixed field; false when the field holds no terminator.
bool FixedText(const std::string& b, size_t at, size_t width, std::string* text) {
  const size_t end = b.find('\0', at);
  if (end == std::string::npos || end >= at + width) return false;
  *text = b.substr(at, end - at);
  return true;
}

// The codes each call may fail with while another process holds a file it
// needs; a call not listed never fails.
const std::map<std::string, std::set<uint32_t>>& FailureCodes() {
  static const std::map<std::string, std::set<uint32_t>> codes{
      {zvstress::kChooseNamed, {404}},       {zvstress::kChooseTakenName, {404, 406}},
      {zvstress::kChooseFileEntry, {404}},   {zvstress::kAddFormRecord, {404}},
      {zvstress::kUpdateFormRecord, {0}},    {zvstress::kDeleteForm, {407}},
      {zvstress::kGetOverlayForm, {0, 404}}, {zvstress::kErrorForm, {0}},
      {zvstress::kSearchForm, {0, 1, 2, 3}},
  };
  return codes;
}

bool Succeeded(const LogEntry& e) {
  if (e.call == zvstress::kChooseTakenName) return false;  // a taken name is always refused
  return e.call == zvstress::kGetFormListNum ? e.result >= 1 : e.result != 0;
}

struct Figures {
  int calls = 0;
  int successes = 0;
  int boxes = 0;  // error boxes shown (the form list found its file held)
  std::map<uint32_t, int> failures;
};

struct NamedForm {
  std::string name;
  std::string description;
  int layer;
  std::map<std::string, int> overlays;  // upper-case path, settings variant
  int worker;
};

struct FileEntry {
  std::string description;
  int layer;
  std::string number;
  int worker;
};

struct Catalogue {
  std::map<int32_t, NamedForm> named;
  std::map<int32_t, FileEntry> files;
};

class StressTest : public zvtest::CatalogueTest {
 protected:
  // Replays one worker's successful calls onto the expected catalogue.
  void Replay(int worker, const std::vector<LogEntry>& log, Catalogue* model) {
    Catalogue own;
    for (const LogEntry& e : log) {
      if (!Succeeded(e)) continue;
      if (e.call == zvstress::kAddFormRecord || e.call == zvstress::kUpdateFormRecord) {
        if (e.id > 0) {
          NamedForm& f = own.named[e.id];
          f = {e.name, e.description, e.layer, f.overlays, worker};
        } else {
          own.files[e.id] = {e.description, e.layer, e.text, worker};
        }
      } else if (e.call == zvstress::kDeleteForm) {
        own.named.erase(e.id);
        own.files.erase(e.id);
      } else if (e.call == zvstress::kGetOverlayForm) {
        own.named[e.id].overlays[Upper(e.text)] = e.layer;
      } else if (e.call == zvstress::kErrorForm) {
        own.named[e.id].overlays.erase(Upper(e.text));
      }
    }
    for (const auto& f : own.named) {
      const auto taken = model->named.find(f.first);
      if (taken != model->named.end()) {
        ADD_FAILURE() << "form " << f.first << " was added by worker " << taken->second.worker
                      << " and by worker " << worker << ", and neither deleted it";
      }
      model->named[f.first] = f.second;
    }
    for (const auto& f : own.files) {
      const auto taken = model->files.find(f.first);
      if (taken != model->files.end()) {
        ADD_FAILURE() << "file entry " << f.first << " was added by worker " << taken->second.worker
                      << " and by worker " << worker << ", and neither deleted it";
      }
      model->files[f.first] = f.second;
    }
  }

  std::string GroupInfoPath(int32_t id) const {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03X", static_cast<unsigned>(id) & 0xFFF);
    return Upper(saveDir_) + "_F3" + digits + ".FGP";
  }

  // The group info file of a form: sound, and listing exactly the overlays
  // the logs leave, each file on disk.
  void CheckGroup(int32_t id, const NamedForm& form) {
    const std::string path = GroupInfoPath(id);
    std::string b;
    if (!zvtest::ReadWholeFile(path, &b)) {
      EXPECT_TRUE(form.overlays.empty()) << "form " << id << " has no group info file";
      return;
    }
    ASSERT_GE(b.size(), 64u) << path;
    ASSERT_EQ(b.substr(0, 24), "ZEVROFORM GROUPINFO V1.0") << path;
    const uint32_t entries = U32(b, 52), strings = U32(b, 56), pool = U32(b, 60);
    ASSERT_EQ(b.size(), 64ull + 38ull * entries + 4ull * strings + pool) << path;
    const size_t table = 64 + 38 * entries, poolAt = table + 4 * strings;
    auto text = [&](int32_t s, std::string* out) {
      if (s < 0 || static_cast<uint32_t>(s) >= strings) return false;
      const uint32_t o = U32(b, table + 4 * static_cast<size_t>(s));
      if (uint64_t{o} + 2 > pool || uint64_t{o} + 2 + U16(b, poolAt + o) > pool) return false;
      *out = b.substr(poolAt + o + 2, U16(b, poolAt + o));
      return true;
    };
    std::string unused;
    for (size_t slot : {24, 28, 48}) {
      const int32_t s = static_cast<int32_t>(U32(b, slot));
      EXPECT_TRUE(s == -1 || text(s, &unused)) << path << ": header string index " << s;
    }
    std::map<std::string, int> found;
    std::set<int32_t> indexes;
    for (uint32_t i = 0; i < entries; ++i) {
      const int32_t s = static_cast<int32_t>(U32(b, 64 + 38 * i + 34));
      std::string name;
      ASSERT_TRUE(text(s, &name)) << path << ": entry " << i << " string index " << s;
      EXPECT_TRUE(indexes.insert(s).second) << path << ": string " << s << " named twice";
      const std::string file = Upper(saveDir_) + Upper(name);
      EXPECT_TRUE(zvtest::FileExists(file)) << path << " lists " << file << ", which is gone";
      EXPECT_TRUE(found
                      .emplace(file, zvstress::VariantOfRecord(
                                         reinterpret_cast<const unsigned char*>(b.data()) + 64 + 38 * i))
                      .second)
          << path << " lists " << file << " twice";
    }
    EXPECT_EQ(found, form.overlays) << "the overlays of form " << id;
  }

  std::string saveDir_;
};

TEST_F(StressTest, ProcessesWritingOneCatalogueKeepItWhole) {
  saveDir_ = Path("FORMS\\");
  ASSERT_TRUE(plat::CreateDirectory(Path("FORMS").c_str()));
  const std::string go = Path("go");

  std::vector<zvstress::WorkerPlan> plans(kWorkers);
  std::vector<intptr_t> processes;
  for (int w = 0; w < kWorkers; ++w) {
    plans[w] = {w,
                kSeed + static_cast<uint32_t>(w),
                kOperations,
                saveDir_,
                Path("worker" + std::to_string(w) + ".log"),
                go};
    processes.push_back(zvstress::StartWorker(plans[w]));
    ASSERT_NE(processes.back(), 0) << "worker " << w << " did not start";
  }
  ASSERT_TRUE(zvtest::WriteWholeFile(go, "go"));
  for (int w = 0; w < kWorkers; ++w) EXPECT_TRUE(zvstress::WaitForWorker(processes[w])) << "worker " << w;

  // Every call succeeded or failed with its code; the figures per call.
  Catalogue model;
  std::map<std::string, Figures> figures;
  int calls = 0;
  std::vector<std::vector<LogEntry>> logs(kWorkers);
  for (int w = 0; w < kWorkers; ++w) {
    std::string text;
    ASSERT_TRUE(zvtest::ReadWholeFile(plans[w].logPath, &text)) << "worker " << w << " left no log";
    ASSERT_TRUE(zvstress::ParseLog(text, &logs[w])) << "worker " << w;
  }
  // The calls of every worker on one identifier, for the failure messages.
  auto history = [&](int32_t id) {
    std::string out;
    for (int w = 0; w < kWorkers; ++w) {
      for (const LogEntry& e : logs[w]) {
        if (e.id == id && e.call != zvstress::kSearchForm) {
          out += "\n  worker " + std::to_string(w) + ": " + e.call + " " + std::to_string(e.result) +
                 " code " + std::to_string(e.code) + " " + e.name + " " + e.text;
        }
      }
    }
    return out;
  };
  for (int w = 0; w < kWorkers; ++w) {
    const std::vector<LogEntry>& log = logs[w];
    for (const LogEntry& e : log) {
      ++calls;
      Figures& f = figures[e.call];
      ++f.calls;
      if (e.note.compare(0, 4, "box:") == 0) ++f.boxes;
      const std::string where = "worker " + std::to_string(w) + ": " + e.call + " of " +
                                std::to_string(e.id) + " gave " + std::to_string(e.result) + ", code " +
                                std::to_string(e.code);
      EXPECT_NE(e.note.compare(0, 3, "BAD"), 0) << where << ": " << e.note << history(e.id);
      if (Succeeded(e)) {
        ++f.successes;
        continue;
      }
      ++f.failures[e.code];
      const auto allowed = FailureCodes().find(e.call);
      EXPECT_TRUE(allowed != FailureCodes().end() && allowed->second.count(e.code)) << where;
    }
    Replay(w, log, &model);
  }

  std::string report = "processes " + std::to_string(kWorkers) + ", operations " +
                       std::to_string(kWorkers * kOperations) + ", calls " + std::to_string(calls) + "\n";
  for (const auto& f : figures) {
    std::string line = f.first + ": calls " + std::to_string(f.second.calls) + ", succeeded " +
                       std::to_string(f.second.successes);
    for (const auto& c : f.second.failures)
      line += ", failed with " + std::to_string(c.first) + ": " + std::to_string(c.second);
    if (f.second.boxes) line += ", error boxes " + std::to_string(f.second.boxes);
    report += line + "\n";
    RecordProperty(f.first, line);
  }
  std::printf("%s", report.c_str());
  RecordProperty("processes", kWorkers);
  RecordProperty("operations", kWorkers * kOperations);
  RecordProperty("calls", calls);

  // The form name list file: sound, and holding exactly the expected records.
  std::string flt, glt;
  if (!zvtest::ReadWholeFile(FormListPath(), &flt)) {
    EXPECT_TRUE(model.named.empty() && model.files.empty()) << "the form name list file is gone";
    return;
  }
  ASSERT_TRUE(zvtest::ReadWholeFile(GroupListPath(), &glt));
  ASSERT_GE(flt.size(), 35u);
  ASSERT_EQ(flt.substr(0, 27), "ZEVROFORM FORMNAMEINFO V1.0");
  const uint32_t namedCount = U32(flt, 27), fileCount = U16(flt, 31);
  ASSERT_EQ(flt.size(), 35ull + 290ull * (namedCount + fileCount));
  ASSERT_GE(glt.size(), 36u);
  ASSERT_EQ(glt.substr(0, 28), "ZEVROFORM GROUPNAMEINFO V1.0");
  const uint32_t groups = U32(glt, 28), pool = U32(glt, 32);
  ASSERT_EQ(glt.size(), 36ull + 4ull * groups + pool);
  // The texts stand in the pool in the order of their entries, back to back.
  std::vector<std::string> texts;
  for (uint32_t i = 0, next = 0; i < groups; ++i) {
    const uint32_t o = U32(glt, 36 + 4 * i);
    ASSERT_EQ(o, next) << "group name entry " << i;
    ASSERT_LE(uint64_t{o} + 2 + U16(glt, 36 + 4 * groups + o), pool) << "group name entry " << i;
    texts.push_back(glt.substr(36 + 4 * groups + o + 2, U16(glt, 36 + 4 * groups + o)));
    next = o + 2 + U16(glt, 36 + 4 * groups + o);
    if (i + 1 == groups) {
      EXPECT_EQ(next, pool);
    }
  }

  Catalogue found;
  std::set<std::string> names;
  std::set<uint32_t> groupIndexes;
  std::vector<int32_t> order;
  for (uint32_t i = 0; i < namedCount + fileCount; ++i) {
    const size_t at = 35 + 290 * static_cast<size_t>(i);
    const int32_t id = static_cast<int32_t>(U32(flt, at));
    std::string name, description;
    ASSERT_TRUE(FixedText(flt, at + 4, 25, &name) && FixedText(flt, at + 29, 256, &description))
        << "record " << i;
    const int layer = static_cast<unsigned char>(flt[at + 285]);
    const uint32_t group = U32(flt, at + 286);
    ASSERT_LT(group, groups) << "record " << i << " (" << id << ")";
    EXPECT_TRUE(groupIndexes.insert(group).second) << "two records point to group name entry " << group;
    if (i < namedCount) {
      ASSERT_TRUE(id >= 1 && id <= 4096) << "named form " << id;
      EXPECT_TRUE(names.insert(name).second) << "the name " << name << " twice";
      EXPECT_TRUE(found.named.count(id) == 0) << "form " << id << " twice";
      order.push_back(id);
      found.named[id] = {name, description, layer, {}, 0};
      const std::string& t = texts[group];
      EXPECT_TRUE(Upper(t) == Upper(saveDir_) || Upper(t) == GroupInfoPath(id)) << "form " << id << ": " << t;
    } else {
      ASSERT_TRUE(id >= -256 && id <= -1) << "file entry " << id;
      EXPECT_TRUE(found.files.count(id) == 0) << "file entry " << id << " twice";
      found.files[id] = {description, layer, texts[group], 0};
      EXPECT_EQ(name, "P") << "file entry " << id;
    }
  }
  for (const auto& f : model.named) {
    const auto it = found.named.find(f.first);
    if (it == found.named.end()) {
      ADD_FAILURE() << "form " << f.first << " (" << f.second.name << ") of worker " << f.second.worker
                    << " is lost";
      continue;
    }
    EXPECT_EQ(it->second.name, f.second.name) << "form " << f.first;
    EXPECT_EQ(it->second.description, f.second.description) << "form " << f.first;
    EXPECT_EQ(it->second.layer, f.second.layer) << "form " << f.first;
    CheckGroup(f.first, f.second);
  }
  for (const auto& f : found.named) {
    EXPECT_TRUE(model.named.count(f.first))
        << "form " << f.first << " (" << f.second.name << ") left by a failed call";
  }
  for (const auto& f : model.files) {
    const auto it = found.files.find(f.first);
    if (it == found.files.end()) {
      ADD_FAILURE() << "file entry " << f.first << " of worker " << f.second.worker << " is lost";
      continue;
    }
    EXPECT_EQ(it->second.description, f.second.description) << "file entry " << f.first;
    EXPECT_EQ(it->second.layer, f.second.layer) << "file entry " << f.first;
    EXPECT_EQ(it->second.number, f.second.number) << "file entry " << f.first;
  }
  for (const auto& f : found.files) {
    EXPECT_TRUE(model.files.count(f.first)) << "file entry " << f.first << " left by a failed call";
  }

  // Every reader agrees with the files.
  EXPECT_EQ(ZVGetFormListNum(), static_cast<int32_t>(namedCount + 1));
  EXPECT_EQ(zv::CountNamedForms(), namedCount);
  std::vector<int32_t> ids(namedCount + 1);
  std::vector<char> slots((namedCount + 1) * ZV_NAME_SLOT);
  uint32_t count = 0;
  ASSERT_EQ(ZVGetFormList(nullptr, 0, static_cast<int32_t>(namedCount), 0, &count, ids.data(), slots.data()),
            1);
  ASSERT_EQ(count, namedCount + 1);
  for (uint32_t k = 0; k < namedCount; ++k) {
    const int32_t id = order[k];
    EXPECT_EQ(ids[k], id) << "list entry " << k;
    EXPECT_STREQ(&slots[k * ZV_NAME_SLOT], found.named[id].name.c_str()) << "list entry " << k;
    EXPECT_EQ(ZVGetFormID(found.named[id].name.c_str()), id);
    char description[256] = "";
    EXPECT_EQ(zv::GetFormRecordInfo(id, nullptr, description, nullptr), found.named[id].layer)
        << "form " << id;
    EXPECT_EQ(description, found.named[id].description) << "form " << id;
    char path[ZV_PATH_BUFFER] = "";
    EXPECT_TRUE(zv::GetFormGroupPath(id, path)) << "form " << id;
    EXPECT_EQ(zv::CountOverlayEntries(id), model.named.count(id) ? model.named[id].overlays.size() : 0u)
        << "form " << id;
  }
  EXPECT_EQ(ids[namedCount], 0);
  for (const auto& f : found.files) {
    int32_t foundId = 0;
    char name[ZV_NAME_SLOT] = "";
    EXPECT_TRUE(zv::GetFileEntryName(f.first, &foundId, name));
    EXPECT_EQ(foundId, f.first);
    const std::string block = zvstress::SettingsBlock(0);
    const uint16_t caps[] = {1};
    uint16_t device = 0;
    char path[ZV_PATH_BUFFER] = "";
    EXPECT_NE(ZVSearchForm(block.data(), 1, caps, f.first, &device, path), 0u) << "file entry " << f.first;
    EXPECT_EQ(std::to_string(device), f.second.number) << "file entry " << f.first;
  }
}

}  // namespace
