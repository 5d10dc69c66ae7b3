#include "decimal_digits.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rodscene {
namespace {

using u64 = std::uint64_t;
__extension__ using u128 = unsigned __int128;

// The exact path covers binary exponents b (m in [2^b, 2^(b+1))) from
// fast_b_min to fast_b_max: m in [2^-122, 2^69), about [1.9e-37, 5.9e20).
// That holds every F-form value below 5.9e20 and every small coordinate a
// configuration of sites produces; the rest goes to the platform's exact
// conversion. Within it, the decimal exponent estimate k lies in [-37, 20],
// the scale 10^s with s = 20 - k in [0, 57] fits three limbs (10^57 <
// 2^190), m * 10^s fits four, and the shift 63 - b lies in [-5, 185].
constexpr int fast_b_min = -122;
constexpr int fast_b_max = 68;
constexpr int max_scale = 57;

constexpr u128 ten_pow_20 = u128{10000000000} * 10000000000;
constexpr u128 ten_pow_21 = ten_pow_20 * 10;

struct limbs3 {
  u64 limb[3];  // least significant first
};

constexpr limbs3 times_ten(limbs3 v) {
  u128 carry = 0;
  for (u64& l : v.limb) {
    u128 t = u128{l} * 10 + carry;
    l = static_cast<u64>(t);
    carry = t >> 64;
  }
  return v;
}

struct pow10_table {
  limbs3 p[max_scale + 1];
  constexpr pow10_table() : p{} {
    p[0] = {{1, 0, 0}};
    for (int s = 1; s <= max_scale; ++s)
      p[s] = times_ten(p[s - 1]);
  }
};
constexpr pow10_table pow10;

static_assert(pow10.p[19].limb[0] == 10000000000000000000ull &&
              pow10.p[19].limb[1] == 0);
static_assert(pow10.p[max_scale].limb[2] >> 62 == 0,
              "10^57 must leave the top of the third limb free");

// floor(b * log10(2)) for |b| <= 1650; checked over the whole range used.
constexpr int floor_log10_pow2(int b) {
  return (b * 78913) >> 18;
}

// An exact product m * 10^s = M * 2^(b-63) * 10^s held as P / 2^shift.
struct scaled {
  u64 p[5];  // P, least significant limb first; p[4] is always 0
  int shift;
};

scaled scale(u64 significand, int b, int s) {
  scaled r{};
  u128 carry = 0;
  for (int i = 0; i < 3; ++i) {
    u128 t = u128{significand} * pow10.p[s].limb[i] + carry;
    r.p[i] = static_cast<u64>(t);
    carry = t >> 64;
  }
  r.p[3] = static_cast<u64>(carry);
  r.shift = 63 - b;
  return r;
}

// floor(P / 2^shift), known to be below 2^128.
u128 quotient(const scaled& v) {
  if (v.shift <= 0) {
    return (u128{v.p[1]} << 64 | v.p[0]) << -v.shift;
  }
  int q = v.shift / 64, o = v.shift % 64;
  const u64* w = v.p + q;
  if (o == 0) return u128{w[1]} << 64 | w[0];
  u64 lo = w[0] >> o | w[1] << (64 - o);
  u64 hi = w[1] >> o | w[2] << (64 - o);
  return u128{hi} << 64 | lo;
}

// Compares the dropped part P mod 2^shift with half of 2^shift.
int compare_half(const scaled& v) {
  if (v.shift <= 0) return -1;
  int h = v.shift - 1;
  u64 half_bit = u64{1} << (h % 64);
  u64 top = v.p[h / 64];
  bool below = (top & (half_bit - 1)) != 0;
  for (int i = 0; i < h / 64 && !below; ++i)
    below = v.p[i] != 0;
  if ((top & half_bit) == 0) return -1;
  return below ? 1 : 0;
}

struct pair_table {
  char text[200];
  constexpr pair_table() : text{} {
    for (int i = 0; i < 100; ++i) {
      text[2 * i] = static_cast<char>('0' + i / 10);
      text[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
  }
};
constexpr pair_table two_digits;

// Writes the 2n decimal digits of v < 10^(2n), n pairs.
void write_pairs(u64 v, int n, char* out) {
  for (int i = n - 1; i >= 0; --i) {
    std::memcpy(out + 2 * i, two_digits.text + 2 * (v % 100), 2);
    v /= 100;
  }
}

// The 21 digits of 10^20 <= d < 10^21.
void write_digits(u128 d, char* out) {
  constexpr u64 ten_pow_16 = 10000000000000000ull;
  u64 high = static_cast<u64>(d / ten_pow_16);  // 5 digits
  u64 low = static_cast<u64>(d - u128{high} * ten_pow_16);
  out[0] = static_cast<char>('0' + high / 10000);
  write_pairs(high % 10000, 2, out + 1);
  write_pairs(low / 100000000, 4, out + 5);
  write_pairs(low % 100000000, 4, out + 13);
}

int platform_digits(long double m, char* digits) {
  // "d.<20 digits>e<sign><exponent>": glibc's conversion is exact and rounds
  // half to even in the default rounding mode.
  char text[48];
  std::snprintf(text, sizeof text, "%.20Le", m);
  digits[0] = text[0];
  std::memcpy(digits + 1, text + 2, field_digits - 1);
  return static_cast<int>(std::strtol(text + 2 + field_digits, nullptr, 10));
}

}  // namespace

int decimal_digits(long double m, char* digits) {
  unsigned char bytes[10];
  std::memcpy(bytes, &m, sizeof bytes);
  u64 significand;
  std::memcpy(&significand, bytes, sizeof significand);
  int biased = (bytes[9] & 0x7f) << 8 | bytes[8];
  int b = biased - 16383;
  if (biased == 0 || b < fast_b_min || b > fast_b_max) {
    return platform_digits(m, digits);
  }
  int k = floor_log10_pow2(b);
  scaled v = scale(significand, b, 20 - k);
  u128 d = quotient(v);
  if (d >= ten_pow_21) {  // m >= 10^(k+1): one digit fewer after the point
    ++k;
    v = scale(significand, b, 20 - k);
    d = quotient(v);
  }
  int c = compare_half(v);
  if (c > 0 || (c == 0 && (d & 1) != 0)) ++d;
  // No extended value in range rounds up to the next power of ten: its gap
  // to that power exceeds half a unit of the 21st digit.
  write_digits(d, digits);
  return k;
}

}  // namespace rodscene
