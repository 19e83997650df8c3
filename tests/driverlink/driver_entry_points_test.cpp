// The questions put to the printer driver's module, asked of the sample
// driver ZVSAMPLE, which answers from a settings file each test writes.
#ifndef _WIN32
#include <dlfcn.h>

#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <initializer_list>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/byte_order.h"
#include "dialogs/module_frame.h"
#include "driverlink/driver_entry_points.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/sandbox.h"
#include "zvlmn30e_driver.h"

namespace {

// A host path as the module sees it: under Wine the host's files are on Z:.
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

std::string SampleDriver() {
  return WindowsPathOfHostFile(ZV_SAMPLE_DRIVER);
}

// A module that exists but exports none of the entry points.
std::string ModuleWithoutEntryPoints() {
#ifdef _WIN32
  char dir[plat::kPathBuffer] = "";
  plat::GetSystemDirectory(dir, sizeof dir);
  return std::string(dir) + "\\kernel32.dll";
#else
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&std::fclose), &info) || !info.dli_fname) return std::string();
  return WindowsPathOfHostFile(info.dli_fname);
#endif
}

// An address as a pointer field of the block holds it: 4 or 8 bytes.
void PutAddress(zvtest::Bytes& bytes, uintptr_t address) {
  for (size_t i = 0; i < sizeof(void*); ++i) bytes.U8(static_cast<uint8_t>(address >> (8 * i)));
}

uintptr_t AddressAt(const unsigned char* field) {
  uintptr_t address = 0;
  std::memcpy(&address, field, sizeof address);
  return address;
}

// Where the areas of a printer specification block go, for the sizes
// {3, 2, 10, 3, 12, 2, 1, 4, 5, 2} and for ten zero sizes, in this build's
// bitness: packed after 44 bytes of pointers in the 32-bit block; after 88 in
// the 64-bit one, each paper table 8-aligned.
struct ExpectedLayout {
  uint32_t offset[zv::kSpecPointerCount];
  uint32_t paperNames1;
  uint32_t paperNames2;
  uint32_t size;
};
#if ZV_POINTER_BYTES == 8
constexpr ExpectedLayout kSampleLayout = {{88, 128, 94, 96, 100, 102, 200, 104, 106, 114, 119}, 176, 272, 308};
constexpr ExpectedLayout kEmptyLayout = {{88, 96, 88, 90, 90, 92, 96, 94, 94, 94, 94}, 96, 96, 96};
// c8 that makes a block of exactly 16 MiB with c1 = 511 and c2 = 32752.
constexpr int16_t kLimitP9Bytes = 28586;
#else
constexpr ExpectedLayout kSampleLayout = {{44, 79, 50, 52, 56, 58, 131, 60, 62, 70, 75}, 111, 179, 215};
constexpr ExpectedLayout kEmptyLayout = {{44, 50, 44, 46, 46, 48, 50, 50, 50, 50, 50}, 50, 50, 50};
constexpr int16_t kLimitP9Bytes = 32718;
#endif
constexpr size_t kUnreadBytes = sizeof(ZVDRV_PAPER_ENTRY::unread);

void ExpectLayout(const zv::SpecLayout& layout, const ExpectedLayout& expected) {
  for (uint32_t i = 0; i < zv::kSpecPointerCount; ++i) EXPECT_EQ(layout.offset[i], expected.offset[i]) << "p" << i;
  EXPECT_EQ(layout.paperNames1, expected.paperNames1);
  EXPECT_EQ(layout.paperNames2, expected.paperNames2);
  EXPECT_EQ(layout.size, expected.size);
}

// One paper table entry as the sample driver fills it: the five values,
// the unread bytes it marks with 0xE0 + the entry's index, the name pointer.
void PutPaperEntry(zvtest::Bytes& bytes, std::initializer_list<uint16_t> values, int index, uintptr_t name) {
  for (uint16_t v : values) bytes.U16(v);
  bytes.Text(std::string(kUnreadBytes, static_cast<char>(0xE0 + index)));
  PutAddress(bytes, name);
}

class DriverEntryPointsTest : public zvtest::SandboxTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    zvtest::SandboxTest::TearDown();
  }

  // The path of a file of the scratch directory as the sample driver opens
  // it with the C library: a host path natively, the Windows path under Wine.
  std::string DriverSidePath(const std::string& name) const {
#ifdef _WIN32
    return Path(name);
#else
    char host[4096];
    if (!plat::posix::ToHostPath(Path(name).c_str(), host, sizeof host)) return std::string();
    return host;
#endif
  }

  // Writes the settings file, with a call log, and returns the device name
  // that makes the sample driver read it.
  std::string Settings(const std::string& text) {
    const std::string ini = "[Driver]\nLog = " + DriverSidePath("CALLS.LOG") + "\n" + text;
    EXPECT_TRUE(zvtest::WriteWholeFile(Path("DRIVER.INI"), ini));
    return DriverSidePath("DRIVER.INI");
  }

  std::string Calls() const {
    std::string log;
    zvtest::ReadWholeFile(Path("CALLS.LOG"), &log);
    return log;
  }

  const std::string driver_ = SampleDriver();
};

std::string BlockBytes(plat::MemoryHandle block, uint32_t size) {
  const char* base = static_cast<const char*>(plat::LockMemory(block));
  std::string bytes = base ? std::string(base, size) : std::string();
  plat::UnlockMemory(block);
  return bytes;
}

// ---------------------------------------------------------------------------
// Capabilities

TEST_F(DriverEntryPointsTest, CapabilitiesGiveTheModelListThenTheCapabilityList) {
  const std::string device = Settings("Models = 3, 7, 0x1234\nCapabilities = 1, 2, 0x4001, 0x4002, 0xFFFF\n");
  int16_t models = -1;
  int16_t capabilities = -1;
  plat::MemoryHandle block =
      zv::QueryDriverCapabilities(device.c_str(), driver_.c_str(), &models, &capabilities);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(models, 3);
  EXPECT_EQ(capabilities, 5);
  ASSERT_GE(plat::MemorySize(block), 16u);
  const std::string expected =
      zvtest::Bytes().U16(3).U16(7).U16(0x1234).U16(1).U16(2).U16(0x4001).U16(0x4002).U16(0xFFFF).str();
  EXPECT_EQ(BlockBytes(block, 16), expected);
  plat::FreeMemory(block);
  EXPECT_EQ(Calls(), "ZVFormDrvSupportCapabilities 0\nZVFormDrvSupportCapabilities 1\n");
}

TEST_F(DriverEntryPointsTest, EmptyListsStillGiveALockableBlock) {
  const std::string device = Settings("Models =\n");
  int16_t models = -1;
  int16_t capabilities = -1;
  plat::MemoryHandle block =
      zv::QueryDriverCapabilities(device.c_str(), driver_.c_str(), &models, &capabilities);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(models, 0);
  EXPECT_EQ(capabilities, 0);
  void* base = plat::LockMemory(block);
  EXPECT_NE(base, nullptr);
  plat::UnlockMemory(block);
  plat::FreeMemory(block);
}

TEST_F(DriverEntryPointsTest, CapabilitiesFailWhenEitherCallFails) {
  for (int mode = 0; mode < 2; ++mode) {
    SCOPED_TRACE(mode);
    zvtest::RemoveFile(Path("CALLS.LOG"));
    const std::string device =
        Settings("Models = 1\nCapabilities = 1\nFailCapabilities = " + std::to_string(mode) + "\n");
    int16_t models = -1;
    int16_t capabilities = -1;
    EXPECT_EQ(zv::QueryDriverCapabilities(device.c_str(), driver_.c_str(), &models, &capabilities), nullptr);
    EXPECT_EQ(models, 0);
    EXPECT_EQ(capabilities, 0);
    EXPECT_EQ(Calls(), mode == 0 ? "ZVFormDrvSupportCapabilities 0\n"
                                 : "ZVFormDrvSupportCapabilities 0\nZVFormDrvSupportCapabilities 1\n");
  }
}

TEST_F(DriverEntryPointsTest, ADriverWithoutItsSettingsFileAnswersNothing) {
  int16_t models = -1;
  int16_t capabilities = -1;
  const std::string device = DriverSidePath("MISSING.INI");
  EXPECT_EQ(zv::QueryDriverCapabilities(device.c_str(), driver_.c_str(), &models, &capabilities), nullptr);
  int16_t sizes[zv::kSpecSizeCount];
  EXPECT_EQ(zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 1, sizes), nullptr);

  // A file the sample cannot read through counts as none.
  const std::string malformed = Settings("Models = 1\nCapabilities = 1\nnot a key\n[Model 1]\n");
  EXPECT_EQ(zv::QueryDriverCapabilities(malformed.c_str(), driver_.c_str(), &models, &capabilities), nullptr);
  EXPECT_EQ(zv::QueryPrinterSpec(malformed.c_str(), driver_.c_str(), 1, sizes), nullptr);
  EXPECT_EQ(Calls(), "");
}

TEST_F(DriverEntryPointsTest, MissingModulesAndEntryPointsFail) {
  const std::string device = Settings("Models = 1\nCapabilities = 1\nHelpFile = X.HLP\n[Model 1]\n");
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("FAKE.DLL"), "MZ but not a module at all"));
  const std::string withoutEntryPoints = ModuleWithoutEntryPoints();
  ASSERT_FALSE(withoutEntryPoints.empty());
  const std::string paths[] = {Path("NOSUCH.DLL"), Path("FAKE.DLL"), withoutEntryPoints, ""};
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    int16_t models = -1;
    int16_t capabilities = -1;
    EXPECT_EQ(zv::QueryDriverCapabilities(device.c_str(), path.c_str(), &models, &capabilities), nullptr);
    EXPECT_EQ(models, 0);
    int16_t sizes[zv::kSpecSizeCount];
    EXPECT_EQ(zv::QueryPrinterSpec(device.c_str(), path.c_str(), 1, sizes), nullptr);
    char help[plat::kPathBuffer];
    std::memset(help, 'x', sizeof help);
    EXPECT_FALSE(zv::QueryHelpFile(device.c_str(), path.c_str(), 0, help));
    EXPECT_EQ(help[0], '\0');
  }
  EXPECT_EQ(zv::QueryDriverCapabilities(device.c_str(), nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(Calls(), "");
}

TEST_F(DriverEntryPointsTest, CapabilitiesReport401WhenTheBlockCannotBeHad) {
  const std::string device = Settings("Models = 1, 2\nCapabilities = 1\n");
  zv::SetLastErrorCode(0);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  int16_t models = -1;
  int16_t capabilities = -1;
  EXPECT_EQ(zv::QueryDriverCapabilities(device.c_str(), driver_.c_str(), &models, &capabilities), nullptr);
  EXPECT_EQ(zv::GetLastErrorCode(), zv::kMsgNoWorkArea);
  EXPECT_EQ(models, 0);
  EXPECT_EQ(Calls(), "ZVFormDrvSupportCapabilities 0\n");
}

// ---------------------------------------------------------------------------
// Printer specification

TEST_F(DriverEntryPointsTest, LayoutPlacesTheAreasInOrder) {
  const int16_t sizes[zv::kSpecSizeCount] = {3, 2, 10, 3, 12, 2, 1, 4, 5, 2};
  zv::SpecLayout layout;
  ASSERT_TRUE(zv::ComputeSpecLayout(sizes, &layout));
  ExpectLayout(layout, kSampleLayout);

  const int16_t none[zv::kSpecSizeCount] = {};
  ASSERT_TRUE(zv::ComputeSpecLayout(none, &layout));
  ExpectLayout(layout, kEmptyLayout);
}

TEST_F(DriverEntryPointsTest, LayoutRefusesNegativeSizesAndBlocksBeyond16MiB) {
  zv::SpecLayout layout;
  for (uint32_t i = 0; i < zv::kSpecSizeCount; ++i) {
    int16_t sizes[zv::kSpecSizeCount] = {};
    sizes[i] = -1;
    EXPECT_FALSE(zv::ComputeSpecLayout(sizes, &layout)) << "c" << i;
  }
  // The pointers, p2, p4, p5, c8 bytes and 511 (entry + 32752) are exactly
  // 16 MiB; one byte more of c8 is too much (in the 64-bit block it also
  // moves the first paper table on by 8).
  int16_t limit[zv::kSpecSizeCount] = {0, 511, 32752, 0, 0, 0, 0, 0, kLimitP9Bytes, 0};
  ASSERT_TRUE(zv::ComputeSpecLayout(limit, &layout));
  EXPECT_EQ(layout.size, 16u * 1024u * 1024u);
  limit[8] = kLimitP9Bytes + 1;
  EXPECT_FALSE(zv::ComputeSpecLayout(limit, &layout));
  // The largest sizes a driver can report overflow 32 bits in no product.
  const int16_t largest[zv::kSpecSizeCount] = {32767, 32767, 32767, 32767, 32767,
                                               32767, 32767, 32767, 32767, 32767};
  EXPECT_FALSE(zv::ComputeSpecLayout(largest, &layout));
}

TEST_F(DriverEntryPointsTest, SpecificationBlockIsLaidOutAndFilledByteByByte) {
  const std::string device = Settings(
      "[Model 5]\n"
      "Size0 = 3\nSize5 = 2\nSize6 = 1\nSize7 = 4\nSize8 = 5\nSize9 = 2\n"
      "NameSize = 10\nNameSize2 = 12\n"
      "Paper = 9, 2100, 2970, 2016, 2886, A4 paper\n"
      "Paper = 256, 1000, 1500, 17, 18, User, size\n"
      "Paper2 = 8, 2970, 4200, 1, 2, A3\n"
      "Paper2 = 1, 2159, 2794, 3, 4, Letter\n"
      "Paper2 = 5, 2159, 3556, 5, 6, Legal paper\n");
  int16_t sizes[zv::kSpecSizeCount];
  std::memset(sizes, 0x55, sizeof sizes);
  plat::MemoryHandle block = zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 5, sizes);
  ASSERT_NE(block, nullptr);
  const int16_t reported[zv::kSpecSizeCount] = {3, 2, 10, 3, 12, 2, 1, 4, 5, 2};
  for (uint32_t i = 0; i < zv::kSpecSizeCount; ++i) EXPECT_EQ(sizes[i], reported[i]) << "c" << i;
  EXPECT_EQ(Calls(), "ZVFormPrinterSpec 0 5\nZVFormPrinterSpec 1 5\n");
  const ExpectedLayout& l = kSampleLayout;
  ASSERT_GE(plat::MemorySize(block), l.size);

  const unsigned char* base = static_cast<const unsigned char*>(plat::LockMemory(block));
  ASSERT_NE(base, nullptr);
  const uintptr_t at = reinterpret_cast<uintptr_t>(base);
  zvtest::Bytes expected;
  for (uint32_t offset : l.offset) PutAddress(expected, at + offset);
  expected.Text(std::string(6, '\xA0'))
      .Text(std::string(2, '\xA2'))
      .Text(std::string(4, '\xA3'))
      .Text(std::string(2, '\xA4'))
      .Text(std::string(2, '\xA5'))
      .Text(std::string(2, '\xA7'))
      .Text(std::string(8, '\xA8'))
      .Text(std::string(5, '\xA9'))
      .Text(std::string(4, '\xAA'));
  // The 64-bit block pads to the 8-aligned first paper table.
  expected.Zeros(l.offset[1] - expected.size());
  // First paper table: values, the driver's own bytes, name pointer.
  PutPaperEntry(expected, {2100, 2970, 2016, 2886, 9}, 0, at + l.paperNames1);
  PutPaperEntry(expected, {1000, 1500, 17, 18, 256}, 1, at + l.paperNames1 + 10);
  ASSERT_EQ(expected.size(), l.paperNames1);
  expected.Fixed("A4 paper", 10).Fixed("User, size", 10);
  expected.Zeros(l.offset[6] - expected.size());
  PutPaperEntry(expected, {2970, 4200, 1, 2, 8}, 0, at + l.paperNames2);
  PutPaperEntry(expected, {2159, 2794, 3, 4, 1}, 1, at + l.paperNames2 + 12);
  PutPaperEntry(expected, {2159, 3556, 5, 6, 5}, 2, at + l.paperNames2 + 24);
  ASSERT_EQ(expected.size(), l.paperNames2);
  expected.Fixed("A3", 12).Fixed("Letter", 12).Fixed("Legal paper", 12);
  ASSERT_EQ(expected.size(), l.size);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(base), l.size), expected.str());
  plat::UnlockMemory(block);
  plat::FreeMemory(block);
}

TEST_F(DriverEntryPointsTest, NameAreasOfSizeZeroGetNullNamePointers) {
  const std::string device = Settings(
      "[Model 1]\nNameSize = 0\nNameSize2 = 4\n"
      "Paper = 9, 1, 2, 3, 4, A4\nPaper = 1, 5, 6, 7, 8, Letter\nPaper2 = 8, 9, 10, 11, 12, A3\n");
  int16_t sizes[zv::kSpecSizeCount];
  plat::MemoryHandle block = zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 1, sizes);
  ASSERT_NE(block, nullptr);
  const unsigned char* base = static_cast<const unsigned char*>(plat::LockMemory(block));
  ASSERT_NE(base, nullptr);
  const uintptr_t at = reinterpret_cast<uintptr_t>(base);
  // Two entries without name areas, then one with a 4-byte area; the areas
  // before the first table are empty.
  const size_t entry = sizeof(ZVDRV_PAPER_ENTRY);
  const size_t nameField = offsetof(ZVDRV_PAPER_ENTRY, name);
  const size_t table1 = kEmptyLayout.offset[1];
  const size_t table2 = table1 + 2 * entry;
  EXPECT_EQ(AddressAt(base + offsetof(ZVDRV_PRINTER_SPEC, p1)), at + table1);
  EXPECT_EQ(AddressAt(base + table1 + nameField), 0u);
  EXPECT_EQ(AddressAt(base + table1 + entry + nameField), 0u);
  EXPECT_EQ(zv::GetU16(base + table1 + entry + offsetof(ZVDRV_PAPER_ENTRY, code)), 1);
  EXPECT_EQ(AddressAt(base + offsetof(ZVDRV_PRINTER_SPEC, p6)), at + table2);
  EXPECT_EQ(AddressAt(base + table2 + nameField), at + table2 + entry);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(base + table2 + entry), 4), std::string("A3\0\0", 4));
  plat::UnlockMemory(block);
  plat::FreeMemory(block);
}

TEST_F(DriverEntryPointsTest, SpecificationFailsWhenEitherCallFailsOrTheModelIsUnknown) {
  for (int mode = 0; mode < 2; ++mode) {
    SCOPED_TRACE(mode);
    zvtest::RemoveFile(Path("CALLS.LOG"));
    const std::string device =
        Settings("[Model 1]\nPaper = 9, 1, 2, 3, 4, A4\nFailSpec = " + std::to_string(mode) + "\n");
    int16_t sizes[zv::kSpecSizeCount];
    EXPECT_EQ(zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 1, sizes), nullptr);
    EXPECT_EQ(Calls(),
              mode == 0 ? "ZVFormPrinterSpec 0 1\n" : "ZVFormPrinterSpec 0 1\nZVFormPrinterSpec 1 1\n");
  }
  zvtest::RemoveFile(Path("CALLS.LOG"));
  const std::string device = Settings("[Model 1]\nPaper = 9, 1, 2, 3, 4, A4\n");
  int16_t sizes[zv::kSpecSizeCount];
  EXPECT_EQ(zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 2, sizes), nullptr);
  EXPECT_EQ(Calls(), "ZVFormPrinterSpec 0 2\n");
  EXPECT_EQ(zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 1, nullptr), nullptr);
}

TEST_F(DriverEntryPointsTest, NegativeOrHugeSizesAreRefusedBeforeTheFill) {
  const char* const cases[] = {
      "0, 1, 66, 0, 66, 0, 0, 0, 0, -1",      // a negative size
      "0, -2, 66, 0, 66, 0, 0, 0, 0, 0",      // a negative paper count
      "0, 1000, 32767, 0, 0, 0, 0, 0, 0, 0",  // 32 MiB of names
      "32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767",
  };
  for (const char* reported : cases) {
    SCOPED_TRACE(reported);
    zvtest::RemoveFile(Path("CALLS.LOG"));
    const std::string device = Settings(std::string("[Model 4]\nSizes = ") + reported + "\n");
    int16_t sizes[zv::kSpecSizeCount];
    EXPECT_EQ(zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 4, sizes), nullptr);
    EXPECT_EQ(Calls(), "ZVFormPrinterSpec 0 4\n");
  }
}

TEST_F(DriverEntryPointsTest, SpecificationReports401WhenTheBlockCannotBeHad) {
  const std::string device = Settings("[Model 1]\nPaper = 9, 1, 2, 3, 4, A4\n");
  zv::SetLastErrorCode(0);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  int16_t sizes[zv::kSpecSizeCount];
  EXPECT_EQ(zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 1, sizes), nullptr);
  EXPECT_EQ(zv::GetLastErrorCode(), zv::kMsgNoWorkArea);
  EXPECT_EQ(Calls(), "ZVFormPrinterSpec 0 1\n");
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kAlloc), 1u);
}

// ---------------------------------------------------------------------------
// Help file

TEST_F(DriverEntryPointsTest, HelpFileFollowsTheLanguageFlag) {
  const std::string device = Settings("HelpFile = C:\\DRV\\LOCAL.HLP\nEnglishHelpFile = ENGLISH.HLP\n");
  char help[plat::kPathBuffer];
  ASSERT_TRUE(zv::QueryHelpFile(device.c_str(), driver_.c_str(), 0, help));
  EXPECT_STREQ(help, "C:\\DRV\\LOCAL.HLP");
  ASSERT_TRUE(zv::QueryHelpFile(device.c_str(), driver_.c_str(), 1, help));
  EXPECT_STREQ(help, "ENGLISH.HLP");
  EXPECT_EQ(Calls(), "ZVFormHelpFile 0\nZVFormHelpFile 1\n");
}

TEST_F(DriverEntryPointsTest, HelpFileResultIsIgnoredButTheBufferStaysTerminated) {
  const std::string device = Settings("HelpFile = H.HLP\nFailHelp = 1\n");
  char help[plat::kPathBuffer];
  std::memset(help, 'x', sizeof help);
  EXPECT_TRUE(zv::QueryHelpFile(device.c_str(), driver_.c_str(), 0, help));
  EXPECT_EQ(help[0], '\0');
  EXPECT_EQ(Calls(), "ZVFormHelpFile 0\n");

  const std::string longest(260, 'H');
  const std::string device2 = Settings("HelpFile = " + longest + "\n");
  ASSERT_TRUE(zv::QueryHelpFile(device2.c_str(), driver_.c_str(), 0, help));
  EXPECT_EQ(std::string(help), longest);
  EXPECT_FALSE(zv::QueryHelpFile(device2.c_str(), driver_.c_str(), 0, nullptr));
}

// ---------------------------------------------------------------------------
// The sample driver's own settings file

TEST_F(DriverEntryPointsTest, WithoutDeviceNameTheSampleReadsTheFileBesideItself) {
  std::string module;
  ASSERT_TRUE(zvtest::ReadWholeFile(driver_, &module));
  const std::string name = driver_.substr(driver_.rfind('\\') + 1);
  ASSERT_TRUE(plat::CreateDirectory(Path("DRV").c_str()));
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("DRV\\" + name), module));
  ASSERT_TRUE(
      zvtest::WriteWholeFile(Path("DRV\\ZVSAMPLE.INI"),
                             "[Driver]\nModels = 11, 12\nCapabilities = 0x4003\nHelpFile = BESIDE.HLP\n"));
  const std::string copy = Path("DRV\\" + name);
  for (const char* device : {static_cast<const char*>(nullptr), ""}) {
    int16_t models = -1;
    int16_t capabilities = -1;
    plat::MemoryHandle block = zv::QueryDriverCapabilities(device, copy.c_str(), &models, &capabilities);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(models, 2);
    EXPECT_EQ(capabilities, 1);
    EXPECT_EQ(BlockBytes(block, 6), zvtest::Bytes().U16(11).U16(12).U16(0x4003).str());
    plat::FreeMemory(block);
    char help[plat::kPathBuffer];
    ASSERT_TRUE(zv::QueryHelpFile(device, copy.c_str(), 1, help));
    EXPECT_STREQ(help, "BESIDE.HLP");
  }
}

// The example file shipped with the sample describes two models.
TEST_F(DriverEntryPointsTest, ShippedExampleSettingsDescribeTwoModels) {
  std::string source = __FILE__;
  source = source.substr(0, source.rfind("tests/driverlink/")) + "src/driverlink/sample_driver/ZVSAMPLE.INI";
#ifdef _WIN32
  const std::string device = WindowsPathOfHostFile(source);
#else
  const std::string device = source;
#endif
  int16_t models = -1;
  int16_t capabilities = -1;
  plat::MemoryHandle block =
      zv::QueryDriverCapabilities(device.c_str(), driver_.c_str(), &models, &capabilities);
  ASSERT_NE(block, nullptr) << device;
  EXPECT_EQ(models, 2);
  EXPECT_EQ(capabilities, 4);
  EXPECT_EQ(BlockBytes(block, 12), zvtest::Bytes().U16(1).U16(2).U16(1).U16(2).U16(0x4001).U16(0x4002).str());
  plat::FreeMemory(block);

  int16_t sizes[zv::kSpecSizeCount];
  block = zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 1, sizes);
  ASSERT_NE(block, nullptr);
  const int16_t reported[zv::kSpecSizeCount] = {4, 5, 66, 2, 66, 0, 0, 0, 6, 0};
  for (uint32_t i = 0; i < zv::kSpecSizeCount; ++i) EXPECT_EQ(sizes[i], reported[i]) << "c" << i;
  plat::FreeMemory(block);

  char help[plat::kPathBuffer];
  ASSERT_TRUE(zv::QueryHelpFile(device.c_str(), driver_.c_str(), 0, help));
  EXPECT_STREQ(help, "ZVSAMPLE.HLP");
}

}  // namespace
