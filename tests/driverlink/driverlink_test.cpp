// The questions put to the driver's module and the paper size list merged
// from them, asked of a copy of ZVSAMPLE of the test's own, which answers from
// the settings file beside it and logs.
#ifndef _WIN32
#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue/byte_order.h"
#include "driverlink/driver_entry_points.h"
#include "driverlink/paper_size_list.h"
#include "module/module_state.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/sample_driver.h"
#include "zvlmn30e_driver.h"

namespace {

using zvtest::FileBytes;

// Where the areas go for the sizes {3, 2, 10, 3, 12, 2, 1, 4, 5, 2}: packed
// after 44 bytes of pointers in the 32-bit block; after 88 in the 64-bit
// one, each paper table 8-aligned. A p9 of kLimitP9 bytes makes 16 MiB.
struct Layout {
  uint32_t offset[zv::kSpecPointerCount], names1, names2, size;
};
#if ZV_POINTER_BYTES == 8
constexpr Layout kSample = {{88, 128, 94, 96, 100, 102, 200, 104, 106, 114, 119}, 176, 272, 308};
constexpr int16_t kLimitP9 = 28586;
#else
constexpr Layout kSample = {{44, 79, 50, 52, 56, 58, 131, 60, 62, 70, 75}, 111, 179, 215};
constexpr int16_t kLimitP9 = 32718;
#endif

std::string Take(plat::MemoryHandle block, size_t size) {
  const char* base = static_cast<const char*>(plat::LockMemory(block));
  std::string bytes = base ? std::string(base, size) : "no lock";
  plat::UnlockMemory(block);
  plat::FreeMemory(block);
  return bytes;
}
std::string Hex(const std::string& words) {
  std::string s;
  char hex[8];
  for (size_t i = 0; i + 1 < words.size(); i += 2) {
    std::snprintf(hex, sizeof hex, " %x", zv::GetU16(reinterpret_cast<const unsigned char*>(&words[i])));
    s += hex;
  }
  return s;
}
std::string Numbers(int from, int to) {
  std::string s = std::to_string(from);
  while (++from <= to) s += "," + std::to_string(from);
  return s;
}

class DriverLinkTest : public zvtest::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    driver_ = zvtest::SampleDriverIn(Dir(), "");
    ASSERT_FALSE(driver_.empty());
  }
  void TearDown() override {
    plat::fault::Reset();
    SandboxTest::TearDown();
  }
  // Writes the sample's settings file with a fresh call log in each [Driver
  // section, "P:" and "Q:" standing for the keys of the first and second
  // paper table; gives the device name to ask for.
  std::string Settings(std::string text) {
    for (const char* key : {"P:", "Q:"})
      for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at))
        text.replace(at, 2, key[0] == 'P' ? "Paper = " : "Paper2 = ");
    text = "[Driver]\n" + text;
    const std::string log = "Log = " + zvtest::HostPath(Path("CALLS.LOG")) + "\n";
    for (size_t at = text.find("[Driver"); at != std::string::npos; at = text.find("[Driver", at + 1))
      text.insert(text.find('\n', at) + 1, log);
    zvtest::RemoveFile(Path("CALLS.LOG"));
    EXPECT_EQ(zvtest::SampleDriverIn(Dir(), text), driver_);
    return zvtest::kSampleDevice;
  }
  // The calls the sample logged with their arguments: C capabilities, S the
  // printer description, H help.
  std::string Calls() const {
    std::string log = FileBytes(Path("CALLS.LOG"));
    for (const char* name : {"ZVFormDrvSupportCapabilities ", "ZVFormPrinterSpec ", "ZVFormHelpFile "})
      for (size_t at = log.find(name); at != std::string::npos; at = log.find(name))
        log.replace(at, std::strlen(name), name[6] == 'D' ? "C" : name[6] == 'P' ? "S" : "H");
    std::replace(log.begin(), log.end(), '\n', ';');
    return log;
  }
  // The paper size list, "code,width,length,v3,v4,name;" per entry, checking
  // the block holds count entries; "none error count" without a list.
  std::string PaperList(const std::string& device, uint32_t selector) {
    zv::SetLastErrorCode(0);
    uint16_t count = 7;
    plat::MemoryHandle list = zv::BuildPaperSizeList(device.c_str(), driver_.c_str(), selector, &count);
    if (!list) return "none " + std::to_string(zv::GetLastErrorCode()) + " " + std::to_string(count);
    EXPECT_EQ(plat::MemorySize(list), count * sizeof(zv::PaperEntry));
    const std::string entries = Take(list, count * sizeof(zv::PaperEntry));
    std::string s;
    for (size_t at = 0; at < entries.size(); at += sizeof(zv::PaperEntry)) {
      const unsigned char* e = reinterpret_cast<const unsigned char*>(entries.data() + at);
      const std::string name(reinterpret_cast<const char*>(e + 12), zv::kPaperNameSize);
      s += (zv::GetU16(e) == 1 ? "" : "flag!") + std::to_string(zv::GetU16(e + 10));
      for (int f = 1; f <= 4; ++f) s += "," + std::to_string(zv::GetU16(e + 2 * f));
      s += "," + name.substr(0, name.find('\0')) +
           (name.find_first_not_of('\0', name.find('\0')) == std::string::npos ? ";" : " unpadded;");
    }
    return s;
  }
  std::string driver_;
};

TEST_F(DriverLinkTest, CapabilitiesGiveTheModelsThenTheCapabilityWords) {
  const std::tuple<std::string, bool, std::string> rows[] = {
      {"Models = 3, 7, 0x1234\nCapabilities = 1, 2, 0x4001, 0x4002, 0xFFFF\n", false,
       "3/5: 3 7 1234 1 2 4001 4002 ffff | C0;C1; 0"},
      {"Models =\n", false, "0/0: | C0;C1; 0"},  // still a block that can be locked
      {"Models = 1\nCapabilities = 1\nFailCapabilities = 0\n", false, "none 0/0: | C0; 0"},
      {"Models = 1\nCapabilities = 1\nFailCapabilities = 1\n", false, "none 0/0: | C0;C1; 0"},
      {"Models = 1, 2\nCapabilities = 1\n", true, "none 0/0: | C0; 401"},
      // A full list of models after the capabilities leaves their count alone.
      {"Capabilities = 5, 6\nModels = " + Numbers(1, 16) + "\n", false,
       "16/2: 1 2 3 4 5 6 7 8 9 a b c d e f 10 5 6 | C0;C1; 0"},
      // The device's own set, its name compared without regard to case.
      {"Models = 1\nCapabilities = 1\n[Driver: zevro LAMINA 30]\nModels = 4\nCapabilities = 0x4001\n", false,
       "1/1: 4 4001 | C0;C1; 0"},
  };
  for (const auto& [ini, failAlloc, expected] : rows) {
    const std::string device = Settings(ini);
    zv::SetLastErrorCode(0);
    if (failAlloc) plat::fault::FailNth(plat::fault::kAlloc, 1);
    int16_t models = -1, caps = -1;
    plat::MemoryHandle block = zv::QueryDriverCapabilities(device.c_str(), driver_.c_str(), &models, &caps);
    plat::fault::Reset();
    EXPECT_EQ(std::string(block ? "" : "none ") + std::to_string(models) + "/" + std::to_string(caps) + ":" +
                  Hex(block ? Take(block, 2 * (models + caps)) : "") + " | " + Calls() + " " +
                  std::to_string(zv::GetLastErrorCode()),
              expected);
    // Either count missing is refused before the module is loaded.
    EXPECT_EQ(zv::QueryDriverCapabilities(device.c_str(), driver_.c_str(), &models, nullptr), nullptr);
    EXPECT_EQ(zv::QueryDriverCapabilities(device.c_str(), driver_.c_str(), nullptr, &caps), nullptr);
  }
  // The sample refuses a missing buffer of another caller.
  plat::ModuleHandle module = plat::LoadModule(driver_.c_str());
  ASSERT_TRUE(module);
  auto entry = reinterpret_cast<ZVFormDrvSupportCapabilitiesProc>(
      plat::GetEntryPoint(module, "ZVFormDrvSupportCapabilities"));
  const std::string device = Settings("Models = 1\nCapabilities = 1\n");
  unsigned char buffer[8] = {};
  EXPECT_EQ(entry(device.c_str(), ZVDRV_MODE_SIZES, buffer, nullptr), 0);
  EXPECT_EQ(entry(device.c_str(), ZVDRV_MODE_SIZES, nullptr, buffer), 0);
  plat::UnloadModule(module);
}

// Called directly, as ZVLMN30E calls it: the fill call answers from the file
// as its size call read it, so that a file changed in between cannot make it
// write past the block the sizes announced (a guard after the block stays
// zero); a fill call without a size call of its own, of its device and model,
// is refused and writes nothing.
TEST_F(DriverLinkTest, FillCallKeepsToWhatItsSizeCallAnnounced) {
  const std::string before = "Models = 1\nCapabilities = 3\n[Model 1]\nP:9,1,2,3,4,A4\n",
                    after =
                        "Models = 1, 2, 3, 4\nCapabilities = 5, 6, 7, 8\n[Model 1]\nP:9,5,6,7,8,A4 long\n"
                        "P:8,1,1,1,1,A3\nP:1,1,1,1,1,Letter\nQ:8,1,1,1,1,A3\n[Model 2]\nP:5,1,1,1,1,Legal\n";
  const char* device = zvtest::kSampleDevice.c_str();
  // The printer specification or the capabilities; the device of the size
  // call between the two files, if one is made; the fill call's device and
  // model; whether it fills.
  const struct {
    bool spec, sizeCall;
    const char *sizeDevice, *fillDevice;
    uint16_t fillModel;
    bool filled;
  } rows[] = {{false, true, device, device, 0, true},
              {true, true, device, device, 1, true},
              {true, true, nullptr, nullptr, 1, true},
              {false, false, nullptr, device, 0, false},  // the last fill answered the last size call
              {true, false, nullptr, device, 1, false},
              {false, true, "ZEVRO Lamina 3", device, 0, false},
              {true, true, device, "ZEVRO Lamina 30 ", 1, false},
              {true, true, device, device, 2, false}};
  std::vector<unsigned char> block(4096);
  int16_t c[zv::kSpecSizeCount];
  uint32_t announced = 0, second = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(&row - rows));
    plat::ModuleHandle module = plat::LoadModule(driver_.c_str());
    ASSERT_TRUE(module);
    auto capabilities = reinterpret_cast<ZVFormDrvSupportCapabilitiesProc>(
        plat::GetEntryPoint(module, "ZVFormDrvSupportCapabilities"));
    auto spec = reinterpret_cast<ZVFormPrinterSpecProc>(plat::GetEntryPoint(module, "ZVFormPrinterSpec"));
    auto ask = [&](const char* name) {
      std::fill(c, c + zv::kSpecSizeCount, 0);
      return row.spec ? spec(name, ZVDRV_MODE_SIZES, 1, c)
                      : capabilities(name, ZVDRV_MODE_SIZES, &c[0], &c[1]);
    };
    // The block of the sizes c as ZVLMN30E lays it out, zero-filled to the end.
    auto layOut = [&] {
      std::fill(block.begin(), block.end(), 0);
      second = 2u * c[0];
      announced = second + 2u * c[1];
      zv::SpecLayout l;
      if (!row.spec || !zv::ComputeSpecLayout(c, &l)) return;
      unsigned char* base = block.data();
      auto put = [](unsigned char* field, const void* p) { std::memcpy(field, &p, sizeof p); };
      for (uint32_t i = 0; i < zv::kSpecPointerCount; ++i) put(base + i * sizeof(void*), base + l.offset[i]);
      for (int i = 0; i < c[zv::kSizeP1Entries]; ++i)
        put(base + l.offset[1] + i * zv::kPaperTableEntrySize + zv::kPaperTableNameOffset,
            base + l.paperNames1 + i * c[zv::kSizeP1Name]);
      announced = l.size;
    };
    auto fill = [&](const char* name, uint16_t model) {
      return row.spec ? spec(name, ZVDRV_MODE_FILL, model, block.data())
                      : capabilities(name, ZVDRV_MODE_FILL, block.data(), block.data() + second);
    };
    // What the fill writes from the file as it was.
    Settings(before);
    ASSERT_EQ(ask(row.fillDevice), 1);
    layOut();
    ASSERT_EQ(fill(row.fillDevice, row.spec), 1);
    const std::string answer(block.begin(), block.begin() + announced);
    // The same again, the file changed after the size call.
    ASSERT_TRUE(!row.sizeCall || ask(row.sizeDevice) == 1);
    layOut();
    const std::string laidOut(block.begin(), block.begin() + announced);
    Settings(after);
    EXPECT_EQ(fill(row.fillDevice, row.fillModel), row.filled ? 1 : 0);
    EXPECT_EQ(std::string(block.begin(), block.begin() + announced), row.filled ? answer : laidOut);
    EXPECT_EQ(std::count(block.begin() + announced, block.end(), 0), block.end() - block.begin() - announced)
        << "bytes written past the " << announced << " announced";
    plat::UnloadModule(module);
  }
}

TEST_F(DriverLinkTest, LayoutPlacesTheAreasInOrderUpTo16MiB) {
  zv::SpecLayout l;
  for (uint32_t i = 0; i < zv::kSpecSizeCount; ++i) {
    int16_t sizes[zv::kSpecSizeCount] = {};
    sizes[i] = -1;
    EXPECT_FALSE(zv::ComputeSpecLayout(sizes, &l)) << "c" << i;
  }
  int16_t limit[zv::kSpecSizeCount] = {0, 511, 32752, 0, 0, 0, 0, 0, kLimitP9, 0};
  ASSERT_TRUE(zv::ComputeSpecLayout(limit, &l));
  EXPECT_EQ(l.size, 16u * 1024u * 1024u);
  limit[8] = kLimitP9 + 1;
  EXPECT_FALSE(zv::ComputeSpecLayout(limit, &l));
}

TEST_F(DriverLinkTest, SpecificationBlockIsLaidOutAndFilledByteByByte) {
  const std::string device = Settings(
      "[Model 5]\nSize0 = 3\nSize5 = 2\nSize6 = 1\nSize7 = 4\nSize8 = 5\nSize9 = 2\nNameSize = 10\n"
      "NameSize2 = 12\nP:9,2100,2970,2016,2886,A4 paper\nP:256,1000,1500,17,18,User, size\n"
      "Q:8,2970,4200,1,2,A3\nQ:1,2159,2794,3,4,Letter\nQ:5,2159,3556,5,6,Legal paper\n");
  int16_t sizes[zv::kSpecSizeCount];
  plat::MemoryHandle block = zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 5, sizes);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::vector<int16_t>(sizes, sizes + zv::kSpecSizeCount),
            std::vector<int16_t>({3, 2, 10, 3, 12, 2, 1, 4, 5, 2}));
  EXPECT_EQ(Calls(), "S0 5;S1 5;");
  ASSERT_GE(plat::MemorySize(block), kSample.size);
  const uintptr_t at = reinterpret_cast<uintptr_t>(plat::LockMemory(block));
  plat::UnlockMemory(block);
  // The pointers, then the driver's areas marked 0xA0 + the pointer's index,
  // the unread bytes of paper entry i with 0xE0 + i.
  zvtest::Bytes e;
  auto address = [&](uintptr_t a) {
    for (size_t i = 0; i < sizeof(void*); ++i) e.U8(static_cast<uint8_t>(a >> (8 * i)));
  };
  for (uint32_t offset : kSample.offset) address(at + offset);
  const int area[][2] = {{0, 6}, {2, 2}, {3, 4}, {4, 2}, {5, 2}, {7, 2}, {8, 8}, {9, 5}, {10, 4}};
  for (const auto& a : area) e.Text(std::string(a[1], static_cast<char>(0xA0 + a[0])));
  auto entry = [&](std::vector<uint16_t> values, int index, uintptr_t name) {
    for (uint16_t v : values) e.U16(v);
    e.Text(std::string(sizeof(ZVDRV_PAPER_ENTRY::unread), static_cast<char>(0xE0 + index)));
    address(name);
  };
  e.Zeros(kSample.offset[1] - e.size());
  entry({2100, 2970, 2016, 2886, 9}, 0, at + kSample.names1);
  entry({1000, 1500, 17, 18, 256}, 1, at + kSample.names1 + 10);
  e.Fixed("A4 paper", 10).Fixed("User, size", 10).Zeros(kSample.offset[6] - kSample.names1 - 20);
  entry({2970, 4200, 1, 2, 8}, 0, at + kSample.names2);
  entry({2159, 2794, 3, 4, 1}, 1, at + kSample.names2 + 12);
  entry({2159, 3556, 5, 6, 5}, 2, at + kSample.names2 + 24);
  e.Fixed("A3", 12).Fixed("Letter", 12).Fixed("Legal paper", 12);
  EXPECT_EQ(Take(block, kSample.size), e.str());
}

TEST_F(DriverLinkTest, PrinterDescriptionFailuresAndTheHelpFile) {
  // ini, allocation failing, calls logged and the last error code.
  const std::tuple<std::string, bool, std::string> failures[] = {
      {"FailSpec = 0\n", false, "S0 1;0"},
      {"FailSpec = 1\n", false, "S0 1;S1 1;0"},
      {"", true, "S0 1;401"},
      {"Sizes = 0, 1000, 32767, 0, 0, 0, 0, 0, 0, 0\n", false, "S0 1;0"},  // 32 MiB of names
  };
  int16_t sizes[zv::kSpecSizeCount];
  for (const auto& [ini, failAlloc, calls] : failures) {
    const std::string device = Settings("[Model 1]\nP:9,1,2,3,4,A4\n" + ini);
    zv::SetLastErrorCode(0);
    if (failAlloc) plat::fault::FailNth(plat::fault::kAlloc, 1);
    EXPECT_EQ(zv::QueryPrinterSpec(device.c_str(), driver_.c_str(), 1, sizes), nullptr) << ini;
    plat::fault::Reset();
    EXPECT_EQ(Calls() + std::to_string(zv::GetLastErrorCode()), calls) << ini;
  }
  EXPECT_EQ(zv::QueryPrinterSpec(Settings("[Model 1]\n").c_str(), driver_.c_str(), 1, nullptr), nullptr);
  // The help file follows the language flag and is always terminated.
  const std::string longest(260, 'H'), both = "HelpFile = C:\\DRV\\L.HLP\nEnglishHelpFile = ENGLISH.HLP\n";
  const std::tuple<std::string, uint32_t, std::string> helps[] = {
      {both, 0, "C:\\DRV\\L.HLP"},
      {both, 1, "ENGLISH.HLP"},
      {"HelpFile = " + longest + "\n", 0, longest},
      {"HelpFile = H.HLP\nCapabilities = " + Numbers(1, 64) + "\n", 0, "H.HLP"},  // a full list stays put
      {both + "[Driver: ZEVRO Lamina 30]\nHelpFile = OWN.HLP\n", 1, "OWN.HLP"},   // no English one of its own
  };
  for (const auto& [ini, flag, expected] : helps) {
    const std::string device = Settings(ini);
    char help[plat::kPathBuffer];
    std::memset(help, 'x', sizeof help);
    EXPECT_TRUE(zv::QueryHelpFile(device.c_str(), driver_.c_str(), flag, help));
    EXPECT_EQ(std::string(help) + " " + Calls(), expected + " H" + std::to_string(flag) + ";");
    EXPECT_FALSE(zv::QueryHelpFile(device.c_str(), driver_.c_str(), 0, nullptr));
  }
}

TEST_F(DriverLinkTest, PaperListMergesTheModelsTables) {
  const std::string twoTables =
      "Models = 1, 2\n[Model 1]\nP:9,1,1,1,1,A4\nQ:8,2,2,2,2,A3\nQ:13,3,3,3,3,B5\n"
      "[Model 2]\nP:5,4,4,4,4,Legal\nQ:13,5,5,5,5,B5\nQ:1,6,6,6,6,Letter\n";
  // No more than 100 papers: after the duplicates of a later model, or from
  // the first model on.
  std::string many = "Models = 1, 2\n[Model 1]\n", listed;
  for (int code = 1000; code < 1120; ++code) {
    if (code == 1070) many += "[Model 2]\n";
    const std::string shape = code < 1070 ? ",1,2,3,4,N" : ",5,6,7,8,N";
    many += "P:" + std::to_string(code < 1070 ? code : code - 10) + shape + "\n";
    if (code < 1100) listed += std::to_string(code) + shape + ";";
  }
  // The settings, the table selector, the list and the device name asked for.
  const struct {
    std::string ini;
    uint32_t selector;
    std::string list, device = zvtest::kSampleDevice;
  } rows[] = {
      // The first model keeps its duplicates; later ones add only new codes.
      {"Models = 1, 2, 3\n[Model 1]\nP:9,1,1,1,1,A4\nP:9,2,2,2,2,A4 long\nP:1,3,3,3,3,Letter\n[Model 2]\n"
       "P:1,4,4,4,4,L2\nP:8,5,5,5,5,A3\nP:8,6,6,6,6,A3 again\nP:9,7,7,7,7,A4 b\n[Model 3]\nP:8,8,8,8,8,A3 c\n"
       "P:5,9,9,9,9,Legal\nP:9,10,10,10,10,A4 c\n",
       1, "9,1,1,1,1,A4;9,2,2,2,2,A4 long;1,3,3,3,3,Letter;8,5,5,5,5,A3;5,9,9,9,9,Legal;"},
      // Without papers the list holds A4.
      {"Models = 1, 2\n[Model 1]\n[Model 2]\nQ:8,1,2,3,4,A3\n", 1, "9,2100,2970,2100,2970,A4 210 x 297 mm;"},
      // Selector 1 takes the first tables, any other the second.
      {twoTables, 1, "9,1,1,1,1,A4;5,4,4,4,4,Legal;"},
      {twoTables, 0, "8,2,2,2,2,A3;13,3,3,3,3,B5;1,6,6,6,6,Letter;"},
      {twoTables, 7, "8,2,2,2,2,A3;13,3,3,3,3,B5;1,6,6,6,6,Letter;"},
      // Names are cut to 65 characters and read only within their areas.
      {"Models = 1\n[Model 1]\nNameSize = 100\nP:256,1,2,3,4," + std::string(80, 'L') +
           "\nP:257,5,6,7,8,Short\n",
       1, "256,1,2,3,4," + std::string(65, 'L') + ";257,5,6,7,8,Short;"},
      {"Models = 1\n[Model 1]\nNameSize = 8\nP:1,1,2,3,4,Letter 8.5x11\nP:9,5,6,7,8,A4 paper\n", 1,
       "1,1,2,3,4,Letter 8;9,5,6,7,8,A4 paper;"},
      {"Models = 1\n[Model 1]\nNameSize = 0\nP:9,1,2,3,4,A4\nP:1,5,6,7,8,Letter\n", 1,
       "9,1,2,3,4,;1,5,6,7,8,;"},
      // Every name points at the block's last byte, the unterminated end of "Letter".
      {"Models = 1\n[Model 1]\nBreakNamePointers = 1\nNameSize = 6\nP:9,1,2,3,4,A4\nP:1,5,6,7,8,Letter\n", 1,
       "9,1,2,3,4,;1,5,6,7,8,;"},
      {many, 1, listed},
      // A blank line and a line of 511 characters with its end are read.
      {"Models = 1\n\n; " + std::string(508, 'x') + "\n[Model 1]\nP:9,1,2,3,4,A4\n", 1, "9,1,2,3,4,A4;"},
      // A failing driver gives no list and 401: capabilities, a description
      // refused or unknown, a broken table pointer, a line longer than the
      // sample reads, a value past 16 bits.
      {"Models = 1\nFailCapabilities = 1\n[Model 1]\nP:9,1,1,1,1,A4\n", 1, "none 401 0"},
      {"Models = 1, 2\n[Model 1]\nP:9,1,1,1,1,A4\n[Model 2]\nFailSpec = 1\nP:8,2,2,2,2,A3\n", 1,
       "none 401 0"},
      {"Models = 1, 2\n[Model 1]\nP:9,1,1,1,1,A4\n", 1, "none 401 0"},
      {"Models = 1, 2\n[Model 1]\nP:9,1,1,1,1,A4\n[Model 2]\nBreakTablePointer = 1\nP:8,2,2,2,2,A3\n", 1,
       "none 401 0"},
      {"; " + std::string(509, 'x') + "Models = 1\n[Model 1]\nP:9,1,1,1,1,A4\n", 1, "none 401 0"},
      {"Models = 1\n[Model 1]\nP:9,65536,1,1,1,A4\n", 1, "none 401 0"},
      // A device with a set of its own gets it whole, its name taken to the
      // end of the header, blanks around it aside and case aside; other
      // devices, and no device, get the default set.
      {twoTables + "[Driver: \\\\printsrv\\LAMINA: 30, 2nd [a3] ]\nModels = 2\n"
                   "[MODEL 2 : \\\\PRINTSRV\\Lamina: 30, 2nd [A3]]\nP:8,7,7,7,7,A3\n",
       1, "8,7,7,7,7,A3;", " \\\\PRINTSRV\\Lamina: 30, 2nd [A3]"},
      {"Models = 1, 2\n[Model 1]\nP:9,1,1,1,1,A4\n[Driver: ZEVRO Lamina 30]\nModels = 1\n", 1, "none 401 0"},
      {"Unknown = 1\n[Driver: ZEVRO Lamina 30]\nModels = 1\n[Model 1: ZEVRO Lamina 30]\nP:8,7,7,7,7,A3\n", 1,
       "8,7,7,7,7,A3;"},
      {twoTables + "[Driver: ZEVRO Lamina 30 A3]\nModels = 2\n[Driver: ZEVRO Lamina 3]\nModels = 2\n"
                   "[Model 1: ZEVRO Lamina 30]\nP:8,7,7,7,7,A3\n",
       1, "9,1,1,1,1,A4;5,4,4,4,4,Legal;"},
      {twoTables + "[Driver: ZEVRO Lamina 30]\nModels = 2\n", 1, "9,1,1,1,1,A4;5,4,4,4,4,Legal;", ""},
      {twoTables + "[Driver: ZEVRO Lamina 30]\nModels = 2\n", 1, "9,1,1,1,1,A4;5,4,4,4,4,Legal;", "  "},
      {twoTables + "[Driver:  ]\nModels = 2\n", 1, "none 401 0"},  // a device name missing
  };
  for (const auto& row : rows) {
    Settings(row.ini);
    EXPECT_EQ(PaperList(row.device, row.selector), row.list) << row.ini;
  }
  uint16_t count = 7;
  EXPECT_EQ(zv::BuildPaperSizeList("", Path("NOSUCH.DLL").c_str(), 1, &count), nullptr);
  EXPECT_EQ(std::to_string(zv::GetLastErrorCode()) + " " + std::to_string(count), "401 0");
  // Each allocation in turn: the list, the sizes, the capability block, one
  // printer specification per model and the shrink at the end.
  const std::string device =
      Settings("Models = 1, 2\n[Model 1]\nP:9,1,1,1,1,A4\n[Model 2]\nP:8,2,2,2,2,A3\n");
  for (uint32_t n = 1; n <= 7; ++n) {
    plat::fault::FailNth(plat::fault::kAlloc, n);
    EXPECT_EQ(PaperList(device, 1), n <= 6 ? "none 401 0" : "9,1,1,1,1,A4;8,2,2,2,2,A3;") << n;
  }
}

}  // namespace
