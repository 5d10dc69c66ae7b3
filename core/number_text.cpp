#include "number_text.hpp"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace rodscene {
namespace {

// Exponent digits past this bound cannot change the result: any nonzero
// significand is then far outside the extended range either way.
constexpr std::int64_t exponent_cap = 1'000'000'000;

constexpr int max_fast_digits = 19;  // 10^19 - 1 < 2^64
constexpr int max_fast_exponent_digits = 4;

// Powers of ten exact in the extended format: 10^27 = 2^27 * 5^27 and
// 5^27 < 2^64. A product or quotient of w < 2^64 by one of them is a single
// correctly rounded operation.
constexpr int max_exact_pow10 = 27;
constexpr long double exact_pow10[max_exact_pow10 + 1] = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
    1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L,
    1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};

// Beyond these decimal points (value = 0.d1d2... * 10^point) the value is
// an infinity or a zero for any digits: 0.1 * 10^4934 exceeds the largest
// finite value (about 1.19e4932), and 10^-4952 is below half the smallest
// subnormal (about 3.65e-4951).
constexpr std::int64_t point_overflow = 4934;
constexpr std::int64_t point_underflow = -4952;

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

bool is_exponent_letter(char c) {
  char lower = static_cast<char>(c | 0x20);
  return lower == 'e' || lower == 'd' || lower == 'q';
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

// Whether the 8 bytes of `chunk` are all ASCII digits.
bool eight_digits(std::uint64_t chunk) {
  return ((chunk & 0xF0F0F0F0F0F0F0F0ull) |
          (((chunk + 0x0606060606060606ull) & 0xF0F0F0F0F0F0F0F0ull) >> 4)) ==
         0x3333333333333333ull;
}

// The value of 8 ASCII digits, first digit in the lowest byte: pairs, then
// quads, then the whole, each step combining neighbouring lanes.
std::uint64_t eight_digit_value(std::uint64_t chunk) {
  chunk = ((chunk & 0x0F0F0F0F0F0F0F0Full) * 2561) >> 8;
  chunk = ((chunk & 0x00FF00FF00FF00FFull) * 6553601) >> 16;
  return ((chunk & 0x0000FFFF0000FFFFull) * 42949672960001ull) >> 32;
}

// Appends the run of digits at p to w, which may wrap; returns its end.
// Runs of eight are taken a word at a time.
const char* take_digits(const char* p, const char* last, std::uint64_t* w) {
  std::uint64_t v = *w;
  std::uint64_t chunk;
  while (last - p >= 8 && (std::memcpy(&chunk, p, 8), eight_digits(chunk))) {
    v = v * 100000000 + eight_digit_value(chunk);
    p += 8;
  }
  for (; p != last && is_digit(*p); ++p) {
    v = v * 10 + static_cast<unsigned>(*p - '0');
  }
  *w = v;
  return p;
}

// The digits and point of a finite number, and its written exponent.
struct decimal {
  const char* first = nullptr;
  const char* last = nullptr;
  std::int64_t exponent = 0;
};

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

// Checks the syntax of a whole unsigned finite number.
bool parse_decimal(const char* p, const char* last, decimal* d) {
  d->first = p;
  bool seen_digit = false, seen_point = false;
  for (; p != last; ++p) {
    if (is_digit(*p)) {
      seen_digit = true;
    } else if (*p == '.' && !seen_point) {
      seen_point = true;
    } else {
      break;
    }
  }
  d->last = p;
  if (!seen_digit) return false;
  if (p == last) return true;
  if (is_exponent_letter(*p)) {
    ++p;
  } else if (*p != '+' && *p != '-') {
    return false;
  }
  return parse_exponent(p, last, &d->exponent);
}

// The platform's correctly rounded conversion, given the significant digits
// and an exponent short enough for any conversion routine.
long double convert(const decimal& d) {
  std::string digits;
  std::int64_t point = 0;  // value = 0.<digits> * 10^point
  bool seen_point = false;
  for (const char* p = d.first; p != d.last; ++p) {
    if (*p == '.') {
      seen_point = true;
    } else if (*p != '0' || !digits.empty()) {
      digits += *p;
      if (!seen_point) ++point;
    } else if (seen_point) {
      --point;  // a zero between the point and the first significant digit
    }
  }
  point += d.exponent;
  if (digits.empty() || point < point_underflow) return 0;
  if (point > point_overflow) {
    return std::numeric_limits<long double>::infinity();
  }
  std::string text = "0." + digits + "e" + std::to_string(point);
  return std::strtold(text.c_str(), nullptr);
}

}  // namespace

const char* parse_simple_prefix(const char* p, const char* last,
                                long double* value) {
  bool negative = false;
  if (p != last && (*p == '+' || *p == '-')) negative = *p++ == '-';
  const char* start = p;
  while (p != last && *p == '0')
    ++p;
  std::uint64_t w = 0;
  const char* run = p;
  p = take_digits(p, last, &w);
  std::int64_t significant = p - run;
  std::int64_t scale = 0;
  bool point = p != last && *p == '.';
  if (point) {
    const char* fraction = ++p;
    if (significant == 0) {  // zeros right after the point lead too
      while (p != last && *p == '0')
        ++p;
    }
    run = p;
    p = take_digits(p, last, &w);
    significant += p - run;
    scale = fraction - p;
  }
  bool any_digit = p - start > (point ? 1 : 0);
  if (!any_digit || significant > max_fast_digits) return nullptr;
  if (p != last && (is_exponent_letter(*p) || *p == '+' || *p == '-')) {
    if (is_exponent_letter(*p)) ++p;
    bool minus = false;
    if (p != last && (*p == '+' || *p == '-')) minus = *p++ == '-';
    int e = 0, n = 0;
    for (; p != last && is_digit(*p) && n <= max_fast_exponent_digits;
         ++p, ++n) {
      e = e * 10 + (*p - '0');
    }
    if (n == 0 || n > max_fast_exponent_digits) return nullptr;
    scale += minus ? -e : e;
  }
  long double m = 0;
  if (w != 0) {
    if (scale < -max_exact_pow10 || scale > max_exact_pow10) return nullptr;
    m = static_cast<long double>(w);
    m = scale >= 0 ? m * exact_pow10[scale] : m / exact_pow10[-scale];
  }
  *value = negative ? -m : m;
  return p;
}

bool parse_number(const char* first, const char* last, long double* value) {
  long double v;
  if (parse_simple_prefix(first, last, &v) != last) {
    const char* p = first;
    bool negative = false;
    if (p != last && (*p == '+' || *p == '-')) negative = *p++ == '-';
    if (p != last && ((*p | 0x20) == 'n' || (*p | 0x20) == 'i')) {
      return parse_word(p, last, negative, value);
    }
    decimal d;
    if (!parse_decimal(p, last, &d)) return false;
    v = negative ? -convert(d) : convert(d);
  }
  *value = v;
  return true;
}

}  // namespace rodscene
