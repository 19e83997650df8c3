// Processes on a Linux host, read from /proc: the stamp of this process and
// whether the process of a stamp still runs. The memory backend has the same
// processes, so it uses this file too.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace plat {
namespace {

// The state letter and start time (clock ticks after boot) of a process, from
// /proc/<id>/stat; false when there is no such process.
bool ReadProcessStat(uint32_t id, char* state, uint64_t* startTime) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%u/stat", static_cast<unsigned>(id));
  FILE* file = std::fopen(path, "r");
  if (!file) return false;
  char line[1024];
  const size_t length = std::fread(line, 1, sizeof line - 1, file);
  std::fclose(file);
  line[length] = '\0';
  // The command name may hold blanks and parentheses: the fields start
  // behind its last ')'.
  const char* p = std::strrchr(line, ')');
  if (!p) return false;
  unsigned long long start = 0;
  if (std::sscanf(p + 1, " %c %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %llu",
                  state, &start) != 2) {
    return false;
  }
  *startTime = start;
  return true;
}

}  // namespace

bool GetProcessStamp(ProcessStamp* stamp) {
  char state = 0;
  const uint32_t id = static_cast<uint32_t>(getpid());
  if (!ReadProcessStat(id, &state, &stamp->startTime)) return false;
  stamp->id = id;
  return true;
}

bool IsProcessRunning(const ProcessStamp& stamp) {
  char state = 0;
  uint64_t startTime = 0;
  if (!ReadProcessStat(stamp.id, &state, &startTime)) return false;
  // A zombie has ended; only its parent has not collected it yet.
  return state != 'Z' && state != 'X' && startTime == stamp.startTime;
}

}  // namespace plat
