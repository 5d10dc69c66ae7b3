// Rods as the readers keep them: a position and a unit direction each, in
// double precision, with the line of the input their record starts on.
#pragma once

#include <cstdint>
#include <vector>

#include "huge_pages.hpp"

namespace rodscene {

// A direction whose length differs from 1 by more than this is counted.
inline constexpr long double unit_tolerance = 1e-6L;

struct rod_set {
  rod_array<double> positions;   // x y z, a rod after another
  rod_array<double> directions;  // of unit length, likewise
  rod_array<std::int64_t> lines;
};

// Why a record gave no rod.
enum class left_out : unsigned char {
  missing,    // values missing: a bad token, a slash, a null, the file's end
  position,   // a position that is not finite in double precision
  direction,  // a zero or non-finite direction
};
inline constexpr int left_out_kinds = 3;

// What became of the records: how many were left out, and why, with the
// line of the first of each kind; how many directions were normalised.
struct rod_tally {
  std::int64_t left[left_out_kinds] = {};
  std::int64_t first_left_line[left_out_kinds] = {};
  std::int64_t not_unit = 0;  // lengths off 1 by more than unit_tolerance
  std::int64_t first_not_unit_line = 0;
  double max_deviation = 0;  // the largest | |direction| - 1 |
};

inline std::int64_t left_total(const rod_tally& t) {
  return t.left[0] + t.left[1] + t.left[2];
}

// Counts a record at `line` that gives no rod.
void leave_out(rod_tally& t, left_out why, std::int64_t line);

// Keeps the rod at position p along d, normalised in extended precision,
// or counts it out when either cannot make a rod.
void keep_rod(rod_set& rods, rod_tally& t, const long double* p,
              const long double* d, std::int64_t line);

// Room for n rods, so that the arrays never move while they fill.
void reserve_rods(rod_set& rods, std::int64_t n);

}  // namespace rodscene
