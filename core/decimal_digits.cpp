#include "decimal_digits.hpp"

#include <emmintrin.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rodscene {
namespace {

using u64 = std::uint64_t;
__extension__ using u128 = unsigned __int128;

// The exact path covers binary exponents b (m in [2^b, 2^(b+1))) from
// fast_b_min to fast_b_max: m in [2^-116, 2^69), about [1.2e-35, 5.9e20).
// That holds every F-form value below 5.9e20 and every small coordinate a
// configuration of sites produces; the rest goes to the platform's exact
// conversion. Within it the decimal exponent estimate k lies in [-35, 20],
// so the scale 10^s = 5^s * 2^s with s = 20 - k in [0, 55] has 5^s < 2^128,
// and the product m * 10^s = M * 5^s / 2^(63 - b - s) has a shift in
// [-5, 124].
constexpr int fast_b_min = -116;
constexpr int fast_b_max = 68;
constexpr int max_scale = 55;

constexpr u128 ten_pow_20 = u128{10000000000} * 10000000000;
constexpr u128 ten_pow_21 = ten_pow_20 * 10;

struct pow5_table {
  u128 p[max_scale + 1];
  constexpr pow5_table() : p{} {
    p[0] = 1;
    for (int s = 1; s <= max_scale; ++s)
      p[s] = p[s - 1] * 5;
  }
};
constexpr pow5_table pow5;

static_assert(pow5.p[max_scale] / 5 == pow5.p[max_scale - 1],
              "5^55 must not wrap around 2^128");

// floor(b * log10(2)): 78913 / 2^18 is log10(2) to within 2^-19, close
// enough for |b| <= 1650; checked below over the range used.
constexpr int floor_log10_pow2(int b) {
  return (b * 78913) >> 18;
}

constexpr u128 pow10(int n) {
  return pow5.p[n] << n;
}  // n <= 38

// 10^k <= 2^b < 10^(k+1) for k = floor_log10_pow2(b), b in the exact range.
constexpr bool log10_estimate_holds() {
  for (int b = fast_b_min; b <= fast_b_max; ++b) {
    int k = floor_log10_pow2(b);
    bool holds =
        b >= 0 ? pow10(k) <= u128{1} << b && u128{1} << b < pow10(k + 1)
               : pow10(-k - 1) < u128{1} << -b && u128{1} << -b <= pow10(-k);
    if (!holds) return false;
  }
  return true;
}
static_assert(log10_estimate_holds());

// m * 10^s for m = M * 2^(b-63): P / 2^shift with P = M * 5^s held in
// 192 bits as top * 2^128 + bottom.
struct scaled {
  u128 bottom;
  u64 top;
  int shift;
};

scaled scale(u64 significand, int b, int s) {
  u128 five = pow5.p[s];
  u128 low = u128{significand} * static_cast<u64>(five);
  u128 high = u128{significand} * static_cast<u64>(five >> 64);
  scaled v;
  v.bottom = low + (high << 64);
  v.top = static_cast<u64>(high >> 64) + (v.bottom < low ? 1 : 0);
  v.shift = 63 - b - s;
  return v;
}

// floor(P / 2^shift), known to be below 2^70.
u128 quotient(const scaled& v) {
  if (v.shift <= 0) return v.bottom << -v.shift;
  return v.bottom >> v.shift | u128{v.top} << (128 - v.shift);
}

// Rounds floor(P / 2^shift) to nearest, ties to even.
u128 rounded(const scaled& v, u128 d) {
  if (v.shift <= 0) return d;
  u128 half = u128{1} << (v.shift - 1);
  u128 rest = v.bottom & ((half << 1) - 1);
  return rest > half || (rest == half && (d & 1) != 0) ? d + 1 : d;
}

// 10^20 <= round(m * 10^(20-k)) < 10^21 for any b in the exact range, with
// k corrected from its estimate.
[[gnu::noinline]] u128 scaled_digits(u64 significand, int b, int* k) {
  scaled x = scale(significand, b, 20 - *k);
  u128 d = quotient(x);
  if (d >= ten_pow_21) {  // m >= 10^(k+1): one digit fewer after the point
    ++*k;
    x = scale(significand, b, 20 - *k);
    d = quotient(x);
  }
  // No extended value in range rounds up to the next power of ten: its gap
  // to that power exceeds half a unit of the 21st digit.
  return rounded(x, d);
}

// The same for m >= about 1e-7, the common case, in 64-bit words: there
// s = 20 - k <= 27, so 5^s < 2^64, P = M * 5^s fits 128 bits and the shift
// 63 - b - s lies in [-5, 60].
constexpr int max_short_scale = 27;
constexpr int short_b_min = -23;
static_assert(20 - floor_log10_pow2(short_b_min) == max_short_scale &&
              pow5.p[max_short_scale] >> 64 == 0);

// m = M * 2^(b-63) has decimal exponent k = floor_log10_pow2(b), or k + 1
// when the binade [2^b, 2^(b+1)) holds the power 10^(k+1) and M is at least
// the least significand reaching it. That significand for each binade of
// the short range, 0 where the binade holds no power of ten, so the exponent
// costs a comparison instead of a second product.
constexpr u64 least_reaching(int b, int e) {
  bool holds = e >= 0 ? b >= 0 && pow10(e) >= u128{1} << b &&
                            pow10(e) < u128{1} << (b + 1)
                      : b < 0 && pow10(-e) <= u128{1} << -b &&
                            pow10(-e) > u128{1} << (-b - 1);
  if (!holds) return 0;
  if (e < 0)
    return static_cast<u64>(((u128{1} << (63 - b)) + pow10(-e) - 1) /
                            pow10(-e));
  if (b <= 63) return static_cast<u64>(pow10(e) << (63 - b));
  u128 unit = u128{1} << (b - 63);
  return static_cast<u64>((pow10(e) + unit - 1) / unit);
}

struct decade_table {
  u64 least[fast_b_max - short_b_min + 1];
  constexpr decade_table() : least{} {
    for (int b = short_b_min; b <= fast_b_max; ++b)
      least[b - short_b_min] = least_reaching(b, floor_log10_pow2(b) + 1);
  }
};
constexpr decade_table decades;

constexpr int decimal_exponent(u64 significand, int b) {
  u64 least = decades.least[b - short_b_min];
  return floor_log10_pow2(b) + (least != 0 && significand >= least);
}

// 10^k <= M * 2^(b-63) < 10^(k+1) for k = decimal_exponent(M, b), checked
// at the smallest and largest significand of every binade of the short
// range and on both sides of every threshold.
constexpr bool exponent_holds(u64 m, int b) {
  int k = decimal_exponent(m, b);
  auto at_least = [&](int e) {  // M * 2^(b-63) >= 10^e
    if (b > 63) return u128{m} << (b - 63) >= pow10(e);
    if (e >= 0) return u128{m} >= pow10(e) << (63 - b);
    return u128{m} * pow10(-e) >= u128{1} << (63 - b);
  };
  return at_least(k) && !at_least(k + 1);
}

constexpr bool decimal_exponents_hold() {
  for (int b = short_b_min; b <= fast_b_max; ++b) {
    u64 least = decades.least[b - short_b_min];
    u64 cases[] = {u64{1} << 63, ~u64{0}, least, least - 1};
    for (int i = 0; i < (least != 0 ? 4 : 2); ++i) {
      if (!exponent_holds(cases[i], b)) return false;
    }
  }
  return true;
}
static_assert(decimal_exponents_hold());

u128 short_scaled_digits(u64 significand, int b, int* k) {
  *k = decimal_exponent(significand, b);
  int s = 20 - *k;
  u128 p = u128{significand} * static_cast<u64>(pow5.p[s]);
  int shift = 63 - b - s;
  if (shift <= 0) return p << -shift;  // m >= 2^63: exact
  u64 lo = static_cast<u64>(p), hi = static_cast<u64>(p >> 64);
  u64 d_lo = lo >> shift | hi << (64 - shift);
  u64 d_hi = hi >> shift;
  u64 half = u64{1} << (shift - 1);
  u64 rest = lo & ((half << 1) - 1);
  // Half to even as one comparison, not a branch on the data: an odd last
  // digit turns an exact half into more than half.
  u64 up = rest + (d_lo & 1) > half;
  return (u128{d_hi} << 64 | d_lo) + up;
}

// The 8 decimal digits of v < 10^8, one in each 16-bit lane, first digit
// lowest. v / 10000 splits v into two 4-digit halves; each half, times 4,
// fills four lanes, and one pair of high multiplications per lane divides
// them by 1000, 100, 10 and 1 (8389 / 2^23, 5243 / 2^19 and 13108 / 2^17
// are close enough for any half below 10^4); a lane minus ten times the
// lane before it is its digit. eight_digit_text is checked against every
// v < 10^8.
__m128i digit_lanes(std::uint32_t v) {
  const __m128i x = _mm_cvtsi32_si128(static_cast<int>(v));
  const __m128i high = _mm_srli_epi64(
      _mm_mul_epu32(x, _mm_set1_epi32(static_cast<int>(0xd1b71759))), 45);
  const __m128i low =
      _mm_sub_epi32(x, _mm_mul_epu32(high, _mm_set1_epi32(10000)));
  const __m128i halves = _mm_slli_epi64(_mm_unpacklo_epi16(high, low), 2);
  const __m128i pairs = _mm_unpacklo_epi16(halves, halves);
  const __m128i spread = _mm_unpacklo_epi32(pairs, pairs);
  const __m128i prefixes = _mm_mulhi_epu16(
      _mm_mulhi_epu16(spread, _mm_setr_epi16(8389, 5243, 13108, -32768, 8389,
                                             5243, 13108, -32768)),
      _mm_setr_epi16(128, 2048, 8192, -32768, 128, 2048, 8192, -32768));
  const __m128i tens =
      _mm_slli_epi64(_mm_mullo_epi16(prefixes, _mm_set1_epi16(10)), 16);
  return _mm_sub_epi16(prefixes, tens);
}

// Two groups of 8 digit lanes as 16 ASCII digits, a's first.
__m128i ascii_digits(__m128i a, __m128i b) {
  return _mm_add_epi8(_mm_packus_epi16(a, b), _mm_set1_epi8('0'));
}

u64 low_word(__m128i x) {
  return static_cast<u64>(_mm_cvtsi128_si64(x));
}

// The 21 digits of 10^20 <= d < 10^21. As d < 2^70 and 10^16 = 2^16 *
// 5^16, the quotient by 10^16 is taken in 64 bits after a shift.
digit_words split_digits(u128 d) {
  constexpr u64 five_pow_16 = 152587890625ull;
  constexpr u64 ten_pow_16 = 10000000000000000ull;
  u64 high = static_cast<u64>(d >> 16) / five_pow_16;  // 5 digits
  u64 low = static_cast<u64>(d) - high * ten_pow_16;   // exact mod 2^64
  u64 upper = low / 100000000;
  u64 lower = low - upper * 100000000;
  __m128i lead = digit_lanes(static_cast<std::uint32_t>(high));
  __m128i rest = ascii_digits(digit_lanes(static_cast<std::uint32_t>(upper)),
                              digit_lanes(static_cast<std::uint32_t>(lower)));
  return {low_word(rest), low_word(_mm_unpackhi_epi64(rest, rest)),
          low_word(ascii_digits(lead, lead)) >> 24};
}

// Out of line: the common path then saves no registers for it.
[[gnu::noinline, gnu::cold]] int platform_digits(long double m,
                                                 digit_words* digits) {
  // "d.<20 digits>e<sign><exponent>": glibc's conversion is exact and rounds
  // half to even in the default rounding mode.
  char text[48];
  std::snprintf(text, sizeof text, "%.20Le", m);
  char lead[8] = {text[0], text[2], text[3], text[4], text[5], 0, 0, 0};
  std::memcpy(&digits->lead, lead, 8);
  std::memcpy(&digits->middle, text + 6, 8);
  std::memcpy(&digits->tail, text + 14, 8);
  return static_cast<int>(std::strtol(text + 2 + field_digits, nullptr, 10));
}

}  // namespace

std::uint64_t eight_digit_text(std::uint32_t v) {
  __m128i lanes = digit_lanes(v);
  return low_word(ascii_digits(lanes, lanes));
}

int decimal_digits(extended_bits x, digit_words* digits) {
  u64 significand = x.significand;
  int biased = x.biased_exponent;
  int b = biased - 16383;
  if (biased == 0 || b < fast_b_min || b > fast_b_max) {
    return platform_digits(magnitude_of(x), digits);
  }
  int k = floor_log10_pow2(b);
  u128 d = b >= short_b_min ? short_scaled_digits(significand, b, &k)
                            : scaled_digits(significand, b, &k);
  *digits = split_digits(d);
  return k;
}

}  // namespace rodscene
