#include "msdevmode/MsCatalogue.h"

#include <array>

#include "zqutil/TamorException.h"

namespace ms {
namespace {

constexpr const char* kSource = "complugins/mscatalogue";

// clang-format off
constexpr std::array<CatalogueRow, 36> kCatalogue = {{
    {0xF80,  true,  23, "FEAT_MS_ADV_PRINTING_FEATURES",          false, "%MetafileSpooling",       419, nullptr},
    {0xF80,  false, 10, "FEAT_MS_INTERNAL_SIDES_IMAGED",          true,  "Duplex",                  0,   nullptr},
    {0xF80,  false, 19, "FEAT_MS_INTERNAL_NUP",                   false, "%PagePerSheet",           0,   nullptr},
    {0xF80,  false, 20, "FEAT_MS_INTERNAL_BOOKLET",               false, "%PagePerSheet",           0,   nullptr},
    {0xF80,  true,  21, "FEAT_MS_PAGE_ORDER",                     false, "%PageOrder",              0,   nullptr},
    {0x180,  true,  3,  "FEAT_MS_ORIENTATION",                    true,  "Orientation",             0,   nullptr},
    {0x400,  true,  3,  "FEAT_MS_ORIENTATION",                    true,  "%Orientation",            0,   nullptr},
    {0x400,  true,  24, "FEAT_MS_PS_OUTPUT_FORMAT",               false, "%OutputFormat",           0,   nullptr},
    {0x400,  true,  27, "FEAT_MS_PS_MIRRORED_IMAGE",              false, "%Mirroring",              0,   nullptr},
    {0x2400, true,  28, "FEAT_MS_PS_NEGATIVE_IMAGE",              false, "%Negative",               0,   nullptr},
    {0x400,  true,  25, "FEAT_MS_PS_LANGUAGE_LEVEL",              false, "%OutputPSLevel",          0,   nullptr},
    {0x400,  true,  26, "FEAT_MS_PS_SEND_ERROR_HANDLER",          false, "%PSErrorHandler",         0,   nullptr},
    {0x400,  true,  29, "FEAT_MS_PS_TRUE_TYPE_DOWNLOAD_OPTION",   false, "%TTDownloadFormat",       0,   nullptr},
    {0x180,  true,  30, "FEAT_MS_UNI_PRINT_OPTIMIZATION",         false, "%TextAsGraphics",         0,   nullptr},
    {0xF80,  true,  11, "FEAT_MS_TRUE_TYPE_OPTION",               true,  nullptr,                   0,   nullptr},
    {0xF80,  true,  8,  "FEAT_MS_RESOLUTION",                     true,  "Resolution",              0,   nullptr},
    {0xF80,  true,  5,  "FEAT_MS_COPIES",                         true,  nullptr,                   0,   nullptr},
    {0xF80,  true,  6,  "FEAT_MS_COLLATION",                      true,  nullptr,                   0,   nullptr},
    {0x400,  true,  4,  "FEAT_MS_SCALE",                          true,  nullptr,                   0,   nullptr},
    {0x180,  true,  4,  "FEAT_MS_SCALE",                          true,  nullptr,                   0,   nullptr},
    {0x1F80, true,  9,  "FEAT_MS_COLOR_MODE",                     true,  nullptr,                   0,   nullptr},
    {0x2F80, true,  9,  "FEAT_MS_COLOR_MODE",                     true,  nullptr,                   0,   nullptr},
    {0x1F80, true,  15, "FEAT_MS_ICM_METHOD",                     true,  nullptr,                   0,   nullptr},
    {0x1F80, true,  16, "FEAT_MS_ICM_INTENT",                     true,  nullptr,                   0,   nullptr},
    {0xF80,  false, 12, "FEAT_MS_INTERNAL_PAPER_SIZE",            true,  nullptr,                   0,   nullptr},
    {0xF80,  false, 13, "FEAT_MS_INTERNAL_PAPER_WIDTH",           true,  nullptr,                   0,   nullptr},
    {0xF80,  false, 14, "FEAT_MS_INTERNAL_PAPER_LENGTH",          true,  nullptr,                   0,   nullptr},
    {0xF80,  false, 7,  "FEAT_MS_INTERNAL_INPUT_TRAY_DEFSOURCE",  true,  nullptr,                   0,   nullptr},
    {0xF80,  false, 17, "FEAT_MS_INTERNAL_MEDIA_TYPE",            true,  nullptr,                   0,   nullptr},
    {0,      false, 18, "FEAT_MS_INTERNAL_DITHER_TYPE",           true,  nullptr,                   0,   nullptr},
    {0,      false, 22, "FEAT_MS_INTERNAL_UNI_QUALITY_MACRO",     false, nullptr,                   0,   nullptr},
    {0x100,  true,  31, "FEAT_MS_UNI_GRAPHICS_MODE",              false, "GraphicsMode",            0,   nullptr},
    {0x180,  true,  32, "FEAT_MS_UNI_TRUE_TYPE_DOWNLOAD_OPTION",  false, "TmrTrueTypeFontDlOption", 0,   nullptr},
    {0x180,  false, 35, "FEAT_MS_INTERNAL_UNI_EDGE_TO_EDGE",      false, "TmrEdgeToEdge",           0,   u"TMR_GPD_EDGE_TO_EDGE"},
    {0x2180, true,  33, "FEAT_MS_UNI_HALFTONE",                   false, "TmrHalftone",             0,   nullptr},
    {0x1180, false, 34, "FEAT_MS_INTERNAL_UNI_COLOR_PRINTING_MODE", false, "ColorMode",             0,   nullptr},
}};

constexpr ValueRow kOrientationPs[] = {
    {1, 4010, u"Portrait", "Portrait"},
    {2, 4011, u"Landscape", "Landscape"},
    {3, 4012, u"Rotated Landscape", "RotatedLandscape"},
};
constexpr ValueRow kOrientationRaster[] = {
    {1, 4010, u"Portrait", "PORTRAIT"},
    {2, 4011, u"Landscape CC90", "LANDSCAPE_CC90"},
};
constexpr ValueRow kCollation[] = {
    {1, 4410, u"Collated", nullptr},
    {0, 4411, u"Uncollated", nullptr},
};
constexpr ValueRow kResolutionPs[] = {
    {39322200, 4023, u"600x600dpi", "600x600dpi"},
    {13107400, 4020, u"200x200dpi", "200x200dpi"},
    {19661100, 4021, u"300x300dpi", "300x300dpi"},
    {26214800, 4022, u"400x400dpi", "400x400dpi"},
    {39322800, 4024, u"600x1200dpi", "600x1200dpi"},
    {78643800, 4025, u"1200x600dpi", "1200x600dpi"},
    {78644400, 4026, u"1200x1200dpi", "1200x1200dpi"},
    {117966600, 4027, u"1800x1800dpi", "1800x1800dpi"},
    {157288800, 4028, u"2400x2400dpi", "2400x2400dpi"},
};
constexpr ValueRow kResolutionRaster[] = {
    {39322200, 4023, u"Res600x600", "Res600x600"},
    {13107400, 4020, u"Res200x200", "Res200x200"},
    {19661100, 4021, u"Res300x300", "Res300x300"},
    {26214800, 4022, u"Res400x400", "Res400x400"},
    {78644400, 4026, u"Res1200x1200", "Res1200x1200"},
    {157288800, 4028, u"Res2400x2400", "Res2400x2400"},
};
constexpr ValueRow kColor[] = {
    {2, 4970, u"Color", nullptr},
    {1, 4971, u"Monochrome", nullptr},
};
constexpr ValueRow kDuplexPs[] = {
    {1, 4420, u"Simplex", "None"},
    {2, 4421, u"Duplex Flip Long", "DuplexNoTumble"},
    {3, 4422, u"Duplex Flip Short", "DuplexTumble"},
};
constexpr ValueRow kDuplexRaster[] = {
    {1, 4420, u"Simplex", "NONE"},
    {3, 4422, u"Duplex Flip Short", "HORIZONTAL"},
    {2, 4421, u"Duplex Flip Long", "VERTICAL"},
};
constexpr ValueRow kTrueTypeOption[] = {
    {3, 4053, u"Substitute Device Font", nullptr},
    {2, 4051, u"Download Soft Font", nullptr},
};
constexpr ValueRow kIcmMethod[] = {
    {1, 4070, u"ICM Disabled", nullptr},
    {2, 4071, u"ICM by Host System", nullptr},
    {3, 4072, u"ICM by Print Driver", nullptr},
    {4, 4073, u"ICM by Device", nullptr},
};
constexpr ValueRow kIcmIntent[] = {
    {2, 4092, u"Constrast (Pictures)", nullptr},
    {1, 4093, u"Saturate (Graphics)", nullptr},
    {4, 4090, u"Abs Colorimetric (Proof)", nullptr},
    {3, 4091, u"Colorimetric (Match)", nullptr},
};
constexpr ValueRow kNup[] = {
    {0, 6240, u"1-Up", "1"},
    {1, 6241, u"2-Up", "2"},
    {2, 6242, u"4-Up", "4"},
    {3, 6243, u"6-Up", "6"},
    {4, 6244, u"9-Up", "9"},
    {5, 6245, u"16-Up", "16"},
    {0, 6240, u"1-Up (But Booklet)", "Booklet"},
};
constexpr ValueRow kBooklet[] = {
    {0, 4110, u"Booklet Off", "1"},
    {0, 4110, u"Booklet Off (But 2-Up)", "2"},
    {0, 4110, u"Booklet Off (But 4-Up)", "4"},
    {0, 4110, u"Booklet Off (But 6-Up)", "6"},
    {0, 4110, u"Booklet Off (But 9-Up)", "9"},
    {0, 4110, u"Booklet Off (But 16-Up)", "16"},
    {1, 4111, u"Booklet On", "Booklet"},
};
constexpr ValueRow kPageOrder[] = {
    {0, 4120, u"Normal", "FrontToBack"},
    {1, 4121, u"Reverse", "BackToFront"},
};
constexpr ValueRow kQualityMacro[] = {
    {1, 4131, u"Normal", nullptr},
    {2, 4132, u"Draft", nullptr},
    {0, 4130, u"Best", nullptr},
    {-1, 4133, u"Custom", nullptr},
};
constexpr ValueRow kMetafileSpooling[] = {
    {1, 4151, u"On", "True"},
    {0, 4150, u"Off", "False"},
};
constexpr ValueRow kOutputFormat[] = {
    {0, 4160, u"Speed", "Speed"},
    {1, 4161, u"Portability", "Portability"},
    {2, 4162, u"EPS", "EPS"},
    {3, 4163, u"Archive", "Archive"},
};
constexpr ValueRow kLanguageLevel[] = {
    {3, 4172, u"Level 3", "3"},
    {2, 4171, u"Level 2", "2"},
    {1, 4170, u"Level 1", "1"},
};
constexpr ValueRow kErrorHandler[] = {
    {1, 4181, u"On", "True"},
    {0, 4180, u"Off", "False"},
};
constexpr ValueRow kMirror[] = {
    {0, 4190, u"Off", "False"},
    {1, 4191, u"On", "True"},
};
constexpr ValueRow kNegative[] = {
    {0, 4200, u"Off", "False"},
    {1, 4201, u"On", "True"},
};
constexpr ValueRow kTrueTypeDownloadPs[] = {
    {0, 4210, u"Automatic", "Automatic"},
    {1, 4211, u"Outline", "Outline"},
    {2, 4212, u"Bitmap", "Bitmap"},
    {3, 4213, u"Native TrueType", "NativeTrueType"},
};
constexpr ValueRow kPrintOptimization[] = {
    {1, 4221, u"On", "False"},
    {0, 4220, u"Off", "True"},
};
constexpr ValueRow kGraphicsMode[] = {
    {0, 4231, u"Vector", "HPGL2MODE"},
    {1, 4230, u"Raster", "RASTERMODE"},
};
constexpr ValueRow kTrueTypeDownloadRaster[] = {
    {0, 4250, u"TrueType", "TTF_DOWNLOAD_AS_TRUETYPE"},
    {1, 4251, u"Bitmap", "TTF_DOWNLOAD_AS_BITMAP"},
    {2, 4252, u"None-Print As Graphics", "TTF_DOWNLOAD_NONE"},
};
constexpr ValueRow kHalftone[] = {
    {0, 4240, u"Greyscale HT Normal", "TMR_NORMAL_HT"},
    {1, 4241, u"Greyscale HT Hi-Contrast", "TMR_HIGH_CONTRAST_HT"},
    {2, 4242, u"Greyscale HT Hi-Brightness", "TMR_HIGH_BRIGHT_HT"},
};
constexpr ValueRow kColorPrintingMode[] = {
    {1, 4970, u"Color", "24bpp"},
    {0, 4971, u"Monochrome", "Mono"},
};
constexpr ValueRow kEdgeToEdge[] = {
    {0, 4260, u"Edge To Edge Off", "EDGE_TO_EDGE_OFF"},
    {1, 4261, u"Edge To Edge On", "EDGE_TO_EDGE_ON"},
};
// clang-format on

bool EqualsIgnoringCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    char ca = *a;
    char cb = *b;
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<char>(ca - 'A' + 'a');
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<char>(cb - 'A' + 'a');
    if (ca != cb) return false;
    if (ca == '\0') return true;
  }
}

}  // namespace

std::span<const CatalogueRow> Catalogue() {
  return kCatalogue;
}

ValueTable SelectValueTable(int feature, bool postScript, std::uint32_t pdlBits) {
  const bool raster = !postScript && (pdlBits & (kPdlRasterA | kPdlRasterB)) != 0;
  switch (feature) {
    case 3:
      return postScript ? ValueTable(kOrientationPs) : ValueTable(kOrientationRaster);
    case 6:
      return kCollation;
    case 8:
      if (postScript) return kResolutionPs;
      return raster ? ValueTable(kResolutionRaster) : ValueTable();
    case 9:
      return kColor;
    case 10:
      return postScript ? ValueTable(kDuplexPs) : ValueTable(kDuplexRaster);
    case 11:
      return kTrueTypeOption;
    case 15:
      return kIcmMethod;
    case 16:
      return kIcmIntent;
    case 19:
      return kNup;
    case 20:
      return kBooklet;
    case 21:
      return kPageOrder;
    case 22:
      return postScript ? ValueTable() : ValueTable(kQualityMacro);
    case 23:
      return kMetafileSpooling;
    case 24:
      return postScript ? ValueTable(kOutputFormat) : ValueTable();
    case 25:
      return postScript ? ValueTable(kLanguageLevel) : ValueTable();
    case 26:
      return postScript ? ValueTable(kErrorHandler) : ValueTable();
    case 27:
      return postScript ? ValueTable(kMirror) : ValueTable();
    case 28:
      return postScript ? ValueTable(kNegative) : ValueTable();
    case 29:
      return postScript ? ValueTable(kTrueTypeDownloadPs) : ValueTable();
    case 30:
      return postScript ? ValueTable() : ValueTable(kPrintOptimization);
    case 31:
      return postScript ? ValueTable() : ValueTable(kGraphicsMode);
    case 32:
      return postScript ? ValueTable() : ValueTable(kTrueTypeDownloadRaster);
    case 33:
      return postScript ? ValueTable() : ValueTable(kHalftone);
    case 34:
      return postScript ? ValueTable() : ValueTable(kColorPrintingMode);
    case 35:
      return postScript ? ValueTable() : ValueTable(kEdgeToEdge);
    default:
      return {};
  }
}

const ValueRow* FindRowByRaw(ValueTable table, int raw) {
  for (const ValueRow& row : table)
    if (row.raw == raw) return &row;
  return nullptr;
}

const ValueRow* FindRowByOption(ValueTable table, int option) {
  for (const ValueRow& row : table)
    if (row.option == option) return &row;
  return nullptr;
}

const ValueRow* FindRowByKeyword(ValueTable table, const char* keyword) {
  if (keyword == nullptr) return nullptr;
  for (const ValueRow& row : table)
    if (row.keyword != nullptr && EqualsIgnoringCase(row.keyword, keyword)) return &row;
  return nullptr;
}

int RawToOption(ValueTable table, int raw) {
  if (table.empty()) return raw;
  const ValueRow* row = FindRowByRaw(table, raw);
  return row != nullptr ? row->option : table.front().option;
}

int OptionToRaw(ValueTable table, int option, int feature) {
  if (table.empty()) return option;
  const ValueRow* row = FindRowByOption(table, option);
  if (row == nullptr)
    TamorThrow<ExceptionMicrosoftDevmodeValueMappingFailed>(
        kSource, __LINE__, "ms::OptionToRaw", CXString::Formatted(u"feature %d has no option %d", feature, option));
  return row->raw;
}

const ValueRow& KeywordToRow(ValueTable table, const char* keyword, int feature) {
  if (keyword == nullptr)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, __LINE__, "ms::KeywordToRow",
                                                    CXString::Formatted(u"keyword of feature %d", feature));
  const ValueRow* row = FindRowByKeyword(table, keyword);
  if (row == nullptr)
    TamorThrow<ExceptionMicrosoftDevmodeValueMappingFailed>(
        kSource, __LINE__, "ms::KeywordToRow",
        CXString::Formatted(u"feature %d has no option keyword %hs", feature, keyword));
  return *row;
}

}  // namespace ms
