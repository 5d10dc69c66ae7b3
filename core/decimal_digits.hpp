// The 21 significant decimal digits of an extended real.
#pragma once

#include "extended.hpp"

namespace rodscene {

inline constexpr int field_digits = 21;

// Rounds m to 21 significant decimal digits, to nearest with ties to even on
// its exact binary value, and writes them to digits[0..20]. Returns the
// decimal exponent of the first digit: m ~ d0.d1...d20 * 10^exponent.
// Requires m finite and greater than zero.
int decimal_digits(long double m, char* digits);

}  // namespace rodscene
