// What forms and --set accept beyond the canonical spellings, and the hints in refusals.
//
// Colours are written by forms as "0xAARRGGBB" and read in any of these spellings:
//   "0xAARRGGBB"   alpha first (hex digits in either case)
//   "#RRGGBB"      opaque
//   "#AARRGGBB"    alpha first, as in the 0x form (not CSS's #RRGGBBAA)
//   a name         the sixteen basic web colours and "transparent", in any letter case
// A misspelt name (of a property, class or enumeration member) is never taken for the near one:
// the message offers the nearest names and the input is refused.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Types.h"

namespace dw {

DW_API bool ParseColorText(std::string_view AText, TAlphaColor& AColor);
// The named colours in the order they are documented, with their values.
DW_API const std::vector<std::pair<const char*, TAlphaColor>>& NamedColors();
// The reason given for a text that is no colour: lists the spellings.
DW_API std::string ColorExpectation();

// Edit distance (insertions, deletions, substitutions and swaps of neighbours), ignoring case.
DW_API size_t EditDistance(std::string_view A, std::string_view B);
// The candidates nearest to AName, best first (at most AMax): those within a distance that
// grows with the name's length (1 for short names, up to a third of the longer name).
DW_API std::vector<std::string> NearestNames(std::string_view AName, const std::vector<std::string>& ACandidates,
                                      size_t AMax = 3);
// " (did you mean 'X' or 'Y'?)" for the nearest names, or "" when none is near.
DW_API std::string DidYouMean(std::string_view AName, const std::vector<std::string>& ACandidates);
// A name, key or token taken from the input, for a message: its first AMax characters (then
// "...") with control characters and invalid UTF-8 escaped, as PrintableText does.
DW_API std::string EchoText(std::string_view AText, size_t AMax = 80);
// "a, b, c" (the names in the order given).
DW_API std::string JoinNames(const std::vector<std::string>& ANames);

}  // namespace dw
