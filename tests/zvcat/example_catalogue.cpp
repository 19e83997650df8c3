#include "zvcat/example_catalogue.h"

#include <gtest/gtest.h>

#include "support/catalogue_bytes.h"
#include "support/sandbox.h"

namespace zvtest {
namespace {

const char* const kFiles[] = {kExampleFormList, kExampleGroupList, kExampleGroupInfo, "INV1.ZLP",
                              "INV2.ZLC",       "INV2.ZLI",        "LOGO.ZLP",        nullptr};

std::string OverlayHeaderFile(const std::string& name, const std::string& description,
                              const zv::PrintSettings& settings) {
  return Bytes().U32(319).Fixed(name, 25).Fixed(description, 256).str() + SettingsRecordBytes(settings) +
         "page data";
}

}  // namespace

zv::PrintSettings ExampleFrontRecord() {
  zv::PrintSettings s{};
  s.mark = 1;
  s.layer = 1;
  s.modeLevel = 3;
  s.modelId = 7;
  s.paperWidth = 2100;
  s.paperHeight = 2970;
  s.paperCode = 9;
  s.orientation = 1;
  s.resolution = 600;
  s.colour = 2;
  s.printingMode = 0;
  s.pagesPerSheet = 0;
  s.outputWidth = 2200;
  s.outputHeight = 3000;
  s.outputCode = 9;
  s.zoom = 100;
  return s;
}

zv::PrintSettings ExampleBackRecord() {
  zv::PrintSettings s = ExampleFrontRecord();
  s.layer = 2;
  s.resolution = 300;
  s.colour = 1;
  s.printingMode = 2;
  s.pagesPerSheet = 2;
  s.orientation = 2;
  s.zoom = 71;
  return s;
}

void WriteExampleCatalogue(const std::string& dir) {
  ASSERT_TRUE(WriteWholeFile(
      dir + kExampleFormList,
      FormListFile({{1, "INVOICE", "Invoice with logo", 1, 0}, {2, "Letter", "Letterhead", 2, 1}},
                   {{-1, "LOGO.ZLP", "Logo", 1, 2}, {-2, "SEAL", "Seal on printer", 1, 3}}, 2)));
  ASSERT_TRUE(WriteWholeFile(dir + kExampleGroupList,
                             GroupNameListFile({kExampleGroupInfo, "D:\\LETTERS\\", "LOGO.ZLP", "7"})));
  ASSERT_TRUE(
      WriteWholeFile(dir + kExampleGroupInfo, GroupInfoFile({{SettingsRecordBytes(ExampleFrontRecord()), 1},
                                                             {SettingsRecordBytes(ExampleBackRecord()), 2}},
                                                            {"Plateau 2 (entr\xE9"
                                                             "e)",
                                                             "INV1.ZLP", "INV2.ZLC", "_F301A.PBF"},
                                                            0, -1, 3)));
  ASSERT_TRUE(
      WriteWholeFile(dir + "INV1.ZLP", OverlayHeaderFile("INVOICE", "Invoice page 1", ExampleFrontRecord())));
  ASSERT_TRUE(WriteWholeFile(dir + "INV2.ZLC", std::string("\x1D") + "0;0.24muE raw page"));
  ASSERT_TRUE(WriteWholeFile(dir + "INV2.ZLI", Bytes().Zeros(32).Fixed("Invoice page 2, raw", 256).str()));
  ASSERT_TRUE(WriteWholeFile(dir + "LOGO.ZLP", OverlayHeaderFile("LOGO.ZLP", "Logo", ExampleFrontRecord())));
}

const char* const* ExampleCatalogueFiles() {
  return kFiles;
}

}  // namespace zvtest
