#include "number_text.hpp"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace rodscene {
namespace {

// A finite number split into its significant digits and a power of ten:
// value = 0.d1d2...dn * 10^point, with d1 != 0 unless n == 0.
struct decimal {
  bool negative = false;
  std::string digits;
  std::int64_t point = 0;
};

// Exponent digits past this bound cannot change the result: any nonzero
// significand is then far outside the extended range either way.
constexpr std::int64_t exponent_cap = 1'000'000'000;

// Beyond these decimal points the value is an infinity or a zero for any
// significand: 0.1 * 10^4934 exceeds the largest finite value (about
// 1.19e4932), and 10^-4952 is below half the smallest subnormal (about
// 3.65e-4951). Inside them the platform's conversion gets a short exponent.
constexpr std::int64_t point_overflow = 4934;
constexpr std::int64_t point_underflow = -4952;

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// Case-insensitive comparison of [p, last) with a lower-case word.
bool equals_word(const char* p, const char* last, const char* word) {
  for (; p != last; ++p, ++word) {
    if (*word == '\0' || (*p | 0x20) != *word) return false;
  }
  return *word == '\0';
}

bool parse_word(const char* p, const char* last, bool negative,
                long double* value) {
  long double v;
  if (equals_word(p, last, "nan")) {
    v = std::numeric_limits<long double>::quiet_NaN();
  } else if (equals_word(p, last, "inf") || equals_word(p, last, "infinity")) {
    v = std::numeric_limits<long double>::infinity();
  } else {
    return false;
  }
  *value = negative ? -v : v;
  return true;
}

// Reads an exponent's digits, saturating at exponent_cap.
bool parse_exponent(const char* p, const char* last, std::int64_t* exponent) {
  bool negative = false;
  if (p != last && (*p == '+' || *p == '-')) negative = *p++ == '-';
  if (p == last) return false;
  std::int64_t e = 0;
  for (; p != last; ++p) {
    if (!is_digit(*p)) return false;
    if (e < exponent_cap) e = e * 10 + (*p - '0');
  }
  *exponent = negative ? -e : e;
  return true;
}

// Checks the syntax of a finite number and splits it into a decimal.
bool parse_decimal(const char* p, const char* last, decimal* d) {
  std::int64_t point = 0;
  bool seen_digit = false;
  bool seen_point = false;
  for (; p != last; ++p) {
    if (is_digit(*p)) {
      seen_digit = true;
      if (*p != '0' || !d->digits.empty()) d->digits += *p;
      if (!seen_point && !d->digits.empty()) ++point;
      if (seen_point && d->digits.empty()) --point;
    } else if (*p == '.' && !seen_point) {
      seen_point = true;
    } else {
      break;
    }
  }
  if (!seen_digit) return false;
  std::int64_t exponent = 0;
  if (p != last) {
    char letter = static_cast<char>(*p | 0x20);
    if (letter == 'e' || letter == 'd' || letter == 'q') {
      ++p;
    } else if (*p != '+' && *p != '-') {
      return false;
    }
    if (!parse_exponent(p, last, &exponent)) return false;
  }
  d->point = point + exponent;
  return true;
}

long double to_extended(const decimal& d) {
  long double magnitude;
  if (d.digits.empty() || d.point < point_underflow) {
    magnitude = 0;
  } else if (d.point > point_overflow) {
    magnitude = std::numeric_limits<long double>::infinity();
  } else {
    std::string text = "0." + d.digits + "e" + std::to_string(d.point);
    magnitude = std::strtold(text.c_str(), nullptr);
  }
  return d.negative ? -magnitude : magnitude;
}

}  // namespace

bool parse_number(const char* first, const char* last, long double* value) {
  const char* p = first;
  bool negative = false;
  if (p != last && (*p == '+' || *p == '-')) negative = *p++ == '-';
  if (p != last && ((*p | 0x20) == 'n' || (*p | 0x20) == 'i')) {
    return parse_word(p, last, negative, value);
  }
  decimal d;
  d.negative = negative;
  if (!parse_decimal(p, last, &d)) return false;
  *value = to_extended(d);
  return true;
}

}  // namespace rodscene
