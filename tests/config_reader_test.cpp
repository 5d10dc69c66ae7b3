#include "config_reader.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace rodscene {
namespace {

// A configuration text behind a real stream, as the reader sees a file.
struct text_file {
  std::FILE* file;
  explicit text_file(const std::string& text) : file(std::tmpfile()) {
    std::fwrite(text.data(), 1, text.size(), file);
    std::rewind(file);
  }
  ~text_file() { std::fclose(file); }
};

struct read_result {
  std::unique_ptr<site_table> table = std::make_unique<site_table>();
  read_report report;
  std::vector<long double> slot(int k) const {
    const site_table& t = *table;
    return {t.x[k], t.y[k], t.z[k], t.phi1[k], t.phi2[k], t.phi3[k]};
  }
};

read_result read_text(const std::string& text) {
  text_file f(text);
  auto reader = std::make_unique<config_reader>();
  start_reader(*reader, f.file);
  read_result r;
  read_sites(*reader, *r.table, r.report);
  return r;
}

using values = std::vector<long double>;
const values zeros = {0, 0, 0, 0, 0, 0};

TEST(read_sites, takes_numbers_by_count_not_by_line) {
  auto r = read_text("10 20 30 40\n1 2 3 0 0 1\n");
  EXPECT_EQ(r.slot(0), (values{1, 2, 3, 0, 0, 1}));
  EXPECT_EQ(r.slot(1), zeros);
  EXPECT_EQ(r.slot(site_capacity - 1), zeros);

  // A short header takes two numbers from the next line and skips its rest.
  r = read_text("10 20\n30 40 99\n1 2 3 4 5 6\n");
  EXPECT_EQ(r.slot(0), (values{1, 2, 3, 4, 5, 6}));

  // A record split over two lines fills one slot; a seventh number is
  // skipped with its line. A bad header costs no data.
  for (const char* header : {"0 0 0 0", "h h h h"}) {
    r = read_text(std::string(header) +
                  "\n4 5 6 7\n8 9\n1 2 3 4 5 6 7\n2 2 2 2 2 2\n");
    EXPECT_EQ(r.slot(0), (values{4, 5, 6, 7, 8, 9})) << header;
    EXPECT_EQ(r.slot(1), (values{1, 2, 3, 4, 5, 6})) << header;
    EXPECT_EQ(r.slot(2), (values{2, 2, 2, 2, 2, 2})) << header;
  }
}

TEST(read_sites, accepts_every_separator_and_line_end) {
  const std::string texts[] = {
      "0 0 0 0\n1 2 3 4 5 6\n",
      "0 0 0 0\r\n1 2 3 4 5 6\r\n",
      "0 0 0 0\n\t1\t2  3\t 4 5 6",
      "0,0,0,0\n1,2 , 3;4 ;5\t;\t6,\n",
      "0 0 0 0\n\n  \t \n1 2 3\n\r\n4 5 6\n\n\n",
      "0 0 0 0\n1 2 3,\n4 5 6\n",  // a comma ending a line is no null
  };
  for (const std::string& text : texts) {
    auto r = read_text(text);
    EXPECT_EQ(r.slot(0), (values{1, 2, 3, 4, 5, 6})) << text;
    EXPECT_EQ(r.slot(1), zeros) << text;
  }
}

TEST(read_sites, bad_token_uses_up_its_slot_and_the_rest_of_its_line) {
  auto r = read_text("0 0 0 0\n1.5d0 2.5 abc 3 4 5\n7 7 7 7 7 7\n");
  EXPECT_EQ(r.slot(0), (values{1.5, 2.5, 0, 0, 0, 0}));
  EXPECT_EQ(r.slot(1), (values{7, 7, 7, 7, 7, 7}));

  // Forms a looser reader might take; each ends its record.
  for (const char* bad : {"0x10", "1,5e", "nan(1)", "infinit", "1.5e", "3*x",
                          "0*5", "-2*5", "2.5*1", "*5", "2**3", "1\x0c"}) {
    r = read_text(std::string("0 0 0 0\n9 ") + bad + " 9 9 9 9\n8 8 8 8 8 8\n");
    EXPECT_EQ(r.slot(0)[0], 9) << bad;
    EXPECT_EQ(r.slot(1), (values{8, 8, 8, 8, 8, 8})) << bad;
  }
}

TEST(read_sites, end_of_file_keeps_a_partial_last_record) {
  auto r = read_text("0 0 0 0\n1 1 1 1 1 1\n7 8 9");
  EXPECT_EQ(r.slot(1), (values{7, 8, 9, 0, 0, 0}));
  EXPECT_EQ(r.slot(2), zeros);
  for (const char* text : {"", "\n\n", "1 2 3", "1 2 3\n\n \n"}) {
    r = read_text(text);
    EXPECT_EQ(r.slot(0), zeros) << text;
    EXPECT_FALSE(failed(r.report.failure));
  }
}

TEST(read_sites, slash_ends_a_read_early) {
  auto r = read_text("0 0 0 0\n1 2 / 3 4\n5 6 7 8 9 10\n1 1 1 1 1/\n");
  EXPECT_EQ(r.slot(0), (values{1, 2, 0, 0, 0, 0}));
  EXPECT_EQ(r.slot(1), (values{5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(r.slot(2), (values{1, 1, 1, 1, 1, 0}));
  r = read_text("1 2/\n4 4 4 4 4 4\n");  // in the header too
  EXPECT_EQ(r.slot(0), (values{4, 4, 4, 4, 4, 4}));
}

TEST(read_values, slash_and_nulls_leave_destinations_unchanged) {
  const struct {
    const char* text;
    values expected;
    int status;
  } cases[] = {
      {"1 2 / 3 4", {1, 2, -1, -1, -1, -1}, 0},
      {"/", {-1, -1, -1, -1, -1, -1}, 0},
      {",5,,6", {-1, 5, -1, 6, -1, -1}, -1},
      {"1,,3, ,5;;7", {1, -1, 3, -1, 5, -1}, 0},
      {"1,\n,2 3 4 5", {1, -1, 2, 3, 4, 5}, 0},
      {"1 2\n,3 4 5 6", {1, 2, 3, 4, 5, 6}, 0},
      {"3*1.5 2* 9", {1.5, 1.5, 1.5, -1, -1, 9}, 0},
      {"2*,7 8 9 1", {-1, -1, 7, 8, 9, 1}, 0},
      {"99999999999999999999999*7", {7, 7, 7, 7, 7, 7}, 0},
      {"1 2 3 4 10*", {1, 2, 3, 4, -1, -1}, 0},
      {"2*-0.5 2*nan", {-0.5, -0.5, NAN, NAN, -1, -1}, -1},
      {"1 2 3*", {1, 2, -1, -1, -1, -1}, -1},
      {"1 2 0*3", {1, 2, -1, -1, -1, -1}, 1},
      {"4*1 2.5*1", {1, 1, 1, 1, -1, -1}, 1},
  };
  for (const auto& c : cases) {
    text_file f(c.text);
    auto reader = std::make_unique<config_reader>();
    start_reader(*reader, f.file);
    values got(6, -1);
    long double* dest[6];
    for (int i = 0; i < 6; ++i)
      dest[i] = &got[i];
    int status = read_values(*reader, dest, 6);
    EXPECT_EQ(status > 0, c.status > 0) << c.text;
    EXPECT_EQ(status < 0, c.status < 0) << c.text;
    for (int i = 0; i < 6; ++i) {
      if (std::isnan(c.expected[i])) {
        EXPECT_TRUE(std::isnan(got[i])) << c.text << " value " << i;
      } else {
        EXPECT_EQ(got[i], c.expected[i]) << c.text << " value " << i;
      }
    }
  }
}

std::string records(int count) {
  std::string text = "0 0 0 0\n";
  for (int k = 1; k <= count; ++k) {
    text += std::to_string(k) + " 0 0 0 0 0\n";
  }
  return text;
}

TEST(read_sites, never_stores_past_capacity_and_counts_what_it_dropped) {
  auto r = read_text(records(site_capacity));
  EXPECT_EQ(r.slot(site_capacity - 1)[0], site_capacity);
  EXPECT_EQ(r.report.ignored_records, 0);

  r = read_text(records(site_capacity + 5) + "\n\n");
  EXPECT_EQ(r.slot(site_capacity - 1)[0], site_capacity);
  EXPECT_EQ(r.report.ignored_records, 5);

  // A partial, a bad and a slash-only record past the end count too.
  r = read_text(records(site_capacity) + "1 2 x\n/\n1 2\n");
  EXPECT_EQ(r.report.ignored_records, 3);
}

TEST(read_sites, reads_lines_and_numbers_of_any_length) {
  // One line longer than the reader's first buffer, and a number of
  // 200000 digits whose value is still exact.
  std::string long_line =
      "0 0 0 0\n" + std::string(300000, ' ') + "1 2 3 4 5 6\n";
  EXPECT_EQ(read_text(long_line).slot(0), (values{1, 2, 3, 4, 5, 6}));
  std::string digits = "0." + std::string(199999, '0') + "3e200000";
  auto r = read_text("0 0 0 0\n" + digits + " 2 3 4 5 6\n9 9 9 9 9 9\n");
  EXPECT_EQ(r.slot(0), (values{3, 2, 3, 4, 5, 6}));
  EXPECT_EQ(r.slot(1), (values{9, 9, 9, 9, 9, 9}));
}

TEST(read_sites, reports_a_failing_read_of_the_system) {
  std::FILE* dir = std::fopen(".", "r");
  ASSERT_NE(dir, nullptr);
  auto reader = std::make_unique<config_reader>();
  start_reader(*reader, dir);
  auto table = std::make_unique<site_table>();
  read_report report;
  read_sites(*reader, *table, report);
  std::fclose(dir);
  EXPECT_STREQ(report.failure.action, "read");
  EXPECT_EQ(report.failure.code, EISDIR);
}

}  // namespace
}  // namespace rodscene
