#include "number_text.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace rodscene {
namespace {

bool parse(const std::string& text, long double* v) {
  return parse_number(text.data(), text.data() + text.size(), v);
}

// Bitwise equality: tells -0 from +0 and compares NaN with NaN.
bool same_bits(long double a, long double b) {
  return std::memcmp(&a, &b, 10) == 0 || (std::isnan(a) && std::isnan(b));
}

struct accepted {
  const char* text;
  const char* canonical;  // the same value in the platform's own syntax
};

TEST(parse_number, accepts_every_documented_form) {
  const accepted cases[] = {
      {"1", "1"},
      {"+1", "1"},
      {"-1", "-1"},
      {"5.", "5"},
      {".5", "0.5"},
      {"-.5", "-0.5"},
      {"1.5d0", "1.5"},
      {"2q1", "20"},
      {"2Q+1", "20"},
      {"1.5+3", "1500"},
      {"1.5-3", "0.0015"},
      {"1e-2", "0.01"},
      {"1E+02", "100"},
      {"7D-1", "0.7"},
      {"0012.50", "12.5"},
      {"-0", "-0"},
      {"-0.000e7", "-0"},
      {"0.0", "0"},
      {"nan", "nan"},
      {"NaN", "nan"},
      {"-Inf", "-inf"},
      {"INFINITY", "inf"},
      {"+infinity", "inf"},
      {"0.1", "0.1"},
      {"8.15", "8.15"},
      {"123456789012345678901234567890", "123456789012345678901234567890"},
      {"0.000000000000000000000000000001234", "1.234e-30"},
  };
  for (const accepted& c : cases) {
    long double v = 42;
    ASSERT_TRUE(parse(c.text, &v)) << c.text;
    EXPECT_TRUE(same_bits(v, std::strtold(c.canonical, nullptr))) << c.text;
  }
}

TEST(parse_number, rejects_everything_else_and_leaves_the_value_alone) {
  const char* rejected[] = {
      "",      "+",     "-",      ".",       "+.",        "e5",      ".e5",
      "1e",    "1e+",   "1+",     "1.5.2",   "1..5",      "1e5.0",   "1e5e5",
      "0x1p3", "0x10",  "nan(1)", "infinit", "infinityy", "na",      "in",
      "1,5",   "1_000", "--1",    "+-1",     "1f",        "1.5E+3d", "abc",
      "1\r",   "1 2",   "1.5q",   "e",       "d1",        "\x80",
  };
  for (const char* text : rejected) {
    long double v = 42;
    EXPECT_FALSE(parse(text, &v)) << '"' << text << '"';
    EXPECT_EQ(v, 42) << text;
  }
  long double v = 42;
  EXPECT_FALSE(parse(std::string("1\0", 2), &v));  // a NUL is no separator
}

// Digits are taken eight at a time; one stray byte anywhere in a long run,
// including the bytes just outside '0'..'9', must still reject the token.
TEST(parse_number, rejects_a_stray_byte_anywhere_in_a_long_run) {
  const std::string digits = "1234567890123456";
  for (char stray : {'/', ':', 'x', ' ', '\x7f', '\xb0', '\0', 'p'}) {
    for (std::size_t at = 0; at < digits.size(); ++at) {
      for (const std::string& prefix : {std::string(""), std::string("0.")}) {
        std::string text = prefix + digits;
        text[prefix.size() + at] = stray;
        long double v = 42;
        EXPECT_FALSE(parse(text, &v)) << text;
        EXPECT_EQ(v, 42);
      }
    }
  }
}

TEST(parse_number, rounds_correctly_at_any_length) {
  // Halfway between 1 and the next extended value, then a nudge past it
  // far beyond the 20th digit: only exact conversion gets both right.
  const std::string half =
      "1.0000000000000000000542101086242752217003726"
      "400434970855712890625";
  long double v;
  ASSERT_TRUE(parse(half, &v));
  EXPECT_EQ(v, 1.0L);
  ASSERT_TRUE(parse(half + "0000000000000000000000000001", &v));
  EXPECT_EQ(v, std::nextafter(1.0L, 2.0L));
  // The nudge past every digit a scan keeps still counts.
  ASSERT_TRUE(parse(half + std::string(kept_digits, '0') + "1", &v));
  EXPECT_EQ(v, std::nextafter(1.0L, 2.0L));
  // A long run of leading and trailing zeros does not disturb the point.
  std::string padded =
      "0." + std::string(5000, '0') + "25" + std::string(5000, '0') + "e5002";
  ASSERT_TRUE(parse(padded, &v));
  EXPECT_EQ(v, 25.0L);
}

TEST(parse_number, saturates_out_of_range_magnitudes_without_error) {
  const long double inf = std::numeric_limits<long double>::infinity();
  const struct {
    const char* text;
    long double value;
  } cases[] = {
      {"1e5000", inf},
      {"-1e5000", -inf},
      {"1.2e4932", inf},
      {"1e99999999999999999999999999", inf},
      {"-1d-99999999999999999999999999", -0.0L},
      {"1e-5000", 0.0L},
      {"1e-4960", 0.0L},
      {"3.7e-4951", std::numeric_limits<long double>::denorm_min()},
      {"0e99999999999999999999", 0.0L},
      {"1.18973149535723176502e4932", std::numeric_limits<long double>::max()},
  };
  for (const auto& c : cases) {
    long double v = 42;
    ASSERT_TRUE(parse(c.text, &v)) << c.text;
    EXPECT_TRUE(same_bits(v, c.value)) << c.text;
  }
}

TEST(number_scan, keeps_the_exponent_of_a_number_of_any_length) {
  // 0. then 10^9 zeros then 1e10000000000 is 10^(9 * 10^9 - 1): a written
  // exponent that saturated near 10^9 would cancel against the zeros.
  static const std::string zeros(1'000'000, '0');
  static number_scan scan;
  start_scan(scan);
  const std::string head = "0.";
  scan_text(scan, head.data(), head.data() + head.size());
  for (int i = 0; i < 1000; ++i)
    scan_text(scan, zeros.data(), zeros.data() + zeros.size());
  const std::string tail = "1e10000000000";
  scan_text(scan, tail.data(), tail.data() + tail.size());
  long double v = 0;
  ASSERT_TRUE(scan_value(scan, &v));
  EXPECT_EQ(v, std::numeric_limits<long double>::infinity());
}

}  // namespace
}  // namespace rodscene
