// Profile files through the platform layer: the Linux emulation and, under Wine,
// GetPrivateProfileStringA and WritePrivateProfileStringA meet every expectation here.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "support/sandbox.h"

namespace {

using namespace std::string_literals;
constexpr char kDefault[] = "<default>";

class ProfileTest : public zvtest::SandboxTest {
 protected:
  std::string Ini() const { return Path("test.ini"); }
  void Put(const std::string& bytes) const { ASSERT_TRUE(zvtest::WriteWholeFile(Ini(), bytes)); }
  // The count read into a buffer of size characters, and the buffer with 8 '#' bytes after it.
  std::pair<uint32_t, std::string> Get(const char* section, const char* key, const char* defaultValue,
                                       uint32_t size, const std::string& file = "") const {
    std::vector<char> block(size + 8, '#');
    const uint32_t count = plat::ReadProfileValue(section, key, defaultValue, block.data(), size,
                                                  (file.empty() ? Ini() : file).c_str());
    return {count, std::string(block.data(), block.size())};
  }
  // A value (or list) read with room to spare, its terminator checked.
  std::string Value(const char* section, const char* key, const char* defaultValue = kDefault,
                    const std::string& file = "") const {
    const auto got = Get(section, key, defaultValue, 200, file);
    EXPECT_EQ('\0', got.second[got.first]);
    return got.second.substr(0, got.first);
  }
  bool Write(const char* section, const char* key, const char* value) const {
    return plat::WriteProfileValue(section, key, value, Ini().c_str());
  }
};

// In files of each line break; the first of duplicate keys and sections wins; quotes go only in pairs.
TEST_F(ProfileTest, ValuesAreFoundWithoutRegardToCaseAndTrimmed) {
  const std::string text =
      "top=before any section\n;[hidden]\n[section1]\nname1=val1\nname2=\"val2\"\nname3\nempty=\n"
      ";k=commented\n  spaced  =  a  b  \ntabs\t=\tx\t\nequals=a=b\ndouble=\"  kept  \"\nsingle='  kept  '\n"
      "padded=  \"x\"  \ndoubled=\"\"twice\"\"\nmixed=\"open'\nonlyopen=\"abc\nlone=\"\n"
      "key=first\nKEY=second\n[ Section2 ]\nname1=other\n[SECTION1]\nlate=1\n";
  const std::vector<std::vector<const char*>> rows = {
      // section, key, what is read
      {"SECTION1", "NaMe1", "val1"},        {"section1", "name2", "val2"},
      {"section2", "NAME1", "other"},       {"section1", "empty", ""},
      {"section1", "name3", kDefault},      {"section1", "missing", kDefault},
      {"section1", "k", kDefault},          {"hidden", "k", kDefault},
      {"section1", "spaced", "a  b"},       {"section1", "tabs", "x"},
      {"section1", "equals", "a=b"},        {"section1", "double", "  kept  "},
      {"section1", "single", "  kept  "},   {"section1", "padded", "x"},
      {"section1", "doubled", "\"twice\""}, {"section1", "mixed", "\"open'"},
      {"section1", "onlyopen", "\"abc"},    {"section1", "lone", "\""},
      {"section1", "key", "first"},         {"section1", "late", kDefault}};
  for (const char* nl : {"\r\n", "\n", "\r"}) {
    std::string file = text;
    for (size_t at = 0; (at = file.find('\n', at)) != std::string::npos; at += std::strlen(nl))
      file.replace(at, 1, nl);
    Put(file);
    for (const auto& row : rows)
      EXPECT_EQ(row[2], Value(row[0], row[1])) << row[0] << " " << row[1] << " " << file;
  }
  // The default, its trailing blanks cut, stands in for a missing key, section or file.
  Put("[s]\r\nk=v\r\n");
  EXPECT_EQ("||default|one two|  lead|default|default|default|v",
            "|" + Value("s", "missing", nullptr) + "|" + Value("s", "missing", "default  ") + "|" +
                Value("s", "missing", "one two  ") + "|" + Value("s", "missing", "  lead") + "|" +
                Value("missing", "k", "default") + "|" + Value("s", "k", "default", Path("absent.ini")) +
                "|" + Value("s", "k", "default", Path("no_dir\\absent.ini")) + "|" +
                Value("s", "k", "default"));
  for (const char* section : {"s", static_cast<const char*>(nullptr)})
    EXPECT_EQ(std::make_pair(0u, '\0'),
              std::make_pair(Get(section, nullptr, nullptr, 10, Path("absent.ini")).first,
                             Get(section, nullptr, nullptr, 10, Path("absent.ini")).second[0]));
}

// A value (the default cut alike), key list or section list read into a buffer of each size: the
// count and the bytes, 8 guard bytes included ('#' left alone, '?' any byte); a list exactly as
// long as the buffer does not fit.
TEST_F(ProfileTest, WhatDoesNotFitIsCutToTheBuffer) {
  Put("top=x\r\n;[hidden]\r\n[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n[ section2 "
      "]\r\nk=v\r\n\r\n[section3]\r\n");
  struct Row {
    const char *section, *key;
    uint32_t size, count;
    std::string bytes;
  };
  const std::vector<Row> rows = {{"section1", "name1", 0, 0, "########"},
                                 {"section1", "name1", 1, 0, "\0#"s},
                                 {"section1", "name1", 4, 3, "val\0#"s},
                                 {"section1", "name1", 5, 4, "val1\0#"s},
                                 {"section1", "missing", 4, 3, "def\0#"s},
                                 {"section1", nullptr, 20, 18, "name1\0name2\0name4\0\0"s},
                                 {"section1", nullptr, 19, 17, "name1\0name2\0name4\0"s},
                                 {"section1", nullptr, 16, 14, "name1\0name2\0na\0?########"s},
                                 {nullptr, "ignored", 29, 27, "section1\0section2\0section3\0\0"s},
                                 {nullptr, nullptr, 27, 25, "section1\0section2\0section\0"s},
                                 {nullptr, nullptr, 16, 14, "section1\0secti\0?########"s},
                                 {nullptr, nullptr, 0, 0, "########"},
                                 {"missing", nullptr, 10, 0, "\0#"s}};
  for (const Row& row : rows) {
    const auto got = Get(row.section, row.key, row.key ? "default" : nullptr, row.size);
    SCOPED_TRACE(std::string(row.section ? row.section : "-") + " " + (row.key ? row.key : "-") + " " +
                 std::to_string(row.size));
    EXPECT_EQ(row.count, got.first);
    std::string bytes = got.second.substr(0, row.bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = row.bytes[i] == '?' ? '?' : bytes[i];
    EXPECT_EQ(row.bytes, bytes);
  }
}

// Writes on a file (or none), the bytes after each; a null key deletes the section, a null value the key.
TEST_F(ProfileTest, WritesEditTheFileLineByLine) {
  struct Step {
    const char *section, *key, *value;
    std::string bytes;
  };
  const std::vector<std::pair<const char*, std::vector<Step>>> rows = {
      {nullptr,
       {{"App1", "key1", "s1", "[App1]\r\nkey1=s1\r\n"},
        {"App2", "key4", "", "[App1]\r\nkey1=s1\r\n[App2]\r\nkey4=\r\n"},
        {"App1", "key2", "s2", "[App1]\r\nkey1=s1\r\nkey2=s2\r\n[App2]\r\nkey4=\r\n"},
        {"APP1", "KEY2", "new", "[App1]\r\nkey1=s1\r\nkey2=new\r\n[App2]\r\nkey4=\r\n"},
        {"App1", "key2", nullptr, "[App1]\r\nkey1=s1\r\n[App2]\r\nkey4=\r\n"},
        {"app1", nullptr, "s1", "[App2]\r\nkey4=\r\n"},
        {"App2", "key4", nullptr, "[App2]\r\n"}}},
      {"; settings\r\n[a]\r\nk=1\r\n",  // deleting what is not there
       {{"b", "k", nullptr, "; settings\r\n[a]\r\nk=1\r\n"},
        {"a", "other", nullptr, "; settings\r\n[a]\r\nk=1\r\n"},
        {"b", nullptr, nullptr, "; settings\r\n[a]\r\nk=1\r\n"},
        {nullptr, "key", "string", "; settings\r\n[a]\r\nk=1\r\n"}}},  // fails without a section
      {"[dup]\r\nkey=first\r\nKEY=second\r\n[other]\r\nx=1\r\n[DUP]\r\nkey=third\r\n",
       {{"dup", "key", "new", "[dup]\r\nkey=new\r\nKEY=second\r\n[other]\r\nx=1\r\n[DUP]\r\nkey=third\r\n"},
        {"dup", "late", "early",
         "[dup]\r\nkey=new\r\nKEY=second\r\nlate=early\r\n[other]\r\nx=1\r\n[DUP]\r\nkey=third\r\n"}}},
      {"; header\r\n[a]\r\nk=1\r\n;about b\r\n[b]\r\nx=2\r\n",  // a section goes with all up to the next
       {{"a", nullptr, nullptr, "; header\r\n[b]\r\nx=2\r\n"}, {"b", nullptr, nullptr, "; header\r\n"}}},
      {"[a]\r\nk=1", {{"a", "j", "2", "[a]\r\nk=1\r\nj=2\r\n"}}},  // an unfinished last line is ended
      {"[a]\r\nk=1", {{"b", "x", "2", "[a]\r\nk=1\r\n[b]\r\nx=2\r\n"}}},
  };
  for (const auto& [initial, steps] : rows) {
    SCOPED_TRACE(initial ? initial : "(no file)");
    zvtest::RemoveFile(Ini());
    if (initial) Put(initial);
    for (const Step& step : steps) {
      EXPECT_EQ(step.section != nullptr, Write(step.section, step.key, step.value));
      EXPECT_EQ(step.bytes, zvtest::FileBytes(Ini())) << (step.key ? step.key : "(null)");
    }
  }
  // Nothing is created by a failed write, a deletion or a write into a missing directory.
  zvtest::RemoveFile(Ini());
  EXPECT_FALSE(Write(nullptr, "key", "string"));
  EXPECT_TRUE(Write("a", "k", nullptr) && Write("a", nullptr, nullptr));
  const std::string absent = zvtest::FileBytes(Ini());
  EXPECT_TRUE(absent == zvtest::kMissing || absent.empty()) << absent;
  EXPECT_FALSE(plat::WriteProfileValue("a", "k", "v", Path("no_dir\\test.ini").c_str()));
  EXPECT_FALSE(zvtest::FileExists(Path("no_dir\\test.ini")));
}

// New keys end their section in files of any line break; quotes keep a written value's blanks.
// Every call reads the file afresh, and concurrent writers lose no update.
TEST_F(ProfileTest, NewKeysGoToTheEndOfTheirSectionAndNoUpdateIsLost) {
  Put("[a]\r\nk=1\r\n\r\n[b]\r\nx=2\r\n\r\n");
  ASSERT_TRUE(Write("a", "k2", "v") && Write("b", "y", "3") && Write("a", "k", "9") && Write("c", "z", "4"));
  // Windows may keep or drop the blank lines; the lines around them are fixed.
  std::string text = zvtest::FileBytes(Ini());
  for (size_t at; (at = text.find("\r\n\r\n")) != std::string::npos;) text.erase(at, 2);
  EXPECT_EQ("[a]\r\nk=9\r\nk2=v\r\n[b]\r\nx=2\r\ny=3\r\n[c]\r\nz=4\r\n", text);
  Put("[a]\n  K = 1  \n;comment\n[b]\nx=2");
  ASSERT_TRUE(Write("a", "k", "new") && Write("b", "y", "3"));
  text = zvtest::FileBytes(Ini());
  for (size_t at; (at = text.find('\r')) != std::string::npos;) text.erase(at, 1);
  EXPECT_EQ("[a]\nK=new\n;comment\n[b]\nx=2\ny=3\n", text);
  ASSERT_TRUE(Write("q", "bare", "  padded  ") && Write("q", "quoted", "\"  padded  \""));
  EXPECT_EQ("padded|  padded  ", Value("q", "bare") + "|" + Value("q", "quoted"));

  Put("[a]\r\nk=three\r\n");
  EXPECT_EQ("three", Value("a", "k"));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([this, t] {
      for (int k = 0; k < 20; ++k) {
        const std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
        Write("shared", key.c_str(), key.c_str());
        Write("shared", "last", key.c_str());  // a key all of them rewrite
      }
    });
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t)
    for (int k = 0; k < 20; ++k) {
      const std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
      EXPECT_EQ(key, Value("shared", key.c_str()));
    }
  text = zvtest::FileBytes(Ini());
  EXPECT_EQ(text.find("last="), text.rfind("last="));
  ASSERT_TRUE(zvtest::RemoveFile(Ini()));
  EXPECT_EQ(kDefault, Value("a", "k"));
}

}  // namespace
