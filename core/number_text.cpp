#include "number_text.hpp"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace rodscene {
namespace {

// A written exponent saturates here: 10 * cap + 9 still fits 63 bits, and
// any nonzero significand is far outside the extended range either way.
constexpr std::int64_t exponent_cap = 100'000'000'000'000'000;

// A plain whole number (a repeat count) saturates here.
constexpr std::uint64_t whole_cap = std::uint64_t{1} << 60;

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

// Case-insensitive comparison of the letters [p, p + n) with a lower-case
// word.
bool equals_word(const char* p, int n, const char* word) {
  for (int i = 0; i < n; ++i, ++word) {
    if (*word == '\0' || (p[i] | 0x20) != *word) return false;
  }
  return *word == '\0';
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

std::uint64_t load_word(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

// How many of the 8 bytes of w, from the lowest, are ASCII digits before
// the first byte that is not. A byte below '0' borrows and one above '9'
// carries into the byte after it, which can only mark bytes past the first
// non-digit.
int leading_digits(std::uint64_t w) {
  std::uint64_t marks =
      ((w + 0x4646464646464646ull) | (w - 0x3030303030303030ull)) &
      0x8080808080808080ull;
  return marks == 0 ? 8 : std::countr_zero(marks) / 8;
}

// The value of the first n <= 8 digits of w: moved to the top bytes, with
// zero bytes (digit value 0) shifted in below them.
std::uint64_t digits_value(std::uint64_t w, int n) {
  int shift = 32 - 4 * n;  // two steps, as a shift by 64 is undefined
  return eight_digit_value(w << shift << shift);
}

struct pow10_table {
  std::uint64_t of[16];  // 10^n for the n <= 15 fraction digits of a word
  constexpr pow10_table() : of{} {
    of[0] = 1;
    for (int n = 1; n < 16; ++n)
      of[n] = of[n - 1] * 10;
  }
};
constexpr pow10_table pow10_u64;

}  // namespace

long double parse_plain_prefix(const char* p, const char** end) {
  *end = nullptr;
  bool negative = *p == '-';
  p += (*p == '-') | (*p == '+');
  std::uint64_t word = load_word(p);
  int whole = leading_digits(word);
  if (whole == 8 || p[whole] != '.') return 0;
  std::uint64_t w = digits_value(word, whole);
  const char* fraction = p + whole + 1;
  word = load_word(fraction);
  int n = leading_digits(word);
  w = w * pow10_u64.of[n] + digits_value(word, n);
  if (n == 8 && is_digit(fraction[8])) {
    word = load_word(fraction + 8);
    int more = leading_digits(word);
    if (more == 8) return 0;
    w = w * pow10_u64.of[more] + digits_value(word, more);
    n += more;
  }
  const char* stop = fraction + n;
  char next = *stop;
  if (whole + n == 0 || whole + n > max_fast_digits || next == '.' ||
      next == '+' || next == '-' || is_exponent_letter(next)) {
    return 0;
  }
  // w < 10^19 and 10^n are exact, so one division rounds correctly. The
  // sign goes on the integer, a choice of value rather than a branch on
  // the data, except where that would lose -0 or overflow.
  *end = stop;
  if (w == 0 || w >> 63 != 0) {
    long double m = static_cast<long double>(w) / exact_pow10[n];
    return negative ? -m : m;
  }
  std::uint64_t mask = 0 - static_cast<std::uint64_t>(negative);
  std::int64_t signed_w = static_cast<std::int64_t>((w ^ mask) - mask);
  return static_cast<long double>(signed_w) / exact_pow10[n];
}

long double parse_simple_prefix(const char* p, const char* last,
                                const char** end) {
  *end = nullptr;
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
  if (!any_digit || significant > max_fast_digits) return 0;
  if (p != last && (is_exponent_letter(*p) || *p == '+' || *p == '-')) {
    if (is_exponent_letter(*p)) ++p;
    bool minus = false;
    if (p != last && (*p == '+' || *p == '-')) minus = *p++ == '-';
    int e = 0, n = 0;
    for (; p != last && is_digit(*p) && n <= max_fast_exponent_digits;
         ++p, ++n) {
      e = e * 10 + (*p - '0');
    }
    if (n == 0 || n > max_fast_exponent_digits) return 0;
    scale += minus ? -e : e;
  }
  long double m = 0;
  if (w != 0) {
    if (scale < -max_exact_pow10 || scale > max_exact_pow10) return 0;
    m = static_cast<long double>(w);
    m = scale >= 0 ? m * exact_pow10[scale] : m / exact_pow10[-scale];
  }
  *end = p;
  return negative ? -m : m;
}

void start_scan(number_scan& s) {
  s.state = scan_state::start;
  s.negative = s.exponent_negative = s.seen_digit = s.seen_point = false;
  s.sticky = false;
  s.plain = true;
  s.kept = 0;
  s.letters = 0;
  s.point = s.exponent = 0;
  s.whole = 0;
}

namespace {

void take_mantissa_digit(number_scan& s, char c) {
  s.seen_digit = true;
  if (!s.seen_point && s.plain && s.whole < whole_cap) {
    s.whole = s.whole * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (s.kept == 0 && c == '0') {  // a leading zero
    if (s.seen_point) --s.point;
    return;
  }
  if (!s.seen_point) ++s.point;
  if (s.kept < kept_digits) {
    s.text[2 + s.kept++] = c;
  } else if (c != '0') {
    s.sticky = true;
  }
}

// One character of the token; the state turns bad on anything that cannot
// continue a number.
void scan_char(number_scan& s, char c) {
  switch (s.state) {
    case scan_state::start:
      if (c == '+' || c == '-') {
        s.negative = c == '-';
        s.plain = false;
        s.state = scan_state::sign;
        return;
      }
      [[fallthrough]];
    case scan_state::sign:
      if ((c | 0x20) == 'n' || (c | 0x20) == 'i') {
        s.state = scan_state::word;
        s.plain = false;
        s.word[s.letters++] = c;
        return;
      }
      s.state = scan_state::mantissa;
      [[fallthrough]];
    case scan_state::mantissa:
      if (is_digit(c)) return take_mantissa_digit(s, c);
      s.plain = false;
      if (c == '.' && !s.seen_point) {
        s.seen_point = true;
      } else if (s.seen_digit && is_exponent_letter(c)) {
        s.state = scan_state::exponent_mark;
      } else if (s.seen_digit && (c == '+' || c == '-')) {
        s.exponent_negative = c == '-';
        s.state = scan_state::exponent_sign;
      } else {
        s.state = scan_state::bad;
      }
      return;
    case scan_state::exponent_mark:
      if (c == '+' || c == '-') {
        s.exponent_negative = c == '-';
        s.state = scan_state::exponent_sign;
        return;
      }
      [[fallthrough]];
    case scan_state::exponent_sign:
    case scan_state::exponent_digits:
      if (!is_digit(c)) {
        s.state = scan_state::bad;
        return;
      }
      s.state = scan_state::exponent_digits;
      if (s.exponent < exponent_cap) s.exponent = s.exponent * 10 + (c - '0');
      return;
    case scan_state::word:
      if (s.letters == max_word_letters) {
        s.state = scan_state::bad;
        return;
      }
      s.word[s.letters++] = c;
      return;
    case scan_state::bad:
      return;
  }
}

// The platform's correctly rounded conversion of 0.<kept digits>[1] *
// 10^point, where a 1 past the kept digits stands for any nonzero tail.
long double convert(number_scan& s, std::int64_t point) {
  char* p = s.text + 2 + s.kept;
  if (s.sticky) *p++ = '1';
  *p++ = 'e';
  p = std::to_chars(p, s.text + sizeof s.text - 1, point).ptr;
  *p = '\0';
  s.text[0] = '0';
  s.text[1] = '.';
  return std::strtold(s.text, nullptr);
}

// Runs of digits that change nothing but the point and the sticky digit:
// zeros before the first significant digit, and every digit past the kept
// ones. A number of any length streams through here at memory speed.
const char* skip_digit_run(number_scan& s, const char* p, const char* last) {
  const char* q = p;
  if (s.kept == 0) {
    while (q != last && *q == '0')
      ++q;
    if (q != p) s.seen_digit = true;
    if (s.seen_point) s.point -= q - p;
  } else if (s.kept == kept_digits) {
    for (; q != last && is_digit(*q); ++q)
      s.sticky |= *q != '0';
    if (!s.seen_point) s.point += q - p;
  }
  return q;
}

}  // namespace

void scan_text(number_scan& s, const char* first, const char* last) {
  for (const char* p = first; p != last && s.state != scan_state::bad;) {
    if (s.state == scan_state::mantissa) {
      p = skip_digit_run(s, p, last);
      if (p == last) break;
    }
    scan_char(s, *p++);
  }
}

bool scan_value(number_scan& s, long double* value) {
  long double v;
  if (s.state == scan_state::word) {
    if (equals_word(s.word, s.letters, "nan")) {
      v = std::numeric_limits<long double>::quiet_NaN();
    } else if (equals_word(s.word, s.letters, "inf") ||
               equals_word(s.word, s.letters, "infinity")) {
      v = std::numeric_limits<long double>::infinity();
    } else {
      return false;
    }
  } else if ((s.state == scan_state::mantissa && s.seen_digit) ||
             s.state == scan_state::exponent_digits) {
    // Both terms are below 2^62 in magnitude, so the sum neither wraps nor
    // cancels a saturated exponent for any token shorter than 2^62 - 10^17
    // bytes.
    std::int64_t point =
        s.point + (s.exponent_negative ? -s.exponent : s.exponent);
    if (s.kept == 0 || point < point_underflow) {
      v = 0;
    } else if (point > point_overflow) {
      v = std::numeric_limits<long double>::infinity();
    } else {
      v = convert(s, point);
    }
  } else {
    return false;
  }
  *value = s.negative ? -v : v;
  return true;
}

bool scan_whole(const number_scan& s, std::uint64_t* whole) {
  if (s.state != scan_state::mantissa || !s.plain || !s.seen_digit) {
    return false;
  }
  *whole = s.whole;
  return true;
}

bool parse_number(const char* first, const char* last, long double* value) {
  const char* end;
  long double v = parse_simple_prefix(first, last, &end);
  if (end == last) {
    *value = v;
    return true;
  }
  number_scan scan;
  start_scan(scan);
  scan_text(scan, first, last);
  return scan_value(scan, value);
}

}  // namespace rodscene
