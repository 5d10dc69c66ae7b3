#include "glyph.hpp"

#include <cstring>
#include <limits>

namespace rodscene {
namespace {

constexpr std::string_view cylinder_keyword = "cylinder";
constexpr std::string_view sphere_keyword = "sphere";
constexpr std::string_view block_open = "{";
constexpr std::string_view block_close = "}";
constexpr std::string_view vector_open = "<";
constexpr std::string_view component_separator = ",";
constexpr std::string_view between_ends = ">, <";
constexpr std::string_view cylinder_radius = ">, 1.2";
constexpr std::string_view sphere_radius = ">, 0.25";
constexpr std::string_view rotation = "rotate <90,0,0>";

void put_record(scene_writer& w, std::string_view text) {
  begin_record(w);
  put_text(w, text);
  end_record(w);
}

void put_vector(scene_writer& w, const long double v[3]) {
  put_number(w, v[0]);
  put_text(w, component_separator);
  put_number(w, v[1]);
  put_text(w, component_separator);
  put_number(w, v[2]);
}

// The twelve records of a glyph with the cylinder from a to b and the
// sphere at c, item by item.
void put_glyph_records(scene_writer& w, const long double a[3],
                       const long double b[3], const long double c[3],
                       cylinder_colour colour) {
  put_record(w, cylinder_keyword);
  put_record(w, block_open);
  begin_record(w);
  put_text(w, vector_open);
  put_vector(w, a);
  put_text(w, between_ends);
  put_vector(w, b);
  put_text(w, cylinder_radius);
  end_record(w);
  put_record(w, rotation);
  put_record(w, colour == cylinder_colour::teal ? teal_pigment : blue_pigment);
  put_record(w, block_close);

  put_record(w, sphere_keyword);
  put_record(w, block_open);
  begin_record(w);
  put_text(w, vector_open);
  put_vector(w, c);
  put_text(w, sphere_radius);
  end_record(w);
  put_record(w, rotation);
  put_record(w, red_pigment);
  put_record(w, block_close);
}

// Every glyph of a colour has the same text but for its nine number
// fields, each 30 characters at a fixed place. The layout is made once by
// the record operations, with NaN fields marking the places.
struct glyph_layout {
  char text[max_glyph_size];
  std::size_t size;
  std::size_t field_at[glyph_fields];
};

glyph_layout lay_out(cylinder_colour colour) {
  glyph_layout layout{};
  scene_writer scratch;  // never flushed: one glyph fits its buffer
  scratch.buffer = layout.text;
  scratch.capacity = max_glyph_size;
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  const long double marks[3] = {nan, nan, nan};
  put_glyph_records(scratch, marks, marks, marks, colour);
  layout.size = scratch.used;
  std::string_view text(layout.text, layout.size);
  std::size_t at = 0;
  for (std::size_t& field : layout.field_at) {
    at = text.find("NaN", at) + 3;
    field = at - field_width;
  }
  return layout;
}

}  // namespace

void write_glyph(scene_writer& w, const long double* const position[3],
                 const long double* const direction[3],
                 cylinder_colour colour) {
  static const glyph_layout layouts[2] = {lay_out(cylinder_colour::teal),
                                          lay_out(cylinder_colour::blue)};
  long double fields[glyph_fields];
  glyph_coordinates(position, direction, fields);
  const glyph_layout& layout = layouts[colour == cylinder_colour::blue];
  char* out = reserve(w, layout.size);
  std::memcpy(out, layout.text, layout.size);
  for (int i = 0; i < glyph_fields; ++i)
    number_field(fields[i], out + layout.field_at[i]);
  w.used += layout.size;
}

}  // namespace rodscene
