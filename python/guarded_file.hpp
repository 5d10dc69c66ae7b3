// A configuration file as the module opens it: a regular file alone, so
// that no device reads forever and no pipe waits for a writer, read through
// a stream that ends a long read when a signal's handler raises in the
// main thread (Ctrl-C), as Python code would be stopped.
#pragma once

#include <Python.h>

#include <cstdint>
#include <cstdio>
#include <memory>

#include "config_reader.hpp"
#include "io_failure.hpp"

namespace rodscene {

struct guarded_file {
  int fd = -1;
  bool main_thread = false;        // where Python runs signals' handlers
  std::uint64_t unchecked = 0;     // bytes read since signals were looked at
  PyObject* raised[3] = {};        // what a handler raised: type, value, trace
  std::unique_ptr<char[]> buffer;  // the stream's
};

// With the GIL held: a guard for a read made by this thread.
guarded_file guard_for_this_thread();

// Opens `name` for reading through g, without the GIL; null with the
// failure as the programs would name it: a folder fails to be read
// (EISDIR), anything else that is not a regular file to be opened.
std::FILE* open_guarded(guarded_file& g, const char* name, io_failure& failure);

// Makes r read the stream that open_guarded gave, through a buffer of
// g's: unbuffered, a stream of read functions is read a byte a call.
void start_guarded_reader(config_reader& r, guarded_file& g, std::FILE* file);

// The reason a failure gives: the system's, or that the file is not a
// regular file.
const char* failure_reason(const io_failure& failure);

// With the GIL held: raises what a signal's handler raised during the read
// (a KeyboardInterrupt), as a C++ exception that pybind11 passes on.
void raise_if_interrupted(guarded_file& g);

}  // namespace rodscene
