// The string tables of both resource sets, read as the module reads them:
// each set holds exactly its messages, the English ones as quoted, the local
// ones in Spanish (code page 1252) with the same patterns and placeholders.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/platform.h"

namespace {

std::string Text(uint32_t id) {
  char buffer[512] = "";
  plat::LoadString(id, buffer, sizeof buffer);
  return buffer;
}

TEST(MessageTableTest, EachSetHoldsExactlyItsMessages) {
  std::set<uint32_t> local = {417, 418, 650}, english = {10415, 10416, 10417, 10602, 10618, 10650}, found[2];
  for (uint32_t id = 200; id <= 620; ++id) {
    const bool shared = (id <= 209) || (id >= 300 && id <= 320 && id != 317) || (id >= 400 && id <= 414) ||
                        (id >= 500 && id <= 502) || (id >= 600 && id != 602 && id != 618);
    if (shared) local.insert(id), english.insert(id + 10000);
  }
  for (uint32_t id = 0; id <= 999; ++id) {
    if (!Text(id).empty()) found[0].insert(id);
    if (!Text(id + 10000).empty()) found[1].insert(id + 10000);
  }
  EXPECT_EQ(found[0], local);
  EXPECT_EQ(found[1], english);
}

TEST(MessageTableTest, TextsStandAsQuoted) {
  const std::pair<uint32_t, std::string> rows[] = {
      {10200, "Undefined"},
      {10206, "Form File(*.ZLP)"},
      {10313, "&Add Form Name..."},
      {10320, " "},
      {10410,
       "There is already an overlay data file which matches the current overlay settings.\n"
       "Are you sure you want to replace?"},
      {10413, "Cannot create a form with more than %ld data elements."},
      {10613, "Failed to move file.\n Please check free disk space."},
      {400, "No se puede crar el overlay debido a insuficiente memoria libre."},
      {304, "Est\341ndar"},
      {502, "\277Desea eliminar el formulario indicado?"},
      {320, " "},
      {205, Text(10205)},
  };
  for (const auto& row : rows) EXPECT_EQ(Text(row.first), row.second) << row.first;
  for (uint32_t id : {413u, 414u}) EXPECT_NE(Text(id).find("%ld"), std::string::npos) << id;
  for (uint32_t id : {410u, 417u, 603u, 604u, 606u, 613u})
    EXPECT_NE(Text(id).find('\n'), std::string::npos) << id;
}

}  // namespace
