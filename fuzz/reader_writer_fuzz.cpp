// libFuzzer target over the reader and the writer.
//
// The input is read as a configuration file; the reader must not fail on
// any bytes. Every value it stores, and the first ten input bytes taken as
// an extended bit pattern, must then survive the writer: 21 significant
// digits identify every extended value, so reading a finite value's
// number field back gives the same bits, and NaN and the infinities come
// back as themselves.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "config_reader.hpp"
#include "number_field.hpp"
#include "number_text.hpp"

namespace {

using rodscene::field_width;

void check_round_trip(long double v) {
  char field[field_width];
  rodscene::number_field(v, field);
  const char* first = field;
  const char* last = field + field_width;
  while (*first == ' ')
    ++first;
  while (last[-1] == ' ')
    --last;
  long double back;
  if (!rodscene::parse_number(first, last, &back)) {
    std::fprintf(stderr, "field does not read back: %.30s\n", field);
    std::abort();
  }
  bool same =
      std::isnan(v) ? std::isnan(back) : std::memcmp(&v, &back, 10) == 0;
  if (!same) {
    std::fprintf(stderr, "field reads back to another value: %.30s\n", field);
    std::abort();
  }
}

// A canonical extended value from ten bytes: the explicit leading bit set
// exactly when the exponent field is not zero, as arithmetic makes them.
long double value_of(const std::uint8_t* bytes) {
  std::uint64_t significand;
  std::memcpy(&significand, bytes, 8);
  unsigned exponent = (bytes[8] | bytes[9] << 8) & 0x7fff;
  const std::uint64_t top = std::uint64_t{1} << 63;
  significand = exponent != 0 ? significand | top : significand & ~top;
  unsigned char raw[16] = {};
  std::memcpy(raw, &significand, 8);
  raw[8] = bytes[8];
  raw[9] = bytes[9];
  long double v;
  std::memcpy(&v, raw, sizeof v);
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size >= 10) check_round_trip(value_of(data));
  if (size == 0) return 0;
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
  if (file == nullptr) return 0;
  static rodscene::site_table table;
  table = {};
  static rodscene::config_reader reader;
  rodscene::start_reader(reader, file);
  // A memory stream reads byte by byte when unbuffered, as start_reader
  // leaves it; the reader's behaviour does not depend on the buffering.
  std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
  rodscene::read_report report;
  rodscene::read_sites(reader, table, report);
  std::fclose(file);
  if (rodscene::failed(report.failure)) std::abort();
  const rodscene::site_table& t = table;
  for (int k = 0; k < rodscene::site_capacity; ++k) {
    for (long double v :
         {t.x[k], t.y[k], t.z[k], t.phi1[k], t.phi2[k], t.phi3[k]}) {
      if (v != 0) check_round_trip(v);
    }
  }
  return 0;
}
