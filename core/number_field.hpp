// The fixed-width text of an extended real in a scene record.
#pragma once

#include "extended.hpp"

namespace rodscene {

inline constexpr int field_width = 30;

// Writes exactly field_width characters, no terminator:
//   NaN and infinities as "NaN", "Infinity", "-Infinity", right-justified;
//   magnitudes in [binary64 0.1, 10^21) and zero in F-form: 21 significant
//   digits (zero: "0." and 20 zeros) right-justified in 24, then 6 blanks;
//   all others in E-form d.<20 digits>E<sign><4 digits>, right-justified.
void number_field(long double v, char* out);

}  // namespace rodscene
