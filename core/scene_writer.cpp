#include "scene_writer.hpp"

#include <cerrno>
#include <cstring>

#include "number_field.hpp"

namespace rodscene {
namespace {

void flush(scene_writer& w) {
  if (w.used != 0 && !failed(w.failure)) {
    errno = 0;
    if (std::fwrite(w.buffer, 1, w.used, w.out) != w.used) {
      w.failure = {"write", errno != 0 ? errno : EIO};
    }
  }
  w.used = 0;
}

// Makes room for n more bytes; n is never more than one item and separator.
char* reserve(scene_writer& w, std::size_t n) {
  if (sizeof w.buffer - w.used < n) flush(w);
  return w.buffer + w.used;
}

void put_separator(scene_writer& w) {
  if (!w.first_item) w.buffer[w.used++] = ' ';
  w.first_item = false;
}

}  // namespace

void start_writer(scene_writer& w, std::FILE* out) {
  w.out = out;
  w.used = 0;
  w.first_item = true;
  w.failure = {};
  std::setvbuf(out, nullptr, _IONBF, 0);
}

void begin_record(scene_writer& w) {
  *reserve(w, 1) = ' ';
  ++w.used;
  w.first_item = true;
}

void put_text(scene_writer& w, std::string_view text) {
  reserve(w, text.size() + 1);
  put_separator(w);
  std::memcpy(w.buffer + w.used, text.data(), text.size());
  w.used += text.size();
}

void put_number(scene_writer& w, long double v) {
  reserve(w, field_width + 1);
  put_separator(w);
  number_field(v, w.buffer + w.used);
  w.used += field_width;
}

void end_record(scene_writer& w) {
  *reserve(w, 1) = '\n';
  ++w.used;
}

io_failure finish_writer(scene_writer& w) {
  flush(w);
  errno = 0;
  if (std::fclose(w.out) != 0 && !failed(w.failure)) {
    w.failure = {"write", errno != 0 ? errno : EIO};
  }
  return w.failure;
}

}  // namespace rodscene
