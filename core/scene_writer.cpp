#include "scene_writer.hpp"

#include <cerrno>
#include <cstring>

namespace rodscene {

void flush(scene_writer& w) {
  if (w.used != 0 && !failed(w.failure)) {
    errno = 0;
    if (std::fwrite(w.buffer, 1, w.used, w.out) != w.used) {
      w.failure = {"write", errno != 0 ? errno : EIO};
    }
  }
  w.used = 0;
}

void start_writer(scene_writer& w, std::FILE* out, char* buffer,
                  std::size_t capacity) {
  w.out = out;
  w.buffer = buffer;
  w.capacity = capacity;
  w.used = 0;
  w.first_item = true;
  w.failure = {};
  std::setvbuf(out, nullptr, _IONBF, 0);
}

io_failure finish_writer(scene_writer& w) {
  flush(w);
  errno = 0;
  if (std::fclose(w.out) != 0 && !failed(w.failure)) {
    w.failure = {"write", errno != 0 ? errno : EIO};
  }
  return w.failure;
}

}  // namespace rodscene
