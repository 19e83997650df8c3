#include "support/sample_driver.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include "platform/posix/posix_config.h"
#endif

#include <filesystem>
#include <system_error>

#include "platform/platform.h"
#include "support/sandbox.h"

namespace zvtest {

std::string SampleDriver() {
  char program[4096] = "";
#ifdef _WIN32
  GetModuleFileNameA(nullptr, program, sizeof program);
  std::string path = program;
  path.erase(path.rfind('\\'));
  return path.substr(0, path.rfind('\\') + 1) + "ZVSAMPLE.dll";
#else
  const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
  if (length <= 0) return std::string();
  std::string host(program, static_cast<size_t>(length));
  host.erase(host.rfind('/'));
  host = host.substr(0, host.rfind('/') + 1) + "ZVSAMPLE.so";
  char windows[plat::kPathBuffer];
  return plat::posix::ToWindowsPath(host.c_str(), windows, sizeof windows) ? windows : "";
#endif
}

std::string SampleDriverIn(const std::string& dir, const std::string& settings) {
  const std::string built = SampleDriver();
  if (built.empty()) return std::string();
  const std::string copy = dir + built.substr(built.rfind('\\') + 1);
  std::error_code error;
  std::filesystem::create_directories(HostPath(dir), error);
  if (!FileExists(copy) && !std::filesystem::copy_file(HostPath(built), HostPath(copy), error)) {
    return std::string();
  }
  return WriteWholeFile(dir + "ZVSAMPLE.INI", settings) ? copy : std::string();
}

}  // namespace zvtest
