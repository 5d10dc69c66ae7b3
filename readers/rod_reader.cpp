#include "rod_reader.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "config_reader.hpp"

namespace rodscene {
namespace {

// The fewest bytes a data record takes: six one-digit numbers, five
// separators and a line feed. A file's size over it bounds its records.
constexpr std::int64_t min_record_bytes = 12;

// Reserving more than this many rods ahead is left to growth.
constexpr std::int64_t max_reserved_rods = std::int64_t{1} << 24;

// The largest count a header may give, far above any file's records.
constexpr long double max_header_count = 0x1p62L;

// A value no number reads to: a NaN with its own payload. A destination
// still holding it got no value.
long double unread_value() {
  static const long double v = std::nanl("7");
  return v;
}

bool unread(long double v) {
  long double u = unread_value();
  return std::memcmp(&v, &u, 10) == 0;
}

// Reads the header record and takes its count and box when it has them.
int read_header(config_reader& r, rod_report& report) {
  long double h[header_values];
  long double* dest[header_values] = {&h[0], &h[1], &h[2], &h[3]};
  for (long double& v : h)
    v = unread_value();
  int status = read_values(r, dest, header_values);
  warn_read(r, status, 0, report.warnings);
  report.header_line = r.first_line;
  if (status != 0 || r.first_line != r.last_line) return status;
  for (long double v : h) {
    if (unread(v)) return status;
  }
  bool whole =
      h[0] >= 0 && h[0] <= max_header_count && std::floor(h[0]) == h[0];
  double box[3] = {static_cast<double>(h[1]), static_cast<double>(h[2]),
                   static_cast<double>(h[3])};
  for (double l : box) {
    if (!(l > 0) || !std::isfinite(l)) return status;
  }
  if (!whole) return status;
  report.header_count = static_cast<std::int64_t>(h[0]);
  report.has_box = true;
  std::memcpy(report.box, box, sizeof box);
  return status;
}

// The rods to make room for: the header's count, when it has one, but no
// more than the file's size can hold, nor than max_reserved_rods. The
// arrays then fill without moving when the count is right.
std::int64_t expected_rods(std::FILE* file, const rod_report& report) {
  struct stat st;
  std::int64_t most = max_reserved_rods;
  if (fstat(fileno(file), &st) == 0)
    most = std::min(most, st.st_size / min_record_bytes + 1);
  if (report.header_count >= 0) most = std::min(most, report.header_count);
  return most;
}

// Reads the data records to the end of the file, one rod a record.
void read_records(config_reader& r, rod_set& rods, rod_report& report) {
  long double v[record_values];
  long double* dest[record_values] = {&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]};
  for (std::int64_t k = 1;; ++k) {
    for (long double& x : v)
      x = unread_value();
    int status = read_values(r, dest, record_values);
    warn_read(r, status, k, report.warnings);
    if (r.took_input) {
      ++report.records;
      bool whole = status == 0;
      for (long double x : v)
        whole = whole && !unread(x);
      if (whole) {
        keep_rod(rods, report.tally, v, v + 3, r.first_line);
      } else {
        leave_out(report.tally, left_out::missing, r.first_line);
      }
    }
    if (status < 0) return;
  }
}

// Places the header's box: from 0 to L when no coordinate is below 0, as
// a simulation that wraps into [0, L) writes it, else centred on the origin.
void place_box(const rod_set& rods, rod_report& report) {
  bool from_zero = true;
  for (double v : rods.positions)
    from_zero = from_zero && !(v < 0);
  report.box_from_zero = from_zero;
  for (int k = 0; k < 3; ++k)
    report.box_lo[k] = from_zero ? 0 : -report.box[k] / 2;
}

int errno_or_eio() {
  return errno != 0 ? errno : EIO;
}

}  // namespace

void read_rods(const char* path, rod_set& rods, rod_report& report) {
  errno = 0;
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) {
    report.failure = {"open", errno_or_eio()};
    return;
  }
  auto r = std::make_unique<config_reader>();
  start_reader(*r, file);
  if (read_header(*r, report) >= 0) {
    reserve_rods(rods, expected_rods(file, report));
    read_records(*r, rods, report);
  }
  if (report.has_box) place_box(rods, report);
  if (r->error != 0) report.failure = {"read", r->error};
  errno = 0;
  if (std::fclose(file) != 0 && !failed(report.failure)) {
    report.failure = {"close", errno_or_eio()};
  }
}

}  // namespace rodscene
