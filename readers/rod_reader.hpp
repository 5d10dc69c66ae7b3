// Reading a configuration file whole: every data record is a rod, however
// many there are, read in one pass with the converters' tokens, numbers and
// warnings.
#pragma once

#include <cstdint>

#include "io_failure.hpp"
#include "read_warnings.hpp"
#include "rod_set.hpp"

namespace rodscene {

struct rod_report {
  io_failure failure;
  std::int64_t records = 0;      // data records that met any input
  std::int64_t header_line = 0;  // where the header record starts
  // The header's count and box lengths, when it holds a whole count and
  // three finite lengths above 0 on its line; otherwise header_count is -1
  // and there is no box.
  std::int64_t header_count = -1;
  bool has_box = false;
  double box[3] = {};
  // The box's lower corner, taken from the positions: from 0 to L when no
  // kept position has a coordinate below 0, else centred on the origin.
  bool box_from_zero = false;
  double box_lo[3] = {};
  rod_tally tally;
  warning_log warnings;  // the converters' kinds, as they give them
};

// Reads the configuration file at `path` into `rods`, from empty.
void read_rods(const char* path, rod_set& rods, rod_report& report);

}  // namespace rodscene
