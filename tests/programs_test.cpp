// The built programs, run as a user runs them: in a folder holding the
// configuration file, with standard output and standard error captured.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string split_program = SPLIT_PROGRAM;
const std::string mono_program = MONO_PROGRAM;

struct outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A fresh working folder; `config` is written as its configuration file
// unless it is null.
class work_dir {
 public:
  explicit work_dir(const char* config) {
    std::string tmpl = (fs::temp_directory_path() / "rodscene.XXXXXX").string();
    path_ = mkdtemp(tmpl.data());
    if (config != nullptr) {
      std::ofstream(path_ / "readingconfig3.txt", std::ios::binary) << config;
    }
  }
  ~work_dir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

  // Runs the program here; `redirect` replaces the capture of stdout, and
  // `shell_setup` runs first in the same shell.
  outcome run(const std::string& program, const std::string& extra = "",
              const std::string& redirect = "",
              const std::string& shell_setup = "") const {
    std::string out = (path_ / "stdout").string();
    std::string err = (path_ / "stderr").string();
    std::string command = "cd '" + path_.string() + "' && " + shell_setup +
                          "'" + program + "' " + extra +
                          (redirect.empty() ? " > '" + out + "'" : redirect) +
                          " 2> '" + err + "'";
    outcome o;
    int raw = std::system(command.c_str());
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = slurp(out);
    o.err = slurp(err);
    return o;
  }

 private:
  fs::path path_;
};

// The glyphs of an output, each as its twelve lines.
std::vector<std::vector<std::string>> glyphs(const std::string& out) {
  std::vector<std::vector<std::string>> result;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    if (line == " cylinder") result.emplace_back();
    if (!result.empty()) result.back().push_back(line);
  }
  return result;
}

const std::string teal = " pigment { color rgb <0.000000, 0.800000, 0.673810>}";
const std::string blue = " pigment { color rgb <0.00000, 0.100000, 0.873810>}";

TEST(programs, draw_every_slot_of_an_empty_file_at_the_origin) {
  work_dir dir("");
  outcome split = dir.run(split_program);
  EXPECT_EQ(split.status, 0);
  EXPECT_EQ(split.err,
            "rodscene_split: readingconfig3.txt: 0 data records: 3360 of "
            "the 3360 drawn slots hold no record and are drawn as zero glyphs "
            "at the origin\n");
  EXPECT_EQ(split.out.size(), 1629600u);  // 3360 blue glyphs of 485 bytes
  outcome mono = dir.run(mono_program);
  EXPECT_EQ(mono.status, 0);
  EXPECT_EQ(mono.out.size(), 1632960u);  // 3360 teal glyphs of 486 bytes
  auto g = glyphs(split.out);
  ASSERT_EQ(g.size(), 3360u);
  const std::string zero = "  0.00000000000000000000      ";
  EXPECT_EQ(g[0][2], " < " + zero + " , " + zero + " , " + zero + " >, < " +
                         zero + " , " + zero + " , " + zero + " >, 1.2");
  EXPECT_EQ(g[0][4], blue);
  EXPECT_EQ(g[3359][8],
            " < " + zero + " , " + zero + " , " + zero + " >, 0.25");
}

TEST(programs, write_the_road_of_one_site_byte_for_byte) {
  work_dir dir("10 20 30 40\n1 2 3 0 0 1\n");
  outcome o = dir.run(split_program);
  ASSERT_EQ(o.status, 0);
  const std::string one = "  1.00000000000000000000      ";
  const std::string two = "  2.00000000000000000000      ";
  const std::string glyph =
      " cylinder\n {\n < " + one + " , " + two +
      " ,  -5.00000000000000000000"
      "       >, < " +
      one + " , " + two +
      " ,   11.0000000000000000000      "
      " >, 1.2\n rotate <90,0,0>\n" +
      teal + "\n }\n sphere\n {\n < " + one + " , " + two +
      " ,  -5.14999961853027343750       >, 0.25\n"
      " rotate <90,0,0>\n pigment { color rgb  <0.952540,0.000000,0.000000>}\n"
      " }\n";
  ASSERT_EQ(o.out.substr(0, glyph.size()), glyph);
  EXPECT_EQ(o.out.size(), glyph.size() + 3359 * 485u);
}

TEST(programs, keep_only_their_window_and_colour_by_their_rule) {
  // One site a line, x tells which; z probes both windows' edges.
  const char* zs[] = {"28",     "-38", "27.999", "-37.999", "0",  "-0",
                      "0.0001", "nan", "30",     "37.999",  "38", "-5"};
  std::string config = "0 0 0 0\n";
  int n = 0;
  for (const char* z : zs) {
    config += std::to_string(++n) + " 0 " + z + " 0 0 1\n";
  }
  // Fill every other slot with a site both programs drop.
  for (int k = n; k < 3370; ++k)
    config += "0 0 99 0 0 0\n";
  work_dir dir(config.c_str());
  const struct {
    const std::string& program;
    std::vector<std::string> expected;  // x of each glyph, then its colour
  } cases[] = {
      {split_program,
       {"3 teal", "4 blue", "5 blue", "6 blue", "7 teal", "12 blue"}},
      {mono_program,
       {"1 teal", "3 teal", "4 teal", "5 teal", "6 teal", "7 teal", "9 teal",
        "10 teal", "12 teal"}},
  };
  for (const auto& c : cases) {
    outcome o = dir.run(c.program);
    ASSERT_EQ(o.status, 0);
    std::vector<std::string> drawn;
    for (const auto& g : glyphs(o.out)) {
      int x = std::stoi(g[2].substr(3, 30));
      drawn.push_back(std::to_string(x) + (g[4] == teal ? " teal" : " blue"));
    }
    EXPECT_EQ(drawn, c.expected) << c.program;
  }
}

TEST(programs, agree_on_every_record_but_the_cylinder_pigment) {
  std::string config = "0 0 0 0\n";
  for (int k = 0; k < 3365; ++k) {
    config += std::to_string(k * 0.37) + " -1.5 " +
              std::to_string(k % 60 - 35) + " 0.3 -0.4 " +
              std::to_string(k * 1e-3) + "\n";
  }
  work_dir dir(config.c_str());
  auto split = glyphs(dir.run(split_program).out);
  auto mono = glyphs(dir.run(mono_program).out);
  ASSERT_EQ(split.size(), mono.size());  // all z are inside both windows
  ASSERT_EQ(split.size(), 3360u);        // the last five are never drawn
  for (std::size_t i = 0; i < split.size(); ++i) {
    for (int r = 0; r < 12; ++r) {
      if (r != 4) {
        ASSERT_EQ(split[i][r], mono[i][r]) << i << " " << r;
      }
    }
    EXPECT_EQ(mono[i][4], teal);
  }
}

TEST(programs, fail_with_status_2_and_write_nothing_when_input_fails) {
  work_dir missing(nullptr);
  outcome o = missing.run(split_program);
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find("readingconfig3.txt"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("No such file or directory"), std::string::npos);

  work_dir folder(nullptr);
  fs::create_directory(folder.path() / "readingconfig3.txt");
  o = folder.run(mono_program);
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find("Is a directory"), std::string::npos) << o.err;
}

TEST(programs, fail_with_status_2_when_output_is_lost) {
  work_dir dir("");
  outcome o = dir.run(split_program, "", " > /dev/full");
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("standard output"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("No space left on device"), std::string::npos);
}

TEST(programs, ignore_arguments_and_standard_input) {
  work_dir dir("0 0 0 0\n1 2 3 0 0 1\n");
  outcome plain = dir.run(split_program);
  outcome odd = dir.run(split_program, "--help -x extra < /dev/zero");
  EXPECT_EQ(odd.status, 0);
  EXPECT_EQ(odd.out, plain.out);
}

TEST(programs, warn_about_records_past_the_table) {
  std::string config = "0 0 0 0\n";
  for (int k = 0; k < 3377; ++k)
    config += "1 1 1 1 1 1\n";
  work_dir dir(config.c_str());
  outcome o = dir.run(split_program);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(glyphs(o.out).size(), 3360u);
  EXPECT_NE(o.err.find("readingconfig3.txt"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find(" 7 "), std::string::npos) << o.err;
}

}  // namespace

TEST(programs, warn_about_lost_input_by_file_and_line) {
  // CR LF line ends; a header over two lines; a seventh column; a record
  // over two lines; a control byte and a long token; a five-column record
  // that runs into the next line; a last record cut short.
  std::string config =
      "3370 160\r\n99 92\r\n1 2 3 4 5 6 7\r\n1 2 3 4\r\n5 6\r\n"
      "1 4.5\x1b"
      "6 3 4 5 6\r\n1 2 " +
      std::string(100, 'a') +
      " 4\r\n"
      "1 2 3 4 5\r\n6 7 8 9 10\r\n7 8 9";
  work_dir dir(config.c_str());
  outcome o = dir.run(split_program);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(glyphs(o.out).size(), 3360u);
  const std::string at = "rodscene_split: readingconfig3.txt:";
  EXPECT_EQ(
      o.err,
      at +
          "1: the header record takes its 4 values from lines 1-2, so line "
          "2 is not read as data\n" +
          at + "3: skipped 1 more number after the 6 values of record 1\n" +
          at +
          "6: bad number \"4.5\\x1b"
          "6\"; record 3 keeps 1 of its 6 values\n" +
          at + "7: bad number \"" + std::string(40, 'a') +
          "\"... (100 bytes); record 4 keeps 2 of its 6 values\n" + at +
          "8: skipped 4 more numbers after the 6 values of record 5, lines "
          "8-9\n" +
          at +
          "10: the file ends inside record 6, which keeps 3 of its 6 values\n"
          "rodscene_split: readingconfig3.txt: 6 data records: 3354 of the "
          "3360 drawn slots hold no record and are drawn as zero glyphs at "
          "the origin\n");

  // A header a slash ends on its second line. Ten of a kind are shown,
  // then one line counts the rest.
  std::string many = "1 2\n3 /\n";
  for (int k = 0; k < 3372; ++k)
    many += k % 100 == 0 ? "1 x\n" : "1 1 1 1 1 1\n";
  work_dir flood(many.c_str());
  o = flood.run(mono_program);
  EXPECT_EQ(o.status, 0);
  const std::string mono_at = "rodscene_mono: readingconfig3.txt:";
  EXPECT_EQ(o.err.find(mono_at +
                       "1: the header record takes 3 values from lines "
                       "1-2 before a slash ends it, so line 2 is not "
                       "read as data\n" +
                       mono_at + "3: bad number \"x\"; record 1 keeps 1"),
            0u)
      << o.err;
  EXPECT_NE(o.err.find(mono_at + "903: bad number"), std::string::npos);
  EXPECT_EQ(o.err.find(mono_at + "1003: bad number"), std::string::npos);
  EXPECT_NE(o.err.find("readingconfig3.txt: and 24 more bad numbers not "
                       "shown\nrodscene_mono: readingconfig3.txt: ignored 2 "
                       "data records past the first 3370\n"),
            std::string::npos)
      << o.err;
}

TEST(programs, warn_in_whole_lines_however_long) {
  // The longest a token's sample gets, 40 bytes that all need escaping,
  // in a record of a seven-digit number over two seven-digit lines.
  std::string config = "0 0 0 0\n";
  for (int k = 1; k < 1000000; ++k)
    config += "/\n";
  config += "1 2 3 4 5\n" + std::string(41, '\xff') + "\n";
  work_dir dir(config.c_str());
  outcome o = dir.run(split_program);
  EXPECT_EQ(o.status, 0);
  std::string escaped;
  for (int i = 0; i < 40; ++i)
    escaped += "\\xff";
  EXPECT_EQ(o.err, "rodscene_split: readingconfig3.txt:1000001: bad number \"" +
                       escaped +
                       "\"... (41 bytes); record 1000000, lines "
                       "1000001-1000002, keeps 5 of its 6 values\n"
                       "rodscene_split: readingconfig3.txt: ignored 996630 "
                       "data records past the first 3370\n");
}

#ifndef __SANITIZE_ADDRESS__
TEST(programs, read_any_file_in_fixed_memory) {
  // 16 MB of one line and of one number under an 8 MB address space limit:
  // nothing the run holds grows with its input, and nothing it needs is
  // allocated once it runs.
  std::string config = "0 0 0 0\n0." + std::string(1 << 24, '0') +
                       "5e16777217 2 3" + std::string(1 << 24, ' ') + "4 5 6\n";
  work_dir dir(config.c_str());
  outcome o = dir.run(split_program, "", "", "ulimit -v 8192 && ");
  EXPECT_EQ(o.status, 0) << o.err;
  auto g = glyphs(o.out);
  ASSERT_EQ(g.size(), 3360u);
  EXPECT_TRUE(g[0][2].starts_with(" <  -27.0000000000000000000       ,"))
      << g[0][2];
}
#endif
