// The extended real used for every site value and computed coordinate.
#pragma once

#include <limits>

namespace rodscene {

// All arithmetic and every written digit assume the 80-bit x87 format:
// 64-bit significand with an explicit leading bit, 15-bit exponent.
static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the 80-bit extended format");
static_assert(std::numeric_limits<long double>::max_exponent == 16384,
              "long double must have a 15-bit exponent");
static_assert(std::numeric_limits<long double>::is_iec559,
              "long double must follow IEEE 754 rounding");

}  // namespace rodscene
