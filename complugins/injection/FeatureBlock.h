// What the controller-family emitters share: framing a snippet as a feature
// block, turning a finished text into an injection entry, the table-driven
// emitter for one option feature, the job owner and the effective orientation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "injection/InjectionEntry.h"
#include "platform/win32.h"
#include "zqutil/CXString.h"

class AttributeBytesReader;
class MsFeatureManager;
class XOemPdev;

namespace renpsoem {

// A row of a feature's command table: the option value and the block it gives.
struct FeatureCommandEntry {
  std::uint32_t optionValue;
  const char16_t* keyword;  // without the leading '*'
  const char16_t* optionName;
  const char16_t* code;
};

// Formats `format`, whose only conversions are %s (and %%), with the texts.
// Unlike a plain Format the result is never cut: titles, names and job lists
// have no bound, and a cut snippet would leave the printer's PostScript
// unbalanced.
template <typename... Texts>
CXString FormatTexts(const char16_t* format, const Texts&... texts) {
  std::size_t room = std::char_traits<char16_t>::length(format) + 1;
  ((room += CXString(texts).GetLength()), ...);
  CXString text;
  text.FormatSized(room, format, CXString(texts).c_str()...);
  return text;
}
// The first row of a command table for an option value; null when it has none.
const FeatureCommandEntry* FindFeatureCommand(std::span<const FeatureCommandEntry> table, std::uint32_t optionValue);

// "\nfeaturebegin{\n%%BeginFeature: *<keyword> <option>\n\t<code>\n%% End Feature\n}featurecleanup\n"
CXString BuildFeatureBlock(const CXString& keyword, const CXString& option, const CXString& code);
// "\nfeaturebegin{\n%%BeginNonPPDFeature: *<keyword> <option>\n<option> <code>\n%%EndNonPPDFeature\n}featurecleanup\n"
CXString BuildNonPpdFeatureBlock(const CXString& keyword, const CXString& option, const CXString& code);

// Fills `entry` from a non-empty text; false (entry untouched) for an empty one.
bool MakeInjectionEntry(InjectionEntry& entry, const CXString& text, std::uint32_t injectionIndex, bool once);
// MakeInjectionEntry and, when it made one, append it to the list.
void AppendInjectionEntry(InjectionList& list, const CXString& text, std::uint32_t injectionIndex, bool once);

// At most one or two entries for one option feature: the product's own PDL
// commands when asked and found, else the table row's block (mode 0) or bare
// code (mode 1).
void EmitFeatureFromTable(HANDLE hPrinter, bool useProductCommands, int mode, AttributeBytesReader& settings,
                          std::uint32_t feature, const FeatureCommandEntry* table, std::size_t rowCount,
                          InjectionList& list, std::uint32_t injectionPoint);

// The job owner: feature 82 when set, else the user of the spooler's job record.
CXString ResolveJobOwner(HANDLE hPrinter, const XOemPdev& pdev, AttributeBytesReader& settings);

// The Windows orientation (4010 portrait, 4011 landscape), turned when N-up
// 2 or 6 or the booklet turns the sheet.
std::uint32_t GetEffectiveOrientation(HANDLE hPrinter, AttributeBytesReader& settings, MsFeatureManager& features);

}  // namespace renpsoem
