#include "dump_frame.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string_view>

#include "config_reader.hpp"
#include "dump_columns.hpp"
#include "dump_items.hpp"

namespace rodscene {
namespace {

constexpr std::string_view timestep_name = "TIMESTEP";
constexpr std::string_view atoms_count_name = "NUMBER OF ATOMS";
constexpr std::string_view box_name = "BOX BOUNDS";
constexpr std::string_view atoms_name = "ATOMS";
constexpr std::string_view tilt_names[] = {"xy", "xz", "yz"};

// The most columns a row may have that a rod uses.
constexpr int max_columns = 256;
constexpr std::int64_t max_reserved_rows = std::int64_t{1} << 24;

int errno_or_eio() {
  return errno != 0 ? errno : EIO;
}

struct frame_reading {
  config_reader& r;
  dump_frame& frame;
  dump_report& report;
  int axis;
  long double lo[3], hi[3];
  dump_columns columns;
};

bool refuse(frame_reading& f, dump_refusal why) {
  f.report.refusal = why;
  f.report.refusal_line = f.r.line;
  return false;
}

bool refuse_missing(frame_reading& f, std::string_view item) {
  f.report.missing = item.data();
  return refuse(f, dump_refusal::missing_item);
}

bool tilted(std::string_view flags) {
  for (std::string_view t : tilt_names) {
    std::string_view rest;
    for (std::size_t at = flags.find(t); at != flags.npos;
         at = flags.find(t, at + 1)) {
      bool starts = at == 0 || flags[at - 1] == ' ' || flags[at - 1] == '\t';
      if (starts && item_named(flags.substr(at), t, &rest)) return true;
    }
  }
  return false;
}

bool read_box(frame_reading& f, std::string_view flags) {
  if (tilted(flags)) {
    refuse(f, dump_refusal::tilted);
    --f.report.refusal_line;  // the item line, already passed
    return false;
  }
  for (int k = 0; k < 3; ++k) {
    long double* dest[2] = {&f.lo[k], &f.hi[k]};
    if (read_values(f.r, dest, 2) != 0 || f.r.filled != 2)
      return refuse_missing(f, box_name);
    f.frame.lo[k] = static_cast<double>(f.lo[k]);
    f.frame.hi[k] = static_cast<double>(f.hi[k]);
  }
  return true;
}

// Reads the items from the timestep to the atoms' column names.
bool read_header(frame_reading& f) {
  std::string_view item, rest;
  if (!next_item(f.r, &item) || !item_named(item, timestep_name, &rest))
    return refuse(f, dump_refusal::bad_offset);
  if (!read_whole(f.r, &f.frame.timestep))
    return refuse(f, dump_refusal::bad_timestep);
  bool counted = false, boxed = false;
  for (;;) {
    if (!next_item(f.r, &item)) return refuse_missing(f, atoms_name);
    if (item_named(item, atoms_count_name, &rest)) {
      if (!read_whole(f.r, &f.frame.atoms) || f.frame.atoms < 0)
        return refuse(f, dump_refusal::bad_count);
      counted = true;
    } else if (item_named(item, box_name, &rest)) {
      if (!read_box(f, rest)) return false;
      boxed = true;
    } else if (item_named(item, atoms_name, &rest)) {
      break;
    } else if (item_named(item, timestep_name, &rest)) {
      return refuse_missing(f, atoms_name);
    } else {
      skip_to_item(f.r);
    }
  }
  if (!counted) return refuse_missing(f, atoms_count_name);
  if (!boxed) return refuse_missing(f, box_name);
  dump_refusal why =
      find_columns(rest.data(), rest.data() + rest.size(), f.columns);
  if (why == dump_refusal::none && f.columns.needed > max_columns)
    why = dump_refusal::no_position;
  f.frame.with_ids = f.columns.id >= 0;
  f.frame.with_types = f.columns.type >= 0;
  return why == dump_refusal::none || refuse(f, why);
}

bool whole_number(long double v) {
  return std::isfinite(v) && std::floor(v) == v;
}

// Makes a rod of a row's values, or counts the row out.
void take_row(frame_reading& f, const long double* v, std::int64_t line) {
  const dump_columns& c = f.columns;
  for (int col : {c.id, c.type}) {
    if (col >= 0 && !whole_number(v[col]))
      return leave_out(f.report.tally, left_out::missing, line);
  }
  long double p[3], d[3];
  for (int k = 0; k < 3; ++k) {
    p[k] = v[c.position[k]];
    if (c.scaled) p[k] = f.lo[k] + p[k] * (f.hi[k] - f.lo[k]);
  }
  if (c.quaternion) {
    long double q[4] = {v[c.direction[0]], v[c.direction[1]], v[c.direction[2]],
                        v[c.direction[3]]};
    rotate_axis(q, f.axis, d);
  } else {
    for (int k = 0; k < 3; ++k)
      d[k] = v[c.direction[k]];
  }
  rod_set& rods = f.frame.rods;
  std::size_t kept = rods.lines.size();
  keep_rod(rods, f.report.tally, p, d, line);
  if (rods.lines.size() == kept) return;
  if (c.id >= 0) f.frame.ids.push_back(static_cast<std::int64_t>(v[c.id]));
  if (c.type >= 0)
    f.frame.types.push_back(static_cast<std::int64_t>(v[c.type]));
}

void note_bad_token(frame_reading& f) {
  if (f.report.bad_tokens++ > 0) return;
  f.report.first_bad_line = f.r.last_line;
  f.report.first_bad = f.r.bad;
}

// Reads the frame's atom rows, one a line: a row that does not give its
// values on its own line is left out.
void read_rows(frame_reading& f) {
  int n = f.columns.needed;
  long double v[max_columns];
  long double* dest[max_columns];
  for (int i = 0; i < n; ++i)
    dest[i] = &v[i];
  // The count is the file's word, not a promise: reserve no more than a
  // large frame needs, and let a larger one grow.
  reserve_rods(f.frame.rods, std::min(f.frame.atoms, max_reserved_rows));
  for (std::int64_t k = 0; k < f.frame.atoms; ++k) {
    for (int i = 0; i < n; ++i)
      v[i] = NAN;
    int status = read_values(f.r, dest, n);
    if (!f.r.took_input) return;  // the file ends before the row
    ++f.report.rows;
    if (status > 0) note_bad_token(f);
    if (status == 0 && f.r.filled == n && f.r.first_line == f.r.last_line) {
      take_row(f, v, f.r.first_line);
    } else {
      leave_out(f.report.tally, left_out::missing, f.r.first_line);
    }
    if (status < 0) return;
  }
}

// Opens the file as a stream that starts at `offset`.
std::FILE* open_at(const char* path, std::int64_t offset, io_failure& fail) {
  errno = 0;
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    fail = {"open", errno_or_eio()};
    return nullptr;
  }
  std::FILE* file = nullptr;
  if (lseek(fd, offset, SEEK_SET) >= 0) file = fdopen(fd, "r");
  if (file == nullptr) {
    fail = {"read", errno_or_eio()};
    close(fd);
  }
  return file;
}

}  // namespace

void read_dump_frame(const char* path, std::int64_t offset, std::int64_t line,
                     int axis, dump_frame& frame, dump_report& report) {
  std::FILE* file = open_at(path, offset, report.failure);
  if (file == nullptr) return;
  auto r = std::make_unique<config_reader>();
  start_reader(*r, file);
  r->line = line;
  frame_reading f{*r, frame, report, axis, {}, {}, {}};
  if (read_header(f)) read_rows(f);
  if (r->error != 0) report.failure = {"read", r->error};
  errno = 0;
  if (std::fclose(file) != 0 && !failed(report.failure)) {
    report.failure = {"close", errno_or_eio()};
  }
}

}  // namespace rodscene
