// The 21 significant decimal digits of an extended real.
#pragma once

#include <cstdint>

#include "extended.hpp"

namespace rodscene {

inline constexpr int field_digits = 21;

// 21 ASCII digits in three little-endian words, first digit lowest: the
// first five in the low bytes of `lead` (its top three bytes are zero), then
// eight in `middle` and eight in `tail`. Words rather than a byte array let
// the field be laid out with whole-word stores. `middle` and `tail` come
// first, so that they are stored as one 16-byte piece and the field's layout
// loads them as that same piece; a load that spans two stores waits for
// both.
struct digit_words {
  std::uint64_t middle;
  std::uint64_t tail;
  std::uint64_t lead;
};

// Rounds the magnitude m of the value x encodes to 21 significant decimal
// digits, to nearest with ties to even on its exact binary value. Returns the
// decimal exponent of the first digit: m ~ d0.d1...d20 * 10^exponent.
// Requires a finite value, not zero; its sign is ignored.
int decimal_digits(extended_bits x, digit_words* digits);

// The 8 decimal digits of v < 10^8 as ASCII, first digit in the lowest
// byte.
std::uint64_t eight_digit_text(std::uint32_t v);

}  // namespace rodscene
