// What the fuzz targets share: a scratch catalogue the Linux platform layer is
// pointed at, whole files by Windows path, the print settings they match with,
// the validity rule of each list format and the writers' rules.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/posix_config.h"
#include "support/catalogue_bytes.h"
#include "zvlmn30e.h"

namespace zvfuzz {

// Ends the run naming the property, where it was checked and the operation
// under check (a static text given to SetContext): libFuzzer keeps the input.
[[noreturn]] void Fail(const char* property, const char* file, int line);
void SetContext(const char* operation);
#define ZV_FUZZ_CHECK(p) do { if (!(p)) ::zvfuzz::Fail(#p, __FILE__, __LINE__); } while (0)

// Made once per process in a new directory that is removed at exit: drive C:
// with the system directory C:\WINDOWS\SYSTEM, this module at
// C:\DRIVERS\ZVLMN30E.DLL, and ZVLMN3.DAT naming the list files of C:\CAT.
void SetUpScratchCatalogue();
constexpr char kCatalogueDir[] = "C:\\CAT", kFormListPath[] = "C:\\CAT\\ZVLMN3.FLT",
               kGroupListPath[] = "C:\\CAT\\ZVLMN3.GLT";

// Whole files by Windows path through the C library, not the platform layer
// under test. A missing file reads as absent.
struct FileState {
  bool exists;
  std::string bytes;
  bool operator==(const FileState& o) const { return exists == o.exists && bytes == o.bytes; }
};
void WriteWholeFile(const std::string& path, const std::string& bytes);
FileState ReadFileState(const std::string& path);
std::vector<FileState> ReadFileStates(const std::vector<std::string>& paths);
void RemoveFile(const std::string& path);
// The catalogue directory holding only these two list files, and the states
// of both (form name list first), as ReadLists gives them.
std::vector<FileState> WriteLists(const std::string& formList, const std::string& groupList);
std::vector<FileState> ReadLists();
void ClearDirectory(const std::string& dir);  // its files, not its subdirectories
inline bool Fits(const char* text, size_t size) { return strnlen(text, size) < size; }

// Black at 600 dpi, printing mode 2, A4 2100 x 2970 portrait, mode level 1,
// zoom 100: the driver's settings block, and the record of layer 1 matching it.
const std::vector<unsigned char>& Block();
const std::string& Record();

// A list file is valid with its magic and a size of exactly what the header's
// counts imply; the counts go to the outputs.
enum class Format { kFormList, kGroupList, kGroupInfo };
bool Valid(Format format, const std::string& bytes, uint32_t* count = nullptr, uint32_t* second = nullptr);

// What every writer keeps to, for a file it may edit: a damaged or missing
// file is left as it was; a writer that failed left the file as it was (or
// valid, after a documented partial edit); one that succeeded left it valid
// (or deleted, where deleting is allowed).
struct WriterOutcome {
  bool succeeded, mayDelete, mayChangeOnFailure;
};
void CheckWriter(const char* what, const FileState& before, const FileState& after, const WriterOutcome& outcome,
                 Format format);
// CheckWriter on both list files of WriteLists and ReadLists, neither of which
// the writer may delete or change on failure.
void CheckListWriters(const char* what, const std::vector<FileState>& before, const std::vector<FileState>& after,
                      bool succeeded);

// Runs a third of the writers per input, chosen by its size: a run stays
// short, and inputs of every size reach every writer.
template <typename Writer, size_t N, typename Run>
void ForShareOfWriters(const Writer (&writers)[N], size_t size, Run run) {
  for (size_t w = size % 3; w < N; w += 3) SetContext(writers[w].what), run(writers[w]);
  SetContext(nullptr);
}

}  // namespace zvfuzz
