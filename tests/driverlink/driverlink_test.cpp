// The questions put to the printer driver's module and the paper size list
// merged from them, asked of the sample driver ZVSAMPLE, which answers from
// a settings file each test writes and logs every call it gets.
#ifndef _WIN32
#include <dlfcn.h>

#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/byte_order.h"
#include "dialogs/module_frame.h"
#include "driverlink/driver_entry_points.h"
#include "driverlink/paper_size_list.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/sandbox.h"
#include "zvlmn30e_driver.h"

namespace {

using zvtest::Bytes;

// A host path as the module sees it: under Wine the host's files are on Z:.
std::string WinPath(const std::string& host) {
#ifdef _WIN32
  std::string path = "Z:" + host;
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
#else
  char windows[plat::kPathBuffer];
  return plat::posix::ToWindowsPath(host.c_str(), windows, sizeof windows) ? windows : "";
#endif
}

// The settings file shipped with the sample, as the driver opens it.
std::string ShippedSettings() {
  const std::string file = __FILE__;
  const std::string host =
      file.substr(0, file.rfind("tests/driverlink/")) + "src/driverlink/sample_driver/ZVSAMPLE.INI";
#ifdef _WIN32
  return WinPath(host);
#else
  return host;
#endif
}

// An address as a pointer field of the block holds it: 4 or 8 bytes.
void PutAddress(Bytes& bytes, uintptr_t address) {
  for (size_t i = 0; i < sizeof(void*); ++i) bytes.U8(static_cast<uint8_t>(address >> (8 * i)));
}
uintptr_t AddressAt(const unsigned char* field) {
  uintptr_t address = 0;
  std::memcpy(&address, field, sizeof address);
  return address;
}

// Where the areas go for the sizes {3, 2, 10, 3, 12, 2, 1, 4, 5, 2} and for
// ten zero sizes: packed after 44 bytes of pointers in the 32-bit block;
// after 88 in the 64-bit one, each paper table 8-aligned.
struct ExpectedLayout {
  uint32_t offset[zv::kSpecPointerCount], paperNames1, paperNames2, size;
};
#if ZV_POINTER_BYTES == 8
constexpr ExpectedLayout kSampleLayout = {
    {88, 128, 94, 96, 100, 102, 200, 104, 106, 114, 119}, 176, 272, 308};
constexpr ExpectedLayout kEmptyLayout = {{88, 96, 88, 90, 90, 92, 96, 94, 94, 94, 94}, 96, 96, 96};
constexpr int16_t kLimitP9Bytes = 28586;  // with c1 = 511, c2 = 32752: exactly 16 MiB
#else
constexpr ExpectedLayout kSampleLayout = {{44, 79, 50, 52, 56, 58, 131, 60, 62, 70, 75}, 111, 179, 215};
constexpr ExpectedLayout kEmptyLayout = {{44, 50, 44, 46, 46, 48, 50, 50, 50, 50, 50}, 50, 50, 50};
constexpr int16_t kLimitP9Bytes = 32718;
#endif

void ExpectLayout(const int16_t (&sizes)[zv::kSpecSizeCount], const ExpectedLayout& e) {
  zv::SpecLayout l;
  ASSERT_TRUE(zv::ComputeSpecLayout(sizes, &l));
  for (uint32_t i = 0; i < zv::kSpecPointerCount; ++i) EXPECT_EQ(l.offset[i], e.offset[i]) << "p" << i;
  EXPECT_EQ(std::vector<uint32_t>({l.paperNames1, l.paperNames2, l.size}),
            std::vector<uint32_t>({e.paperNames1, e.paperNames2, e.size}));
}

std::string BlockBytes(plat::MemoryHandle block, size_t size) {
  const char* base = static_cast<const char*>(plat::LockMemory(block));
  std::string bytes = base ? std::string(base, size) : "no lock";
  plat::UnlockMemory(block);
  plat::FreeMemory(block);
  return bytes;
}

struct Paper {
  uint16_t width, length, value3, value4, code;
  std::string name;
};
// "Paper = code, width, length, value3, value4, name" (Paper2: the second table).
std::string Line(const Paper& p, const char* key = "Paper") {
  return std::string(key) + " = " + std::to_string(p.code) + ", " + std::to_string(p.width) + ", " +
         std::to_string(p.length) + ", " + std::to_string(p.value3) + ", " + std::to_string(p.value4) + ", " +
         p.name + "\n";
}
// The 78-byte entries the list must hold.
std::string List(const std::vector<Paper>& papers) {
  Bytes b;
  for (const Paper& p : papers)
    b.U16(1).U16(p.width).U16(p.length).U16(p.value3).U16(p.value4).U16(p.code).Fixed(p.name,
                                                                                      zv::kPaperNameSize);
  return b.str();
}
const Paper kA4{2100, 2970, 2016, 2886, 9, "A4 210 x 297 mm"},
    kLetter{2159, 2794, 2075, 2710, 1, "Letter 8 1/2 x 11 in"},
    kLegal{2159, 3556, 2075, 3472, 5, "Legal 8 1/2 x 14 in"},
    kA3{2970, 4200, 2886, 4116, 8, "A3 297 x 420 mm"},
    kB5{1820, 2570, 1736, 2486, 13, "B5 (JIS) 182 x 257 mm"};

class DriverLinkTest : public zvtest::SandboxTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    SandboxTest::TearDown();
  }
  // A scratch file as the sample driver opens it with the C library.
  std::string DriverSide(const std::string& name) const {
#ifdef _WIN32
    return Path(name);
#else
    char host[4096];
    return plat::posix::ToHostPath(Path(name).c_str(), host, sizeof host) ? host : "";
#endif
  }
  // Writes the settings file, with a fresh call log; the device name that
  // makes the sample read it.
  std::string Settings(const std::string& text) {
    zvtest::RemoveFile(Path("CALLS.LOG"));
    EXPECT_TRUE(zvtest::WriteWholeFile(Path("DRIVER.INI"),
                                       "[Driver]\nLog = " + DriverSide("CALLS.LOG") + "\n" + text));
    return DriverSide("DRIVER.INI");
  }
  std::string Calls() const {
    std::string log;
    zvtest::ReadWholeFile(Path("CALLS.LOG"), &log);
    return log;
  }
  // The paper size list's bytes, checking that the block holds count entries.
  std::string PaperList(const std::string& device, uint32_t selector, uint16_t* count) {
    zv::SetLastErrorCode(0);
    *count = 7;
    plat::MemoryHandle list = zv::BuildPaperSizeList(device.c_str(), driver_.c_str(), selector, count);
    if (!list) return "none " + std::to_string(zv::GetLastErrorCode()) + " " + std::to_string(*count);
    EXPECT_EQ(plat::MemorySize(list), *count * sizeof(zv::PaperEntry));
    return BlockBytes(list, *count * sizeof(zv::PaperEntry));
  }
  const std::string driver_ = WinPath(ZV_SAMPLE_DRIVER);
};

TEST_F(DriverLinkTest, CapabilitiesGiveTheModelsThenTheCapabilityWords) {
  const struct {
    std::string ini;
    bool failAlloc;
    std::string bytes, calls;  // bytes "none": no block
    int16_t models, caps;
  } rows[] = {
      {"Models = 3, 7, 0x1234\nCapabilities = 1, 2, 0x4001, 0x4002, 0xFFFF\n", false,
       Bytes().U16(3).U16(7).U16(0x1234).U16(1).U16(2).U16(0x4001).U16(0x4002).U16(0xFFFF).str(),
       "ZVFormDrvSupportCapabilities 0\nZVFormDrvSupportCapabilities 1\n", 3, 5},
      {"Models =\n", false, "", "ZVFormDrvSupportCapabilities 0\nZVFormDrvSupportCapabilities 1\n", 0, 0},
      {"Models = 1\nCapabilities = 1\nFailCapabilities = 0\n", false, "none",
       "ZVFormDrvSupportCapabilities 0\n", 0, 0},
      {"Models = 1\nCapabilities = 1\nFailCapabilities = 1\n", false, "none",
       "ZVFormDrvSupportCapabilities 0\nZVFormDrvSupportCapabilities 1\n", 0, 0},
      // A file the sample cannot read through counts as none.
      {"Models = 1\nCapabilities = 1\nnot a key\n", false, "none", "", 0, 0},
      {"Models = 1, 2\nCapabilities = 1\n", true, "none", "ZVFormDrvSupportCapabilities 0\n", 0, 0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.ini);
    const std::string device = Settings(r.ini);
    zv::SetLastErrorCode(0);
    if (r.failAlloc) plat::fault::FailNth(plat::fault::kAlloc, 1);
    int16_t models = -1, caps = -1;
    plat::MemoryHandle block = zv::QueryDriverCapabilities(device.c_str(), driver_.c_str(), &models, &caps);
    plat::fault::Reset();
    EXPECT_EQ(block ? BlockBytes(block, r.bytes.size()) : "none", r.bytes);
    EXPECT_EQ(models, r.models);
    EXPECT_EQ(caps, r.caps);
    EXPECT_EQ(Calls(), r.calls);
    EXPECT_EQ(zv::GetLastErrorCode(), r.failAlloc ? zv::kMsgNoWorkArea : 0u);
  }
}

TEST_F(DriverLinkTest, MissingSettingsModulesAndEntryPointsAnswerNothing) {
  const std::string device = Settings("Models = 1\nCapabilities = 1\nHelpFile = X.HLP\n[Model 1]\n");
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("FAKE.DLL"), "MZ but not a module at all"));
#ifdef _WIN32
  char dir[plat::kPathBuffer] = "";
  plat::GetSystemDirectory(dir, sizeof dir);
  const std::string withoutEntryPoints = std::string(dir) + "\\kernel32.dll";
#else
  Dl_info info;
  ASSERT_TRUE(dladdr(reinterpret_cast<void*>(&std::fclose), &info) && info.dli_fname);
  const std::string withoutEntryPoints = WinPath(info.dli_fname);
#endif
  const std::pair<std::string, std::string> cases[] = {{DriverSide("MISSING.INI"), driver_},
                                                       {device, Path("NOSUCH.DLL")},
                                                       {device, Path("FAKE.DLL")},
                                                       {device, withoutEntryPoints},
                                                       {device, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first + " " + c.second);
    int16_t models = -1, caps = -1, sizes[zv::kSpecSizeCount];
    EXPECT_EQ(zv::QueryDriverCapabilities(c.first.c_str(), c.second.c_str(), &models, &caps), nullptr);
    EXPECT_EQ(models, 0);
    EXPECT_EQ(zv::QueryPrinterSpec(c.first.c_str(), c.second.c_str(), 1, sizes), nullptr);
    char help[plat::kPathBuffer];
    std::memset(help, 'x', sizeof help);
    EXPECT_EQ(zv::QueryHelpFile(c.first.c_str(), c.second.c_str(), 0, help), c.second == driver_);
    EXPECT_EQ(help[0], '\0');
  }
  EXPECT_EQ(zv::QueryDriverCapabilities(device.c_str(), nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(Calls(), "");
}

TEST_F(DriverLinkTest, LayoutPlacesTheAreasInOrderUpTo16MiB) {
  ExpectLayout({3, 2, 10, 3, 12, 2, 1, 4, 5, 2}, kSampleLayout);
  ExpectLayout({}, kEmptyLayout);
  zv::SpecLayout layout;
  for (uint32_t i = 0; i < zv::kSpecSizeCount; ++i) {
    int16_t sizes[zv::kSpecSizeCount] = {};
    sizes[i] = -1;
    EXPECT_FALSE(zv::ComputeSpecLayout(sizes, &layout)) << "c" << i;
  }
  int16_t limit[zv::kSpecSizeCount] = {0, 511, 32752, 0, 0, 0, 0, 0, kLimitP9Bytes, 0};
  ASSERT_TRUE(zv::ComputeSpecLayout(limit, &layout));
  EXPECT_EQ(layout.size, 16u * 1024u * 1024u);
  limit[8] = kLimitP9Bytes + 1;
  EXPECT_FALSE(zv::ComputeSpecLayout(limit, &layout));
  const int16_t largest[zv::kSpecSizeCount] = {32767, 32767, 32767, 32767, 32767,
                                               32767, 32767, 32767, 32767, 32767};
  EXPECT_FALSE(zv::ComputeSpecLayout(largest, &layout));
}

TEST_F(DriverLinkTest, SpecificationBlockIsLaidOutAndFilledByteByByte) {
  const std::string device = Settings(
      "[Model 5]\nSize0 = 3\nSize5 = 2\nSize6 = 1\nSize7 = 4\nSize8 = 5\nSize9 = 2\nNameSize = 10\nNameSize2 "
      "= 12\n"
      "Paper = 9, 2100, 2970, 2016, 2886, A4 paper\nPaper = 256, 1000, 1500, 17, 18, User, size\n"
      "Paper2 = 8, 2970, 4200, 1, 2, A3\nPaper2 = 1, 2159, 2794, 3, 4, Letter\nPaper2 = 5, 2159, 3556, 5, 6, "
      "Legal paper\n");
  int16_t sizes[zv::kSpecSizeCount];
  std::memset(sizes, 0x55, sizeof sizes);
  plat::MemoryHandle block = zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 5, sizes);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::vector<int16_t>(sizes, sizes + zv::kSpecSizeCount),
            std::vector<int16_t>({3, 2, 10, 3, 12, 2, 1, 4, 5, 2}));
  EXPECT_EQ(Calls(), "ZVFormPrinterSpec 0 5\nZVFormPrinterSpec 1 5\n");
  const ExpectedLayout& l = kSampleLayout;
  ASSERT_GE(plat::MemorySize(block), l.size);
  const unsigned char* base = static_cast<const unsigned char*>(plat::LockMemory(block));
  ASSERT_NE(base, nullptr);
  const uintptr_t at = reinterpret_cast<uintptr_t>(base);
  // The driver marks its areas with 0xA0 + the pointer's index, the unread
  // bytes of paper entry i with 0xE0 + i.
  Bytes e;
  for (uint32_t offset : l.offset) PutAddress(e, at + offset);
  const std::vector<std::pair<size_t, char>> areas = {{6, '\xA0'}, {2, '\xA2'}, {4, '\xA3'},
                                                      {2, '\xA4'}, {2, '\xA5'}, {2, '\xA7'},
                                                      {8, '\xA8'}, {5, '\xA9'}, {4, '\xAA'}};
  for (const auto& area : areas) e.Text(std::string(area.first, area.second));
  auto entry = [&](std::vector<uint16_t> values, int index, uintptr_t name) {
    for (uint16_t v : values) e.U16(v);
    e.Text(std::string(sizeof(ZVDRV_PAPER_ENTRY::unread), static_cast<char>(0xE0 + index)));
    PutAddress(e, name);
  };
  e.Zeros(l.offset[1] - e.size());
  entry({2100, 2970, 2016, 2886, 9}, 0, at + l.paperNames1);
  entry({1000, 1500, 17, 18, 256}, 1, at + l.paperNames1 + 10);
  ASSERT_EQ(e.size(), l.paperNames1);
  e.Fixed("A4 paper", 10).Fixed("User, size", 10);
  e.Zeros(l.offset[6] - e.size());
  entry({2970, 4200, 1, 2, 8}, 0, at + l.paperNames2);
  entry({2159, 2794, 3, 4, 1}, 1, at + l.paperNames2 + 12);
  entry({2159, 3556, 5, 6, 5}, 2, at + l.paperNames2 + 24);
  ASSERT_EQ(e.size(), l.paperNames2);
  e.Fixed("A3", 12).Fixed("Letter", 12).Fixed("Legal paper", 12);
  ASSERT_EQ(e.size(), l.size);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(base), l.size), e.str());
  plat::UnlockMemory(block);
  plat::FreeMemory(block);
}

TEST_F(DriverLinkTest, NameAreasOfSizeZeroGetNullNamePointers) {
  const std::string device = Settings(
      "[Model 1]\nNameSize = 0\nNameSize2 = 4\nPaper = 9, 1, 2, 3, 4, A4\n"
      "Paper = 1, 5, 6, 7, 8, Letter\nPaper2 = 8, 9, 10, 11, 12, A3\n");
  int16_t sizes[zv::kSpecSizeCount];
  plat::MemoryHandle block = zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 1, sizes);
  ASSERT_NE(block, nullptr);
  const unsigned char* base = static_cast<const unsigned char*>(plat::LockMemory(block));
  const uintptr_t at = reinterpret_cast<uintptr_t>(base);
  const size_t entry = sizeof(ZVDRV_PAPER_ENTRY), name = offsetof(ZVDRV_PAPER_ENTRY, name);
  const size_t table1 = kEmptyLayout.offset[1], table2 = table1 + 2 * entry;
  EXPECT_EQ(AddressAt(base + offsetof(ZVDRV_PRINTER_SPEC, p1)), at + table1);
  EXPECT_EQ(AddressAt(base + table1 + name), 0u);
  EXPECT_EQ(AddressAt(base + table1 + entry + name), 0u);
  EXPECT_EQ(zv::GetU16(base + table1 + entry + offsetof(ZVDRV_PAPER_ENTRY, code)), 1);
  EXPECT_EQ(AddressAt(base + offsetof(ZVDRV_PRINTER_SPEC, p6)), at + table2);
  EXPECT_EQ(AddressAt(base + table2 + name), at + table2 + entry);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(base + table2 + entry), 4), std::string("A3\0\0", 4));
  plat::UnlockMemory(block);
  plat::FreeMemory(block);
}

TEST_F(DriverLinkTest, SpecificationFailures) {
  const std::string first = "ZVFormPrinterSpec 0 1\n", both = first + "ZVFormPrinterSpec 1 1\n";
  const struct {
    std::string ini;
    uint16_t model;
    bool failAlloc;
    std::string calls;
  } rows[] = {
      {"FailSpec = 0\n", 1, false, first},
      {"FailSpec = 1\n", 1, false, both},
      {"", 2, false, "ZVFormPrinterSpec 0 2\n"},  // a model the driver does not know
      {"", 1, true, first},
      {"Sizes = 0, 1, 66, 0, 66, 0, 0, 0, 0, -1\n", 1, false, first},
      {"Sizes = 0, -2, 66, 0, 66, 0, 0, 0, 0, 0\n", 1, false, first},
      {"Sizes = 0, 1000, 32767, 0, 0, 0, 0, 0, 0, 0\n", 1, false, first},  // 32 MiB of names
      {"Sizes = 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767\n", 1, false, first},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.ini);
    const std::string device = Settings("[Model 1]\nPaper = 9, 1, 2, 3, 4, A4\n" + r.ini);
    zv::SetLastErrorCode(0);
    if (r.failAlloc) plat::fault::FailNth(plat::fault::kAlloc, 1);
    int16_t sizes[zv::kSpecSizeCount];
    EXPECT_EQ(zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), r.model, sizes), nullptr);
    EXPECT_EQ(Calls(), r.calls);
    EXPECT_EQ(zv::GetLastErrorCode(), r.failAlloc ? zv::kMsgNoWorkArea : 0u);
    if (r.failAlloc) {
      EXPECT_EQ(plat::fault::CallCount(plat::fault::kAlloc), 1u);
    }
    plat::fault::Reset();
  }
  const std::string device = Settings("[Model 1]\nPaper = 9, 1, 2, 3, 4, A4\n");
  EXPECT_EQ(zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 1, nullptr), nullptr);
}

TEST_F(DriverLinkTest, HelpFileFollowsTheLanguageFlagAndIsAlwaysTerminated) {
  const std::string longest(260, 'H');
  const struct {
    std::string ini;
    uint32_t flag;
    std::string help;
  } rows[] = {
      {"HelpFile = C:\\DRV\\LOCAL.HLP\nEnglishHelpFile = ENGLISH.HLP\n", 0, "C:\\DRV\\LOCAL.HLP"},
      {"HelpFile = C:\\DRV\\LOCAL.HLP\nEnglishHelpFile = ENGLISH.HLP\n", 1, "ENGLISH.HLP"},
      {"HelpFile = H.HLP\nFailHelp = 1\n", 0, ""},  // the driver's result is not looked at
      {"HelpFile = " + longest + "\n", 0, longest},
  };
  for (const auto& r : rows) {
    const std::string device = Settings(r.ini);
    char help[plat::kPathBuffer];
    std::memset(help, 'x', sizeof help);
    EXPECT_TRUE(zv::QueryHelpFile(device.c_str(), driver_.c_str(), r.flag, help));
    EXPECT_EQ(std::string(help), r.help);
    EXPECT_EQ(Calls(), "ZVFormHelpFile " + std::to_string(r.flag) + "\n");
    EXPECT_FALSE(zv::QueryHelpFile(device.c_str(), driver_.c_str(), 0, nullptr));
  }
}

TEST_F(DriverLinkTest, WithoutDeviceNameTheSampleReadsTheFileBesideItself) {
  std::string module;
  ASSERT_TRUE(zvtest::ReadWholeFile(driver_, &module));
  const std::string copy = Path("DRV\\" + driver_.substr(driver_.rfind('\\') + 1));
  ASSERT_TRUE(plat::CreateDirectory(Path("DRV").c_str()));
  ASSERT_TRUE(zvtest::WriteWholeFile(copy, module));
  ASSERT_TRUE(
      zvtest::WriteWholeFile(Path("DRV\\ZVSAMPLE.INI"),
                             "[Driver]\nModels = 11, 12\nCapabilities = 0x4003\nHelpFile = BESIDE.HLP\n"));
  for (const char* device : {static_cast<const char*>(nullptr), ""}) {
    int16_t models = -1, caps = -1;
    plat::MemoryHandle block = zv::QueryDriverCapabilities(device, copy.c_str(), &models, &caps);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(models, 2);
    EXPECT_EQ(caps, 1);
    EXPECT_EQ(BlockBytes(block, 6), Bytes().U16(11).U16(12).U16(0x4003).str());
    char help[plat::kPathBuffer];
    ASSERT_TRUE(zv::QueryHelpFile(device, copy.c_str(), 1, help));
    EXPECT_STREQ(help, "BESIDE.HLP");
  }
}

TEST_F(DriverLinkTest, ShippedExampleSettingsDescribeTwoModelsAndSixPapers) {
  const std::string device = ShippedSettings();
  int16_t models = -1, caps = -1, sizes[zv::kSpecSizeCount];
  plat::MemoryHandle block = zv::QueryDriverCapabilities(device.c_str(), driver_.c_str(), &models, &caps);
  ASSERT_NE(block, nullptr) << device;
  EXPECT_EQ(models, 2);
  EXPECT_EQ(caps, 4);
  EXPECT_EQ(BlockBytes(block, 12), Bytes().U16(1).U16(2).U16(1).U16(2).U16(0x4001).U16(0x4002).str());
  block = zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 1, sizes);
  ASSERT_NE(block, nullptr);
  plat::FreeMemory(block);
  EXPECT_EQ(std::vector<int16_t>(sizes, sizes + zv::kSpecSizeCount),
            std::vector<int16_t>({4, 5, 66, 2, 66, 0, 0, 0, 6, 0}));
  char help[plat::kPathBuffer];
  ASSERT_TRUE(zv::QueryHelpFile(device.c_str(), driver_.c_str(), 0, help));
  EXPECT_STREQ(help, "ZVSAMPLE.HLP");
  uint16_t count = 0;
  EXPECT_EQ(PaperList(device, 1, &count),
            List({kA4, kLetter, kLegal, kB5, {2100, 2970, 2016, 2886, 256, "User size"}, kA3}));
  EXPECT_EQ(PaperList(device, 2, &count), List({kA4, kLetter, kA3}));
}

TEST_F(DriverLinkTest, PaperListMergesTheModelsTables) {
  const Paper a4Other{2100, 2970, 1, 2, 9, "A4 (long edge)"}, a3Twin{2970, 4200, 0, 0, 8, "A3 again"};
  const Paper a4Default{2100, 2970, 2100, 2970, 9, "A4 210 x 297 mm"};
  auto unnamed = [](Paper p) {
    p.name.clear();
    return p;
  };
  struct Row {
    std::string ini;
    uint32_t selector;
    std::vector<Paper> list;
  };
  std::vector<Row> rows = {
      // The first model keeps its duplicates; later ones add only new codes.
      {"Models = 1, 2, 3\n[Model 1]\n" + Line(kA4) + Line(a4Other) + Line(kLetter) + "[Model 2]\n" +
           Line(kLetter) + Line(kA3) + Line(a3Twin) + Line(kA4) + "[Model 3]\n" + Line(a3Twin) +
           Line(kLegal) + Line(kA4),
       1,
       {kA4, a4Other, kLetter, kA3, kLegal}},
      {"Models = 1, 2\n[Model 1]\n[Model 2]\nPaper2 = 8, 1, 2, 3, 4, A3\n", 1, {a4Default}},
      {"Models =\nCapabilities = 1\n", 1, {a4Default}},
      // Names are cut to 65 characters and read only within their areas.
      {"Models = 1\n[Model 1]\nNameSize = 100\n" + Line({1, 2, 3, 4, 256, std::string(80, 'L')}) +
           Line({5, 6, 7, 8, 257, std::string(65, 'E')}) + Line({9, 10, 11, 12, 258, "Short"}),
       1,
       {{1, 2, 3, 4, 256, std::string(65, 'L')},
        {5, 6, 7, 8, 257, std::string(65, 'E')},
        {9, 10, 11, 12, 258, "Short"}}},
      {"Models = 1\n[Model 1]\nNameSize = 8\n" + Line({1, 2, 3, 4, 1, "Letter 8.5x11"}) +
           Line({5, 6, 7, 8, 9, "A4 paper"}) + Line({9, 10, 11, 12, 13, "B5 (JIS) paper"}) +
           Line({0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, "Output"}, "Paper2"),
       1,
       {{1, 2, 3, 4, 1, "Letter 8"}, {5, 6, 7, 8, 9, "A4 paper"}, {9, 10, 11, 12, 13, "B5 (JIS)"}}},
      {"Models = 1\n[Model 1]\nNameSize = 0\n" + Line(kA4) + Line(kLetter),
       1,
       {unnamed(kA4), unnamed(kLetter)}},
      // Every name points at the block's last byte, the unterminated end of "Letter".
      {"Models = 1\n[Model 1]\nBreakNamePointers = 1\nNameSize = 6\n" + Line(kA4) +
           Line({2159, 2794, 1, 2, 1, "Letter"}),
       1,
       {unnamed(kA4), {2159, 2794, 1, 2, 1, ""}}},
  };
  const std::string twoTables = "Models = 1, 2\n[Model 1]\n" + Line(kA4) + Line(kA3, "Paper2") +
                                Line(kB5, "Paper2") + "[Model 2]\n" + Line(kLegal) + Line(kB5, "Paper2") +
                                Line(kLetter, "Paper2");
  rows.push_back({twoTables, 1, {kA4, kLegal}});
  for (uint32_t selector : {0u, 2u, 7u}) rows.push_back({twoTables, selector, {kA3, kB5, kLetter}});
  // Papers beyond the hundredth are left out, from the first model on or
  // after the duplicates of a later one.
  Row across{"Models = 1, 2\n[Model 1]\n", 1, {}}, alone{"Models = 1\n[Model 1]\n", 1, {}};
  for (uint16_t i = 0; i < 70; ++i) {
    across.list.push_back({static_cast<uint16_t>(100 + i), 200, 1, 2, static_cast<uint16_t>(1000 + i),
                           "F" + std::to_string(i)});
    across.ini += Line(across.list.back());
  }
  across.ini += "[Model 2]\n";
  for (uint16_t i = 0; i < 50; ++i) {
    const Paper p{static_cast<uint16_t>(300 + i), 400, 3, 4, static_cast<uint16_t>(1060 + i),
                  "S" + std::to_string(i)};
    across.ini += Line(p);
    if (p.code >= 1070 && p.code < 1100) across.list.push_back(p);
  }
  for (uint16_t i = 0; i < 130; ++i) {
    const Paper p{i, i, i, i, static_cast<uint16_t>(i % 7), "P" + std::to_string(i)};
    alone.ini += Line(p);
    if (i < 100) alone.list.push_back(p);
  }
  rows.push_back(across);
  rows.push_back(alone);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.ini.substr(0, 60) + " selector " + std::to_string(r.selector));
    uint16_t count = 0;
    EXPECT_EQ(PaperList(Settings(r.ini), r.selector, &count), List(r.list));
    EXPECT_EQ(count, r.list.size());
  }
}

TEST_F(DriverLinkTest, AFailingDriverGivesNoPaperListAnd401) {
  const std::string failing[] = {
      "Models = 1\nFailCapabilities = 1\n[Model 1]\n" + Line(kA4),
      "Models = 1, 2\n[Model 1]\n" + Line(kA4) + "[Model 2]\nFailSpec = 1\n" + Line(kA3),
      "Models = 1, 2\n[Model 1]\n" + Line(kA4),  // model 2 unknown to the driver
      "Models = 1\n[Model 1]\nSizes = 0, 1, 66, 0, 66, 0, 0, 0, 0, -5\n",
      "Models = 1, 2\n[Model 1]\n" + Line(kA4) + "[Model 2]\nBreakTablePointer = 1\n" + Line(kA3),
  };
  uint16_t count;
  for (const std::string& ini : failing) EXPECT_EQ(PaperList(Settings(ini), 1, &count), "none 401 0") << ini;
  zv::SetLastErrorCode(0);
  count = 7;
  EXPECT_EQ(zv::BuildPaperSizeList("", Path("NOSUCH.DLL").c_str(), 1, &count), nullptr);
  EXPECT_EQ(zv::GetLastErrorCode(), zv::kMsgNoWorkArea);
  EXPECT_EQ(count, 0);

  // Each allocation in turn: the list, the sizes, the capability block, one
  // printer specification per model and the shrink at the end.
  const std::string device = Settings("Models = 1, 2\n[Model 1]\n" + Line(kA4) + "[Model 2]\n" + Line(kA3));
  plat::fault::FailNth(plat::fault::kAlloc, 0);
  ASSERT_EQ(PaperList(device, 1, &count), List({kA4, kA3}));
  const uint32_t allocations = plat::fault::CallCount(plat::fault::kAlloc);
  EXPECT_EQ(allocations, 6u);
  for (uint32_t n = 1; n <= allocations + 1; ++n) {
    plat::fault::FailNth(plat::fault::kAlloc, n);
    EXPECT_EQ(PaperList(device, 1, &count), n <= allocations ? "none 401 0" : List({kA4, kA3})) << n;
  }
}

}  // namespace
