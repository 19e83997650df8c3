// The questions put to the printer driver's module and the paper size list
// merged from them, asked of the sample driver ZVSAMPLE, which answers from
// a settings file each test writes and logs every call it gets.
#ifndef _WIN32
#include <dlfcn.h>

#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
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

// Paper lines as the list gives them back: "code,width,length,v3,v4,name;"
// per entry; "P:" and "Q:" in a settings text stand for the keys of the
// first and second table.
std::string Ini(std::string text) {
  for (const auto& key : {std::make_pair("P:", "Paper = "), std::make_pair("Q:", "Paper2 = ")}) {
    for (size_t at = text.find(key.first); at != std::string::npos; at = text.find(key.first, at))
      text.replace(at, 2, key.second);
  }
  return text;
}
std::string Papers(const std::string& entries) {
  std::string s;
  for (size_t at = 0; at + sizeof(zv::PaperEntry) <= entries.size(); at += sizeof(zv::PaperEntry)) {
    const unsigned char* e = reinterpret_cast<const unsigned char*>(entries.data() + at);
    const char* name = reinterpret_cast<const char*>(e + 12);
    const size_t length = strnlen(name, zv::kPaperNameSize);
    const bool padded = std::string(name + length, zv::kPaperNameSize - length) ==
                        std::string(zv::kPaperNameSize - length, '\0');
    s += (zv::GetU16(e) == 1 ? "" : "flag!") + std::to_string(zv::GetU16(e + 10));
    for (int f = 1; f <= 4; ++f) s += "," + std::to_string(zv::GetU16(e + 2 * f));
    s += "," + std::string(name, length) + (padded ? ";" : " unpadded;");
  }
  return s;
}
// "P:" lines for papers code first..first+count-1 of the given shape.
std::string ManyLines(uint16_t first, uint16_t count, const std::string& shape, std::string* listed,
                      uint16_t from, uint16_t upTo) {
  std::string lines;
  for (uint16_t code = first; code < first + count; ++code) {
    const std::string paper = std::to_string(code) + "," + shape + ",N" + std::to_string(code);
    lines += "P:" + paper + "\n";
    if (code >= from && code < upTo) *listed += paper + ";";
  }
  return lines;
}

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
                                       "[Driver]\nLog = " + DriverSide("CALLS.LOG") + "\n" + Ini(text)));
    return DriverSide("DRIVER.INI");
  }
  // The calls the sample logged: C capabilities, S the printer description, H help,
  // each with its arguments.
  std::string Calls() const {
    std::string log;
    zvtest::ReadWholeFile(Path("CALLS.LOG"), &log);
    for (const auto& name :
         {std::make_pair("ZVFormDrvSupportCapabilities ", "C"), std::make_pair("ZVFormPrinterSpec ", "S"),
          std::make_pair("ZVFormHelpFile ", "H")}) {
      for (size_t at = log.find(name.first); at != std::string::npos; at = log.find(name.first))
        log.replace(at, std::strlen(name.first), name.second);
    }
    std::replace(log.begin(), log.end(), '\n', ';');
    return log;
  }
  // "models/capabilities: the words in hex | calls" and the last error code
  // when one was set; "none" for no block.
  std::string Capabilities(const char* device, const std::string& driver) {
    zv::SetLastErrorCode(0);
    int16_t models = -1, caps = -1;
    plat::MemoryHandle block = zv::QueryDriverCapabilities(device, driver.c_str(), &models, &caps);
    std::string s = block ? "" : "none ";
    s += std::to_string(models) + "/" + std::to_string(caps) + ":";
    if (block) {
      const std::string words = BlockBytes(block, 2 * (models + caps));
      if (words == "no lock") s += " no lock";
      char hex[8];
      for (size_t i = 0; i + 1 < words.size(); i += 2) {
        std::snprintf(hex, sizeof hex, " %x", zv::GetU16(reinterpret_cast<const unsigned char*>(&words[i])));
        s += hex;
      }
    }
    s += " | " + Calls();
    return zv::GetLastErrorCode() ? s + " error " + std::to_string(zv::GetLastErrorCode()) : s;
  }
  // The paper size list as Papers gives it, checking that the block holds
  // count entries; "none error count" without a list.
  std::string PaperList(const std::string& device, uint32_t selector) {
    zv::SetLastErrorCode(0);
    uint16_t count = 7;
    plat::MemoryHandle list = zv::BuildPaperSizeList(device.c_str(), driver_.c_str(), selector, &count);
    if (!list) return "none " + std::to_string(zv::GetLastErrorCode()) + " " + std::to_string(count);
    EXPECT_EQ(plat::MemorySize(list), count * sizeof(zv::PaperEntry));
    return Papers(BlockBytes(list, count * sizeof(zv::PaperEntry)));
  }
  const std::string driver_ = WinPath(ZV_SAMPLE_DRIVER);
};

TEST_F(DriverLinkTest, CapabilitiesGiveTheModelsThenTheCapabilityWords) {
  const struct {
    std::string ini;
    bool failAlloc;
    std::string expected;
  } rows[] = {
      {"Models = 3, 7, 0x1234\nCapabilities = 1, 2, 0x4001, 0x4002, 0xFFFF\n", false,
       "3/5: 3 7 1234 1 2 4001 4002 ffff | C0;C1;"},
      {"Models =\n", false, "0/0: | C0;C1;"},  // still a block that can be locked
      {"Models = 1\nCapabilities = 1\nFailCapabilities = 0\n", false, "none 0/0: | C0;"},
      {"Models = 1\nCapabilities = 1\nFailCapabilities = 1\n", false, "none 0/0: | C0;C1;"},
      {"Models = 1, 2\nCapabilities = 1\n", true, "none 0/0: | C0; error 401"},
  };
  for (const auto& r : rows) {
    const std::string device = Settings(r.ini);
    if (r.failAlloc) plat::fault::FailNth(plat::fault::kAlloc, 1);
    EXPECT_EQ(Capabilities(device.c_str(), driver_), r.expected) << r.ini;
    plat::fault::Reset();
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
  // A file the sample cannot read through counts as none.
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("BAD.INI"), "[Driver]\nModels = 1\nnot a key\n[Model 1]\n"));
  const std::pair<std::string, std::string> cases[] = {
      {DriverSide("MISSING.INI"), driver_}, {DriverSide("BAD.INI"), driver_}, {device, Path("NOSUCH.DLL")},
      {device, Path("FAKE.DLL")},           {device, withoutEntryPoints},     {device, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first + " " + c.second);
    EXPECT_EQ(Capabilities(c.first.c_str(), c.second), "none 0/0: | ");
    int16_t sizes[zv::kSpecSizeCount];
    EXPECT_EQ(zv::QueryPrinterSpec(c.first.c_str(), c.second.c_str(), 1, sizes), nullptr);
    char help[plat::kPathBuffer];
    std::memset(help, 'x', sizeof help);
    EXPECT_EQ(zv::QueryHelpFile(c.first.c_str(), c.second.c_str(), 0, help), c.second == driver_);
    EXPECT_EQ(help[0], '\0');
  }
  // Either count missing is refused before the module is loaded.
  int16_t count = 0;
  EXPECT_EQ(zv::QueryDriverCapabilities(device.c_str(), driver_.c_str(), &count, nullptr), nullptr);
  EXPECT_EQ(zv::QueryDriverCapabilities(device.c_str(), driver_.c_str(), nullptr, &count), nullptr);
  EXPECT_EQ(zv::QueryDriverCapabilities(device.c_str(), nullptr, nullptr, nullptr), nullptr);
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
  std::fill(limit, limit + zv::kSpecSizeCount, 32767);
  EXPECT_FALSE(zv::ComputeSpecLayout(limit, &layout));
}

TEST_F(DriverLinkTest, SpecificationBlockIsLaidOutAndFilledByteByByte) {
  const std::string device = Settings(
      "[Model 5]\nSize0 = 3\nSize5 = 2\nSize6 = 1\nSize7 = 4\nSize8 = 5\nSize9 = 2\nNameSize = 10\n"
      "NameSize2 = 12\nP:9,2100,2970,2016,2886,A4 paper\nP:256,1000,1500,17,18,User, size\n"
      "Q:8,2970,4200,1,2,A3\nQ:1,2159,2794,3,4,Letter\nQ:5,2159,3556,5,6,Legal paper\n");
  int16_t sizes[zv::kSpecSizeCount];
  std::memset(sizes, 0x55, sizeof sizes);
  plat::MemoryHandle block = zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 5, sizes);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::vector<int16_t>(sizes, sizes + zv::kSpecSizeCount),
            std::vector<int16_t>({3, 2, 10, 3, 12, 2, 1, 4, 5, 2}));
  EXPECT_EQ(Calls(), "S0 5;S1 5;");
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
      "[Model 1]\nNameSize = 0\nNameSize2 = 4\nP:9,1,2,3,4,A4\nP:1,5,6,7,8,Letter\nQ:8,9,10,11,12,A3\n");
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

TEST_F(DriverLinkTest, PrinterDescriptionFailures) {
  const struct {
    std::string ini;
    uint16_t model;
    bool failAlloc;
    std::string calls;
  } rows[] = {
      {"FailSpec = 0\n", 1, false, "S0 1;"},
      {"FailSpec = 1\n", 1, false, "S0 1;S1 1;"},
      {"", 2, false, "S0 2;"},  // a model the driver does not know
      {"", 1, true, "S0 1;"},
      {"Sizes = 0, 1, 66, 0, 66, 0, 0, 0, 0, -1\n", 1, false, "S0 1;"},
      {"Sizes = 0, -2, 66, 0, 66, 0, 0, 0, 0, 0\n", 1, false, "S0 1;"},
      {"Sizes = 0, 1000, 32767, 0, 0, 0, 0, 0, 0, 0\n", 1, false, "S0 1;"},  // 32 MiB of names
      {"Sizes = 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767\n", 1, false, "S0 1;"},
  };
  for (const auto& r : rows) {
    const std::string device = Settings("[Model 1]\nP:9,1,2,3,4,A4\n" + r.ini);
    zv::SetLastErrorCode(0);
    if (r.failAlloc) plat::fault::FailNth(plat::fault::kAlloc, 1);
    int16_t sizes[zv::kSpecSizeCount];
    EXPECT_EQ(zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), r.model, sizes), nullptr) << r.ini;
    EXPECT_EQ(Calls() + std::to_string(zv::GetLastErrorCode()), r.calls + (r.failAlloc ? "401" : "0"))
        << r.ini;
    EXPECT_EQ(plat::fault::CallCount(plat::fault::kAlloc),
              r.failAlloc ? 1u : plat::fault::CallCount(plat::fault::kAlloc));
    plat::fault::Reset();
  }
  const std::string device = Settings("[Model 1]\nP:9,1,2,3,4,A4\n");
  EXPECT_EQ(zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 1, nullptr), nullptr);
}

TEST_F(DriverLinkTest, HelpFileFollowsTheLanguageFlagAndIsAlwaysTerminated) {
  const std::string longest(260, 'H'),
      both = "HelpFile = C:\\DRV\\LOCAL.HLP\nEnglishHelpFile = ENGLISH.HLP\n";
  const struct {
    std::string ini;
    uint32_t flag;
    std::string help;
  } rows[] = {
      {both, 0, "C:\\DRV\\LOCAL.HLP"},
      {both, 1, "ENGLISH.HLP"},
      {"HelpFile = H.HLP\nFailHelp = 1\n", 0, ""},  // the driver's result is not looked at
      {"HelpFile = " + longest + "\n", 0, longest},
  };
  for (const auto& r : rows) {
    const std::string device = Settings(r.ini);
    char help[plat::kPathBuffer];
    std::memset(help, 'x', sizeof help);
    EXPECT_TRUE(zv::QueryHelpFile(device.c_str(), driver_.c_str(), r.flag, help));
    EXPECT_EQ(std::string(help) + " " + Calls(), r.help + " H" + std::to_string(r.flag) + ";");
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
    EXPECT_EQ(Capabilities(device, copy), "2/1: b c 4003 | ");
    char help[plat::kPathBuffer];
    ASSERT_TRUE(zv::QueryHelpFile(device, copy.c_str(), 1, help));
    EXPECT_STREQ(help, "BESIDE.HLP");
  }
}

TEST_F(DriverLinkTest, ShippedExampleSettingsDescribeTwoModelsAndSixPapers) {
  const std::string device = ShippedSettings();
  EXPECT_EQ(Capabilities(device.c_str(), driver_), "2/4: 1 2 1 2 4001 4002 | ");
  int16_t sizes[zv::kSpecSizeCount];
  plat::MemoryHandle block = zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 1, sizes);
  ASSERT_NE(block, nullptr);
  plat::FreeMemory(block);
  EXPECT_EQ(std::vector<int16_t>(sizes, sizes + zv::kSpecSizeCount),
            std::vector<int16_t>({4, 5, 66, 2, 66, 0, 0, 0, 6, 0}));
  char help[plat::kPathBuffer];
  ASSERT_TRUE(zv::QueryHelpFile(device.c_str(), driver_.c_str(), 0, help));
  EXPECT_STREQ(help, "ZVSAMPLE.HLP");
  const std::string a4 = "9,2100,2970,2016,2886,A4 210 x 297 mm;",
                    letter = "1,2159,2794,2075,2710,Letter 8 1/2 x 11 in;";
  EXPECT_EQ(PaperList(device, 1),
            a4 + letter + "5,2159,3556,2075,3472,Legal 8 1/2 x 14 in;" +
                "13,1820,2570,1736,2486,B5 (JIS) 182 x 257 mm;256,2100,2970,2016,2886,User size;" +
                "8,2970,4200,2886,4116,A3 297 x 420 mm;");
  EXPECT_EQ(PaperList(device, 2), a4 + letter + "8,2970,4200,2886,4116,A3 297 x 420 mm;");
}

TEST_F(DriverLinkTest, PaperListMergesTheModelsTables) {
  const std::string twoTables =
      "Models = 1, 2\n[Model 1]\nP:9,1,1,1,1,A4\nQ:8,2,2,2,2,A3\nQ:13,3,3,3,3,B5\n"
      "[Model 2]\nP:5,4,4,4,4,Legal\nQ:13,5,5,5,5,B5\nQ:1,6,6,6,6,Letter\n";
  // No more than 100 papers: after the duplicates of a later model, or
  // from the first model on.
  std::string across, alone, manyAcross = "Models = 1, 2\n[Model 1]\n";
  manyAcross += ManyLines(1000, 70, "100,200,1,2", &across, 0, 1100) + "[Model 2]\n";
  manyAcross += ManyLines(1060, 50, "300,400,3,4", &across, 1070, 1100);
  const std::string manyAlone = "Models = 1\n[Model 1]\n" + ManyLines(1, 130, "7,7,7,7", &alone, 0, 101);
  const struct {
    std::string ini;
    uint32_t selector;
    std::string list;
  } rows[] = {
      // The first model keeps its duplicates; later ones add only new codes.
      {"Models = 1, 2, 3\n[Model 1]\nP:9,1,1,1,1,A4\nP:9,2,2,2,2,A4 long\nP:1,3,3,3,3,Letter\n[Model 2]\n"
       "P:1,4,4,4,4,L2\nP:8,5,5,5,5,A3\nP:8,6,6,6,6,A3 again\nP:9,7,7,7,7,A4 b\n[Model 3]\nP:8,8,8,8,8,A3 c\n"
       "P:5,9,9,9,9,Legal\nP:9,10,10,10,10,A4 c\n",
       1, "9,1,1,1,1,A4;9,2,2,2,2,A4 long;1,3,3,3,3,Letter;8,5,5,5,5,A3;5,9,9,9,9,Legal;"},
      // Without papers the list holds A4.
      {"Models = 1, 2\n[Model 1]\n[Model 2]\nQ:8,1,2,3,4,A3\n", 1, "9,2100,2970,2100,2970,A4 210 x 297 mm;"},
      {"Models =\nCapabilities = 1\n", 1, "9,2100,2970,2100,2970,A4 210 x 297 mm;"},
      // Selector 1 takes the first tables, any other the second.
      {twoTables, 1, "9,1,1,1,1,A4;5,4,4,4,4,Legal;"},
      {twoTables, 0, "8,2,2,2,2,A3;13,3,3,3,3,B5;1,6,6,6,6,Letter;"},
      {twoTables, 2, "8,2,2,2,2,A3;13,3,3,3,3,B5;1,6,6,6,6,Letter;"},
      {twoTables, 7, "8,2,2,2,2,A3;13,3,3,3,3,B5;1,6,6,6,6,Letter;"},
      // Names are cut to 65 characters and read only within their areas.
      {"Models = 1\n[Model 1]\nNameSize = 100\nP:256,1,2,3,4," + std::string(80, 'L') + "\nP:257,5,6,7,8," +
           std::string(65, 'E') + "\nP:258,9,10,11,12,Short\n",
       1,
       "256,1,2,3,4," + std::string(65, 'L') + ";257,5,6,7,8," + std::string(65, 'E') +
           ";258,9,10,11,12,Short;"},
      {"Models = 1\n[Model 1]\nNameSize = 8\nP:1,1,2,3,4,Letter 8.5x11\nP:9,5,6,7,8,A4 paper\n"
       "P:13,9,10,11,12,B5 (JIS) paper\nQ:65535,65535,65535,65535,65535,Output\n",
       1, "1,1,2,3,4,Letter 8;9,5,6,7,8,A4 paper;13,9,10,11,12,B5 (JIS);"},
      {"Models = 1\n[Model 1]\nNameSize = 0\nP:9,1,2,3,4,A4\nP:1,5,6,7,8,Letter\n", 1,
       "9,1,2,3,4,;1,5,6,7,8,;"},
      // Every name points at the block's last byte, the unterminated end of "Letter".
      {"Models = 1\n[Model 1]\nBreakNamePointers = 1\nNameSize = 6\nP:9,1,2,3,4,A4\nP:1,5,6,7,8,Letter\n", 1,
       "9,1,2,3,4,;1,5,6,7,8,;"},
      {manyAcross, 1, across},
      {manyAlone, 1, alone},
  };
  for (const auto& r : rows) EXPECT_EQ(PaperList(Settings(r.ini), r.selector), r.list) << r.ini.substr(0, 80);
}

TEST_F(DriverLinkTest, AFailingDriverGivesNoPaperListAnd401) {
  const std::string failing[] = {
      "Models = 1\nFailCapabilities = 1\n[Model 1]\nP:9,1,1,1,1,A4\n",
      "Models = 1, 2\n[Model 1]\nP:9,1,1,1,1,A4\n[Model 2]\nFailSpec = 1\nP:8,2,2,2,2,A3\n",
      "Models = 1, 2\n[Model 1]\nP:9,1,1,1,1,A4\n",  // model 2 unknown to the driver
      "Models = 1\n[Model 1]\nSizes = 0, 1, 66, 0, 66, 0, 0, 0, 0, -5\n",
      "Models = 1, 2\n[Model 1]\nP:9,1,1,1,1,A4\n[Model 2]\nBreakTablePointer = 1\nP:8,2,2,2,2,A3\n",
  };
  for (const std::string& ini : failing) EXPECT_EQ(PaperList(Settings(ini), 1), "none 401 0") << ini;
  zv::SetLastErrorCode(0);
  uint16_t count = 7;
  EXPECT_EQ(zv::BuildPaperSizeList("", Path("NOSUCH.DLL").c_str(), 1, &count), nullptr);
  EXPECT_EQ(std::to_string(zv::GetLastErrorCode()) + " " + std::to_string(count), "401 0");

  // Each allocation in turn: the list, the sizes, the capability block, one
  // printer specification per model and the shrink at the end.
  const std::string device =
      Settings("Models = 1, 2\n[Model 1]\nP:9,1,1,1,1,A4\n[Model 2]\nP:8,2,2,2,2,A3\n");
  plat::fault::FailNth(plat::fault::kAlloc, 0);
  ASSERT_EQ(PaperList(device, 1), "9,1,1,1,1,A4;8,2,2,2,2,A3;");
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kAlloc), 6u);
  for (uint32_t n = 1; n <= 7; ++n) {
    plat::fault::FailNth(plat::fault::kAlloc, n);
    EXPECT_EQ(PaperList(device, 1), n <= 6 ? "none 401 0" : "9,1,1,1,1,A4;8,2,2,2,2,A3;") << n;
  }
}

}  // namespace
