#include "number_field.hpp"

#include "decimal_digits.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace rodscene {
namespace {

std::string field(long double v) {
  char out[field_width];
  number_field(v, out);
  return std::string(out, field_width);
}

std::string blanks(int n) {
  return std::string(n, ' ');
}

struct example {
  long double value;
  std::string text;
};

TEST(number_field, matches_the_documented_examples) {
  const long double inf = std::numeric_limits<long double>::infinity();
  const example examples[] = {
      {1, blanks(2) + "1.00000000000000000000" + blanks(6)},
      {0, blanks(2) + "0.00000000000000000000" + blanks(6)},
      {-0.0L, blanks(1) + "-0.00000000000000000000" + blanks(6)},
      {0.5, blanks(1) + "0.500000000000000000000" + blanks(6)},
      {-3.25, blanks(1) + "-3.25000000000000000000" + blanks(6)},
      {11, blanks(2) + "11.0000000000000000000" + blanks(6)},
      {1 + std::ldexp(1.0L, -21),
       blanks(2) + "1.00000047683715820312" + blanks(6)},
      {8.15f, blanks(2) + "8.14999961853027343750" + blanks(6)},
      {1e20L, blanks(2) + "100000000000000000000." + blanks(6)},
      {1e21L - 64, blanks(2) + "999999999999999999936." + blanks(6)},
      {0.1, blanks(1) + "0.100000000000000005551" + blanks(6)},
      {0.1L, blanks(2) + "1.00000000000000000001E-0001"},
      {-0.05L, blanks(1) + "-5.00000000000000000007E-0002"},
      {1e21L, blanks(2) + "1.00000000000000000000E+0021"},
      {std::numeric_limits<long double>::quiet_NaN(), blanks(27) + "NaN"},
      {-std::numeric_limits<long double>::quiet_NaN(), blanks(27) + "NaN"},
      {inf, blanks(22) + "Infinity"},
      {-inf, blanks(21) + "-Infinity"},
  };
  for (const example& e : examples) {
    EXPECT_EQ(field(e.value), e.text) << static_cast<double>(e.value);
  }
}

// The F-form starts exactly at the binary64 value of 0.1 and ends just
// below 10^21; the neighbours on the far side of each bound are E-form.
TEST(number_field, switches_form_at_both_thresholds) {
  const long double low = 0.1;
  const long double below_low = std::nextafter(low, 0.0L);
  EXPECT_EQ(field(low), " 0.100000000000000005551      ");
  EXPECT_EQ(field(below_low), "  1.00000000000000005544E-0001");
  EXPECT_EQ(field(-below_low), " -1.00000000000000005544E-0001");
  const long double high = 1e21L;
  EXPECT_EQ(field(std::nextafter(high, 0.0L)), field(1e21L - 64));
  EXPECT_EQ(field(-high), " -1.00000000000000000000E+0021");
  EXPECT_EQ(field(-(1e21L - 64)), " -999999999999999999936.      ");
}

TEST(number_field, rounds_ties_at_the_21st_digit_to_even) {
  // 1 + 3 * 2^-21 = 1.000001430511474609375: the 21st digit 7 is odd.
  EXPECT_EQ(field(1 + 3 * std::ldexp(1.0L, -21)),
            "  1.00000143051147460938      ");
  // 2^-21 exactly has 16 significant digits: no rounding at all.
  EXPECT_EQ(field(std::ldexp(1.0L, -21)), "  4.76837158203125000000E-0007");
  // Halfway cases that round down because the kept digit is already even.
  EXPECT_EQ(field(1 + std::ldexp(1.0L, -21)), "  1.00000047683715820312      ");
}

TEST(number_field, covers_the_whole_exponent_range) {
  const long double max = std::numeric_limits<long double>::max();
  const long double tiny = std::numeric_limits<long double>::denorm_min();
  EXPECT_EQ(field(max), "  1.18973149535723176502E+4932");
  EXPECT_EQ(field(-tiny), " -3.64519953188247460253E-4951");
  EXPECT_EQ(field(std::numeric_limits<long double>::min()),
            "  3.36210314311209350626E-4932");
}

TEST(number_field, is_always_thirty_characters_without_a_terminator) {
  char out[field_width + 1];
  out[field_width] = '#';
  for (long double v : {1.0L, -1e-300L, 123456.789L, 0.0L}) {
    number_field(v, out);
    EXPECT_EQ(out[field_width], '#');
  }
}

// The lane constants of the digit conversion hold for every 8-digit group:
// all 10^8 of them against a decimal counter.
TEST(eight_digit_text, matches_every_group_of_eight_digits) {
  char expected[8] = {'0', '0', '0', '0', '0', '0', '0', '0'};
  for (std::uint32_t v = 0; v < 100000000; ++v) {
    std::uint64_t text = eight_digit_text(v);
    if (std::memcmp(&text, expected, 8) != 0) {
      ADD_FAILURE() << "wrong digits for " << v;
      return;
    }
    for (int i = 7; i >= 0 && ++expected[i] > '9'; --i)
      expected[i] = '0';
  }
}

}  // namespace
}  // namespace rodscene
