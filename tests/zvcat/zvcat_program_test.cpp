// The zvcat program run as a user runs it, in a process of its own: its help,
// list, show and check in text and JSON, the three ways of naming the
// catalogue, its exit statuses, and that no command changes any file.
#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "catalogue/group_info.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/sample_driver.h"
#include "support/sandbox.h"
#include "zvcat/damaged_catalogues.h"
#include "zvcat/example_catalogue.h"

namespace zvtest {
namespace {

struct ProgramRun {
  int status = -1;
  std::string output;  // standard output and standard error, lines ended by \n
};

#ifdef _WIN32
// Windows programs write text lines ended by \r\n.
std::string WithoutCarriageReturns(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

// The program's path as this (Windows) process names it: a host path of the
// build is reached through drive Z:, as Wine maps the host's root.
std::string ProgramPath() {
  std::string path = ZV_ZVCAT_PROGRAM;
  if (!path.empty() && path[0] == '/') {
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    path = "Z:" + path;
  }
  return path;
}

std::string Quoted(const std::string& arg) {
  return "\"" + arg + "\"";
}

ProgramRun RunZvcat(const std::vector<std::string>& args, const std::string& cwd) {
  ProgramRun run;
  std::string command = Quoted(ProgramPath());
  for (const std::string& arg : args) command += " " + Quoted(arg);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd, writeEnd;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return run;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION info{};
  const BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                      cwd.empty() ? nullptr : cwd.c_str(), &startup, &info);
  CloseHandle(writeEnd);
  if (started) {
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0) run.output.append(buffer, n);
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    run.status = static_cast<int>(code);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }
  CloseHandle(readEnd);
  run.output = WithoutCarriageReturns(run.output);
  return run;
}

// A file path as the user types it.
std::string UserPath(const std::string& windowsPath) {
  return windowsPath;
}
#else
std::string HostPath(const std::string& windowsPath) {
  char host[4096];
  if (!plat::posix::ToHostPath(windowsPath.c_str(), host, sizeof host)) return std::string();
  return host;
}

// On Linux the user names files by their host paths.
std::string UserPath(const std::string& windowsPath) {
  return HostPath(windowsPath);
}

// The child sees this process's drive map and system directory, which the
// fixtures set in the process rather than in its environment.
void PassPlatformSettings() {
  if (!DataDirectory().empty()) setenv("ZV_DATA_DIR", DataDirectory().c_str(), 1);
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string root = std::string(1, letter) + ":\\";
    const std::string host = HostPath(root);
    const std::string name = std::string("ZV_DRIVE_") + letter;
    if (!host.empty()) setenv(name.c_str(), host.c_str(), 1);
  }
  char systemDir[plat::kPathBuffer];
  if (plat::GetSystemDirectory(systemDir, sizeof systemDir) != 0) setenv("ZV_SYSTEM_DIR", systemDir, 1);
}

ProgramRun RunZvcat(const std::vector<std::string>& args, const std::string& cwd) {
  ProgramRun run;
  const std::string hostCwd = cwd.empty() ? std::string() : HostPath(cwd);
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return run;
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipeEnds[0]);
    dup2(pipeEnds[1], 1);
    dup2(pipeEnds[1], 2);
    close(pipeEnds[1]);
    PassPlatformSettings();
    if (!hostCwd.empty() && chdir(hostCwd.c_str()) != 0) _exit(126);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(ZV_ZVCAT_PROGRAM));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(ZV_ZVCAT_PROGRAM, argv.data());
    _exit(127);
  }
  close(pipeEnds[1]);
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
    run.output.append(buffer, static_cast<size_t>(n));
  close(pipeEnds[0]);
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
  return run;
}
#endif

// Every file of a directory, by name, with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> files;
  std::vector<std::string> names;
#ifdef _WIN32
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((dir + "*").c_str(), &data);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileA(h, &data));
    FindClose(h);
  }
#else
  if (DIR* d = opendir(HostPath(dir).c_str())) {
    while (dirent* e = readdir(d)) {
      if (e->d_type == DT_REG) names.push_back(e->d_name);
    }
    closedir(d);
  }
#endif
  for (const std::string& name : names) ReadWholeFile(dir + name, &files[name]);
  return files;
}

// A strict JSON parser that only says whether the text is one JSON value,
// with nothing but white space around it.
class JsonCheck {
 public:
  static bool Valid(const std::string& text) {
    JsonCheck c(text);
    c.Blank();
    if (!c.Value()) return false;
    c.Blank();
    return c.at_ == text.size();
  }

 private:
  explicit JsonCheck(const std::string& text) : s_(text) {}
  bool More() const { return at_ < s_.size(); }
  char Peek() const { return More() ? s_[at_] : '\0'; }
  void Blank() {
    while (More() && (Peek() == ' ' || Peek() == '\n' || Peek() == '\r' || Peek() == '\t')) ++at_;
  }
  bool Literal(const char* word) {
    const size_t n = std::strlen(word);
    if (s_.compare(at_, n, word) != 0) return false;
    at_ += n;
    return true;
  }
  bool String() {
    if (Peek() != '"') return false;
    ++at_;
    while (More()) {
      const unsigned char c = static_cast<unsigned char>(s_[at_++]);
      if (c == '"') return true;
      if (c < 0x20 || c >= 0x80) return false;  // the writer's output is plain ASCII
      if (c != '\\') continue;
      if (!More()) return false;
      const char e = s_[at_++];
      if (e == 'u') {
        for (int i = 0; i < 4; ++i) {
          if (!More() || !std::isxdigit(static_cast<unsigned char>(s_[at_++]))) return false;
        }
      } else if (!std::strchr("\"\\/bfnrt", e)) {
        return false;
      }
    }
    return false;
  }
  bool Number() {
    const size_t start = at_;
    if (Peek() == '-') ++at_;
    if (Peek() == '0') {
      ++at_;
    } else {
      if (!std::isdigit(static_cast<unsigned char>(Peek()))) return false;
      while (std::isdigit(static_cast<unsigned char>(Peek()))) ++at_;
    }
    return at_ > start;
  }
  bool Value() {
    switch (Peek()) {
      case '{': {
        ++at_;
        Blank();
        if (Peek() == '}') return ++at_, true;
        while (true) {
          Blank();
          if (!String()) return false;
          Blank();
          if (Peek() != ':') return false;
          ++at_;
          Blank();
          if (!Value()) return false;
          Blank();
          if (Peek() == '}') return ++at_, true;
          if (Peek() != ',') return false;
          ++at_;
        }
      }
      case '[': {
        ++at_;
        Blank();
        if (Peek() == ']') return ++at_, true;
        while (true) {
          Blank();
          if (!Value()) return false;
          Blank();
          if (Peek() == ']') return ++at_, true;
          if (Peek() != ',') return false;
          ++at_;
        }
      }
      case '"':
        return String();
      case 't':
        return Literal("true");
      case 'f':
        return Literal("false");
      case 'n':
        return Literal("null");
      default:
        return Number();
    }
  }

  const std::string& s_;
  size_t at_ = 0;
};

TEST(JsonCheckTest, TellsJsonFromNearMisses) {
  EXPECT_TRUE(JsonCheck::Valid("{\"a\":[1,-2,true,false,null,\"x\\u00e9\\\"\"],\"b\":{}}\n"));
  EXPECT_FALSE(JsonCheck::Valid("{\"a\":1,}"));
  EXPECT_FALSE(JsonCheck::Valid("{\"a\":\"\xE9\"}"));
  EXPECT_FALSE(JsonCheck::Valid("{\"a\":\"\\x\"}"));
  EXPECT_FALSE(JsonCheck::Valid("{\"a\":1}{"));
  EXPECT_FALSE(JsonCheck::Valid("[01]"));
}

class ZvcatProgramTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    WriteExampleCatalogue(Dir());
    before_ = Snapshot(Dir());
  }
  void TearDown() override {
    EXPECT_EQ(before_, Snapshot(Dir())) << "zvcat changed the catalogue's directory";
    SandboxTest::TearDown();
  }

  std::vector<std::string> Lists() const {
    return {"--lists", UserPath(Path(kExampleFormList)), UserPath(Path(kExampleGroupList))};
  }
  ProgramRun RunWithLists(std::vector<std::string> args) const {
    std::vector<std::string> all = Lists();
    all.insert(all.end(), args.begin(), args.end());
    return RunZvcat(all, "");
  }

  std::map<std::string, std::string> before_;
};

std::string LineOf(const zv::PrintSettings& settings, const std::vector<zv::PaperEntry>& papers = {}) {
  char line[zv::kOverlayLineSize];
  zv::BuildOverlayLine(settings, papers.empty() ? nullptr : papers.data(),
                       static_cast<uint16_t>(papers.size()), true, line);
  return line;
}

TEST_F(ZvcatProgramTest, HelpShowsTheUsageAndAnExampleThatIsTheProgramsOwnOutput) {
  const std::vector<std::string> example = {"--lists", kExampleFormList, kExampleGroupList, "list"};
  const ProgramRun listed = RunZvcat(example, Dir());
  ASSERT_EQ(0, listed.status) << listed.output;

  for (const char* option : {"--help", "-h"}) {
    const ProgramRun help = RunZvcat({option}, "");
    EXPECT_EQ(0, help.status);
    EXPECT_EQ(0u, help.output.find("Usage: zvcat [--config FILE | --lists FORMLIST GROUPLIST] [--json]\n"
                                   "             [--driver MODULE [--device NAME]] COMMAND\n"))
        << help.output;
    EXPECT_NE(std::string::npos, help.output.find("\n  zvcat --lists FORMS.FLT GROUPS.GLT list\n"))
        << help.output;
    // The example's output, each line indented by two blanks, stands in the help as it is.
    std::string indented;
    size_t start = 0;
    while (start < listed.output.size()) {
      const size_t end = listed.output.find('\n', start);
      const std::string line = listed.output.substr(start, end - start);
      indented += (line.empty() ? "" : "  ") + line + "\n";
      start = end + 1;
    }
    EXPECT_NE(std::string::npos, help.output.find(indented)) << "help:\n"
                                                             << help.output << "run:\n"
                                                             << indented;
  }
}

TEST_F(ZvcatProgramTest, ListShowsEveryRecordAligned) {
  const ProgramRun run = RunZvcat({"--lists", kExampleFormList, kExampleGroupList, "list"}, Dir());
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(
      "Form name list:         FORMS.FLT\n"
      "Group name list:        GROUPS.GLT\n"
      "2 named forms, 2 file entries\n"
      "\n"
      "ID  NAME      LAYER  DESCRIPTION        GROUP TEXT     RESOLVED\n"
      "1   INVOICE   front  Invoice with logo  \"_F301A.FGP\"   _F301A.FGP\n"
      "2   Letter    back   Letterhead         \"D:\\LETTERS\\\"  D:\\LETTERS\\\n"
      "-1  LOGO.ZLP  front  Logo               \"LOGO.ZLP\"     LOGO.ZLP\n"
      "-2  SEAL      front  Seal on printer    \"7\"            7\n",
      run.output);
}

TEST_F(ZvcatProgramTest, ShowGivesTheFormItsGroupInfoFileAndItsOverlays) {
  const ProgramRun run = RunWithLists({"show", "INVOICE"});
  EXPECT_EQ(0, run.status) << run.output;
  const std::string expected[] = {
      "Form:                   INVOICE\n",
      "Identifier:             1 (named form)\n",
      "Layer:                  front (1)\n",
      "Group text:             \"_F301A.FGP\"\n",
      "Resolved:               " + Path(kExampleGroupInfo) + " (exists)\n",
      "Group info file:        " + Path(kExampleGroupInfo) + "\n",
      "  Strings:              4\n",
      "  Entries:              2\n",
      "  Pool size:            52\n",
      "  First group string:   \"Plateau 2 (entr\xE9"
      "e)\"\n",
      "  Preview file:         \"_F301A.PBF\" -> " + Path("_F301A.PBF") + " (missing)\n",
      "  Edited file:          none\n",
      "  Overlay 0: " + LineOf(ExampleFrontRecord()) + "\n",
      "    File:               \"INV1.ZLP\" -> " + Path("INV1.ZLP") + " (exists)\n",
      "    Header:             yes\n",
      "    Description:        Invoice page 1\n",
      "  Overlay 1: " + LineOf(ExampleBackRecord()) + "\n",
      "    Header:             no (raw data)\n",
      "    Description:        Invoice page 2, raw\n",
      "    Settings:           mark 1, layer 2, mode level 3, model 7, paper 2100 x 2970 (0, 0) code 9, "
      "orientation 2, "
      "resolution 300, colour 1, printing mode 2, pages per sheet 2, output 2200 x 3000 (0, 0) code 9, zoom "
      "71\n",
  };
  for (const std::string& line : expected)
    EXPECT_NE(std::string::npos, run.output.find(line)) << line << run.output;

  const ProgramRun byId = RunWithLists({"show", "-2"});
  EXPECT_EQ(0, byId.status);
  EXPECT_NE(std::string::npos, byId.output.find("Identifier:             -2 (file entry)\n")) << byId.output;
  EXPECT_NE(std::string::npos, byId.output.find("Resolved:               7 (an overlay number)\n"))
      << byId.output;

  const ProgramRun logo = RunWithLists({"show", "-1"});
  EXPECT_EQ(0, logo.status);
  EXPECT_NE(std::string::npos, logo.output.find("Resolved:               " + Path("LOGO.ZLP") +
                                                " (exists)\nHeader:                 yes\n"
                                                "Overlay description:    Logo\n"
                                                "Overlay layer:          front (1)\n"))
      << logo.output;

  const ProgramRun unknown = RunWithLists({"show", "invoice"});
  EXPECT_EQ(1, unknown.status);
  EXPECT_NE(std::string::npos, unknown.output.find("No form named or numbered \"invoice\"."))
      << unknown.output;
}

TEST_F(ZvcatProgramTest, ShowNamesTheOutputPaperFromTheDriversPaperList) {
  const std::string settings = Path("DRIVER.INI");
  ASSERT_TRUE(
      WriteWholeFile(settings,
                     "[Driver]\nModels = 1\n[Model 1]\nPaper = 8, 2970, 4200, 2886, 4116, A3 297 x 420 mm\n"
                     "Paper = 9, 2100, 2970, 2016, 2886, A4 210 x 297 mm\n"));
  before_ = Snapshot(Dir());
  const std::vector<zv::PaperEntry> papers = {{1, 2970, 4200, 2886, 4116, 8, "A3 297 x 420 mm"},
                                              {1, 2100, 2970, 2016, 2886, 9, "A4 210 x 297 mm"}};
  const std::string line = LineOf(ExampleFrontRecord(), papers);
  ASSERT_NE(std::string::npos, line.find("A4 210 x 297 mm")) << line;

  const ProgramRun run =
      RunWithLists({"--driver", UserPath(SampleDriver()), "--device", UserPath(settings), "show", "INVOICE"});
  EXPECT_EQ(0, run.status) << run.output;
  EXPECT_NE(std::string::npos, run.output.find("  Overlay 0: " + line + "\n")) << run.output;

  const ProgramRun json = RunWithLists(
      {"--json", "--driver", UserPath(SampleDriver()), "--device", UserPath(settings), "show", "INVOICE"});
  EXPECT_EQ(0, json.status) << json.output;
  EXPECT_TRUE(JsonCheck::Valid(json.output)) << json.output;
  EXPECT_NE(std::string::npos, json.output.find("A4 210 x 297 mm")) << json.output;

  const ProgramRun noDriver = RunWithLists({"--driver", UserPath(Path("NOSUCH.DLL")), "show", "INVOICE"});
  EXPECT_EQ(2, noDriver.status) << noDriver.output;
  EXPECT_NE(std::string::npos, noDriver.output.find("gives no paper size list")) << noDriver.output;
}

TEST_F(ZvcatProgramTest, ADamagedFileIsReportedAndLeftToCheck) {
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(Path(kExampleGroupInfo), &bytes));
  ASSERT_TRUE(WriteWholeFile(Path(kExampleGroupInfo), bytes + "?"));
  before_ = Snapshot(Dir());
  const ProgramRun show = RunWithLists({"show", "INVOICE"});
  EXPECT_EQ(1, show.status);
  EXPECT_NE(std::string::npos, show.output.find("(cannot be read: damaged, see zvcat check)")) << show.output;
  const ProgramRun json = RunWithLists({"--json", "show", "INVOICE"});
  EXPECT_EQ(1, json.status);
  EXPECT_TRUE(JsonCheck::Valid(json.output)) << json.output;
  EXPECT_NE(std::string::npos, json.output.find("\"state\":\"damaged\"")) << json.output;

  ASSERT_TRUE(WriteWholeFile(Path(kExampleFormList), "ZEVROFORM"));
  before_ = Snapshot(Dir());
  const ProgramRun list = RunWithLists({"list"});
  EXPECT_EQ(1, list.status);
  EXPECT_NE(std::string::npos, list.output.find("damaged, see zvcat check")) << list.output;
}

TEST_F(ZvcatProgramTest, JsonOutputIsValidAndAsciiOnly) {
  const ProgramRun list = RunWithLists({"--json", "list"});
  EXPECT_EQ(0, list.status);
  EXPECT_TRUE(JsonCheck::Valid(list.output)) << list.output;
  EXPECT_NE(std::string::npos, list.output.find("{\"id\":2,\"fileEntry\":false,\"name\":\"Letter\","
                                                "\"description\":\"Letterhead\",\"layer\":2,"
                                                "\"groupIndex\":1,\"groupText\":\"D:\\\\LETTERS\\\\\","
                                                "\"groupPath\":\"D:\\\\LETTERS\\\\\"}"))
      << list.output;

  const ProgramRun show = RunWithLists({"--json", "show", "1"});
  EXPECT_EQ(0, show.status);
  EXPECT_TRUE(JsonCheck::Valid(show.output)) << show.output;
  EXPECT_NE(std::string::npos, show.output.find("\"stringCount\":4,\"entryCount\":2,\"poolSize\":52,"
                                                "\"firstString\":\"Plateau 2 (entr\\u00e9e)\""))
      << show.output;
  EXPECT_NE(std::string::npos, show.output.find("\"fileName\":\"INV2.ZLC\"")) << show.output;
  EXPECT_NE(std::string::npos,
            show.output.find("\"hasHeader\":false,\"description\":\"Invoice page 2, raw\""))
      << show.output;

  const ProgramRun unknown = RunWithLists({"--json", "show", "NOPE"});
  EXPECT_EQ(1, unknown.status);
  EXPECT_TRUE(JsonCheck::Valid(unknown.output)) << unknown.output;
  EXPECT_NE(std::string::npos, unknown.output.find("\"found\":false,\"form\":null")) << unknown.output;
}

TEST_F(ZvcatProgramTest, ConfigNamesTheListFiles) {
  const std::string config = Path("ZVLMN3.DAT");
  ASSERT_TRUE(WriteWholeFile(
      config, "[ENVIRONMENT]\r\nUSER=SUPPORT\r\n[SUPPORT]\r\nFormName=" + Path(kExampleFormList) +
                  "\r\nGroupName=" + Path(kExampleGroupList) + "\r\n"));
  before_ = Snapshot(Dir());
  const ProgramRun run = RunZvcat({"--config", UserPath(config), "list"}, "");
  EXPECT_EQ(0, run.status) << run.output;
  EXPECT_NE(std::string::npos, run.output.find("Form name list:         " + Path(kExampleFormList) + "\n"))
      << run.output;
  EXPECT_NE(std::string::npos, run.output.find("1   INVOICE")) << run.output;

  // A user section without the keys, and a file that is not there, locate nothing.
  ASSERT_TRUE(WriteWholeFile(config, "[ENVIRONMENT]\r\nUSER=OTHER\r\n[SUPPORT]\r\nFormName=A.FLT\r\n"));
  before_ = Snapshot(Dir());
  const ProgramRun noNames = RunZvcat({"--config", UserPath(config), "list"}, "");
  EXPECT_EQ(2, noNames.status);
  EXPECT_NE(std::string::npos, noNames.output.find("names no list files")) << noNames.output;
  const ProgramRun missing = RunZvcat({"--config", UserPath(Path("NONE.DAT")), "check"}, "");
  EXPECT_EQ(2, missing.status);
  EXPECT_NE(std::string::npos, missing.output.find("does not exist")) << missing.output;
}

TEST_F(ZvcatProgramTest, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {"list", "extra"},
      {"show"},
      {"show", "A", "B"},
      {"frobnicate"},
      {"--verbose", "list"},
      {"--lists", "A.FLT"},
      {"--config"},
      {"--config", "A.DAT", "--lists", "A.FLT", "A.GLT", "list"},
      {"--device", "X", "show", "1"},
      {"--driver", "X.DLL", "list"},
      {"--driver"},
  };
  for (const auto& args : wrong) {
    const ProgramRun run = RunZvcat(args, Dir());
    EXPECT_EQ(2, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("Usage: zvcat")) << run.output;
  }
}

TEST_F(ZvcatProgramTest, CheckOfEveryDamagedCatalogueNamesItsKind) {
  const ProgramRun sound = RunWithLists({"check"});
  EXPECT_EQ(0, sound.status) << sound.output;
  for (const DamagedCatalogue& damaged : DamagedCatalogues()) {
    SCOPED_TRACE(damaged.name);
    const std::string dir = Path(damaged.name) + "\\";
    ASSERT_TRUE(plat::CreateDirectory(dir.c_str()));
    damaged.write(dir);
    const auto files = Snapshot(dir);
    const std::vector<std::string> lists = {"--lists", UserPath(FormListIn(dir)), UserPath(GroupListIn(dir))};

    std::vector<std::string> args = lists;
    args.push_back("check");
    const ProgramRun text = RunZvcat(args, "");
    EXPECT_EQ(1, text.status) << text.output;
    std::string location = dir + damaged.file;
    if (damaged.offset != -1) location += ":" + std::to_string(damaged.offset);
    EXPECT_NE(std::string::npos, text.output.find(location + ": " + damaged.kind + ": ")) << text.output;
    EXPECT_NE(std::string::npos, text.output.find(" found.\n")) << text.output;

    args.insert(args.begin(), "--json");
    const ProgramRun json = RunZvcat(args, "");
    EXPECT_EQ(1, json.status) << json.output;
    EXPECT_TRUE(JsonCheck::Valid(json.output)) << json.output;
    EXPECT_NE(std::string::npos, json.output.find("\"sound\":false")) << json.output;
    EXPECT_NE(std::string::npos, json.output.find(std::string("{\"kind\":\"") + damaged.kind + "\""))
        << json.output;

    for (const char* command : {"list", "show"}) {
      args = lists;
      args.push_back(command);
      if (std::string(command) == "show") args.push_back("1");
      const ProgramRun view = RunZvcat(args, "");
      EXPECT_TRUE(view.status == 0 || view.status == 1) << view.output;
    }
    EXPECT_EQ(files, Snapshot(dir));
  }
}

class ZvcatSoundCatalogueTest : public SandboxTest {};

TEST_F(ZvcatSoundCatalogueTest, CheckOfTheSoundCatalogueExitsWithZero) {
  WriteSoundCatalogue(Dir());
  const auto files = Snapshot(Dir());
  const std::vector<std::string> lists = {"--lists", UserPath(FormListIn(Dir())),
                                          UserPath(GroupListIn(Dir()))};
  std::vector<std::string> args = lists;
  args.push_back("check");
  const ProgramRun text = RunZvcat(args, "");
  EXPECT_EQ(0, text.status) << text.output;
  EXPECT_NE(std::string::npos, text.output.find(": the catalogue is sound.\n")) << text.output;
  args.insert(args.begin(), "--json");
  const ProgramRun json = RunZvcat(args, "");
  EXPECT_EQ(0, json.status) << json.output;
  EXPECT_TRUE(JsonCheck::Valid(json.output)) << json.output;
  EXPECT_NE(std::string::npos, json.output.find("\"sound\":true,\"findings\":[]")) << json.output;
  args = lists;
  args.push_back("list");
  EXPECT_EQ(0, RunZvcat(args, "").status);
  EXPECT_EQ(files, Snapshot(Dir()));
}

// Without --config or --lists the system directory's configuration is used;
// without one, zvcat locates nothing and creates nothing.
class ZvcatDefaultConfigurationTest : public CatalogueTest {};

TEST_F(ZvcatDefaultConfigurationTest, TheSystemDirectorysConfigurationIsTheDefault) {
  WriteExampleCatalogue(Dir());
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(Path(kExampleFormList), &bytes));
  WriteFormList(bytes);
  ASSERT_TRUE(ReadWholeFile(Path(kExampleGroupList), &bytes));
  WriteGroupList(bytes);
  std::string config;
  ASSERT_TRUE(ReadWholeFile(SystemPath("ZVLMN3.DAT"), &config));
  const auto files = Snapshot(Dir());

  const ProgramRun run = RunZvcat({"show", "INVOICE"}, "");
  EXPECT_EQ(0, run.status) << run.output;
  EXPECT_NE(std::string::npos, run.output.find("Form name list:         " + FormListPath() + "\n"))
      << run.output;
  EXPECT_NE(std::string::npos, run.output.find("  Entries:              2\n")) << run.output;

  std::string after;
  ASSERT_TRUE(ReadWholeFile(SystemPath("ZVLMN3.DAT"), &after));
  EXPECT_EQ(config, after);
  EXPECT_EQ(files, Snapshot(Dir()));

  ASSERT_TRUE(RemoveFile(SystemPath("ZVLMN3.DAT")));
  const ProgramRun none = RunZvcat({"list"}, "");
  EXPECT_EQ(2, none.status) << none.output;
  EXPECT_NE(std::string::npos, none.output.find("cannot locate the catalogue")) << none.output;
  EXPECT_FALSE(FileExists(SystemPath("ZVLMN3.DAT")));
}

}  // namespace
}  // namespace zvtest
