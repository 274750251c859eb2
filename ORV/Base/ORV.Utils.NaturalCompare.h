// The order in which people expect numbered names: "Lang9" before "Lang10".
#pragma once

#include <string_view>

namespace ORV {

// Compares A and B piece by piece: a run of decimal digits (ASCII or full-width) compares by
// its numeric value with the run at the same place of the other name, any other run with the
// user's locale order ignoring case; the name that runs out first sorts first. Equal values
// written differently ("007" and "7") compare equal as runs. Returns <0, 0 or >0.
int NaturalCompareText(std::u16string_view a, std::u16string_view b);

} // namespace ORV
