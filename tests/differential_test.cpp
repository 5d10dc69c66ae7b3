// Our own digit and conversion code against the platform's correctly
// rounded conversions, on seeded random inputs. RODSCENE_SOAK=N runs N
// inputs of each kind instead of the default million.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "number_field.hpp"
#include "number_text.hpp"

namespace rodscene {
namespace {

using u64 = std::uint64_t;

u64 count() {
  const char* soak = std::getenv("RODSCENE_SOAK");
  return soak != nullptr ? std::strtoull(soak, nullptr, 10) : 1'000'000;
}

long double from_bits(u64 significand, unsigned sign_exponent) {
  long double v = 0;
  unsigned char bytes[10];
  std::memcpy(bytes, &significand, 8);
  bytes[8] = static_cast<unsigned char>(sign_exponent);
  bytes[9] = static_cast<unsigned char>(sign_exponent >> 8);
  std::memcpy(&v, bytes, 10);
  return v;
}

// A canonical encoding: the explicit leading bit set exactly when the
// exponent field is not zero (the processor makes no other kind).
long double canonical(u64 significand, unsigned sign_exponent) {
  const u64 top = u64{1} << 63;
  bool normal = (sign_exponent & 0x7fff) != 0;
  return from_bits(normal ? significand | top : significand & ~top,
                   sign_exponent);
}

// The field laid out from snprintf's digits, independently of the product.
std::string reference_field(long double v) {
  char text[64];
  if (std::isnan(v)) return std::string(27, ' ') + "NaN";
  if (std::isinf(v)) {
    return v < 0 ? std::string(21, ' ') + "-Infinity"
                 : std::string(22, ' ') + "Infinity";
  }
  std::string sign = std::signbit(v) ? "-" : "";
  long double m = std::fabs(v);
  if (m == 0) {
    std::string t = sign + "0.00000000000000000000";
    return std::string(24 - t.size(), ' ') + t + std::string(6, ' ');
  }
  std::snprintf(text, sizeof text, "%.20Le", m);
  std::string digits = std::string(1, text[0]) + std::string(text + 2, 20);
  int exponent = std::atoi(text + 23);
  if (m < static_cast<long double>(0.1) || m >= 1e21L) {
    char e[16];
    std::snprintf(e, sizeof e, "%c%04d", exponent < 0 ? '-' : '+',
                  std::abs(exponent));
    std::string t =
        sign + digits.substr(0, 1) + "." + digits.substr(1) + "E" + e;
    return std::string(30 - t.size(), ' ') + t;
  }
  int whole = exponent + 1;
  std::string t = sign + (whole == 0 ? "0" : digits.substr(0, whole)) + "." +
                  digits.substr(whole);
  return std::string(24 - t.size(), ' ') + t + std::string(6, ' ');
}

std::string field(long double v) {
  char out[field_width];
  number_field(v, out);
  return std::string(out, field_width);
}

// Exactly 22 significant digits ending in 5: x * 2^-q with x odd and
// x * 5^q in [10^21, 10^22), so rounding to 21 digits is a tie.
long double random_tie(std::mt19937_64& rng) {
  for (;;) {
    int q = 3 + static_cast<int>(rng() % 28);
    long double five_q = std::pow(5.0L, q);
    long double lo = std::ceil(1e21L / five_q), hi = 1e22L / five_q;
    if (hi > 1.8e19L) hi = 1.8e19L;
    if (lo >= hi) continue;
    u64 span = static_cast<u64>(hi - lo);
    u64 x = static_cast<u64>(lo) + (span ? rng() % span : 0);
    x |= 1;
    long double v = std::ldexp(static_cast<long double>(x), -q);
    if (rng() & 1) v = -v;
    return v;
  }
}

// A value within a few units of the last place of 10^k, 0.1 or 10^21.
long double random_near_threshold(std::mt19937_64& rng) {
  long double base;
  switch (rng() % 3) {
    case 0:
      base = std::pow(10.0L, static_cast<int>(rng() % 80) - 45);
      break;
    case 1:
      base = static_cast<long double>(0.1);
      break;
    default:
      base = 1e21L;
      break;
  }
  int steps = static_cast<int>(rng() % 9) - 4;
  const long double toward = steps < 0 ? 0.0L : 1e4932L;
  for (int i = 0; i < std::abs(steps); ++i)
    base = std::nextafter(base, toward);
  return (rng() & 1) ? -base : base;
}

long double random_value(std::mt19937_64& rng) {
  switch (rng() % 8) {
    case 0:
    case 1:  // any encoding: subnormals, the largest values, NaN, infinities
      return canonical(rng(), static_cast<unsigned>(rng()));
    case 2: {  // the whole exponent range, evenly
      unsigned e = static_cast<unsigned>(rng() % 0x7fff);
      return canonical(rng(), e | (rng() & 1 ? 0x8000u : 0u));
    }
    case 3:
    case 4: {  // binary exponents around the exact path's range
      unsigned e = 16383 - 135 + static_cast<unsigned>(rng() % 215);
      return canonical(rng(), e | (rng() & 1 ? 0x8000u : 0u));
    }
    case 5:
      return random_tie(rng);
    case 6:
      return random_near_threshold(rng);
    default:  // short decimals as a configuration holds them
      return static_cast<long double>(
                 static_cast<std::int64_t>(rng() % 2000000000) - 1000000000) /
             std::pow(10.0L, static_cast<int>(rng() % 12));
  }
}

TEST(differential, number_field_matches_the_platform_digits) {
  std::mt19937_64 rng(20261208);
  const u64 n = count();
  u64 mismatches = 0;
  for (u64 i = 0; i < n; ++i) {
    long double v = random_value(rng);
    std::string ours = field(v), theirs = reference_field(v);
    if (ours != theirs && ++mismatches <= 10) {
      ADD_FAILURE() << "'" << ours << "' != '" << theirs << "'";
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

std::string random_digits(std::mt19937_64& rng, int n) {
  std::string s;
  for (int i = 0; i < n; ++i)
    s += static_cast<char>('0' + rng() % 10);
  return s;
}

// A decimal text in the configuration's syntax, and the same number in
// the platform's own syntax.
struct decimal_text {
  std::string ours, platform;
};

decimal_text random_text(std::mt19937_64& rng) {
  std::string sign = (rng() % 3 == 0) ? "-" : (rng() % 5 == 0 ? "+" : "");
  int digits = 1 + static_cast<int>(rng() % (rng() % 4 == 0 ? 30 : 19));
  int point = static_cast<int>(rng() % static_cast<unsigned>(digits + 1));
  std::string mantissa =
      random_digits(rng, point) + "." + random_digits(rng, digits - point);
  std::string ours = sign + mantissa, platform = sign + mantissa;
  if (rng() % 3 != 0) {
    int e = static_cast<int>(rng() % 81) - 40;
    if (rng() % 20 == 0) e = static_cast<int>(rng() % 10000) - 5000;
    const char* letters[] = {"e", "E", "d", "D", "q", "Q", ""};
    const char* letter = letters[rng() % 7];
    // Without a letter the exponent must carry a sign.
    bool plus = *letter == '\0' || (rng() & 1) != 0;
    char exponent[16];
    std::snprintf(exponent, sizeof exponent, plus ? "%+d" : "%d", e);
    ours += letter;
    ours += exponent;
    platform += 'e';
    platform += exponent;
  }
  return {ours, platform};
}

// w * 10^x exactly halfway between two extended values: w * 5^x odd and
// between 2^64 and 2^65.
decimal_text random_tie_text(std::mt19937_64& rng) {
  for (;;) {
    int x = 1 + static_cast<int>(rng() % 19);
    long double five_x = std::pow(5.0L, x);
    long double lo = std::ceil(std::ldexp(1.0L, 64) / five_x);
    long double hi = std::ldexp(1.0L, 65) / five_x;
    if (hi > 9.9e18L) hi = 9.9e18L;
    if (lo >= hi) continue;
    u64 w = static_cast<u64>(lo) + rng() % static_cast<u64>(hi - lo);
    w |= 1;  // 5^x is odd, so w * 5^x is odd
    std::string t = std::to_string(w) + "e" + std::to_string(x);
    return {t, t};
  }
}

TEST(differential, parse_number_matches_strtold) {
  std::mt19937_64 rng(8122026);
  const u64 n = count();
  u64 mismatches = 0;
  for (u64 i = 0; i < n; ++i) {
    decimal_text t = (i % 16 == 0) ? random_tie_text(rng) : random_text(rng);
    long double ours = 0;
    ASSERT_TRUE(
        parse_number(t.ours.data(), t.ours.data() + t.ours.size(), &ours))
        << t.ours;
    long double theirs = std::strtold(t.platform.c_str(), nullptr);
    if (std::memcmp(&ours, &theirs, 10) != 0 && ++mismatches <= 10) {
      ADD_FAILURE() << t.ours << " vs " << t.platform;
    }
    // As the reader meets it: followed by a blank and more text, where the
    // word-at-a-time path may take it.
    std::string text = t.ours + "  7.5 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5";
    const char* end;
    long double prefix = parse_plain_prefix(text.data(), &end);
    if (end != nullptr &&
        (end != text.data() + t.ours.size() ||
         std::memcmp(&prefix, &theirs, 10) != 0) &&
        ++mismatches <= 10) {
      ADD_FAILURE() << "prefix of " << text;
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

}  // namespace
}  // namespace rodscene
