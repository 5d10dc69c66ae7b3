#include "config_reader.hpp"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

namespace rodscene {
namespace {

enum : unsigned char {
  blank = 1,
  comma = 2,
  slash = 4,
  star = 8,
  line_feed = 16,
  carriage_return = 32,
};

struct class_table {
  unsigned char of[256];
  constexpr class_table() : of{} {
    of[static_cast<unsigned char>(' ')] = blank;
    of[static_cast<unsigned char>('\t')] = blank;
    of[static_cast<unsigned char>(',')] = comma;
    of[static_cast<unsigned char>(';')] = comma;
    of[static_cast<unsigned char>('/')] = slash;
    of[static_cast<unsigned char>('*')] = star;
    of[static_cast<unsigned char>('\n')] = line_feed;
    of[static_cast<unsigned char>('\r')] = carriage_return;
  }
};
constexpr class_table char_class;

unsigned char class_of(char c) {
  return char_class.of[static_cast<unsigned char>(c)];
}

// A carriage return ends a token only where it ends a line; elsewhere it
// is part of the token, which is then no number.
constexpr unsigned token_ends =
    blank | comma | slash | line_feed | carriage_return;

// Moves p to the first character in [p, last) of one of the classes.
const char* skip_until(const char* p, const char* last, unsigned classes) {
  while (p != last && (class_of(*p) & classes) == 0)
    ++p;
  return p;
}

// Moves p past blanks. Runs of spaces, the usual padding of columns, are
// skipped a word at a time, without a branch on their length.
const char* skip_blanks(const char* p, const char* last) {
  while (last - p >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    std::uint64_t other = word ^ 0x2020202020202020ull;  // zero on a space
    if (other != 0) {
      p += std::countr_zero(other) / 8;
      break;
    }
    p += 8;
  }
  while (p != last && class_of(*p) == blank)
    ++p;
  return p;
}

int errno_or_eio() {
  return errno != 0 ? errno : EIO;
}

}  // namespace

void refill(config_reader& r) {
  std::size_t unread = static_cast<std::size_t>(r.end - r.cursor);
  std::memmove(r.buffer, r.cursor, unread);
  r.cursor = r.buffer;
  r.end = r.buffer + unread;
  std::size_t room = sizeof r.buffer - unread;
  if (r.drained || room == 0) return;
  errno = 0;
  std::size_t got = std::fread(r.buffer + unread, 1, room, r.file);
  r.end += got;
  if (got < room) {
    if (std::ferror(r.file)) r.error = errno_or_eio();
    r.drained = true;
  }
}

namespace {

// Makes unread bytes available; false at the end of the file.
bool more(config_reader& r) {
  if (r.cursor == r.end) refill(r);
  return r.cursor != r.end;
}

// Whether the carriage return at the cursor ends its line: a line feed or
// the end of the file follows it.
bool return_ends_line(config_reader& r) {
  if (r.cursor + 1 == r.end) refill(r);
  return r.cursor + 1 == r.end || r.cursor[1] == '\n';
}

// Whether a number the fast path read ends its token at `stop`.
bool ends_token(const char* stop, const char* end) {
  if (stop == end) return false;  // the token may go on past the buffer
  unsigned k = class_of(*stop);
  if ((k & carriage_return) != 0) return stop + 1 != end && stop[1] == '\n';
  return (k & token_ends) != 0;
}

void note_item(config_reader& r) {
  if (!r.took_input) r.first_line = r.line;
  r.took_input = true;
  r.last_line = r.line;
}

// Moves past the end of the current line, counting on the way the items
// before any slash when `count` is set: what follows a slash is a comment.
std::int64_t skip_line(config_reader& r, bool count) {
  std::int64_t items = 0;
  bool in_item = false;
  for (;;) {
    if (!more(r)) return items;
    if (!count) {
      const void* feed = std::memchr(r.cursor, '\n', r.end - r.cursor);
      r.cursor = feed ? static_cast<const char*>(feed) : r.end;
      if (feed == nullptr) continue;
    }
    char c = *r.cursor++;
    unsigned k = class_of(c);
    if (c == '\n') {
      ++r.line;
      return items;
    }
    if ((k & slash) != 0) {
      count = false;
    } else if ((k & (blank | comma | carriage_return)) != 0) {
      in_item = false;
    } else if (!in_item) {
      in_item = true;
      ++items;
    }
  }
}

// Keeps the first bytes of the token and counts them all.
void sample(config_reader& r, const char* first, const char* last) {
  std::int64_t n = last - first;
  if (r.bad.length < sample_size) {
    std::int64_t take = std::min<std::int64_t>(n, sample_size - r.bad.length);
    std::memcpy(r.bad.head + r.bad.length, first,
                static_cast<std::size_t>(take));
  }
  r.bad.length += n;
}

void take_text(config_reader& r, const char* last) {
  scan_text(r.scan, r.cursor, last);
  sample(r, r.cursor, last);
  r.cursor = last;
}

struct token {
  bool bad = false;
  bool null = false;        // r* without a value
  std::uint64_t count = 1;  // r of r*c
  long double value = 0;
};

// Takes the token at the cursor, of any length, as it streams past: a
// number, or r*c, or r*.
token take_token(config_reader& r) {
  token t;
  start_scan(r.scan);
  r.bad.length = 0;
  bool repeat = false;
  std::int64_t value_from = 0;  // where the value of r*c starts
  for (;;) {
    take_text(r, skip_until(r.cursor, r.end, token_ends | star));
    if (r.cursor == r.end) {
      if (more(r)) continue;
      break;
    }
    char c = *r.cursor;
    if (c == '*' && !repeat) {
      repeat = true;
      if (!scan_whole(r.scan, &t.count) || t.count == 0) t.bad = true;
      start_scan(r.scan);
      sample(r, r.cursor, r.cursor + 1);
      ++r.cursor;
      value_from = r.bad.length;
    } else if (c == '*' || (c == '\r' && !return_ends_line(r))) {
      take_text(r, r.cursor + 1);
    } else {
      break;
    }
  }
  if (!t.bad && repeat && r.bad.length == value_from) {
    t.null = true;
  } else if (!t.bad) {
    t.bad = !scan_value(r.scan, &t.value);
  }
  return t;
}

// Takes plain numbers one after another on the current line, the common
// case, for as long as they come and the read wants more. Returns how many
// it took. The loop keeps its place in locals: they stay in registers, where
// the reader's own fields would go through memory on every number.
int take_plain_numbers(config_reader& r, long double* const* destinations,
                       int n) {
  const char* cursor = r.cursor;
  const char* const end = r.end;
  int filled = r.filled;
  while (filled < n) {
    const char* p = skip_blanks(cursor, end);
    const char* stop = nullptr;
    long double v = end - p >= plain_reach ? parse_plain_prefix(p, &stop) : 0;
    if (stop == nullptr || !ends_token(stop, end)) break;
    *destinations[filled++] = v;
    cursor = stop;
  }
  int taken = filled - r.filled;
  if (taken > 0) {  // all on the cursor's line
    note_item(r);
    r.filled = filled;
    r.cursor = cursor;
  }
  return taken;
}

}  // namespace

void start_reader(config_reader& r, std::FILE* file) {
  r.file = file;
  r.cursor = r.end = r.buffer;
  r.drained = false;
  r.error = 0;
  r.line = 1;
  // The reader buffers whole chunks itself.
  std::setvbuf(file, nullptr, _IONBF, 0);
}

int read_values(config_reader& r, long double* const* destinations, int n) {
  r.took_input = false;
  r.filled = 0;
  r.skipped = 0;
  // Blanks and line ends separate values; a comma or semicolon with blanks
  // around it does too, and one straight after another (or at the start of
  // the read) stands for a null value.
  bool after_comma = true;
  for (;;) {
    if (take_plain_numbers(r, destinations, n) > 0) {
      after_comma = false;
      if (r.filled == n) break;
    }
    r.cursor = skip_blanks(r.cursor, r.end);
    if (r.cursor == r.end) {
      if (!more(r)) return -1;
      continue;
    }
    char c = *r.cursor;
    if (c == '\n') {
      ++r.cursor;
      ++r.line;
      continue;
    }
    if (c == '\r' && return_ends_line(r)) {
      ++r.cursor;
      continue;
    }
    note_item(r);
    if (c == '/') {
      skip_line(r, false);
      return 0;
    }
    if (class_of(c) == comma) {
      ++r.cursor;
      if (after_comma && ++r.filled == n) break;
      after_comma = true;
      continue;
    }
    // Most tokens are plain numbers: parse them in the same pass that finds
    // their end.
    const char* stop;
    long double v = parse_simple_prefix(r.cursor, r.end, &stop);
    if (stop != nullptr && ends_token(stop, r.end)) {
      *destinations[r.filled++] = v;
      r.cursor = stop;
    } else {
      token t = take_token(r);
      if (t.bad) {
        skip_line(r, false);
        return 1;
      }
      for (; t.count > 0 && r.filled < n; --t.count, ++r.filled) {
        if (!t.null) *destinations[r.filled] = t.value;
      }
    }
    if (r.filled == n) break;
    after_comma = false;
  }
  r.skipped = skip_line(r, true);
  return 0;
}

void warn_read(const config_reader& r, int status, std::int64_t record,
               warning_log& log) {
  if (status > 0) {
    add_warning(log, {warning_kind::bad_number, r.first_line, r.last_line,
                      record, r.filled, r.bad});
  } else if (status < 0) {
    if (!r.took_input) return;
    add_warning(log, {warning_kind::cut_short,
                      r.first_line,
                      r.last_line,
                      record,
                      r.filled,
                      {}});
  } else if (record == 0) {
    // The rest of the header's line is skipped by design; a header that
    // runs on to later lines takes a data line with it. It has all its
    // values unless a slash ended it.
    if (r.first_line == r.last_line) return;
    add_warning(log, {warning_kind::short_header,
                      r.first_line,
                      r.last_line,
                      0,
                      r.filled,
                      {}});
  } else if (r.skipped > 0) {
    add_warning(log, {warning_kind::skipped,
                      r.first_line,
                      r.last_line,
                      record,
                      r.skipped,
                      {}});
  }
}

void read_sites(config_reader& r, site_table& t, read_report& report) {
  long double scratch[record_values] = {};
  long double* dest[record_values] = {&scratch[0], &scratch[1], &scratch[2],
                                      &scratch[3], &scratch[4], &scratch[5]};
  // A bad header still lets the data records be read.
  int status = read_values(r, dest, header_values);
  warn_read(r, status, 0, report.warnings);
  for (std::int64_t k = 0; status >= 0; ++k) {
    bool stored = k < site_capacity;
    if (stored) {
      long double* slot[record_values] = {&t.x[k],    &t.y[k],    &t.z[k],
                                          &t.phi1[k], &t.phi2[k], &t.phi3[k]};
      std::copy(slot, slot + record_values, dest);
    } else if (k == site_capacity) {
      for (int i = 0; i < record_values; ++i)
        dest[i] = &scratch[i];
    }
    status = read_values(r, dest, record_values);
    if (r.took_input) {
      ++report.data_records;
      if (stored) t.line[k] = r.first_line;
      if (!stored) ++report.ignored_records;
    }
    warn_read(r, status, k + 1, report.warnings);
  }
  if (r.error != 0) report.failure = {"read", r.error};
}

void read_site_table(config_reader& r, site_table& table, read_report& report,
                     const char* path) {
  errno = 0;
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) {
    report.failure = {"open", errno_or_eio()};
    return;
  }
  start_reader(r, file);
  read_sites(r, table, report);
  errno = 0;
  if (std::fclose(file) != 0 && !failed(report.failure)) {
    report.failure = {"close", errno_or_eio()};
  }
}

}  // namespace rodscene
