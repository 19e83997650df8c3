// Fuzzes overlay data files and their companions: the input is split into the
// data file, its .ZLI description companion and its .ZLF paper companion
// (each part but the last a u16 length and that many bytes). The data file is
// read as a .ZLP file, as a raw .ZLC file and under a name without a dot; the
// readers agree with the bytes and change none. The header rewrite refuses
// raw data and short files untouched, and else changes the layer and the
// description only.
#include <algorithm>

#include "catalogue/byte_order.h"
#include "catalogue/group_info.h"
#include "catalogue/overlay_files.h"
#include "catalogue/print_settings.h"
#include "maintenance/file_transfer.h"
#include "scratch_catalogue.h"

using namespace zvfuzz;

constexpr char kHeaderPath[] = "C:\\CAT\\FORM.ZLP", kRawPath[] = "C:\\CAT\\FORM.ZLC", kNoDotPath[] = "C:\\CAT\\NODOT";
constexpr char kNewDescription[] = "Rewritten description";
const std::vector<std::string> kFiles = {kHeaderPath,        kRawPath,           kNoDotPath,
                                         "C:\\CAT\\FORM.ZLI", "C:\\CAT\\FORM.ZLF", "C:\\CAT\\NODOT.ZLF"};
const uint16_t kCapabilities[] = {1, 3, 0x4002};
const std::vector<zv::PaperEntry> kPapers = [] {
  std::vector<zv::PaperEntry> papers;
  for (uint16_t code : {9, 1, 256}) papers.push_back({1, 2100, 2970, 0, 0, code, {}});
  for (zv::PaperEntry& paper : papers) std::strcpy(paper.name, "Paper");
  return papers;
}();

bool IsRaw(const std::string& data) { return !data.empty() && static_cast<unsigned char>(data[0]) == 0x1D; }
// The first size bytes as a reader sees them: a short file leaves zeros.
std::string Padded(std::string bytes, size_t size) { return bytes.resize(size, '\0'), bytes; }
// A zero-terminated text of at most 256 bytes; a u16 field.
std::string Text(const std::string& b, size_t at) { return std::string(b.c_str() + at, strnlen(b.c_str() + at, 256)); }
uint16_t U16At(const std::string& b, size_t at) { return zv::GetU16(reinterpret_cast<const uint8_t*>(b.data()) + at); }
int16_t IndexOf(uint16_t code) {
  for (size_t i = 0; code != zv::kNoPaper && i < kPapers.size(); ++i) if (kPapers[i].code == code) return i;
  return -1;
}

void CheckReaders(const std::string& data, const std::string& zli, const std::string& zlf) {
  const uint16_t count = static_cast<uint16_t>(kPapers.size());
  const bool raw = IsRaw(data);
  const std::string header = Padded(data, 319);
  ZV_FUZZ_CHECK(zv::HasOverlayHeader(kHeaderPath) == !raw && !zv::HasOverlayHeader(kRawPath));
  // The record: the header's, or the defaults of raw data.
  zv::PrintSettings settings;
  unsigned char record[34];
  zv::ReadOverlaySettings(kHeaderPath, 0, &settings);
  zv::EncodePrintSettings(settings, record);
  if (!raw) {
    ZV_FUZZ_CHECK(std::memcmp(record, header.data() + 285, 34) == 0);
    zv::ReadOverlaySettings(kHeaderPath, 2, &settings);
    ZV_FUZZ_CHECK(settings.layer == 2);
  }
  zv::ReadOverlaySettings(kRawPath, 1, &settings);
  ZV_FUZZ_CHECK(settings.mark == 1 && settings.layer == 1 && settings.colour == 2 && settings.zoom == 100);
  ZV_FUZZ_CHECK(settings.resolution == (Padded(data, 10).compare(1, 9, "0;0.24muE") == 0 ? 600 : 300));
  // The line of the record, and both matches against a driver block.
  char line[zv::kOverlayLineSize];
  zv::ReadOverlaySettings(kHeaderPath, 0, &settings);
  zv::BuildOverlayLine(settings, kPapers.data(), count, true, line);
  ZV_FUZZ_CHECK(Fits(line, sizeof line));
  zv::MatchOverlaySettings(settings, Block().data(), 3, kCapabilities);
  zv::MatchSettingsExactly(settings, Block().data());
  // Descriptions: from the header, or from the .ZLI companion; none without a dot.
  char description[zv::kOverlayDescriptionSize];
  std::memset(description, 'x', sizeof description);
  ZV_FUZZ_CHECK(zv::GetOverlayDescription(kHeaderPath, description) == static_cast<unsigned char>(header[287]));
  ZV_FUZZ_CHECK(description == Text(header, 29));
  std::memset(description, 'x', sizeof description);
  ZV_FUZZ_CHECK(zv::GetOverlayDescription(kRawPath, description) == 1 && description == Text(Padded(zli, 288), 32));
  ZV_FUZZ_CHECK(zv::GetOverlayDescription(kNoDotPath, description) == 0);
  // Papers: from the header, or from the .ZLF companion, whose name replaces
  // the extension or is appended to a name without a dot (raw by its first byte).
  uint16_t orientation = 9;
  const int16_t index = zv::FindPaperEntryIndex(kHeaderPath, count, kPapers.data(), &orientation);
  if (!raw) ZV_FUZZ_CHECK(index == IndexOf(U16At(header, 299)) && orientation == uint8_t(header[301]));
  const std::string paper = Padded(zlf, 54);
  for (const char* path : {kRawPath, kNoDotPath}) {
    if (path == kNoDotPath && !raw) continue;
    orientation = 9;
    ZV_FUZZ_CHECK(zv::FindPaperEntryIndex(path, count, kPapers.data(), &orientation) == IndexOf(U16At(paper, 50)));
    ZV_FUZZ_CHECK(orientation == (U16At(paper, 52) == 0 ? 1 : 2));
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetUpScratchCatalogue();
  // A u16 length cut to what is left, then that many bytes; the last part is the rest.
  std::string parts[3], rest(reinterpret_cast<const char*>(data), size);
  for (int i = 0; i < 2; ++i) {
    const size_t length = rest.size() >= 2 ? uint8_t(rest[0]) | uint8_t(rest[1]) << 8 : 0;
    rest.erase(0, std::min<size_t>(rest.size(), 2));
    parts[i] = rest.substr(0, length);
    rest.erase(0, parts[i].size());
  }
  parts[2] = rest;
  ClearDirectory(kCatalogueDir);
  for (size_t i = 0; i < kFiles.size(); ++i) WriteWholeFile(kFiles[i], parts[i < 3 ? 0 : i == 3 ? 1 : 2]);
  const std::vector<FileState> before = ReadFileStates(kFiles);
  CheckReaders(parts[0], parts[1], parts[2]);
  ZV_FUZZ_CHECK(ReadFileStates(kFiles) == before);

  ZV_FUZZ_CHECK(!zv::RewriteOverlayHeader(kRawPath, 2, kNewDescription) && ReadFileState(kRawPath) == before[1]);
  const bool rewritten = zv::RewriteOverlayHeader(kHeaderPath, 2, kNewDescription);
  ZV_FUZZ_CHECK(rewritten == (!IsRaw(parts[0]) && parts[0].size() >= 319));
  // Only the layer byte and the description with its terminator change.
  std::string expected = parts[0];
  if (rewritten) expected[287] = 2, expected.replace(29, sizeof kNewDescription, kNewDescription, sizeof kNewDescription);
  ZV_FUZZ_CHECK(ReadFileState(kHeaderPath) == (FileState{true, expected}));
  if (rewritten) CheckReaders(expected, parts[1], parts[2]);
  return 0;
}
