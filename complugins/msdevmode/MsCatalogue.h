// The catalogue of Windows devmode settings seen as data-model features, and
// the value tables that translate a raw Windows value into an option value
// (DataModelIds::ValueEnum) and back.
//
// Both are data: one constexpr array of catalogue rows and one per value
// table. Everything else (which rows apply to a printer, which table a feature
// gets) is computed from them here.
#pragma once

#include <cstdint>
#include <span>

namespace ms {

// One row of a value table. The first row of a table is its default.
struct ValueRow {
  int raw;
  int option;
  const char16_t* displayName;
  const char* keyword;  // the driver's option keyword; null where the driver has none
};
using ValueTable = std::span<const ValueRow>;

struct CatalogueRow {
  std::uint32_t pdlMask;
  bool inModel;  // offered to the data model
  int feature;
  const char* name;
  bool publicField;     // the setting lives in a public DEVMODEW field
  const char* keyword;  // IPrintCoreHelper feature keyword; null when none
  // A further reference carried by some rows (a number or a wide name); kept
  // with the row, not used by the mapping.
  int referenceNumber;
  const char16_t* referenceName;
};

inline constexpr std::uint32_t kPdlPostScript = 0x400;
inline constexpr std::uint32_t kPdlRasterA = 0x80;
inline constexpr std::uint32_t kPdlRasterB = 0x100;
inline constexpr std::uint32_t kPdlMask = 0xF80;
inline constexpr std::uint32_t kColorModeMask = 0x3000;
inline constexpr std::uint32_t kColorModeColor = 0x1000;
inline constexpr std::uint32_t kColorModeMonochrome = 0x2000;

std::span<const CatalogueRow> Catalogue();

// A row applies when it shares a PDL bit with the printer and, if it names a
// colour mode, names the printer's.
constexpr bool RowApplies(const CatalogueRow& row, std::uint32_t pdlBits, std::uint32_t colorMode) {
  if ((row.pdlMask & pdlBits & kPdlMask) == 0) return false;
  const std::uint32_t rowColor = row.pdlMask & kColorModeMask;
  return rowColor == 0 || rowColor == colorMode;
}

// The table of a feature for the printer's kind of driver; empty when the
// feature has none (a free integer, a paper feature, or a feature of the
// other kind of driver).
ValueTable SelectValueTable(int feature, bool postScript, std::uint32_t pdlBits);

// Lookups without failure; null when no row matches. Keywords match ignoring
// ASCII case.
const ValueRow* FindRowByRaw(ValueTable table, int raw);
const ValueRow* FindRowByOption(ValueTable table, int option);
const ValueRow* FindRowByKeyword(ValueTable table, const char* keyword);

// The mapping rules. A feature without a table passes raw values through.
// Raw to option: an unknown raw value maps to the first row's option.
int RawToOption(ValueTable table, int raw);
// Option to raw: an unknown option throws ExceptionMicrosoftDevmodeValueMappingFailed
// (a feature without a table passes the value through).
int OptionToRaw(ValueTable table, int option, int feature);
// Keyword to row: a null keyword throws ExceptionInvalidArgumentNullPointer,
// no match ExceptionMicrosoftDevmodeValueMappingFailed.
const ValueRow& KeywordToRow(ValueTable table, const char* keyword, int feature);

}  // namespace ms
