// The string tables of both resource sets, read as the module reads them
// (LoadStringA on the module's resources under Wine).
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

std::set<uint32_t> PresentIds(uint32_t first, uint32_t last) {
  std::set<uint32_t> ids;
  for (uint32_t id = first; id <= last; ++id) {
    if (!Text(id).empty()) ids.insert(id);
  }
  return ids;
}

std::set<uint32_t> Shared() {
  std::set<uint32_t> ids;
  for (uint32_t id = 200; id <= 209; ++id) ids.insert(id);
  for (uint32_t id = 300; id <= 320; ++id) {
    if (id != 317) ids.insert(id);
  }
  for (uint32_t id = 400; id <= 414; ++id) ids.insert(id);
  ids.insert(417);
  for (uint32_t id = 500; id <= 502; ++id) ids.insert(id);
  for (uint32_t id = 600; id <= 620; ++id) {
    if (id != 602 && id != 618) ids.insert(id);
  }
  ids.insert(650);
  return ids;
}

TEST(MessageTableTest, EachSetHoldsExactlyItsMessages) {
  std::set<uint32_t> local = Shared();
  local.insert(418);
  std::set<uint32_t> english;
  for (uint32_t id : Shared()) english.insert(id + 10000);
  for (uint32_t id : {415u, 416u, 602u, 618u}) english.insert(id + 10000);

  EXPECT_EQ(PresentIds(0, 999), local);
  EXPECT_EQ(PresentIds(10000, 10999), english);
}

TEST(MessageTableTest, EnglishTextsStandAsQuoted) {
  EXPECT_EQ(Text(10200), "Undefined");
  EXPECT_EQ(Text(10206), "Form File(*.ZLP)");
  EXPECT_EQ(Text(10207), "*.ZLP");
  EXPECT_EQ(Text(10313), "&Add Form Name...");
  EXPECT_EQ(Text(10320), " ");
  EXPECT_EQ(Text(10410),
            "There is already an overlay data file which matches the current overlay settings.\n"
            "Are you sure you want to replace?");
  EXPECT_EQ(Text(10412),
            "There are differences about paper size or printing orientation between the form name and "
            "the overlay data file. Please select a form which matches the overlay data file settings in "
            "regard to paper size and printing orientation. \n");
  EXPECT_EQ(Text(10413), "Cannot create a form with more than %ld data elements.");
  EXPECT_EQ(Text(10600),
            "You have not selected a form.  You will not be able to print overlay data. Do you want to "
            "change your settings?");
  EXPECT_EQ(Text(10603),
            "Cannot find the overlay file which matches the current driver settings.\nIf you do not select "
            "a new one, you will not able to print overlay data. Do you want to change your settings?");
  EXPECT_EQ(Text(10613), "Failed to move file.\n Please check free disk space.");
  EXPECT_EQ(Text(10650),
            "An Edit Form dialog box from a different printer driver is currently open. You can open only "
            "one Edit Form dialog box at a time.");
}

TEST(MessageTableTest, LocalTextsAreSpanishInCodePage1252) {
  EXPECT_EQ(Text(400), "No se puede crar el overlay debido a insuficiente memoria libre.");
  EXPECT_EQ(Text(418), "El nombre del fichero es demasiado largo. Escriba un nombre m\341s corto.");
  EXPECT_EQ(Text(304), "Est\341ndar");
  EXPECT_EQ(Text(502), "\277Desea eliminar el formulario indicado?");
  // The patterns and placeholders are the same as in English.
  EXPECT_EQ(Text(205), Text(10205));
  EXPECT_NE(Text(413).find("%ld"), std::string::npos);
  EXPECT_NE(Text(414).find("%ld"), std::string::npos);
  EXPECT_EQ(Text(320), " ");
  // Line breaks where the English text has them.
  for (uint32_t id : {410u, 417u, 603u, 604u, 606u, 613u}) {
    EXPECT_NE(Text(id).find('\n'), std::string::npos) << id;
  }
}

}  // namespace
