#include "glyph.hpp"

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

// Inlined so that every literal is copied with a size known at compile time.
[[gnu::always_inline]] inline void put_record(scene_writer& w,
                                              std::string_view text) {
  begin_record(w);
  put_text(w, text);
  end_record(w);
}

[[gnu::always_inline]] inline void put_vector(scene_writer& w,
                                              const long double v[3]) {
  put_number(w, v[0]);
  put_text(w, component_separator);
  put_number(w, v[1]);
  put_text(w, component_separator);
  put_number(w, v[2]);
}

}  // namespace

void write_glyph(scene_writer& w, const long double position[3],
                 const long double direction[3], cylinder_colour colour) {
  long double start[3], end[3], cap[3];
  for (int i = 0; i < 3; ++i) {
    long double t = rod_factor * direction[i];
    start[i] = position[i] - t;
    end[i] = position[i] + t;
    cap[i] = position[i] - cap_factor * direction[i];
  }
  put_record(w, cylinder_keyword);
  put_record(w, block_open);
  begin_record(w);
  put_text(w, vector_open);
  put_vector(w, start);
  put_text(w, between_ends);
  put_vector(w, end);
  put_text(w, cylinder_radius);
  end_record(w);
  put_record(w, rotation);
  put_record(w, colour == cylinder_colour::teal ? teal_pigment : blue_pigment);
  put_record(w, block_close);

  put_record(w, sphere_keyword);
  put_record(w, block_open);
  begin_record(w);
  put_text(w, vector_open);
  put_vector(w, cap);
  put_text(w, sphere_radius);
  end_record(w);
  put_record(w, rotation);
  put_record(w, red_pigment);
  put_record(w, block_close);
}

}  // namespace rodscene
