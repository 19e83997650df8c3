// Fuzzes overlay data files and their companions: the input is split into
// the data file, its .ZLI description companion and its .ZLF paper companion
// (each part but the last with a u16 length in front). The data file is read
// both as a .ZLP file and as a raw .ZLC file, and the readers' results are
// compared with what the bytes say; none may change a byte. The header
// rewrite must refuse raw data and short files untouched and, where it
// succeeds, change the layer and the description only.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/byte_order.h"
#include "catalogue/group_info.h"
#include "catalogue/overlay_files.h"
#include "catalogue/print_settings.h"
#include "maintenance/file_transfer.h"
#include "scratch_catalogue.h"

namespace {

using namespace zvfuzz;

constexpr char kHeaderPath[] = "C:\\CAT\\FORM.ZLP";
constexpr char kRawPath[] = "C:\\CAT\\FORM.ZLC";
constexpr char kDescriptionPath[] = "C:\\CAT\\FORM.ZLI";
constexpr char kPaperPath[] = "C:\\CAT\\FORM.ZLF";
constexpr char kNoDotPath[] = "C:\\CAT\\NODOT";
constexpr char kNoDotPaperPath[] = "C:\\CAT\\NODOT.ZLF";
constexpr char kNewDescription[] = "Rewritten description";

const uint16_t kCapabilities[] = {1, 3, 0x4002};

std::vector<zv::PaperEntry> Papers() {
  std::vector<zv::PaperEntry> papers(3);
  const uint16_t codes[] = {9, 1, 256};
  for (size_t i = 0; i < papers.size(); ++i) {
    papers[i] = zv::PaperEntry{1, 2100, 2970, 0, 0, codes[i], {}};
    std::strcpy(papers[i].name, "Paper");
  }
  return papers;
}

// The first size bytes of a file as a reader sees them: a short file leaves
// zeros behind.
std::string Padded(const std::string& bytes, size_t size) {
  std::string padded = bytes.substr(0, size);
  padded.resize(size, '\0');
  return padded;
}

const unsigned char* Bytes(const std::string& text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

int16_t ExpectedPaperIndex(uint16_t code, const std::vector<zv::PaperEntry>& papers) {
  if (code == zv::kNoPaper) return -1;
  for (size_t i = 0; i < papers.size(); ++i) {
    if (papers[i].code == code) return static_cast<int16_t>(i);
  }
  return -1;
}

void CheckReaders(const std::string& data, const std::string& descriptionCompanion,
                  const std::string& paperCompanion) {
  const std::vector<zv::PaperEntry> papers = Papers();
  const uint16_t count = static_cast<uint16_t>(papers.size());
  const bool raw = !data.empty() && static_cast<unsigned char>(data[0]) == 0x1D;
  const std::string header = Padded(data, 319);

  ZV_FUZZ_CHECK(zv::HasOverlayHeader(kHeaderPath) == !raw);
  ZV_FUZZ_CHECK(!zv::HasOverlayHeader(kRawPath));

  // The record: the header's, or the defaults of raw data.
  zv::PrintSettings settings;
  zv::ReadOverlaySettings(kHeaderPath, 0, &settings);
  unsigned char record[34];
  zv::EncodePrintSettings(settings, record);
  if (!raw) {
    ZV_FUZZ_CHECK(std::memcmp(record, Bytes(header) + 285, 34) == 0);
    zv::ReadOverlaySettings(kHeaderPath, 2, &settings);
    ZV_FUZZ_CHECK(settings.layer == 2);
  }
  zv::ReadOverlaySettings(kRawPath, 1, &settings);
  const bool signature = Padded(data, 10).compare(1, 9, "0;0.24muE") == 0;
  ZV_FUZZ_CHECK(settings.mark == 1 && settings.layer == 1 && settings.colour == 2 && settings.zoom == 100);
  ZV_FUZZ_CHECK(settings.resolution == (signature ? 600 : 300));

  // The lines of the record, and both matches against a driver block.
  char line[zv::kOverlayLineSize];
  zv::ReadOverlaySettings(kHeaderPath, 0, &settings);
  zv::BuildOverlayLine(settings, papers.data(), count, true, line);
  ZV_FUZZ_CHECK(strnlen(line, sizeof line) < sizeof line);
  const std::vector<unsigned char> block = DriverBlock(2, 600, 2, 9, 2100, 2970, 1);
  zv::MatchOverlaySettings(settings, block.data(), 3, kCapabilities);
  zv::MatchSettingsExactly(settings, block.data());

  // Descriptions: from the header, or from the .ZLI companion.
  char description[zv::kOverlayDescriptionSize];
  std::memset(description, 'x', sizeof description);
  const uint16_t layer = zv::GetOverlayDescription(kHeaderPath, description);
  ZV_FUZZ_CHECK(layer == static_cast<unsigned char>(header[287]));
  ZV_FUZZ_CHECK(std::string(description) ==
                std::string(header.c_str() + 29, strnlen(header.c_str() + 29, 256)));
  std::memset(description, 'x', sizeof description);
  ZV_FUZZ_CHECK(zv::GetOverlayDescription(kRawPath, description) == 1);
  const std::string companion = Padded(descriptionCompanion, 288);
  ZV_FUZZ_CHECK(std::string(description) ==
                std::string(companion.c_str() + 32, strnlen(companion.c_str() + 32, 256)));
  ZV_FUZZ_CHECK(zv::GetOverlayDescription(kNoDotPath, description) == 0);

  // Papers: from the header, or from the .ZLF companion.
  uint16_t orientation = 9;
  int16_t index = zv::FindPaperEntryIndex(kHeaderPath, count, papers.data(), &orientation);
  if (!raw) {
    ZV_FUZZ_CHECK(index == ExpectedPaperIndex(zv::GetU16(Bytes(header) + 299), papers));
    ZV_FUZZ_CHECK(orientation == static_cast<unsigned char>(header[301]));
  }
  const std::string paper = Padded(paperCompanion, 54);
  const uint16_t companionOrientation = zv::GetU16(Bytes(paper) + 52) == 0 ? 1 : 2;
  const int16_t companionIndex = ExpectedPaperIndex(zv::GetU16(Bytes(paper) + 50), papers);
  // A raw file's paper is in its companion: the extension replaced, or
  // appended to a name without a dot (which is raw only by its first byte).
  for (const char* path : {kRawPath, kNoDotPath}) {
    if (path == kNoDotPath && !raw) continue;
    orientation = 9;
    index = zv::FindPaperEntryIndex(path, count, papers.data(), &orientation);
    ZV_FUZZ_CHECK(index == companionIndex && orientation == companionOrientation);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetUpScratchCatalogue();
  const std::vector<std::string> parts = SplitInput(data, size, 3);
  ClearDirectory(kCatalogueDir);
  WriteWholeFile(kHeaderPath, parts[0]);
  WriteWholeFile(kRawPath, parts[0]);
  WriteWholeFile(kNoDotPath, parts[0]);
  WriteWholeFile(kDescriptionPath, parts[1]);
  WriteWholeFile(kPaperPath, parts[2]);
  WriteWholeFile(kNoDotPaperPath, parts[2]);
  const char* const files[] = {kHeaderPath, kRawPath,   kDescriptionPath,
                               kPaperPath,  kNoDotPath, kNoDotPaperPath};
  std::vector<FileState> before;
  for (const char* file : files) before.push_back(ReadFileState(file));

  CheckReaders(parts[0], parts[1], parts[2]);
  for (size_t i = 0; i < before.size(); ++i) ZV_FUZZ_CHECK(ReadFileState(files[i]) == before[i]);

  // The rewrite refuses raw data, whatever its name.
  ZV_FUZZ_CHECK(!zv::RewriteOverlayHeader(kRawPath, 2, kNewDescription));
  ZV_FUZZ_CHECK(ReadFileState(kRawPath) == before[1]);

  const bool raw = !parts[0].empty() && static_cast<unsigned char>(parts[0][0]) == 0x1D;
  const bool rewritten = zv::RewriteOverlayHeader(kHeaderPath, 2, kNewDescription);
  const FileState after = ReadFileState(kHeaderPath);
  ZV_FUZZ_CHECK(rewritten == (!raw && parts[0].size() >= 319));
  if (!rewritten) {
    ZV_FUZZ_CHECK(after == before[0]);
    return 0;
  }
  // Only the layer byte and the description with its terminator change.
  std::string expected = parts[0];
  expected[287] = 2;
  expected.replace(29, sizeof kNewDescription, kNewDescription, sizeof kNewDescription);
  ZV_FUZZ_CHECK(after.bytes == expected);
  before[0] = after;
  CheckReaders(after.bytes, parts[1], parts[2]);
  return 0;
}
