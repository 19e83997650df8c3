#include "scratch_catalogue.h"

#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

namespace zvfuzz {
namespace {

std::string g_root;               // host directory of the scratch catalogue
const char* g_context = nullptr;  // the operation under check

std::string HostPath(const std::string& path) {
  char host[4096];
  return plat::posix::ToHostPath(path.c_str(), host, sizeof host) ? host : "";
}

uint64_t U32At(const std::string& b, size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(b.data() + at);
  return p[0] | (p[1] << 8) | (p[2] << 16) | (uint64_t{p[3]} << 24);
}

}  // namespace

void SetContext(const char* operation) { g_context = operation; }

void Fail(const char* property, const char* file, int line) {
  std::fprintf(stderr, "\n%s:%d: property broken: %s%s%s\n", file, line, property, g_context ? ", after " : "",
               g_context ? g_context : "");
  std::abort();
}

void SetUpScratchCatalogue() {
  if (!g_root.empty()) return;
  struct stat st;
  std::string dir = std::string(stat("/dev/shm", &st) == 0 ? "/dev/shm" : "/tmp") + "/zvfuzz-XXXXXX";
  if (!mkdtemp(&dir[0])) Fail("the scratch directory can be made", __FILE__, __LINE__);
  g_root = dir;
  std::atexit([] { nftw(g_root.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
                        FTW_DEPTH | FTW_PHYS); });
  for (const char* sub : {"/c", "/c/WINDOWS", "/c/WINDOWS/SYSTEM", "/c/DRIVERS", "/c/CAT"}) {
    mkdir((g_root + sub).c_str(), 0777);
  }
  plat::posix::MapDrive('C', (g_root + "/c").c_str());
  plat::posix::MapDrive('Z', nullptr);  // fuzzed paths reach nothing outside but relative ones, read only
  plat::posix::SetRegistryDirectory((g_root + "/registry").c_str());
  plat::posix::SetSystemDirectory("C:\\WINDOWS\\SYSTEM");
  plat::posix::SetModuleFileName("C:\\DRIVERS\\ZVLMN30E.DLL");
  WriteWholeFile("C:\\WINDOWS\\SYSTEM\\ZVLMN3.DAT", std::string("[ENVIRONMENT]\r\nCURRENTDIR=") + kCatalogueDir +
                                                        "\r\nUSER=DEFAULT\r\n[DEFAULT]\r\nFormName=" + kFormListPath +
                                                        "\r\nGroupName=" + kGroupListPath + "\r\n");
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  const std::string host = HostPath(path);
  FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "wb");
  const bool written = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (!f || std::fclose(f) != 0 || !written) Fail("a scratch file can be written", __FILE__, __LINE__);
}

FileState ReadFileState(const std::string& path) {
  const std::string host = HostPath(path);
  FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "rb");
  FileState state{f != nullptr, std::string()};
  char buffer[8192];
  for (size_t n; f && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) state.bytes.append(buffer, n);
  if (f) std::fclose(f);
  return state;
}

std::vector<FileState> ReadFileStates(const std::vector<std::string>& paths) {
  std::vector<FileState> states;
  for (const std::string& path : paths) states.push_back(ReadFileState(path));
  return states;
}

void RemoveFile(const std::string& path) { remove(HostPath(path).c_str()); }

std::vector<FileState> ReadLists() {
  return ReadFileStates({kFormListPath, kGroupListPath});
}

std::vector<FileState> WriteLists(const std::string& formList, const std::string& groupList) {
  ClearDirectory(kCatalogueDir);
  WriteWholeFile(kFormListPath, formList);
  WriteWholeFile(kGroupListPath, groupList);
  return ReadLists();
}

void CheckListWriters(const char* what, const std::vector<FileState>& before,
                      const std::vector<FileState>& after, bool succeeded) {
  CheckWriter(what, before[0], after[0], {succeeded, false, false}, Format::kFormList);
  CheckWriter(what, before[1], after[1], {succeeded, false, false}, Format::kGroupList);
}

void ClearDirectory(const std::string& dir) {
  const std::string host = HostPath(dir);
  struct stat st;
  DIR* d = opendir(host.c_str());
  for (dirent* e; d && (e = readdir(d));) {
    const std::string path = host + "/" + e->d_name;
    if (lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) remove(path.c_str());
  }
  if (d) closedir(d);
}

const std::vector<unsigned char>& Block() {
  // Orientation, paper size and code, zoom, output paper, resolution, colour,
  // mode level and printing mode; the rest zero.
  static const std::string b = zvtest::Bytes().U16(1).Zeros(2).U16(2100).U16(2970).Zeros(4).U16(9).Zeros(10)
      .U16(100).Zeros(2).U16(2100).U16(2970).Zeros(4).U16(9).Zeros(6).U16(600).Zeros(2).U16(2).U16(1).Zeros(2)
      .U16(2).Zeros(8).str();
  static const std::vector<unsigned char> block(b.begin(), b.end());
  return block;
}

const std::string& Record() {
  static const std::string record = zvtest::Bytes().U16(1).U8(1).U8(1).U16(0).U16(2100).U16(2970).Zeros(4)
      .U16(9).U8(1).U16(600).U8(2).U8(2).U8(0).U16(2100).U16(2970).Zeros(4).U16(9).U16(100).str();
  return record;
}

bool Valid(Format format, const std::string& b, uint32_t* count, uint32_t* second) {
  static const struct { const char* magic; size_t header; } kFormats[] = {
      {"ZEVROFORM FORMNAMEINFO V1.0", 35}, {"ZEVROFORM GROUPNAMEINFO V1.0", 36}, {"ZEVROFORM GROUPINFO V1.0", 64}};
  const auto& f = kFormats[static_cast<int>(format)];
  if (b.size() < f.header || b.compare(0, std::strlen(f.magic), f.magic) != 0) return false;
  uint64_t first = 0, other = 0, size = 0;
  if (format == Format::kFormList) {
    first = U32At(b, 27), other = U32At(b, 31) & 0xFFFF, size = 35 + 290 * (first + other);
  } else if (format == Format::kGroupList) {
    first = U32At(b, 28), size = 36 + 4 * first + U32At(b, 32);
  } else {
    first = U32At(b, 52), size = 64 + 38 * first + 4 * U32At(b, 56) + U32At(b, 60);
  }
  if (size != b.size()) return false;
  if (count) *count = static_cast<uint32_t>(first);
  if (second) *second = static_cast<uint32_t>(other);
  return true;
}

void CheckWriter(const char* what, const FileState& before, const FileState& after, const WriterOutcome& outcome,
                 Format format) {
  const bool wasValid = before.exists && Valid(format, before.bytes);
  const bool isValid = after.exists && Valid(format, after.bytes), unchanged = before == after;
  const char* property = "a writer that succeeds leaves the file valid";
  bool kept = isValid || (before.exists && !after.exists && outcome.mayDelete);
  if (!wasValid) {
    kept = unchanged, property = before.exists ? "a damaged file is left as it was" : "a missing file is not made";
  } else if (!outcome.succeeded) {
    kept = unchanged || (outcome.mayChangeOnFailure && isValid);
    property = "a writer that fails leaves the file as it was";
  }
  if (kept) return;
  std::fprintf(stderr, "\n%s: before %s, %zu bytes; after %s, %zu bytes; result %d\n", what,
               before.exists ? (wasValid ? "valid" : "damaged") : "absent", before.bytes.size(),
               after.exists ? (isValid ? "valid" : "damaged") : "absent", after.bytes.size(), outcome.succeeded);
  Fail(property, __FILE__, __LINE__);
}

}  // namespace zvfuzz
