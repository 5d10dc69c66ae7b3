// The extended real used for every site value and computed coordinate.
#pragma once

#include <cstdint>
#include <cstring>
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

// The fields of an extended real's encoding.
struct extended_bits {
  std::uint64_t significand;  // with its explicit leading bit
  int biased_exponent;        // 0 for zeros and subnormals, 0x7fff for
  bool negative;              // infinities and NaNs
};

inline extended_bits bits_of(long double v) {
  unsigned char bytes[10];
  std::memcpy(bytes, &v, sizeof bytes);
  extended_bits x;
  std::memcpy(&x.significand, bytes, sizeof x.significand);
  x.biased_exponent = (bytes[9] & 0x7f) << 8 | bytes[8];
  x.negative = (bytes[9] & 0x80) != 0;
  return x;
}

// The magnitude of the value whose fields are x.
inline long double magnitude_of(const extended_bits& x) {
  unsigned char bytes[sizeof(long double)] = {};
  std::memcpy(bytes, &x.significand, sizeof x.significand);
  bytes[8] = static_cast<unsigned char>(x.biased_exponent);
  bytes[9] = static_cast<unsigned char>(x.biased_exponent >> 8);
  long double v;
  std::memcpy(&v, bytes, sizeof v);
  return v;
}

}  // namespace rodscene
