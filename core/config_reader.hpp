// Reading the configuration file into the site table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "io_failure.hpp"
#include "number_text.hpp"
#include "read_warnings.hpp"
#include "site_table.hpp"

namespace rodscene {

inline constexpr char config_file_name[] = "readingconfig3.txt";

inline constexpr std::size_t reader_buffer_size = std::size_t{1} << 16;

// The file read through one fixed buffer. Lines and tokens of any length
// stream through it: nothing is held whole, so memory is the same for any
// file.
struct config_reader {
  std::FILE* file;
  const char* cursor;  // unread bytes are [cursor, end)
  const char* end;
  bool drained;       // the file has no more bytes to give
  int error;          // errno of a failed read; the reader then acts at EOF
  std::int64_t line;  // number of the line the cursor is on

  // What the last read met, for its warnings.
  bool took_input;          // a value, a null, a slash or a bad token
  int filled;               // destinations it reached, nulls included
  std::int64_t first_line;  // lines of its first and last item
  std::int64_t last_line;
  std::int64_t skipped;  // items left on its last line once it had n values
  token_sample bad;      // the token that ended it, when it was bad

  number_scan scan;  // a token off the fast path
  char buffer[reader_buffer_size];
};

// Makes r read `file`, which it then reads unbuffered.
void start_reader(config_reader& r, std::FILE* file);

// One read of n values. Starts on a fresh line and ends after the line where
// it stopped. Returns 0 when the n values were read or a slash ended the
// read, a negative value when the end of the file came first, and a positive
// value on a bad token; values read before the end or the bad token are
// already stored. A null value (an empty value between commas, or r* for r
// of them) leaves its destination unchanged.
int read_values(config_reader& r, long double* const* destinations, int n);

// Moves the unread bytes to the buffer's start and reads more behind them,
// as far as the buffer has room; at the end of the file it reads nothing.
void refill(config_reader& r);

struct read_report {
  io_failure failure;
  std::int64_t data_records = 0;     // records that met any input
  std::int64_t ignored_records = 0;  // data records past site_capacity
  warning_log warnings;
};

// Warns about what the read of `record` (0 for the header record) that
// ended with `status` lost or had to fill in, at the lines it came from.
void warn_read(const config_reader& r, int status, std::int64_t record,
               warning_log& log);

// Reads the header record, then one data record a slot, to the end of the
// file. Records past the table's capacity are read and counted, never stored.
void read_sites(config_reader& r, site_table& table, read_report& report);

// Opens `path` (the programs' config_file_name in the working directory),
// reads it into the table with r and closes it.
void read_site_table(config_reader& r, site_table& table, read_report& report,
                     const char* path = config_file_name);

}  // namespace rodscene
