// The run both programs perform: read the sites, write the glyphs of those
// inside the program's z window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "config_reader.hpp"
#include "extended.hpp"
#include "glyph.hpp"
#include "scene_writer.hpp"
#include "site_table.hpp"

namespace rodscene {

enum class colour_rule {
  split_at_zero,  // teal above z = 0, blue at or below it
  fixed,          // always teal
};

// The settings that tell the programs apart.
struct converter_variant {
  long double z_lower;  // exclusive bounds of the window
  long double z_upper;
  colour_rule rule;
  const char* program;  // names the program in its diagnostics
};

// The two programs' rows, for callers that convert as either program does.
inline constexpr converter_variant split_variant = {
    -38.0f, 28.0f, colour_rule::split_at_zero, "rodscene_split"};
inline constexpr converter_variant mono_variant = {
    -38.0f, 38.0f, colour_rule::fixed, "rodscene_mono"};

// Slots 0 .. scan_count-1 are visited; the last ten slots of the table can
// be filled but are never drawn.
inline constexpr int scan_count = 3360;

// Whether a site with this z is drawn: both comparisons are ordered, so a
// NaN never is.
inline bool in_window(const converter_variant& v, long double z) {
  return z < v.z_upper && z > v.z_lower;
}

inline cylinder_colour colour_of(colour_rule rule, long double z) {
  if (rule == colour_rule::split_at_zero && !(z > 0)) {
    return cylinder_colour::blue;
  }
  return cylinder_colour::teal;
}

// Calls visit(position, direction, colour) for each slot in the window, in
// slot order, position and direction as three pointers into the table;
// stops once visit returns false. Inline, so that every scan compiles to
// the plain loop.
template <class Visit>
void for_each_drawn(const site_table& t, const converter_variant& v,
                    Visit&& visit) {
  for (int k = 0; k < scan_count; ++k) {
    long double z = t.z[k];
    if (!in_window(v, z)) continue;
    const long double* position[3] = {&t.x[k], &t.y[k], &t.z[k]};
    const long double* direction[3] = {&t.phi1[k], &t.phi2[k], &t.phi3[k]};
    if (!visit(position, direction, colour_of(v.rule, z))) return;
  }
}

// Reads the configuration file and writes the scene to standard output.
// Returns the exit status: 0 after a complete run, 2 after a failure to
// open, read or close the file or to write standard output, which is then
// named on standard error.
int run_conversion(const converter_variant& variant);

// The one line a program given arguments writes on standard error before
// its run: it takes none, and says which file it reads instead.
void note_ignored_arguments(const converter_variant& variant);

// The parts of the run, for a caller with storage of its own (the Python
// module reads any file, on any thread).

// Writes the glyphs of the slots in the window, in slot order; stops early
// once a write has failed.
void write_scene(scene_writer& w, const site_table& table,
                 const converter_variant& v);

// The most text write_scene can make.
inline constexpr std::size_t max_scene_size = scan_count * max_glyph_size;

// Writes the whole scene into `text`, which holds max_scene_size bytes, and
// returns its size.
std::size_t write_scene_text(char* text, const site_table& table,
                             const converter_variant& v);

// A glyph as write_scene draws it.
struct drawn_glyph {
  long double at[glyph_fields];  // as glyph_coordinates gives them
  cylinder_colour colour;
  std::int64_t line;  // the line its site's record starts on; 0: none
};

// Fills `glyphs`, room for scan_count, with the glyphs write_scene draws, in
// its order; returns how many.
int draw_glyphs(drawn_glyph* glyphs, const site_table& table,
                const converter_variant& v);

// Writes on `err` what the read of `file` dropped or filled in, each line
// starting "program: file": its warnings, the records past the table and,
// when `drawn_slots`, the drawn slots that no record reached.
void print_read_report(std::FILE* err, const char* program, const char* file,
                       const read_report& report, bool drawn_slots);

}  // namespace rodscene
