#include "dump_scan.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>

namespace rodscene {
namespace {

constexpr std::size_t chunk_size = std::size_t{1} << 20;
constexpr std::size_t item_length = sizeof timestep_item - 1;
constexpr char item_mark[] = "ITEM:";
constexpr std::size_t timestep_room = 128;  // the item, its number, blanks

int errno_or_eio() {
  return errno != 0 ? errno : EIO;
}

// Reads up to n bytes at offset; the count, or -1 with errno set.
std::int64_t read_at(int fd, char* to, std::size_t n, std::int64_t offset) {
  std::size_t got = 0;
  while (got < n) {
    ssize_t k = pread(fd, to + got, n - got, offset + std::int64_t(got));
    if (k < 0 && errno == EINTR) continue;
    if (k < 0) return -1;
    if (k == 0) break;
    got += static_cast<std::size_t>(k);
  }
  return static_cast<std::int64_t>(got);
}

bool blank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// The whole number on the line after the item at text[0]; false when it is
// not one.
bool timestep_after(const char* text, std::size_t n, std::int64_t* step) {
  const char* end = text + n;
  const char* p = static_cast<const char*>(std::memchr(text, '\n', n));
  if (p == nullptr) return false;
  for (++p; p != end && blank(*p); ++p) {
  }
  auto [stop, ec] = std::from_chars(p, end, *step);
  if (ec != std::errc{}) return false;
  for (p = stop; p != end && blank(*p); ++p) {
  }
  return p == end || *p == '\n';
}

// The lines counted so far and the frames found.
struct scan_state {
  std::int64_t line = 1;
  char before = '\n';  // the byte before the chunk; a line starts the file
  std::vector<dump_mark> marks;
};

// Marks the frames whose item starts in [0, to) of the chunk at `base`,
// which holds `n` bytes from file offset `at`, and counts its lines there.
void scan_chunk(scan_state& s, const char* base, std::size_t n, std::size_t to,
                std::int64_t at) {
  const char* p = base;
  const char* end = base + to;
  for (;;) {
    const void* hit = memmem(p, static_cast<std::size_t>(base + n - p),
                             timestep_item, item_length);
    const char* m = static_cast<const char*>(hit);
    if (m == nullptr || m >= end) break;
    s.line += std::count(p, m, '\n');
    p = m + 1;
    if ((m == base ? s.before : m[-1]) != '\n') continue;
    s.marks.push_back({at + (m - base), 0, s.line});
  }
  s.line += std::count(p, end, '\n');
  if (to > 0) s.before = base[to - 1];
}

// Reads each frame's timestep; false at the first that has none.
bool read_timesteps(int fd, scan_state& s, dump_scan_report& report) {
  char text[timestep_room];
  for (dump_mark& k : s.marks) {
    std::int64_t got = read_at(fd, text, sizeof text, k.offset);
    if (got < 0) {
      report.failure = {"read", errno_or_eio()};
      return false;
    }
    if (!timestep_after(text, static_cast<std::size_t>(got), &k.timestep)) {
      report.refusal = dump_refusal::bad_timestep;
      report.refusal_line = k.line + 1;
      return false;
    }
  }
  return true;
}

void scan_file(int fd, scan_state& s, dump_scan_report& report) {
  auto chunk = std::make_unique<char[]>(chunk_size);
  std::int64_t at = 0;
  for (;;) {
    std::int64_t got = read_at(fd, chunk.get(), chunk_size, at);
    if (got < 0) {
      report.failure = {"read", errno_or_eio()};
      return;
    }
    auto n = static_cast<std::size_t>(got);
    if (at == 0 && std::strncmp(chunk.get(), item_mark,
                                std::min(n, sizeof item_mark - 1)) != 0) {
      report.refusal = dump_refusal::not_dump;
      report.refusal_line = 1;
      return;
    }
    // An item cut by the chunk's end is found again at the next one's start.
    bool last = n < chunk_size;
    std::size_t to = last ? n : n - item_length + 1;
    scan_chunk(s, chunk.get(), n, to, at);
    if (last) break;
    at += static_cast<std::int64_t>(to);
  }
  if (s.marks.empty()) {
    report.refusal = dump_refusal::not_dump;
    report.refusal_line = 1;
  }
}

}  // namespace

std::vector<dump_mark> scan_dump(const char* path, dump_scan_report& report) {
  errno = 0;
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    report.failure = {"open", errno_or_eio()};
    return {};
  }
  scan_state s;
  scan_file(fd, s, report);
  bool whole = !failed(report.failure) && report.refusal == dump_refusal::none;
  if (whole && !read_timesteps(fd, s, report)) whole = false;
  if (close(fd) != 0 && !failed(report.failure)) {
    report.failure = {"close", errno_or_eio()};
    whole = false;
  }
  if (!whole) s.marks.clear();
  return std::move(s.marks);
}

}  // namespace rodscene
