// The paper size list merged from the paper tables of all printer models of
// the sample driver ZVSAMPLE, which answers from a settings file each test
// writes.
#ifndef _WIN32
#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialogs/module_frame.h"
#include "driverlink/paper_size_list.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/sandbox.h"

namespace {

struct Paper {
  uint16_t width;
  uint16_t length;
  uint16_t value3;
  uint16_t value4;
  uint16_t code;
  std::string name;
};

// One 78-byte paper entry as the list must hold it.
std::string EntryBytes(const Paper& p) {
  return zvtest::Bytes()
      .U16(1)
      .U16(p.width)
      .U16(p.length)
      .U16(p.value3)
      .U16(p.value4)
      .U16(p.code)
      .Fixed(p.name, zv::kPaperNameSize)
      .str();
}

std::string ListBytes(const std::vector<Paper>& papers) {
  std::string bytes;
  for (const Paper& p : papers) bytes += EntryBytes(p);
  return bytes;
}

// "Paper = code, width, length, value3, value4, name" (key Paper2 for the
// second table).
std::string PaperLine(const Paper& p, const char* key = "Paper") {
  return std::string(key) + " = " + std::to_string(p.code) + ", " + std::to_string(p.width) + ", " +
         std::to_string(p.length) + ", " + std::to_string(p.value3) + ", " + std::to_string(p.value4) + ", " +
         p.name + "\n";
}

std::string WindowsPathOfHostFile(const std::string& host) {
#ifdef _WIN32
  std::string path = "Z:" + host;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
#else
  char windows[plat::kPathBuffer];
  if (!plat::posix::ToWindowsPath(host.c_str(), windows, sizeof windows)) return std::string();
  return windows;
#endif
}

const Paper kA4{2100, 2970, 2016, 2886, 9, "A4 210 x 297 mm"};
const Paper kLetter{2159, 2794, 2075, 2710, 1, "Letter 8 1/2 x 11 in"};
const Paper kLegal{2159, 3556, 2075, 3472, 5, "Legal 8 1/2 x 14 in"};
const Paper kA3{2970, 4200, 2886, 4116, 8, "A3 297 x 420 mm"};
const Paper kB5{1820, 2570, 1736, 2486, 13, "B5 (JIS) 182 x 257 mm"};
const Paper kDefault{2100, 2970, 2100, 2970, 9, "A4 210 x 297 mm"};

class PaperSizeListTest : public zvtest::SandboxTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    zvtest::SandboxTest::TearDown();
  }

  // Writes the settings file and returns the device name that makes the
  // sample driver read it (a host path natively, a Windows path under Wine).
  std::string Settings(const std::string& text) {
    EXPECT_TRUE(zvtest::WriteWholeFile(Path("DRIVER.INI"), text));
#ifdef _WIN32
    return Path("DRIVER.INI");
#else
    char host[4096];
    if (!plat::posix::ToHostPath(Path("DRIVER.INI").c_str(), host, sizeof host)) return std::string();
    return host;
#endif
  }

  // Builds the list and returns its bytes, checking that the block holds
  // exactly count entries.
  std::string Build(const std::string& device, uint32_t selector, uint16_t* count) {
    plat::MemoryHandle list = zv::BuildPaperSizeList(device.c_str(), driver_.c_str(), selector, count);
    if (!list) return "no list";
    EXPECT_EQ(plat::MemorySize(list), *count * sizeof(zv::PaperEntry));
    const char* base = static_cast<const char*>(plat::LockMemory(list));
    std::string bytes = base ? std::string(base, *count * sizeof(zv::PaperEntry)) : std::string("no lock");
    plat::UnlockMemory(list);
    plat::FreeMemory(list);
    return bytes;
  }

  const std::string driver_ = WindowsPathOfHostFile(ZV_SAMPLE_DRIVER);
};

TEST_F(PaperSizeListTest, LaterModelsAddOnlyNewCodesWhileTheFirstKeepsItsDuplicates) {
  const Paper a4Other{2100, 2970, 1, 2, 9, "A4 (long edge)"};
  const Paper a3Twin{2970, 4200, 0, 0, 8, "A3 again"};
  const std::string device =
      Settings("[Driver]\nModels = 1, 2, 3\n[Model 1]\n" + PaperLine(kA4) + PaperLine(a4Other) +
               PaperLine(kLetter) + "[Model 2]\n" + PaperLine(kLetter) + PaperLine(kA3) + PaperLine(a3Twin) +
               PaperLine(kA4) + "[Model 3]\n" + PaperLine(a3Twin) + PaperLine(kLegal) + PaperLine(kA4));
  uint16_t count = 0;
  EXPECT_EQ(Build(device, 1, &count), ListBytes({kA4, a4Other, kLetter, kA3, kLegal}));
  EXPECT_EQ(count, 5);
}

TEST_F(PaperSizeListTest, ADriverWithoutPapersGivesTheA4Entry) {
  const std::string withoutTables =
      Settings("[Driver]\nModels = 1, 2\n[Model 1]\n[Model 2]\nPaper2 = 8, 1, 2, 3, 4, A3\n");
  uint16_t count = 0;
  EXPECT_EQ(Build(withoutTables, 1, &count), EntryBytes(kDefault));
  EXPECT_EQ(count, 1);

  const std::string withoutModels = Settings("[Driver]\nModels =\nCapabilities = 1\n");
  count = 0;
  EXPECT_EQ(Build(withoutModels, 1, &count), EntryBytes(kDefault));
  EXPECT_EQ(count, 1);
}

TEST_F(PaperSizeListTest, AnySelectorButOneTakesTheSecondTable) {
  const std::string device =
      Settings("[Driver]\nModels = 1, 2\n[Model 1]\n" + PaperLine(kA4) + PaperLine(kA3, "Paper2") +
               PaperLine(kB5, "Paper2") + "[Model 2]\n" + PaperLine(kLegal) + PaperLine(kB5, "Paper2") +
               PaperLine(kLetter, "Paper2"));
  uint16_t count = 0;
  EXPECT_EQ(Build(device, 1, &count), ListBytes({kA4, kLegal}));
  EXPECT_EQ(count, 2);
  for (uint32_t selector : {0u, 2u, 7u}) {
    SCOPED_TRACE(selector);
    EXPECT_EQ(Build(device, selector, &count), ListBytes({kA3, kB5, kLetter}));
    EXPECT_EQ(count, 3);
  }
}

TEST_F(PaperSizeListTest, LongNamesAreCutTo65Characters) {
  const std::string long80(80, 'L');
  const std::string exact65(65, 'E');
  const std::string device =
      Settings("[Driver]\nModels = 1\n[Model 1]\nNameSize = 100\n" + PaperLine({1, 2, 3, 4, 256, long80}) +
               PaperLine({5, 6, 7, 8, 257, exact65}) + PaperLine({9, 10, 11, 12, 258, "Short"}));
  uint16_t count = 0;
  EXPECT_EQ(Build(device, 1, &count), ListBytes({{1, 2, 3, 4, 256, std::string(65, 'L')},
                                                 {5, 6, 7, 8, 257, exact65},
                                                 {9, 10, 11, 12, 258, "Short"}}));
  EXPECT_EQ(count, 3);
}

TEST_F(PaperSizeListTest, UnterminatedNamesAreReadOnlyWithinTheirArea) {
  // Areas of 8 bytes follow each other; the driver fills the first two
  // without terminator, and the last is followed by the second table.
  const std::string device = Settings(
      "[Driver]\nModels = 1\n[Model 1]\nNameSize = 8\n" + PaperLine({1, 2, 3, 4, 1, "Letter 8.5x11"}) +
      PaperLine({5, 6, 7, 8, 9, "A4 paper"}) + PaperLine({9, 10, 11, 12, 13, "B5 (JIS) paper"}) +
      PaperLine({0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, "Output"}, "Paper2"));
  uint16_t count = 0;
  EXPECT_EQ(
      Build(device, 1, &count),
      ListBytes({{1, 2, 3, 4, 1, "Letter 8"}, {5, 6, 7, 8, 9, "A4 paper"}, {9, 10, 11, 12, 13, "B5 (JIS)"}}));
  EXPECT_EQ(count, 3);
}

TEST_F(PaperSizeListTest, NameAreasOfSizeZeroGiveEmptyNames) {
  const std::string device =
      Settings("[Driver]\nModels = 1\n[Model 1]\nNameSize = 0\n" + PaperLine(kA4) + PaperLine(kLetter));
  uint16_t count = 0;
  Paper a4 = kA4;
  Paper letter = kLetter;
  a4.name.clear();
  letter.name.clear();
  EXPECT_EQ(Build(device, 1, &count), ListBytes({a4, letter}));
  EXPECT_EQ(count, 2);
}

TEST_F(PaperSizeListTest, NamePointersReachingPastTheBlockGiveEmptyNames) {
  // The driver points every name at the block's last byte, the last byte of
  // "Letter", which fills its area without terminator.
  const std::string device =
      Settings("[Driver]\nModels = 1\n[Model 1]\nBreakNamePointers = 1\nNameSize = 6\n" + PaperLine(kA4) +
               PaperLine({2159, 2794, 1, 2, 1, "Letter"}));
  uint16_t count = 0;
  Paper a4 = kA4;
  a4.name.clear();
  EXPECT_EQ(Build(device, 1, &count), ListBytes({a4, {2159, 2794, 1, 2, 1, ""}}));
  EXPECT_EQ(count, 2);
}

TEST_F(PaperSizeListTest, APaperTableOutsideItsBlockFailsTheList) {
  const std::string device = Settings("[Driver]\nModels = 1, 2\n[Model 1]\n" + PaperLine(kA4) +
                                      "[Model 2]\nBreakTablePointer = 1\n" + PaperLine(kA3));
  zv::SetLastErrorCode(0);
  uint16_t count = 7;
  EXPECT_EQ(zv::BuildPaperSizeList(device.c_str(), driver_.c_str(), 1, &count), nullptr);
  EXPECT_EQ(zv::GetLastErrorCode(), zv::kMsgNoWorkArea);
  EXPECT_EQ(count, 0);
}

TEST_F(PaperSizeListTest, PapersBeyondTheHundredthAreLeftOut) {
  std::string first;
  std::string second;
  std::vector<Paper> expected;
  for (uint16_t i = 0; i < 70; ++i) {
    const Paper p{static_cast<uint16_t>(100 + i),  static_cast<uint16_t>(200 + i), 1, 2,
                  static_cast<uint16_t>(1000 + i), "First " + std::to_string(i)};
    first += PaperLine(p);
    expected.push_back(p);
  }
  for (uint16_t i = 0; i < 50; ++i) {
    const Paper p{static_cast<uint16_t>(300 + i),  static_cast<uint16_t>(400 + i), 3, 4,
                  static_cast<uint16_t>(1060 + i), "Second " + std::to_string(i)};
    second += PaperLine(p);
    // Codes 1060 to 1069 are in the list already; 1070 to 1099 fill it.
    if (p.code >= 1070 && p.code < 1100) expected.push_back(p);
  }
  ASSERT_EQ(expected.size(), 100u);
  const std::string device =
      Settings("[Driver]\nModels = 1, 2\n[Model 1]\n" + first + "[Model 2]\n" + second);
  uint16_t count = 0;
  EXPECT_EQ(Build(device, 1, &count), ListBytes(expected));
  EXPECT_EQ(count, 100);

  // The first model alone may already give too many.
  std::string many;
  expected.clear();
  for (uint16_t i = 0; i < 130; ++i) {
    const Paper p{i, i, i, i, static_cast<uint16_t>(i % 7), "P" + std::to_string(i)};
    many += PaperLine(p);
    if (i < 100) expected.push_back(p);
  }
  const std::string device2 = Settings("[Driver]\nModels = 1\n[Model 1]\n" + many);
  EXPECT_EQ(Build(device2, 1, &count), ListBytes(expected));
  EXPECT_EQ(count, 100);
}

TEST_F(PaperSizeListTest, ShippedExampleSettingsMergeIntoSixPapers) {
  std::string source = __FILE__;
  source = source.substr(0, source.rfind("tests/driverlink/")) + "src/driverlink/sample_driver/ZVSAMPLE.INI";
#ifdef _WIN32
  const std::string device = WindowsPathOfHostFile(source);
#else
  const std::string device = source;
#endif
  uint16_t count = 0;
  const Paper user{2100, 2970, 2016, 2886, 256, "User size"};
  EXPECT_EQ(Build(device, 1, &count), ListBytes({kA4, kLetter, kLegal, kB5, user, kA3}));
  EXPECT_EQ(count, 6);
  EXPECT_EQ(Build(device, 2, &count), ListBytes({kA4, kLetter, kA3}));
  EXPECT_EQ(count, 3);
}

TEST_F(PaperSizeListTest, AFailingDriverGivesNoListAnd401) {
  const std::string cases[] = {
      "[Driver]\nModels = 1\nFailCapabilities = 1\n[Model 1]\n" + PaperLine(kA4),
      "[Driver]\nModels = 1, 2\n[Model 1]\n" + PaperLine(kA4) + "[Model 2]\nFailSpec = 1\n" + PaperLine(kA3),
      "[Driver]\nModels = 1, 2\n[Model 1]\n" + PaperLine(kA4),  // model 2 unknown to the driver
      "[Driver]\nModels = 1\n[Model 1]\nSizes = 0, 1, 66, 0, 66, 0, 0, 0, 0, -5\n",
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text);
    const std::string device = Settings(text);
    zv::SetLastErrorCode(0);
    uint16_t count = 7;
    EXPECT_EQ(zv::BuildPaperSizeList(device.c_str(), driver_.c_str(), 1, &count), nullptr);
    EXPECT_EQ(zv::GetLastErrorCode(), zv::kMsgNoWorkArea);
    EXPECT_EQ(count, 0);
  }
  zv::SetLastErrorCode(0);
  uint16_t count = 7;
  EXPECT_EQ(zv::BuildPaperSizeList("", Path("NOSUCH.DLL").c_str(), 1, &count), nullptr);
  EXPECT_EQ(zv::GetLastErrorCode(), zv::kMsgNoWorkArea);
  EXPECT_EQ(count, 0);
}

TEST_F(PaperSizeListTest, EachAllocationInTurnFailsWith401) {
  const std::string device =
      Settings("[Driver]\nModels = 1, 2\n[Model 1]\n" + PaperLine(kA4) + "[Model 2]\n" + PaperLine(kA3));
  plat::fault::FailNth(plat::fault::kAlloc, 0);
  uint16_t count = 0;
  ASSERT_EQ(Build(device, 1, &count), ListBytes({kA4, kA3}));
  // The list, the sizes, the capability block, one printer specification per model
  // and the shrink at the end.
  const uint32_t allocations = plat::fault::CallCount(plat::fault::kAlloc);
  EXPECT_EQ(allocations, 6u);
  for (uint32_t n = 1; n <= allocations; ++n) {
    SCOPED_TRACE(n);
    plat::fault::FailNth(plat::fault::kAlloc, n);
    zv::SetLastErrorCode(0);
    count = 7;
    EXPECT_EQ(zv::BuildPaperSizeList(device.c_str(), driver_.c_str(), 1, &count), nullptr);
    EXPECT_EQ(zv::GetLastErrorCode(), zv::kMsgNoWorkArea);
    EXPECT_EQ(count, 0);
  }
  plat::fault::FailNth(plat::fault::kAlloc, allocations + 1);
  EXPECT_EQ(Build(device, 1, &count), ListBytes({kA4, kA3}));
  EXPECT_EQ(count, 2);
}

}  // namespace
