// Scene records on an output stream.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

#include "extended.hpp"
#include "io_failure.hpp"

namespace rodscene {

// A record is one line: a leading blank, then its items separated by one
// blank each, then a line feed. Output is buffered and written in large
// pieces; the first failed write is kept and all later output dropped.
struct scene_writer {
  std::FILE* out = nullptr;
  std::size_t used = 0;
  bool first_item = true;  // the next item opens its record
  io_failure failure;
  char buffer[std::size_t{1} << 16];
};

// Takes over `out` unbuffered, since the writer buffers itself.
void start_writer(scene_writer& w, std::FILE* out);

void begin_record(scene_writer& w);
void put_text(scene_writer& w, std::string_view text);
void put_number(scene_writer& w, long double v);
void end_record(scene_writer& w);

// Writes out what is buffered and closes the stream. Returns the first
// failure of any write or of the close.
io_failure finish_writer(scene_writer& w);

}  // namespace rodscene
