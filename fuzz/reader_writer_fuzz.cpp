// libFuzzer target over the reader and the writer.
//
// The input is read as a configuration file; the reader must not fail on
// any bytes. Every value it stores, and the first ten input bytes taken as
// an extended bit pattern, must then survive the writer: 21 significant
// digits identify every extended value, so reading a finite value's
// number field back gives the same bits, and NaN and the infinities come
// back as themselves.
//
// The Python module makes the whole scene in memory: that must be the text
// the programs stream out in pieces, and its glyphs' coordinates must be
// that text's number fields.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include <memory>
#include <string_view>

#include "config_reader.hpp"
#include "conversion_run.hpp"
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

void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

// A file without a name left behind.
int anonymous_file() {
  char path[] = "/tmp/rodscene_fuzz.XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) fail("cannot make a file");
  unlink(path);
  return fd;
}

// The scene as the programs write it: through the writer's buffer, flushed
// in pieces to a file.
std::string streamed_scene(const rodscene::site_table& t,
                           const rodscene::converter_variant& v) {
  static int fd = anonymous_file();
  static char buffer[rodscene::reader_buffer_size];
  if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) {
    fail("cannot empty the scene's file");
  }
  std::FILE* out = fdopen(dup(fd), "w");
  rodscene::scene_writer w;
  rodscene::start_writer(w, out, buffer, sizeof buffer);
  rodscene::write_scene(w, t, v);
  if (rodscene::failed(rodscene::finish_writer(w))) fail("writing failed");
  std::string s(static_cast<std::size_t>(lseek(fd, 0, SEEK_END)), '\0');
  if (pread(fd, s.data(), s.size(), 0) != static_cast<ssize_t>(s.size())) {
    fail("cannot read the scene back");
  }
  return s;
}

// The Python module's scenes and glyphs against the programs' writing, for
// the table `t` read from `data`. A whole scene takes a hundred times as
// long as reading a short input: made for one input in 1024, picked by its
// bytes, the fuzzer keeps three quarters of its pace.
void check_scenes(const std::uint8_t* data, std::size_t size,
                  const rodscene::site_table& t) {
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (std::size_t i = 0; i < size; ++i)
    hash = (hash ^ data[i]) * 16777619u;
  if (hash % 1024 != 0) return;
  static auto text = std::make_unique<char[]>(rodscene::max_scene_size);
  static auto glyphs =
      std::make_unique<rodscene::drawn_glyph[]>(rodscene::scan_count);
  for (const auto& v : {rodscene::split_variant, rodscene::mono_variant}) {
    std::string_view scene(text.get(),
                           rodscene::write_scene_text(text.get(), t, v));
    if (scene != streamed_scene(t, v)) fail("the scenes differ");
    int n = rodscene::draw_glyphs(glyphs.get(), t, v);
    std::size_t at = 0;
    for (int i = 0; i < n; ++i) {
      bool teal = glyphs[i].colour == rodscene::cylinder_colour::teal;
      std::string_view glyph =
          scene.substr(at, teal ? 486 : 485);  // the pigments' lengths
      at += glyph.size();
      if (glyph.find(teal ? rodscene::teal_pigment : rodscene::blue_pigment) ==
          glyph.npos) {
        fail("a glyph has another colour");
      }
      std::size_t from = 0;
      for (long double c : glyphs[i].at) {
        char field[field_width];
        rodscene::number_field(c, field);
        from = glyph.find(std::string_view(field, field_width), from);
        if (from == glyph.npos) fail("a glyph's coordinate is not written");
        from += field_width;
      }
    }
    if (at != scene.size()) fail("the glyphs are not the scene's");
  }
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
  check_scenes(data, size, table);
  return 0;
}
