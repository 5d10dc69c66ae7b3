// The columns of a dump's atom rows that make rods, found from the names
// on its "ITEM: ATOMS" line.
#pragma once

#include <cstdint>

#include "dump_scan.hpp"

namespace rodscene {

// Where each value a rod needs stands in a row, or -1.
struct dump_columns {
  int position[3];
  bool scaled;  // positions are fractions of the box
  int direction[4];
  bool quaternion;  // direction holds quatw quati quatj quatk
  int id, type;
  int needed;  // values a row must give: up to the last column used
};

// Finds the columns among the names [first, last), blank-separated, of the
// ATOMS line; a refusal when the positions or directions are missing.
dump_refusal find_columns(const char* first, const char* last, dump_columns& c);

// The direction of a rod whose orientation is the quaternion q (w i j k),
// along body axis `axis` (0, 1, 2 for x, y, z): that axis rotated by q,
// of length |q|^2, so that a quaternion not of unit length is counted as
// directions are.
void rotate_axis(const long double* q, int axis, long double* d);

}  // namespace rodscene
