// The zvcat program run as a user runs it, in a process of its own: each
// command in text and JSON, the three ways of naming the catalogue, each
// exit status, show and check on every damaged catalogue, and no run
// changes a file.
#ifndef _WIN32
#include <sys/wait.h>

#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "catalogue/group_info.h"
#include "damaged_catalogues.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/sample_driver.h"

namespace zvtest {
namespace {

struct ProgramRun {
  int status = -1;
  std::string output;  // standard output and error, lines ended by \n
};

// Runs zvcat through the shell (cmd under Windows), in cwd if given. Natively
// the user names files by their host paths, and the program gets the drive
// map and system directory this process was given by its fixtures.
#ifdef _WIN32
struct Host {
  static std::string UserPath(const std::string& windowsPath) { return windowsPath; }
  static std::string Quote(const std::string& text) { return "\"" + text + "\""; }
};
#else
struct Host {
  static std::string UserPath(const std::string& windowsPath) {
    char host[4096];
    return plat::posix::ToHostPath(windowsPath.c_str(), host, sizeof host) ? host : "";
  }
  static std::string Quote(const std::string& text) { return "'" + text + "'"; }
};
#define _pclose(p) WEXITSTATUS(pclose(p))
#endif
constexpr auto Quote = &Host::Quote;
constexpr auto UserPath = &Host::UserPath;

ProgramRun RunZvcat(const std::vector<std::string>& args, const std::string& cwd = "") {
  std::string command = ZV_ZVCAT_PROGRAM;
#ifdef _WIN32
  for (char& c : command) c = c == '/' ? '\\' : c;
  command = Quote("Z:" + command);
  if (!cwd.empty()) command = "cd /d " + Quote(cwd) + " && " + command;
#else
  command = Quote(command);
  char systemDir[plat::kPathBuffer];
  if (plat::GetSystemDirectory(systemDir, sizeof systemDir) != 0)
    command = "ZV_SYSTEM_DIR=" + Quote(systemDir) + " " + command;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string host = UserPath(std::string(1, letter) + ":\\");
    if (!host.empty()) command = "ZV_DRIVE_" + std::string(1, letter) + "=" + Quote(host) + " " + command;
  }
  if (!DataDirectory().empty()) command = "ZV_DATA_DIR=" + Quote(DataDirectory()) + " " + command;
  if (!cwd.empty()) command = "cd " + Quote(UserPath(cwd)) + " && " + command;
#endif
  for (const std::string& arg : args) command += " " + Quote(arg);
#ifdef _WIN32
  FILE* pipe = _popen(("\"" + command + " 2>&1\"").c_str(), "rb");  // cmd /c drops the outer quotes
#else
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
#endif
  ProgramRun run;
  char buffer[4096];
  for (size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    for (size_t i = 0; i < n; ++i)
      if (buffer[i] != '\r') run.output += buffer[i];
  if (pipe) run.status = _pclose(pipe);
  return run;
}

// A run, its exit status and texts its output must hold.
struct Case {
  std::vector<std::string> args;
  int status;
  std::vector<std::string> output;
};

void ExpectRuns(const std::vector<Case>& cases, const std::string& cwd = "") {
  for (const Case& c : cases) {
    const ProgramRun run = RunZvcat(c.args, cwd);
    std::string command;
    for (const auto& a : c.args) command += a + " ";
    EXPECT_EQ(c.status, run.status) << command << "\n" << run.output;
    for (const std::string& text : c.output)
      EXPECT_NE(std::string::npos, run.output.find(text)) << command << "lacks\n"
                                                          << text << "\nin\n"
                                                          << run.output;
  }
}

class ZvcatProgramTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    WriteExampleCatalogue(Dir());
    before_ = Snapshot();
  }
  void TearDown() override {
    EXPECT_EQ(before_, Snapshot()) << "zvcat changed a file";
    SandboxTest::TearDown();
  }
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    for (const char* name : {"FORMS.FLT", "GROUPS.GLT", kExampleGroupInfo, "INV1.ZLP", "INV2.ZLC", "INV2.ZLI",
                             "LOGO.ZLP", "_F301A.PBF", "DRIVER.INI", "ZVLMN3.DAT", "OTHER.DAT"})
      if (!ReadWholeFile(Path(name), &files[name])) files[name] = "(absent)";
    return files;
  }
  void Write(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(WriteWholeFile(Path(name), bytes));
    before_ = Snapshot();
  }
  std::map<std::string, std::string> before_;
};

// The help's example is the program's own list of the example catalogue,
// each line indented by two blanks.
TEST_F(ZvcatProgramTest, HelpShowsTheUsageAndAnExampleThatIsTheProgramsOwnOutput) {
  const ProgramRun listed = RunZvcat({"--lists", "FORMS.FLT", "GROUPS.GLT", "list"}, Dir());
  ASSERT_EQ(0, listed.status) << listed.output;
  EXPECT_NE(std::string::npos,
            listed.output.find("\n1   INVOICE   front  Invoice with logo  \"_F301A.FGP\"   _F301A.FGP\n"));
  std::string indented = "  zvcat --lists FORMS.FLT GROUPS.GLT list\n";
  for (size_t at = 0, end; at < listed.output.size(); at = end + 1) {
    end = listed.output.find('\n', at);
    indented += (end == at ? "" : "  ") + listed.output.substr(at, end - at) + "\n";
  }
  const std::string usage =
      "Usage: zvcat [--config FILE | --lists FORMLIST GROUPLIST] [--json]\n"
      "             [--driver MODULE [--device NAME]] COMMAND\n";
  ExpectRuns({{{"--help"}, 0, {usage, indented}}, {{"-h"}, 0, {usage, indented}}});
}

// Run in the catalogue's directory with relative list names, the output
// names no directory, so show's and the JSON list are compared whole.
TEST_F(ZvcatProgramTest, ShowAndListInTextAndJson) {
  const auto with = [](std::vector<std::string> args) {
    return args.insert(args.begin(), {"--lists", "FORMS.FLT", "GROUPS.GLT"}), args;
  };
  std::string front =
      "    Settings:           mark 1, layer %, mode level 3, model 7, paper 2100 x 2970 (11, 12) code 9, "
      "orientation %, resolution %00, colour %, printing mode %, pages per sheet %, "
      "output 2200 x 3000 (21, 22) code 9, zoom %\n";
  std::string back = front;
  for (const char* value : {"1", "1", "6", "2", "0", "0", "100"}) front.replace(front.find('%'), 1, value);
  for (const char* value : {"2", "2", "3", "1", "2", "2", "71"}) back.replace(back.find('%'), 1, value);
  const ProgramRun show = RunZvcat(with({"show", "INVOICE"}), Dir());
  EXPECT_EQ(0, show.status);
  EXPECT_EQ(
      "Form name list:         FORMS.FLT\nGroup name list:        GROUPS.GLT\n\n"
      "Form:                   INVOICE\nIdentifier:             1 (named form)\n"
      "Description:            Invoice with logo\nLayer:                  front (1)\n"
      "Group index:            0\nGroup text:             \"_F301A.FGP\"\n"
      "Resolved:               _F301A.FGP (exists)\n\nGroup info file:        _F301A.FGP\n"
      "  Strings:              4\n  Entries:              2\n  Pool size:            52\n"
      "  First group string:   \"Plateau 2 (entr\xE9"
      "e)\"\n"
      "  Preview file:         \"_F301A.PBF\" -> _F301A.PBF (missing)\n  Edited file:          none\n\n"
      "  Overlay 0: Negro,600dpi, ,100%, , -\n    File:               \"INV1.ZLP\" -> INV1.ZLP (exists)\n"
      "    Header:             yes\n    Description:        Invoice page 1\n    Layer:              front "
      "(1)\n" +
          front +
          "\n  Overlay 1: Color,300dpi,Alta calidad, , , 2P\xE1ginas\n"
          "    File:               \"INV2.ZLC\" -> INV2.ZLC (exists)\n"
          "    Header:             no (raw data)\n    Description:        Invoice page 2, raw\n"
          "    Layer:              front (1)\n" +
          back,
      show.output);
  const ProgramRun list = RunZvcat(with({"--json", "list"}), Dir());
  EXPECT_EQ(0, list.status);
  EXPECT_EQ(
      "{\"formList\":{\"path\":\"FORMS.FLT\",\"state\":\"read\"},\"groupList\":{\"path\":\"GROUPS.GLT\","
      "\"state\":"
      "\"read\"},\"forms\":[{\"id\":1,\"fileEntry\":false,\"name\":\"INVOICE\",\"description\":\"Invoice "
      "with logo\","
      "\"layer\":1,\"groupIndex\":0,\"groupText\":\"_F301A.FGP\",\"groupPath\":\"_F301A.FGP\"},{\"id\":2,"
      "\"fileEntry\":"
      "false,\"name\":\"Letter\",\"description\":\"Letterhead\",\"layer\":2,\"groupIndex\":1,\"groupText\":"
      "\"D:\\\\"
      "LETTERS\\\\\",\"groupPath\":\"D:\\\\LETTERS\\\\\"},{\"id\":-1,\"fileEntry\":true,\"name\":\"LOGO."
      "ZLP\","
      "\"description\":\"Logo\",\"layer\":1,\"groupIndex\":2,\"groupText\":\"LOGO.ZLP\",\"groupPath\":\"LOGO."
      "ZLP\"},"
      "{\"id\":-2,\"fileEntry\":true,\"name\":\"SEAL\",\"description\":\"Seal on "
      "printer\",\"layer\":1,\"groupIndex\":3,"
      "\"groupText\":\"7\",\"groupPath\":\"7\"}]}\n",
      list.output);
  ExpectRuns(
      {{with({"show", "-2"}),
        0,
        {"Identifier:             -2 (file entry)\n", "Resolved:               7 (an overlay number)\n"}},
       {with({"show", "-1"}),
        0,
        {"Resolved:               LOGO.ZLP (exists)\nHeader:                 yes\n"
         "Overlay description:    Logo\nOverlay layer:          front (1)\n"}},
       {with({"show", "invoice"}), 1, {"No form named or numbered \"invoice\"."}},
       {with({"--json", "show", "1"}),
        0,
        {"\"stringCount\":4,\"entryCount\":2,\"poolSize\":52,\"firstString\":\"Plateau 2 (entr\\u00e9e)\"",
         "\"fileName\":\"INV2.ZLC\"", "\"hasHeader\":false,\"description\":\"Invoice page 2, raw\""}},
       {with({"--json", "show", "NOPE"}), 1, {"\"found\":false,\"form\":null}\n"}}},
      Dir());
}

// The catalogue named by a configuration file or the driver's paper list,
// and each usage error.
TEST_F(ZvcatProgramTest, ConfigDriverAndUsageErrors) {
  Write("ZVLMN3.DAT", "[ENVIRONMENT]\r\nUSER=SUPPORT\r\n[SUPPORT]\r\nFormName=" + Path("FORMS.FLT") +
                          "\r\nGroupName=" + Path("GROUPS.GLT") + "\r\n");
  Write("OTHER.DAT", "[ENVIRONMENT]\r\nUSER=OTHER\r\n[SUPPORT]\r\nFormName=A.FLT\r\n");
  Write("DRIVER.INI",
        "[Driver]\nModels = 1\n[Model 1]\nPaper = 8, 2970, 4200, 2886, 4116, A3 297 x 420 mm\n"
        "Paper = 9, 2100, 2970, 2016, 2886, A4 210 x 297 mm\n");
  zv::PrintSettings settings{};
  zv::DecodePrintSettings(reinterpret_cast<const unsigned char*>(ExampleRecord(0).data()), &settings);
  const std::vector<zv::PaperEntry> papers = {{1, 2970, 4200, 2886, 4116, 8, "A3 297 x 420 mm"},
                                              {1, 2100, 2970, 2016, 2886, 9, "A4 210 x 297 mm"}};
  char line[zv::kOverlayLineSize];
  zv::BuildOverlayLine(settings, papers.data(), 2, true, line);
  ASSERT_NE(nullptr, std::strstr(line, "A4 210 x 297 mm")) << line;
  const std::string config = UserPath(Path("ZVLMN3.DAT")), u = "Usage: zvcat";
  const std::vector<std::string> lists = {"--lists", UserPath(Path("FORMS.FLT")),
                                          UserPath(Path("GROUPS.GLT"))};
  const auto with = [&lists](std::vector<std::string> args) {
    return args.insert(args.begin(), lists.begin(), lists.end()), args;
  };
  ExpectRuns(
      {{{"--config", config, "list"},
        0,
        {"Form name list:         " + Path("FORMS.FLT") + "\n", "1   INVOICE"}},
       {with({"--driver", UserPath(SampleDriver()), "--device", UserPath(Path("DRIVER.INI")), "show", "1"}),
        0,
        {"  Overlay 0: " + std::string(line) + "\n"}},
       {with({"--driver", UserPath(Path("NOSUCH.DLL")), "show", "1"}), 2, {"gives no paper size list"}},
       {{"--config", UserPath(Path("OTHER.DAT")), "list"}, 2, {"names no list files"}},
       {{"--config", UserPath(Path("NONE.DAT")), "check"}, 2, {"does not exist"}},
       {{}, 2, {u}},
       {{"list", "extra"}, 2, {u}},
       {{"show"}, 2, {u}},
       {{"show", "A", "B"}, 2, {u}},
       {{"frobnicate"}, 2, {u}},
       {{"--verbose", "list"}, 2, {u}},
       {{"--lists", "A.FLT"}, 2, {u}},
       {{"--config"}, 2, {u}},
       {{"--config", "A.DAT", "--lists", "A.FLT", "A.GLT", "list"}, 2, {u}},
       {{"--device", "X", "show", "1"}, 2, {u}},
       {{"--driver", "X.DLL", "list"}, 2, {u}},
       {{"--driver"}, 2, {u}}});
}

// check and show on the sound catalogue and on every damaged one.
TEST_F(ZvcatProgramTest, CheckAndShowOnEveryDamagedCatalogue) {
  const auto lists = [](const std::string& dir, std::vector<std::string> args) {
    return args.insert(args.begin(), {"--lists", UserPath(FormListIn(dir)), UserPath(GroupListIn(dir))}),
           args;
  };
  const std::string sound = Path("sound\\");
  ASSERT_TRUE(plat::CreateDirectory(sound.c_str()));
  WriteSoundCatalogue(sound);
  ExpectRuns({{lists(sound, {"check"}), 0, {": the catalogue is sound.\n"}},
              {lists(sound, {"--json", "check"}), 0, {"\"sound\":true,\"findings\":[]}"}}});
  for (const DamagedCatalogue& d : DamagedCatalogues()) {
    SCOPED_TRACE(d.name);
    const std::string dir = Path(d.name) + "\\";
    ASSERT_TRUE(plat::CreateDirectory(dir.c_str()));
    d.write(dir);
    const std::string at = dir + d.file + (d.offset == -1 ? "" : ":" + std::to_string(d.offset));
    ExpectRuns({{lists(dir, {"show", d.form}), d.showStatus, {d.shows}}});
    // check, and both in JSON, on a row for each way a file or text can be
    // unreadable (the checker's findings are proven in process; runs are slow under Wine).
    if (std::string(" FormListBadMagic GroupListMissing GroupIndexOutOfRange FirstStringIndexNegative "
                    "EditedStringIndexPastTable EntryFileNameIndexPastTable GroupInfoMissing ")
            .find(" " + std::string(d.name) + " ") == std::string::npos)
      continue;
    ExpectRuns(
        {{lists(dir, {"check"}), 1, {at + ": " + d.kind + ": ", " found.\n"}},
         {lists(dir, {"--json", "check"}), 1, {"\"sound\":false,", "{\"kind\":\"" + std::string(d.kind)}},
         {lists(dir, {"--json", "show", d.form}), d.showStatus, {"{\"formList\":"}}});
  }
}

// Without --config or --lists the system directory's configuration is used;
// without one zvcat locates nothing and creates nothing.
class ZvcatDefaultConfigurationTest : public CatalogueTest {};

TEST_F(ZvcatDefaultConfigurationTest, TheSystemDirectorysConfigurationIsTheDefault) {
  WriteExampleCatalogue(Dir());
  std::string bytes, config;
  ASSERT_TRUE(ReadWholeFile(Path("FORMS.FLT"), &bytes));
  WriteFormList(bytes);
  ASSERT_TRUE(ReadWholeFile(Path("GROUPS.GLT"), &bytes));
  WriteGroupList(bytes);
  ASSERT_TRUE(ReadWholeFile(SystemPath("ZVLMN3.DAT"), &config));
  ExpectRuns({{{"show", "INVOICE"},
               0,
               {"Form name list:         " + FormListPath() + "\n", "  Entries:              2\n"}}});
  ASSERT_TRUE(ReadWholeFile(SystemPath("ZVLMN3.DAT"), &bytes));
  EXPECT_EQ(config, bytes);
  ASSERT_TRUE(RemoveFile(SystemPath("ZVLMN3.DAT")));
  ExpectRuns({{{"list"}, 2, {"cannot locate the catalogue"}}});
  EXPECT_FALSE(FileExists(SystemPath("ZVLMN3.DAT")));
}

}  // namespace
}  // namespace zvtest
