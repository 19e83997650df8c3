#include "bench_catalogue.h"

#include <cstdio>

#include "maintenance/overlay_entries.h"
#include "platform/platform.h"
#include "support/catalogue_bytes.h"

namespace zvbench {
namespace {

std::string FormName(uint32_t id) {
  char name[32];
  std::snprintf(name, sizeof name, "FORM NAME %014u", id);
  return name;  // 24 characters
}

std::string FormDescription(uint32_t id) {
  char start[64];
  std::snprintf(start, sizeof start, "Description of form %u ", id);
  std::string text = start;
  text.resize(255, '.');
  return text;
}

std::string Stem(const std::string& path) {
  const size_t slash = path.rfind('\\');
  const size_t dot = path.rfind('.');
  return path.substr(slash + 1, dot - slash - 1);
}

}  // namespace

bool WriteWhole(const std::string& path, const std::string& bytes) {
  plat::FileHandle file =
      plat::OpenFile(path.c_str(), plat::kAccessWrite, plat::kShareNone, plat::kCreateAlways);
  if (!file) return false;
  uint32_t done = 0;
  const bool ok =
      plat::WriteFile(file, bytes.data(), static_cast<uint32_t>(bytes.size()), &done) && done == bytes.size();
  return plat::CloseFile(file) && ok;
}

Catalogue BuildCatalogue(uint32_t forms, const std::string& systemDir, const std::string& dir) {
  Catalogue cat;
  cat.forms = forms;
  cat.systemDir = systemDir;
  cat.dir = dir;
  cat.config = systemDir + "ZVLMN3.DAT";
  cat.formList = dir + "ZVLMN3.FLT";
  cat.groupList = dir + "ZVLMN3.GLT";
  char groupInfo[plat::kPathBuffer] = "";
  zv::MakeGroupInfoFileName(static_cast<int32_t>(forms), dir.c_str(), groupInfo);
  cat.groupInfo = groupInfo;
  cat.lastName = FormName(forms);
  cat.configBytes = "[ENVIRONMENT]\r\nCURRENTDIR=" + dir +
                    "\r\nUSER=DEFAULT\r\n[DEFAULT]\r\nFormName=" + cat.formList +
                    "\r\nGroupName=" + cat.groupList + "\r\n";

  // Named forms 1..forms, each with a group text of its own; the last one's
  // is its group info file, the others' the save directory.
  std::vector<zvtest::FormRow> named, fileEntries;
  std::vector<std::string> texts;
  for (uint32_t id = 1; id <= forms; ++id) {
    named.push_back({static_cast<int32_t>(id), FormName(id), FormDescription(id), 1, id - 1});
    texts.push_back(id == forms ? cat.groupInfo : dir);
  }
  for (uint32_t n = 1; n <= kFileEntries; ++n) {
    char file[32];
    std::snprintf(file, sizeof file, "FILE%03u.ZLP", n);
    fileEntries.push_back({-static_cast<int32_t>(n), n % 2 ? "P" : "C", "", 1, forms + n - 1});
    texts.push_back(dir + file);
    cat.fileEntryPool += 2 + static_cast<uint32_t>(texts.back().size());
  }
  cat.groupListTable = 36 + 4 * static_cast<uint32_t>(texts.size());
  cat.lastFormGroupText = static_cast<uint32_t>(cat.groupInfo.size());
  cat.lastFileEntryText = static_cast<uint32_t>(texts.back().size());
  const std::string formList = zvtest::FormListFile(named, fileEntries, kFileEntries);
  for (const std::string& text : texts) cat.groupTextLengths.push_back(static_cast<uint32_t>(text.size()));
  const std::string groupList = zvtest::GroupNameListFile(texts);

  // The group: 255 overlays of other papers, then the one the block matches.
  const std::string stem = Stem(cat.groupInfo);
  std::vector<zvtest::GroupInfoEntry> entries;
  std::vector<std::string> groupTexts;
  std::vector<std::pair<std::string, std::string>> overlays;
  zvtest::DriverSettingsBlock block;
  for (uint32_t n = 0; n < kOverlays; ++n) {
    zvtest::DriverSettingsBlock settings;
    // One paper size and orientation for the whole group; the others are
    // captured at another resolution.
    if (n + 1 < kOverlays) settings.resolution = 300;
    char name[32];
    std::snprintf(name, sizeof name, "%02X.ZLP", n);
    const std::string file = stem + name;
    entries.emplace_back(settings.Record(1), static_cast<int32_t>(n));
    groupTexts.push_back(file);
    const std::string header =
        zvtest::Bytes().U32(319).Fixed(cat.lastName, 25).Fixed("Overlay", 256).str() + settings.Record(1);
    overlays.emplace_back(dir + file, header + std::string(4096, 'D'));
  }
  cat.overlayNameLength = static_cast<uint32_t>(groupTexts.front().size());
  cat.firstOverlay = overlays.front().first;
  cat.matchingFile = overlays.back().first;
  groupTexts.push_back("GROUP");
  groupTexts.push_back(stem + ".ZL3");
  groupTexts.push_back(stem + ".PBF");
  for (size_t t = groupTexts.size() - 2; t < groupTexts.size(); ++t)
    cat.poolAfterFirstString += 2 + static_cast<uint32_t>(groupTexts[t].size());
  const std::string group =
      zvtest::GroupInfoFile(entries, groupTexts, kOverlays, kOverlays + 1, kOverlays + 2);
  cat.driverBlock = block.Bytes();

  cat.formListSize = static_cast<uint32_t>(formList.size());
  cat.groupListSize = static_cast<uint32_t>(groupList.size());
  cat.groupInfoSize = static_cast<uint32_t>(group.size());
  cat.groupInfoTableEnd = 64 + 38 * kOverlays;
  cat.groupInfoStrings = static_cast<uint32_t>(groupTexts.size());
  for (const std::string& text : groupTexts) cat.groupInfoPool += 2 + static_cast<uint32_t>(text.size());

  plat::MakeDirectory(dir.c_str());
  plat::MakeDirectory((dir + "MOVED\\").c_str());
  cat.files.emplace_back(cat.formList, formList);
  cat.files.emplace_back(cat.groupList, groupList);
  cat.files.emplace_back(cat.groupInfo, group);
  for (auto& overlay : overlays) cat.files.push_back(std::move(overlay));
  for (const auto& file : cat.files) WriteWhole(file.first, file.second);
  UseCatalogue(cat);
  return cat;
}

void UseCatalogue(const Catalogue& catalogue) {
  WriteWhole(catalogue.config, catalogue.configBytes);
}

void RestoreFiles(const Catalogue& catalogue, const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    for (const auto& file : catalogue.files) {
      if (file.first == path) WriteWhole(file.first, file.second);
    }
  }
}

void RemoveCatalogue(const Catalogue& catalogue) {
  for (const auto& file : catalogue.files) plat::EraseFile(file.first.c_str());
  plat::EraseFile(catalogue.config.c_str());
}

}  // namespace zvbench
