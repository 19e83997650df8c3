// The sound catalogue and its damaged copies, each built byte by byte. Every
// damaged copy starts from the sound one and breaks exactly one thing. The
// texts a damaged offset depends on come first in their pools, so that every
// expected offset is the same whatever directory the catalogue is written to.

#include "damaged_catalogues.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "catalogue/byte_order.h"
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

// Files of a catalogue: name within the directory, and contents.
using Files = std::vector<std::pair<std::string, std::string>>;

std::string& FileIn(Files& files, const std::string& name) {
  for (auto& file : files) {
    if (file.first == name) return file.second;
  }
  files.emplace_back(name, std::string());
  return files.back().second;
}

void Leave(Files& files, const std::string& name) {
  files.erase(
      std::remove_if(files.begin(), files.end(), [&](const auto& file) { return file.first == name; }),
      files.end());
}

void PutU16At(std::string& bytes, uint32_t offset, uint16_t value) {
  zv::PutU16(reinterpret_cast<unsigned char*>(&bytes[offset]), value);
}
void PutU32At(std::string& bytes, uint32_t offset, uint32_t value) {
  zv::PutU32(reinterpret_cast<unsigned char*>(&bytes[offset]), value);
}

// An overlay data file with the catalogue's header, and one of raw printer
// data.
std::string HeaderOverlay(const std::string& name, const std::string& description,
                          const std::string& record) {
  return Bytes()
             .U32(zv::overlay_header::kSize)
             .Fixed(name, zv::overlay_header::kNameSize)
             .Fixed(description, zv::overlay_header::kDescriptionSize)
             .Text(record)
             .str() +
         "captured page data";
}
std::string RawOverlay() {
  return Bytes()
      .U8(zv::overlay_data::kRawMarker)
      .Text(zv::overlay_data::kSignature600)
      .Text("raw page")
      .str();
}

// The sound catalogue, as fields that a damaged copy may change before the
// files are built:
// - INVOICE (id 1): its group info file _F1A.FGP named by a full path, three
//   overlays (two with a header, one raw named by a full path), a first
//   group text, an edited file and a preview;
// - Letter (id 2): its group info file named without a directory, so it lies
//   beside the group name list; one overlay;
// - Memo (id 3): no group yet, its group text is the save directory;
// - file entry -1 "P" naming an overlay data file, -2 "C" an overlay number.
struct Catalogue {
  std::vector<FormSpec> named;
  std::vector<FormSpec> fileEntries;
  std::vector<std::string> groupTexts;
  std::vector<GroupInfoEntry> invoiceEntries;
  std::vector<std::string> invoiceTexts;
  int32_t invoiceFirst = 0;
  int32_t invoiceEdited = 2;
  int32_t invoicePreview = 4;

  explicit Catalogue(const std::string& dir) {
    named = {{1, "INVOICE", "Monthly invoice", zv::kLayerFront, 2},
             {2, "Letter", "Letter head", zv::kLayerBack, 0},
             {3, "Memo", "", zv::kLayerFront, 3}};
    fileEntries = {{-1, "P", "", zv::kLayerFront, 4}, {-2, "C", "", zv::kLayerFront, 1}};
    groupTexts = {"_F2A.FGP", "7", dir + "_F1A.FGP", dir, dir + "LOGO.ZLP"};
    invoiceEntries = {{DriverSettingsBlock().Record(zv::kLayerFront), 1},
                      {At300().Record(zv::kLayerFront), 5},
                      {InColour().Record(zv::kLayerFront), 3}};
    invoiceTexts = {"ZVOVL", "_F1A0A.ZLP", "EDIT.ZLP", "_F1A0C.ZLP", "PREVIEW.ZLP", dir + "_F1A0B.ZLC"};
  }

  Files Build() const {
    Files files;
    files.emplace_back("FORMS.FLT", FormListFile(named, fileEntries, 2));
    files.emplace_back("GROUPS.GLT", GroupNameListFile(groupTexts));
    files.emplace_back(
        "_F1A.FGP", GroupInfoFile(invoiceEntries, invoiceTexts, invoiceFirst, invoiceEdited, invoicePreview));
    const std::string front = DriverSettingsBlock().Record(zv::kLayerFront);
    files.emplace_back("_F1A0A.ZLP", HeaderOverlay("INVOICE", "Monthly invoice", front));
    files.emplace_back("_F1A0B.ZLC", RawOverlay());
    files.emplace_back("_F1A0C.ZLP",
                       HeaderOverlay("INVOICE", "Monthly invoice", InColour().Record(zv::kLayerFront)));
    files.emplace_back("EDIT.ZLP", HeaderOverlay("INVOICE", "edited", front));
    files.emplace_back("PREVIEW.ZLP", HeaderOverlay("INVOICE", "preview", front));
    const std::string back = DriverSettingsBlock().Record(zv::kLayerBack);
    files.emplace_back("_F2A.FGP", GroupInfoFile({{back, 0}}, {"_F2A0A.ZLP"}));
    files.emplace_back("_F2A0A.ZLP", HeaderOverlay("Letter", "Letter head", back));
    files.emplace_back("LOGO.ZLP", HeaderOverlay("P", "", front));
    return files;
  }
};

void WriteFiles(const std::string& dir, const Files& files) {
  for (const auto& file : files) WriteWholeFile(dir + file.first, file.second);
}

// Offsets in the sound catalogue's files that do not depend on its directory.
constexpr long long Record(uint32_t index, uint32_t field) {
  return fl::kHeaderSize + fl::kRecordSize * index + field;
}
constexpr uint32_t kGroupEntries = 5;
constexpr long long GroupSlot(uint32_t entry) {
  return gl::kOffsetTableOffset + gl::kTableSlotSize * entry;
}
constexpr uint32_t kGroupPool = gl::kOffsetTableOffset + gl::kTableSlotSize * kGroupEntries;
constexpr uint32_t kGroupText1 = kGroupPool + gl::kTextLengthSize + 8;  // after "_F2A.FGP"
constexpr uint32_t kInvoiceEntries = 3;
constexpr uint32_t kInvoiceStrings = 6;
constexpr uint32_t kInvoiceTable = gi::kEntriesOffset + gi::kEntrySize * kInvoiceEntries;
constexpr uint32_t kInvoicePool = kInvoiceTable + gi::kTableSlotSize * kInvoiceStrings;
constexpr uint32_t kInvoiceText1 = kInvoicePool + 2 + 5;    // after "ZVOVL"
constexpr uint32_t kInvoiceText2 = kInvoiceText1 + 2 + 10;  // after "_F1A0A.ZLP"
constexpr long long EntryName(uint32_t entry) {
  return gi::kEntriesOffset + gi::kEntrySize * entry + gi::kEntryFileNameOffset;
}

// The sound files with one change made to their bytes.
template <typename Change>
void WriteChanged(const std::string& dir, Change change) {
  Files files = Catalogue(dir).Build();
  change(files);
  WriteFiles(dir, files);
}

std::vector<DamagedCatalogue> MakeTable() {
  using D = const std::string&;
  return {
      // Files that cannot be read at all.
      {"FormListMissing", zvcat::kind::kCannotOpen, "FORMS.FLT", -1,
       [](D dir) { WriteChanged(dir, [](Files& f) { Leave(f, "FORMS.FLT"); }); }},
      {"GroupListMissing", zvcat::kind::kCannotOpen, "GROUPS.GLT", -1,
       [](D dir) { WriteChanged(dir, [](Files& f) { Leave(f, "GROUPS.GLT"); }); }},

      // Headers.
      {"FormListBadMagic", zvcat::kind::kBadMagic, "FORMS.FLT", 0,
       [](D dir) { WriteChanged(dir, [](Files& f) { FileIn(f, "FORMS.FLT")[10] = 'f'; }); }},
      {"GroupListBadMagic", zvcat::kind::kBadMagic, "GROUPS.GLT", 0,
       [](D dir) { WriteChanged(dir, [](Files& f) { FileIn(f, "GROUPS.GLT")[gl::kMagicSize - 1] = '1'; }); }},
      {"GroupInfoBadMagic", zvcat::kind::kBadMagic, "_F1A.FGP", 0,
       [](D dir) { WriteChanged(dir, [](Files& f) { FileIn(f, "_F1A.FGP")[0] = 'X'; }); }},
      {"FormListShorterThanHeader", zvcat::kind::kBadSize, "FORMS.FLT", -1,
       [](D dir) {
         WriteChanged(dir, [](Files& f) { FileIn(f, "FORMS.FLT").resize(fl::kHeaderSize - 1); });
       }},
      {"GroupListShorterThanHeader", zvcat::kind::kBadSize, "GROUPS.GLT", -1,
       [](D dir) { WriteChanged(dir, [](Files& f) { FileIn(f, "GROUPS.GLT").resize(gl::kMagicSize); }); }},
      {"GroupInfoShorterThanHeader", zvcat::kind::kBadSize, "_F1A.FGP", -1,
       [](D dir) { WriteChanged(dir, [](Files& f) { FileIn(f, "_F1A.FGP").resize(gi::kHeaderSize - 4); }); }},

      // Sizes that disagree with the counts.
      {"FormListOneByteLong", zvcat::kind::kBadSize, "FORMS.FLT", fl::kNamedCountOffset,
       [](D dir) { WriteChanged(dir, [](Files& f) { FileIn(f, "FORMS.FLT") += '\0'; }); }},
      {"FormListFileEntryCountHigh", zvcat::kind::kBadSize, "FORMS.FLT", fl::kNamedCountOffset,
       [](D dir) {
         WriteChanged(dir, [](Files& f) { PutU16At(FileIn(f, "FORMS.FLT"), fl::kFileEntryCountOffset, 3); });
       }},
      {"FormListLastRecordCut", zvcat::kind::kBadSize, "FORMS.FLT", fl::kNamedCountOffset,
       [](D dir) {
         WriteChanged(dir, [](Files& f) { FileIn(f, "FORMS.FLT").resize(Record(4, fl::kRecordSize / 2)); });
       }},
      {"GroupListPoolSizeHigh", zvcat::kind::kBadSize, "GROUPS.GLT", gl::kEntryCountOffset,
       [](D dir) {
         WriteChanged(dir, [](Files& f) {
           std::string& bytes = FileIn(f, "GROUPS.GLT");
           PutU32At(bytes, gl::kPoolSizeOffset,
                    zv::GetU32(reinterpret_cast<unsigned char*>(&bytes[gl::kPoolSizeOffset])) + 1);
         });
       }},
      {"GroupInfoOneByteShort", zvcat::kind::kBadSize, "_F1A.FGP", gi::kEntryCountOffset,
       [](D dir) { WriteChanged(dir, [](Files& f) { FileIn(f, "_F1A.FGP").pop_back(); }); }},

      // Form records.
      {"NamedFormIdZero", zvcat::kind::kBadRecord, "FORMS.FLT", Record(0, fl::kIdOffset),
       [](D dir) {
         Catalogue c(dir);
         c.named[0].id = 0;
         WriteFiles(dir, c.Build());
       }},
      {"FileEntryIdPositive", zvcat::kind::kBadRecord, "FORMS.FLT", Record(3, fl::kIdOffset),
       [](D dir) {
         Catalogue c(dir);
         c.fileEntries[0].id = 4;
         WriteFiles(dir, c.Build());
       }},
      {"FileEntryIdBelowRange", zvcat::kind::kBadRecord, "FORMS.FLT", Record(4, fl::kIdOffset),
       [](D dir) {
         Catalogue c(dir);
         c.fileEntries[1].id = -257;
         WriteFiles(dir, c.Build());
       }},
      {"NameWithoutTerminator", zvcat::kind::kBadRecord, "FORMS.FLT", Record(0, fl::kNameOffset),
       [](D dir) {
         WriteChanged(dir, [](Files& f) {
           FileIn(f, "FORMS.FLT")
               .replace(Record(0, fl::kNameOffset), zv::kFormNameSize, zv::kFormNameSize, 'N');
         });
       }},
      {"DescriptionWithoutTerminator", zvcat::kind::kBadRecord, "FORMS.FLT",
       Record(2, fl::kDescriptionOffset),
       [](D dir) {
         WriteChanged(dir, [](Files& f) {
           FileIn(f, "FORMS.FLT")
               .replace(Record(2, fl::kDescriptionOffset), zv::kFormDescriptionSize, zv::kFormDescriptionSize,
                        'd');
         });
       }},
      {"LayerThree", zvcat::kind::kBadRecord, "FORMS.FLT", Record(1, fl::kLayerOffset),
       [](D dir) {
         Catalogue c(dir);
         c.named[1].layer = 3;
         WriteFiles(dir, c.Build());
       }},
      {"DuplicateNamedId", zvcat::kind::kDuplicateId, "FORMS.FLT", Record(2, fl::kIdOffset),
       [](D dir) {
         Catalogue c(dir);
         c.named[2].id = 2;
         WriteFiles(dir, c.Build());
       }},
      {"DuplicateFileEntryId", zvcat::kind::kDuplicateId, "FORMS.FLT", Record(4, fl::kIdOffset),
       [](D dir) {
         Catalogue c(dir);
         c.fileEntries[1].id = -1;
         WriteFiles(dir, c.Build());
       }},
      {"DuplicateName", zvcat::kind::kDuplicateName, "FORMS.FLT", Record(2, fl::kNameOffset),
       [](D dir) {
         Catalogue c(dir);
         c.named[2].name = "Letter";
         WriteFiles(dir, c.Build());
       }},
      {"GroupIndexOutOfRange", zvcat::kind::kGroupIndexOutOfRange, "FORMS.FLT",
       Record(1, fl::kGroupIndexOffset),
       [](D dir) {
         Catalogue c(dir);
         c.named[1].groupIndex = kGroupEntries;
         WriteFiles(dir, c.Build());
       }},
      {"SharedGroupEntry", zvcat::kind::kSharedGroupEntry, "FORMS.FLT", Record(4, fl::kGroupIndexOffset),
       [](D dir) {
         Catalogue c(dir);
         c.fileEntries[1].groupIndex = 4;
         WriteFiles(dir, c.Build());
       }},

      // Group name list entries.
      {"GroupInfoSharedByTwoForms", zvcat::kind::kSharedGroupInfo, "GROUPS.GLT", GroupSlot(3),
       [](D dir) {
         Catalogue c(dir);
         c.groupTexts[3] = "_f1a.fgp";  // beside the list: INVOICE's group, spelt otherwise
         WriteFiles(dir, c.Build());
       }},
      {"UnusedGroupEntry", zvcat::kind::kUnusedGroupEntry, "GROUPS.GLT", GroupSlot(kGroupEntries),
       [](D dir) {
         Catalogue c(dir);
         c.groupTexts.push_back("SPARE.FGP");
         WriteFiles(dir, c.Build());
       }},
      {"GroupTextOffsetOutsidePool", zvcat::kind::kTextOutOfPool, "GROUPS.GLT", GroupSlot(0),
       [](D dir) {
         WriteChanged(dir, [](Files& f) { PutU32At(FileIn(f, "GROUPS.GLT"), GroupSlot(0), 0x10000); });
       }},
      {"GroupTextRunsPastPool", zvcat::kind::kTextOutOfPool, "GROUPS.GLT", kGroupPool,
       [](D dir) {
         WriteChanged(dir, [](Files& f) { PutU16At(FileIn(f, "GROUPS.GLT"), kGroupPool, 0x7FFF); });
       }},
      {"GroupTextTooLong", zvcat::kind::kTextOutOfPool, "GROUPS.GLT", kGroupText1,
       [](D dir) {
         Catalogue c(dir);
         c.groupTexts[1] = std::string(plat::kMaxPath + 1, '7');
         WriteFiles(dir, c.Build());
       }},

      // Group info files.
      {"FirstStringIndexNegative", zvcat::kind::kStringIndexOutOfRange, "_F1A.FGP", gi::kFirstStringOffset,
       [](D dir) {
         Catalogue c(dir);
         c.invoiceFirst = -2;
         WriteFiles(dir, c.Build());
       }},
      {"EditedStringIndexPastTable", zvcat::kind::kStringIndexOutOfRange, "_F1A.FGP",
       gi::kEditedFileStringOffset,
       [](D dir) {
         Catalogue c(dir);
         c.invoiceEdited = kInvoiceStrings;
         WriteFiles(dir, c.Build());
       }},
      {"PreviewStringIndexPastTable", zvcat::kind::kStringIndexOutOfRange, "_F1A.FGP",
       gi::kPreviewStringOffset,
       [](D dir) {
         Catalogue c(dir);
         c.invoicePreview = 100;
         WriteFiles(dir, c.Build());
       }},
      {"EntryFileNameIndexPastTable", zvcat::kind::kStringIndexOutOfRange, "_F1A.FGP", EntryName(1),
       [](D dir) {
         Catalogue c(dir);
         c.invoiceEntries[1].second = kInvoiceStrings;
         WriteFiles(dir, c.Build());
       }},
      {"GroupInfoStringOffsetOutsidePool", zvcat::kind::kTextOutOfPool, "_F1A.FGP",
       kInvoiceTable + gi::kTableSlotSize * 2,
       [](D dir) {
         WriteChanged(dir, [](Files& f) {
           PutU32At(FileIn(f, "_F1A.FGP"), kInvoiceTable + gi::kTableSlotSize * 2, 0xFFFF);
         });
       }},
      {"GroupInfoTextRunsPastPool", zvcat::kind::kTextOutOfPool, "_F1A.FGP", kInvoiceText1,
       [](D dir) {
         WriteChanged(dir, [](Files& f) { PutU16At(FileIn(f, "_F1A.FGP"), kInvoiceText1, 0x1000); });
       }},
      {"GroupInfoTextTooLong", zvcat::kind::kTextOutOfPool, "_F1A.FGP", kInvoiceText2,
       [](D dir) {
         Catalogue c(dir);
         c.invoiceTexts[2] = std::string(plat::kMaxPath - 3, 'E') + ".ZLP";
         WriteFiles(dir, c.Build());
       }},
      {"GroupInfoMissing", zvcat::kind::kGroupInfoMissing, "_F1A.FGP", -1,
       [](D dir) { WriteChanged(dir, [](Files& f) { Leave(f, "_F1A.FGP"); }); }},
      {"GroupInfoBesideListMissing", zvcat::kind::kGroupInfoMissing, "_F2A.FGP", -1,
       [](D dir) { WriteChanged(dir, [](Files& f) { Leave(f, "_F2A.FGP"); }); }},

      // Overlay data files.
      {"OverlayMissing", zvcat::kind::kOverlayMissing, "_F1A0A.ZLP", -1,
       [](D dir) { WriteChanged(dir, [](Files& f) { Leave(f, "_F1A0A.ZLP"); }); }},
      {"RawOverlayByFullPathMissing", zvcat::kind::kOverlayMissing, "_F1A0B.ZLC", -1,
       [](D dir) { WriteChanged(dir, [](Files& f) { Leave(f, "_F1A0B.ZLC"); }); }},
      {"OverlayOfGroupBesideListMissing", zvcat::kind::kOverlayMissing, "_F2A0A.ZLP", -1,
       [](D dir) { WriteChanged(dir, [](Files& f) { Leave(f, "_F2A0A.ZLP"); }); }},
  };
}

}  // namespace

void WriteSoundCatalogue(const std::string& dir) {
  WriteFiles(dir, Catalogue(dir).Build());
}

const std::vector<DamagedCatalogue>& DamagedCatalogues() {
  static const std::vector<DamagedCatalogue> table = MakeTable();
  return table;
}

}  // namespace zvtest
