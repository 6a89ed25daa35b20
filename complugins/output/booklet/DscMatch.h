// How the booklet writer recognises the DSC comment lines it acts on.
//
// A line is given without its line end. Keywords match byte for byte at the
// start of the line, and only white space may follow them, except for
// "%%BeginDocument" (its arguments vary) and the two case-blind prefixes
// "%%Page:" and "%!PS-Adobe-".
#pragma once

#include <cstdint>
#include <string_view>

namespace booklet {

inline constexpr std::string_view kBeginProlog = "%%BeginProlog";
inline constexpr std::string_view kBeginSetup = "%%BeginSetup";
inline constexpr std::string_view kEndSetup = "%%EndSetup";
inline constexpr std::string_view kBeginPageSetup = "%%BeginPageSetup";
inline constexpr std::string_view kEndPageSetup = "%%EndPageSetup";
inline constexpr std::string_view kBeginDocument = "%%BeginDocument";
inline constexpr std::string_view kEndDocument = "%%EndDocument";
inline constexpr std::string_view kTrailer = "%%Trailer";
inline constexpr std::string_view kEndOfFile = "%%EOF";
inline constexpr std::string_view kProcsetMarker = "%%TMR X3DBMIncluded";
inline constexpr std::string_view kSeparatorEnd = "%!PS-Adobe-3.0 TMR Separator File End Job Begin";

bool MatchDscLine(std::string_view keyword, std::string_view line);
// Bytes that may stand before the separator line's "%": blanks and the 0x04
// that ends a previous job.
inline constexpr bool IsLineIndent(char c) {
  return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\x04';
}
// The separator line, also after an indent.
bool IsSeparatorLine(std::string_view line);
bool IsPageLine(std::string_view line);
bool IsPsAdobeLine(std::string_view line);

// The packed size (BookletGeometry.h) of the first "/PageSize [w h]" on the
// line, or 0. Numbers may carry a fraction, which is dropped; a size counts
// only when both numbers are positive, their low 16 bits are not zero and a
// "]" closes the pair.
std::uint32_t FindPageSize(std::string_view line);

}  // namespace booklet
