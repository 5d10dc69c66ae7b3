// Seeded inputs shared by the benchmarks: values and texts as a
// configuration of rods produces them.
#pragma once

#include <string>
#include <vector>

namespace rodscene {

// Coordinates of glyphs: positions in a box of about 160 x 100 x 90 and
// their offsets along unit directions, as the writer sees them.
std::vector<long double> glyph_values(int n);

// The configuration text of `sites` rods written with "%14.8f".
std::string config_text(int sites);

// The number tokens of config_text, one string each.
std::vector<std::string> config_tokens(int sites);

}  // namespace rodscene
