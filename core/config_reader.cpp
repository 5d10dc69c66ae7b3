#include "config_reader.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "number_text.hpp"

namespace rodscene {
namespace {

constexpr std::size_t chunk_size = std::size_t{1} << 16;

// A repeat count past this is more copies than any read can take.
constexpr std::uint64_t repeat_cap = 1'000'000'000;

// Characters that end a token. A repeat count also ends at '*'.
enum : unsigned char { blank = 1, comma = 2, slash = 4, star = 8 };

struct class_table {
  unsigned char of[256];
  constexpr class_table() : of{} {
    of[static_cast<unsigned char>(' ')] = blank;
    of[static_cast<unsigned char>('\t')] = blank;
    of[static_cast<unsigned char>(',')] = comma;
    of[static_cast<unsigned char>(';')] = comma;
    of[static_cast<unsigned char>('/')] = slash;
    of[static_cast<unsigned char>('*')] = star;
  }
};
constexpr class_table char_class;

unsigned char class_of(char c) {
  return char_class.of[static_cast<unsigned char>(c)];
}

// Moves p to the first character in [p, last) of one of the classes.
const char* skip_until(const char* p, const char* last, unsigned classes) {
  while (p != last && (class_of(*p) & classes) == 0)
    ++p;
  return p;
}

int errno_or_eio() {
  return errno != 0 ? errno : EIO;
}

// Reads more of the file behind the unread bytes, growing the buffer only
// when one line fills it.
void fill(config_reader& r) {
  char* data = r.buffer.data();
  std::size_t unread = r.end - r.begin;
  std::memmove(data, data + r.begin, unread);
  r.begin = 0;
  r.end = unread;
  if (r.end == r.buffer.size()) r.buffer.resize(2 * r.buffer.size());
  data = r.buffer.data();
  std::size_t room = r.buffer.size() - r.end;
  errno = 0;
  std::size_t got = std::fread(data + r.end, 1, room, r.file);
  r.end += got;
  if (got < room) {
    if (std::ferror(r.file)) r.error = errno_or_eio();
    r.drained = true;
  }
}

// Makes the next line current, without its line feed and a carriage return
// before it. Returns false at the end of the file.
bool next_line(config_reader& r) {
  for (;;) {
    const char* data = r.buffer.data();
    const char* first = data + r.begin;
    const void* feed = std::memchr(first, '\n', r.end - r.begin);
    if (feed != nullptr || (r.drained && r.begin < r.end)) {
      const char* last = feed ? static_cast<const char*>(feed) : data + r.end;
      r.begin = static_cast<std::size_t>(last - data) + (feed ? 1 : 0);
      if (last != first && last[-1] == '\r') --last;
      r.cursor = first;
      r.line_end = last;
      return true;
    }
    if (r.drained) return false;
    fill(r);
  }
}

constexpr unsigned separators = blank | comma | slash;

// A repeat count is a positive whole number without sign or point.
bool parse_count(const char* first, const char* last, std::uint64_t* count) {
  if (first == last) return false;
  std::uint64_t c = 0;
  for (const char* p = first; p != last; ++p) {
    if (*p < '0' || *p > '9') return false;
    if (c < repeat_cap) c = c * 10 + static_cast<std::uint64_t>(*p - '0');
  }
  *count = c;
  return c > 0;
}

// Takes the rest of a repeat r*c or r* whose count is [first, cursor) and
// whose '*' is at the cursor, filling destinations from `filled` on.
// Returns the new count of filled destinations, or -1 on a bad token.
int take_repeat(config_reader& r, const char* first,
                long double* const* destinations, int filled, int n) {
  std::uint64_t count;
  if (!parse_count(first, r.cursor, &count)) return -1;
  const char* value = ++r.cursor;
  r.cursor = skip_until(r.cursor, r.line_end, separators);
  long double v = 0;
  bool null = value == r.cursor;
  if (!null && !parse_number(value, r.cursor, &v)) return -1;
  for (; count > 0 && filled < n; --count, ++filled) {
    if (!null) *destinations[filled] = v;
  }
  return filled;
}

}  // namespace

config_reader make_reader(std::FILE* file) {
  config_reader r;
  r.file = file;
  r.buffer.resize(chunk_size);
  // The reader buffers whole chunks itself.
  std::setvbuf(file, nullptr, _IONBF, 0);
  return r;
}

int read_values(config_reader& r, long double* const* destinations, int n) {
  r.took_input = false;
  if (!next_line(r)) return -1;
  int filled = 0;
  // Blanks and line ends separate values; a comma or semicolon with blanks
  // around it does too, and one straight after another (or at the start of
  // the read) stands for a null value.
  bool after_comma = true;
  for (;;) {
    while (r.cursor != r.line_end && class_of(*r.cursor) == blank)
      ++r.cursor;
    if (r.cursor == r.line_end) {
      if (!next_line(r)) return -1;
      continue;
    }
    r.took_input = true;
    if (*r.cursor == '/') return 0;
    if (class_of(*r.cursor) == comma) {
      ++r.cursor;
      if (after_comma && ++filled == n) return 0;
      after_comma = true;
      continue;
    }
    // Most tokens are plain numbers: parse them in the same pass that finds
    // their end.
    const char* first = r.cursor;
    long double v;
    const char* end = parse_simple_prefix(first, r.line_end, &v);
    if (end != nullptr &&
        (end == r.line_end || (class_of(*end) & separators) != 0)) {
      *destinations[filled] = v;
      r.cursor = end;
      if (++filled == n) return 0;
      after_comma = false;
      continue;
    }
    r.cursor = skip_until(r.cursor, r.line_end, separators | star);
    if (r.cursor != r.line_end && *r.cursor == '*') {
      filled = take_repeat(r, first, destinations, filled, n);
      if (filled < 0) return 1;
    } else if (parse_number(first, r.cursor, destinations[filled])) {
      ++filled;
    } else {
      return 1;
    }
    if (filled == n) return 0;
    after_comma = false;
  }
}

read_report read_sites(config_reader& r, site_table& t) {
  read_report report;
  long double scratch[6] = {};
  long double* dest[6] = {&scratch[0], &scratch[1], &scratch[2],
                          &scratch[3], &scratch[4], &scratch[5]};
  // A bad header still lets the data records be read.
  int status = read_values(r, dest, 4);
  for (std::int64_t k = 0; status >= 0; ++k) {
    bool stored = k < site_capacity;
    if (stored) {
      long double* slot[6] = {&t.x[k],    &t.y[k],    &t.z[k],
                              &t.phi1[k], &t.phi2[k], &t.phi3[k]};
      std::copy(slot, slot + 6, dest);
    } else if (k == site_capacity) {
      for (int i = 0; i < 6; ++i)
        dest[i] = &scratch[i];
    }
    status = read_values(r, dest, 6);
    if (!stored && r.took_input) ++report.ignored_records;
  }
  if (r.error != 0) report.failure = {"read", r.error};
  return report;
}

read_report read_site_table(site_table& table) {
  errno = 0;
  std::FILE* file = std::fopen(config_file_name, "r");
  if (file == nullptr) return {{"open", errno_or_eio()}};
  read_report report;
  try {
    config_reader reader = make_reader(file);
    report = read_sites(reader, table);
  } catch (const std::bad_alloc&) {
    // A line too long to hold in memory: a failure of the system, not
    // bad text.
    report.failure = {"read", ENOMEM};
  }
  errno = 0;
  if (std::fclose(file) != 0 && !failed(report.failure)) {
    report.failure = {"close", errno_or_eio()};
  }
  return report;
}

}  // namespace rodscene
