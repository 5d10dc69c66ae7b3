// Warnings about input the reader had to drop or fill in: kept in fixed
// storage while reading, written to standard error after it.
#pragma once

#include <cstdint>
#include <cstdio>

namespace rodscene {

// Values in the header record and in each data record.
inline constexpr int header_values = 4;
inline constexpr int record_values = 6;

// The first bytes of a token and its full length.
inline constexpr int sample_size = 40;
struct token_sample {
  char head[sample_size];
  std::int64_t length;
};

enum class warning_kind : unsigned char {
  bad_number,    // a token that is no number ended its record
  skipped,       // numbers left on a line after a record got its values
  cut_short,     // the end of the file came inside a record
  short_header,  // the header record took values from later lines
};
inline constexpr int warning_kinds = 4;
inline constexpr int shown_per_kind = 10;

// record 0 is the header record.
struct warning {
  warning_kind kind;
  std::int64_t first_line;  // lines of the record's first and last items
  std::int64_t last_line;
  std::int64_t record;
  std::int64_t count;  // values the record got, or numbers skipped
  token_sample token;  // the bad number
};

struct warning_log {
  warning shown[warning_kinds * shown_per_kind];
  int shown_count = 0;
  std::int64_t total[warning_kinds] = {};
};

// The ending of a counted noun: "1 record", "2 records".
inline const char* plural(std::int64_t n) {
  return n == 1 ? "" : "s";
}

// Keeps w unless ten of its kind are kept already; counts it either way.
void add_warning(warning_log& log, const warning& w);

// Writes the kept warnings in the order they came, then a line a kind
// counting those not shown. Each line starts "program: file"; a kept
// warning then gives the line where its record starts (":7:"), and names a
// record read from several lines with them ("record 5, lines 7-8"). No line
// is ever cut, and each is written by one call.
void print_warnings(std::FILE* err, const char* program, const char* file,
                    const warning_log& log);

}  // namespace rodscene
