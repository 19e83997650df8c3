// zvcat: shows and checks a catalogue of forms (its two list files, the group
// info files they name and the overlay data files those name). It only reads.
//
//   zvcat [--config FILE | --lists FORMLIST GROUPLIST] [--json]
//         [--driver MODULE [--device NAME]] [--to DIR] COMMAND
#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/paths.h"
#include "catalogue_check.h"
#include "catalogue_recovery.h"
#include "catalogue_source.h"
#include "catalogue_view.h"
#include "json_writer.h"
#include "platform/platform.h"
#ifndef _WIN32
#include "platform/posix/posix_config.h"
#endif

namespace {

using zvcat::CatalogueList;
using zvcat::CataloguePaths;
using zvcat::FileState;
using zvcat::FormItem;
using zvcat::FormView;
using zvcat::JsonWriter;

constexpr int kExitSuccess = 0;
constexpr int kExitFaults = 1;
constexpr int kExitUsage = 2;

// The help text; the example follows it.
constexpr char kHelp[] =
    R"(Usage: zvcat [--config FILE | --lists FORMLIST GROUPLIST] [--json]
             [--driver MODULE [--device NAME]] [--to DIR] COMMAND

Shows, checks and recovers a catalogue of forms: the form name list file
(.FLT), the group name list file (.GLT), the group info files (.FGP) they
name and the overlay data files those name. zvcat only reads the catalogue;
it never changes a file of it.

Where the catalogue is:
  --config FILE      the list files named by this catalogue configuration
                     file (ZVLMN3.DAT): FormName and GroupName of the section
                     that USER of [ENVIRONMENT] names
  --lists FORM GROUP the form name list file and the group name list file
  (neither)          the configuration file ZVLMN3.DAT of the system directory

Commands:
  list               every record of the form name list: identifier, name,
                     layer, description, group text as stored and resolved
  show FORM          one form, by name (exactly as stored, case included)
                     or else by identifier (17, -3): its record, its group
                     text and, when that names a group info file, the file's
                     header and every overlay entry with its overlay line,
                     settings record and overlay data file
  check              checks every file of the catalogue and prints one line
                     per fault: FILE:OFFSET: KIND: MESSAGE (no offset when the
                     fault concerns the whole file), then a summary line
  recover --to DIR   writes into DIR (new, or empty) a new, sound catalogue
                     of every form, file entry and overlay entry the
                     catalogue still holds: whole records and texts of
                     damaged files, and where a file is lost, the group info
                     and overlay data files its naming rule finds; with
                     ZVLMN3.DAT naming the new lists. Prints what was
                     recovered, from which file and offset, and what was
                     lost and why. The overlay data files stay where they
                     are; the new group info files name them by full path

Options:
  --json             the same in JSON; texts are the catalogue's bytes, each
                     byte from 0x80 up written as \u00XX (Latin-1)
  --driver MODULE    for show: the printer driver module whose paper size
                     list names the output paper of the overlay lines, as
                     the dialogs name it; without it that field is blank
  --device NAME      the device name handed to the driver module (default:
                     none)
  --to DIR           for recover: the directory of the new catalogue
  -h, --help         this text

A damaged list or group info file is refused as a whole by the readers zvcat
shares with the module; list and show then say so, and check tells what is
wrong and where.

Exit status:
  0  done; for check: the catalogue is sound; for recover: nothing was lost
  1  check found faults; list or show could not read a list file or the
     form's group info file, or show found no such form; recover lost
     something (the new catalogue is written all the same)
  2  usage error, or the catalogue cannot be located (no configuration file,
     or it names no list files), or the driver module gives no paper list,
     or DIR holds files or cannot be written

Example:
@EXAMPLE@)";

// A run of the program on the example catalogue of the program's tests,
// which run the same command in that catalogue's directory and compare.
constexpr char kExample[] =
    R"(  zvcat --lists FORMS.FLT GROUPS.GLT list
  Form name list:         FORMS.FLT
  Group name list:        GROUPS.GLT
  2 named forms, 2 file entries

  ID  NAME      LAYER  DESCRIPTION        GROUP TEXT     RESOLVED
  1   INVOICE   front  Invoice with logo  "_F301A.FGP"   _F301A.FGP
  2   Letter    back   Letterhead         "D:\LETTERS\"  D:\LETTERS\
  -1  LOGO.ZLP  front  Logo               "LOGO.ZLP"     LOGO.ZLP
  -2  SEAL      front  Seal on printer    "7"            7)";

// ---------------------------------------------------------------------------
// Text output

std::string LayerName(unsigned layer) {
  if (layer == 1) return "front";
  if (layer == 2) return "back";
  return std::to_string(layer);
}

// Prints rows in columns as wide as their widest cell, two blanks apart.
void PrintTable(const std::vector<std::vector<std::string>>& rows, const std::string& indent) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (size_t i = 0; i < row.size(); ++i) {
      if (row[i].size() > widths[i]) widths[i] = row[i].size();
    }
  }
  for (const auto& row : rows) {
    std::string line = indent;
    for (size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - row[i].size() + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::printf("%s\n", line.c_str());
  }
}

// "Label:" and its value, the values of all levels in one column.
void PrintField(const std::string& label, const std::string& value, const std::string& indent = "") {
  constexpr size_t kValueColumn = 24;
  std::string line = indent + label + ":";
  line += std::string(line.size() < kValueColumn ? kValueColumn - line.size() : 1, ' ');
  std::printf("%s%s\n", line.c_str(), value.c_str());
}

std::string StateText(FileState state) {
  switch (state) {
    case FileState::kRead:
      return "";
    case FileState::kMissing:
      return "  (missing)";
    case FileState::kCannotOpen:
      return "  (cannot be opened)";
    case FileState::kDamaged:
      return "  (cannot be read: damaged, see zvcat check)";
  }
  return "";
}

void PrintListFiles(const CatalogueList& list) {
  PrintField("Form name list", list.paths.formList + StateText(list.formList));
  PrintField("Group name list", list.paths.groupList + StateText(list.groupList));
}

std::string GroupTextCell(const FormItem& item, const CatalogueList& list) {
  if (list.groupList != FileState::kRead) return "?";
  if (!item.groupTextRead) return "(unreadable entry " + std::to_string(item.groupIndex) + ")";
  return "\"" + item.groupText + "\"";
}

int PrintList(const CatalogueList& list) {
  PrintListFiles(list);
  if (list.formList != FileState::kRead) return kExitFaults;
  std::printf("%u named forms, %u file entries\n\n", list.namedCount, list.fileEntryCount);
  std::vector<std::vector<std::string>> rows;
  rows.push_back({"ID", "NAME", "LAYER", "DESCRIPTION", "GROUP TEXT", "RESOLVED"});
  for (const FormItem& item : list.forms) {
    rows.push_back({std::to_string(item.id), item.name, LayerName(item.layer), item.description,
                    GroupTextCell(item, list), item.groupPath});
  }
  PrintTable(rows, "");
  return list.groupList == FileState::kRead ? kExitSuccess : kExitFaults;
}

std::string ExistsText(bool exists) {
  return exists ? "exists" : "missing";
}

void PrintSlot(const std::string& label, const zvcat::GroupFileSlot& slot) {
  if (slot.index == zv::kNoString) {
    PrintField(label, "none", "  ");
  } else if (!slot.read) {
    PrintField(label, "(unreadable string " + std::to_string(slot.index) + ")", "  ");
  } else {
    PrintField(label, "\"" + slot.text + "\" -> " + slot.path + " (" + ExistsText(slot.exists) + ")", "  ");
  }
}

std::string SettingsText(const zv::PrintSettings& s) {
  return "mark " + std::to_string(s.mark) + ", layer " + std::to_string(s.layer) + ", mode level " +
         std::to_string(s.modeLevel) + ", model " + std::to_string(s.modelId) + ", paper " +
         std::to_string(s.paperWidth) + " x " + std::to_string(s.paperHeight) + " (" +
         std::to_string(s.paperValue3) + ", " + std::to_string(s.paperValue4) + ") code " +
         std::to_string(s.paperCode) + ", orientation " + std::to_string(s.orientation) + ", resolution " +
         std::to_string(s.resolution) + ", colour " + std::to_string(s.colour) + ", printing mode " +
         std::to_string(s.printingMode) + ", pages per sheet " + std::to_string(s.pagesPerSheet) +
         ", output " + std::to_string(s.outputWidth) + " x " + std::to_string(s.outputHeight) + " (" +
         std::to_string(s.outputValue3) + ", " + std::to_string(s.outputValue4) + ") code " +
         std::to_string(s.outputCode) + ", zoom " + std::to_string(s.zoom);
}

int PrintShow(const FormView& view, const std::string& form) {
  PrintListFiles(view.list);
  if (view.list.formList != FileState::kRead) return kExitFaults;
  if (!view.found) {
    std::printf("No form named or numbered \"%s\".\n", form.c_str());
    return kExitFaults;
  }
  const FormItem& item = view.form;
  std::printf("\n");
  PrintField("Form", item.name.empty() ? "(no name)" : item.name);
  PrintField("Identifier", std::to_string(item.id) + (item.fileEntry ? " (file entry)" : " (named form)"));
  PrintField("Description", item.description);
  PrintField("Layer", LayerName(item.layer) + " (" + std::to_string(item.layer) + ")");
  PrintField("Group index", std::to_string(item.groupIndex));
  PrintField("Group text", GroupTextCell(item, view.list));
  if (item.groupTextRead) {
    const bool overlayNumber = zv::IsDigitsOnly(item.groupText.c_str());
    PrintField("Resolved", overlayNumber ? item.groupPath + " (an overlay number)"
                                         : item.groupPath + " (" + ExistsText(view.groupPathExists) + ")");
  }
  if (view.namesOverlayFile) {
    PrintField("Header", view.overlayHasHeader ? "yes" : "no (raw data)");
    PrintField("Overlay description", view.overlayDescription);
    PrintField("Overlay layer",
               LayerName(view.overlayLayer) + " (" + std::to_string(view.overlayLayer) + ")");
  }
  if (!view.namesGroupInfo) return view.list.groupList == FileState::kRead ? kExitSuccess : kExitFaults;

  const zvcat::GroupInfoView& group = view.group;
  std::printf("\n");
  PrintField("Group info file", group.path + StateText(group.state));
  if (group.state != FileState::kRead) return kExitFaults;
  PrintField("Strings", std::to_string(group.header.stringCount), "  ");
  PrintField("Entries", std::to_string(group.header.entryCount), "  ");
  PrintField("Pool size", std::to_string(group.header.poolSize), "  ");
  if (group.header.firstString == zv::kNoString) {
    PrintField("First group string", "none", "  ");
  } else if (!group.firstStringRead) {
    PrintField("First group string", "(unreadable string " + std::to_string(group.header.firstString) + ")",
               "  ");
  } else {
    PrintField("First group string", "\"" + group.firstString + "\"", "  ");
  }
  PrintSlot("Preview file", group.preview);
  PrintSlot("Edited file", group.edited);
  for (const zvcat::OverlayItem& overlay : group.overlays) {
    std::printf("\n");
    std::printf("  Overlay %u: %s\n", overlay.index, overlay.line.c_str());
    if (!overlay.fileNameRead) {
      PrintField("File", "(unreadable string " + std::to_string(overlay.fileNameString) + ")", "    ");
    } else {
      PrintField("File",
                 "\"" + overlay.fileName + "\" -> " + overlay.path + " (" + ExistsText(overlay.exists) + ")",
                 "    ");
    }
    if (overlay.exists) {
      PrintField("Header", overlay.hasHeader ? "yes" : "no (raw data)", "    ");
      PrintField("Description", overlay.description, "    ");
      PrintField("Layer", LayerName(overlay.layer) + " (" + std::to_string(overlay.layer) + ")", "    ");
    }
    PrintField("Settings", SettingsText(overlay.settings), "    ");
  }
  return kExitSuccess;
}

int PrintCheck(const CataloguePaths& paths, const std::vector<zvcat::Finding>& findings) {
  for (const zvcat::Finding& f : findings) {
    std::string location = f.file;
    if (f.offset != -1) location += ":" + std::to_string(f.offset);
    std::printf("%s: %s: %s\n", location.c_str(), f.kind.c_str(), f.message.c_str());
  }
  if (findings.empty()) {
    std::printf("%s, %s: the catalogue is sound.\n", paths.formList.c_str(), paths.groupList.c_str());
    return kExitSuccess;
  }
  std::printf("%s, %s: %zu fault%s found.\n", paths.formList.c_str(), paths.groupList.c_str(),
              findings.size(), findings.size() == 1 ? "" : "s");
  return kExitFaults;
}

// ---------------------------------------------------------------------------
// JSON output

void JsonListFile(JsonWriter& j, const char* key, const std::string& path, FileState state) {
  j.Key(key)
      .BeginObject()
      .Key("path")
      .String(path)
      .Key("state")
      .String(zvcat::FileStateName(state))
      .EndObject();
}

void JsonForm(JsonWriter& j, const FormItem& item) {
  j.BeginObject()
      .Key("id")
      .Number(item.id)
      .Key("fileEntry")
      .Bool(item.fileEntry)
      .Key("name")
      .String(item.name)
      .Key("description")
      .String(item.description)
      .Key("layer")
      .Number(item.layer)
      .Key("groupIndex")
      .Number(item.groupIndex)
      .Key("groupText");
  if (item.groupTextRead) {
    j.String(item.groupText).Key("groupPath").String(item.groupPath);
  } else {
    j.Null().Key("groupPath").Null();
  }
  j.EndObject();
}

void JsonLists(JsonWriter& j, const CatalogueList& list) {
  JsonListFile(j, "formList", list.paths.formList, list.formList);
  JsonListFile(j, "groupList", list.paths.groupList, list.groupList);
}

int JsonList(JsonWriter& j, const CatalogueList& list) {
  j.BeginObject();
  JsonLists(j, list);
  j.Key("forms").BeginArray();
  for (const FormItem& item : list.forms) JsonForm(j, item);
  j.EndArray().EndObject();
  return list.formList == FileState::kRead && list.groupList == FileState::kRead ? kExitSuccess : kExitFaults;
}

void JsonSlot(JsonWriter& j, const char* key, const zvcat::GroupFileSlot& slot) {
  j.Key(key);
  if (slot.index == zv::kNoString) {
    j.Null();
    return;
  }
  j.BeginObject().Key("index").Number(slot.index).Key("text");
  if (slot.read) {
    j.String(slot.text).Key("path").String(slot.path).Key("exists").Bool(slot.exists);
  } else {
    j.Null();
  }
  j.EndObject();
}

void JsonSettings(JsonWriter& j, const zv::PrintSettings& s) {
  j.Key("settings").BeginObject();
  j.Key("mark").Number(s.mark).Key("layer").Number(s.layer).Key("modeLevel").Number(s.modeLevel);
  j.Key("modelId").Number(s.modelId).Key("paperWidth").Number(s.paperWidth);
  j.Key("paperHeight").Number(s.paperHeight).Key("paperValue3").Number(s.paperValue3);
  j.Key("paperValue4").Number(s.paperValue4).Key("paperCode").Number(s.paperCode);
  j.Key("orientation").Number(s.orientation).Key("resolution").Number(s.resolution);
  j.Key("colour").Number(s.colour).Key("printingMode").Number(s.printingMode);
  j.Key("pagesPerSheet").Number(s.pagesPerSheet).Key("outputWidth").Number(s.outputWidth);
  j.Key("outputHeight").Number(s.outputHeight).Key("outputValue3").Number(s.outputValue3);
  j.Key("outputValue4").Number(s.outputValue4).Key("outputCode").Number(s.outputCode);
  j.Key("zoom").Number(s.zoom);
  j.EndObject();
}

int JsonShow(JsonWriter& j, const FormView& view) {
  j.BeginObject();
  JsonLists(j, view.list);
  j.Key("found").Bool(view.found);
  j.Key("form");
  if (!view.found) {
    j.Null().EndObject();
    return kExitFaults;
  }
  JsonForm(j, view.form);
  j.Key("groupPathExists").Bool(view.groupPathExists);
  j.Key("overlayFile");
  if (view.namesOverlayFile) {
    j.BeginObject().Key("hasHeader").Bool(view.overlayHasHeader);
    j.Key("description").String(view.overlayDescription).Key("layer").Number(view.overlayLayer).EndObject();
  } else {
    j.Null();
  }
  j.Key("groupInfo");
  if (!view.namesGroupInfo) {
    j.Null().EndObject();
    return view.list.groupList == FileState::kRead ? kExitSuccess : kExitFaults;
  }
  const zvcat::GroupInfoView& group = view.group;
  j.BeginObject().Key("path").String(group.path).Key("state").String(zvcat::FileStateName(group.state));
  if (group.state == FileState::kRead) {
    j.Key("stringCount").Number(group.header.stringCount);
    j.Key("entryCount").Number(group.header.entryCount);
    j.Key("poolSize").Number(group.header.poolSize);
    j.Key("firstString");
    if (group.firstStringRead) {
      j.String(group.firstString);
    } else {
      j.Null();
    }
    JsonSlot(j, "previewFile", group.preview);
    JsonSlot(j, "editedFile", group.edited);
    j.Key("overlays").BeginArray();
    for (const zvcat::OverlayItem& o : group.overlays) {
      j.BeginObject().Key("index").Number(o.index).Key("line").String(o.line);
      JsonSettings(j, o.settings);
      j.Key("fileNameString").Number(o.fileNameString).Key("fileName");
      if (o.fileNameRead) {
        j.String(o.fileName).Key("path").String(o.path);
      } else {
        j.Null().Key("path").Null();
      }
      j.Key("exists").Bool(o.exists).Key("hasHeader").Bool(o.exists && o.hasHeader);
      j.Key("description").String(o.description).Key("layer").Number(o.layer);
      j.EndObject();
    }
    j.EndArray();
  }
  j.EndObject().EndObject();
  return group.state == FileState::kRead ? kExitSuccess : kExitFaults;
}

int JsonCheck(JsonWriter& j, const CataloguePaths& paths, const std::vector<zvcat::Finding>& findings) {
  j.BeginObject().Key("formList").String(paths.formList).Key("groupList").String(paths.groupList);
  j.Key("sound").Bool(findings.empty()).Key("findings").BeginArray();
  for (const zvcat::Finding& f : findings) {
    j.BeginObject().Key("kind").String(f.kind).Key("file").String(f.file).Key("offset").Number(f.offset);
    j.Key("message").String(f.message).EndObject();
  }
  j.EndArray().EndObject();
  return findings.empty() ? kExitSuccess : kExitFaults;
}

// ---------------------------------------------------------------------------
// recover

std::string SourceText(const zvcat::Source& from) {
  if (from.file.empty()) return "(nothing read)";
  return from.offset < 0 ? from.file : from.file + ":" + std::to_string(from.offset);
}

size_t CountOverlays(const zvcat::Recovery& r) {
  size_t n = 0;
  for (const zvcat::RecoveredForm& form : r.forms) n += form.overlays.size();
  return n;
}

int PrintRecovery(const zvcat::Recovery& r, const std::string& dir) {
  PrintField("Recovered catalogue", dir);
  for (const std::string& file : r.written) PrintField("Written", file);
  std::printf("%zu forms and file entries, %zu overlay entries recovered; %zu items lost\n", r.forms.size(),
              CountOverlays(r), r.lost.size());
  if (!r.forms.empty()) std::printf("\nRecovered:\n");
  for (const zvcat::RecoveredForm& form : r.forms) {
    std::printf("  %s %d \"%s\" from %s; group %s from %s\n", form.fileEntry ? "file entry" : "named form",
                form.id, form.name.c_str(), SourceText(form.from).c_str(),
                ("\"" + (form.hasGroupInfo ? form.groupInfoName : form.groupText) + "\"").c_str(),
                SourceText(form.groupFrom).c_str());
    for (const zvcat::RecoveredOverlay& overlay : form.overlays)
      std::printf("    overlay %s from %s\n", overlay.named ? overlay.path.c_str() : "(no file name)",
                  SourceText(overlay.from).c_str());
  }
  if (!r.lost.empty()) std::printf("\nLost:\n");
  for (const zvcat::LostItem& item : r.lost)
    std::printf("  %s: %s: %s\n", SourceText(item.from).c_str(), item.what.c_str(), item.reason.c_str());
  return r.lost.empty() ? kExitSuccess : kExitFaults;
}

void JsonSource(JsonWriter& j, const char* key, const zvcat::Source& from) {
  j.Key(key).BeginObject().Key("file");
  if (from.file.empty()) {
    j.Null();
  } else {
    j.String(from.file);
  }
  j.Key("offset").Number(from.offset).EndObject();
}

int JsonRecovery(JsonWriter& j, const zvcat::Recovery& r, const std::string& dir) {
  j.BeginObject().Key("to").String(dir).Key("complete").Bool(r.lost.empty()).Key("written").BeginArray();
  for (const std::string& file : r.written) j.String(file);
  j.EndArray().Key("recovered").BeginArray();
  for (const zvcat::RecoveredForm& form : r.forms) {
    j.BeginObject()
        .Key("kind")
        .String(form.fileEntry ? "file-entry" : "named-form")
        .Key("id")
        .Number(form.id);
    j.Key("name")
        .String(form.name)
        .Key("description")
        .String(form.description)
        .Key("layer")
        .Number(form.layer);
    JsonSource(j, "from", form.from);
    j.Key("groupText").String(form.hasGroupInfo ? form.groupInfoName : form.groupText);
    JsonSource(j, "groupFrom", form.groupFrom);
    j.Key("overlays").BeginArray();
    for (const zvcat::RecoveredOverlay& overlay : form.overlays) {
      j.BeginObject().Key("path");
      if (overlay.named) {
        j.String(overlay.path);
      } else {
        j.Null();
      }
      JsonSource(j, "from", overlay.from);
      j.EndObject();
    }
    j.EndArray().EndObject();
  }
  j.EndArray().Key("lost").BeginArray();
  for (const zvcat::LostItem& item : r.lost) {
    j.BeginObject().Key("what").String(item.what);
    JsonSource(j, "from", item.from);
    j.Key("reason").String(item.reason).EndObject();
  }
  j.EndArray().EndObject();
  return r.lost.empty() ? kExitSuccess : kExitFaults;
}

// A path from the command line made absolute with the current directory: the
// new catalogue names the files of the old one, and its configuration its
// own lists, from wherever it is used.
std::string Absolute(const std::string& path) {
  if (path.size() >= 2 && (path[1] == ':' || (path[0] == '\\' && path[1] == '\\'))) return path;
  char current[plat::kPathBuffer] = "";
  const uint32_t length = plat::GetWorkingDirectory(current, sizeof current);
  if (length == 0 || length >= sizeof current) return path;
  std::string dir = current;
  if (!path.empty() && path[0] == '\\') return dir.substr(0, 2) + path;
  if (dir.back() != '\\') dir += '\\';
  return dir + path;
}

// Whether dir is missing or an empty directory.
bool IsNewOrEmpty(const std::string& dir) {
#ifdef _WIN32
  const std::string host = dir;
#else
  char buffer[4096];
  if (!plat::posix::ToHostPath(dir.c_str(), buffer, sizeof buffer)) return false;
  const std::string host = buffer;
#endif
  std::error_code error;
  if (!std::filesystem::exists(host, error)) return !error;
  return std::filesystem::is_directory(host, error) && std::filesystem::is_empty(host, error) && !error;
}

// ---------------------------------------------------------------------------

// A path as the user typed it. Natively a host path (starting with "/") is
// taken through the drive map; Windows-style paths are used as they stand.
std::string UserPath(const std::string& text) {
#ifndef _WIN32
  if (!text.empty() && text[0] == '/') {
    char windows[plat::kPathBuffer];
    if (plat::posix::ToWindowsPath(text.c_str(), windows, sizeof windows)) return windows;
  }
#endif
  return text;
}

std::string HelpText() {
  std::string help = kHelp;
  std::string example = kExample;
  return help.replace(help.find("@EXAMPLE@"), 9, example);
}

int Usage(const std::string& problem) {
  std::fprintf(stderr,
               "zvcat: %s\nUsage: zvcat [--config FILE | --lists FORMLIST GROUPLIST] [--json]\n"
               "             [--driver MODULE [--device NAME]] [--to DIR] COMMAND\n"
               "Try 'zvcat --help' for more.\n",
               problem.c_str());
  return kExitUsage;
}

int Run(int argc, char** argv) {
  std::string config;
  CataloguePaths lists;
  bool haveConfig = false;
  bool haveLists = false;
  bool json = false;
  std::string driver;
  std::string device;
  bool haveDevice = false;
  std::string to;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::printf("%s\n", HelpText().c_str());
      return kExitSuccess;
    } else if (arg == "--json") {
      json = true;
    } else if (arg == "--config") {
      if (haveConfig || haveLists) return Usage("give the catalogue once: --config or --lists");
      if (i + 1 >= argc) return Usage("--config needs a file");
      config = UserPath(argv[++i]);
      haveConfig = true;
    } else if (arg == "--driver" || arg == "--device") {
      if (i + 1 >= argc) return Usage(arg + " needs a value");
      if (arg == "--driver") {
        driver = UserPath(argv[++i]);
      } else {
        device = argv[++i];
        haveDevice = true;
      }
    } else if (arg == "--to") {
      if (i + 1 >= argc) return Usage("--to needs a directory");
      to = UserPath(argv[++i]);
    } else if (arg == "--lists") {
      if (haveConfig || haveLists) return Usage("give the catalogue once: --config or --lists");
      if (i + 2 >= argc) return Usage("--lists needs the form name list file and the group name list file");
      lists.formList = UserPath(argv[++i]);
      lists.groupList = UserPath(argv[++i]);
      haveLists = true;
    } else if (arg.size() > 1 && arg[0] == '-' && words.empty()) {
      return Usage("unknown option " + arg);
    } else {
      words.push_back(arg);
    }
  }
  if (words.empty()) return Usage("no command");
  const std::string& command = words[0];
  if (command == "list" || command == "check" || command == "recover") {
    if (words.size() != 1) return Usage(command + " takes no arguments");
  } else if (command == "show") {
    if (words.size() != 2) return Usage("show takes one form: a name or an identifier");
  } else {
    return Usage("unknown command " + command);
  }
  if (haveDevice && driver.empty()) return Usage("--device goes with --driver");
  if (!driver.empty() && command != "show") return Usage("--driver goes with show");
  if (to.empty() != (command != "recover")) return Usage("--to goes with recover, which needs it");

  if (!haveLists) {
    if (!haveConfig) config = zvcat::DefaultConfigurationPath();
    std::string error;
    if (!zvcat::ListFilesFromConfiguration(config, &lists, &error)) {
      std::fprintf(stderr, "zvcat: cannot locate the catalogue: %s\n", error.c_str());
      return kExitUsage;
    }
  }

  JsonWriter j;
  int status = kExitSuccess;
  if (command == "list") {
    const CatalogueList list = zvcat::ReadCatalogueList(lists);
    status = json ? JsonList(j, list) : PrintList(list);
  } else if (command == "show") {
    std::vector<zv::PaperEntry> papers;
    if (!driver.empty() && !zvcat::DriverPaperList(driver, device, &papers)) {
      std::fprintf(stderr, "zvcat: the driver module %s gives no paper size list\n", driver.c_str());
      return kExitUsage;
    }
    const FormView view = zvcat::ShowForm(lists, words[1], papers);
    status = json ? JsonShow(j, view) : PrintShow(view, words[1]);
  } else if (command == "recover") {
    if (!IsNewOrEmpty(to)) {
      std::fprintf(stderr, "zvcat: %s is not a new or empty directory\n", to.c_str());
      return kExitUsage;
    }
    // The configuration's last directory is one more place to look for
    // group info files, and its user the section of the new one.
    char current[plat::kPathBuffer] = "";
    char user[plat::kPathBuffer] = "";
    if (!haveLists) {
      plat::ReadProfileValue("ENVIRONMENT", "CURRENTDIR", "", current, sizeof current, config.c_str());
      plat::ReadProfileValue("ENVIRONMENT", "USER", "", user, sizeof user, config.c_str());
    }
    to = Absolute(to);
    lists = {Absolute(lists.formList), Absolute(lists.groupList)};
    zvcat::Recovery recovery = zvcat::PlanRecovery(lists, current);
    std::string error;
    if (!zvcat::WriteRecovery(&recovery, to, user, &error)) {
      std::fprintf(stderr, "zvcat: %s\n", error.c_str());
      return kExitUsage;
    }
    status = json ? JsonRecovery(j, recovery, to) : PrintRecovery(recovery, to);
  } else {
    const std::vector<zvcat::Finding> findings = zvcat::CheckCatalogue(lists);
    status = json ? JsonCheck(j, lists, findings) : PrintCheck(lists, findings);
  }
  if (json) std::printf("%s\n", j.str().c_str());
  return status;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The overlay lines' words are string resources of this program.
  plat::SetModuleInstance(GetModuleHandleA(nullptr));
#endif
  const int status = Run(argc, argv);
  std::fflush(stdout);
  return status;
}
