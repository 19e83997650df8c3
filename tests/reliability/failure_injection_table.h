// The operations the failure injection harness runs: how each is called on
// the catalogue, what it returns when it fails and which last error codes it
// may leave then, and which of its files may be left damaged.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/fault_injection.h"

namespace zvtest::injection {

// Subdirectory of the catalogue directory that files are moved into.
constexpr char kMovedDirectory[] = "MOVED";

// The catalogue every run starts from: its directory (ending in a
// backslash) and every file, the configuration file in the system directory
// included, by full Windows path.
struct Catalogue {
  std::string systemDir;  // ending in a backslash
  std::string dir;
  std::vector<std::pair<std::string, std::string>> files;
  std::string formList;
  std::string groupList;
  std::string groupInfo;  // the group info file of form 1
  std::string driver;     // the sample printer driver module
  std::string block;      // a driver settings block that form 1's first overlay matches exactly
};

Catalogue MakeCatalogue(const std::string& scratchDir, const std::string& systemDir);

// What a run gives the harness: the operation's result, as a number.
struct Result {
  int64_t value;
};

// What an operation is called with: the catalogue, and arm, which the
// operation calls just before the call under test so that the failure
// switch counts that call's platform calls only.
struct Context {
  const Catalogue& catalogue;
  std::function<void()> arm;
  void Arm() const { arm(); }
};

struct Operation {
  const char* id;       // the test's name
  const char* name;     // the operation as the figures name it
  const char* failure;  // its failure value and codes, for the figures
  // True when the result (and the last error code after the call) is the
  // operation's failure result.
  std::function<bool(const Result&, uint32_t code)> failed;
  std::set<uint32_t> codes;  // last error codes a failure may leave
  std::function<Result(const Context&)> run;
  // Moves bytes inside a list or group info file: a failure in the middle
  // may leave that file damaged.
  bool mayDamage = false;
  // Runs after the catalogue is restored, before the call.
  std::function<void(const Catalogue&)> prepare;
  // A file the operation may leave in a third state, as its description
  // says (null: none).
  std::function<bool(const std::string& path)> mayLeave;
  int answer = 7;  // how message boxes are answered (IDNO)
};

const std::vector<Operation>& Operations();

// The test's name stands for the operation in messages.
inline void PrintTo(const Operation& op, std::ostream* os) {
  *os << op.id;
}

// Calls every reader of the module on the catalogue as it stands.
void ReadEverything(const Catalogue& catalogue);

using Snapshot = std::map<std::string, std::string>;

struct OperationFigures {
  std::string failure;
  uint32_t injected[plat::fault::kPointCount] = {};
  uint32_t tolerated = 0;  // runs that succeeded although a call failed
  uint32_t damaged = 0;    // runs that left a file damaged
};
using Figures = std::map<std::string, OperationFigures>;

}  // namespace zvtest::injection
