// Every damaged copy starts from the sound catalogue and breaks one thing.
// The texts a damaged offset depends on come first in their pools, so the
// offsets do not depend on the directory the catalogue is written to.
#include "damaged_catalogues.h"

#include <map>

#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "catalogue_check.h"
#include "support/catalogue_bytes.h"
#include "support/sandbox.h"

namespace zvtest {
namespace {

namespace fl = zv::form_list;
namespace gl = zv::group_list;
namespace gi = zv::group_info;
namespace k = zvcat::kind;
using Files = std::map<std::string, std::string>;

void Put16(std::string& b, uint32_t at, uint16_t v) {
  b.replace(at, 2, Bytes().U16(v).str());
}
void Put32(std::string& b, uint32_t at, uint32_t v) {
  b.replace(at, 4, Bytes().U32(v).str());
}
std::string Overlay(const std::string& description, const std::string& record) {
  return OverlayDataFile("INVOICE", description, record, "captured page data");
}

// INVOICE (id 1): group info _F1A.FGP by full path, overlays with a header, a
// raw one by full path, first text, edited and preview files. Letter (id 2):
// _F2A.FGP beside the group list. Memo (id 3): a save directory. File entries
// -1 "P" (an overlay data file) and -2 "C" (overlay number 7).
struct Catalogue {
  std::vector<FormSpec> named{{1, "INVOICE", "Monthly invoice", zv::kLayerFront, 2},
                              {2, "Letter", "Letter head", zv::kLayerBack, 0},
                              {3, "Memo", "", zv::kLayerFront, 3}};
  std::vector<FormSpec> fileEntries{{-1, "P", "", zv::kLayerFront, 4}, {-2, "C", "", zv::kLayerFront, 1}};
  std::vector<std::string> groupTexts;
  std::vector<GroupInfoEntry> entries{{DriverSettingsBlock().Record(zv::kLayerFront), 1},
                                      {At300().Record(zv::kLayerFront), 5},
                                      {InColour().Record(zv::kLayerFront), 3}};
  std::vector<std::string> texts;
  int32_t first = 0, edited = 2, preview = 4;

  explicit Catalogue(const std::string& dir)
      : groupTexts{"_F2A.FGP", "7", dir + "_F1A.FGP", dir, dir + "LOGO.ZLP"},
        texts{"ZVOVL", "_F1A0A.ZLP", "EDIT.ZLP", "_F1A0C.ZLP", "PREVIEW.ZLP", dir + "_F1A0B.ZLC"} {}

  Files Build() const {
    const std::string front = DriverSettingsBlock().Record(zv::kLayerFront);
    const std::string back = DriverSettingsBlock().Record(zv::kLayerBack);
    return {
        {"FORMS.FLT", FormListFile(named, fileEntries, 2)},
        {"GROUPS.GLT", GroupNameListFile(groupTexts)},
        {"_F1A.FGP", GroupInfoFile(entries, texts, first, edited, preview)},
        {"_F1A0A.ZLP", Overlay("Monthly invoice", front)},
        {"_F1A0B.ZLC", Bytes().U8(zv::overlay_data::kRawMarker).Text(zv::overlay_data::kSignature600).str()},
        {"_F1A0C.ZLP", Overlay("Monthly invoice", InColour().Record(zv::kLayerFront))},
        {"EDIT.ZLP", Overlay("edited", front)},
        {"PREVIEW.ZLP", Overlay("preview", front)},
        {"_F2A.FGP", GroupInfoFile({{back, 0}}, {"_F2A0A.ZLP"})},
        {"_F2A0A.ZLP", OverlayDataFile("Letter", "Letter head", back, "page")},
        {"LOGO.ZLP", OverlayDataFile("P", "", front, "page")}};
  }
};

void WriteFiles(const std::string& dir, const Files& files) {
  for (const auto& f : files) WriteWholeFile(dir + f.first, f.second);
}

constexpr long long Rec(uint32_t i, uint32_t field) {
  return fl::kHeaderSize + fl::kRecordSize * i + field;
}
constexpr long long Slot(uint32_t entry) {
  return gl::kOffsetTableOffset + gl::kTableSlotSize * entry;
}
constexpr uint32_t kPool = Slot(5);
constexpr uint32_t kTable = gi::kEntriesOffset + gi::kEntrySize * 3;
constexpr uint32_t kInfoPool = kTable + gi::kTableSlotSize * 6;
constexpr long long kCount = fl::kNamedCountOffset;
constexpr char kF[] = "FORMS.FLT", kG[] = "GROUPS.GLT", kI[] = "_F1A.FGP";
// What show prints of a list or group info file its readers refuse.
constexpr char kFD[] = "FORMS.FLT  (cannot be read: damaged", kGD[] = "GROUPS.GLT  (cannot be read: damaged",
               kID[] = "_F1A.FGP  (cannot be read: damaged";

// A row whose damage changes the catalogue's fields (C), or its bytes (F).
DamagedCatalogue Row(const char* name, const char* kind, const char* file, long long at, const char* form,
                     int status, const char* shows, void (*edit)(Catalogue&), void (*change)(Files&)) {
  return {name, kind, file, at, form, status, shows, [edit, change](const std::string& dir) {
            Catalogue c(dir);
            if (edit) edit(c);
            Files f = c.Build();
            if (change) change(f);
            WriteFiles(dir, f);
          }};
}
#define C(name, kind, file, at, form, status, shows, body) \
  Row(                                                     \
      #name, k::kind, file, at, form, status, shows, [](Catalogue& c) { body; }, nullptr)
#define F(name, kind, file, at, form, status, shows, body) \
  Row(#name, k::kind, file, at, form, status, shows, nullptr, [](Files& f) { body; })

std::vector<DamagedCatalogue> MakeTable() {
  return {
      F(FormListMissing, kCannotOpen, kF, -1, "1", 1, "FORMS.FLT  (missing", f.erase(kF)),
      F(GroupListMissing, kCannotOpen, kG, -1, "1", 1, "GROUPS.GLT  (missing", f.erase(kG)),
      F(FormListBadMagic, kBadMagic, kF, 0, "1", 1, kFD, f[kF][10] = 'f'),
      F(GroupListBadMagic, kBadMagic, kG, 0, "1", 1, kGD, f[kG][gl::kMagicSize - 1] = '1'),
      F(GroupInfoBadMagic, kBadMagic, kI, 0, "1", 1, kID, f[kI][0] = 'X'),
      F(FormListShort, kBadSize, kF, -1, "1", 1, kFD, f[kF].resize(fl::kHeaderSize - 1)),
      F(GroupListShort, kBadSize, kG, -1, "1", 1, kGD, f[kG].resize(gl::kMagicSize)),
      F(GroupInfoShort, kBadSize, kI, -1, "1", 1, kID, f[kI].resize(gi::kHeaderSize - 4)),
      F(FormListOneByteLong, kBadSize, kF, kCount, "1", 1, kFD, f[kF] += '\0'),
      F(FileEntryCountHigh, kBadSize, kF, kCount, "1", 1, kFD, Put16(f[kF], fl::kFileEntryCountOffset, 3)),
      F(LastRecordCut, kBadSize, kF, kCount, "1", 1, kFD, f[kF].resize(Rec(4, 145))),
      F(GroupPoolSizeHigh, kBadSize, kG, gl::kEntryCountOffset, "1", 1, kGD, f[kG][gl::kPoolSizeOffset]++),
      F(GroupInfoOneByteShort, kBadSize, kI, gi::kEntryCountOffset, "1", 1, kID, f[kI].pop_back()),
      C(NamedFormIdZero, kBadRecord, kF, Rec(0, fl::kIdOffset), "1", 1, "No form named or numbered \"1\".",
        c.named[0].id = 0),
      C(FileEntryIdPositive, kBadRecord, kF, Rec(3, fl::kIdOffset), "4", 0, "4 (file entry)",
        c.fileEntries[0].id = 4),
      C(FileEntryIdBelowRange, kBadRecord, kF, Rec(4, fl::kIdOffset), "-257", 0, "-257 (file entry)",
        c.fileEntries[1].id = -257),
      F(NameWithoutTerminator, kBadRecord, kF, Rec(0, fl::kNameOffset), "1", 0, " NNNNNNNN",
        f[kF].replace(Rec(0, fl::kNameOffset), zv::kFormNameSize, zv::kFormNameSize, 'N')),
      F(DescriptionWithoutTerminator, kBadRecord, kF, Rec(2, fl::kDescriptionOffset), "3", 0, " dddddddd",
        f[kF].replace(Rec(2, fl::kDescriptionOffset), 256, 256, 'd')),
      C(LayerThree, kBadRecord, kF, Rec(1, fl::kLayerOffset), "2", 0, " 3 (3)\n", c.named[1].layer = 3),
      C(DuplicateNamedId, kDuplicateId, kF, Rec(2, fl::kIdOffset), "2", 0, " Letter\n", c.named[2].id = 2),
      C(DuplicateFileEntryId, kDuplicateId, kF, Rec(4, fl::kIdOffset), "-1", 0, "   P\n",
        c.fileEntries[1].id = -1),
      C(DuplicateName, kDuplicateName, kF, Rec(2, fl::kNameOffset), "Letter", 0, " 2 (named form)",
        c.named[2].name = "Letter"),
      C(GroupIndexOutOfRange, kGroupIndexOutOfRange, kF, Rec(1, fl::kGroupIndexOffset), "2", 0,
        "(unreadable entry 5)", c.named[1].groupIndex = 5),
      C(SharedGroupEntry, kSharedGroupEntry, kF, Rec(4, fl::kGroupIndexOffset), "-2", 0, "   4\n",
        c.fileEntries[1].groupIndex = 4),
      // Memo's text names INVOICE's group info file beside the list, spelt otherwise.
      C(GroupInfoSharedByTwoForms, kSharedGroupInfo, kG, Slot(3), "3", 0, "\"_f1a.fgp\"",
        c.groupTexts[3] = "_f1a.fgp"),
      C(UnusedGroupEntry, kUnusedGroupEntry, kG, Slot(5), "1", 0, "Entries:              3",
        c.groupTexts.push_back("SPARE.FGP")),
      F(GroupTextOffsetOutsidePool, kTextOutOfPool, kG, Slot(0), "2", 0, "(unreadable entry 0)",
        Put32(f[kG], Slot(0), 0x10000)),
      F(GroupTextRunsPastPool, kTextOutOfPool, kG, kPool, "2", 0, "(unreadable entry 0)",
        Put16(f[kG], kPool, 0x7FFF)),
      C(GroupTextTooLong, kTextOutOfPool, kG, kPool + 2 + 8, "-2", 0, "(unreadable entry 1)",
        c.groupTexts[1] = std::string(plat::kMaxPath + 1, '7')),
      C(FirstStringIndexNegative, kStringIndexOutOfRange, kI, gi::kFirstStringOffset, "1", 0,
        "(unreadable string -2)", c.first = -2),
      C(EditedStringIndexPastTable, kStringIndexOutOfRange, kI, gi::kEditedFileStringOffset, "1", 0,
        "(unreadable string 6)", c.edited = 6),
      C(PreviewStringIndexPastTable, kStringIndexOutOfRange, kI, gi::kPreviewStringOffset, "1", 0,
        "(unreadable string 100)", c.preview = 100),
      C(EntryFileNameIndexPastTable, kStringIndexOutOfRange, kI,
        gi::kEntriesOffset + gi::kEntrySize + gi::kEntryFileNameOffset, "1", 0, "(unreadable string 6)",
        c.entries[1].second = 6),
      F(GroupInfoOffsetOutsidePool, kTextOutOfPool, kI, kTable + 8, "1", 0, "(unreadable string 2)",
        Put32(f[kI], kTable + 8, 0xFFFF)),
      F(GroupInfoTextRunsPastPool, kTextOutOfPool, kI, kInfoPool + 7, "1", 0, "(unreadable string 1)",
        Put16(f[kI], kInfoPool + 7, 0x1000)),
      C(GroupInfoTextTooLong, kTextOutOfPool, kI, kInfoPool + 19, "1", 0, "(unreadable string 2)",
        c.texts[2] = std::string(plat::kMaxPath - 3, 'E') + ".ZLP"),
      F(GroupInfoMissing, kGroupInfoMissing, kI, -1, "1", 1, "_F1A.FGP  (missing", f.erase(kI)),
      F(GroupInfoBesideListMissing, kGroupInfoMissing, "_F2A.FGP", -1, "2", 1, "_F2A.FGP  (missing",
        f.erase("_F2A.FGP")),
      F(OverlayMissing, kOverlayMissing, "_F1A0A.ZLP", -1, "1", 0, "_F1A0A.ZLP (missing",
        f.erase("_F1A0A.ZLP")),
      F(RawOverlayByFullPathMissing, kOverlayMissing, "_F1A0B.ZLC", -1, "1", 0, "_F1A0B.ZLC (missing",
        f.erase("_F1A0B.ZLC")),
      F(OverlayBesideListMissing, kOverlayMissing, "_F2A0A.ZLP", -1, "2", 0, "_F2A0A.ZLP (missing",
        f.erase("_F2A0A.ZLP")),
  };
}
#undef C
#undef F

}  // namespace

void WriteSoundCatalogue(const std::string& dir) {
  WriteFiles(dir, Catalogue(dir).Build());
}

const std::vector<DamagedCatalogue>& DamagedCatalogues() {
  static const std::vector<DamagedCatalogue> table = MakeTable();
  return table;
}

// Front: black, 600 dpi, printing mode 0, zoom 100, one page per sheet. Back:
// colour, 300 dpi, printing mode 2, two pages per sheet at zoom 71.
std::string ExampleRecord(int which) {
  const std::string block = DriverSettingsBlock().Record(zv::kLayerFront);
  zv::PrintSettings s{};
  zv::DecodePrintSettings(reinterpret_cast<const unsigned char*>(block.data()), &s);
  s.printingMode = 0;
  if (which == 1) s.layer = 2, s.resolution = 300, s.colour = 1, s.orientation = 2, s.printingMode = 2;
  if (which == 1) s.pagesPerSheet = 2, s.zoom = 71;
  return SettingsRecordBytes(s);
}

void WriteExampleCatalogue(const std::string& dir) {
  const std::string front = ExampleRecord(0);
  const Files files = {
      {"FORMS.FLT",
       FormListFile({{1, "INVOICE", "Invoice with logo", 1, 0}, {2, "Letter", "Letterhead", 2, 1}},
                    {{-1, "LOGO.ZLP", "Logo", 1, 2}, {-2, "SEAL", "Seal on printer", 1, 3}}, 2)},
      {"GROUPS.GLT", GroupNameListFile({kExampleGroupInfo, "D:\\LETTERS\\", "LOGO.ZLP", "7"})},
      {kExampleGroupInfo, GroupInfoFile({{front, 1}, {ExampleRecord(1), 2}},
                                        {"Plateau 2 (entr\xE9"
                                         "e)",
                                         "INV1.ZLP", "INV2.ZLC", "_F301A.PBF"},
                                        0, -1, 3)},
      {"INV1.ZLP", OverlayDataFile("INVOICE", "Invoice page 1", front, "page data")},
      {"INV2.ZLC",
       "\x1D"
       "0;0.24muE raw page"},
      {"INV2.ZLI", DescriptionCompanionFile("Invoice page 2, raw")},
      {"LOGO.ZLP", OverlayDataFile("LOGO.ZLP", "Logo", front, "page data")}};
  for (const auto& f : files) ASSERT_TRUE(WriteWholeFile(dir + f.first, f.second)) << f.first;
}

}  // namespace zvtest
