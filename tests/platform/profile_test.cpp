// INI profile files through plat::GetProfileString and plat::WriteProfileString.
// The same tests run against the Linux emulation and, in the Windows build,
// against GetPrivateProfileStringA / WritePrivateProfileStringA, so every
// expectation here is one that Windows meets.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "support/sandbox.h"

namespace {

using namespace std::string_literals;

constexpr char kFill = '#';
constexpr char kDefault[] = "<default>";

// What one GetProfileString call returned, and the whole buffer after it.
struct Result {
  uint32_t count = 0;
  std::string bytes;
};

// Drops the empty lines of a CR LF text.
std::string WithoutBlankLines(const std::string& text) {
  std::string result;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    end = end == std::string::npos ? text.size() : end + 2;
    const std::string line = text.substr(pos, end - pos);
    if (line != "\r\n") result += line;
    pos = end;
  }
  return result;
}

// Turns every CR LF into LF.
std::string WithLfBreaks(std::string text) {
  for (size_t pos = text.find("\r\n"); pos != std::string::npos; pos = text.find("\r\n", pos)) {
    text.erase(pos, 1);
  }
  return text;
}

class ProfileTest : public zvtest::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    ini_ = Path("test.ini");
  }

  const char* Ini() const { return ini_.c_str(); }

  void Put(const std::string& bytes) { ASSERT_TRUE(zvtest::WriteWholeFile(ini_, bytes)); }

  std::string Bytes() const {
    std::string bytes;
    EXPECT_TRUE(zvtest::ReadWholeFile(ini_, &bytes)) << "cannot read " << ini_;
    return bytes;
  }

  // Calls GetProfileString with a buffer of `size` characters, which is part
  // of a larger block filled with kFill so that stray writes show.
  Result Get(const char* section, const char* key, const char* defaultValue, uint32_t size,
             const char* file = nullptr) const {
    std::vector<char> block(size + 8, kFill);
    Result result;
    result.count = plat::GetProfileString(section, key, defaultValue, block.data(), size,
                                          file != nullptr ? file : Ini());
    result.bytes.assign(block.data(), block.size());
    return result;
  }

  // A single value read with room to spare; also checks that the count is the
  // length of the string.
  std::string Value(const char* section, const char* key, const char* defaultValue = kDefault,
                    const char* file = nullptr) const {
    const Result result = Get(section, key, defaultValue, 200, file);
    const size_t length = result.bytes.find('\0');
    EXPECT_NE(std::string::npos, length);
    EXPECT_EQ(length, result.count) << "for [" << (section ? section : "null") << "] "
                                    << (key ? key : "null");
    return result.bytes.substr(0, length);
  }

  // A list read with room to spare: the names, each with its NUL, and the
  // final NUL.
  std::string List(const char* section, const char* key) const {
    const Result result = Get(section, key, nullptr, 200);
    return result.bytes.substr(0, result.count + 1);
  }

  bool Write(const char* section, const char* key, const char* value) const {
    return plat::WriteProfileString(section, key, value, Ini());
  }

  std::string ini_;
};

// ---------------------------------------------------------------------------
// Reading values

class ProfileLineBreakTest : public ProfileTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ProfileLineBreakTest, FindsValuesByNameWithoutRegardToCase) {
  const std::string nl = GetParam();
  Put("[section1]" + nl + "name1=val1" + nl + "name2=\"val2\"" + nl + "name3" + nl + "name4=a" + nl +
      "empty=" + nl + "[ Section2 ]" + nl + "name1=other" + nl);

  EXPECT_EQ("val1", Value("section1", "name1"));
  EXPECT_EQ("val1", Value("SECTION1", "NaMe1"));
  EXPECT_EQ("val2", Value("section1", "name2"));
  EXPECT_EQ("a", Value("section1", "name4"));
  EXPECT_EQ("other", Value("section2", "NAME1"));
  // A key whose value is empty is found: its value, not the default.
  EXPECT_EQ("", Value("section1", "empty"));
  // A line without '=' is no key.
  EXPECT_EQ(kDefault, Value("section1", "name3"));
  EXPECT_EQ(kDefault, Value("section1", "missing"));
  EXPECT_EQ(kDefault, Value("section3", "name1"));
  // Keys belong to their own section only.
  EXPECT_EQ(kDefault, Value("section2", "name4"));
}

INSTANTIATE_TEST_SUITE_P(LineBreaks, ProfileLineBreakTest, ::testing::Values("\r\n", "\n", "\r"));

TEST_F(ProfileTest, ValuesLoseSurroundingBlanksAndOnePairOfQuotes) {
  Put("[v]\r\n"
      "  spaced  =  a  b  \r\n"
      "tabs\t=\tx\t\r\n"
      "equals=a=b\r\n"
      "double=\"  kept  \"\r\n"
      "single='  kept  '\r\n"
      "padded=  \"x\"  \r\n"
      "doubled=\"\"twice\"\"\r\n"
      "nothing=\"\"\r\n"
      "mixed=\"open'\r\n"
      "onlyopen=\"abc\r\n"
      "lone=\"\r\n");

  EXPECT_EQ("a  b", Value("v", "spaced"));
  EXPECT_EQ("x", Value("v", "tabs"));
  EXPECT_EQ("a=b", Value("v", "equals"));
  EXPECT_EQ("  kept  ", Value("v", "double"));
  EXPECT_EQ("  kept  ", Value("v", "single"));
  EXPECT_EQ("x", Value("v", "padded"));
  EXPECT_EQ("\"twice\"", Value("v", "doubled"));
  EXPECT_EQ("", Value("v", "nothing"));
  EXPECT_EQ("\"open'", Value("v", "mixed"));
  EXPECT_EQ("\"abc", Value("v", "onlyopen"));
  EXPECT_EQ("\"", Value("v", "lone"));
}

TEST_F(ProfileTest, CommentsDefineNothing) {
  Put(";[hidden]\r\n"
      "[c]\r\n"
      ";name=commented\r\n"
      ";k=commented\r\n"
      "name=real\r\n"
      "; a note\r\n");

  EXPECT_EQ("real", Value("c", "name"));
  EXPECT_EQ(kDefault, Value("c", "k"));
  EXPECT_EQ(kDefault, Value("hidden", "k"));
  EXPECT_EQ("c\0\0"s, List(nullptr, nullptr));
}

TEST_F(ProfileTest, TheFirstOfDuplicateKeysAndSectionsWins) {
  Put("[dup]\r\nkey=first\r\nKEY=second\r\n[other]\r\nx=1\r\n[DUP]\r\nkey=third\r\nlate=1\r\n");

  EXPECT_EQ("first", Value("dup", "key"));
  EXPECT_EQ(kDefault, Value("dup", "late"));
}

TEST_F(ProfileTest, TheDefaultStandsInForWhatIsMissing) {
  Put("[s]\r\nk=v\r\n");

  EXPECT_EQ("", Value("s", "missing", nullptr));
  EXPECT_EQ("default", Value("s", "missing", "default  "));
  EXPECT_EQ("one two", Value("s", "missing", "one two  "));
  EXPECT_EQ("  lead", Value("s", "missing", "  lead"));
  EXPECT_EQ("default", Value("missing", "k", "default"));
  EXPECT_EQ("default", Value("s", "k", "default", Path("absent.ini").c_str()));
  EXPECT_EQ("default", Value("s", "k", "default", Path("no_dir\\absent.ini").c_str()));
  EXPECT_EQ("v", Value("s", "k", "default"));
}

TEST_F(ProfileTest, ValuesAreCutToTheBuffer) {
  Put("[section1]\r\nname1=val1\r\nname4=a\r\n");

  Result got = Get("section1", "name1", "default", 0);
  EXPECT_EQ(0u, got.count);
  EXPECT_EQ(std::string(8, kFill), got.bytes);

  got = Get("section1", "name1", "default", 1);
  EXPECT_EQ(0u, got.count);
  EXPECT_EQ('\0', got.bytes[0]);

  got = Get("section1", "name1", "default", 4);
  EXPECT_EQ(3u, got.count);
  EXPECT_EQ("val\0"s, got.bytes.substr(0, 4));

  got = Get("section1", "name1", "default", 5);
  EXPECT_EQ(4u, got.count);
  EXPECT_EQ("val1\0"s, got.bytes.substr(0, 5));

  got = Get("section1", "name4", "default", 1);
  EXPECT_EQ(0u, got.count);
  EXPECT_EQ('\0', got.bytes[0]);

  // The default is cut the same way.
  got = Get("section1", "missing", "default", 4);
  EXPECT_EQ(3u, got.count);
  EXPECT_EQ("def\0"s, got.bytes.substr(0, 4));
}

// ---------------------------------------------------------------------------
// Listing keys and sections

TEST_F(ProfileTest, ListsTheKeysOfASectionInFileOrder) {
  Put("top=before any section\r\n"
      "[s]\r\nname1=val1\r\nname2=\r\nname3\r\n;comment\r\n\r\nname4=val4\r\n"
      "[t]\r\nother=1\r\n");

  Result got = Get("S", nullptr, nullptr, 100);
  EXPECT_EQ(18u, got.count);
  EXPECT_EQ("name1\0name2\0name4\0\0"s, got.bytes.substr(0, 19));

  // A new key comes last; a changed one keeps its place.
  ASSERT_TRUE(Write("s", "name5", "val5"));
  ASSERT_TRUE(Write("s", "name1", "changed"));
  EXPECT_EQ("name1\0name2\0name4\0name5\0\0"s, List("s", nullptr));
  EXPECT_EQ("other\0\0"s, List("t", nullptr));
}

TEST_F(ProfileTest, AKeyListThatDoesNotFitEndsInACutName) {
  Put("[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n[section2]\r\n");

  // The whole list takes 19 characters with its final NUL.
  Result got = Get("section1", nullptr, nullptr, 20);
  EXPECT_EQ(18u, got.count);
  EXPECT_EQ("name1\0name2\0name4\0\0"s, got.bytes.substr(0, 19));

  // Exactly the list's size still counts as too small.
  got = Get("section1", nullptr, nullptr, 19);
  EXPECT_EQ(17u, got.count);
  EXPECT_EQ("name1\0name2\0name4\0"s, got.bytes.substr(0, 18));

  got = Get("section1", nullptr, nullptr, 16);
  EXPECT_EQ(14u, got.count);
  EXPECT_EQ("name1\0name2\0na\0"s, got.bytes.substr(0, 15));
  EXPECT_EQ(std::string(8, kFill), got.bytes.substr(16));
}

TEST_F(ProfileTest, ListsNoKeysForAMissingSectionOrFile) {
  Put("[s]\r\nk=v\r\n");

  Result got = Get("missing", nullptr, nullptr, 10);
  EXPECT_EQ(0u, got.count);
  EXPECT_EQ('\0', got.bytes[0]);

  got = Get("s", nullptr, nullptr, 10, Path("absent.ini").c_str());
  EXPECT_EQ(0u, got.count);
  EXPECT_EQ('\0', got.bytes[0]);
}

TEST_F(ProfileTest, ListsTheSectionsInFileOrder) {
  Put("top=before any section\r\n"
      "[section1]\r\n[ section2 ]\r\nk=v\r\n\r\n[section3]\r\n");

  Result got = Get(nullptr, "ignored", nullptr, 29);
  EXPECT_EQ(27u, got.count);
  EXPECT_EQ("section1\0section2\0section3\0\0"s, got.bytes.substr(0, 28));

  // Exactly the list's size still counts as too small.
  got = Get(nullptr, nullptr, nullptr, 28);
  EXPECT_EQ(26u, got.count);
  EXPECT_EQ("section1\0section2\0section3\0"s, got.bytes.substr(0, 27));

  got = Get(nullptr, nullptr, nullptr, 27);
  EXPECT_EQ(25u, got.count);
  EXPECT_EQ("section1\0section2\0section\0"s, got.bytes.substr(0, 26));

  got = Get(nullptr, nullptr, nullptr, 16);
  EXPECT_EQ(14u, got.count);
  EXPECT_EQ("section1\0secti\0"s, got.bytes.substr(0, 15));
  EXPECT_EQ(std::string(8, kFill), got.bytes.substr(16));

  got = Get(nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(0u, got.count);
  EXPECT_EQ(std::string(8, kFill), got.bytes);
}

TEST_F(ProfileTest, ListsNoSectionsOfAMissingFile) {
  const Result got = Get(nullptr, nullptr, nullptr, 10, Path("absent.ini").c_str());
  EXPECT_EQ(0u, got.count);
  EXPECT_EQ('\0', got.bytes[0]);
}

// ---------------------------------------------------------------------------
// Writing

TEST_F(ProfileTest, WritingCreatesTheFileAndTheSection) {
  ASSERT_FALSE(zvtest::FileExists(ini_));
  ASSERT_TRUE(Write("App", "key", "string"));
  EXPECT_EQ("[App]\r\nkey=string\r\n", Bytes());
  EXPECT_EQ("string", Value("app", "KEY"));
}

TEST_F(ProfileTest, AnEmptyValueIsWrittenAndReadBack) {
  ASSERT_TRUE(Write("App", "key", ""));
  EXPECT_EQ("[App]\r\nkey=\r\n", Bytes());
  EXPECT_EQ("", Value("App", "key"));
}

TEST_F(ProfileTest, BuildsAndTrimsAFileLineByLine) {
  ASSERT_TRUE(Write("App1", "key1", "string1"));
  ASSERT_TRUE(Write("App1", "key2", "string2"));
  ASSERT_TRUE(Write("App1", "key3", "string3"));
  ASSERT_TRUE(Write("App2", "key4", "string4"));
  ASSERT_TRUE(Write("App3", "key5", "string5"));
  EXPECT_EQ(
      "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n"
      "[App2]\r\nkey4=string4\r\n"
      "[App3]\r\nkey5=string5\r\n",
      Bytes());

  // A new value replaces the old one in place, under the file's spelling.
  ASSERT_TRUE(Write("APP1", "KEY2", "changed"));
  EXPECT_EQ(
      "[App1]\r\nkey1=string1\r\nkey2=changed\r\nkey3=string3\r\n"
      "[App2]\r\nkey4=string4\r\n"
      "[App3]\r\nkey5=string5\r\n",
      Bytes());

  // No value deletes the key; deleting it again changes nothing.
  ASSERT_TRUE(Write("App1", "key2", nullptr));
  const std::string withoutKey2 =
      "[App1]\r\nkey1=string1\r\nkey3=string3\r\n"
      "[App2]\r\nkey4=string4\r\n"
      "[App3]\r\nkey5=string5\r\n";
  EXPECT_EQ(withoutKey2, Bytes());
  EXPECT_TRUE(Write("App1", "key2", nullptr));
  EXPECT_EQ(withoutKey2, Bytes());
  EXPECT_EQ(kDefault, Value("App1", "key2"));

  // No key deletes the section, whatever the value.
  ASSERT_TRUE(Write("App1", nullptr, "string1"));
  EXPECT_EQ("[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n", Bytes());
  ASSERT_TRUE(Write("app2", nullptr, nullptr));
  EXPECT_EQ("[App3]\r\nkey5=string5\r\n", Bytes());
  EXPECT_EQ(kDefault, Value("App2", "key4"));

  // Deleting the last key leaves the section header.
  ASSERT_TRUE(Write("App3", "key5", nullptr));
  EXPECT_EQ("[App3]\r\n", Bytes());
  EXPECT_EQ("App3\0\0"s, List(nullptr, nullptr));
}

TEST_F(ProfileTest, DeletingWhatIsNotThereChangesNothing) {
  const std::string text = "; settings\r\n[a]\r\nk=1\r\n";
  Put(text);
  EXPECT_TRUE(Write("b", "k", nullptr));
  EXPECT_TRUE(Write("a", "other", nullptr));
  EXPECT_TRUE(Write("b", nullptr, nullptr));
  EXPECT_EQ(text, Bytes());

  // Nor is anything written to a file that does not exist.
  const std::string absent = Path("absent.ini");
  EXPECT_TRUE(plat::WriteProfileString("a", "k", nullptr, absent.c_str()));
  EXPECT_TRUE(plat::WriteProfileString("a", nullptr, nullptr, absent.c_str()));
  std::string bytes;
  if (zvtest::ReadWholeFile(absent, &bytes)) {
    EXPECT_EQ("", bytes);
  }
}

TEST_F(ProfileTest, WritingWithoutASectionFails) {
  EXPECT_FALSE(Write(nullptr, "key", "string"));
  EXPECT_FALSE(zvtest::FileExists(ini_));

  Put("[a]\r\nk=1\r\n");
  EXPECT_FALSE(Write(nullptr, "key", "string"));
  EXPECT_EQ("[a]\r\nk=1\r\n", Bytes());
}

TEST_F(ProfileTest, WritingIntoAMissingDirectoryFails) {
  const std::string file = Path("no_dir\\test.ini");
  EXPECT_FALSE(plat::WriteProfileString("a", "k", "v", file.c_str()));
  EXPECT_FALSE(zvtest::FileExists(file));
}

TEST_F(ProfileTest, UpdatesTheFirstOfDuplicates) {
  Put("[dup]\r\nkey=first\r\nKEY=second\r\n[other]\r\nx=1\r\n[DUP]\r\nkey=third\r\nlate=1\r\n");

  ASSERT_TRUE(Write("dup", "key", "new"));
  ASSERT_TRUE(Write("dup", "late", "early"));
  EXPECT_EQ(
      "[dup]\r\nkey=new\r\nKEY=second\r\nlate=early\r\n[other]\r\nx=1\r\n"
      "[DUP]\r\nkey=third\r\nlate=1\r\n",
      Bytes());
  EXPECT_EQ("early", Value("dup", "late"));
}

TEST_F(ProfileTest, KeepsWhatComesBeforeTheFirstSection) {
  Put("; header comment\r\n[a]\r\nk=1\r\n;about b\r\n[b]\r\nx=2\r\n");

  ASSERT_TRUE(Write("b", "y", "3"));
  EXPECT_EQ("; header comment\r\n[a]\r\nk=1\r\n;about b\r\n[b]\r\nx=2\r\ny=3\r\n", Bytes());
  // A section goes with everything up to the next one.
  ASSERT_TRUE(Write("a", nullptr, nullptr));
  EXPECT_EQ("; header comment\r\n[b]\r\nx=2\r\ny=3\r\n", Bytes());
  ASSERT_TRUE(Write("b", nullptr, nullptr));
  EXPECT_EQ("; header comment\r\n", Bytes());
}

TEST_F(ProfileTest, EndsAnUnfinishedLastLineBeforeAdding) {
  Put("[a]\r\nk=1");
  ASSERT_TRUE(Write("b", "x", "2"));
  EXPECT_EQ("[a]\r\nk=1\r\n[b]\r\nx=2\r\n", Bytes());

  Put("[a]\r\nk=1");
  ASSERT_TRUE(Write("a", "j", "2"));
  EXPECT_EQ("[a]\r\nk=1\r\nj=2\r\n", Bytes());
}

TEST_F(ProfileTest, NewKeysGoToTheEndOfTheirSectionAcrossBlankLines) {
  Put("[a]\r\nk=1\r\n\r\n[b]\r\nx=2\r\n\r\n");

  ASSERT_TRUE(Write("a", "k2", "v"));
  ASSERT_TRUE(Write("b", "y", "3"));
  ASSERT_TRUE(Write("a", "k", "9"));
  ASSERT_TRUE(Write("c", "z", "4"));

  // Windows may keep or drop the blank lines; the lines around them are fixed.
  EXPECT_EQ("[a]\r\nk=9\r\nk2=v\r\n[b]\r\nx=2\r\ny=3\r\n[c]\r\nz=4\r\n", WithoutBlankLines(Bytes()));
  EXPECT_EQ("k\0k2\0\0"s, List("a", nullptr));
  EXPECT_EQ("x\0y\0\0"s, List("b", nullptr));
  EXPECT_EQ("a\0b\0c\0\0"s, List(nullptr, nullptr));
}

TEST_F(ProfileTest, EditsFilesWithOtherLineBreaks) {
  Put("[a]\n  K = 1  \n;comment\n[b]\nx=2");

  ASSERT_TRUE(Write("a", "k", "new"));
  ASSERT_TRUE(Write("b", "y", "3"));
  EXPECT_EQ("new", Value("a", "K"));
  EXPECT_EQ("2", Value("b", "x"));
  EXPECT_EQ("3", Value("b", "y"));
  EXPECT_EQ("[a]\nK=new\n;comment\n[b]\nx=2\ny=3\n", WithLfBreaks(Bytes()));
}

TEST_F(ProfileTest, QuotesKeepTheBlanksOfAWrittenValue) {
  ASSERT_TRUE(Write("q", "bare", "  padded  "));
  ASSERT_TRUE(Write("q", "quoted", "\"  padded  \""));
  EXPECT_EQ("padded", Value("q", "bare"));
  EXPECT_EQ("  padded  ", Value("q", "quoted"));
}

// ---------------------------------------------------------------------------
// Sharing the file

TEST_F(ProfileTest, ReadsTheFileAfreshOnEveryCall) {
  Put("[a]\r\nk=1\r\n");
  EXPECT_EQ("1", Value("a", "k"));
  Put("[a]\r\nk=2\r\n");
  EXPECT_EQ("2", Value("a", "k"));
  Put("[a]\r\nk=three\r\nextra=e\r\n");
  EXPECT_EQ("three", Value("a", "k"));

  // A write starts from what is on disk now, not from what was read before.
  ASSERT_TRUE(Write("a", "n", "4"));
  EXPECT_EQ("[a]\r\nk=three\r\nextra=e\r\nn=4\r\n", Bytes());

  ASSERT_TRUE(zvtest::RemoveFile(ini_));
  EXPECT_EQ(kDefault, Value("a", "k"));
}

TEST_F(ProfileTest, ConcurrentWritersLoseNoUpdate) {
  constexpr int kThreads = 4;
  constexpr int kKeysEach = 20;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      for (int k = 0; k < kKeysEach; ++k) {
        const std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
        // Each thread also rewrites a key all of them share.
        plat::WriteProfileString("shared", key.c_str(), key.c_str(), Ini());
        plat::WriteProfileString("shared", "last", key.c_str(), Ini());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (int t = 0; t < kThreads; ++t) {
    for (int k = 0; k < kKeysEach; ++k) {
      const std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
      EXPECT_EQ(key, Value("shared", key.c_str()));
    }
  }
  // One "last" line, however often it was rewritten.
  const std::string text = Bytes();
  EXPECT_EQ(text.find("last="), text.rfind("last="));
}

}  // namespace
