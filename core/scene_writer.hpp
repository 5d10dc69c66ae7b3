// Scene records on an output stream.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "extended.hpp"
#include "io_failure.hpp"
#include "number_field.hpp"

namespace rodscene {

// A record is one line: a leading blank, then its items separated by one
// blank each, then a line feed. Output is buffered in storage the caller
// lends and written in large pieces; the first failed write is kept and all
// later output dropped.
struct scene_writer {
  std::FILE* out = nullptr;
  char* buffer = nullptr;
  std::size_t capacity = 0;
  std::size_t used = 0;
  bool first_item = true;  // the next item opens its record
  io_failure failure;
};

// Takes over `out` unbuffered, since the writer buffers itself in
// [buffer, buffer + capacity), which must hold at least a glyph.
void start_writer(scene_writer& w, std::FILE* out, char* buffer,
                  std::size_t capacity);

// Writes out the buffer; keeps the first failure.
void flush(scene_writer& w);

// The record operations. A glyph's records have a fixed layout, so they lay
// out each kind of glyph once; reserve also serves the copies of it.

// Makes room for n more bytes; n is at most a glyph.
inline char* reserve(scene_writer& w, std::size_t n) {
  if (w.capacity - w.used < n) flush(w);
  return w.buffer + w.used;
}

inline void begin_record(scene_writer& w) {
  *reserve(w, 1) = ' ';
  ++w.used;
  w.first_item = true;
}

// Writes the item separator unless the item opens its record.
inline char* start_item(scene_writer& w, std::size_t size) {
  char* p = reserve(w, size + 1);
  *p = ' ';
  p += w.first_item ? 0 : 1;
  w.first_item = false;
  return p;
}

// `text` is one of the writer's short literals.
inline void put_text(scene_writer& w, std::string_view text) {
  char* p = start_item(w, text.size());
  std::memcpy(p, text.data(), text.size());
  w.used = static_cast<std::size_t>(p + text.size() - w.buffer);
}

inline void put_number(scene_writer& w, long double v) {
  char* p = start_item(w, field_width);
  number_field(v, p);
  w.used = static_cast<std::size_t>(p + field_width - w.buffer);
}

inline void end_record(scene_writer& w) {
  *reserve(w, 1) = '\n';
  ++w.used;
}

// Writes out what is buffered and closes the stream. Returns the first
// failure of any write or of the close.
io_failure finish_writer(scene_writer& w);

}  // namespace rodscene
