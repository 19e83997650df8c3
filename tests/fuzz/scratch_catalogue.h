// What the fuzz targets share: a scratch catalogue that the Linux platform
// layer is pointed at, whole-file access by Windows path, catalogue files
// built field by field, the split of one fuzz input into several files, and
// the check that ends a run when a property does not hold.
#pragma once

#include "support/catalogue_bytes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zvfuzz {

// Ends the run with the property and where it was checked: libFuzzer keeps
// the input that broke it.
[[noreturn]] void Fail(const char* property, const char* file, int line);
// Names the operation under check in the message of a failure (a static
// text; null for none).
void SetContext(const char* operation);
#define ZV_FUZZ_CHECK(property)                                     \
  do {                                                              \
    if (!(property)) ::zvfuzz::Fail(#property, __FILE__, __LINE__); \
  } while (0)

// The scratch catalogue, made once per process in a new directory (on
// /dev/shm when there is one) that is removed at exit: drive C: there, the
// system directory C:\WINDOWS\SYSTEM, this module at C:\DRIVERS\ZVLMN30E.DLL
// and the catalogue directory C:\CAT. ZVLMN3.DAT names the two list files
// below; WriteCatalogueConfiguration writes it again.
void SetUpScratchCatalogue();
void WriteCatalogueConfiguration();

constexpr char kCatalogueDir[] = "C:\\CAT";
constexpr char kFormListPath[] = "C:\\CAT\\ZVLMN3.FLT";
constexpr char kGroupListPath[] = "C:\\CAT\\ZVLMN3.GLT";
constexpr char kSystemDir[] = "C:\\WINDOWS\\SYSTEM";
constexpr char kModuleDir[] = "C:\\DRIVERS";

// A file in the system directory, in the module's directory, or in the
// catalogue directory.
std::string SystemPath(const std::string& name);
std::string ModuleDirPath(const std::string& name);
std::string CataloguePath(const std::string& name);

// Host path of a Windows path; empty when it cannot be mapped.
std::string HostPath(const std::string& windowsPath);

// Whole files by Windows path, through the C library rather than the
// platform layer under test. A missing file reads as absent.
struct FileState {
  bool exists;
  std::string bytes;
  bool operator==(const FileState& other) const { return exists == other.exists && bytes == other.bytes; }
  bool operator!=(const FileState& other) const { return !(*this == other); }
};
void WriteWholeFile(const std::string& windowsPath, const std::string& bytes);
FileState ReadFileState(const std::string& windowsPath);
// Puts a file back as it was: written, or removed when it was absent.
void RestoreFile(const std::string& windowsPath, const FileState& state);
void RemoveFile(const std::string& windowsPath);
// Removes every file of a directory (not its subdirectories).
void ClearDirectory(const std::string& windowsDir);

// Splits a fuzz input into count parts: each part but the last is a u16
// length (little-endian, cut to what is left) and that many bytes; the last
// part is the rest.
std::vector<std::string> SplitInput(const uint8_t* data, size_t size, size_t count);

// The catalogue file builders the tests use.
using zvtest::Bytes;
using zvtest::FormListFile;
using zvtest::FormSpec;
using zvtest::GroupInfoFile;
using zvtest::GroupNameListFile;

// A print settings record: colour, resolution, printing mode, paper code and
// size, orientation, output paper code and size; mark 1, zoom 100.
std::string SettingsRecord(uint8_t colour, uint16_t resolution, uint8_t mode, uint16_t paperCode,
                           int16_t width, int16_t height, uint8_t orientation);
// A driver settings block (56 bytes) matching SettingsRecord's fields.
std::vector<unsigned char> DriverBlock(uint8_t colour, uint16_t resolution, uint8_t mode, uint16_t paperCode,
                                       int16_t width, int16_t height, uint8_t orientation);

}  // namespace zvfuzz

namespace zvfuzz {

// The validity rule of each list format, read straight from the bytes: the
// magic, and a size of exactly what the header's counts imply. The counts go
// to the outputs (which may be null) of a valid file.
bool FormListValid(const std::string& bytes, uint32_t* namedCount, uint32_t* fileEntryCount);
bool GroupListValid(const std::string& bytes, uint32_t* entryCount);
bool GroupInfoValid(const std::string& bytes, uint32_t* entryCount);
using Validity = bool (*)(const std::string& bytes);
bool FormListIsValid(const std::string& bytes);
bool GroupListIsValid(const std::string& bytes);
bool GroupInfoIsValid(const std::string& bytes);

// What every writer keeps to, for one file it may edit: a file that was
// damaged (or absent, when the writer may not create it) is left as it was;
// a writer that failed left the file as it was; one that succeeded left it
// valid (or deleted it, when deleting is allowed).
struct WriterOutcome {
  bool succeeded;
  bool mayCreate;
  bool mayDelete;
  bool mayChangeOnFailure;  // a documented partial edit: still valid
};
void CheckWriter(const char* what, const FileState& before, const FileState& after,
                 const WriterOutcome& outcome, Validity valid);

}  // namespace zvfuzz
