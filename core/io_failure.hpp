// A failed operation of the system, carried as a value up to the program's
// edge, where it becomes a diagnostic and an exit status.
#pragma once

namespace rodscene {

struct io_failure {
  const char* action = nullptr;  // "open", "read", "close", "write"
  int code = 0;                  // errno of the failure; 0 when none
};

inline bool failed(const io_failure& f) {
  return f.code != 0;
}

}  // namespace rodscene
