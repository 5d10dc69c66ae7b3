// Numbers as they are written in the configuration file.
#pragma once

#include "extended.hpp"

namespace rodscene {

// Converts the whole token [first, last) to an extended real.
//
// Accepted: an optional sign, then either
//   - digits with an optional decimal point that may stand first or last
//     (at least one digit), then an optional exponent: a letter E, D or Q
//     in either case followed by an optionally signed integer, or a signed
//     integer alone (1.5+3 is 1500); or
//   - one of the words NaN, Inf, Infinity in any letter case.
// The value is correctly rounded to nearest; magnitudes beyond the format's
// range become infinities and those below half its smallest subnormal
// become zeros of the token's sign. Returns false, leaving *value
// untouched, when the token is anything else.
bool parse_number(const char* first, const char* last, long double* value);

// The fast path of parse_number, for a number that may be followed by more
// text: the same syntax but for the words, with at most 19 significant
// digits (trailing zeros count) and at most 4 exponent digits, and a power of
// ten of at most 27 in magnitude, so that one correctly rounded
// multiplication or division by an exact power of ten gives the value.
// Returns the end of the number and sets *value, or returns null (and leaves
// *value alone) when [first, last) does not start that way; parse_number
// then decides on the whole token.
const char* parse_simple_prefix(const char* first, const char* last,
                                long double* value);

}  // namespace rodscene
