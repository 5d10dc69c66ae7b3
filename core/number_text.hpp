// Numbers as they are written in the configuration file.
#pragma once

#include <cstdint>

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
// Returns the value and sets *end to the end of the number, or sets *end to
// null when [first, last) does not start that way; parse_number then decides
// on the whole token.
//
// The value comes back in a register rather than through memory: an 80-bit
// store read back at once waits for the store to complete, which costs a
// number about as much as its parsing.
long double parse_simple_prefix(const char* first, const char* last,
                                const char** end);

// The common shape of a configuration's numbers, [sign] digits "." digits
// with at most 7 before the point and 15 after it, read a word at a time
// without a branch on the digit counts; the reader tries it before
// parse_simple_prefix. Needs plain_reach bytes readable from p. Returns the
// value and sets *end to the end of the number, or sets *end to null when the
// text has another shape.
inline constexpr int plain_reach = 25;
long double parse_plain_prefix(const char* p, const char** end);

// A number read a piece at a time, for tokens of any length: a bounded
// prefix of its significant digits, whether any nonzero digit follows it,
// and where the point stands. The exact decimal expansion of every value
// halfway between two neighbouring extended reals has at most 11515
// significant digits (an odd 65-bit integer times 2^-16446), so a value cut
// after kept_digits digits, with a 1 standing for a nonzero rest, rounds
// exactly as the whole does.
inline constexpr int kept_digits = 11520;
inline constexpr int max_word_letters = 8;  // "infinity"

enum class scan_state : unsigned char {
  start,            // nothing yet
  sign,             // after a leading sign
  mantissa,         // digits and at most one point
  exponent_mark,    // after E, D or Q
  exponent_sign,    // after the exponent's sign
  exponent_digits,  // in the exponent's digits
  word,             // letters of NaN, Inf or Infinity
  bad,              // cannot be a number any more
};

struct number_scan {
  scan_state state;
  bool negative, exponent_negative;
  bool seen_digit, seen_point;
  bool plain;   // digits only so far: a repeat count
  bool sticky;  // a nonzero digit past the kept ones
  int kept;     // digits in text[2 .. 2 + kept)
  int letters;
  std::int64_t point;     // value = 0.<digits> * 10^(point + exponent)
  std::int64_t exponent;  // saturating
  std::uint64_t whole;    // the value while plain, saturating
  char word[max_word_letters];
  char text[kept_digits + 32];  // "0." digits [1] "e" point
};

void start_scan(number_scan& s);

// Takes the next piece [first, last) of the token.
void scan_text(number_scan& s, const char* first, const char* last);

// The value of the whole token, with parse_number's syntax and rounding;
// false when it is no number.
bool scan_value(number_scan& s, long double* value);

// The token as a whole number of digits alone (no sign or point), as a
// repeat count is written; saturates far above any count a read can use.
bool scan_whole(const number_scan& s, std::uint64_t* whole);

}  // namespace rodscene
