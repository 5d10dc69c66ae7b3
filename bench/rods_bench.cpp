// Reading whole systems: configuration files of 3370, 1e5 and 1e6 rods,
// and a LAMMPS dump's frames, timed and with the memory each read adds.
// Each read runs in a child process of its own, so that its peak resident
// memory is its own; the files are read from the page cache, warm. On a
// shared machine the processor time of a read says more than its wall time.
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "bench_inputs.hpp"
#include "dump_frame.hpp"
#include "dump_scan.hpp"
#include "rod_reader.hpp"

namespace rodscene {
namespace {

constexpr int repeats = 5;
constexpr int sizes[] = {3370, 100000, 1000000};
constexpr int dump_frames = 10;
constexpr int dump_rods = 100000;
constexpr double rod_bytes = 7 * sizeof(double);  // position, direction, line

// A figure of /proc/self/status in kB, such as "VmRSS:" or "VmHWM:".
long status_kb(const char* field) {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  char line[256];
  long kb = -1;
  while (f != nullptr && std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, field, std::strlen(field)) == 0)
      kb = std::atol(line + std::strlen(field));
  }
  if (f != nullptr) std::fclose(f);
  return kb;
}

double cpu_seconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double seconds_since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t)
      .count();
}

// Runs `read` in a child: the best of `repeats` times, and the peak memory
// above what the child held before it.
template <typename Read>
void in_child(const char* label, double array_bytes, Read&& read) {
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid != 0) {
    waitpid(pid, nullptr, 0);
    return;
  }
  long before = status_kb("VmRSS:");
  double best = 1e9, best_cpu = 1e9;
  for (int i = 0; i < repeats; ++i) {
    auto t = std::chrono::steady_clock::now();
    double cpu = cpu_seconds();
    read();
    best = std::min(best, seconds_since(t));
    best_cpu = std::min(best_cpu, cpu_seconds() - cpu);
  }
  double added = 1024.0 * static_cast<double>(status_kb("VmHWM:") - before);
  std::printf("%-34s %8.4f s (cpu %.4f s)  peak +%7.1f MB = %.2f x arrays\n",
              label, best, best_cpu, added / 1e6, added / array_bytes);
  std::fflush(stdout);
  _exit(0);
}

void write_file(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

void bench_configurations(const std::string& dir) {
  for (int n : sizes) {
    std::string path = dir + "/rods_" + std::to_string(n) + ".txt";
    // The header gives the count, as a simulation writes it.
    std::string text = config_text(n);
    text.replace(0, text.find('\n'), std::to_string(n) + " 100 100 100");
    write_file(path, text);
    std::string label = "configuration, " + std::to_string(n) + " rods";
    in_child(label.c_str(), n * rod_bytes, [&] {
      rod_set rods;
      rod_report report;
      read_rods(path.c_str(), rods, report);
      if (static_cast<int>(rods.lines.size()) != n) std::abort();
    });
    std::remove(path.c_str());
  }
}

// A dump of frames of rods in a 100-wide box, dipoles for directions.
std::string dump_text() {
  std::string rows;
  std::string text = config_text(dump_rods);
  std::size_t at = text.find('\n') + 1;
  for (int id = 1; at < text.size(); ++id) {
    std::size_t end = text.find('\n', at);
    rows += std::to_string(id) + " 1 " + text.substr(at, end - at) + "\n";
    at = end + 1;
  }
  std::string dump;
  for (int k = 0; k < dump_frames; ++k) {
    dump += "ITEM: TIMESTEP\n" + std::to_string(1000 * k) +
            "\nITEM: NUMBER OF ATOMS\n" + std::to_string(dump_rods) +
            "\nITEM: BOX BOUNDS pp pp pp\n-50 50\n-50 50\n-50 50\n"
            "ITEM: ATOMS id type x y z mux muy muz\n" +
            rows;
  }
  return dump;
}

void bench_dump(const std::string& dir) {
  std::string path = dir + "/rods.dump";
  write_file(path, dump_text());
  dump_scan_report scan;
  std::vector<dump_mark> marks = scan_dump(path.c_str(), scan);
  if (marks.size() != dump_frames) std::abort();
  std::string label = "dump scan, " + std::to_string(dump_frames) +
                      " frames of " + std::to_string(dump_rods);
  in_child(label.c_str(), dump_rods * rod_bytes, [&] {
    dump_scan_report r;
    if (scan_dump(path.c_str(), r).size() != dump_frames) std::abort();
  });
  // A dump frame keeps each rod's id and type too.
  in_child("dump frame, 100000 rods", dump_rods * (rod_bytes + 16), [&] {
    dump_frame frame;
    dump_report report;
    const dump_mark& m = marks.back();
    read_dump_frame(path.c_str(), m.offset, m.line, 2, frame, report);
    if (frame.rods.lines.size() != dump_rods) std::abort();
  });
  std::remove(path.c_str());
}

}  // namespace
}  // namespace rodscene

int main(int argc, char** argv) {
  std::string dir = argc > 1 ? argv[1] : "/tmp";
  // Large blocks always from the system and given back when freed, so that
  // a read's peak is memory it touched itself, not the parent's freed heap.
  mallopt(M_MMAP_THRESHOLD, 1 << 17);
  mallopt(M_TRIM_THRESHOLD, 1 << 17);
  std::printf("best of %d reads; arrays: 56 bytes a rod\n", rodscene::repeats);
  rodscene::bench_configurations(dir);
  rodscene::bench_dump(dir);
  return 0;
}
