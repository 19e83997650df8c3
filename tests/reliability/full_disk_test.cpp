// The writers on a small filesystem that fills up: forms, group texts, overlay entries and the driver's
// captures are added until
// the disk refuses them, the free space one page more in each run, so that every writer meets every fill
// level from "fits exactly" to "no free byte" on files of every size. A call the disk refuses leaves every
// file of the catalogue byte for byte as it was; one it takes leaves every file valid. Natively the test
// mounts a tmpfs of its own; under Wine it is drive ZV_SMALL_DISK, a tmpfs mounted around the test.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#endif
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "maintenance/form_registration.h"
#include "maintenance/group_registration.h"
#include "support/catalogue_bytes.h"
#include "support/catalogue_files.h"
#include "zvlmn30e.h"

namespace zvtest {
namespace {

constexpr uint32_t kPage = 4096, kDiskPages = 16, kMostFreePages = 8;  // a 64 KiB disk
constexpr uint32_t kStalledToStop = 10;  // every kind of call refused, or growing nothing, twice running

class FullDiskTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
#ifdef _WIN32
    const char* drive = std::getenv("ZV_SMALL_DISK");
    if (!drive || !*drive || !std::filesystem::is_directory(drive)) {
      GTEST_SKIP() << "no small disk (ZV_SMALL_DISK names none): make test, as root, mounts one as drive S:";
    }
    // A directory on the drive: an empty root lists no entry at all, not even "." and "..", and the
    // runtime's directory listing takes that for a missing directory.
    disk_ = std::string(drive) + "DISK\\";
    host_ = disk_;
    std::filesystem::create_directory(host_);
    Clear();
#else
    // The catalogue directory is a directory of its own, the mount point.
    disk_ = Path("DISK\\");
    host_ = HostPath(disk_);
    ASSERT_TRUE(std::filesystem::create_directory(host_));
#endif
    ASSERT_TRUE(
        WriteWholeFile(SystemPath("ZVLMN3.DAT"), "[ENVIRONMENT]\r\nCURRENTDIR=" + disk_ +
                                                     "\r\nUSER=DEFAULT\r\n[DEFAULT]\r\nFormName=" + disk_ +
                                                     "ZVLMN3.FLT\r\nGroupName=" + disk_ + "ZVLMN3.GLT\r\n"));
#ifndef _WIN32
    if (mount("tmpfs", host_.c_str(), "tmpfs", 0, "size=64k") != 0) {
      GTEST_SKIP() << "cannot mount a 64 KiB tmpfs on " << host_ << ": " << std::strerror(errno)
                   << " (mounting needs root)";
    }
    mounted_ = true;
#endif
  }
  void TearDown() override {
#ifdef _WIN32
    if (!disk_.empty()) Clear();
#else
    if (mounted_) umount2(host_.c_str(), MNT_DETACH);
#endif
    CatalogueTest::TearDown();
  }
  // Every file of the catalogue directory but the filler.
  std::map<std::string, std::string> Take() const {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(host_)) {
      const std::string name = e.path().filename().string();
      if (name != kFiller) files[name] = FileBytes(In(name));
    }
    return files;
  }
  // Each list and group info file opens as valid; each overlay data file a capture wrote has its header.
  void ExpectValid(const std::map<std::string, std::string>& files, const std::string& call) const {
    for (const auto& entry : files) {
      const std::string path = In(entry.first);
      plat::FileHandle file = nullptr;
      zv::FormListHeader f;
      zv::GroupListHeader g;
      zv::GroupInfoHeader i;
      const auto r = plat::kAccessRead;
      const std::string& n = entry.first;
      const std::string extension = n.size() < 4 ? n : n.substr(n.size() - 4);
      if (extension == ".ZLP") {
        EXPECT_TRUE(zv::HasOverlayHeader(path.c_str())) << call << ": " << n << " has no overlay header";
        continue;
      }
      if (extension != ".FLT" && extension != ".GLT" && extension != ".FGP") continue;
      const zv::ListFileState state = n == "ZVLMN3.FLT"   ? zv::OpenFormNameList(path.c_str(), r, &file, &f)
                                      : n == "ZVLMN3.GLT" ? zv::OpenGroupNameList(path.c_str(), r, &file, &g)
                                                          : zv::OpenGroupInfo(path.c_str(), r, &file, &i);
      if (file) plat::CloseFile(file);
      EXPECT_EQ(state, zv::ListFileState::kValid) << call << ": " << n << " is not valid ";
    }
  }
  // The files that differ, with their sizes.
  static std::string Changed(const std::map<std::string, std::string>& was,
                             const std::map<std::string, std::string>& is) {
    std::string changed;
    std::map<std::string, std::string> all = was;
    all.insert(is.begin(), is.end());
    for (const auto& entry : all) {
      const auto size = [&entry](const std::map<std::string, std::string>& m) {
        return m.count(entry.first) ? std::to_string(m.at(entry.first).size()) : std::string("none");
      };
      if (size(was) != size(is) ||
          (was.count(entry.first) && is.count(entry.first) && was.at(entry.first) != is.at(entry.first)))
        changed += ", " + entry.first + " " + size(was) + " -> " + size(is) + " bytes";
    }
    return changed;
  }
  void Clear() const {
    for (const auto& e : std::filesystem::directory_iterator(host_)) std::filesystem::remove(e.path());
  }
  // Takes pages of the disk (all it has left: more than kDiskPages), or false when the disk cannot give them.
  // The pages are written, not only reserved: a file grown by setting its end alone may be sparse.
  bool Fill(uint32_t pages) const {
    std::FILE* f = std::fopen(HostPath(In(kFiller)).c_str(), "wb");
    if (!f) return false;
    const std::string page(kPage, '\0');
    bool filled = true;
    for (uint32_t i = 0; filled && i < pages; ++i)
      filled = std::fwrite(page.data(), 1, kPage, f) == kPage && std::fflush(f) == 0;
    return std::fclose(f) == 0 && filled;
  }
  static constexpr char kFiller[] = "FILLER.BIN";
  std::string In(const std::string& name) const {
    return disk_ + name;
  }
  std::string disk_, host_;
  bool mounted_ = false;
};

// The writers reserve a file's final size with one set end before they move a byte: what it adds must be
// there to write into when the disk has filled up since, and a set end the disk cannot hold must fail.
TEST_F(FullDiskTest, WhatASetEndAddsIsTheDisksToWrite) {
  const std::string path = In("GROWN.BIN");
  plat::FileHandle file =
      plat::OpenFile(path.c_str(), plat::kAccessReadWrite, plat::kShareNone, plat::kCreateNew);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(plat::SeekFile(file, 2 * kPage, plat::kSeekBegin), 2 * kPage);
  ASSERT_TRUE(plat::SetEndOfFile(file));
  EXPECT_FALSE(Fill(kDiskPages + 1)) << "the disk did not fill up";
  ASSERT_EQ(plat::SeekFile(file, 0, plat::kSeekBegin), 0u);
  const std::string data(2 * kPage, 'x');
  uint32_t done = 0;
  EXPECT_TRUE(plat::WriteFile(file, data.data(), 2 * kPage, &done));
  EXPECT_EQ(done, 2 * kPage) << "the space the set end added was not the file's";
  ASSERT_EQ(plat::SeekFile(file, 3 * kPage, plat::kSeekBegin), 3 * kPage);
  EXPECT_FALSE(plat::SetEndOfFile(file)) << "a full disk took a page more";
  EXPECT_EQ(plat::GetFileSize(file), 2 * kPage);
  plat::CloseFile(file);
  EXPECT_EQ(FileBytes(path), data);
}

TEST_F(FullDiskTest, ACallTheDiskRefusesLeavesEveryFileAsItWas) {
  zv::PrintSettings settings{};
  settings.resolution = 600;
  settings.orientation = 1;  // the paper and orientation the driver's captures below have
  settings.paperCode = 9;
  settings.zoom = 100;
  const std::string description(60, 'd'), groupString(90, 'g');
  uint32_t runs = 0, calls = 0, refused = 0;
  for (uint32_t free = 1; free <= kMostFreePages; ++free) {
    Clear();
    const uint32_t filler = kDiskPages - free;
    if (!Fill(filler)) break;
    ++runs;
    int32_t named = 0, entries = 0, overlays = 0, captures = 0;
    uint32_t stalled = 0;
    for (uint32_t i = 0; stalled < kStalledToStop && i < 4000; ++i) {
      const std::map<std::string, std::string> before = Take();
      // Two groups take most overlays and grow across many pages; every fifth form gets a group of its own.
      const std::string newest = In("G" + std::to_string(named) + ".FGP");
      const std::string busy = In("G" + std::to_string(1 + overlays % 2) + ".FGP");
      const std::string& group = i % 6 == 4 && named % 5 == 0 ? newest : busy;
      const std::string overlay = "_O" + std::to_string(overlays) + ".ZLP";
      std::string call;
      bool done = false;
      switch (i % 6) {
        case 0:  // a named form, its group text its save directory
          call = "AddFormRecord " + std::to_string(named + 1);
          done = zv::AddFormRecord(named + 1, ("FORM" + std::to_string(named + 1)).c_str(),
                                   description.c_str(), disk_.c_str(), 1);
          named += done;
          break;
        case 1:  // the newest form gets its group info file name: a longer group text
          call = "UpdateFormRecord " + std::to_string(named);
          done = named > 0 && zv::UpdateFormRecord(named, ("FORM" + std::to_string(named)).c_str(),
                                                   description.c_str(), newest.c_str(), 1);
          break;
        case 2:  // a file entry
          call = "AddFormRecord " + std::to_string(-(entries + 1));
          done = zv::AddFormRecord(-(entries + 1), "P", "",
                                   In("FILE" + std::to_string(entries) + ".ZLP").c_str(), 1);
          entries += done;
          break;
        case 5: {  // the driver captures an overlay of other print settings into form 1's or 2's group
          DriverSettingsBlock block;
          block.resolution = static_cast<uint16_t>(100 + captures);
          const std::string bytes = block.Bytes();
          char path[plat::kPathBuffer];
          call = "ZVGetOverlayForm " + std::to_string(1 + captures % 2);
          done = named > 1 && ZVGetOverlayForm(bytes.data(), "GROUP", 1 + captures % 2, path) == 1;
          captures += done;
          break;
        }
        default:  // an overlay, in a group info file that grows or a new one
          call = "AddOverlayEntry " + group;
          done = named > 1 &&
                 zv::AddOverlayEntry(group.c_str(), overlay.c_str(), &settings, groupString.c_str(), nullptr);
          overlays += done;
          break;
      }
      ++calls;
      const std::map<std::string, std::string> after = Take();
      const auto bytes = [](const std::map<std::string, std::string>& files) {
        size_t n = 0;
        for (const auto& entry : files) n += entry.second.size();
        return n;
      };
      stalled = done && bytes(after) > bytes(before) ? 0 : stalled + 1;
      if (done) {
        ExpectValid(after, call);
      } else {
        ++refused;
        EXPECT_TRUE(after == before) << free << " pages free at first, " << call
                                     << ": refused, but a file changed" << Changed(before, after);
      }
      if (HasFailure()) return;
    }
  }
  ASSERT_GT(runs, 0u) << "the disk could not be filled";
  const std::string figures = std::to_string(runs) + " runs, " + std::to_string(calls) + " calls, " +
                              std::to_string(refused) +
                              " refused by the full disk, 0 files changed by a refusal";
  std::printf("full disk: %s\n", figures.c_str());
  RecordProperty("figures", figures);
}

}  // namespace
}  // namespace zvtest
