// Reading the configuration file into the site table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "io_failure.hpp"
#include "site_table.hpp"

namespace rodscene {

inline constexpr char config_file_name[] = "readingconfig3.txt";

// The file read line by line. Memory grows with the longest line only.
struct config_reader {
  std::FILE* file = nullptr;
  std::vector<char> buffer;
  std::size_t begin = 0;  // unread bytes of buffer are [begin, end)
  std::size_t end = 0;
  bool drained = false;  // the file has no more bytes to give
  int error = 0;         // errno of a failed read; the reader then acts at EOF
  const char* cursor = nullptr;  // unread part of the current line
  const char* line_end = nullptr;
  bool took_input = false;  // the last read met a value, null or bad token
};

config_reader make_reader(std::FILE* file);

// One read of n values. Starts on a fresh line and leaves the rest of the
// line where it stopped unread. Returns 0 when the n values were read or a
// slash ended the read, a negative value when the end of the file came
// first, and a positive value on a bad token; values read before the end or
// the bad token are already stored. A null value (an empty value between
// commas, or r* for r of them) leaves its destination unchanged.
int read_values(config_reader& reader, long double* const* destinations, int n);

struct read_report {
  io_failure failure;
  std::int64_t ignored_records = 0;  // data records past site_capacity
};

// Reads the header record, then one data record a slot, to the end of the
// file. Records past the table's capacity are read and counted, never stored.
read_report read_sites(config_reader& reader, site_table& table);

// Opens config_file_name in the working directory, reads it into the table
// and closes it.
read_report read_site_table(site_table& table);

}  // namespace rodscene
