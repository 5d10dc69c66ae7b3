#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dump_frame.hpp"
#include "dump_scan.hpp"
#include "read_messages.hpp"
#include "rod_reader.hpp"

namespace rodscene {
namespace {

// A text written to a file of its own, removed at the end of the test.
struct named_file {
  std::string path;
  explicit named_file(const std::string& text) {
    path = testing::TempDir() + "readers_XXXXXX";
    int fd = mkstemp(path.data());
    std::FILE* f = fdopen(fd, "w");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  ~named_file() { std::remove(path.c_str()); }
};

struct rods_read {
  rod_set rods;
  rod_report report;
  std::vector<std::string> lines;  // the warning lines
};

std::vector<std::string> split_lines(char* text, std::size_t size) {
  std::vector<std::string> lines;
  std::string all(text, size);
  std::free(text);
  for (std::size_t at = 0, end; at < all.size(); at = end + 1) {
    end = all.find('\n', at);
    lines.push_back(all.substr(at, end - at));
  }
  return lines;
}

rods_read read_text(const std::string& text) {
  named_file f(text);
  rods_read r;
  read_rods(f.path.c_str(), r.rods, r.report);
  char* out = nullptr;
  std::size_t size = 0;
  std::FILE* err = open_memstream(&out, &size);
  print_rod_report(err, "p", "f", r.report);
  std::fclose(err);
  r.lines = split_lines(out, size);
  return r;
}

int count_containing(const std::vector<std::string>& lines, const char* s) {
  int n = 0;
  for (const std::string& l : lines)
    n += l.find(s) != std::string::npos;
  return n;
}

TEST(read_rods, reads_every_record_past_the_converters_table) {
  std::string text = "5000 124.0 124.0 75.0\r\n";
  for (int k = 0; k < 5000; ++k)
    text += std::to_string(k) + ",1.5d0;-2 0 0 1\r\n";
  auto r = read_text(text);
  ASSERT_EQ(r.rods.lines.size(), 5000u);
  EXPECT_EQ(r.report.records, 5000);
  EXPECT_EQ(r.rods.positions[3 * 4999], 4999.0);
  EXPECT_EQ(r.rods.positions[3 * 4999 + 1], 1.5);
  EXPECT_EQ(r.rods.lines[4999], 5001);
  EXPECT_TRUE(r.report.has_box);
  EXPECT_EQ(r.report.box[2], 75.0);
  EXPECT_EQ(r.report.box_lo[0], -62.0);  // a coordinate below 0: centred
  EXPECT_TRUE(r.lines.empty());
}

TEST(read_rods, warns_once_of_a_header_count_that_differs) {
  auto r = read_text("10 1 2 3\n0 0 0 1 0 0\n0 0 0 1 0 0\n0 0 0 1 0 0\n");
  EXPECT_EQ(r.report.header_count, 10);
  ASSERT_EQ(r.lines.size(), 1u);
  EXPECT_EQ(r.lines[0],
            "p: f:1: the header gives 10 records, the file holds 3");

  // A header that is not a whole count and three lengths gives no box and
  // no count to check.
  for (const char* header : {"2.5 1 2 3", "3 1 0 3", "3 1 2", "3 1 2 / 3"}) {
    r = read_text(std::string(header) + "\n0 0 0 1 0 0\n");
    EXPECT_FALSE(r.report.has_box) << header;
    EXPECT_EQ(count_containing(r.lines, "header gives"), 0) << header;
  }
}

TEST(read_rods, normalises_directions_with_one_warning) {
  auto r = read_text(
      "4 9 9 9\n1 1 1 0 0 2\n2 2 2 0.5 0 0\n3 3 3 0 1e-4000 0\n"
      "4 4 4 0 0.6 0.8\n");
  ASSERT_EQ(r.rods.lines.size(), 4u);
  EXPECT_EQ(r.rods.directions[2], 1.0);
  EXPECT_EQ(r.rods.directions[3], 1.0);
  EXPECT_EQ(r.rods.directions[7], 1.0);  // a tiny direction has one
  EXPECT_EQ(r.report.tally.not_unit, 3);
  EXPECT_EQ(r.report.tally.max_deviation, 1.0);
  ASSERT_EQ(r.lines.size(), 1u);
  EXPECT_EQ(count_containing(r.lines, "f:2: normalised 3 directions"), 1);
}

TEST(read_rods, leaves_out_records_that_make_no_rod_and_names_the_first) {
  auto r = read_text(
      "x\n1 1 1 0 0 1\n2 2 2 0 0 0\n3 3 3 0 1 nan\n4 4 4 0 0 1 / \n"
      "5 5 5 0 0 abc\n6 6 6 0 ,, 1\ninf 7 7 0 0 1\n8 8 8 1e4000 0 0\n"
      "9 9 9 0 1 0\n7 8 9\n");
  EXPECT_EQ(r.report.records, 10);
  // A direction finite in extended precision only is still one.
  ASSERT_EQ(r.rods.lines, (rod_array<std::int64_t>{2, 5, 9, 10}));
  EXPECT_EQ(r.rods.directions[6], 1.0);
  EXPECT_EQ(r.rods.positions[5], 4.0);
  const rod_tally& t = r.report.tally;
  EXPECT_EQ(t.left[int(left_out::direction)], 2);
  EXPECT_EQ(t.first_left_line[int(left_out::direction)], 3);
  EXPECT_EQ(t.left[int(left_out::missing)], 3);  // abc, the nulls, the end
  EXPECT_EQ(t.first_left_line[int(left_out::missing)], 6);
  EXPECT_EQ(t.left[int(left_out::position)], 1);
  EXPECT_EQ(count_containing(
                r.lines, "f:3: left out 2 records with a zero or non-finite"),
            1);
}

// A dump of two frames, with scaled positions and quaternions, CR LF ends.
std::string two_frames(const char* flags) {
  std::string frame =
      "ITEM: TIMESTEP\n%d\nITEM: NUMBER OF ATOMS\n3\nITEM: BOX BOUNDS %s\n"
      "0 10\n-5 5\n0 2d1\nITEM: ATOMS id type xs ys zs quatw quati quatj "
      "quatk\n7 2 0.5 0.5 0.5 1 0 0 0\n8 1 0.1 0.2 0.3 0.5 0.5 0.5 0.5\n"
      "9 1 0 0 0 0 0 0 0\n";
  std::string text;
  char buf[512];
  for (int step : {100, 250}) {
    std::snprintf(buf, sizeof buf, frame.c_str(), step, flags);
    text += buf;
  }
  std::string crlf;
  for (char c : text)
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return crlf;
}

TEST(dump, scans_frames_and_reads_scaled_positions_and_quaternions) {
  named_file f(two_frames("pp pp ff"));
  dump_scan_report scan;
  std::vector<dump_mark> marks = scan_dump(f.path.c_str(), scan);
  ASSERT_EQ(marks.size(), 2u);
  EXPECT_EQ(marks[1].timestep, 250);
  EXPECT_EQ(marks[1].line, 13);
  dump_frame frame;
  dump_report report;
  read_dump_frame(f.path.c_str(), marks[1].offset, marks[1].line, 0, frame,
                  report);
  ASSERT_EQ(report.refusal, dump_refusal::none);
  EXPECT_EQ(frame.timestep, 250);
  EXPECT_EQ(frame.hi[2], 20.0);
  // Rod 2: lo + s (hi - lo); the x axis turned a third of a turn about
  // (1, 1, 1) goes to y.
  ASSERT_EQ(frame.rods.lines, (rod_array<std::int64_t>{22, 23}));
  EXPECT_EQ(frame.rods.positions[3], 1.0);
  EXPECT_DOUBLE_EQ(frame.rods.positions[4], -3.0);
  EXPECT_DOUBLE_EQ(frame.rods.positions[5], 6.0);
  EXPECT_EQ(frame.rods.directions[0], 1.0);
  EXPECT_EQ(frame.rods.directions[3], 0.0);
  EXPECT_EQ(frame.rods.directions[4], 1.0);
  EXPECT_EQ(frame.ids, (rod_array<std::int64_t>{7, 8}));
  EXPECT_EQ(frame.types, (rod_array<std::int64_t>{2, 1}));
  EXPECT_EQ(report.tally.first_left_line[int(left_out::direction)], 24);
}

TEST(dump, refuses_a_tilted_box_and_what_is_no_dump) {
  named_file tilted(two_frames("xy xz yz pp pp pp"));
  dump_frame frame;
  dump_report report;
  read_dump_frame(tilted.path.c_str(), 0, 1, 2, frame, report);
  EXPECT_EQ(report.refusal, dump_refusal::tilted);
  EXPECT_EQ(report.refusal_line, 5);
  EXPECT_TRUE(frame.rods.lines.empty());

  named_file config("3 1 2 3\n0 0 0 1 0 0\n");
  dump_scan_report scan;
  EXPECT_TRUE(scan_dump(config.path.c_str(), scan).empty());
  EXPECT_EQ(scan.refusal, dump_refusal::not_dump);
}

}  // namespace
}  // namespace rodscene
