// Every catalogue operation and every export without a dialog, run on a
// small catalogue that holds every kind of record, with the nth call of one
// platform operation made to fail, for every point and every n that the
// operation reaches. After each run: the failure value and last error code,
// no block of the platform heap left behind, and a sound catalogue: each file
// as it was before the call or as a clean call leaves it, or, for the
// operations that move bytes inside a list or group file with no journal,
// a file that every reader reports as damaged and leaves as it is.
#include "reliability/failure_injection_table.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>

#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/message_boxes.h"
#include "zvlmn30e.h"

namespace zvtest::injection {
namespace {

using plat::fault::Point;

const char* const kPointNames[] = {"alloc", "open", "read", "write", "set end", "profile write"};

#ifndef _WIN32
// Host path of a Windows path, for listing directories.
std::string HostPath(const std::string& windowsPath) {
  char host[4096];
  return plat::posix::ToHostPath(windowsPath.c_str(), host, sizeof host) ? host : "";
}
#endif

// The names of the plain files in a directory (Windows path, ending in a
// backslash).
std::vector<std::string> ListFiles(const std::string& dir) {
  std::vector<std::string> names;
#ifdef _WIN32
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
#else
  const std::string host = HostPath(dir);
  DIR* d = opendir(host.c_str());
  if (!d) return names;
  while (dirent* e = readdir(d)) {
    struct stat st;
    if (stat((host + "/" + e->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(e->d_name);
  }
  closedir(d);
#endif
  return names;
}

void MakeDirectory(const std::string& windowsPath) {
#ifdef _WIN32
  CreateDirectoryA(windowsPath.c_str(), nullptr);
#else
  mkdir(HostPath(windowsPath).c_str(), 0777);
#endif
}

class FailureInjectionTest : public SystemDirTest, public ::testing::WithParamInterface<Operation> {
 protected:
  void SetUp() override {
    SystemDirTest::SetUp();
    catalogue_ = MakeCatalogue(Path(""), SystemPath(""));
    MakeDirectory(catalogue_.dir.substr(0, catalogue_.dir.size() - 1));
    MakeDirectory(catalogue_.dir + kMovedDirectory);
  }
  void TearDown() override {
    plat::fault::Reset();
    Clear();
    SystemDirTest::TearDown();
  }

  // Removes every file the operation may have made.
  void Clear() {
    for (const std::string& dir : Dirs()) {
      for (const std::string& name : ListFiles(dir)) {
        plat::SetAttributesNormal((dir + name).c_str());
        RemoveFile(dir + name);
      }
    }
    RemoveFile(SystemPath("ZVLMN3.DAT"));
  }
  // Brings the files from the state current back to the state target by
  // direct copies, touching only the files that differ.
  void RestoreTo(const Snapshot& target, const Snapshot& current) {
    for (const auto& [path, bytes] : current) {
      if (target.count(path)) continue;
      plat::SetAttributesNormal(path.c_str());
      RemoveFile(path);
    }
    for (const auto& [path, bytes] : target) {
      auto it = current.find(path);
      if (it == current.end() || it->second != bytes) {
        ASSERT_TRUE(WriteWholeFile(path, bytes)) << path;
      }
    }
  }
  // The catalogue as the table's operations expect it, by direct copies.
  void Restore() {
    Clear();
    for (const auto& [path, bytes] : catalogue_.files) ASSERT_TRUE(WriteWholeFile(path, bytes)) << path;
  }
  std::vector<std::string> Dirs() const { return {catalogue_.dir, catalogue_.dir + kMovedDirectory + "\\"}; }

  // Every file of the catalogue directories and the configuration file.
  Snapshot Take() const {
    Snapshot s;
    for (const std::string& dir : Dirs()) {
      for (const std::string& name : ListFiles(dir)) {
        std::string bytes;
        ReadWholeFile(dir + name, &bytes);
        s[dir + name] = bytes;
      }
    }
    std::string bytes;
    if (ReadWholeFile(SystemPath("ZVLMN3.DAT"), &bytes)) s[SystemPath("ZVLMN3.DAT")] = bytes;
    return s;
  }

  Catalogue catalogue_;
};

// Whether every reader sees the file at path as damaged.
bool ReportedDamaged(const std::string& path) {
  plat::FileHandle file = nullptr;
  zv::ListFileState state = zv::ListFileState::kValid;
  if (zv::ExtensionEquals(path.c_str(), ".FLT")) {
    zv::FormListHeader h;
    state = zv::OpenFormNameList(path.c_str(), plat::kAccessRead, &file, &h);
  } else if (zv::ExtensionEquals(path.c_str(), ".GLT")) {
    zv::GroupListHeader h;
    state = zv::OpenGroupNameList(path.c_str(), plat::kAccessRead, &file, &h);
  } else if (zv::ExtensionEquals(path.c_str(), ".FGP")) {
    zv::GroupInfoHeader h;
    state = zv::OpenGroupInfo(path.c_str(), plat::kAccessRead, &file, &h);
  } else {
    return false;
  }
  if (file) plat::CloseFile(file);
  return state == zv::ListFileState::kDamaged;
}

// ZV_INJECTION_VERBOSE=1 lists the runs that succeeded although a call
// failed, the files left in a third state that the table allows and the
// files left damaged.
bool Verbose() {
  const char* value = std::getenv("ZV_INJECTION_VERBOSE");
  return value && value[0] == '1';
}

std::string Printable(const std::string* bytes) {
  if (!bytes) return "missing";
  std::string text;
  for (unsigned char c : *bytes) {
    char hex[8];
    std::snprintf(hex, sizeof hex, c >= 32 && c < 127 ? "%c" : "\\x%02X", c);
    text += hex;
  }
  return text;
}

std::string Describe(const std::string* bytes) {
  return bytes ? std::to_string(bytes->size()) + " bytes" : "missing";
}

Figures& AllFigures() {
  static Figures figures;
  return figures;
}

TEST_P(FailureInjectionTest, EveryFailureLeavesASoundCatalogue) {
  const Operation& op = GetParam();
  Context context{catalogue_, [] {}};

  // A clean run: the state the operation leaves when nothing fails.
  Restore();
  if (op.prepare) op.prepare(catalogue_);
  const Snapshot before = Take();
  plat::fault::Reset();
  const uint32_t live = plat::fault::LiveBlocks();
  MessageBoxWatcher boxes(op.answer);
  zv::SetLastErrorCode(0);
  const Result cleanResult = op.run(context);
  ASSERT_FALSE(op.failed(cleanResult, zv::GetLastErrorCode()))
      << op.name << ": the clean run fails, " << cleanResult.value;
  ASSERT_EQ(plat::fault::LiveBlocks(), live) << op.name << ": a clean run leaves a block";
  const Snapshot after = Take();
  // Each run starts from the state before the call (prepared included).
  RestoreTo(before, after);

  OperationFigures& figures = AllFigures()[op.name];
  figures.failure = op.failure;
  for (uint32_t p = 0; p < plat::fault::kPointCount; ++p) {
    const Point point = static_cast<Point>(p);
    for (uint32_t n = 1;; ++n) {
      ASSERT_LT(n, 500u) << op.name << " never stops reaching " << kPointNames[p];
      const std::string where = std::string(op.name) + ", " + kPointNames[p] + " call " + std::to_string(n);
      plat::fault::Reset();
      context.arm = [point, n] { plat::fault::FailNth(point, n); };
      zv::SetLastErrorCode(0);
      const Result result = op.run(context);
      const uint32_t code = zv::GetLastErrorCode();
      const bool reached = plat::fault::CallCount(point) >= n;
      plat::fault::Reset();
      context.arm = [] {};
      EXPECT_EQ(plat::fault::LiveBlocks(), live) << where << ": a block is left behind";
      const Snapshot now = Take();
      if (!reached) {
        // The run did not come to the nth call: it is a clean run again.
        EXPECT_FALSE(op.failed(result, code)) << where;
        EXPECT_TRUE(now == after) << where << ": a clean run leaves another catalogue";
        RestoreTo(before, now);
        break;
      }
      ++figures.injected[p];
      if (op.failed(result, code)) {
        EXPECT_TRUE(op.codes.count(code)) << where << ": failure " << result.value << " with code " << code;
      } else {
        ++figures.tolerated;
        if (Verbose())
          std::printf("%s: tolerated, result %lld\n", where.c_str(), static_cast<long long>(result.value));
      }

      // Each file as before the call or as after a clean call.
      std::set<std::string> paths;
      for (const Snapshot* s : {&before, &after, &now}) {
        for (const auto& entry : *s) paths.insert(entry.first);
      }
      std::vector<std::string> damaged;
      for (const std::string& path : paths) {
        auto find = [&path](const Snapshot& s) -> const std::string* {
          auto it = s.find(path);
          return it == s.end() ? nullptr : &it->second;
        };
        const std::string* was = find(before);
        const std::string* clean = find(after);
        const std::string* is = find(now);
        auto same = [](const std::string* a, const std::string* b) { return a ? b && *a == *b : !b; };
        if (same(is, was) || same(is, clean)) continue;
        if (op.mayLeave && is && op.mayLeave(path)) {
          if (Verbose()) {
            std::printf("%s: %s left as allowed\n  is:    %s\n  clean: %s\n", where.c_str(), path.c_str(),
                        Printable(is).c_str(), Printable(clean).c_str());
          }
          continue;
        }
        if (op.mayDamage && is && ReportedDamaged(path)) {
          if (Verbose()) std::printf("%s: %s left damaged\n", where.c_str(), path.c_str());
          damaged.push_back(path);
          continue;
        }
        ADD_FAILURE() << where << ": " << path << " is " << Describe(is) << ", was " << Describe(was)
                      << ", a clean call leaves " << Describe(clean);
      }
      if (!damaged.empty()) {
        ++figures.damaged;
        // Every reader reads the damaged catalogue, none changes it.
        ReadEverything(catalogue_);
        const Snapshot read = Take();
        EXPECT_TRUE(read == now) << where << ": a reader changed a damaged file";
        EXPECT_EQ(plat::fault::LiveBlocks(), live) << where << ": a reader left a block";
        RestoreTo(before, read);
      } else {
        RestoreTo(before, now);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(All, FailureInjectionTest, ::testing::ValuesIn(Operations()),
                         [](const ::testing::TestParamInfo<Operation>& param) { return param.param.id; });

// Writes the figures as a Markdown table beside the test results (and to
// the output) once every operation has run.
class FiguresWriter : public ::testing::Environment {
 public:
  void TearDown() override {
    std::string table =
        "| Operation | Failure value and last error code | alloc | open | read | write | set end | profile "
        "write "
        "| total | tolerated | damaged |\n|---|---|---|---|---|---|---|---|---|---|---|\n";
    uint32_t sums[plat::fault::kPointCount] = {};
    uint32_t all = 0;
    for (const Operation& op : Operations()) {
      auto it = AllFigures().find(op.name);
      if (it == AllFigures().end()) continue;
      const OperationFigures& f = it->second;
      uint32_t total = 0;
      table += std::string("| ") + op.name + " | " + f.failure + " |";
      for (uint32_t p = 0; p < plat::fault::kPointCount; ++p) {
        table += " " + std::to_string(f.injected[p]) + " |";
        total += f.injected[p];
        sums[p] += f.injected[p];
      }
      all += total;
      table += " " + std::to_string(total) + " | " + std::to_string(f.tolerated) + " | " +
               std::to_string(f.damaged) + " |\n";
    }
    table += "| all | |";
    for (uint32_t s : sums) table += " " + std::to_string(s) + " |";
    table += " " + std::to_string(all) + " | | |\n";
    std::printf("%s", table.c_str());

    // Beside the XML results that --gtest_output names.
    std::string output = ::testing::GTEST_FLAG(output);
    if (output.rfind("xml:", 0) != 0) return;
    output.erase(0, 4);
    const size_t cut = output.find_last_of("/\\");
    if (cut == std::string::npos) return;
    const std::string path = output.substr(0, cut + 1) + "failure-points-" + ZV_BUILD_KIND_NAME + ".md";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fputs(table.c_str(), f);
      std::fclose(f);
    }
  }
};

const ::testing::Environment* const kFiguresWriter = ::testing::AddGlobalTestEnvironment(new FiguresWriter);

}  // namespace
}  // namespace zvtest::injection
