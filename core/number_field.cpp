#include "number_field.hpp"

#include <cmath>
#include <cstring>

#include "decimal_digits.hpp"

namespace rodscene {
namespace {

constexpr int f_width = 24;  // F-form text is right-justified in this
constexpr char zero_text[] = "0.00000000000000000000";

// The binary64 value nearest 0.1, widened exactly: the lower F-form bound.
constexpr long double f_lower = 0.1;
constexpr long double f_upper = 1e21L;  // exact in the extended format

// Right-justifies text of length n in out[0, width), blank-filled.
void justify(const char* text, int n, int width, char* out) {
  std::memset(out, ' ', static_cast<std::size_t>(width - n));
  std::memcpy(out + width - n, text, static_cast<std::size_t>(n));
}

void word_field(const char* word, char* out) {
  justify(word, static_cast<int>(std::strlen(word)), field_width, out);
}

// Zero and 21 digits of a value in [f_lower, f_upper): exponent is -1..20.
void f_field(bool negative, const char* digits, int exponent, char* out) {
  char text[f_width];
  int n = 0;
  if (negative) text[n++] = '-';
  if (digits == nullptr) {
    std::memcpy(text + n, zero_text, sizeof zero_text - 1);
    n += sizeof zero_text - 1;
  } else {
    int whole = exponent + 1;  // digits before the point, 0 when below 1
    if (whole == 0) text[n++] = '0';
    std::memcpy(text + n, digits, static_cast<std::size_t>(whole));
    n += whole;
    text[n++] = '.';
    std::memcpy(text + n, digits + whole, static_cast<std::size_t>(21 - whole));
    n += 21 - whole;
  }
  justify(text, n, f_width, out);
  std::memset(out + f_width, ' ', field_width - f_width);
}

void e_field(bool negative, const char* digits, int exponent, char* out) {
  char text[field_width];
  int n = 0;
  if (negative) text[n++] = '-';
  text[n++] = digits[0];
  text[n++] = '.';
  std::memcpy(text + n, digits + 1, 20);
  n += 20;
  text[n++] = 'E';
  text[n++] = exponent < 0 ? '-' : '+';
  int e = exponent < 0 ? -exponent : exponent;
  for (int i = 3; i >= 0; --i, e /= 10)
    text[n + i] = static_cast<char>('0' + e % 10);
  n += 4;
  justify(text, n, field_width, out);
}

}  // namespace

void number_field(long double v, char* out) {
  if (std::isnan(v)) return word_field("NaN", out);
  if (std::isinf(v)) return word_field(v < 0 ? "-Infinity" : "Infinity", out);
  bool negative = std::signbit(v);
  long double m = std::fabs(v);
  if (m == 0) return f_field(negative, nullptr, 0, out);
  char digits[field_digits];
  int exponent = decimal_digits(m, digits);
  if (m < f_lower || m >= f_upper)
    return e_field(negative, digits, exponent, out);
  f_field(negative, digits, exponent, out);
}

}  // namespace rodscene
