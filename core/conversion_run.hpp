// The run both programs perform: read the sites, write the glyphs of those
// inside the program's z window.
#pragma once

#include "extended.hpp"

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

// Slots 0 .. scan_count-1 are visited; the last ten slots of the table can
// be filled but are never drawn.
inline constexpr int scan_count = 3360;

// Reads the configuration file and writes the scene to standard output.
// Returns the exit status: 0 after a complete run, 2 after a failure to
// open, read or close the file or to write standard output, which is then
// named on standard error.
int run_conversion(const converter_variant& variant);

}  // namespace rodscene
