// Reading one frame of a LAMMPS text dump, from the offset where its
// "ITEM: TIMESTEP" line starts, with the converters' tokens and numbers.
#pragma once

#include <cstdint>
#include <vector>

#include "dump_scan.hpp"
#include "io_failure.hpp"
#include "read_warnings.hpp"
#include "rod_set.hpp"

namespace rodscene {

struct dump_frame {
  rod_set rods;
  // The id and type columns of the kept rods, empty without the column.
  rod_array<std::int64_t> ids, types;
  bool with_ids = false, with_types = false;  // the frame has the column
  double lo[3] = {}, hi[3] = {};              // the box's bounds
  std::int64_t timestep = 0;
  std::int64_t atoms = 0;  // as the frame's header gives them
};

struct dump_report {
  io_failure failure;
  dump_refusal refusal = dump_refusal::none;
  std::int64_t refusal_line = 0;
  const char* missing = nullptr;  // the item that was not found
  std::int64_t rows = 0;          // atom rows that met any input
  rod_tally tally;
  std::int64_t bad_tokens = 0;  // rows a token that is no number ended
  std::int64_t first_bad_line = 0;
  token_sample first_bad = {};
};

// Reads the frame at `offset` of the dump at `path`, whose first line is
// line `line` of the file; `axis` (0, 1, 2 for x, y, z) is the body axis
// that quaternions turn into directions.
void read_dump_frame(const char* path, std::int64_t offset, std::int64_t line,
                     int axis, dump_frame& frame, dump_report& report);

}  // namespace rodscene
