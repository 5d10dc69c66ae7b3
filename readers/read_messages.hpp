// What the readers met, written as lines that start "program: file", with
// the line of the input where there is one, as the converters give theirs.
#pragma once

#include <cstdint>
#include <cstdio>

#include "dump_frame.hpp"
#include "rod_reader.hpp"

namespace rodscene {

// The converters' warnings, then the header count that differs from the
// records, the directions normalised and the records left out, a line each.
void print_rod_report(std::FILE* err, const char* program, const char* file,
                      const rod_report& report);

// A frame's bad numbers, missing rows and rows left out, a line each.
void print_dump_report(std::FILE* err, const char* program, const char* file,
                       const dump_frame& frame, const dump_report& report);

// Why the file is no dump that can be read, in one line; `offset` is where
// the frame was looked for.
void print_dump_refusal(std::FILE* err, const char* program, const char* file,
                        dump_refusal why, std::int64_t line,
                        const char* missing, std::int64_t offset);

}  // namespace rodscene
