#include "scratch_catalogue.h"

#include <dirent.h>
#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/posix/posix_config.h"

namespace zvfuzz {
namespace {

std::string g_root;               // host directory of the scratch catalogue
const char* g_context = nullptr;  // the operation under check

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  return remove(path);
}

void RemoveScratch() {
  if (g_root.rfind("/zvfuzz-") == std::string::npos) return;
  nftw(g_root.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void MakeHostDirectory(const std::string& host) {
  mkdir(host.c_str(), 0777);
}

}  // namespace

void SetContext(const char* operation) {
  g_context = operation;
}

void Fail(const char* property, const char* file, int line) {
  std::fprintf(stderr, "\n%s:%d: property broken: %s%s%s\n", file, line, property,
               g_context ? ", after " : "", g_context ? g_context : "");
  std::fflush(stderr);
  abort();
}

void SetUpScratchCatalogue() {
  if (!g_root.empty()) return;
  struct stat st;
  std::string pattern = stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
  pattern += "/zvfuzz-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!mkdtemp(name.data())) Fail("the scratch directory can be made", __FILE__, __LINE__);
  g_root = name.data();
  atexit(RemoveScratch);
  const std::string c = g_root + "/c";
  MakeHostDirectory(c);
  MakeHostDirectory(c + "/WINDOWS");
  MakeHostDirectory(c + "/WINDOWS/SYSTEM");
  MakeHostDirectory(c + "/DRIVERS");
  MakeHostDirectory(c + "/CAT");
  plat::posix::MapDrive('C', c.c_str());
  // Fuzzed paths reach nothing outside the scratch directory but relative
  // ones (read only): no drive maps the host's root.
  plat::posix::MapDrive('Z', nullptr);
  plat::posix::SetRegistryDirectory((g_root + "/registry").c_str());
  plat::posix::SetSystemDirectory(kSystemDir);
  plat::posix::SetModuleFileName("C:\\DRIVERS\\ZVLMN30E.DLL");
  WriteCatalogueConfiguration();
}

void WriteCatalogueConfiguration() {
  WriteWholeFile(SystemPath("ZVLMN3.DAT"), std::string("[ENVIRONMENT]\r\nCURRENTDIR=") + kCatalogueDir +
                                               "\r\nUSER=DEFAULT\r\n[DEFAULT]\r\nFormName=" + kFormListPath +
                                               "\r\nGroupName=" + kGroupListPath + "\r\n");
}

std::string SystemPath(const std::string& name) {
  return std::string(kSystemDir) + "\\" + name;
}

std::string ModuleDirPath(const std::string& name) {
  return std::string(kModuleDir) + "\\" + name;
}

std::string CataloguePath(const std::string& name) {
  return std::string(kCatalogueDir) + "\\" + name;
}

std::string HostPath(const std::string& windowsPath) {
  char host[4096];
  if (!plat::posix::ToHostPath(windowsPath.c_str(), host, sizeof host)) return std::string();
  return host;
}

void WriteWholeFile(const std::string& windowsPath, const std::string& bytes) {
  const std::string host = HostPath(windowsPath);
  FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "wb");
  if (!f) Fail("a scratch file can be written", __FILE__, __LINE__);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !written) Fail("a scratch file can be written", __FILE__, __LINE__);
}

FileState ReadFileState(const std::string& windowsPath) {
  FileState state{false, std::string()};
  const std::string host = HostPath(windowsPath);
  FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "rb");
  if (!f) return state;
  state.exists = true;
  char buffer[8192];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) state.bytes.append(buffer, n);
  std::fclose(f);
  return state;
}

void RestoreFile(const std::string& windowsPath, const FileState& state) {
  if (state.exists) {
    WriteWholeFile(windowsPath, state.bytes);
  } else {
    RemoveFile(windowsPath);
  }
}

void RemoveFile(const std::string& windowsPath) {
  const std::string host = HostPath(windowsPath);
  if (!host.empty()) remove(host.c_str());
}

void ClearDirectory(const std::string& windowsDir) {
  const std::string host = HostPath(windowsDir);
  DIR* d = host.empty() ? nullptr : opendir(host.c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    const std::string path = host + "/" + e->d_name;
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) remove(path.c_str());
  }
  closedir(d);
}

std::vector<std::string> SplitInput(const uint8_t* data, size_t size, size_t count) {
  std::vector<std::string> parts;
  for (size_t i = 0; i + 1 < count; ++i) {
    size_t length = 0;
    if (size >= 2) {
      length = data[0] | (data[1] << 8);
      data += 2;
      size -= 2;
    } else {
      data += size;
      size = 0;
    }
    if (length > size) length = size;
    parts.emplace_back(reinterpret_cast<const char*>(data), length);
    data += length;
    size -= length;
  }
  parts.emplace_back(reinterpret_cast<const char*>(data), size);
  return parts;
}

std::string SettingsRecord(uint8_t colour, uint16_t resolution, uint8_t mode, uint16_t paperCode,
                           int16_t width, int16_t height, uint8_t orientation) {
  zv::PrintSettings s{};
  s.mark = 1;
  s.layer = 1;
  s.modeLevel = 1;
  s.paperWidth = s.outputWidth = width;
  s.paperHeight = s.outputHeight = height;
  s.paperCode = s.outputCode = paperCode;
  s.orientation = orientation;
  s.resolution = resolution;
  s.colour = colour;
  s.printingMode = mode;
  s.zoom = 100;
  return zvtest::SettingsRecordBytes(s);
}

std::vector<unsigned char> DriverBlock(uint8_t colour, uint16_t resolution, uint8_t mode, uint16_t paperCode,
                                       int16_t width, int16_t height, uint8_t orientation) {
  std::vector<unsigned char> block(64, 0);
  auto put16 = [&block](size_t at, uint16_t v) {
    block[at] = static_cast<unsigned char>(v);
    block[at + 1] = static_cast<unsigned char>(v >> 8);
  };
  put16(0, orientation);
  put16(4, static_cast<uint16_t>(width));
  put16(6, static_cast<uint16_t>(height));
  put16(12, paperCode);
  put16(24, 100);  // zoom
  put16(28, static_cast<uint16_t>(width));
  put16(30, static_cast<uint16_t>(height));
  put16(36, paperCode);
  put16(44, resolution);
  put16(48, colour);
  put16(50, 1);  // mode level
  put16(54, mode);
  return block;
}

}  // namespace zvfuzz

namespace zvfuzz {
namespace {

uint32_t U32At(const std::string& bytes, size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint32_t U16At(const std::string& bytes, size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8);
}

bool HasMagic(const std::string& bytes, const char* magic, size_t headerSize) {
  return bytes.size() >= headerSize && bytes.compare(0, std::strlen(magic), magic) == 0;
}

}  // namespace

bool FormListValid(const std::string& bytes, uint32_t* namedCount, uint32_t* fileEntryCount) {
  if (!HasMagic(bytes, "ZEVROFORM FORMNAMEINFO V1.0", 35)) return false;
  const uint64_t named = U32At(bytes, 27);
  const uint64_t entries = U16At(bytes, 31);
  if (35 + 290 * (named + entries) != bytes.size()) return false;
  if (namedCount) *namedCount = static_cast<uint32_t>(named);
  if (fileEntryCount) *fileEntryCount = static_cast<uint32_t>(entries);
  return true;
}

bool GroupListValid(const std::string& bytes, uint32_t* entryCount) {
  if (!HasMagic(bytes, "ZEVROFORM GROUPNAMEINFO V1.0", 36)) return false;
  const uint64_t count = U32At(bytes, 28);
  if (36 + 4 * count + U32At(bytes, 32) != bytes.size()) return false;
  if (entryCount) *entryCount = static_cast<uint32_t>(count);
  return true;
}

bool GroupInfoValid(const std::string& bytes, uint32_t* entryCount) {
  if (!HasMagic(bytes, "ZEVROFORM GROUPINFO V1.0", 64)) return false;
  const uint64_t entries = U32At(bytes, 52);
  if (64 + 38 * entries + 4 * uint64_t{U32At(bytes, 56)} + U32At(bytes, 60) != bytes.size()) return false;
  if (entryCount) *entryCount = static_cast<uint32_t>(entries);
  return true;
}

bool FormListIsValid(const std::string& bytes) {
  return FormListValid(bytes, nullptr, nullptr);
}

bool GroupListIsValid(const std::string& bytes) {
  return GroupListValid(bytes, nullptr);
}

bool GroupInfoIsValid(const std::string& bytes) {
  return GroupInfoValid(bytes, nullptr);
}

void CheckWriter(const char* what, const FileState& before, const FileState& after,
                 const WriterOutcome& outcome, Validity valid) {
  const bool wasValid = before.exists && valid(before.bytes);
  const bool isValid = after.exists && valid(after.bytes);
  const bool unchanged = before == after;
  const bool deleted = before.exists && !after.exists;
  bool kept = true;
  const char* property = "";
  if (before.exists && !wasValid) {
    kept = unchanged;
    property = "a damaged file is left as it was";
  } else if (!before.exists && !outcome.mayCreate) {
    kept = unchanged;
    property = "a missing file is not made";
  } else if (!before.exists) {
    kept = !after.exists || isValid;
    property = "a file made is valid, or made not at all";
  } else if (!outcome.succeeded) {
    kept = unchanged || (outcome.mayChangeOnFailure && isValid);
    property = "a writer that fails leaves the file as it was";
  } else {
    kept = isValid || (deleted && outcome.mayDelete);
    property = "a writer that succeeds leaves the file valid";
  }
  if (!kept) {
    std::fprintf(stderr, "\n%s: %s (before: %s, %zu bytes; after: %s, %zu bytes; result %d)\n", what,
                 property, before.exists ? (wasValid ? "valid" : "damaged") : "absent", before.bytes.size(),
                 after.exists ? (isValid ? "valid" : "damaged") : "absent", after.bytes.size(),
                 outcome.succeeded ? 1 : 0);
    Fail(property, __FILE__, __LINE__);
  }
}

}  // namespace zvfuzz
