// The form list as the driver asks for it: ZVGetFormListNum and
// ZVGetFormList, with the boxes a user would see.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "catalogue/form_name_list.h"
#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "support/catalogue_files.h"
#include "support/message_boxes.h"
#include "zvlmn30e.h"

namespace {

using zvtest::FormListFile;
using zvtest::FormSpec;

std::string NoFormName() {
  char name[zv::kFormNameSize];
  zv::LoadNoFormName(name);
  return name;
}

std::string MessageText(uint32_t id) {
  char text[256];
  zv::LoadMessage(id, text, sizeof text);
  return text;
}

struct Entry {
  int32_t id;
  std::string name;
  bool operator==(const Entry& other) const { return id == other.id && name == other.name; }
};

std::ostream& operator<<(std::ostream& os, const Entry& e) {
  return os << "(" << e.id << ", " << e.name << ")";
}

struct ListCall {
  int32_t result;
  uint32_t count;
  std::vector<Entry> entries;  // all array elements, filled or not
  std::vector<zvtest::SeenBox> boxes;
};

class FormListExportsTest : public zvtest::CatalogueTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }

  ListCall GetList(uint32_t first, int32_t last, int32_t current, size_t slots = 0) {
    if (slots == 0) slots = static_cast<size_t>(last - static_cast<int32_t>(first) + 1);
    std::vector<int32_t> ids(slots, 0x5A5A5A5A);
    std::vector<char> names(slots * ZV_NAME_SLOT, 'x');
    ListCall call{};
    call.count = 0xFFFF;
    {
      zvtest::MessageBoxWatcher watcher(zvtest::kIdOk);
      call.result = ZVGetFormList(nullptr, first, last, current, &call.count, ids.data(), names.data());
      call.boxes = watcher.Boxes();
    }
    for (size_t i = 0; i < slots; ++i) {
      call.entries.push_back(
          {ids[i], std::string(&names[i * ZV_NAME_SLOT], strnlen(&names[i * ZV_NAME_SLOT], 25))});
    }
    return call;
  }

  // Named forms A (1), B (2) and C (5), file entries -3 ("P") and -4 ("C").
  void WriteAbc() {
    WriteFormList(FormListFile({{1, "A", "", 1, 0}, {2, "B", "", 1, 1}, {5, "C", "", 2, 2}},
                               {{-3, "P", "", 1, 3}, {-4, "C", "", 1, 4}}));
  }
};

TEST_F(FormListExportsTest, WithoutAFileTheListIsTheClosingEntryAlone) {
  EXPECT_EQ(ZVGetFormListNum(), 1);
  ListCall one = GetList(0, 0, 0);
  EXPECT_EQ(one.result, 1);
  EXPECT_EQ(one.count, 1u);
  EXPECT_EQ(one.entries[0], (Entry{0, NoFormName()}));
  EXPECT_TRUE(one.boxes.empty());

  ListCall five = GetList(0, 4, 0);
  EXPECT_EQ(five.result, 1);
  EXPECT_EQ(five.count, 1u);
  EXPECT_EQ(five.entries[0], (Entry{0, NoFormName()}));
  ASSERT_EQ(five.boxes.size(), 1u);
  EXPECT_EQ(five.boxes[0].text, MessageText(402));
  EXPECT_EQ(five.boxes[0].caption, "Overlay");
  EXPECT_TRUE(five.boxes[0].stopIcon);
}

TEST_F(FormListExportsTest, TheNamedFormsComeInFileOrderThenNoFormName) {
  WriteAbc();
  EXPECT_EQ(ZVGetFormListNum(), 4);
  ListCall all = GetList(0, 3, 2);
  EXPECT_EQ(all.result, 1);
  EXPECT_EQ(all.count, 4u);
  EXPECT_EQ(all.entries, (std::vector<Entry>{{1, "A"}, {2, "B"}, {5, "C"}, {0, NoFormName()}}));
  EXPECT_TRUE(all.boxes.empty());
}

TEST_F(FormListExportsTest, ACurrentFileEntryClosesTheList) {
  WriteAbc();
  ListCall withEntry = GetList(0, 3, -4);
  EXPECT_EQ(withEntry.count, 4u);
  // The closing entry carries the file entry's identifier, never its own name.
  EXPECT_EQ(withEntry.entries[3], (Entry{-4, NoFormName()}));

  ListCall without = GetList(0, 3, -9);
  EXPECT_EQ(without.result, 1);
  EXPECT_EQ(without.count, 3u);
  EXPECT_EQ(without.entries[3], (Entry{0, ""}));
}

TEST_F(FormListExportsTest, RangesSelectPartsOfTheList) {
  WriteAbc();
  ListCall firstTwo = GetList(0, 1, 0);
  EXPECT_EQ(firstTwo.count, 2u);
  EXPECT_EQ(firstTwo.entries, (std::vector<Entry>{{1, "A"}, {2, "B"}}));

  ListCall tail = GetList(2, 3, 0);
  EXPECT_EQ(tail.count, 2u);
  EXPECT_EQ(tail.entries, (std::vector<Entry>{{5, "C"}, {0, NoFormName()}}));

  ListCall beyond = GetList(10, 12, 0);
  EXPECT_EQ(beyond.result, 1);
  EXPECT_EQ(beyond.count, 1u);
  EXPECT_EQ(beyond.entries, (std::vector<Entry>{{0, NoFormName()}, {0, ""}, {0, ""}}));
}

TEST_F(FormListExportsTest, AnEmptyRangeWritesNothing) {
  WriteAbc();
  ListCall none = GetList(3, 2, 0, 2);
  EXPECT_EQ(none.result, 0);
  EXPECT_EQ(none.count, 0u);
  EXPECT_EQ(none.entries[0].id, 0x5A5A5A5A);
  EXPECT_TRUE(none.boxes.empty());
}

TEST_F(FormListExportsTest, ADamagedFileGivesTheClosingEntryAndNoRepair) {
  std::string file = FormListFile({{1, "A", "", 1, 0}}, {});
  file += '\0';
  WriteFormList(file);
  EXPECT_EQ(ZVGetFormListNum(), 1);
  ListCall silent = GetList(0, 0, 0);
  EXPECT_EQ(silent.count, 1u);
  EXPECT_EQ(silent.entries[0], (Entry{0, NoFormName()}));
  EXPECT_TRUE(silent.boxes.empty());

  ListCall loud = GetList(0, 1, 0);
  ASSERT_EQ(loud.boxes.size(), 1u);
  EXPECT_EQ(loud.boxes[0].text, MessageText(403));
  std::string after;
  ASSERT_TRUE(zvtest::ReadWholeFile(FormListPath(), &after));
  EXPECT_EQ(after, file);
}

TEST_F(FormListExportsTest, FailuresShowTheirBoxesAndGiveTheClosingEntry) {
  WriteAbc();
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(ZVGetFormListNum(), 0);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  ListCall noMemory = GetList(0, 0, 0);
  EXPECT_EQ(noMemory.count, 1u);
  ASSERT_EQ(noMemory.boxes.size(), 1u);  // shown even for one entry
  EXPECT_EQ(noMemory.boxes[0].text, MessageText(401));

  ASSERT_TRUE(zvtest::WriteWholeFile(SystemPath("ZVLMN3.DAT"), "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n"));
  EXPECT_EQ(ZVGetFormListNum(), 0);
  ListCall noPath = GetList(0, 3, 0);
  EXPECT_EQ(noPath.result, 1);
  EXPECT_EQ(noPath.entries[0], (Entry{0, NoFormName()}));
  ASSERT_EQ(noPath.boxes.size(), 1u);
  EXPECT_EQ(noPath.boxes[0].text, MessageText(404));
}

TEST_F(FormListExportsTest, ManyFormsAreListedAcrossBlocks) {
  std::vector<FormSpec> forms;
  for (int i = 0; i < 40; ++i) forms.push_back({100 + i, "F" + std::to_string(i), "", 1, 0});
  WriteFormList(FormListFile(forms, {}));
  ASSERT_EQ(ZVGetFormListNum(), 41);
  ListCall all = GetList(0, 40, 0);
  ASSERT_EQ(all.count, 41u);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(all.entries[i], (Entry{100 + i, "F" + std::to_string(i)}));
  EXPECT_EQ(all.entries[40], (Entry{0, NoFormName()}));
}

}  // namespace
