// The catalogues the benchmark runs on: the largest the default ranges
// allow, and smaller ones of the same shape, so that growth shows. Each has
// `forms` named forms with 24-character names and 255-character
// descriptions, 256 file entries, and a last form whose group holds 256
// overlays (the only overlay data file that matches the driver settings
// block is the group's last). The files are built once per size and written
// through the platform layer.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zvbench {

constexpr uint32_t kFileEntries = 256;
constexpr uint32_t kOverlays = 256;

struct Catalogue {
  uint32_t forms = 0;
  std::string systemDir;  // ending in a backslash
  std::string dir;        // the catalogue's own directory, ending in a backslash
  std::string config;     // ZVLMN3.DAT in the system directory
  std::string configBytes;
  std::string formList;
  std::string groupList;
  std::string groupInfo;     // the last form's group info file
  std::string lastName;      // the last named form's name
  std::string driverBlock;   // settings that the group's last overlay matches
  std::string matchingFile;  // that overlay's data file
  std::string firstOverlay;  // the group's first overlay data file
  // Sizes that the operations' reads follow from.
  uint32_t formListSize = 0;
  uint32_t groupListSize = 0;
  uint32_t groupInfoSize = 0;
  uint32_t groupInfoTableEnd = 0;  // header and entry table
  uint32_t lastFormGroupText = 0;  // length of the last form's group text
  uint32_t lastFileEntryText = 0;  // length of file entry -256's group text
  uint32_t overlayNameLength = 0;  // length of one overlay file name
  uint32_t groupInfoStrings = 0;
  uint32_t groupInfoPool = 0;
  uint32_t poolAfterFirstString = 0;       // pool bytes behind the first group string
  uint32_t groupListTable = 0;             // group list header and offset table
  uint32_t fileEntryPool = 0;              // pool bytes of the file entries' texts
  std::vector<uint32_t> groupTextLengths;  // the group list's texts in order
  // Every file of the catalogue with its bytes, for restoring after writers.
  std::vector<std::pair<std::string, std::string>> files;
};

// Builds the catalogue of `forms` named forms under dir and points the
// catalogue configuration file of the system directory at it.
Catalogue BuildCatalogue(uint32_t forms, const std::string& systemDir, const std::string& dir);
// Points the catalogue configuration at this catalogue again.
void UseCatalogue(const Catalogue& catalogue);
// Writes the files back as built (after an operation changed them).
void RestoreFiles(const Catalogue& catalogue, const std::vector<std::string>& paths);
// Removes every file of the catalogue and its configuration.
void RemoveCatalogue(const Catalogue& catalogue);

bool WriteWhole(const std::string& path, const std::string& bytes);

}  // namespace zvbench
