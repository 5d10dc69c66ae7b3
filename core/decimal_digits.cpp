#include "decimal_digits.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rodscene {

int decimal_digits(long double m, char* digits) {
  // "d.<20 digits>e<sign><exponent>": the platform's conversion is exact and
  // rounds half to even in the default rounding mode.
  char text[48];
  std::snprintf(text, sizeof text, "%.20Le", m);
  digits[0] = text[0];
  std::memcpy(digits + 1, text + 2, field_digits - 1);
  return static_cast<int>(std::strtol(text + 2 + field_digits, nullptr, 10));
}

}  // namespace rodscene
