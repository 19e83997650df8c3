// The module frame: the string tables of both resource sets, the messages of
// the chosen set, the error box, the last error code and the version class.
#ifndef _WIN32
#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "dialogs/module_frame.h"
#include "platform/platform.h"
#include "support/message_boxes.h"

namespace {

#ifdef ZV_ENGLISH_RESOURCES
constexpr bool kLocal = false;
#else
constexpr bool kLocal = true;
#endif

std::string Raw(uint32_t id) {  // straight from the string table, either set
  char buffer[512] = "";
  plat::LoadStringResource(id, buffer, sizeof buffer);
  return buffer;
}

TEST(ModuleFrameTest, EachSetHoldsExactlyItsMessages) {
  std::set<uint32_t> local = {417, 418, 650}, english = {10415, 10416, 10417, 10602, 10618, 10650}, found[2];
  for (uint32_t id = 200; id <= 620; ++id) {
    const bool shared = (id <= 209) || (id >= 300 && id <= 320 && id != 317) || (id >= 400 && id <= 414) ||
                        (id >= 500 && id <= 502) || (id >= 600 && id != 602 && id != 618);
    if (!shared) continue;
    local.insert(id);
    english.insert(id + 10000);
  }
  for (uint32_t id = 0; id <= 999; ++id) {
    if (!Raw(id).empty()) found[0].insert(id);
    if (!Raw(id + 10000).empty()) found[1].insert(id + 10000);
  }
  EXPECT_EQ(found[0], local);
  EXPECT_EQ(found[1], english);
  for (uint32_t id : {413u, 414u}) EXPECT_NE(Raw(id).find("%ld"), std::string::npos) << id;
  for (uint32_t id : {410u, 417u, 603u, 604u, 606u, 613u})
    EXPECT_NE(Raw(id).find('\n'), std::string::npos) << id;
}

// Each text in the local set (id) and the English one (id + 10000), nullptr
// where a row does not say; LoadMessage gives this build's, cut to the buffer.
TEST(ModuleFrameTest, MessagesComeFromTheChosenSetAndTheErrorBoxShowsThem) {
  EXPECT_EQ(zv::UseLocalResources(), kLocal);
  const struct {
    uint32_t id;
    int32_t size;
    const char *local, *english;
  } rows[] = {
      {401, 256, "No se puede obtener el \341rea de trabajo por falta de memoria libre.",
       "Could not obtain work area because of insufficient free memory."},
      {418, 256, "El nombre del fichero es demasiado largo. Escriba un nombre m\341s corto.", ""},
      {618, 256, "", "Please select printer."},
      {415, 256, "", "Cannot delete the file was created by ZEVRO Lamina2. Specify another file name."},
      {317, 256, "", ""},
      {205, 256, "*.ZLP;*.ZLC", "*.ZLP;*.ZLC"},
      {205, 6, nullptr, nullptr},  // *.ZLP: what fits, terminated
      {320, 256, " ", " "},
      {410, 256, nullptr,
       "There is already an overlay data file which matches the current overlay settings.\n"
       "Are you sure you want to replace?"},
      {413, 256, nullptr, "Cannot create a form with more than %ld data elements."},
      {613, 256, nullptr, "Failed to move file.\n Please check free disk space."},
      {502, 256, "\277Desea eliminar el formulario indicado?", nullptr},
  };
  for (const auto& row : rows) {
    char buffer[256] = "unchanged";
    const int32_t copied = zv::LoadMessage(row.id, buffer, row.size);
    const char* chosen = kLocal ? row.local : row.english;
    EXPECT_EQ(buffer,
              (chosen ? std::string(chosen) : Raw(row.id + (kLocal ? 0 : 10000))).substr(0, row.size - 1));
    EXPECT_EQ(copied, static_cast<int32_t>(std::string(buffer).size())) << row.id;
    EXPECT_TRUE(!row.local || Raw(row.id) == row.local) << row.id << ": " << Raw(row.id);
    EXPECT_TRUE(!row.english || Raw(row.id + 10000) == row.english) << row.id << ": " << Raw(row.id + 10000);
  }
  zvtest::MessageBoxWatcher watcher(zvtest::kIdOk);
  zv::ShowErrorBox(nullptr, zv::kMsgFormListDamaged);
  zv::ShowErrorBox(nullptr, zv::kMsgCannotUseOldFile);  // a message the set lacks still opens a box
  ASSERT_EQ(watcher.Boxes().size(), 2u);
  const zvtest::SeenBox& box = watcher.Boxes()[0];
  EXPECT_EQ(box.text, kLocal ? "El fichero de la lista de nombres de formularios est\341 da\361ado."
                             : "The form name list file is damaged.");
  EXPECT_EQ(box.caption, "Overlay");
  EXPECT_EQ(box.buttons, std::vector<int>{zvtest::kIdOk});
  EXPECT_TRUE(box.stopIcon);
  EXPECT_EQ(watcher.Boxes()[1].text,
            kLocal ? "" : "Cannot use the file was created by ZEVRO Lamina2. Specify another file name.");
  // The last error code keeps its value until set.
  zv::SetLastErrorCode(404);
  zv::LoadMessage(401, nullptr, 0);
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  zv::SetLastErrorCode(0);
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
}

// Under Wine the backend passes GetVersionExA's answer through; the picker
// tests see Wine's default version and Windows NT 4.0 (the message registered).
#ifndef _WIN32
TEST(ModuleFrameTest, VersionClassesFollowPlatformAndMajorVersion) {
  const struct {
    bool available;
    uint32_t platformId, major, expected;
  } rows[] = {{true, 0, 3, 1}, {true, 1, 4, 2},  {true, 2, 3, 17}, {true, 2, 4, 18},
              {true, 2, 5, 0}, {true, 2, 10, 0}, {true, 2, 2, 0},  {false, 2, 4, 0}};
  for (const auto& row : rows) {
    plat::posix::SetVersion(row.available, row.platformId, row.major);
    EXPECT_EQ(zv::GetWindowsVersionClass(), row.expected) << row.platformId << "." << row.major;
  }
  // Without user32 no message is registered, even on Windows NT 4.
  plat::posix::SetVersion(true, 2, 4);
  EXPECT_TRUE(zv::ModuleAttach(nullptr, zv::kReasonProcessAttach, nullptr));
  EXPECT_EQ(zv::FileNameOkMessage(), 0u);
  EXPECT_EQ(zv::RegisterWindowMessageLate("commdlg_FileNameOK"), 0u);
  plat::posix::SetVersion(true, 2, 10);
}
#endif

}  // namespace
