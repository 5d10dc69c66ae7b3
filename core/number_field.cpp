#include "number_field.hpp"

#include <cstdint>
#include <cstring>

#include "decimal_digits.hpp"

namespace rodscene {
namespace {

using u64 = std::uint64_t;

constexpr int max_biased = 0x7fff;  // exponent field of NaN and infinities

// The F-form range as (exponent field, significand) pairs: from the binary64
// value nearest 0.1, widened exactly (1.6 * 2^-4), up to 10^21 (its
// significand is 10^21 / 2^6, exact), excluded.
constexpr int f_lower_biased = 16383 - 4;
constexpr u64 f_lower_significand = 0xCCCCCCCCCCCCD000ull;
constexpr int f_upper_biased = 16383 + 69;
constexpr u64 f_upper_significand = 15625000000000000000ull;

bool in_f_range(int biased, u64 significand) {
  if (biased == f_lower_biased) return significand >= f_lower_significand;
  if (biased == f_upper_biased) return significand < f_upper_significand;
  return biased > f_lower_biased && biased < f_upper_biased;
}

// Every field has the same frame. F-form text ends at column 24, followed by
// 6 blanks; E-form text ends at column 30. With 21 digits each text has a
// fixed length, so every character has a fixed column:
//   F-form, m >= 1:  " [-]" digits "." digits      (sign in column 1)
//   F-form, m < 1:   "[-]0." 21 digits             (sign in column 0)
//   E-form:          " [-]d." 20 digits "E+eeee"   (sign in column 1)
// The digits go in with whole-word stores, each overwriting the spare
// bytes of the one before; the last ends at column 24.
constexpr char blank_field[] = "                              ";
constexpr char zero_field[] = "  0.00000000000000000000      ";

void store(char* p, u64 word) {
  std::memcpy(p, &word, 8);
}

// The five lead digits with a point after the first `whole` (0..5) of them.
u64 lead_with_point(u64 lead, int whole) {
  int cut = 8 * whole;
  u64 before = lead & ((u64{1} << cut) - 1);
  u64 after = lead >> cut << (cut + 8);
  return before | u64{'.'} << cut | after;
}

void word_field(const char* word, char* out) {
  std::size_t n = std::strlen(word);
  std::memcpy(out, blank_field, field_width);
  std::memcpy(out + field_width - n, word, n);
}

// Digits placed from column `at`, with the point after the first `whole`.
void put_digits(const digit_words& d, int whole, char* out, int at) {
  if (whole <= 5) {
    store(out + at, lead_with_point(d.lead, whole));
    store(out + at + 6, d.middle);
    store(out + at + 14, d.tail);
    return;
  }
  char text[24];
  store(text, d.lead);
  store(text + 5, d.middle);
  store(text + 13, d.tail);
  std::memcpy(out + at, text, static_cast<std::size_t>(whole));
  out[at + whole] = '.';
  std::memcpy(out + at + whole + 1, text + whole,
              static_cast<std::size_t>(field_digits - whole));
}

// A value in the F-form range: exponent is -1..20.
void f_field(bool negative, const digit_words& d, int exponent, char* out) {
  std::memcpy(out, blank_field, field_width);
  int whole = exponent + 1;  // digits before the point
  // The sign is a choice of byte, not of branch: it follows the data.
  char sign = negative ? '-' : ' ';
  if (whole == 0) {
    out[0] = sign;
    out[1] = '0';
  } else {
    out[1] = sign;
  }
  put_digits(d, whole, out, 2);
}

void e_field(bool negative, const digit_words& d, int exponent, char* out) {
  out[0] = ' ';
  out[1] = negative ? '-' : ' ';
  put_digits(d, 1, out, 2);
  out[24] = 'E';
  out[25] = exponent < 0 ? '-' : '+';
  unsigned e = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
  for (int i = 29; i >= 26; --i, e /= 10) {
    out[i] = static_cast<char>('0' + e % 10);
  }
}

// NaN, infinities and zeros, which have no digits to show; false for any
// other value.
[[gnu::noinline]] bool wordlike_field(const extended_bits& x, char* out) {
  u64 significand = x.significand;
  int biased = x.biased_exponent;
  // The processor treats an unnormal (exponent set, leading bit clear) as
  // an invalid operand, like a NaN; arithmetic never makes one.
  bool unnormal = biased != 0 && (significand >> 63) == 0;
  if (biased == max_biased || unnormal) {
    if (significand << 1 != 0 || unnormal) {
      word_field("NaN", out);
    } else {
      word_field(x.negative ? "-Infinity" : "Infinity", out);
    }
    return true;
  }
  if (significand != 0) return false;
  std::memcpy(out, zero_field, field_width);
  if (x.negative) out[1] = '-';
  return true;
}

}  // namespace

void number_field(long double v, char* out) {
  extended_bits x = bits_of(v);
  // The common case, told at once: a normal value in a binade that lies
  // wholly inside the F-form range, from 0.125 up to 2^69.
  constexpr unsigned inner_binades = f_upper_biased - f_lower_biased - 1;
  unsigned inner = static_cast<unsigned>(x.biased_exponent - f_lower_biased);
  bool common = inner - 1 < inner_binades && (x.significand >> 63) != 0;
  if (!common && wordlike_field(x, out)) return;
  digit_words d;
  int exponent = decimal_digits(x, &d);
  if (common || in_f_range(x.biased_exponent, x.significand)) {
    return f_field(x.negative, d, exponent, out);
  }
  e_field(x.negative, d, exponent, out);
}

}  // namespace rodscene
