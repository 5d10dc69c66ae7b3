// Finding the frames of a LAMMPS text dump without reading them: where
// each starts, its timestep and its first line, so that frames can be read
// one at a time, or several at once, from their offsets.
#pragma once

#include <cstdint>
#include <vector>

#include "io_failure.hpp"

namespace rodscene {

inline constexpr char timestep_item[] = "ITEM: TIMESTEP";

struct dump_mark {
  std::int64_t offset;    // of the line "ITEM: TIMESTEP"
  std::int64_t timestep;  // the number on the line after it
  std::int64_t line;      // of the line "ITEM: TIMESTEP", from 1
};

// What stops a file from being read as a dump; the line it was met on.
enum class dump_refusal : unsigned char {
  none,
  not_dump,      // the first line is not an ITEM line
  bad_timestep,  // a timestep that is not a whole number
  bad_count,     // a number of atoms that is not a whole number
  missing_item,  // an item the frame needs is not where it belongs
  tilted,        // a box with tilt factors
  no_position,   // no x y z, xu yu zu, xs ys zs or xsu ysu zsu columns
  no_direction,  // no mux muy muz or quatw quati quatj quatk columns
  bad_offset,    // no frame starts at the offset given
};

struct dump_scan_report {
  io_failure failure;
  dump_refusal refusal = dump_refusal::none;
  std::int64_t refusal_line = 0;
};

// Every frame of the dump at `path`, in file order.
std::vector<dump_mark> scan_dump(const char* path, dump_scan_report& report);

}  // namespace rodscene
